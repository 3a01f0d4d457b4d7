#include "app/code_page_validator.h"

namespace faceloom {

TCodePageValidator::TCodePageValidator(TCodePage codePage, QObject* parent)
    : QValidator(parent), codePage_(codePage) {}

QValidator::State TCodePageValidator::validate(QString& input, int& pos) const {
    const QString bad = Unrepresentable(input, codePage_);
    if (bad.isEmpty()) return Acceptable;
    refused_ = bad;
    return Invalid;
}

QString TCodePageValidator::Unrepresentable(const QString& text, TCodePage codePage) {
    QString bad;
    // A character fits when it comes back unchanged from the code page; a surrogate pair is
    // taken whole, so that it is reported as one character.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString one = text.mid(i, length);
        const std::u16string wide = one.toStdU16String();
        if (CodePageToUnicode(UnicodeToCodePage(wide, codePage), codePage) != wide && !bad.contains(one)) {
            bad += one;
        }
        i += length;
    }
    return bad;
}

}  // namespace faceloom
