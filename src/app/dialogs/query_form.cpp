#include "app/dialogs/query_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

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
    question_->setText(LangText(lang, 1301));
    yes_->setText(LangText(lang, 203));
    no_->setText(LangText(lang, 204));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

}  // namespace faceloom
