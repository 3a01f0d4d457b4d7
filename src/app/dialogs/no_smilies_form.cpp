#include "app/dialogs/no_smilies_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

TNoSmiliesForm::TNoSmiliesForm(QWidget* parent)
    : TDialogBase("NoSmiliesForm", QSize(341, 142), true, parent) {
    message_ = MakeLabel("TntLabel1", 20, false, true, Qt::AlignCenter);
    ok_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_, 1);
    layout->addLayout(ButtonRow({ok_}));
}

void TNoSmiliesForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 1601));
    message_->setText(LangText(lang, 1602));
    ok_->setText(LangText(lang, 201));
    FitToContents();
}

}  // namespace faceloom
