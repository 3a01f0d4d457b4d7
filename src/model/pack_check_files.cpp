// Source folder findings: the folder is gone, files no smile uses, and picture names whose
// name order (the order the messenger pairs them with lines in) is not the order their
// numbers suggest.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "model/define_file.h"
#include "model/pack_check_parts.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom::check {

namespace {

bool HasExtension(std::string_view name, std::string_view ext) {
    return name.size() > ext.size() && AsciiLower(name.substr(name.size() - ext.size())) == ext;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Names as a person orders them: runs of digits by their value, the rest as name order does.
int CompareNatural(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t ie = i;
            size_t je = j;
            while (ie < a.size() && IsDigit(a[ie])) ++ie;
            while (je < b.size() && IsDigit(b[je])) ++je;
            std::string_view x = a.substr(i, ie - i);
            std::string_view y = b.substr(j, je - j);
            while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
            while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0) return c;
            i = ie;
            j = je;
            continue;
        }
        size_t ie = i;
        size_t je = j;
        while (ie < a.size() && !IsDigit(a[ie])) ++ie;
        while (je < b.size() && !IsDigit(b[je])) ++je;
        if (const int c = ComparePictureNames(a.substr(i, ie - i), b.substr(j, je - j)); c != 0) return c;
        i = ie;
        j = je;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

void CheckSourceFolder(const TCheckInput& input, TFindings& findings) {
    if (input.SourceFolder.empty()) return;
    if (!DirectoryExists(input.SourceFolder)) {
        findings.Add(TCheckKind::SourceMissing, {}, {}, {input.SourceFolder});
        return;
    }
    const std::string ext = input.Kind == 1 ? ".gif" : ".bmp";
    std::vector<std::string> pictures;
    std::vector<std::string> others;
    for (const TFolderEntry& entry : ListFolder(input.SourceFolder)) {
        if (!entry.IsFile || IsOwnTempName(entry.Name)) continue;
        if (HasExtension(entry.Name, ext)) {
            pictures.push_back(entry.Name);
        } else if (!HasExtension(entry.Name, ".ini")) {
            // "_define.ini" and the other ".ini" files travel with the pack.
            others.push_back(entry.Name);
        }
    }
    SortPictureNames(pictures);
    for (size_t k = input.Smiles.size(); k < pictures.size(); ++k) others.push_back(pictures[k]);
    std::sort(others.begin(), others.end());
    for (const std::string& name : others) findings.Add(TCheckKind::OrphanFile, {}, {}, {name});

    std::vector<size_t> natural(pictures.size());
    for (size_t k = 0; k < natural.size(); ++k) natural[k] = k;
    std::stable_sort(natural.begin(), natural.end(),
                     [&](size_t x, size_t y) { return CompareNatural(pictures[x], pictures[y]) < 0; });
    // natural[r] is the picture a person would put at line r + 1.
    std::vector<size_t> expected(pictures.size());
    for (size_t r = 0; r < natural.size(); ++r) expected[natural[r]] = r;
    for (size_t k = 0; k < pictures.size() && k < input.Smiles.size(); ++k) {
        if (expected[k] == k) continue;
        const int32_t smile = static_cast<int32_t>(k);
        findings.Add(TCheckKind::MisleadingName, {smile}, {},
                     {pictures[k], std::to_string(k + 1), std::to_string(expected[k] + 1)});
    }
}

}  // namespace faceloom::check
