#include "platform/code_page.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>

namespace faceloom {

namespace {

// Upper halves (0x80..0xFF) of the two code pages. The few bytes a code page leaves undefined
// map to the C1 control of the same value, as the Windows converters do, so that any byte
// string survives a round trip through Unicode.
constexpr std::array<char16_t, 128> kWindows1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

constexpr std::array<char16_t, 128> kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // F8
};

const std::array<char16_t, 128>& UpperHalf(TCodePage cp) {
    return cp == TCodePage::Windows1252 ? kWindows1252 : kWindows1251;
}

struct TReverseEntry {
    char16_t unicode;
    unsigned char byte;
};

// Unicode -> byte for the upper half, sorted by code unit for binary search.
class TReverseTable {
public:
    explicit TReverseTable(const std::array<char16_t, 128>& upper) {
        for (size_t i = 0; i < upper.size(); ++i) {
            entries_[i] = {upper[i], static_cast<unsigned char>(0x80 + i)};
        }
        std::sort(entries_.begin(), entries_.end(),
                  [](const TReverseEntry& a, const TReverseEntry& b) { return a.unicode < b.unicode; });
    }

    bool Find(char16_t c, unsigned char& byte) const {
        auto it = std::lower_bound(entries_.begin(), entries_.end(), c,
                                   [](const TReverseEntry& e, char16_t v) { return e.unicode < v; });
        if (it == entries_.end() || it->unicode != c) {
            return false;
        }
        byte = it->byte;
        return true;
    }

private:
    std::array<TReverseEntry, 128> entries_{};
};

const TReverseTable& Reverse(TCodePage cp) {
    static const TReverseTable table1251(kWindows1251);
    static const TReverseTable table1252(kWindows1252);
    return cp == TCodePage::Windows1252 ? table1252 : table1251;
}

char16_t ByteToUnicode(unsigned char b, TCodePage cp) {
    return b < 0x80 ? static_cast<char16_t>(b) : UpperHalf(cp)[b - 0x80];
}

bool UnicodeToByte(char16_t c, TCodePage cp, unsigned char& byte) {
    if (c < 0x80) {
        byte = static_cast<unsigned char>(c);
        return true;
    }
    return Reverse(cp).Find(c, byte);
}

// Byte -> folded byte within one code page, derived from the Unicode folding so the two
// can never disagree.
class TByteFoldTable {
public:
    explicit TByteFoldTable(TCodePage cp) {
        for (int b = 0; b < 256; ++b) {
            const char16_t folded = FoldCase(ByteToUnicode(static_cast<unsigned char>(b), cp));
            unsigned char back = static_cast<unsigned char>(b);
            UnicodeToByte(folded, cp, back);
            table_[b] = back;
        }
    }
    unsigned char operator[](unsigned char b) const { return table_[b]; }

private:
    std::array<unsigned char, 256> table_{};
};

const TByteFoldTable& ByteFold(TCodePage cp) {
    static const TByteFoldTable fold1251(TCodePage::Windows1251);
    static const TByteFoldTable fold1252(TCodePage::Windows1252);
    return cp == TCodePage::Windows1252 ? fold1252 : fold1251;
}

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// Decodes one UTF-8 sequence at text[pos], advancing pos. A malformed sequence yields false
// and consumes its maximal valid prefix (at least one byte), the way the Unicode standard
// recommends replacing it, so one bad byte never swallows the characters after it.
bool DecodeUtf8(std::string_view text, size_t& pos, char32_t& c) {
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(pos);
    if (lead < 0x80) {
        c = lead;
        ++pos;
        return true;
    }
    size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        ++pos;
        return false;
    }
    ++pos;
    for (size_t i = 1; i < length; ++i) {
        if (pos >= text.size()) {
            return false;
        }
        const unsigned char next = byteAt(pos);
        if (next < low || next > high) {
            return false;
        }
        low = 0x80;
        high = 0xBF;
        c = (c << 6) | (next & 0x3F);
        ++pos;
    }
    return true;
}

char16_t FoldLatinExtendedA(char16_t c) {
    // Pairs of capital and small letters; the ranges where the capital is the even one and
    // where it is the odd one alternate.
    if ((c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177)) {
        return (c & 1) == 0 ? static_cast<char16_t>(c + 1) : c;
    }
    if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E)) {
        return (c & 1) == 1 ? static_cast<char16_t>(c + 1) : c;
    }
    if (c == 0x0178) {
        return 0x00FF;  // Ÿ -> ÿ
    }
    return c;
}

