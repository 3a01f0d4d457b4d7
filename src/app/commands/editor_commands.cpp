// The main window's commands. Every change goes to the model first; only what it carried out is
// mirrored in the grid and the signature list, so that grid item i always shows smile i of the
// current pack. A refusal or failure is said with its reason and leaves both as they were.
#include "app/commands/editor_commands.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QListWidget>
#include <algorithm>

#include "app/commands/interface_manager.h"
#include "app/commands/local_paths.h"
#include "app/commands/model_error_text.h"
#include "app/commands/suspended_grid.h"
#include "app/dialogs/app_forms.h"
#include "app/dialogs/check_form.h"
#include "app/dialogs/dialog_base.h"
#include "app/dialogs/file_dialogs.h"
#include "app/dialogs/no_smilies_form.h"
#include "app/dialogs/preview_form.h"
#include "app/dialogs/save_errors_form.h"
#include "app/dialogs/signature_form.h"
#include "app/dialogs/smile_exists_form.h"
#include "app/dialogs/warning_form.h"
#include "lang/builtin_texts.h"
#include "lang/lang.h"
#include "model/define_decoder.h"
#include "model/edit_history.h"
#include "model/pack_check.h"
#include "pictures/builtin_pictures.h"
#include "pictures/decoder_errors.h"
#include "platform/code_page.h"
#include "storage/config_manager.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

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

QStringList Texts(const TSignatureList& signatures) {
    QStringList texts;
    for (const std::string& signature : signatures.Items())
        texts.push_back(QString::fromStdU16String(CodePageToUnicode(signature)));
    return texts;
}

bool HasPictureOrError(TSmile* smile) {
    return smile && (smile->Picture.load() || smile->LoadError);
}

}  // namespace

TEditorCommands::TEditorCommands(TAppForms& forms, TCommandHost& host, QObject* parent)
    : QObject(parent), forms_(forms), host_(host), interface_(std::make_unique<TInterfaceManager>()) {
    setObjectName("EditorCommands");
    MakeActions(parent);
}

TEditorCommands::~TEditorCommands() = default;

