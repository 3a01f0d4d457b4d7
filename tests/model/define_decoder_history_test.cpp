// Undo and redo: every edit goes back exactly (the working copy's files, names and bytes), the
// history lives in the working copy across restarts, is bounded, cleared by new, open and
// close but not by save, and a damaged or foreign one is dropped without touching the pack.

#include <filesystem>
#include <map>
#include <random>

#include "define_decoder_fixture.h"
#include "model/edit_history.h"
#include "model/edit_journal.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

class HistoryTest : public ModelTest {
protected:
    // An open animated pack of `count` smiles, smile i with picture i and signature "s<i>",
    // and a picture beyond the last smile that belongs to none.
    std::unique_ptr<TDefineDecoder> OpenCounted(int count) {
        std::vector<std::pair<std::string, int>> pictures;
        std::string define;
        for (int i = 0; i < count; ++i) {
            pictures.emplace_back(CanonicalName(i) + ".gif", i);
            define += "s" + std::to_string(i) + "\r\n";
        }
        pictures.emplace_back(CanonicalName(count) + ".gif", 99);
        folder_ = MakePack("pack", pictures, define);
        auto model = NewModel();
        EXPECT_TRUE(model->OpenPack(folder_ + "_define.ini"));
        return model;
    }
    std::unique_ptr<TDefineDecoder> Restart(std::unique_ptr<TDefineDecoder>& model) {
        model.reset();
        auto fresh = NewModel();
        EXPECT_TRUE(fresh->LoadFromStorage());
        return fresh;
    }
    // The working copy's own files (definition and pictures), name -> bytes.
    static Files Copy(const TDefineDecoder& model) {
        Files files;
        for (const std::string& name : ListFiles(Work(model))) files[name] = ReadBytes(Work(model) + name);
        return files;
    }
    static size_t KeptFiles(const TDefineDecoder& model) {
        return ListFiles(Work(model) + kHistoryFolderName, ".gif").size();
    }
    std::string folder_;
};

// One random edit that changes the pack (so it is one step); false when it failed.
bool RandomEdit(TDefineDecoder& model, std::mt19937& random, const std::vector<std::string>& pictures) {
    auto pick = [&](int32_t n) {
        return n <= 0 ? 0 : static_cast<int32_t>(random() % static_cast<uint32_t>(n));
    };
    static int text = 0;
    const int32_t count = model.SmileCount();
    const std::string& picture = pictures[random() % pictures.size()];
    const int32_t i = pick(count);
    TSmile* smile = model.Smile(i);
    const int32_t signatures = smile ? smile->Signatures.Count() : 0;
    for (;;) {
        switch (count < 2 ? 0 : random() % 11) {
            case 0:
                return model.AddSmile(picture) != nullptr;
            case 1:
                return model.InsertSmile(i, picture) != nullptr;
            case 2: {
                // A batch of adds as one step, the later ones with signatures (an import): the
                // step keeps them for redo even though its first add had none.
                model.BeginStep();
                bool ok = true;
                for (int k = 0; k < 3; ++k) {
                    const std::string& file = pictures[random() % pictures.size()];
                    std::vector<std::string> signatures;
                    for (int n = 0; n < k; ++n) signatures.push_back("i" + std::to_string(++text));
                    ok &= (random() % 2 ? model.AddSmileWithSignatures(i + k, file, signatures)
                                        : model.InsertSmile(i + k, file)) != nullptr;
                }
                model.EndStep();
                return ok;
            }
            case 3:
                return model.ReplacePicture(i, picture) != nullptr;
            case 4:
                if (smile->Picture.load() == nullptr) continue;
                return model.DeletePicture(i);
            case 5:
                return model.DeleteSmile(i);
            case 6: {
                const int32_t to = (i + 1 + pick(count - 1)) % count;
                return model.MoveSmile(i, to);
            }
            case 7:
                return model.AddSignature(i, pick(signatures + 1), "n" + std::to_string(++text));
            case 8:
                if (signatures == 0) continue;
                return model.EditSignature(i, pick(signatures), "e" + std::to_string(++text));
            case 9: {
                if (signatures < 2) continue;
                const int32_t from = pick(signatures);
                return model.MoveSignature(i, from, (from + 1 + pick(signatures - 1)) % signatures);
            }
            default:
                if (signatures == 0) continue;
                return model.DeleteSignature(i, pick(signatures));
        }
    }
}

