// Saving, the question about unsaved work, the both-packs layout and the pair state.

#include <filesystem>

#include "define_decoder_fixture.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

class SaveTest : public ModelTest {
protected:
    // Contents of every regular file of a folder, by name.
    static std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& folder) {
        std::vector<std::pair<std::string, std::string>> files;
        for (const std::string& name : ListFiles(folder)) files.emplace_back(name, ReadBytes(folder + name));
        return files;
    }

    // Answers the save question with `answer` and counts the questions.
    void Answer(TDefineDecoder& model, int32_t answer) {
        model.OnQuerySave = [this, answer](TDefineDecoder&, int32_t& value) {
            EXPECT_EQ(value, 1);  // preset: discard
            ++questions;
            value = answer;
        };
    }
    // Accepts the folder question with `path`, recording kind and the offered start path.
    void Choose(TDefineDecoder& model, const std::string& path, bool accept = true) {
        model.OnSelectFolder = [this, path, accept](TDefineDecoder&, int32_t kind, std::string& value,
                                                    bool& accepted) {
            EXPECT_FALSE(accepted);
            asked.push_back(kind);
            offered.push_back(value);
            value = path;
            accepted = accept;
        };
    }

    int questions = 0;
    std::vector<int32_t> asked;
    std::vector<std::string> offered;
};

TEST_F(SaveTest, SavingToTheSourceReplacesPackFilesAndLeavesOthersAlone) {
    const std::string folder = MakePack("pack", {{"x.gif", 0}, {"y.gif", 1}}, "a\r\nb");
    WriteBytes(folder + "old.ini", "came with the pack");
    WriteBytes(folder + "notes.txt", "not part of the pack");
    WriteBmp(folder + "still.bmp", 4, 4);
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));

    WriteBytes(folder + "readme.ini", "added later");
    WriteBytes(folder + "old.ini", "changed later");
    WriteGif(folder + "stray.GIF", 30, 30);
    ASSERT_NE(model->AddSmile(Picture(2)), nullptr);
    model->Smile(2)->Signatures.Add("c");

    ASSERT_TRUE(model->Save());
    EXPECT_EQ(ListFiles(folder), (std::vector<std::string>{"_define.ini", "aa.gif", "ab.gif", "ac.gif",
                                                           "notes.txt", "old.ini", "still.bmp"}));
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), "a\r\nb\r\nc");
    EXPECT_EQ(ReadBytes(folder + "old.ini"), "came with the pack");
    EXPECT_EQ(FileId(folder + "aa.gif"), 0);
    EXPECT_EQ(FileId(folder + "ac.gif"), 2);
    EXPECT_EQ(ReadBytes(folder + "notes.txt"), "not part of the pack");
}

// Save of a pack without a folder asks for one (kind 0) like Save As; a cancelled choice
// cancels the save.
TEST_F(SaveTest, NewPackAsksForAFolderWhenSaved) {
    auto model = NewModel();
    ASSERT_TRUE(model->NewPack());
    ASSERT_NE(model->AddSmile(Picture(1)), nullptr);
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(model->LastError(), TModelError::Cancelled);
    const std::string chosen = sources.folder() + "chosen/";
    std::vector<int32_t> kinds;
    model->OnSelectFolder = [&](TDefineDecoder&, int32_t kind, std::string& path, bool& accepted) {
        kinds.push_back(kind);
        path = chosen + "_define.ini";
        accepted = true;
    };
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(kinds, std::vector<int32_t>{0});
    EXPECT_EQ(ListFiles(chosen), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), chosen);
    // "Save" answered to the question asks too; cancelling the folder cancels the operation.
    model->OnQuerySave = [](TDefineDecoder&, int32_t& answer) { answer = 0; };
    model->OnSelectFolder = [](TDefineDecoder&, int32_t, std::string&, bool& accepted) { accepted = false; };
    ASSERT_TRUE(model->NewCurrentPack());
    ASSERT_NE(model->AddSmile(Picture(1)), nullptr);  // only a changed pack is asked about
    EXPECT_FALSE(model->NewPack());
    EXPECT_EQ(model->LastError(), TModelError::Cancelled);
    model->OnQuerySave = nullptr;
    model->OnSelectFolder = nullptr;
    ASSERT_TRUE(model->NewPack());
    ASSERT_NE(model->AddSmile(Picture(1)), nullptr);

    const std::string target = sources.folder() + "deep/new/pack/";
    ASSERT_TRUE(model->SaveAs(target + "_define.ini"));
    EXPECT_EQ(ListFiles(target), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(ReadBytes(target + "_define.ini"), " \r\n");
    EXPECT_EQ(model->SourcePath(kAnimatedPack), target);
    EXPECT_EQ(StateFields(kAnimatedPack),
              "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=1\r\nSmiliesLoaded=1\r\nSourcePath=" + target +
                  "\r\n");
    EXPECT_FALSE(model->BothPathsAssigned());

    model->Smile(0)->Signatures.Add("x");
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(ReadBytes(target + "_define.ini"), "x");
}

