// Editing the current pack: the smile list, the canonical picture files of the working copy
// and "_define.ini" must stay in step after every operation.

#include <filesystem>
#include <functional>

#include "define_decoder_fixture.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

const std::string kNone = "\xCD\xE5\xF2";  // "Нет" in Windows-1251

class EditTest : public ModelTest {
protected:
    // An open animated pack of `count` smiles: smile i has picture i and signature "s<i>".
    std::unique_ptr<TDefineDecoder> OpenCounted(int count) {
        std::vector<std::pair<std::string, int>> pictures;
        std::string define;
        for (int i = 0; i < count; ++i) {
            pictures.emplace_back(CanonicalName(i) + ".gif", i);
            define += "s" + std::to_string(i) + (i + 1 < count ? "\r\n" : "");
        }
        const std::string folder = MakePack("pack", pictures, define);
        auto model = NewModel();
        EXPECT_TRUE(model->OpenPack(folder + "_define.ini"));
        return model;
    }

    // Picture id of every canonical file of the working copy, in name order.
    std::vector<std::string> WorkFiles(const TDefineDecoder& model) { return ListFiles(Work(model), ".gif"); }
    std::vector<int> WorkIds(const TDefineDecoder& model) {
        std::vector<int> ids;
        for (const std::string& name : WorkFiles(model)) ids.push_back(FileId(Work(model) + name));
        return ids;
    }
};

TEST_F(EditTest, AddSmileToEmptyPackNamesFirstPictureAaAndLabelsItNone) {
    auto model = NewModel();
    ASSERT_TRUE(model->NewPack());
    ASSERT_EQ(Define(*model), "");

    TSmile* smile = model->AddSmile(Picture(7));
    ASSERT_NE(smile, nullptr);
    EXPECT_EQ(model->SmileCount(), 1);
    EXPECT_EQ(model->Smile(0), smile);
    EXPECT_EQ(PictureId(smile), 7);
    EXPECT_EQ(model->Label(0), kNone);
    EXPECT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif"}));
    EXPECT_EQ(Define(*model), " \r\n");
    EXPECT_EQ(model->ErrorCount(2), 1);
    EXPECT_EQ(model->ErrorCount(1), 0);

    // Out-of-range queries answer "none".
    EXPECT_EQ(model->Smile(1), nullptr);
    EXPECT_EQ(model->Smile(-1), nullptr);
    EXPECT_EQ(model->Label(5), "");
}

TEST_F(EditTest, AddSmileRefusesMissingFilesFoldersAndAbsentPacks) {
    auto model = NewModel();
    // No pack present: nothing may land anywhere (not in the current folder either).
    EXPECT_EQ(model->AddSmile(Picture(1)), nullptr);
    ASSERT_TRUE(model->NewPack());
    EXPECT_EQ(model->AddSmile(sources.file("missing.gif")), nullptr);
    EXPECT_EQ(model->AddSmile(sources.folder()), nullptr);
    EXPECT_EQ(model->SmileCount(), 0);
    EXPECT_TRUE(WorkFiles(*model).empty());
    EXPECT_EQ(Define(*model), "");
}

TEST_F(EditTest, InsertAtZeroShiftsEveryPictureUp) {
    auto model = OpenCounted(3);
    TSmile* smile = model->InsertSmile(0, Picture(9));
    ASSERT_NE(smile, nullptr);
    EXPECT_EQ(Ids(*model), (std::vector<int>{9, 0, 1, 2}));
    EXPECT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif", "ab.gif", "ac.gif", "ad.gif"}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{9, 0, 1, 2}));
    EXPECT_EQ(Define(*model), " \r\ns0\r\ns1\r\ns2");
    EXPECT_EQ(model->Label(0), kNone);
    EXPECT_EQ(model->Label(1), "s0");

    // Inserting at the end is AddSmile's job; out of range changes nothing.
    EXPECT_EQ(model->InsertSmile(4, Picture(10)), nullptr);
    EXPECT_EQ(model->InsertSmile(-1, Picture(10)), nullptr);
    EXPECT_EQ(model->InsertSmile(1, sources.file("missing.gif")), nullptr);
    EXPECT_EQ(Ids(*model), (std::vector<int>{9, 0, 1, 2}));
}

// A source that exists but cannot be read: the copy fails after it has started.
const char* const kUnreadable = "/proc/self/mem";