// 200 random edits, each undone back to the state before it and redone to the state after
// it, file by file, with restarts on the way back and on the way forward.
TEST_F(HistoryTest, RandomEditsUndoAndRedoExactlyAcrossRestarts) {
    for (const uint32_t seed : {1u, 2u}) {
        auto model = OpenCounted(12);
        std::vector<std::string> pictures;
        for (int id = 20; id < 26; ++id) pictures.push_back(Picture(id));
        std::mt19937 random(seed);
        std::vector<Files> states{Copy(*model)};
        for (int e = 0; e < 200; ++e) {
            ASSERT_TRUE(RandomEdit(*model, random, pictures)) << "seed " << seed << ", edit " << e;
            states.push_back(Copy(*model));
        }
        for (size_t k = states.size() - 1; k > 0; --k) {
            ASSERT_TRUE(model->Undo())
                << "seed " << seed << ", undo to " << k - 1 << ": " << int(model->LastError());
            ASSERT_EQ(Copy(*model), states[k - 1]) << "seed " << seed << ", undo to " << k - 1;
            if (k == states.size() / 2) model = Restart(model);
        }
        EXPECT_FALSE(model->CanUndo());
        EXPECT_FALSE(model->Modified(kAnimatedPack));
        for (size_t k = 1; k < states.size(); ++k) {
            ASSERT_TRUE(model->Redo()) << "seed " << seed << ", redo to " << k;
            ASSERT_EQ(Copy(*model), states[k]) << "seed " << seed << ", redo to " << k;
            if (k == states.size() / 3) model = Restart(model);
        }
        EXPECT_FALSE(model->CanRedo());
        EXPECT_TRUE(model->Modified(kAnimatedPack));
        // The list the model shows is the one the working copy gives a fresh model.
        const std::vector<int> ids = Ids(*model);
        model = Restart(model);
        EXPECT_EQ(Ids(*model), ids);
        ASSERT_TRUE(model->ClosePack());
    }
}

// What the window names, and how the list changed, for each kind of step (each edit stays done
// for the next one).
TEST_F(HistoryTest, StepsDescribeThemselvesAndTheirChange) {
    auto model = OpenCounted(6);
    struct Case {
        std::function<bool(TDefineDecoder&)> edit;
        THistoryStepInfo info;
        TListChange undone;  // the change Undo reports (Redo reports it mirrored)
    };
    const std::string picture = Picture(30);
    const Case cases[] = {
        {[&](TDefineDecoder& m) {
             m.BeginStep();
             const bool ok =
                 m.InsertSmile(2, picture) && m.InsertSmile(3, picture) && m.InsertSmile(2, picture);
             m.EndStep();
             return ok;
         },
         {THistoryKind::AddSmiles, 2, 2, 3, "", ""},
         {2, 3, 0}},
        {[&](TDefineDecoder& m) { return m.AddSmile(picture) != nullptr; },
         {THistoryKind::AddSmiles, 9, 9, 1, "", ""},
         {9, 1, 0}},
        {[&](TDefineDecoder& m) { return m.ReplacePicture(1, picture) != nullptr; },
         {THistoryKind::ReplacePicture, 1, 1, 1, "s1", ""},
         {1, 1, 1}},
        {[](TDefineDecoder& m) { return m.DeletePicture(0); },
         {THistoryKind::DeletePicture, 0, 0, 1, "s0", ""},
         {0, 1, 1}},
        {[](TDefineDecoder& m) { return m.DeleteSmile(7); },
         {THistoryKind::DeleteSmile, 7, 7, 1, "s4", ""},
         {7, 0, 1}},
        {[](TDefineDecoder& m) { return m.MoveSmile(7, 1); },
         {THistoryKind::MoveSmile, 7, 1, 1, "s5", ""},
         {1, 7, 7}},
        {[](TDefineDecoder& m) { return m.AddSignature(7, 0, ":-D"); },
         {THistoryKind::AddSignature, 7, 7, 1, "s3", ":-D"},
         {7, 1, 1}},
        {[](TDefineDecoder& m) { return m.EditSignature(7, 1, "x"); },
         {THistoryKind::EditSignature, 7, 7, 1, ":-D", "x"},
         {7, 1, 1}},
        {[](TDefineDecoder& m) { return m.MoveSignature(7, 0, 1); },
         {THistoryKind::MoveSignature, 7, 7, 1, ":-D", ":-D"},
         {7, 1, 1}},
        {[](TDefineDecoder& m) { return m.DeleteSignature(7, 0); },
         {THistoryKind::DeleteSignature, 7, 7, 1, "x", "x"},
         {7, 1, 1}},
    };
    for (const Case& c : cases) {
        const std::vector<int> before = Ids(*model);
        ASSERT_TRUE(c.edit(*model));
        const std::vector<int> after = Ids(*model);
        THistoryStepInfo info;
        ASSERT_TRUE(model->NextUndo(info));
        EXPECT_EQ(info, c.info) << int(c.info.Kind);
        ASSERT_TRUE(model->Undo());
        EXPECT_EQ(model->LastChange(), c.undone) << int(c.info.Kind);
        EXPECT_EQ(Ids(*model), before);
        ASSERT_TRUE(model->NextRedo(info));
        EXPECT_EQ(info, c.info);
        ASSERT_TRUE(model->Redo());
        EXPECT_EQ(model->LastChange(), (TListChange{c.undone.First, c.undone.Inserted, c.undone.Removed}));
        EXPECT_EQ(Ids(*model), after);
    }
    // A new edit drops the redo steps; nothing to undo or redo answers false, changing nothing.
    ASSERT_TRUE(model->Undo());
    ASSERT_TRUE(model->MoveSmile(0, 1));
    EXPECT_FALSE(model->CanRedo());
    EXPECT_FALSE(model->Redo());
    EXPECT_EQ(model->LastError(), TModelError::NotPresent);
}

