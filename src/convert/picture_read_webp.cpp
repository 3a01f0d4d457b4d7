#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>
#include <string>

#include "convert/picture_readers.h"

namespace faceloom::picture_detail {

namespace {

const char* StatusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return "ok";
        case VP8_STATUS_OUT_OF_MEMORY:
            return "out of memory";
        case VP8_STATUS_INVALID_PARAM:
            return "invalid parameter";
        case VP8_STATUS_BITSTREAM_ERROR:
            return "bitstream error";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "unsupported feature";
        case VP8_STATUS_SUSPENDED:
            return "suspended";
        case VP8_STATUS_USER_ABORT:
            return "aborted";
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "the file ends too early";
    }
    return "unknown error";
}

uint32_t FromRgba(const uint8_t* p) {
    return (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

TRgbaPicture ReadStill(std::span<const uint8_t> bytes, const WebPBitstreamFeatures& features) {
    TRgbaPicture picture;
    picture.Frames.push_back(MakeFrame(features.width, features.height, 100));
    const size_t rowBytes = static_cast<size_t>(features.width) * 4;
    std::vector<uint8_t> rgba(rowBytes * static_cast<size_t>(features.height));

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) ThrowDamaged("libwebp version mismatch");
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = rgba.data();
    config.output.u.RGBA.stride = static_cast<int>(rowBytes);
    config.output.u.RGBA.size = rgba.size();
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);  // frees nothing of ours: the memory is external
    if (status != VP8_STATUS_OK) ThrowDamaged(StatusText(status));

    uint32_t* out = picture.Frames[0].Pixels.data();
    for (size_t i = 0, n = picture.Frames[0].Pixels.size(); i < n; ++i)
        out[i] = FromRgba(rgba.data() + i * 4);
    return picture;
}

struct TAnimDecoderFree {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

TRgbaPicture ReadAnimation(std::span<const uint8_t> bytes, const TPictureLimits& limits) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) ThrowDamaged("libwebp version mismatch");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData data{bytes.data(), bytes.size()};
    std::unique_ptr<WebPAnimDecoder, TAnimDecoderFree> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) ThrowDamaged("the animation cannot be read");
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) ThrowDamaged("the animation cannot be read");
    CheckPictureLimits(info.canvas_width, info.canvas_height, info.frame_count, limits);

    TRgbaPicture picture;
    picture.Frames.reserve(info.frame_count);
    int previous = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        // The demuxer counted the frames; never more than it said.
        if (picture.Frames.size() >= info.frame_count) ThrowDamaged("more frames than announced");
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
            ThrowDamaged("a frame cannot be decoded");
        TRgbaFrame frame = MakeFrame(static_cast<int32_t>(info.canvas_width),
                                     static_cast<int32_t>(info.canvas_height), timestamp - previous);
        previous = timestamp;
        for (size_t i = 0, n = frame.Pixels.size(); i < n; ++i) frame.Pixels[i] = FromRgba(canvas + i * 4);
        picture.Frames.push_back(std::move(frame));
    }
    if (picture.Frames.empty()) ThrowDamaged("no frames");
    return picture;
}

}  // namespace

TRgbaPicture ReadWebp(std::span<const uint8_t> bytes, const TPictureLimits& limits) {
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
    if (status != VP8_STATUS_OK) ThrowDamaged(StatusText(status));
    CheckPictureLimits(features.width, features.height, 1, limits);
    return features.has_animation ? ReadAnimation(bytes, limits) : ReadStill(bytes, features);
}

}  // namespace faceloom::picture_detail