void TEditorCommands::MakeActions(QObject* parent) {
    for (const TCommandSpec& spec : CommandTable()) {
        auto* action = new QAction(parent);
        action->setObjectName(QString::fromLatin1(spec.ObjectName));
        action->setCheckable(spec.Checkable);
        // The toolbar's keys are the actions' own; the others depend on where the focus is, and
        // the window routes them to the actions.
        if (spec.ToolButton > 0 && spec.Keys) {
            QList<QKeySequence> keys{QKeySequence(QString::fromLatin1(spec.Keys))};
            // Redo answers the other desktops' key as well.
            if (spec.Command == TCommand::Redo) keys.push_back(QKeySequence(QStringLiteral("Ctrl+Y")));
            action->setShortcuts(keys);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        const TCommand command = spec.Command;
        connect(action, &QAction::triggered, this, [this, command] {
            const TCommandSpec& row = CommandSpec(command);
            // The one place that decides whether a command may run, however it was triggered.
            if (row.Element != kNoElement && !interface_->IsEnabled(row.Element)) return;
            (this->*row.Handler)();
            // Whatever the command changed, undo and redo name the step they would take now,
            // and the open report of the check shows the pack as it is now.
            UpdateHistoryState();
            if (command != TCommand::CheckPack && command != TCommand::OpenPack) RefreshCheck();
            FocusWork(command);
        });
        actions_[static_cast<std::size_t>(spec.Command)] = action;
        if (spec.Element != kNoElement) interface_->RegisterControl(spec.Element, action);
    }
    Action(TCommand::AnimatedPack)->setChecked(true);
    Action(TCommand::BothPacks)->setChecked(true);
}

void TEditorCommands::FocusWork(TCommand after) {
    if (!grid_ || !list_) return;
    const TElement element = CommandSpec(after).Element;
    const bool onSignatures = element >= kElementAddSignature && element <= kElementMoveSignatureDown &&
                              element != kElementFindSignature;
    QWidget* work = onSignatures && list_->count() > 0 ? static_cast<QWidget*>(list_) : grid_;
    work->setFocus(Qt::OtherFocusReason);
}

void TEditorCommands::Run(TCommand command) {
    Action(command)->trigger();
}

void TEditorCommands::ApplyLanguage(const TLang& lang) {
    for (const TCommandSpec& spec : CommandTable()) {
        QAction* action = Action(spec.Command);
        action->setText(Text(lang, spec.Text));
        action->setToolTip(WithShortcut(Text(lang, spec.Text), spec.Keys));
    }
    addCaption_ = Text(lang, kTextAddSignatureCaption);
    findCaption_ = Text(lang, kTextFindSignatureCaption);
    editCaption_ = Text(lang, kTextEditSignatureCaption);
    typeNames_[0] = Text(lang, kTextStaticPictures);
    typeNames_[1] = Text(lang, kTextAnimatedPictures);
    allFilesTail_ = "|" + Text(lang, kTextAllFiles) + " (*.*)|*.*";
    openTitle_ = Text(lang, kTextOpenTitle);
    saveTitle_ = Text(lang, kTextSaveTitle);
    loadTitle_ = Text(lang, kTextOpenTitle);
    pictureTitle_ = Text(lang, kTextPictureTitle);
    picturesName_ = Text(lang, kTextPictureFiles);
    noSignature_ = Text(lang, kTextNoSignature);
    reasonTexts_.clear();
    reasonTexts_[kCheckTextTooLargeForMemory] = Text(lang, kCheckTextTooLargeForMemory).toStdU16String();
    for (const TDecoderMessageText& message : kDecoderMessages)
        if (message.TextId != 0) reasonTexts_[message.TextId] = Text(lang, message.TextId).toStdU16String();
    historyTexts_ = {Text(lang, kTextUndo), Text(lang, kTextRedo)};
    for (size_t k = 0; k < stepTexts_.size(); ++k)
        stepTexts_[k] = Text(lang, kTextFirstHistoryStep + static_cast<int>(k));
    for (size_t k = 0; k < importTexts_.size(); ++k)
        importTexts_[k] = Text(lang, kImportTextBase + static_cast<int>(k));
    leftUnsignedText_ = Text(lang, kTextLeftUnsigned);
    importPhases_ = {Text(lang, kTextFirstPhase), Text(lang, kTextFirstPhase + 3)};
    UpdateHistoryState();
    // A reason the check words itself (too large for memory) is in the findings: made again.
    RefreshCheck();
}

// --- Shared routines -------------------------------------------------------------------------

bool TEditorCommands::PackPresent() const {
    return model_ && model_->PresentPacks().Contains(model_->CurrentPack());
}

void TEditorCommands::UpdatePackState() {
    const bool present = PackPresent();
    host_.ShowSmileCount(present ? QString::number(model_->SmileCount()) : QString());
    const uint8_t current = model_ ? model_->CurrentPack() : kAnimatedPack;
    QAction* staticPack = Action(TCommand::StaticPack);
    QAction* animatedPack = Action(TCommand::AnimatedPack);
    QAction* bothPacks = Action(TCommand::BothPacks);
    // The pack buttons show the pack the grid shows, exactly one of them; the both-packs button
    // shows the mode on its own. A key or click that toggled a button is undone here.
    staticPack->setChecked(model_ ? current == kStaticPack : staticPack->isChecked());
    animatedPack->setChecked(model_ ? current == kAnimatedPack : animatedPack->isChecked());
    bothPacks->setChecked(model_ ? model_->BothMode() : bothPacks->isChecked());
    interface_->SetEnabled(kElementAddSmiles, present);
    interface_->SetEnabled(kElementFindSignature, present);
    interface_->SetEnabled(kElementCheckPack, present);
    interface_->SetEnabled(kElementAddFolder, present);
    interface_->SetEnabled(kElementExport, present);
    // A pack of another messenger can come in as a new pack whatever is shown.
    interface_->SetEnabled(kElementImport, model_ != nullptr);
    grid_->SetEnableDragAccept(present);
    const bool packLevel = model_ && (model_->BothMode() ? !model_->PresentPacks().Empty() : present);
    for (int element : {kElementSave, kElementSaveAs, kElementClosePack})
        interface_->SetEnabled(element, packLevel);
    UpdateHistoryState();
}

void TEditorCommands::UpdateCount() {
    host_.ShowSmileCount(PackPresent() ? QString::number(model_->SmileCount()) : QString());
    UpdateHistoryState();
}

QString TEditorCommands::StepText(const THistoryStepInfo& step) const {
    const auto kind = static_cast<size_t>(step.Kind);
    const QString format = kind < stepTexts_.size() ? stepTexts_[kind] : QString();
    const QString label =
        step.Label.empty() ? noSignature_ : QString::fromStdU16String(CodePageToUnicode(step.Label));
    // %1 the smile's number as the user counts, %2 its label, %3 how many smiles, %4 the signature.
    return QString::fromStdU16String(FillPlaceholders(
        format.toStdU16String(), {std::to_string(step.Index + 1), label.toStdString(),
                                  std::to_string(step.Count), Utf16ToUtf8(CodePageToUnicode(step.Text))}));
}

void TEditorCommands::UpdateHistoryState() {
    const bool present = PackPresent();
    for (const bool back : {true, false}) {
        THistoryStepInfo step;
        const bool some = present && (back ? model_->NextUndo(step) : model_->NextRedo(step));
        interface_->SetEnabled(back ? kElementUndo : kElementRedo, some);
        const TCommandSpec& spec = CommandSpec(back ? TCommand::Undo : TCommand::Redo);
        const QString& name = historyTexts_[back ? 0 : 1];
        Action(spec.Command)->setToolTip(WithShortcut(some ? name + ": " + StepText(step) : name, spec.Keys));
    }
    host_.ShowModified(present && model_->Modified(model_->CurrentPack()));
}

void TEditorCommands::StepHistory(bool back) {
    EndMenuCommand();
    if (!PackPresent()) return;
    bool done = false;
    {
        TSuspendedGrid suspended(*grid_);
        done = back ? model_->Undo() : model_->Redo();
        if (done) {
            // Only the smiles the step changed are made again in the grid.
            const TListChange change = model_->LastChange();
            for (int32_t k = 0; k < change.Removed && change.First < grid_->Count(); ++k)
                grid_->Smiles().Delete(change.First);
            for (int32_t k = 0; k < change.Inserted; ++k) {
                const int32_t i = change.First + k;
                grid_->Smiles().InsertObject(i, LabelText(i), GridSmileFor(model_->Smile(i)));
            }
        }
    }
    if (!done) {
        ReportModelFailure();
        UpdateHistoryState();
        return;
    }
    const int32_t first = model_->LastChange().First;
    grid_->SetItemIndex(first < grid_->Count() ? first : grid_->Count() - 1);
    grid_->ScrollIntoView(grid_->ItemIndex());
    SmileSelected(grid_->ItemIndex());
    UpdateCount();
}

QString TEditorCommands::LabelText(int32_t index) const {
    return model_ ? QString::fromStdU16String(CodePageToUnicode(model_->Label(index))) : QString();
}

TSmileViewSmile* TEditorCommands::GridSmileFor(TSmile* smile) const {
    auto* own = dynamic_cast<TSmileViewSmile*>(smile);
    // A smile whose picture is still being decoded shows itself: the picture appears in place.
    if (own && (own->Picture.load() || own->Pending)) return own;
    auto* placeholder = new TSmileViewSmile();
    placeholder->SetPicture(BuiltinPicture(smile && smile->LoadError ? kPictureFailed : kPictureMissing));
    return placeholder;
}

void TEditorCommands::PicturesDecoded() {
    if (!model_) return;
    for (int32_t i = 0; i < grid_->Count() && i < model_->SmileCount(); ++i) {
        TSmile* smile = model_->Smile(i);
        // Decoded without a picture: the placeholder of a missing or damaged one takes its place.
        if (grid_->Smiles().GetSmile(i) == smile && !smile->Pending && !smile->Picture.load()) {
            TSuspendedGrid suspended(*grid_);
            grid_->Smiles().SetSmile(i, GridSmileFor(smile));
        }
    }
    // The new pictures' sizes decide the columns and rows.
    grid_->Relayout();
}

void TEditorCommands::DecodingDone() {
    if (!model_) return;
    PicturesDecoded();
    // Told just before the decoding thread counts as idle: the wait is a moment at most.
    model_->FinishDecoding();
    UpdateSmileCommands(Target());
    UpdateCount();
    // The pictures decoded since the report was made change what it finds.
    RefreshCheck();
}

void TEditorCommands::FillGrid() {
    if (!model_) return;
    for (int32_t i = 0; i < model_->SmileCount(); ++i)
        grid_->Smiles().AddObject(LabelText(i), GridSmileFor(model_->Smile(i)));
}

void TEditorCommands::RelabelAll() {
    if (!model_) return;
    for (int32_t i = 0; i < grid_->Count() && i < model_->SmileCount(); ++i)
        grid_->Smiles().Put(i, LabelText(i));
}

void TEditorCommands::RelabelItem(int32_t index) {
    if (index >= 0 && index < grid_->Count()) grid_->Smiles().Put(index, LabelText(index));
}

void TEditorCommands::SelectSmile(int32_t index) {
    if (grid_->ItemIndex() != index) grid_->SetItemIndex(index);
}

int32_t TEditorCommands::RowStep() const {
    const int32_t n = grid_->Count();
    const int32_t w = grid_->RowWidth();
    return w > 0 && w <= n ? w : n;
}

void TEditorCommands::ClearSignatureSelection() {
    list_->setCurrentRow(-1);
    lastClicked_ = -1;
    SignatureClicked();
}

void TEditorCommands::ShowSelectedSignatures() {
    list_->clear();
    const int32_t selected = grid_->ItemIndex();
    if (selected < 0 || !model_) return;
    if (TSmile* smile = model_->Smile(selected)) list_->addItems(Texts(smile->Signatures));
}

// The list shows the smile's signatures with row chosen, as a click leaves it.
void TEditorCommands::ShowSignaturesOf(const TSmile& smile, int32_t row) {
    list_->clear();
    list_->addItems(Texts(smile.Signatures));
    list_->setCurrentRow(row);
    lastClicked_ = -1;
    SignatureClicked();
}

void TEditorCommands::UpdateSmileCommands(int32_t i) {
    const bool some = i != -1 && model_ && i < model_->SmileCount();
    interface_->SetEnabled(kElementDeletePicture, some && HasPictureOrError(model_->Smile(i)));
    for (int element : {kElementReplacePicture, kElementPreview, kElementDeleteSmile, kElementAddSignature})
        interface_->SetEnabled(element, some);
    interface_->SetEnabled(kElementMoveSmileUp, some && grid_->CanMove(i, 2));
    interface_->SetEnabled(kElementMoveSmileLeft, some && grid_->CanMove(i, 0));
    interface_->SetEnabled(kElementMoveSmileRight, some && grid_->CanMove(i, 1));
    interface_->SetEnabled(kElementMoveSmileDown, some && grid_->CanMove(i, 3));
}

void TEditorCommands::UpdatePopupMenu(int32_t i) {
    Action(TCommand::DeletePicture)->setVisible(i != -1 && model_ && HasPictureOrError(model_->Smile(i)));
}

int32_t TEditorCommands::Target() const {
    return menuOpen_ ? contextSmile_ : grid_->ItemIndex();
}

bool TEditorCommands::ContextMenuOpening(int32_t index) {
    if (index == -1) {
        contextSmile_ = -1;
        return false;
    }
    UpdatePopupMenu(index);
    contextSmile_ = index;
    // The menu's items are the commands' actions: while it is open they act on, and are enabled
    // for, the smile under it.
    menuOpen_ = true;
    UpdateSmileCommands(index);
    return true;
}

void TEditorCommands::ContextMenuClosed() {
    EndMenuCommand();
}

void TEditorCommands::EndMenuCommand() {
    if (!menuOpen_) return;
    menuOpen_ = false;
    // A hidden action is also a disabled one: shown again, it follows its element.
    Action(TCommand::DeletePicture)->setVisible(true);
    UpdateSmileCommands(grid_->ItemIndex());
}

void TEditorCommands::ReportModelFailure(const std::string& fallback) {
    const std::string& file = model_->LastErrorFile();
    host_.ReportFailure(forms_.ErrorTexts.Text(model_->LastError(), file.empty() ? fallback : file), {});
}

// --- Files and folders -----------------------------------------------------------------------

QString TEditorCommands::PictureFilter(bool forAdd) const {
    const int p = model_ ? model_->CurrentPack() : kAnimatedPack;
    const QString ext = p == kStaticPack ? "bmp" : "gif";
    // A replacement takes a picture of any format it can convert, an add archives too.
    if (!forAdd) {
        const QString pictures = "*.gif;*.bmp;*.png;*.jpg;*.jpeg;*.webp";
        return picturesName_ + " (" + pictures + ")|" + pictures + "|" + typeNames_[p] + " (*." + ext +
               ")|*." + ext + allFilesTail_;
    }
    // For an add, first everything an add takes (pictures of other formats are converted), then the
    // pack's own kind.
    const QString all = "*.gif;*.bmp;*.png;*.jpg;*.jpeg;*.webp;*.zip";
    return ImportText(kTextPicturesAndArchives) + " (" + all + ")|" + all + "|" + typeNames_[p] + " (*." +
           ext + ")|*." + ext + allFilesTail_;
}

QStringList TEditorCommands::AskPictures(bool many) {
    TOpenFileRequest request;
    request.Title = pictureTitle_;
    request.Filter = PictureFilter(many);
    request.DefaultExtension = model_ && model_->CurrentPack() == kStaticPack ? "bmp" : "gif";
    if (many) return host_.FileDialogs().OpenFiles(host_.DialogParent(), request);
    const std::optional<QString> file = host_.FileDialogs().OpenFile(host_.DialogParent(), request);
    return file ? QStringList{*file} : QStringList{};
}

bool TEditorCommands::SelectFolder(const QString& title, const QString& root, QString& folder, int options) {
    const std::optional<QString> chosen =
        host_.FileDialogs().SelectFolder(host_.DialogParent(), title, root, (options & 1) != 0);
    if (!chosen) return false;
    folder = *chosen;
    return true;
}

void TEditorCommands::SelectSaveTarget(bool bothPacks, bool& confirmed, std::string& path) {
    QString folder;
    if (bothPacks) {
        confirmed = SelectFolder(saveTitle_, FromLocal(path), folder, 9);
        if (confirmed) path = ToLocal(QDir::toNativeSeparators(folder));
        return;
    }
    const QString start = QFileInfo(FromLocal(path)).path();
    confirmed = SelectFolder(saveTitle_, path.empty() ? QString() : start, folder, 9);
    if (confirmed) {
        if (!folder.endsWith('/')) folder += '/';
        path = ToLocal(folder + "_define.ini");
    }
}

void TEditorCommands::SelectOpenSource(bool bothPacks, bool& confirmed, std::string& path) {
    if (bothPacks) {
        QString folder;
        confirmed = SelectFolder(openTitle_, FromLocal(path), folder, 8);
        if (confirmed) path = ToLocal(folder);
        return;
    }
    TOpenFileRequest request;
    request.Title = openTitle_;
    request.Filter = "_define.ini|_define.ini" + allFilesTail_;
    request.StartFolder = FromLocal(path);
    const std::optional<QString> file = host_.FileDialogs().OpenFile(host_.DialogParent(), request);
    confirmed = file.has_value();
    if (confirmed) path = ToLocal(*file);
}

void TEditorCommands::DefaultPackFolder(std::string& path) {
    if (!model_) {
        path.clear();
        return;
    }
    if (model_->BothMode() && model_->BothPathsAssigned()) {
        path = model_->BothPath();
    } else {
        const uint8_t pack = model_->CurrentPack();
        path = model_->SourcedPacks().Contains(pack) ? model_->SourcePath(pack) : std::string();
    }
}

// --- Pack commands ---------------------------------------------------------------------------

void TEditorCommands::NewPack() {
    MakeNewPack();
}

bool TEditorCommands::MakeNewPack() {
    if (!model_) return false;
    bool made = false;
    {
        TSuspendedGrid suspended(*grid_);
        made = model_->NewPack();
        if (made) grid_->Smiles().Clear();
    }
    ClearSignatureSelection();
    if (made) list_->clear();
    UpdatePackState();
    return made;
}

void TEditorCommands::OpenPack() {
    if (!model_) return;
    std::string path;
    DefaultPackFolder(path);
    bool confirmed = false;
    SelectOpenSource(model_->BothMode(), confirmed, path);
    if (!confirmed) return;
    OpenPath(path);
}

void TEditorCommands::OpenPath(const std::string& path) {
    if (!model_) return;
    bool opened = false;
    ClearSignatureSelection();
    list_->clear();
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().Clear();
        // Whatever the outcome, the grid shows what the model then holds.
        opened = model_->OpenPack(path);
        FillGrid();
    }
    UpdatePackState();
    // A cancelled question is no failure; anything else left the pack shown as it was.
    if (!opened && model_->LastError() != TModelError::Cancelled && model_->LastError() != TModelError::None)
        host_.ReportFailure(loadTitle_ + "\n" + forms_.ErrorTexts.Reason(model_->LastError()), path);
    // After every attempt, a cancelled one too: the notice speaks of the pack shown. It says
    // all there is to say about a pack without pictures: the report waits for the user's check.
    const bool noticed = ShowNoSmilies();
    if (opened && !noticed) CheckAfterOpen();
    if (opened && noticed) RefreshCheck();
}

