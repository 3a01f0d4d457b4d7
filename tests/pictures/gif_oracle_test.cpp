// The decoder against an outside reader: every frame of a generated corpus of smiles (every
// kind of table, disposal, transparency and interlacing) must equal giflib's composition.
// The other GIF tests round-trip through our own writer, so a mistake made the same way on
// both sides would pass them; giflib shares nothing with either.
#include <gtest/gtest.h>

#include "gif_test_helpers.h"
#include "support/gif_corpus.h"
#include "support/giflib_frames.h"

namespace faceloom::test {
namespace {

const std::vector<CorpusGif>& Corpus() {
    // Two rounds of every kind and then some: enough for every table, disposal and key case.
    static const std::vector<CorpusGif> corpus = MakeGifCorpus(60);
    return corpus;
}

class GifOracle : public ::testing::TestWithParam<GifVariant> {};

// The unmasked own frames are left out: there a never-drawn pixel of a picture without a
// transparent colour shows palette entry 0 rather than the background, which giflib has no
// counterpart for (no caller asks for that variant).
TEST_P(GifOracle, EveryFrameEqualsGiflibsComposition) {
    const GifVariant variant = GetParam();
    const uint32_t background = Masked(variant) ? 0 : 0xFFFFFFFFu;  // white, unmasked
    for (const CorpusGif& smile : Corpus()) {
        GiflibFrames reference;
        ASSERT_TRUE(DecodeWithGiflib(smile.bytes, reference)) << smile.name;
        auto picture = DecodeGif(smile.bytes, variant);
        EXPECT_EQ(DifferenceFromGiflib(*picture, reference, background), "") << smile.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, GifOracle,
                         ::testing::Values(GifVariant::SmileBitmaps, GifVariant::PlatformMasked,
                                           GifVariant::Platform),
                         [](const auto& info) {
                             std::string name = VariantName(info.param);
                             for (char& c : name) {
                                 if (c == ' ') c = '_';
                             }
                             return name;
                         });

// The corpus has what it claims: otherwise the comparison above would prove less than it says.
TEST(GifOracleCorpus, CoversTheVarietyOfRealPacks) {
    int single = 0, long_ = 0, large = 0;
    for (const CorpusGif& smile : Corpus()) {
        single += smile.frames == 1;
        long_ += smile.frames > 30;
        large += smile.width > 70;
    }
    EXPECT_GT(single, 0);
    EXPECT_GT(long_, 0);
    EXPECT_GT(large, 0);
}

}  // namespace
}  // namespace faceloom::test
