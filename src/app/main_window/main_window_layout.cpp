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
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/commands/command_table.h"
#include "app/commands/editor_commands.h"
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

constexpr int kSpeedHints[6] = {kTextNone,     kTextAnimateAll,   kTextShowSignatures,
                                kTextHotTrack, kTextAnimatedDrag, kTextVisualSettings};
// The switches under the grid and the visual settings, from the keyboard.
constexpr const char* kSpeedKeys[6] = {nullptr, "Alt+1", "Alt+2", "Alt+3", "Alt+4", "Alt+5"};

constexpr QSize kButtonSize(40, 28);

}  // namespace

void TManagerMain::BuildControls() {
    commands_ = new TEditorCommands(forms_, *this, this);
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
    commands_->SetViews(grid_, list_);

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

    grid_->OnSelect = [this](TSmileView&, int32_t index) { commands_->SmileSelected(index); };
    grid_->OnSmileMove = [this](TSmileView&, int32_t from, int32_t to) { commands_->SmileDragged(from, to); };
    grid_->OnContextMenu = [this](TSmileView&, int32_t x, int32_t y, int32_t index) {
        SmileView1ContextMenu(QPoint(x, y), index);
    };
    grid_->OnDropFiles = [this](TSmileView&, int32_t index, const QStringList& files) {
        commands_->FilesDropped(index, files);
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
    for (int number = 1; number <= 20; ++number) {
        const TCommandSpec* spec = nullptr;
        for (const TCommandSpec& row : CommandTable())
            if (row.ToolButton == number) spec = &row;
        QAction* action = nullptr;
        if (!spec) {
            action = bar->addSeparator();
            action->setObjectName(QString("TntToolButton%1Action").arg(number));
        } else {
            // The toolbar's images are in element order.
            action = commands_->Action(spec->Command);
            const QString image = spec->Command == TCommand::Undo        ? QStringLiteral("undo")
                                  : spec->Command == TCommand::Redo      ? QStringLiteral("redo")
                                  : spec->Command == TCommand::CheckPack ? QStringLiteral("check")
                                  : spec->Command == TCommand::Import    ? QStringLiteral("import_pack")
                                  : spec->Command == TCommand::Export    ? QStringLiteral("export_pack")
                                                                         : ToolbarImageName(spec->Element);
            action->setIcon(LoadIcon(image, kToolbarImageSize));
            bar->addAction(action);
        }
        if (QWidget* widget = bar->widgetForAction(action)) {
            widget->setObjectName(QString("TntToolButton%1").arg(number));
            widget->setFocusPolicy(Qt::TabFocus);  // the keyboard reaches every button
        }
    }
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
    connect(list_, &QListWidget::itemClicked, this, [this] { commands_->SignatureClicked(); });
    list_->installEventFilter(this);  // keyboard moves in the list count as clicks
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this] { commands_->Run(TCommand::EditSignature); });

    auto* signatures = new QGridLayout();
    signatures->setSpacing(4);
    for (int i = 0; i < 6; ++i) signatures->addWidget(buttons_[11 + i], i / 3, i % 3);
    layout->addLayout(signatures);

    // Each button shows its command's action: clicking triggers it, and it follows the action's
    // enabled state and hint.
    for (const TCommandSpec& spec : CommandTable()) {
        if (spec.BitButton <= 0) continue;
        QPushButton* button = buttons_[spec.BitButton];
        QAction* action = commands_->Action(spec.Command);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        auto follow = [button, action] {
            button->setEnabled(action->isEnabled());
            button->setToolTip(action->toolTip());
        };
        connect(action, &QAction::changed, button, follow);
        follow();
    }
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
    std::vector<const TCommandSpec*> items;
    for (const TCommandSpec& spec : CommandTable())
        if (spec.MenuItem > 0) items.push_back(&spec);
    std::sort(items.begin(), items.end(),
              [](const TCommandSpec* a, const TCommandSpec* b) { return a->MenuItem < b->MenuItem; });
    for (const TCommandSpec* spec : items) {
        // Preview stands apart from the commands that change the pack.
        if (spec->Command == TCommand::Preview) menu_->addSeparator()->setObjectName("N1");
        if (spec->Command == TCommand::Undo) menu_->addSeparator()->setObjectName("N2");
        if (spec->Command == TCommand::CheckPack) menu_->addSeparator()->setObjectName("N3");
        if (spec->Command == TCommand::Import) menu_->addSeparator()->setObjectName("N4");
        menu_->addAction(commands_->Action(spec->Command));
    }
    // Closed without a choice: the commands follow the selection again. Later, as the item
    // chosen is triggered after the menu has gone.
    connect(menu_, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, commands_, [this] {
            if (!menu_->isVisible()) commands_->ContextMenuClosed();
        });
    });
}

