#include <algorithm>
#include <charconv>
#include <cstdint>
#include <exception>

#include "cli/commands.h"
#include "cli/deep_check.h"
#include "cli/json_writer.h"
#include "cli/pack_report.h"
#include "cli/report_format.h"
#include "cli/temp_storage.h"
#include "model/define_decoder.h"
#include "model/pack_check.h"

namespace faceloom::cli {

namespace {

const char kCheckHelp[] =
    "Usage: faceloom-pack check [--static|--animated] [--code-page NAME] FOLDER...\n"
    "       faceloom-pack check --deep [--json] [--werror] [--lang FILE] [--static|--animated]\n"
    "                           [--code-page NAME] FOLDER...\n"
    "       (both also take [--frame-memory MB])\n"
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
    "The decoded frames of a pack's pictures hold at most 1024 MB together (the editor's\n"
    "FrameMemoryMB setting); a picture past that is a load error, too large for memory,\n"
    "listed as a damaged picture with that reason.\n"
    "\n"
    "With --deep every problem is listed with the smiles it concerns instead of the counts:\n"
    "\n"
    "FOLDER\n"
    "  smiles: N, errors: N, warnings: N, notes: N\n"
    "  HEADING                     errors, then warnings, then notes\n"
    "    [KIND] SENTENCE           one line per finding\n"
    "\n"
    "KIND is one of: duplicate-signature, no-signatures, missing-picture, damaged-picture,\n"
    "other-kind-picture (errors); similar-signature (equal but for letter case and blanks\n"
    "at the ends), signature-inside (the start or a part of another smile's signature),\n"
    "blank-signature, identical-pictures (same composed frames and delays), large-area (at\n"
    "least 4 times the median area), large-file (at least 8 times the median file size and\n"
    "64 KiB), frame-outside-screen, zero-delays, source-missing (warnings); single-frame,\n"
    "orphan-file (a file of the folder no smile uses), misleading-name (a picture that name\n"
    "order pairs with another line than its number suggests) (notes). At most 200 findings\n"
    "of a kind are listed; a last line says when there were more. The sentences are in the\n"
    "built-in language, or in that of --lang FILE (a compiled .lng module or its source).\n"
    "\n"
    "With --json the output is one JSON document:\n"
    "  {\"packs\":[{\"folder\":\"...\",\"kind\":\"animated\",\"smiles\":N,\n"
    "    \"counts\":{\"errors\":N,\"warnings\":N,\"notes\":N},\n"
    "    \"findings\":[{\"kind\":\"duplicate-signature\",\"severity\":\"error\",\n"
    "      \"smiles\":[2,0],\"signatures\":[1,1],\"params\":[...],\"message\":\"...\",\n"
    "      \"fix\":{\"action\":\"remove-signature\",\"smile\":2,\"signature\":1}},...],\n"
    "    \"omitted\":[{\"kind\":\"...\",\"count\":N}]},...]}\n"
    "Smile indices count from 0; signatures gives the signature index per smile, -1 when\n"
    "none is concerned; fix is null when no safe fix exists, its action remove-signature or\n"
    "delete-smile; an omitted count is null when the rest were not counted.\n"
    "\n"
    "Options:\n"
    "  --deep            list every problem found (see above)\n"
    "  --json            with --deep: write JSON\n"
    "  --werror          with --deep: warnings fail too (exit status 1)\n"
    "  --lang FILE       with --deep: the language of the sentences\n"
    "  --animated        the folders are animated packs of GIF pictures (default)\n"
    "  --static          the folders are static packs of BMP pictures\n"
    "  --code-page NAME  code page of the signatures: windows-1251 (default) or\n"
    "                    windows-1252\n"
    "  --frame-memory MB the budget of each pack's decoded frames, 1 to 1048576\n"
    "                    (default 1024)\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 when every pack has no errors and no duplicate signatures (with --deep:\n"
    "no error findings, and with --werror no warnings either); 1 when any has; 2 on a usage\n"
    "error or when a folder cannot be read (the message goes to the error stream and the\n"
    "other folders are still checked).\n";

// The budget of --frame-memory in bytes; 0 without the option (the setting's).
uint64_t FrameBudgetOf(const TParsedArgs& args) {
    if (!args.Has("--frame-memory")) return 0;
    const std::string value = args.Value("--frame-memory");
    uint64_t megabytes = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), megabytes);
    if (error != std::errc() || end != value.data() + value.size() || megabytes < 1 || megabytes > (1u << 20))
        throw EUsageError("--frame-memory wants megabytes from 1 to 1048576, not '" + value + "'");
    return megabytes << 20;
}

int RunCheck(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 1, args.Positionals.size(), "FOLDER");
    const uint8_t kind = PackKindOf(args);
    const TCodePage codePage = CodePageOf(args);
    const bool deep = args.Has("--deep");
    const uint64_t frameBudget = FrameBudgetOf(args);
    if (!deep) {
        for (const char* option : {"--json", "--werror", "--lang"}) {
            if (args.Has(option)) throw EUsageError(std::string(option) + " needs --deep");
        }
    }
    TTextLookup texts;
    if (deep) {
        try {
            texts = LoadCheckTexts(args.Value("--lang"));
        } catch (const std::exception& error) {
            throw EUsageError(error.what());
        }
    }
    const bool json = args.Has("--json");
    const bool werror = args.Has("--werror");
    TJsonWriter document;
    if (json) document.BeginObject().Key("packs").BeginArray();

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
        TCheckResult findings;
        try {
            auto work = storage.Work();
            std::function<void(TDefineDecoder&)> inspect;
            if (deep) {
                inspect = [&](TDefineDecoder& model) {
                    TCheckInput input = CheckInputOf(model, codePage);
                    input.Texts = texts;
                    findings = CheckPack(input);
                };
            }
            report = OpenPackReport(
                folder, kind, codePage, [&storage] { storage.Checkpoint(); }, inspect, frameBudget);
        } catch (const std::exception& error) {
            PrintError(io, "cannot open '" + folder + "': " + error.what());
            status = kExitUsage;
            continue;
        }
        const int32_t smiles = static_cast<int32_t>(report.Smiles.size());
        if (!deep) {
            io.Out << FormatCheck(report);
        } else if (json) {
            WriteDeepJson(document, folder, kind, smiles, findings, texts);
        } else {
            io.Out << FormatDeepText(folder, smiles, findings, texts);
        }
        io.Out.flush();
        if (!io.Out) break;  // nobody reads any more; RunCli reports it
        if (report.Smiles.empty()) {
            PrintError(io, "'" + folder + "': the pack has no smiles (no _define.ini, or an empty one)");
        } else if (report.NoPictures()) {
            PrintError(io, "'" + folder + "': no smile has a picture; is it " +
                               (kind == 0 ? "an animated pack (--animated)?" : "a static pack (--static)?"));
        }
        const bool failed = deep ? findings.Count(TCheckSeverity::Error) != 0 ||
                                       (werror && findings.Count(TCheckSeverity::Warning) != 0)
                                 : report.HasProblems();
        if (failed) status = std::max(status, kExitProblems);
    }
    if (json) {
        document.EndArray().EndObject();
        io.Out << document.Text() << "\n";
    }
    return status;
}

}  // namespace

const TCommand kCheckCommand{
    "check",
    "count the errors and duplicate signatures of packs, or list every problem (--deep)",
    kCheckHelp,
    {{"--static", false},
     {"--animated", false},
     {"--code-page", true},
     {"--deep", false},
     {"--json", false},
     {"--werror", false},
     {"--lang", true},
     {"--frame-memory", true}},
    RunCheck,
};

}  // namespace faceloom::cli
