#pragma once

#include "app/dialogs/dialog_base.h"

namespace faceloom {

// The error report before saving a pack with errors: "Yes" saves anyway, "No" (Cancel) does not.
class TSaveErrorsForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TSaveErrorsForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // duplicates: signatures that the check finds on more than one smile (only the first works).
    void SetCounts(int loadErrors, int missingFiles, int withoutSignatures, int duplicates = 0);

    int ShowModal() override;
    // The last run ended with "Show": not saved, and the user wants to see where the problems are.
    bool ShowChosen() const { return showChosen_; }

private:
    QLabel* heading_;
    QLabel* intro_;
    QLabel* names_[4];
    QLabel* counts_[4];
    QLabel* warning_;
    QLabel* question_;
    QPushButton* yes_;
    QPushButton* no_;
    QPushButton* show_;
    bool showChosen_ = false;
};

}  // namespace faceloom
