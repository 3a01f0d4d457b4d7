// The main window's creation, start-up and shutdown, and the routines that keep it in step
// with the pack model.
#include "app/main_window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "app/commands/interface_manager.h"
#include "app/commands/local_paths.h"
#include "app/dialogs/app_forms.h"
#include "app/dialogs/check_form.h"
#include "app/dialogs/dialog_base.h"
#include "app/dialogs/error_form.h"
#include "app/dialogs/load_form.h"
#include "app/dialogs/options_form.h"
#include "app/dialogs/qt_file_dialogs.h"
#include "app/dialogs/query_form.h"
#include "lang/lang.h"
#include "lang/lang_manager.h"
#include "model/define_decoder.h"
#include "pictures/builtin_pictures.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/hand_over.h"
#include "platform/instance_lock.h"
#include "storage/config_manager.h"
#include "storage/global_config_manager.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace faceloom {

namespace {}  // namespace

TManagerMain::TManagerMain(TAppForms& forms, const std::string& handOverSuffix, QWidget* parent)
    : QMainWindow(parent), forms_(forms), handOverSuffix_(handOverSuffix) {
    setObjectName("ManagerMain");
    engineRunning_ = false;
    refused_ = false;
    BuildControls();
    // Without per-pixel translucent windows there is no floating image to animate.
    if (!grid_->LayeredWindowsAvailable()) {
        speed_[4]->setChecked(false);
        speed_[4]->setEnabled(false);
    }
    fileDialogs_ = std::make_unique<TQtFileDialogs>();

    handedOver_ = false;
    handOverBase_.clear();
    handOverPack_.clear();
    storageName_ = std::string(kStorageMode);
    std::string base, pack;
    if (ReadHandOver(base, pack)) {
        storageName_ = std::string(kCoatwrightMode);
        handedOver_ = true;
        handOverBase_ = base;
        handOverPack_ = pack;
    }
    globalStorage_ = std::make_unique<TStorageManager>(GlobalConfigSubPath());
    settings_ = std::make_unique<TGlobalConfigManager>(*globalStorage_);
    ApplySettingsToGrid();
    RestoreGeometry();
    // The built-in texts until the stored language is applied at the first idle moment.
    ApplyLanguage(TLang(std::string(), true));
    commands_->UpdatePackState();
}

TManagerMain::~TManagerMain() {
    if (engineRunning_) StopPackEngine();
    commands_->SetModel(nullptr);
    grid_->SetActive(false);
    grid_->Smiles().Clear();
    grid_->SetDragDispatcher(nullptr);
    settings_.reset();
    globalStorage_.reset();
}

void TManagerMain::SetFileDialogs(std::unique_ptr<TFileDialogs> dialogs) {
    fileDialogs_ = std::move(dialogs);
}

void TManagerMain::SetStartPack(const QString& path, int mode) {
    startPackPath_ = path;
    startPackMode_ = mode;
}

bool TManagerMain::ReadHandOver(std::string& baseFolder, std::string& packFolder) {
    const std::optional<THandOverFolders> folders = ReadHandOverBlock(HandOverNames(handOverSuffix_));
    if (!folders) return false;
    baseFolder = folders->BaseFolder;
    packFolder = folders->PackFolder;
    return true;
}

void TManagerMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first idle moment: the first turn of the event loop after the window is shown.
    if (!idleQueued_) {
        idleQueued_ = true;
        QTimer::singleShot(0, this, [this] { ApplicationEvents1Idle(); });
    }
}

void TManagerMain::ApplicationEvents1Idle() {
    if (engineRunning_ || refused_) return;
    StartPackEngine();
    if (!refused_) {
        if (handedOver_) {
            HandOverOpening();
        }
        engineRunning_ = true;
        if (!handedOver_ && !startPackPath_.isEmpty()) OpenStartPack();
        // The progress window and the buttons the start disabled took the focus on their way.
        commands_->FocusWork();
    }
    emit EngineStarted();
}

