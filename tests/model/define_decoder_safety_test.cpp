// Failures that must end in false with everything as it was: a full disk, a read-only target,
// a vanished working copy, names differing only in letter case, paths the state file cannot
// hold, two packs in one folder, operations started from inside the model's events, and
// definition writes that fail.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "define_decoder_fixture.h"
#include "model/edit_journal.h"
#include "model/pack_save.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;

const std::string kNone = "\xCD\xE5\xF2";  // "Нет" in Windows-1251

class SafetyTest : public ModelTest {
protected:
    // Every file below a folder with its content, for "nothing changed" checks.
    static std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& folder) {
        std::vector<std::pair<std::string, std::string>> files;
        for (const std::string& name : ListFiles(folder)) files.emplace_back(name, ReadBytes(folder + name));
        return files;
    }

    // Runs op on a model rebuilt from the storage in a child process; its exit code is the
    // operation's result (1 true, 0 false), anything else a crash.
    static int InChild(const std::function<bool(TDefineDecoder&)>& op) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            TDefineDecoder model("Storage");
            model.LoadFromStorage();
            ::_exit(op(model) ? 1 : 0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
    }

    // A file-size limit for the rest of the (child) process: writes beyond it fail as on a
    // full disk.
    static void LimitFileSize(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

    std::unique_ptr<TDefineDecoder> OpenA(std::string& folder) {
        folder = MakePack("a", {{"x.gif", 1}, {"y.gif", 2}}, "a1\r\na2");
        WriteBytes(folder + "readme.txt", "user's");
        auto model = NewModel();
        EXPECT_TRUE(model->OpenPack(folder + "_define.ini"));
        return model;
    }
};

TEST_F(SafetyTest, AFullDiskFailsOpenAndSaveAndKeepsThePreviousPackAndItsSource) {
    std::string a;
    OpenA(a).reset();
    const auto before = Snapshot(a);
    const auto work = Snapshot(StorageFolder(kAnimatedPack));
    const std::string state = ReadBytes(StateFile(kAnimatedPack));
    const std::string b = MakePack("b", {{"p.gif", 150}, {"q.gif", 160}}, "b1\r\nb2");

    EXPECT_EQ(InChild([&](TDefineDecoder& model) {
                  LimitFileSize(100);  // the definition fits, the pictures do not
                  return model.OpenPack(b + "_define.ini") || model.LastError() != TModelError::CopyFailed;
              }),
              0);
    EXPECT_EQ(Snapshot(StorageFolder(kAnimatedPack)), work);
    EXPECT_EQ(ReadBytes(StateFile(kAnimatedPack)), state);

    // A larger pack in the working copy, saved onto a disk without room for it.
    {
        auto model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        ASSERT_NE(model->AddSmile(Picture(200)), nullptr);
    }
    EXPECT_EQ(InChild([](TDefineDecoder& model) {
                  LimitFileSize(150);
                  // Refused for the disk, not for want of an answer about the folder.
                  return model.Save() || (model.LastError() != TModelError::CopyFailed &&
                                          model.LastError() != TModelError::WriteFailed);
              }),
              0);
    EXPECT_EQ(Snapshot(a), before);

    auto model = NewModel();
    ASSERT_TRUE(model->LoadFromStorage());
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2, 200}));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), a);
}

// An open that fails after the new smiles are built (the state file does not fit on the disk)
// gives the previous pack back whole: its smiles were let go so that two packs' frames were
// never held at once, and are made again from the untouched working copy.
TEST_F(SafetyTest, AnOpenFailingAfterItsPicturesWereBuiltGivesThePreviousPackBack) {
    std::string a;
    OpenA(a).reset();
    // Every file of b fits; the state file, which names the long source folder, does not.
    const std::string b = MakePack(std::string(240, 'b'), {{"p.gif", 150}, {"q.gif", 160}}, "b1\r\nb2");
    rlim_t limit = 0;
    for (const auto& entry : std::filesystem::directory_iterator(b))
        limit = std::max<rlim_t>(limit, std::filesystem::file_size(entry.path()) + 1);
    ASSERT_LT(limit, ReadBytes(StateFile(kAnimatedPack)).size() + b.size());
    EXPECT_EQ(InChild([&](TDefineDecoder& model) {
                  LimitFileSize(limit);
                  const bool failed =
                      !model.OpenPack(b + "_define.ini") && model.LastError() == TModelError::WriteFailed;
                  const bool kept = Ids(model) == std::vector<int>{1, 2} &&
                                    model.Smile(1)->Picture.load() != nullptr &&
                                    model.Smile(1)->Signatures.Items() == std::vector<std::string>{"a2"};
                  return !(failed && kept);
              }),
              0);
}

