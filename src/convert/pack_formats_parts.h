#pragma once

// The pieces the pack format readers and writers share; each format has its own .cpp.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "convert/file_set.h"
#include "convert/pack_formats.h"

namespace faceloom::formats {

using TFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// Where a pack's index file lies: at the top of the set or in its only sub-folder.
struct TIndexFile {
    std::string Path;    // as the set spells it; empty when there is none
    std::string Folder;  // "" or "sub/": the folder the index names its files from
};
TIndexFile LocateIndex(const TFileSet& files, std::string_view indexName);
// The title a pack without one takes: its folder's name, "" at the top of the set.
std::string FolderTitle(const TIndexFile& index);

// Bytes that are not well-formed UTF-8 become U+FFFD, so that every code and title handed on
// is text.
std::string CleanUtf8(std::string_view text);

// Appends a code unless it is empty or already there.
void AddCode(std::vector<std::string>& codes, std::string code);

// Files under "__MACOSX/" are the resource forks Mac archivers add: never pictures.
bool IsMacResourceFork(std::string_view path);

// Gathers a theme's pictures in the order the index first names them: a picture named again
// (in another section, another icon) gets the new codes added to its first entry.
class TSmileCollector {
public:
    TSmileCollector(const TFileSet& files, TForeignPack& pack) : files_(files), pack_(pack) {}
    // The smile of the file the index names (relative to folder), read on first use; null
    // when it is not there (one MissingFile note per name).
    TForeignSmile* Picture(const std::string& folder, const std::string& named);
    // Entries that ended up with no code at all get theirs from the file name.
    void Finish();

private:
    const TFileSet& files_;
    TForeignPack& pack_;
    std::unordered_map<std::string, size_t> byPath_;  // set path -> smile index, SIZE_MAX: missing
};

// A small element tree read by expat: enough for the themes' index files.
struct TXmlElement {
    std::string Name;  // the local name (a namespace prefix removed)
    std::vector<std::pair<std::string, std::string>> Attributes;
    std::string Text;  // the character data directly inside, concatenated
    std::vector<TXmlElement> Children;
    bool Closed = false;  // its end tag was read: a broken file's last elements are not
    const std::string* Attribute(std::string_view name) const;
};
// Parses the bytes; false with a note (BrokenIndex: expat's message and line) when the XML is
// broken, the elements read before the fault then stay in root.
bool ParseXml(const std::vector<uint8_t>& bytes, const std::string& fileName, TXmlElement& root,
              TImportNotes& notes);
std::string XmlEscape(std::string_view text);
// Whether XML 1.0 can hold the (well-formed UTF-8) text: no control characters but tab, no
// U+FFFE or U+FFFF.
bool XmlCanHold(std::string_view text);

TForeignPack ReadPidginTheme(const TFileSet& files);
TForeignPack ReadFreedesktopTheme(const TFileSet& files);
TForeignPack ReadPsiIconset(const TFileSet& files);
TForeignPack ReadOurZip(const TFileSet& files, TCodePage codePage);

// The files of a pack in a format, relative to its folder.
TFiles PidginThemeFiles(const TExportPack& pack, const std::string& title);
TFiles FreedesktopThemeFiles(const TExportPack& pack);
TFiles OurZipFiles(const TExportPack& pack, TCodePage codePage);

}  // namespace faceloom::formats
