#pragma once

#include <string>

namespace faceloom {

// What the editor and every faceloom-pack run share about the user's own folders, kept in the
// user's storage area whatever storage a process works in (faceloom-pack works in a throwaway
// one):
//
// - the folder of the folder locks (TFolderLock), "<storage area>/Locks/";
// - the identity that faceloom-pack lends its saves into a user's folder. A throwaway storage
//   is gone after a kill, so a save journal under its own identity could never be completed;
//   under this one, the next faceloom-pack run or the editor that takes the folder's lock
//   completes it. It is random and kept in the user's storage area like the storages' own
//   identities, so a journal found in a folder that came from elsewhere (a zip, say) is still
//   foreign.

std::string FolderLockFolder();

// The pack tool's identity; when there is none yet, one is made if create, else empty. Empty
// also when it cannot be read or made.
std::string PackToolIdentity(bool create);

}  // namespace faceloom
