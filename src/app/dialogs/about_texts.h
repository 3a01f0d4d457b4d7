#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace faceloom {

// The about box's texts are kept scrambled in the program and unscrambled when shown, so that
// they do not stand in the binary as plain text. Character c at position k (from 1) becomes
// (NOT c) XOR (((k AND 255) XOR K) << 8) in 16 bits; the same step unscrambles.
inline constexpr uint8_t kAboutKey = 0xA7;

constexpr char16_t ScrambleAboutChar(char16_t c, size_t position) {
    return static_cast<char16_t>(static_cast<uint16_t>(~c) ^
                                 static_cast<uint16_t>(((position & 255u) ^ kAboutKey) << 8));
}

// Scrambles a literal at compile time; only the scrambled characters reach the program.
template <size_t N>
constexpr std::array<char16_t, N - 1> ScrambledLiteral(const char16_t (&text)[N]) {
    std::array<char16_t, N - 1> out{};
    for (size_t i = 0; i + 1 < N; ++i) out[i] = ScrambleAboutChar(text[i], i + 1);
    return out;
}

// Scrambles a plain text, or unscrambles a scrambled one.
std::u16string ScrambleAboutText(std::u16string_view text);

// The five stored texts, 1 to 5 (name, version, third line, author, web link), unscrambled
// now; empty for any other number.
std::u16string AboutText(int number);
// The five stored texts as they are kept.
std::u16string_view StoredAboutText(int number);

}  // namespace faceloom
