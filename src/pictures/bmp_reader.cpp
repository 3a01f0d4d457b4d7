#include "pictures/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <string>

#include "pictures/decoder_errors.h"
#include "platform/byte_cursor.h"

namespace faceloom {

namespace {

// Compression values of the info header.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitFields = 6;

constexpr uint32_t kCoreHeaderSize = 12;

[[noreturn]] void Fail(const std::string& why) {
    throw EInvalidGraphic("Bitmap image is not valid: " + why);
}

// One colour channel of a bit-field pixel.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    static TChannel Of(uint32_t mask) {
        TChannel channel;
        if (mask == 0) return channel;
        channel.Mask = mask;
        channel.Shift = std::countr_zero(mask);
        channel.Bits = std::popcount(mask);
        if (channel.Bits < 32 && (mask >> channel.Shift) != (1u << channel.Bits) - 1) {
            Fail("a bit-field mask is not contiguous");
        }
        return channel;
    }

    // The channel's value scaled to 8 bits (0 for a channel without bits).
    uint32_t Extract(uint32_t pixel) const {
        if (Mask == 0) return 0;
        uint32_t value = (pixel & Mask) >> Shift;
        if (Bits >= 8) return value >> (Bits - 8);
        uint32_t max = (1u << Bits) - 1;
        return (value * 255 + max / 2) / max;
    }
};

struct TLayout {
    int64_t Width = 0;
    int64_t Height = 0;  // rows, always positive
    bool TopDown = false;
    uint32_t BitCount = 0;
    uint32_t Compression = kBiRgb;
    bool Core = false;
    uint32_t ColorsUsed = 0;
    uint32_t Masks[3] = {0, 0, 0};  // red, green, blue
};

class TReader {
public:
    TReader(const uint8_t* data, size_t size, uint64_t maxPixelBytes, const TBmpReader::TSizeCheck& sizeCheck)
        : cursor_(data, size), maxPixelBytes_(maxPixelBytes), sizeCheck_(sizeCheck) {}

    TBmpImage Read() {
        uint32_t pixelOffset = ReadFileHeader();
        ReadInfoHeader();
        CheckLayout();
        ReadPalette(pixelOffset);
        TBmpImage image;
        image.Width = static_cast<int32_t>(layout_.Width);
        image.Height = static_cast<int32_t>(layout_.Height);
        image.BitsPerPixel = static_cast<int32_t>(layout_.BitCount);
        size_t dataStart = PixelDataStart(pixelOffset);
        if (layout_.Compression == kBiRle8 || layout_.Compression == kBiRle4) {
            ReadRle(image, dataStart);
        } else {
            ReadRows(image, dataStart);
        }
        return image;
    }

private:
    uint32_t ReadFileHeader() {
        uint8_t b = U8("file header");
        uint8_t m = U8("file header");
        if (b != 'B' || m != 'M') Fail("not a bitmap file (no \"BM\" signature)");
        Skip(4, "file header");  // file size: not trusted, the bytes at hand count
        Skip(4, "file header");  // reserved
        return U32("file header");
    }

