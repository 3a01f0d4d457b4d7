#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <vector>

#include "convert/picture_convert.h"

namespace faceloom {

namespace {

// What libpng's callbacks and the setjmp frame touch: plain data and a pointer to the output.
struct TPngWrite {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::vector<uint8_t>* Out = nullptr;
    char Error[160] = "";
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* write = static_cast<TPngWrite*>(png_get_error_ptr(png));
    std::snprintf(write->Error, sizeof write->Error, "%s", message != nullptr ? message : "libpng error");
    png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

void OnPngWrite(png_structp png, png_bytep data, size_t length) {
    auto* write = static_cast<TPngWrite*>(png_get_io_ptr(png));
    bool appended = true;
    try {
        write->Out->insert(write->Out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        appended = false;
    }
    // Out of the try block: the longjmp must not leave a handler.
    if (!appended) png_error(png, "out of memory");
}
void OnPngFlush(png_structp) {}

bool WritePng(TPngWrite& write, int32_t width, int32_t height, png_bytepp rows) {
    if (setjmp(png_jmpbuf(write.Png))) return false;
    png_set_write_fn(write.Png, &write, OnPngWrite, OnPngFlush);
    png_set_IHDR(write.Png, write.Info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(write.Png, write.Info);
    png_write_image(write.Png, rows);
    png_write_end(write.Png, nullptr);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(const TRgbaFrame& frame) {
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Pixels.size() != size_t(frame.Width) * frame.Height) {
        throw std::invalid_argument("EncodePng: size out of range");
    }
    const size_t rowBytes = static_cast<size_t>(frame.Width) * 4;
    std::vector<uint8_t> rgba(rowBytes * static_cast<size_t>(frame.Height));
    for (size_t i = 0; i < frame.Pixels.size(); ++i) {
        const uint32_t pixel = frame.Pixels[i];
        uint8_t* p = rgba.data() + i * 4;
        p[0] = uint8_t(pixel >> 16), p[1] = uint8_t(pixel >> 8), p[2] = uint8_t(pixel),
        p[3] = uint8_t(pixel >> 24);
    }
    std::vector<png_bytep> rows(static_cast<size_t>(frame.Height));
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = rgba.data() + y * rowBytes;

    std::vector<uint8_t> out;
    TPngWrite write;
    write.Out = &out;
    write.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &write, OnPngError, OnPngWarning);
    if (write.Png != nullptr) write.Info = png_create_info_struct(write.Png);
    const bool written = write.Info != nullptr && WritePng(write, frame.Width, frame.Height, rows.data());
    png_destroy_write_struct(&write.Png, &write.Info);
    if (!written) {
        throw EConvertError(TImportNoteKind::DamagedPicture, std::string("PNG cannot be written: ") +
                                                                 (write.Error[0] ? write.Error : "libpng"));
    }
    return out;
}

}  // namespace faceloom
