#include "cli/user_folder.h"

#include "model/pack_save.h"
#include "platform/files.h"
#include "storage/user_folder_guard.h"

namespace faceloom::cli {

std::string FolderFailure(TModelError error, long holder) {
    switch (error) {
        case TModelError::FolderInUse:
            return "it is in use by another program (the Faceloom editor or another faceloom-pack" +
                   (holder > 0 ? ", process " + std::to_string(holder) : std::string()) +
                   "); nothing was changed, try again when it is done with the folder";
        case TModelError::ForeignSave:
            return "it holds an unfinished save of the editor or a damaged save journal (" +
                   std::string(kSaveJournalName) +
                   "); opening the folder in the editor that saved it completes it";
        case TModelError::RecoveryFailed:
            return "an unfinished save there could not be completed";
        default:
            return {};
    }
}

std::string SettleFolder(const std::string& folder, TFolderLock& lock, bool mustLock) {
    if (!lock.Acquire(folder, FolderLockFolder())) {
        if (mustLock || FileExists(folder + kSaveJournalName))
            return FolderFailure(TModelError::FolderInUse, lock.HolderPid());
        return {};
    }
    if (!DirectoryExists(folder)) return {};
    const std::string tool = PackToolIdentity(false);
    switch (RecoverSave(folder, TSaveOwner{tool, std::string(), tool})) {
        case TSaveRecovery::Failed:
            return FolderFailure(TModelError::RecoveryFailed);
        case TSaveRecovery::Foreign:
            return FolderFailure(TModelError::ForeignSave);
        default:
            return {};
    }
}

}  // namespace faceloom::cli
