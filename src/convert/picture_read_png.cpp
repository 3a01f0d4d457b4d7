#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "convert/picture_readers.h"
#include "platform/byte_cursor.h"

namespace faceloom::picture_detail {

namespace {

// Everything libpng's callbacks and the setjmp frames touch: plain data only, so that a
// longjmp out of libpng skips no destructor.
struct TPngRead {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    TByteCursor* In = nullptr;
    char Error[160] = "";
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* read = static_cast<TPngRead*>(png_get_error_ptr(png));
    std::snprintf(read->Error, sizeof read->Error, "%s", message != nullptr ? message : "libpng error");
    png_longjmp(png, 1);
}

// Warnings (a bad ancillary chunk, an unknown sRGB profile) leave the pixels as they are.
void OnPngWarning(png_structp, png_const_charp) {}

void OnPngRead(png_structp png, png_bytep data, size_t length) {
    auto* read = static_cast<TPngRead*>(png_get_io_ptr(png));
    const uint8_t* bytes = read->In->Take(length);
    if (bytes == nullptr) png_error(png, "the file ends too early");
    std::memcpy(data, bytes, length);
}

// Reads the header and sets the transforms to 8-bit RGBA; false with Error on failure.
bool ReadPngHeader(TPngRead& read, png_uint_32& width, png_uint_32& height) {
    if (setjmp(png_jmpbuf(read.Png))) return false;
    png_read_info(read.Png, read.Info);
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(read.Png, read.Info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    png_set_expand(read.Png);  // palette to RGB, gray below 8 bits to 8, tRNS to alpha
    png_set_strip_16(read.Png);
    png_set_gray_to_rgb(read.Png);
    png_set_add_alpha(read.Png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(read.Png);
    png_read_update_info(read.Png, read.Info);
    if (png_get_rowbytes(read.Png, read.Info) != static_cast<size_t>(width) * 4) {
        std::snprintf(read.Error, sizeof read.Error, "unexpected pixel layout");
        return false;
    }
    return true;
}

bool ReadPngRows(TPngRead& read, png_bytepp rows) {
    if (setjmp(png_jmpbuf(read.Png))) return false;
    png_read_image(read.Png, rows);
    // The chunks after the pixels are read too: a file cut after its last pixel row is still
    // a cut file.
    png_read_end(read.Png, nullptr);
    return true;
}

// The size the header claims, read before libpng is asked anything, so that a huge claim is
// told apart from a damaged file. False when the header is not where it must be.
bool PeekPngSize(std::span<const uint8_t> bytes, int64_t& width, int64_t& height) {
    // Signature (8), chunk length (4), "IHDR" (4), width and height (4 each, big-endian).
    if (bytes.size() < 24 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return false;
    const auto u32 = [&](size_t at) {
        return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
               (uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
    };
    width = u32(16);
    height = u32(20);
    return true;
}

class TPngReadGuard {
public:
    explicit TPngReadGuard(TPngRead& read) : read_(read) {}
    ~TPngReadGuard() { png_destroy_read_struct(&read_.Png, read_.Info ? &read_.Info : nullptr, nullptr); }
    TPngReadGuard(const TPngReadGuard&) = delete;
    TPngReadGuard& operator=(const TPngReadGuard&) = delete;

private:
    TPngRead& read_;
};

}  // namespace

TRgbaPicture ReadPng(std::span<const uint8_t> bytes, const TPictureLimits& limits) {
    int64_t claimedWidth = 0, claimedHeight = 0;
    if (!PeekPngSize(bytes, claimedWidth, claimedHeight)) ThrowDamaged("no image header");
    CheckPictureLimits(claimedWidth, claimedHeight, 1, limits);

    TByteCursor in(bytes.data(), bytes.size());
    TPngRead read;
    read.In = &in;
    read.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, OnPngError, OnPngWarning);
    if (read.Png == nullptr) ThrowDamaged("libpng cannot start");
    const TPngReadGuard guard(read);
    read.Info = png_create_info_struct(read.Png);
    if (read.Info == nullptr) ThrowDamaged("libpng cannot start");
    png_set_read_fn(read.Png, &read, OnPngRead);
    // libpng checks the size again itself, and bounds what one ancillary chunk may allocate.
    png_set_user_limits(read.Png, static_cast<png_uint_32>(limits.MaxSide),
                        static_cast<png_uint_32>(limits.MaxSide));
    png_set_chunk_malloc_max(read.Png, 8u << 20);

    png_uint_32 width = 0, height = 0;
    if (!ReadPngHeader(read, width, height)) ThrowDamaged(read.Error);
    // The header libpng read is the one peeked at; checked again all the same.
    CheckPictureLimits(width, height, 1, limits);

    TRgbaPicture picture;
    picture.Frames.push_back(MakeFrame(static_cast<int32_t>(width), static_cast<int32_t>(height), 100));
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = rgba.data() + static_cast<size_t>(y) * width * 4;
    if (!ReadPngRows(read, rows.data())) ThrowDamaged(read.Error);

    uint32_t* out = picture.Frames[0].Pixels.data();
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        const uint8_t* p = rgba.data() + i * 4;
        out[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    return picture;
}

}  // namespace faceloom::picture_detail