TEST_F(SaveTest, AFailingTargetKeepsItsPreviousPack) {
    const std::string target = MakePack("target", {{"aa.gif", 7}, {"zz.gif", 8}}, "old");
    WriteBytes(target + "readme.ini", "old readme");
    WriteBytes(target + "other.txt", "other");
    // A folder where the second picture must go: that copy cannot be completed.
    std::filesystem::create_directories(target + "ab.gif/inside");
    const auto before = Snapshot(target);

    auto model = NewModel();
    ASSERT_TRUE(model->NewPack());
    ASSERT_NE(model->AddSmile(Picture(1)), nullptr);
    ASSERT_NE(model->AddSmile(Picture(2)), nullptr);

    EXPECT_FALSE(model->SaveAs(target + "_define.ini"));
    EXPECT_EQ(Snapshot(target), before);
    EXPECT_TRUE(std::filesystem::is_directory(target + "ab.gif/inside"));
    EXPECT_FALSE(model->SourcedPacks().Contains(kAnimatedPack));
    EXPECT_EQ(ReadBytes(StateFile(kAnimatedPack)).find("PathAssigned=1"), std::string::npos);

    // The same pack saves cleanly once the obstacle is gone.
    std::filesystem::remove_all(target + "ab.gif");
    ASSERT_TRUE(model->SaveAs(target + "_define.ini"));
    EXPECT_EQ(ListFiles(target), (std::vector<std::string>{"_define.ini", "aa.gif", "ab.gif", "other.txt"}));
    EXPECT_EQ(FileId(target + "aa.gif"), 1);
}

TEST_F(SaveTest, SaveBackIntoAFailingSourceKeepsTheSource) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}}, "a");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    ASSERT_NE(model->AddSmile(Picture(1)), nullptr);
    std::filesystem::create_directories(folder + "AB.GIF");
    const auto before = Snapshot(folder);
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(Snapshot(folder), before);
}

TEST_F(SaveTest, QuerySaveAnswers) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}}, "a");
    const std::string other = MakePack("other", {{"b.gif", 1}}, "b");
    auto model = NewModel();
    // Nothing present: no question.
    Answer(*model, 2);
    EXPECT_TRUE(model->QuerySave());
    EXPECT_EQ(questions, 0);
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    // As opened: nothing to lose, no question.
    EXPECT_TRUE(model->QuerySave());
    EXPECT_EQ(questions, 0);

    // Changed, Cancel: nothing changes.
    model->Smile(0)->Signatures.Add("edited");
    const auto work = Snapshot(Work(*model));
    EXPECT_FALSE(model->NewPack());
    EXPECT_FALSE(model->OpenPack(other + "_define.ini"));
    EXPECT_FALSE(model->ClosePack());
    EXPECT_EQ(questions, 3);
    EXPECT_EQ(Ids(*model), (std::vector<int>{0}));
    EXPECT_EQ(Snapshot(Work(*model)), work);

    // Save: the edit reaches the source, then the other pack opens.
    Answer(*model, 0);
    ASSERT_TRUE(model->OpenPack(other + "_define.ini"));
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), "a,edited");
    EXPECT_EQ(Ids(*model), (std::vector<int>{1}));

    // Discard.
    model->Smile(0)->Signatures.Add("lost");
    Answer(*model, 1);
    ASSERT_TRUE(model->ClosePack());
    EXPECT_EQ(ReadBytes(other + "_define.ini"), "b");
    EXPECT_EQ(questions, 5);
}

