// The main window's controls, their arrangement and texts.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/commands/interface_manager.h"
#include "app/dialogs/app_forms.h"
#include "app/dialogs/dialog_look.h"
#include "app/dialogs/qt_translations.h"
#include "app/dialogs/visual_form.h"
#include "app/main_window/icon_loader.h"
#include "app/main_window/main_window.h"
#include "lang/lang.h"
#include "model/define_decoder.h"
#include "storage/global_config_manager.h"
#include "views/layered_windows.h"
#include "views/smile_view.h"

namespace faceloom {

namespace {

QString Text(const TLang& lang, int id) {
    return QString::fromStdU16String(lang.Text(id));
}

// A hint with its keyboard shortcut, as menus show them.
QString WithShortcut(const QString& hint, const char* keys) {
    if (!keys) return hint;
    return QString("%1 (%2)").arg(hint,
                                  QKeySequence(QString::fromLatin1(keys)).toString(QKeySequence::NativeText));
}

// Toolbar buttons 1 to 13: element (-1 for separators) and image.
struct TToolSpec {
    int Element;
    int Image;
    int Hint;
    const char* Keys;
};
constexpr TToolSpec kTools[14] = {
    {-1, -1, 0, nullptr},        {0, 0, 402, "Ctrl+N"}, {1, 1, 403, "Ctrl+O"}, {2, 2, 404, "Ctrl+S"},
    {3, 3, 405, "Ctrl+Shift+S"}, {4, 4, 406, "Ctrl+W"}, {-1, -1, 0, nullptr},  {5, 5, 407, "Ctrl+1"},
    {6, 6, 408, "Ctrl+2"},       {7, 7, 409, "Ctrl+3"}, {-1, -1, 0, nullptr},  {8, 8, 410, "Ctrl+,"},
    {-1, -1, 0, nullptr},        {9, 9, 411, "F1"},
};

// TntBitBtn1 to 16: element (-1: not bound) and hint text.
struct TButtonSpec {
    int Element;
    int Hint;
    const char* Keys;
};
constexpr TButtonSpec kButtons[17] = {
    {-1, 0, nullptr},   {-1, 427, "Esc"},       {10, 412, "Ins"},    {11, 413, "Ctrl+Up"},
    {12, 414, nullptr}, {13, 415, "Ctrl+Left"}, {14, 416, "Return"}, {15, 417, "Ctrl+Right"},
    {16, 418, "Del"},   {17, 419, "Ctrl+Down"}, {18, 420, nullptr},  {19, 421, nullptr},
    {20, 422, "F2"},    {21, 423, nullptr},     {22, 424, nullptr},  {23, 425, nullptr},
    {24, 426, nullptr},
};

constexpr int kSpeedHints[6] = {0, 429, 430, 431, 432, 433};
// The switches under the grid and the visual settings, from the keyboard.
constexpr const char* kSpeedKeys[6] = {nullptr, "Alt+1", "Alt+2", "Alt+3", "Alt+4", "Alt+5"};

constexpr QSize kButtonSize(40, 28);

}  // namespace

void TManagerMain::BuildControls() {
    BuildToolbar();

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);
    auto* middle = new QHBoxLayout();
    middle->setSpacing(4);

    grid_ = new TSmileView(central);
    grid_->setObjectName("SmileView1");
    middle->addWidget(grid_, 1);

    auto* column = new QWidget(central);
    column->setObjectName("RightColumn");
    BuildRightColumn(column);
    middle->addWidget(column, 0);
    outer->addLayout(middle, 1);

    auto* bottom = new QWidget(central);
    BuildBottomRow(bottom);
    outer->addWidget(bottom, 0);
    setCentralWidget(central);

    BuildContextMenu();
    BuildShortcuts();
    // The keys start at the grid: otherwise the first button that takes the focus would be
    // exit, and a stray Space would end the program.
    grid_->setFocus(Qt::OtherFocusReason);

