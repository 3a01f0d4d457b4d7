// What every reader of other messengers' packs must give for any input, shared by the theme
// and zip targets.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "convert/pack_formats.h"
#include "convert/pack_formats_parts.h"
#include "fuzz_support.h"
#include "platform/code_page.h"

namespace faceloom::fuzz {

// Each smile is a file of the set with that file's bytes; its codes are text, not empty and
// not repeated; a theme's smile without codes asks for one from its name.
inline void CheckForeignPack(const TFileSet& files, const TForeignPack& pack, TPackFormat format) {
    for (const TForeignSmile& smile : pack.Smiles) {
        std::vector<uint8_t> bytes;
        FUZZ_CHECK(files.Read(smile.Name, bytes));
        FUZZ_CHECK(bytes == smile.Bytes);
        for (size_t i = 0; i < smile.Codes.size(); ++i) {
            FUZZ_CHECK(!smile.Codes[i].empty());
            FUZZ_CHECK(formats::CleanUtf8(smile.Codes[i]) == smile.Codes[i]);
            FUZZ_CHECK(std::count(smile.Codes.begin(), smile.Codes.end(), smile.Codes[i]) == 1);
        }
        if (format != TPackFormat::Zip) FUZZ_CHECK(smile.CodesFromName == smile.Codes.empty());
    }
    FUZZ_CHECK(formats::CleanUtf8(pack.Title) == pack.Title);
}

// Written as a Pidgin and as a freedesktop theme (in memory) and read back, every smile keeps
// the codes the format can hold, in order.
inline void CheckThemesRoundTrip(const TForeignPack& pack) {
    TExportPack out;
    for (size_t i = 0; i < pack.Smiles.size(); ++i) {
        out.Smiles.push_back(
            {"p" + std::to_string(i) + ".gif", {'G', static_cast<uint8_t>(i)}, pack.Smiles[i].Codes});
    }
    struct Way {
        TPackFormat Format;
        bool (*Holds)(const std::string&);
    };
    const Way ways[] = {
        {TPackFormat::Pidgin,
         [](const std::string& code) {
             return code.size() <= 63 && code.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
         }},
        {TPackFormat::Freedesktop, [](const std::string& code) { return formats::XmlCanHold(code); }},
    };
    for (const Way& way : ways) {
        const formats::TFiles written = way.Format == TPackFormat::Pidgin
                                            ? formats::PidginThemeFiles(out, pack.Title)
                                            : formats::FreedesktopThemeFiles(out);
        const auto set = TFileSet::FromFiles(written);
        const TForeignPack back = ReadForeignPack(*set, way.Format);
        FUZZ_CHECK(back.Notes.empty());
        FUZZ_CHECK(back.Smiles.size() == pack.Smiles.size());
        for (size_t i = 0; i < back.Smiles.size(); ++i) {
            std::vector<std::string> held;
            for (const std::string& code : pack.Smiles[i].Codes) {
                if (way.Holds(code)) held.push_back(code);
            }
            FUZZ_CHECK(back.Smiles[i].Codes == held);
            FUZZ_CHECK(back.Smiles[i].Bytes == out.Smiles[i].Bytes);
        }
    }
}

}  // namespace faceloom::fuzz
