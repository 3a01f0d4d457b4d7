// What the model may trust: its records and journals only when they carry this storage's
// identity, save targets only outside the storage area, and the two packs of a pair saved as
// one, never half.

#include <filesystem>

#include "define_decoder_fixture.h"
#include "model/pack_save.h"
#include "platform/files.h"
#include "storage/config_manager.h"
#include "storage/storage_identity.h"
#include "storage/storage_ini_file.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::pair<std::string, std::string>>;

class TrustTest : public ModelTest {
protected:
    // Every file below a folder, sub-folders included, with its content.
    static Files Tree(const std::string& folder) {
        Files files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                files.emplace_back(fs::relative(entry.path(), folder).string(), ReadBytes(entry.path()));
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    // The animated pack opened from folder "a" and given a signature, so it has unsaved work.
    std::string OpenEdited() {
        const std::string folder = MakePack("a", {{"x.gif", 1}, {"y.gif", 2}}, "a1\r\na2");
        auto model = NewModel();
        EXPECT_TRUE(model->OpenPack(folder + "_define.ini"));
        model->Smile(0)->Signatures.Add("edited");
        return folder;
    }

    // A folder that is not the pack's: ".ini" files, a picture, staged files and a commit
    // journal listing them, written by another storage.
    std::string ForeignFolder() {
        const std::string folder = MakePack("foreign", {{"aa.gif", 7}}, "theirs");
        WriteBytes(folder + "other.ini", "theirs");
        WriteBytes(folder + StagedNewName(0), "their new define");
        TSaveJournal journal;
        journal.Phase = TSavePhase::Commit;
        journal.Identity = std::string(32, 'f');
        journal.NewNames = {"_define.ini"};
        journal.OldNames = {"_define.ini", "aa.gif", "other.ini"};
        WriteBytes(folder + kSaveJournalName, journal.Encode());
        return folder;
    }

    // Rewrites one line of the animated pack's state file (key=value), as a hand or another
    // program would, keeping the check value as it was.
    void EditState(const std::string& key, const std::string& value) {
        std::string bytes = ReadBytes(StateFile(kAnimatedPack));
        const size_t at = bytes.find(key + "=");
        if (at == std::string::npos) {
            bytes.insert(bytes.find("Check="), key + "=" + value + "\r\n");
        } else {
            bytes.replace(at, bytes.find("\r\n", at) - at, key + "=" + value);
        }
        WriteBytes(StateFile(kAnimatedPack), bytes);
    }

    int questions = 0;
    std::vector<int32_t> folderKinds;
    void CountQuestions(TDefineDecoder& model, int32_t answer, bool acceptFolder = false,
                        const std::string& folder = "") {
        model.OnQuerySave = [this, answer](TDefineDecoder&, int32_t& value) {
            ++questions;
            value = answer;
        };
        model.OnSelectFolder = [this, acceptFolder, folder](TDefineDecoder&, int32_t kind, std::string& path,
                                                            bool& accepted) {
            folderKinds.push_back(kind);
            path = folder;
            accepted = acceptFolder;
        };
    }
};

// A working copy whose record cannot be read is kept, shown without a source folder and
// flagged; opening another pack asks first; saving asks where to.
TEST_F(TrustTest, AnUnreadableRecordKeepsThePackWithoutItsSource) {
    const std::string other = MakePack("other", {{"o.gif", 9}}, "o");
    int round = 0;
    const std::vector<std::pair<std::string, std::function<void()>>> damages = {
        {"garbage", [&] { WriteBytes(StateFile(kAnimatedPack), "\x01\x02[Stor"); }},
        {"missing", [&] { fs::remove(StateFile(kAnimatedPack)); }},
        {"folder edited", [&] { EditState("SourcePath", other); }},
        {"check removed", [&] { EditState("Check", ""); }},
        {"closed by hand", [&] { EditState("SmiliesLoaded", "0"); }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        const std::string source = OpenEdited();
        const Files work = Tree(StorageFolder(kAnimatedPack));
        const Files before = Tree(source);
        damage();

        auto model = NewModel();
        EXPECT_TRUE(model->PresentPacks().Contains(kAnimatedPack));
        EXPECT_FALSE(model->SourcedPacks().Contains(kAnimatedPack));
        EXPECT_TRUE(model->UnreadableStates().Contains(kAnimatedPack));
        EXPECT_FALSE(model->UnreadableStates().Contains(kStaticPack));
        EXPECT_EQ(model->SourcePath(kAnimatedPack), "");
        ASSERT_TRUE(model->LoadFromStorage());
        EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
        EXPECT_EQ(model->Smile(0)->Signatures.Items(), (std::vector<std::string>{"a1", "edited"}));
        // Once the user is told, the record is written again: the next start has nothing to
        // tell, and the pack is still there without a folder.
        ASSERT_TRUE(model->AcknowledgeUnreadableStates());
        EXPECT_TRUE(model->UnreadableStates().Empty());
        {
            auto next = NewModel();
            EXPECT_TRUE(next->UnreadableStates().Empty());
            EXPECT_TRUE(next->PresentPacks().Contains(kAnimatedPack));
            EXPECT_FALSE(next->SourcedPacks().Contains(kAnimatedPack));
        }

        CountQuestions(*model, 2);
        EXPECT_FALSE(model->OpenPack(other + "_define.ini"));
        EXPECT_EQ(questions, 1);
        EXPECT_FALSE(model->Save());
        EXPECT_EQ(folderKinds, std::vector<int32_t>{0});
        EXPECT_EQ(Tree(source), before);
        for (const auto& [name, bytes] : work) {
            if (name.rfind("Config", 0) != 0)
                EXPECT_EQ(ReadBytes(StorageFolder(kAnimatedPack) + name), bytes) << name;
        }

        // Saved somewhere chosen, the pack has its folder and a sound record again.
        const std::string chosen = sources.folder() + "chosen-" + std::to_string(++round) + "/";
        CountQuestions(*model, 2, true, chosen + "_define.ini");
        ASSERT_TRUE(model->Save());
        EXPECT_FALSE(model->UnreadableStates().Contains(kAnimatedPack));
        auto again = NewModel();
        EXPECT_TRUE(again->UnreadableStates().Empty());
        EXPECT_EQ(again->SourcePath(kAnimatedPack), chosen);
        questions = 0;
        folderKinds.clear();
    }
}

// A storage written before records carried a check has no identity yet: its records are
// adopted once and written with a check, so an upgrade keeps every pack's folder. Once the
// storage has an identity, a record without a check is no longer trusted.
TEST_F(TrustTest, AnEarlierVersionsRecordsAreAdoptedOnceWhenTheStorageGetsItsIdentity) {
    const std::string source = OpenEdited();
    const std::string identity = fs::path(ConfigFile()).parent_path().string() + "/Identity";
    ASSERT_TRUE(fs::exists(identity));
    // As an earlier version wrote it: no check value and no seal.
    auto legacy = [&] {
        std::string bytes = ReadBytes(StateFile(kAnimatedPack));
        const size_t seal = bytes.find("Seal=");
        bytes.erase(seal != std::string::npos ? seal : bytes.find("Check="));
        WriteBytes(StateFile(kAnimatedPack), bytes);
    };
    legacy();
    fs::remove(identity);
    {
        auto model = NewModel();
        EXPECT_TRUE(model->UnreadableStates().Empty());
        EXPECT_TRUE(model->SourcedPacks().Contains(kAnimatedPack));
        EXPECT_EQ(model->SourcePath(kAnimatedPack), source);
    }
    EXPECT_NE(ReadBytes(StateFile(kAnimatedPack)).find("Check="), std::string::npos);
    // The same unchecked record under a kept identity: kept, but not trusted.
    legacy();
    auto model = NewModel();
    EXPECT_TRUE(model->UnreadableStates().Contains(kAnimatedPack));
    EXPECT_FALSE(model->SourcedPacks().Contains(kAnimatedPack));
}

// A forged record naming a foreign folder as a save under way, or as the pack's source, and a
// foreign journal in a folder opened or saved into: nothing of that folder is touched.
TEST_F(TrustTest, ForgedRecordsAndForeignJournalsTouchNoFileElsewhere) {
    const std::string source = OpenEdited();
    const std::string foreign = ForeignFolder();
    const Files theirs = Tree(foreign);
    const Files sourceBefore = Tree(source);
    const std::string root = "/";
    const bool rootHadDefine = FileExists(root + "_define.ini");

    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"PendingSave", foreign}, {"SourcePath", foreign}, {"SourcePath", root}}) {
        SCOPED_TRACE(key + "=" + value);
        EditState(key, value);
        auto model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        EXPECT_TRUE(model->UnreadableStates().Contains(kAnimatedPack));
        EXPECT_EQ(Tree(foreign), theirs);
        CountQuestions(*model, 2);
        EXPECT_FALSE(model->Save());  // asks for a folder instead of writing there
        EXPECT_EQ(model->LastError(), TModelError::Cancelled);
        EXPECT_EQ(FileExists(root + "_define.ini"), rootHadDefine);
        EXPECT_EQ(Tree(foreign), theirs);
        EXPECT_EQ(Tree(source), sourceBefore);
    }

    // Opening or saving into the folder of a foreign journal says so and changes nothing.
    auto model = NewModel();
    ASSERT_TRUE(model->LoadFromStorage());
    EXPECT_FALSE(model->OpenPack(foreign + "_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::ForeignSave);
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
    EXPECT_FALSE(model->SaveAs(foreign + "_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::ForeignSave);
    EXPECT_EQ(Tree(foreign), theirs);

    // A journal of this storage in the same place is finished as before.
    TSaveJournal ours;
    ours.Phase = TSavePhase::Commit;
    ours.Identity = model->StorageIdentity();
    ours.NewNames = {"_define.ini"};
    ours.OldNames = {"_define.ini", "aa.gif", "other.ini"};
    WriteBytes(foreign + kSaveJournalName, ours.Encode());
    ASSERT_TRUE(model->OpenPack(foreign + "_define.ini"));
    EXPECT_EQ(ListFiles(foreign), (std::vector<std::string>{"_define.ini"}));
    EXPECT_EQ(ReadBytes(foreign + "_define.ini"), "their new define");
}

// Save As into the storage area (a working copy, its parent, the settings) is refused; a pack
// opened from there gets no folder, so saving it asks where to.
TEST_F(TrustTest, TheStorageAreaIsNeverASaveTarget) {
    const std::string source = OpenEdited();
    auto model = NewModel();
    ASSERT_TRUE(model->LoadFromStorage());
    const std::string work = Work(*model);
    const Files before = Tree(work);
    const std::string area = home.dir().folder() + "Faceloom for Tavi 2005/";
    fs::create_directory_symlink(work, sources.folder() + "link");
    for (const std::string& target : {work, work + "../", StorageFolder(kStaticPack), area + "3.0/Config/",
                                      area + "elsewhere/", sources.folder() + "link/"}) {
        SCOPED_TRACE(target);
        EXPECT_FALSE(model->SaveAs(target + "_define.ini"));
        EXPECT_EQ(model->LastError(), TModelError::TargetInStorage);
        EXPECT_EQ(model->SourcePath(kAnimatedPack), source);
    }
    model->SetBothMode(true);
    EXPECT_FALSE(model->SaveAs(area));
    EXPECT_EQ(model->LastError(), TModelError::TargetInStorage);
    model->SetBothMode(false);
    EXPECT_EQ(Tree(work), before);

    ASSERT_TRUE(model->OpenPack(work + "_define.ini"));
    EXPECT_FALSE(model->SourcedPacks().Contains(kAnimatedPack));
    CountQuestions(*model, 2);
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(folderKinds, std::vector<int32_t>{0});
    // Closed with "save", nothing is lost: the question stops at the folder choice.
    CountQuestions(*model, 0);
    EXPECT_FALSE(model->ClosePack());
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
}

// A pair whose animated folder cannot take the pack: Save and Save As fail and leave both
// folders, and both sources, as they were.
TEST_F(TrustTest, APairThatCannotBeWrittenWholeIsNotWrittenAtAll) {
    const std::string base = sources.folder() + "base/";
    MakePack("base/Static", {{"s1.bmp", 1}}, "s1", kStaticPack);
    MakePack("base/Animated", {{"a2.gif", 2}}, "a2");
    auto model = NewModel();
    model->SetBothMode(true);
    ASSERT_TRUE(model->OpenPack(base));
    model->Smile(0)->Signatures.Add("a-new");
    ASSERT_NE(model->AddSmile(Picture(3)), nullptr);
    model->SetCurrentPack(kStaticPack);
    model->Smile(0)->Signatures.Add("s-new");
    model->SetCurrentPack(kAnimatedPack);

    const std::string copy = sources.folder() + "copy/";
    // Folders where an animated picture must go.
    fs::create_directories(copy + "Animated/ab.gif");
    fs::create_directories(base + "Animated/ab.gif");
    const Files baseBefore = Tree(base);
    const Files copyBefore = Tree(copy);

    EXPECT_FALSE(model->Save());
    EXPECT_EQ(model->LastError(), TModelError::TargetBlocked);
    EXPECT_FALSE(model->SaveAs(copy));
    EXPECT_EQ(model->LastError(), TModelError::TargetBlocked);
    EXPECT_EQ(Tree(base), baseBefore);
    EXPECT_EQ(Tree(copy), copyBefore);
    EXPECT_EQ(model->SourcePath(kStaticPack), base + "Static/");
    EXPECT_EQ(model->SourcePath(kAnimatedPack), base + "Animated/");
    EXPECT_EQ(model->BothPath(), base);
    for (const auto& entry :
         fs::directory_iterator(home.dir().folder() + "Faceloom for Tavi 2005/3.0/Storage/Config/")) {
        EXPECT_EQ(entry.path().filename().string().rfind("PairSave-", 0), std::string::npos);
    }

    // Unblocked, both go.
    fs::remove(copy + "Animated/ab.gif");
    ASSERT_TRUE(model->SaveAs(copy));
    EXPECT_EQ(ReadBytes(copy + "Static/_define.ini"), "s1,s-new");
    EXPECT_EQ(ReadBytes(copy + "Animated/_define.ini"), "a2,a-new\r\n \r\n");
    auto again = NewModel();
    EXPECT_EQ(again->SourcePath(kStaticPack), copy + "Static/");
    EXPECT_EQ(again->SourcePath(kAnimatedPack), copy + "Animated/");
}

// Forges of the records and settings that name where a save goes, as someone who can write
// the storage (and read it) would make them, against a folder of the user's that no save of
// this storage ever touched.
class ForgeTest : public TrustTest {
protected:
    // The user's folder: pack files of both kinds and a file of another kind.
    std::string UserFolder(const std::string& name) {
        const std::string folder = MakePack(name, {{"mine.gif", 5}}, "mine");
        WriteBmp(folder + "mine.bmp", PictureWidth(6), 12, 6);
        WriteBytes(folder + "notes.ini", "notes");
        WriteBytes(folder + "keep.txt", "keep");
        return folder;
    }
    std::string IdentityFile() const { return fs::path(ConfigFile()).parent_path().string() + "/Identity"; }

    // A record written with whatever identity is in the storage now, as the forger reads it.
    void WriteRecordAs(uint8_t pack, const std::string& identity, const std::string& sourcePath,
                       const std::string& seal = "", const std::string& pendingSave = "") {
        TStorageManager storage(PackSubPath(kStorageMode, pack));
        TPackState record;
        record.Allocated = record.Loaded = record.PathAssigned = true;
        record.SourcePath = sourcePath;
        record.Seal = seal;
        record.PendingSave = pendingSave;
        TStorageIniFile(storage).WritePackState(record, identity);
    }
    // The record as an earlier version wrote it: no check, no seal.
    void WriteEarlierRecord(uint8_t pack, const std::string& sourcePath) {
        WriteBytes(StateFile(pack),
                   "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=1\r\nSmiliesLoaded=1\r\nSourcePath=" +
                       sourcePath + "\r\n");
    }
    std::string SealOf(uint8_t pack) const {
        const std::string bytes = ReadBytes(StateFile(pack));
        const size_t at = bytes.find("Seal=");
        return at == std::string::npos ? std::string() : bytes.substr(at + 5, 16);
    }
    void ForgeBothPath(const std::string& base) {
        TStorageManager storage(ModeConfigSubPath(kStorageMode));
        TConfigManager config(storage);
        config.WriteBool(TConfigBoolKey::BothPathsAssigned, true);
        config.WriteString(TConfigStringKey::BothPath, base);
    }

    // Answers: the confirmation, then the folder choice (cancelled unless chosen is given).
    std::vector<std::string> confirmations;
    void Answer(TDefineDecoder& model, bool confirm, const std::string& chosen = "") {
        model.OnConfirmFolder = [this, confirm](TDefineDecoder&, int32_t kind, const std::string& folder,
                                                bool& confirmed) {
            confirmations.push_back(std::to_string(kind) + " " + folder);
            confirmed = confirm;
        };
        model.OnSelectFolder = [this, chosen](TDefineDecoder&, int32_t kind, std::string& path,
                                              bool& accepted) {
            folderKinds.push_back(kind);
            path = chosen;
            accepted = !chosen.empty();
        };
        model.OnQuerySave = nullptr;
    }
    void ResetAnswers() {
        confirmations.clear();
        folderKinds.clear();
    }
};

// One pack whose record is made to name the user's folder. Declined, nothing of that folder
// changes and the folder is asked for; confirmed, the save goes there and the folder is then
// the pack's own, also after a restart, without a question.
TEST_F(ForgeTest, ARecordNamingAFolderTheUserDidNotChooseNeverSavesThereUnasked) {
    struct Forge {
        std::string what;
        std::function<void(const std::string& user)> make;
        bool unreadable;  // the record is refused outright (the pack keeps no folder)
    };
    const std::vector<Forge> forges = {
        {"identity deleted, an earlier version's record",
         [&](const std::string& user) {
             WriteEarlierRecord(kAnimatedPack, user);
             fs::remove(StateFile(kStaticPack));
             fs::remove(IdentityFile());
         },
         false},
        {"identity deleted, the other pack's record still checked",
         [&](const std::string& user) {
             WriteEarlierRecord(kAnimatedPack, user);
             WriteRecordAs(kStaticPack, std::string(32, '3'), "");
             fs::remove(IdentityFile());
         },
         true},
        {"identity read, check recomputed",
         [&](const std::string& user) { WriteRecordAs(kAnimatedPack, ReadBytes(IdentityFile()), user); },
         false},
        {"identity read, check recomputed, the honest seal kept",
         [&](const std::string& user) {
             WriteRecordAs(kAnimatedPack, ReadBytes(IdentityFile()), user, SealOf(kAnimatedPack));
         },
         false},
        {"identity of the forger's own, check made with it",
         [&](const std::string& user) {
             const std::string identity(32, 'a');
             WriteBytes(IdentityFile(), identity);
             WriteRecordAs(kAnimatedPack, identity, user);
         },
         false},
        {"source folder edited by hand", [&](const std::string& user) { EditState("SourcePath", user); },
         true},
    };
    int round = 0;
    for (const Forge& forge : forges) {
        SCOPED_TRACE(forge.what);
        OpenEdited();
        const std::string user = UserFolder("user-" + std::to_string(++round));
        const Files before = Tree(user);
        forge.make(user);

        auto model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        ASSERT_TRUE(model->PresentPacks().Contains(kAnimatedPack));
        EXPECT_EQ(model->UnreadableStates().Contains(kAnimatedPack), forge.unreadable);
        ResetAnswers();
        Answer(*model, false);
        EXPECT_FALSE(model->Save());
        EXPECT_EQ(model->LastError(), TModelError::Cancelled);
        EXPECT_EQ(Tree(user), before);
        EXPECT_EQ(folderKinds, std::vector<int32_t>{0});
        // A record that is read names its folder, so the user is asked about it; with "save
        // there", the save goes there.
        if (forge.unreadable) {
            EXPECT_TRUE(confirmations.empty());
            continue;
        }
        EXPECT_EQ(confirmations, std::vector<std::string>{"0 " + user});
        ResetAnswers();
        Answer(*model, true);
        ASSERT_TRUE(model->Save());
        EXPECT_EQ(confirmations, std::vector<std::string>{"0 " + user});
        EXPECT_EQ(ReadBytes(user + "_define.ini"), "a1,edited\r\na2");
        EXPECT_EQ(ReadBytes(user + "keep.txt"), "keep");
        EXPECT_FALSE(FileExists(user + "mine.gif"));
        // Its own now: saved again after a restart without a question.
        auto again = NewModel();
        ASSERT_TRUE(again->LoadFromStorage());
        ResetAnswers();
        Answer(*again, false);
        again->Smile(0)->Signatures.Add("again");
        EXPECT_TRUE(again->Save());
        EXPECT_TRUE(confirmations.empty());
        EXPECT_EQ(ReadBytes(user + "_define.ini"), "a1,edited,again\r\na2");
    }
}

// The pair's base folder comes from config.ini, which is not checked at all. A forged base
// makes a both-packs save ask about every folder of the pair that nothing vouches for: the
// user's files under it stay as they were unless confirmed.
TEST_F(ForgeTest, AForgedPairBaseNeverSavesThereUnasked) {
    struct Pair {
        std::string what;
        std::function<std::string()> make;  // the packs left open; returns the honest base, if any
        std::vector<uint8_t> asked;         // the packs whose folders under the forged base are asked about
    };
    const std::vector<Pair> pairs = {
        {"two new packs",
         [&] {
             auto model = NewModel();
             model->SetBothMode(true);
             EXPECT_TRUE(model->NewPack());
             return std::string();
         },
         {kStaticPack}},
        {"a static pack from a folder, a new animated pack",
         [&] {
             const std::string base = sources.folder() + "honest-1/";
             MakePack("honest-1/Static", {{"s.bmp", 1}}, "s", kStaticPack);
             auto model = NewModel();
             model->SetBothMode(true);
             EXPECT_TRUE(model->OpenPack(base));
             model->SetCurrentPack(kAnimatedPack);
             EXPECT_TRUE(model->NewCurrentPack());
             return base;
         },
         {kAnimatedPack}},
        {"a pair opened from a base without its animated folder",
         [&] {
             const std::string base = sources.folder() + "honest-2/";
             MakePack("honest-2/Static", {{"s.bmp", 1}}, "s", kStaticPack);
             auto model = NewModel();
             model->SetBothMode(true);
             EXPECT_TRUE(model->OpenPack(base));
             return base;
         },
         {kAnimatedPack}},
        {"a pair opened from a whole base",
         [&] {
             const std::string base = sources.folder() + "honest-3/";
             MakePack("honest-3/Static", {{"s.bmp", 1}}, "s", kStaticPack);
             MakePack("honest-3/Animated", {{"a.gif", 2}}, "a");
             auto model = NewModel();
             model->SetBothMode(true);
             EXPECT_TRUE(model->OpenPack(base));
             return base;
         },
         {}},
    };
    int round = 0;
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.what);
        const std::string honest = pair.make();
        const Files honestBefore = honest.empty() ? Files() : Tree(honest);
        const std::string base = sources.folder() + "user-base-" + std::to_string(++round) + "/";
        UserFolder("user-base-" + std::to_string(round) + "/Static");
        UserFolder("user-base-" + std::to_string(round) + "/Animated");
        const Files before = Tree(base);
        ForgeBothPath(base);

        auto model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        ASSERT_EQ(model->PresentPacks().Count(), 2);
        EXPECT_EQ(model->BothPath(), base);
        ResetAnswers();
        Answer(*model, false);
        const bool saved = model->Save();
        EXPECT_EQ(Tree(base), before);
        std::vector<std::string> expected;
        for (const uint8_t p : pair.asked) {
            expected.push_back("1 " + base + (p == kStaticPack ? "Static/" : "Animated/"));
        }
        EXPECT_EQ(confirmations, expected);
        if (pair.asked.empty()) {
            // Both packs have folders of their own, which vouch for themselves.
            EXPECT_TRUE(saved);
            EXPECT_TRUE(folderKinds.empty());
            EXPECT_EQ(ListFiles(honest + "Animated/"), (std::vector<std::string>{"_define.ini", "aa.gif"}));
            EXPECT_EQ(ListFiles(honest + "Static/"), (std::vector<std::string>{"_define.ini", "aa.bmp"}));
        } else {
            EXPECT_FALSE(saved);
            EXPECT_EQ(model->LastError(), TModelError::Cancelled);
            EXPECT_EQ(folderKinds, std::vector<int32_t>{1});
            if (!honest.empty()) EXPECT_EQ(Tree(honest), honestBefore);
        }
        model->SetBothMode(true);
        ResetAnswers();
        model->OnQuerySave = nullptr;
        ASSERT_TRUE(model->ClosePack());
    }
}

// What an honest storage does stays as it was: this version's storage saves after a restart
// without a question (one pack, a pair, a pair's missing folder); an earlier version's storage
// is adopted once, asks once before its first save into the folder it names, and is then
// this version's. A folder changed outside the editor since its last save is asked about.
TEST_F(ForgeTest, HonestStoragesSaveAfterARestartAsBefore) {
    {
        SCOPED_TRACE("one pack");
        const std::string source = OpenEdited();
        auto model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        Answer(*model, false);
        ASSERT_TRUE(model->Save());
        EXPECT_TRUE(confirmations.empty());
        EXPECT_EQ(ReadBytes(source + "_define.ini"), "a1,edited\r\na2");

        // Changed outside since: asked, and declined nothing is written.
        WriteBytes(source + "other.ini", "added by hand");
        const Files changed = Tree(source);
        auto later = NewModel();
        ASSERT_TRUE(later->LoadFromStorage());
        ResetAnswers();
        Answer(*later, false);
        later->Smile(0)->Signatures.Add("later");
        EXPECT_FALSE(later->Save());
        EXPECT_EQ(confirmations, std::vector<std::string>{"0 " + source});
        EXPECT_EQ(Tree(source), changed);
        ASSERT_TRUE(later->CloseCurrentPack());
    }
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole ? "a pair" : "a pair without its animated folder");
        const std::string base = sources.folder() + (whole ? "pair/" : "half/");
        MakePack((whole ? "pair" : "half") + std::string("/Static"), {{"s.bmp", 1}}, "s", kStaticPack);
        if (whole) MakePack("pair/Animated", {{"a.gif", 2}}, "a");
        {
            auto model = NewModel();
            model->SetBothMode(true);
            ASSERT_TRUE(model->OpenPack(base));
            model->SetCurrentPack(kStaticPack);
            ASSERT_EQ(model->SmileCount(), 1);
            model->Smile(0)->Signatures.Add("s-new");
            model->SetCurrentPack(kAnimatedPack);
        }
        auto model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        ResetAnswers();
        Answer(*model, false);
        ASSERT_TRUE(model->Save());
        EXPECT_TRUE(confirmations.empty());
        EXPECT_TRUE(folderKinds.empty());
        EXPECT_TRUE(FileExists(base + "Animated/_define.ini"));
        ASSERT_TRUE(model->ClosePack());
        model->SetBothMode(false);
    }
    {
        SCOPED_TRACE("an earlier version's storage");
        const std::string source = OpenEdited();
        WriteEarlierRecord(kAnimatedPack, source);
        WriteBytes(StateFile(kStaticPack),
                   "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=0\r\nSmiliesLoaded=0\r\nSourcePath=\r\n");
        fs::remove(IdentityFile());
        auto model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        EXPECT_EQ(model->SourcePath(kAnimatedPack), source);
        EXPECT_TRUE(model->UnreadableStates().Empty());
        ResetAnswers();
        Answer(*model, true);
        ASSERT_TRUE(model->Save());
        EXPECT_EQ(confirmations, std::vector<std::string>{"0 " + source});
        EXPECT_FALSE(SealOf(kAnimatedPack).empty());
        // Adopted once: the same record without its check is no longer taken.
        auto again = NewModel();
        ASSERT_TRUE(again->LoadFromStorage());
        ResetAnswers();
        Answer(*again, false);
        again->Smile(0)->Signatures.Add("again");
        ASSERT_TRUE(again->Save());
        EXPECT_TRUE(confirmations.empty());
        again.reset();
        WriteEarlierRecord(kAnimatedPack, source);
        EXPECT_TRUE(NewModel()->UnreadableStates().Contains(kAnimatedPack));
    }
}

