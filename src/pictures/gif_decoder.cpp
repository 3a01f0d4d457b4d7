#include "pictures/gif_decoder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "pictures/decoder_errors.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "platform/bitmap.h"
#include "platform/color.h"
#include "platform/surface.h"

namespace faceloom {

namespace {

constexpr TDecoderMessage kHeaderError = TDecoderMessage::HeaderError;
constexpr TDecoderMessage kTruncated = TDecoderMessage::Truncated;
constexpr TDecoderMessage kUnexpectedEnd = TDecoderMessage::UnexpectedEnd;
constexpr TDecoderMessage kDataError = TDecoderMessage::DataError;
constexpr TDecoderMessage kEndOfBlock = TDecoderMessage::EndOfBlock;
constexpr TDecoderMessage kStackOverflow = TDecoderMessage::StackOverflow;
constexpr TDecoderMessage kStackEmpty = TDecoderMessage::StackEmpty;
constexpr TDecoderMessage kOutLineError = TDecoderMessage::OutLineError;

// 12-bit codes: 4096 table entries, plus one so that the string stack can hold the longest
// string and the character pushed for a code that is being defined.
constexpr uint32_t kLzwTableSize = 4097;
constexpr uint32_t kMaxCodeSize = 12;
constexpr uint16_t kNoChunk = 0xFFFF;

// GIF89a interlacing: four passes, each with its first row and its row step.
constexpr int32_t kInterlaceStart[4] = {0, 4, 2, 1};
constexpr int32_t kInterlaceStep[4] = {8, 8, 4, 2};

// Limits against decompression bombs: a few bytes of image data can stand for a whole
// frame, so a small file could otherwise ask for gigabytes. Smiles are far below both.
constexpr uint64_t kMaxScreenPixels = 16 * 1024 * 1024;

// What frames and canvases hold, as the memory budget counts it: rows padded to 32 bits, the
// bitmap headers, and the room for 256 palette entries of a palettised one.
constexpr uint64_t kHeaderBytes = 48;
constexpr uint64_t kPalettisedHeaderBytes = 4 * 256 + kHeaderBytes;
inline uint64_t PalettisedRowBytes(int32_t width) {
    return (uint64_t(width) + 3) & ~uint64_t(3);
}
inline uint64_t MaskRowBytes(int32_t width) {
    return ((uint64_t(width) + 7) / 8 + 3) & ~uint64_t(3);
}

[[noreturn]] void Fail(TDecoderMessage message) {
    throw EAbort(message);
}

// The reads of the block structure over the cursor, failing with the decoder's messages.
inline uint8_t ReadByte(TByteCursor& in) {
    uint8_t value = 0;
    if (!in.ReadU8(value)) Fail(kTruncated);
    return value;
}

inline const uint8_t* ReadExact(TByteCursor& in, size_t count) {
    const uint8_t* bytes = in.Take(count);
    if (bytes == nullptr) Fail(kTruncated);
    return bytes;
}

// Whatever follows a skipped block, at least one more byte must come (the trailer at the very
// least), so a skip that ends exactly at the end of the bytes is as wrong as one past it.
void SkipBytes(TByteCursor& in, size_t count) {
    if (count >= in.Remaining()) Fail(kUnexpectedEnd);
    in.Skip(count);
}

// The next data sub-block of image data: its size byte and bytes. A zero size ends the data,
// which is an error while codes are still due; the cursor is then past the zero.
[[gnu::noinline]] const uint8_t* SubBlock(TByteCursor& in, uint32_t& size) {
    size = ReadByte(in);
    if (size == 0) throw EDataBlockError(kEndOfBlock);
    return ReadExact(in, size);
}

// A colour table entry (red, green, blue) as a stored 0x00RRGGBB word.
inline uint32_t StoredRgb(const uint8_t* entry) {
    return (uint32_t(entry[0]) << 16) | (uint32_t(entry[1]) << 8) | entry[2];
}

// The same entry as a platform colour value 0x00BBGGRR.
inline TColor PlatformColor(const uint8_t* entry) {
    return entry[0] | (uint32_t(entry[1]) << 8) | (uint32_t(entry[2]) << 16);
}

// Mask rows: bit 7 of byte 0 is pixel 0; 1 = transparent.
void ClearMaskBits(uint8_t* row, int32_t from, int32_t to) {
    int32_t x = from;
    for (; x < to && (x & 7) != 0; ++x) row[x >> 3] &= uint8_t(~(0x80u >> (x & 7)));
    for (; x + 8 <= to; x += 8) row[x >> 3] = 0;
    for (; x < to; ++x) row[x >> 3] &= uint8_t(~(0x80u >> (x & 7)));
}

void SetMaskBits(uint8_t* row, int32_t from, int32_t to) {
    int32_t x = from;
    for (; x < to && (x & 7) != 0; ++x) row[x >> 3] |= uint8_t(0x80u >> (x & 7));
    for (; x + 8 <= to; x += 8) row[x >> 3] = 0xFF;
    for (; x < to; ++x) row[x >> 3] |= uint8_t(0x80u >> (x & 7));
}

// Eight pixels at once (little-endian words of eight palette indices): the high bit of each
// byte set where the index differs from the key, that is where a pixel is drawn.
inline uint64_t DrawnBytes(uint64_t values, uint64_t keys) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    const uint64_t t = values ^ keys;
    return (((t & kLow7) + kLow7) | t) & kHigh;
}

// Those eight flags as one mask byte, the first pixel in bit 7.
inline uint8_t MaskByte(uint64_t drawn) {
    return uint8_t(((drawn >> 7) * 0x8040201008040201ull) >> 56);
}

}  // namespace

