// The clash window on its own: what each row says, the choices per row and for all rows, and
// the desktop's keys. What each choice does to the pack is in import_test.cpp.
#include "app/dialogs/clash_form.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <set>

#include "dialog_test_support.h"

namespace faceloom {
namespace {

using test::Child;
using test::RunModal;

// Two clashes: a new picture's signature that smile 5 has, and one that an earlier new
// picture of the batch has.
TImportPlan TwoClashes() {
    TImportPlan plan;
    plan.Items = {
        {"wink.png", {}, {":wink:"}}, {"smile.gif", {}, {":smile:", ":)"}}, {"Smile.png", {}, {":SMILE:"}}};
    TClash withSmile;
    withSmile.Item = 0;
    withSmile.Code = 0;
    withSmile.ExistingSmile = 4;
    withSmile.Renamed = ":wink:2";
    TClash withNew;
    withNew.Item = 2;
    withNew.Code = 0;
    withNew.EarlierItem = 1;
    withNew.Choice = TClashChoice::Skip;
    withNew.Renamed = ":SMILE:2";
    plan.Clashes = {withSmile, withNew};
    return plan;
}

class ClashFormTest : public testing::Test {
protected:
    void SetUp() override {
        form_.ApplyLanguage(lang_);
        form_.SetClashes(TwoClashes(), [](int32_t i) { return QStringLiteral("label %1").arg(i); });
    }
    QString Cell(const char* column, int row) const {
        return Child<QLabel>(form_, (std::string(column) + std::to_string(row)).c_str())->text();
    }

    TLang lang_{"", true};
    TClashForm form_;
};

TEST_F(ClashFormTest, EachRowNamesThePictureTheSignatureWhomItClashesWithAndTheRenamedSignature) {
    ASSERT_EQ(form_.RowCount(), 2);
    EXPECT_EQ(Cell("Name", 0), "wink.png");
    EXPECT_EQ(Cell("Code", 0), ":wink:");
    // Smiles as the user counts them, from 1, with their labels.
    EXPECT_EQ(Cell("Other", 0), QString::fromUtf8("смайл 5 «label 4»"));
    EXPECT_EQ(Cell("Name", 1), "Smile.png");
    EXPECT_EQ(Cell("Other", 1), QString::fromUtf8("новая картинка «smile.gif»"));
    EXPECT_EQ(form_.ChoiceBox(0)->itemText(1), QString::fromUtf8("Переименовать в «:wink:2»"));
    EXPECT_EQ(form_.Renamed(1), ":SMILE:2");
    // The plan's own choices come up first.
    EXPECT_EQ(form_.Choices(), (std::vector<TClashChoice>{TClashChoice::Rename, TClashChoice::Skip}));

    // Another language: the rows speak it, the choices stay.
    const auto english = test::English();
    form_.ApplyLanguage(*english);
    EXPECT_EQ(Cell("Other", 0), QString::fromUtf8("smile 5 «label 4»"));
    EXPECT_EQ(form_.ChoiceBox(1)->itemText(2), "Skip the picture");
    EXPECT_EQ(form_.Choices(), (std::vector<TClashChoice>{TClashChoice::Rename, TClashChoice::Skip}));
}

TEST_F(ClashFormTest, TheAllButtonsSetEveryRowAndEachRowCanBeChangedAfterwards) {
    for (const auto& [button, choice] :
         {std::pair{"KeepAllButton", TClashChoice::Keep}, std::pair{"RenameAllButton", TClashChoice::Rename},
          std::pair{"SkipAllButton", TClashChoice::Skip}}) {
        SCOPED_TRACE(button);
        Child<QPushButton>(form_, button)->click();
        EXPECT_EQ(form_.Choices(), (std::vector<TClashChoice>{choice, choice}));
    }
    form_.ChoiceBox(0)->setCurrentIndex(static_cast<int>(TClashChoice::Keep));
    EXPECT_EQ(form_.Choices(), (std::vector<TClashChoice>{TClashChoice::Keep, TClashChoice::Skip}));
    // New clashes replace the rows.
    TImportPlan one = TwoClashes();
    one.Clashes.pop_back();
    form_.SetClashes(one, {});
    EXPECT_EQ(form_.RowCount(), 1);
    EXPECT_EQ(form_.findChild<QComboBox*>("Choice1"), nullptr);
}

// Tab reaches every row's choice and every button; Enter presses the focused button (an "all"
// button leaves the window open), Escape cancels.
TEST_F(ClashFormTest, TabReachesEveryControlEnterPressesTheFocusedButtonEscapeCancels) {
    std::set<QString> reached;
    std::vector<TClashChoice> afterEnter;
    const int result = RunModal(form_, [&] {
        if (!QTest::qWaitForWindowActive(&form_)) return;
        for (int tabs = 0; tabs < 20; ++tabs) {
            QTest::keyClick(test::KeyTarget(form_), Qt::Key_Tab);
            reached.insert(QApplication::focusWidget()->objectName());
        }
        Child<QPushButton>(form_, "KeepAllButton")->setFocus();
        QTest::keyClick(test::KeyTarget(form_), Qt::Key_Return);
        afterEnter = form_.Choices();
        QTest::keyClick(test::KeyTarget(form_), Qt::Key_Escape);
    });
    // Row 0 renames: its new signature can be typed; row 1 skips, so it has none to type.
    EXPECT_EQ(reached, (std::set<QString>{"Choice0", "NewCode0", "Choice1", "KeepAllButton",
                                          "RenameAllButton", "SkipAllButton", "OkButton", "CancelButton"}));
    EXPECT_EQ(afterEnter, (std::vector<TClashChoice>{TClashChoice::Keep, TClashChoice::Keep}));
    EXPECT_EQ(result, kResultCancel);
}

}  // namespace
}  // namespace faceloom
