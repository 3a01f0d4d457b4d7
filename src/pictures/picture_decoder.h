#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pictures/base_object.h"
#include "pictures/stream.h"
#include "platform/bitmap.h"
#include "platform/color.h"
#include "platform/frame_object.h"

namespace faceloom {

class TFrameBudget;
class TSmileBitmap;

// A smile picture: equal-sized frames, one display time per frame (ms) and the picture's
// size. It is also the base of the decoders: construct one on a source, set the wanted
// settings, Decode, and the same object is the picture the holders count references on.
class TPictureDecoder : public TBaseObject {
public:
    // Opens the file read-only; throws EFOpenError when it cannot be opened. The picture owns
    // the stream and closes it when decoding ends.
    explicit TPictureDecoder(const std::string& FileName);
    // Reads Stream from its current position; the caller owns it and keeps it open until
    // Decode has returned.
    explicit TPictureDecoder(TStream& Stream);

    // The frame at Index as a platform bitmap / as an own frame. The accessor that matches
    // the effective SmileBitmaps setting throws std::out_of_range for an index outside the
    // frames; the other answers null there. Both answer null for a frame of the other kind
    // rather than pretending it is one.
    virtual TBitmap* GetBitmap(int32_t Index) const;
    virtual TSmileBitmap* GetSmileBitmap(int32_t Index) const;
    virtual int32_t GetFrameCount() const;
    // Display time of frame Index in ms, or -1 outside the delays.
    virtual int32_t GetDelay(int32_t Index) const;
    // Makes the wanted settings effective. Descendants call it first, then fill Frames,
    // Delays, Width and Height.
    virtual void Decode();

    // Effective settings (set by Decode).
    bool SmileBitmaps = false;
    bool Transparent = false;
    TColor BackgroundColor = kColorBlack;
    std::vector<int32_t> Delays;
    std::vector<std::unique_ptr<TFrameObject>> Frames;
    int32_t Width = 0;
    int32_t Height = 0;

    // Production side.
    TStream* Stream = nullptr;
    bool OwnsStream = false;
    uint8_t Flags = 0;
    bool WantSmileBitmaps = false;
    bool WantTransparent = true;
    TColor WantBackgroundColor = kColorWhite;
    // The budget of decoded frames of the pack the picture belongs to (none: only the
    // picture's own limits apply). Decode takes the bytes of the frames (and, while it runs,
    // of its work canvases) before it allocates them, failing with ETooLargeForMemory when
    // they do not fit; the picture gives them back when it goes.
    std::shared_ptr<TFrameBudget> Budget;

protected:
    // Stream-less construction (a picture made from another picture).
    TPictureDecoder();
    ~TPictureDecoder() override;

    // Frees the stream when the picture owns it; Stream becomes null then.
    void CloseStream();

    // Takes bytes of the Budget before they are allocated; throws ETooLargeForMemory when
    // they do not fit.
    void ChargeBudget(uint64_t bytes);
    // Gives back bytes taken by ChargeBudget that the picture no longer holds.
    void RefundBudget(uint64_t bytes);

    // Every decoder holds one for the whole of its Decode, so that an owned stream is closed
    // when decoding ends, on failure as on success.
    class TCloseStreamAtEnd {
    public:
        explicit TCloseStreamAtEnd(TPictureDecoder& picture) : picture_(picture) {}
        ~TCloseStreamAtEnd() { picture_.CloseStream(); }
        TCloseStreamAtEnd(const TCloseStreamAtEnd&) = delete;
        TCloseStreamAtEnd& operator=(const TCloseStreamAtEnd&) = delete;

    private:
        TPictureDecoder& picture_;
    };

private:
    std::unique_ptr<TStream> ownedStream_;
    uint64_t charged_ = 0;  // bytes of the Budget held
};

}  // namespace faceloom
