#include <algorithm>
#include <exception>

#include "cli/commands.h"
#include "cli/pack_report.h"
#include "cli/report_format.h"
#include "cli/temp_storage.h"

namespace faceloom::cli {

namespace {

const char kCheckHelp[] =
    "Usage: faceloom-pack check [--static|--animated] [--code-page NAME] FOLDER...\n"
    "\n"
    "Opens each pack folder as the editor opens it (its _define.ini and its pictures of\n"
    "the kind asked, paired in name order and decoded) and prints for each:\n"
    "\n"
    "FOLDER\n"
    "  smiles: N                 smiles of the pack (lines of _define.ini)\n"
    "  load errors: N            smiles whose picture could not be decoded\n"
    "  missing files: N          smiles without a picture file\n"
    "  without signatures: N     smiles that have no signature\n"
    "  duplicate signatures: N   signature occurrences that repeat an earlier one\n"
    "\n"
    "Duplicate signatures are compared as the editor's signature search compares them:\n"
    "Latin and Cyrillic letters without regard to letter case. The occurrences are taken\n"
    "in smile order and, within a smile, in signature order; the first of each group is\n"
    "not counted and every later one is, also within one smile (a signature written three\n"
    "times counts 2; \":-P\" after \":-p\" counts 1).\n"
    "\n"
    "A pack with no smiles, or with no smile that has a picture, is also noted on the\n"
    "error stream (perhaps the wrong kind was asked).\n"
    "\n"
    "Options:\n"
    "  --animated        the folders are animated packs of GIF pictures (default)\n"
    "  --static          the folders are static packs of BMP pictures\n"
    "  --code-page NAME  code page of the signatures: windows-1251 (default) or\n"
    "                    windows-1252\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 when every pack has no errors and no duplicate signatures; 1 when any\n"
    "has; 2 on a usage error or when a folder cannot be read (the message goes to the error\n"
    "stream and the other folders are still checked).\n";

int RunCheck(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 1, args.Positionals.size(), "FOLDER");
    const uint8_t kind = PackKindOf(args);
    const TCodePage codePage = CodePageOf(args);

    TTempStorage storage;
    int status = kExitOk;
    for (const std::string& folder : args.Positionals) {
        std::string reason;
        if (!CanReadFolder(folder, reason)) {
            PrintError(io, "cannot read '" + folder + "': " + reason);
            status = kExitUsage;
            continue;
        }
        TPackReport report;
        try {
            auto work = storage.Work();
            report = OpenPackReport(folder, kind, codePage, [&storage] { storage.Checkpoint(); });
        } catch (const std::exception& error) {
            PrintError(io, "cannot open '" + folder + "': " + error.what());
            status = kExitUsage;
            continue;
        }
        io.Out << FormatCheck(report);
        io.Out.flush();
        if (!io.Out) break;  // nobody reads any more; RunCli reports it
        if (report.Smiles.empty()) {
            PrintError(io, "'" + folder + "': the pack has no smiles (no _define.ini, or an empty one)");
        } else if (report.NoPictures()) {
            PrintError(io, "'" + folder + "': no smile has a picture; is it " +
                               (kind == 0 ? "an animated pack (--animated)?" : "a static pack (--static)?"));
        }
        if (report.HasProblems()) status = std::max(status, kExitProblems);
    }
    return status;
}

}  // namespace

const TCommand kCheckCommand{
    "check",    "count the errors and duplicate signatures of packs",
    kCheckHelp, {{"--static", false}, {"--animated", false}, {"--code-page", true}},
    RunCheck,
};

}  // namespace faceloom::cli
