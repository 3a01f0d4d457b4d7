#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <string>
#include <vector>

#include "convert/picture_readers.h"

namespace faceloom::picture_detail {

namespace {

// A progressive file may repeat scans without end; real ones have a few dozen.
constexpr int kMaxScans = 500;

// libjpeg's error manager first (the library casts the pointer it holds back to it), then
// the jump target; plain data only, so that a longjmp out of libjpeg skips no destructor.
struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<TJpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->Message);
    std::longjmp(error->Jump, 1);
}

// Warnings (extraneous bytes before a marker, a corrupt data segment that libjpeg fills with
// grey) are the one tolerance of this reader: such files are common and show the picture.
// A file that ends early is not one of them: OnJpegFill refuses it.
void OnJpegMessage(j_common_ptr, int) {}

void OnJpegProgress(j_common_ptr cinfo) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number > kMaxScans) {
        std::snprintf(reinterpret_cast<TJpegError*>(cinfo->err)->Message, JMSG_LENGTH_MAX,
                      "more than %d scans", kMaxScans);
        std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->Jump, 1);
    }
}

// The whole file is the one buffer of the source: asking for more means it ended early.
void OnJpegInit(j_decompress_ptr) {}
boolean OnJpegFill(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}
void OnJpegSkip(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    if (static_cast<unsigned long>(count) > cinfo->src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
    cinfo->src->next_input_byte += count;
    cinfo->src->bytes_in_buffer -= static_cast<size_t>(count);
}
void OnJpegTerm(j_decompress_ptr) {}

struct TJpegRead {
    jpeg_decompress_struct Info;
    TJpegError Error;
    jpeg_source_mgr Source;
    jpeg_progress_mgr Progress;
    bool Cmyk = false;
};

bool StartJpeg(TJpegRead& read) {
    if (setjmp(read.Error.Jump)) return false;
    jpeg_create_decompress(&read.Info);
    return true;
}

bool ReadJpegHeader(TJpegRead& read) {
    if (setjmp(read.Error.Jump)) return false;
    jpeg_read_header(&read.Info, TRUE);
    // CMYK (and YCCK) cannot become RGB inside libjpeg; it is converted below.
    read.Cmyk = read.Info.jpeg_color_space == JCS_CMYK || read.Info.jpeg_color_space == JCS_YCCK;
    read.Info.out_color_space = read.Cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    return true;
}

bool ReadJpegPixels(TJpegRead& read, uint8_t* pixels, size_t rowBytes) {
    if (setjmp(read.Error.Jump)) return false;
    jpeg_start_decompress(&read.Info);
    if (read.Info.output_components != 4) {
        std::snprintf(read.Error.Message, JMSG_LENGTH_MAX, "unexpected pixel layout");
        return false;
    }
    while (read.Info.output_scanline < read.Info.output_height) {
        JSAMPROW row = pixels + static_cast<size_t>(read.Info.output_scanline) * rowBytes;
        jpeg_read_scanlines(&read.Info, &row, 1);
    }
    jpeg_finish_decompress(&read.Info);
    return true;
}

class TJpegReadGuard {
public:
    explicit TJpegReadGuard(TJpegRead& read) : read_(read) {}
    ~TJpegReadGuard() { jpeg_destroy_decompress(&read_.Info); }
    TJpegReadGuard(const TJpegReadGuard&) = delete;
    TJpegReadGuard& operator=(const TJpegReadGuard&) = delete;

private:
    TJpegRead& read_;
};

}  // namespace

TRgbaPicture ReadJpeg(std::span<const uint8_t> bytes, const TPictureLimits& limits) {
    TJpegRead read{};
    read.Info.err = jpeg_std_error(&read.Error.Manager);
    read.Error.Manager.error_exit = OnJpegError;
    read.Error.Manager.emit_message = OnJpegMessage;
    const bool started = StartJpeg(read);
    const TJpegReadGuard guard(read);
    if (!started) ThrowDamaged(read.Error.Message);

    read.Source.next_input_byte = bytes.data();
    read.Source.bytes_in_buffer = bytes.size();
    read.Source.init_source = OnJpegInit;
    read.Source.fill_input_buffer = OnJpegFill;
    read.Source.skip_input_data = OnJpegSkip;
    read.Source.resync_to_restart = jpeg_resync_to_restart;
    read.Source.term_source = OnJpegTerm;
    read.Info.src = &read.Source;
    read.Progress.progress_monitor = OnJpegProgress;
    read.Info.progress = &read.Progress;

    if (!ReadJpegHeader(read)) ThrowDamaged(read.Error.Message);
    const int64_t width = read.Info.image_width, height = read.Info.image_height;
    CheckPictureLimits(width, height, 1, limits);

    TRgbaPicture picture;
    picture.Frames.push_back(MakeFrame(static_cast<int32_t>(width), static_cast<int32_t>(height), 100));
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> pixels(rowBytes * static_cast<size_t>(height));
    if (!ReadJpegPixels(read, pixels.data(), rowBytes)) ThrowDamaged(read.Error.Message);

    // Adobe writes CMYK inverted (0 is full ink), others plain.
    const bool inverted = read.Info.saw_Adobe_marker;
    uint32_t* out = picture.Frames[0].Pixels.data();
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        const uint8_t* p = pixels.data() + i * 4;
        if (!read.Cmyk) {
            out[i] = 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
            continue;
        }
        const auto ink = [&](int c) { return inverted ? p[c] : 255 - p[c]; };
        const uint32_t k = ink(3);
        const auto channel = [&](int c) { return uint32_t(ink(c) * k + 127) / 255; };
        out[i] = 0xFF000000u | (channel(0) << 16) | (channel(1) << 8) | channel(2);
    }
    return picture;
}

}  // namespace faceloom::picture_detail
