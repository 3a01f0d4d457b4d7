#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pictures/picture_decoder.h"

namespace faceloom {

// The program's three built-in animated pictures (20 x 24, six frames, GIF89a), embedded at
// build time from resources/smile<Id>.gif:
//   101  a blinking smile crossed out by a red X: a smile whose picture file is missing
//   102  a frowning smile crossed out by a red X: a smile whose picture failed to decode
//   103  a plain blinking smile: the sample of the visual settings preview
inline constexpr int32_t kPictureMissing = 101;
inline constexpr int32_t kPictureFailed = 102;
inline constexpr int32_t kPictureSample = 103;

// One embedded resource.
struct TBuiltinResource {
    int32_t Id;
    const uint8_t* Data;
    size_t Size;
};

// Every embedded resource, in id order (defined in the source generated at build time).
std::span<const TBuiltinResource> BuiltinResources();

// The bytes of resource Id; empty when there is none.
std::span<const uint8_t> BuiltinResourceData(int32_t Id);

// Picture 101 or 102, shared: decoded once, on first use (safe from any thread), into own
// frames with masks, and kept alive by one extra reference until ReleaseBuiltinPictures, so
// holders may AddRef and Release it freely. Null for any other id.
TPictureDecoder* BuiltinPicture(int32_t Id);

// Drops the extra references of 101 and 102 (at shutdown). A later BuiltinPicture decodes
// them afresh.
void ReleaseBuiltinPictures();

// A new picture decoded from resource Id (own frames with masks) without the extra reference:
// it lives as long as its holders (103 is taken this way by the preview). Null for an unknown
// id; decoding errors propagate.
TPictureDecoder* CreateBuiltinPicture(int32_t Id);

}  // namespace faceloom
