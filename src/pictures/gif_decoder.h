#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pictures/picture_decoder.h"
#include "pictures/stream.h"
#include "platform/byte_cursor.h"

namespace faceloom {

class TBitmap;
class TSmileBitmap;
class TSmileBitmap8;
class TSmileBitmap32;

// The GIF decoder (GIF87a and GIF89a): one frame per image block, composed over the previous
// frames as the disposal methods say, and one delay per frame. It reads the stream in one
// pass with its own block reader and LZW decompressor.
//
// Failures are EAbort exceptions with the Russian messages below; a zero-length sub-block in
// the middle of the image data is EDataBlockError, which the own-frames variant tolerates for
// images that do not restore the previous frame:
//   "Неверные данные заголовка"   signature/version wrong; logical screen empty or over 16
//                                 megapixels
//   "Файл урезан"                 a read found fewer bytes than it needs
//   "Неожиданное окончание файла" a skip would reach or pass the end of the stream
//   "Ошибка в данных"             graphic control size byte not 4; minimum code size not 2..9;
//                                 frames and canvases would hold more than MaxFrameBytes; a file
//                                 larger than kMaxFileBytes
//   ETooLargeForMemory            a frame or canvas would pass the pack's Budget
//   "Неожиданное окончание блока" (EDataBlockError) the sub-blocks ended while codes are due
//   "Переполнение стека"          an LZW string longer than the 4097-entry stack
//   "Стек пуст"                   a pop from the empty stack
//   "Ошибка в OutLine"            pixel data beyond width x height of the image
class TGifDecoder : public TPictureDecoder {
public:
    // Opens the file (EFOpenError when it cannot be); the picture closes it after Decode.
    explicit TGifDecoder(const std::string& FileName);
    // Reads Stream from its current position; the caller keeps it open until Decode returns.
    explicit TGifDecoder(TStream& Stream);

    void Decode() override;

    // Largest file read: the decoder reads the stream whole, and no smile comes near this.
    static constexpr uint64_t kMaxFileBytes = 256ull << 20;

    // Most bytes the frames of one picture and its work canvases may hold, counted before
    // each is allocated; a picture needing more fails with "Ошибка в данных". A few bytes of
    // image data can stand for a whole frame, so without a bound a small file could ask for
    // gigabytes; smiles need a tiny fraction of this.
    uint64_t MaxFrameBytes = 256 * 1024 * 1024;

protected:
    ~TGifDecoder() override;

private:
    struct TLzwTables;
    struct TColorTables;
    enum class TTarget : uint8_t { Palettised, TrueColor, Platform };

    // Output variants.
    void DecodeSmileBitmaps();
    void DecodePlatformBitmaps();

    // Block structure.
    void ReadHeader();
    void ReadGlobalColorTable();
    void ReadBlocks();
    void ReadImageDescriptor();
    void ReadLocalColorTable();
    void StartImageData();
    void PrepareImageColors();

    // The LZW image decoder: writes the image's rows through OutLine into the target.
    void DecodeImage();
    void OutLine(const uint8_t* row);
    void ComposeRow(const uint8_t* row, int32_t y);

    // Own-frames helpers.
    void SwitchToTrueColor();
    std::unique_ptr<TSmileBitmap8> CopyCanvas8();
    std::unique_ptr<TSmileBitmap32> CopyCanvas32();
    void ShareMaskWithPrevious(TSmileBitmap& frame) const;
    void ReserveFrame(uint64_t rowBytes, uint64_t headerBytes, bool canvas = false);
    void FillImageRect();
    void AppendDelay();

    void LoadBytes();
    void ReleaseWorkState();

    // Image descriptor and graphic control fields.
    int32_t ImageLeft() const { return ImageDescriptor[0] | (ImageDescriptor[1] << 8); }
    int32_t ImageTop() const { return ImageDescriptor[2] | (ImageDescriptor[3] << 8); }
    int32_t ImageWidth() const { return ImageDescriptor[4] | (ImageDescriptor[5] << 8); }
    int32_t ImageHeight() const { return ImageDescriptor[6] | (ImageDescriptor[7] << 8); }
    bool Interlaced() const { return (ImageDescriptor[8] & 0x40) != 0; }
    int32_t DisposalMethod() const { return (GraphicControl[0] >> 2) & 7; }
    bool HasTransparentColor() const { return (GraphicControl[0] & 1) != 0; }
    uint8_t TransparentIndex() const { return GraphicControl[3]; }

    bool Finished = false;
    std::array<uint8_t, 13> Header{};
    int32_t GlobalColorCount = 0;
    bool HasLocalColorTable = false;
    int32_t LocalColorCount = 0;
    std::array<uint8_t, 9> ImageDescriptor{};
    // Carried from one image to the next until another graphic control extension comes.
    std::array<uint8_t, 4> GraphicControl{};
    bool UseTrueColor = false;
    uint8_t FirstTransparentIndex = 0;

    int32_t CurrentRow = 0;
    int32_t RowsDone = 0;
    int32_t InterlacePass = 0;
    uint16_t MinCodeSize = 0;
    uint16_t ClearCode = 0;
    uint16_t EndCode = 0;
    uint16_t FirstFreeCode = 0;

    // Work state of one Decode, released when it ends (a decoded picture lives as long as its
    // smile, so it keeps nothing but its frames and delays): the bytes of the stream from its
    // position to its end and the one cursor over them, the LZW tables and how many of their
    // entries an earlier image may have written.
    std::vector<uint8_t> bytes_;
    TByteCursor in_;
    std::unique_ptr<TLzwTables> lzw_;
    uint32_t lzwDirty_ = 0;
    std::vector<uint8_t> rowBuffer_;
    // Bytes held by the frames and canvases made so far (bounded against decompression bombs),
    // and those of the canvases, which go when the decoding ends.
    uint64_t frameBytes_ = 0;
    uint64_t canvasBytes_ = 0;
    // The global and local colour tables and the colours of the current image's table.
    std::unique_ptr<TColorTables> colors_;
    // The composed image: palettised and (from the switch on) true-colour canvases of the
    // own-frames variant, or the platform bitmap with its mask.
    std::unique_ptr<TSmileBitmap8> canvas8_;
    std::unique_ptr<TSmileBitmap32> canvas32_;
    std::unique_ptr<TBitmap> composed_;
    // Where OutLine draws: a canvas, or a copy of it for an image restoring the previous frame.
    TTarget target_ = TTarget::Palettised;
    TSmileBitmap8* target8_ = nullptr;
    TSmileBitmap32* target32_ = nullptr;
    TBitmap* targetBitmap_ = nullptr;
};

}  // namespace faceloom
