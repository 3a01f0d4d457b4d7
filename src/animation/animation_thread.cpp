#include "animation/animation_thread.h"

namespace faceloom {

TAnimationThread::~TAnimationThread() {
    // A descendant that forgot Shutdown still must not leave a running thread behind.
    terminated_.store(true, std::memory_order_release);
    Wakeup.Set();
    if (thread_.joinable()) thread_.join();
}

void TAnimationThread::SetActive(bool active) {
    const bool was = active_.exchange(active, std::memory_order_acq_rel);
    if (was && !active) Clear();
}

void TAnimationThread::Resume() {
    std::lock_guard lock(threadLock_);
    if (thread_.joinable() || Terminated()) return;
    thread_ = std::thread([this] {
        ownId_.store(std::this_thread::get_id(), std::memory_order_release);
        Execute();
    });
}

std::thread::native_handle_type TAnimationThread::NativeHandle() {
    std::lock_guard lock(threadLock_);
    return thread_.joinable() ? thread_.native_handle() : std::thread::native_handle_type{};
}

void TAnimationThread::Shutdown() {
    // Inactive first, so that nothing new is queued while the thread ends.
    SetActive(false);
    terminated_.store(true, std::memory_order_release);
    Wakeup.Set();
    std::lock_guard lock(threadLock_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TAnimationThread::WaitIdle() {
    std::lock_guard lock(RenderLock);
}

}  // namespace faceloom
