#pragma once

// A generated corpus of animated smiles with the variety of real packs, for comparing the GIF
// decoder with other readers (tests) and for measuring it (benchmarks). Deterministic: the
// same count gives the same files.
//
// Screens of 8 to 100 pixels (most between 15 and 40), 1 to 60 frames, colour tables of 2 to
// 256 entries: a global table only, local tables on some images, or local tables on every
// image and no global one. Faces drawn whole, frames updating only what changed, and small
// moving sprites; every disposal method; transparent and opaque pictures, some changing their
// transparent index; some interlaced images, some reaching past the screen, a few GIF87a files
// without graphic control extensions.
//
// Plain C++ (no test framework), so benchmarks can link it too.

#include <cstdint>
#include <string>
#include <vector>

namespace faceloom::test {

struct CorpusGif {
    std::string name;  // what it is, for messages: "smile-17-deltas-local"
    std::string bytes;
    int width = 0;
    int height = 0;
    int frames = 0;
};

// `count` smiles; the kinds cycle, so any count from 20 on has every kind.
std::vector<CorpusGif> MakeGifCorpus(int count);

}  // namespace faceloom::test
