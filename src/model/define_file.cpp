#include "model/define_file.h"

#include <algorithm>
#include <optional>

#include "platform/code_page.h"
#include "platform/files.h"

namespace faceloom {

namespace {

constexpr char kCtrlZ = '\x1A';
constexpr std::string_view kLineEnd = "\r\n";
// What a smile without signatures is written as: the reader skips lines of zero length, so
// this one space is what keeps the smile in the file.
constexpr std::string_view kEmptyLine = " ";

void AppendKeptLine(std::string& line, std::vector<std::string>& lines) {
    if (line.empty()) {
        return;
    }
    size_t begin = 0;
    size_t end = line.size();
    while (begin < end && static_cast<unsigned char>(line[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(line[end - 1]) <= 0x20) --end;
    lines.push_back(line.substr(begin, end - begin));
    line.clear();
}

// A signature holding a line end or Ctrl-Z would split its smile in two or cut the file
// short, shifting every later smile onto the wrong picture; those bytes can never be read
// back, so they are left out.
void AppendSignatureBytes(std::string& out, const std::string& signature) {
    for (char c : signature) {
        if (c != '\r' && c != '\n' && c != kCtrlZ) {
            out += c;
        }
    }
}

}  // namespace

void SplitDefinition(std::string_view bytes, std::vector<std::string>& lines) {
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == kCtrlZ) {
            break;
        }
        if (c == '\n') {
            AppendKeptLine(line, lines);
        } else if (c != '\r') {
            line += c;
        }
        // A CR ends a line only together with the LF after it; a lone CR is dropped.
    }
    AppendKeptLine(line, lines);
}

bool ReadDefinition(const std::string& path, std::vector<std::string>& lines) {
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        return false;
    }
    SplitDefinition(*bytes, lines);
    return true;
}

void ParseSignatures(std::string_view line, std::vector<std::string>& signatures) {
    while (!line.empty()) {
        const size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            signatures.emplace_back(line);
            return;
        }
        if (comma > 0) {
            signatures.emplace_back(line.substr(0, comma));
        }
        line.remove_prefix(comma + 1);
    }
}

// Every line ends with CR LF except the last one when it holds signatures; a smile without
// signatures is a single space; no smiles, no bytes.
std::string FormatDefinition(const std::vector<std::vector<std::string>>& smiles) {
    std::string out;
    for (size_t i = 0; i < smiles.size(); ++i) {
        std::string line;
        for (size_t k = 0; k < smiles[i].size(); ++k) {
            if (k > 0) line += ',';
            AppendSignatureBytes(line, smiles[i][k]);
        }
        // Signatures that are all empty would join to a line of zero length, which the
        // reader skips: the smile would vanish and every later one pair with the wrong
        // picture. Such a smile is written as one without signatures.
        if (line.empty()) {
            out += kEmptyLine;
            out += kLineEnd;
            continue;
        }
        out += line;
        if (i + 1 < smiles.size()) {
            out += kLineEnd;
        }
    }
    return out;
}

void WriteDefinition(const std::string& path, const std::vector<std::vector<std::string>>& smiles) {
    WriteFileAtomic(path, FormatDefinition(smiles));
}

std::string PictureFileName(size_t n, std::string_view ext) {
    return PictureFileName(n, ext, 2);
}

std::string PictureFileName(size_t n, std::string_view ext, int letters) {
    std::string name;
    do {
        name += static_cast<char>('a' + n % 26);
        n /= 26;
    } while (n != 0);
    while (static_cast<int>(name.size()) < letters) {
        name += 'a';
    }
    std::reverse(name.begin(), name.end());
    name += ext;
    return name;
}

int PictureNameWidth(size_t count) {
    int width = 2;
    size_t capacity = 26 * 26;
    while (count > capacity) {
        ++width;
        if (capacity > static_cast<size_t>(-1) / 26) break;  // every size_t fits from here on
        capacity *= 26;
    }
    return width;
}

int ComparePictureNames(std::string_view a, std::string_view b) {
    return CompareUtf8Folded(a, b);
}

void SortPictureNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = ComparePictureNames(a, b);
        return folded != 0 ? folded < 0 : a < b;
    });
}

}  // namespace faceloom
