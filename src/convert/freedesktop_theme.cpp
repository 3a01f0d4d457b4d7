// freedesktop/KDE emoticon themes: "emoticons.xml" maps each picture (its extension may be left
// out) to its codes.

#include <string>
#include <unordered_set>
#include <vector>

#include "convert/pack_formats_parts.h"
#include "platform/code_page.h"
#include "platform/paths.h"

namespace faceloom::formats {

namespace {

// What a theme reader tries after a name given without its extension, in this order.
constexpr const char* kTriedExtensions[] = {".png", ".gif", ".jpg", ".jpeg", ".webp",
                                            ".bmp", ".mng", ".svg", ".svgz"};

bool IsVectorName(std::string_view path) {
    const std::string ext = AsciiLower(ExtractFileExt(ExtractFileName(path)));
    return ext == ".svg" || ext == ".svgz";
}

}  // namespace

TForeignPack ReadFreedesktopTheme(const TFileSet& files) {
    TForeignPack pack;
    const TIndexFile index = LocateIndex(files, "emoticons.xml");
    std::vector<uint8_t> bytes;
    if (index.Path.empty() || !files.Read(index.Path, bytes)) {
        AddNote(pack.Notes, TImportNoteKind::BrokenIndex,
                {index.Path.empty() ? "emoticons.xml" : index.Path, "unreadable"});
        return pack;
    }
    pack.Title = FolderTitle(index);
    TXmlElement root;
    ParseXml(bytes, index.Path, root, pack.Notes);  // a broken file keeps the emoticons before the fault
    TSmileCollector collector(files, pack);
    for (const TXmlElement& map : root.Children) {
        for (const TXmlElement& emoticon : map.Children) {
            if (emoticon.Name != "emoticon" || !emoticon.Closed) continue;
            const std::string* file = emoticon.Attribute("file");
            if (file == nullptr || file->empty()) continue;
            std::string named = *file;
            if (files.Find(index.Folder + named).empty()) {
                for (const char* ext : kTriedExtensions) {
                    if (!files.Find(index.Folder + named + ext).empty()) {
                        named += ext;
                        break;
                    }
                }
            }
            if (IsVectorName(named) && !files.Find(index.Folder + named).empty()) {
                // Vector pictures are drawn, not decoded: nothing of ours reads them.
                AddNote(pack.Notes, TImportNoteKind::NotAPicture, {CleanUtf8(index.Folder + named)});
                continue;
            }
            TForeignSmile* smile = collector.Picture(index.Folder, named);
            if (smile == nullptr) continue;
            for (const TXmlElement& code : emoticon.Children) {
                if (code.Name == "string" && code.Closed) AddCode(smile->Codes, CleanUtf8(code.Text));
            }
        }
    }
    collector.Finish();
    return pack;
}

TFiles FreedesktopThemeFiles(const TExportPack& pack) {
    // Theme readers look for a file named without its extension by trying theirs; a name is
    // written so only while no other picture shares its stem.
    std::unordered_multiset<std::u32string> stems;
    for (const TExportSmile& smile : pack.Smiles) {
        const std::string& name = smile.FileName;
        stems.insert(FoldedFileName(name.substr(0, name.size() - ExtractFileExt(name).size())));
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messaging-emoticon-map>\n";
    TFiles files;
    files.emplace_back("emoticons.xml", std::vector<uint8_t>());
    for (const TExportSmile& smile : pack.Smiles) {
        if (smile.Bytes.empty()) continue;
        const std::string& name = smile.FileName;
        const std::string stem = name.substr(0, name.size() - ExtractFileExt(name).size());
        const bool bare = !stem.empty() && stems.count(FoldedFileName(stem)) == 1;
        xml += " <emoticon file=\"" + XmlEscape(CleanUtf8(bare ? stem : name)) + "\">\n";
        for (const std::string& code : smile.Codes) {
            const std::string clean = CleanUtf8(code);
            if (!clean.empty() && XmlCanHold(clean)) xml += "  <string>" + XmlEscape(clean) + "</string>\n";
        }
        xml += " </emoticon>\n";
        files.emplace_back(name, smile.Bytes);
    }
    xml += "</messaging-emoticon-map>\n";
    files[0].second.assign(xml.begin(), xml.end());
    return files;
}

}  // namespace faceloom::formats
