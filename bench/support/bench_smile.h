#pragma once

#include <random>

#include "support/gif_writer.h"

namespace faceloom {

// One animated smile of the window benchmarks: a disc of a random colour on white with a dark
// spot that goes round it, so every frame differs; sizes 19..60, 2..40 frames, delays
// 20..200 ms, transparent corners.
test::GifPicture MakeBenchSmile(std::mt19937& random);

}  // namespace faceloom
