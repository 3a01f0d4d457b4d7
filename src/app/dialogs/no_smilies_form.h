#pragma once

#include "app/dialogs/dialog_base.h"

namespace faceloom {

// The notice after opening a folder without a single picture of the pack's type.
class TNoSmiliesForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TNoSmiliesForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

private:
    QLabel* message_;
    QPushButton* ok_;
};

}  // namespace faceloom
