#pragma once

#include "app/dialogs/dialog_base.h"

namespace faceloom {

// "Save changes?" before a pack is closed: Yes, No, or Cancel to keep it open.
class TQueryForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TQueryForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

private:
    QLabel* question_;
    QPushButton* yes_;
    QPushButton* no_;
    QPushButton* cancel_;
};

}  // namespace faceloom