    // The grid as placed in the window; the stored settings follow.
    grid_->SetColor(0xFFFFFF);
    grid_->SetRowWidth(10);
    grid_->SetAllowHotTrack(true);
    grid_->SetAllowSelecting(true);
    grid_->AllowDragAndDrop = true;
    grid_->AnimatedDraggingAllowed = true;
    grid_->SetShowSignatures(true);
    grid_->SetAnimateAll(true);
    grid_->AutoFocus = true;
    grid_->TrackCursor = true;
    grid_->ShowInsertPoint = true;
    grid_->AllowDragOffset = true;
    grid_->SetEnableDragAccept(true);
    grid_->ForcePostSelect = true;
    grid_->AllowMaskedHitTest = false;
    grid_->SimpleMaskedHitTest = false;
    grid_->SetHotTrackColor(16773360);
    grid_->SetHotTrackBorderColor(16744576);
    grid_->SetLayeredWindowsAvailable(LayeredWindowsAvailable());

    grid_->OnSelect = [this](TSmileView&, int32_t index) { SmileView1Select(index); };
    grid_->OnSmileMove = [this](TSmileView&, int32_t from, int32_t to) { SmileView1SmileMove(from, to); };
    grid_->OnContextMenu = [this](TSmileView&, int32_t x, int32_t y, int32_t index) {
        SmileView1ContextMenu(QPoint(x, y), index);
    };
    grid_->OnDropFiles = [this](TSmileView&, int32_t index, const QStringList& files) {
        SmileView1DropFiles(index, files);
    };

    // 680 x 498 client at first, centred; never smaller than 375 x 357.
    setMinimumSize(375, 357);
    resize(680, 498);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(340, 249));
    }
}

