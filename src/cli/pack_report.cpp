#include "cli/pack_report.h"

#include <filesystem>
#include <map>
#include <stdexcept>
#include <system_error>

#include "model/define_decoder.h"
#include "model/define_file.h"
#include "pictures/picture_decoder.h"
#include "platform/paths.h"

namespace faceloom::cli {

const char* SmileStatusName(TSmileStatus status) {
    switch (status) {
        case TSmileStatus::Ok:
            return "ok";
        case TSmileStatus::Missing:
            return "missing";
        case TSmileStatus::LoadError:
            return "load-error";
    }
    return "?";
}

int32_t CountDuplicateSignatures(const std::vector<TSmileReport>& smiles, TCodePage codePage) {
    auto less = [codePage](const std::string& a, const std::string& b) {
        return CompareTextFolded(a, b, codePage) < 0;
    };
    std::map<std::string, int, decltype(less)> seen(less);
    int32_t duplicates = 0;
    for (const TSmileReport& smile : smiles) {
        for (const std::string& signature : smile.Signatures) {
            if (!seen.emplace(signature, 0).second) ++duplicates;
        }
    }
    return duplicates;
}

bool CanReadFolder(const std::string& folder, std::string& reason) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(folder, ec);
    if (ec || !std::filesystem::exists(status)) {
        reason = "no such folder";
        return false;
    }
    if (!std::filesystem::is_directory(status)) {
        reason = "not a folder";
        return false;
    }
    std::filesystem::directory_iterator listing(folder, ec);
    if (ec) {
        reason = ec.message();
        return false;
    }
    return true;
}

namespace {

// Follows the pictures through the model's canonical renames: working-copy name -> the name
// the picture had in the pack folder. The working copy starts with the folder's own names;
// each rename the model reports as done moves a picture to its canonical name.
class TRenameTracker {
public:
    // Every picture is reported under the name it came with: opening sets all of them aside
    // before any takes its canonical name, so renames never chain.
    void Renamed(const std::string& from, const std::string& to) { origins_[to] = from; }
    std::string OriginalOf(const std::string& name) const {
        auto it = origins_.find(name);
        return it == origins_.end() ? name : it->second;
    }

private:
    std::map<std::string, std::string> origins_;
};

TSmileReport ReportSmile(const TDefineDecoder& model, int32_t index, const TRenameTracker& renames) {
    TSmileReport report;
    report.Index = index;
    TSmile* smile = model.Smile(index);
    if (smile == nullptr) return report;
    report.Signatures = smile->Signatures.Items();
    TPictureDecoder* picture = smile->Picture.load();
    if (smile->LoadError) {
        report.Status = TSmileStatus::LoadError;
    } else if (picture == nullptr) {
        report.Status = TSmileStatus::Missing;
    } else {
        report.Status = TSmileStatus::Ok;
        report.Frames = picture->GetFrameCount();
        report.Width = picture->Width;
        report.Height = picture->Height;
        for (int32_t frame = 0; frame < report.Frames; ++frame) {
            report.Delays.push_back(picture->GetDelay(frame));
        }
    }
    // A smile that failed to decode still has its file; only a missing one has none.
    if (report.Status != TSmileStatus::Missing) {
        report.Source = renames.OriginalOf(model.PictureFileName(index));
    }
    return report;
}

}  // namespace

TPackReport OpenPackReport(const std::string& folder, uint8_t kind, TCodePage codePage,
                           const std::function<void()>& checkpoint,
                           const std::function<void(TDefineDecoder&)>& inspect, uint64_t frameBudget) {
    TPackReport report;
    report.Folder = folder;
    report.Kind = kind;

    TDefineDecoder model("Storage");
    model.SetBothMode(false);
    model.SetCurrentPack(kind);
    // A folder the editor has open is still read (nothing in it is touched then).
    model.SetReadFoldersInUse(true);
    if (frameBudget != 0) model.SetFrameBudget(frameBudget);

    TRenameTracker renames;
    int32_t phase = -1;
    int32_t renameFailures = 0;
    model.OnPhase = [&](TDefineDecoder&, int32_t newPhase, int32_t, int32_t) {
        phase = newPhase;
        renameFailures = 0;
        checkpoint();
    };
    // In phase 2 every picture in name order is reported after its rename, with the running
    // count of renames that failed: a rename is done when that count did not grow.
    model.OnFile = [&](TDefineDecoder& sender, const std::string& fileName, int32_t position,
                       int32_t errorCount) {
        if (phase == 2) {
            if (errorCount == renameFailures) {
                renames.Renamed(fileName, sender.PictureFileName(position));
            }
            renameFailures = errorCount;
        }
        checkpoint();
    };

    if (!model.OpenPack(IncludeTrailingSeparator(folder) + kDefineFileName)) {
        switch (model.LastError()) {
            case TModelError::FolderInUse:
                throw std::runtime_error("another program is saving into the folder now");
            case TModelError::ForeignSave:
                throw std::runtime_error(
                    "the folder holds an unfinished save of the editor or a damaged save journal; opening it "
                    "in the "
                    "editor that saved it completes it");
            default:
                throw std::runtime_error("the pack could not be opened");
        }
    }
    checkpoint();

    const int32_t count = model.SmileCount();
    report.Smiles.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        report.Smiles.push_back(ReportSmile(model, i, renames));
    }
    report.LoadErrors = model.ErrorCount(0);
    report.MissingFiles = model.ErrorCount(1);
    report.WithoutSignatures = model.ErrorCount(2);
    report.DuplicateSignatures = CountDuplicateSignatures(report.Smiles, codePage);
    if (inspect) inspect(model);

    // Keeps a batch from piling up working copies in the temporary storage.
    model.OnPhase = nullptr;
    model.OnFile = nullptr;
    model.ClosePack();
    return report;
}

}  // namespace faceloom::cli
