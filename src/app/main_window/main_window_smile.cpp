// The main window's smile and signature commands and the handlers of the grid's and the
// signature list's events. Every change goes to the model first; only what it carried out is
// mirrored in the grid and the signature list, so that grid item i always shows smile i of the
// current pack. A refusal or failure is said with its reason and leaves both as they were.
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>

#include "app/commands/interface_manager.h"
#include "app/commands/model_error_text.h"
#include "app/commands/suspended_grid.h"
#include "app/dialogs/app_forms.h"
#include "app/dialogs/file_dialogs.h"
#include "app/dialogs/preview_form.h"
#include "app/dialogs/signature_form.h"
#include "app/dialogs/smile_exists_form.h"
#include "app/dialogs/warning_form.h"
#include "app/main_window/main_window.h"
#include "model/define_decoder.h"
#include "platform/code_page.h"
#include "storage/config_manager.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace faceloom {

namespace {

std::string ToLocal(const QString& path) {
    return QFile::encodeName(path).toStdString();
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

int32_t TManagerMain::RowStep() const {
    const int32_t n = grid_->Count();
    const int32_t w = grid_->RowWidth();
    return w > 0 && w <= n ? w : n;
}

void TManagerMain::RelabelItem(int32_t index) {
    if (index >= 0 && index < grid_->Count()) grid_->Smiles().Put(index, LabelText(index));
}

void TManagerMain::SelectSmile(int32_t index) {
    if (grid_->ItemIndex() != index) grid_->SetItemIndex(index);
}

bool TManagerMain::ConfirmIrreversible() {
    if (!model_) return false;
    TConfigManager& config = model_->Config();
    if (!config.ReadBool(TConfigBoolKey::ShowWarnings)) return true;
    if (!forms_.WarningForm) return false;
    TWarningForm& form = *forms_.WarningForm;
    form.DontShowAgain()->setChecked(false);
    const int result = form.ShowModal();
    const bool show = !form.DontShowAgain()->isChecked();
    StoreSettings(config.FileName(), [&] { config.WriteBool(TConfigBoolKey::ShowWarnings, show); });
    return result != 2;
}

void TManagerMain::InsertSmileFile(const QString& file, int32_t index) {
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

void TManagerMain::InsertFiles(const QStringList& files, int32_t after, bool progress) {
    const int32_t n = static_cast<int32_t>(files.size());
    if (progress) {
        ShowProgressWindow();
        ShowPhase(3, 0, n);
    }
    int32_t k = after;
    // The files the model did not take, said together once the progress window is gone.
    QString failures;
    TModelError lastReason = TModelError::None;
    {
        TSuspendedGrid suspended(*grid_);
        for (int32_t j = 0; j < n; ++j) {
            if (progress) ShowFileProgress(QFileInfo(files[j]).fileName(), j, 0);
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
            failures += reason == lastReason ? QFile::decodeName(QByteArray::fromStdString(named))
                                             : forms_.ErrorTexts.Text(reason, named);
            lastReason = reason;
        }
    }
    if (progress) HideProgressWindow();
    ShowSelectedSignatures();
    if (k >= 0 && grid_->ItemIndex() != k) grid_->SetItemIndex(k);
    UpdateCount();
    if (!failures.isEmpty()) ReportFailure(failures, {});
}

void TManagerMain::ReportModelFailure(const std::string& fallback) {
    const std::string& file = model_->LastErrorFile();
    ReportFailure(forms_.ErrorTexts.Text(model_->LastError(), file.empty() ? fallback : file), {});
}

QString TManagerMain::PictureFilter() const {
    const int p = model_ ? model_->CurrentPack() : kAnimatedPack;
    const QString ext = p == kStaticPack ? "bmp" : "gif";
    return typeNames_[p] + " (*." + ext + ")|*." + ext + allFilesTail_;
}

QStringList TManagerMain::AskPictures(bool many) {
    TOpenFileRequest request;
    request.Title = pictureTitle_;
    request.Filter = PictureFilter();
    request.DefaultExtension = model_ && model_->CurrentPack() == kStaticPack ? "bmp" : "gif";
    if (many) return fileDialogs_->OpenFiles(this, request);
    const std::optional<QString> file = fileDialogs_->OpenFile(this, request);
    return file ? QStringList{*file} : QStringList{};
}

void TManagerMain::ShowSelectedSignatures() {
    list_->clear();
    const int32_t selected = grid_->ItemIndex();
    if (selected < 0 || !model_) return;
    if (TSmile* smile = model_->Smile(selected)) list_->addItems(Texts(smile->Signatures));
}

void TManagerMain::UpdateSmileCommands(int32_t i) {
    const bool some = i != -1 && model_ && i < model_->SmileCount();
    interface_->SetEnabled(18, some && HasPictureOrError(model_->Smile(i)));
    interface_->SetEnabled(12, some);
    interface_->SetEnabled(14, some);
    interface_->SetEnabled(16, some);
    interface_->SetEnabled(19, some);
    interface_->SetEnabled(11, some && grid_->CanMove(i, 2));
    interface_->SetEnabled(13, some && grid_->CanMove(i, 0));
    interface_->SetEnabled(15, some && grid_->CanMove(i, 1));
    interface_->SetEnabled(17, some && grid_->CanMove(i, 3));
}

void TManagerMain::UpdatePopupMenu(int32_t i) {
    deletePictureItem_->setVisible(i != -1 && model_ && HasPictureOrError(model_->Smile(i)));
}

void TManagerMain::SmileView1Select(int32_t index) {
    UpdateSmileCommands(index);
    ShowSelectedSignatures();
    lastClicked_ = -1;
    ListBox1Click();
}

void TManagerMain::SmileView1SmileMove(int32_t from, int32_t to) {
    if (!model_) return;
    // The grid moved its item already; a move the model could not make is taken back there.
    if (!model_->MoveSmile(from, to)) {
        grid_->Smiles().Move(to, from);
        ReportModelFailure();
    }
    ShowSelectedSignatures();
}

void TManagerMain::SmileView1ContextMenu(const QPoint& screenPoint, int32_t index) {
    if (index == -1) {
        contextSmile_ = -1;
        return;
    }
    UpdatePopupMenu(index);
    contextSmile_ = index;
    menu_->popup(screenPoint);
}

void TManagerMain::SmileView1DropFiles(int32_t index, const QStringList& files) {
    if (!model_ || !model_->PresentPacks().Contains(model_->CurrentPack())) return;
    InsertFiles(files, index, true);
}

void TManagerMain::ListBox1Click() {
    int32_t g = list_->currentRow();
    if (g == -1 || g == lastClicked_) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
        for (int element : {20, 21, 22, 24}) interface_->SetEnabled(element, false);
        g = -1;
    } else {
        interface_->SetEnabled(20, true);
        interface_->SetEnabled(22, true);
        interface_->SetEnabled(21, g > 0);
        interface_->SetEnabled(24, g < list_->count() - 1);
    }
    lastClicked_ = g;
}

void TManagerMain::AddSmilesClick() {
    if (!interface_->IsEnabled(10) || !model_) return;
    const QStringList files = AskPictures(true);
    if (files.isEmpty()) return;
    InsertFiles(files, grid_->ItemIndex(), true);
}

void TManagerMain::AddSmileMenuClick() {
    if (!model_ || !model_->PresentPacks().Contains(model_->CurrentPack())) return;
    const QStringList files = AskPictures(true);
    if (files.isEmpty()) return;
    InsertFiles(files, contextSmile_, false);
}

void TManagerMain::ReplacePictureAt(int32_t i) {
    if (!model_ || i < 0 || i >= grid_->Count()) return;
    const QStringList files = AskPictures(false);
    if (files.isEmpty()) return;
    TSmile* smile = model_->ReplacePicture(i, ToLocal(files.front()));
    if (!smile) return ReportModelFailure(ToLocal(files.front()));
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().SetSmile(i, GridSmileFor(smile));
        RelabelItem(i);
    }
    UpdateSmileCommands(i);
}

void TManagerMain::DeletePictureAt(int32_t i) {
    if (!model_ || i < 0 || i >= grid_->Count()) return;
    if (!ConfirmIrreversible()) return;
    if (!model_->DeletePicture(i)) return ReportModelFailure();
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().SetSmile(i, GridSmileFor(model_->Smile(i)));
    }
    UpdateSmileCommands(i);
}