// The LZW decompressor's arrays, sized for 12-bit codes. Every image starts them zeroed, so a
// corrupt code that refers to an entry not defined yet reads zeros, never what memory or an
// earlier image left there.
struct TGifDecoder::TLzwTables {
    std::array<uint16_t, kLzwTableSize> Prefix;
    std::array<uint8_t, kLzwTableSize> Suffix;
    // Written before it is read, as are the lengths (read only for entries defined since
    // the last clear).
    std::array<uint8_t, kLzwTableSize> Stack;
    // Well-formed strings (each entry's prefix defined before it since the last clear) are
    // also kept in chunks of up to eight characters, so that writing one takes an eighth of
    // the steps: Length (0 for any other string), the last ((Length - 1) mod 8) + 1
    // characters in Chunk (first character in the lowest byte), and in ChunkPrefix the entry
    // holding the rest, whose length is a multiple of eight (kNoChunk when nothing is left).
    std::array<uint16_t, kLzwTableSize> Length;
    std::array<uint64_t, kLzwTableSize> Chunk;
    std::array<uint16_t, kLzwTableSize> ChunkPrefix;
};

// The colour tables of one Decode. They start black: a table the file does not give (or an
// entry beyond a short one) reads as black.
struct TGifDecoder::TColorTables {
    std::array<uint8_t, 256 * 3> Global{};
    std::array<uint8_t, 256 * 3> Local{};
    // The current image's table as stored 0x00RRGGBB words, for the targets that take colours.
    std::array<uint32_t, 256> ImageRgb{};
};

TGifDecoder::TGifDecoder(const std::string& FileName) : TPictureDecoder(FileName) {}

TGifDecoder::TGifDecoder(TStream& Stream) : TPictureDecoder(Stream) {}

TGifDecoder::~TGifDecoder() = default;

void TGifDecoder::Decode() {
    TPictureDecoder::Decode();
    const TCloseStreamAtEnd closeStream(*this);
    struct TReleaseAtEnd {
        TGifDecoder& decoder;
        ~TReleaseAtEnd() { decoder.ReleaseWorkState(); }
    } const release{*this};
    Frames.clear();
    Delays.clear();
    frameBytes_ = 0;
    canvasBytes_ = 0;
    LoadBytes();
    // Fresh tables hold whatever the allocator left: the first image zeroes them whole.
    lzw_ = std::make_unique_for_overwrite<TLzwTables>();
    lzwDirty_ = kLzwTableSize;
    colors_ = std::make_unique<TColorTables>();
    if (SmileBitmaps) {
        DecodeSmileBitmaps();
    } else {
        DecodePlatformBitmaps();
    }
    // The picture lives as long as its smile: no room kept for frames that will not come.
    Frames.shrink_to_fit();
    Delays.shrink_to_fit();
}

// The stream from its position to its end, read at once: smiles are a few kilobytes, and the
// cursor then checks every read against what is really there.
void TGifDecoder::LoadBytes() {
    bytes_.clear();
    if (Stream != nullptr) {
        const uint64_t size = Stream->GetSize();
        const uint64_t position = std::min(Stream->GetPosition(), size);
        if (size - position > kMaxFileBytes) Fail(kDataError);
        bytes_.resize(size_t(size - position));
        size_t read = 0;
        while (read < bytes_.size()) {
            const size_t got = Stream->Read(bytes_.data() + read, bytes_.size() - read);
            if (got == 0) break;
            read += got;
        }
        bytes_.resize(read);  // a stream that ends early: the reads past it fail as truncated
    }
    in_ = TByteCursor(bytes_.data(), bytes_.size());
}

// Assigning {} to a vector would keep its capacity: the buffers are swapped out to free them.
void TGifDecoder::ReleaseWorkState() {
    RefundBudget(canvasBytes_);
    canvasBytes_ = 0;
    in_ = TByteCursor();
    std::vector<uint8_t>().swap(bytes_);
    lzw_.reset();
    colors_.reset();
    std::vector<uint8_t>().swap(rowBuffer_);
    canvas8_.reset();
    canvas32_.reset();
    composed_.reset();
    target8_ = nullptr;
    target32_ = nullptr;
    targetBitmap_ = nullptr;
}

