// What every dialog shares: object names, texts from the language, modal results of every
// button, Escape and the close box, and room for every text.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "app/dialogs/about_form.h"
#include "app/dialogs/check_form.h"
#include "app/dialogs/clash_form.h"
#include "app/dialogs/error_form.h"
#include "app/dialogs/export_form.h"
#include "app/dialogs/import_forms.h"
#include "app/dialogs/load_form.h"
#include "app/dialogs/no_smilies_form.h"
#include "app/dialogs/options_form.h"
#include "app/dialogs/preview_form.h"
#include "app/dialogs/query_form.h"
#include "app/dialogs/save_errors_form.h"
#include "app/dialogs/signature_form.h"
#include "app/dialogs/smile_exists_form.h"
#include "app/dialogs/visual_form.h"
#include "app/dialogs/warning_form.h"
#include "dialog_test_support.h"
#include "lang/builtin_texts.h"

namespace faceloom {
namespace {

using test::Child;
using test::Q;
using test::RunModal;
using test::TextOf;

struct TTextOf {
    const char* control;
    int id;
};
struct TResultOf {
    const char* button;
    int result;
};
struct TDialogCase {
    const char* name;
    std::function<std::unique_ptr<TDialogBase>()> make;
    int captionId;  // 0: the caller sets the caption
    std::vector<TTextOf> texts;
    std::vector<TResultOf> results;  // of its buttons
};

void PrintTo(const TDialogCase& c, std::ostream* os) {
    *os << c.name;
}

template <typename T>
std::function<std::unique_ptr<TDialogBase>()> Maker() {
    return [] { return std::make_unique<T>(); };
}

const std::vector<TDialogCase>& Cases() {
    static const std::vector<TDialogCase> cases = {
        {"LoadForm",
         Maker<TLoadForm>(),
         501,
         {{"TntLabel1", 502}, {"TntLabel2", 503}, {"TntLabel3", 504}, {"CancelButton", 202}},
         {}},
        {"ErrorForm",
         Maker<TErrorForm>(),
         701,
         {{"TntLabel1", 702}, {"TntBitBtn1", 201}},
         {{"TntBitBtn1", 1}}},
        {"WarningForm",
         Maker<TWarningForm>(),
         801,
         {{"TntLabel1", 802},
          {"TntLabel2", 803},
          {"TntCheckBox1", 804},
          {"TntBitBtn1", 203},
          {"TntBitBtn2", 202}},
         {{"TntBitBtn1", 1}, {"TntBitBtn2", 2}}},
        {"SignatureForm",
         Maker<TSignatureForm>(),
         0,
         {{"TntLabel1", 901}, {"TntBitBtn1", 201}, {"TntBitBtn2", 202}},
         {{"TntBitBtn1", 1}, {"TntBitBtn2", 2}}},
        {"SmileExistsForm",
         Maker<TSmileExistsForm>(),
         1001,
         {{"TntLabel1", 1002}, {"TntBitBtn1", 201}, {"TntBitBtn2", 1003}},
         {{"TntBitBtn1", 1}, {"TntBitBtn2", 2}}},
        {"PreviewForm",
         Maker<TPreviewForm>(),
         1101,
         {{"TntBitBtn1", 1103}, {"TntBitBtn2", 1104}, {"TntBitBtn3", 1105}},
         {}},
        {"VisualForm",
         Maker<TVisualForm>(),
         1201,
         {{"TntLabel1", 1202},
          {"TntLabel2", 1203},
          {"TntLabel3", 1204},
          {"TntLabel5", 1205},
          {"TntBitBtn1", 1206},
          {"TntLabel4", 1207},
          {"TntBitBtn2", 201},
          {"TntBitBtn3", 202}},
         {{"TntBitBtn2", 1}, {"TntBitBtn3", 2}}},
        {"QueryForm",
         Maker<TQueryForm>(),
         401,
         {{"TntLabel1", 1301}, {"TntBitBtn1", 203}, {"TntBitBtn2", 204}, {"TntBitBtn3", 202}},
         {{"TntBitBtn1", 6}, {"TntBitBtn2", 7}, {"TntBitBtn3", 2}}},
        {"SaveErrorsForm",
         Maker<TSaveErrorsForm>(),
         1401,
         {{"TntLabel1", 1402},
          {"TntLabel2", 1403},
          {"TntLabel3", 1404},
          {"TntLabel5", 1405},
          {"TntLabel7", 1406},
          {"DuplicatesLabel", 2347},
          {"TntLabel9", 1407},
          {"TntLabel10", 1408},
          {"TntBitBtn1", 203},
          {"TntBitBtn2", 204},
          {"ShowButton", 2026}},
         {{"TntBitBtn1", 1}, {"TntBitBtn2", 2}, {"ShowButton", 2}}},
        {"OptionsForm",
         Maker<TOptionsForm>(),
         1501,
         {{"TntGroupBox1", 1502},
          {"TntGroupBox2", 1503},
          {"TntCheckBox1", 1504},
          {"TntCheckBox2", 1505},
          {"AddingGroup", 2124},
          {"CodePatternLabel", 2125},
          {"PictureSizeLabel", 2126},
          {"TntBitBtn1", 201},
          {"TntBitBtn2", 202}},
         {{"TntBitBtn1", 1}, {"TntBitBtn2", 2}}},
        {"AboutForm", Maker<TAboutForm>(), 601, {{"TntBitBtn1", 201}}, {{"TntBitBtn1", 1}}},
        {"NoSmiliesForm",
         Maker<TNoSmiliesForm>(),
         1601,
         {{"TntLabel1", 1602}, {"TntBitBtn1", 201}},
         {{"TntBitBtn1", 1}}},
        {"CheckForm",
         Maker<TCheckForm>(),
         2024,
         {{"FixButton", 2025}, {"AlternativeButton", 2343}, {"CloseButton", 201}},
         {{"CloseButton", 1}}},
        {"ClashForm",
         Maker<TClashForm>(),
         2127,
         {{"IntroLabel", 2128},
          {"Header0", 2129},
          {"Header1", 2130},
          {"Header2", 2131},
          {"Header3", 2132},
          {"Header4", 2346},
          {"KeepAllButton", 2136},
          {"RenameAllButton", 2137},
          {"SkipAllButton", 2138},
          {"OkButton", 201},
          {"CancelButton", 202}},
         {{"OkButton", 1}, {"CancelButton", 2}}},
        // With a destination: OK waits for one.
        {"ExportForm",
         [] {
             auto form = std::make_unique<TExportForm>();
             form->SetDestination(QStringLiteral("/tmp/pack.zip"));
             return form;
         },
         2141,
         {{"FormatGroup", 2142},
          {"ZipRadio", 2143},
          {"PidginRadio", 2144},
          {"FreedesktopRadio", 2145},
          {"DestinationLabel", 2146},
          {"BrowseButton", 2147},
          {"OkButton", 201},
          {"CancelButton", 202}},
         {{"OkButton", 1}, {"CancelButton", 2}}},
        {"ImportTargetForm",
         Maker<TImportTargetForm>(),
         2150,
         {{"NewPackButton", 2152}, {"CurrentPackButton", 2153}, {"CancelButton", 202}},
         {{"NewPackButton", 6}, {"CurrentPackButton", 7}, {"CancelButton", 2}}},
        {"MessagesForm", Maker<TMessagesForm>(), 0, {{"OkButton", 201}}, {{"OkButton", 1}}},
    };
    return cases;
}

class DialogTest : public testing::TestWithParam<TDialogCase> {};

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<TDialogCase>& info) {
                             return std::string(info.param.name);
                         });

