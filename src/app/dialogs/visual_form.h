#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>
#include <functional>

#include "app/dialogs/dialog_base.h"

class QLineEdit;

namespace faceloom {

class TColorSwatch;
class TSmileLabel;

// The grid's look edited on a live sample: background, hot-track and border colours, the
// caption's font and colour, and the columns per row. Only the sample changes here; the
// caller copies the values in before showing and back after OK.
class TVisualForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TVisualForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // The swatches take the sample's colours; the sample runs while the dialog is shown.
    int ShowModal() override;

    TSmileLabel* Sample() const { return sample_; }

    // The column count as typed: a digit or sign, then up to three digits.
    QString ColumnText() const;
    void SetColumnText(const QString& text);
    // The typed count, trimmed; false when it is no number ("", "-").
    bool ColumnCount(int& count) const;
    // Whether a stored or typed column count is one the field can hold: up to four characters,
    // so -999 .. 9999; a count of 0 or less puts every smile in one row.
    static bool ColumnCountInRange(int64_t count) { return count >= -999 && count <= 9999; }

    // The platform's colour and font dialogs unless replaced (tests answer instead). An
    // invalid colour, or false, means the user cancelled.
    std::function<QColor(const QColor& initial, QWidget* parent)> ChooseColor;
    std::function<bool(QFont& font, QWidget* parent)> ChooseFont;

    // The font the font dialog starts on for a font of the grid: its face's style named as the
    // font database names it, its pixel size in points at dpi.
    static QFont FontDialogStart(const QFont& font, int dpi);
    // The dialog's answer is what it started on (face, style, size in points, effects).
    static bool SameFontChoice(const QFont& answer, const QFont& shown);

private:
    void SwatchClicked(int index);
    void FontClicked();
    void TakeSampleColors();

    TSmileLabel* sample_;
    QLabel* names_[4];
    TColorSwatch* swatches_[4];
    QPushButton* fontButton_;
    QLabel* columnsName_;
    QLineEdit* columns_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace faceloom
