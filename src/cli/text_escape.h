#pragma once

#include <string>
#include <string_view>

namespace faceloom::cli {

// One text on one output line: line ends, tabs and backslashes become "\n", "\r", "\t" and
// "\\", so tab-separated columns and line-per-entry output stay parseable.
std::string EscapeLine(std::string_view text);

}  // namespace faceloom::cli