// Own frames: palettised frames while the picture keeps to the global colour table and one
// transparent index, 32-bit frames from the first image that does not. An image that is keyed
// where the first was not (or the other way round) also ends the palettised frames: the key's
// palette entry can then be neither the drawn colour nor the background for all pixels of that
// index on the canvas. The true-colour canvas
// is built from the palettised one at the switch: until then every opaque pixel holds a
// global colour index and every transparent one the background colour, so the conversion
// gives exactly what drawing both canvases all along would have given.
void TGifDecoder::DecodeSmileBitmaps() {
    ReadHeader();
    ReadGlobalColorTable();
    UseTrueColor = false;

    // The canvases always carry a mask (it tells background from drawn pixels when the
    // true-colour canvas is built); the frames get one only when Transparent.
    ReserveFrame(PalettisedRowBytes(Width) + MaskRowBytes(Width), kPalettisedHeaderBytes, true);
    canvas8_ = std::make_unique<TSmileBitmap8>();
    canvas8_->Width = Width;
    canvas8_->Height = Height;
    canvas8_->Transparent = true;
    canvas8_->PaletteCount = GlobalColorCount;
    canvas8_->Allocate();
    for (int32_t i = 0; i < GlobalColorCount; ++i) {
        canvas8_->SetPaletteEntry(i, PlatformColor(&colors_->Global[size_t(i) * 3]));
    }

    bool first = true;
    FirstTransparentIndex = 0;
    bool firstKeyed = false;
    for (;;) {
        ReadBlocks();
        if (Finished) break;
        if (first) {
            FirstTransparentIndex = TransparentIndex();
            firstKeyed = HasTransparentColor();
            std::fill(canvas8_->Pixels.begin(), canvas8_->Pixels.end(), FirstTransparentIndex);
            for (int32_t y = 0; y < Height; ++y) {
                SetMaskBits(canvas8_->MaskBits.MutableData() + size_t(y) * canvas8_->MaskStride, 0, Width);
            }
            first = false;
        }
        ReadImageDescriptor();
        ReadLocalColorTable();
        StartImageData();
        if (!UseTrueColor && (HasLocalColorTable || TransparentIndex() != FirstTransparentIndex ||
                              HasTransparentColor() != firstKeyed)) {
            SwitchToTrueColor();
        }

        if (DisposalMethod() == 3) {
            // Restore to previous: the image goes into a copy, the canvas stays as it was.
            // Any failure here, a cut-off image included, fails the picture.
            if (UseTrueColor) {
                auto frame = CopyCanvas32();
                target_ = TTarget::TrueColor;
                target32_ = frame.get();
                DecodeImage();
                Frames.push_back(std::move(frame));
            } else {
                auto frame = CopyCanvas8();
                target_ = TTarget::Palettised;
                target8_ = frame.get();
                DecodeImage();
                Frames.push_back(std::move(frame));
            }
        } else {
            if (UseTrueColor) {
                target_ = TTarget::TrueColor;
                target32_ = canvas32_.get();
            } else {
                target_ = TTarget::Palettised;
                target8_ = canvas8_.get();
            }
            try {
                DecodeImage();
            } catch (const EDataBlockError&) {
                // The image's sub-blocks ended before its end code: keep the rows completed
                // so far and go on with the block after the zero-length sub-block.
            }
            if (UseTrueColor) {
                Frames.push_back(CopyCanvas32());
            } else {
                Frames.push_back(CopyCanvas8());
            }
            if (DisposalMethod() == 2) FillImageRect();
        }
        AppendDelay();
    }
}

void TGifDecoder::SwitchToTrueColor() {
    UseTrueColor = true;
    ReserveFrame(uint64_t(Width) * 4 + MaskRowBytes(Width), kHeaderBytes, true);
    canvas32_ = std::make_unique<TSmileBitmap32>();
    canvas32_->Width = Width;
    canvas32_->Height = Height;
    canvas32_->Transparent = true;
    canvas32_->Allocate();
    canvas32_->MaskBits = canvas8_->MaskBits;

    std::array<uint32_t, 256> globalRgb;
    for (size_t i = 0; i < 256; ++i) globalRgb[i] = StoredRgb(&colors_->Global[i * 3]);
    const uint32_t background = ColorToRgb(BackgroundColor);
    for (int32_t row = 0; row < Height; ++row) {
        const uint8_t* indices = canvas8_->Pixels.data() + size_t(row) * canvas8_->RowStride;
        const uint8_t* mask = canvas8_->MaskBits.data() + size_t(row) * canvas8_->MaskStride;
        uint32_t* pixels = canvas32_->Pixels.data() + size_t(row) * Width;
        for (int32_t x = 0; x < Width; ++x) {
            const bool transparent = (mask[x >> 3] >> (7 - (x & 7))) & 1;
            pixels[x] = transparent ? background : globalRgb[indices[x]];
        }
    }
    // Every later frame is a 32-bit one; the palettised canvas has served.
    canvas8_.reset();
}

