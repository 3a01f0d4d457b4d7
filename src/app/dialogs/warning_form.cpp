#include "app/dialogs/warning_form.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

TWarningForm::TWarningForm(QWidget* parent) : TDialogBase("WarningForm", QSize(341, 185), true, parent) {
    heading_ = MakeLabel("TntLabel1", 20, true, false, Qt::AlignCenter);
    QPalette maroon = heading_->palette();
    maroon.setColor(QPalette::WindowText, kMaroon);
    heading_->setPalette(maroon);
    message_ = MakeLabel("TntLabel2", 20, false, true, Qt::AlignCenter);
    dontShow_ = new QCheckBox(this);
    dontShow_->setObjectName(QStringLiteral("TntCheckBox1"));
    yes_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");
    cancel_ = MakeButton(TButtonKind::Cancel, "TntBitBtn2");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(message_, 1);
    layout->addWidget(dontShow_);
    layout->addLayout(ButtonRow({yes_, cancel_}));
}

void TWarningForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 801));
    heading_->setText(LangText(lang, 802));
    message_->setText(LangText(lang, 803));
    dontShow_->setText(LangText(lang, 804));
    yes_->setText(LangText(lang, 203));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

}  // namespace faceloom
