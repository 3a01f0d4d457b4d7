#pragma once

// Test doubles of the grid tests: pictures built in code (solid frames, optionally with a
// transparent left half), a grid that measures text with fixed sizes, and helpers to read
// back what the grid painted.

#include <QApplication>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

#include "pictures/picture_decoder.h"
#include "pictures/smile_bitmap32.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace faceloom::testing {

// A width x height picture, one solid frame per colour (0x00BBGGRR), each shown delayMs.
// With transparentLeftHalf the columns x < width / 2 are masked out in every frame.
class TCodePicture : public TPictureDecoder {
public:
    TCodePicture(int32_t width, int32_t height, const std::vector<TColor>& colors, int32_t delayMs = 100,
                 bool transparentLeftHalf = false) {
        SmileBitmaps = true;
        Transparent = transparentLeftHalf;
        Width = width;
        Height = height;
        for (TColor color : colors) {
            auto frame = std::make_unique<TSmileBitmap32>();
            frame->Width = width;
            frame->Height = height;
            frame->Transparent = transparentLeftHalf;
            frame->Allocate();
            frame->FillRect(TRect{0, 0, width, height}, color);
            if (transparentLeftHalf) {
                for (int32_t y = 0; y < height; ++y) {
                    for (int32_t x = 0; x < width; ++x) frame->SetMaskBit(x, y, x < width / 2);
                }
            }
            Frames.push_back(std::move(frame));
            Delays.push_back(delayMs);
        }
    }
    void Decode() override {}

protected:
    ~TCodePicture() override = default;
};

// An instance that counts its destruction.
class TCountedSmile : public TSmileViewSmile {
public:
    explicit TCountedSmile(std::atomic<int>* destroyed = nullptr) : destroyed_(destroyed) {}

protected:
    ~TCountedSmile() override {
        if (destroyed_) destroyed_->fetch_add(1);
    }

private:
    std::atomic<int>* destroyed_;
};

// Text is 6 pixels a character wide and TextHeight high, whatever fonts the machine has.
class TTestView : public TSmileView {
public:
    int32_t TextHeight = 13;
    int32_t CharWidth = 6;

protected:
    QSize TextExtent(const QString& text) const override {
        return QSize(CharWidth * static_cast<int32_t>(text.size()), TextHeight);
    }
};

// A new instance showing picture (none allowed), not yet counted by anybody.
inline TSmileViewSmile* NewSmile(TPictureDecoder* picture, std::atomic<int>* destroyed = nullptr) {
    auto* smile = new TCountedSmile(destroyed);
    smile->SetPicture(picture);
    return smile;
}

// Appends count items, each a new instance of picture with the text "s<i>".
inline void Fill(TSmileView& view, int32_t count, TPictureDecoder* picture) {
    for (int32_t i = 0; i < count; ++i) {
        view.Smiles().AddObject(QString("s%1").arg(i), NewSmile(picture));
    }
}

// What the viewport shows now, in whatever format the platform grabs (Rgb reads any).
inline QImage Grab(TSmileView& view) {
    QApplication::processEvents();
    return view.viewport()->grab().toImage();
}

// 0x00RRGGBB of one pixel.
inline uint32_t Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

// 0x00BBGGRR -> 0x00RRGGBB, to compare grabbed pixels with the grid's colours.
inline uint32_t AsRgb(uint32_t color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

}  // namespace faceloom::testing
