#include "app/dialogs/code_page_validator.h"

namespace faceloom {

TCodePageValidator::TCodePageValidator(TCodePage codePage, QObject* parent)
    : QValidator(parent), codePage_(codePage) {}

QValidator::State TCodePageValidator::validate(QString& input, int& pos) const {
    QString bad;
    const unsigned refusals = Check(input, codePage_, &bad);
    if (refusals == 0) return Acceptable;
    refusals_ = refusals;
    refused_ = bad;
    return Invalid;
}

unsigned TCodePageValidator::Check(const QString& text, TCodePage codePage, QString* unrepresentable) {
    unsigned refusals = 0;
    QString bad;
    // A surrogate pair is taken whole, so that it is reported as one character.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString one = text.mid(i, length);
        i += length;
        if (one == QLatin1String(",")) {
            refusals |= kComma;
            continue;
        }
        // C0, DEL and C1; the code page may hold some of them, a definition line cannot.
        if (one.front().category() == QChar::Other_Control) {
            refusals |= kControl;
            continue;
        }
        // A character fits when it comes back unchanged from the code page.
        const std::u16string wide = one.toStdU16String();
        if (CodePageToUnicode(UnicodeToCodePage(wide, codePage), codePage) != wide) {
            refusals |= kCodePage;
            if (!bad.contains(one)) bad += one;
        }
    }
    if (unrepresentable) *unrepresentable = bad;
    return refusals;
}

QString TCodePageValidator::Unrepresentable(const QString& text, TCodePage codePage) {
    QString bad;
    Check(text, codePage, &bad);
    return bad;
}

}  // namespace faceloom
