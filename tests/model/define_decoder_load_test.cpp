// Opening pack folders and rebuilding the packs from the working copies: canonical names,
// load phases and their reports, counters, bad input, and a restart with a second instance.

#include <atomic>

#include "define_decoder_fixture.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

const std::string kNone = "\xCD\xE5\xF2";  // "Нет" in Windows-1251

class LoadTest : public ModelTest {};

TEST_F(LoadTest, OpeningRenamesPicturesInNameOrderAndReportsEveryPhase) {
    const std::string folder =
        MakePack("pack", {{"y.gif", 1}, {"X.gif", 0}, {"z.gif", 2}}, "  :-), :)  \r\n\r\n;-)\n,,\r\n");
    WriteBytes(folder + "extra.ini", "keep");
    WriteBytes(folder + "notes.txt", "ignored");
    const auto sourceBefore = ListFiles(folder);

    auto model = NewModel();
    EventLog log;
    log.Attach(*model);
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));

    EXPECT_EQ(ListFiles(Work(*model)),
              (std::vector<std::string>{"_define.ini", "aa.gif", "ab.gif", "ac.gif", "extra.ini"}));
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(model->Label(0), ":-)");
    EXPECT_EQ(model->Smile(0)->Signatures.Items(), (std::vector<std::string>{":-)", " :)"}));
    EXPECT_EQ(model->Label(2), kNone);
    // Rewritten in the editor's own line format.
    EXPECT_EQ(Define(*model), ":-), :)\r\n;-)\r\n \r\n");
    // The source folder is untouched until saving.
    EXPECT_EQ(ListFiles(folder), sourceBefore);
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), "  :-), :)  \r\n\r\n;-)\n,,\r\n");

    ASSERT_GE(log.lines.size(), 4u);
    EXPECT_EQ(log.lines[0], "begin");
    EXPECT_EQ(log.lines[1], "phase 0 0 1");
    // Phase 0 reports every copied file (in directory order), nothing was deleted.
    auto copied = log.Slice("phase 0", "phase 1");
    copied.erase(copied.begin());
    std::sort(copied.begin(), copied.end());
    EXPECT_EQ(copied, (std::vector<std::string>{"file X.gif 1 0", "file _define.ini 1 0",
                                                "file extra.ini 1 0", "file y.gif 1 0", "file z.gif 1 0"}));
    EXPECT_EQ(log.Slice("phase 1", "phase 2"), (std::vector<std::string>{"phase 1 0 0"}));
    EXPECT_EQ(
        log.Slice("phase 2", "phase 3"),
        (std::vector<std::string>{"phase 2 0 3", "file X.gif 0 0", "file y.gif 1 0", "file z.gif 2 0"}));
    EXPECT_EQ(log.Slice("phase 3", "end"), (std::vector<std::string>{"phase 3 0 3", "file aa.gif 1 0",
                                                                     "file ab.gif 2 0", "file ac.gif 3 0"}));
    EXPECT_EQ(log.lines.back(), "end");
    EXPECT_TRUE(model->Loaded());
}

TEST_F(LoadTest, OpeningEndsTheUpdateBeforeTheModelCountsAsLoaded) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}}, "a");
    auto model = NewModel();
    std::vector<bool> loadedAtEnd;
    model->OnEndUpdate = [&loadedAtEnd](TDefineDecoder& sender) { loadedAtEnd.push_back(sender.Loaded()); };
    ASSERT_FALSE(model->Loaded());
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(loadedAtEnd, std::vector<bool>{false});
    EXPECT_TRUE(model->Loaded());
}

