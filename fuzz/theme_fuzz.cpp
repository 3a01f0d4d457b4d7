// Any bytes as the index of a theme and a few of its files, read by every theme reader.
// Input: the index, then files each as "\n@@" name "\n" bytes. The index is given to each
// reader under its own name ("theme", "emoticons.xml", "icondef.xml", "_define.ini"), beside
// the same files. Whatever it reads must be files of the set with their bytes and text codes
// (CheckForeignPack), and must survive being written as a Pidgin and a freedesktop theme.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/file_set.h"
#include "convert/pack_formats.h"
#include "foreign_pack_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace faceloom;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view kSeparator = "\n@@";
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    size_t end = input.find(kSeparator);
    const std::string_view index = input.substr(0, end);
    while (end != std::string_view::npos && files.size() < 16) {
        const size_t start = end + kSeparator.size();
        end = input.find(kSeparator, start);
        const std::string_view part = input.substr(start, end == std::string_view::npos ? end : end - start);
        const size_t newline = part.find('\n');
        const std::string_view name = part.substr(0, newline);
        const std::string_view bytes =
            newline == std::string_view::npos ? std::string_view() : part.substr(newline + 1);
        files.emplace_back(std::string(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    static constexpr std::pair<const char*, TPackFormat> kReaders[] = {
        {"theme", TPackFormat::Pidgin},
        {"emoticons.xml", TPackFormat::Freedesktop},
        {"icondef.xml", TPackFormat::Psi},
        {"_define.ini", TPackFormat::Zip},
    };
    for (const auto& [name, format] : kReaders) {
        auto withIndex = files;
        withIndex.emplace_back(name, std::vector<uint8_t>(index.begin(), index.end()));
        const auto set = TFileSet::FromFiles(std::move(withIndex));
        const TForeignPack pack = ReadForeignPack(*set, format);
        fuzz::CheckForeignPack(*set, pack, format);
        fuzz::CheckThemesRoundTrip(pack);
    }
    return 0;
}
