// The pack check: each kind of finding on a small pack that has exactly that problem, the
// fixes as undoable edits, and packs that must not crash or change it.

#include "model/pack_check.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "define_decoder_fixture.h"
#include "support/gif_writer.h"

namespace faceloom::test {
namespace {

// A 16x16 picture of two frames; seeds give different pixels.
std::string Gif(int seed, int frames = 2, int size = 16) {
    return GifBytes(size, size, frames, seed);
}

// A two-frame picture whose frames are given by their rectangles and delays.
std::string LaidOutGif(uint16_t left, uint16_t width, uint16_t delay) {
    GifPicture picture;
    picture.width = 16;
    picture.height = 16;
    picture.globalColors = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int k = 0; k < 2; ++k) {
        GifImage image;
        image.left = k == 0 ? 0 : left;
        image.width = k == 0 ? 16 : width;
        image.height = 16;
        image.pixels.assign(size_t{image.width} * 16, static_cast<uint8_t>(k + 1));
        image.delay = delay;
        picture.images.push_back(image);
    }
    return EncodeGif(picture);
}

using TFiles = std::vector<std::pair<std::string, std::string>>;

// "kind-name smile,smile" per finding, sorted.
std::vector<std::string> Describe(const TCheckResult& result) {
    std::vector<std::string> lines;
    for (const TCheckFinding& f : result.Findings) {
        std::string line = CheckKindName(f.Kind);
        for (size_t i = 0; i < f.Smiles.size(); ++i)
            line += (i == 0 ? " " : ",") + std::to_string(f.Smiles[i]);
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

class PackCheckTest : public ModelTest {
protected:
    std::unique_ptr<TDefineDecoder> Open(const std::string& name, const TFiles& files,
                                         const std::string& define, uint8_t kind = kAnimatedPack) {
        folder_ = sources.folder() + name + "/";
        WriteDefine(folder_, define);
        for (const auto& [file, bytes] : files) WriteBytes(folder_ + file, bytes);
        auto model = NewModel();
        model->SetBothMode(false);
        model->SetCurrentPack(kind);
        EXPECT_TRUE(model->OpenPack(folder_ + "_define.ini"));
        return model;
    }
    // Three distinct clean pictures under canonical names.
    static TFiles Clean() { return {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2)}, {"ac.gif", Gif(3)}}; }

    // The working copy's files and the smiles' signatures: all a check could change.
    static std::map<std::string, std::string> State(const TDefineDecoder& model) {
        std::map<std::string, std::string> state;
        for (const auto& entry :
             std::filesystem::directory_iterator(model.WorkingFolder(model.CurrentPack()))) {
            if (entry.is_regular_file()) state[entry.path().filename().string()] = ReadBytes(entry.path());
        }
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            for (const std::string& s : model.Smile(i)->Signatures.Items())
                state["#" + std::to_string(i)] += s + "|";
        }
        return state;
    }

    std::string folder_;
};

