#include <algorithm>
#include <cmath>
#include <vector>

#include "convert/picture_convert.h"

namespace faceloom {

namespace {

// How much of each source pixel one destination pixel covers, along one axis: destination i
// averages the source interval [i * ratio, (i + 1) * ratio), ratio = source / destination.
struct TSpan {
    int32_t First = 0;
    std::vector<float> Weights;  // for First, First + 1, ...; they sum to 1
};

std::vector<TSpan> AreaSpans(int32_t source, int32_t destination) {
    std::vector<TSpan> spans(static_cast<size_t>(destination));
    const double ratio = double(source) / destination;
    for (int32_t i = 0; i < destination; ++i) {
        const double begin = i * ratio, end = std::min(double(source), (i + 1) * ratio);
        TSpan& span = spans[static_cast<size_t>(i)];
        span.First = static_cast<int32_t>(std::floor(begin));
        for (int32_t j = span.First; j < source && j < end; ++j) {
            const double covered = std::min(end, j + 1.0) - std::max(begin, double(j));
            span.Weights.push_back(static_cast<float>(covered / (end - begin)));
        }
    }
    return spans;
}

// Area averaging on premultiplied alpha: a transparent pixel adds nothing to the colour of
// its neighbours, so edges against transparency keep their colour instead of darkening.
void ScaleFrame(TRgbaFrame& frame, int32_t width, int32_t height) {
    const std::vector<TSpan> across = AreaSpans(frame.Width, width);
    const std::vector<TSpan> down = AreaSpans(frame.Height, height);

    // Rows scaled across first: alpha 0..1 and colour times alpha, four floats a pixel.
    std::vector<float> rows(static_cast<size_t>(width) * frame.Height * 4, 0.0f);
    for (int32_t y = 0; y < frame.Height; ++y) {
        const uint32_t* source = frame.Pixels.data() + static_cast<size_t>(y) * frame.Width;
        float* target = rows.data() + static_cast<size_t>(y) * width * 4;
        for (int32_t x = 0; x < width; ++x) {
            const TSpan& span = across[static_cast<size_t>(x)];
            float sum[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < span.Weights.size(); ++k) {
                const uint32_t pixel = source[span.First + k];
                const float alpha = float(pixel >> 24) / 255.0f * span.Weights[k];
                sum[0] += alpha;
                sum[1] += float((pixel >> 16) & 0xFF) * alpha;
                sum[2] += float((pixel >> 8) & 0xFF) * alpha;
                sum[3] += float(pixel & 0xFF) * alpha;
            }
            std::copy(sum, sum + 4, target + static_cast<size_t>(x) * 4);
        }
    }

    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y) {
        const TSpan& span = down[static_cast<size_t>(y)];
        for (int32_t x = 0; x < width; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < span.Weights.size(); ++k) {
                const float* p = rows.data() + (static_cast<size_t>(span.First + k) * width + x) * 4;
                for (int c = 0; c < 4; ++c) sum[c] += p[c] * span.Weights[k];
            }
            const auto byte = [](float value) {
                return static_cast<uint32_t>(std::clamp(std::lround(value), 0l, 255l));
            };
            const uint32_t alpha = byte(sum[0] * 255.0f);
            uint32_t pixel = 0;
            if (alpha > 0) {
                pixel = (alpha << 24) | (byte(sum[1] / sum[0]) << 16) | (byte(sum[2] / sum[0]) << 8) |
                        byte(sum[3] / sum[0]);
            }
            pixels[static_cast<size_t>(y) * width + x] = pixel;
        }
    }
    frame.Width = width;
    frame.Height = height;
    frame.Pixels = std::move(pixels);
}

}  // namespace

bool FitWithin(TRgbaPicture& picture, int32_t maxWidth, int32_t maxHeight) {
    const int64_t boxWidth = std::max(maxWidth, 1), boxHeight = std::max(maxHeight, 1);
    const int64_t width = picture.Width(), height = picture.Height();
    if (width <= 0 || height <= 0 || (width <= boxWidth && height <= boxHeight)) return false;
    // The side that meets its bound first sets the scale; the other is rounded, at least 1.
    int64_t newWidth = boxWidth, newHeight = boxHeight;
    if (width * boxHeight >= height * boxWidth) {
        newHeight = std::clamp<int64_t>((height * boxWidth + width / 2) / width, 1, boxHeight);
    } else {
        newWidth = std::clamp<int64_t>((width * boxHeight + height / 2) / height, 1, boxWidth);
    }
    for (TRgbaFrame& frame : picture.Frames) {
        ScaleFrame(frame, static_cast<int32_t>(newWidth), static_cast<int32_t>(newHeight));
    }
    return true;
}

}  // namespace faceloom