// A picture whose canonical name another picture holds, also one differing only in letter
// case, still becomes the picture of its own line: the names are set aside first.
TEST_F(LoadTest, PicturesHoldingEachOthersNamesPairInNameOrder) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}, {"aa.gif", 1}}, "one\r\ntwo");
    auto model = NewModel();
    EventLog log;
    log.Attach(*model);
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(log.Slice("phase 2", "phase 3"),
              (std::vector<std::string>{"phase 2 0 2", "file a.gif 0 0", "file aa.gif 1 0"}));
    EXPECT_EQ(ListFiles(Work(*model), ".gif"), (std::vector<std::string>{"aa.gif", "ab.gif"}));
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1}));
    EXPECT_EQ(model->ErrorCount(1), 0);

    const std::string mixed = MakePack("mixed", {{"AA.gif", 2}, {"aa.gif", 3}, {"ab.gif", 4}}, "a\r\nb\r\nc");
    ASSERT_TRUE(model->OpenPack(mixed + "_define.ini"));
    EXPECT_EQ(ListFiles(Work(*model), ".gif"), (std::vector<std::string>{"aa.gif", "ab.gif", "ac.gif"}));
    EXPECT_EQ(Ids(*model), (std::vector<int>{2, 3, 4}));

    const std::string upper = MakePack("upper", {{"AA.GIF", 4}, {"AB.gif", 5}}, "one\r\ntwo");
    ASSERT_TRUE(model->OpenPack(upper + "_define.ini"));
    EXPECT_EQ(ListFiles(Work(*model), ".gif"), (std::vector<std::string>{"aa.gif", "ab.gif"}));
    EXPECT_EQ(Ids(*model), (std::vector<int>{4, 5}));
}

TEST_F(LoadTest, BadFoldersGiveEmptyPacksOrMissingFiles) {
    auto model = NewModel();
    // No "_define.ini": no smiles, and the empty-pack notice condition holds.
    const std::string noDefine = sources.folder() + "nodefine/";
    ForceDirectories(noDefine);
    WriteGif(noDefine + "a.gif", 20, 20);
    ASSERT_TRUE(model->OpenPack(noDefine + "_define.ini"));
    EXPECT_EQ(model->SmileCount(), 0);
    EXPECT_EQ(model->ErrorCount(1), model->SmileCount());
    EXPECT_EQ(ListFiles(Work(*model)), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(Define(*model), "");

    // A folder that does not exist: an empty pack that has no folder, so that saving asks
    // where instead of writing (or deleting) into that folder once it is back.
    ASSERT_TRUE(model->OpenPack(sources.folder() + "nowhere/_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::FolderMissing);
    EXPECT_EQ(model->SmileCount(), 0);
    EXPECT_FALSE(model->SourcedPacks().Contains(kAnimatedPack));
    EXPECT_TRUE(model->PresentPacks().Contains(kAnimatedPack));
    EXPECT_EQ(ListFiles(Work(*model)), (std::vector<std::string>{"_define.ini"}));
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(model->LastError(), TModelError::Cancelled);

    // Pictures of the other kind only: every smile is missing its file.
    const std::string statics = MakePack("statics", {{"a.bmp", 0}, {"b.bmp", 1}}, "a\r\nb", kStaticPack);
    ASSERT_TRUE(model->OpenPack(statics + "_define.ini"));
    EXPECT_EQ(model->SmileCount(), 2);
    EXPECT_EQ(model->ErrorCount(1), 2);
    EXPECT_EQ(ListFiles(Work(*model)), (std::vector<std::string>{"_define.ini"}));

    // More lines than pictures, and more pictures than lines.
    const std::string few = MakePack("few", {{"p1.gif", 1}}, "a\r\nb\r\nc");
    ASSERT_TRUE(model->OpenPack(few + "_define.ini"));
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, -1, -1}));
    EXPECT_EQ(model->ErrorCount(1), 2);
    const std::string many = MakePack("many", {{"p1.gif", 1}, {"p2.gif", 2}, {"p3.gif", 3}}, "a");
    ASSERT_TRUE(model->OpenPack(many + "_define.ini"));
    EXPECT_EQ(Ids(*model), (std::vector<int>{1}));
    EXPECT_EQ(ListFiles(Work(*model), ".gif"), (std::vector<std::string>{"aa.gif", "ab.gif", "ac.gif"}));

    // An empty path names no folder at all.
    EXPECT_FALSE(model->OpenPack(""));
}

