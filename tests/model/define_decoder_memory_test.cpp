// Memory that a pack's files can make the model take: the decoded frames of a whole pack stay
// within one budget (a few bytes of GIF can stand for a frame of 16 megapixels), and the
// history index is refused by its size before it is read.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "animation/smile.h"
#include "define_decoder_fixture.h"
#include "lang/builtin_texts.h"
#include "lang/lang.h"
#include "model/edit_history.h"
#include "model/edit_journal.h"
#include "model/pack_check.h"
#include "model/pack_save.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "storage/config_manager.h"
#include "support/gif_writer.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define FACELOOM_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define FACELOOM_SANITIZED 1
#endif
#endif

namespace faceloom::test {
namespace {

constexpr uint64_t kMiB = 1ull << 20;

// A field of /proc/self/status in bytes (VmSize, VmHWM, ...); 0 when not there.
uint64_t StatusBytes(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) != 0) continue;
        std::istringstream value(line.substr(field.size() + 1));
        uint64_t kilobytes = 0;
        value >> kilobytes;
        return kilobytes * 1024;
    }
    return 0;
}

// Limits the (child) process's address space to what it uses now plus room bytes. The
// sanitizers reserve terabytes of address space up front: under them nothing is limited.
bool LimitAddressSpace(uint64_t room) {
#ifdef FACELOOM_SANITIZED
    (void)room;
    return false;
#else
    const rlim_t bytes = StatusBytes("VmSize") + room;
    const rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_AS, &limit) == 0;
#endif
}

// Runs body in a child process; what it writes to its report file comes back, and a child
// that does not end normally (killed, out of memory) gives "crashed".
std::string InChild(const std::string& reportFile, const std::function<std::string()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::string report;
        try {
            report = body();
        } catch (...) {
            report = "threw";
        }
        std::FILE* out = std::fopen(reportFile.c_str(), "wb");
        if (out == nullptr) ::_exit(2);
        std::fwrite(report.data(), 1, report.size(), out);
        std::fclose(out);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "crashed";
    return ReadBytes(reportFile);
}

// The picture of the report: a 4000 x 4000 screen and 12 images of one pixel each. A few
// hundred bytes on disk, 18 MB for every decoded frame.
std::string BombGif() {
    return OnePixelFramesGif(4000, 12, 10);
}

class MemoryTest : public ModelTest {
protected:
    // The pack of the report: 20 such GIFs, each its own line.
    std::string MakeBombPack() {
        const std::string folder = sources.folder() + "bombs/";
        std::filesystem::create_directories(folder);
        std::string define;
        const std::string bomb = BombGif();
        for (int i = 0; i < 20; ++i) {
            WriteBytes(folder + CanonicalName(i) + ".gif", bomb);
            define += "b" + std::to_string(i) + "\r\n";
        }
        WriteDefine(folder, define);
        return folder;
    }

    void SetBudgetSetting(int32_t megabytes) {
        auto model = NewModel();
        model->Config().WriteInteger(TConfigIntegerKey::FrameMemoryMB, megabytes);
    }

    // Smiles of the current pack loaded with their picture / too large for memory.
    static std::pair<int, int> Outcome(const TDefineDecoder& model) {
        int loaded = 0, tooLarge = 0;
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            const TSmile* smile = model.Smile(i);
            if (smile->Picture.load() != nullptr) ++loaded;
            if (smile->LoadError && smile->TooLargeForMemory) ++tooLarge;
        }
        return {loaded, tooLarge};
    }
};

