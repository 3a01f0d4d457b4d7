// Pidgin/libpurple smiley themes: a "theme" file of header keys and sections, each line of a
// section naming a picture and its codes. Read and written by the rules Pidgin itself follows.

#include <string>
#include <vector>

#include "convert/pack_formats_parts.h"
#include "platform/code_page.h"

namespace faceloom::formats {

namespace {

// Pidgin's separators: C isspace in the C locale.
bool IsThemeSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool StartsWithKey(std::string_view text, std::string_view key) {
    return text.size() >= key.size() && AsciiLower(text.substr(0, key.size())) == AsciiLower(key);
}

// Pidgin reads at most this many bytes of a file name or code; a longer one it splits.
constexpr size_t kMaxToken = 63;

// The tokens of an entry line: runs of non-space, a backslash taking the next character as it
// is (so codes may hold spaces and backslashes).
std::vector<std::string> SplitTokens(std::string_view line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsThemeSpace(line[i])) ++i;
        if (i == line.size()) break;
        std::string token;
        while (i < line.size() && !IsThemeSpace(line[i])) {
            if (line[i] == '\\' && i + 1 < line.size()) ++i;
            token += line[i++];
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::string EscapeToken(std::string_view token) {
    std::string out;
    for (const char c : token) {
        if (c == '\\' || IsThemeSpace(c)) out += '\\';
        out += c;
    }
    return out;
}

// Pidgin cannot read a token it would split or a line break inside one.
bool PidginCanHold(std::string_view token) {
    return !token.empty() && token.size() <= kMaxToken &&
           token.find_first_of("\r\n") == std::string_view::npos &&
           token.find('\0') == std::string_view::npos;
}

std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

}  // namespace

TForeignPack ReadPidginTheme(const TFileSet& files) {
    TForeignPack pack;
    const TIndexFile index = LocateIndex(files, "theme");
    std::vector<uint8_t> bytes;
    if (index.Path.empty() || !files.Read(index.Path, bytes)) {
        AddNote(pack.Notes, TImportNoteKind::BrokenIndex,
                {index.Path.empty() ? "theme" : index.Path, "unreadable"});
        return pack;
    }
    pack.Title = FolderTitle(index);
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    TSmileCollector collector(files, pack);
    bool inSection = false;  // entries before the first section belong to none: Pidgin skips them
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // Pidgin reads lines as C strings: a zero byte ends the line.
        line = line.substr(0, line.find('\0'));
        if (line.empty() || line[0] == '#') continue;
        while (!line.empty() && IsThemeSpace(line.front())) line.remove_prefix(1);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
        if (line.empty()) continue;
        if (line[0] == '[' && line.find(']') != std::string_view::npos) {
            inSection = true;
            continue;
        }
        if (StartsWithKey(line, "Name=")) {
            pack.Title = CleanUtf8(line.substr(5));
            continue;
        }
        if (StartsWithKey(line, "Description=") || StartsWithKey(line, "Icon=") ||
            StartsWithKey(line, "Author=")) {
            continue;
        }
        if (!inSection) continue;
        // "! " marks a hidden smiley: Pidgin still replaces its codes, it only leaves it out of
        // the smiley menu, so it is a smile like any other.
        if (line.substr(0, 2) == "! ") line.remove_prefix(2);
        std::vector<std::string> tokens = SplitTokens(line);
        if (tokens.empty()) continue;
        TForeignSmile* smile = collector.Picture(index.Folder, tokens[0]);
        if (smile == nullptr) continue;
        for (size_t i = 1; i < tokens.size(); ++i) AddCode(smile->Codes, CleanUtf8(tokens[i]));
    }
    collector.Finish();
    return pack;
}

TFiles PidginThemeFiles(const TExportPack& pack, const std::string& title) {
    std::string icon;
    for (const TExportSmile& smile : pack.Smiles) {
        if (!smile.Bytes.empty()) {
            icon = smile.FileName;
            break;
        }
    }
    std::string theme = "Name=" + OneLine(title) + "\n";
    theme += "Description=" + OneLine(pack.Description.empty() ? title : pack.Description) + "\n";
    theme += "Icon=" + OneLine(icon) + "\n";
    theme += "Author=" + OneLine(pack.Author) + "\n";
    theme += "\n[default]\n";
    TFiles files;
    files.emplace_back("theme", std::vector<uint8_t>());
    for (const TExportSmile& smile : pack.Smiles) {
        // A smile without a picture has nothing to show in a theme.
        if (smile.Bytes.empty()) continue;
        theme += EscapeToken(smile.FileName);
        // Codes Pidgin would cut or break over lines cannot be written; the rest go escaped.
        for (const std::string& code : smile.Codes) {
            if (PidginCanHold(code)) theme += " " + EscapeToken(code);
        }
        theme += "\n";
        files.emplace_back(smile.FileName, smile.Bytes);
    }
    files[0].second.assign(theme.begin(), theme.end());
    return files;
}

}  // namespace faceloom::formats