bool TEditorCommands::ShowNoSmilies() {
    // The pack shown has no picture of its kind. Counted here, not by ErrorCount(1): in the
    // both-packs mode that sums the missing files of both packs.
    int32_t missing = 0;
    for (int32_t i = 0; i < model_->SmileCount(); ++i) {
        const TSmile* smile = model_->Smile(i);
        if (!smile->Picture.load() && !smile->LoadError) ++missing;
    }
    if (missing != model_->SmileCount() || !forms_.NoSmiliesForm) return false;
    forms_.NoSmiliesForm->ShowModal();
    return true;
}

namespace {

// The error report before saving; false when the user chose not to save.
bool ReportErrors(TDefineDecoder& model, TAppForms& forms) {
    // Pictures still being decoded at start-up would be missing from the counts.
    model.FinishDecoding();
    // The check's own errors that the model does not count: a signature on two smiles.
    int32_t duplicates = 0;
    if (model.PresentPacks().Contains(model.CurrentPack())) {
        const TCheckResult signatures = CheckSignaturesOf(CheckInputOf(model));
        duplicates = static_cast<int32_t>(
            std::count_if(signatures.Findings.begin(), signatures.Findings.end(),
                          [](const TCheckFinding& f) { return f.Kind == TCheckKind::DuplicateSignature; }));
        duplicates += std::max(signatures.Omitted[static_cast<size_t>(TCheckKind::DuplicateSignature)], 0);
    }
    if ((!model.HasErrors() && duplicates == 0) || !forms.SaveErrorsForm) return true;
    forms.SaveErrorsForm->SetCounts(model.ErrorCount(0), model.ErrorCount(1), model.ErrorCount(2),
                                    duplicates);
    // Only "Yes" (an OK-kind button) saves; "No", Escape and the close box give Cancel.
    const int result = forms.SaveErrorsForm->ShowModal();
    return result == kResultOk || result == kResultYes;
}

}  // namespace

