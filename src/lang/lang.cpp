#include "lang/lang.h"

#include "lang/builtin_texts.h"
#include "platform/code_page.h"

namespace faceloom {

TLang::TLang(const std::string& fileName, bool builtInWanted) {
    if (!builtInWanted) {
        file_ = TPeStringTable::Open(fileName);
    }
    if (file_) {
        fileName_ = fileName;
    } else {
        builtIn_ = true;
    }
    // Qualified: the information is this class's own, whatever a descendant answers.
    name_ = TLang::Text(kLangNameId, true);
    description_ = TLang::Text(kLangDescriptionId, true);
    author_ = TLang::Text(kLangAuthorId, true);
    version_ = TLang::Text(kLangVersionId, true);
    link_ = TLang::Text(kLangLinkId, true);
}

TLang::~TLang() = default;

std::u16string TLang::Text(int id, bool noFallback) const {
    if (!builtIn_) {
        std::u16string text = file_->Text(id);
        if (!text.empty()) {
            return text;
        }
        if (noFallback) {
            return std::u16string(kLangErrorText);
        }
    }
    // For the built-in language the table is its own, not a fallback.
    const std::u16string_view builtIn = BuiltinText(id);
    if (!builtIn.empty()) {
        return std::u16string(builtIn);
    }
    return std::u16string(kLangErrorText);
}

std::u16string FillPlaceholders(std::u16string_view pattern, const std::vector<std::string>& params) {
    std::u16string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'%' && i + 1 < pattern.size() && pattern[i + 1] >= u'1' && pattern[i + 1] <= u'9') {
            const size_t n = static_cast<size_t>(pattern[i + 1] - u'1');
            if (n < params.size()) {
                out += Utf8ToUtf16(params[n]);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace faceloom
