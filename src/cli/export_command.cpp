#include <exception>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/user_folder.h"
#include "convert/pack_import.h"
#include "model/define_file.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom::cli {

namespace {

const char kExportHelp[] =
    "Usage: faceloom-pack export [--json] [--code-page NAME] FORMAT PACK-FOLDER OUT\n"
    "\n"
    "Writes the pack in PACK-FOLDER (its _define.ini and pictures) in another format:\n"
    "  zip           OUT is a zip file holding the pack as it is: _define.ini and the\n"
    "                pictures, byte for byte (whatever OUT ends with)\n"
    "  pidgin        OUT is a new folder holding a Pidgin smiley theme (a \"theme\" file\n"
    "                and the pictures), or a zip of it when OUT ends with .zip\n"
    "  freedesktop   OUT is a new folder holding a freedesktop/KDE emoticon theme\n"
    "                (emoticons.xml and the pictures), or a zip of it when OUT ends with .zip\n"
    "The themes take the pictures of an animated pack as they are; the BMP pictures of a\n"
    "static pack become PNG pictures with their transparency. OUT must not exist yet (an\n"
    "empty folder is taken); it appears whole or not at all.\n"
    "\n"
    "Prints \"OUT: N smiles written as FORMAT\"; with --json\n"
    "  {\"pack\":\"...\",\"format\":\"pidgin\",\"out\":\"...\",\"smiles\":N}\n"
    "\n"
    "Options:\n"
    "  --json              write JSON\n"
    "  --code-page NAME    code page of the signatures: windows-1251 (default) or\n"
    "                      windows-1252\n"
    "  -h, --help          show this help\n"
    "\n"
    "Exit status: 0 when OUT was written; 2 on a usage error, when PACK-FOLDER holds no\n"
    "readable pack, or when OUT cannot be written.\n";

int RunExport(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 3, 3, "FORMAT PACK-FOLDER OUT");
    TPackFormat format = TPackFormat::Zip;
    if (!ParsePackFormat(args.Positionals[0], format) || format == TPackFormat::Pictures ||
        format == TPackFormat::Psi)
        throw EUsageError("unknown FORMAT '" + args.Positionals[0] + "' (zip, pidgin or freedesktop)");
    const TCodePage codePage = CodePageOf(args);
    const std::string folder = IncludeTrailingSeparator(args.Positionals[1]);
    const std::string& out = args.Positionals[2];
    int64_t smiles = 0;
    TFolderLock lock;
    if (const std::string reason = SettleFolder(folder, lock, false); !reason.empty()) {
        PrintError(io, "cannot export '" + folder + "': " + reason);
        return kExitUsage;
    }
    try {
        smiles = ExportPack(folder, format, out, codePage);
    } catch (const std::exception& error) {
        PrintError(io, "cannot export '" + folder + "' to '" + out + "': " + error.what());
        return kExitUsage;
    }
    if (args.Has("--json")) {
        TJsonWriter json;
        json.BeginObject().Key("pack").String(folder).Key("format").String(PackFormatName(format));
        json.Key("out").String(out).Key("smiles").Number(smiles).EndObject();
        io.Out << json.Text() << "\n";
    } else {
        io.Out << out << ": " << smiles << " smiles written as " << PackFormatName(format) << "\n";
    }
    return kExitOk;
}

}  // namespace

const TCommand kExportCommand{
    "export",    "write a pack as a zip, a Pidgin smiley theme or a freedesktop emoticon theme",
    kExportHelp, {{"--json", false}, {"--code-page", true}},
    RunExport,
};

}  // namespace faceloom::cli