TEST_F(SafetyTest, AReadOnlyTargetFailsTheSaveAndStaysAsItWas) {
    std::string a;
    OpenA(a).reset();
    const std::string target = MakePack("locked", {{"old.gif", 7}}, "old");
    const auto before = Snapshot(target);
    // Root writes anywhere: the child gives up its rights, so the storage must stay open to it.
    for (const fs::path& root : {home.dir().path(), sources.path()}) {
        fs::permissions(root, fs::perms::all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            fs::permissions(entry.path(),
                            entry.is_directory() ? fs::perms::all
                                                 : fs::perms::owner_read | fs::perms::owner_write |
                                                       fs::perms::group_read | fs::perms::group_write |
                                                       fs::perms::others_read | fs::perms::others_write,
                            fs::perm_options::add);
        }
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

    EXPECT_EQ(InChild([&](TDefineDecoder& model) {
                  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(50);
                  return model.SaveAs(target + "_define.ini") || model.LastError() != TModelError::CopyFailed;
              }),
              0);
    fs::permissions(target, fs::perms::owner_all);
    EXPECT_EQ(Snapshot(target), before);
    auto model = NewModel();
    EXPECT_EQ(model->SourcePath(kAnimatedPack), a);
}

TEST_F(SafetyTest, SaveRefusesAWorkingCopyThatIsNotWhole) {
    std::string a;
    auto model = OpenA(a);
    const auto before = Snapshot(a);
    const std::string work = Work(*model);

    fs::remove(work + "ab.gif");  // a picture the model says is there
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(model->LastError(), TModelError::WorkingCopyDamaged);
    fs::remove(work + "_define.ini");
    EXPECT_FALSE(model->Save());
    fs::remove_all(work);
    EXPECT_FALSE(model->Save());
    EXPECT_FALSE(model->SaveAs(sources.folder() + "elsewhere/_define.ini"));
    EXPECT_EQ(Snapshot(a), before);
    EXPECT_FALSE(fs::exists(sources.folder() + "elsewhere/_define.ini"));
    // Edits of the vanished copy fail too, and say so.
    EXPECT_FALSE(model->MoveSmile(0, 1));
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
}

// The target holds "_define.ini" beside "_DEFINE.INI" and pictures that differ only in letter
// case: a save replaces all of them; a save that fails keeps every exact name.
TEST_F(SafetyTest, NamesDifferingOnlyInLetterCaseNeverBlockASaveOrItsUndo) {
    std::string a;
    auto model = OpenA(a);
    const std::string target = MakePack("target", {{"AA.GIF", 5}, {"aa.gif", 6}}, "t");
    WriteDefine(target + "upper/", "T");
    fs::rename(target + "upper/_define.ini", target + "_DEFINE.INI");
    fs::remove(target + "upper");
    const auto before = Snapshot(target);

    // An entry the save cannot stage a file past: the save fails before any name changes.
    fs::create_directories(target + StagedNewName(1) + "/inside");
    EXPECT_FALSE(model->SaveAs(target + "_define.ini"));
    EXPECT_EQ(Snapshot(target), before);
    fs::remove_all(target + StagedNewName(1));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), a);

    ASSERT_TRUE(model->SaveAs(target + "_define.ini"));
    EXPECT_EQ(ListFiles(target), (std::vector<std::string>{"_define.ini", "aa.gif", "ab.gif"}));
    EXPECT_EQ(FileId(target + "aa.gif"), 1);

    // A folder holding a name the save places, letter case aside, refuses it up front.
    const std::string blocked = MakePack("blocked", {{"zz.gif", 9}}, "b");
    fs::create_directories(blocked + "AB.GIF");
    const auto blockedBefore = Snapshot(blocked);
    EXPECT_FALSE(model->SaveAs(blocked + "_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::TargetBlocked);
    EXPECT_EQ(Snapshot(blocked), blockedBefore);
}

// The state file reads strings up to 2047 characters: a folder path (with its separator) of
// that length opens and saves, one byte more is refused with its reason.
TEST_F(SafetyTest, APathOneByteLongerThanTheStateFileHoldsIsRefused) {
    auto deepFolder = [&](const std::string& name, size_t length) {
        std::string folder = sources.folder() + name + "/";
        while (folder.size() < length) {
            const size_t part = std::min<size_t>(200, length - folder.size() - 1);
            folder += std::string(std::max<size_t>(part, 1), 'd') + "/";
        }
        EXPECT_EQ(folder.size(), length);
        fs::create_directories(folder);
        return folder;
    };
    const std::string fits = deepFolder("fits", 2047);
    const std::string over = deepFolder("over", 2048);
    WriteDefine(fits, "f");
    WriteGif(fits + "f.gif", 14, 12);
    WriteDefine(over, "o");

    std::string a;
    auto model = OpenA(a);
    EXPECT_FALSE(model->OpenPack(over + "_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::PathNotStorable);
    EXPECT_EQ(model->SourcePath(kAnimatedPack), a);
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
    EXPECT_FALSE(model->SaveAs(over + "_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::PathNotStorable);
    EXPECT_EQ(ListFiles(over), (std::vector<std::string>{"_define.ini"}));

    ASSERT_TRUE(model->SaveAs(fits + "_define.ini"));
    ASSERT_TRUE(model->OpenPack(fits + "_define.ini"));
    auto again = NewModel();
    EXPECT_EQ(again->SourcePath(kAnimatedPack), fits);
    // A line feed in a folder name cannot be stored either.
    const std::string odd = sources.folder() + "line\nfeed/";
    WriteDefine(odd, "x");
    EXPECT_FALSE(again->OpenPack(odd + "_define.ini"));
    EXPECT_EQ(again->LastError(), TModelError::PathNotStorable);
}

TEST_F(SafetyTest, SavingIntoTheOtherPacksSourceIsRefused) {
    const std::string folder = MakePack("both", {{"a.gif", 1}}, "a");
    WriteBmp(folder + "s.bmp", 15, 12, 5);
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    model->SetCurrentPack(kStaticPack);
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    const auto before = Snapshot(folder);
    model->Smile(0)->Signatures.Add("changed");
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(model->LastError(), TModelError::OtherPackSource);
    EXPECT_FALSE(model->SaveAs(folder + "_define.ini"));
    EXPECT_EQ(Snapshot(folder), before);
    // Anywhere else it saves.
    EXPECT_TRUE(model->SaveAs(sources.folder() + "static/_define.ini"));
}

// A base folder with only one of its two sub-folders opens that pack from its folder and gives
// the other an empty pack without folder, which the pair's Save writes into its sub-folder.
TEST_F(SafetyTest, ABaseFolderWithOneSubFolderOpensBothPacks) {
    const std::string base = sources.folder() + "base/";
    MakePack("base/Static", {{"s.bmp", 1}}, "s", kStaticPack);
    auto model = NewModel();
    model->SetBothMode(true);
    ASSERT_TRUE(model->OpenPack(base));
    EXPECT_EQ(model->SourcedPacks().Count(), 1);
    EXPECT_TRUE(model->SourcedPacks().Contains(kStaticPack));
    EXPECT_EQ(model->PresentPacks().Count(), 2);
    EXPECT_TRUE(model->BothPathsAssigned());
    ASSERT_NE(model->AddSmile(Picture(4)), nullptr);  // the animated pack is current
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(ListFiles(base + "Animated/"), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), base + "Animated/");
}

// The progress window processes messages inside the model's events: anything started there
// is refused, and the running operation goes on undisturbed.
TEST_F(SafetyTest, OperationsStartedFromInsideAnEventAreRefused) {
    std::string a;
    auto model = OpenA(a);
    const std::string b = MakePack("b", {{"p.gif", 3}}, "b1");
    std::vector<bool> results;
    std::vector<TModelError> errors;
    model->OnPhase = [&](TDefineDecoder& sender, int32_t phase, int32_t, int32_t) {
        if (phase != 2) return;
        EXPECT_TRUE(sender.Busy());
        results.push_back(sender.Save());
        results.push_back(sender.MoveSmile(0, 1));
        results.push_back(sender.OpenPack(a + "_define.ini"));
        results.push_back(sender.AddSmile(Picture(9)) != nullptr);
        errors.push_back(sender.LastError());
    };
    ASSERT_TRUE(model->OpenPack(b + "_define.ini"));
    EXPECT_EQ(results, (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(errors, std::vector<TModelError>{TModelError::Busy});
    EXPECT_EQ(Ids(*model), (std::vector<int>{3}));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), b);
    EXPECT_FALSE(model->Busy());

    // An update begun is ended on every path, also when building the smiles throws.
    auto other = NewModel();
    int begins = 0, ends = 0;
    other->OnBeginUpdate = [&](TDefineDecoder&) { ++begins; };
    other->OnEndUpdate = [&](TDefineDecoder&) { ++ends; };
    other->SmileClass = []() -> TSmile* { throw std::runtime_error("no smile"); };
    EXPECT_FALSE(other->LoadFromStorage());
    EXPECT_EQ(other->LastError(), TModelError::Unexpected);
    EXPECT_FALSE(other->OpenPack(a + "_define.ini"));
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(ends, 2);
}

// Labels and counters follow the lists when "_define.ini" cannot be written; the failure is
// reported, and the next write that works stores everything.
TEST_F(SafetyTest, AFailedDefinitionWriteIsReportedAndCaughtUpLater) {
    const std::string folder = MakePack("pack", {{"a.gif", 1}, {"b.gif", 2}}, " \r\nb");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    std::vector<std::string> reported;
    model->OnWriteError = [&](TDefineDecoder&, uint8_t pack, const std::string& file) {
        reported.push_back(std::to_string(pack) + " " + file);
    };
    const std::string define = model->DefinePath(kAnimatedPack);
    fs::remove(define);
    fs::create_directory(define);  // nothing can be renamed over a folder

    ASSERT_EQ(model->Label(0), kNone);
    ASSERT_EQ(model->ErrorCount(2), 1);
    model->Smile(0)->Signatures.Add("x");
    EXPECT_EQ(model->Label(0), "x");
    EXPECT_EQ(model->ErrorCount(2), 0);
    EXPECT_EQ(reported, std::vector<std::string>{"1 " + define});
    EXPECT_TRUE(model->DefinitionStale(kAnimatedPack));
    // A structural edit that cannot write its definition is undone and says so.
    EXPECT_FALSE(model->MoveSmile(0, 1));
    EXPECT_EQ(model->LastError(), TModelError::WriteFailed);
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
    EXPECT_EQ(FileId(Work(*model) + "aa.gif"), 1);
    EXPECT_FALSE(model->Save());

    fs::remove(define);
    model->Smile(1)->Signatures.Add("y");
    EXPECT_EQ(ReadBytes(define), "x\r\nb,y");
    EXPECT_FALSE(model->DefinitionStale(kAnimatedPack));
}

// A picture name taken by a folder makes the edit fail as a whole: the renames done are put
// back and every smile keeps its picture, also in a later save.
TEST_F(SafetyTest, AnEditWhoseRenameFailsIsUndone) {
    const std::string folder =
        MakePack("pack", {{"a.gif", 1}, {"b.gif", 2}, {"c.gif", 3}, {"d.gif", 4}}, "a\r\nb\r\nc\r\nd");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    ASSERT_TRUE(model->DeletePicture(2));
    fs::create_directory(Work(*model) + "ac.gif");
    const std::string define = ReadBytes(model->DefinePath(kAnimatedPack));

    EXPECT_FALSE(model->DeleteSmile(0));
    EXPECT_EQ(model->LastError(), TModelError::RenameFailed);
    EXPECT_FALSE(model->MoveSmile(3, 0));
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2, -1, 4}));
    EXPECT_EQ(ReadBytes(model->DefinePath(kAnimatedPack)), define);
    for (const auto& [name, id] :
         std::vector<std::pair<std::string, int>>{{"aa.gif", 1}, {"ab.gif", 2}, {"ad.gif", 4}}) {
        EXPECT_EQ(FileId(Work(*model) + name), id) << name;
    }
    EXPECT_TRUE(ListFiles(Work(*model), ".tmp").empty());
    fs::remove(Work(*model) + "ac.gif");
    ASSERT_TRUE(model->SaveAs(sources.folder() + "saved/_define.ini"));
    EXPECT_EQ(FileId(sources.folder() + "saved/ad.gif"), 4);
}

// Journals are rebuilt from disk after a kill: the recovery finishes a committed save with the
// exact names, and an edit journal keeps identities of the whole 64-bit range.
TEST_F(SafetyTest, JournalsRoundTripAndFinishACommittedSave) {
    const TSaveOwner owner{std::string(32, 'a'), sources.folder()};
    TEditJournal edit;
    edit.Identity = owner.Identity;
    edit.Steps.push_back({false, "aa.gif", ".~faceloom-move-0.tmp", UINT64_MAX});
    edit.Steps.push_back({true, ".~faceloom-move-0.tmp", "", 18302628885644655796ull});
    edit.Definition = "a,b\r\n \r\n";
    const std::optional<TEditJournal> back = TEditJournal::Decode(edit.Encode());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Steps[0].Identity, UINT64_MAX);
    EXPECT_EQ(back->Steps[1].Identity, 18302628885644655796ull);
    EXPECT_EQ(back->Definition, edit.Definition);
    std::string cut = edit.Encode();
    cut.pop_back();
    EXPECT_FALSE(TEditJournal::Decode(cut).has_value());

    // Killed after the commit, before the new "_define.ini" replaced the old one and the old
    // "_DEFINE.INI" went.
    const std::string target = sources.folder() + "target/";
    fs::create_directories(target);
    WriteBytes(target + "_DEFINE.INI", "old upper");
    WriteBytes(target + "_define.ini", "old lower");
    WriteBytes(target + StagedNewName(0), "new");
    WriteBytes(target + "keep.txt", "keep");
    TSaveJournal journal;
    journal.Phase = TSavePhase::Commit;
    journal.Identity = owner.Identity;
    journal.NewNames = {"_define.ini"};
    journal.OldNames = {"_DEFINE.INI", "_define.ini"};
    WriteBytes(target + kSaveJournalName, journal.Encode());
    EXPECT_EQ(RecoverSave(target, owner), TSaveRecovery::RolledForward);
    EXPECT_EQ(ListFiles(target), (std::vector<std::string>{"_define.ini", "keep.txt"}));
    EXPECT_EQ(ReadBytes(target + "_define.ini"), "new");
}

