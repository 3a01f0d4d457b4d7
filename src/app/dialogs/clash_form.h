#pragma once

#include <QPixmap>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs/dialog_base.h"
#include "convert/pack_import.h"

class QComboBox;
class QGridLayout;
class QLineEdit;
class QScrollArea;

namespace faceloom {

// The signatures of an import that the pack (or an earlier picture of the batch) has already:
// one row per clash with the new picture and its name, the signature, whom it clashes with
// (with that smile's picture) and what to do (keep it for the old smile, rename the new one's
// to a signature the user may type, skip the new picture), buttons that choose the same for
// every row, OK and Cancel (Cancel: nothing is added).
class TClashForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TClashForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // One row per clash of plan, each showing the plan's choice; smileLabel(i) is smile i's
    // label as the grid shows it, smilePicture(i) the bytes of its picture file.
    void SetClashes(const TImportPlan& plan, const std::function<QString(int32_t)>& smileLabel,
                    const std::function<std::vector<uint8_t>(int32_t)>& smilePicture = {});
    // The rows' choices, in the plan's clash order.
    std::vector<TClashChoice> Choices() const;
    // Every row at once, as the buttons do.
    void ChooseAll(TClashChoice choice);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    QComboBox* ChoiceBox(int row) const;
    // The signature Rename gives the row's new smile: the plan's, or what the user typed.
    QString Renamed(int row) const;
    QLineEdit* RenamedEdit(int row) const;

private:
    struct TRow {
        QString Name;     // the new picture
        QString Code;     // the clashing signature
        QString Renamed;  // what Rename makes of it
        int32_t Smile = -1;
        QString Other;  // the smile's label, or the earlier new picture's name
        TClashChoice Choice = TClashChoice::Rename;
        QPixmap NewPicture;
        QPixmap OtherPicture;
    };
    void Fill();
    void ShowTexts();

    QLabel* intro_;
    QScrollArea* scroll_;
    QWidget* table_;
    QGridLayout* grid_;
    std::vector<QLabel*> headers_;
    std::vector<QWidget*> cells_;  // made by Fill, freed by the next
    std::vector<QComboBox*> boxes_;
    std::vector<QLineEdit*> edits_;
    std::vector<QWidget*> rowExtras_;  // the pictures and edits, made by Fill, freed by the next
    QPushButton* keepAll_;
    QPushButton* renameAll_;
    QPushButton* skipAll_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::vector<TRow> rows_;
    int stretchRow_ = 1;
    // The language's texts the rows are made of.
    QString keep_, rename_, skip_, smileText_, newText_;
};

}  // namespace faceloom
