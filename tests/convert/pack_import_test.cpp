// Bringing foreign smiles into a pack: codes made from names and kept only when the pack can
// hold them, clashes found and decided, the whole batch one step that cancels or fails whole.

#include "convert/pack_import.h"

#include <gtest/gtest.h>

#include "model/define_decoder_fixture.h"
#include "model/pack_check.h"
#include "picture_test_inputs.h"
#include "platform/code_page.h"

namespace faceloom::test {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class ImportTest : public ModelTest {
protected:
    // An animated pack of two smiles, "s0" and "s1".
    std::unique_ptr<TDefineDecoder> OpenTwo() {
        const std::string folder = MakePack("pack", {{"aa.gif", 0}, {"ab.gif", 1}}, "s0\r\ns1");
        auto model = NewModel();
        EXPECT_TRUE(model->OpenPack(folder + "_define.ini"));
        return model;
    }
    // A foreign smile whose picture is test picture id (a GIF) with the given codes.
    TForeignSmile Foreign(const std::string& name, int id, std::vector<std::string> codes) {
        return {name, Bytes(ReadBytes(Picture(id))), std::move(codes), false};
    }
    static std::vector<std::vector<std::string>> Signatures(const TDefineDecoder& model) {
        std::vector<std::vector<std::string>> lists;
        for (int32_t i = 0; i < model.SmileCount(); ++i) lists.push_back(model.Smile(i)->Signatures.Items());
        return lists;
    }
};

TEST(CodeFromFileName, PutsTheBareNameWhereThePatternSaysName) {
    struct Case {
        const char* path;
        const char* pattern;
        const char* code;
    };
    for (const Case& c : {Case{"smiles/Wink.gif", ":name:", ":Wink:"}, Case{"a.b.png", "[name]", "[a.b]"},
                          Case{"noext", "name-name", "noext-noext"},
                          Case{"C:\\x\\.hidden", "<name>", "<.hidden>"}, Case{"x.gif", "fixed", "fixed"}}) {
        EXPECT_EQ(CodeFromFileName(c.path, c.pattern), c.code) << c.path << " " << c.pattern;
    }
}

// "A" clashes with the pack's "s1" (letter case aside), "C" with the earlier new "x". A rename
// keeps the clashing code out of the new one ("S1" → "S21", not "S12"); a code of one letter
// has no such rename and is left out, as Keep does.
TEST_F(ImportTest, EachClashChoiceDecidesWhatLands) {
    struct Case {
        TClashChoice choice;
        std::vector<std::vector<std::string>> added;
    };
    for (const Case& c : {Case{TClashChoice::Rename, {{"S21"}, {"x"}, {"y"}}},
                          Case{TClashChoice::Keep, {{}, {"x"}, {"y"}}}, Case{TClashChoice::Skip, {{"x"}}}}) {
        auto model = OpenTwo();
        TForeignPack source;
        source.Smiles = {Foreign("A.gif", 3, {"S1"}), Foreign("B.gif", 4, {"x"}),
                         Foreign("C.gif", 5, {"X", "y"})};
        TImportPlan plan = PlanImport(source, *model, {});
        ASSERT_EQ(plan.Clashes.size(), 2u);
        EXPECT_EQ(plan.Clashes[0].ExistingSmile, 1);
        EXPECT_EQ(plan.Clashes[1].EarlierItem, 1);
        ChooseForAll(plan, c.choice);
        const std::string before = Define(*model);
        const TImportResult result = ApplyImport(*model, 1, plan);
        ASSERT_FALSE(result.Failed);
        ASSERT_EQ(result.Added, static_cast<int32_t>(c.added.size()));
        std::vector<std::vector<std::string>> expected = {{"s0"}};
        expected.insert(expected.end(), c.added.begin(), c.added.end());
        expected.push_back({"s1"});
        EXPECT_EQ(Signatures(*model), expected) << int(c.choice);
        const std::string after = Define(*model);
        // One step: one undo takes the whole batch back, one redo brings it with its codes.
        ASSERT_TRUE(model->Undo());
        EXPECT_EQ(Define(*model), before);
        EXPECT_FALSE(model->CanUndo());
        ASSERT_TRUE(model->Redo());
        EXPECT_EQ(Define(*model), after);
        EXPECT_EQ(Signatures(*model), expected);
    }
}

// Renamed codes never hold another code of the pack or the batch, nor are held by one: typing
// them shows their own smile, and the check's "part of another signature" stays clean. A smile
// the choices leave without any signature is named in the notes.
TEST_F(ImportTest, RenamedCodesStandApartFromEveryOtherCode) {
    struct Case {
        TClashChoice choice;
        std::vector<std::string> unsigned_;  // the notes' pictures
    };
    const std::vector<std::string> renamed = {":2)", "", ":-2)", ":SMILE2:", ""};
    for (const Case& c :
         {Case{TClashChoice::Rename, {"b.gif", "e.gif"}},
          Case{TClashChoice::Keep, {"a.gif", "b.gif", "d.gif", "e.gif"}}, Case{TClashChoice::Skip, {}}}) {
        SCOPED_TRACE(static_cast<int>(c.choice));
        const std::string folder =
            MakePack("pack", {{"aa.gif", 0}, {"ab.gif", 1}, {"ac.gif", 2}}, ":)\r\n8-),8\r\nO:-),:-)");
        auto model = NewModel();
        ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
        TForeignPack source;
        source.Smiles = {Foreign("a.gif", 3, {":)"}), Foreign("b.gif", 4, {"8-)"}),
                         Foreign("c.gif", 5, {":-)", ":smile:"}), Foreign("d.gif", 3, {":SMILE:"}),
                         Foreign("e.gif", 4, {"8"})};
        TImportPlan plan = PlanImport(source, *model, {});
        ASSERT_EQ(plan.Clashes.size(), renamed.size());
        std::vector<std::u16string> codes;
        for (int32_t i = 0; i < model->SmileCount(); ++i) {
            for (const std::string& code : model->Smile(i)->Signatures.Items())
                codes.push_back(FoldCase(CodePageToUnicode(code)));
        }
        for (const TImportItem& item : plan.Items) {
            for (const std::string& code : item.Codes) codes.push_back(FoldCase(CodePageToUnicode(code)));
        }
        for (size_t k = 0; k < plan.Clashes.size(); ++k) {
            const std::string& code = plan.Clashes[k].Renamed;
            EXPECT_EQ(code, renamed[k]) << k;
            if (code.empty()) continue;
            const std::u16string key = FoldCase(CodePageToUnicode(code));
            for (const std::u16string& other : codes) {
                EXPECT_EQ(key.find(other), std::u16string::npos) << code;
                EXPECT_EQ(other.find(key), std::u16string::npos) << code;
            }
            codes.push_back(key);
        }

        ChooseForAll(plan, c.choice);
        NoteChoices(plan);
        std::vector<std::string> named;
        for (const TImportNote& note : plan.Notes) {
            EXPECT_EQ(note.Kind, TImportNoteKind::LeftUnsigned);
            named.push_back(note.Params.at(0));
        }
        EXPECT_EQ(named, c.unsigned_);
        ASSERT_FALSE(ApplyImport(*model, model->SmileCount(), plan).Failed);
        const TCheckResult check = CheckPack(CheckInputOf(*model));
        for (const TCheckFinding& finding : check.Findings) {
            EXPECT_NE(finding.Kind, TCheckKind::SignatureInside)
                << finding.Params.at(0) << " " << finding.Params.at(2);
            EXPECT_NE(finding.Kind, TCheckKind::DuplicateSignature) << finding.Params.at(0);
        }
    }
}

TEST_F(ImportTest, CodesThePackCannotHoldAreDroppedAndTheSmileKept) {
    auto model = OpenTwo();
    TForeignPack source;
    source.Smiles = {
        Foreign("a.gif", 3, {"\xF0\x9F\x98\x80", "a,b", "line\nbreak", ":ok:", ":OK:", "Привет"})};
    source.Smiles.push_back(Foreign("Wink.gif", 4, {}));
    source.Smiles.back().CodesFromName = true;
    TImportPlan plan = PlanImport(source, *model, {});
    ASSERT_EQ(plan.Items.size(), 2u);
    EXPECT_EQ(plan.Items[0].Codes, (std::vector<std::string>{":ok:", Utf8ToCodePage("Привет")}));
    EXPECT_EQ(plan.Items[1].Codes, std::vector<std::string>{":Wink:"});
    std::vector<std::string> dropped;
    for (const TImportNote& note : plan.Notes) {
        EXPECT_EQ(note.Kind, TImportNoteKind::CodeDropped);
        dropped.push_back(note.Params.at(1));
    }
    EXPECT_EQ(dropped, (std::vector<std::string>{"\xF0\x9F\x98\x80", "a,b", "line\nbreak"}));
}

TEST_F(ImportTest, PicturesThatCannotBeReadAreSkippedWithTheirReason) {
    auto model = OpenTwo();
    TForeignPack source;
    source.Smiles = {{"notes.txt", Bytes("just text"), {"t"}, false}, Foreign("ok.gif", 3, {"ok"})};
    std::string cut = ReadBytes(Picture(4));
    source.Smiles.push_back({"cut.gif", Bytes(cut.substr(0, 20)), {"c"}, false});
    const TImportPlan plan = PlanImport(source, *model, {});
    ASSERT_EQ(plan.Items.size(), 1u);
    EXPECT_EQ(plan.Items[0].Name, "ok.gif");
    ASSERT_EQ(plan.Notes.size(), 2u);
    EXPECT_EQ(plan.Notes[0].Kind, TImportNoteKind::NotAPicture);
    EXPECT_EQ(plan.Notes[0].Params.at(0), "notes.txt");
    EXPECT_EQ(plan.Notes[1].Kind, TImportNoteKind::DamagedPicture);
    EXPECT_EQ(plan.Notes[1].Params.at(0), "cut.gif");
}

TEST_F(ImportTest, CancellingHalfwayLeavesThePackAsItWas) {
    auto model = OpenTwo();
    TForeignPack source;
    source.Smiles = {Foreign("a.gif", 3, {"a"}), Foreign("b.gif", 4, {"b"}), Foreign("c.gif", 5, {"c"})};
    const TImportPlan plan = PlanImport(source, *model, {});
    const std::string before = Define(*model);
    const TImportResult result = ApplyImport(*model, model->SmileCount(), plan,
                                             [](int32_t position, int32_t) { return position < 2; });
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Added, 0);
    EXPECT_EQ(Define(*model), before);
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1}));
    EXPECT_FALSE(model->CanUndo());
}

