// Saves, opens and edits killed with SIGKILL at random instants: a child process runs the
// operation, the parent kills it, then makes a model afresh (which recovers) and checks, file
// by file, that the pack is the old one or the new one, never a mix, with nothing of ours left.
// The instants come from a fixed seed, spread over the operation's measured duration.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "define_decoder_fixture.h"
#include "model/define_file.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using Op = std::function<void(TDefineDecoder&)>;

constexpr int kKills = 30;

// Every file below folder (sub-folders included) by relative path.
Files Tree(const std::string& folder) {
    Files files;
    std::error_code ec;
    if (!fs::exists(folder, ec)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
        }
    }
    return files;
}

// The files of one folder that belong to a pack: ".ini" files and pictures (animated by
// default).
Files PackFilesOf(const std::string& folder, const char* pictures = "*.gif") {
    Files files;
    for (const std::string& name : ListFiles(folder)) {
        if (MatchesMask(name, "*.ini") || MatchesMask(name, pictures)) files[name] = ReadBytes(folder + name);
    }
    return files;
}

bool HoldsOwnFiles(const std::string& folder) {
    for (const auto& [name, bytes] : Tree(folder)) {
        if (fs::path(name).filename().string().rfind(".~faceloom", 0) == 0) return true;
    }
    return false;
}

// What a pack shows after a restart: per smile its picture id and signatures.
struct Shown {
    std::vector<int> ids;
    std::vector<std::vector<std::string>> signatures;
    std::string source;
    bool operator==(const Shown&) const = default;
};

Shown Show(const TDefineDecoder& model) {
    Shown shown;
    for (int32_t i = 0; i < model.SmileCount(); ++i) {
        shown.ids.push_back(PictureId(model.Smile(i)));
        shown.signatures.push_back(model.Smile(i)->Signatures.Items());
    }
    shown.source = model.SourcePath(model.CurrentPack());
    return shown;
}

// Describes where a pack shown differs from two expected ones.
std::string Difference(const Shown& shown, const Shown& a, const Shown& b) {
    std::string text = "a mix:";
    for (size_t i = 0; i < shown.ids.size(); ++i) {
        const bool likeA =
            i < a.ids.size() && a.ids[i] == shown.ids[i] && a.signatures[i] == shown.signatures[i];
        const bool likeB =
            i < b.ids.size() && b.ids[i] == shown.ids[i] && b.signatures[i] == shown.signatures[i];
        if (!likeA && !likeB) {
            text += " smile " + std::to_string(i) + " id " + std::to_string(shown.ids[i]);
            if (text.size() > 200) break;
        }
    }
    return text + " (" + std::to_string(shown.ids.size()) + " smiles)";
}

// The storage and the packs of these tests live on a memory file system where there is one:
// the flushes that make saves durable would otherwise dominate hundreds of runs.
struct OnMemoryFileSystem {
    OnMemoryFileSystem() {
        if (const char* old = std::getenv("TMPDIR")) saved = old;
        // FACELOOM_KILL_ON_DISK=1 keeps them on the disk, durable flushes and all.
        if (std::getenv("FACELOOM_KILL_ON_DISK") == nullptr && ::access("/dev/shm", W_OK) == 0) {
            ::setenv("TMPDIR", "/dev/shm", 1);
        }
    }
    ~OnMemoryFileSystem() {
        if (saved.empty()) {
            ::unsetenv("TMPDIR");
        } else {
            ::setenv("TMPDIR", saved.c_str(), 1);
        }
    }
    std::string saved;
};