// A frame from the canvas, with its mask when Transparent. When the image gives a transparent
// colour, its palette entry becomes the background colour, which then shows wherever no mask
// hides the never-drawn and restored pixels. Without one (GIF87a, or an extension without the
// flag) the entry keeps its colour: drawn pixels of that index must show it.
std::unique_ptr<TSmileBitmap8> TGifDecoder::CopyCanvas8() {
    ReserveFrame(PalettisedRowBytes(Width) + (Transparent ? MaskRowBytes(Width) : 0), kPalettisedHeaderBytes);
    auto frame = std::make_unique<TSmileBitmap8>();
    if (Transparent) {
        frame->CopyFrom(*canvas8_);
    } else {
        frame->Width = Width;
        frame->Height = Height;
        frame->PaletteCount = canvas8_->PaletteCount;
        frame->Allocate();
        frame->Header = canvas8_->Header;
        frame->Pixels = canvas8_->Pixels;
    }
    if (HasTransparentColor()) frame->SetPaletteEntry(TransparentIndex(), BackgroundColor);
    // Frames share their headers with the canvas until one changes its colour table; the
    // changed one is most often the same as the previous frame's, and then shared with it.
    if (!Frames.empty()) {
        if (const auto* previous = dynamic_cast<const TSmileBitmap8*>(Frames.back().get()))
            frame->Header.ShareIfEqual(previous->Header);
    }
    ShareMaskWithPrevious(*frame);
    return frame;
}

// A frame's mask is the canvas's until the next image draws on the canvas (which then takes
// a copy of its own); when it equals the previous frame's, the frame keeps that one instead,
// so a picture whose outline stays holds one mask for all its frames.
void TGifDecoder::ShareMaskWithPrevious(TSmileBitmap& frame) const {
    if (!frame.HasMask || Frames.empty()) return;
    if (const auto* previous = dynamic_cast<const TSmileBitmap*>(Frames.back().get()))
        frame.MaskBits.ShareIfEqual(previous->MaskBits);
}

std::unique_ptr<TSmileBitmap32> TGifDecoder::CopyCanvas32() {
    ReserveFrame(uint64_t(Width) * 4 + (Transparent ? MaskRowBytes(Width) : 0), kHeaderBytes);
    auto frame = std::make_unique<TSmileBitmap32>();
    if (Transparent) {
        frame->CopyFrom(*canvas32_);
    } else {
        frame->Width = Width;
        frame->Height = Height;
        frame->Allocate();
        frame->Header = canvas32_->Header;  // the same header, shared
        frame->Pixels = canvas32_->Pixels;
    }
    ShareMaskWithPrevious(*frame);
    return frame;
}

// Restore to background: the image's rectangle (as far as it lies on the screen) becomes
// transparent background again.
void TGifDecoder::FillImageRect() {
    const int32_t left = std::min(ImageLeft(), Width);
    const int32_t right = std::min(ImageLeft() + ImageWidth(), Width);
    const int32_t top = std::min(ImageTop(), Height);
    const int32_t bottom = std::min(ImageTop() + ImageHeight(), Height);
    if (left >= right || top >= bottom) return;
    if (UseTrueColor) {
        TSmileBitmap32& canvas = *canvas32_;
        const uint32_t background = ColorToRgb(BackgroundColor);
        for (int32_t y = top; y < bottom; ++y) {
            const size_t stored = size_t(Height - 1 - y);
            std::fill_n(canvas.Pixels.data() + stored * Width + left, right - left, background);
            SetMaskBits(canvas.MaskBits.MutableData() + stored * canvas.MaskStride, left, right);
        }
    } else {
        TSmileBitmap8& canvas = *canvas8_;
        for (int32_t y = top; y < bottom; ++y) {
            const size_t stored = size_t(Height - 1 - y);
            std::memset(canvas.Pixels.data() + stored * canvas.RowStride + left, TransparentIndex(),
                        size_t(right - left));
            SetMaskBits(canvas.MaskBits.MutableData() + stored * canvas.MaskStride, left, right);
        }
    }
}

