#pragma once

// Pictures and smiles for the label and drag tests: frames whose every pixel tells where it
// came from, so a pixel drawn from the wrong place, frame or scale shows.

#include <QApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cstdint>
#include <memory>

#include "animation/smile.h"
#include "pictures/picture_decoder.h"
#include "pictures/smile_bitmap32.h"

namespace faceloom::testing {

// 0xRRGGBB of pixel (x, y) of frame f: red from x, green from y, blue from the frame; never
// white, so it never looks like a white background.
inline uint32_t PixelRgb(int32_t frame, int32_t x, int32_t y) {
    return (static_cast<uint32_t>(x * 9 + 1) << 16) | (static_cast<uint32_t>(y * 9 + 1) << 8) |
           static_cast<uint32_t>(frame * 40 + 7);
}

// The pixels the tests leave transparent in a masked picture.
inline bool MaskedOut(int32_t x, int32_t y) {
    return (x + y) % 7 == 0;
}

// A decoded picture of own 32-bit frames, each delay ms long; masked: some pixels transparent.
class TPatternPicture : public TPictureDecoder {
public:
    TPatternPicture(int32_t width, int32_t height, int32_t frames, int32_t delay = 100, bool masked = false) {
        SmileBitmaps = true;
        Transparent = masked;
        BackgroundColor = 0xFFFFFF;
        Width = width;
        Height = height;
        for (int32_t f = 0; f < frames; ++f) {
            auto frame = std::make_unique<TSmileBitmap32>();
            frame->Width = width;
            frame->Height = height;
            frame->Transparent = masked;
            frame->Allocate();
            for (int32_t y = 0; y < height; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    // SetPixel takes the platform's 0x00BBGGRR order.
                    const uint32_t rgb = PixelRgb(f, x, y);
                    frame->SetPixel(x, y, ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16));
                    if (masked) frame->SetMaskBit(x, y, MaskedOut(x, y));
                }
            }
            Frames.push_back(std::move(frame));
            Delays.push_back(delay);
        }
    }
    void Decode() override {}

protected:
    ~TPatternPicture() override = default;
};

// Runs the event loop until done() or about 5 s have passed; answers done().
template <class F>
bool ProcessUntil(F done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// 0xRRGGBB of an image pixel.
inline uint32_t RgbAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

}  // namespace faceloom::testing
