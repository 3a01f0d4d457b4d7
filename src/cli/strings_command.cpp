#include <string>

#include "cli/commands.h"
#include "cli/text_escape.h"
#include "lang/pe_string_table.h"
#include "platform/code_page.h"

namespace faceloom::cli {

namespace {

const char kStringsHelp[] =
    "Usage: faceloom-pack strings FILE.lng\n"
    "\n"
    "Prints the string table of a language file (a resource-only Windows module), one\n"
    "text per line, in id order:\n"
    "\n"
    "  ID<TAB>TEXT\n"
    "\n"
    "Texts are UTF-8; line ends, tabs and backslashes are written as \\n, \\r, \\t and \\\\.\n"
    "Ids without a text (length 0) are left out. The module is only read, never run.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 when the table was printed; 1 when the file is not a loadable language\n"
    "module (or cannot be read); 2 on a usage error.\n";

int RunStrings(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 1, 1, "FILE.lng");
    const std::string& path = args.Positionals[0];
    std::string error;
    const std::optional<TPeStringTable> table = TPeStringTable::Open(path, &error);
    if (!table) {
        PrintError(io, "'" + path + "' is not a loadable language module: " + error);
        return kExitProblems;
    }
    std::string out;
    for (uint16_t block : table->BlockIds()) {
        if (block == 0) continue;  // block ids count from 1; 0 holds no id
        const int first = (block - 1) * 16;
        for (int id = first; id < first + 16; ++id) {
            const std::u16string text = table->Text(id);
            if (text.empty()) continue;
            out += std::to_string(id) + "\t" + EscapeLine(Utf16ToUtf8(text)) + "\n";
        }
    }
    io.Out << out;
    return kExitOk;
}

}  // namespace

const TCommand kStringsCommand{
    "strings", "print the string table of a language file (.lng)", kStringsHelp, {}, RunStrings,
};

}  // namespace faceloom::cli