// Counts a new frame or canvas of Height rows of rowBytes each (plus headers) against the
// picture's limit and the pack's budget, before it is allocated. A canvas is given back to the
// budget when the decoding ends.
void TGifDecoder::ReserveFrame(uint64_t rowBytes, uint64_t headerBytes, bool canvas) {
    const uint64_t bytes = rowBytes * uint64_t(Height) + headerBytes;
    frameBytes_ += bytes;
    if (frameBytes_ > MaxFrameBytes) Fail(kDataError);
    ChargeBudget(bytes);
    if (canvas) canvasBytes_ += bytes;
}

void TGifDecoder::AppendDelay() {
    const int32_t delay = GraphicControl[1] | (GraphicControl[2] << 8);  // hundredths
    Delays.push_back(delay >= 10 ? delay * 10 : 100);
}

// Platform bitmaps: one 32-bit composed image over the background colour, with a mask when
// Transparent. No error is tolerated here.
void TGifDecoder::DecodePlatformBitmaps() {
    ReadHeader();
    ReserveFrame(uint64_t(Width) * (Transparent ? 8 : 4), 0, true);
    composed_ = std::make_unique<TBitmap>(Width, Height);
    composed_->Canvas.Fill(BackgroundColor);
    if (Transparent) {
        // Nothing is drawn yet: the mask starts all white, all transparent.
        composed_->Transparent = true;
        composed_->Mask = std::make_unique<TSurface>(Width, Height);
        composed_->Mask->Fill(kColorWhite);
    }
    ReadGlobalColorTable();
    target_ = TTarget::Platform;
    for (;;) {
        ReadBlocks();
        if (Finished) break;
        ReadImageDescriptor();
        ReadLocalColorTable();
        StartImageData();
        ReserveFrame(uint64_t(Width) * (Transparent ? 8 : 4), 0);
        if (DisposalMethod() == 3) {
            auto frame = std::make_unique<TBitmap>(*composed_);
            targetBitmap_ = frame.get();
            DecodeImage();
            Frames.push_back(std::move(frame));
        } else {
            targetBitmap_ = composed_.get();
            DecodeImage();
            Frames.push_back(std::make_unique<TBitmap>(*composed_));
            if (DisposalMethod() == 2) {
                const TRect rect = RectOfSize(ImageLeft(), ImageTop(), ImageWidth(), ImageHeight());
                composed_->Canvas.FillRect(rect, BackgroundColor);
                if (composed_->Mask) composed_->Mask->FillRect(rect, kColorWhite);
            }
        }
        AppendDelay();
    }
}

void TGifDecoder::ReadHeader() {
    Width = 0;
    Height = 0;
    Flags = 0;
    GlobalColorCount = 0;
    Finished = false;
    std::memcpy(Header.data(), ReadExact(in_, Header.size()), Header.size());
    const bool signature = std::memcmp(Header.data(), "GIF", 3) == 0;
    const bool version =
        std::memcmp(Header.data() + 3, "87a", 3) == 0 || std::memcmp(Header.data() + 3, "89a", 3) == 0;
    if (!signature || !version) Fail(kHeaderError);
    if (Header[10] & 0x80) Flags |= 1;
    Width = Header[6] | (Header[7] << 8);
    Height = Header[8] | (Header[9] << 8);
    // A screen without pixels gives frames without buffers: refuse it as bad header data,
    // like a screen too large to compose on.
    if (Width == 0 || Height == 0 || uint64_t(Width) * uint64_t(Height) > kMaxScreenPixels)
        Fail(kHeaderError);
}

void TGifDecoder::ReadGlobalColorTable() {
    if ((Flags & 1) == 0) return;
    GlobalColorCount = 2 << (Header[10] & 7);
    const size_t bytes = size_t(GlobalColorCount) * 3;
    std::memcpy(colors_->Global.data(), ReadExact(in_, bytes), bytes);
}

// Runs up to the next image separator (an image follows) or the trailer (Finished).
void TGifDecoder::ReadBlocks() {
    TByteCursor& in = in_;
    for (;;) {
        const uint8_t introducer = ReadByte(in);
        if (introducer == 0x21) {
            const uint8_t label = ReadByte(in);
            if (label == 0xF9) {
                if (ReadByte(in) != 4) Fail(kDataError);
                std::memcpy(GraphicControl.data(), ReadExact(in, 4), 4);
            }
            // The rest of every extension (application, comment, plain text, and the
            // graphic control's terminator) is skipped sub-block by sub-block.
            for (uint8_t size = ReadByte(in); size != 0; size = ReadByte(in)) SkipBytes(in, size);
        } else if (introducer == 0x2C) {
            return;
        } else if (introducer == 0x3B) {
            Finished = true;
            return;
        } else {
            // Stray bytes between blocks: treat them as a block with a length byte.
            const uint8_t size = ReadByte(in);
            if (size != 0) SkipBytes(in, size);
        }
    }
}

void TGifDecoder::ReadImageDescriptor() {
    std::memcpy(ImageDescriptor.data(), ReadExact(in_, ImageDescriptor.size()), ImageDescriptor.size());
}