// The pack of the report (20 pictures of 12 frames of 4000 x 4000) took 4.2 GB to open and
// check. Under a budget of 300 MB one picture fits (216 MB of frames), the other 19 load as
// too large for memory, the check lists each with that reason, and the process, its address
// space limited to the budget and some room, never takes more.
TEST_F(MemoryTest, APackOfHugeFramesOpensAndIsCheckedWithinTheBudget) {
    const std::string folder = MakeBombPack();
    uint64_t fileBytes = 0;
    for (const std::string& name : ListFiles(folder)) fileBytes += ReadBytes(folder + name).size();
    ASSERT_LT(fileBytes, 88u * 1024);
    SetBudgetSetting(300);

    const std::string report = InChild(sources.folder() + "report.txt", [&] {
        const bool limited = LimitAddressSpace(300 * kMiB + 200 * kMiB);
        [[maybe_unused]] const uint64_t residentBefore = StatusBytes("VmRSS");
        TDefineDecoder model("Storage");
        if (!model.OpenPack(folder + "_define.ini")) return std::string("open failed");
        const auto [loaded, tooLarge] = Outcome(model);
        const TCheckResult check = CheckPack(CheckInputOf(model));
        const std::string tooLarge300 =
            Utf16ToUtf8(FillPlaceholders(BuiltinText(kCheckTextTooLargeForMemory), {"300"}));
        int reasons = 0;
        for (const TCheckFinding& finding : check.Findings) {
            if (finding.Kind == TCheckKind::DamagedPicture && finding.Params.size() == 3 &&
                finding.Params[2] == tooLarge300)
                ++reasons;
        }
        const bool withinBudget = model.PeakFrameBytes(kAnimatedPack) <= 300 * kMiB;
#ifdef FACELOOM_SANITIZED
        // The sanitizer's shadow memory and quarantine grow the resident size with every
        // allocation, freed or not: there the budget's own peak above is the measure.
        const std::string residentText = "resident not measured";
#else
        // What the process took at most beyond what it had, against the budget and 64 MB for
        // everything else an open does.
        const uint64_t resident = StatusBytes("VmHWM") - residentBefore;
        const std::string residentText =
            resident <= 300 * kMiB + 64 * kMiB ? "resident within yes"
                                               : "resident within no (" + std::to_string(resident >> 20) + " MB)";
#endif
        const int32_t loadErrors = model.ErrorCount(0);
        model.ClosePack();
        std::ostringstream out;
        out << "limited " << (limited ? "yes" : "no") << ", loaded " << loaded << ", too large " << tooLarge
            << ", load errors " << loadErrors << ", check reasons " << reasons << ", within budget "
            << (withinBudget ? "yes" : "no") << ", " << residentText << ", held after close "
            << model.FrameBytes(kAnimatedPack);
        return out.str();
    });
#ifdef FACELOOM_SANITIZED
    const std::string limited = "limited no", resident = "resident not measured";
#else
    const std::string limited = "limited yes", resident = "resident within yes";
#endif
    EXPECT_EQ(report, limited +
                          ", loaded 1, too large 19, load errors 19, check reasons 19, within budget yes, " +
                          resident + ", held after close 0");
}

// The budget is the pack's: a static pack's bitmaps count too, deferred decoding on the
// model's thread takes from the same budget, and pictures let go give their bytes back.
TEST_F(MemoryTest, BitmapsDeferredDecodingAndLetGoPicturesShareOneBudget) {
    // Eight bitmaps of 1000 x 1000: 4 MB of frame each, 20 MB while one is decoded. Under
    // 22 MiB (23 MB) the first fits; the second would need 20 MB beside its 4.
    const std::string folder = sources.folder() + "bitmaps/";
    std::filesystem::create_directories(folder);
    std::string define;
    for (int i = 0; i < 8; ++i) {
        WriteBmp(folder + CanonicalName(i) + ".bmp", 1000, 1000, i);
        define += "s" + std::to_string(i) + "\r\n";
    }
    WriteDefine(folder, define);
    SetBudgetSetting(22);

    struct TCase {
        const char* name;
        bool deferred;
    };
    for (const TCase& c : {TCase{"at once", false}, TCase{"deferred", true}}) {
        SCOPED_TRACE(c.name);
        {
            auto model = NewModel();
            model->SetCurrentPack(kStaticPack);
            ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
        }
        auto model = NewModel();
        model->SetDeferredDecoding(c.deferred);
        ASSERT_TRUE(model->LoadFromStorage());
        model->FinishDecoding();
        EXPECT_EQ(Outcome(*model), std::make_pair(1, 7));
        EXPECT_EQ(model->ErrorCount(0), 7);
        EXPECT_LE(model->PeakFrameBytes(kStaticPack), 22 * kMiB);
        const uint64_t held = model->FrameBytes(kStaticPack);
        EXPECT_GE(held, 4000u * 1000u);

        // The loaded one deleted: its bytes come back, and a picture put in its place fits.
        ASSERT_TRUE(model->DeleteSmile(0));
        EXPECT_EQ(model->FrameBytes(kStaticPack), 0u);
        TSmile* replaced = model->ReplacePicture(0, folder + CanonicalName(1) + ".bmp");
        ASSERT_NE(replaced, nullptr);
        EXPECT_NE(replaced->Picture.load(), nullptr);
        EXPECT_FALSE(replaced->LoadError);
        EXPECT_EQ(model->FrameBytes(kStaticPack), held);
        ASSERT_TRUE(model->CloseCurrentPack());
        EXPECT_EQ(model->FrameBytes(kStaticPack), 0u);
    }
}