    void ReadInfoHeader() {
        uint32_t headerSize = U32("bitmap header");
        if (headerSize == kCoreHeaderSize) {
            layout_.Core = true;
            layout_.Width = U16("bitmap header");
            layout_.Height = U16("bitmap header");
            Skip(2, "bitmap header");  // planes
            layout_.BitCount = U16("bitmap header");
            if (layout_.Width == 0 || layout_.Height == 0) Fail("width or height is 0");
            return;
        }
        if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
            headerSize != 124) {
            Fail("unsupported bitmap header size " + std::to_string(headerSize));
        }
        const size_t headerStart = cursor_.Position() - 4;
        int32_t width = S32("bitmap header");
        int32_t height = S32("bitmap header");
        Skip(2, "bitmap header");  // planes: not checked, nothing depends on it
        layout_.BitCount = U16("bitmap header");
        layout_.Compression = U32("bitmap header");
        Skip(4 + 4 + 4, "bitmap header");  // image size (recomputed), resolutions
        layout_.ColorsUsed = U32("bitmap header");
        Skip(4, "bitmap header");  // colours important
        if (width <= 0) Fail("width " + std::to_string(width) + " is not positive");
        if (height == 0 || height == std::numeric_limits<int32_t>::min()) {
            Fail("height " + std::to_string(height) + " is not valid");
        }
        layout_.Width = width;
        layout_.TopDown = height < 0;
        layout_.Height = height < 0 ? -int64_t{height} : height;
        bool bitFields = layout_.Compression == kBiBitFields || layout_.Compression == kBiAlphaBitFields;
        if (headerSize >= 52) {
            // V2 and later carry the masks inside the header (used only with bit fields).
            uint32_t red = U32("bitmap header");
            uint32_t green = U32("bitmap header");
            uint32_t blue = U32("bitmap header");
            if (bitFields) SetMasks(red, green, blue);
            Seek(headerStart + headerSize, "bitmap header");
        } else if (bitFields) {
            // An info header is followed by the masks: red, green, blue (and alpha).
            uint32_t red = U32("bit-field masks");
            uint32_t green = U32("bit-field masks");
            uint32_t blue = U32("bit-field masks");
            if (layout_.Compression == kBiAlphaBitFields) Skip(4, "bit-field masks");
            SetMasks(red, green, blue);
        }
    }

    void SetMasks(uint32_t red, uint32_t green, uint32_t blue) {
        layout_.Masks[0] = red;
        layout_.Masks[1] = green;
        layout_.Masks[2] = blue;
    }

    void CheckLayout() {
        uint32_t bits = layout_.BitCount;
        switch (layout_.Compression) {
            case kBiRgb:
                if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
                    Fail(std::to_string(bits) + " bits per pixel are not supported");
                }
                if (layout_.Core && (bits == 16 || bits == 32)) {
                    Fail(std::to_string(bits) + " bits per pixel with a core header are not supported");
                }
                break;
            case kBiRle8:
            case kBiRle4:
                if (bits != (layout_.Compression == kBiRle8 ? 8u : 4u)) {
                    Fail("run-length compression with " + std::to_string(bits) + " bits per pixel");
                }
                if (layout_.TopDown) Fail("a run-length compressed bitmap cannot be top-down");
                break;
            case kBiBitFields:
            case kBiAlphaBitFields:
                if (bits != 16 && bits != 32)
                    Fail("bit fields with " + std::to_string(bits) + " bits per pixel");
                break;
            case kBiJpeg:
                Fail("embedded JPEG pictures are not supported");
            case kBiPng:
                Fail("embedded PNG pictures are not supported");
            default:
                Fail("unknown compression " + std::to_string(layout_.Compression));
        }
        // Width and height are below 2^31 each, so the product cannot wrap in 64 bits.
        uint64_t pixelBytes =
            static_cast<uint64_t>(layout_.Width) * static_cast<uint64_t>(layout_.Height) * 4;
        if (pixelBytes > maxPixelBytes_) {
            Fail("picture of " + std::to_string(layout_.Width) + " x " + std::to_string(layout_.Height) +
                 " pixels is too large");
        }
        if (sizeCheck_) sizeCheck_(static_cast<int32_t>(layout_.Width), static_cast<int32_t>(layout_.Height));
        if (bits == 16 || bits == 32) {
            bool bitFields = layout_.Compression == kBiBitFields || layout_.Compression == kBiAlphaBitFields;
            if (!bitFields) {
                // Uncompressed 16-bit is 5-5-5, 32-bit is 8-8-8 with the top byte unused.
                if (bits == 16)
                    SetMasks(0x7C00, 0x03E0, 0x001F);
                else
                    SetMasks(0xFF0000, 0x00FF00, 0x0000FF);
            }
            for (int i = 0; i < 3; ++i) channels_[i] = TChannel::Of(layout_.Masks[i]);
        }
    }

    void ReadPalette(uint32_t pixelOffset) {
        paletteEnd_ = cursor_.Position();
        if (layout_.BitCount > 8) return;
        size_t capacity = size_t{1} << layout_.BitCount;
        palette_.assign(capacity, 0);  // missing entries stay black
        size_t count = capacity;
        if (!layout_.Core && layout_.ColorsUsed != 0) count = std::min<size_t>(count, layout_.ColorsUsed);
        size_t entrySize = layout_.Core ? 3 : 4;
        // A table shorter than announced: the pixel data starts where the file says, and only
        // the entries before it are read.
        if (pixelOffset >= cursor_.Position()) {
            count = std::min<size_t>(count, (pixelOffset - cursor_.Position()) / entrySize);
        }
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* entry = Bytes(entrySize, "colour table");
            palette_[i] = (uint32_t{entry[2]} << 16) | (uint32_t{entry[1]} << 8) | entry[0];
        }
        paletteEnd_ = cursor_.Position();
    }

    // Where the pixels start: at the file header's offset, unless it points back into the
    // headers or the colour table (some writers leave it 0); then right after the table.
    size_t PixelDataStart(uint32_t pixelOffset) {
        size_t start = pixelOffset >= paletteEnd_ ? pixelOffset : paletteEnd_;
        Seek(start, "pixel data");
        return start;
    }

    uint32_t PaletteColor(uint32_t index) const { return index < palette_.size() ? palette_[index] : 0; }

    uint32_t FieldColor(uint32_t pixel) const {
        return (channels_[0].Extract(pixel) << 16) | (channels_[1].Extract(pixel) << 8) |
               channels_[2].Extract(pixel);
    }

    void ReadRows(TBmpImage& image, size_t dataStart) {
        uint64_t width = static_cast<uint64_t>(layout_.Width);
        uint64_t height = static_cast<uint64_t>(layout_.Height);
        uint64_t rowBytes = (width * layout_.BitCount + 7) / 8;
        uint64_t stride = ((width * layout_.BitCount + 31) / 32) * 4;
        // The last row's padding may be missing: writers differ there, the pixels do not.
        uint64_t needed = stride * (height - 1) + rowBytes;
        if (needed > cursor_.Remaining()) Fail("the file is truncated (pixel data)");
        image.Pixels.assign(static_cast<size_t>(width * height), 0);
        const uint8_t* base = cursor_.Data() + dataStart;
        for (uint64_t fileRow = 0; fileRow < height; ++fileRow) {
            const uint8_t* row = base + fileRow * stride;
            uint64_t y = layout_.TopDown ? fileRow : height - 1 - fileRow;
            uint32_t* target = image.Pixels.data() + y * width;
            ReadRow(row, target, static_cast<int64_t>(width));
        }
    }

    void ReadRow(const uint8_t* row, uint32_t* target, int64_t width) const {
        switch (layout_.BitCount) {
            case 1:
                for (int64_t x = 0; x < width; ++x)
                    target[x] = PaletteColor((row[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                for (int64_t x = 0; x < width; ++x) {
                    uint8_t byte = row[x >> 1];
                    target[x] = PaletteColor((x & 1) ? (byte & 0x0F) : (byte >> 4));
                }
                break;
            case 8:
                for (int64_t x = 0; x < width; ++x) target[x] = PaletteColor(row[x]);
                break;
            case 16:
                for (int64_t x = 0; x < width; ++x)
                    target[x] = FieldColor(row[2 * x] | (row[2 * x + 1] << 8));
                break;
            case 24:
                for (int64_t x = 0; x < width; ++x) {
                    const uint8_t* p = row + 3 * x;
                    target[x] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
                }
                break;
            case 32:
                for (int64_t x = 0; x < width; ++x) {
                    const uint8_t* p = row + 4 * x;
                    uint32_t pixel =
                        p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
                    target[x] = FieldColor(pixel);
                }
                break;
        }
    }

    // Run-length data: pairs (count, index) or escapes 0,0 end of line; 0,1 end of bitmap;
    // 0,2,dx,dy move; 0,n and n literal indexes padded to a 16-bit boundary. Places the data
    // never reaches keep colour 0 of the table. Runs past the right edge are dropped; the data
    // may end without the end-of-bitmap escape once every row is done.
    void ReadRle(TBmpImage& image, size_t dataStart) {
        const int64_t width = layout_.Width;
        const int64_t height = layout_.Height;
        const bool rle8 = layout_.Compression == kBiRle8;
        image.Pixels.assign(static_cast<size_t>(width * height), PaletteColor(0));
        int64_t x = 0;
        int64_t y = 0;  // file row, bottom-up
        auto put = [&](uint32_t index) {
            if (x < width && y < height)
                image.Pixels[static_cast<size_t>((height - 1 - y) * width + x)] = PaletteColor(index);
            ++x;
        };
        Seek(dataStart, "pixel data");
        while (y < height) {
            uint8_t count = U8("run-length data");
            uint8_t value = U8("run-length data");
            if (count > 0) {
                for (int i = 0; i < count; ++i) put(rle8 ? value : ((i & 1) ? (value & 0x0F) : (value >> 4)));
                continue;
            }
            switch (value) {
                case 0:  // end of line
                    x = 0;
                    ++y;
                    break;
                case 1:  // end of bitmap
                    return;
                case 2: {  // move right and up
                    x += U8("run-length data");
                    y += U8("run-length data");
                    break;
                }
                default: {  // literal indexes
                    size_t bytes = rle8 ? value : (value + 1u) / 2;
                    const uint8_t* literal = Bytes(bytes, "run-length data");
                    for (size_t i = 0; i < value; ++i) {
                        put(rle8 ? literal[i] : ((i & 1) ? (literal[i / 2] & 0x0F) : (literal[i / 2] >> 4)));
                    }
                    if ((bytes & 1) && cursor_.Remaining() > 0) Skip(1, "run-length data");
                    break;
                }
            }
        }
    }

    // Reads that must find their bytes; `what` names the part of the file in the error.
    uint8_t U8(const char* what) {
        uint8_t value = 0;
        if (!cursor_.ReadU8(value)) Truncated(what);
        return value;
    }
    uint16_t U16(const char* what) {
        uint16_t value = 0;
        if (!cursor_.ReadU16(value)) Truncated(what);
        return value;
    }
    uint32_t U32(const char* what) {
        uint32_t value = 0;
        if (!cursor_.ReadU32(value)) Truncated(what);
        return value;
    }
    int32_t S32(const char* what) { return static_cast<int32_t>(U32(what)); }
    const uint8_t* Bytes(uint64_t count, const char* what) {
        const uint8_t* bytes = cursor_.Take(count);
        if (bytes == nullptr) Truncated(what);
        return bytes;
    }
    void Skip(uint64_t count, const char* what) {
        if (!cursor_.Skip(count)) Truncated(what);
    }
    void Seek(uint64_t offset, const char* what) {
        if (!cursor_.Seek(offset)) Truncated(what);
    }
    [[noreturn]] static void Truncated(const char* what) {
        throw EInvalidGraphic(TDecoderMessage::Truncated,
                              std::string("Bitmap file is truncated (") + what + ")");
    }

    TByteCursor cursor_;
    uint64_t maxPixelBytes_;
    const TBmpReader::TSizeCheck& sizeCheck_;
    TLayout layout_;
    TChannel channels_[3];
    std::vector<uint32_t> palette_;
    size_t paletteEnd_ = 0;
};

}  // namespace

TBmpImage TBmpReader::Read(const uint8_t* data, size_t size) const {
    return TReader(data, size, maxPixelBytes_, sizeCheck_).Read();
}

TBmpImage TBmpReader::Read(TStream& stream) const {
    uint64_t size = stream.GetSize();
    uint64_t position = std::min(stream.GetPosition(), size);
    if (size - position > kMaxFileBytes) Fail("the file is too large");
    std::vector<uint8_t> bytes(static_cast<size_t>(size - position));
    size_t read = bytes.empty() ? 0 : stream.Read(bytes.data(), bytes.size());
    bytes.resize(read);
    return Read(bytes.data(), bytes.size());
}

}  // namespace faceloom
