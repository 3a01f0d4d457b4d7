#include "cli/cli_app.h"

#include <exception>

namespace faceloom::cli {

namespace {

const TCommand* const kCommands[] = {&kCheckCommand,       &kListCommand,   &kFramesCommand, &kStringsCommand,
                                     &kCompileLangCommand, &kImportCommand, &kExportCommand};

const TCommand* FindCommand(const std::string& name) {
    for (const TCommand* command : kCommands) {
        if (name == command->Name) return command;
    }
    return nullptr;
}

int UsageError(TCliIo& io, const std::string& message, const std::string& command) {
    PrintError(io, (command.empty() ? "" : command + ": ") + message);
    io.Err << "Try 'faceloom-pack " << (command.empty() ? "" : command + " ") << "--help'.\n";
    return kExitUsage;
}

}  // namespace

void PrintError(TCliIo& io, const std::string& message) {
    io.Err << "faceloom-pack: " << message << "\n";
}

std::string ProgramHelp() {
    std::string help =
        "Usage: faceloom-pack COMMAND [OPTIONS] ARGUMENTS...\n"
        "\n"
        "Checks, lists and decodes Tavi 2005 smile packs without opening the editor, for\n"
        "batches, scripts and CI. Packs are opened exactly as the editor opens them, in a\n"
        "throwaway storage area that is removed when the program ends (also on Ctrl-C);\n"
        "the folders and files given are only read, but for the save of an import and for\n"
        "completing a save that a killed faceloom-pack left in a pack folder. A folder that\n"
        "the editor or another faceloom-pack is writing is not written.\n"
        "\n"
        "Commands:\n";
    for (const TCommand* command : kCommands) {
        std::string name = command->Name;
        name.resize(14, ' ');
        help += "  " + name + command->Summary + "\n";
    }
    help +=
        "\n"
        "Run 'faceloom-pack COMMAND --help' for the options of a command.\n"
        "\n"
        "Exit status: 0 success; 1 the input has errors; 2 usage error, unreadable input or\n"
        "failed output.\n";
    return help;
}

int RunCli(const std::vector<std::string>& args, TCliIo& io) {
    if (args.empty()) {
        io.Err << ProgramHelp();
        return kExitUsage;
    }
    const std::string& name = args[0];
    if (name == "--help" || name == "-h" || name == "help") {
        if (name == "help" && args.size() > 1) {
            const TCommand* command = FindCommand(args[1]);
            if (command == nullptr) return UsageError(io, "unknown command '" + args[1] + "'", "");
            io.Out << command->Help;
            return kExitOk;
        }
        io.Out << ProgramHelp();
        return kExitOk;
    }
    const TCommand* command = FindCommand(name);
    if (command == nullptr) {
        return UsageError(io, "unknown command '" + name + "'", "");
    }
    try {
        std::vector<TOptionSpec> specs = command->Options;
        specs.push_back({"--help", false});
        const TParsedArgs parsed = ParseArgs(std::vector<std::string>(args.begin() + 1, args.end()), specs);
        if (parsed.Has("--help")) {
            io.Out << command->Help;
            return kExitOk;
        }
        const int status = command->Run(parsed, io);
        io.Out.flush();
        if (!io.Out) {
            PrintError(io, "cannot write the output");
            return kExitUsage;
        }
        return status;
    } catch (const EUsageError& error) {
        return UsageError(io, error.what(), name);
    } catch (const std::exception& error) {
        PrintError(io, name + ": " + error.what());
        return kExitUsage;
    }
}

}  // namespace faceloom::cli
