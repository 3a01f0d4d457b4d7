// Any bytes as an INI file: reads must never fail, strings stay within the profile buffer,
// integers agree with their strings, and a write changes its own key and nothing else.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/ini_file.h"

using faceloom::EInOutError;
using faceloom::TIniFile;

namespace {

const std::string& Folder() {
    static const faceloom::fuzz::TFuzzFolder folder("ini-fuzz");
    return folder.Path();
}

void Put(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

// Rough candidates for names, taken from the input's lines: bracketed text and text before
// "=". The parser decides what they really are; these only make the lookups hit.
void Candidates(const std::string& text, std::vector<std::string>& sections, std::vector<std::string>& keys) {
    size_t start = 0;
    // A handful of each: every lookup rereads the file.
    while (start < text.size() && (sections.size() < 6 || keys.size() < 6)) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t open = line.find('[');
        const size_t close = line.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            if (sections.size() < 6) sections.push_back(line.substr(open + 1, close - open - 1));
        }
        const size_t equals = line.find('=');
        if (equals != std::string::npos && keys.size() < 6) keys.push_back(line.substr(0, equals));
        start = end + 1;
    }
}

// Lookups ignore blanks around names, as the reader does.
std::string Trim(const std::string& name) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A'; };
    size_t begin = 0;
    size_t end = name.size();
    while (begin < end && blank(name[begin])) ++begin;
    while (end > begin && blank(name[end - 1])) --end;
    return name.substr(begin, end - begin);
}

bool SameName(const std::string& a, const std::string& b) {
    return faceloom::SameTextFolded(Trim(a), Trim(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Folder() + "fuzz.ini";
    Put(path, data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> sections = {"Storage", ""};
    std::vector<std::string> keys = {"SourcePath", ""};
    Candidates(text, sections, keys);

    TIniFile ini(path);
    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> before;
    for (const std::string& section : sections) {
        (void)ini.SectionExists(section);
        for (const std::string& key : keys) {
            const std::string value = ini.ReadString(section, key, "\x01");
            FUZZ_CHECK(value.size() <= 2047);
            FUZZ_CHECK((value == "\x01") || ini.ValueExists(section, key));
            int32_t parsed = 0;
            const bool isInteger = faceloom::ParseIniInteger(value, parsed);
            FUZZ_CHECK(ini.ReadInteger(section, key, 7) == (isInteger ? parsed : 7));
            (void)ini.ReadBool(section, key, true);
            before.push_back({{section, key}, value});
        }
    }

    // Write one candidate key; every other lookup must read as before.
    const std::string& section = sections[size % sections.size()];
    const std::string& key = keys[(size / 7) % keys.size()];
    try {
        ini.WriteString(section, key, "written");
    } catch (const EInOutError&) {
        return 0;  // a name that cannot be stored; the file was left alone
    }
    FUZZ_CHECK(ini.ReadString(section, key, "") == "written");
    for (const auto& [lookup, value] : before) {
        if (SameName(lookup.first, section) && SameName(lookup.second, key)) continue;
        FUZZ_CHECK(ini.ReadString(lookup.first, lookup.second, "\x01") == value);
    }
    ini.DeleteKey(section, key);
    FUZZ_CHECK(!ini.ValueExists(section, key));
    return 0;
}
