#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/file_set.h"
#include "convert/import_note.h"
#include "platform/code_page.h"

namespace faceloom {

// The packs Faceloom reads and writes besides its own folders.
enum class TPackFormat : uint8_t {
    Pictures,     // any folder or zip of pictures; codes come from the file names
    Zip,          // a zip of a pack of ours: "_define.ini" and its pictures
    Pidgin,       // a Pidgin/libpurple smiley theme: a "theme" file and its pictures
    Freedesktop,  // a freedesktop/KDE emoticon theme: "emoticons.xml" and its pictures
    Psi,          // a Psi icon set: a .jisp zip with "icondef.xml"
};
const char* PackFormatName(TPackFormat format);  // "pictures", "zip", "pidgin", "freedesktop", "psi"
bool ParsePackFormat(std::string_view name, TPackFormat& format);

// One picture of a foreign pack with its codes, in the pack's order.
struct TForeignSmile {
    std::string Name;                // its path in the file set, for notes and for codes from names
    std::vector<uint8_t> Bytes;      // the picture file as it is in the source
    std::vector<std::string> Codes;  // UTF-8, in the source's order, without duplicates
    bool CodesFromName = false;      // the source gives none: the importer makes one from Name
};

struct TForeignPack {
    std::string Title;  // the theme's name, when it has one
    std::vector<TForeignSmile> Smiles;
    TImportNotes Notes;
};

// By the index file the set holds at its top (or in its only sub-folder): "theme" → Pidgin,
// "emoticons.xml" → Freedesktop, "icondef.xml" → Psi, "_define.ini" → Zip, else Pictures.
TPackFormat DetectPackFormat(const TFileSet& files);

// Reads the pack; what it cannot use (broken index, missing or unreadable files, hidden
// entries) becomes notes, the rest is kept. Never throws for anything the files hold.
// For Zip, signatures are read from the pack's code page into UTF-8.
TForeignPack ReadForeignPack(const TFileSet& files, TPackFormat format,
                             TCodePage codePage = TCodePage::Windows1251);

// A pack of ours, ready to be written in another format.
struct TExportSmile {
    std::string FileName;            // its picture's name in the pack folder
    std::vector<uint8_t> Bytes;      // the picture file
    std::vector<std::string> Codes;  // UTF-8, the smile's signatures in order
};
struct TExportPack {
    std::string Title;
    // What a theme says about itself besides its name; a Pidgin theme without a description
    // takes the title.
    std::string Description;
    std::string Author;
    uint8_t Kind = 1;  // 0 static (BMP), 1 animated (GIF)
    std::vector<TExportSmile> Smiles;
    // The pack's "_define.ini" as it is on disk: a zip of ours carries it byte for byte.
    std::vector<uint8_t> DefineBytes;
};

// Reads a pack folder of ours ("_define.ini" and its pictures, paired as the editor pairs them)
// into the export form; signatures converted from codePage. Throws std::runtime_error when the
// folder has no readable "_define.ini".
TExportPack ReadPackFolder(const std::string& folder, TCodePage codePage = TCodePage::Windows1251);

// Writes the pack in a format other than Pictures: Zip to a .zip file with "_define.ini" and the
// pictures' bytes unchanged; Pidgin and Freedesktop to a new folder, or to a .zip file of that
// folder when out ends with ".zip". Each smile's bytes are written under its FileName as given
// (ExportPack turns a static pack's BMPs into PNGs first). Psi is read only. Writes through a
// temporary name renamed into place when whole; throws std::runtime_error with the reason (out
// exists and is not an empty folder, cannot write, ...).
void WriteForeignPack(const TExportPack& pack, TPackFormat format, const std::string& out,
                      TCodePage codePage = TCodePage::Windows1251);

}  // namespace faceloom