TEST_F(SaveTest, AnsweringSaveWhenSavingFailsKeepsTheWork) {
    auto model = NewModel();
    ASSERT_TRUE(model->NewPack());
    ASSERT_NE(model->AddSmile(Picture(1)), nullptr);
    Answer(*model, 0);
    // The new pack has no place, so "save" cannot succeed: the pack must not be dropped.
    EXPECT_FALSE(model->ClosePack());
    EXPECT_EQ(model->SmileCount(), 1);
    EXPECT_TRUE(model->PresentPacks().Contains(kAnimatedPack));
}

TEST_F(SaveTest, BothModeAsksAboutThePackThatIsNotCurrent) {
    auto model = NewModel();
    model->SetCurrentPack(kStaticPack);
    ASSERT_TRUE(model->NewPack());
    ASSERT_NE(model->AddSmile(Picture(1, kStaticPack)), nullptr);
    model->SetBothMode(true);
    model->SetCurrentPack(kAnimatedPack);  // absent; the static pack holds unsaved work

    Answer(*model, 2);
    EXPECT_FALSE(model->NewPack());
    EXPECT_EQ(questions, 1);
    model->SetCurrentPack(kStaticPack);
    EXPECT_EQ(model->SmileCount(), 1);

    // Outside the both-packs mode only the current pack is at stake.
    model->SetBothMode(false);
    model->SetCurrentPack(kAnimatedPack);
    EXPECT_TRUE(model->NewPack());
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(model->PresentPacks().Contains(kStaticPack));
}

TEST_F(SaveTest, BothPacksOpenAndSaveAsAPair) {
    const std::string base = sources.folder() + "base/";
    MakePack("base/Static", {{"s1.bmp", 1}, {"s2.bmp", 2}}, "s1\r\ns2", kStaticPack);
    MakePack("base/Animated", {{"a3.gif", 3}}, "a3");
    auto model = NewModel();
    model->SetBothMode(true);
    model->SetCurrentPack(kAnimatedPack);
    EventLog log;
    log.Attach(*model);
    ASSERT_TRUE(model->OpenPack(sources.folder() + "base"));  // no trailing separator
    EXPECT_EQ(model->CurrentPack(), kAnimatedPack);
    EXPECT_EQ(Ids(*model), (std::vector<int>{3}));
    EXPECT_EQ(model->SourcePath(kStaticPack), base + "Static/");
    EXPECT_EQ(model->SourcePath(kAnimatedPack), base + "Animated/");
    EXPECT_TRUE(model->BothPathsAssigned());
    EXPECT_EQ(model->BothPath(), base);
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "begin"), 2);
    const std::string config = ReadBytes(ConfigFile());
    EXPECT_NE(config.find("BothPathsAssigned=1\r\n"), std::string::npos);
    EXPECT_NE(config.find("BothPath=" + base + "\r\n"), std::string::npos);
    EXPECT_EQ(model->ErrorCount(2), 0);
    EXPECT_EQ(model->SmileCount(), 1);

    // Save writes both packs back without asking.
    model->Smile(0)->Signatures.Add("more");
    Choose(*model, "unused");
    ASSERT_TRUE(model->Save());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(ReadBytes(base + "Animated/_define.ini"), "a3,more");
    EXPECT_EQ(ListFiles(base + "Static/"), (std::vector<std::string>{"_define.ini", "aa.bmp", "ab.bmp"}));

    // SaveAs writes the sub-folders of a new base and makes it the pair's base.
    const std::string copy = sources.folder() + "copy/";
    ASSERT_TRUE(model->SaveAs(sources.folder() + "copy"));
    EXPECT_EQ(ListFiles(copy + "Static/"), (std::vector<std::string>{"_define.ini", "aa.bmp", "ab.bmp"}));
    EXPECT_EQ(ListFiles(copy + "Animated/"), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(model->BothPath(), copy);
    EXPECT_EQ(model->SourcePath(kStaticPack), copy + "Static/");
    EXPECT_EQ(model->CurrentPack(), kAnimatedPack);

    // Closing in the both-packs mode closes both and resets the pair state.
    log.lines.clear();
    ASSERT_TRUE(model->ClosePack());
    EXPECT_EQ(log.lines.front(), "close");
    EXPECT_TRUE(model->PresentPacks().Empty());
    EXPECT_FALSE(model->BothPathsAssigned());
    EXPECT_EQ(model->BothPath(), "");
}

