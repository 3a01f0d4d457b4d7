// Psi icon sets: a .jisp zip whose "icondef.xml" lists icons, each with its codes ("text") and
// its files ("object", one per mime type).

#include <string>
#include <vector>

#include "convert/pack_formats_parts.h"

namespace faceloom::formats {

namespace {

std::string TrimSpace(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

TForeignPack ReadPsiIconset(const TFileSet& files) {
    TForeignPack pack;
    const TIndexFile index = LocateIndex(files, "icondef.xml");
    std::vector<uint8_t> bytes;
    if (index.Path.empty() || !files.Read(index.Path, bytes)) {
        AddNote(pack.Notes, TImportNoteKind::BrokenIndex,
                {index.Path.empty() ? "icondef.xml" : index.Path, "unreadable"});
        return pack;
    }
    TXmlElement root;
    ParseXml(bytes, index.Path, root, pack.Notes);  // a broken file keeps the icons before the fault
    TSmileCollector collector(files, pack);
    for (const TXmlElement& iconset : root.Children) {
        for (const TXmlElement& item : iconset.Children) {
            if (item.Name == "meta") {
                for (const TXmlElement& field : item.Children) {
                    if (field.Name == "name" && pack.Title.empty())
                        pack.Title = CleanUtf8(TrimSpace(field.Text));
                }
                continue;
            }
            if (item.Name != "icon" || !item.Closed) continue;
            // The picture is the first object of an image type; an icon set of old may give no
            // type at all, then its first object.
            const TXmlElement* picture = nullptr;
            for (const TXmlElement& object : item.Children) {
                if (object.Name != "object" || !object.Closed) continue;
                const std::string* mime = object.Attribute("mime");
                if (mime != nullptr && mime->rfind("image/", 0) == 0) {
                    picture = &object;
                    break;
                }
                if (picture == nullptr && (mime == nullptr || mime->empty())) picture = &object;
            }
            if (picture == nullptr) continue;
            const std::string file = TrimSpace(picture->Text);
            if (file.empty()) continue;
            TForeignSmile* smile = collector.Picture(index.Folder, file);
            if (smile == nullptr) continue;
            for (const TXmlElement& text : item.Children) {
                if (text.Name == "text" && text.Closed) AddCode(smile->Codes, CleanUtf8(text.Text));
            }
        }
    }
    if (pack.Title.empty()) pack.Title = FolderTitle(index);
    collector.Finish();
    return pack;
}

}  // namespace faceloom::formats
