#pragma once

// The readers behind DecodePicture, one per format, and what they share. Private to the
// conversion layer's picture files.

#include <cstdint>
#include <span>
#include <string>

#include "convert/picture_convert.h"
#include "convert/raster.h"

namespace faceloom::picture_detail {

TRgbaPicture ReadPng(std::span<const uint8_t> bytes, const TPictureLimits& limits);
TRgbaPicture ReadJpeg(std::span<const uint8_t> bytes, const TPictureLimits& limits);
TRgbaPicture ReadWebp(std::span<const uint8_t> bytes, const TPictureLimits& limits);
// Through the editor's own decoders, so that a picture reads as the editor shows it.
TRgbaPicture ReadGif(std::span<const uint8_t> bytes, const TPictureLimits& limits);
TRgbaPicture ReadBmp(std::span<const uint8_t> bytes, const TPictureLimits& limits);

// Refuses (PictureTooLarge, naming the size) a picture of width x height with the given
// number of frames that the limits do not allow; DamagedPicture for an empty size. Every
// reader calls it before it allocates the frames.
void CheckPictureLimits(int64_t width, int64_t height, int64_t frames, const TPictureLimits& limits);

[[noreturn]] void ThrowDamaged(const std::string& why, int reasonText = 0);

// A frame of width x height, all pixels transparent; the size must have passed the limits.
TRgbaFrame MakeFrame(int32_t width, int32_t height, int32_t delayMs);

// "WxH".
std::string SizeText(int64_t width, int64_t height);

}  // namespace faceloom::picture_detail