TEST_F(LoadTest, DecodeErrorsCountAcrossOpensWhileThePackCountersRestart) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}}, "a\r\nb\r\nc");
    WriteBytes(folder + "b.gif", "GIF89a\x10\x00");                     // cut short
    WriteBytes(folder + "c.gif", std::string("\x89PNG\r\n\x1a\n", 8));  // another format
    auto model = NewModel();
    EventLog log;
    log.Attach(*model);
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, -1, -1}));
    EXPECT_TRUE(model->Smile(1)->LoadError);
    EXPECT_TRUE(model->Smile(2)->LoadError);
    EXPECT_EQ(model->ErrorCount(0), 2);
    EXPECT_EQ(model->ErrorCount(1), 0);
    EXPECT_EQ(model->DecodeErrors(), 2);

    log.lines.clear();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(model->ErrorCount(0), 2);
    EXPECT_EQ(model->DecodeErrors(), 4);
    // Phase 3 shows the running count before each picture.
    EXPECT_EQ(log.Slice("phase 3", "end"), (std::vector<std::string>{"phase 3 0 3", "file aa.gif 1 2",
                                                                     "file ab.gif 2 2", "file ac.gif 3 3"}));

    // The kind follows the pack: a GIF in a static pack fails to load.
    model->SetCurrentPack(kStaticPack);
    const std::string wrong = MakePack("wrong", {}, "x");
    WriteGif(wrong + "a.bmp", 12, 12);
    ASSERT_TRUE(model->OpenPack(wrong + "_define.ini"));
    EXPECT_TRUE(model->Smile(0)->LoadError);
    EXPECT_EQ(model->DecodeErrors(), 5);
}

// Loading with deferred decoding returns with the smiles built and their pictures on the way;
// once the decoding thread is done every smile is what a plain load gives, counts included.
TEST_F(LoadTest, DeferredDecodingEndsWhereAPlainLoadIs) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}, {"c.gif", 2}}, "a\r\nb\r\nc\r\nd");
    WriteBytes(folder + "b.gif", "GIF89a\x10\x00");  // cut short; "ad.gif" is missing
    NewModel()->OpenPack(folder + "_define.ini");
    auto plain = NewModel();
    ASSERT_TRUE(plain->LoadFromStorage());

    auto model = NewModel();
    std::atomic<int> decoded{0}, idle{0};
    model->SetDecodedEvents([&](TSmile*) { ++decoded; }, [&] { ++idle; });
    model->SetDeferredDecoding(true);
    ASSERT_TRUE(model->LoadFromStorage());
    model->SetDeferredDecoding(false);
    ASSERT_EQ(model->SmileCount(), 4);
    // What needs the whole pack now waits for it.
    model->FinishDecoding();
    EXPECT_FALSE(model->Decoding());
    EXPECT_EQ(idle, 1);
    EXPECT_EQ(decoded, 4);
    EXPECT_EQ(Ids(*model), Ids(*plain));
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_FALSE(model->Smile(i)->Pending);
        EXPECT_EQ(model->Smile(i)->LoadError.load(), plain->Smile(i)->LoadError.load()) << i;
    }
    EXPECT_EQ(model->ErrorCount(0), plain->ErrorCount(0));
    EXPECT_EQ(model->ErrorCount(1), plain->ErrorCount(1));
    // Edits go on as with any pack.
    ASSERT_TRUE(model->DeleteSmile(0));
    EXPECT_TRUE(model->Undo());
    EXPECT_EQ(Ids(*model), Ids(*plain));
}

