#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "convert/picture_convert.h"
#include "convert/picture_readers.h"

namespace faceloom {

namespace {

bool StartsWith(std::span<const uint8_t> bytes, size_t offset, std::string_view magic) {
    return bytes.size() >= offset + magic.size() &&
           std::memcmp(bytes.data() + offset, magic.data(), magic.size()) == 0;
}

}  // namespace

TPictureFormat SniffPictureFormat(std::span<const uint8_t> bytes) {
    if (StartsWith(bytes, 0, "\x89PNG\r\n\x1A\n")) return TPictureFormat::Png;
    if (StartsWith(bytes, 0, "\xFF\xD8\xFF")) return TPictureFormat::Jpeg;
    if (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "WEBP")) return TPictureFormat::Webp;
    if (StartsWith(bytes, 0, "GIF87a") || StartsWith(bytes, 0, "GIF89a")) return TPictureFormat::Gif;
    // "BM" and the rest of the 14-byte file header: two letters alone are too common.
    if (StartsWith(bytes, 0, "BM") && bytes.size() >= 14) return TPictureFormat::Bmp;
    return TPictureFormat::Unknown;
}

bool HasPictureExtension(std::string_view fileName) {
    const size_t slash = fileName.find_last_of("/\\");
    const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = base.rfind('.');
    // A name that is nothing but an extension (".gif") is a hidden file, not a picture.
    if (dot == std::string_view::npos || dot == 0) return false;
    std::string extension(base.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    static constexpr std::array<std::string_view, 6> kExtensions{"png", "jpg", "jpeg", "webp", "gif", "bmp"};
    return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

const char* PictureFormatName(TPictureFormat format) {
    switch (format) {
        case TPictureFormat::Png:
            return "PNG";
        case TPictureFormat::Jpeg:
            return "JPEG";
        case TPictureFormat::Webp:
            return "WebP";
        case TPictureFormat::Gif:
            return "GIF";
        case TPictureFormat::Bmp:
            return "BMP";
        case TPictureFormat::Unknown:
            break;
    }
    return "unknown";
}

namespace picture_detail {

std::string SizeText(int64_t width, int64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

void ThrowDamaged(const std::string& why, int reasonText) {
    throw EConvertError(TImportNoteKind::DamagedPicture, why, reasonText);
}

void CheckPictureLimits(int64_t width, int64_t height, int64_t frames, const TPictureLimits& limits) {
    if (width <= 0 || height <= 0) ThrowDamaged("empty picture " + SizeText(width, height));
    if (frames <= 0) ThrowDamaged("no frames");
    const auto tooLarge = [](const std::string& size) {
        throw EConvertError(TImportNoteKind::PictureTooLarge, size);
    };
    if (width > limits.MaxSide || height > limits.MaxSide) tooLarge(SizeText(width, height));
    if (frames > limits.MaxFrames) tooLarge(std::to_string(frames) + " frames");
    // Each factor is at most MaxSide (int32) and frames at most MaxFrames, so the product
    // of the first two cannot overflow; divide rather than multiply by frames.
    const int64_t framePixels = width * height;
    if (framePixels > limits.MaxPixels || frames > limits.MaxPixels / framePixels) {
        tooLarge(SizeText(width, height) + (frames > 1 ? ", " + std::to_string(frames) + " frames" : ""));
    }
}

TRgbaFrame MakeFrame(int32_t width, int32_t height, int32_t delayMs) {
    TRgbaFrame frame;
    frame.Width = width;
    frame.Height = height;
    frame.DelayMs = delayMs;
    frame.Pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    return frame;
}

}  // namespace picture_detail

}  // namespace faceloom