class KillTest : private OnMemoryFileSystem, public ModelTest {
protected:
    // A pack folder of n smiles: smile i has picture `first + i` (or the reverse order) and the
    // signature prefix + i, under foreign names, beside a file that is not the pack's.
    std::string MakeNumbered(const std::string& name, int n, const std::string& prefix, bool reversed = false,
                             uint8_t kind = kAnimatedPack) {
        const std::string folder = sources.folder() + name + "/";
        fs::create_directories(folder);
        std::string define;
        for (int i = 0; i < n; ++i) {
            char file[32];
            std::snprintf(file, sizeof file, kind == kAnimatedPack ? "p%04d.gif" : "p%04d.bmp", i);
            const int id = reversed ? n - 1 - i : i;
            if (kind == kAnimatedPack) {
                WriteGif(folder + file, PictureWidth(id), 3, 1, id);
            } else {
                WriteBmp(folder + file, PictureWidth(id), 3, id);
            }
            define += prefix + std::to_string(i) + (i + 1 < n ? "\r\n" : "");
        }
        WriteDefine(folder, define);
        WriteBytes(folder + "readme.txt", "not the pack's");
        return folder;
    }

    // Save, the folders confirmed: the copies put back before each run are not what the
    // storage last read or wrote there, so nothing vouches for them.
    static void SaveConfirmed(TDefineDecoder& model) {
        model.OnConfirmFolder = [](TDefineDecoder&, int32_t, const std::string&, bool& confirmed) {
            confirmed = true;
        };
        model.Save();
    }

    // The state every kill starts from is copied aside once and put back before each run.
    void Keep() {
        kept_ = std::make_unique<TempDir>();
        fs::copy(home.dir().path(), kept_->path() / "home", fs::copy_options::recursive);
        fs::copy(sources.path(), kept_->path() / "sources", fs::copy_options::recursive);
    }
    void Restore() {
        for (const auto& [from, to] : {std::pair{kept_->path() / "home", home.dir().path()},
                                       std::pair{kept_->path() / "sources", sources.path()}}) {
            fs::remove_all(to);
            fs::copy(from, to, fs::copy_options::recursive);
        }
    }

    // Runs op on a model rebuilt from the storage in a child process and kills it delay after
    // the operation started (never, for a negative delay). Answers how long the operation took
    // in the child when it was not killed, or -1.
    double RunChild(const Op& op, std::chrono::microseconds delay) {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0) return -2;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(up[0]);
            ::close(down[1]);
            TDefineDecoder model("Storage");
            model.LoadFromStorage();
            char signal = 'r';
            // Ready; then wait for the parent's clock to start.
            if (::write(up[1], &signal, 1) != 1 || ::read(down[0], &signal, 1) != 1) ::_exit(3);
            const auto start = std::chrono::steady_clock::now();
            op(model);
            const double took =
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
            if (::write(up[1], &took, sizeof took) != sizeof took) ::_exit(4);
            ::_exit(0);
        }
        ::close(up[1]);
        ::close(down[0]);
        char signal = 0;
        const bool ready = ::read(up[0], &signal, 1) == 1;
        signal = 'g';
        if (ready && ::write(down[1], &signal, 1) == 1 && delay.count() >= 0) {
            std::this_thread::sleep_for(delay);
            ::kill(pid, SIGKILL);
        }
        double took = -1;
        const bool finished = ::read(up[0], &took, sizeof took) == sizeof took;
        ::close(up[0]);
        ::close(down[1]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return finished && !WIFSIGNALED(status) ? took : -1;
    }

    // Kills op kKills times at instants spread over its duration; after each kill a fresh model
    // recovers and check judges the outcome ("old", "new", or a failure message).
    void KillRepeatedly(const Op& op, const std::function<std::string(TDefineDecoder&)>& check,
                        const std::string& what) {
        if (!kept_) Keep();
        Restore();
        const double took = RunChild(op, std::chrono::microseconds(-1));
        ASSERT_GT(took, 0) << what;
        std::mt19937 random(20261207);
        std::uniform_real_distribution<double> instant(0.0, took * 1.1);
        std::map<std::string, int> outcomes;
        for (int k = 0; k < kKills; ++k) {
            Restore();
            const auto delay = std::chrono::microseconds(static_cast<int64_t>(instant(random)));
            const bool killed = RunChild(op, delay) == -1;
            TDefineDecoder model("Storage");
            ASSERT_TRUE(model.LoadFromStorage());
            const std::string outcome = check(model);
            ASSERT_TRUE(outcome == "old" || outcome == "new")
                << what << ", kill " << k << " after " << delay.count() << " us: " << outcome;
            ++outcomes[outcome + (killed ? "" : " (finished)")];
        }
        std::string summary;
        for (const auto& [name, count] : outcomes) summary += " " + name + " " + std::to_string(count);
        std::printf("[ kills    ] %s: %d kills over %.0f us:%s\n", what.c_str(), kKills, took,
                    summary.c_str());
        RecordProperty(what, summary);
    }

    std::unique_ptr<TempDir> kept_;
};