TEST_F(PackCheckTest, EachKindIsFoundOnAPackWithExactlyThatProblem) {
    TFiles large = Clean();
    large.push_back({"ad.gif", Gif(4)});
    large.push_back({"ae.gif", Gif(5, 2, 40)});  // 6.25 times the median area
    TFiles heavy = Clean();
    heavy[1].second += std::string(100000, '\0');  // bytes after the trailer
    struct TCase {
        const char* name;
        TFiles files;
        std::string define;
        std::vector<std::string> expected;
        uint8_t kind = kAnimatedPack;
    };
    const std::vector<TCase> cases = {
        {"clean", Clean(), "a,:)\r\n;)\r\nb", {}},
        {"duplicate", Clean(), "a,:)\r\nb\r\n:)", {"duplicate-signature 2,0"}},
        {"similar", Clean(), "x,Ab\r\naB\r\nc", {"similar-signature 1,0"}},
        {"inside", Clean(), ":)\r\n>:)\r\nq", {"signature-inside 0,1"}},
        {"nosignatures", Clean(), "a\r\n \r\nc", {"no-signatures 1"}},
        {"blank", Clean(), "a, ,b\r\nc\r\nd", {"blank-signature 0"}},
        {"missing", {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2)}}, "a\r\nb\r\nc", {"missing-picture 2"}},
        {"damaged",
         {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2).substr(0, 40)}, {"ac.gif", Gif(3)}},
         "a\r\nb\r\nc",
         {"damaged-picture 1"}},
        {"otherkind",
         {{"aa.gif", Gif(1)}, {"ab.gif", BmpBytes(16, 16)}, {"ac.gif", Gif(3)}},
         "a\r\nb\r\nc",
         {"other-kind-picture 1"}},
        {"otherkind-static",
         {{"aa.bmp", BmpBytes(16, 16, 1)}, {"ab.bmp", Gif(2)}},
         "a\r\nb",
         {"other-kind-picture 1"},
         kStaticPack},
        {"identical",
         {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2)}, {"ac.gif", Gif(1)}},
         "a\r\nb\r\nc",
         {"identical-pictures 2,0"}},
        {"largearea", large, "a\r\nb\r\nc\r\nd\r\ne", {"large-area 4"}},
        {"largefile", heavy, "a\r\nb\r\nc", {"large-file 1"}},
        {"outside",
         {{"aa.gif", Gif(1)}, {"ab.gif", LaidOutGif(10, 16, 10)}, {"ac.gif", Gif(3)}},
         "a\r\nb\r\nc",
         {"frame-outside-screen 1"}},
        {"zerodelays",
         {{"aa.gif", Gif(1)}, {"ab.gif", LaidOutGif(0, 16, 0)}, {"ac.gif", Gif(3)}},
         "a\r\nb\r\nc",
         {"zero-delays 1"}},
        {"singleframe",
         {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2, 1)}, {"ac.gif", Gif(3)}},
         "a\r\nb\r\nc",
         {"single-frame 1"}},
        {"orphans",
         {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2)}, {"ac.gif", Gif(3)}, {"readme.txt", "x"}},
         "a\r\nb",
         {"orphan-file", "orphan-file"}},
        {"names",
         {{"1.gif", Gif(1)}, {"2.gif", Gif(2)}, {"10.gif", Gif(3)}, {"notes.ini", "x"}},
         "a\r\nb\r\nc",
         {"misleading-name 1", "misleading-name 2"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto model = Open(c.name, c.files, c.define, c.kind);
        const auto before = State(*model);
        const TCheckResult result = CheckPack(CheckInputOf(*model));
        EXPECT_EQ(Describe(result), c.expected);
        EXPECT_EQ(State(*model), before);
        for (const TCheckFinding& f : result.Findings) {
            EXPECT_EQ(f.Severity, SeverityOf(f.Kind));
            EXPECT_EQ(f.Signatures.size(), f.Smiles.size());
            EXPECT_FALSE(f.Params.empty());
        }
    }
}

TEST_F(PackCheckTest, FindingsCarryWhatTheirSentencesNeed) {
    auto model = Open("params", {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2).substr(0, 40)}, {"ac.gif", Gif(3)}},
                      "a,:)\r\nb,>:)\r\nc,:)");
    const TCheckResult result = CheckPack(CheckInputOf(*model));
    std::map<TCheckKind, const TCheckFinding*> byKind;
    for (const TCheckFinding& f : result.Findings) byKind[f.Kind] = &f;
    ASSERT_EQ(byKind.size(), 3u);

    const TCheckFinding& duplicate = *byKind.at(TCheckKind::DuplicateSignature);
    EXPECT_EQ(duplicate.Params, (std::vector<std::string>{":)", "3", "1"}));
    EXPECT_EQ(duplicate.Signatures, (std::vector<int32_t>{1, 1}));
    const TCheckFinding& inside = *byKind.at(TCheckKind::SignatureInside);
    EXPECT_EQ(inside.Params, (std::vector<std::string>{":)", "1", ">:)", "2"}));
    const TCheckFinding& damaged = *byKind.at(TCheckKind::DamagedPicture);
    EXPECT_EQ(damaged.Params[1], "ab.gif");
    EXPECT_FALSE(damaged.Params[2].empty());  // the decoder's own words

    // Sentences: %n replaced, a placeholder without parameter kept.
    const TTextLookup text = [](int id) {
        return id == kCheckTextBase ? std::u16string(u"«%1» of %2 as in %3 (%4)") : std::u16string();
    };
    EXPECT_EQ(FormatFinding(duplicate, text), u"«:)» of 3 as in 1 (%4)");
    EXPECT_EQ(FillPlaceholders(u"%1%% %9", {"\xD0\xB9"}), u"й%% %9");
}

