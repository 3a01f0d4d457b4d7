#include "app/dialogs/import_forms.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/dialog_look.h"
#include "lang/lang.h"

namespace faceloom {

namespace {

constexpr int kImportTitle = 2150;
constexpr int kImportQuestion = 2151;
constexpr int kNewPack = 2152;
constexpr int kCurrentPack = 2153;

}  // namespace

TImportTargetForm::TImportTargetForm(QWidget* parent)
    : TDialogBase("ImportTargetForm", QSize(380, 120), true, parent) {
    question_ = MakeLabel("QuestionLabel", kDialogFontPixels, false, true);
    newPack_ = MakeButton(TButtonKind::Yes, "NewPackButton");
    currentPack_ = MakeButton(TButtonKind::No, "CurrentPackButton");
    cancel_ = MakeButton(TButtonKind::Cancel, "CancelButton");
    // Not the "no" glyph: both answers import, only into another pack.
    currentPack_->setIcon(Glyph(QStringLiteral("ok")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question_, 1);
    layout->addLayout(ButtonRow({newPack_, currentPack_, cancel_}));
}

void TImportTargetForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, kImportTitle));
    pattern_ = LangText(lang, kImportQuestion);
    newPack_->setText(LangText(lang, kNewPack));
    currentPack_->setText(LangText(lang, kCurrentPack));
    cancel_->setText(LangText(lang, 202));
    // The question wraps, so the buttons alone hold the window wide enough for their texts.
    for (QPushButton* button : {newPack_, currentPack_, cancel_}) {
        button->setMinimumWidth(0);
        button->setMinimumWidth(std::max(75, button->sizeHint().width()));
    }
    ShowQuestion();
    FitToContents();
}

void TImportTargetForm::SetSource(const QString& source) {
    source_ = source;
    ShowQuestion();
}

void TImportTargetForm::ShowQuestion() {
    question_->setText(
        QString::fromStdU16String(FillPlaceholders(pattern_.toStdU16String(), {source_.toStdString()})));
}

TMessagesForm::TMessagesForm(QWidget* parent) : TDialogBase("MessagesForm", QSize(480, 150), false, parent) {
    text_ = MakeLabel("MessageLabel", kDialogFontPixels, false, true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    list_ = new QPlainTextEdit(this);
    list_->setObjectName("LineList");
    list_->setReadOnly(true);
    // A long sentence wraps between words, so it is read whole without scrolling sideways;
    // a file name (one word) is never broken.
    list_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    list_->setWordWrapMode(QTextOption::WordWrap);
    list_->setTabChangesFocus(true);
    ok_ = MakeButton(TButtonKind::Ok, "OkButton");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(list_, 1);
    layout->addLayout(ButtonRow({ok_}));
    SetMinimumDesignSize(QSize(320, 120));
    list_->hide();
}

void TMessagesForm::ApplyLanguage(const TLang& lang) {
    ok_->setText(LangText(lang, 201));
    FitToContents();
}

void TMessagesForm::SetMessage(const QString& title, const QString& text, const QStringList& lines) {
    setWindowTitle(title);
    text_->setText(text);
    lines_ = lines;
    list_->setPlainText(lines.join('\n'));
    list_->setVisible(!lines.isEmpty());
    if (!lines.isEmpty()) {
        // Tall enough for a few lines; the list scrolls for more.
        const int shown = std::min<int>(static_cast<int>(lines.size()), 12);
        list_->setMinimumHeight(list_->fontMetrics().lineSpacing() * shown + 12);
    } else {
        list_->setMinimumHeight(0);
    }
    FitToContents();
}

QString TMessagesForm::Text() const {
    return text_->text();
}

}  // namespace faceloom