// Save over the pack's own folder, and Save As over a folder holding another pack.
TEST_F(KillTest, SaveLeavesTheOldOrTheNewPackWholeInTheFolder) {
    constexpr int kSmiles = 300;
    const std::string source = MakeNumbered("source", kSmiles, "a");
    const std::string other = MakeNumbered("other", 40, "o", true);
    {
        auto model = NewModel();
        ASSERT_TRUE(model->OpenPack(source + "_define.ini"));
        ASSERT_TRUE(model->MoveSmile(0, kSmiles - 1));
        ASSERT_TRUE(model->DeleteSmile(10));
        model->Smile(3)->Signatures.Add("new");
    }
    const std::string work = StorageFolder(kAnimatedPack);
    const Files oldPack = PackFilesOf(source);
    const Files newPack = PackFilesOf(work);
    const Files oldOther = PackFilesOf(other);
    ASSERT_NE(oldPack, newPack);

    auto judge = [&](const std::string& folder, const Files& before) {
        if (ReadBytes(folder + "readme.txt") != "not the pack's") return std::string("readme.txt changed");
        if (HoldsOwnFiles(folder)) return std::string("temporary files left");
        const Files now = PackFilesOf(folder);
        return now == before    ? std::string("old")
               : now == newPack ? std::string("new")
                                : std::string("a mix");
    };
    KillRepeatedly([](TDefineDecoder& model) { SaveConfirmed(model); },
                   [&](TDefineDecoder& model) {
                       if (PackFilesOf(work) != newPack) return std::string("working copy changed");
                       return judge(source, oldPack);
                   },
                   "save over the source");
    KillRepeatedly([&](TDefineDecoder& model) { model.SaveAs(other + "_define.ini"); },
                   [&](TDefineDecoder& model) {
                       const std::string outcome = judge(other, oldOther);
                       // The record of the source moves with the pack, in the same step.
                       const std::string wanted = outcome == "new" ? other : source;
                       if (model.SourcePath(kAnimatedPack) != wanted)
                           return "source " + model.SourcePath(kAnimatedPack);
                       if (PackFilesOf(source) != oldPack) return std::string("old source changed");
                       return outcome;
                   },
                   "save as over another pack");
}