void TEditorCommands::Save() {
    if (!model_) return;
    if (!ReportErrors(*model_, forms_)) return ShowCheckAsked();
    std::string target;
    DefaultPackFolder(target);
    if (!model_->Save()) ReportSaveFailure(target);
    UpdatePackState();
}

void TEditorCommands::SaveAs() {
    if (!model_) return;
    if (!ReportErrors(*model_, forms_)) return ShowCheckAsked();
    std::string path;
    DefaultPackFolder(path);
    bool confirmed = false;
    SelectSaveTarget(model_->BothMode(), confirmed, path);
    if (confirmed && !model_->SaveAs(path)) ReportSaveFailure(path);
    UpdatePackState();
}

void TEditorCommands::ShowCheckAsked() {
    if (forms_.SaveErrorsForm && forms_.SaveErrorsForm->ShowChosen()) CheckPack();
}

void TEditorCommands::ReportSaveFailure(const std::string& target) {
    // A cancelled folder choice is no failure; anything else left the target as it was.
    if (model_->LastError() == TModelError::Cancelled || model_->LastError() == TModelError::None) return;
    host_.ReportFailure(saveTitle_ + "\n" + forms_.ErrorTexts.Reason(model_->LastError()), target);
}

void TEditorCommands::ClosePack() {
    if (!model_) return;
    TSuspendedGrid suspended(*grid_);
    if (model_->ClosePack()) {
        grid_->Smiles().Clear();
        ClearSignatureSelection();
        list_->clear();
        UpdatePackState();
    } else {
        UpdatePackState();
        // "Save" answered, and the save failed: the pack stays open, and the user learns why.
        ReportSaveFailure(model_->SourcePath(model_->CurrentPack()));
    }
}