void TGifDecoder::ReadLocalColorTable() {
    HasLocalColorTable = false;
    if (ImageDescriptor[8] & 0x80) {
        LocalColorCount = 2 << (ImageDescriptor[8] & 7);
        const size_t bytes = size_t(LocalColorCount) * 3;
        std::memcpy(colors_->Local.data(), ReadExact(in_, bytes), bytes);
        HasLocalColorTable = true;
    }
}

// The colours of the image's table as stored words, for the targets that take colours.
void TGifDecoder::PrepareImageColors() {
    const auto& table = HasLocalColorTable ? colors_->Local : colors_->Global;
    for (size_t i = 0; i < 256; ++i) colors_->ImageRgb[i] = StoredRgb(&table[i * 3]);
}

void TGifDecoder::StartImageData() {
    CurrentRow = 0;
    RowsDone = 0;
    InterlacePass = 0;
    const uint8_t minCodeSize = ReadByte(in_);
    // 9 is more than any colour table needs but decodes fine, so it is let through.
    if (minCodeSize < 2 || minCodeSize > 9) Fail(kDataError);
    MinCodeSize = minCodeSize;
    ClearCode = uint16_t(1u << minCodeSize);
    EndCode = ClearCode + 1;
    FirstFreeCode = ClearCode + 2;
}