// Findings about pictures name the user's own file while the model knows it (from the open on,
// across a restart and moves), the working copy's name where there is none (a missing picture,
// a pack saved under canonical names, a pack without a folder); a missing or unreadable
// picture offers replacing it or deleting the smile.
TEST_F(PackCheckTest, PictureFindingsNameTheUsersFileAndOfferReplaceOrDelete) {
    auto model =
        Open("names",
             {{"01-happy.gif", Gif(1)}, {"07-surprised.gif", Gif(2).substr(0, 40)}, {"09-wink.gif", Gif(3)}},
             "a\r\nb\r\nc\r\nd");
    // kind → (smile, the file named)
    auto pictures = [](const TDefineDecoder& m) {
        std::map<TCheckKind, std::pair<int32_t, std::string>> found;
        for (const TCheckFinding& f : CheckPack(CheckInputOf(m)).Findings) {
            if (f.Kind == TCheckKind::DamagedPicture || f.Kind == TCheckKind::MissingPicture) {
                found[f.Kind] = {f.Smiles.at(0), f.Params.at(1)};
                EXPECT_EQ(f.Fix.Action, TFixAction::ReplacePicture);
                EXPECT_EQ(f.Alternative.Action, TFixAction::DeleteSmile);
                EXPECT_EQ(f.Fix.Smile, f.Smiles.at(0));
            }
        }
        return found;
    };
    using TFound = std::map<TCheckKind, std::pair<int32_t, std::string>>;
    EXPECT_EQ(pictures(*model), (TFound{{TCheckKind::DamagedPicture, {1, "07-surprised.gif"}},
                                        {TCheckKind::MissingPicture, {3, "ad.gif"}}}));
    // The names are the model's own: a restart keeps them while pack and folder are unchanged.
    model.reset();
    model = NewModel();
    ASSERT_TRUE(model->LoadFromStorage());
    EXPECT_EQ(pictures(*model), (TFound{{TCheckKind::DamagedPicture, {1, "07-surprised.gif"}},
                                        {TCheckKind::MissingPicture, {3, "ad.gif"}}}));
    // They follow their smiles.
    ASSERT_TRUE(model->MoveSmile(1, 0));
    EXPECT_EQ(pictures(*model), (TFound{{TCheckKind::DamagedPicture, {0, "07-surprised.gif"}},
                                        {TCheckKind::MissingPicture, {3, "ad.gif"}}}));
    // Deleting the smile is one undoable edit.
    const TCheckFinding damaged = [&] {
        for (const TCheckFinding& f : CheckPack(CheckInputOf(*model)).Findings)
            if (f.Kind == TCheckKind::DamagedPicture) return f;
        return TCheckFinding{};
    }();
    EXPECT_FALSE(ApplyFix(*model, damaged.Fix));  // the user's file is asked for by the window
    EXPECT_EQ(model->SmileCount(), 4);
    ASSERT_TRUE(ApplyFix(*model, damaged.Alternative));
    EXPECT_EQ(model->SmileCount(), 3);
    EXPECT_EQ(pictures(*model), (TFound{{TCheckKind::MissingPicture, {2, "ac.gif"}}}));
    ASSERT_TRUE(model->Undo());
    EXPECT_EQ(model->SmileCount(), 4);
    EXPECT_EQ(pictures(*model).count(TCheckKind::DamagedPicture), 1u);
    // Saved into its folder, the pack's pictures have the canonical names there too.
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(pictures(*model), (TFound{{TCheckKind::DamagedPicture, {0, "aa.gif"}},
                                        {TCheckKind::MissingPicture, {3, "ad.gif"}}}));

    // A pack without a folder: the working copy's names.
    ASSERT_TRUE(model->NewPack());
    const std::string broken = sources.folder() + "broken.gif";
    WriteBytes(broken, Gif(4).substr(0, 40));
    ASSERT_NE(model->AddSmile(broken), nullptr);
    EXPECT_EQ(pictures(*model), (TFound{{TCheckKind::DamagedPicture, {0, "aa.gif"}}}));
}

TEST_F(PackCheckTest, FixesAreSingleUndoableEditsThatRefuseStaleFindings) {
    struct TCase {
        const char* name;
        TFiles files;
        std::string define;
        TCheckKind kind;
        std::string defineAfter;  // "": no fix offered
    };
    const std::vector<TCase> cases = {
        {"duplicate", Clean(), "a,:)\r\nb\r\nc,:)", TCheckKind::DuplicateSignature, "a,:)\r\nb\r\nc"},
        {"similar", Clean(), "a,XD\r\nb,xd\r\nc", TCheckKind::SimilarSignature, "a,XD\r\nb\r\nc"},
        {"blank", Clean(), "a, ,z\r\nb\r\nc", TCheckKind::BlankSignature, "a,z\r\nb\r\nc"},
        {"identical",
         {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2)}, {"ac.gif", Gif(1)}},
         "a,q\r\nb\r\nq",
         TCheckKind::IdenticalPictures,
         "a,q\r\nb"},
        // The later smile could no longer be typed by "z": no fix.
        {"identical-kept",
         {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2)}, {"ac.gif", Gif(1)}},
         "a\r\nb\r\nz",
         TCheckKind::IdenticalPictures,
         ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto model = Open(c.name, c.files, c.define);
        const auto before = State(*model);
        const std::string defineBefore = Define(*model);
        const TCheckResult result = CheckPack(CheckInputOf(*model));
        const auto finding = std::find_if(result.Findings.begin(), result.Findings.end(),
                                          [&](const TCheckFinding& f) { return f.Kind == c.kind; });
        ASSERT_NE(finding, result.Findings.end());
        if (c.defineAfter.empty()) {
            EXPECT_EQ(finding->Fix.Action, TFixAction::None);
            EXPECT_FALSE(ApplyFix(*model, finding->Fix));
            EXPECT_EQ(State(*model), before);
            continue;
        }
        ASSERT_TRUE(ApplyFix(*model, finding->Fix));
        EXPECT_EQ(Define(*model), c.defineAfter);
        const TCheckResult after = CheckPack(CheckInputOf(*model));
        EXPECT_TRUE(std::none_of(after.Findings.begin(), after.Findings.end(),
                                 [&](const TCheckFinding& f) { return f.Kind == c.kind; }));
        // Applying it again finds the pack changed and does nothing.
        const auto fixed = State(*model);
        EXPECT_FALSE(ApplyFix(*model, finding->Fix));
        EXPECT_EQ(State(*model), fixed);
        // One step back restores the pack and the finding.
        ASSERT_TRUE(model->Undo());
        EXPECT_EQ(Define(*model), defineBefore);
        EXPECT_EQ(State(*model), before);
        EXPECT_EQ(Describe(CheckPack(CheckInputOf(*model))), Describe(result));
    }
}

