// faceloom-sample-pack FOLDER
// Writes the sample animated pack of the examples: forty smiles drawn here in code (faces,
// gestures and things, 19 to 48 pixels), a few frames each, and a "_define.ini" with Latin
// and Cyrillic signatures (Windows-1251 bytes). The pictures have ordinary names
// ("01-smile.gif", ...) that sort in smile order, as a pack author's folder would. The output
// is the same bytes on every run.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "smiles.h"
#include "support/gif_writer.h"

namespace {

using faceloom::test::GifImage;
using faceloom::test::GifPicture;
using faceloom::test::GifRgb;
using sample::TFrame;
using sample::TSmileArt;

std::vector<GifRgb> Palette(const TFrame* frame = nullptr) {
    std::vector<GifRgb> colors;
    for (const sample::TRgb& c : sample::kPalette) colors.push_back({c.r, c.g, c.b});
    if (frame)
        for (const auto& [index, rgb] : frame->recolor) colors.at(index) = {rgb.r, rgb.g, rgb.b};
    return colors;
}

// The smallest rectangle holding every pixel in which `next` differs from `shown`. A delta
// frame can only cover pixels, never uncover them, so a pixel turning transparent is refused.
struct TRect {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive; empty when right < left
};
TRect ChangedRect(const sample::TCanvas& shown, const sample::TCanvas& next, const std::string& file) {
    TRect rect{next.Width(), next.Height(), -1, -1};
    for (int y = 0; y < next.Height(); ++y)
        for (int x = 0; x < next.Width(); ++x) {
            if (shown.At(x, y) == next.At(x, y)) continue;
            if (next.At(x, y) == sample::kClear)
                throw std::runtime_error(file + ": a delta frame would uncover a pixel");
            rect.left = std::min(rect.left, x);
            rect.top = std::min(rect.top, y);
            rect.right = std::max(rect.right, x);
            rect.bottom = std::max(rect.bottom, y);
        }
    if (rect.right < 0) rect = {0, 0, 0, 0};  // nothing changed: one unchanged pixel
    return rect;
}

GifPicture Encode(const TSmileArt& art) {
    const sample::TCanvas& first = art.frames.at(0).canvas;
    GifPicture picture;
    picture.width = uint16_t(first.Width());
    picture.height = uint16_t(first.Height());
    picture.globalColors = Palette();
    picture.loop = true;
    for (size_t i = 0; i < art.frames.size(); ++i) {
        const TFrame& frame = art.frames[i];
        if (frame.canvas.Width() != first.Width() || frame.canvas.Height() != first.Height())
            throw std::runtime_error(art.file + ": frames of different sizes");
        GifImage image;
        image.delay = uint16_t(frame.delayMs / 10);
        image.transparent = sample::kClear;
        if (!frame.recolor.empty()) image.localColors = Palette(&frame);
        if (art.deltaFrames && i > 0) {
            const TRect r = ChangedRect(art.frames[i - 1].canvas, frame.canvas, art.file);
            image.left = uint16_t(r.left);
            image.top = uint16_t(r.top);
            image.width = uint16_t(r.right - r.left + 1);
            image.height = uint16_t(r.bottom - r.top + 1);
            for (int y = r.top; y <= r.bottom; ++y)
                for (int x = r.left; x <= r.right; ++x) image.pixels.push_back(frame.canvas.At(x, y));
        } else {
            image.width = picture.width;
            image.height = picture.height;
            image.pixels = frame.canvas.Pixels();
        }
        // Delta frames build on what is shown; whole frames are cleared to the background
        // before the next.
        image.disposal = art.deltaFrames ? 1 : 2;
        picture.images.push_back(std::move(image));
    }
    return picture;
}

// The definition line of one smile in the editor's own format: signatures joined by ",".
// A comma inside a signature or a character outside Windows-1251 would silently change the
// pack, and the same signature on two smiles would make the sample fail its own check.
std::string DefineLine(const TSmileArt& art, std::vector<std::string>& seen) {
    std::string line;
    for (const std::string& signature : art.signatures) {
        const std::string bytes = faceloom::Utf8ToCodePage(signature);
        if (signature.empty() || signature.find(',') != std::string::npos ||
            faceloom::CodePageToUtf8(bytes) != signature)
            throw std::runtime_error(art.file + ": signature \"" + signature + "\" cannot be written");
        for (const std::string& other : seen)
            if (faceloom::SameTextFolded(other, bytes))
                throw std::runtime_error(art.file + ": signature \"" + signature + "\" is used twice");
        seen.push_back(bytes);
        if (!line.empty()) line += ',';
        line += bytes;
    }
    return line;
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
        // Everything is made and checked before the first file is written.
        const std::vector<TSmileArt> smiles = sample::Smiles();
        std::string define;
        std::vector<std::string> seen;
        std::vector<std::pair<std::string, GifPicture>> pictures;
        for (size_t i = 0; i < smiles.size(); ++i) {
            pictures.emplace_back(smiles[i].file, Encode(smiles[i]));
            // A single space for a smile without signatures; CR LF between lines and after a
            // space line.
            const std::string line = DefineLine(smiles[i], seen);
            if (line.empty()) {
                define += " \r\n";
            } else {
                define += line;
                if (i + 1 < smiles.size()) define += "\r\n";
            }
        }
        std::set<std::string> written;
        for (const auto& [file, picture] : pictures) {
            faceloom::test::WriteGifFile((folder / file).string(), picture);
            written.insert(file);
        }
        std::ofstream out(folder / "_define.ini", std::ios::binary | std::ios::trunc);
        out << define;
        if (!out.flush()) throw std::runtime_error("cannot write _define.ini");
        // Pictures of an earlier sample would pair with the lines in name order: remove them.
        // Only names of the sample's own form ("07-cool.gif") go, should the folder hold more.
        std::vector<std::filesystem::path> stale;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            const bool ours = lower.size() > 7 && std::isdigit((unsigned char)lower[0]) &&
                              std::isdigit((unsigned char)lower[1]) && lower[2] == '-' &&
                              lower.compare(lower.size() - 4, 4, ".gif") == 0;
            if (entry.is_regular_file() && ours && !written.count(name)) stale.push_back(entry.path());
        }
        for (const std::filesystem::path& path : stale) std::filesystem::remove(path);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "faceloom-sample-pack: %s\n", error.what());
        return 1;
    }
    return 0;
}
