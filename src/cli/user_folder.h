#pragma once

#include <string>

#include "model/define_decoder.h"
#include "platform/folder_lock.h"

namespace faceloom::cli {

// Takes the lock of a user's pack folder into lock and, holding it, completes or undoes a save
// that a killed run left there and removes temporary files of ours, as an open in the editor
// does. Without the lock (another program has the folder) nothing is touched; a writer
// (mustLock) is refused then, a reader may read the folder as it is unless a save into it is
// under way. Empty when the folder may be used, else why not ("it is in use ...").
std::string SettleFolder(const std::string& folder, TFolderLock& lock, bool mustLock);

// Why a user's folder could not be opened or saved into, where the reason is the user's to act
// on ("it is in use ..."); empty for any other error.
std::string FolderFailure(TModelError error, long holder = 0);

}  // namespace faceloom::cli