// The deletion of an identical smile checks the pictures again: after the later smile got
// another picture, or the earlier one went, the fix does nothing.
TEST_F(PackCheckTest, IdenticalSmileFixRefusesPicturesThatNoLongerMatch) {
    auto model =
        Open("replaced", {{"aa.gif", Gif(1)}, {"ab.gif", Gif(2)}, {"ac.gif", Gif(1)}}, "a\r\nb\r\n ");
    const TCheckResult result = CheckPack(CheckInputOf(*model));
    ASSERT_EQ(Describe(result), (std::vector<std::string>{"identical-pictures 2,0", "no-signatures 2"}));
    const TCheckFix fix = result.Findings[0].Kind == TCheckKind::IdenticalPictures ? result.Findings[0].Fix
                                                                                   : result.Findings[1].Fix;
    ASSERT_EQ(fix.Action, TFixAction::DeleteSmile);

    ASSERT_NE(model->ReplacePicture(2, Picture(7)), nullptr);
    const auto replaced = State(*model);
    EXPECT_FALSE(ApplyFix(*model, fix));
    EXPECT_EQ(State(*model), replaced);

    ASSERT_TRUE(model->Undo());
    ASSERT_TRUE(model->DeleteSmile(0));
    EXPECT_FALSE(ApplyFix(*model, fix));  // smile 2 is gone; nothing else is deleted
    EXPECT_EQ(model->SmileCount(), 2);
}

TEST_F(PackCheckTest, VanishedSourceFolderIsAFindingNotAFailure) {
    auto model = Open("gone", Clean(), "a\r\nb\r\nc");
    std::filesystem::remove_all(folder_);
    const auto before = State(*model);
    EXPECT_EQ(Describe(CheckPack(CheckInputOf(*model))), (std::vector<std::string>{"source-missing"}));
    EXPECT_EQ(State(*model), before);
}

// 100,000 signatures that are nearly all parts of each other, a very long one, and 5,000
// smiles without pictures: every kind stops at its limit and says so.
TEST(PackCheckLimits, PathologicalPacksStayBoundedAndSayWhatWasLeftOut) {
    std::vector<TRef<TSmile>> smiles;
    TCheckInput input;
    for (int i = 0; i < 5000; ++i) {
        smiles.emplace_back(new TSmile());
        for (int g = 0; g < 20; ++g) smiles.back()->Signatures.Add("s" + std::to_string(i * 20 + g));
        input.Smiles.push_back(smiles.back().get());
    }
    smiles.back()->Signatures.Add(std::string(20000, 'a'));
    for (int n = 1; n <= 300; ++n) smiles.front()->Signatures.Add(std::string(static_cast<size_t>(n), 'a'));
    TCheckLimits limits;
    limits.MaxPerKind = 50;
    const TCheckResult result = CheckPack(input, limits);

    std::map<TCheckKind, int> counts;
    for (const TCheckFinding& f : result.Findings) ++counts[f.Kind];
    EXPECT_EQ(counts[TCheckKind::MissingPicture], 50);
    EXPECT_EQ(result.Omitted[static_cast<size_t>(TCheckKind::MissingPicture)], 4950);
    EXPECT_EQ(counts[TCheckKind::SignatureInside], 50);
    EXPECT_EQ(result.Omitted[static_cast<size_t>(TCheckKind::SignatureInside)], -1);
    EXPECT_EQ(counts[TCheckKind::DuplicateSignature], 0);
    EXPECT_EQ(result.Count(TCheckSeverity::Error), 50);
}

}  // namespace
}  // namespace faceloom::test