// Variable-length codes, least significant bit first across bytes and sub-blocks. Strings
// come off the Prefix chain in reverse onto the stack and are popped into the row buffer; a
// full row goes to OutLine. Bytes are fetched only when a code needs them, so a code stream
// that ends early fails exactly where its codes run out.
void TGifDecoder::DecodeImage() {
    if (target_ != TTarget::Palettised) PrepareImageColors();
    TByteCursor& in = in_;
    uint16_t* const prefix = lzw_->Prefix.data();
    uint8_t* const suffix = lzw_->Suffix.data();
    // The string stack is always written before it is read; the table is not. The entries an
    // earlier image may have written (all below the code limits it reached) go back to zero;
    // the rest still are.
    std::fill_n(prefix, lzwDirty_, uint16_t(0));
    std::fill_n(suffix, lzwDirty_, uint8_t(0));
    uint8_t* const stack = lzw_->Stack.data();
    uint16_t* const length = lzw_->Length.data();
    uint64_t* const chunk = lzw_->Chunk.data();
    uint16_t* const chunkPrefix = lzw_->ChunkPrefix.data();

    // A zero-width image still gets one byte of row: its first pixel goes to OutLine, which
    // refuses it as data beyond the image.
    const int32_t width = ImageWidth();
    const uint32_t rowWidth = uint32_t(std::max(width, 1));
    // The row, with room for a whole string past its end and eight bytes more for the string's
    // last chunk: a string is written whole and the part beyond the row moves to the start
    // once the row has gone out. Then a copy of the row that went out last, for the tail of
    // a short last row.
    const size_t rowRoom = rowWidth + kLzwTableSize + 8;
    if (rowBuffer_.size() < rowRoom + rowWidth) rowBuffer_.resize(rowRoom + rowWidth);
    uint8_t* const row = rowBuffer_.data();
    uint8_t* const lastRow = row + rowRoom;
    std::memset(lastRow, 0, rowWidth);
    uint32_t position = 0;
    auto rowDone = [&]() {
        OutLine(row);
        std::memcpy(lastRow, row, rowWidth);
    };

    const uint32_t clearCode = ClearCode;
    const uint32_t endCode = EndCode;
    const uint32_t firstFree = FirstFreeCode;
    uint32_t codeSize = MinCodeSize + 1u;
    uint32_t codeLimit = 1u << codeSize;
    lzwDirty_ = codeLimit;
    uint32_t nextCode = firstFree;
    uint32_t oldCode = 0;
    uint8_t firstChar = 0;

    const uint8_t* subBlock = nullptr;
    const uint8_t* subBlockEnd = nullptr;
    uint32_t bits = 0;
    uint32_t bitCount = 0;

    // A code takes at most two more bytes; both come at once when the sub-block has them.
    // Only an empty sub-block reads the next one, so a code stream still fails exactly where
    // its codes run out.
    auto readCode = [&]() __attribute__((always_inline))->uint32_t {
        if (bitCount < codeSize && subBlockEnd - subBlock >= 2) {
            bits |= (uint32_t(subBlock[0]) | (uint32_t(subBlock[1]) << 8)) << bitCount;
            subBlock += 2;
            bitCount += 16;
        }
        while (bitCount < codeSize) {
            if (subBlock == subBlockEnd) {
                uint32_t size = 0;
                subBlock = SubBlock(in, size);
                subBlockEnd = subBlock + size;
            }
            bits |= uint32_t(*subBlock++) << bitCount;
            bitCount += 8;
        }
        const uint32_t code = bits & ((1u << codeSize) - 1);
        bits >>= codeSize;
        bitCount -= codeSize;
        return code;
    };

    // The next table entry: the previous string plus the first character of this one. Its
    // length is known when the previous string's is (an entry defined since the last clear,
    // or a single character); 0 marks a string of unknown shape, left to the stack.
    uint32_t code = 0;
    auto defineCode = [&](uint32_t first) __attribute__((always_inline)) {
        if (nextCode < codeLimit) {
            firstChar = uint8_t(first);
            suffix[nextCode] = uint8_t(first);
            prefix[nextCode] = uint16_t(oldCode);
            const uint32_t previous = oldCode < firstFree ? 1 : oldCode < nextCode ? length[oldCode] : 0;
            length[nextCode] = uint16_t(previous == 0 ? 0 : previous + 1);
            if (previous == 0) {
                // Of unknown shape: the chunks are never read.
            } else if (oldCode < firstFree) {
                chunk[nextCode] = uint8_t(oldCode) | (uint64_t(uint8_t(first)) << 8);
                chunkPrefix[nextCode] = kNoChunk;
            } else if ((previous & 7) != 0) {
                chunk[nextCode] = chunk[oldCode] | (uint64_t(uint8_t(first)) << (8 * (previous & 7)));
                chunkPrefix[nextCode] = chunkPrefix[oldCode];
            } else {
                chunk[nextCode] = uint8_t(first);
                chunkPrefix[nextCode] = uint16_t(oldCode);
            }
            ++nextCode;
            oldCode = code;
        }
        if (nextCode >= codeLimit && codeSize < kMaxCodeSize) {
            codeLimit <<= 1;
            ++codeSize;
            lzwDirty_ = std::max(lzwDirty_, codeLimit);
        }
    };

    for (;;) {
        code = readCode();
        if (code == endCode) break;
        if (code == clearCode) {
            codeSize = MinCodeSize + 1u;
            codeLimit = 1u << codeSize;
            nextCode = firstFree;
            do {
                code = readCode();
            } while (code == clearCode);
            if (code == endCode) break;
            if (code >= nextCode) code = 0;
            oldCode = code;
            firstChar = uint8_t(code);
            row[position++] = firstChar;
            if (position == rowWidth) {
                rowDone();
                position = 0;
            }
            continue;
        }

        // The string of the code is the string of `head`, plus firstChar when the code is not
        // defined yet (the one being defined now, or a corrupt one beyond it).
        const bool undefined = code >= nextCode;
        const uint32_t head = undefined ? oldCode : code;
        uint32_t current;
        // Fast path: a well-formed string is written straight into the row, chunk by chunk
        // from its end; rows it completes go out, and what is left moves to the start.
        const uint32_t headLength = head < firstFree ? 1 : head < nextCode ? length[head] : 0;
        if (headLength != 0) {
            const uint32_t total = headLength + (undefined ? 1 : 0);
            uint8_t* const start = row + position;
            uint8_t* const end = start + headLength;
            if (head < firstFree) {
                *start = uint8_t(head);
            } else {
                // The last chunk is stored as eight bytes, the rest of them past the string's
                // end, where later strings (or the tail of a short last row) go.
                uint8_t* out = end - (((headLength - 1) & 7) + 1);
                std::memcpy(out, &chunk[head], 8);
                for (uint32_t rest = chunkPrefix[head]; rest != kNoChunk; rest = chunkPrefix[rest]) {
                    out -= 8;
                    std::memcpy(out, &chunk[rest], 8);
                }
            }
            if (undefined) *end = firstChar;
            current = *start;
            position += total;
            defineCode(current);
            while (position >= rowWidth) {
                rowDone();
                position -= rowWidth;
                std::memmove(row, row + rowWidth, position);
            }
            continue;
        }

        // Any other string goes through the stack, last character first, and is popped into
        // the rows it spans. A corrupt chain (one that loops) ends at the stack's bound.
        uint32_t sp = 0;
        current = head;
        if (undefined) stack[sp++] = firstChar;
        while (current >= firstFree) {
            if (sp >= kLzwTableSize) Fail(kStackOverflow);
            stack[sp++] = suffix[current];
            current = prefix[current];
        }
        if (sp >= kLzwTableSize) Fail(kStackOverflow);
        stack[sp++] = uint8_t(current);
        defineCode(current);

        if (sp == 0) Fail(kStackEmpty);
        while (sp > 0) {
            const uint32_t n = std::min(sp, rowWidth - position);
            uint8_t* out = row + position;
            for (uint32_t k = 0; k < n; ++k) out[k] = stack[sp - 1 - k];
            sp -= n;
            position += n;
            if (position == rowWidth) {
                rowDone();
                position = 0;
            }
        }
    }
    // A short last row is drawn whole, its tail showing the previous row (zeros when there was
    // none).
    if (position > 0) {
        std::memcpy(row + position, lastRow + position, rowWidth - position);
        OutLine(row);
    }
    ReadByte(in);  // the block terminator (not checked)
}

