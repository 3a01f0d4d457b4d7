#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/commands/command_table.h"
#include "convert/pack_formats.h"

class QAction;
class QListWidget;
class QWidget;

namespace faceloom {

class TAppForms;
class TCheckForm;
class TDefineDecoder;
class TFileDialogs;
class TInterfaceManager;
class TLang;
class TSmile;
class TSmileView;
class TSmileViewSmile;
struct TCheckFinding;
struct TCheckFix;
struct TCheckInput;
struct THistoryStepInfo;

// What the main window does for the commands: its progress display, its message boxes, its
// windows and the commands that are about the window rather than the pack.
class TCommandHost {
public:
    virtual ~TCommandHost() = default;
    virtual QWidget* DialogParent() = 0;
    virtual TFileDialogs& FileDialogs() = 0;
    virtual void ShowProgressWindow() = 0;
    virtual void HideProgressWindow() = 0;
    virtual void ShowPhase(int32_t phase, int32_t position, int32_t maximum) = 0;
    virtual void ShowFileProgress(const QString& fileName, int32_t position, int32_t errorCount) = 0;
    // The progress window with Cancel, for work that can stop halfway (hidden again by
    // HideProgressWindow); while it shows, the user's input reaches only it.
    virtual void ShowCancellableProgress() = 0;
    // Shows the phase and the position; false once the user has asked to cancel.
    virtual bool StepProgress(const QString& phase, int32_t position, int32_t maximum) = 0;
    // A message box: "Error", what was done and the file or folder it failed on.
    virtual void ReportFailure(const QString& action, const std::string& file) = 0;
    // Runs a write of the settings in file; a file that cannot be written is reported.
    virtual void StoreSettings(const std::string& file, const std::function<void()>& write) = 0;
    virtual void ShowSmileCount(const QString& text) = 0;
    // The mark of changes not yet saved (in the title).
    virtual void ShowModified(bool modified) = 0;
    // Runs modal with the main window hidden.
    virtual void WhileHidden(const std::function<void()>& modal) = 0;
    virtual void ShowOptions() = 0;
    virtual void ShowAbout() = 0;
    virtual void Exit() = 0;
};

// The main window's command layer: every smile, signature and pack command runs here. Each
// goes to the model first; only what the model carried out is mirrored in the grid and the
// signature list (so grid item i always shows smile i of the current pack), and a refusal or
// failure is reported once and changes neither. It owns the interface manager and one action
// per command, made from the command table; the manager's enabled state drives the actions,
// and an action runs its command only while its element is enabled.
//
// It has no widgets of its own: the grid and the list are the window's, given before the
// first command runs.
class TEditorCommands : public QObject {
    Q_OBJECT

public:
    // The actions are made as children of parent, so they can be found by their object names.
    TEditorCommands(TAppForms& forms, TCommandHost& host, QObject* parent);
    ~TEditorCommands() override;

    void SetViews(TSmileView* grid, QListWidget* list) {
        grid_ = grid;
        list_ = list;
    }

    // The model the commands work on (none while the pack engine is stopped).
    void SetModel(TDefineDecoder* model) { model_ = model; }
    TDefineDecoder* Model() const { return model_; }
    TInterfaceManager& Interface() const { return *interface_; }
    QAction* Action(TCommand command) const { return actions_[static_cast<std::size_t>(command)]; }
    // Triggers the command's action: nothing happens while its element is disabled.
    void Run(TCommand command);

    // Texts of the actions and the commands' own texts.
    void ApplyLanguage(const TLang& lang);

    // Pack commands.
    void NewPack();
    void OpenPack();
    void Save();
    void SaveAs();
    void ClosePack();
    void StaticPack();
    void AnimatedPack();
    void BothPacks();
    void Options();
    void About();
    void Exit();
    // Opens the pack at path (a _define.ini or, for both packs, a folder); failures are said.
    void OpenPath(const std::string& path);

    // Smile commands: on the smile under the context menu while it is open, else the selection.
    void AddSmiles();
    void ReplacePicture();
    void DeletePicture();
    void DeleteSmile();
    void Preview();
    void MoveSmileUp() { MoveSmile(kElementMoveSmileUp); }
    void MoveSmileLeft() { MoveSmile(kElementMoveSmileLeft); }
    void MoveSmileRight() { MoveSmile(kElementMoveSmileRight); }
    void MoveSmileDown() { MoveSmile(kElementMoveSmileDown); }
    // Signature commands, on the selected smile and the chosen signature.
    void AddSignature();
    void EditSignature();
    void MoveSignatureUp() { MoveSignature(true); }
    void MoveSignatureDown() { MoveSignature(false); }
    void DeleteSignature();
    void FindSignature();
    // The pack's history: the last step taken back, or the last one taken back done again.
    void Undo() { StepHistory(true); }
    void Redo() { StepHistory(false); }
    // Import and export. A folder of pictures added after the selection; a pack of another
    // messenger (or a zip of ours) as a new pack or into the current one; the current pack
    // written as a zip or another messenger's theme.
    void AddFolder();
    void Import();
    void Export();
    // Adds the smiles of the sources (folders, zips, pictures of any format we read, packs of
    // other messengers) before position: read, converted and checked for signature clashes
    // under the progress window, the clashes put to the user, then added as one undoable step;
    // the notes said at the end. False when nothing was added.
    bool ImportSources(const QStringList& sources, int32_t position);
    // Whether adding these files needs the import: a folder, an archive, or a picture that is
    // not of the pack's own kind. Files of the pack's own kind are added as they are.
    bool NeedsImport(const QStringList& files) const;
    // Where an export goes unless the user says otherwise: beside the pack's source folder,
    // named after it.
    QString ExportDestination(TPackFormat format) const;

