// Packs of ours outside a working copy: a pack folder read for export, and a zip of a pack
// ("_define.ini" and its pictures), paired line by picture exactly as the editor pairs them.

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/pack_formats_parts.h"
#include "model/define_file.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom::formats {

namespace {

bool HasExtension(std::string_view name, std::string_view ext) {
    return AsciiLower(ExtractFileExt(name)) == ext;
}

// A pack's kind is the user's choice, never written down; a folder or zip of GIFs is an
// animated pack and one of BMPs a static one. With both, the more numerous kind wins
// (GIF on a tie).
uint8_t KindOfPictures(const std::vector<std::string>& names) {
    const auto gifs =
        std::count_if(names.begin(), names.end(), [](const auto& n) { return HasExtension(n, ".gif"); });
    const auto bmps =
        std::count_if(names.begin(), names.end(), [](const auto& n) { return HasExtension(n, ".bmp"); });
    return bmps > gifs ? 0 : 1;
}

// The pictures of the kind, in the order that pairs them with the lines.
std::vector<std::string> PackPictures(const std::vector<std::string>& names, uint8_t kind) {
    std::vector<std::string> pictures;
    for (const std::string& name : names) {
        if (HasExtension(name, kind == 0 ? ".bmp" : ".gif")) pictures.push_back(name);
    }
    SortPictureNames(pictures);
    return pictures;
}

std::vector<std::string> LineCodes(const std::string& line, TCodePage codePage) {
    std::vector<std::string> signatures;
    ParseSignatures(line, signatures);
    std::vector<std::string> codes;
    for (const std::string& signature : signatures) codes.push_back(CodePageToUtf8(signature, codePage));
    return codes;
}

}  // namespace

TForeignPack ReadOurZip(const TFileSet& files, TCodePage codePage) {
    TForeignPack pack;
    const TIndexFile index = LocateIndex(files, kDefineFileName);
    std::vector<uint8_t> bytes;
    if (index.Path.empty() || !files.Read(index.Path, bytes)) {
        AddNote(pack.Notes, TImportNoteKind::BrokenIndex,
                {index.Path.empty() ? kDefineFileName : index.Path, "unreadable"});
        return pack;
    }
    pack.Title = FolderTitle(index);
    // Only the files beside the definition are the pack's, as in a pack folder.
    std::vector<std::string> names;
    for (const std::string& path : files.Paths()) {
        if (path.size() > index.Folder.size() && path.compare(0, index.Folder.size(), index.Folder) == 0 &&
            path.find('/', index.Folder.size()) == std::string::npos) {
            names.push_back(path.substr(index.Folder.size()));
        }
    }
    const std::vector<std::string> pictures = PackPictures(names, KindOfPictures(names));
    std::vector<std::string> lines;
    SplitDefinition(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), lines);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i >= pictures.size()) {
            // The last lines have no picture: the editor shows them as missing files.
            AddNote(pack.Notes, TImportNoteKind::MissingFile,
                    {CleanUtf8(index.Path) + ":" + std::to_string(i + 1)});
            continue;
        }
        TForeignSmile smile;
        smile.Name = index.Folder + pictures[i];
        if (!files.Read(smile.Name, smile.Bytes)) {
            AddNote(pack.Notes, TImportNoteKind::MissingFile, {CleanUtf8(smile.Name)});
            continue;
        }
        for (std::string& code : LineCodes(lines[i], codePage)) AddCode(smile.Codes, std::move(code));
        // A smile of ours without signatures is one: it keeps having none.
        pack.Smiles.push_back(std::move(smile));
    }
    return pack;
}

TFiles OurZipFiles(const TExportPack& pack, TCodePage codePage) {
    std::vector<uint8_t> define = pack.DefineBytes;
    if (define.empty() && !pack.Smiles.empty()) {
        std::vector<std::vector<std::string>> signatures;
        for (const TExportSmile& smile : pack.Smiles) {
            auto& line = signatures.emplace_back();
            for (const std::string& code : smile.Codes) line.push_back(Utf8ToCodePage(code, codePage));
        }
        const std::string text = FormatDefinition(signatures);
        define.assign(text.begin(), text.end());
    }
    TFiles files;
    files.emplace_back(kDefineFileName, std::move(define));
    // Pictures pair with lines by name order alone: names out of that order (or a picture
    // missing before the last smiles) would pair wrongly, so such a pack gets canonical names.
    std::vector<std::string> names;
    bool pictureAfterGap = false, gap = false;
    for (const TExportSmile& smile : pack.Smiles) {
        if (smile.Bytes.empty()) {
            gap = true;
            continue;
        }
        pictureAfterGap = pictureAfterGap || gap;
        names.push_back(smile.FileName);
    }
    if (pictureAfterGap)
        throw std::runtime_error("A smile before the last has no picture: the pack cannot be paired");
    const std::string ext = pack.Kind == 0 ? ".bmp" : ".gif";
    for (const std::string& name : names) {
        // Only pictures of the pack's kind pair with lines: any other would shift the pairing.
        if (!HasExtension(name, ext))
            throw std::runtime_error(name + " is not a " + ext + " picture of the pack");
    }
    std::vector<std::string> sorted = names;
    SortPictureNames(sorted);
    const bool canonical = sorted != names;
    const int width = PictureNameWidth(names.size());
    size_t n = 0;
    for (const TExportSmile& smile : pack.Smiles) {
        if (smile.Bytes.empty()) continue;
        files.emplace_back(canonical ? PictureFileName(n, ext, width) : smile.FileName, smile.Bytes);
        ++n;
    }
    return files;
}

}  // namespace faceloom::formats

namespace faceloom {

TExportPack ReadPackFolder(const std::string& folder, TCodePage codePage) {
    const std::string root = IncludeTrailingSeparator(folder);
    const std::vector<std::string> defines = FindFiles(root + kDefineFileName);
    std::optional<std::string> define;
    if (!defines.empty()) define = ReadWholeFile(root + defines.front());
    if (!define) throw std::runtime_error("No readable " + std::string(kDefineFileName) + " in " + folder);
    TExportPack pack;
    std::string title = root.substr(0, root.size() - 1);
    pack.Title = formats::CleanUtf8(ExtractFileName(title));
    pack.DefineBytes.assign(define->begin(), define->end());
    std::vector<std::string> names = FindFiles(root + "*.gif");
    for (std::string& name : FindFiles(root + "*.bmp")) names.push_back(std::move(name));
    pack.Kind = formats::KindOfPictures(names);
    const std::vector<std::string> pictures = formats::PackPictures(names, pack.Kind);
    std::vector<std::string> lines;
    SplitDefinition(*define, lines);
    for (size_t i = 0; i < lines.size(); ++i) {
        TExportSmile& smile = pack.Smiles.emplace_back();
        smile.Codes = formats::LineCodes(lines[i], codePage);
        if (i >= pictures.size()) continue;  // a missing picture: the last smiles have none
        smile.FileName = pictures[i];
        const std::optional<std::string> bytes = ReadWholeFile(root + pictures[i]);
        if (!bytes) throw std::runtime_error("Unable to read " + root + pictures[i]);
        smile.Bytes.assign(bytes->begin(), bytes->end());
    }
    return pack;
}

}  // namespace faceloom