void TManagerMain::BuildToolbar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName("TntToolBar1");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, bar);
    using TCommand = void (TManagerMain::*)();
    static constexpr TCommand kCommands[14] = {
        nullptr,
        &TManagerMain::NewPackClick,
        &TManagerMain::OpenPackClick,
        &TManagerMain::SaveClick,
        &TManagerMain::SaveAsClick,
        &TManagerMain::ClosePackClick,
        nullptr,
        &TManagerMain::StaticPackClick,
        &TManagerMain::AnimatedPackClick,
        &TManagerMain::BothPacksClick,
        nullptr,
        &TManagerMain::OptionsClick,
        nullptr,
        &TManagerMain::AboutClick,
    };
    for (int number = 1; number <= 13; ++number) {
        const TToolSpec& spec = kTools[number];
        QAction* action = nullptr;
        if (spec.Element < 0) {
            action = bar->addSeparator();
        } else {
            action = bar->addAction(LoadIcon(ToolbarImageName(spec.Image), kToolbarImageSize), QString());
            action->setCheckable(number >= 7 && number <= 9);
            const TCommand command = kCommands[number];
            connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
            if (spec.Keys) {
                action->setShortcut(QKeySequence(QString::fromLatin1(spec.Keys)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
        }
        action->setObjectName(QString("TntToolButton%1Action").arg(number));
        if (QWidget* widget = bar->widgetForAction(action)) {
            widget->setObjectName(QString("TntToolButton%1").arg(number));
            widget->setFocusPolicy(Qt::TabFocus);  // the keyboard reaches every button
        }
        toolActions_[number] = action;
    }
    toolActions_[8]->setChecked(true);
    toolActions_[9]->setChecked(true);
}

void TManagerMain::Bind(QPushButton* button, int element, void (TManagerMain::*command)()) {
    connect(button, &QPushButton::clicked, this, [this, element, command] {
        if (element < 0 || interface_->IsEnabled(element)) (this->*command)();
    });
}

void TManagerMain::BuildRightColumn(QWidget* column) {
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (int number = 1; number <= 16; ++number) {
        auto* button = new QPushButton(column);
        button->setObjectName(QString("TntBitBtn%1").arg(number));
        button->setIcon(LoadIcon(ButtonGlyphName(number), kButtonGlyphSize));
        button->setIconSize(QSize(kButtonGlyphSize, kButtonGlyphSize));
        button->setFixedSize(kButtonSize);
        button->setFocusPolicy(Qt::TabFocus);
        buttons_[number] = button;
    }
    // Smile buttons: the four moves form a cross around preview.
    auto* smiles = new QGridLayout();
    smiles->setSpacing(4);
    for (int i = 0; i < 9; ++i) smiles->addWidget(buttons_[2 + i], i / 3, i % 3);
    layout->addLayout(smiles);

    list_ = new QListWidget(column);
    list_->setObjectName("ListBox1");
    list_->setFixedWidth(3 * kButtonSize.width() + 8);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(list_, 1);
    connect(list_, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
    list_->installEventFilter(this);  // keyboard moves in the list count as clicks
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        if (interface_->IsEnabled(20)) EditSignatureClick();
    });

    auto* signatures = new QGridLayout();
    signatures->setSpacing(4);
    for (int i = 0; i < 6; ++i) signatures->addWidget(buttons_[11 + i], i / 3, i % 3);
    layout->addLayout(signatures);

    Bind(buttons_[1], -1, &TManagerMain::ExitClick);
    Bind(buttons_[2], 10, &TManagerMain::AddSmilesClick);
    connect(buttons_[3], &QPushButton::clicked, this, [this] { MoveSmileClick(11); });
    connect(buttons_[5], &QPushButton::clicked, this, [this] { MoveSmileClick(13); });
    connect(buttons_[7], &QPushButton::clicked, this, [this] { MoveSmileClick(15); });
    connect(buttons_[9], &QPushButton::clicked, this, [this] { MoveSmileClick(17); });
    connect(buttons_[4], &QPushButton::clicked, this, [this] {
        if (interface_->IsEnabled(12)) ReplacePictureAt(grid_->ItemIndex());
    });
    connect(buttons_[6], &QPushButton::clicked, this, [this] {
        if (interface_->IsEnabled(14)) PreviewAt(grid_->ItemIndex());
    });
    connect(buttons_[8], &QPushButton::clicked, this, [this] {
        if (interface_->IsEnabled(16)) DeleteSmileAt(grid_->ItemIndex());
    });
    connect(buttons_[10], &QPushButton::clicked, this, [this] {
        if (interface_->IsEnabled(18)) DeletePictureAt(grid_->ItemIndex());
    });
    Bind(buttons_[11], 19, &TManagerMain::AddSignatureClick);
    Bind(buttons_[12], 20, &TManagerMain::EditSignatureClick);
    connect(buttons_[13], &QPushButton::clicked, this, [this] {
        if (interface_->IsEnabled(21)) MoveSignatureClick(true);
    });
    Bind(buttons_[14], 22, &TManagerMain::DeleteSignatureClick);
    Bind(buttons_[15], 23, &TManagerMain::FindSignatureClick);
    connect(buttons_[16], &QPushButton::clicked, this, [this] {
        if (interface_->IsEnabled(24)) MoveSignatureClick(false);
    });
}

void TManagerMain::BuildBottomRow(QWidget* row) {
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    static const char* const kSpeedImages[6] = {nullptr,     "animate_all",   "show_signatures",
                                                "hot_track", "animated_drag", "visual_settings"};
    for (int number = 1; number <= 5; ++number) {
        auto* button = new QToolButton(row);
        button->setObjectName(QString("TntSpeedButton%1").arg(number));
        button->setAutoRaise(true);
        button->setCheckable(number <= 4);
        button->setChecked(number <= 4);
        button->setIcon(LoadIcon(QString::fromLatin1(kSpeedImages[number]), kButtonGlyphSize));
        button->setIconSize(QSize(kButtonGlyphSize, kButtonGlyphSize));
        button->setFixedSize(28, 28);
        button->setFocusPolicy(Qt::TabFocus);
        speed_[number] = button;
        auto* key = new QShortcut(QKeySequence(QString::fromLatin1(kSpeedKeys[number])), this);
        connect(key, &QShortcut::activated, button, &QToolButton::click);
        layout->addWidget(button);
        if (number <= 4) {
            connect(button, &QToolButton::clicked, this, [this, number] { ToggleClick(number); });
        } else {
            connect(button, &QToolButton::clicked, this, [this] { VisualSettingsClick(); });
        }
    }
    count_ = new QLabel(row);
    count_->setObjectName("TntPanel1");
    QFont font("Arial");
    font.setPixelSize(16);
    font.setBold(true);
    count_->setFont(font);
    count_->setFrameShape(QFrame::StyledPanel);
    count_->setFrameShadow(QFrame::Sunken);
    count_->setAlignment(Qt::AlignCenter);
    count_->setFixedSize(64, 28);
    layout->addSpacing(8);
    layout->addWidget(count_);
    layout->addStretch(1);
    layout->addWidget(buttons_[1]);
}

void TManagerMain::BuildContextMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName("TntPopupMenu1");
    auto item = [this](const char* name, void (TManagerMain::*command)(int32_t)) {
        QAction* action = menu_->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, command] {
            if (contextSmile_ >= 0) (this->*command)(contextSmile_);
        });
        return action;
    };
    addSmileItem_ = menu_->addAction(QString());
    addSmileItem_->setObjectName("AddSmile");
    connect(addSmileItem_, &QAction::triggered, this, [this] { AddSmileMenuClick(); });
    replacePictureItem_ = item("ReplacePicture", &TManagerMain::ReplacePictureAt);
    deleteSmileItem_ = item("DeleteSmile", &TManagerMain::DeleteSmileAt);
    deletePictureItem_ = item("DeletePicture", &TManagerMain::DeletePictureAt);
    menu_->addSeparator()->setObjectName("N1");
    previewItem_ = item("Preview", &TManagerMain::PreviewAt);
}

