#include "app/dialogs/dialog_base.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

namespace {

// The classic dialog button.
constexpr QSize kButtonSize{75, 25};

QRect AvailableScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

int ButtonResult(TButtonKind kind) {
    switch (kind) {
        case TButtonKind::Ok:
            return kResultOk;
        case TButtonKind::Yes:
            return kResultYes;
        case TButtonKind::No:
            return kResultNo;
        case TButtonKind::Cancel:
        case TButtonKind::Help:
            return kResultCancel;
    }
    return kResultCancel;
}

TDialogBase::TDialogBase(const char* objectName, QSize designSize, bool fixedBorder, QWidget* parent)
    : QDialog(parent), designSize_(designSize), fixedBorder_(fixedBorder) {
    setObjectName(QString::fromLatin1(objectName));
    setModal(true);
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (fixedBorder) flags |= Qt::MSWindowsFixedSizeDialogHint;
    setWindowFlags(flags);
    // Hiding a dialog must never end the program, even when the main window is hidden.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(DialogFont(kDialogFontPixels));
    resize(designSize);
}

int TDialogBase::ShowModal() {
    FitToContents();
    CentreOnScreen();
    return exec();
}

void TDialogBase::reject() {
    done(kResultCancel);
}

void TDialogBase::setVisible(bool visible) {
    if (!visible && isVisible() && result() == kResultNone) setResult(kResultCancel);
    const bool showing = visible && !isVisible();
    QDialog::setVisible(visible);
    if (!showing) return;
    if (QWidget* control = DefaultControl()) control->setFocus(Qt::OtherFocusReason);
}

QWidget* TDialogBase::DefaultControl() const {
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->isDefault() && button->isVisible() && button->isEnabled()) return button;
    // The tab chain from the dialog on: the first control the keys would reach.
    for (QWidget* next = nextInFocusChain(); next && next != this; next = next->nextInFocusChain()) {
        if (isAncestorOf(next) && next->isVisible() && next->isEnabled() &&
            (next->focusPolicy() & Qt::TabFocus))
            return next;
    }
    return nullptr;
}

QPushButton* TDialogBase::MakeButton(TButtonKind kind, const char* objectName) {
    auto* button = new QPushButton(this);
    button->setObjectName(QString::fromLatin1(objectName));
    static const char* const kGlyphs[] = {"ok", "cancel", "ok", "no", "help"};
    button->setIcon(Glyph(QString::fromLatin1(kGlyphs[static_cast<int>(kind)])));
    button->setMinimumSize(kButtonSize);
    // Every button takes Enter while it has the focus, so Enter never answers for another
    // button than the one the user sees focused; OK and Yes take it while no button has it.
    button->setAutoDefault(true);
    button->setDefault(kind == TButtonKind::Ok || kind == TButtonKind::Yes);
    const int result = ButtonResult(kind);
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    return button;
}

QLabel* TDialogBase::MakeLabel(const char* objectName, int pixelSize, bool bold, bool wrap,
                               Qt::Alignment alignment) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setFont(DialogFont(pixelSize, bold));
    label->setWordWrap(wrap);
    label->setAlignment(alignment);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QHBoxLayout* TDialogBase::ButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* button : buttons) row->addWidget(button);
    row->addStretch(1);
    return row;
}

void TDialogBase::FitToContents() {
    QLayout* contents = layout();
    if (!contents) return;
    contents->activate();
    const QRect screen = AvailableScreen();
    const QSize least = contents->totalMinimumSize();
    int width = std::max({designSize_.width(), least.width(), fixedBorder_ ? 0 : this->width()});
    width = std::min(width, screen.width());
    int height = least.height();
    if (contents->hasHeightForWidth()) height = std::max(height, contents->totalHeightForWidth(width));
    const int fittedHeight = height;
    height = std::max({height, designSize_.height(), fixedBorder_ ? 0 : this->height()});
    height = std::min(height, screen.height());
    if (fixedBorder_) {
        setFixedSize(width, height);
    } else {
        setMinimumSize(std::max(minimumDesignSize_.width(), std::min(least.width(), screen.width())),
                       std::max(minimumDesignSize_.height(), std::min(fittedHeight, screen.height())));
        resize(width, height);
    }
}

void TDialogBase::WidenTo(int wanted) {
    const int widest = AvailableScreen().width() * 9 / 10;
    if (wanted > width()) resize(std::min(wanted, std::max(widest, width())), height());
}

void TDialogBase::CentreOnScreen() {
    const QRect screen = AvailableScreen();
    move(screen.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace faceloom