// The identity faceloom-pack lends its saves opens only its one-pack committed journals to
// the owner that accepts it; anything else under it, and any other storage's, stays untouched.
TEST_F(SafetyTest, TheSharedIdentityCompletesOnlyOnePackCommittedSaves) {
    const std::string own(32, 'a');
    const std::string shared(32, 'b');
    const TSaveOwner owner{own, sources.folder(), shared};
    struct TCase {
        std::string identity;
        std::string pair;
        TSavePhase phase;
        TSaveRecovery outcome;
    };
    const TCase cases[] = {
        {shared, "", TSavePhase::Commit, TSaveRecovery::RolledForward},
        {own, "", TSavePhase::Commit, TSaveRecovery::RolledForward},
        {shared, "0123456789abcdef", TSavePhase::Stage, TSaveRecovery::Foreign},
        {shared, "0123456789abcdef", TSavePhase::Commit, TSaveRecovery::Foreign},
        {shared, "", TSavePhase::Stage, TSaveRecovery::Foreign},
        {std::string(32, 'c'), "", TSavePhase::Commit, TSaveRecovery::Foreign},
    };
    int index = 0;
    for (const TCase& c : cases) {
        const std::string target = sources.folder() + "shared" + std::to_string(index++) + "/";
        fs::create_directories(target);
        WriteBytes(target + "_define.ini", "old");
        WriteBytes(target + "aa.gif", "old picture");
        WriteBytes(target + StagedNewName(0), "new");
        TSaveJournal journal;
        journal.Phase = c.phase;
        journal.Identity = c.identity;
        journal.Pair = c.pair;
        journal.NewNames = {"_define.ini"};
        journal.OldNames = {"_define.ini", "aa.gif"};
        WriteBytes(target + kSaveJournalName, journal.Encode());
        EXPECT_EQ(RecoverSave(target, owner), c.outcome) << index;
        if (c.outcome == TSaveRecovery::RolledForward) {
            EXPECT_EQ(ListFiles(target), std::vector<std::string>{"_define.ini"}) << index;
            EXPECT_EQ(ReadBytes(target + "_define.ini"), "new") << index;
        } else {
            EXPECT_EQ(ListFiles(target).size(), 4u) << index;
            EXPECT_EQ(ReadBytes(target + "_define.ini"), "old") << index;
        }
    }
    // Without a shared identity the program's journal is another storage's.
    const std::string target = sources.folder() + "unshared/";
    fs::create_directories(target);
    TSaveJournal journal;
    journal.Phase = TSavePhase::Commit;
    journal.Identity = shared;
    WriteBytes(target + kSaveJournalName, journal.Encode());
    EXPECT_EQ(RecoverSave(target, TSaveOwner{own, sources.folder()}), TSaveRecovery::Foreign);
}

}  // namespace
}  // namespace faceloom::test