TEST_F(SaveTest, BothPacksWithoutBaseAskForOne) {
    auto model = NewModel();
    model->SetBothMode(true);
    ASSERT_TRUE(model->NewPack());
    model->AddSmile(Picture(1));
    const std::string base = sources.folder() + "chosen";
    Choose(*model, base, false);
    EXPECT_FALSE(model->Save());
    Choose(*model, base);
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(asked, (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(ListFiles(base + "/Animated/"), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(ListFiles(base + "/Static/"), (std::vector<std::string>{"_define.ini"}));
    EXPECT_TRUE(model->BothPathsAssigned());
    EXPECT_EQ(model->BothPath(), base + "/");
}

TEST_F(SaveTest, OnePackInBothModeSavesIntoTheChosenFolderItself) {
    auto model = NewModel();
    ASSERT_TRUE(model->NewPack());  // the animated pack only
    ASSERT_NE(model->AddSmile(Picture(4)), nullptr);
    model->SetBothMode(true);
    model->SetCurrentPack(kStaticPack);
    const std::string chosen = sources.folder() + "chosen/";
    Choose(*model, chosen + "_define.ini");
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(asked, (std::vector<int32_t>{0}));
    EXPECT_EQ(ListFiles(chosen), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(model->CurrentPack(), kStaticPack);
    EXPECT_EQ(model->SourcePath(kAnimatedPack), chosen);

    // Now it has its place: no second question.
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(asked.size(), 1u);

    // SaveAs of a pair with one pack writes that pack into its sub-folder.
    ASSERT_TRUE(model->SaveAs(sources.folder() + "pair/"));
    EXPECT_EQ(ListFiles(sources.folder() + "pair/Animated/"),
              (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_FALSE(std::filesystem::exists(sources.folder() + "pair/Static"));
}

TEST_F(SaveTest, CancellingTheFolderQuestionRestoresTheCurrentPack) {
    auto model = NewModel();
    model->SetCurrentPack(kStaticPack);
    ASSERT_TRUE(model->NewPack());
    model->SetBothMode(true);
    model->SetCurrentPack(kAnimatedPack);
    Choose(*model, "", false);
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(asked, (std::vector<int32_t>{0}));
    EXPECT_EQ(model->CurrentPack(), kAnimatedPack);
}

TEST_F(SaveTest, ExternalBaseGivesNewPacksTheirPlace) {
    const std::string external = sources.folder() + "external";
    auto model = NewModel("Coatwright");
    model->SetExternalBase(external);
    EXPECT_EQ(model->ExternalBasePath(), external + "/");
    model->SetBothMode(true);
    ASSERT_TRUE(model->NewPack());
    EXPECT_TRUE(model->BothPathsAssigned());
    EXPECT_EQ(model->BothPath(), external + "/");
    EXPECT_EQ(model->SourcePath(kStaticPack), external + "/Static/");
    EXPECT_EQ(StateFields(kStaticPack, "Coatwright"),
              "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=0\r\nSmiliesLoaded=1\r\nSourcePath=" +
                  external + "/Static/\r\n");
    ASSERT_NE(model->AddSmile(Picture(1)), nullptr);
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(ListFiles(external + "/Animated/"), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(ListFiles(external + "/Static/"), (std::vector<std::string>{"_define.ini"}));
    EXPECT_TRUE(model->SourcedPacks().Contains(kStaticPack));

    // Opened elsewhere, the packs still belong to the external base.
    MakePack("elsewhere/Animated", {{"q.gif", 5}}, "q");
    ASSERT_TRUE(model->OpenPack(sources.folder() + "elsewhere/"));
    EXPECT_EQ(model->SourcePath(kAnimatedPack), external + "/Animated/");
    EXPECT_EQ(model->BothPath(), external + "/");
}

TEST_F(SaveTest, OpeningTheWorkingCopyItselfKeepsItsFiles) {
    const std::string folder = MakePack("pack", {{"a.gif", 0}, {"b.gif", 1}}, "a\r\nb");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    ASSERT_TRUE(model->OpenPack(Work(*model) + "_define.ini"));
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1}));
    EXPECT_EQ(ListFiles(Work(*model)), (std::vector<std::string>{"_define.ini", "aa.gif", "ab.gif"}));
}

}  // namespace
}  // namespace faceloom::test
