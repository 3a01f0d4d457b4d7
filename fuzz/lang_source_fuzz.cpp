// The language-source parser on arbitrary text: errors carry sensible line numbers, and a
// source it accepts compiles into a module that reads back the same texts.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "lang/lang_compiler.h"
#include "lang/pe_string_table.h"

using namespace faceloom;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    TLangTexts texts;
    std::vector<TLangSourceError> errors;
    const bool ok = ParseLangSource(source, texts, errors);
    if (ok != errors.empty()) {
        std::abort();
    }
    const int lines = static_cast<int>(std::count(source.begin(), source.end(), '\n')) + 1;
    for (const TLangSourceError& error : errors) {
        if (error.line < 0 || error.line > lines || error.message.empty()) {
            std::abort();
        }
    }
    if (!ok) {
        return 0;
    }
    std::string module;
    try {
        module = WriteLangModule(texts);
    } catch (const std::length_error&) {
        return 0;
    }
    const auto table = TPeStringTable::Parse(module);
    if (!table) {
        std::abort();
    }
    for (const auto& [id, text] : texts) {
        if (table->Text(id) != text) {
            std::abort();
        }
    }
    return 0;
}
