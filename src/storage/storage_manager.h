#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace faceloom {

class TFlushBatch;

// One folder of the per-user storage area (a working copy of a pack or a settings folder):
// its path, and the bulk file operations the pack model needs. Every file touched is
// reported to OnFile just before it is deleted or copied. Failures of single files are not
// reported; the results only say whether anything matched.
class TStorageManager {
public:
    // sender, file name without folder
    using TFileEvent = std::function<void(TStorageManager& sender, const std::string& fileName)>;

    // subPath is relative to the per-user data folder, e.g. PackSubPath(...) of storage_layout.h.
    // Path becomes that folder with a trailing separator; every missing folder along it is
    // created. Valid says whether that worked (false, with an empty Path, when the per-user
    // data folder itself is unavailable). The data folder and the sub-path's first folder
    // (the storage area itself) may be links; below them nothing is followed: a link there
    // leaves the storage invalid (LinkFound names it) and is never made its folder.
    explicit TStorageManager(const std::string& subPath);

    TStorageManager(const TStorageManager&) = delete;
    TStorageManager& operator=(const TStorageManager&) = delete;

    // The folder a sub-path names (with a trailing separator), without creating anything;
    // empty when the per-user data folder is unavailable.
    static std::string FolderFor(const std::string& subPath);
    // The first folder of the sub-path below the storage area itself that is a link (without
    // a trailing separator); empty when none is.
    static std::string FirstLink(const std::string& subPath);

    bool Valid() const { return valid_; }
    // Files of the last bulk operation whose delete or copy failed (the operations go on past
    // them; a caller that needs every file checks this).
    int32_t Failures() const { return failures_; }
    const std::string& Path() const { return path_; }
    // The link that made the storage invalid (see the constructor); empty when none did.
    const std::string& LinkFound() const { return linkFound_; }

    // Deletes the files of Path matching mask ("*.ini").
    bool DeleteInStorage(const std::string& mask);
    // Deletes the files matching a full mask path ("/pack/*.gif"). The mask path must name a
    // folder (as must the target of CopyFromStorage): without one they do nothing.
    bool DeleteInFolder(const std::string& maskPath);
    // Copies the files matching a full mask path into Path, replacing files of the same name.
    bool CopyToStorage(const std::string& maskPath);
    // Copies every file of Path into targetFolder, replacing files of the same name.
    bool CopyFromStorage(const std::string& targetFolder);

    TFileEvent OnFile;
    // When set, the files CopyToStorage writes join it: the commit that depends on them
    // flushes them together, with no flush per file.
    TFlushBatch* Flushes = nullptr;

private:
    void Report(const std::string& name);
    // Reports each file matching maskPath and hands its name (without folder) to act; says
    // whether there was any.
    bool ForEachFile(const std::string& maskPath, const std::function<void(const std::string& name)>& act);

    bool valid_ = false;
    int32_t failures_ = 0;
    std::string path_;
    std::string linkFound_;
};

}  // namespace faceloom