// The two packs of a pair, saved back to their base and saved as into a base holding another
// pair: both sub-folders end old or both new, file by file, and so do the packs' sources.
TEST_F(KillTest, BothPacksSaveAsOne) {
    constexpr int kSmiles = 150;
    const std::string base = sources.folder() + "base/";
    const std::string copy = sources.folder() + "copy/";
    MakeNumbered("base/Static", kSmiles, "s", false, kStaticPack);
    MakeNumbered("base/Animated", kSmiles, "a");
    MakeNumbered("copy/Static", 30, "x", true, kStaticPack);
    MakeNumbered("copy/Animated", 30, "y", true);
    {
        auto model = NewModel();
        model->SetBothMode(true);
        ASSERT_TRUE(model->OpenPack(base));
        for (uint8_t p : {kStaticPack, kAnimatedPack}) {
            model->SetCurrentPack(p);
            ASSERT_TRUE(model->MoveSmile(0, kSmiles - 1));
            ASSERT_TRUE(model->DeleteSmile(5));
            model->Smile(3)->Signatures.Add("new");
        }
    }
    const char* masks[kPackCount] = {"*.bmp", "*.gif"};
    Files newPack[kPackCount], inBase[kPackCount], inCopy[kPackCount];
    for (uint8_t p : {kStaticPack, kAnimatedPack}) {
        newPack[p] = PackFilesOf(StorageFolder(p), masks[p]);
        inBase[p] = PackFilesOf(base + PackFolderName(p) + "/", masks[p]);
        inCopy[p] = PackFilesOf(copy + PackFolderName(p) + "/", masks[p]);
        ASSERT_NE(inBase[p], newPack[p]);
    }
    // "old" or "new" when both sub-folders of root agree, else what each holds.
    auto judge = [&](const std::string& root, const Files(&before)[kPackCount]) {
        std::string outcome[kPackCount];
        for (uint8_t p : {kStaticPack, kAnimatedPack}) {
            const std::string folder = root + PackFolderName(p) + "/";
            if (HoldsOwnFiles(folder)) return "temporary files left in " + folder;
            const Files now = PackFilesOf(folder, masks[p]);
            outcome[p] = now == before[p] ? "old" : now == newPack[p] ? "new" : "a mix";
        }
        if (outcome[0] != outcome[1]) return "static " + outcome[0] + ", animated " + outcome[1];
        return outcome[0];
    };
    KillRepeatedly([](TDefineDecoder& model) { SaveConfirmed(model); },
                   [&](TDefineDecoder&) { return judge(base, inBase); }, "both packs saved");
    KillRepeatedly([&](TDefineDecoder& model) { model.SaveAs(copy); },
                   [&](TDefineDecoder& model) {
                       const std::string outcome = judge(copy, inCopy);
                       const std::string wanted = outcome == "new" ? copy : base;
                       for (uint8_t p : {kStaticPack, kAnimatedPack}) {
                           if (model.SourcePath(p) != wanted + PackFolderName(p) + "/")
                               return "source " + model.SourcePath(p);
                       }
                       if (judge(base, inBase) != "old") return std::string("old base changed");
                       return outcome;
                   },
                   "both packs saved as");
}

// Opening B while A is open: the restart shows A from A's folder or B from B's, whole.
TEST_F(KillTest, OpenReplacesTheWorkingCopyOnlyWhole) {
    const std::string a = MakeNumbered("a", 150, "a");
    const std::string b = MakeNumbered("b", 120, "b", true);
    Shown shownA, shownB;
    {
        auto model = NewModel();
        ASSERT_TRUE(model->OpenPack(b + "_define.ini"));
        shownB = Show(*model);
        ASSERT_TRUE(model->OpenPack(a + "_define.ini"));
        shownA = Show(*model);
    }
    const std::string parent = StorageFolder(kAnimatedPack) + "../";
    KillRepeatedly([&](TDefineDecoder& model) { model.OpenPack(b + "_define.ini"); },
                   [&](TDefineDecoder& model) {
                       if (HoldsOwnFiles(StorageFolder(kAnimatedPack)))
                           return std::string("temporary files left");
                       for (const auto& entry : fs::directory_iterator(parent)) {
                           const std::string name = entry.path().filename().string();
                           if (name.find(".~") != std::string::npos) return "left " + name;
                       }
                       const Shown shown = Show(model);
                       return shown == shownA   ? std::string("old")
                              : shown == shownB ? std::string("new")
                                                : std::string("a mix");
                   },
                   "open");
}

// Edits of a large pack: the restart shows every smile with its own picture, the edit done
// or not done.
TEST_F(KillTest, EditsHappenWholeOrNotAtAll) {
    constexpr int kSmiles = 400;
    const std::string source = MakeNumbered("source", kSmiles, "s");
    const std::string extra = Picture(kSmiles + 5);
    struct Edit {
        const char* name;
        Op op;
    };
    const Edit edits[] = {
        {"move first to last", [](TDefineDecoder& model) { model.MoveSmile(0, kSmiles - 1); }},
        {"insert at the start", [&](TDefineDecoder& model) { model.InsertSmile(0, extra); }},
        {"delete the first", [](TDefineDecoder& model) { model.DeleteSmile(0); }},
    };
    for (const Edit& edit : edits) {
        Shown before, after;
        {
            ScopedDataHome fresh;
            auto model = NewModel();
            ASSERT_TRUE(model->OpenPack(source + "_define.ini"));
            before = Show(*model);
            edit.op(*model);
            after = Show(*model);
        }
        ASSERT_NE(before, after) << edit.name;
        {
            auto model = NewModel();
            ASSERT_TRUE(model->OpenPack(source + "_define.ini"));
        }
        kept_.reset();
        const std::string work = StorageFolder(kAnimatedPack);
        KillRepeatedly(
            edit.op,
            [&](TDefineDecoder& model) {
                if (HoldsOwnFiles(work)) return std::string("temporary files left");
                const Shown shown = Show(model);
                // Every picture file of the working copy is some smile's own.
                if (ListFiles(work, ".gif").size() != shown.ids.size()) return std::string("stray pictures");
                return shown == before  ? std::string("old")
                       : shown == after ? std::string("new")
                                        : Difference(shown, before, after);
            },
            edit.name);
    }
}