void TManagerMain::StartPackEngine() {
    commands_->ResetLastClicked();
    {
        TLangManager languages(DefaultLanguageDirectory());
        languages.OnChange = [this](TLangManager&, TLang& lang) { ApplyLanguageToAllWindows(lang); };
        languages.AddAndSelect(settings_->ReadString(TGlobalStringKey::LangDirectory));
    }

    const TStorageManager modeStorage(ModeConfigSubPath(storageName_));
    lock_ = std::make_unique<TInstanceLock>(InstanceLockName(storageName_), modeStorage.Path());
    if (!lock_->TryAcquire()) {
        refused_ = true;
        lock_.reset();
        if (forms_.ErrorForm) forms_.ErrorForm->ShowModal();
        hide();
        emit Closed();
        return;
    }

    grid_->SetActive(false);
    list_->clear();
    model_ = std::make_unique<TDefineDecoder>(storageName_);
    model_->SetNoSignatureText(noSignatureText_);
    model_->SmileClass = [] { return new TSmileViewSmile(); };
    model_->OnBeginUpdate = [this](TDefineDecoder&) { ShowProgressWindow(); };
    model_->OnEndUpdate = [this](TDefineDecoder&) { HideProgressWindow(); };
    model_->OnPhase = [this](TDefineDecoder&, int32_t phase, int32_t position, int32_t maximum) {
        ShowPhase(phase, position, maximum);
    };
    model_->OnFile = [this](TDefineDecoder&, const std::string& name, int32_t position, int32_t errors) {
        ShowFileProgress(FromLocal(name), position, errors);
    };
    model_->OnQuerySave = [this](TDefineDecoder&, int32_t& answer) { QuerySaveChanges(answer); };
    model_->OnSelectFolder = [this](TDefineDecoder&, int32_t kind, std::string& path, bool& accepted) {
        commands_->SelectSaveTarget(kind == 1, accepted, path);
    };
    model_->OnConfirmFolder = [this](TDefineDecoder&, int32_t, const std::string& folder, bool& confirmed) {
        confirmed = ConfirmSaveFolder(folder);
    };
    model_->OnBeforeClose = [this](TDefineDecoder&) { SuspendGridAnimation(); };
    model_->OnWriteError = [this](TDefineDecoder&, uint8_t, const std::string& fileName) {
        ReportFailure(forms_.ErrorTexts.Reason(TModelError::WriteFailed), fileName);
    };
    // A link refused or a damaged history dropped in the storage area: said once, when found.
    model_->OnStorageNote = [this](TDefineDecoder&, TModelError reason, const std::string& path) {
        ReportFailure(forms_.ErrorTexts.Reason(reason), path);
    };
    // The decoding thread asks for the grid's update: the first pictures at once, then at most
    // every 25 ms, the last picture at once. A longer tick kept a large pack's first screen
    // waiting for the rows that came in just after the first update.
    model_->SetDecodedEvents(
        [this](TSmile*) {
            if (decodedPosted_.exchange(true)) return;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    QTimer::singleShot(picturesShown_ ? 25 : 0, this, [this] {
                        decodedPosted_ = false;
                        picturesShown_ = true;
                        commands_->PicturesDecoded();
                    });
                },
                Qt::QueuedConnection);
        },
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { commands_->DecodingDone(); }, Qt::QueuedConnection);
        });
    commands_->SetModel(model_.get());
    // The packs left open show at once; their pictures follow as they are decoded.
    model_->SetDeferredDecoding(true);
    model_->LoadFromStorage();
    model_->SetDeferredDecoding(false);
    commands_->FillGrid();
    grid_->SetActive(true);
    commands_->UpdatePackState();
    ReportUnreadableStates();
}

// A working copy whose record could not be trusted was kept without its folder; the user
// learns why Save will ask where to save it, and which copy it is.
void TManagerMain::ReportUnreadableStates() {
    const TPackSet unreadable = model_->UnreadableStates();
    if (unreadable.Empty()) return;
    QString text = unreadableStateText_;
    for (uint8_t p = 0; p < kPackCount; ++p) {
        if (unreadable.Contains(p)) text += "\n" + FromLocal(model_->WorkingFolder(p));
    }
    QMessageBox box(QMessageBox::Warning, errorCaption_, text, QMessageBox::Ok, this);
    box.setObjectName("UnreadableStateBox");
    box.exec();
    // Told once: the records are written again (a failure tells it at the next start).
    model_->AcknowledgeUnreadableStates();
}

void TManagerMain::HandOverOpening() {
    if (forms_.OptionsForm) forms_.OptionsForm->CloseOnExit()->setEnabled(false);
    TConfigManager& config = model_->Config();
    StoreSettings(config.FileName(), [&] { config.WriteBool(TConfigBoolKey::SaveOnExit, true); });
    model_->SetBothMode(true);
    commands_->ClearSignatureSelection();
    std::string pack = handOverPack_.empty() ? handOverBase_ : handOverPack_;
    model_->SetExternalBase(handOverBase_);
    grid_->SetActive(false);
    grid_->Smiles().Clear();
    model_->OpenPack(pack);
    commands_->FillGrid();
    grid_->SetActive(true);
    commands_->UpdateCount();
    commands_->SignatureClicked();
    commands_->UpdatePackState();
}

void TManagerMain::OpenStartPack() {
    if (startPackMode_ == 2) {
        model_->SetBothMode(true);
    } else if (startPackMode_ == 0 || startPackMode_ == 1) {
        model_->SetBothMode(false);
        model_->SetCurrentPack(static_cast<uint8_t>(startPackMode_));
    } else {
        model_->SetBothMode(false);
    }
    const std::string path = ToLocal(startPackPath_);
    startPackPath_.clear();
    commands_->OpenPath(path);
}

