// The main window's pack commands: new, open, save, save as, close, the pack switches,
// options, about, exit, the view toggles and the visual settings.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QToolButton>

#include "app/commands/interface_manager.h"
#include "app/commands/suspended_grid.h"
#include "app/dialogs/about_form.h"
#include "app/dialogs/app_forms.h"
#include "app/dialogs/dialog_base.h"
#include "app/dialogs/no_smilies_form.h"
#include "app/dialogs/options_form.h"
#include "app/dialogs/save_errors_form.h"
#include "app/dialogs/visual_form.h"
#include "app/main_window/main_window.h"
#include "lang/lang_manager.h"
#include "model/define_decoder.h"
#include "platform/errors.h"
#include "storage/config_manager.h"
#include "storage/global_config_manager.h"
#include "views/smile_label.h"
#include "views/smile_view.h"

namespace faceloom {

void TManagerMain::ClearSignatureSelection() {
    list_->setCurrentRow(-1);
    lastClicked_ = -1;
    ListBox1Click();
}

void TManagerMain::NewPackClick() {
    if (!interface_->IsEnabled(0) || !model_) return;
    bool made = false;
    {
        TSuspendedGrid suspended(*grid_);
        made = model_->NewPack();
        if (made) grid_->Smiles().Clear();
    }
    ClearSignatureSelection();
    if (made) list_->clear();
    UpdatePackState();
}

void TManagerMain::OpenPackClick() {
    if (!interface_->IsEnabled(1) || !model_) return;
    std::string path;
    DefaultPackFolder(path);
    bool confirmed = false;
    SelectOpenSource(model_->BothMode(), confirmed, path);
    if (!confirmed) return;
    OpenPath(path);
}

void TManagerMain::OpenPath(const std::string& path) {
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
    if (!opened && model_->LastError() != TModelError::Cancelled &&
        model_->LastError() != TModelError::None) {
        ReportFailure(loadTitle_ + "\n" + forms_.ErrorTexts.Reason(model_->LastError()), path);
    }
    // After every attempt, a cancelled one too: the notice speaks of the pack shown.
    ShowNoSmilies();
}

void TManagerMain::ShowNoSmilies() {
    // The pack shown has no picture of its kind. Counted here, not by ErrorCount(1): in the
    // both-packs mode that sums the missing files of both packs.
    int32_t missing = 0;
    for (int32_t i = 0; i < model_->SmileCount(); ++i) {
        const TSmile* smile = model_->Smile(i);
        if (!smile->Picture.load() && !smile->LoadError) ++missing;
    }
    if (missing == model_->SmileCount() && forms_.NoSmiliesForm) forms_.NoSmiliesForm->ShowModal();
}

// The error report before saving; false when the user chose not to save.
static bool ReportErrors(TDefineDecoder& model, TAppForms& forms) {
    if (!model.HasErrors() || !forms.SaveErrorsForm) return true;
    forms.SaveErrorsForm->SetCounts(model.ErrorCount(0), model.ErrorCount(1), model.ErrorCount(2));
    // Only "Yes" (an OK-kind button) saves; "No", Escape and the close box give Cancel.
    const int result = forms.SaveErrorsForm->ShowModal();
    return result == kResultOk || result == kResultYes;
}

void TManagerMain::SaveClick() {
    if (!interface_->IsEnabled(2) || !model_) return;
    if (!ReportErrors(*model_, forms_)) return;
    std::string target;
    DefaultPackFolder(target);
    if (!model_->Save()) ReportSaveFailure(target);
    UpdatePackState();
}

void TManagerMain::SaveAsClick() {
    if (!interface_->IsEnabled(3) || !model_) return;
    if (!ReportErrors(*model_, forms_)) return;
    std::string path;
    DefaultPackFolder(path);
    bool confirmed = false;
    SelectSaveTarget(model_->BothMode(), confirmed, path);
    if (confirmed && !model_->SaveAs(path)) ReportSaveFailure(path);
    UpdatePackState();
}

void TManagerMain::ReportSaveFailure(const std::string& target) {
    // A cancelled folder choice is no failure; anything else left the target as it was.
    if (model_->LastError() == TModelError::Cancelled || model_->LastError() == TModelError::None) return;
    ReportFailure(saveTitle_ + "\n" + forms_.ErrorTexts.Reason(model_->LastError()), target);
}

void TManagerMain::ReportFailure(const QString& action, const std::string& file) {
    lastSaveFailure_ = action;
    if (!file.empty()) {
        if (!lastSaveFailure_.isEmpty()) lastSaveFailure_ += "\n";
        lastSaveFailure_ += QFile::decodeName(QByteArray::fromStdString(file));
    }
    QMessageBox box(QMessageBox::Warning, errorCaption_, lastSaveFailure_, QMessageBox::Ok, this);
    box.setObjectName("SaveFailureBox");
    box.exec();
}

void TManagerMain::StoreSettings(const std::string& file, const std::function<void()>& write) {
    try {
        write();
    } catch (const EInOutError&) {
        ReportFailure(QString(), file);
    }
}

void TManagerMain::ClosePackClick() {
    if (!interface_->IsEnabled(4) || !model_) return;
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

void TManagerMain::StaticPackClick() {
    if (!interface_->IsEnabled(5) || !model_) return UpdatePackState();
    if (model_->CurrentPack() == kStaticPack) return UpdatePackState();
    lastClicked_ = -1;
    list_->clear();
    ListBox1Click();
    model_->SetCurrentPack(kStaticPack);
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().Clear();
        FillGrid();
    }
    UpdatePackState();
}

void TManagerMain::AnimatedPackClick() {
    if (!interface_->IsEnabled(6) || !model_) return UpdatePackState();
    if (model_->CurrentPack() == kAnimatedPack) return UpdatePackState();
    lastClicked_ = -1;
    list_->clear();
    ListBox1Click();
    model_->SetCurrentPack(kAnimatedPack);
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().Clear();
        FillGrid();
    }
    UpdatePackState();
}

