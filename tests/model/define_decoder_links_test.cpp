// Links and strays in the storage area: a link put where the storage keeps a folder of its own
// is never followed, by start-up, open, edits, save or close: the folder (or file) it points
// to keeps every byte, the working copy is not lost, and the user is told. A plain file in the
// history's place is a damaged history: dropped, and editing goes on.

#include <filesystem>
#include <map>

#include "define_decoder_fixture.h"
#include "model/edit_history.h"
#include "model/edit_journal.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using Note = std::pair<TModelError, std::string>;

// Everything below a folder (or the one file): relative names with their bytes, folders and
// links as such; links are never entered.
Files Tree(const std::string& path) {
    Files tree;
    if (!fs::is_directory(fs::symlink_status(path))) {
        tree[""] = ReadBytes(path);
        return tree;
    }
    for (const auto& entry : fs::recursive_directory_iterator(path)) {
        const std::string name = fs::relative(entry.path(), path).string();
        if (entry.is_symlink()) {
            tree[name] = "link " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            tree[name] = "folder";
        } else {
            tree[name] = ReadBytes(entry.path());
        }
    }
    return tree;
}

class LinksTest : public ModelTest {
protected:
    // The user's files a link points to: a folder that looks like a pack and a history (so
    // that a removal or a clean-up that followed the link would find work there), or one file.
    std::string UserTarget(bool folder) {
        if (!folder) {
            const std::string file = user.folder() + "user.gif";
            WriteGif(file, 40, 12);
            return file;
        }
        const std::string target = user.folder() + "mine/";
        WriteDefine(target, "u1\r\nu2");
        WriteGif(target + "aa.gif", 41, 12);
        WriteGif(target + "ab.gif", 42, 12);
        WriteBytes(target + "index", "the user's index");
        WriteBytes(target + "readme.txt", "the user's notes");
        fs::create_directories(target + "Config");
        WriteBytes(target + "Config/Storage.ini", "[Storage]\r\nSourcePath=/elsewhere/\r\n");
        fs::create_directories(target + "sub");
        WriteGif(target + "sub/aa.gif", 43, 12);
        return target;
    }
    std::string ModeFolder() const { return home.dir().folder() + "Faceloom for Tavi 2005/3.0/Storage/"; }
    std::unique_ptr<TDefineDecoder> Start() {
        auto model = NewModel();
        model->OnStorageNote = [this](TDefineDecoder&, TModelError reason, const std::string& path) {
            notes.emplace_back(reason, path);
        };
        EXPECT_TRUE(model->LoadFromStorage());
        return model;
    }
    // The working copy's own files (definition and pictures).
    static Files Copy(const TDefineDecoder& model, uint8_t pack = kAnimatedPack) {
        Files files;
        for (const std::string& name : ListFiles(Work(model, pack)))
            files[name] = ReadBytes(Work(model, pack) + name);
        return files;
    }

    TempDir user;
    std::vector<Note> notes;
};