// Ordinary smiles are far from the budget: a pack of 5,000 loads as it did, every picture in.
TEST_F(MemoryTest, AnOrdinaryPackOfFiveThousandSmilesLoadsWhole) {
    const std::string folder = sources.folder() + "large/";
    std::filesystem::create_directories(folder);
    std::string define;
    for (int i = 0; i < 5000; ++i) {
        WriteGif(folder + CanonicalName(i, 3) + ".gif", 19 + i % 7, 19 + i % 5, 4, i);
        define += "s" + std::to_string(i) + "\r\n";
    }
    WriteDefine(folder, define);
    auto model = NewModel();
    ASSERT_EQ(model->FrameBudget(), 1024 * kMiB);
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(model->SmileCount(), 5000);
    EXPECT_EQ(Outcome(*model), std::make_pair(5000, 0));
    EXPECT_EQ(model->ErrorCount(0), 0);
    EXPECT_GT(model->FrameBytes(kAnimatedPack), 0u);
    EXPECT_LT(model->FrameBytes(kAnimatedPack), 64 * kMiB);
}

// The setting: a value outside 1 .. 2^31 - 1 MB reads as the default.
TEST_F(MemoryTest, TheBudgetSettingFallsBackToItsDefault) {
    const struct {
        int32_t stored;
        uint64_t budget;
    } cases[] = {
        {300, 300 * kMiB}, {1, kMiB}, {0, 1024 * kMiB}, {-5, 1024 * kMiB}, {1 << 22, uint64_t{1} << 42}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        SetBudgetSetting(c.stored);
        EXPECT_EQ(NewModel()->FrameBudget(), c.budget);
    }
}

// A history index of 280 MB made the start-up take 4.5 GB. It is refused by its size before
// a byte of it is read: the model comes up, under an address space that could not hold the
// file, without the history and with the pack marked changed (what was saved is not known).
TEST_F(MemoryTest, AnOversizedHistoryIndexIsRefusedBeforeItIsRead) {
    const std::string folder = MakePack("p", {{"a.gif", 1}, {"b.gif", 2}}, "a\r\nb");
    {
        auto model = NewModel();
        ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
        ASSERT_TRUE(model->DeleteSmile(0));
        ASSERT_TRUE(model->CanUndo());
    }
    const std::string index = StorageFolder(kAnimatedPack) + kHistoryIndexName;
    // A sparse file: 280 MB long, no room taken on the disk.
    ASSERT_EQ(::truncate(index.c_str(), 280 * 1000 * 1000), 0);

    const std::string report = InChild(sources.folder() + "report.txt", [&] {
        const bool limited = LimitAddressSpace(128 * kMiB);
        TDefineDecoder model("Storage");
        const bool loaded = model.LoadFromStorage();
        std::ostringstream out;
        out << (limited ? "limited" : "not limited") << ", loaded " << loaded << ", smiles "
            << model.SmileCount() << ", can undo " << model.CanUndo() << ", modified "
            << model.Modified(kAnimatedPack);
        return out.str();
    });
#ifdef FACELOOM_SANITIZED
    EXPECT_EQ(report, "not limited, loaded 1, smiles 1, can undo 0, modified 1");
#else
    EXPECT_EQ(report, "limited, loaded 1, smiles 1, can undo 0, modified 1");
#endif
    EXPECT_FALSE(DirectoryExists(StorageFolder(kAnimatedPack) + kHistoryFolderName));
}

