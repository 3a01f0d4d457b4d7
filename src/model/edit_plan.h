#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "model/edit_history.h"
#include "model/edit_journal.h"

namespace faceloom {

// The files of a working copy by name, read once per edit.
class TFolderFiles {
public:
    explicit TFolderFiles(const std::string& folder);
    const uint64_t* Find(const std::string& name) const;
    // A temporary name of ours that no file has.
    std::string FreeTempName(const char* kind);

private:
    std::map<std::string, uint64_t> files_;
};

// Builds the journal of one edit of a working copy: the renames that shift, park, keep and
// restore pictures by their canonical names, each naming its file by the identity it had when
// the plan was made (the folder is read once). The caller adds the definition and runs it.
class TEditPlan {
public:
    // ext ".gif" or ".bmp"; width the letters of the canonical names.
    TEditPlan(const std::string& folder, const char* ext, int width);

    const std::string& Folder() const { return folder_; }
    TFolderFiles& Files() { return files_; }
    std::string Name(int32_t n) const;
    bool Has(int32_t n) const { return files_.Find(Name(n)) != nullptr; }

    // Renames a file present when the plan was made (or made since, under a temporary name).
    void Rename(const std::string& from, const std::string& to);
    // The pictures of smiles from .. count - 1 move up (down) by `by` places.
    void ShiftUp(int32_t from, int32_t count, int32_t by);
    void ShiftDown(int32_t from, int32_t count, int32_t by);
    // The picture of smile `from` goes to `to`, the pictures between shift by one.
    void Move(int32_t from, int32_t to);
    // The picture of smile n (when it has one) goes into the history as slot, which gets a
    // name first when it has none or its name is taken; without a picture the slot is emptied.
    void Keep(int32_t n, TKeptPicture& slot, TEditHistory& history);
    // A kept picture (when it is there) comes back as the picture of smile n.
    void Restore(const TKeptPicture& slot, int32_t n);

    TEditJournal Edit;

private:
    std::string folder_;
    const char* ext_;
    int width_;
    TFolderFiles files_;
};

}  // namespace faceloom