// Save marks the state; undo back to it clears the mark, also after a restart; new, open and
// close clear the history, save does not.
TEST_F(HistoryTest, ModifiedMarkFollowsTheSavedStateAndOnlyNewOpenCloseClear) {
    auto model = OpenCounted(4);
    EXPECT_FALSE(model->Modified(kAnimatedPack));
    ASSERT_TRUE(model->DeleteSmile(0));
    ASSERT_TRUE(model->MoveSmile(0, 2));
    EXPECT_TRUE(model->Modified(kAnimatedPack));
    model = Restart(model);
    EXPECT_TRUE(model->Modified(kAnimatedPack));
    ASSERT_TRUE(model->Undo());
    ASSERT_TRUE(model->Undo());
    EXPECT_FALSE(model->Modified(kAnimatedPack));
    ASSERT_TRUE(model->Redo());
    ASSERT_TRUE(model->Save());
    EXPECT_FALSE(model->Modified(kAnimatedPack));
    EXPECT_TRUE(model->CanUndo());
    model = Restart(model);
    EXPECT_FALSE(model->Modified(kAnimatedPack));
    ASSERT_TRUE(model->Undo());
    EXPECT_TRUE(model->Modified(kAnimatedPack));
    ASSERT_TRUE(model->Redo());
    EXPECT_FALSE(model->Modified(kAnimatedPack));
    // Undo past the save, then a new edit: the saved state cannot come back.
    ASSERT_TRUE(model->Undo());
    ASSERT_TRUE(model->AddSignature(0, 0, "z"));
    ASSERT_TRUE(model->Undo());
    EXPECT_TRUE(model->Modified(kAnimatedPack));

    // A change straight on a smile's signatures is no step: the history goes.
    model->Smile(0)->Signatures.Add("direct");
    EXPECT_FALSE(model->CanUndo());
    EXPECT_TRUE(model->Modified(kAnimatedPack));

    const struct {
        const char* name;
        std::function<bool(TDefineDecoder&)> clear;
    } clears[] = {
        {"open", [&](TDefineDecoder& m) { return m.OpenPack(folder_ + "_define.ini"); }},
        {"new", [](TDefineDecoder& m) { return m.NewPack(); }},
        {"close", [](TDefineDecoder& m) { return m.ClosePack(); }},
    };
    for (const auto& c : clears) {
        model = OpenCounted(3);
        ASSERT_TRUE(model->DeleteSmile(1));
        ASSERT_TRUE(c.clear(*model)) << c.name;
        EXPECT_FALSE(model->CanUndo()) << c.name;
        EXPECT_FALSE(model->Modified(kAnimatedPack)) << c.name;
        EXPECT_FALSE(fs::exists(StorageFolder(kAnimatedPack) + "History/k0.gif")) << c.name;
        model = Restart(model);
        EXPECT_FALSE(model->CanUndo()) << c.name;
    }
}

// 200 steps at most: the oldest go, and so do the pictures only they kept.
TEST_F(HistoryTest, HistoryKeepsTheLast200Steps) {
    auto model = OpenCounted(3);
    const Files start = Copy(*model);
    ASSERT_TRUE(model->DeleteSmile(0));
    const Files afterFirst = Copy(*model);
    for (int k = 0; k < 200; ++k) ASSERT_TRUE(model->MoveSmile(0, 1));
    EXPECT_EQ(KeptFiles(*model), 0u);
    int undone = 0;
    while (model->Undo()) ++undone;
    EXPECT_EQ(undone, 200);
    EXPECT_EQ(Copy(*model), afterFirst);
    EXPECT_NE(Copy(*model), start);
    EXPECT_TRUE(model->Modified(kAnimatedPack));
}

