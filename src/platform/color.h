#pragma once

#include <cstdint>

namespace faceloom {

// A platform colour value: 0x00BBGGRR, red in the low byte (system colours 0xFF0000nn are
// not resolved here).
using TColor = uint32_t;

inline constexpr TColor kColorBlack = 0x000000;
inline constexpr TColor kColorWhite = 0xFFFFFF;

// Platform colour 0x00BBGGRR -> device-independent 0x00RRGGBB (and back: the swap of red
// and blue is its own inverse). Green is kept, the top byte becomes 0.
constexpr uint32_t ColorToRgb(TColor color) {
    return (color & 0x0000FF00u) | ((color & 0xFFu) << 16) | ((color >> 16) & 0xFFu);
}
constexpr TColor RgbToColor(uint32_t rgb) {
    return ColorToRgb(rgb);
}

}  // namespace faceloom
