#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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
// Creation touches no other window; the pack engine starts at the first turn of the event loop
// after the window is shown, and stops when the window closes (or the session ends).
class TManagerMain : public QMainWindow {
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
    TInterfaceManager& Interface() const { return *interface_; }
    TGlobalConfigManager& Settings() const { return *settings_; }
    int32_t ContextSmile() const { return contextSmile_; }

    // Shared routines.
    void UpdatePackState();
    void FillGrid();
    void ApplyLanguage(const TLang& lang);
    void ApplyLanguageToAllWindows(const TLang& lang);
    void ShowProgressWindow();
    void HideProgressWindow();
    void ShowPhase(int32_t phase, int32_t position, int32_t maximum);
    void ShowFileProgress(const QString& fileName, int32_t position, int32_t errorCount);
    void QuerySaveChanges(int32_t& answer);
    void SelectSaveTarget(bool bothPacks, bool& confirmed, std::string& path);
    void SelectOpenSource(bool bothPacks, bool& confirmed, std::string& path);
    void DefaultPackFolder(std::string& path);
    void SuspendGridAnimation();
    // title, start folder; folder out. options: bit 1 = new-folder button.
    bool SelectFolder(const QString& title, const QString& root, QString& folder, int options);

    // Start-up and shutdown.
    bool ReadHandOver(std::string& baseFolder, std::string& packFolder);
    void StartPackEngine();
    bool StopPackEngine();
    void ApplicationEvents1Idle();

    // Pack commands.
    void NewPackClick();
    void OpenPackClick();
    void SaveClick();
    void SaveAsClick();
    void ClosePackClick();
    void StaticPackClick();
    void AnimatedPackClick();
    void BothPacksClick();
    void OptionsClick();
    void AboutClick();
    void ExitClick();
    void ToggleClick(int number);
    void VisualSettingsClick();

    // Smile and signature commands, grid and list events.
    void InsertSmileFile(const QString& file, int32_t index);
    void ShowSelectedSignatures();
    void UpdateSmileCommands(int32_t index);
    void UpdatePopupMenu(int32_t index);
    bool ConfirmIrreversible();
    void SmileView1Select(int32_t index);
    void SmileView1SmileMove(int32_t from, int32_t to);
    void SmileView1ContextMenu(const QPoint& screenPoint, int32_t index);
    void SmileView1DropFiles(int32_t index, const QStringList& files);
    void ListBox1Click();
    void AddSmilesClick();
    void AddSmileMenuClick();
    void ReplacePictureAt(int32_t index);
    void DeletePictureAt(int32_t index);
    void DeleteSmileAt(int32_t index);
    void MoveSmileClick(int element);
    void PreviewAt(int32_t index);
    void AddSignatureClick();
    void EditSignatureClick();
    void MoveSignatureClick(bool up);
    void DeleteSignatureClick();
    void FindSignatureClick();

    // The context menu (its items carry their object names).
    QMenu* ContextMenu() const { return menu_; }

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
    // Layout and texts.
    void BuildControls();
    void BuildToolbar();
    void BuildRightColumn(QWidget* column);
    void BuildBottomRow(QWidget* row);
    void BuildContextMenu();
    void BuildShortcuts();
    void RegisterInterfaceElements();
    void ApplySettingsToGrid();
    // The window's place and size kept in the global settings between runs.
    void RestoreGeometry();
    void StoreGeometry();
    // Runs command when its element is enabled.
    void Bind(QPushButton* button, int element, void (TManagerMain::*command)());

    // Grid helpers.
    TSmileViewSmile* GridSmileFor(TSmile* smile) const;
    QString LabelText(int32_t index) const;
    int32_t RowStep() const;
    void UpdateCount();
    void ClearSignatureSelection();
    void SelectSmile(int32_t index);
    // True when another smile has the signature; the user was told and may have been taken there.
    bool RefusedAsDuplicate(const std::string& text);
    void RelabelItem(int32_t index);
    QString PictureFilter() const;
    QStringList AskPictures(bool many);
    void InsertFiles(const QStringList& files, int32_t after, bool progress);
    void OpenStartPack();
    void OpenPath(const std::string& path);
    void HandOverOpening();
    void ReportUnreadableStates();
    int32_t PageTarget(int32_t index, bool down) const;
    static QString GridFontFamily(const QString& stored);
    void ShowNoSmilies();
    // A save the model refused or could not finish: said in a message box; the pack stays.
    void ReportSaveFailure(const std::string& target);
    // A message box: "Error", what was done and the file or folder it failed on.
    void ReportFailure(const QString& action, const std::string& file);
    // A smile or signature command the model refused or could not carry out: its reason and
    // the file it concerns (the model's, else fallback). Nothing was changed.
    void ReportModelFailure(const std::string& fallback = {});
    // Runs a write of the settings in file; a file that cannot be written is reported, and
    // what was set stays in force for this run only.
    void StoreSettings(const std::string& file, const std::function<void()>& write);

    TAppForms& forms_;
    std::string handOverSuffix_;

    // The last failed save's message, for tests and logs.
public:
    QString LastSaveFailure() const { return lastSaveFailure_; }

private:
    QString lastSaveFailure_;
    // Run state.
    bool engineRunning_ = false;
    bool refused_ = false;
    bool idleQueued_ = false;
    bool stopping_ = false;
    std::unique_ptr<TInstanceLock> lock_;
    int32_t lastClicked_ = -1;
    int32_t contextSmile_ = -1;
    std::unique_ptr<TDefineDecoder> model_;
    bool handedOver_ = false;
    std::string storageName_ = "Storage";
    std::string handOverBase_;
    std::string handOverPack_;
    std::unique_ptr<TStorageManager> globalStorage_;
    std::unique_ptr<TGlobalConfigManager> settings_;
    std::unique_ptr<TInterfaceManager> interface_;
    std::unique_ptr<TFileDialogs> fileDialogs_;
    QString startPackPath_;
    int startPackMode_ = -1;

    // Kept texts.
    std::array<QString, 4> phaseTexts_;
    QString addCaption_, findCaption_, editCaption_;
    std::array<QString, 2> typeNames_;
    QString allFilesTail_;
    QString openTitle_;
    QString saveTitle_;
    QString loadTitle_;
    QString pictureTitle_;
    QString errorCaption_;
    QString unreadableStateText_;
    std::u16string noSignatureText_ = u"\u041d\u0435\u0442";

    // Controls.
    TSmileView* grid_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* count_ = nullptr;
    std::array<QAction*, 14> toolActions_{};  // index = toolbar button number
    std::array<QPushButton*, 17> buttons_{};  // index = TntBitBtn number
    std::array<QToolButton*, 6> speed_{};     // index = TntSpeedButton number
    QMenu* menu_ = nullptr;
    QAction* addSmileItem_ = nullptr;
    QAction* replacePictureItem_ = nullptr;
    QAction* deleteSmileItem_ = nullptr;
    QAction* deletePictureItem_ = nullptr;
    QAction* previewItem_ = nullptr;
    std::array<QAction*, 5> shortcutActions_{};
};

}  // namespace faceloom
