#pragma once

namespace faceloom {

// Common base of everything a picture keeps as a frame: platform bitmaps (TBitmap) and the
// pictures' own frames. The picture owns its frames through this base.
class TFrameObject {
public:
    TFrameObject() = default;
    virtual ~TFrameObject() = default;

protected:
    TFrameObject(const TFrameObject&) = default;
    TFrameObject& operator=(const TFrameObject&) = default;
};

}  // namespace faceloom