char16_t FoldCyrillic(char16_t c) {
    if (c >= 0x0400 && c <= 0x040F) {
        return static_cast<char16_t>(c + 0x50);  // Ѐ..Џ, including Ё, Є, І, Ї, Ў
    }
    if (c >= 0x0410 && c <= 0x042F) {
        return static_cast<char16_t>(c + 0x20);  // А..Я
    }
    if ((c >= 0x0460 && c <= 0x0481) || (c >= 0x048A && c <= 0x04BF) || (c >= 0x04D0 && c <= 0x04FF)) {
        return (c & 1) == 0 ? static_cast<char16_t>(c + 1) : c;  // Ѡ.., Ґ, Ғ.., Ӑ..
    }
    if (c >= 0x04C1 && c <= 0x04CE) {
        return (c & 1) == 1 ? static_cast<char16_t>(c + 1) : c;
    }
    if (c == 0x04C0) {
        return 0x04CF;  // Ӏ -> ӏ
    }
    return c;
}

// A code point as compared by CompareUtf8Folded: the folded character, or, for a byte that
// is not valid UTF-8, a value above every character so that such names still order
// consistently and never compare equal to a valid one.
char32_t NextFoldedKey(std::string_view text, size_t& pos) {
    const size_t start = pos;
    char32_t c = 0;
    if (!DecodeUtf8(text, pos, c)) {
        pos = start + 1;
        return 0x110000 + static_cast<unsigned char>(text[start]);
    }
    return c < 0x10000 ? FoldCase(static_cast<char16_t>(c)) : c;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return out;
}

bool ParseCodePage(std::string_view name, TCodePage& codePage) {
    const std::string lower = AsciiLower(name);
    for (const char* prefix : {"windows-", "windows", "cp-", "cp", "win-", "win", ""}) {
        const std::string_view p(prefix);
        if (lower.compare(0, p.size(), p) != 0) {
            continue;
        }
        const std::string_view number = std::string_view(lower).substr(p.size());
        if (number == "1251") {
            codePage = TCodePage::Windows1251;
            return true;
        }
        if (number == "1252") {
            codePage = TCodePage::Windows1252;
            return true;
        }
    }
    return false;
}

std::u16string CodePageToUnicode(std::string_view bytes, TCodePage cp) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        out += ByteToUnicode(static_cast<unsigned char>(b), cp);
    }
    return out;
}

std::string UnicodeToCodePage(std::u16string_view text, TCodePage cp) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            // One character outside the code page, one question mark.
            ++i;
            out += '?';
            continue;
        }
        unsigned char byte = '?';
        UnicodeToByte(c, cp, byte);
        out += static_cast<char>(byte);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacement;  // a lone surrogate has no UTF-8 form
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t c = 0;
        if (!DecodeUtf8(text, pos, c)) {
            c = kReplacement;
        }
        AppendUtf16(out, c);
    }
    return out;
}

std::string CodePageToUtf8(std::string_view bytes, TCodePage cp) {
    return Utf16ToUtf8(CodePageToUnicode(bytes, cp));
}

std::string Utf8ToCodePage(std::string_view text, TCodePage cp) {
    return UnicodeToCodePage(Utf8ToUtf16(text), cp);
}

char16_t FoldCase(char16_t c) {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    }
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) {
        return static_cast<char16_t>(c + 0x20);  // À..Þ except ×
    }
    if (c >= 0x0100 && c <= 0x017F) {
        return FoldLatinExtendedA(c);
    }
    if (c >= 0x0400 && c <= 0x04FF) {
        return FoldCyrillic(c);
    }
    return c;
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        c = FoldCase(c);
    }
    return out;
}

int CompareTextFolded(std::string_view a, std::string_view b, TCodePage cp) {
    const TByteFoldTable& fold = ByteFold(cp);
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int fa = fold[static_cast<unsigned char>(a[i])];
        const int fb = fold[static_cast<unsigned char>(b[i])];
        if (fa != fb) {
            return fa < fb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

std::u32string FoldedFileName(std::string_view name) {
    std::u32string out;
    out.reserve(name.size());
    for (size_t pos = 0; pos < name.size();) out.push_back(NextFoldedKey(name, pos));
    return out;
}

int CompareUtf8Folded(std::string_view a, std::string_view b) {
    size_t pa = 0;
    size_t pb = 0;
    while (pa < a.size() && pb < b.size()) {
        const char32_t ka = NextFoldedKey(a, pa);
        const char32_t kb = NextFoldedKey(b, pb);
        if (ka != kb) {
            return ka < kb ? -1 : 1;
        }
    }
    const bool aDone = pa >= a.size();
    const bool bDone = pb >= b.size();
    if (aDone && bDone) {
        return 0;
    }
    return aDone ? -1 : 1;
}

}  // namespace faceloom
