#include "storage/working_copy_swap.h"

#include "platform/files.h"
#include "platform/flush_batch.h"
#include "platform/paths.h"

namespace faceloom {

namespace {

std::string WithoutSeparator(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
    return path;
}

// The folder holding folder, with a trailing separator.
std::string ParentOf(const std::string& folder) {
    return ExtractFilePath(WithoutSeparator(folder));
}

}  // namespace

std::string TWorkingCopySwap::Sibling(const std::string& folder, const char* suffix) {
    return WithoutSeparator(folder) + suffix + kPathSeparator;
}

std::string TWorkingCopySwap::StagingFolder(const std::string& folder) {
    return Sibling(folder, ".~staging");
}

bool TWorkingCopySwap::Commit(const std::string& folder, TFlushBatch& staged) {
    const std::string staging = StagingFolder(folder);
    const std::string ready = Sibling(folder, ".~ready");
    // The files must be on the disk before the rename that makes them the working copy: after
    // a power cut the old folder would be gone and the new one hold empty files.
    staged.AddFolder(staging);
    if (!staged.Flush()) return false;
    // Only a folder of our own becomes the working copy, never a link to one.
    if (EntryKind(staging) != TEntryKind::Folder) return false;
    RemoveTree(ready);
    if (!RenameExact(WithoutSeparator(staging), WithoutSeparator(ready))) return false;
    SyncFolder(ParentOf(folder));
    return Finish(folder);
}

// From "ready" on the new folder wins: each step below can be redone after a kill.
bool TWorkingCopySwap::Finish(const std::string& folder) {
    const std::string ready = Sibling(folder, ".~ready");
    const std::string old = Sibling(folder, ".~old");
    const TEntryKind current = EntryKind(folder);
    if (current == TEntryKind::Folder || current == TEntryKind::Link) {
        // An old folder beside a live one is a leftover of an earlier, finished swap. A link
        // in the working copy's place goes aside the same way and is removed as a link.
        RemoveTree(old);
        if (!RenameExact(WithoutSeparator(folder), WithoutSeparator(old))) return false;
    }
    if (!RenameExact(WithoutSeparator(ready), WithoutSeparator(folder))) return false;
    SyncFolder(ParentOf(folder));
    RemoveTree(old);
    return true;
}

std::vector<std::string> TWorkingCopySwap::Links(const std::string& folder) {
    std::vector<std::string> links;
    if (folder.empty()) return links;
    for (const char* suffix : {"", ".~staging", ".~ready", ".~old"}) {
        const std::string entry = WithoutSeparator(folder) + suffix;
        if (EntryKind(entry) == TEntryKind::Link) links.push_back(entry);
    }
    return links;
}

std::vector<std::string> TWorkingCopySwap::Recover(const std::string& folder) {
    std::vector<std::string> links = Links(folder);
    if (folder.empty()) return links;
    // None of these names is ever a link of ours: each is removed itself, its target untouched,
    // so that none is emptied, finished into the working copy or put back as it.
    for (const std::string& link : links) RemoveTree(link);
    RemoveTree(StagingFolder(folder));
    if (EntryKind(Sibling(folder, ".~ready")) == TEntryKind::Folder) {
        Finish(folder);
        return links;
    }
    const std::string old = Sibling(folder, ".~old");
    if (EntryKind(old) != TEntryKind::Folder) return links;
    if (EntryKind(folder) == TEntryKind::Folder) {
        RemoveTree(old);
    } else {
        // Nothing replaced it: the folder put aside is still the working copy.
        RenameExact(WithoutSeparator(old), WithoutSeparator(folder));
    }
    return links;
}

void TWorkingCopySwap::Abandon(const std::string& folder) {
    RemoveTree(StagingFolder(folder));
}

}  // namespace faceloom
