#pragma once

#include "cli/png_writer.h"

namespace faceloom {
class TSmileBitmap;
}

namespace faceloom::cli {

// The colour depth of an own frame: 8 (palettised), 32, or 0 for anything else.
int FrameDepth(const TSmileBitmap& frame);

// The frame as RGBA, top row first: the colour of every pixel (from the palette for an
// 8-bit frame) with alpha 0 where the mask marks the pixel transparent and 255 elsewhere
// (everywhere for a frame without a mask). A frame of another kind, or one that was never
// allocated, gives an empty image.
TRgbaImage FrameToRgba(const TSmileBitmap& frame);

}  // namespace faceloom::cli
