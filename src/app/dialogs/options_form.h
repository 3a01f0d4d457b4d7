#pragma once

#include "app/dialogs/dialog_base.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace faceloom {

class TLangManager;

// The options: closing the pack at exit, warnings, how pictures from outside are added (the
// signature made of a file name, the largest picture), and the language, which applies at once
// to every window (this one included) as soon as another entry is chosen.
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
    QLineEdit* CodePattern() const { return codePattern_; }
    QSpinBox* MaxWidth() const { return maxWidth_; }
    QSpinBox* MaxHeight() const { return maxHeight_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LanguageChosen(int index);

    TLangManager* manager_ = nullptr;
    QGroupBox* general_;
    QCheckBox* closeOnExit_;
    QCheckBox* showWarnings_;
    QGroupBox* adding_;
    QLabel* patternLabel_;
    QLineEdit* codePattern_;
    QLabel* sizeLabel_;
    QSpinBox* maxWidth_;
    QSpinBox* maxHeight_;
    QGroupBox* language_;
    QComboBox* languages_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace faceloom
