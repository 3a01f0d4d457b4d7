#pragma once

#include <QValidator>

#include "platform/code_page.h"

namespace faceloom {

// Accepts only text that an 8-bit code page can hold, so that what is typed or pasted can be
// stored as its bytes without turning into question marks.
class TCodePageValidator : public QValidator {
    Q_OBJECT
public:
    explicit TCodePageValidator(TCodePage codePage, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

    // The characters of the last refused input that the code page cannot hold, each once.
    QString Refused() const { return refused_; }

    // The characters of text that the code page cannot hold, each once, in order.
    static QString Unrepresentable(const QString& text, TCodePage codePage);

private:
    TCodePage codePage_;
    mutable QString refused_;
};

}  // namespace faceloom
