#include "animation/animation_manager.h"

#include <mutex>

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
    {
        std::lock_guard lock(managerLock);
        if (ManagerUsers == 0) return;
        if (--ManagerUsers > 0) return;
        sharedManager->Deactivate();
        ending = std::move(sharedManager);
    }
    // Joined outside the lock, so a hook that asks for the manager meanwhile cannot deadlock.
    ending.reset();
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
