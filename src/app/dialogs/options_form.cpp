#include "app/dialogs/options_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"
#include "lang/lang_manager.h"

namespace faceloom {

TOptionsForm::TOptionsForm(QWidget* parent) : TDialogBase("OptionsForm", QSize(319, 236), true, parent) {
    general_ = new QGroupBox(this);
    general_->setObjectName(QStringLiteral("TntGroupBox1"));
    closeOnExit_ = new QCheckBox(general_);
    closeOnExit_->setObjectName(QStringLiteral("TntCheckBox1"));
    showWarnings_ = new QCheckBox(general_);
    showWarnings_->setObjectName(QStringLiteral("TntCheckBox2"));
    auto* generalLayout = new QVBoxLayout(general_);
    generalLayout->addWidget(closeOnExit_);
    generalLayout->addWidget(showWarnings_);

    language_ = new QGroupBox(this);
    language_->setObjectName(QStringLiteral("TntGroupBox2"));
    languages_ = new QComboBox(language_);
    languages_->setObjectName(QStringLiteral("TntComboBox1"));
    languages_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* languageLayout = new QVBoxLayout(language_);
    languageLayout->addWidget(languages_);
    // Only the user's choice applies a language; filling the list does not.
    connect(languages_, &QComboBox::activated, this, &TOptionsForm::LanguageChosen);

    ok_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");
    cancel_ = MakeButton(TButtonKind::Cancel, "TntBitBtn2");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general_);
    layout->addWidget(language_);
    layout->addStretch(1);
    layout->addLayout(ButtonRow({ok_, cancel_}));
}

void TOptionsForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 1501));
    general_->setTitle(LangText(lang, 1502));
    language_->setTitle(LangText(lang, 1503));
    closeOnExit_->setText(LangText(lang, 1504));
    showWarnings_->setText(LangText(lang, 1505));
    ok_->setText(LangText(lang, 201));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

void TOptionsForm::FillLanguages() {
    languages_->clear();
    if (!manager_) return;
    for (int i = 0; i < manager_->LanguageCount(); ++i) {
        languages_->addItem(QString::fromStdU16String(manager_->GetLanguage(i)->Name()));
    }
    languages_->setCurrentIndex(manager_->CurrentIndex());
    FitToContents();
}

void TOptionsForm::showEvent(QShowEvent* event) {
    FillLanguages();
    TDialogBase::showEvent(event);
}

void TOptionsForm::LanguageChosen(int index) {
    if (manager_ && index >= 0 && index != manager_->CurrentIndex()) manager_->SelectByIndex(index);
}

}  // namespace faceloom
