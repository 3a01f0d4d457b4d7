// Import and export: pictures of any format, folders and zips added as smiles, packs of other
// messengers brought in, the current pack written out in their formats. The conversion layer
// does the work; here it runs under the progress window, the clashes go to the user, and the
// grid follows what the model took.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <exception>

#include "app/commands/editor_commands.h"
#include "app/commands/import_settings.h"
#include "app/commands/interface_manager.h"
#include "app/commands/local_paths.h"
#include "app/commands/model_error_text.h"
#include "app/commands/suspended_grid.h"
#include "app/dialogs/app_forms.h"
#include "app/dialogs/clash_form.h"
#include "app/dialogs/dialog_base.h"
#include "app/dialogs/export_form.h"
#include "app/dialogs/file_dialogs.h"
#include "app/dialogs/import_forms.h"
#include "convert/pack_import.h"
#include "lang/lang.h"
#include "model/define_decoder.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "storage/config_manager.h"
#include "views/smile_view.h"

namespace faceloom {

namespace {

QString Filled(const QString& pattern, const std::vector<std::string>& params) {
    return QString::fromStdU16String(FillPlaceholders(pattern.toStdU16String(), params));
}

// The index files that stand for the folder holding them.
bool IsIndexFile(const QString& name) {
    for (const char* index : {"theme", "emoticons.xml", "icondef.xml", "_define.ini"})
        if (name.compare(QLatin1String(index), Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

QString TEditorCommands::ImportText(int id) const {
    const int k = id - kImportTextBase;
    return k >= 0 && k < static_cast<int>(importTexts_.size()) ? importTexts_[static_cast<size_t>(k)]
                                                               : QString();
}

bool TEditorCommands::NeedsImport(const QStringList& files) const {
    const QString own = model_ && model_->CurrentPack() == kStaticPack ? "bmp" : "gif";
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (info.isDir()) return true;
        const QString suffix = info.suffix().toLower();
        if (suffix == "zip" || suffix == "jisp") return true;
        if (suffix != own && HasPictureExtension(ToLocal(info.fileName()))) return true;
    }
    return false;
}

void TEditorCommands::AddFiles(const QStringList& files, int32_t after, bool progress) {
    // Pictures of the pack's own kind go in as they are, as they always did.
    if (!NeedsImport(files)) return InsertFiles(files, after, progress);
    ImportSources(files, std::min(after + 1, grid_->Count()));
}

void TEditorCommands::AddFolder() {
    if (!PackPresent()) return;
    const int32_t after = Target();
    EndMenuCommand();
    const std::optional<QString> folder = host_.FileDialogs().SelectFolder(
        host_.DialogParent(), ImportText(kTextFolderOfSmiles), QString(), false);
    if (!folder) return;
    ImportSources({*folder}, std::min(after + 1, grid_->Count()));
}

bool TEditorCommands::ImportSources(const QStringList& sources, int32_t position) {
    if (!PackPresent()) return false;
    const TImportOptions options = ImportOptionsOf(ReadImportSettings(model_->Config().FileName()));
    const QString& reading = importPhases_[0];
    const QString converting = ImportText(kTextConverting);
    const QString& adding = importPhases_[1];

    // Every source in order, their smiles and notes one after the other.
    TForeignPack all;
    QStringList unreadable;
    const auto n = static_cast<int32_t>(sources.size());
    host_.ShowCancellableProgress();
    for (int32_t j = 0; j < n; ++j) {
        if (!host_.StepProgress(reading, j, n)) {
            host_.HideProgressWindow();
            return false;
        }
        try {
            TForeignPack one = ReadSource(ToLocal(sources[j]), options, true, TPackFormat::Pictures);
            if (all.Title.empty()) all.Title = one.Title;
            std::move(one.Smiles.begin(), one.Smiles.end(), std::back_inserter(all.Smiles));
            std::move(one.Notes.begin(), one.Notes.end(), std::back_inserter(all.Notes));
        } catch (const std::exception& e) {
            unreadable.push_back(QDir::toNativeSeparators(sources[j]) + ": " +
                                 QString::fromStdString(e.what()));
        }
    }
    if (all.Smiles.empty()) {
        host_.HideProgressWindow();
        const QString named = sources.size() == 1 ? QDir::toNativeSeparators(sources.front()) : QString();
        if (unreadable.isEmpty())
            unreadable.push_back(Filled(ImportText(kTextNothingToImport), {named.toStdString()}));
        ShowImportNotes(unreadable, all.Notes);
        return false;
    }

    // Converted for the pack, the clashes found; the model is only read.
    TImportPlan plan = PlanImport(all, *model_, options, [&](int32_t at, int32_t of) {
        return host_.StepProgress(converting, at, of);
    });
    host_.HideProgressWindow();
    if (plan.Cancelled) return false;
    if (!plan.Clashes.empty() && forms_.ClashForm) {
        TClashForm& form = *forms_.ClashForm;
        form.SetClashes(
            plan, [this](int32_t i) { return LabelText(i); },
            [this](int32_t i) {
                const std::optional<std::string> bytes =
                    ReadWholeFile(model_->WorkingFolder(model_->CurrentPack()) + model_->PictureFileName(i));
                return bytes ? std::vector<uint8_t>(bytes->begin(), bytes->end()) : std::vector<uint8_t>();
            });
        if (form.ShowModal() != kResultOk) return false;
        const std::vector<TClashChoice> choices = form.Choices();
        for (size_t k = 0; k < plan.Clashes.size() && k < choices.size(); ++k) {
            TClash& clash = plan.Clashes[k];
            clash.Choice = choices[k];
            // A signature the user typed is taken when the pack can hold it as typed; an empty
            // one leaves the code out, as Keep does.
            const std::u16string typed = form.Renamed(static_cast<int>(k)).toStdU16String();
            const std::string bytes = UnicodeToCodePage(typed, options.CodePage);
            if (typed.empty() || (CodePageToUnicode(bytes, options.CodePage) == typed &&
                                  TDefineDecoder::StorableSignature(bytes))) {
                clash.Renamed = bytes;
            }
        }
    }
    NoteChoices(plan);

    // One undoable step; all or nothing, so the grid follows only a whole success.
    host_.ShowCancellableProgress();
    TImportResult result;
    {
        TSuspendedGrid suspended(*grid_);
        result = ApplyImport(*model_, std::clamp(position, 0, model_->SmileCount()), plan,
                             [&](int32_t at, int32_t of) { return host_.StepProgress(adding, at, of); });
        if (!result.Failed && !result.Cancelled && result.FirstIndex >= 0) {
            for (int32_t k = 0; k < result.Added; ++k) {
                const int32_t i = result.FirstIndex + k;
                grid_->Smiles().InsertObject(i, LabelText(i), GridSmileFor(model_->Smile(i)));
            }
        }
    }
    host_.HideProgressWindow();
    if (result.Failed) ReportModelFailure();
    const bool added = !result.Failed && !result.Cancelled && result.FirstIndex >= 0 && result.Added > 0;
    if (added) {
        const int32_t last = result.FirstIndex + result.Added - 1;
        grid_->SetItemIndex(last);
        grid_->ScrollIntoView(last);
    }
    ShowSelectedSignatures();
    UpdateSmileCommands(grid_->ItemIndex());
    UpdateCount();
    if (!result.Cancelled) {
        // The plan's notes carry the sources' own first where the engine passes them on.
        const bool carried = plan.Notes.size() >= all.Notes.size() &&
                             std::equal(all.Notes.begin(), all.Notes.end(), plan.Notes.begin());
        TImportNotes notes = carried ? TImportNotes{} : all.Notes;
        notes.insert(notes.end(), plan.Notes.begin(), plan.Notes.end());
        ShowImportNotes(unreadable, notes);
    }
    return added;
}

void TEditorCommands::ReplaceFrom(int32_t index, const QString& file) {
    if (!model_) return;
    const TImportOptions options = ImportOptionsOf(ReadImportSettings(model_->Config().FileName()));
    TImportNotes notes;
    const std::string path = ToLocal(file);
    const TReplaceResult result =
        ReplacePictureFrom(*model_, index, path, QFileInfo(file).fileName().toStdString(), options, notes);
    if (result.Refused) {
        return host_.ReportFailure(NoteText(*result.Refused), {});
    }
    if (result.Unreadable) {
        return host_.ReportFailure(forms_.ErrorTexts.Text(TModelError::CopyFailed, path), {});
    }
    if (!result.Smile) return ReportModelFailure(path);
    {
        TSuspendedGrid suspended(*grid_);
        grid_->Smiles().SetSmile(index, GridSmileFor(result.Smile));
        RelabelItem(index);
    }
    UpdateSmileCommands(grid_->ItemIndex());
    ShowImportNotes({}, notes);
}

QString TEditorCommands::NoteText(const TImportNote& note) const {
    return QString::fromStdU16String(FormatImportNote(note, [this](int id) {
        const QString text = id == kTextLeftUnsigned ? leftUnsignedText_ : ImportText(id);
        if (!text.isEmpty()) return text.toStdU16String();
        const auto it = reasonTexts_.find(id);
        return it != reasonTexts_.end() ? it->second : std::u16string();
    }));
}

void TEditorCommands::ShowImportNotes(const QStringList& failures, const TImportNotes& notes) {
    if ((failures.isEmpty() && notes.empty()) || !forms_.MessagesForm) return;
    QStringList lines = failures;
    for (const TImportNote& note : notes) lines.push_back(NoteText(note));
    forms_.MessagesForm->SetMessage(ImportText(kTextImportNotes), ImportText(kTextImportNotesIntro), lines);
    forms_.MessagesForm->ShowModal();
}

void TEditorCommands::Import() {
    EndMenuCommand();
    if (!model_) return;
    const QString index = "theme;emoticons.xml;icondef.xml;_define.ini;*.zip;*.jisp";
    TOpenFileRequest request;
    request.Title = ImportText(kTextImportTitle);
    request.Filter = ImportText(kTextOtherPacks) + " (" + index + ")|" + index + allFilesTail_;
    const std::optional<QString> file = host_.FileDialogs().OpenFile(host_.DialogParent(), request);
    if (!file) return;
    // A theme's index file stands for its folder.
    const QFileInfo info(*file);
    const QString source = IsIndexFile(info.fileName()) ? info.absolutePath() : info.absoluteFilePath();
    bool intoNew = !PackPresent();
    if (!intoNew && forms_.ImportTargetForm) {
        forms_.ImportTargetForm->SetSource(QDir::toNativeSeparators(source));
        const int answer = forms_.ImportTargetForm->ShowModal();
        if (answer != kResultYes && answer != kResultNo) return;
        intoNew = answer == kResultYes;
    }
    // A new pack asks first whether to save the one shown; a "Cancel" there imports nothing.
    if (intoNew && !MakeNewPack()) return;
    const int32_t position = intoNew ? 0 : std::min(grid_->ItemIndex() + 1, grid_->Count());
    ImportSources({source}, position);
}

QString TEditorCommands::ExportDestination(TPackFormat format) const {
    QString folder = QDir::homePath();
    QString name = QStringLiteral("smiles");
    if (model_ && model_->SourcedPacks().Contains(model_->CurrentPack())) {
        QString source = QDir::cleanPath(FromLocal(model_->SourcePath(model_->CurrentPack())));
        // A path may name the pack's "_define.ini" rather than its folder.
        if (QFileInfo(source).fileName().compare("_define.ini", Qt::CaseInsensitive) == 0)
            source = QFileInfo(source).path();
        const QFileInfo info(source);
        if (!info.fileName().isEmpty()) {
            name = info.fileName();
            folder = info.path();
        }
    }
    const QString suffix = format == TPackFormat::Zip      ? QStringLiteral(".zip")
                           : format == TPackFormat::Pidgin ? QStringLiteral("-pidgin")
                                                           : QStringLiteral("-freedesktop");
    return QDir::toNativeSeparators(QDir(folder).filePath(name + suffix));
}

void TEditorCommands::Export() {
    EndMenuCommand();
    if (!PackPresent() || !forms_.ExportForm) return;
    TExportForm& form = *forms_.ExportForm;
    form.DefaultDestination = [this](TPackFormat format) { return ExportDestination(format); };
    // The folder is chosen; the name typed (or proposed) stays.
    form.Browse = [this](TPackFormat format, const QString& current) -> std::optional<QString> {
        const QFileInfo info(current.isEmpty() ? ExportDestination(format) : current);
        const std::optional<QString> folder = host_.FileDialogs().SelectFolder(
            host_.DialogParent(), ImportText(kTextExportTitle), info.absolutePath(), true);
        if (!folder) return std::nullopt;
        return QDir::toNativeSeparators(QDir(*folder).filePath(info.fileName()));
    };
    form.Reset(lastExportFormat_);
    if (form.ShowModal() != kResultOk) return;
    lastExportFormat_ = form.Format();
    QString out = QDir::cleanPath(QDir::fromNativeSeparators(form.Destination()));
    if (lastExportFormat_ == TPackFormat::Zip && !out.endsWith(".zip", Qt::CaseInsensitive)) out += ".zip";
    try {
        ExportPack(model_->WorkingFolder(model_->CurrentPack()), lastExportFormat_, ToLocal(out));
    } catch (const std::exception& e) {
        host_.ReportFailure(Filled(ImportText(kTextExportFailed), {e.what()}), {});
        return;
    }
    if (!forms_.MessagesForm) return;
    forms_.MessagesForm->SetMessage(
        ImportText(kTextExportTitle),
        Filled(ImportText(kTextExported), {QDir::toNativeSeparators(out).toStdString()}), {});
    forms_.MessagesForm->ShowModal();
}

}  // namespace faceloom
