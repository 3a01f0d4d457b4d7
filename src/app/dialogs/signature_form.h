#pragma once

#include <QString>
#include <string>

#include "app/dialogs/dialog_base.h"
#include "platform/code_page.h"

class QLineEdit;

namespace faceloom {

class TCodePageValidator;

// Asks for a signature text (adding, editing and finding). The text stays between uses, and
// OK or Cancel leave it trimmed of blanks and control characters at both ends. The edit box
// refuses, as it is typed or pasted, what a signature cannot hold (a comma, a control character,
// characters the pack code page lacks) and says why in the language's words.
class TSignatureForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TSignatureForm(QWidget* parent = nullptr, TCodePage codePage = TCodePage::Windows1251);

    void ApplyLanguage(const TLang& lang) override;

    // The caption is the caller's: adding, finding or editing.
    void SetCaption(const QString& caption) { setWindowTitle(caption); }

    // The signature as bytes of the code page, and as text.
    void SetSignature(const std::string& bytes);
    std::string Signature() const;
    void SetText(const QString& text);
    QString Text() const;

    // Leading and trailing characters up to the space, and DEL, removed.
    static QString Trimmed(const QString& text);

    void done(int result) override;
    // The signature is what the user came to type.
    QWidget* DefaultControl() const override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowRefused();

    TCodePage codePage_;
    QLabel* caption_;
    QLineEdit* edit_;
    TCodePageValidator* validator_;
    QLabel* hint_;
    QString notes_[3];  // comma, control character, code page
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace faceloom
