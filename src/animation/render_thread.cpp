#include "animation/render_thread.h"

#include <memory>

#include "animation/smile.h"

namespace faceloom {

TRenderThread::~TRenderThread() {
    Shutdown();
    Clear();  // a queue filled while never activated
}

void TRenderThread::Add(TSmile* smile) {
    if (!smile || !IsActive()) return;
    std::lock_guard lock(QueueLock);
    // Checked again under the lock, so nothing is queued after a Clear that deactivation made.
    if (!IsActive() || smile->InRenderQueue.load(std::memory_order_acquire)) return;
    auto node = std::make_unique<TAnimationNode>();
    node->Smile = smile;
    smile->RenderNode = node.get();
    smile->InRenderQueue.store(true, std::memory_order_release);
    smile->AddRef();
    if (Tail) {
        Tail->Next = node.get();
    } else {
        Head = node.get();
    }
    Tail = node.release();
    Wakeup.Set();
}

void TRenderThread::Remove(TSmile* smile) {
    if (!smile) return;
    std::lock_guard lock(QueueLock);
    if (!smile->InRenderQueue.load(std::memory_order_acquire)) return;
    smile->RenderNode->Smile = nullptr;
    smile->RenderNode = nullptr;
    smile->InRenderQueue.store(false, std::memory_order_release);
    smile->Release();
}

void TRenderThread::Clear() {
    std::lock_guard lock(QueueLock);
    while (TAnimationNode* node = Head) {
        Head = node->Next;
        if (TSmile* smile = node->Smile) {
            smile->RenderNode = nullptr;
            smile->InRenderQueue.store(false, std::memory_order_release);
            smile->Release();
        }
        delete node;
    }
    Tail = nullptr;
}

void TRenderThread::Execute() {
    Wakeup.Wait();
    while (!Terminated()) {
        Wakeup.Wait();
        if (Terminated()) break;
        std::unique_ptr<TAnimationNode> node;
        TSmile* smile = nullptr;
        std::unique_lock<std::mutex> rendering;
        {
            std::lock_guard lock(QueueLock);
            if (!Head) {
                Wakeup.Reset();
                continue;
            }
            node.reset(Head);
            Head = node->Next;
            if (!Head) {
                Tail = nullptr;
                // Under the lock: an Add that follows sets it again.
                Wakeup.Reset();
            }
            smile = node->Smile;
            if (smile) {
                smile->RenderNode = nullptr;
                smile->InRenderQueue.store(false, std::memory_order_release);
                // Taken before the queue lock is let go: once an owner's Remove has found the
                // request gone, its WaitIdle must wait for this Render too.
                rendering = std::unique_lock(RenderLock);
            }
        }
        if (smile) {
            // The queue's reference keeps the instance alive through Render.
            try {
                smile->Render();
            } catch (...) {
                // A failed drawing loses one frame, not the thread.
            }
            smile->Release();
        }
    }
}

}  // namespace faceloom
