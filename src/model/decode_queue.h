#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "animation/smile.h"
#include "pictures/base_object.h"

namespace faceloom {

// Decodes smiles' pictures on a thread of its own, in the order they were added, so that a
// large pack shows its first smiles at once and the rest as they come. A smile is handed over
// with Pending set; the queue gives it its picture (or LoadError) and clears Pending. A smile
// nobody else holds any more is skipped.
//
// Threads: Add, Cancel and the destructor are called by the owner; OnDecoded and OnIdle run
// on the queue's thread and must not touch widgets (post to the GUI thread instead).
class TDecodeQueue {
public:
    // Decodes file as a picture of kind into smile (the model's own decoding rule).
    using TDecode = std::function<void(TSmile& smile, const std::string& file, uint8_t kind)>;

    explicit TDecodeQueue(TDecode decode);
    ~TDecodeQueue();
    TDecodeQueue(const TDecodeQueue&) = delete;
    TDecodeQueue& operator=(const TDecodeQueue&) = delete;

    struct TItem {
        TSmile* Smile = nullptr;
        std::string File;
        uint8_t Kind = 0;
    };
    // Queues the smiles in order, all at once (one wake-up of the thread for a whole pack).
    void Add(std::vector<TItem> items);
    // Drops every smile not yet decoded; each stays Pending (the owner lets them go).
    void Cancel();
    // Whether smiles wait or are being decoded.
    bool Busy() const;

    std::function<void(TSmile*)> OnDecoded;
    // After the last waiting smile is decoded (Busy until it returns).
    std::function<void()> OnIdle;

private:
    struct TJob {
        TRef<TSmile> Smile;
        std::string File;
        uint8_t Kind = 0;
    };
    void Run();

    TDecode decode_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::deque<TJob> jobs_;
    bool working_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace faceloom
