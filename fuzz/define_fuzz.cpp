// Any bytes as "_define.ini": reading never fails on content, and writing the smiles back
// and reading them again keeps every smile and its signatures (but for blanks at the ends
// of a line, which the reader trims).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/define_file.h"

namespace {

using Smiles = std::vector<std::vector<std::string>>;

const std::string& Folder() {
    static const faceloom::fuzz::TFuzzFolder folder("define-fuzz");
    return folder.Path();
}

Smiles Parse(const std::vector<std::string>& lines) {
    Smiles smiles;
    for (const std::string& line : lines) {
        smiles.emplace_back();
        faceloom::ParseSignatures(line, smiles.back());
    }
    return smiles;
}

Smiles ReadBack(const std::string& bytes) {
    std::vector<std::string> lines;
    faceloom::SplitDefinition(bytes, lines);
    return Parse(lines);
}

bool Blank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Folder() + "_define.ini";
    {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) std::abort();
        if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
        std::fclose(file);
    }
    std::vector<std::string> lines;
    FUZZ_CHECK(faceloom::ReadDefinition(path, lines));
    const Smiles first = Parse(lines);
    for (const auto& signatures : first) {
        for (const std::string& signature : signatures) {
            FUZZ_CHECK(!signature.empty());
            FUZZ_CHECK(signature.find_first_of(std::string(",\r\n\x1A", 4)) == std::string::npos);
        }
    }

    const std::string written = faceloom::FormatDefinition(first);
    const Smiles second = ReadBack(written);
    FUZZ_CHECK(second.size() == first.size());  // no smile lost or added
    for (size_t i = 0; i < first.size(); ++i) {
        const auto& a = first[i];
        // The line's trimming may take blanks from the ends of its first and last signature;
        // any other smile comes back exactly.
        if (a.empty() || (!Blank(a.front().front()) && !Blank(a.back().back()))) {
            FUZZ_CHECK(second[i] == a);
        }
    }
    // Lost blanks can bare the blanks of the next signature, so a file may take a few more
    // rounds to settle; every round keeps every smile, and it does settle.
    Smiles current = second;
    bool settled = false;
    for (size_t round = 0; round <= size + 1 && !settled; ++round) {
        const Smiles next = ReadBack(faceloom::FormatDefinition(current));
        FUZZ_CHECK(next.size() == current.size());
        settled = next == current;
        current = next;
    }
    FUZZ_CHECK(settled);
    if (first.empty()) FUZZ_CHECK(written.empty());
    return 0;
}