TEST_F(EditTest, FailedCopyChangesNothing) {
    ASSERT_TRUE(FileExists(kUnreadable));
    auto model = OpenCounted(3);
    const std::string before = Define(*model);

    EXPECT_EQ(model->InsertSmile(1, kUnreadable), nullptr);
    EXPECT_EQ(model->AddSmile(kUnreadable), nullptr);
    EXPECT_EQ(model->ReplacePicture(2, kUnreadable), nullptr);

    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif", "ab.gif", "ac.gif"}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Define(*model), before);
    // No temporary file is left in the working copy.
    EXPECT_EQ(ListFiles(Work(*model)),
              (std::vector<std::string>{"_define.ini", "aa.gif", "ab.gif", "ac.gif"}));
}

TEST_F(EditTest, MoveSmileRotatesPictureFiles) {
    auto model = OpenCounted(4);
    ASSERT_TRUE(model->MoveSmile(3, 1));
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 3, 1, 2}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{0, 3, 1, 2}));
    EXPECT_EQ(Define(*model), "s0\r\ns3\r\ns1\r\ns2");

    ASSERT_TRUE(model->MoveSmile(0, 3));
    EXPECT_EQ(Ids(*model), (std::vector<int>{3, 1, 2, 0}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{3, 1, 2, 0}));
    EXPECT_EQ(Define(*model), "s3\r\ns1\r\ns2\r\ns0");

    ASSERT_TRUE(model->MoveSmile(1, 1));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{3, 1, 2, 0}));

    EXPECT_FALSE(model->MoveSmile(4, 0));
    EXPECT_FALSE(model->MoveSmile(0, -1));
    EXPECT_EQ(Ids(*model), (std::vector<int>{3, 1, 2, 0}));
    // The rotation leaves nothing behind.
    EXPECT_FALSE(FileExists(model->TempFile()));
    EXPECT_EQ(WorkFiles(*model).size(), 4u);
}

TEST_F(EditTest, MovingASmileWithoutPictureMovesTheGapAndIgnoresAStaleTempFile) {
    auto model = OpenCounted(4);
    ASSERT_TRUE(model->DeletePicture(0));
    // Left behind by an earlier run that ended during a move.
    ASSERT_FALSE(model->TempFile().empty());
    WriteGif(model->TempFile(), PictureWidth(99), 12);

    ASSERT_TRUE(model->MoveSmile(0, 2));
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2, -1, 3}));
    EXPECT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif", "ab.gif", "ad.gif"}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{1, 2, 3}));

    // A smile with a picture moves through the same (stale) temp file.
    WriteGif(model->TempFile(), PictureWidth(99), 12);
    ASSERT_TRUE(model->MoveSmile(3, 0));
    EXPECT_EQ(Ids(*model), (std::vector<int>{3, 1, 2, -1}));
    EXPECT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif", "ab.gif", "ac.gif"}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{3, 1, 2}));
}

// "AA.gif" beside "aa.gif" both get their own canonical names at opening, so every later
// edit can rename freely and each smile keeps its own picture.
TEST_F(EditTest, PicturesWhoseNamesDifferOnlyInLetterCaseEditLikeAnyOther) {
    const std::string folder = MakePack("pack", {{"AA.gif", 0}, {"aa.gif", 1}}, "s0\r\ns1");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    ASSERT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif", "ab.gif"}));
    ASSERT_EQ(Ids(*model), (std::vector<int>{0, 1}));

    ASSERT_TRUE(model->MoveSmile(1, 0));
    ASSERT_NE(model->InsertSmile(0, Picture(5)), nullptr);
    ASSERT_TRUE(model->DeleteSmile(1));
    EXPECT_EQ(Ids(*model), (std::vector<int>{5, 0}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{5, 0}));
    EXPECT_EQ(Define(*model), " \r\ns0");
}

TEST_F(EditTest, DeleteSmileShiftsLaterPicturesDown) {
    auto model = OpenCounted(4);
    ASSERT_TRUE(model->DeleteSmile(3));  // the last: its file goes, nothing is renamed
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{0, 1, 2}));
    ASSERT_TRUE(model->DeleteSmile(0));
    EXPECT_EQ(Ids(*model), (std::vector<int>{1, 2}));
    EXPECT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif", "ab.gif"}));
    EXPECT_EQ(WorkIds(*model), (std::vector<int>{1, 2}));
    EXPECT_EQ(Define(*model), "s1\r\ns2");
    EXPECT_FALSE(model->DeleteSmile(2));
    ASSERT_TRUE(model->DeleteSmile(1));
    ASSERT_TRUE(model->DeleteSmile(0));
    EXPECT_EQ(Define(*model), "");
    EXPECT_TRUE(WorkFiles(*model).empty());
}