void TManagerMain::BothPacksClick() {
    if (!interface_->IsEnabled(7) || !model_) return UpdatePackState();
    model_->SetBothMode(toolActions_[9]->isChecked());
    UpdatePackState();
}

void TManagerMain::OptionsClick() {
    if (!interface_->IsEnabled(8) || !model_ || !forms_.OptionsForm) return;
    TOptionsForm& form = *forms_.OptionsForm;
    TConfigManager& config = model_->Config();
    form.CloseOnExit()->setChecked(config.ReadBool(TConfigBoolKey::SaveOnExit));
    form.ShowWarnings()->setChecked(config.ReadBool(TConfigBoolKey::ShowWarnings));
    TLangManager languages(DefaultLanguageDirectory());
    languages.Scan();
    languages.SelectByName(settings_->ReadString(TGlobalStringKey::LangDirectory));
    languages.OnChange = [this](TLangManager&, TLang& lang) { ApplyLanguageToAllWindows(lang); };
    form.SetLanguageManager(&languages);
    const int result = form.ShowModal();
    form.SetLanguageManager(nullptr);
    if (result == 1) {
        TConfigManager::TBatch batch;
        batch.WriteBool(TConfigBoolKey::SaveOnExit, form.CloseOnExit()->isChecked());
        batch.WriteBool(TConfigBoolKey::ShowWarnings, form.ShowWarnings()->isChecked());
        StoreSettings(config.FileName(), [&] { config.Write(batch); });
    }
    // The language chosen stays, also after Cancel.
    StoreSettings(settings_->FileName(), [&] {
        settings_->WriteString(TGlobalStringKey::LangDirectory, languages.CurrentFileName());
    });
}

void TManagerMain::AboutClick() {
    if (!interface_->IsEnabled(9) || !forms_.AboutForm) return;
    forms_.AboutForm->ShowModal();
}

void TManagerMain::ExitClick() {
    close();
}