void TEditorCommands::SwitchPack(uint8_t pack) {
    if (!model_ || model_->CurrentPack() == pack) return UpdatePackState();
    lastClicked_ = -1;
    list_->clear();
    SignatureClicked();
    model_->SetCurrentPack(pack);
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().Clear();
        FillGrid();
    }
    UpdatePackState();
}

void TEditorCommands::StaticPack() {
    SwitchPack(kStaticPack);
}

void TEditorCommands::AnimatedPack() {
    SwitchPack(kAnimatedPack);
}

void TEditorCommands::BothPacks() {
    if (!model_) return UpdatePackState();
    model_->SetBothMode(Action(TCommand::BothPacks)->isChecked());
    UpdatePackState();
}

void TEditorCommands::Options() {
    host_.ShowOptions();
}

void TEditorCommands::About() {
    host_.ShowAbout();
}

void TEditorCommands::Exit() {
    host_.Exit();
}

// --- The pack check ---------------------------------------------------------------------------

namespace {

bool SameFix(const TCheckFix& a, const TCheckFix& b) {
    return a.Action == b.Action && a.Smile == b.Smile && a.Signature == b.Signature &&
           a.Expected == b.Expected && a.SamePictureAs == b.SamePictureAs;
}

}  // namespace

TCheckForm* TEditorCommands::CheckWindow() {
    TCheckForm* form = forms_.CheckForm.get();
    if (!form) return nullptr;
    form->OnChoose = [this](const TCheckFinding& finding) { ShowFinding(finding); };
    form->OnFix = [this](const TCheckFinding& finding) { FixFinding(finding.Fix); };
    form->OnAlternative = [this](const TCheckFinding& finding) { FixFinding(finding.Alternative); };
    // Closed, it hands the keys back to the grid of the window it reports on.
    form->OnClosed = [this] {
        if (QWidget* owner = host_.DialogParent()) {
            owner->raise();
            owner->activateWindow();
        }
        FocusWork();
    };
    return form;
}