// Each name the storage removes, renames, recovers or writes into, as a link to a folder of
// the user's files and to a file of the user's, present at start-up and put back (where
// nothing of ours took its place) before every later operation.
TEST_F(LinksTest, ALinkInTheStorageIsNeverFollowed) {
    const struct {
        const char* name;  // relative to the mode folder
        bool noted;        // the user is told of it
        bool trusted;      // the pack's record is still trusted (the link did not take it)
    } names[] = {
        {"Animated/History", true, true},
        {"Animated/Config", true, false},
        {"Animated.~staging", true, true},
        {"Animated.~ready", true, true},
        {"Animated.~old", true, true},
        {"Static", true, true},
        {"Static.~staging", true, true},
        {"Static.~ready", true, true},
        {"Static.~old", true, true},
        {"Static/History", true, true},
        {"Config", true, false},
        // Only made again when missing; never written through.
        {"Config/Temp", false, true},
    };
    const std::string b = MakePack("b", {{"x.gif", 7}, {"y.gif", 8}}, "b1\r\nb2");
    const std::string s = MakePack("s", {{"x.bmp", 5}}, "s1", kStaticPack);
    for (const auto& n : names) {
        for (const bool folder : {true, false}) {
            SCOPED_TRACE(std::string(n.name) + (folder ? " -> folder" : " -> file"));
            fs::remove_all(home.dir().folder() + "Faceloom for Tavi 2005");
            fs::remove_all(user.folder() + "mine");
            notes.clear();
            fs::remove_all(sources.folder() + "a");
            // Unsaved work with a history: a smile deleted from a pack of three.
            const std::string a = MakePack("a", {{"x.gif", 1}, {"y.gif", 2}, {"z.gif", 3}}, "a1\r\na2\r\na3");
            auto model = NewModel();
            ASSERT_TRUE(model->OpenPack(a + "_define.ini"));
            ASSERT_TRUE(model->DeleteSmile(0));
            const Files work = Copy(*model);
            model.reset();

            const std::string target = UserTarget(folder);
            const Files theirs = Tree(target);
            const std::string link = ModeFolder() + n.name;
            auto place = [&] {
                if (EntryKind(link) == TEntryKind::Missing) fs::create_symlink(target, link);
            };
            // In the place of whatever was there (a record or settings folder is lost with it).
            fs::remove_all(link);
            auto untouched = [&](const char* after) {
                EXPECT_EQ(Tree(target), theirs) << after;
                EXPECT_EQ(ReadBytes(a + "_define.ini"), "a1\r\na2\r\na3") << after;
            };
            place();

            model = Start();
            untouched("start-up");
            // The working copy is ours and whole, also with a ready or old folder that is a link.
            EXPECT_EQ(EntryKind(Work(*model)), TEntryKind::Folder);
            EXPECT_EQ(Copy(*model), work);
            EXPECT_EQ(Ids(*model), (std::vector<int>{2, 3}));
            EXPECT_FALSE(model->PresentPacks().Contains(kStaticPack));

            place();
            EXPECT_TRUE(model->DeleteSmile(0));
            EXPECT_TRUE(model->AddSignature(0, 0, "q"));
            EXPECT_TRUE(model->Undo());
            EXPECT_TRUE(model->Undo());
            EXPECT_EQ(Ids(*model), (std::vector<int>{2, 3}));
            EXPECT_EQ(Copy(*model), work);
            untouched("edits");

            place();
            // Saved where the pack came from while its record is trusted; a record behind a
            // link (or checked by a settings folder behind one) is not, and the save asks
            // where (nobody answers here).
            EXPECT_EQ(model->Save(), n.trusted);
            EXPECT_EQ(ReadBytes(a + "_define.ini"), n.trusted ? "a2\r\na3" : "a1\r\na2\r\na3");
            EXPECT_EQ(Tree(target), theirs) << "save";
            WriteDefine(a, "a1\r\na2\r\na3");

            place();
            EXPECT_TRUE(model->OpenPack(b + "_define.ini"));
            EXPECT_EQ(Ids(*model), (std::vector<int>{7, 8}));
            EXPECT_EQ(EntryKind(Work(*model)), TEntryKind::Folder);
            untouched("open");

            place();
            model->SetCurrentPack(kStaticPack);
            EXPECT_TRUE(model->OpenPack(s + "_define.ini"));
            EXPECT_EQ(Ids(*model), (std::vector<int>{5}));
            EXPECT_EQ(EntryKind(Work(*model, kStaticPack)), TEntryKind::Folder);
            place();
            EXPECT_TRUE(model->AddSignature(0, 0, "q"));
            untouched("open of the other pack");

            place();
            model.reset();
            model = Start();
            EXPECT_EQ(Copy(*model, kStaticPack).size(), 2u);
            EXPECT_EQ(Ids(*model), (std::vector<int>{5}));
            place();
            EXPECT_TRUE(model->ClosePack());
            model->SetCurrentPack(kAnimatedPack);
            EXPECT_TRUE(model->ClosePack());
            place();
            model.reset();
            model = Start();
            EXPECT_TRUE(model->PresentPacks().Empty());
            untouched("close and restart");

            bool told = false;
            for (const auto& [reason, path] : notes)
                told |= reason == TModelError::LinkInStorage && path == link;
            EXPECT_EQ(told, n.noted);
        }
    }
}

// The working copy's own folder replaced by a link while the pack is open: nothing is edited,
// saved or cleared through it; Close and the next start remove the link itself.
TEST_F(LinksTest, AWorkingCopyReplacedByALinkIsNeverWorkedThrough) {
    const std::string a = MakePack("a", {{"x.gif", 1}, {"y.gif", 2}}, "a1\r\na2");
    const std::string target = UserTarget(true);
    const Files theirs = Tree(target);
    for (const bool close : {true, false}) {
        SCOPED_TRACE(close ? "closed" : "restarted");
        notes.clear();
        auto model = NewModel();
        model->OnStorageNote = [this](TDefineDecoder&, TModelError reason, const std::string& path) {
            notes.emplace_back(reason, path);
        };
        ASSERT_TRUE(model->OpenPack(a + "_define.ini"));
        const std::string work = Work(*model);
        const std::string folder = work.substr(0, work.size() - 1);
        fs::remove_all(folder);
        fs::create_symlink(target, folder);

        EXPECT_EQ(model->DeleteSmile(0), false);
        EXPECT_EQ(model->AddSignature(0, 0, "q"), false);
        EXPECT_FALSE(model->Save());
        EXPECT_EQ(model->LastError(), TModelError::WorkingCopyDamaged);
        // Told at each operation it refused.
        EXPECT_EQ(notes, (std::vector<Note>(2, {TModelError::LinkInStorage, folder})));
        if (close) {
            EXPECT_TRUE(model->ClosePack());
            EXPECT_EQ(EntryKind(folder), TEntryKind::Missing);
        }
        model.reset();
        EXPECT_EQ(Tree(target), theirs);
        model = Start();
        EXPECT_TRUE(model->PresentPacks().Empty());
        EXPECT_EQ(EntryKind(folder), TEntryKind::Folder);
        ASSERT_TRUE(model->OpenPack(a + "_define.ini"));
        EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
        model->ClosePack();
        EXPECT_EQ(Tree(target), theirs);
        EXPECT_EQ(ReadBytes(a + "_define.ini"), "a1\r\na2");
    }
}

