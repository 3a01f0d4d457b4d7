#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands/editor_commands.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;

namespace faceloom {

class TAppForms;
class TDefineDecoder;
class TFileDialogs;
class TGlobalConfigManager;
class TInstanceLock;
class TInterfaceManager;
class TLang;
class TSmile;
class TSmileView;
class TSmileViewSmile;
class TStorageManager;

// The editor's main window: the smile grid of the current pack, the smile and signature
// commands beside it, the pack commands in the toolbar and the view toggles along the bottom.
// It lays out the controls and turns the user's gestures into the command layer's commands
// (TEditorCommands), whose actions its toolbar, buttons, context menu and keys share; it shows
// what the commands report. Creation touches no other window; the pack engine starts at the
// first turn of the event loop after the window is shown, and stops when the window closes (or
// the session ends).
class TManagerMain : public QMainWindow, private TCommandHost {
    Q_OBJECT

public:
    // forms: the dialogs, created after this window (only used from the first idle moment on).
    // handOverSuffix: test runs name their own hand-over objects.
    explicit TManagerMain(TAppForms& forms, const std::string& handOverSuffix = {},
                          QWidget* parent = nullptr);
    ~TManagerMain() override;

    // The file and folder dialogs (tests replace them).
    void SetFileDialogs(std::unique_ptr<TFileDialogs> dialogs);
    // A pack to open once the engine runs (the command line): the path as the open command
    // takes it, and the mode it needs (-1 one pack as is, 0/1 one pack of that kind, 2 both).
    void SetStartPack(const QString& path, int mode);

    // State.
    bool EngineRunning() const { return engineRunning_; }
    bool Refused() const { return refused_; }
    bool HandedOver() const { return handedOver_; }
    const std::string& StorageName() const { return storageName_; }
    TDefineDecoder* Model() const { return model_.get(); }
    TSmileView* Grid() const { return grid_; }
    QListWidget* SignatureList() const { return list_; }
    TEditorCommands& Commands() const { return *commands_; }
    TInterfaceManager& Interface() const { return commands_->Interface(); }
    TGlobalConfigManager& Settings() const { return *settings_; }
    int32_t ContextSmile() const { return commands_->ContextSmile(); }
    // The context menu (its items are the commands' actions, with their object names).
    QMenu* ContextMenu() const { return menu_; }
    // The last failure's message, for tests and logs.
    QString LastSaveFailure() const { return lastSaveFailure_; }

    void ApplyLanguage(const TLang& lang);
    void ApplyLanguageToAllWindows(const TLang& lang);

    // Start-up and shutdown.
    bool ReadHandOver(std::string& baseFolder, std::string& packFolder);
    void StartPackEngine();
    bool StopPackEngine();
    void ApplicationEvents1Idle();

    // The grid's and the signature list's gestures.
    void SmileView1Select(int32_t index) { commands_->SmileSelected(index); }
    void SmileView1SmileMove(int32_t from, int32_t to) { commands_->SmileDragged(from, to); }
    void SmileView1ContextMenu(const QPoint& screenPoint, int32_t index);
    void SmileView1DropFiles(int32_t index, const QStringList& files) {
        commands_->FilesDropped(index, files);
    }
    void ListBox1Click() { commands_->SignatureClicked(); }
    void OpenPackClick() { commands_->Run(TCommand::OpenPack); }

signals:
    // The close was accepted and the engine stopped: the program may end.
    void Closed();
    // The engine started (or was refused) at the first idle moment.
    void EngineStarted();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What the commands ask of the window.
    QWidget* DialogParent() override { return this; }
    TFileDialogs& FileDialogs() override { return *fileDialogs_; }
    void ShowProgressWindow() override;
    void HideProgressWindow() override;
    void ShowPhase(int32_t phase, int32_t position, int32_t maximum) override;
    void ShowFileProgress(const QString& fileName, int32_t position, int32_t errorCount) override;
    void ShowCancellableProgress() override;
    bool StepProgress(const QString& phase, int32_t position, int32_t maximum) override;
    void ReportFailure(const QString& action, const std::string& file) override;
    void StoreSettings(const std::string& file, const std::function<void()>& write) override;
    void ShowSmileCount(const QString& text) override;
    void ShowModified(bool modified) override;
    void WhileHidden(const std::function<void()>& modal) override;
    void ShowOptions() override;
    void ShowAbout() override;
    void Exit() override;

    // Layout and texts.
    void BuildControls();
    void BuildToolbar();
    void BuildRightColumn(QWidget* column);
    void BuildBottomRow(QWidget* row);
    void BuildContextMenu();
    void BuildShortcuts();
    void ApplySettingsToGrid();
    // The window's place and size kept in the global settings between runs.
    void RestoreGeometry();
    void StoreGeometry();

    // The view toggles and the visual settings, about the window only.
    void ToggleClick(int number);
    void VisualSettingsClick();

    void QuerySaveChanges(int32_t& answer);
    // Whether a save may write into a folder that nothing vouches for.
    bool ConfirmSaveFolder(const std::string& folder);
    void SuspendGridAnimation();
    int32_t RowStep() const;
    void OpenStartPack();
    void HandOverOpening();
    void ReportUnreadableStates();
    int32_t PageTarget(int32_t index, bool down) const;
    static QString GridFontFamily(const QString& stored);

    TAppForms& forms_;
    std::string handOverSuffix_;
    QString lastSaveFailure_;
    // Run state.
    bool engineRunning_ = false;
    bool refused_ = false;
    bool idleQueued_ = false;
    bool stopping_ = false;
    std::unique_ptr<TInstanceLock> lock_;
    std::atomic<bool> decodedPosted_{false};  // a grid update for decoded pictures is on its way
    bool picturesShown_ = false;              // the first decoded pictures are in the grid
    QElapsedTimer progressClock_;             // since the progress window was last repainted
    // The windows a cancellable progress took the input from, given it back when it ends.
    std::vector<QPointer<QWidget>> blockedWindows_;
    std::unique_ptr<TDefineDecoder> model_;
    bool handedOver_ = false;
    std::string storageName_ = "Storage";
    std::string handOverBase_;
    std::string handOverPack_;
    std::unique_ptr<TStorageManager> globalStorage_;
    std::unique_ptr<TGlobalConfigManager> settings_;
    std::unique_ptr<TFileDialogs> fileDialogs_;
    QString startPackPath_;
    int startPackMode_ = -1;

    // Kept texts.
    std::array<QString, 4> phaseTexts_;
    QString titleText_;
    bool modified_ = false;
    QString errorCaption_;
    QString unreadableStateText_;
    QString confirmFolderText_;
    QString saveThereText_;
    QString chooseOtherFolderText_;
    std::u16string noSignatureText_ = u"\u041d\u0435\u0442";

    // Controls.
    TSmileView* grid_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* count_ = nullptr;
    TEditorCommands* commands_ = nullptr;
    std::array<QPushButton*, 17> buttons_{};  // index = TntBitBtn number
    std::array<QToolButton*, 6> speed_{};     // index = TntSpeedButton number
    QMenu* menu_ = nullptr;
};

}  // namespace faceloom
