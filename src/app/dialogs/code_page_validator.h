#pragma once

#include <QValidator>

#include "platform/code_page.h"

namespace faceloom {

// Accepts only text that a signature can hold, so that what is typed or pasted is stored and
// read back as it is: characters the 8-bit code page has (others would turn into question
// marks), no "," (it separates the signatures of a definition line) and no control character
// (a line break would split the line, Ctrl-Z end the file).
class TCodePageValidator : public QValidator {
    Q_OBJECT
public:
    // Why text was refused: a set of these bits.
    enum TRefusal : unsigned { kComma = 1, kControl = 2, kCodePage = 4 };

    explicit TCodePageValidator(TCodePage codePage, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

    // The reasons of the last refused input, and the characters the code page could not hold
    // in it, each once.
    unsigned Refusals() const { return refusals_; }
    QString Refused() const { return refused_; }

    // The reasons text would be refused for (0: none); unrepresentable receives the characters
    // the code page cannot hold, each once, in order.
    static unsigned Check(const QString& text, TCodePage codePage, QString* unrepresentable = nullptr);
    // The characters of text that the code page cannot hold, each once, in order.
    static QString Unrepresentable(const QString& text, TCodePage codePage);

private:
    TCodePage codePage_;
    mutable unsigned refusals_ = 0;
    mutable QString refused_;
};

}  // namespace faceloom