void TManagerMain::BuildShortcuts() {
    // Escape is the exit button's, as a dialog's cancel button; in the middle of a drag it
    // cancels the drag instead.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (!grid_->CancelDrag()) buttons_[1]->click();
    });
    // Keys of the smile and signature commands; bound to the interface elements, so a disabled
    // command cannot run by its key either.
    // In the signature list, Insert, Delete and Enter work on signatures instead.
    struct TKey {
        int Button;
        const char* Keys;
        int InList;  // the button while the list has the keys; 0: the same
    };
    static constexpr TKey kKeys[] = {{2, "Ins", 11},       {3, "Ctrl+Up", 0},   {5, "Ctrl+Left", 0},
                                     {7, "Ctrl+Right", 0}, {9, "Ctrl+Down", 0}, {8, "Del", 14},
                                     {12, "F2", 0}};
    auto press = [](QPushButton* button) {
        if (button->isEnabled()) button->click();
    };
    for (const TKey& key : kKeys) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key.Keys)), this);
        connect(shortcut, &QShortcut::activated, this, [this, key, press] {
            press(buttons_[key.InList != 0 && list_->hasFocus() ? key.InList : key.Button]);
        });
    }
    // Enter previews only from the grid and edits only from the list; on a focused button it
    // presses that button, as Space does, never the preview behind the user's back.
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        for (auto [owner, button] : {std::pair<QWidget*, int>{grid_, 6}, {list_, 12}}) {
            auto* shortcut = new QShortcut(QKeySequence(enter), owner);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            connect(shortcut, &QShortcut::activated, this,
                    [this, button, press] { press(buttons_[button]); });
        }
    }
    for (int number = 1; number <= 16; ++number) buttons_[number]->setAutoDefault(true);
}

// A signature chosen with the keys is chosen as by a click, so the signature buttons follow
// it. Only the list's own moving keys: shortcuts never reach it as key presses.
bool TManagerMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_ || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            static_cast<QObject*>(list_)->event(event);
            // Compared with the signature chosen last, not the row before the key: taking the
            // focus already made the first row current, unselected.
            const int row = list_->currentRow();
            if (row >= 0 && row != lastClicked_) {
                list_->setCurrentRow(row);  // selected too, as a click leaves it
                ListBox1Click();
            }
            return true;
        }
        default:
            return false;
    }
}

// The menu key wherever the keys go to the grid (as the arrows do) opens the selected
// smile's menu; the signature list has none.
void TManagerMain::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() != QContextMenuEvent::Keyboard || list_->hasFocus()) {
        QMainWindow::contextMenuEvent(event);
        return;
    }
    QContextMenuEvent forwarded(QContextMenuEvent::Keyboard, QPoint(), QPoint(), event->modifiers());
    QCoreApplication::sendEvent(grid_->viewport(), &forwarded);
}