bool TManagerMain::StopPackEngine() {
    if (!model_) {
        engineRunning_ = false;
        return true;
    }
    if (model_->Config().ReadBool(TConfigBoolKey::SaveOnExit)) {
        const bool both = model_->BothMode();
        model_->SetBothMode(true);
        const bool closed = model_->ClosePack();
        model_->SetBothMode(both);
        if (!closed) {
            commands_->UpdatePackState();
            return false;
        }
    }
    for (int element = kElementAddSmiles; element <= kElementMoveSignatureDown; ++element)
        Interface().SetEnabled(element, false);
    grid_->SetActive(false);
    // The grid keeps its own references; the model writes every present pack's definition.
    commands_->SetModel(nullptr);
    model_.reset();
    if (lock_) lock_->Release();
    lock_.reset();
    engineRunning_ = false;
    return true;
}

void TManagerMain::closeEvent(QCloseEvent* event) {
    if (stopping_) {
        event->accept();
        return;
    }
    // A command of the model is still under way (a question it asked is open): the question is
    // answered as by its close box, and the window closes once the command has unwound, never
    // from under it.
    if (engineRunning_ && model_ && model_->Busy()) {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        event->ignore();
        QTimer::singleShot(20, this, [this] { close(); });
        return;
    }
    if (engineRunning_ && !StopPackEngine()) {
        event->ignore();
        return;
    }
    stopping_ = true;
    if (!refused_) StoreGeometry();
    // The pack check's report goes with the window: left open, it would keep the program running.
    if (forms_.CheckForm) forms_.CheckForm->hide();
    event->accept();
    emit Closed();
}

void TManagerMain::RestoreGeometry() {
    const int32_t width = settings_->ReadInteger(TGlobalIntegerKey::WindowWidth);
    const int32_t height = settings_->ReadInteger(TGlobalIntegerKey::WindowHeight);
    if (width <= 0 || height <= 0) return;
    QRect kept(settings_->ReadInteger(TGlobalIntegerKey::WindowLeft),
               settings_->ReadInteger(TGlobalIntegerKey::WindowTop), std::min(width, 10000),
               std::min(height, 10000));
    // A place off every screen (a monitor may have gone since) is pulled onto the screen
    // nearest to it, one partly off its screen fully onto it, and the window is never larger
    // than the screen it opens on.
    QScreen* screen = QGuiApplication::screenAt(kept.center());
    const bool onScreen = screen != nullptr;
    if (!onScreen) {
        int64_t best = -1;
        for (QScreen* candidate : QGuiApplication::screens()) {
            const QPoint d = candidate->availableGeometry().center() - kept.center();
            const int64_t distance = int64_t{d.x()} * d.x() + int64_t{d.y()} * d.y();
            if (best < 0 || distance < best) {
                best = distance;
                screen = candidate;
            }
        }
    }
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    kept.setSize(kept.size().boundedTo(area.size()).expandedTo(minimumSize()));
    kept.moveLeft(
        std::clamp(kept.left(), area.left(), std::max(area.left(), area.right() + 1 - kept.width())));
    kept.moveTop(std::clamp(kept.top(), area.top(), std::max(area.top(), area.bottom() + 1 - kept.height())));
    // The client area's place, as stored: the window manager adds its frame around it, so the
    // window comes back where it was instead of walking down by the title bar at every start.
    setGeometry(kept);
}

void TManagerMain::StoreGeometry() {
    // The client area (without the window manager's frame), which RestoreGeometry puts back.
    const QRect frame = normalGeometry().isValid() ? normalGeometry() : geometry();
    TGlobalConfigManager::TBatch batch;
    batch.WriteInteger(TGlobalIntegerKey::WindowLeft, frame.x());
    batch.WriteInteger(TGlobalIntegerKey::WindowTop, frame.y());
    batch.WriteInteger(TGlobalIntegerKey::WindowWidth, frame.width());
    batch.WriteInteger(TGlobalIntegerKey::WindowHeight, frame.height());
    // Closing goes on without a word: the place is a convenience, and at the end of the
    // desktop session no message may hold the logout up.
    try {
        settings_->Write(batch);
    } catch (const EInOutError&) {
    }
}

void TManagerMain::SuspendGridAnimation() {
    grid_->SetActive(false);
}

void TManagerMain::ShowProgressWindow() {
    hide();
    if (forms_.LoadForm) forms_.LoadForm->ShowProgress();
}

