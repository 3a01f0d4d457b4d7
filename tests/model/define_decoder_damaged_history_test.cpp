// A history whose kept pictures were damaged behind the editor's back (gone, a link, a folder,
// a pipe, cut short, unreadable): the step that would bring one back is refused with the
// reason, the steps that lead through it go, and a save afterwards never loses a picture of
// the user's folder nor takes in a file a link points to.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "define_decoder_fixture.h"
#include "model/edit_journal.h"
#include "platform/flush_batch.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;

struct Damage {
    const char* name;
    // Turns the kept picture at path into something else; user is a file of the user's.
    std::function<void(const std::string& path, const std::string& user)> apply;
    bool rootReads;  // root reads it all the same: the case cannot be made as root
};

const std::vector<Damage> kDamages = {
    {"missing", [](const std::string& path, const std::string&) { fs::remove(path); }, false},
    {"link to a user's picture",
     [](const std::string& path, const std::string& user) {
         fs::remove(path);
         fs::create_symlink(user, path);
     },
     false},
    {"folder",
     [](const std::string& path, const std::string&) {
         fs::remove(path);
         fs::create_directory(path);
     },
     false},
    {"pipe",
     [](const std::string& path, const std::string&) {
         fs::remove(path);
         ::mkfifo(path.c_str(), 0600);
     },
     false},
    {"cut short", [](const std::string& path, const std::string&) { fs::resize_file(path, 10); }, false},
    {"unreadable", [](const std::string& path, const std::string&) { ::chmod(path.c_str(), 0); }, true},
};

struct Stepping {
    const char* name;
    // Leaves the pack with the step to be refused next, its one kept picture in the history.
    std::function<void(TDefineDecoder&, const std::string& picture)> setup;
    bool redo;
    std::vector<int> ids;  // the pack's pictures, before and after the refusal
    std::vector<std::string> firstSignatures;
};

class DamagedHistoryTest : public ModelTest {
protected:
    std::string KeptPicture(const TDefineDecoder& model) {
        const std::vector<std::string> kept = ListFiles(Work(model) + kHistoryFolderName, ".gif");
        EXPECT_EQ(kept.size(), 1u);
        return kept.empty() ? std::string() : Work(model) + kHistoryFolderName + kept.front();
    }
    TSkippedFlushes skipped_;
};

