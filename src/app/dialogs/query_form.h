#pragma once

#include "app/dialogs/dialog_base.h"

namespace faceloom {

// "Save changes to «pack»?" before a changed pack is closed: Yes, No, or Cancel to keep it open.
class TQueryForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TQueryForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;
    // The pack the question is about, as the user knows it (its folder's name); empty: a pack
    // without a folder, asked about without a name.
    void SetPackName(const QString& name);

private:
    void ShowQuestion();

    QLabel* question_;
    QPushButton* yes_;
    QPushButton* no_;
    QPushButton* cancel_;
    QString packName_;
    QString plainText_ = QStringLiteral("?");
    QString namedText_ = QStringLiteral("%1?");
};

}  // namespace faceloom