// The built-in texts straight from the table, and the English file's own texts.
TEST_P(DialogTest, TakesEveryTextFromTheLanguage) {
    const TDialogCase& c = GetParam();
    auto dialog = c.make();
    EXPECT_EQ(dialog->objectName(), QLatin1String(c.name));
    const TLang builtIn("", true);
    const auto english = test::English();
    dialog->ApplyLanguage(builtIn);
    if (c.captionId) {
        EXPECT_EQ(dialog->windowTitle(), Q(BuiltinText(c.captionId)));
    }
    for (const TTextOf& t : c.texts) {
        const QWidget* control = Child(*dialog, t.control);
        ASSERT_NE(control, nullptr) << t.control;
        EXPECT_EQ(TextOf(control), Q(BuiltinText(t.id))) << t.control;
    }
    dialog->ApplyLanguage(*english);
    if (c.captionId) {
        EXPECT_EQ(dialog->windowTitle(), Q(english->Text(c.captionId, true)));
        EXPECT_NE(dialog->windowTitle(), Q(BuiltinText(c.captionId)));
    }
    for (const TTextOf& t : c.texts) {
        EXPECT_EQ(TextOf(Child(*dialog, t.control)), Q(english->Text(t.id, true))) << t.control;
    }
}

TEST_P(DialogTest, EveryButtonEscapeAndTheCloseBoxGiveTheirResults) {
    const TDialogCase& c = GetParam();
    if (std::string(c.name) == "LoadForm") GTEST_SKIP() << "not modal";
    auto dialog = c.make();
    dialog->ApplyLanguage(TLang("", true));
    for (const TResultOf& r : c.results) {
        auto* button = Child<QPushButton>(*dialog, r.button);
        ASSERT_NE(button, nullptr) << r.button;
        EXPECT_EQ(RunModal(*dialog, [button] { QTest::mouseClick(button, Qt::LeftButton); }), r.result)
            << r.button;
        EXPECT_FALSE(dialog->isVisible());
    }
    TDialogBase* d = dialog.get();
    EXPECT_EQ(RunModal(*d, [d] { QTest::keyClick(test::KeyTarget(*d), Qt::Key_Escape); }), kResultCancel);
    EXPECT_EQ(RunModal(*d, [d] { d->close(); }), kResultCancel);
    // Hidden by code: Cancel as well, not the result of an earlier use.
    EXPECT_EQ(RunModal(*d, [d] { d->hide(); }), kResultCancel);
}