// A replacement converts as an add does, or refuses a file that is no picture and leaves the
// pack as it was; done, it is one step that undo takes back. Both pack kinds.
TEST_F(ImportTest, ReplacingAPictureConvertsItForThePackOrRefusesWhatIsNoPicture) {
    struct TCase {
        const char* Name;
        std::string Bytes;
        std::optional<TImportNoteKind> Refused;
        int32_t Width;                            // of the new picture as the pack's decoder reads it
        std::vector<TImportNoteKind> Notes = {};  // what the conversion says it changed
    };
    const TRgbaFrame sticker = Sticker(30, 20);
    const std::string png = PngFile(sticker);
    const std::string jpeg = JpegFile(Opaque(24, 18), 90);
    const std::string bigPng = PngFile(Sticker(600, 300));
    for (const uint8_t kind : {kAnimatedPack, kStaticPack}) {
        const char* ext = kind == kAnimatedPack ? ".gif" : ".bmp";
        // The test GIF has two frames and a transparent colour, its corner opaque: a static
        // pack keeps the first frame and makes the corner transparent.
        const std::vector<TImportNoteKind> otherKindNotes =
            kind == kStaticPack ? std::vector<TImportNoteKind>{TImportNoteKind::FramesDropped,
                                                               TImportNoteKind::TransparencyLost}
                                : std::vector<TImportNoteKind>{};
        const std::vector<TCase> cases = {
            {"png", png, std::nullopt, 30},
            {"jpeg", jpeg, std::nullopt, 24},
            {"own kind", ReadBytes(Picture(7, kind)), std::nullopt, PictureWidth(7)},
            {"other kind", ReadBytes(Picture(8, kind == kAnimatedPack ? kStaticPack : kAnimatedPack)),
             std::nullopt, PictureWidth(8), otherKindNotes},
            {"scaled", bigPng, std::nullopt, 256, {TImportNoteKind::Scaled}},
            {"text", "just some text, no picture", TImportNoteKind::NotAPicture, 0},
            {"png named like the pack's", std::string(png).substr(0, 60), TImportNoteKind::DamagedPicture, 0},
        };
        for (const TCase& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (kind == kAnimatedPack ? " animated" : " static"));
            ScopedDataHome home;
            const std::string folder =
                MakePack(std::string("pack-") + c.Name + (kind == kAnimatedPack ? "-a" : "-s"),
                         {{std::string("aa") + ext, 0}, {std::string("ab") + ext, 1}}, "s0\r\ns1", kind);
            auto model = NewModel();
            model->SetCurrentPack(kind);
            ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
            const std::string file = sources.folder() + "new" + ext;
            WriteBytes(file, c.Bytes);
            const std::string work = Work(*model, kind) + "ab" + ext;
            const std::string before = ReadBytes(work);
            TImportNotes notes;
            const TReplaceResult result =
                ReplacePictureFrom(*model, 1, file, "new" + std::string(ext), {}, notes);
            if (c.Refused) {
                ASSERT_TRUE(result.Refused.has_value());
                EXPECT_EQ(result.Refused->Kind, *c.Refused);
                EXPECT_EQ(result.Refused->Params.at(0), "new" + std::string(ext));
                EXPECT_EQ(result.Smile, nullptr);
                EXPECT_EQ(ReadBytes(work), before);
                EXPECT_FALSE(model->CanUndo());
                continue;
            }
            ASSERT_NE(result.Smile, nullptr);
            EXPECT_FALSE(result.Refused.has_value());
            EXPECT_EQ(model->Smile(1), result.Smile);
            EXPECT_FALSE(result.Smile->LoadError);
            ASSERT_NE(result.Smile->Picture.load(), nullptr);
            EXPECT_EQ(result.Smile->Picture.load()->Width, c.Width);
            EXPECT_EQ(result.Smile->Signatures.Items(), std::vector<std::string>{"s1"});
            // The working copy holds the pack's format under its name, never the source's bytes
            // of another format.
            const std::string stored = ReadBytes(work);
            EXPECT_EQ(stored.substr(0, 2), kind == kAnimatedPack ? "GI" : "BM");
            if (std::string(c.Name) == "own kind") EXPECT_EQ(stored, c.Bytes);
            std::vector<TImportNoteKind> kinds;
            for (const TImportNote& note : notes) kinds.push_back(note.Kind);
            EXPECT_EQ(kinds, c.Notes);
            EXPECT_EQ(Define(*model, kind), "s0\r\ns1");
            // One step: undo gives the old picture back, bytes and all.
            ASSERT_TRUE(model->Undo());
            EXPECT_FALSE(model->CanUndo());
            EXPECT_EQ(ReadBytes(work), before);
            EXPECT_EQ(PictureId(model->Smile(1)), 1);
        }
    }
}

TEST_F(ImportTest, ReplacingFromAFileThatCannotBeReadOrForASmileNotThereChangesNothing) {
    auto model = OpenTwo();
    TImportNotes notes;
    const TReplaceResult missing =
        ReplacePictureFrom(*model, 0, sources.folder() + "gone.png", "gone.png", {}, notes);
    EXPECT_TRUE(missing.Unreadable);
    EXPECT_EQ(missing.Smile, nullptr);
    const TReplaceResult beyond = ReplacePictureFrom(*model, 2, Picture(5), "src5.gif", {}, notes);
    EXPECT_FALSE(beyond.Unreadable);
    EXPECT_FALSE(beyond.Refused.has_value());
    EXPECT_EQ(beyond.Smile, nullptr);
    EXPECT_EQ(model->LastError(), TModelError::NotPresent);
    EXPECT_EQ(Ids(*model), (std::vector<int>{0, 1}));
    EXPECT_FALSE(model->CanUndo());
    EXPECT_TRUE(notes.empty());
}

}  // namespace
}  // namespace faceloom::test