void TGifDecoder::OutLine(const uint8_t* row) {
    const int32_t height = ImageHeight();
    if (RowsDone >= height || ImageWidth() == 0) Fail(kOutLineError);
    const int32_t y = ImageTop() + CurrentRow;
    if (y < Height) ComposeRow(row, y);

    if (Interlaced()) {
        // Passes whose first row lies outside the image have no rows: skip them, so that
        // images of 2 to 4 rows get exactly their rows, in GIF89a order.
        CurrentRow += kInterlaceStep[InterlacePass];
        while (CurrentRow >= height && InterlacePass < 3) {
            ++InterlacePass;
            CurrentRow = kInterlaceStart[InterlacePass];
        }
    } else {
        ++CurrentRow;
    }
    ++RowsDone;
}

// One image row into the target at screen row y; pixels past the screen's right edge are
// dropped, and the transparent index (when given) leaves the pixel below unchanged.
void TGifDecoder::ComposeRow(const uint8_t* row, int32_t y) {
    const int32_t left = ImageLeft();
    const int32_t count = std::min(ImageWidth(), Width - left);
    if (count <= 0) return;
    const bool keyed = HasTransparentColor();
    const uint8_t key = TransparentIndex();
    const uint32_t* const rgb = colors_->ImageRgb.data();

    switch (target_) {
        case TTarget::Palettised: {
            TSmileBitmap8& canvas = *target8_;
            const size_t stored = size_t(canvas.Height - 1 - y);
            uint8_t* pixels = canvas.Pixels.data() + stored * canvas.RowStride + left;
            uint8_t* mask =
                canvas.HasMask ? canvas.MaskBits.MutableData() + stored * canvas.MaskStride : nullptr;
            if (!keyed) {
                std::memcpy(pixels, row, size_t(count));
                if (mask) ClearMaskBits(mask, left, left + count);
                return;
            }
            // Pixel by pixel up to a mask byte boundary, then eight at a time, then the rest.
            int32_t i = 0;
            auto single = [&](int32_t at) {
                const uint8_t v = row[at];
                if (v == key) return;
                pixels[at] = v;
                if (mask) mask[(left + at) >> 3] &= uint8_t(~(0x80u >> ((left + at) & 7)));
            };
            for (; i < count && ((left + i) & 7) != 0; ++i) single(i);
            const uint64_t keys = key * 0x0101010101010101ull;
            for (; i + 8 <= count; i += 8) {
                uint64_t values, below;
                std::memcpy(&values, row + i, 8);
                std::memcpy(&below, pixels + i, 8);
                const uint64_t drawn = DrawnBytes(values, keys);
                const uint64_t select = (drawn >> 7) * 0xFF;
                const uint64_t merged = (values & select) | (below & ~select);
                std::memcpy(pixels + i, &merged, 8);
                if (mask) mask[(left + i) >> 3] &= uint8_t(~MaskByte(drawn));
            }
            for (; i < count; ++i) single(i);
            return;
        }
        case TTarget::TrueColor: {
            TSmileBitmap32& canvas = *target32_;
            const size_t stored = size_t(canvas.Height - 1 - y);
            uint32_t* pixels = canvas.Pixels.data() + stored * canvas.Width + left;
            uint8_t* mask =
                canvas.HasMask ? canvas.MaskBits.MutableData() + stored * canvas.MaskStride : nullptr;
            if (!keyed) {
                for (int32_t i = 0; i < count; ++i) pixels[i] = rgb[row[i]];
                if (mask) ClearMaskBits(mask, left, left + count);
                return;
            }
            for (int32_t i = 0; i < count; ++i) {
                const uint8_t v = row[i];
                if (v == key) continue;
                pixels[i] = rgb[v];
                if (mask) mask[(left + i) >> 3] &= uint8_t(~(0x80u >> ((left + i) & 7)));
            }
            return;
        }
        case TTarget::Platform: {
            TBitmap& bitmap = *targetBitmap_;
            uint32_t* pixels = bitmap.Canvas.Row(y) + left;
            uint32_t* mask = bitmap.Mask ? bitmap.Mask->Row(y) + left : nullptr;
            for (int32_t i = 0; i < count; ++i) {
                const uint8_t v = row[i];
                if (keyed && v == key) continue;
                pixels[i] = TSurface::kOpaque | rgb[v];
                if (mask) mask[i] = TSurface::kOpaque;  // black: opaque
            }
            return;
        }
    }
}

}  // namespace faceloom
