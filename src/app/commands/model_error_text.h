#pragma once

#include <QString>
#include <array>
#include <string>

#include "model/define_decoder.h"

namespace faceloom {

class TLang;

// The text id of the reason for an error of the pack model (1701 to 1714, 1718, 1719, 2201, 2202,
// 2221, 2222).
int ModelErrorTextId(TModelError error);

// The reason in the language, then the file or folder it concerns on a line of its own (left
// out when file is empty; file is a local 8-bit path).
QString ModelErrorText(const TLang& lang, TModelError error, const std::string& file);

// The reasons of the current language, kept from one language change to the next (languages
// are loaded only for the change). Starts in the built-in language.
class TModelErrorTexts {
public:
    TModelErrorTexts();
    void ApplyLanguage(const TLang& lang);
    QString Reason(TModelError error) const;
    QString Text(TModelError error, const std::string& file) const;

private:
    std::array<QString, static_cast<size_t>(TModelError::Unexpected) + 1> reasons_;
};

}  // namespace faceloom