// The family the grid draws with: the stored one where this machine has it; otherwise, and
// for a Tahoma without its own bold face (Wine's regular face alone, as on most Linux
// desktops), the desktop's own UI face, at the same pixel height.
QString TManagerMain::GridFontFamily(const QString& stored) {
    EnsureDialogFonts();
    bool usable = QFontDatabase::hasFamily(stored);
    if (usable && stored.compare(QLatin1String("Tahoma"), Qt::CaseInsensitive) == 0) {
        usable = false;
        for (const QString& style : QFontDatabase::styles(stored))
            usable |= style.contains("Bold", Qt::CaseInsensitive);
    }
    // The face the desktop's font resolves to, not an alias such as "Sans Serif", so the font
    // dialog finds it with its styles.
    return usable ? stored : QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
}

// A page of rows up or down in the selection's column: as many rows as the grid shows whole
// (at least one). Past the end it stops at the last row that has the column, then at the
// first or last smile.
int32_t TManagerMain::PageTarget(int32_t index, bool down) const {
    const int32_t step = RowStep();
    const std::vector<TGridLine>& rows = grid_->Rows();
    int32_t page = 0;
    int32_t height = 0;
    for (size_t r = static_cast<size_t>(std::max(grid_->ScrollRow(), 0)); r < rows.size(); ++r) {
        height += rows[r].Size;
        if (height > grid_->viewport()->height()) break;
        ++page;
    }
    page = std::max(page, 1);
    const int32_t count = grid_->Count();
    if (step <= 0) return down ? count - 1 : 0;
    const int32_t rowsLeft = down ? (count - 1 - index) / step : index / step;
    const int32_t moved = std::min(page, rowsLeft);
    if (moved == 0) return down ? count - 1 : 0;
    return down ? index + moved * step : index - moved * step;
}

