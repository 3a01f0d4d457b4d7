// faceloom-sample-pack FOLDER
// Writes the sample animated pack of the examples: nine little smiles of 20 x 24 pixels drawn
// here in code, a few frames each, and a "_define.ini" with Latin and Cyrillic signatures
// (Windows-1251 bytes). The pictures have ordinary names ("01-smile.gif", ...) that sort in
// smile order, as a pack author's folder would.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "support/gif_writer.h"

namespace {

using faceloom::test::GifImage;
using faceloom::test::GifPicture;
using faceloom::test::GifRgb;

constexpr int kWidth = 20;
constexpr int kHeight = 24;

// Palette indexes; 0 is the transparent colour of every frame.
enum : uint8_t { kClear = 0, kInk, kFace, kShade, kWhite, kRed, kBlue, kPink, kGlass, kCount };

const std::vector<GifRgb> kPalette = {
    {255, 255, 255},  // transparent
    {40, 30, 20},     // outline and eyes
    {255, 214, 51},   // face
    {230, 170, 20},   // shade
    {255, 255, 255},  // white
    {214, 40, 40},    // mouth, tongue
    {80, 150, 240},   // tear, letters
    {240, 90, 150},   // heart
    {20, 20, 60},     // sunglasses
};

class TCanvas {
public:
    TCanvas() : pixels_(kWidth * kHeight, kClear) {}

    void Set(int x, int y, uint8_t color) {
        if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) pixels_[y * kWidth + x] = color;
    }
    void Fill(int x0, int y0, int x1, int y1, uint8_t color) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y, color);
    }
    // Pixels whose centre lies within radius of (cx, cy).
    void Disc(double cx, double cy, double radius, uint8_t color) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius) Set(x, y, color);
    }
    // The pixels of the circle (cx, cy, radius) between the rows y0 and y1.
    void Arc(double cx, double cy, double radius, int y0, int y1, uint8_t color) {
        for (int y = y0; y <= y1; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (std::abs(d - radius) < 0.6) Set(x, y, color);
            }
    }
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

private:
    std::vector<uint8_t> pixels_;
};

// The round face every smile shares, lower part of the picture (rows 4..23).
TCanvas Face() {
    TCanvas c;
    c.Disc(10, 14, 9.4, kInk);
    c.Disc(10, 14, 8.5, kFace);
    c.Arc(10, 14, 7.6, 17, 21, kShade);
    return c;
}

void OpenEyes(TCanvas& c) {
    c.Fill(6, 10, 7, 12, kInk);
    c.Fill(12, 10, 13, 12, kInk);
}
void ClosedEye(TCanvas& c, int x) {
    c.Fill(x - 1, 12, x + 2, 12, kInk);
}
void Smile(TCanvas& c) {
    c.Arc(10, 13, 5, 16, 19, kInk);
}

struct TFrame {
    TCanvas canvas;
    int delayMs;
};

struct TSmileArt {
    const char* file;
    std::vector<const char*> signatures;  // UTF-8 here, Windows-1251 in the file
    std::vector<TFrame> frames;
};

