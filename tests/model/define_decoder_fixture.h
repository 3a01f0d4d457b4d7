#pragma once

// Shared set-up of the pack model tests: a private storage area, a folder for pack sources,
// pictures that tell by their width which one they are, and a recorder of the model's events.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/define_decoder.h"
#include "pictures/bmp_decoder.h"
#include "pictures/gif_decoder.h"
#include "pictures/picture_decoder.h"
#include "support/pack_builder.h"
#include "support/temp_dir.h"

namespace faceloom::test {

// Picture k is 10 + k pixels wide.
inline int PictureWidth(int id) {
    return 10 + id;
}

// The id of the picture a smile holds, -1 without picture.
inline int PictureId(const TSmile* smile) {
    if (smile == nullptr) return -2;
    const TPictureDecoder* picture = smile->Picture.load();
    return picture ? picture->Width - 10 : -1;
}

class ModelTest : public ::testing::Test {
protected:
    // A source picture file of the given kind and id in the sources folder (or elsewhere).
    std::string Picture(int id, uint8_t kind = kAnimatedPack, const std::string& folder = "") {
        const std::string dir = folder.empty() ? sources.folder() : folder;
        const std::string path = dir + "src" + std::to_string(id) + (kind == kAnimatedPack ? ".gif" : ".bmp");
        if (kind == kAnimatedPack) {
            WriteGif(path, PictureWidth(id), 12, 2, id);
        } else {
            WriteBmp(path, PictureWidth(id), 12, id);
        }
        return path;
    }

    // A pack folder holding the given pictures (name -> id) and "_define.ini".
    std::string MakePack(const std::string& name, const std::vector<std::pair<std::string, int>>& pictures,
                         const std::string& define, uint8_t kind = kAnimatedPack) {
        const std::string folder = sources.folder() + name + "/";
        WriteDefine(folder, define);
        for (const auto& [file, id] : pictures) {
            if (kind == kAnimatedPack) {
                WriteGif(folder + file, PictureWidth(id), 12, 2, id);
            } else {
                WriteBmp(folder + file, PictureWidth(id), 12, id);
            }
        }
        return folder;
    }

    std::unique_ptr<TDefineDecoder> NewModel(const std::string& mode = "Storage") {
        return std::make_unique<TDefineDecoder>(mode);
    }

    // Picture ids of the current pack's smiles in order.
    static std::vector<int> Ids(const TDefineDecoder& model) {
        std::vector<int> ids;
        for (int32_t i = 0; i < model.SmileCount(); ++i) ids.push_back(PictureId(model.Smile(i)));
        return ids;
    }

    // The id of the picture stored in a file (decoded by the GIF or BMP decoder by its
    // extension); -1 when it cannot be opened or decoded.
    static int FileId(const std::string& path) {
        try {
            const bool gif = path.size() > 4 && path.substr(path.size() - 4) == ".gif";
            TRef<TPictureDecoder> picture(gif ? static_cast<TPictureDecoder*>(new TGifDecoder(path))
                                              : static_cast<TPictureDecoder*>(new TBmpDecoder(path)));
            picture->WantSmileBitmaps = true;
            picture->Decode();
            return picture->Width - 10;
        } catch (...) {
            return -1;
        }
    }

    static std::string Work(const TDefineDecoder& model, uint8_t pack = kAnimatedPack) {
        return model.WorkingFolder(pack);
    }
    static std::string Define(const TDefineDecoder& model, uint8_t pack = kAnimatedPack) {
        return ReadBytes(model.DefinePath(pack));
    }
    // The storage area's folder of a pack's working copy (also while the pack is absent).
    std::string StorageFolder(uint8_t pack, const std::string& mode = "Storage") const {
        return home.dir().folder() + "Faceloom for Tavi 2005/3.0/" + mode +
               (pack == kAnimatedPack ? "/Animated/" : "/Static/");
    }
    std::string StateFile(uint8_t pack, const std::string& mode = "Storage") const {
        return StorageFolder(pack, mode) + "Config/Storage.ini";
    }
    // The state file's fields, without its last line, the check value ("Check=" and 16 hex
    // digits), which must be there, and without the folder's seal just before it, if any.
    std::string StateFields(uint8_t pack, const std::string& mode = "Storage") const {
        const std::string bytes = ReadBytes(StateFile(pack, mode));
        size_t at = bytes.rfind("Check=");
        if (at == std::string::npos || bytes.size() != at + 6 + 16 + 2) return "no check value: " + bytes;
        const size_t seal = bytes.rfind("Seal=", at);
        if (seal != std::string::npos && seal + 5 + 16 + 2 == at) at = seal;
        return bytes.substr(0, at);
    }
    std::string ConfigFile(const std::string& mode = "Storage") const {
        return home.dir().folder() + "Faceloom for Tavi 2005/3.0/" + mode + "/Config/config.ini";
    }

    ScopedDataHome home;
    TempDir sources;
};

// Records the model's events as text lines, e.g. "phase 2 0 3", "file aa.gif 1 0".
struct EventLog {
    void Attach(TDefineDecoder& model) {
        model.OnBeginUpdate = [this](TDefineDecoder&) { lines.push_back("begin"); };
        model.OnEndUpdate = [this](TDefineDecoder&) { lines.push_back("end"); };
        model.OnPhase = [this](TDefineDecoder&, int32_t phase, int32_t position, int32_t maximum) {
            lines.push_back("phase " + std::to_string(phase) + " " + std::to_string(position) + " " +
                            std::to_string(maximum));
        };
        model.OnFile = [this](TDefineDecoder&, const std::string& name, int32_t position, int32_t errors) {
            lines.push_back("file " + name + " " + std::to_string(position) + " " + std::to_string(errors));
        };
        model.OnBeforeClose = [this](TDefineDecoder&) { lines.push_back("close"); };
    }
    // The lines from the first one that starts with prefix up to (not including) the next one
    // that starts with stop.
    std::vector<std::string> Slice(const std::string& from, const std::string& stop) const {
        std::vector<std::string> out;
        bool in = false;
        for (const std::string& line : lines) {
            if (!in && line.rfind(from, 0) == 0) {
                in = true;
            } else if (in && line.rfind(stop, 0) == 0) {
                break;
            }
            if (in) out.push_back(line);
        }
        return out;
    }
    std::vector<std::string> lines;
};

}  // namespace faceloom::test
