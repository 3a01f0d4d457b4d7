// faceloom-pack writing a user's folder: a kill in the middle of an import's save leaves a
// folder that the next run or the editor completes (old pack or new, never a mix, never
// stuck); Ctrl-C waits for the save; the folder's lock keeps the program and the editor off
// each other's folder; what a killed run leaves behind is cleaned up by the next.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

#include "cli_fixture.h"
#include "model/define_decoder.h"
#include "model/pack_save.h"
#include "platform/folder_lock.h"
#include "storage/user_folder_guard.h"
#include "support/pack_builder.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;

constexpr int kOldSmiles = 40;
constexpr int kNewSmiles = 40;

// A pack's own files (its .ini and .gif files), name -> bytes.
using TPackFiles = std::map<std::string, std::string>;

TPackFiles PackFiles(const std::string& folder) {
    TPackFiles files;
    for (const std::string& name : ListFiles(folder)) {
        const std::string ext = fs::path(name).extension().string();
        if (name[0] != '.' && (ext == ".ini" || ext == ".gif")) files[name] = ReadBytes(folder + "/" + name);
    }
    return files;
}

// Files of ours left in a folder: a save journal, staged and temporary files.
std::vector<std::string> Leftovers(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".~faceloom", 0) == 0) names.push_back(name);
    }
    return names;
}

// Tells when a name appears in a folder (created or renamed in) or is renamed away, as soon as
// it does.
class TFolderWatch {
public:
    explicit TFolderWatch(const std::string& folder) : fd_(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        if (fd_ >= 0) ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM);
    }
    ~TFolderWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;

    // False when the program ended first. events: IN_CREATE | IN_MOVED_TO for a name that
    // appears, IN_MOVED_FROM for one renamed away.
    bool WaitFor(const std::string& name, RunningProgram& program,
                 uint32_t events = IN_CREATE | IN_MOVED_TO) {
        alignas(inotify_event) char buffer[16384];
        while (program.Running()) {
            pollfd wait{fd_, POLLIN, 0};
            if (::poll(&wait, 1, 5) <= 0) continue;
            const ssize_t size = ::read(fd_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && (event->mask & events) != 0 && name == event->name) return true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return false;
    }

private:
    int fd_;
};