TEST_F(EditTest, DeletePictureKeepsTheSmileAsMissing) {
    auto model = OpenCounted(3);
    ASSERT_TRUE(model->DeletePicture(1));
    EXPECT_EQ(model->SmileCount(), 3);
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, -1, 2}));
    EXPECT_EQ(model->ErrorCount(1), 1);
    EXPECT_EQ(model->Smile(1)->Signatures.Items(), (std::vector<std::string>{"s1"}));
    EXPECT_EQ(WorkFiles(*model), (std::vector<std::string>{"aa.gif", "ac.gif"}));
    EXPECT_EQ(Define(*model), "s0\r\ns1\r\ns2");
    EXPECT_FALSE(model->DeletePicture(3));

    // A picture that failed to load counts as missing once it is deleted.
    TSmile* broken = model->ReplacePicture(0, [&] {
        const std::string path = sources.file("broken.gif");
        WriteBytes(path, "GIF89a garbage");
        return path;
    }());
    ASSERT_NE(broken, nullptr);
    EXPECT_TRUE(broken->LoadError);
    EXPECT_EQ(model->ErrorCount(0), 1);
    ASSERT_TRUE(model->DeletePicture(0));
    EXPECT_EQ(model->ErrorCount(0), 0);
    EXPECT_EQ(model->ErrorCount(1), 2);
}

TEST_F(EditTest, ReplacePictureKeepsSignaturesAndLetsGoOfTheOldSmile) {
    auto model = OpenCounted(2);
    TRef<TSmile> old(model->Smile(1));
    TSmile* smile = model->ReplacePicture(1, Picture(5));
    ASSERT_NE(smile, nullptr);
    EXPECT_NE(smile, old.get());
    EXPECT_EQ(model->Smile(1), smile);
    EXPECT_EQ(PictureId(smile), 5);
    EXPECT_EQ(FileId(Work(*model) + "ab.gif"), 5);
    EXPECT_EQ(smile->Signatures.Items(), (std::vector<std::string>{"s1"}));
    EXPECT_EQ(old->GetRefCount(), 1);  // only this test's reference is left

    // The old instance no longer drives the definition file.
    old->Signatures.Add("stale");
    EXPECT_EQ(Define(*model), "s0\r\ns1");
    EXPECT_EQ(model->ReplacePicture(2, Picture(6)), nullptr);
}

TEST_F(EditTest, SignatureChangesRewriteTheDefinitionAndTheLabels) {
    auto model = NewModel();
    ASSERT_TRUE(model->NewPack());
    TSmile* first = model->AddSmile(Picture(1));
    TSmile* second = model->AddSmile(Picture(2));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Define(*model), " \r\n \r\n");
    EXPECT_EQ(model->ErrorCount(2), 2);

    first->Signatures.Add(":-)");
    EXPECT_EQ(Define(*model), ":-)\r\n \r\n");
    EXPECT_EQ(model->Label(0), ":-)");
    EXPECT_EQ(model->ErrorCount(2), 1);

    second->Signatures.Add(":-(");
    first->Signatures.Insert(0, ":)");
    EXPECT_EQ(Define(*model), ":),:-)\r\n:-(");
    EXPECT_EQ(model->Label(0), ":)");
    first->Signatures.Exchange(0, 1);
    second->Signatures.Delete(0);
    EXPECT_EQ(Define(*model), ":-),:)\r\n \r\n");
    EXPECT_EQ(model->Label(1), kNone);

    model->SetNoSignatureText(u"None");
    model->Relabel();
    EXPECT_EQ(model->Label(1), "None");
}

TEST_F(EditTest, FindSignatureFoldsLatinAndCyrillic) {
    auto model = NewModel();
    ASSERT_TRUE(model->NewPack());
    model->AddSmile(Picture(1))->Signatures.Assign({":-)", ":-p"});
    model->AddSmile(Picture(2))->Signatures.Assign({"\xEF\xF0\xE8\xE2\xE5\xF2", ":-P"});  // "привет"

    int32_t smile = -7, signature = -7;
    ASSERT_TRUE(model->FindSignature(":-P", smile, signature));
    EXPECT_EQ(smile, 0);
    EXPECT_EQ(signature, 1);
    ASSERT_TRUE(model->FindSignature("\xCF\xD0\xC8\xC2\xC5\xD2", smile, signature));  // "ПРИВЕТ"
    EXPECT_EQ(smile, 1);
    EXPECT_EQ(signature, 0);
    smile = signature = -7;
    EXPECT_FALSE(model->FindSignature(":-(", smile, signature));
    EXPECT_EQ(smile, -7);
    EXPECT_EQ(signature, -7);
}