TEST_F(LoadTest, StaticPackDecodesBitmaps) {
    const std::string folder = MakePack("still", {{"b.BMP", 1}, {"a.bmp", 0}}, "x\r\ny", kStaticPack);
    auto model = NewModel();
    model->SetCurrentPack(kStaticPack);
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1}));
    EXPECT_EQ(ListFiles(Work(*model, kStaticPack), ".bmp"), (std::vector<std::string>{"aa.bmp", "ab.bmp"}));
    EXPECT_EQ(model->WorkingFolder(kAnimatedPack), "");
}

TEST_F(LoadTest, StorageStateRecordsEachPackState) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}}, "a");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(StateFields(kAnimatedPack),
              "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=1\r\nSmiliesLoaded=1\r\nSourcePath=" + folder +
                  "\r\n");
    EXPECT_TRUE(model->SourcedPacks().Contains(kAnimatedPack));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), folder);

    ASSERT_TRUE(model->NewPack());
    EXPECT_EQ(StateFields(kAnimatedPack),
              "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=0\r\nSmiliesLoaded=1\r\nSourcePath=\r\n");
    EXPECT_FALSE(model->SourcedPacks().Contains(kAnimatedPack));
    EXPECT_TRUE(model->PresentPacks().Contains(kAnimatedPack));

    ASSERT_TRUE(model->ClosePack());
    EXPECT_EQ(StateFields(kAnimatedPack),
              "[Storage]\r\nStorageAllocated=0\r\nPathAssigned=0\r\nSmiliesLoaded=0\r\nSourcePath=\r\n");
    EXPECT_TRUE(model->PresentPacks().Empty());
    EXPECT_EQ(model->SmileCount(), 0);
    EXPECT_FALSE(model->HasErrors());
    EXPECT_EQ(ListFiles(StorageFolder(kAnimatedPack)), std::vector<std::string>{});
    // The static pack's storage was never touched.
    EXPECT_FALSE(FileExists(StateFile(kStaticPack)));
}

TEST_F(LoadTest, PacksSurviveARestartThroughTheWorkingCopies) {
    const std::string cyrillic =
        sources.folder() + "\xD0\xA1\xD0\xBC\xD0\xB0\xD0\xB9\xD0\xBB\xD1\x8B/";  // "Смайлы"
    const std::string folder = MakePack("\xD0\xA1\xD0\xBC\xD0\xB0\xD0\xB9\xD0\xBB\xD1\x8B",
                                        {{"1.gif", 1}, {"2.gif", 2}}, "\xEF\xF0\xE8\xE2\xE5\xF2\r\n:-)");
    ASSERT_EQ(folder, cyrillic);
    {
        auto model = NewModel();
        model->SetBothMode(true);
        ASSERT_TRUE(model->NewPack());
        model->SetCurrentPack(kStaticPack);
        ASSERT_NE(model->AddSmile(Picture(5, kStaticPack)), nullptr);
        model->SetBothMode(false);
        model->SetCurrentPack(kAnimatedPack);
        ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
        model->Smile(1)->Signatures.Add(";-)");
        ASSERT_TRUE(model->DeletePicture(0));
    }

    auto model = NewModel();
    EXPECT_EQ(model->CurrentPack(), kAnimatedPack);
    EXPECT_FALSE(model->BothMode());
    EXPECT_FALSE(model->Loaded());
    EXPECT_TRUE(model->PresentPacks().Contains(kStaticPack));
    EXPECT_TRUE(model->PresentPacks().Contains(kAnimatedPack));
    EXPECT_FALSE(model->SourcedPacks().Contains(kStaticPack));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), folder);
    EXPECT_EQ(model->SmileCount(), 0);

    EventLog log;
    log.Attach(*model);
    model->LoadFromStorage();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"begin", "phase 1 0 0", "phase 3 0 1", "file aa.bmp 1 0",
                                                   "phase 1 0 0", "phase 3 0 2", "file aa.gif 1 0",
                                                   "file ab.gif 2 0", "end"}));
    EXPECT_TRUE(model->Loaded());
    EXPECT_EQ(model->CurrentPack(), kAnimatedPack);
    EXPECT_EQ(Ids(*model), (std::vector<int>{-1, 2}));
    EXPECT_EQ(model->Label(0), "\xEF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(model->Smile(1)->Signatures.Items(), (std::vector<std::string>{":-)", ";-)"}));
    EXPECT_EQ(model->ErrorCount(1), 1);
    model->SetCurrentPack(kStaticPack);
    EXPECT_EQ(Ids(*model), (std::vector<int>{5}));
    EXPECT_EQ(model->Label(0), kNone);

    // A second call does nothing; the hooks work on the rebuilt smiles.
    log.lines.clear();
    model->LoadFromStorage();
    EXPECT_TRUE(log.lines.empty());
    model->Smile(0)->Signatures.Add("st");
    EXPECT_EQ(Define(*model, kStaticPack), "st");

    // Saving still knows where the animated pack came from.
    model->SetCurrentPack(kAnimatedPack);
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(ListFiles(folder), (std::vector<std::string>{"_define.ini", "ab.gif"}));
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), "\xEF\xF0\xE8\xE2\xE5\xF2\r\n:-),;-)");
}