// Edits and undos killed at random instants: after the restart the working copy is one of the
// states the run passes through, and its history agrees with it: undoing everything gives the
// pack as opened, redoing everything the furthest state that history leads to.
TEST_F(KillTest, HistoryAgreesWithTheWorkingCopyAfterAKill) {
    constexpr int kSmiles = 300;
    const std::string source = MakeNumbered("source", kSmiles, "s");
    const std::string extra = Picture(kSmiles + 5);
    const std::string work = StorageFolder(kAnimatedPack);
    const Op op = [&](TDefineDecoder& model) {
        model.DeleteSmile(0);
        model.MoveSmile(0, kSmiles - 2);
        model.Undo();
        model.InsertSmile(3, extra);
        model.AddSignature(5, 0, "new");
        model.Undo();
        model.Undo();
        model.Redo();
    };
    // The states the run passes through and, for each, what redoing everything leads to.
    std::vector<Files> states, furthest;
    {
        ScopedDataHome fresh;
        auto model = NewModel();
        ASSERT_TRUE(model->OpenPack(source + "_define.ini"));
        const std::string copy = model->WorkingFolder(kAnimatedPack);
        states.push_back(PackFilesOf(copy));
        const Op steps[] = {
            [](TDefineDecoder& m) { m.DeleteSmile(0); },
            [](TDefineDecoder& m) { m.MoveSmile(0, kSmiles - 2); },
            [](TDefineDecoder& m) { m.Undo(); },
            [&](TDefineDecoder& m) { m.InsertSmile(3, extra); },
            [](TDefineDecoder& m) { m.AddSignature(5, 0, "new"); },
            [](TDefineDecoder& m) { m.Undo(); },
            [](TDefineDecoder& m) { m.Undo(); },
            [](TDefineDecoder& m) { m.Redo(); },
        };
        for (const Op& step : steps) {
            step(*model);
            states.push_back(PackFilesOf(copy));
        }
        // By hand: after a step that is an edit the furthest state is that state, after an undo
        // the one before it.
        furthest = {states[0], states[1], states[2], states[2], states[4],
                    states[5], states[5], states[5], states[5]};
    }
    {
        auto model = NewModel();
        ASSERT_TRUE(model->OpenPack(source + "_define.ini"));
    }
    KillRepeatedly(
        op,
        [&](TDefineDecoder& model) {
            if (HoldsOwnFiles(work)) return std::string("temporary files left");
            const Files now = PackFilesOf(work);
            std::vector<size_t> matches;
            for (size_t k = 0; k < states.size(); ++k) {
                if (states[k] == now) matches.push_back(k);
            }
            if (matches.empty()) return std::string("not a state of the run");
            while (model.CanRedo()) {
                if (!model.Redo()) return std::string("redo failed");
            }
            const Files end = PackFilesOf(work);
            bool agrees = false;
            for (const size_t k : matches) agrees |= furthest[k] == end;
            if (!agrees) return std::string("redo leads elsewhere");
            while (model.CanUndo()) {
                if (!model.Undo()) return std::string("undo failed");
            }
            if (PackFilesOf(work) != states[0]) return std::string("undo does not lead back");
            return matches.front() == 0 ? std::string("old") : std::string("new");
        },
        "edits and undos");
}

}  // namespace
}  // namespace faceloom::test
