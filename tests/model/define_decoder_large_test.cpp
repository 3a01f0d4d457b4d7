// Packs of more than 676 smiles: all pictures get three-letter names, so that the name order
// (which is how the messenger pairs pictures with lines) stays the smile order.

#include <algorithm>
#include <cstdio>

#include "define_decoder_fixture.h"
#include "platform/files.h"

namespace faceloom::test {
namespace {

// Picture k of these tests is (2 + k % 32) x (2 + k / 32) pixels: small, and unique.
void WriteNumbered(const std::string& path, int id) {
    WriteGif(path, 2 + id % 32, 2 + id / 32, 1, id);
}

int NumberOf(const TPictureDecoder* picture) {
    return picture ? (picture->Height - 2) * 32 + (picture->Width - 2) : -1;
}

int NumberOfFile(const std::string& path) {
    try {
        TRef<TPictureDecoder> picture(new TGifDecoder(path));
        picture->WantSmileBitmaps = true;
        picture->Decode();
        return NumberOf(picture.get());
    } catch (...) {
        return -1;
    }
}

class LargeTest : public ModelTest {
protected:
    // A folder of `count` pictures named in smile order by a name that is not canonical, and
    // a definition giving smile i the signature "s<i>".
    std::string MakeLarge(const std::string& name, int count) {
        const std::string folder = sources.folder() + name + "/";
        std::string define;
        for (int i = 0; i < count; ++i) define += "s" + std::to_string(i) + "\r\n";
        WriteDefine(folder, define);
        for (int i = 0; i < count; ++i) {
            char file[32];
            std::snprintf(file, sizeof file, "p%04d.gif", i);
            WriteNumbered(folder + file, i);
        }
        return folder;
    }

    // Every picture file of a folder in name order, as numbers.
    static std::vector<int> FolderOrder(const std::string& folder) {
        std::vector<int> numbers;
        for (const std::string& name : ListFiles(folder, ".gif"))
            numbers.push_back(NumberOfFile(folder + name));
        return numbers;
    }
    static std::vector<int> Sequence(int count, int from = 0) {
        std::vector<int> numbers(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) numbers[static_cast<size_t>(i)] = from + i;
        return numbers;
    }
    static void ExpectSmileOrder(const TDefineDecoder& model, const std::vector<int>& numbers) {
        ASSERT_EQ(model.SmileCount(), static_cast<int32_t>(numbers.size()));
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            ASSERT_EQ(NumberOf(model.Smile(i)->Picture.load()), numbers[static_cast<size_t>(i)])
                << "smile " << i;
            ASSERT_EQ(model.Label(i), "s" + std::to_string(numbers[static_cast<size_t>(i)])) << "smile " << i;
        }
    }
    static bool AllNamesHaveLetters(const std::string& folder, size_t letters) {
        for (const std::string& name : ListFiles(folder, ".gif")) {
            if (name.size() != letters + 4) return false;
        }
        return true;
    }
};

TEST_F(LargeTest, ALargePackKeepsItsOrderThroughOpenSaveAndReopen) {
    const std::string folder = MakeLarge("large", 700);
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(model->NameWidth(kAnimatedPack), 3);
    EXPECT_EQ(model->PictureFileName(0), "aaa.gif");
    EXPECT_EQ(model->PictureFileName(676), "baa.gif");
    EXPECT_TRUE(AllNamesHaveLetters(Work(*model), 3));
    ExpectSmileOrder(*model, Sequence(700));

    const std::string saved = sources.folder() + "saved/";
    ASSERT_TRUE(model->SaveAs(saved + "_define.ini"));
    // Whoever pairs by name order (the messenger, or this editor) sees the smiles in order.
    EXPECT_EQ(FolderOrder(saved), Sequence(700));

    auto other = NewModel("Coatwright");
    ASSERT_TRUE(other->OpenPack(saved + "_define.ini"));
    ExpectSmileOrder(*other, Sequence(700));
}

TEST_F(LargeTest, CrossingTheLimitRenamesEveryPictureBothWays) {
    const std::string folder = MakeLarge("limit", 676);
    auto model = NewModel();
    ASSERT_TRUE(model->OpenPack(folder + "_define.ini"));
    EXPECT_EQ(model->NameWidth(kAnimatedPack), 2);
    EXPECT_TRUE(AllNamesHaveLetters(Work(*model), 2));

    const std::string extra = sources.file("extra.gif");
    WriteNumbered(extra, 900);
    TSmile* added = model->AddSmile(extra);
    ASSERT_NE(added, nullptr);
    added->Signatures.Add("s900");
    EXPECT_EQ(model->NameWidth(kAnimatedPack), 3);
    EXPECT_TRUE(AllNamesHaveLetters(Work(*model), 3));
    std::vector<int> expected = Sequence(676);
    expected.push_back(900);
    EXPECT_EQ(FolderOrder(Work(*model)), expected);

    ASSERT_TRUE(model->DeleteSmile(0));
    EXPECT_EQ(model->NameWidth(kAnimatedPack), 2);
    EXPECT_TRUE(AllNamesHaveLetters(Work(*model), 2));
    expected.erase(expected.begin());
    EXPECT_EQ(FolderOrder(Work(*model)), expected);

    WriteNumbered(extra, 901);
    TSmile* inserted = model->InsertSmile(0, extra);
    ASSERT_NE(inserted, nullptr);
    inserted->Signatures.Add("s901");
    EXPECT_EQ(model->NameWidth(kAnimatedPack), 3);
    expected.insert(expected.begin(), 901);
    EXPECT_EQ(FolderOrder(Work(*model)), expected);
    ExpectSmileOrder(*model, expected);

    // Moves keep the width and the order.
    ASSERT_TRUE(model->MoveSmile(676, 0));
    std::rotate(expected.begin(), expected.end() - 1, expected.end());
    EXPECT_EQ(FolderOrder(Work(*model)), expected);

    // A restart rebuilds the pack from the three-letter names.
    model.reset();
    auto again = NewModel();
    again->LoadFromStorage();
    EXPECT_EQ(again->NameWidth(kAnimatedPack), 3);
    ExpectSmileOrder(*again, expected);
}

}  // namespace
}  // namespace faceloom::test
