#include "animation/signature_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace faceloom {
namespace {

using Strings = std::vector<std::string>;

class SignatureListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.OnChange = [this](TSignatureList& sender) {
            EXPECT_EQ(&sender, &list);
            ++changes;
            seen.push_back(sender.Items());  // content as the handler sees it
        };
    }

    TSignatureList list;
    int changes = 0;
    std::vector<Strings> seen;
};

TEST_F(SignatureListTest, EveryEditFiresOnceAfterTheChange) {
    EXPECT_EQ(list.Add(":-)"), 0);
    EXPECT_EQ(list.Add(";-)"), 1);
    list.Insert(1, ":-D");
    list.Insert(3, ":-(");  // at Count: appends
    list.Put(0, ":)");
    list.Exchange(0, 3);
    list.Delete(1);
    ASSERT_EQ(changes, 7);
    EXPECT_EQ(seen[0], (Strings{":-)"}));
    EXPECT_EQ(seen[2], (Strings{":-)", ":-D", ";-)"}));
    EXPECT_EQ(seen[3], (Strings{":-)", ":-D", ";-)", ":-("}));
    EXPECT_EQ(seen[4], (Strings{":)", ":-D", ";-)", ":-("}));
    EXPECT_EQ(seen[5], (Strings{":-(", ":-D", ";-)", ":)"}));
    EXPECT_EQ(list.Items(), (Strings{":-(", ";-)", ":)"}));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2], ":)");
}

TEST_F(SignatureListTest, BulkAssignAndClearFireOnce) {
    list.Assign(Strings{"a", "b", "c"});
    EXPECT_EQ(changes, 1);
    TSignatureList other;
    other.Assign(Strings{"x", "X"});
    list.Assign(other);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.Items(), (Strings{"x", "X"}));
    list.Clear();
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(list.Empty());
}

TEST_F(SignatureListTest, BadIndicesRaiseAndChangeNothing) {
    list.Assign(Strings{"a", "b"});
    changes = 0;
    EXPECT_THROW(list.Insert(3, "x"), std::out_of_range);
    EXPECT_THROW(list.Insert(-1, "x"), std::out_of_range);
    EXPECT_THROW(list.Put(2, "x"), std::out_of_range);
    EXPECT_THROW(list.Delete(-1), std::out_of_range);
    EXPECT_THROW(list.Delete(2), std::out_of_range);
    EXPECT_THROW(list.Exchange(0, 2), std::out_of_range);
    EXPECT_THROW(list.Exchange(5, 0), std::out_of_range);
    EXPECT_THROW(list.Get(2), std::out_of_range);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list.Items(), (Strings{"a", "b"}));
}

TEST_F(SignatureListTest, IndexOfIgnoresLatinAndCyrillicCaseAndFindsTheFirst) {
    // Windows-1251: "ПРИВЕТ" / "привет", "ЁЖ" / "ёж".
    const std::string upperHello = "\xCF\xD0\xC8\xC2\xC5\xD2";
    const std::string lowerHello = "\xEF\xF0\xE8\xE2\xE5\xF2";
    list.Assign(Strings{":-p", lowerHello, "\xB8\xE6", ":-P", lowerHello});
    EXPECT_EQ(list.IndexOf(":-P"), 0);
    EXPECT_EQ(list.IndexOf(upperHello), 1);
    EXPECT_EQ(list.IndexOf("\xA8\xC6"), 2);
    EXPECT_EQ(list.IndexOf("\xA8"), -1);  // a prefix is not a match
    EXPECT_EQ(list.IndexOf(":-("), -1);
    EXPECT_EQ(list.IndexOf(""), -1);
    list.Add("");
    EXPECT_EQ(list.IndexOf(""), 5);
}

TEST(SignatureList, WithoutHandlerEditsStillWork) {
    TSignatureList list;
    list.Add("a");
    list.Insert(0, "b");
    list.Exchange(0, 1);
    EXPECT_EQ(list.Items(), (Strings{"a", "b"}));
}

}  // namespace
}  // namespace faceloom
