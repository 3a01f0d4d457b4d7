#pragma once

#include <string>
#include <string_view>

namespace faceloom {

// Signatures and other pack texts are bytes in an 8-bit code page, Windows-1251 by default
// (the messenger's users are Russian-speaking). They stay bytes in memory so that a pack
// round-trips byte for byte, and are converted only for display and editing.
enum class TCodePage { Windows1251, Windows1252 };

// Parses a code page name as given on command lines ("windows-1251", "cp1251", "1251",
// "windows-1252", ...); false when unknown.
bool ParseCodePage(std::string_view name, TCodePage& codePage);

std::u16string CodePageToUnicode(std::string_view bytes, TCodePage cp = TCodePage::Windows1251);
// Characters the code page cannot hold become '?'.
std::string UnicodeToCodePage(std::u16string_view text, TCodePage cp = TCodePage::Windows1251);

std::string Utf16ToUtf8(std::u16string_view text);
// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

std::string CodePageToUtf8(std::string_view bytes, TCodePage cp = TCodePage::Windows1251);
std::string Utf8ToCodePage(std::string_view text, TCodePage cp = TCodePage::Windows1251);

// Case folding of Latin and Cyrillic letters (including Ё/ё and the Ukrainian and
// Belarusian letters of the code page).
char16_t FoldCase(char16_t c);
std::u16string FoldCase(std::u16string_view text);

// Case-insensitive comparison of 8-bit strings in the code page, folding Latin and
// Cyrillic letters: <0, 0, >0 in the order of the folded bytes.
int CompareTextFolded(std::string_view a, std::string_view b, TCodePage cp = TCodePage::Windows1251);
inline bool SameTextFolded(std::string_view a, std::string_view b, TCodePage cp = TCodePage::Windows1251) {
    return CompareTextFolded(a, b, cp) == 0;
}

// Only the ASCII letters A-Z made lower case; every other byte stays (names and keywords that
// are ASCII by definition, such as canonical picture names and code page names).
std::string AsciiLower(std::string_view text);

// Case-insensitive comparison of UTF-8 strings (file names on this host), folding Latin and
// Cyrillic letters.
int CompareUtf8Folded(std::string_view a, std::string_view b);

// The key by which two file names are the same name on Windows: the code points of the UTF-8
// name, Latin and Cyrillic letters folded. Bytes that are not well-formed UTF-8 (also overlong
// spellings) stay distinct keys of their own. The one folding of every name comparison: clash
// checks of renames, mask matching and CompareUtf8Folded all use it.
std::u32string FoldedFileName(std::string_view name);

}  // namespace faceloom
