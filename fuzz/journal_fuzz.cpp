// The journals of interrupted saves and edits are read back from folders at start-up and when
// a folder is opened or saved into, so they are outside input: a damaged or forged journal must
// never crash the recovery, reach outside its folder, touch a file that is not a pack file or
// a temporary file of ours, or stay behind once recovery says it is done.
//
// Only a journal carrying the recovering storage's identity is acted on; a damaged or foreign
// one leaves every file as it was.
//
// Input: a selector byte (bit 0: an edit journal, else a save journal; bit 1: the record that
// commits the pair kFuzzPair exists; bit 2: the journal's check value is recomputed, so that
// mutations reach the decoders behind it), then the journal's bytes. The folder holds pack files,
// staged files of a save, files that are none of these, a sub-folder, and a file beside the
// folder. The storage's identity is kFuzzIdentity.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "model/edit_journal.h"
#include "model/pack_save.h"
#include "platform/files.h"

namespace {

using faceloom::fuzz::TFuzzFolder;

constexpr const char* kFuzzIdentity = "0123456789abcdef0123456789abcdef";
constexpr const char* kFuzzPair = "00112233aabbccdd";

void Write(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

// Files no journal may change: name (relative to the root) -> content.
const std::map<std::string, std::string> kUntouchable = {
    {"pack/readme.txt", "not a pack file"},
    {"pack/sub/aa.gif", "inside a sub-folder"},
    {"beside.gif", "beside the folder"},
    {"pack/.~faceloom-other.dat", "ours by prefix, not by name"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TFuzzFolder root("journal-fuzz");
    const std::string folder = root.Path() + "pack/";
    std::error_code ec;
    std::filesystem::remove_all(root.Path() + "pack", ec);
    std::filesystem::remove(root.Path() + "beside.gif", ec);
    std::filesystem::remove_all(root.Path() + "records", ec);
    std::filesystem::create_directories(folder + "sub");
    std::filesystem::create_directories(root.Path() + "records");
    const faceloom::TSaveOwner owner{kFuzzIdentity, root.Path() + "records/"};
    if (size > 0 && (data[0] & 2) != 0) Write(faceloom::PairRecordPath(owner, kFuzzPair), kFuzzIdentity);
    for (const auto& [name, bytes] : kUntouchable) Write(root.Path() + name, bytes);
    Write(folder + "_define.ini", "old");
    Write(folder + "aa.gif", "old aa");
    Write(folder + "ab.gif", "old ab");
    Write(folder + faceloom::StagedNewName(0), "new define");
    Write(folder + faceloom::StagedNewName(1), "new aa");
    Write(folder + ".~faceloom-move-0.tmp", "parked");

    const bool edit = size > 0 && (data[0] & 1) != 0;
    std::string journal(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);
    if (size > 0 && (data[0] & 4) != 0) journal = faceloom::fuzz::Resealed(journal);
    if (edit) {
        Write(folder + faceloom::kEditJournalName, journal);
        const std::optional<faceloom::TEditJournal> decoded = faceloom::TEditJournal::Decode(journal);
        if (decoded) {
            const std::optional<faceloom::TEditJournal> again =
                faceloom::TEditJournal::Decode(decoded->Encode());
            FUZZ_CHECK(again && again->Encode() == decoded->Encode());
        }
        const bool done = faceloom::RecoverEdit(folder, kFuzzIdentity);
        if (done) FUZZ_CHECK(!faceloom::FileExists(folder + faceloom::kEditJournalName));
        if (!decoded || decoded->Identity != kFuzzIdentity) {
            // Not ours: the journal and every file stay as they were.
            FUZZ_CHECK(!done && faceloom::ReadWholeFile(folder + faceloom::kEditJournalName) ==
                                    std::optional<std::string>(journal));
            FUZZ_CHECK(faceloom::ReadWholeFile(folder + "aa.gif") == std::optional<std::string>("old aa"));
            FUZZ_CHECK(faceloom::FileExists(folder + ".~faceloom-move-0.tmp"));
        }
    } else {
        Write(folder + faceloom::kSaveJournalName, journal);
        const std::optional<faceloom::TSaveJournal> decoded = faceloom::TSaveJournal::Decode(journal);
        if (decoded) {
            const std::optional<faceloom::TSaveJournal> again =
                faceloom::TSaveJournal::Decode(decoded->Encode());
            FUZZ_CHECK(again && again->Encode() == decoded->Encode());
        }
        const faceloom::TSaveRecovery outcome = faceloom::RecoverSave(folder, owner);
        const bool ours = decoded && decoded->Identity == kFuzzIdentity;
        FUZZ_CHECK(ours == (outcome != faceloom::TSaveRecovery::Foreign));
        if (outcome != faceloom::TSaveRecovery::Failed && outcome != faceloom::TSaveRecovery::Foreign) {
            // Finished either way: no journal and no temporary file of ours is left.
            FUZZ_CHECK(!faceloom::FileExists(folder + faceloom::kSaveJournalName));
            for (const faceloom::TFolderEntry& entry : faceloom::ListFolder(folder)) {
                FUZZ_CHECK(!faceloom::IsOwnTempName(entry.Name));
            }
        }
        if (!ours) {
            // An unreadable or foreign journal leaves every file as it was.
            FUZZ_CHECK(faceloom::ReadWholeFile(folder + "aa.gif") == std::optional<std::string>("old aa"));
            FUZZ_CHECK(faceloom::FileExists(folder + faceloom::StagedNewName(1)));
        }
    }
    for (const auto& [name, bytes] : kUntouchable) {
        FUZZ_CHECK(faceloom::ReadWholeFile(root.Path() + name) == std::optional<std::string>(bytes));
    }
    return 0;
}
