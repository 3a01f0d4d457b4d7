#pragma once

// The smiles of the sample pack: pictures drawn in code, frame by frame, with their
// signatures.
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"

namespace sample {

struct TFrame {
    TCanvas canvas;
    int delayMs = 100;
    // Palette entries this frame shows in other colours (written as a local colour table).
    std::vector<std::pair<uint8_t, TRgb>> recolor;
};

struct TSmileArt {
    std::string file;
    std::vector<std::string> signatures;  // UTF-8 here, Windows-1251 in the file
    std::vector<TFrame> frames;
    // Frames after the first store only the rectangle that changed, over the previous frame
    // (disposal "leave in place"), as GIF optimisers write them; otherwise every frame is
    // whole and restored to the background before the next.
    bool deltaFrames = false;
};

std::vector<TSmileArt> Smiles();

}  // namespace sample