void TEditorCommands::CheckPack() {
    EndMenuCommand();
    TCheckForm* form = CheckWindow();
    if (!form || !PackPresent()) return;
    // A picture still being decoded at start-up would read as missing.
    model_->FinishDecoding();
    form->SetResult(faceloom::CheckPack(CheckInput()));
    form->ShowReport(true, host_.DialogParent());
}

TCheckInput TEditorCommands::CheckInput() const {
    TCheckInput input = CheckInputOf(*model_);
    input.Texts = [texts = reasonTexts_](int id) {
        const auto it = texts.find(id);
        return it != texts.end() && !it->second.empty() ? it->second : std::u16string(BuiltinText(id));
    };
    return input;
}

void TEditorCommands::CheckAfterOpen() {
    TCheckForm* form = CheckWindow();
    if (!form || !PackPresent()) return;
    TCheckResult result = faceloom::CheckPack(CheckInput());
    // Errors only: warnings (a code inside a longer one, say) are many in an ordinary pack and
    // wait for the user's own check.
    const bool worth = result.Count(TCheckSeverity::Error) > 0;
    form->SetResult(std::move(result));
    // Raised with the keys, so that Enter meant for it does not act on the window behind.
    if (worth || form->isVisible()) form->ShowReport(true, host_.DialogParent());
}

void TEditorCommands::RefreshCheck() {
    TCheckForm* form = forms_.CheckForm.get();
    // While pictures are decoded at start-up the report waits: it is made again when all are in.
    if (!form || !form->isVisible() || (model_ && model_->Decoding())) return;
    if (!PackPresent()) {
        form->hide();
        return;
    }
    form->SetResult(faceloom::CheckPack(CheckInput()));
}

void TEditorCommands::ShowFinding(const TCheckFinding& finding) {
    if (!PackPresent() || finding.Smiles.empty()) return;
    const int32_t s = finding.Smiles.front();
    const int32_t g = finding.Signatures.empty() ? -1 : finding.Signatures.front();
    TSmile* smile = model_->Smile(s);
    if (!smile || s >= grid_->Count()) return;
    EndMenuCommand();
    SelectSmile(s);
    grid_->ScrollIntoView(s);
    ShowSignaturesOf(*smile, g >= 0 && g < smile->Signatures.Count() ? g : -1);
}

void TEditorCommands::FixFinding(const TCheckFix& chosen) {
    EndMenuCommand();
    if (!PackPresent()) return;
    // The report's result is replaced below: the fix is kept apart.
    const TCheckFix fix = chosen;
    // Applied only while the pack still has the problem the fix was made for; otherwise the
    // report just catches up with the pack.
    const TCheckResult now = faceloom::CheckPack(CheckInput());
    const bool current = std::any_of(now.Findings.begin(), now.Findings.end(), [&](const TCheckFinding& f) {
        return SameFix(f.Fix, fix) || SameFix(f.Alternative, fix);
    });
    if (fix.Action == TFixAction::None || !current) return RefreshCheck();
    if (fix.Action == TFixAction::ReplacePicture) {
        // The user chooses the picture, and it is replaced as the command does it.
        SelectSmile(fix.Smile);
        grid_->ScrollIntoView(fix.Smile);
        Run(TCommand::ReplacePicture);
        RefreshCheck();
        return;
    }
    if (!ApplyFix(*model_, fix)) {
        ReportModelFailure();
    } else if (fix.Action == TFixAction::DeleteSmile) {
        grid_->Smiles().Delete(fix.Smile);
        const int32_t next = fix.Smile >= 1 ? fix.Smile - 1 : (grid_->Count() > 0 ? 0 : -1);
        grid_->SetItemIndex(next);
        SmileSelected(grid_->ItemIndex());
        UpdateCount();
    } else if (TSmile* smile = model_->Smile(fix.Smile)) {
        RelabelItem(fix.Smile);
        SelectSmile(fix.Smile);
        const int32_t count = smile->Signatures.Count();
        ShowSignaturesOf(*smile, count > 0 ? std::min(fix.Signature, count - 1) : -1);
    }
    UpdateHistoryState();
    RefreshCheck();
}

// --- Smile commands --------------------------------------------------------------------------

