#include "app/dialogs/error_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

TErrorForm::TErrorForm(QWidget* parent) : TDialogBase("ErrorForm", QSize(341, 159), true, parent) {
    message_ = MakeLabel("TntLabel1", 20, false, true, Qt::AlignCenter);
    ok_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_, 1);
    layout->addLayout(ButtonRow({ok_}));
}

void TErrorForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 701));
    message_->setText(LangText(lang, 702));
    ok_->setText(LangText(lang, 201));
    FitToContents();
}

}  // namespace faceloom