void TManagerMain::DeleteSmileAt(int32_t i) {
    if (!model_ || i < 0 || i >= grid_->Count()) return;
    if (!ConfirmIrreversible()) return;
    if (!model_->DeleteSmile(i)) return ReportModelFailure();
    grid_->Smiles().Delete(i);
    if (i >= 1) {
        grid_->SetItemIndex(i - 1);
    } else if (grid_->Count() > 0) {
        grid_->SetItemIndex(0);
    } else {
        grid_->SetItemIndex(-1);
    }
    SmileView1Select(grid_->ItemIndex());
    UpdateCount();
}

void TManagerMain::MoveSmileClick(int element) {
    if (!interface_->IsEnabled(element) || !model_) return;
    const int32_t i = grid_->ItemIndex();
    if (i < 0) return;
    const int32_t w = RowStep();
    const int32_t t = element == 11 ? i - w : element == 13 ? i - 1 : element == 15 ? i + 1 : i + w;
    if (t < 0 || t >= grid_->Count()) return;
    if (!model_->MoveSmile(i, t)) return ReportModelFailure();
    grid_->Smiles().Move(i, t);
    grid_->SetItemIndex(t);
}

void TManagerMain::PreviewAt(int32_t i) {
    if (!model_ || i < 0 || i >= grid_->Count() || !forms_.PreviewForm) return;
    TSuspendedGrid suspended(*grid_);
    TRef<TSmileLabelSmile> instance(new TSmileLabelSmile());
    if (TSmileViewSmile* item = grid_->Smiles().GetSmile(i)) instance->SetPicture(item->Picture.load());
    hide();
    TSmileLabel& label = *forms_.PreviewForm->Label();
    label.SetSmile(instance.get());
    forms_.PreviewForm->ShowModal();
    label.SetSmile(nullptr);
    show();
    grid_->viewport()->update();
}

