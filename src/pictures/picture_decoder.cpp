#include "pictures/picture_decoder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "pictures/decoder_errors.h"
#include "pictures/file_stream.h"
#include "pictures/frame_budget.h"
#include "pictures/smile_bitmap.h"

namespace faceloom {

namespace {

[[noreturn]] void IndexOutOfRange(int32_t index) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

TPictureDecoder::TPictureDecoder(const std::string& FileName)
    : ownedStream_(std::make_unique<TFileStream>(FileName)) {
    Stream = ownedStream_.get();
    OwnsStream = true;
}

TPictureDecoder::TPictureDecoder(TStream& Stream) : Stream(&Stream) {}

TPictureDecoder::TPictureDecoder() = default;

TPictureDecoder::~TPictureDecoder() {
    RefundBudget(charged_);
}

void TPictureDecoder::ChargeBudget(uint64_t bytes) {
    if (!Budget) return;
    if (!Budget->Take(bytes)) throw ETooLargeForMemory();
    charged_ += bytes;
}

void TPictureDecoder::RefundBudget(uint64_t bytes) {
    if (!Budget) return;
    bytes = std::min(bytes, charged_);
    Budget->Give(bytes);
    charged_ -= bytes;
}

void TPictureDecoder::CloseStream() {
    if (!OwnsStream) return;
    ownedStream_.reset();
    Stream = nullptr;
}

TBitmap* TPictureDecoder::GetBitmap(int32_t Index) const {
    bool inRange = Index >= 0 && static_cast<size_t>(Index) < Frames.size();
    if (!inRange) {
        if (!SmileBitmaps) IndexOutOfRange(Index);
        return nullptr;
    }
    return dynamic_cast<TBitmap*>(Frames[static_cast<size_t>(Index)].get());
}

TSmileBitmap* TPictureDecoder::GetSmileBitmap(int32_t Index) const {
    bool inRange = Index >= 0 && static_cast<size_t>(Index) < Frames.size();
    if (!inRange) {
        if (SmileBitmaps) IndexOutOfRange(Index);
        return nullptr;
    }
    return dynamic_cast<TSmileBitmap*>(Frames[static_cast<size_t>(Index)].get());
}

int32_t TPictureDecoder::GetFrameCount() const {
    return static_cast<int32_t>(Delays.size());
}

int32_t TPictureDecoder::GetDelay(int32_t Index) const {
    if (Index < 0 || static_cast<size_t>(Index) >= Delays.size()) return -1;
    return Delays[static_cast<size_t>(Index)];
}

void TPictureDecoder::Decode() {
    // Decoding again replaces the frames: what they took goes back first.
    RefundBudget(charged_);
    SmileBitmaps = WantSmileBitmaps;
    Transparent = WantTransparent;
    BackgroundColor = WantBackgroundColor;
}

}  // namespace faceloom