// The mode folder itself reached through a link: nothing of the storage is used, open and new
// are refused with the reason, and the user's folder keeps every byte.
TEST_F(LinksTest, AModeFolderBehindALinkIsRefused) {
    const std::string a = MakePack("a", {{"x.gif", 1}}, "a1");
    const std::string target = UserTarget(true);
    fs::create_directories(home.dir().folder() + "Faceloom for Tavi 2005/3.0");
    fs::create_symlink(target, ModeFolder().substr(0, ModeFolder().size() - 1));
    const Files theirs = Tree(target);
    auto model = Start();
    EXPECT_TRUE(model->PresentPacks().Empty());
    EXPECT_FALSE(model->OpenPack(a + "_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::LinkInStorage);
    EXPECT_FALSE(model->NewPack());
    EXPECT_EQ(model->LastError(), TModelError::LinkInStorage);
    model.reset();
    EXPECT_EQ(Tree(target), theirs);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes[0], (Note{TModelError::LinkInStorage, ModeFolder().substr(0, ModeFolder().size() - 1)}));
}

// An edit cut short while a link stood in the history's place: the next start puts a folder
// of its own there before it finishes the edit, so the pictures it keeps go into the storage,
// the pack is the edited one, and nothing reaches the link's target.
TEST_F(LinksTest, AnEditCutShortIsFinishedBesideALinkNeverThroughIt) {
    const std::string a = MakePack("a", {{"x.gif", 1}, {"y.gif", 2}, {"z.gif", 3}}, "a1\r\na2\r\na3");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(a + "_define.ini"));
    const std::string work = Work(*model);
    // The journal of "delete smile 0", written before its renames, as the edit writes it.
    TEditJournal edit;
    edit.Identity = model->StorageIdentity();
    edit.Steps = {{false, "aa.gif", "History/k1.gif", *FileIdentity(work + "aa.gif")},
                  {false, "ab.gif", "aa.gif", *FileIdentity(work + "ab.gif")},
                  {false, "ac.gif", "ab.gif", *FileIdentity(work + "ac.gif")}};
    edit.Definition = "a2\r\na3\r\n";
    model.reset();
    WriteBytes(work + kEditJournalName, edit.Encode());
    const std::string target = UserTarget(true);
    const Files theirs = Tree(target);
    fs::remove_all(work + "History");
    fs::create_symlink(target, work + "History");

    model = Start();
    EXPECT_EQ(Tree(target), theirs);
    EXPECT_EQ(Ids(*model), (std::vector<int>{2, 3}));
    EXPECT_EQ(ListFiles(work, ".gif"), (std::vector<std::string>{"aa.gif", "ab.gif"}));
    EXPECT_FALSE(fs::exists(work + kEditJournalName));
    EXPECT_EQ(notes, (std::vector<Note>{{TModelError::LinkInStorage, work + "History"}}));
}

// A plain file named "History" in the working copy, found at start-up or put there during the
// session: the history is dropped, the edit goes on, the user is told once.
TEST_F(LinksTest, AFileInTheHistorysPlaceIsADamagedHistory) {
    for (const bool atStart : {true, false}) {
        SCOPED_TRACE(atStart ? "at start-up" : "during the session");
        notes.clear();
        fs::remove_all(sources.folder() + "a");
        const std::string a = MakePack("a", {{"x.gif", 1}, {"y.gif", 2}, {"z.gif", 3}}, "a1\r\na2\r\na3");
        auto model = Start();
        ASSERT_TRUE(model->OpenPack(a + "_define.ini"));
        ASSERT_TRUE(model->DeleteSmile(0));
        const std::string history = Work(*model) + "History";
        auto spoil = [&] {
            fs::remove_all(history);
            WriteBytes(history, "not a folder");
        };
        if (atStart) {
            model.reset();
            spoil();
            model = Start();
            EXPECT_FALSE(model->CanUndo());
            EXPECT_TRUE(model->Modified(kAnimatedPack));
        } else {
            spoil();
        }
        EXPECT_EQ(Ids(*model), (std::vector<int>{2, 3}));
        // Every edit works again, and is a step of the new history.
        ASSERT_TRUE(model->MoveSmile(0, 1));
        ASSERT_TRUE(model->AddSignature(0, 0, "q"));
        EXPECT_EQ(EntryKind(history), TEntryKind::Folder);
        EXPECT_EQ(Ids(*model), (std::vector<int>{3, 2}));
        ASSERT_TRUE(model->Undo());
        ASSERT_TRUE(model->Undo());
        EXPECT_FALSE(model->CanUndo());
        EXPECT_EQ(Ids(*model), (std::vector<int>{2, 3}));
        EXPECT_TRUE(model->Modified(kAnimatedPack));
        EXPECT_EQ(notes, (std::vector<Note>{{TModelError::HistoryDropped, history}}));
        ASSERT_TRUE(model->Save());
        EXPECT_EQ(ReadBytes(a + "_define.ini"), "a2\r\na3");
        model->ClosePack();
    }
}

}  // namespace
}  // namespace faceloom::test
