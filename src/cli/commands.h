#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace faceloom::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProblems = 1;  // the input has errors (or could not be decoded)
inline constexpr int kExitUsage = 2;     // usage error, unreadable input, failed output

struct TCliIo {
    std::ostream& Out;
    std::ostream& Err;
};

struct TCommand {
    const char* Name;
    const char* Summary;  // one line for the program's own help
    const char* Help;     // the whole text of "COMMAND --help"
    std::vector<TOptionSpec> Options;
    int (*Run)(const TParsedArgs& args, TCliIo& io);
};

extern const TCommand kCheckCommand;
extern const TCommand kListCommand;
extern const TCommand kFramesCommand;
extern const TCommand kStringsCommand;
extern const TCommand kCompileLangCommand;
extern const TCommand kImportCommand;
extern const TCommand kExportCommand;

// "faceloom-pack: " + message + line end, on the error stream.
void PrintError(TCliIo& io, const std::string& message);

}  // namespace faceloom::cli
