// What the main window does for the commands: options, about, exit and its failure boxes; and
// the view toggles and the visual settings, which are about the window alone.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QSpinBox>
#include <QToolButton>

#include "app/commands/import_settings.h"
#include "app/commands/interface_manager.h"
#include "app/commands/local_paths.h"
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

void TManagerMain::ReportFailure(const QString& action, const std::string& file) {
    lastSaveFailure_ = action;
    if (!file.empty()) {
        if (!lastSaveFailure_.isEmpty()) lastSaveFailure_ += "\n";
        lastSaveFailure_ += FromLocal(file);
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

void TManagerMain::ShowOptions() {
    if (!model_ || !forms_.OptionsForm) return;
    TOptionsForm& form = *forms_.OptionsForm;
    TConfigManager& config = model_->Config();
    form.CloseOnExit()->setChecked(config.ReadBool(TConfigBoolKey::SaveOnExit));
    form.ShowWarnings()->setChecked(config.ReadBool(TConfigBoolKey::ShowWarnings));
    const TImportSettings adding = ReadImportSettings(config.FileName());
    form.CodePattern()->setText(QString::fromStdString(adding.CodePattern));
    form.MaxWidth()->setValue(adding.MaxWidth);
    form.MaxHeight()->setValue(adding.MaxHeight);
    TLangManager languages(DefaultLanguageDirectory());
    languages.Scan();
    languages.SelectByName(settings_->ReadString(TGlobalStringKey::LangDirectory));
    languages.OnChange = [this](TLangManager&, TLang& lang) { ApplyLanguageToAllWindows(lang); };
    form.SetLanguageManager(&languages);
    const int result = form.ShowModal();
    form.SetLanguageManager(nullptr);
    if (result == kResultOk) {
        TConfigManager::TBatch batch;
        batch.WriteBool(TConfigBoolKey::SaveOnExit, form.CloseOnExit()->isChecked());
        batch.WriteBool(TConfigBoolKey::ShowWarnings, form.ShowWarnings()->isChecked());
        StoreSettings(config.FileName(), [&] { config.Write(batch); });
        TImportSettings chosen;
        // Blanks at the ends would not come back from the file; an empty pattern is the default.
        const QString pattern = form.CodePattern()->text().trimmed();
        if (!pattern.isEmpty()) chosen.CodePattern = pattern.toStdString();
        chosen.MaxWidth = form.MaxWidth()->value();
        chosen.MaxHeight = form.MaxHeight()->value();
        if (!(chosen == adding))
            StoreSettings(config.FileName(), [&] { WriteImportSettings(config.FileName(), chosen); });
    }
    // The language chosen stays, also after Cancel.
    StoreSettings(settings_->FileName(), [&] {
        settings_->WriteString(TGlobalStringKey::LangDirectory, languages.CurrentFileName());
    });
}

void TManagerMain::ShowAbout() {
    if (!forms_.AboutForm) return;
    forms_.AboutForm->ShowModal();
}

void TManagerMain::Exit() {
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
    if (form.ShowModal() == kResultOk) {
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