// Tab walks the focus to each button in turn and Enter answers with that button, never with
// the default one the focus has left.
TEST_P(DialogTest, EnterPressesTheButtonTheTabKeyFocused) {
    const TDialogCase& c = GetParam();
    if (std::string(c.name) == "LoadForm") GTEST_SKIP() << "not modal";
    auto dialog = c.make();
    dialog->ApplyLanguage(TLang("", true));
    TDialogBase* d = dialog.get();
    for (const TResultOf& r : c.results) {
        auto* button = Child<QPushButton>(*d, r.button);
        ASSERT_NE(button, nullptr) << r.button;
        bool reached = false;
        const int result = RunModal(*d, [d, button, &reached] {
            if (!QTest::qWaitForWindowActive(d)) return;
            for (int tabs = 0; tabs < 40 && QApplication::focusWidget() != button; ++tabs)
                QTest::keyClick(test::KeyTarget(*d), Qt::Key_Tab);
            reached = QApplication::focusWidget() == button;
            QTest::keyClick(test::KeyTarget(*d), Qt::Key_Return);
        });
        EXPECT_TRUE(reached) << r.button;
        EXPECT_EQ(result, r.result) << r.button;
    }
}

// Every label, button and group title gets at least the room its text asks for, in both
// languages and in a wordier one that needs more than the design sizes, so nothing is cut off.
TEST_P(DialogTest, NoTextIsCutOffInAnyLanguage) {
    const TDialogCase& c = GetParam();
    auto dialog = c.make();
    const TLang builtIn("", true);
    const auto english = test::English();
    const test::TFakeLang wordy([&](int id) { return english->Text(id) + u" / " + english->Text(id); });
    for (const TLang* lang : {static_cast<const TLang*>(&builtIn), static_cast<const TLang*>(english.get()),
                              static_cast<const TLang*>(&wordy)}) {
        dialog->ApplyLanguage(*lang);
        dialog->show();
        QApplication::processEvents();
        EXPECT_GE(dialog->width(), dialog->DesignSize().width());
        EXPECT_GE(dialog->height(), dialog->DesignSize().height());
        for (QWidget* w : dialog->findChildren<QWidget*>()) {
            if (!w->isVisible() || TextOf(w).isEmpty() ||
                w->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) {
                continue;
            }
            const auto* label = qobject_cast<QLabel*>(w);
            const QString what = w->objectName() + QLatin1String(": ") + TextOf(w);
            if (label && label->wordWrap()) {
                EXPECT_GE(w->height(), w->heightForWidth(w->width())) << what.toStdString();
            } else {
                const QSize need = qobject_cast<QGroupBox*>(w) ? w->minimumSizeHint() : w->sizeHint();
                EXPECT_GE(w->width(), need.width()) << what.toStdString();
                EXPECT_GE(w->height(), need.height()) << what.toStdString();
            }
        }
        dialog->hide();
    }
}