    // Checks the current pack and shows the report, which then follows every change.
    void CheckPack();
    // After Open: the report shows itself only when the pack has errors or warnings.
    void CheckAfterOpen();
    // The report's choices: the finding's smile selected in the grid (and its signature in the
    // list); its fix applied as one undoable step, grid and list following.
    void ShowFinding(const TCheckFinding& finding);
    void FixFinding(const TCheckFix& fix);

    // Gives the keys back to the user's work after a command: the signature list after a
    // command on signatures (while it has any), the grid otherwise; never a button, so that
    // the next Enter or Space cannot quit or add by accident.
    void FocusWork(TCommand after = TCommand::Preview);

    // The grid's and the list's events.
    void SmileSelected(int32_t index);
    void SmileDragged(int32_t from, int32_t to);
    void FilesDropped(int32_t index, const QStringList& files);
    void SignatureClicked();
    // The context menu for the smile at index (-1: none, and no menu) is about to open: its
    // commands act on that smile until it is closed. False: no menu.
    bool ContextMenuOpening(int32_t index);
    void ContextMenuClosed();
    int32_t ContextSmile() const { return contextSmile_; }

    // Shared with start-up and shutdown.
    void UpdatePackState();
    void UpdateCount();
    // Deferred decoding: pictures decoded since the last call take their places in the grid;
    // once all are in, the counts and the commands follow.
    void PicturesDecoded();
    void DecodingDone();
    void FillGrid();
    void ShowSelectedSignatures();
    void ClearSignatureSelection();
    void ResetLastClicked() { lastClicked_ = -1; }
    int32_t LastClicked() const { return lastClicked_; }
    void SelectSaveTarget(bool bothPacks, bool& confirmed, std::string& path);
    void SelectOpenSource(bool bothPacks, bool& confirmed, std::string& path);
    void DefaultPackFolder(std::string& path);
    // Relabels every grid item after the model's labels changed.
    void RelabelAll();

private:
    void MakeActions(QObject* parent);
    void UpdateSmileCommands(int32_t index);
    void UpdatePopupMenu(int32_t index);
    // The smile a smile command acts on; from the menu tells whether it came from the menu.
    int32_t Target() const;
    // A command from the context menu is done: the smile commands follow the selection again.
    void EndMenuCommand();
    void StepHistory(bool back);
    // The undo and redo commands' enabled state, their hints (naming the step) and the mark of
    // unsaved changes, after anything that may have changed the history.
    void UpdateHistoryState();
    // The open report checks the pack again (closed with the pack).
    void RefreshCheck();
    // The report, its choices coming here.
    TCheckForm* CheckWindow();
    // The current pack as the check sees it, in the current language.
    TCheckInput CheckInput() const;
    QString StepText(const THistoryStepInfo& step) const;
    void InsertSmileFile(const QString& file, int32_t index);
    void InsertFiles(const QStringList& files, int32_t after, bool progress);
    // Adds files after the smile after: as they are, or through the import when they need it.
    void AddFiles(const QStringList& files, int32_t after, bool progress);
    bool MakeNewPack();
    QString ImportText(int id) const;
    // The notes of an import (and the sources it could not read at all) in one window.
    void ShowImportNotes(const QStringList& failures, const TImportNotes& notes);
    // A note's sentence in the language.
    QString NoteText(const TImportNote& note) const;
    void MoveSmile(int element);
    void MoveSignature(bool up);
    bool RefusedAsDuplicate(const std::string& text);
    void ShowSignaturesOf(const TSmile& smile, int32_t row);
    void SwitchPack(uint8_t pack);
    bool ShowNoSmilies();  // true: the notice was shown
    void ReportModelFailure(const std::string& fallback = {});
    void ReportSaveFailure(const std::string& target);
    // The report before saving was left by "Show": the check's report opens.
    void ShowCheckAsked();
    bool SelectFolder(const QString& title, const QString& root, QString& folder, int options);
    QStringList AskPictures(bool many);
    // An add (many) takes pictures of any format and archives; a replacement pictures.
    QString PictureFilter(bool forAdd) const;
    // Smile index gets the picture in file, converted for the pack as an add converts it.
    void ReplaceFrom(int32_t index, const QString& file);
    QString LabelText(int32_t index) const;
    TSmileViewSmile* GridSmileFor(TSmile* smile) const;
    void RelabelItem(int32_t index);
    void SelectSmile(int32_t index);
    int32_t RowStep() const;
    bool PackPresent() const;

    TAppForms& forms_;
    TCommandHost& host_;
    TSmileView* grid_ = nullptr;
    QListWidget* list_ = nullptr;
    TDefineDecoder* model_ = nullptr;
    std::unique_ptr<TInterfaceManager> interface_;
    std::array<QAction*, kCommandCount> actions_{};
    int32_t lastClicked_ = -1;
    int32_t contextSmile_ = -1;
    bool menuOpen_ = false;

    // Kept texts.
    QString addCaption_, findCaption_, editCaption_;
    std::array<QString, 2> typeNames_;
    QString allFilesTail_;
    QString openTitle_;
    QString saveTitle_;
    QString loadTitle_;
    QString pictureTitle_;
    QString picturesName_;  // the replacement's filter of picture files
    QString noSignature_;
    // Reasons the model and the conversion say by text id (too large for memory, the
    // decoders'), in the language.
    std::map<int, std::u16string> reasonTexts_;
    std::array<QString, 2> historyTexts_;  // "Undo", "Redo"
    std::array<QString, 9> stepTexts_;     // one per kind of step
    std::array<QString, 60> importTexts_;  // texts 2101 to 2160
    QString leftUnsignedText_;
    std::array<QString, 2> importPhases_;  // reading the sources, adding the smiles
    TPackFormat lastExportFormat_ = TPackFormat::Zip;
};

}  // namespace faceloom
