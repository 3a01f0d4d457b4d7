#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/pack_report.h"
#include "platform/code_page.h"

namespace faceloom::cli {

// The block `check` prints for one pack: the folder as given, then the five counts, each on
// its own line indented by two spaces.
std::string FormatCheck(const TPackReport& report);

// `list`: one line per smile, columns separated by tabs: index, source name ("-" without
// one), frame count, WIDTHxHEIGHT, status, then each signature in its own column. Texts are
// UTF-8 with line ends, tabs and backslashes escaped.
std::string FormatListText(const TPackReport& report, TCodePage codePage);

// `list --json`: one compact JSON document and a line end.
std::string FormatListJson(const TPackReport& report, TCodePage codePage);

// What `frames` prints: {"frames":N,"width":W,"height":H,"delays":[...],"depth":[...]}
// and a line end.
std::string FormatFramesJson(int32_t width, int32_t height, const std::vector<int32_t>& delays,
                             const std::vector<int>& depths);

}  // namespace faceloom::cli
