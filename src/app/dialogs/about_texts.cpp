#include "app/dialogs/about_texts.h"

namespace faceloom {

namespace {

// The names alone: the words around them ("for Tavi 2005", "team") are the language's.
constexpr auto kName = ScrambledLiteral(u"Faceloom");
constexpr auto kVersion = ScrambledLiteral(u"3.2");
constexpr auto kThird = ScrambledLiteral(u"\u00A9 2026");
constexpr auto kAuthor = ScrambledLiteral(u"Faceloom");
constexpr auto kLink = ScrambledLiteral(u"https://faceloom.example/");

template <size_t N>
constexpr std::u16string_view View(const std::array<char16_t, N>& text) {
    return {text.data(), text.size()};
}

}  // namespace

std::u16string ScrambleAboutText(std::u16string_view text) {
    std::u16string out(text);
    for (size_t i = 0; i < out.size(); ++i) out[i] = ScrambleAboutChar(out[i], i + 1);
    return out;
}

std::u16string_view StoredAboutText(int number) {
    switch (number) {
        case 1:
            return View(kName);
        case 2:
            return View(kVersion);
        case 3:
            return View(kThird);
        case 4:
            return View(kAuthor);
        case 5:
            return View(kLink);
        default:
            return {};
    }
}

std::u16string AboutText(int number) {
    return ScrambleAboutText(StoredAboutText(number));
}

}  // namespace faceloom