std::vector<TSmileArt> Smiles() {
    std::vector<TSmileArt> smiles;

    {  // blinking smile
        TCanvas open = Face(), shut = Face();
        OpenEyes(open);
        Smile(open);
        ClosedEye(shut, 6);
        ClosedEye(shut, 12);
        Smile(shut);
        smiles.push_back({"01-smile.gif", {":-)", ":)", "привет"}, {{open, 2000}, {shut, 150}}});
    }
    {  // wink
        TCanvas open = Face(), wink = Face();
        OpenEyes(open);
        Smile(open);
        wink.Fill(6, 10, 7, 12, kInk);
        ClosedEye(wink, 12);
        Smile(wink);
        smiles.push_back({"02-wink.gif", {";-)", ";)"}, {{open, 1500}, {wink, 400}}});
    }
    {  // laughing: the mouth opens and closes
        std::vector<TFrame> frames;
        for (int i = 0; i < 4; ++i) {
            TCanvas c = Face();
            ClosedEye(c, 6);
            ClosedEye(c, 12);
            c.Fill(5, 11, 6, 11, kInk);
            c.Fill(13, 11, 14, 11, kInk);
            const int open = i % 2 == 0 ? 3 : 2;
            c.Fill(6, 16, 13, 16, kInk);
            c.Fill(7, 17, 12, 16 + open, kRed);
            c.Fill(7, 17, 12, 17, kWhite);
            frames.push_back({c, 120});
        }
        frames.front().delayMs = 1000;
        smiles.push_back({"03-laugh.gif", {":-D", ":D", "ха-ха"}, frames});
    }
    {  // sad, a tear rolls down
        std::vector<TFrame> frames;
        for (int i = 0; i < 3; ++i) {
            TCanvas c = Face();
            OpenEyes(c);
            c.Arc(10, 22, 4.5, 17, 19, kInk);
            c.Fill(13, 13 + 2 * i, 13, 14 + 2 * i, kBlue);
            frames.push_back({c, i == 0 ? 1200 : 250});
        }
        smiles.push_back({"04-sad.gif", {":-(", ":(", "грусть"}, frames});
    }
    {  // surprised: the mouth grows
        std::vector<TFrame> frames;
        for (int i = 0; i < 3; ++i) {
            TCanvas c = Face();
            c.Disc(7, 11, 1.6, kInk);
            c.Disc(13, 11, 1.6, kInk);
            c.Disc(10, 18, 1.2 + i * 0.7, kInk);
            frames.push_back({c, i == 2 ? 1500 : 200});
        }
        smiles.push_back({"05-surprised.gif", {":-O", ":o"}, frames});
    }
    {  // tongue out and in
        TCanvas in = Face(), out = Face();
        OpenEyes(in);
        OpenEyes(out);
        in.Fill(7, 17, 12, 17, kInk);
        out.Fill(7, 17, 12, 17, kInk);
        out.Fill(9, 18, 11, 20, kRed);
        smiles.push_back({"06-tongue.gif", {":-P", ":p"}, {{in, 900}, {out, 700}}});
    }
    {  // sunglasses with a moving glint
        std::vector<TFrame> frames;
        for (int i = 0; i < 3; ++i) {
            TCanvas c = Face();
            c.Fill(3, 10, 16, 10, kInk);
            c.Fill(4, 10, 8, 13, kGlass);
            c.Fill(11, 10, 15, 13, kGlass);
            c.Set(5 + 2 * i, 11, kWhite);
            c.Set(12 + 2 * i, 11, kWhite);
            Smile(c);
            frames.push_back({c, i == 0 ? 1800 : 150});
        }
        smiles.push_back({"07-cool.gif", {"B-)", "круто"}, frames});
    }
    {  // a heart pulses above the head
        std::vector<TFrame> frames;
        for (int i = 0; i < 2; ++i) {
            TCanvas c = Face();
            ClosedEye(c, 6);
            ClosedEye(c, 12);
            c.Disc(10, 17.5, 1.3, kRed);
            const double r = i == 0 ? 1.6 : 2.1;
            c.Disc(8.2, 2.4, r, kPink);
            c.Disc(11.8, 2.4, r, kPink);
            for (int y = 3; y <= 6; ++y)
                c.Fill(6 + (y - 3) + (i == 0 ? 1 : 0), y, 13 - (y - 3) - (i == 0 ? 1 : 0), y, kPink);
            frames.push_back({c, 400});
        }
        smiles.push_back({"08-love.gif", {":-*", "люблю"}, frames});
    }
    {  // asleep, no signature yet: a "z" floats up
        std::vector<TFrame> frames;
        for (int i = 0; i < 3; ++i) {
            TCanvas c = Face();
            ClosedEye(c, 6);
            ClosedEye(c, 12);
            c.Fill(8, 17, 11, 17, kInk);
            const int x = 14 + i;
            const int y = 4 - i;
            c.Fill(x, y, x + 2, y, kBlue);
            c.Set(x + 1, y + 1, kBlue);
            c.Fill(x, y + 2, x + 2, y + 2, kBlue);
            frames.push_back({c, 500});
        }
        smiles.push_back({"09-sleepy.gif", {}, frames});
    }
    return smiles;
}

GifPicture Encode(const TSmileArt& art) {
    GifPicture picture;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.globalColors = kPalette;
    picture.globalColors.resize(16);
    picture.loop = true;
    for (const TFrame& frame : art.frames) {
        GifImage image;
        image.width = kWidth;
        image.height = kHeight;
        image.pixels = frame.canvas.Pixels();
        image.disposal = 2;  // each frame is whole: restore to the background between them
        image.delay = static_cast<uint16_t>(frame.delayMs / 10);
        image.transparent = kClear;
        picture.images.push_back(std::move(image));
    }
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: faceloom-sample-pack FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "faceloom-sample-pack: cannot create %s: %s\n", argv[1], ec.message().c_str());
        return 1;
    }
    try {
        const std::vector<TSmileArt> smiles = Smiles();
        std::string define;
        for (size_t i = 0; i < smiles.size(); ++i) {
            faceloom::test::WriteGifFile((folder / smiles[i].file).string(), Encode(smiles[i]));
            // The editor's own line format: signatures joined by ",", a single space for a
            // smile without any, CR LF between lines and after a space line.
            std::string line;
            for (const char* signature : smiles[i].signatures) {
                if (!line.empty()) line += ',';
                line += faceloom::Utf8ToCodePage(signature);
            }
            if (line.empty()) {
                define += " \r\n";
            } else {
                define += line;
                if (i + 1 < smiles.size()) define += "\r\n";
            }
        }
        std::ofstream out(folder / "_define.ini", std::ios::binary | std::ios::trunc);
        out << define;
        if (!out.flush()) throw std::runtime_error("cannot write _define.ini");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "faceloom-sample-pack: %s\n", error.what());
        return 1;
    }
    return 0;
}
