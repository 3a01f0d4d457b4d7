#include "app/dialogs/options_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/commands/import_settings.h"
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

    adding_ = new QGroupBox(this);
    adding_->setObjectName(QStringLiteral("AddingGroup"));
    patternLabel_ = new QLabel(adding_);
    patternLabel_->setObjectName(QStringLiteral("CodePatternLabel"));
    codePattern_ = new QLineEdit(adding_);
    codePattern_->setObjectName(QStringLiteral("CodePatternEdit"));
    patternLabel_->setBuddy(codePattern_);
    sizeLabel_ = new QLabel(adding_);
    sizeLabel_->setObjectName(QStringLiteral("PictureSizeLabel"));
    auto* times = new QLabel(QStringLiteral("\u00D7"), adding_);
    times->setObjectName(QStringLiteral("PictureSizeTimes"));
    maxWidth_ = new QSpinBox(adding_);
    maxWidth_->setObjectName(QStringLiteral("MaxWidthSpin"));
    maxHeight_ = new QSpinBox(adding_);
    maxHeight_->setObjectName(QStringLiteral("MaxHeightSpin"));
    for (QSpinBox* side : {maxWidth_, maxHeight_}) side->setRange(kMinPictureSide, kMaxPictureSide);
    sizeLabel_->setBuddy(maxWidth_);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(maxWidth_);
    sizeRow->addWidget(times);
    sizeRow->addWidget(maxHeight_);
    sizeRow->addStretch(1);
    auto* addingLayout = new QVBoxLayout(adding_);
    addingLayout->addWidget(patternLabel_);
    addingLayout->addWidget(codePattern_);
    addingLayout->addWidget(sizeLabel_);
    addingLayout->addLayout(sizeRow);

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
    layout->addWidget(adding_);
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
    adding_->setTitle(LangText(lang, 2124));
    patternLabel_->setText(LangText(lang, 2125));
    sizeLabel_->setText(LangText(lang, 2126));
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
