#pragma once

namespace faceloom {

class TSmile;

// A link of the timer wheel's bucket lists and of the render queue. Smile is cleared when the
// instance is removed while the node is still queued; the owning thread then discards the node
// when it reaches it, so removing never has to search a list.
struct TAnimationNode {
    TAnimationNode* Next = nullptr;
    TSmile* Smile = nullptr;
};

}  // namespace faceloom
