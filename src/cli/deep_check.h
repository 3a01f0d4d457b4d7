#pragma once

#include <cstdint>
#include <string>

#include "model/pack_check.h"

namespace faceloom::cli {

class TJsonWriter;

// The texts of the findings: those of a language file (a compiled module, or its "id = text"
// source) where it has them, the built-in ones otherwise; an empty path gives the built-in
// texts alone. Throws std::runtime_error when the file cannot be read as either.
TTextLookup LoadCheckTexts(const std::string& languageFile);

// The findings of one pack as text: the folder, the counts, then the findings grouped by
// severity, one line each ("    [kind] sentence"), or the no-problem line.
std::string FormatDeepText(const std::string& folder, int32_t smiles, const TCheckResult& result,
                           const TTextLookup& text);

// The same as one JSON object written into json (see the check command's help).
void WriteDeepJson(TJsonWriter& json, const std::string& folder, uint8_t kind, int32_t smiles,
                   const TCheckResult& result, const TTextLookup& text);

}  // namespace faceloom::cli
