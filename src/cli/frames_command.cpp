#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/frame_pixels.h"
#include "cli/png_writer.h"
#include "cli/report_format.h"
#include "pictures/bmp_decoder.h"
#include "pictures/gif_decoder.h"
#include "pictures/smile_bitmap.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom::cli {

namespace {

const char kFramesHelp[] =
    "Usage: faceloom-pack frames [--static|--animated] [--out DIR] PICTURE\n"
    "\n"
    "Decodes one picture exactly as the editor decodes a smile of the pack kind asked (its\n"
    "own frames, with transparency, over a white background) and prints\n"
    "\n"
    "  {\"frames\":N,\"width\":W,\"height\":H,\"delays\":[...],\"depth\":[...]}\n"
    "\n"
    "with the display time of every frame in milliseconds and the colour depth of every\n"
    "frame (8 palettised, 32 true colour). The decoder is chosen by the kind, not by the\n"
    "file: a BMP file needs --static.\n"
    "\n"
    "With --out the frames are written as DIR/frame-000.png, DIR/frame-001.png, ... (DIR\n"
    "is created when missing; other files in it are left alone): 8-bit RGBA, alpha 0\n"
    "where the frame's mask makes the pixel transparent and 255 elsewhere.\n"
    "\n"
    "Options:\n"
    "  --animated  decode as a GIF picture of an animated pack (default)\n"
    "  --static    decode as a BMP picture of a static pack\n"
    "  --out DIR   write the frames as PNG files into DIR\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 when the picture was decoded (and its frames written); 1 when it cannot\n"
    "be decoded (the decoder's message goes to the error stream, no file is written); 2 on\n"
    "a usage error, a picture that cannot be opened, or frames that cannot be written.\n";

std::string FrameFileName(size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%03zu.png", index);
    return name;
}

int RunFrames(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 1, 1, "PICTURE");
    const uint8_t kind = PackKindOf(args);
    const std::string& path = args.Positionals[0];
    if (args.Has("--out") && args.Value("--out").empty()) {
        throw EUsageError("--out needs a folder");
    }

    TRef<TPictureDecoder> picture;
    try {
        if (kind == 0) {
            picture.reset(new TBmpDecoder(path));
        } else {
            picture.reset(new TGifDecoder(path));
        }
    } catch (const std::exception& error) {
        PrintError(io, "cannot open '" + path + "': " + error.what());
        return kExitUsage;
    }
    picture->WantSmileBitmaps = true;
    picture->WantTransparent = true;
    try {
        picture->Decode();
    } catch (const std::exception& error) {
        io.Err << error.what() << "\n";
        return kExitProblems;
    }

    const int32_t frameCount = picture->GetFrameCount();
    std::vector<int32_t> delays;
    std::vector<int> depths;
    for (int32_t i = 0; i < frameCount; ++i) {
        const TSmileBitmap* frame = picture->GetSmileBitmap(i);
        delays.push_back(picture->GetDelay(i));
        depths.push_back(frame != nullptr ? FrameDepth(*frame) : 0);
    }

    if (args.Has("--out")) {
        const std::string folder = IncludeTrailingSeparator(args.Value("--out"));
        if (!ForceDirectories(folder)) {
            PrintError(io, "cannot create the folder '" + args.Value("--out") + "'");
            return kExitUsage;
        }
        for (int32_t i = 0; i < frameCount; ++i) {
            const TSmileBitmap* frame = picture->GetSmileBitmap(i);
            const std::string file = folder + FrameFileName(static_cast<size_t>(i));
            if (frame == nullptr) {
                PrintError(io, "frame " + std::to_string(i) + " has no pixels; " + file + " not written");
                return kExitUsage;
            }
            WritePng(file, FrameToRgba(*frame));  // throws with the file's name
        }
    }
    io.Out << FormatFramesJson(picture->Width, picture->Height, delays, depths);
    return kExitOk;
}

}  // namespace

const TCommand kFramesCommand{
    "frames",    "decode one picture; print its frames, optionally write them as PNG",
    kFramesHelp, {{"--static", false}, {"--animated", false}, {"--out", true}},
    RunFrames,
};

}  // namespace faceloom::cli