TEST_F(EditTest, ErrorCountsSumPresentPacksOnlyInBothMode) {
    auto model = NewModel();
    model->SetCurrentPack(kStaticPack);
    ASSERT_TRUE(model->NewPack());
    model->AddSmile(sources.file("missing.bmp"));  // refused: no file
    WriteBytes(sources.file("bad.bmp"), "BM nonsense");
    ASSERT_NE(model->AddSmile(sources.file("bad.bmp")), nullptr);
    ASSERT_NE(model->AddSmile(Picture(3, kStaticPack)), nullptr);
    EXPECT_EQ(model->ErrorCount(0), 1);
    EXPECT_EQ(model->ErrorCount(2), 2);
    EXPECT_EQ(model->ErrorCount(7), 0);

    model->SetBothMode(true);
    model->SetCurrentPack(kAnimatedPack);  // absent
    EXPECT_EQ(model->ErrorCount(0), 1);
    EXPECT_EQ(model->ErrorCount(2), 2);
    EXPECT_TRUE(model->HasErrors());
    model->SetBothMode(false);
    EXPECT_EQ(model->ErrorCount(2), 0);
    EXPECT_FALSE(model->HasErrors());
}

TEST_F(EditTest, SignatureChangeInTheOtherPackWritesThatPacksDefinition) {
    auto model = NewModel();
    model->SetBothMode(true);
    ASSERT_TRUE(model->NewPack());
    model->SetCurrentPack(kStaticPack);
    TSmile* still = model->AddSmile(Picture(1, kStaticPack));
    ASSERT_NE(still, nullptr);
    model->SetCurrentPack(kAnimatedPack);
    ASSERT_NE(model->AddSmile(Picture(2)), nullptr);

    still->Signatures.Add("b");
    EXPECT_EQ(Define(*model, kStaticPack), "b");
    EXPECT_EQ(Define(*model, kAnimatedPack), " \r\n");
}

// The model's signature operations: written first, the list as the file reads it back.
TEST_F(EditTest, SignatureOperationsWriteFirstAndKeepTheListAsItReadsBack) {
    // Smile 0 holds a signature with a blank at each end, as a foreign file may have it.
    const std::string folder = MakePack("pack", {{"a.gif", 0}, {"b.gif", 1}}, "x, y ,z\r\ns1");
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    ASSERT_EQ(model->Smile(0)->Signatures.Items(), (std::vector<std::string>{"x", " y ", "z"}));
    using TSigs = std::vector<std::string>;
    struct TCase {
        const char* name;
        std::function<bool()> op;
        TSigs signatures;  // of smile 0 afterwards
        std::string define;
    };
    const std::vector<TCase> cases = {
        {"add at the top",
         [&] { return model->AddSignature(0, 0, ":)"); },
         {":)", "x", " y ", "z"},
         ":),x, y ,z\r\ns1"},
        {"edit",
         [&] { return model->EditSignature(0, 1, "w"); },
         {":)", "w", " y ", "z"},
         ":),w, y ,z\r\ns1"},
        // Moved to the end of the line, " y " reads back as " y": the list says so at once.
        {"move to the end",
         [&] { return model->MoveSignature(0, 2, 3); },
         {":)", "w", "z", " y"},
         ":),w,z, y"},
        {"append",
         [&] { return model->AddSignature(0, 4, "q"); },
         {":)", "w", "z", " y", "q"},
         ":),w,z, y,q\r\ns1"},
        {"delete", [&] { return model->DeleteSignature(0, 0); }, {"w", "z", " y", "q"}, "w,z, y,q\r\ns1"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.op());
        EXPECT_EQ(model->LastError(), TModelError::None);
        EXPECT_EQ(model->Smile(0)->Signatures.Items(), c.signatures);
        EXPECT_EQ(Define(*model).substr(0, c.define.size()), c.define);
        EXPECT_EQ(model->Label(0), c.signatures.front());
    }

    // Text a line cannot give back as it is, and indices out of range: refused, nothing written.
    const std::string before = Define(*model);
    for (const std::string& text :
         {std::string("a,b"), std::string(" a"), std::string("a "), std::string("a\tb"), std::string("a\nb"),
          std::string("\x7F"), std::string()}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(model->AddSignature(1, 0, text));
        EXPECT_EQ(model->LastError(), TModelError::BadSignature);
        EXPECT_FALSE(model->EditSignature(1, 0, text));
    }
    EXPECT_TRUE(TDefineDecoder::StorableSignature("a b"));
    EXPECT_FALSE(model->AddSignature(2, 0, "a"));
    EXPECT_FALSE(model->AddSignature(1, 2, "a"));
    EXPECT_FALSE(model->MoveSignature(1, 0, 1));
    EXPECT_FALSE(model->DeleteSignature(1, 1));
    EXPECT_EQ(model->LastError(), TModelError::NotPresent);
    EXPECT_EQ(Define(*model), before);

    // The last signature deleted: the smile has none and is labelled so.
    ASSERT_TRUE(model->DeleteSignature(1, 0));
    EXPECT_EQ(model->Label(1), kNone);
    EXPECT_EQ(model->ErrorCount(2), 1);
    EXPECT_EQ(Define(*model), "w,z, y,q\r\n \r\n");
}

