#pragma once

#include <string>

#include "platform/folder_lock.h"

namespace faceloom::cli {

// Takes the lock of a user's pack folder into lock and, holding it, completes or undoes a save
// that a killed run left there and removes temporary files of ours, as an open in the editor
// does. Without the lock (another program has the folder) nothing is touched; a writer
// (mustLock) is refused then, a reader may read the folder as it is unless a save into it is
// under way. Empty when the folder may be used, else why not ("it is in use ...").
std::string SettleFolder(const std::string& folder, TFolderLock& lock, bool mustLock);

}  // namespace faceloom::cli