void TManagerMain::SmileView1ContextMenu(const QPoint& screenPoint, int32_t index) {
    if (commands_->ContextMenuOpening(index)) menu_->popup(screenPoint);
}

void TManagerMain::BuildShortcuts() {
    // Escape is the exit button's, as a dialog's cancel button; in the middle of a drag it
    // cancels the drag instead.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (!grid_->CancelDrag()) commands_->Run(TCommand::Exit);
    });
    // The keys of the smile and signature commands trigger their actions, so a disabled
    // command cannot run by its key either. While the signature list has the focus, a key a
    // signature command takes there (Insert, Delete) goes to it instead. Enter previews only
    // from the grid and edits only from the list; on a focused button it presses that button,
    // as Space does, never the preview behind the user's back.
    for (const TCommandSpec& spec : CommandTable()) {
        if (!spec.Keys || spec.ToolButton > 0 || spec.Command == TCommand::Exit) continue;
        const QKeySequence keys(QString::fromLatin1(spec.Keys));
        if (keys == QKeySequence(Qt::Key_Return)) continue;
        TCommand inList = spec.Command;
        for (const TCommandSpec& other : CommandTable())
            if (other.ListKeys && QKeySequence(QString::fromLatin1(other.ListKeys)) == keys)
                inList = other.Command;
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, command = spec.Command, inList] {
            commands_->Run(list_->hasFocus() ? inList : command);
        });
    }
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        for (auto [owner, command] :
             {std::pair<QWidget*, TCommand>{grid_, TCommand::Preview}, {list_, TCommand::EditSignature}}) {
            auto* shortcut = new QShortcut(QKeySequence(enter), owner);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            connect(shortcut, &QShortcut::activated, this, [this, command] { commands_->Run(command); });
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
            if (row >= 0 && row != commands_->LastClicked()) {
                list_->setCurrentRow(row);  // selected too, as a click leaves it
                commands_->SignatureClicked();
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
        model_->SetNoSignatureText(lang.Text(kTextNoSignature));
        model_->Relabel();
        commands_->RelabelAll();
    }
    noSignatureText_ = lang.Text(kTextNoSignature);
    for (int i = 0; i < 4; ++i) phaseTexts_[i] = Text(lang, kTextFirstPhase + i);
    titleText_ = Text(lang, kTextWindowTitle);
    setWindowTitle(modified_ ? "*" + titleText_ : titleText_);
    commands_->ApplyLanguage(lang);
    for (int number = 1; number <= 5; ++number)
        speed_[number]->setToolTip(WithShortcut(Text(lang, kSpeedHints[number]), kSpeedKeys[number]));
    count_->setToolTip(Text(lang, kTextSmileCount));
    errorCaption_ = Text(lang, kTextErrorCaption);
    unreadableStateText_ = Text(lang, kTextUnreadableState);
    confirmFolderText_ = Text(lang, kTextConfirmFolder);
    saveThereText_ = Text(lang, kTextSaveThere);
    chooseOtherFolderText_ = Text(lang, kTextChooseOtherFolder);
}

int32_t TManagerMain::RowStep() const {
    const int32_t n = grid_->Count();
    const int32_t w = grid_->RowWidth();
    return w > 0 && w <= n ? w : n;
}

void TManagerMain::ApplyLanguageToAllWindows(const TLang& lang) {
    FollowLanguageInQtTexts(lang);
    ApplyLanguage(lang);
    forms_.ApplyLanguage(lang);
}

}  // namespace faceloom
