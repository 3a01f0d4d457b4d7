#pragma once

#include <string>

namespace faceloom {

// The folder of the running program's executable, ending with the separator (data shipped
// with the program, such as "Languages/", sits next to it). Empty when the host cannot tell;
// callers then use paths relative to the current directory.
std::string ProgramFolder();

}  // namespace faceloom
