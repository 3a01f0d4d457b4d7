#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lang/pe_string_table.h"

namespace faceloom {

// The text of an id that no language has.
inline constexpr std::u16string_view kLangErrorText = u"Lang Error";

// Replaces %1..%9 of a language's text by params (UTF-8) in one pass, so a parameter that
// itself holds "%2" stays as it is; a placeholder without parameter stays.
std::u16string FillPlaceholders(std::u16string_view pattern, const std::vector<std::string>& params);

// Information texts every language carries.
inline constexpr int kLangNameId = 101;
inline constexpr int kLangDescriptionId = 102;
inline constexpr int kLangAuthorId = 103;
inline constexpr int kLangVersionId = 104;
inline constexpr int kLangLinkId = 105;

// One language: the built-in (Russian) table or a language file (".lng" module) whose texts
// fall back to the built-in ones.
class TLang {
public:
    // A file language when `builtInWanted` is false and `fileName` is a loadable module;
    // otherwise the built-in language (BuiltIn() true, FileName() empty).
    TLang(const std::string& fileName, bool builtInWanted);
    virtual ~TLang();

    TLang(const TLang&) = delete;
    TLang& operator=(const TLang&) = delete;

    bool BuiltIn() const { return builtIn_; }
    const std::string& FileName() const { return fileName_; }

    // Texts 101 to 105 as read at creation; a file language takes them from its file alone,
    // so a file without 101 is named "Lang Error".
    const std::u16string& Name() const { return name_; }
    const std::u16string& Description() const { return description_; }
    const std::u16string& Author() const { return author_; }
    const std::u16string& Version() const { return version_; }
    const std::u16string& Link() const { return link_; }

    // The text of an id: the file's own text when it has one; else, unless `noFallback`,
    // the built-in text; else "Lang Error". The built-in language answers from its own table
    // either way.
    virtual std::u16string Text(int id, bool noFallback = false) const;

private:
    bool builtIn_ = false;
    std::string fileName_;
    std::u16string name_;
    std::u16string description_;
    std::u16string author_;
    std::u16string version_;
    std::u16string link_;
    std::optional<TPeStringTable> file_;
};

}  // namespace faceloom
