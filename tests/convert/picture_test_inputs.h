#pragma once

// Inputs of the picture conversion tests, made by the formats' own encoders (libpng, libjpeg,
// libwebp, libwebpmux) and the test writers of GIF and BMP, and the editor's own decoders to
// read results back with.

#include <jpeglib.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/raster.h"
#include "pictures/base_object.h"
#include "pictures/bmp_decoder.h"
#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"
#include "support/giflib_frames.h"
#include "support/temp_dir.h"

namespace faceloom::test {

inline std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
inline std::string AsString(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// A sticker: a disc of a colour gradient (far more colours than a palette holds) on a
// transparent background, an edge of partly transparent pixels on both sides of the 128
// threshold, and the seed shifting the gradient so frames differ. The bottom-left pixel is
// transparent unless `opaqueCorner`.
inline TRgbaFrame Sticker(int32_t width, int32_t height, int seed = 0, bool opaqueCorner = false) {
    TRgbaFrame frame;
    frame.Width = width;
    frame.Height = height;
    frame.Pixels.resize(size_t(width) * height);
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0, radius = std::min(width, height) * 0.45;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const double dx = x - cx, dy = y - cy, distance = std::sqrt(dx * dx + dy * dy);
            uint32_t alpha = distance < radius - 1   ? 255
                             : distance < radius     ? 200
                             : distance < radius + 1 ? 100
                                                     : 0;
            const uint32_t r = uint32_t((x * 255 / std::max(width - 1, 1) + seed * 40) % 256);
            const uint32_t g = uint32_t(y * 255 / std::max(height - 1, 1));
            const uint32_t b = uint32_t((x + y + seed * 17) * 3 % 256);
            frame.Pixels[size_t(y) * width + x] = alpha == 0 ? 0 : Argb(alpha, r, g, b);
        }
    }
    if (opaqueCorner) frame.Pixels[size_t(height - 1) * width] = Argb(255, 10, 20, 30);
    return frame;
}

// A frame without transparency: a smooth gradient (what JPEG keeps well).
inline TRgbaFrame Opaque(int32_t width, int32_t height) {
    TRgbaFrame frame;
    frame.Width = width;
    frame.Height = height;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            frame.Pixels.push_back(Argb(255, 40 + x * 150 / width, 60 + y * 120 / height,
                                        200 - (x + y) * 80 / (width + height)));
        }
    }
    return frame;
}

inline std::string PngFile(const TRgbaFrame& frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(frame.Width);
    image.height = uint32_t(frame.Height);
    image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB words are B, G, R, A bytes in memory
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, frame.Pixels.data(), 0, nullptr)) return "";
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, frame.Pixels.data(), 0, nullptr))
        return "";
    bytes.resize(size);
    return bytes;
}

// cmyk: written as Adobe CMYK, whose values are stored inverted (255 is no ink): each pixel's
// red, green, blue become C, M, Y and K is 255, so that it reads back as the same colour.
inline std::string JpegFile(const TRgbaFrame& frame, int quality, bool progressive = false,
                            bool cmyk = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(frame.Width);
    cinfo.image_height = JDIMENSION(frame.Height);
    cinfo.input_components = 4;
    cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    if (cmyk) jpeg_set_colorspace(&cinfo, JCS_CMYK);  // with the Adobe marker
    std::vector<uint8_t> inks;
    for (uint32_t pixel : frame.Pixels) {
        for (int shift : {16, 8, 0}) inks.push_back(uint8_t(pixel >> shift));
        inks.push_back(255);
    }
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const size_t first = size_t(cinfo.next_scanline) * frame.Width;
        JSAMPROW row =
            cmyk ? inks.data() + first * 4
                 : const_cast<JSAMPROW>(reinterpret_cast<const uint8_t*>(frame.Pixels.data() + first));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

inline std::string WebpStillFile(const TRgbaFrame& frame) {
    uint8_t* output = nullptr;
    const size_t size = WebPEncodeLosslessBGRA(reinterpret_cast<const uint8_t*>(frame.Pixels.data()),
                                               frame.Width, frame.Height, frame.Width * 4, &output);
    std::string bytes(reinterpret_cast<const char*>(output), size);
    WebPFree(output);
    return bytes;
}

// Lossless animated WebP; each frame shows for its DelayMs.
inline std::string WebpAnimatedFile(const TRgbaPicture& picture) {
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(picture.Width(), picture.Height(), &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = 1;
    config.exact = 1;
    int timestamp = 0;
    for (const TRgbaFrame& frame : picture.Frames) {
        WebPPicture image;
        WebPPictureInit(&image);
        image.use_argb = 1;
        image.width = frame.Width;
        image.height = frame.Height;
        WebPPictureImportBGRA(&image, reinterpret_cast<const uint8_t*>(frame.Pixels.data()), frame.Width * 4);
        WebPAnimEncoderAdd(encoder, &image, timestamp, &config);
        WebPPictureFree(&image);
        timestamp += frame.DelayMs;
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData data;
    WebPDataInit(&data);
    WebPAnimEncoderAssemble(encoder, &data);
    std::string bytes(reinterpret_cast<const char*>(data.bytes), data.size);
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
    return bytes;
}

// A picture as the editor shows it, 0 where transparent else 0xFF000000 | 0x00RRGGBB, with
// its delays in ms.
struct EditorPicture {
    int32_t width = 0, height = 0;
    std::vector<std::vector<uint32_t>> frames;
    std::vector<int32_t> delays;
};

inline void TakeFrames(const TPictureDecoder& decoder, EditorPicture& out) {
    out.width = decoder.Width;
    out.height = decoder.Height;
    for (size_t f = 0; f < decoder.Frames.size(); ++f) {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < decoder.Height; ++y) {
            for (int x = 0; x < decoder.Width; ++x)
                pixels.push_back(FramePixel(decoder.Frames[f].get(), x, y));
        }
        out.frames.push_back(std::move(pixels));
        out.delays.push_back(decoder.GetDelay(int32_t(f)));
    }
}

// Through the editor's GIF decoder, as the pack model decodes (own frames with masks).
inline EditorPicture EditorGif(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TRef<TGifDecoder> gif(new TGifDecoder(stream));
    gif->WantSmileBitmaps = true;
    gif->WantTransparent = true;
    gif->Decode();
    EditorPicture picture;
    TakeFrames(*gif, picture);
    return picture;
}

// Through the editor's BMP decoder, which reads files only.
inline EditorPicture EditorBmp(const std::vector<uint8_t>& bytes) {
    TempDir dir;
    const std::string path = dir.file("smile.bmp");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    TRef<TBmpDecoder> bmp(new TBmpDecoder(path));
    bmp->WantSmileBitmaps = true;
    bmp->WantTransparent = true;
    bmp->Decode();
    EditorPicture picture;
    TakeFrames(*bmp, picture);
    return picture;
}

}  // namespace faceloom::test
