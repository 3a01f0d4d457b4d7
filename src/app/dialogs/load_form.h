#pragma once

#include "app/dialogs/dialog_base.h"

class QLabel;
class QProgressBar;

namespace faceloom {

// The progress window of opening and saving packs: the current phase, the file being
// processed, the error count and a progress bar. Shown without being modal; its close box
// only hides it. Work that can stop halfway (an import) shows it with Cancel: then Cancel,
// Escape or the close box ask the work to stop (the caller keeps the other windows from
// taking input meanwhile).
class TLoadForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TLoadForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // Fits, centres and shows the window without a modal loop.
    void ShowProgress();

    void SetPhaseText(const QString& text);
    // A long path is shortened in the middle to the window's width; the whole name is its hint.
    void SetFileText(const QString& text);
    void SetErrorCount(int count);
    void SetProgressRange(int minimum, int maximum);
    void SetProgressPosition(int position);
    // Shows or hides Cancel (and clears an earlier request to stop).
    void SetCancellable(bool cancellable);
    bool Cancellable() const { return cancellable_; }
    // Cancel was asked for since the window was made cancellable.
    bool CancelRequested() const { return cancelRequested_; }

    QString FileText() const { return fileText_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowFileText();

    QLabel* caption_[3];
    QLabel* value_[3];
    QProgressBar* progress_;
    QPushButton* cancel_;
    QString fileText_;
    bool cancellable_ = false;
    bool cancelRequested_ = false;
};

}  // namespace faceloom