// Points XDG_DATA_HOME of this process at a folder while it lives: the model in the test then
// shares the user's data folder (locks, the program's save identity) with the program's runs.
class TDataHome {
public:
    explicit TDataHome(const std::string& folder) {
        if (const char* old = std::getenv("XDG_DATA_HOME")) old_ = old;
        ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
    }
    ~TDataHome() {
        if (old_) {
            ::setenv("XDG_DATA_HOME", old_->c_str(), 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
    }

private:
    std::optional<std::string> old_;
};

// The editor's model on the animated pack of one folder.
struct TEditor {
    explicit TEditor(const std::string& dataHome) : home(dataHome) { Start(); }
    // As the editor starts: the storage's packs as they were left.
    void Start() {
        model.reset();
        model = std::make_unique<TDefineDecoder>("Storage");
        model->SetBothMode(false);
        model->SetCurrentPack(kAnimatedPack);
    }
    bool Open(const std::string& folder) { return model->OpenPack(folder + "/_define.ini"); }
    TDataHome home;
    std::unique_ptr<TDefineDecoder> model;
};

class SaveSafetyTest : public CliTest {
protected:
    // An animated pack of kOldSmiles pictures.
    void WriteOldPack(const std::string& folder) {
        fs::create_directories(folder);
        std::string define;
        for (int i = 0; i < kOldSmiles; ++i) {
            WriteBytes(folder + "/" + CanonicalName(i) + ".gif", GifBytes(8, 8, 1, i));
            define += (i > 0 ? "\r\n:old" : ":old") + std::to_string(i) + ":";
        }
        WriteDefine(folder, define);
    }

    // A folder of kNewSmiles pictures to import.
    std::string Source() {
        const std::string folder = Work().file("source");
        if (!fs::exists(folder)) {
            fs::create_directories(folder);
            for (int i = 0; i < kNewSmiles; ++i)
                WriteGif(folder + "/n" + std::to_string(i) + ".gif", 9, 9, 2, i);
        }
        return folder;
    }

    std::vector<std::string> Import(const std::string& dest) {
        return {"import", "pictures", Source(), dest};
    }

    // The old pack, and what an import that is not interrupted makes of it.
    void References(const std::string& base) {
        WriteOldPack(base + "/reference");
        oldPack_ = PackFiles(base + "/reference");
        const ProgramResult result = Run(Import(base + "/reference"));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        newPack_ = PackFiles(base + "/reference");
        ASSERT_NE(oldPack_, newPack_);
    }

    // "old", "new" or "mixed".
    std::string StateOf(const std::string& folder) const {
        const TPackFiles files = PackFiles(folder);
        return files == oldPack_ ? "old" : files == newPack_ ? "new" : "mixed";
    }

    std::string LockFile(const std::string& folder) const {
        return FolderLockFile(folder, UserData().folder() + "Faceloom for Tavi 2005/Locks");
    }

    // Starts an import into dest and stops it once it holds dest's lock.
    std::unique_ptr<RunningProgram> StoppedImport(const std::string& dest) {
        auto program = std::make_unique<RunningProgram>(Import(dest), Env(), Work().folder());
        const std::string holder = std::to_string(program->pid()) + "\n";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (program->Running() && std::chrono::steady_clock::now() < deadline) {
            if (fs::exists(LockFile(dest)) && ReadBytes(LockFile(dest)) == holder) break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        EXPECT_TRUE(program->Running()) << "the import ended before it could be stopped";
        program->Signal(SIGSTOP);
        return program;
    }

    TPackFiles oldPack_;
    TPackFiles newPack_;
};

// ---- kills

struct TKillFigures {
    int Runs = 0;
    int Killed = 0;         // the journal was seen and the kill came before the run ended
    int JournalLeft = 0;    // ... and the run left its journal
    int MixedAtKill = 0;    // ... the folder held old and new pictures until it was completed
    int FinishedFirst = 0;  // the run ended before the kill
    int Missed = 0;         // the journal was never seen
    int Old = 0;
    int New = 0;
};

class KillTest : public SaveSafetyTest, public ::testing::WithParamInterface<std::string> {
protected:
    // Where the folders go: the disk, or memory (tmpfs).
    std::string Base() {
        if (GetParam() == "disk") return Work().file("disk");
        if (!fs::is_directory("/dev/shm") || ::access("/dev/shm", W_OK) != 0) return {};
        shm_ = "/dev/shm/faceloom-kill-" + std::to_string(::getpid());
        return shm_;
    }
    void TearDown() override {
        std::error_code ec;
        if (!shm_.empty()) fs::remove_all(shm_, ec);
    }
    std::string shm_;
};

// Runs and kills with SIGKILL in the save, mostly once its journal is in the folder, then lets
// the next command (check, or the editor's open in turn) find the folder: it must hold the old
// pack or the new one, with nothing of ours left, and open. More runs: FACELOOM_KILL_RUNS.
TEST_P(KillTest, AnImportKilledInItsSaveIsCompletedByTheNextCheckOrEditor) {
    const std::string base = Base();
    if (base.empty()) GTEST_SKIP() << "no tmpfs at /dev/shm";
    fs::create_directories(base);
    ASSERT_NO_FATAL_FAILURE(References(base));
    const char* wanted = std::getenv("FACELOOM_KILL_RUNS");
    const int runs = wanted != nullptr ? std::max(1, std::atoi(wanted)) : 6;

    TKillFigures figures;
    for (int run = 0; run < runs; ++run) {
        const std::string dest = base + "/dest" + std::to_string(run);
        WriteOldPack(dest);
        const std::string journal = dest + "/" + kSaveJournalName;
        TFolderWatch watch(dest);
        RunningProgram program(Import(dest), Env(), Work().folder());
        // Runs in turn are killed as the journal appears or up to two milliseconds on, within
        // the renames that follow it, or while the files are still being copied in.
        const int aim = run % 3;
        const bool seen = aim == 0   ? watch.WaitFor(kSaveJournalName, program)
                          : aim == 1 ? watch.WaitFor(StagedNewName(0), program, IN_MOVED_FROM)
                                     : watch.WaitFor(StagedNewName(0), program);
        if (seen) {
            const auto until = std::chrono::steady_clock::now() +
                               std::chrono::microseconds(aim == 0 ? (run / 3 % 9) * 250 : (run / 3 % 5) * 20);
            while (std::chrono::steady_clock::now() < until) {
            }
            ::kill(program.pid(), SIGKILL);
        }
        const ProgramResult result = program.Wait();
        ++figures.Runs;
        if (!seen) {
            ++figures.Missed;
        } else if (result.termSignal == SIGKILL) {
            ++figures.Killed;
            const bool left = fs::exists(journal);
            figures.JournalLeft += left;
            figures.MixedAtKill += left && StateOf(dest) == "mixed";
        } else {
            ++figures.FinishedFirst;
        }
        const bool journalLeft = fs::exists(journal);

        if (run % 2 == 0) {
            const ProgramResult check = Run({"check", dest});
            EXPECT_EQ(check.exitCode, 0) << check.err;
            // The killed run's storage went with this run.
            EXPECT_TRUE(LeftInTemp().empty());
        } else {
            TEditor editor(UserData().path().string());
            EXPECT_TRUE(editor.Open(dest)) << static_cast<int>(editor.model->LastError());
        }
        const std::string state = StateOf(dest);
        EXPECT_NE(state, "mixed") << "run " << run;
        if (journalLeft) {
            EXPECT_EQ(state, "new") << "a committed save goes forward";
        }
        EXPECT_EQ(Leftovers(dest), std::vector<std::string>()) << "run " << run;
        figures.Old += state == "old";
        figures.New += state == "new";
        fs::remove_all(dest);
    }
    // The last kill's storage goes with the next run whatever it is.
    EXPECT_EQ(Run({"list", base + "/reference"}).exitCode, 0);
    EXPECT_TRUE(LeftInTemp().empty());
    std::cout << "[ figures  ] " << GetParam() << ": runs " << figures.Runs << ", killed " << figures.Killed
              << " (journal left " << figures.JournalLeft << ", mixed until completed " << figures.MixedAtKill
              << "), finished before the kill " << figures.FinishedFirst << ", journal not seen "
              << figures.Missed << "; afterwards old " << figures.Old << ", new " << figures.New << "\n";
}

INSTANTIATE_TEST_SUITE_P(FileSystems, KillTest, ::testing::Values("disk", "tmpfs"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// ---- Ctrl-C and SIGTERM

class SaveSignalTest : public SaveSafetyTest, public ::testing::WithParamInterface<int> {};

// A signal that comes while the pack is being written into the folder ends the run when the
// save is over: the new pack whole, nothing of ours left there nor in the temp folder.
TEST_P(SaveSignalTest, ASignalDuringTheSaveEndsTheRunWithTheFolderWhole) {
    const int signal = GetParam();
    ASSERT_NO_FATAL_FAILURE(References(Work().file("refs")));
    const std::string dest = Work().file("dest");
    WriteOldPack(dest);
    TFolderWatch watch(dest);
    RunningProgram program(Import(dest), Env(), Work().folder());
    const bool seen = watch.WaitFor(StagedNewName(0), program);
    if (seen) program.Signal(signal);
    const ProgramResult result = program.Wait();
    ASSERT_TRUE(seen) << "the save was never seen: " << result.err;
    EXPECT_EQ(result.termSignal, signal) << "exit code " << result.exitCode << ", " << result.err;
    EXPECT_EQ(result.err, "faceloom-pack: interrupted\n");
    EXPECT_EQ(StateOf(dest), "new");
    EXPECT_EQ(Leftovers(dest), std::vector<std::string>());
    EXPECT_TRUE(LeftInTemp().empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, SaveSignalTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGINT ? std::string("Sigint") : std::string("Sigterm");
                         });

// ---- the folder's lock

// One import holds the folder: a second import and the editor are refused and change nothing;
// once it is done, the folder holds its pack.
TEST_F(SaveSafetyTest, AnImportKeepsASecondImportAndTheEditorOffItsFolder) {
    ASSERT_NO_FATAL_FAILURE(References(Work().file("refs")));
    const std::string dest = Work().file("dest");
    WriteOldPack(dest);
    std::unique_ptr<RunningProgram> first = StoppedImport(dest);
    const TPackFiles before = PackFiles(dest);

    const ProgramResult second = Run(Import(dest));
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_NE(second.err.find("is in use by another program"), std::string::npos) << second.err;
    EXPECT_NE(second.err.find("process " + std::to_string(first->pid())), std::string::npos) << second.err;
    {
        TEditor editor(UserData().path().string());
        EXPECT_FALSE(editor.Open(dest));
        EXPECT_EQ(editor.model->LastError(), TModelError::FolderInUse);
        // Nor is the folder saved into.
        ASSERT_TRUE(editor.Open(Work().file("refs/reference")));
        EXPECT_FALSE(editor.model->SaveAs(dest + "/_define.ini"));
        EXPECT_EQ(editor.model->LastError(), TModelError::FolderInUse);
    }
    EXPECT_TRUE(PackFiles(dest) == before);

    first->Signal(SIGCONT);
    const ProgramResult done = first->Wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(StateOf(dest), "new");
}

// The editor with the folder open keeps an import out (its next save would drop the added
// smiles) but not the readers; once it lets the folder go the import goes in.
TEST_F(SaveSafetyTest, TheEditorKeepsAnImportOffItsFolderButNotTheReaders) {
    ASSERT_NO_FATAL_FAILURE(References(Work().file("refs")));
    const std::string dest = Work().file("dest");
    WriteOldPack(dest);
    TEditor editor(UserData().path().string());
    ASSERT_TRUE(editor.Open(dest));

    const ProgramResult refused = Run(Import(dest));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("cannot import into '" + dest + "/': it is in use by another program"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(StateOf(dest), "old");
    for (const std::vector<std::string>& reader : {std::vector<std::string>{"check", dest},
                                                   {"list", dest},
                                                   {"export", "zip", dest, Work().file("out.zip")}}) {
        const ProgramResult read = Run(reader);
        EXPECT_EQ(read.exitCode, 0) << reader[0] << ": " << read.err;
    }

    // Started again with the pack of that folder: it is the editor's again.
    editor.Start();
    ASSERT_EQ(editor.model->SourcePath(kAnimatedPack), dest + "/");
    EXPECT_EQ(Run(Import(dest)).exitCode, 2);
    EXPECT_EQ(StateOf(dest), "old");

    ASSERT_TRUE(editor.model->ClosePack());
    const ProgramResult imported = Run(Import(dest));
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(StateOf(dest), "new");
}

// ---- what a killed run leaves, cleaned up by whichever command comes next

TEST_F(SaveSafetyTest, WhatAKilledRunLeftIsSettledByEveryCommandOnTheFolder) {
    const std::string newDefine = ":fresh:";
    const std::string newPicture = GifBytes(7, 7, 1, 99);
    // FirstJournal: the save of a pack into a folder that had none, nothing of it in place yet.
    enum class TLeft { Staged, Journal, FirstJournal, ForeignJournal };
    struct TCase {
        TLeft left;
        std::vector<std::string> command;  // DEST appended
        int status;
    };
    const std::string out = Work().file("out");
    const std::vector<TCase> cases = {
        {TLeft::Staged, {"check"}, 0},
        {TLeft::Staged, {"list"}, 0},
        {TLeft::Staged, {"export", "zip", "--", out}, 0},
        {TLeft::Journal, {"check"}, 0},
        {TLeft::Journal, {"list"}, 0},
        {TLeft::Journal, {"export", "zip", "--", out}, 0},
        {TLeft::Journal, {"import", "pictures", Source()}, 0},
        {TLeft::FirstJournal, {"check"}, 0},
        {TLeft::FirstJournal, {"import", "pictures", Source()}, 0},
        {TLeft::ForeignJournal, {"check"}, 2},
        {TLeft::ForeignJournal, {"export", "zip", "--", out}, 2},
        {TLeft::ForeignJournal, {"import", "pictures", Source()}, 2},
    };
    std::string tool;
    {
        TDataHome home(UserData().path().string());
        tool = PackToolIdentity(true);
    }
    ASSERT_FALSE(tool.empty());
    int index = 0;
    for (const TCase& c : cases) {
        const std::string dest = Work().file("dest" + std::to_string(index++));
        if (c.left == TLeft::FirstJournal) {
            fs::create_directories(dest);
        } else {
            WriteOldPack(dest);
        }
        const TPackFiles old = PackFiles(dest);
        TPackFiles expected = old;
        if (c.left == TLeft::Staged) {
            // Copied in before a journal was written: the old pack stays.
            WriteBytes(dest + "/" + StagedNewName(0), newDefine);
            WriteBytes(dest + "/" + StagedNewName(1), newPicture);
        } else {
            // Committed, with some of its renames done.
            TSaveJournal journal;
            journal.Phase = TSavePhase::Commit;
            journal.Identity = c.left == TLeft::ForeignJournal ? std::string(32, 'e') : tool;
            journal.NewNames = {"_define.ini", "aa.gif"};
            for (const auto& [name, bytes] : old) journal.OldNames.push_back(name);
            WriteBytes(dest + "/" + kSaveJournalName, journal.Encode());
            WriteBytes(dest + "/" + StagedNewName(0), newDefine);
            WriteBytes(dest + "/" + (c.left == TLeft::FirstJournal ? StagedNewName(1) : "aa.gif"),
                       newPicture);
            if (c.left != TLeft::ForeignJournal)
                expected = {{"_define.ini", newDefine}, {"aa.gif", newPicture}};
        }
        const TPackFiles before = PackFiles(dest);
        std::vector<std::string> args = c.command;
        if (args.size() > 1 && args[args.size() - 2] == "--") {
            args.erase(args.end() - 2);
            args.insert(args.end() - 1, dest);
        } else {
            args.push_back(dest);
        }
        const std::string what = args[0] + " on " + (c.left == TLeft::Staged ? "staged files" : "a journal");
        const ProgramResult result = Run(args);
        EXPECT_EQ(result.exitCode, c.status) << what << ": " << result.err;
        fs::remove_all(out);
        if (c.left == TLeft::ForeignJournal) {
            // Not ours to complete: the folder is left exactly as it is, and the user is told.
            EXPECT_NE(result.err.find("unfinished save"), std::string::npos) << what << ": " << result.err;
            EXPECT_TRUE(PackFiles(dest) == before) << what;
            EXPECT_TRUE(fs::exists(dest + "/" + kSaveJournalName)) << what;
            continue;
        }
        EXPECT_EQ(Leftovers(dest), std::vector<std::string>()) << what;
        if (args[0] == "import") {
            // Added to the completed pack, which it never replaces.
            EXPECT_EQ(ReadBytes(dest + "/_define.ini").substr(0, newDefine.size() + 2), newDefine + "\r\n")
                << what;
            EXPECT_EQ(ReadBytes(dest + "/aa.gif"), newPicture) << what;
        } else {
            EXPECT_TRUE(PackFiles(dest) == expected) << what;
        }
    }
}

// The throwaway storages that killed runs left are removed by the next run: only folders of
// our name whose process is gone and whose lock is free; never anything else, nor what a link
// points to.
TEST_F(SaveSafetyTest, OnlyTheStaleStoragesOfKilledRunsAreRemoved) {
    const pid_t gone = ::fork();
    if (gone == 0) _exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string temp = ProgramTemp().path().string() + "/";
    const std::string mine = "faceloom-pack-" + std::to_string(gone) + "-";
    struct TCase {
        std::string name;
        bool removed;
    };
    const TCase cases[] = {
        {mine + "Ab12cd", true},
        {"faceloom-pack-" + std::to_string(::getpid()) + "-Ab12cd", false},  // its process runs
        {mine + "locked", false},                                            // its lock is held
        {mine + "linked", false},                                            // a link
        {"faceloom-pack-Ab12cd", false},  // an earlier version's: whose it is cannot be told
        {"faceloom-pack-" + std::to_string(gone) + "-toolong7", false},
        {"faceloom-packs-" + std::to_string(gone) + "-Ab12cd", false},
        {"other", false},
    };
    const std::string target = Work().file("linked-target");
    fs::create_directories(target);
    WriteBytes(target + "/keep.txt", "keep");
    for (const TCase& c : cases) {
        if (c.name == mine + "linked") {
            fs::create_directory_symlink(target, temp + c.name);
        } else {
            fs::create_directories(temp + c.name + "/Faceloom for Tavi 2005/3.0/Storage/Animated");
            WriteBytes(temp + c.name + "/Faceloom for Tavi 2005/3.0/Storage/Animated/aa.gif", "copy");
        }
    }
    WriteBytes(temp + mine + "locked/faceloom-pack.lock", "");
    const int held = ::open((temp + mine + "locked/faceloom-pack.lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    const std::string pack = Work().file("pack");
    WriteOldPack(pack);
    ASSERT_EQ(Run({"list", pack}).exitCode, 0);
    ::close(held);
    for (const TCase& c : cases)
        EXPECT_EQ(!fs::exists(fs::symlink_status(temp + c.name)), c.removed) << c.name;
    EXPECT_EQ(ReadBytes(target + "/keep.txt"), "keep");
}

// ---- small ones

TEST_F(SaveSafetyTest, AnImportThatAddsNothingLeavesTheFolderAsItWas) {
    const std::string damaged = PackFolder("damaged");
    WriteBytes(damaged + "/x.gif", GifBytes(5, 5).substr(0, 20));
    WriteBytes(damaged + "/y.png", "not a picture");
    const std::string pack = Work().file("pack");
    WriteOldPack(pack);
    // Every code of the source clashes with the pack's and is skipped.
    const std::string clashing = PackFolder("clashing");
    WriteGif(clashing + "/old3.gif", 6, 6);
    WriteGif(clashing + "/old7.gif", 6, 6);

    struct TCase {
        std::vector<std::string> args;
        std::string dest;
    };
    const std::string missing = Work().file("missing");
    for (const TCase& c : {TCase{{"import", "pictures", damaged, missing}, missing},
                           TCase{{"import", "pictures", damaged, pack}, pack},
                           TCase{{"import", "--clash", "skip", "pictures", clashing, pack}, pack}}) {
        const bool existed = fs::exists(c.dest);
        const auto before = existed ? Snapshot(c.dest) : std::map<std::string, std::string>();
        const auto stamp = existed ? fs::last_write_time(c.dest + "/_define.ini") : fs::file_time_type();
        const ProgramResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.out.find(": 0 smiles added"), std::string::npos) << result.out;
        EXPECT_EQ(fs::exists(c.dest), existed) << c.dest;
        if (!existed) continue;
        EXPECT_TRUE(Snapshot(c.dest) == before);
        EXPECT_EQ(fs::last_write_time(c.dest + "/_define.ini"), stamp) << "rewritten";
    }
}

TEST_F(SaveSafetyTest, ExportAsZipWritesAZipWhateverTheNameOfOut) {
    const std::string pack = Work().file("pack");
    WriteOldPack(pack);
    for (const std::string name : {"plain", "pack.zip", "pack.tar", "Pack.ZIP"}) {
        const std::string out = Work().file("out/" + name);
        const ProgramResult exported = Run({"export", "zip", pack, out});
        ASSERT_EQ(exported.exitCode, 0) << name << ": " << exported.err;
        ASSERT_TRUE(fs::is_regular_file(out)) << name;
        EXPECT_EQ(ReadBytes(out).substr(0, 4), std::string("PK\x03\x04", 4)) << name;
        const std::string back = Work().file("back-" + name);
        const ProgramResult imported = Run({"import", "zip", out, back});
        EXPECT_EQ(imported.exitCode, 0) << name << ": " << imported.err;
        EXPECT_TRUE(PackFiles(back) == PackFiles(pack)) << name;
    }
}

// The save into the user's folder reaches the disk as the editor's does: every staged file,
// the journal and the folder are flushed.
TEST_F(SaveSafetyTest, TheSaveIntoTheFolderIsFlushed) {
    if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "no strace";
    const std::string dest = Work().file("dest");
    WriteOldPack(dest);
    const std::string trace = Work().file("trace");
    std::string command = "env";
    for (const auto& [name, value] : Env()) command += " " + name + "='" + value + "'";
    command += " strace -f -y -qq -e trace=execve,fsync,fdatasync -o '" + trace + "' '" + PackProgram() +
               "' import pictures '" + Source() + "' '" + dest + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    // The program's start is always traced: without it, strace cannot trace here.
    if (!fs::exists(trace) || ReadBytes(trace).find("execve(") == std::string::npos)
        GTEST_SKIP() << "strace cannot trace here: " << status;
    ASSERT_EQ(PackFiles(dest).size(), static_cast<size_t>(kOldSmiles + kNewSmiles + 1));

    std::set<std::string> flushed;
    std::ifstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        const size_t open = line.find('<');
        const size_t close = line.find(">)");
        if (open != std::string::npos && close != std::string::npos && close > open)
            flushed.insert(line.substr(open + 1, close - open - 1));
    }
    const std::string folder = fs::canonical(dest).string();
    EXPECT_EQ(flushed.count(folder), 1u);
    EXPECT_EQ(flushed.count(folder + "/" + kSaveJournalName), 1u);
    for (int i = 0; i < kOldSmiles + kNewSmiles + 1; ++i)
        EXPECT_EQ(flushed.count(folder + "/" + StagedNewName(i)), 1u) << i;
}

}  // namespace
}  // namespace faceloom::test
