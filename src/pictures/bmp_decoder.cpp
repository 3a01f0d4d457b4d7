#include "pictures/bmp_decoder.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "pictures/bmp_reader.h"
#include "pictures/decoder_errors.h"
#include "pictures/smile_bitmap32.h"

namespace faceloom {

namespace {

// What the budget of the pack's frames is charged, counted before the pixels are read: while
// the frame is made, the loaded picture, the result, its mask, the mask's copy and the frame
// are held at once (five 32-bit surfaces at most); once decoded, the frame and its mask stay.
constexpr uint64_t kWorkSurfaces = 5;
uint64_t SurfaceBytes(int32_t width, int32_t height) {
    return uint64_t(width) * uint64_t(height) * 4;
}
uint64_t FrameBytes(int32_t width, int32_t height, bool smileBitmap) {
    if (!smileBitmap) return 2 * SurfaceBytes(width, height);  // the picture and its mask
    const uint64_t maskRow = ((uint64_t(width) + 31) / 32) * 4;
    return SurfaceBytes(width, height) + maskRow * uint64_t(height);
}

}  // namespace

TBmpDecoder::TBmpDecoder(const std::string& FileName) : TPictureDecoder(FileName) {}

void TBmpDecoder::Decode() {
    TPictureDecoder::Decode();
    const TCloseStreamAtEnd closeStream(*this);
    Frames.clear();
    Delays.clear();
    if (Stream == nullptr) throw EInvalidGraphic("Bitmap image is not valid: no data to read");

    uint64_t work = 0;
    TBmpImage image = TBmpReader(TBmpReader::kMaxPixelBytes, [&](int32_t width, int32_t height) {
                          work = kWorkSurfaces * SurfaceBytes(width, height);
                          ChargeBudget(work);
                      }).Read(*Stream);
    TBitmap loaded(image.Width, image.Height);
    for (int32_t y = 0; y < image.Height; ++y) {
        uint32_t* row = loaded.Canvas.Row(y);
        for (int32_t x = 0; x < image.Width; ++x) row[x] = TSurface::kOpaque | image.PixelAt(x, y);
    }
    image.Pixels = {};
    loaded.Monochrome = image.BitsPerPixel == 1;
    Width = image.Width;
    Height = image.Height;

    // The result: the picture over the background colour, with the loaded picture's mask.
    TBitmap result(loaded);
    loaded.Transparent = true;
    // Marked transparent for the platform bitmaps with masks, as wanted for own frames, not
    // at all for plain platform bitmaps: in each case the effective Transparent setting.
    result.Transparent = Transparent;
    result.Canvas.Fill(BackgroundColor);
    loaded.Draw(result.Canvas, 0, 0);
    result.Mask = loaded.ReleaseMask();

    if (SmileBitmaps) {
        auto frame = std::make_unique<TSmileBitmap32>();
        frame->LoadFromBitmap(result);
        frame->Transparent = Transparent;
        Frames.push_back(std::move(frame));
    } else {
        Frames.push_back(std::make_unique<TBitmap>(std::move(result)));
    }
    Delays.push_back(kDelay);
    RefundBudget(work - std::min(work, FrameBytes(Width, Height, SmileBitmaps)));
}

}  // namespace faceloom
