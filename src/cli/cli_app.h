#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace faceloom::cli {

// Runs faceloom-pack with the arguments that follow the program name and answers the exit
// status: the command's own, 2 for a usage error (message and a pointer to --help on the
// error stream) or for any failure the command did not expect.
int RunCli(const std::vector<std::string>& args, TCliIo& io);

// The program's own help (no command or "--help").
std::string ProgramHelp();

}  // namespace faceloom::cli