// With "_define.ini" unwritable every edit fails as a whole: the smiles, their signatures, the
// pictures and the file stay as they were, and the failure names the file.
TEST_F(EditTest, EveryEditThatCannotWriteTheDefinitionChangesNothing) {
    auto model = OpenCounted(3);
    ASSERT_TRUE(model->DeletePicture(2));
    int reported = 0;
    model->OnWriteError = [&](TDefineDecoder&, uint8_t, const std::string&) { ++reported; };
    const std::string define = model->DefinePath(kAnimatedPack);
    const std::string bytes = Define(*model);
    std::filesystem::remove(define);
    std::filesystem::create_directories(define + "/x");  // nothing can be renamed over it

    const std::vector<std::pair<const char*, std::function<bool()>>> edits = {
        {"add", [&] { return model->AddSmile(Picture(7)) != nullptr; }},
        {"insert", [&] { return model->InsertSmile(0, Picture(7)) != nullptr; }},
        {"replace", [&] { return model->ReplacePicture(0, Picture(7)) != nullptr; }},
        {"replace missing", [&] { return model->ReplacePicture(2, Picture(7)) != nullptr; }},
        {"delete picture", [&] { return model->DeletePicture(1); }},
        {"delete", [&] { return model->DeleteSmile(0); }},
        {"move", [&] { return model->MoveSmile(0, 2); }},
        {"add signature", [&] { return model->AddSignature(0, 1, "n"); }},
        {"edit signature", [&] { return model->EditSignature(0, 0, "n"); }},
        {"delete signature", [&] { return model->DeleteSignature(1, 0); }},
    };
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(edit());
        EXPECT_EQ(model->LastError(), TModelError::WriteFailed);
        EXPECT_EQ(model->LastErrorFile(), define);
        EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1, -1}));
        EXPECT_EQ(model->Smile(0)->Signatures.Items(), std::vector<std::string>{"s0"});
        EXPECT_EQ(model->Smile(1)->Signatures.Items(), std::vector<std::string>{"s1"});
        EXPECT_EQ(WorkIds(*model), (std::vector<int>{0, 1}));
        // No temporary file or journal is left.
        EXPECT_EQ(ListFiles(Work(*model)), (std::vector<std::string>{"aa.gif", "ab.gif"}));
    }
    EXPECT_EQ(reported, 0);  // said by the results, not by the event
    // Moving a smile onto itself changes nothing and needs no write.
    EXPECT_TRUE(model->MoveSmile(1, 1));
    EXPECT_EQ(model->LastError(), TModelError::None);

    std::filesystem::remove_all(define);
    ASSERT_TRUE(model->AddSignature(0, 1, "n"));
    EXPECT_EQ(Define(*model), bytes.substr(0, 2) + ",n" + bytes.substr(2));
}

TEST_F(EditTest, CopyLabelsTakesItsOwnReferences) {
    auto model = OpenCounted(2);
    TLabelList labels;
    labels.push_back({"old", TRef<TSmile>()});
    model->CopyLabels(labels);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].Label, "s0");
    EXPECT_EQ(labels[1].Smile.get(), model->Smile(1));
    model.reset();
    // The model let go; the copied list still holds the smiles.
    EXPECT_EQ(labels[1].Smile->GetRefCount(), 1);
    EXPECT_EQ(PictureId(labels[1].Smile.get()), 1);
}

TEST_F(EditTest, SmileClassMakesTheInstances) {
    struct TCountingSmile : TSmile {};
    auto model = NewModel();
    int made = 0;
    model->SmileClass = [&made] {
        ++made;
        return new TCountingSmile();
    };
    ASSERT_TRUE(model->NewPack());
    TSmile* smile = model->AddSmile(Picture(1));
    EXPECT_EQ(made, 1);
    EXPECT_NE(dynamic_cast<TCountingSmile*>(smile), nullptr);
}

}  // namespace
}  // namespace faceloom::test
