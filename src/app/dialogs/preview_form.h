#pragma once

#include <QIcon>

#include "app/dialogs/dialog_base.h"

namespace faceloom {

class TSmileLabel;

// One smile stretched to the window, with start/pause, frame stepping and a frame counter.
// The caller gives the label a label smile instance before showing and takes it away after.
// The animation's running or paused state carries over from one preview to the next.
class TPreviewForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // Activates the label while the dialog runs.
    int ShowModal() override;

    TSmileLabel* Label() const { return label_; }

    // Start/pause is enabled for a picture of several frames, its caption and glyph follow
    // the animation; stepping is enabled while the animation is stopped.
    void UpdateButtons();
    // Rewrites "N of M" from the smile's current frame.
    void UpdateCounter();

private:
    void StartPauseClick();
    void Step(bool forward);

    TSmileLabel* label_;
    QPushButton* startPause_;
    QPushButton* next_;
    QPushButton* previous_;
    QLabel* counter_;
    // The glyphs of the start/pause button: 0 while running (pause), 1 while stopped (start).
    QIcon imageList_[2];
    QString start_;
    QString pause_;
    QString of_;
};

}  // namespace faceloom
