// Writes the seeds of the journal and history fuzz targets (fuzz/corpus/journal/seed-*,
// fuzz/corpus/history/seed-*) with the encoders the program itself uses, so that the fuzzers
// start from every kind of step and journal a real working copy can hold.
//
// Usage: faceloom-fuzz-seeds CORPUS-FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/edit_history.h"
#include "model/edit_journal.h"
#include "model/pack_save.h"

namespace {

using namespace faceloom;

// The identity and pair token the fuzz targets recover under.
constexpr const char* kIdentity = "0123456789abcdef0123456789abcdef";
constexpr const char* kPair = "00112233aabbccdd";

// The journal target's selector byte: bit 0 an edit journal, bit 1 the pair's record exists,
// bit 2 the check value is recomputed.
constexpr char kEdit = 1, kPairRecord = 2, kResealed = 4;

bool Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

THistoryStep Step(THistoryKind kind, int32_t index, std::string label = {}) {
    THistoryStep step;
    step.Info.Kind = kind;
    step.Info.Index = step.Info.To = index;
    step.Info.Label = std::move(label);
    return step;
}

// Histories: every kind of step, done and undone, with kept pictures and signatures.
std::vector<std::pair<std::string, std::string>> HistorySeeds() {
    std::vector<std::pair<std::string, std::string>> seeds;
    std::vector<std::string> dropped;

    TEditHistory empty;
    seeds.emplace_back("seed-empty", empty.Encode(kIdentity));

    TEditHistory all;
    {
        THistoryStep add = Step(THistoryKind::AddSmiles, 3, ":)");
        add.Info.Count = 2;
        add.Done = {{}, {all.NewKeptName(".gif"), 812}};
        add.Undone = {{all.NewKeptName(".gif"), 1200}, {all.NewKeptName(".gif"), 930}};
        InsertAddedSignatures(add, 0, {":)", ":-)"});
        InsertAddedSignatures(add, 1, {";)"});
        add.Info.Count = 2;
        all.Push(add, dropped);
    }
    {
        THistoryStep replace = Step(THistoryKind::ReplacePicture, 0, ":D");
        replace.Done = {{all.NewKeptName(".gif"), 2048}};
        replace.Undone = {{all.NewKeptName(".gif"), 4096}};
        all.Push(replace, dropped);
    }
    {
        THistoryStep picture = Step(THistoryKind::DeletePicture, 1, ":(");
        picture.Done = {{all.NewKeptName(".gif"), 512}};
        all.Push(picture, dropped);
    }
    {
        THistoryStep smile = Step(THistoryKind::DeleteSmile, 2, ":P");
        smile.Done = {{all.NewKeptName(".gif"), 640}};
        smile.Before = {":P", ":-P", ":p"};
        all.Push(smile, dropped);
    }
    {
        THistoryStep move = Step(THistoryKind::MoveSmile, 4, "8)");
        move.Info.To = 0;
        all.Push(move, dropped);
    }
    const THistoryKind signatureKinds[] = {THistoryKind::AddSignature, THistoryKind::EditSignature,
                                           THistoryKind::MoveSignature, THistoryKind::DeleteSignature};
    for (const THistoryKind kind : signatureKinds) {
        THistoryStep step = Step(kind, 5, ":O");
        step.Info.Text = ":-O";
        step.Before = {":O", ":-o"};
        step.After = {":-O", ":O"};
        all.Push(step, dropped);
    }
    all.MarkSaved();
    seeds.emplace_back("seed-every-kind", all.Encode(kIdentity));
    // Half of it undone: the redo steps keep their Undone pictures.
    for (int k = 0; k < 5; ++k) all.Undone(dropped);
    seeds.emplace_back("seed-half-undone", all.Encode(kIdentity));
    all.MarkUnsaved();
    while (all.CanUndo()) all.Undone(dropped);
    seeds.emplace_back("seed-all-undone-unsaved", all.Encode(kIdentity));

    // Steps dropped at the front: a history that starts late and names late kept pictures.
    TEditHistory trimmed;
    for (size_t k = 0; k < TEditHistory::kMaxSteps + 3; ++k) {
        THistoryStep step = Step(THistoryKind::DeletePicture, static_cast<int32_t>(k % 7));
        step.Done = {{trimmed.NewKeptName(k % 2 == 0 ? ".gif" : ".bmp"), 100 + k}};
        trimmed.Push(step, dropped);
    }
    seeds.emplace_back("seed-trimmed", trimmed.Encode(kIdentity));
    return seeds;
}

std::vector<std::pair<std::string, std::string>> JournalSeeds() {
    std::vector<std::pair<std::string, std::string>> seeds;
    const auto add = [&](const std::string& name, char selector, const std::string& bytes) {
        seeds.emplace_back(name, std::string(1, selector) + bytes);
    };

    // Edits: renames through a parked name, a drop, a history index carried along, and a
    // picture moved to and from the history.
    TEditJournal edit;
    edit.Identity = kIdentity;
    edit.Steps = {{false, "ab.gif", ".~faceloom-move-1.tmp", 11},
                  {false, "aa.gif", "ab.gif", 12},
                  {false, ".~faceloom-move-1.tmp", "aa.gif", 11},
                  {true, ".~faceloom-move-0.tmp", "", 13}};
    edit.Definition = "b1\r\na1\r\n";
    add("seed-edit-swap", kEdit | kResealed, edit.Encode());
    TEditHistory history;
    std::vector<std::string> dropped;
    THistoryStep deleted = Step(THistoryKind::DeleteSmile, 0, "a1");
    deleted.Done = {{history.NewKeptName(".gif"), 6}};
    deleted.Before = {"a1"};
    history.Push(deleted, dropped);
    TEditJournal toHistory;
    toHistory.Identity = kIdentity;
    toHistory.Steps = {{false, "aa.gif", "History/" + deleted.Done[0].Name, 21},
                       {false, "ab.gif", "aa.gif", 22}};
    toHistory.Definition = "b1\r\n";
    toHistory.History = history.Encode(kIdentity);
    add("seed-edit-to-history", kEdit | kResealed, toHistory.Encode());
    TEditJournal fromHistory = toHistory;
    fromHistory.Steps = {{false, "aa.gif", "ab.gif", 22},
                         {false, "History/" + deleted.Done[0].Name, "aa.gif", 21}};
    fromHistory.Definition = "a1\r\nb1\r\n";
    fromHistory.History = TEditHistory().Encode(kIdentity);
    add("seed-edit-from-history", kEdit | kResealed, fromHistory.Encode());
    TEditJournal foreign = edit;
    foreign.Identity = "fedcba9876543210fedcba9876543210";
    add("seed-edit-foreign", kEdit | kResealed, foreign.Encode());

    // Saves: a commit of one pack, the stage of a pair with and without its record.
    TSaveJournal commit;
    commit.Phase = TSavePhase::Commit;
    commit.Identity = kIdentity;
    commit.NewNames = {"_define.ini", "aa.gif"};
    commit.OldNames = {"_define.ini", "aa.gif", "ab.gif"};
    add("seed-save-commit", kResealed, commit.Encode());
    TSaveJournal stage = commit;
    stage.Phase = TSavePhase::Stage;
    stage.Pair = kPair;
    add("seed-save-pair-committed", kResealed | kPairRecord, stage.Encode());
    add("seed-save-pair-rolled-back", kResealed, stage.Encode());
    return seeds;
}

bool Readable(const std::string& folder, const std::string& bytes) {
    if (folder == "history") return TEditHistory::Decode(bytes, kIdentity).has_value();
    const std::string journal = bytes.substr(1);
    return (bytes[0] & kEdit) != 0 ? TEditJournal::Decode(journal).has_value()
                                   : TSaveJournal::Decode(journal).has_value();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: faceloom-fuzz-seeds CORPUS-FOLDER\n");
        return 2;
    }
    const std::filesystem::path corpus(argv[1]);
    int written = 0;
    for (const auto& [folder, seeds] :
         {std::pair{"history", HistorySeeds()}, std::pair{"journal", JournalSeeds()}}) {
        std::filesystem::create_directories(corpus / folder);
        for (const auto& [name, bytes] : seeds) {
            // A seed the decoders refuse would start the fuzzer at the check value again.
            if (!Readable(folder, bytes)) {
                std::fprintf(stderr, "seed %s/%s does not read back\n", folder, name.c_str());
                return 1;
            }
            if (!Write(corpus / folder / name, bytes)) {
                std::fprintf(stderr, "cannot write %s\n", (corpus / folder / name).c_str());
                return 1;
            }
            ++written;
        }
    }
    std::printf("wrote %d seeds\n", written);
    return 0;
}
