#pragma once

#include "app/dialogs/dialog_base.h"

namespace faceloom {

// The start-up error: the storage is held by another instance of the program.
class TErrorForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TErrorForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

private:
    QLabel* message_;
    QPushButton* ok_;
};

}  // namespace faceloom