TEST_F(DamagedHistoryTest, AStepWhoseKeptPictureIsDamagedIsRefusedAndSaveLosesNothing) {
    const std::vector<Stepping> steppings = {
        // An older step first: it can no longer be reached past the damaged one.
        {"undo of a delete",
         [](TDefineDecoder& m, const std::string&) {
             ASSERT_TRUE(m.AddSignature(0, 1, "a"));
             ASSERT_TRUE(m.DeleteSmile(1));
         },
         false,
         {1, 3, 4},
         {"s0", "a"}},
        // Two undone steps: the later one stays out of reach behind the damaged one.
        {"redo of a replace",
         [](TDefineDecoder& m, const std::string& picture) {
             ASSERT_NE(m.ReplacePicture(2, picture), nullptr);
             ASSERT_TRUE(m.AddSignature(0, 1, "a"));
             ASSERT_TRUE(m.Undo());
             ASSERT_TRUE(m.Undo());
         },
         true,
         {1, 2, 3, 4},
         {"s0"}},
    };
    int cases = 0;
    for (const Stepping& stepping : steppings) {
        for (const Damage& damage : kDamages) {
            if (damage.rootReads && ::geteuid() == 0) continue;
            SCOPED_TRACE(std::string(stepping.name) + ", kept picture " + damage.name);
            ++cases;
            const std::string folder = MakePack("pack" + std::to_string(cases),
                                                {{"aa.gif", 1}, {"ab.gif", 2}, {"ac.gif", 3}, {"ad.gif", 4}},
                                                "s0\r\ns1\r\ns2\r\ns3");
            const std::string user = Picture(77);
            const std::string userBytes = ReadBytes(user);
            auto model = NewModel();
            ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
            stepping.setup(*model, Picture(60));
            ASSERT_EQ(Ids(*model), stepping.ids);
            const std::string kept = KeptPicture(*model);
            damage.apply(kept, user);
            const std::string define = Define(*model);

            EXPECT_FALSE(stepping.redo ? model->Redo() : model->Undo());
            EXPECT_EQ(model->LastError(), TModelError::HistoryDamaged);
            EXPECT_EQ(model->LastErrorFile(), kept);
            // Nothing changed, and no step leads through the damaged one any more.
            EXPECT_EQ(Ids(*model), stepping.ids);
            EXPECT_EQ(model->Smile(0)->Signatures.Items(), stepping.firstSignatures);
            EXPECT_EQ(Define(*model), define);
            EXPECT_FALSE(stepping.redo ? model->CanRedo() : model->CanUndo());
            EXPECT_FALSE(fs::is_symlink(kept));
            EXPECT_EQ(ReadBytes(user), userBytes);

            // The save writes the pack as the model shows it: every picture with its smile.
            ASSERT_TRUE(model->Save()) << static_cast<int>(model->LastError());
            std::vector<std::string> pictures;
            for (size_t i = 0; i < stepping.ids.size(); ++i) {
                pictures.push_back(CanonicalName(static_cast<int>(i)) + ".gif");
                EXPECT_EQ(FileId(folder + pictures.back()), stepping.ids[i]) << i;
            }
            EXPECT_EQ(ListFiles(folder, ".gif"), pictures);
            EXPECT_EQ(ReadBytes(folder + "_define.ini"), define);
            EXPECT_EQ(ReadBytes(user), userBytes);

            // A restart reads the shortened history and agrees.
            model.reset();
            auto restarted = NewModel();
            ASSERT_TRUE(restarted->LoadFromStorage());
            EXPECT_EQ(Ids(*restarted), stepping.ids);
            EXPECT_FALSE(stepping.redo ? restarted->CanRedo() : restarted->CanUndo());
            if (stepping.redo) EXPECT_FALSE(restarted->CanUndo());
            restarted.reset();
            if (fs::is_directory(kept)) fs::remove(kept);
        }
    }
    EXPECT_GE(cases, 10);
}

// The steps on the other side of the cursor stay: a refused undo keeps the redo steps, whose
// pictures are whole.
TEST_F(DamagedHistoryTest, ARefusedUndoKeepsTheRedoStepsBeyondIt) {
    const std::string folder =
        MakePack("pack", {{"aa.gif", 1}, {"ab.gif", 2}, {"ac.gif", 3}}, "s0\r\ns1\r\ns2");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    ASSERT_TRUE(model->DeleteSmile(0));
    ASSERT_NE(model->ReplacePicture(0, Picture(60)), nullptr);
    ASSERT_TRUE(model->Undo());  // picture 60 is kept for the redo, picture 1 for the undo
    const std::vector<std::string> kept = ListFiles(Work(*model) + kHistoryFolderName, ".gif");
    ASSERT_EQ(kept.size(), 2u);
    for (const std::string& name : kept) {
        const std::string path = Work(*model) + kHistoryFolderName + name;
        if (FileId(path) == 1) fs::remove(path);
    }
    EXPECT_FALSE(model->Undo());
    EXPECT_EQ(model->LastError(), TModelError::HistoryDamaged);
    EXPECT_FALSE(model->CanUndo());
    ASSERT_TRUE(model->Redo());
    EXPECT_EQ(Ids(*model), (std::vector<int>{60, 3}));
    ASSERT_TRUE(model->Undo());
    EXPECT_EQ(Ids(*model), (std::vector<int>{2, 3}));
    EXPECT_FALSE(model->CanUndo());
}

}  // namespace
}  // namespace faceloom::test
