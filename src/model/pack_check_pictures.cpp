// Picture findings: missing, damaged and foreign files, identical pictures, sizes far from
// the pack's median, and GIF layouts the decoder tolerates but the pack should not hold.
// Works on the frames already decoded; the files are read once more only for what decoding
// does not keep (raw delays, frame rectangles, sizes in bytes, a failed decoder's message).
#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "animation/smile.h"
#include "lang/builtin_texts.h"
#include "lang/lang.h"
#include "model/pack_check_parts.h"
#include "pictures/bmp_decoder.h"
#include "pictures/decoder_errors.h"
#include "pictures/gif_decoder.h"
#include "pictures/picture_decoder.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "platform/byte_cursor.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace faceloom::check {

namespace {

// 128 bits from two independent 64-bit mixes: equal pictures are grouped by hash alone, with
// no pairwise comparison, so a collision must be out of the question.
struct TPictureHash {
    uint64_t A = 0xcbf29ce484222325ull;
    uint64_t B = 0x9e3779b97f4a7c15ull;
    void Add(uint64_t v) {
        A = (A ^ v) * 0x100000001b3ull;
        B = (B + v) * 0xff51afd7ed558ccdull;
        B ^= B >> 29;
    }
    bool operator==(const TPictureHash&) const = default;
};
struct THashKey {
    size_t operator()(const TPictureHash& h) const { return static_cast<size_t>(h.A ^ (h.B << 1)); }
};

constexpr uint64_t kTransparentPixel = 0x1000000;  // outside every 0x00RRGGBB colour

// One row's visible colours, every transparent pixel alike whatever colour it keeps.
template <class Colour>
void HashRow(const TSmileBitmap& frame, size_t storedRow, size_t width, Colour colour, TPictureHash& hash) {
    const uint8_t* mask =
        frame.HasMask ? frame.MaskBits.data() + storedRow * static_cast<size_t>(frame.MaskStride) : nullptr;
    auto visible = [&](size_t x) -> uint64_t {
        return mask != nullptr && (mask[x / 8] & (0x80 >> (x % 8))) != 0 ? kTransparentPixel : colour(x);
    };
    size_t x = 0;
    for (; x + 1 < width; x += 2) hash.Add(visible(x) << 32 | visible(x + 1));
    if (x < width) hash.Add(visible(x));
}

// Hashes what the frame shows. False for a frame that is not one of the own kinds or whose
// buffers do not fit its size.
bool HashFrame(const TFrameObject* object, TPictureHash& hash) {
    const auto* frame = dynamic_cast<const TSmileBitmap*>(object);
    if (frame == nullptr || !frame->Allocated || frame->Width <= 0 || frame->Height <= 0) return false;
    const size_t width = static_cast<size_t>(frame->Width);
    const size_t height = static_cast<size_t>(frame->Height);
    if (frame->HasMask && (static_cast<size_t>(frame->MaskStride) * 8 < width ||
                           frame->MaskBits.size() < static_cast<size_t>(frame->MaskStride) * height)) {
        return false;
    }
    hash.Add(width << 32 | height);
    if (const auto* frame8 = dynamic_cast<const TSmileBitmap8*>(frame)) {
        const size_t stride = static_cast<size_t>(frame8->RowStride);
        if (stride < width || frame8->Pixels.size() < stride * height) return false;
        uint32_t palette[256];
        for (int32_t i = 0; i < 256; ++i) palette[i] = frame8->GetPaletteEntry(i);
        for (size_t r = 0; r < height; ++r) {
            const uint8_t* row = frame8->Pixels.data() + r * stride;
            HashRow(
                *frame, r, width, [&](size_t x) { return palette[row[x]]; }, hash);
        }
        return true;
    }
    if (const auto* frame32 = dynamic_cast<const TSmileBitmap32*>(frame)) {
        if (frame32->Pixels.size() < width * height) return false;
        for (size_t r = 0; r < height; ++r) {
            const uint32_t* row = frame32->Pixels.data() + r * width;
            HashRow(
                *frame, r, width, [&](size_t x) { return row[x] & 0xffffffu; }, hash);
        }
        return true;
    }
    return false;
}

// What can be had without touching a pixel: the size, the frames and their delays. Only
// pictures that share it with another need their pixels hashed.
TPictureHash ShapeOf(const TPictureDecoder& picture) {
    TPictureHash hash;
    hash.Add(static_cast<uint64_t>(picture.Frames.size()));
    hash.Add(static_cast<uint64_t>(static_cast<uint32_t>(picture.Width)) << 32 |
             static_cast<uint32_t>(picture.Height));
    for (size_t k = 0; k < picture.Frames.size(); ++k) {
        hash.Add(static_cast<uint64_t>(static_cast<uint32_t>(picture.GetDelay(static_cast<int32_t>(k)))));
    }
    return hash;
}

std::optional<TPictureHash> HashPicture(const TPictureDecoder& picture) {
    TPictureHash hash = ShapeOf(picture);
    for (size_t k = 0; k < picture.Frames.size(); ++k) {
        if (!HashFrame(picture.Frames[k].get(), hash)) return std::nullopt;
    }
    return hash;
}

// What a GIF file says about itself beyond the composed frames.
struct TGifLayout {
    int32_t Frames = 0;
    bool AllDelaysZero = true;
    int32_t FirstOutside = -1;  // the first frame reaching outside the logical screen
};

bool SkipSubBlocks(TByteCursor& in) {
    for (;;) {
        uint8_t size = 0;
        if (!in.ReadU8(size)) return false;
        if (size == 0) return true;
        if (!in.Skip(size)) return false;
    }
}

// Walks the blocks as far as they are well formed; a damaged tail just ends the walk (the
// decoder has its own say about it).
TGifLayout WalkGif(std::string_view bytes) {
    TGifLayout layout;
    TByteCursor in(bytes);
    uint16_t screenWidth = 0;
    uint16_t screenHeight = 0;
    uint8_t packed = 0;
    if (!in.Skip(6) || !in.ReadU16(screenWidth) || !in.ReadU16(screenHeight) || !in.ReadU8(packed) ||
        !in.Skip(2)) {
        return layout;
    }
    if ((packed & 0x80) != 0 && !in.Skip(3u << ((packed & 7) + 1))) return layout;
    uint16_t delay = 0;  // carried from one image to the next, as the decoder does
    for (;;) {
        uint8_t introducer = 0;
        if (!in.ReadU8(introducer)) return layout;
        if (introducer == 0x21) {
            uint8_t label = 0;
            if (!in.ReadU8(label)) return layout;
            if (label == 0xf9) {
                uint8_t size = 0;
                uint8_t flags = 0;
                if (!in.ReadU8(size)) return layout;
                if (size >= 4) {
                    if (!in.ReadU8(flags) || !in.ReadU16(delay) || !in.Skip(size - 3u)) return layout;
                } else if (!in.Skip(size)) {
                    return layout;
                }
            }
            if (!SkipSubBlocks(in)) return layout;
        } else if (introducer == 0x2c) {
            uint16_t left = 0, top = 0, width = 0, height = 0;
            uint8_t local = 0;
            if (!in.ReadU16(left) || !in.ReadU16(top) || !in.ReadU16(width) || !in.ReadU16(height) ||
                !in.ReadU8(local)) {
                return layout;
            }
            if ((local & 0x80) != 0 && !in.Skip(3u << ((local & 7) + 1))) return layout;
            if (layout.FirstOutside < 0 && (left + width > screenWidth || top + height > screenHeight)) {
                layout.FirstOutside = layout.Frames;
            }
            if (delay != 0) layout.AllDelaysZero = false;
            ++layout.Frames;
            if (!in.Skip(1) || !SkipSubBlocks(in)) return layout;
        } else {
            return layout;  // the trailer, or bytes no GIF block starts with
        }
    }
}

// The decoder's reason for a file that failed to decode, in the input's language.
std::string DecoderMessage(const std::string& path, const TCheckInput& input) {
    try {
        TRef<TPictureDecoder> picture(input.Kind == 1 ? static_cast<TPictureDecoder*>(new TGifDecoder(path))
                                                      : static_cast<TPictureDecoder*>(new TBmpDecoder(path)));
        picture->WantSmileBitmaps = true;
        picture->Decode();
    } catch (const std::exception& error) {
        const int id = DecoderMessageTextId(error);
        if (id == 0) return error.what();
        return Utf16ToUtf8(input.Texts ? input.Texts(id) : std::u16string(BuiltinText(id)));
    } catch (...) {
    }
    return {};
}

// Why a picture is too large for memory, in the input's language.
std::string TooLargeForMemoryReason(const TCheckInput& input) {
    const std::u16string text = input.Texts ? input.Texts(kCheckTextTooLargeForMemory)
                                            : std::u16string(BuiltinText(kCheckTextTooLargeForMemory));
    const std::string megabytes = std::to_string(input.FrameBudget >> 20);
    return Utf16ToUtf8(FillPlaceholders(text, {megabytes}));
}

// The other pack kind's format, by the file's first bytes.
const char* OtherKindOf(std::string_view bytes, uint8_t kind) {
    if (kind == 1 && bytes.substr(0, 2) == "BM") return "BMP";
    if (kind == 0 && bytes.substr(0, 4) == "GIF8") return "GIF";
    return nullptr;
}

int64_t Median(std::vector<int64_t> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

struct TSized {
    int32_t Smile = 0;
    int64_t Area = 0;
    int64_t Bytes = -1;  // -1: not known
    std::string Size;    // "W×H"
};

}  // namespace

bool SamePicture(const TSmile& a, const TSmile& b) {
    const TRef<TPictureDecoder> first = a.PictureRef();
    const TRef<TPictureDecoder> second = b.PictureRef();
    if (!first || !second) return false;
    const std::optional<TPictureHash> one = HashPicture(*first);
    return one && one == HashPicture(*second);
}

void CheckPictures(const TCheckInput& input, TFindings& findings) {
    const bool files = !input.WorkingFolder.empty() && input.PictureName;
    std::vector<TSized> sized;
    std::unordered_map<TPictureHash, std::vector<int32_t>, THashKey> byShape;

    for (size_t s = 0; s < input.Smiles.size(); ++s) {
        const int32_t smile = static_cast<int32_t>(s);
        const TSmile* entry = input.Smiles[s];
        if (entry == nullptr) continue;
        const std::string file = input.PictureName ? input.PictureName(smile) : std::string();
        const std::string path = files ? input.WorkingFolder + file : std::string();
        // What the findings call it: the user's own file where known.
        const std::string name = input.ShownName ? input.ShownName(smile) : file;
        TRef<TPictureDecoder> picture = entry->PictureRef();
        // A picture that is missing or cannot be read: another picture, or the smile goes.
        const std::vector<std::string>& signatures = entry->Signatures.Items();
        const TCheckFix replace{TFixAction::ReplacePicture, smile, -1, signatures};
        const TCheckFix remove{TFixAction::DeleteSmile, smile, -1, signatures};

        if (entry->LoadError && entry->TooLargeForMemory) {
            // Not decoded again: it would only take the memory the budget keeps it from.
            findings.Add(TCheckKind::DamagedPicture, {smile}, {},
                         {SmileNumber(smile), name, TooLargeForMemoryReason(input)}, replace, remove);
            continue;
        }
        if (entry->LoadError) {
            const std::optional<std::string> bytes = files ? ReadWholeFile(path) : std::nullopt;
            if (const char* other = bytes ? OtherKindOf(*bytes, input.Kind) : nullptr) {
                findings.Add(TCheckKind::OtherKindPicture, {smile}, {}, {SmileNumber(smile), name, other},
                             replace, remove);
            } else {
                findings.Add(TCheckKind::DamagedPicture, {smile}, {},
                             {SmileNumber(smile), name, files ? DecoderMessage(path, input) : std::string()},
                             replace, remove);
            }
            continue;
        }
        if (!picture) {
            findings.Add(TCheckKind::MissingPicture, {smile}, {}, {SmileNumber(smile), name}, replace,
                         remove);
            continue;
        }

        TSized size{smile, int64_t{picture->Width} * picture->Height, -1,
                    std::to_string(picture->Width) + "\u00d7" + std::to_string(picture->Height)};
        if (files && input.Kind == 1) {
            if (const std::optional<std::string> bytes = ReadWholeFile(path)) {
                size.Bytes = static_cast<int64_t>(bytes->size());
                const TGifLayout layout = WalkGif(*bytes);
                if (layout.FirstOutside >= 0) {
                    findings.Add(TCheckKind::FrameOutsideScreen, {smile}, {},
                                 {SmileNumber(smile), std::to_string(layout.FirstOutside + 1)});
                }
                if (layout.Frames > 1 && layout.AllDelaysZero) {
                    findings.Add(TCheckKind::ZeroDelays, {smile}, {}, {SmileNumber(smile)});
                }
            }
        } else if (files) {
            std::error_code error;
            const uintmax_t bytes = std::filesystem::file_size(path, error);
            if (!error) size.Bytes = static_cast<int64_t>(bytes);
        }
        if (input.Kind == 1 && picture->GetFrameCount() == 1) {
            findings.Add(TCheckKind::SingleFrame, {smile}, {}, {SmileNumber(smile)});
        }
        sized.push_back(std::move(size));
        byShape[ShapeOf(*picture)].push_back(smile);
    }

    // Identical pictures: pixels hashed only within groups of equal shape, in smile order.
    std::vector<std::pair<int32_t, int32_t>> identical;  // later smile, first smile
    for (const auto& [shape, smiles] : byShape) {
        if (smiles.size() < 2) continue;
        std::unordered_map<TPictureHash, int32_t, THashKey> firstWithPicture;
        for (int32_t smile : smiles) {
            const TRef<TPictureDecoder> picture = input.Smiles[static_cast<size_t>(smile)]->PictureRef();
            if (const std::optional<TPictureHash> hash = HashPicture(*picture)) {
                const auto [first, isNew] = firstWithPicture.emplace(*hash, smile);
                if (!isNew) identical.emplace_back(smile, first->second);
            }
        }
    }
    std::sort(identical.begin(), identical.end());
    for (const auto& [smile, was] : identical) {
        // Deleting the later smile is safe only when the earlier one keeps everything it can
        // be typed by; otherwise the user merges them by hand.
        const std::vector<std::string>& mine = input.Smiles[static_cast<size_t>(smile)]->Signatures.Items();
        const std::vector<std::string>& theirs = input.Smiles[static_cast<size_t>(was)]->Signatures.Items();
        const bool covered = std::all_of(mine.begin(), mine.end(), [&](const std::string& signature) {
            return std::find(theirs.begin(), theirs.end(), signature) != theirs.end();
        });
        TCheckFix fix;
        if (covered) fix = TCheckFix{TFixAction::DeleteSmile, smile, -1, mine, was};
        findings.Add(TCheckKind::IdenticalPictures, {smile, was}, {}, {SmileNumber(smile), SmileNumber(was)},
                     std::move(fix));
    }

    const TCheckLimits& limits = findings.Limits();
    if (static_cast<int32_t>(sized.size()) < std::max(limits.MinPicturesForMedian, 1)) return;
    std::vector<int64_t> areas;
    std::vector<int64_t> byteSizes;
    for (const TSized& s : sized) {
        areas.push_back(s.Area);
        if (s.Bytes >= 0) byteSizes.push_back(s.Bytes);
    }
    const int64_t medianArea = Median(areas);
    const int64_t medianBytes = static_cast<int32_t>(byteSizes.size()) >= limits.MinPicturesForMedian
                                    ? Median(byteSizes)
                                    : int64_t{0};
    for (const TSized& s : sized) {
        if (medianArea > 0 && s.Area >= limits.AreaFactor * medianArea) {
            findings.Add(TCheckKind::LargeArea, {s.Smile}, {},
                         {SmileNumber(s.Smile), s.Size, std::to_string(s.Area / medianArea)});
        }
        if (medianBytes > 0 && s.Bytes >= limits.BytesFactor * medianBytes &&
            s.Bytes >= limits.MinLargeBytes) {
            findings.Add(
                TCheckKind::LargeFile, {s.Smile}, {},
                {SmileNumber(s.Smile), std::to_string(s.Bytes), std::to_string(s.Bytes / medianBytes)});
        }
    }
}

}  // namespace faceloom::check
