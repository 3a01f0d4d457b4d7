#include "app/dialogs/load_form.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

TLoadForm::TLoadForm(QWidget* parent) : TDialogBase("LoadForm", QSize(400, 183), true, parent) {
    setModal(false);
    const QFont font = DialogFont(18, true, kSerifFontFamily);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    for (int row = 0; row < 3; ++row) {
        caption_[row] = new QLabel(this);
        caption_[row]->setObjectName(QStringLiteral("TntLabel%1").arg(row + 1));
        value_[row] = new QLabel(this);
        value_[row]->setObjectName(QStringLiteral("TntLabel%1").arg(row + 4));
        for (QLabel* label : {caption_[row], value_[row]}) label->setFont(font);
        // Values follow the work and must not make the window jump while it runs.
        value_[row]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        value_[row]->setMinimumHeight(value_[row]->fontMetrics().height());
        grid->addWidget(caption_[row], row, 0);
        grid->addWidget(value_[row], row, 1);
    }
    grid->setColumnStretch(1, 1);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setTextVisible(false);
    progress_->setMinimumHeight(18);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(progress_);
    cancel_ = MakeButton(TButtonKind::Cancel, "CancelButton");
    // Its click only asks; the work stops at its next step and hides the window itself.
    disconnect(cancel_, nullptr, this, nullptr);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });
    cancel_->hide();
    layout->addLayout(ButtonRow({cancel_}));
    SetErrorCount(0);
}

void TLoadForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 501));
    for (int row = 0; row < 3; ++row) caption_[row]->setText(LangText(lang, 502 + row));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

void TLoadForm::ShowProgress() {
    if (!isVisible()) {
        FitToContents();
        CentreOnScreen();
    }
    show();
    raise();
    ShowFileText();
}

void TLoadForm::SetPhaseText(const QString& text) {
    value_[0]->setText(text);
}

void TLoadForm::SetFileText(const QString& text) {
    fileText_ = text;
    value_[1]->setToolTip(text);
    ShowFileText();
}

void TLoadForm::SetErrorCount(int count) {
    value_[2]->setText(QString::number(count));
}

void TLoadForm::SetProgressRange(int minimum, int maximum) {
    progress_->setRange(minimum, maximum);
}

void TLoadForm::SetProgressPosition(int position) {
    progress_->setValue(position);
}

void TLoadForm::SetCancellable(bool cancellable) {
    cancellable_ = cancellable;
    cancelRequested_ = false;
    cancel_->setVisible(cancellable);
}

void TLoadForm::reject() {
    // Escape cancels work that can stop; otherwise it leaves the window as it is.
    if (cancellable_) cancelRequested_ = true;
}

void TLoadForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (cancellable_) {
        cancelRequested_ = true;
        return;
    }
    hide();
}

void TLoadForm::resizeEvent(QResizeEvent* event) {
    TDialogBase::resizeEvent(event);
    ShowFileText();
}

void TLoadForm::ShowFileText() {
    QLabel* label = value_[1];
    label->setText(label->fontMetrics().elidedText(fileText_, Qt::ElideMiddle, std::max(0, label->width())));
}

}  // namespace faceloom