// A language file lacking texts shows the built-in ones; a text nobody has shows
// "Lang Error"; absurdly long texts neither crash nor push the window off the screen.
TEST_P(DialogTest, MissingAndOverlongTextsHaveTheirDefinedOutcome) {
    const TDialogCase& c = GetParam();
    auto dialog = c.make();
    const test::TFakeLang missing([](int) { return std::u16string(kLangErrorText); });
    dialog->ApplyLanguage(missing);
    for (const TTextOf& t : c.texts)
        EXPECT_EQ(TextOf(Child(*dialog, t.control)), QLatin1String("Lang Error"));

    const test::TFakeLang overlong(
        [](int id) { return std::u16string(2000, u'\u0416') + std::u16string(u" end"); });
    dialog->ApplyLanguage(overlong);
    dialog->show();
    QApplication::processEvents();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(dialog->width(), screen.width());
    EXPECT_LE(dialog->height(), screen.height());
    dialog->hide();
}

TEST(LoadForm, CloseBoxOnlyHidesItAndNeverEndsTheProgram) {
    TLoadForm form;
    form.ApplyLanguage(TLang("", true));
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    form.ShowProgress();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    form.close();
    EXPECT_FALSE(form.isVisible());
    QTest::keyClick(&form, Qt::Key_Escape);  // nothing to cancel
    EXPECT_EQ(lastClosed.count(), 0);
}

TEST(LoadForm, ShowsWhatTheCallerSets) {
    TLoadForm form;
    form.ApplyLanguage(TLang("", true));
    form.SetPhaseText(QStringLiteral("загрузка файлов"));
    const QString longPath =
        QStringLiteral("/home/user/") + QString(300, QLatin1Char('x')) + QStringLiteral("/ab.gif");
    form.SetFileText(longPath);
    form.SetErrorCount(12);
    form.SetProgressRange(3, 40);
    form.SetProgressPosition(17);
    form.ShowProgress();
    QApplication::processEvents();
    EXPECT_EQ(Child<QLabel>(form, "TntLabel4")->text(), QStringLiteral("загрузка файлов"));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel6")->text(), QStringLiteral("12"));
    auto* bar = Child<QProgressBar>(form, "ProgressBar1");
    EXPECT_EQ(bar->minimum(), 3);
    EXPECT_EQ(bar->maximum(), 40);
    EXPECT_EQ(bar->value(), 17);
    // A long path does not widen the window: it is shortened, the whole of it kept as the hint.
    auto* file = Child<QLabel>(form, "TntLabel5");
    EXPECT_EQ(form.width(), form.DesignSize().width());
    EXPECT_TRUE(file->text().endsWith(QStringLiteral("/ab.gif")));
    EXPECT_LT(file->text().size(), longPath.size());
    EXPECT_EQ(file->toolTip(), longPath);
    EXPECT_EQ(form.FileText(), longPath);
    form.hide();
}

TEST(SaveErrorsForm, ShowsTheCallersCounts) {
    TSaveErrorsForm form;
    form.ApplyLanguage(TLang("", true));
    form.SetCounts(3, 0, 17);
    EXPECT_EQ(Child<QLabel>(form, "TntLabel4")->text(), QStringLiteral("3"));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel6")->text(), QStringLiteral("0"));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel8")->text(), QStringLiteral("17"));
}

TEST(WarningForm, CheckBoxStateSurvivesTheAnswer) {
    TWarningForm form;
    form.ApplyLanguage(TLang("", true));
    form.DontShowAgain()->setChecked(false);
    auto* box = Child<QCheckBox>(form, "TntCheckBox1");
    ASSERT_EQ(box, form.DontShowAgain());
    EXPECT_EQ(RunModal(form,
                       [&] {
                           QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
                           QTest::keyClick(test::KeyTarget(form), Qt::Key_Escape);
                       }),
              kResultCancel);
    EXPECT_TRUE(form.DontShowAgain()->isChecked());
}

}  // namespace
}  // namespace faceloom
