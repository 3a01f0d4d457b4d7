#pragma once

#include <signal.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/flush_batch.h"

namespace faceloom::cli {

// The throwaway storage area of one run: a fresh folder from mkdtemp under the temp folder
// ($TMPDIR, else /tmp) named "faceloom-pack-<pid>-XXXXXX", made the per-user data folder
// (XDG_DATA_HOME) so that the pack model keeps its working copies and settings there and
// never touches the user's own. The folder is removed when the object is destroyed, and also
// when the run is interrupted (SIGINT, SIGTERM, SIGHUP).
//
// A run that is killed cannot remove its folder; the next run does. The run holds an flock on
// the folder's lock file for as long as it lives, and only folders of that name pattern, of
// this user, whose process is gone and whose lock is free are removed.
//
// Interruption: the constructor blocks those signals in the calling thread, which must be
// the main thread before it starts any other (threads inherit the mask), and a watcher
// thread waits for them. Work on the storage runs inside a Work() scope and calls Checkpoint()
// often (the pack model's progress events). On a signal the watcher waits until the working
// thread has parked at a checkpoint or left its scope, so that nothing creates files while
// the folder is removed, removes the folder, and ends the process by the same signal with its
// default action, as the caller of the program expects. A save into the user's folder (a Save
// scope) is never cut short: the signal takes effect once it is over, so the folder is left
// with its old pack or its new one.
class TTempStorage {
public:
    // Throws std::runtime_error when the folder cannot be created.
    TTempStorage();
    ~TTempStorage();
    TTempStorage(const TTempStorage&) = delete;
    TTempStorage& operator=(const TTempStorage&) = delete;

    // The folder, with a trailing separator.
    const std::string& Root() const { return root_; }

    class TWork {
    public:
        explicit TWork(TTempStorage& storage) : storage_(storage) { storage_.BeginWork(); }
        ~TWork() { storage_.EndWork(); }
        TWork(const TWork&) = delete;
        TWork& operator=(const TWork&) = delete;

    private:
        TTempStorage& storage_;
    };
    TWork Work() { return TWork(*this); }

    // Inside a Work scope, around the save into the user's folder: its files are flushed as the
    // editor's save flushes them (the storage's own writes are not), and an interruption waits
    // for its end however long it takes. One that came before it is a checkpoint's.
    class TSave {
    public:
        explicit TSave(TTempStorage& storage) : storage_(storage) { storage_.BeginSave(); }
        ~TSave() { storage_.EndSave(); }
        TSave(const TSave&) = delete;
        TSave& operator=(const TSave&) = delete;

    private:
        TTempStorage& storage_;
    };
    TSave Save() { return TSave(*this); }

    // Inside a Work scope: when an interruption is pending, gives up the scope and never
    // returns (the watcher ends the process).
    void Checkpoint();

    bool Interrupted() const { return interrupted_.load(); }

private:
    void BeginWork();
    void EndWork();
    void BeginSave();
    void EndSave();
    void Watch();
    void RemoveFolder() noexcept;

    // Everything this storage holds is deleted at the end of the run: none of it needs to
    // reach the disk, so its commits wait for no flush (outside a Save scope).
    std::optional<TSkippedFlushes> noFlushes_;
    std::string root_;
    int ownerLock_ = -1;
    std::atomic<bool> saving_{false};
    sigset_t handled_{};
    sigset_t previousMask_{};
    std::timed_mutex workLock_;
    std::atomic<bool> interrupted_{false};
    std::atomic<bool> stopping_{false};
    std::thread watcher_;
};

}  // namespace faceloom::cli
