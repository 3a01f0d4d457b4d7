#include "model/edit_plan.h"

#include <filesystem>

#include "model/define_file.h"
#include "platform/files.h"

namespace faceloom {

TFolderFiles::TFolderFiles(const std::string& folder) {
    for (TFolderEntry& entry : ListFolder(folder)) {
        if (entry.IsFile) files_.emplace(std::move(entry.Name), entry.Inode);
    }
}

const uint64_t* TFolderFiles::Find(const std::string& name) const {
    const auto it = files_.find(name);
    return it == files_.end() ? nullptr : &it->second;
}

std::string TFolderFiles::FreeTempName(const char* kind) {
    for (int n = 0;; ++n) {
        std::string name = ".~faceloom-" + std::string(kind) + "-" + std::to_string(n) + ".tmp";
        if (files_.emplace(name, 0).second) return name;
    }
}

TEditPlan::TEditPlan(const std::string& folder, const char* ext, int width)
    : folder_(folder), ext_(ext), width_(width), files_(folder) {}

std::string TEditPlan::Name(int32_t n) const {
    return PictureFileName(static_cast<size_t>(n), ext_, width_);
}

void TEditPlan::Rename(const std::string& from, const std::string& to) {
    const uint64_t* known = files_.Find(from);
    const uint64_t id = known && *known != 0 ? *known : FileIdentity(folder_ + from).value_or(0);
    Edit.Steps.push_back({false, from, to, id});
}

void TEditPlan::ShiftUp(int32_t from, int32_t count, int32_t by) {
    for (int32_t c = count - 1; c >= from; --c) {
        if (Has(c)) Rename(Name(c), Name(c + by));
    }
}

void TEditPlan::ShiftDown(int32_t from, int32_t count, int32_t by) {
    for (int32_t c = from; c < count; ++c) {
        if (Has(c)) Rename(Name(c), Name(c - by));
    }
}

// The moving picture is parked under a temporary name while the others shift.
void TEditPlan::Move(int32_t from, int32_t to) {
    if (from == to) return;
    const bool parked = Has(from);
    const std::string temp = parked ? files_.FreeTempName("move") : std::string();
    if (parked) Rename(Name(from), temp);
    if (to < from) {
        for (int32_t b = from; b >= to + 1; --b) {
            if (Has(b - 1)) Rename(Name(b - 1), Name(b));
        }
    } else {
        for (int32_t c = from + 1; c <= to; ++c) {
            if (Has(c)) Rename(Name(c), Name(c - 1));
        }
    }
    if (parked) Edit.Steps.push_back({false, temp, Name(to), *files_.Find(Name(from))});
}

void TEditPlan::Keep(int32_t n, TKeptPicture& slot, TEditHistory& history) {
    const std::string name = Name(n);
    const uint64_t* id = files_.Find(name);
    if (id == nullptr) {
        slot = TKeptPicture();
        return;
    }
    const std::string kept = folder_ + kHistoryFolderName;
    // A name is fresh unless a file the history lost track of holds it.
    if (slot.Name.empty() || FileExists(kept + slot.Name)) {
        do {
            slot.Name = history.NewKeptName(ext_);
        } while (FileExists(kept + slot.Name));
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(folder_ + name, ec);
    slot.Size = ec ? 0 : static_cast<uint64_t>(size);
    Edit.Steps.push_back({false, name, kHistoryFolderName + slot.Name, *id});
}

void TEditPlan::Restore(const TKeptPicture& slot, int32_t n) {
    if (slot.Name.empty()) return;
    const std::string from = kHistoryFolderName + slot.Name;
    if (const std::optional<uint64_t> id = FileIdentity(folder_ + from)) {
        Edit.Steps.push_back({false, from, Name(n), *id});
    }
}

}  // namespace faceloom
