#pragma once

#include <string>
#include <vector>

namespace faceloom {

class TFlushBatch;

// Replaces a working-copy folder by a complete new one so that a kill at any instant leaves
// either the old folder or the new one, never a mix. The new content is built in the staging
// folder beside it ("<folder>.~staging"); Commit renames it to "<folder>.~ready" (the point
// after which the new folder wins), then puts the old folder aside ("<folder>.~old"), the new
// one in its place, and removes the old one. Recover, run before the folder is used, finishes
// or drops whatever a killed run left. All paths are folders with a trailing separator.
class TWorkingCopySwap {
public:
    static std::string StagingFolder(const std::string& folder);
    // Flushes the staged files (those in staged; the staging folder's entries are added) and
    // swaps them in. False when they could not be flushed or the staged folder could not be
    // made the new one; the old folder is then in place, untouched.
    static bool Commit(const std::string& folder, TFlushBatch& staged);
    // Drops an unfinished staging folder, completes a committed swap and removes an old
    // folder left aside. Does nothing when no swap was under way. A link in the place of the
    // folder or of its staging, ready or old folder is never followed: it is removed itself
    // (its target untouched) and named in the result.
    static std::vector<std::string> Recover(const std::string& folder);
    // Which of the folder and its staging, ready and old folders are links (paths without a
    // trailing separator). Commit and Abandon never follow them either.
    static std::vector<std::string> Links(const std::string& folder);
    // Drops the staging folder of a swap that will not be committed.
    static void Abandon(const std::string& folder);

private:
    static std::string Sibling(const std::string& folder, const char* suffix);
    static bool Finish(const std::string& folder);
};

}  // namespace faceloom