void TManagerMain::HideProgressWindow() {
    if (forms_.LoadForm) {
        forms_.LoadForm->hide();
        forms_.LoadForm->SetCancellable(false);
    }
    for (const QPointer<QWidget>& window : blockedWindows_)
        if (window) window->setEnabled(true);
    blockedWindows_.clear();
    show();
}

void TManagerMain::ShowCancellableProgress() {
    hide();
    if (!forms_.LoadForm) return;
    TLoadForm& form = *forms_.LoadForm;
    // The user's input is let through for Cancel: every other window shown (the check's
    // report) takes none meanwhile, so nothing can change the pack under the work.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == &form || !window->isVisible() || !window->isEnabled()) continue;
        window->setEnabled(false);
        blockedWindows_.emplace_back(window);
    }
    form.hide();
    form.SetCancellable(true);
    form.SetFileText(QString());
    form.SetErrorCount(0);
    form.ShowProgress();
    progressClock_.invalidate();
}

bool TManagerMain::StepProgress(const QString& phase, int32_t position, int32_t maximum) {
    if (!forms_.LoadForm) return true;
    TLoadForm& form = *forms_.LoadForm;
    // A few dozen repaints a second, as for opening; the first and last step always show.
    if (!progressClock_.isValid() || progressClock_.elapsed() >= 30 || position == 0 || position >= maximum) {
        progressClock_.start();
        form.SetPhaseText(phase);
        form.SetProgressRange(0, std::max(maximum, 1));
        form.SetProgressPosition(position);
        QCoreApplication::processEvents();
    }
    return !form.CancelRequested();
}

void TManagerMain::ShowPhase(int32_t phase, int32_t position, int32_t maximum) {
    if (!forms_.LoadForm) return;
    forms_.LoadForm->SetPhaseText(phase >= 0 && phase < 4 ? phaseTexts_[phase] : QString());
    forms_.LoadForm->SetProgressRange(position, maximum);
    forms_.LoadForm->SetProgressPosition(position);
    // Repaint without taking user input: no command may run inside a load.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TManagerMain::ShowFileProgress(const QString& fileName, int32_t position, int32_t errorCount) {
    if (!forms_.LoadForm) return;
    // Showing every file would cost more than the file itself in a pack of thousands: the
    // window is brought up to date a few dozen times a second.
    if (progressClock_.isValid() && progressClock_.elapsed() < 30) return;
    progressClock_.start();
    forms_.LoadForm->SetProgressPosition(position);
    forms_.LoadForm->SetFileText(fileName);
    forms_.LoadForm->SetErrorCount(errorCount);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TManagerMain::QuerySaveChanges(int32_t& answer) {
    if (forms_.QueryForm) {
        // The pack is named by its folder (the base folder of both packs); one without a folder,
        // or two changed packs without a base folder, are asked about without a name.
        std::string path;
        if (model_ && model_->BothMode() && model_->BothPathsAssigned()) {
            path = model_->BothPath();
        } else if (model_) {
            const uint8_t current = model_->CurrentPack();
            const uint8_t other = current ^ 1;
            const bool both = model_->BothMode() && model_->Modified(current) && model_->Modified(other);
            const uint8_t pack = model_->Modified(current) || !model_->BothMode() ? current : other;
            if (!both && model_->SourcedPacks().Contains(pack)) path = model_->SourcePath(pack);
        }
        forms_.QueryForm->SetPackName(path.empty() ? QString() : QDir(FromLocal(path)).dirName());
    }
    const int result = forms_.QueryForm ? forms_.QueryForm->ShowModal() : 0;
    answer = result == kResultYes ? 0 : result == kResultNo ? 1 : 2;
}

// The safe answer is the default and the one Escape gives: the folder is then asked for.
bool TManagerMain::ConfirmSaveFolder(const std::string& folder) {
    QMessageBox box(QMessageBox::Question, titleText_, confirmFolderText_.arg(FromLocal(folder)),
                    QMessageBox::NoButton, this);
    box.setObjectName("ConfirmFolderBox");
    QPushButton* save = box.addButton(saveThereText_, QMessageBox::AcceptRole);
    QPushButton* other = box.addButton(chooseOtherFolderText_, QMessageBox::RejectRole);
    save->setObjectName("SaveThere");
    other->setObjectName("ChooseOtherFolder");
    box.setDefaultButton(other);
    box.setEscapeButton(other);
    box.exec();
    return box.clickedButton() == save;
}

void TManagerMain::ShowSmileCount(const QString& text) {
    count_->setText(text);
}

// "*" before the title while the pack differs from what was last opened or saved.
void TManagerMain::ShowModified(bool modified) {
    modified_ = modified;
    setWindowTitle(modified ? "*" + titleText_ : titleText_);
}

void TManagerMain::WhileHidden(const std::function<void()>& modal) {
    hide();
    modal();
    show();
}

}  // namespace faceloom
