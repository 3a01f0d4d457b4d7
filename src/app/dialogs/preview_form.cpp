#include "app/dialogs/preview_form.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"

namespace faceloom {

TPreviewForm::TPreviewForm(QWidget* parent) : TDialogBase("PreviewForm", QSize(350, 442), false, parent) {
    SetMinimumDesignSize(QSize(0, 126));
    // A soft sunken border around the white picture.
    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label_ = new TSmileLabel(border);
    label_->setObjectName(QStringLiteral("SmileLabel1"));
    label_->SetColor(0xFFFFFF);
    label_->SetStretch(true);
    label_->SetAnimate(true);
    label_->SetAllowHotTrack(false);
    label_->SetAlwaysHotTrack(false);
    label_->SetHotTrackColor(16773360);
    label_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    label_->OnNextFrame = [this](QObject*) { UpdateCounter(); };
    auto* borderLayout = new QVBoxLayout(border);
    borderLayout->setContentsMargins(1, 1, 1, 1);
    borderLayout->addWidget(label_);

    imageList_[0] = Glyph(QStringLiteral("pause"));
    imageList_[1] = Glyph(QStringLiteral("play"));
    startPause_ = new QPushButton(this);
    startPause_->setObjectName(QStringLiteral("TntBitBtn1"));
    next_ = new QPushButton(this);
    next_->setObjectName(QStringLiteral("TntBitBtn2"));
    next_->setIcon(Glyph(QStringLiteral("next")));
    previous_ = new QPushButton(this);
    previous_->setObjectName(QStringLiteral("TntBitBtn3"));
    previous_->setIcon(Glyph(QStringLiteral("previous")));
    for (QPushButton* button : {startPause_, next_, previous_}) {
        button->setMinimumSize(75, 25);
        button->setAutoDefault(true);  // Enter presses the focused one, as Space does
    }
    connect(startPause_, &QPushButton::clicked, this, &TPreviewForm::StartPauseClick);
    connect(next_, &QPushButton::clicked, this, [this] { Step(true); });
    connect(previous_, &QPushButton::clicked, this, [this] { Step(false); });

    counter_ = MakeLabel("TntPanel1", kDialogFontPixels, true, false, Qt::AlignCenter);
    counter_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    counter_->setMinimumHeight(22);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(previous_);
    buttons->addWidget(startPause_);
    buttons->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(border, 1);
    auto* controls = new QVBoxLayout;
    controls->setContentsMargins(6, 0, 6, 0);
    controls->addWidget(counter_);
    controls->addLayout(buttons);
    layout->addLayout(controls);
}

void TPreviewForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 1101));
    start_ = LangText(lang, 1102);
    pause_ = LangText(lang, 1103);
    next_->setText(LangText(lang, 1104));
    previous_->setText(LangText(lang, 1105));
    of_ = LangText(lang, 1106);
    UpdateButtons();
    UpdateCounter();
    FitToContents();
}

int TPreviewForm::ShowModal() {
    UpdateButtons();
    UpdateCounter();
    label_->SetActive(true);
    const int result = TDialogBase::ShowModal();
    label_->SetActive(false);
    return result;
}

void TPreviewForm::UpdateButtons() {
    const TSmileLabelSmile* smile = label_->Smile();
    const bool running = label_->Animate();
    startPause_->setEnabled(smile && smile->GetFrameCount() > 1);
    startPause_->setText(running ? pause_ : start_);
    startPause_->setIcon(imageList_[running ? 0 : 1]);
    next_->setEnabled(!running);
    previous_->setEnabled(!running);
}

void TPreviewForm::UpdateCounter() {
    const TSmileLabelSmile* smile = label_->Smile();
    const int frames = smile ? smile->GetFrameCount() : 0;
    // No picture, no frame to count: "0 of 0" rather than a frame that is not there.
    const int frame = frames > 0 ? std::min(smile->FrameIndex.load(), frames - 1) + 1 : 0;
    counter_->setText(QStringLiteral("%1 %2 %3").arg(frame).arg(of_).arg(frames));
}

void TPreviewForm::StartPauseClick() {
    label_->SetAnimate(!label_->Animate());
    UpdateButtons();
}

void TPreviewForm::Step(bool forward) {
    TSmileLabelSmile* smile = label_->Smile();
    if (!smile || label_->Animate()) return;
    if (forward) {
        smile->NextFrame();
    } else {
        smile->PrevFrame();
    }
    smile->FrameChanged();
}

}  // namespace faceloom
