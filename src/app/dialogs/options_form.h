#pragma once

#include "app/dialogs/dialog_base.h"

class QCheckBox;
class QComboBox;
class QGroupBox;

namespace faceloom {

class TLangManager;

// The options: closing the pack at exit, warnings, and the language, which applies at once to
// every window (this one included) as soon as another entry is chosen.
class TOptionsForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // Not owned; set by the caller before showing. None leaves the list empty.
    void SetLanguageManager(TLangManager* manager) { manager_ = manager; }
    TLangManager* LanguageManager() const { return manager_; }

    // Lists the manager's languages and selects the current one (done on every showing).
    void FillLanguages();

    QCheckBox* CloseOnExit() const { return closeOnExit_; }
    QCheckBox* ShowWarnings() const { return showWarnings_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LanguageChosen(int index);

    TLangManager* manager_ = nullptr;
    QGroupBox* general_;
    QCheckBox* closeOnExit_;
    QCheckBox* showWarnings_;
    QGroupBox* language_;
    QComboBox* languages_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace faceloom