// 64 MB of kept pictures at most: each delete keeps a 9 MB picture; the eighth pushes the
// oldest out, with its file.
TEST_F(HistoryTest, HistoryKeepsAt64MegabytesOfPictures) {
    auto model = OpenCounted(1);
    const std::string big = sources.file("big.gif");
    WriteBytes(big, std::string(9u << 20, 'x'));
    for (int k = 0; k < 8; ++k) ASSERT_TRUE(model->AddSmile(big));
    for (int k = 0; k < 8; ++k) ASSERT_TRUE(model->DeleteSmile(1));
    EXPECT_EQ(KeptFiles(*model), 7u);
    int undone = 0;
    while (model->Undo()) ++undone;
    // The deletes but the first, and every add (their pictures are back in the pack).
    EXPECT_EQ(undone, 7);
    EXPECT_EQ(model->SmileCount(), 8);
}

// A damaged index or one of another storage is dropped with its pictures; the pack stays.
TEST_F(HistoryTest, DamagedOrForeignHistoryIsDroppedAndThePackKept) {
    const std::string foreign = TEditHistory().Encode("0123456789abcdef0123456789abcdef");
    const struct {
        const char* name;
        std::function<void(const std::string& index)> spoil;
    } spoils[] = {
        {"cut", [](const std::string& index) { fs::resize_file(index, fs::file_size(index) - 5); }},
        {"garbled",
         [](const std::string& index) {
             std::string bytes = ReadBytes(index);
             bytes[bytes.size() / 2] ^= 1;
             WriteBytes(index, bytes);
         }},
        {"foreign", [&](const std::string& index) { WriteBytes(index, foreign); }},
    };
    for (const auto& s : spoils) {
        auto model = OpenCounted(3);
        ASSERT_TRUE(model->DeleteSmile(0));
        ASSERT_TRUE(model->AddSignature(0, 0, "q"));
        const Files pack = Copy(*model);
        const std::vector<int> ids = Ids(*model);
        model.reset();
        s.spoil(StorageFolder(kAnimatedPack) + kHistoryIndexName);
        model = NewModel();
        ASSERT_TRUE(model->LoadFromStorage());
        EXPECT_FALSE(model->CanUndo()) << s.name;
        EXPECT_FALSE(model->Undo()) << s.name;
        EXPECT_TRUE(model->Modified(kAnimatedPack)) << s.name;
        EXPECT_EQ(Copy(*model), pack) << s.name;
        EXPECT_EQ(Ids(*model), ids) << s.name;
        EXPECT_FALSE(fs::exists(StorageFolder(kAnimatedPack) + kHistoryFolderName)) << s.name;
        // Editing goes on with a new history.
        ASSERT_TRUE(model->DeleteSmile(0)) << s.name;
        ASSERT_TRUE(model->Undo()) << s.name;
        EXPECT_EQ(Copy(*model), pack) << s.name;
    }
}

// An index that is ours but does not fit the pack (hand-made) is dropped at the undo that
// finds out, which changes nothing.
TEST_F(HistoryTest, HistoryThatDoesNotFitThePackIsDropped) {
    auto model = OpenCounted(3);
    ASSERT_TRUE(model->DeleteSmile(2));
    ASSERT_TRUE(model->DeleteSmile(1));
    const Files pack = Copy(*model);
    model.reset();
    // The two deletes' order swapped: the first undo would put smile 2 back at 2 of 1.
    auto wrong = TEditHistory::Decode(ReadBytes(StorageFolder(kAnimatedPack) + kHistoryIndexName),
                                      NewModel()->StorageIdentity());
    ASSERT_TRUE(wrong);
    std::vector<std::string> dropped;
    TEditHistory swapped;
    swapped.Push(wrong->Steps()[1], dropped);
    swapped.Push(wrong->Steps()[0], dropped);
    WriteBytes(StorageFolder(kAnimatedPack) + kHistoryIndexName,
               swapped.Encode(NewModel()->StorageIdentity()));
    model = NewModel();
    ASSERT_TRUE(model->LoadFromStorage());
    ASSERT_TRUE(model->CanUndo());
    EXPECT_FALSE(model->Undo());
    EXPECT_EQ(model->LastError(), TModelError::Unexpected);
    EXPECT_FALSE(model->CanUndo());
    EXPECT_EQ(Copy(*model), pack);
}

}  // namespace
}  // namespace faceloom::test
