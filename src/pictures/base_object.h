#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace faceloom {

// Root of the reference-counted objects (pictures and smile instances). The count starts at
// 0; AddRef adds one; Release subtracts one, or destroys the object when the count is 1 or
// less. So an object nobody added is destroyed by its first Release, and an object that must
// outlive all its holders gets one extra AddRef from its creator. Counts are atomic: the
// animation threads add and release references too.
class TBaseObject {
public:
    TBaseObject() = default;
    TBaseObject(const TBaseObject&) = delete;
    TBaseObject& operator=(const TBaseObject&) = delete;

    void AddRef() { RefCount.fetch_add(1, std::memory_order_relaxed); }

    void Release() {
        int32_t count = RefCount.load(std::memory_order_acquire);
        while (count > 1) {
            if (RefCount.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel)) {
                return;
            }
        }
        delete this;
    }

    int32_t GetRefCount() const { return RefCount.load(std::memory_order_acquire); }

    std::atomic<int32_t> RefCount{0};

protected:
    virtual ~TBaseObject() = default;
};

// Owns one counted reference: AddRef on taking, Release on letting go.
template <class T>
class TRef {
public:
    TRef() = default;
    explicit TRef(T* object) : object_(object) {
        if (object_) object_->AddRef();
    }
    TRef(const TRef& other) : TRef(other.object_) {}
    TRef(TRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~TRef() {
        if (object_) object_->Release();
    }

    TRef& operator=(TRef other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    void reset(T* object = nullptr) {
        if (object) object->AddRef();  // first, in case it is the object already held
        T* old = std::exchange(object_, object);
        if (old) old->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Hands the reference to the caller, who must Release it.
    T* release() { return std::exchange(object_, nullptr); }

private:
    T* object_ = nullptr;
};

}  // namespace faceloom