void TManagerMain::keyPressEvent(QKeyEvent* event) {
    // Plain arrows move the grid's selection when the list does not have the keys.
    if (event->modifiers() == Qt::NoModifier && grid_->Count() > 0) {
        const int32_t index = grid_->ItemIndex();
        int32_t target = -1;
        switch (event->key()) {
            case Qt::Key_Left:
                target = index > 0 ? index - 1 : 0;
                break;
            case Qt::Key_Right:
                target = index < 0 ? 0 : std::min(index + 1, grid_->Count() - 1);
                break;
            case Qt::Key_Up:
                target = index < 0 ? 0 : (index - RowStep() >= 0 ? index - RowStep() : index);
                break;
            case Qt::Key_Down:
                target = index < 0 ? 0 : (index + RowStep() < grid_->Count() ? index + RowStep() : index);
                break;
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                target = index < 0 ? 0 : PageTarget(index, event->key() == Qt::Key_PageDown);
                break;
            case Qt::Key_Home:
                target = 0;
                break;
            case Qt::Key_End:
                target = grid_->Count() - 1;
                break;
            default:
                break;
        }
        if (target >= 0) {
            if (target != index) grid_->SetItemIndex(target);
            grid_->ScrollIntoView(target);
            event->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TManagerMain::RegisterInterfaceElements() {
    interface_ = std::make_unique<TInterfaceManager>();
    for (int number = 1; number <= 13; ++number)
        if (kTools[number].Element >= 0)
            interface_->RegisterControl(kTools[number].Element, toolActions_[number]);
    for (int number = 2; number <= 16; ++number)
        interface_->RegisterControl(kButtons[number].Element, buttons_[number]);
}

void TManagerMain::ApplySettingsToGrid() {
    const TGlobalConfigManager& s = *settings_;
    grid_->SetAnimateAll(s.ReadBool(TGlobalBoolKey::AnimateAll));
    speed_[1]->setChecked(grid_->AnimateAll());
    grid_->SetShowSignatures(s.ReadBool(TGlobalBoolKey::ShowSignatures));
    speed_[2]->setChecked(grid_->ShowSignatures());
    grid_->SetAllowHotTrack(s.ReadBool(TGlobalBoolKey::AllowHotTrack));
    speed_[3]->setChecked(grid_->AllowHotTrack());
    const bool layered = grid_->LayeredWindowsAvailable();
    grid_->AnimatedDraggingAllowed = s.ReadBool(TGlobalBoolKey::AnimatedDragAndDrop) && layered;
    speed_[4]->setChecked(grid_->AnimatedDraggingAllowed);

    grid_->SetColor(static_cast<uint32_t>(s.ReadInteger(TGlobalIntegerKey::BackgroundColor)));
    grid_->SetHotTrackColor(static_cast<uint32_t>(s.ReadInteger(TGlobalIntegerKey::HotTrackColor)));
    grid_->SetHotTrackBorderColor(
        static_cast<uint32_t>(s.ReadInteger(TGlobalIntegerKey::HotTrackBorderColor)));
    grid_->SetFontColor(static_cast<uint32_t>(s.ReadInteger(TGlobalIntegerKey::FontColor)));
    QFont font = grid_->font();
    const int32_t height = s.ReadInteger(TGlobalIntegerKey::FontHeight);
    // Negative: character height; positive: cell height. Nonsense falls back to the default
    // (checked before negating: the smallest integer has no positive counterpart).
    const bool sensible = height != 0 && height >= -200 && height <= 200;
    font.setPixelSize(sensible ? std::abs(height) : 11);
    const std::string name = s.ReadString(TGlobalStringKey::FontName);
    font.setFamily(GridFontFamily(name.empty() ? QString("Tahoma") : QString::fromStdString(name)));
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    const int32_t rowWidth = s.ReadInteger(TGlobalIntegerKey::RowWidth);
    // The range the visual settings accept, so what was chosen there comes back.
    grid_->SetRowWidth(TVisualForm::ColumnCountInRange(rowWidth) ? rowWidth : 10);
    font.setBold(s.ReadBool(TGlobalBoolKey::FontBold));
    font.setItalic(s.ReadBool(TGlobalBoolKey::FontItalic));
    font.setUnderline(s.ReadBool(TGlobalBoolKey::FontUnderline));
    font.setStrikeOut(s.ReadBool(TGlobalBoolKey::FontStrikeOut));
    grid_->setFont(font);
    grid_->Relayout();
}

void TManagerMain::ApplyLanguage(const TLang& lang) {
    if (model_) {
        model_->SetNoSignatureText(lang.Text(301));
        model_->Relabel();
        for (int32_t i = 0; i < grid_->Count() && i < model_->SmileCount(); ++i)
            grid_->Smiles().Put(i, LabelText(i));
    }
    noSignatureText_ = lang.Text(301);
    for (int i = 0; i < 4; ++i) phaseTexts_[i] = Text(lang, 303 + i);
    addCaption_ = Text(lang, 307);
    findCaption_ = Text(lang, 308);
    editCaption_ = Text(lang, 309);
    setWindowTitle(Text(lang, 401));
    for (int number = 1; number <= 13; ++number) {
        const TToolSpec& spec = kTools[number];
        if (spec.Element >= 0)
            toolActions_[number]->setToolTip(WithShortcut(Text(lang, spec.Hint), spec.Keys));
    }
    for (int number = 1; number <= 16; ++number)
        buttons_[number]->setToolTip(WithShortcut(Text(lang, kButtons[number].Hint), kButtons[number].Keys));
    for (int number = 1; number <= 5; ++number)
        speed_[number]->setToolTip(WithShortcut(Text(lang, kSpeedHints[number]), kSpeedKeys[number]));
    count_->setToolTip(Text(lang, 428));
    addSmileItem_->setText(Text(lang, 412));
    replacePictureItem_->setText(Text(lang, 414));
    deleteSmileItem_->setText(Text(lang, 418));
    deletePictureItem_->setText(Text(lang, 420));
    previewItem_->setText(Text(lang, 416));
    typeNames_[0] = Text(lang, 310);
    typeNames_[1] = Text(lang, 311);
    allFilesTail_ = "|" + Text(lang, 312) + " (*.*)|*.*";
    openTitle_ = Text(lang, 313);
    saveTitle_ = Text(lang, 314);
    loadTitle_ = Text(lang, 313);
    pictureTitle_ = Text(lang, 315);
    errorCaption_ = Text(lang, 302);
    unreadableStateText_ = Text(lang, 1801);
}

void TManagerMain::ApplyLanguageToAllWindows(const TLang& lang) {
    FollowLanguageInQtTexts(lang);
    ApplyLanguage(lang);
    forms_.ApplyLanguage(lang);
}

}  // namespace faceloom