void TManagerMain::ToggleClick(int number) {
    const bool down = speed_[number]->isChecked();
    TGlobalBoolKey key = TGlobalBoolKey::AnimateAll;
    bool value = false;
    switch (number) {
        case 1:
            grid_->SetAnimateAll(down);
            key = TGlobalBoolKey::AnimateAll;
            value = grid_->AnimateAll();
            break;
        case 2:
            grid_->SetShowSignatures(down);
            key = TGlobalBoolKey::ShowSignatures;
            value = grid_->ShowSignatures();
            break;
        case 3:
            grid_->SetAllowHotTrack(down);
            key = TGlobalBoolKey::AllowHotTrack;
            value = grid_->AllowHotTrack();
            break;
        case 4:
            grid_->AnimatedDraggingAllowed = down && grid_->LayeredWindowsAvailable();
            key = TGlobalBoolKey::AnimatedDragAndDrop;
            value = grid_->AnimatedDraggingAllowed;
            break;
        default:
            return;
    }
    StoreSettings(settings_->FileName(), [&] { settings_->WriteBool(key, value); });
}

void TManagerMain::VisualSettingsClick() {
    if (!forms_.VisualForm) return;
    TVisualForm& form = *forms_.VisualForm;
    hide();
    TSmileLabel& sample = *form.Sample();
    sample.SetColor(grid_->Color());
    sample.SetHotTrackColor(grid_->HotTrackColor());
    sample.SetHotTrackBorderColor(grid_->HotTrackBorderColor());
    sample.SetFontColor(grid_->FontColor());
    sample.setFont(grid_->font());
    sample.Relayout();
    form.SetColumnText(QString::number(grid_->RowWidth()));
    if (form.ShowModal() == 1) {
        int count = 0;
        // Not a number: the row width stays, and nothing is said. 0 or less is one row.
        if (form.ColumnCount(count)) grid_->SetRowWidth(count);
        grid_->SetColor(sample.Color());
        grid_->SetHotTrackColor(sample.HotTrackColor());
        grid_->SetHotTrackBorderColor(sample.HotTrackBorderColor());
        grid_->SetFontColor(sample.FontColor());
        grid_->setFont(sample.font());
        grid_->Relayout();
        const QFont font = grid_->font();
        TGlobalConfigManager::TBatch batch;
        batch.WriteInteger(TGlobalIntegerKey::RowWidth, grid_->RowWidth());
        batch.WriteString(TGlobalStringKey::FontName, font.family().toStdString());
        batch.WriteInteger(
            TGlobalIntegerKey::FontHeight,
            font.pixelSize() > 0 ? -font.pixelSize() : settings_->ReadInteger(TGlobalIntegerKey::FontHeight));
        batch.WriteInteger(TGlobalIntegerKey::FontCharset,
                           settings_->ReadInteger(TGlobalIntegerKey::FontCharset));
        batch.WriteInteger(TGlobalIntegerKey::FontColor, static_cast<int32_t>(grid_->FontColor()));
        batch.WriteInteger(TGlobalIntegerKey::BackgroundColor, static_cast<int32_t>(grid_->Color()));
        batch.WriteInteger(TGlobalIntegerKey::HotTrackColor, static_cast<int32_t>(grid_->HotTrackColor()));
        batch.WriteInteger(TGlobalIntegerKey::HotTrackBorderColor,
                           static_cast<int32_t>(grid_->HotTrackBorderColor()));
        batch.WriteBool(TGlobalBoolKey::FontBold, font.bold());
        batch.WriteBool(TGlobalBoolKey::FontItalic, font.italic());
        batch.WriteBool(TGlobalBoolKey::FontUnderline, font.underline());
        batch.WriteBool(TGlobalBoolKey::FontStrikeOut, font.strikeOut());
        StoreSettings(settings_->FileName(), [&] { settings_->Write(batch); });
    }
    show();
    // Another column count or font moves every cell: the selection is brought back in view.
    grid_->ScrollIntoView(grid_->ItemIndex());
}

}  // namespace faceloom
