#include "animation/animation_manager.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "animation/smile.h"

namespace faceloom {

TAnimationManager::TAnimationManager(std::unique_ptr<TTimerClock> clock)
    : timerThread_(std::make_unique<TTimerThread>(std::move(clock))),
      renderThread_(std::make_unique<TRenderThread>()) {}

TAnimationManager::~TAnimationManager() {
    timerThread_->Shutdown();
    renderThread_->Shutdown();
}

void TAnimationManager::Start() {
    timerThread_->SetActive(true);
    timerThread_->Resume();
    renderThread_->SetActive(true);
    renderThread_->Resume();
}

void TAnimationManager::Deactivate() {
    timerThread_->SetActive(false);
    renderThread_->SetActive(false);
}

void TAnimationManager::AddToTimer(TSmile* smile) {
    timerThread_->Add(smile);
}

void TAnimationManager::RemoveSmile(TSmile* smile) {
    timerThread_->Remove(smile);
    renderThread_->Remove(smile);
}

void TAnimationManager::RequestRender(TSmile* smile) {
    if (!smile) return;
    smile->Visible.store(true, std::memory_order_relaxed);
    if (smile->CanAnimate()) timerThread_->Add(smile);
    renderThread_->Add(smile);
}

void TAnimationManager::WaitRenderIdle() {
    timerThread_->WaitIdle();
    renderThread_->WaitIdle();
}

namespace {

std::mutex managerLock;
std::unique_ptr<TAnimationManager> sharedManager;
int32_t ManagerUsers = 0;

// Destroys managers released from their own threads. Each new ending first waits for the one
// before, so one thread object covers them all; the program's exit waits for the last.
class TManagerReaper {
public:
    ~TManagerReaper() { Wait(); }

    // Announced while the manager lock is held, so a Wait that follows the release waits for
    // this ending even before End has run.
    void Expect() {
        std::lock_guard lock(lock_);
        ++expected_;
    }

    void End(std::unique_ptr<TAnimationManager> manager) {
        {
            std::lock_guard lock(lock_);
            thread_ = std::thread([manager = std::move(manager), previous = std::move(thread_)]() mutable {
                // Not on the hook's thread: a render hook holds the render lock, which must
                // never be held while a queue lock is taken.
                manager->Deactivate();
                if (previous.joinable()) previous.join();
                manager.reset();  // waits for the hook that released it to return
            });
            --expected_;
        }
        started_.notify_all();
    }

    void Wait() {
        std::thread ending;
        {
            std::unique_lock lock(lock_);
            started_.wait(lock, [this] { return expected_ == 0; });
            ending = std::move(thread_);
        }
        if (ending.joinable()) ending.join();
    }

private:
    std::mutex lock_;
    std::condition_variable started_;
    int expected_ = 0;
    std::thread thread_;
};

TManagerReaper reaper;

}  // namespace

TAnimationManager* AcquireAnimationManager() {
    std::lock_guard lock(managerLock);
    if (ManagerUsers == 0) {
        sharedManager = std::make_unique<TAnimationManager>();
        sharedManager->Start();
    }
    ++ManagerUsers;
    return sharedManager.get();
}

void ReleaseAnimationManager() {
    std::unique_ptr<TAnimationManager> ending;
    bool onWorker = false;
    {
        std::lock_guard lock(managerLock);
        if (ManagerUsers == 0) return;
        if (--ManagerUsers > 0) return;
        ending = std::move(sharedManager);
        onWorker = ending->IsWorkerThread();
        if (onWorker) reaper.Expect();
    }
    if (onWorker) {
        reaper.End(std::move(ending));
        return;
    }
    // Outside the lock: emptying the queues waits for a timer pass, whose hooks may ask for
    // the manager meanwhile.
    ending->Deactivate();
    ending.reset();
}

void WaitEndedAnimationManagers() {
    reaper.Wait();
}

TAnimationManager* AnimationManager() {
    std::lock_guard lock(managerLock);
    return sharedManager.get();
}

int32_t AnimationManagerUsers() {
    std::lock_guard lock(managerLock);
    return ManagerUsers;
}

}  // namespace faceloom
