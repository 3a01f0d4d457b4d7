// The language-module reader on arbitrary bytes: never a crash or an out-of-bounds read, and
// whatever texts it finds, the compiler writes a module that reads back the same.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "lang/lang_compiler.h"
#include "lang/pe_string_table.h"

using namespace faceloom;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto table = TPeStringTable::Parse(std::string(reinterpret_cast<const char*>(data), size));
    if (!table) {
        return 0;
    }
    TLangTexts texts;
    for (uint16_t blockId : table->BlockIds()) {
        if (blockId < 1 || blockId > 4096) {
            std::abort();  // no block outside the ids' range may be kept
        }
        for (int index = 0; index < 16; ++index) {
            const int id = (blockId - 1) * 16 + index;
            std::u16string text = table->Text(id);
            if (!text.empty()) {
                texts[static_cast<uint16_t>(id)] = std::move(text);
            }
        }
    }
    std::string module;
    try {
        module = WriteLangModule(texts);
    } catch (const std::length_error&) {
        return 0;  // blocks sharing their data can add up to more than a module may hold
    }
    const auto again = TPeStringTable::Parse(module);
    if (!again) {
        std::abort();
    }
    for (const auto& [id, text] : texts) {
        if (again->Text(id) != text) {
            std::abort();
        }
    }
    if (again->BlockIds().size() > table->BlockIds().size()) {
        std::abort();
    }
    return 0;
}