// A save of this storage cut short after its commit is finished at the next start: the folder
// then holds what this storage wrote, and the next save goes there without a question.
TEST_F(ForgeTest, ASaveFinishedAtTheStartVouchesForItsFolder) {
    const std::string source = OpenEdited();
    const std::string identity = ReadBytes(IdentityFile());
    WriteBytes(source + StagedNewName(0), "a1,edited\r\na2");
    TSaveJournal journal;
    journal.Phase = TSavePhase::Commit;
    journal.Identity = identity;
    journal.NewNames = {"_define.ini"};
    journal.OldNames = {"_define.ini"};
    WriteBytes(source + kSaveJournalName, journal.Encode());
    WriteRecordAs(kAnimatedPack, identity, source, SealOf(kAnimatedPack), source);

    auto model = NewModel();
    ASSERT_TRUE(model->LoadFromStorage());
    EXPECT_EQ(ReadBytes(source + "_define.ini"), "a1,edited\r\na2");
    EXPECT_FALSE(FileExists(source + kSaveJournalName));
    Answer(*model, false);
    model->Smile(1)->Signatures.Add("more");
    ASSERT_TRUE(model->Save());
    EXPECT_TRUE(confirmations.empty());
    EXPECT_EQ(ReadBytes(source + "_define.ini"), "a1,edited\r\na2,more");
}

}  // namespace
}  // namespace faceloom::test
