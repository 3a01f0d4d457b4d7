// The built editor run as a process (offscreen): one instance per storage, the hand-over from
// the sibling program, and a killed editor's pack coming back at the next start.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <string>

#include "support/pack_builder.h"
#include "support/temp_dir.h"

namespace faceloom::test {
namespace {

class EditorProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        bin_ = QCoreApplication::applicationDirPath() + "/";
        if (!QFile::exists(bin_ + "faceloom-test-editor"))
            GTEST_SKIP() << "faceloom-test-editor is not built";
        pack_ = dir_.folder() + "pack/";
        WriteDefine(pack_, ":-)\r\n;-)\r\n");
        WriteGif(pack_ + "a.gif", 10, 10);
        WriteGif(pack_ + "b.gif", 11, 10);
    }

    // The editor with this test's own data folder and the test hook; runtime names the
    // runtime folder (empty: none), program the editor to run.
    std::unique_ptr<QProcess> Editor(const QStringList& arguments, const char* hook = "dialogs",
                                     const std::string& runtime = "run/",
                                     const char* program = "faceloom-test-editor") {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_DATA_HOME", QString::fromStdString(dir_.folder() + "data"));
        env.remove("XDG_RUNTIME_DIR");
        if (!runtime.empty()) {
            std::filesystem::create_directories(dir_.folder() + runtime);
            env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir_.folder() + runtime));
        }
        env.insert("FACELOOM_TEST_HOOK", hook);
        env.insert("FACELOOM_HANDOVER_SUFFIX", QString("-editor-test-%1").arg(getpid()));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(bin_ + program, arguments);
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    static bool WaitForText(QProcess& process, const QByteArray& text, QByteArray& seen) {
        return QTest::qWaitFor(
                   [&] {
                       seen += process.readAllStandardError();
                       return seen.contains(text) || process.state() == QProcess::NotRunning;
                   },
                   20000) &&
               seen.contains(text);
    }
    std::string WorkingDefine(const char* storage) const {
        return ReadBytes(dir_.folder() + "data/Faceloom for Tavi 2005/3.0/" + storage +
                         "/Animated/_define.ini");
    }

    TempDir dir_;
    QString bin_;
    std::string pack_;
};

// The second start comes from another environment (another runtime folder, then none, as
// under sudo or a service manager): the storage alone decides.
TEST_F(EditorProcessTest, ASecondStartOnTheSameStorageShowsTheErrorAndEndsWhileTheFirstRuns) {
    auto first = Editor({QString::fromStdString(pack_)});
    QByteArray firstLog;
    ASSERT_TRUE(WaitForText(*first, "started Storage 2", firstLog)) << firstLog.constData();

    for (const std::string& runtime : {std::string("other-run/"), std::string()}) {
        auto second = Editor({}, "dialogs", runtime);
        ASSERT_TRUE(second->waitForFinished(20000)) << runtime;
        EXPECT_EQ(second->exitCode(), 1) << runtime;
        EXPECT_TRUE(second->readAllStandardError().contains("dialog ErrorForm")) << runtime;
    }

    // The first keeps its lock and ends the orderly way on SIGTERM.
    EXPECT_EQ(first->state(), QProcess::Running);
    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    ASSERT_TRUE(first->waitForFinished(20000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(EditorProcessTest, AHandOverOpensThePackOnItsOwnStorageBesideANormalInstance) {
    auto normal = Editor({});
    QByteArray normalLog;
    ASSERT_TRUE(WaitForText(*normal, "started Storage", normalLog)) << normalLog.constData();

    const QString sender = bin_ + "faceloom-handover-sender";
    if (!QFile::exists(sender)) GTEST_SKIP() << "faceloom-handover-sender is not built";
    QProcess handOver;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir_.folder() + "data"));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir_.folder()));
    env.insert("FACELOOM_TEST_HOOK", "dialogs quit");
    handOver.setProcessEnvironment(env);
    // The pack folder is the base of the both-packs mode here: its animated pack is "Animated".
    const std::string base = dir_.folder() + "base/";
    WriteDefine(base + "Animated/", "x\r\n");
    WriteGif(base + "Animated/a.gif", 12, 10);
    handOver.start(sender,
                   {"--unique-names", QString::fromStdString(base), "", "--", bin_ + "faceloom-test-editor"});
    ASSERT_TRUE(handOver.waitForFinished(30000));
    const QByteArray log = handOver.readAllStandardError() + handOver.readAllStandardOutput();
    EXPECT_EQ(handOver.exitCode(), 0) << log.constData();
    EXPECT_TRUE(log.contains("started Coatwright 1")) << log.constData();
    // Closing an unchanged handed-over pack asks nothing and leaves its folder as it was.
    EXPECT_FALSE(log.contains("dialog QueryForm")) << log.constData();
    EXPECT_EQ(ListFiles(base + "Animated/"), (std::vector<std::string>{"_define.ini", "a.gif"}));

    EXPECT_EQ(normal->state(), QProcess::Running);
    ::kill(static_cast<pid_t>(normal->processId()), SIGTERM);
    ASSERT_TRUE(normal->waitForFinished(20000));
    EXPECT_EQ(normal->exitCode(), 0);
}

TEST_F(EditorProcessTest, AKilledEditorsPackIsInTheStorageAtTheNextStart) {
    auto editor = Editor({QString::fromStdString(pack_)});
    QByteArray seen;
    ASSERT_TRUE(WaitForText(*editor, "started Storage 2", seen)) << seen.constData();
    const std::string before = WorkingDefine("Storage");
    ::kill(static_cast<pid_t>(editor->processId()), SIGKILL);
    ASSERT_TRUE(editor->waitForFinished(20000));

    auto again = Editor({}, "dialogs quit");
    ASSERT_TRUE(again->waitForFinished(20000));
    EXPECT_EQ(again->exitCode(), 0);
    EXPECT_TRUE(again->readAllStandardError().contains("started Storage 2"));
    EXPECT_EQ(WorkingDefine("Storage"), before);
    EXPECT_EQ(before, ":-)\r\n;-)");
}

// The product reads no test hook: with the variables set it answers nothing by itself, shows
// its window and stays up.
TEST_F(EditorProcessTest, TheProductIgnoresTheTestHooks) {
    if (!QFile::exists(bin_ + "faceloom")) GTEST_SKIP() << "faceloom is not built";
    auto product = Editor({QString::fromStdString(pack_)}, "dialogs quit", "run/", "faceloom");
    EXPECT_FALSE(product->waitForFinished(3000));
    EXPECT_EQ(product->state(), QProcess::Running);
    // Killed: an orderly stop could wait on a question nobody answers.
    ::kill(static_cast<pid_t>(product->processId()), SIGKILL);
    ASSERT_TRUE(product->waitForFinished(20000));
    const QByteArray log = product->readAllStandardError();
    EXPECT_FALSE(log.contains("started")) << log.constData();
    EXPECT_FALSE(log.contains("dialog")) << log.constData();
}

}  // namespace
}  // namespace faceloom::test
