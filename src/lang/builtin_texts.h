#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace faceloom {

// One text of the built-in (Russian) language.
struct TBuiltinText {
    uint16_t id;
    std::u16string_view text;
};

// Every built-in text, in ascending id order (ids 101 to 2022, not contiguous).
std::span<const TBuiltinText> BuiltinTexts();

// The built-in text of an id; empty when the table has none.
std::u16string_view BuiltinText(int id);

}  // namespace faceloom