bool TManagerMain::RefusedAsDuplicate(const std::string& text) {
    int32_t s = -1, g = -1;
    if (!model_->FindSignature(text, s, g)) return false;
    // Anything but OK shows the smile that has the signature already.
    if (forms_.SmileExistsForm && forms_.SmileExistsForm->ShowModal() != 1) {
        SelectSmile(s);
        list_->setCurrentRow(g);
        lastClicked_ = -1;
        ListBox1Click();
    }
    return true;
}

void TManagerMain::AddSignatureClick() {
    if (!interface_->IsEnabled(19) || !model_ || !forms_.SignatureForm) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    if (!smile) return;
    TSignatureForm& form = *forms_.SignatureForm;
    form.SetCaption(addCaption_);
    if (form.ShowModal() != 1) return;
    const std::string text = form.Signature();
    if (text.empty()) return;
    if (RefusedAsDuplicate(text)) return;
    const int32_t p = std::min(list_->currentRow() + 1, smile->Signatures.Count());
    if (!model_->AddSignature(t, p, text)) return ReportModelFailure();
    list_->clear();
    list_->addItems(Texts(smile->Signatures));
    list_->setCurrentRow(std::min(p, smile->Signatures.Count() - 1));
    lastClicked_ = -1;
    ListBox1Click();
    RelabelItem(t);
}

void TManagerMain::EditSignatureClick() {
    if (!interface_->IsEnabled(20) || !model_ || !forms_.SignatureForm) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    const int32_t g = list_->currentRow();
    if (!smile || g < 0 || g >= smile->Signatures.Count()) return;
    TSignatureForm& form = *forms_.SignatureForm;
    form.SetCaption(editCaption_);
    form.SetSignature(smile->Signatures[g]);
    if (form.ShowModal() != 1) return;
    const std::string text = form.Signature();
    if (text.empty()) return;
    if (RefusedAsDuplicate(text)) return;
    if (!model_->EditSignature(t, g, text)) return ReportModelFailure();
    list_->clear();
    list_->addItems(Texts(smile->Signatures));
    list_->setCurrentRow(std::min(g, list_->count() - 1));
    lastClicked_ = -1;
    ListBox1Click();
    RelabelItem(t);
}

void TManagerMain::MoveSignatureClick(bool up) {
    if (!model_) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    const int32_t g = list_->currentRow();
    const int32_t to = up ? g - 1 : g + 1;
    if (!smile || g < 0 || to < 0 || to >= smile->Signatures.Count()) return;
    if (!model_->MoveSignature(t, g, to)) return ReportModelFailure();
    RelabelItem(t);
    list_->clear();
    list_->addItems(Texts(smile->Signatures));
    list_->setCurrentRow(std::min(to, list_->count() - 1));
    lastClicked_ = -1;
    ListBox1Click();
}

void TManagerMain::DeleteSignatureClick() {
    if (!interface_->IsEnabled(22) || !model_) return;
    const int32_t t = grid_->ItemIndex();
    TSmile* smile = model_->Smile(t);
    const int32_t g = list_->currentRow();
    if (!smile || g < 0 || g >= smile->Signatures.Count()) return;
    if (!ConfirmIrreversible()) return;
    if (!model_->DeleteSignature(t, g)) return ReportModelFailure();
    list_->clear();
    list_->addItems(Texts(smile->Signatures));
    // The list is as the file reads back, which may hold fewer signatures than before.
    list_->setCurrentRow(g >= 1 ? std::min(g - 1, list_->count() - 1) : (list_->count() > 0 ? 0 : -1));
    lastClicked_ = -1;
    ListBox1Click();
    RelabelItem(t);
}

void TManagerMain::FindSignatureClick() {
    if (!interface_->IsEnabled(23) || !model_ || !forms_.SignatureForm) return;
    TSignatureForm& form = *forms_.SignatureForm;
    form.SetCaption(findCaption_);
    if (form.ShowModal() != 1) return;
    int32_t s = -1, g = -1;
    if (model_->FindSignature(form.Signature(), s, g)) {
        SelectSmile(s);
    } else {
        grid_->SetItemIndex(-1);
    }
    list_->setCurrentRow(g);
    lastClicked_ = -1;
    ListBox1Click();
}

}  // namespace faceloom
