#include "cli/commands.h"
#include "cli/pack_report.h"
#include "cli/report_format.h"
#include "cli/temp_storage.h"

namespace faceloom::cli {

namespace {

const char kListHelp[] =
    "Usage: faceloom-pack list [--static|--animated] [--json] [--code-page NAME] FOLDER\n"
    "\n"
    "Opens the pack folder as the editor opens it and lists its smiles, one line each,\n"
    "columns separated by tabs:\n"
    "\n"
    "  INDEX  SOURCE  FRAMES  WIDTHxHEIGHT  STATUS  SIGNATURE...\n"
    "\n"
    "SOURCE is the name the picture has in the folder (the editor renames the pictures of\n"
    "its working copy; the name shown is the original one), \"-\" for a smile without a\n"
    "picture file. STATUS is ok, missing (no picture file) or load-error (the picture could\n"
    "not be decoded; FRAMES and the size are then 0). Each signature takes a column of its\n"
    "own, converted from the pack's code page to UTF-8; line ends, tabs and backslashes in\n"
    "texts are written as \\n, \\r, \\t and \\\\.\n"
    "\n"
    "With --json the output is one JSON document:\n"
    "  {\"kind\":\"animated\",\"folder\":\"...\",\"smiles\":[{\"index\":0,\"source\":\"x.gif\",\n"
    "   \"frames\":6,\"width\":20,\"height\":24,\"delays\":[2000,150,...],\"status\":\"ok\",\n"
    "   \"signatures\":[\":-)\",\":)\"]},...],\"counts\":{\"smiles\":N,\"load_errors\":N,\n"
    "   \"missing_files\":N,\"without_signatures\":N}}\n"
    "where source is null for a smile without a picture file and delays are in\n"
    "milliseconds. File names that are not valid UTF-8 show U+FFFD for the bad bytes.\n"
    "\n"
    "Options:\n"
    "  --animated        the folder is an animated pack of GIF pictures (default)\n"
    "  --static          the folder is a static pack of BMP pictures\n"
    "  --json            write JSON\n"
    "  --code-page NAME  code page of the signatures: windows-1251 (default) or\n"
    "                    windows-1252\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 when the pack was listed (whatever its errors; see check); 2 on a usage\n"
    "error or when the folder cannot be read.\n";

int RunList(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 1, 1, "FOLDER");
    const uint8_t kind = PackKindOf(args);
    const TCodePage codePage = CodePageOf(args);
    const std::string& folder = args.Positionals[0];

    std::string reason;
    if (!CanReadFolder(folder, reason)) {
        PrintError(io, "cannot read '" + folder + "': " + reason);
        return kExitUsage;
    }
    TTempStorage storage;
    TPackReport report;
    {
        auto work = storage.Work();
        report = OpenPackReport(folder, kind, codePage, [&storage] { storage.Checkpoint(); });
    }
    io.Out << (args.Has("--json") ? FormatListJson(report, codePage) : FormatListText(report, codePage));
    return kExitOk;
}

}  // namespace

const TCommand kListCommand{
    "list",    "list the smiles of a pack (text or JSON)",
    kListHelp, {{"--static", false}, {"--animated", false}, {"--json", false}, {"--code-page", true}},
    RunList,
};

}  // namespace faceloom::cli
