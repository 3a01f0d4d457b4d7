// OpenPackReport in-process, against the pack model it drives.
#include "cli/pack_report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/define_decoder.h"
#include "platform/code_page.h"
#include "support/pack_builder.h"
#include "support/temp_dir.h"

namespace faceloom::cli {
namespace {

std::string Cp1251(const char* utf8) {
    return Utf8ToCodePage(utf8, TCodePage::Windows1251);
}

size_t PicturesUnder(const std::filesystem::path& folder) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().extension() == ".gif") ++count;
    }
    return count;
}

TEST(PackReportTest, DuplicatesAgreeWithTheEditorsSignatureSearch) {
    test::ScopedDataHome home;
    test::TempDir dir;
    const std::string folder = dir.file("pack");
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 4; ++i) test::WriteGif(folder + "/" + std::to_string(i) + ".gif", 10 + i, 10);
    test::WriteDefine(folder, ":-P,B-)," + Cp1251("Ёлка") + "\r\n:-p,b-)," + Cp1251("ёЛКА") + "," +
                                  Cp1251("елка") + "\r\nXD,xd,xD,:-P\r\n" + Cp1251("Ура,УРА,ура"));

    int checkpoints = 0;
    const TPackReport report =
        OpenPackReport(folder, kAnimatedPack, TCodePage::Windows1251, [&] { ++checkpoints; });
    // Every phase and every file of the load passes a checkpoint.
    EXPECT_GE(checkpoints, 4 + 4 + 4);
    // The working copy is closed again.
    EXPECT_EQ(PicturesUnder(home.dir().path()), 0u);

    // What the editor's search says: an occurrence repeats an earlier one when searching for it
    // finds another place first.
    TDefineDecoder model("Storage");
    model.SetBothMode(false);
    model.SetCurrentPack(kAnimatedPack);
    ASSERT_TRUE(model.OpenPack(folder + "/_define.ini"));
    ASSERT_EQ(model.SmileCount(), static_cast<int32_t>(report.Smiles.size()));
    int32_t repeats = 0;
    for (int32_t s = 0; s < model.SmileCount(); ++s) {
        const auto& signatures = model.Smile(s)->Signatures;
        EXPECT_EQ(signatures.Items(), report.Smiles[s].Signatures);
        for (int32_t g = 0; g < signatures.Count(); ++g) {
            int32_t foundSmile = -1;
            int32_t foundSignature = -1;
            ASSERT_TRUE(model.FindSignature(signatures[g], foundSmile, foundSignature));
            if (foundSmile != s || foundSignature != g) ++repeats;
        }
    }
    // :-p, b-), ёЛКА, xd, xD, :-P, УРА, ура; "елка" is another word.
    EXPECT_EQ(repeats, 8);
    EXPECT_EQ(report.DuplicateSignatures, repeats);
}

TEST(PackReportTest, CountersAreTheModelsAndSmilesCarryTheirPictures) {
    test::ScopedDataHome home;
    test::TempDir dir;
    const std::string folder = dir.file("pack");
    std::filesystem::create_directories(folder);
    test::WriteGif(folder + "/b.gif", 12, 7, 3);
    test::WriteBytes(folder + "/c.gif", "GIF89a");
    test::WriteGif(folder + "/a.gif", 11, 7);
    test::WriteDefine(folder, "x\r\n \r\ny\r\nz");

    const TPackReport report = OpenPackReport(folder, kAnimatedPack, TCodePage::Windows1251, [] {});
    ASSERT_EQ(report.Smiles.size(), 4u);
    EXPECT_EQ(report.LoadErrors, 1);
    EXPECT_EQ(report.MissingFiles, 1);
    EXPECT_EQ(report.WithoutSignatures, 1);
    EXPECT_EQ(report.DuplicateSignatures, 0);
    EXPECT_TRUE(report.HasProblems());
    EXPECT_FALSE(report.NoPictures());

    const TSmileReport& first = report.Smiles[0];
    EXPECT_EQ(first.Source, std::optional<std::string>("a.gif"));
    EXPECT_EQ(first.Status, TSmileStatus::Ok);
    EXPECT_EQ(first.Width, 11);
    EXPECT_EQ(first.Frames, 2);
    EXPECT_EQ(first.Delays, (std::vector<int32_t>{100, 100}));
    EXPECT_EQ(report.Smiles[1].Source, std::optional<std::string>("b.gif"));
    EXPECT_EQ(report.Smiles[1].Frames, 3);
    EXPECT_TRUE(report.Smiles[1].Signatures.empty());
    EXPECT_EQ(report.Smiles[2].Source, std::optional<std::string>("c.gif"));
    EXPECT_EQ(report.Smiles[2].Status, TSmileStatus::LoadError);
    EXPECT_EQ(report.Smiles[3].Source, std::nullopt);
    EXPECT_EQ(report.Smiles[3].Status, TSmileStatus::Missing);
}

}  // namespace
}  // namespace faceloom::cli
