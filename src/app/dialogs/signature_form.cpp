#include "app/dialogs/signature_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/code_page_validator.h"
#include "app/dialogs/dialog_look.h"
#include "lang/builtin_texts.h"

namespace faceloom {

namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

const char* CodePageName(TCodePage codePage) {
    return codePage == TCodePage::Windows1252 ? "Windows-1252" : "Windows-1251";
}

// The notes on what a signature cannot hold: a comma, a control character, characters the code
// page lacks.
constexpr int kNoteIds[3] = {1715, 1716, 1717};

}  // namespace

TSignatureForm::TSignatureForm(QWidget* parent, TCodePage codePage)
    : TDialogBase("SignatureForm", QSize(363, 146), true, parent), codePage_(codePage) {
    caption_ = MakeLabel("TntLabel1", 16, true);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("Edit1"));
    validator_ = new TCodePageValidator(codePage, edit_);
    edit_->setValidator(validator_);
    hint_ = MakeLabel("CodePageHint", kDialogFontPixels, false, true);
    QPalette maroon = hint_->palette();
    maroon.setColor(QPalette::WindowText, kMaroon);
    hint_->setPalette(maroon);
    // The hint comes and goes without moving the buttons.
    QSizePolicy keep = hint_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    hint_->setSizePolicy(keep);
    hint_->hide();
    for (int i = 0; i < 3; ++i)
        notes_[i] = QString::fromStdU16String(std::u16string(BuiltinText(kNoteIds[i])));
    ok_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");
    cancel_ = MakeButton(TButtonKind::Cancel, "TntBitBtn2");
    connect(edit_, &QLineEdit::inputRejected, this, &TSignatureForm::ShowRefused);
    connect(edit_, &QLineEdit::textEdited, hint_, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(edit_);
    layout->addWidget(hint_);
    layout->addStretch(1);
    layout->addLayout(ButtonRow({ok_, cancel_}));
}

void TSignatureForm::ApplyLanguage(const TLang& lang) {
    caption_->setText(LangText(lang, 901));
    for (int i = 0; i < 3; ++i) notes_[i] = LangText(lang, kNoteIds[i]);
    ok_->setText(LangText(lang, 201));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

void TSignatureForm::SetSignature(const std::string& bytes) {
    SetText(QString::fromStdU16String(CodePageToUnicode(bytes, codePage_)));
}

std::string TSignatureForm::Signature() const {
    return UnicodeToCodePage(Text().toStdU16String(), codePage_);
}

void TSignatureForm::SetText(const QString& text) {
    // The caller's text passes the same check as typing: what cannot be stored is left out.
    QString kept;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString one = text.mid(i, length);
        if (TCodePageValidator::Check(one, codePage_) == 0) kept += one;
        i += length;
    }
    edit_->setText(kept);
    hint_->hide();
}

QString TSignatureForm::Text() const {
    return edit_->text();
}

QString TSignatureForm::Trimmed(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.mid(first, last - first);
}

void TSignatureForm::done(int result) {
    const QString trimmed = Trimmed(edit_->text());
    if (trimmed != edit_->text()) edit_->setText(trimmed);
    TDialogBase::done(result);
}

QWidget* TSignatureForm::DefaultControl() const {
    return edit_;
}

void TSignatureForm::showEvent(QShowEvent* event) {
    TDialogBase::showEvent(event);
    hint_->hide();
    edit_->setFocus(Qt::OtherFocusReason);
    edit_->selectAll();
}

void TSignatureForm::ShowRefused() {
    // One line per reason; the characters the code page lacks are shown with their code points
    // too, for when no font can draw them.
    QStringList lines;
    const unsigned refusals = validator_->Refusals();
    if (refusals & TCodePageValidator::kComma) lines << notes_[0];
    if (refusals & TCodePageValidator::kControl) lines << notes_[1];
    if (refusals & TCodePageValidator::kCodePage) {
        QStringList shown;
        for (const char32_t c : validator_->Refused().toUcs4()) {
            shown << QStringLiteral("\u00AB%1\u00BB U+%2")
                         .arg(QString::fromUcs4(&c, 1),
                              QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
        }
        lines << QStringLiteral("%1 (%2): %3")
                     .arg(notes_[2], QLatin1String(CodePageName(codePage_)),
                          shown.join(QStringLiteral(", ")));
    }
    hint_->setText(lines.join(QLatin1Char('\n')));
    hint_->show();
}

}  // namespace faceloom
