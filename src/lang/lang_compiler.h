#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// Turns a language source into a ".lng" language module.
//
// The source is UTF-8 text (a byte-order mark is allowed), one text per line:
//     # a comment line
//     101 = English
//     803 = This operation cannot be undone!\nContinue?
// Blanks around the id and around the text are dropped; in the text "\n" is a line break,
// "\t" a tab and "\\" a backslash. Blank lines and lines starting with "#" are ignored.
// Ids are 0..65535, each at most once. An empty text is allowed and means "no text": the
// program then shows the built-in one.
//
// The module is a resource-only PE32 DLL holding one string table in the language-neutral
// language, which Windows loads as a data file and TPeStringTable reads back.

using TLangTexts = std::map<uint16_t, std::u16string>;

struct TLangSourceError {
    int line;  // 1-based; 0 for the source as a whole
    std::string message;
};

// "name:line: message" (or "name: message" for the whole source).
std::string FormatLangSourceError(const std::string& sourceName, const TLangSourceError& error);

// Reads the texts of a source. False when it has errors; they are all listed (up to a
// limit), each with its line.
bool ParseLangSource(std::string_view source, TLangTexts& texts, std::vector<TLangSourceError>& errors);

// The bytes of a module holding `texts`. Throws std::length_error when the module would
// exceed TPeStringTable::kMaxModuleSize.
std::string WriteLangModule(const TLangTexts& texts);

// Source text to module bytes; false (with the errors) when the source has errors or the
// module would be too large.
bool CompileLangSource(std::string_view source, std::string& module, std::vector<TLangSourceError>& errors);

// Compiles the file `sourcePath` into the file `modulePath` (replaced as a whole). False when
// the source cannot be read, has errors or the module cannot be written; `messages` then
// says why, naming the source file and line.
bool CompileLangFile(const std::string& sourcePath, const std::string& modulePath,
                     std::vector<std::string>& messages);

}  // namespace faceloom
