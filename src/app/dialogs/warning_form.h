#pragma once

#include "app/dialogs/dialog_base.h"

class QCheckBox;

namespace faceloom {

// The confirmation before an irreversible deletion, with the box that turns such questions off.
class TWarningForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TWarningForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // "Do not show warnings again"; the caller clears it before showing and reads it after.
    QCheckBox* DontShowAgain() const { return dontShow_; }

private:
    QLabel* heading_;
    QLabel* message_;
    QCheckBox* dontShow_;
    QPushButton* yes_;
    QPushButton* cancel_;
};

}  // namespace faceloom