void TEditorCommands::InsertSmileFile(const QString& file, int32_t index) {
    if (!model_) return;
    const bool append = index >= grid_->Count();
    TSmile* smile = append ? model_->AddSmile(ToLocal(file)) : model_->InsertSmile(index, ToLocal(file));
    // The model added nothing (a folder, an unreadable file): the grid stays in step.
    if (!smile) return;
    const int32_t at = append ? grid_->Count() : index;
    if (append) {
        grid_->Smiles().AddObject(LabelText(at), GridSmileFor(smile));
    } else {
        grid_->Smiles().InsertObject(at, LabelText(at), GridSmileFor(smile));
    }
}

void TEditorCommands::InsertFiles(const QStringList& files, int32_t after, bool progress) {
    const int32_t n = static_cast<int32_t>(files.size());
    if (progress) {
        host_.ShowProgressWindow();
        host_.ShowPhase(3, 0, n);
    }
    int32_t k = after;
    // The files the model did not take, said together once the progress window is gone.
    QString failures;
    TModelError lastReason = TModelError::None;
    // However many files, one step of the history.
    model_->BeginStep();
    {
        TSuspendedGrid suspended(*grid_);
        for (int32_t j = 0; j < n; ++j) {
            if (progress) host_.ShowFileProgress(QFileInfo(files[j]).fileName(), j, 0);
            const int32_t before = grid_->Count();
            InsertSmileFile(files[j], k + 1);
            // Only a file the model took moves the insertion point on.
            if (grid_->Count() > before) {
                ++k;
                continue;
            }
            const TModelError reason = model_->LastError();
            const std::string& file = model_->LastErrorFile();
            const std::string named = file.empty() ? ToLocal(files[j]) : file;
            if (!failures.isEmpty()) failures += reason == lastReason ? "\n" : "\n\n";
            failures += reason == lastReason ? FromLocal(named) : forms_.ErrorTexts.Text(reason, named);
            lastReason = reason;
        }
    }
    model_->EndStep();
    if (progress) host_.HideProgressWindow();
    ShowSelectedSignatures();
    if (k >= 0 && grid_->ItemIndex() != k) grid_->SetItemIndex(k);
    UpdateCount();
    if (!failures.isEmpty()) host_.ReportFailure(failures, {});
}

void TEditorCommands::AddSmiles() {
    if (!PackPresent()) return;
    // From the menu: after the smile under it, without the progress window.
    const bool fromMenu = menuOpen_;
    const int32_t after = Target();
    EndMenuCommand();
    const QStringList files = AskPictures(true);
    if (files.isEmpty()) return;
    AddFiles(files, after, !fromMenu);
}

void TEditorCommands::FilesDropped(int32_t index, const QStringList& files) {
    if (!PackPresent()) return;
    AddFiles(files, index, true);
    UpdateHistoryState();
    RefreshCheck();
}

void TEditorCommands::ReplacePicture() {
    const int32_t i = Target();
    EndMenuCommand();
    if (!model_ || i < 0 || i >= grid_->Count()) return;
    const QStringList files = AskPictures(false);
    if (files.isEmpty()) return;
    ReplaceFrom(i, files.front());
}

void TEditorCommands::DeletePicture() {
    const int32_t i = Target();
    EndMenuCommand();
    if (!model_ || i < 0 || i >= grid_->Count()) return;
    if (!model_->DeletePicture(i)) return ReportModelFailure();
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().SetSmile(i, GridSmileFor(model_->Smile(i)));
    }
    UpdateSmileCommands(grid_->ItemIndex());
}

void TEditorCommands::DeleteSmile() {
    const int32_t i = Target();
    EndMenuCommand();
    if (!model_ || i < 0 || i >= grid_->Count()) return;
    if (!model_->DeleteSmile(i)) return ReportModelFailure();
    grid_->Smiles().Delete(i);
    if (i >= 1) {
        grid_->SetItemIndex(i - 1);
    } else if (grid_->Count() > 0) {
        grid_->SetItemIndex(0);
    } else {
        grid_->SetItemIndex(-1);
    }
    SmileSelected(grid_->ItemIndex());
    UpdateCount();
}

void TEditorCommands::MoveSmile(int element) {
    if (!model_) return;
    const int32_t i = grid_->ItemIndex();
    if (i < 0) return;
    const int32_t w = RowStep();
    const int32_t t = element == kElementMoveSmileUp      ? i - w
                      : element == kElementMoveSmileLeft  ? i - 1
                      : element == kElementMoveSmileRight ? i + 1
                                                          : i + w;
    if (t < 0 || t >= grid_->Count()) return;
    if (!model_->MoveSmile(i, t)) return ReportModelFailure();
    grid_->Smiles().Move(i, t);
    grid_->SetItemIndex(t);
}

void TEditorCommands::Preview() {
    const int32_t i = Target();
    EndMenuCommand();
    if (!model_ || i < 0 || i >= grid_->Count() || !forms_.PreviewForm) return;
    TSuspendedGrid suspended(*grid_);
    TRef<TSmileLabelSmile> instance(new TSmileLabelSmile());
    if (TSmileViewSmile* item = grid_->Smiles().GetSmile(i)) instance->SetPicture(item->Picture.load());
    host_.WhileHidden([&] {
        TSmileLabel& label = *forms_.PreviewForm->Label();
        label.SetSmile(instance.get());
        forms_.PreviewForm->ShowModal();
        label.SetSmile(nullptr);
    });
    grid_->viewport()->update();
}

