#include <string>
#include <vector>

#include "cli/commands.h"
#include "lang/lang_compiler.h"

namespace faceloom::cli {

namespace {

const char kCompileLangHelp[] =
    "Usage: faceloom-pack compile-lang SOURCE.txt OUT.lng\n"
    "\n"
    "Compiles a language source into a language file the editor loads. The source is\n"
    "UTF-8 text, one text per line:\n"
    "\n"
    "  # a comment\n"
    "  101 = English\n"
    "  803 = This operation cannot be undone!\\nContinue?\n"
    "\n"
    "Blanks around the id and the text are dropped; in the text \\n is a line break, \\t a\n"
    "tab and \\\\ a backslash; each id (0 to 65535) at most once. OUT.lng is replaced as a\n"
    "whole, and only when the source has no errors.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 when OUT.lng was written; 1 when the source cannot be read, has errors\n"
    "(each listed with its line on the error stream) or the file cannot be written; 2 on a\n"
    "usage error.\n";

int RunCompileLang(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 2, 2, "SOURCE.txt and OUT.lng");
    std::vector<std::string> messages;
    if (!CompileLangFile(args.Positionals[0], args.Positionals[1], messages)) {
        for (const std::string& message : messages) io.Err << message << "\n";
        if (messages.empty()) PrintError(io, "cannot compile '" + args.Positionals[0] + "'");
        return kExitProblems;
    }
    return kExitOk;
}

}  // namespace

const TCommand kCompileLangCommand{
    "compile-lang", "compile a language source (.txt) into a language file (.lng)", kCompileLangHelp, {},
    RunCompileLang,
};

}  // namespace faceloom::cli
