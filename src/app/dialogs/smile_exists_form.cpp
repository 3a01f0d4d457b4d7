#include "app/dialogs/smile_exists_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

TSmileExistsForm::TSmileExistsForm(QWidget* parent)
    : TDialogBase("SmileExistsForm", QSize(350, 157), true, parent) {
    message_ = MakeLabel("TntLabel1", 20, false, true, Qt::AlignCenter);
    ok_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");
    show_ = MakeButton(TButtonKind::Help, "TntBitBtn2");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_, 1);
    layout->addLayout(ButtonRow({ok_, show_}));
}

void TSmileExistsForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 1001));
    message_->setText(LangText(lang, 1002));
    ok_->setText(LangText(lang, 201));
    show_->setText(LangText(lang, 1003));
    FitToContents();
}

}  // namespace faceloom