// A journal carries a history index and a definition: one far larger than any of ours is left
// unread (and so untouched, as a damaged one is), under an address space that could not hold it.
TEST(JournalSizeTest, OversizedJournalsAreLeftAsTheyAreWithoutBeingRead) {
    TempDir dir;
    const std::string folder = dir.folder();
    const std::string identity = "0123456789abcdef0123456789abcdef";
    for (const char* name : {kEditJournalName, kSaveJournalName}) {
        WriteBytes(folder + name, "");
        ASSERT_EQ(::truncate((folder + name).c_str(), 280 * 1000 * 1000), 0);  // sparse
    }
    const std::string report = InChild(folder + "report.txt", [&] {
        const bool limited = LimitAddressSpace(128 * kMiB);
        const bool edit = RecoverEdit(folder, identity);
        const TSaveRecovery save = RecoverSave(folder, TSaveOwner{identity, folder});
        std::ostringstream out;
        out << (limited ? "limited" : "not limited") << ", edit recovered " << edit << ", save foreign "
            << (save == TSaveRecovery::Foreign);
        return out.str();
    });
#ifdef FACELOOM_SANITIZED
    EXPECT_EQ(report, "not limited, edit recovered 0, save foreign 1");
#else
    EXPECT_EQ(report, "limited, edit recovered 0, save foreign 1");
#endif
    for (const char* name : {kEditJournalName, kSaveJournalName})
        EXPECT_EQ(std::filesystem::file_size(folder + name), 280u * 1000 * 1000) << name;
}

// The history never writes an index the start-up would refuse: past kMaxIndexBytes the oldest
// steps go, the step at hand stays. An index larger than that, even a whole one, is refused.
TEST(HistoryIndexTest, AnIndexStaysWithinItsLimitAndALargerOneIsRefused) {
    const std::string identity = "0123456789abcdef0123456789abcdef";
    const auto step = [](int k, size_t bytes) {
        THistoryStep s;
        s.Info.Kind = THistoryKind::EditSignature;
        s.Info.Text = "k" + std::to_string(k);
        s.Before = {"old"};
        s.After = {std::string(bytes, 'x')};  // one long signature: an import's worth of them
        return s;
    };
    TEditHistory history;
    std::vector<std::string> dropped;
    for (int k = 0; k < 8; ++k) history.Push(step(k, 3 << 20), dropped);
    const std::string index = history.Encode(identity);
    EXPECT_LE(index.size(), TEditHistory::kMaxIndexBytes);
    EXPECT_LT(history.Steps().size(), 8u);
    EXPECT_EQ(history.Steps().back().Info.Text, "k7");
    const std::optional<TEditHistory> back = TEditHistory::Decode(index, identity);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Steps(), history.Steps());

    // One step alone: kept while it is the step at hand, but its index is refused past the limit.
    const struct {
        size_t bytes;
        bool read;
    } cases[] = {{TEditHistory::kMaxIndexBytes - 4096, true}, {TEditHistory::kMaxIndexBytes + 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        TEditHistory one;
        one.Push(step(0, c.bytes), dropped);
        ASSERT_EQ(one.Steps().size(), 1u);
        EXPECT_EQ(TEditHistory::Decode(one.Encode(identity), identity).has_value(), c.read);
    }
}

// The bounded read: refused by its size before it is read, and told apart from a file that
// cannot be read at all.
TEST(BoundedReadTest, AFileLargerThanItsLimitIsRefusedAndSaid) {
    TempDir dir;
    const std::string file = dir.folder() + "f";
    const struct {
        const char* name;
        size_t size;
        uint64_t limit;
        bool read;
        bool tooLarge;
    } cases[] = {
        {"empty", 0, 0, true, false},
        {"at the limit", 100, 100, true, false},
        {"one byte over", 101, 100, false, true},
        {"far over", 5000, 100, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(file, std::string(c.size, 'a'));
        bool tooLarge = !c.tooLarge;
        const std::optional<std::string> bytes = ReadWholeFile(file, c.limit, &tooLarge);
        EXPECT_EQ(bytes.has_value(), c.read);
        if (bytes) {
            EXPECT_EQ(*bytes, std::string(c.size, 'a'));
        }
        EXPECT_EQ(tooLarge, c.tooLarge);
    }
    bool tooLarge = true;
    EXPECT_FALSE(ReadWholeFile(dir.folder() + "missing", 100, &tooLarge));
    EXPECT_FALSE(tooLarge);
    EXPECT_FALSE(ReadWholeFile(dir.folder(), 1 << 20, &tooLarge));
    EXPECT_FALSE(tooLarge);
}

}  // namespace
}  // namespace faceloom::test
