#include <algorithm>
#include <exception>
#include <sstream>

#include "cli/commands.h"
#include "cli/deep_check.h"
#include "cli/json_writer.h"
#include "cli/temp_storage.h"
#include "cli/user_folder.h"
#include "convert/pack_import.h"
#include "lang/lang.h"
#include "model/define_decoder.h"
#include "model/define_file.h"
#include "model/pack_save.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/user_folder_guard.h"

namespace faceloom::cli {

namespace {

const char kImportHelp[] =
    "Usage: faceloom-pack import [OPTIONS] FORMAT SOURCE DEST-FOLDER\n"
    "\n"
    "Makes the smiles of SOURCE a pack in DEST-FOLDER: a new pack there, or, when the\n"
    "folder already holds a pack (_define.ini), added after its last smile. Pictures are\n"
    "converted to the pack's format as they are added (GIF for an animated pack, BMP for a\n"
    "static one); larger ones are scaled down.\n"
    "\n"
    "FORMAT is one of:\n"
    "  auto          find the format from the files SOURCE holds\n"
    "  pictures      a folder or zip of pictures (PNG, JPEG, WebP, GIF, BMP); each code\n"
    "                is made from the picture's file name by --pattern\n"
    "  zip           a zip of a pack of ours (_define.ini and its pictures)\n"
    "  pidgin        a Pidgin smiley theme (a folder or zip with a \"theme\" file)\n"
    "  freedesktop   a freedesktop/KDE emoticon theme (emoticons.xml)\n"
    "  psi           a Psi icon set (.jisp, or a folder with icondef.xml)\n"
    "SOURCE is a folder, a zip or .jisp file, or a single picture.\n"
    "\n"
    "A code the pack already has, or that an earlier picture of SOURCE has, is a clash;\n"
    "--clash says what to do with all of them: rename (default: the new smile gets the code\n"
    "with a number, \":smile:\" -> \":smile2:\"), keep (the new smile is added without it)\n"
    "or skip (the new smile is not added). Codes a pack cannot hold (characters outside its\n"
    "code page, commas, line breaks) are dropped and the smile is kept.\n"
    "\n"
    "Prints what was done, and one line per note (what was skipped, dropped or changed):\n"
    "  DEST-FOLDER: N smiles added (M in the pack), C clashes, K skipped\n"
    "    [KIND] SENTENCE\n"
    "With --json: {\"source\":\"...\",\"format\":\"pidgin\",\"dest\":\"...\",\"added\":N,\n"
    "  \"smiles\":M,\"clashes\":C,\"skipped\":K,\"notes\":[{\"kind\":\"code-dropped\",\n"
    "  \"params\":[...],\"message\":\"...\"},...]}\n"
    "\n"
    "Options:\n"
    "  --animated          DEST-FOLDER is an animated pack of GIF pictures (default)\n"
    "  --static            DEST-FOLDER is a static pack of BMP pictures\n"
    "  --clash CHOICE      rename (default), keep or skip\n"
    "  --pattern TEXT      how a code is made from a file name: \"name\" stands for the name\n"
    "                      without folder and extension (default \":name:\")\n"
    "  --max-size WxH      larger pictures are scaled down to fit (default 256x256)\n"
    "  --json              write JSON\n"
    "  --lang FILE         the language of the notes' sentences\n"
    "  --code-page NAME    code page of the signatures: windows-1251 (default) or\n"
    "                      windows-1252\n"
    "  -h, --help          show this help\n"
    "\n"
    "Exit status: 0 when every picture and code of SOURCE went into the pack; 1 when some\n"
    "were skipped or dropped (the notes say which) but the pack was written; 2 on a usage\n"
    "error, when SOURCE cannot be read, or when the pack cannot be written (DEST-FOLDER is\n"
    "then left as it was).\n"
    "\n"
    "DEST-FOLDER is written all or nothing, as the editor saves: a run that is killed\n"
    "leaves the old pack or the new one, which the next faceloom-pack or editor that\n"
    "opens the folder completes. An import that adds nothing leaves DEST-FOLDER as it\n"
    "was. A folder that the editor or another faceloom-pack has open is refused.\n";

TClashChoice ClashChoiceOf(const TParsedArgs& args) {
    const std::string value = args.Value("--clash", "rename");
    if (value == "rename") return TClashChoice::Rename;
    if (value == "keep") return TClashChoice::Keep;
    if (value == "skip") return TClashChoice::Skip;
    throw EUsageError("unknown --clash '" + value + "' (rename, keep or skip)");
}

void MaxSizeOf(const TParsedArgs& args, TImportOptions& options) {
    if (!args.Has("--max-size")) return;
    const std::string value = args.Value("--max-size");
    int width = 0, height = 0;
    char x = 0, rest = 0;
    std::istringstream in(value);
    if (!(in >> width >> x >> height) || (x != 'x' && x != 'X') || in >> rest || width < 1 || height < 1 ||
        width > 4096 || height > 4096)
        throw EUsageError("--max-size wants WIDTHxHEIGHT from 1x1 to 4096x4096, not '" + value + "'");
    options.MaxWidth = width;
    options.MaxHeight = height;
}

// What is left out of the pack, as against what was only changed on the way in.
bool LostSomething(TImportNoteKind kind) {
    return kind != TImportNoteKind::Scaled && kind != TImportNoteKind::TransparencyLost &&
           kind != TImportNoteKind::FramesDropped;
}

// Why an open or save of DEST failed, where the reason is the user's to act on.
std::string OpenFailure(TModelError error) {
    const std::string reason = FolderFailure(error);
    return reason.empty() ? reason : ": " + reason;
}

int RunImport(const TParsedArgs& args, TCliIo& io) {
    ExpectPositionals(args, 3, 3, "FORMAT SOURCE DEST-FOLDER");
    const std::string& formatName = args.Positionals[0];
    const std::string& source = args.Positionals[1];
    const std::string dest = IncludeTrailingSeparator(args.Positionals[2]);
    TPackFormat format = TPackFormat::Pictures;
    const bool detect = formatName == "auto";
    if (!detect && !ParsePackFormat(formatName, format))
        throw EUsageError("unknown FORMAT '" + formatName + "'");
    TImportOptions options;
    options.CodePage = CodePageOf(args);
    options.CodePattern = args.Value("--pattern", options.CodePattern);
    if (options.CodePattern.empty()) throw EUsageError("--pattern must not be empty");
    MaxSizeOf(args, options);
    const TClashChoice choice = ClashChoiceOf(args);
    const uint8_t kind = PackKindOf(args);
    TTextLookup texts;
    try {
        texts = LoadCheckTexts(args.Value("--lang"));
    } catch (const std::exception& error) {
        throw EUsageError(error.what());
    }

    TForeignPack pack;
    try {
        pack = ReadSource(source, options, detect, format, &format);
    } catch (const std::exception& error) {
        PrintError(io, error.what());
        return kExitUsage;
    }

    // Held from before DEST is looked at until its pack is written, so that no other program
    // writes it meanwhile, nor has it open to overwrite the smiles added here at its next save.
    // A save that a killed run left is settled first: whether DEST holds a pack depends on it.
    TFolderLock lock;
    if (const std::string reason = SettleFolder(dest, lock, true); !reason.empty()) {
        PrintError(io, "cannot import into '" + dest + "': " + reason);
        return kExitUsage;
    }
    TTempStorage storage;
    auto work = storage.Work();
    TDefineDecoder model("Storage");
    model.SetBothMode(false);
    model.SetCurrentPack(kind);
    // Under the identity every run shares, a journal that a kill leaves in DEST is completed by
    // the next run or the editor; without it (no storage area can be written) the save is as
    // safe, only its completion after a kill waits for a run that can.
    model.SetSaveIdentity(PackToolIdentity(true));
    model.OnPhase = [&](TDefineDecoder&, int32_t, int32_t, int32_t) { storage.Checkpoint(); };
    const bool existing = FileExists(dest + kDefineFileName);
    if (existing ? !model.OpenPack(dest + kDefineFileName) : !model.NewPack()) {
        PrintError(io, "cannot open the pack in '" + dest + "'" + OpenFailure(model.LastError()));
        return kExitUsage;
    }
    const auto checkpoint = [&](int32_t, int32_t) {
        storage.Checkpoint();
        return true;
    };
    TImportPlan plan = PlanImport(pack, model, options, checkpoint);
    ChooseForAll(plan, choice);
    NoteChoices(plan);
    const TImportResult result = ApplyImport(model, model.SmileCount(), plan, checkpoint);
    if (result.Failed) {
        PrintError(io, "the smiles could not be added to the working copy");
        return kExitUsage;
    }
    // Nothing added: DEST stays as it was, not even an empty pack is made.
    if (result.Added > 0) {
        if (!DirectoryExists(dest) && !ForceDirectories(dest)) {
            PrintError(io, "cannot create '" + dest + "'");
            return kExitUsage;
        }
        auto save = storage.Save();
        if (!(existing ? model.Save() : model.SaveAs(dest + kDefineFileName))) {
            PrintError(io, "cannot write the pack into '" + dest + "'" + OpenFailure(model.LastError()));
            return kExitUsage;
        }
    }
    const int32_t skipped = static_cast<int32_t>(plan.Items.size()) - result.Added +
                            static_cast<int32_t>(pack.Smiles.size() - plan.Items.size());
    const bool lost =
        skipped > 0 || std::any_of(plan.Notes.begin(), plan.Notes.end(),
                                   [](const TImportNote& note) { return LostSomething(note.Kind); });
    auto message = [&](const TImportNote& note) { return Utf16ToUtf8(FormatImportNote(note, texts)); };
    if (args.Has("--json")) {
        TJsonWriter json;
        json.BeginObject()
            .Key("source")
            .String(source)
            .Key("format")
            .String(PackFormatName(format))
            .Key("dest")
            .String(dest)
            .Key("added")
            .Number(result.Added)
            .Key("smiles")
            .Number(model.SmileCount())
            .Key("clashes")
            .Number(static_cast<int64_t>(plan.Clashes.size()))
            .Key("skipped")
            .Number(skipped)
            .Key("notes")
            .BeginArray();
        for (const TImportNote& note : plan.Notes) {
            json.BeginObject().Key("kind").String(ImportNoteKindName(note.Kind));
            json.Key("params").StringArray(note.Params).Key("message").String(message(note)).EndObject();
        }
        json.EndArray().EndObject();
        io.Out << json.Text() << "\n";
    } else {
        io.Out << dest << ": " << result.Added << " smiles added (" << model.SmileCount() << " in the pack), "
               << plan.Clashes.size() << " clashes, " << skipped << " skipped\n";
        for (const TImportNote& note : plan.Notes)
            io.Out << "    [" << ImportNoteKindName(note.Kind) << "] " << message(note) << "\n";
    }
    model.ClosePack();
    return lost ? kExitProblems : kExitOk;
}

}  // namespace

const TCommand kImportCommand{
    "import",
    "make the smiles of a folder, zip or other messenger's theme a pack of ours",
    kImportHelp,
    {{"--static", false},
     {"--animated", false},
     {"--clash", true},
     {"--pattern", true},
     {"--max-size", true},
     {"--json", false},
     {"--lang", true},
     {"--code-page", true}},
    RunImport,
};

}  // namespace faceloom::cli