// A model that opens a pack before it has rebuilt the packs left in the storage must not
// empty the definition of the pack it never built, nor edit it blindly.
TEST_F(LoadTest, APackNeverBuiltKeepsItsDefinition) {
    {
        auto model = NewModel();
        model->SetCurrentPack(kStaticPack);
        ASSERT_TRUE(model->NewPack());
        ASSERT_NE(model->AddSmile(Picture(5, kStaticPack)), nullptr);
        model->Smile(0)->Signatures.Add(":-)");
    }
    const std::string folder = MakePack("anim", {{"1.gif", 1}}, ":-(");
    {
        auto model = NewModel();
        ASSERT_TRUE(model->PresentPacks().Contains(kStaticPack));
        model->SetCurrentPack(kStaticPack);
        EXPECT_EQ(model->AddSmile(Picture(6, kStaticPack)), nullptr);
        EXPECT_FALSE(model->DeleteSmile(0));
        model->SetCurrentPack(kAnimatedPack);
        ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    }
    auto model = NewModel();
    model->LoadFromStorage();
    model->SetCurrentPack(kStaticPack);
    EXPECT_EQ(Define(*model, kStaticPack), ":-)");
    EXPECT_EQ(Ids(*model), (std::vector<int>{5}));
}

TEST_F(LoadTest, ModesHaveSeparateStorages) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}}, "a");
    {
        auto model = NewModel("Coatwright");
        ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    }
    auto ordinary = NewModel("Storage");
    EXPECT_TRUE(ordinary->PresentPacks().Empty());
    auto coatwright = NewModel("Coatwright");
    EXPECT_TRUE(coatwright->PresentPacks().Contains(kAnimatedPack));
}

TEST_F(LoadTest, SettingsOfTheModeAreStoredAndRestored) {
    {
        auto model = NewModel();
        EXPECT_EQ(model->CurrentPack(), kAnimatedPack);  // default "Animated" true
        model->SetCurrentPack(kStaticPack);
        model->SetBothMode(true);
        EXPECT_EQ(model->TempFile(),
                  home.dir().folder() + "Faceloom for Tavi 2005/3.0/Storage/Config/Temp/Temp.gif");
    }
    const std::string config = ReadBytes(ConfigFile());
    EXPECT_NE(config.find("Animated=0\r\n"), std::string::npos);
    EXPECT_NE(config.find("BothSmilePacks=1\r\n"), std::string::npos);
    auto model = NewModel();
    EXPECT_EQ(model->CurrentPack(), kStaticPack);
    EXPECT_TRUE(model->BothMode());
}

}  // namespace
}  // namespace faceloom::test
