#include "model/decode_queue.h"

#include <utility>

namespace faceloom {

TDecodeQueue::TDecodeQueue(TDecode decode) : decode_(std::move(decode)) {}

TDecodeQueue::~TDecodeQueue() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TDecodeQueue::Add(std::vector<TItem> items) {
    if (items.empty()) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (TItem& item : items)
            jobs_.push_back({TRef<TSmile>(item.Smile), std::move(item.File), item.Kind});
        // Started at the first smile: a program that never defers decoding has no thread.
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
}

void TDecodeQueue::Cancel() {
    std::deque<TJob> dropped;
    {
        std::lock_guard<std::mutex> guard(lock_);
        dropped.swap(jobs_);
    }
    // The references go outside the lock: a last one may free a smile.
}

bool TDecodeQueue::Busy() const {
    std::lock_guard<std::mutex> guard(lock_);
    return working_ || !jobs_.empty();
}

void TDecodeQueue::Run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_) return;
        TJob job = std::move(jobs_.front());
        jobs_.pop_front();
        working_ = true;
        guard.unlock();
        // Only the queue holds it: the pack it belonged to was let go.
        if (job.Smile->GetRefCount() > 1) {
            decode_(*job.Smile, job.File, job.Kind);
            job.Smile->Pending.store(false, std::memory_order_release);
            if (OnDecoded) OnDecoded(job.Smile.get());
        }
        job.Smile.reset();
        guard.lock();
        // Still busy while it says so: whoever sees the queue idle has been told already.
        if (jobs_.empty() && !stopping_ && OnIdle) {
            guard.unlock();
            OnIdle();
            guard.lock();
        }
        working_ = false;
    }
}

}  // namespace faceloom
