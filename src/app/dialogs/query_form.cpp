#include "app/dialogs/query_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

namespace {

// "Save changes to «%1»?": the pack's name.
constexpr int kTextSaveChangesTo = 2341;

}  // namespace

TQueryForm::TQueryForm(QWidget* parent) : TDialogBase("QueryForm", QSize(331, 108), true, parent) {
    question_ = MakeLabel("TntLabel1", 16, true, false, Qt::AlignCenter);
    yes_ = MakeButton(TButtonKind::Yes, "TntBitBtn1");
    no_ = MakeButton(TButtonKind::No, "TntBitBtn2");
    cancel_ = MakeButton(TButtonKind::Cancel, "TntBitBtn3");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question_, 1);
    layout->addLayout(ButtonRow({yes_, no_, cancel_}));
}

void TQueryForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 401));
    plainText_ = LangText(lang, 1301);
    namedText_ = LangText(lang, kTextSaveChangesTo);
    ShowQuestion();
    yes_->setText(LangText(lang, 203));
    no_->setText(LangText(lang, 204));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

void TQueryForm::SetPackName(const QString& name) {
    packName_ = name;
    ShowQuestion();
    FitToContents();
}

void TQueryForm::ShowQuestion() {
    // QString::arg would read a "%1" inside the name as a place of its own.
    question_->setText(packName_.isEmpty() ? plainText_
                                           : QString(namedText_).replace(QStringLiteral("%1"), packName_));
}

}  // namespace faceloom
