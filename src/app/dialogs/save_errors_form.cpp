#include "app/dialogs/save_errors_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/commands/ids.h"
#include "app/dialogs/dialog_look.h"

namespace faceloom {

TSaveErrorsForm::TSaveErrorsForm(QWidget* parent)
    : TDialogBase("SaveErrorsForm", QSize(343, 328), true, parent) {
    heading_ = MakeLabel("TntLabel1", 20, false, false, Qt::AlignCenter);
    QPalette maroon = heading_->palette();
    maroon.setColor(QPalette::WindowText, kMaroon);
    heading_->setPalette(maroon);
    intro_ = MakeLabel("TntLabel2", 20, false, true);
    static const char* const kNames[] = {"TntLabel3", "TntLabel5", "TntLabel7", "DuplicatesLabel"};
    static const char* const kCounts[] = {"TntLabel4", "TntLabel6", "TntLabel8", "DuplicatesCount"};
    auto* grid = new QGridLayout;
    grid->setContentsMargins(16, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    for (int row = 0; row < 4; ++row) {
        names_[row] = MakeLabel(kNames[row], 16);
        counts_[row] = MakeLabel(kCounts[row], 16, true);
        grid->addWidget(names_[row], row, 0);
        grid->addWidget(counts_[row], row, 1);
    }
    grid->setColumnStretch(1, 1);
    warning_ = MakeLabel("TntLabel9", 20, false, true);
    question_ = MakeLabel("TntLabel10", 20, false, true);
    yes_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");
    no_ = MakeButton(TButtonKind::Cancel, "TntBitBtn2");
    // Leaves without saving, as "No" does, for the report that says where the problems are.
    show_ = new QPushButton(this);
    show_->setObjectName("ShowButton");
    // The look of the other "show" button of the program, the one of an existing signature.
    show_->setIcon(Glyph(QStringLiteral("help")));
    show_->setMinimumSize(no_->minimumSize());
    show_->setAutoDefault(true);
    connect(show_, &QPushButton::clicked, this, [this] {
        showChosen_ = true;
        done(kResultCancel);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(intro_);
    layout->addLayout(grid);
    layout->addWidget(warning_);
    layout->addWidget(question_);
    layout->addStretch(1);
    layout->addLayout(ButtonRow({yes_, no_, show_}));
    SetCounts(0, 0, 0, 0);
}

void TSaveErrorsForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 1401));
    heading_->setText(LangText(lang, 1402));
    intro_->setText(LangText(lang, 1403));
    for (int row = 0; row < 3; ++row) names_[row]->setText(LangText(lang, 1404 + row));
    names_[3]->setText(LangText(lang, kTextDuplicateSignatures));
    warning_->setText(LangText(lang, 1407));
    question_->setText(LangText(lang, 1408));
    yes_->setText(LangText(lang, 203));
    no_->setText(LangText(lang, 204));
    show_->setText(LangText(lang, kTextShowCheck));
    FitToContents();
}

int TSaveErrorsForm::ShowModal() {
    showChosen_ = false;
    return TDialogBase::ShowModal();
}

void TSaveErrorsForm::SetCounts(int loadErrors, int missingFiles, int withoutSignatures, int duplicates) {
    const int counts[] = {loadErrors, missingFiles, withoutSignatures, duplicates};
    for (int row = 0; row < 4; ++row) counts_[row]->setText(QString::number(counts[row]));
}

}  // namespace faceloom
