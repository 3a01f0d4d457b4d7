#pragma once

#include "app/dialogs/dialog_base.h"

namespace faceloom {

// Tells that a signature exists already. OK ends the command; every other way out (the
// "show signature" button, Escape, the close box) shows the existing signature.
class TSmileExistsForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TSmileExistsForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

private:
    QLabel* message_;
    QPushButton* ok_;
    QPushButton* show_;
};

}  // namespace faceloom