// --- The grid's and the list's events ----------------------------------------------------------

void TEditorCommands::SmileSelected(int32_t index) {
    UpdateSmileCommands(index);
    ShowSelectedSignatures();
    lastClicked_ = -1;
    SignatureClicked();
}

void TEditorCommands::SmileDragged(int32_t from, int32_t to) {
    if (!model_) return;
    // The grid moved its item already; a move the model could not make is taken back there.
    if (!model_->MoveSmile(from, to)) {
        grid_->Smiles().Move(to, from);
        ReportModelFailure();
    }
    ShowSelectedSignatures();
    UpdateHistoryState();
    RefreshCheck();
}

void TEditorCommands::SignatureClicked() {
    int32_t g = list_->currentRow();
    if (g == -1 || g == lastClicked_) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
        for (int element : {kElementEditSignature, kElementMoveSignatureUp, kElementDeleteSignature,
                            kElementMoveSignatureDown})
            interface_->SetEnabled(element, false);
        g = -1;
    } else {
        interface_->SetEnabled(kElementEditSignature, true);
        interface_->SetEnabled(kElementDeleteSignature, true);
        interface_->SetEnabled(kElementMoveSignatureUp, g > 0);
        interface_->SetEnabled(kElementMoveSignatureDown, g < list_->count() - 1);
    }
    lastClicked_ = g;
    UpdateHistoryState();
}

// --- Signature commands ------------------------------------------------------------------------

bool TEditorCommands::RefusedAsDuplicate(const std::string& text) {
    int32_t s = -1, g = -1;
    if (!model_->FindSignature(text, s, g)) return false;
    // Anything but OK shows the smile that has the signature already.
    if (forms_.SmileExistsForm && forms_.SmileExistsForm->ShowModal() != kResultOk) {
        SelectSmile(s);
        list_->setCurrentRow(g);
        lastClicked_ = -1;
        SignatureClicked();
    }
    return true;
}

void TEditorCommands::AddSignature() {
    if (!model_ || !forms_.SignatureForm) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    if (!smile) return;
    TSignatureForm& form = *forms_.SignatureForm;
    form.SetCaption(addCaption_);
    if (form.ShowModal() != kResultOk) return;
    const std::string text = form.Signature();
    if (text.empty()) return;
    if (RefusedAsDuplicate(text)) return;
    // After the chosen (selected) signature, at the top when none is: the list's current row
    // alone is set by the focus reaching the list, not by the user's choice.
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    const int32_t after = chosen.isEmpty() ? -1 : list_->row(chosen.front());
    const int32_t p = std::min(after + 1, smile->Signatures.Count());
    if (!model_->AddSignature(t, p, text)) return ReportModelFailure();
    ShowSignaturesOf(*smile, std::min(p, smile->Signatures.Count() - 1));
    RelabelItem(t);
}

void TEditorCommands::EditSignature() {
    if (!model_ || !forms_.SignatureForm) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    const int32_t g = list_->currentRow();
    if (!smile || g < 0 || g >= smile->Signatures.Count()) return;
    TSignatureForm& form = *forms_.SignatureForm;
    form.SetCaption(editCaption_);
    form.SetSignature(smile->Signatures[g]);
    if (form.ShowModal() != kResultOk) return;
    const std::string text = form.Signature();
    if (text.empty()) return;
    if (RefusedAsDuplicate(text)) return;
    if (!model_->EditSignature(t, g, text)) return ReportModelFailure();
    ShowSignaturesOf(*smile, std::min(g, smile->Signatures.Count() - 1));
    RelabelItem(t);
}

void TEditorCommands::MoveSignature(bool up) {
    if (!model_) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    const int32_t g = list_->currentRow();
    const int32_t to = up ? g - 1 : g + 1;
    if (!smile || g < 0 || to < 0 || to >= smile->Signatures.Count()) return;
    if (!model_->MoveSignature(t, g, to)) return ReportModelFailure();
    RelabelItem(t);
    ShowSignaturesOf(*smile, std::min(to, smile->Signatures.Count() - 1));
}

void TEditorCommands::DeleteSignature() {
    if (!model_) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    const int32_t g = list_->currentRow();
    if (!smile || g < 0 || g >= smile->Signatures.Count()) return;
    if (!model_->DeleteSignature(t, g)) return ReportModelFailure();
    // The list is as the file reads back, which may hold fewer signatures than before.
    const int32_t count = smile->Signatures.Count();
    ShowSignaturesOf(*smile, g >= 1 ? std::min(g - 1, count - 1) : (count > 0 ? 0 : -1));
    RelabelItem(t);
}

void TEditorCommands::FindSignature() {
    if (!model_ || !forms_.SignatureForm) return;
    TSignatureForm& form = *forms_.SignatureForm;
    form.SetCaption(findCaption_);
    if (form.ShowModal() != kResultOk) return;
    int32_t s = -1, g = -1;
    if (model_->FindSignature(form.Signature(), s, g)) {
        SelectSmile(s);
    } else {
        grid_->SetItemIndex(-1);
    }
    list_->setCurrentRow(g);
    lastClicked_ = -1;
    SignatureClicked();
}

}  // namespace faceloom
