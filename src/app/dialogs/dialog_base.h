#pragma once

#include <QDialog>
#include <QSize>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace faceloom {

class TLang;

// Modal results the callers rely on.
inline constexpr int kResultNone = 0;
inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;
inline constexpr int kResultYes = 6;
inline constexpr int kResultNo = 7;

// What a dialog button does: its result and glyph. A help-kind button closes its dialog by
// code, which counts as Cancel.
enum class TButtonKind { Ok, Cancel, Yes, No, Help };

int ButtonResult(TButtonKind kind);

// The base of the program's dialogs: created once and reused; modal results as numbers;
// Escape and the close box give Cancel; centred on the screen; laid out so that no text is
// cut off, growing beyond the design size when a language's texts need more room.
class TDialogBase : public QDialog {
    Q_OBJECT
public:
    // A fixed border keeps the fitted size; otherwise the user may resize down to the minimum.
    TDialogBase(const char* objectName, QSize designSize, bool fixedBorder, QWidget* parent = nullptr);

    // Sets every text of the dialog from the language.
    virtual void ApplyLanguage(const TLang& lang) = 0;

    // Fits, centres and runs the dialog modally; answers its modal result.
    virtual int ShowModal();

    // Sizes the window to its design size, or larger where the contents need it (never larger
    // than the screen); a resizable window keeps a larger size the user gave it.
    void FitToContents();

    QSize DesignSize() const { return designSize_; }
    bool FixedBorder() const { return fixedBorder_; }

    void reject() override;
    // Hiding a running dialog by code, without a result, counts as Cancel too. Every showing
    // starts with the focus on DefaultControl, whatever the last showing left focused: Enter
    // must not mean the answer given last time.
    void setVisible(bool visible) override;

    // Where the focus starts: the default button (OK, Yes), else the first control the keys
    // reach.
    virtual QWidget* DefaultControl() const;

protected:
    // A push button of the given kind: its glyph, its result; Enter presses it while it has
    // the focus, and OK and Yes while no other button has it.
    QPushButton* MakeButton(TButtonKind kind, const char* objectName);
    // A label of the dialog's font family at the given pixel size.
    QLabel* MakeLabel(const char* objectName, int pixelSize, bool bold = false, bool wrap = false,
                      Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    // A row of buttons centred under the contents.
    static QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);

    void SetMinimumDesignSize(QSize size) { minimumDesignSize_ = size; }
    void CentreOnScreen();
    // Widens the window to wanted pixels where the screen allows (up to 90% of it), so that a
    // long line is read whole instead of scrolled to; never narrows it.
    void WidenTo(int wanted);

private:
    QSize designSize_;
    QSize minimumDesignSize_;
    bool fixedBorder_;
};

}  // namespace faceloom
