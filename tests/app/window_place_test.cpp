// The main window under a real window manager: started, closed and started again it comes back
// where it was, to the pixel. The test runs its own Xvfb and openbox and stops them by pid.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <array>
#include <fstream>
#include <regex>
#include <string>

#include "support/temp_dir.h"

namespace faceloom::test {
namespace {

// A process of the test's, killed by its pid when the test ends.
struct TServer {
    QProcess process;
    ~TServer() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
};

int FreeDisplay() {
    for (int display = 140; display < 400; ++display) {
        if (!QFile::exists(QString("/tmp/.X11-unix/X%1").arg(display)) &&
            !QFile::exists(QString("/tmp/.X%1-lock").arg(display)))
            return display;
    }
    return -1;
}

// The window's stored client place: left, top, width, height.
std::array<int, 4> StoredPlace(const std::string& config) {
    std::ifstream file(config, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::array<int, 4> place{-1, -1, -1, -1};
    const char* keys[] = {"WindowLeft", "WindowTop", "WindowWidth", "WindowHeight"};
    for (int i = 0; i < 4; ++i) {
        std::smatch match;
        if (std::regex_search(text, match, std::regex(std::string(keys[i]) + "=(-?[0-9]+)")))
            place[i] = std::stoi(match[1]);
    }
    return place;
}

TEST(WindowPlace, ThreeStartsUnderAWindowManagerKeepThePlaceToThePixel) {
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    const QString openbox = QStandardPaths::findExecutable("openbox");
    const QString editor = QCoreApplication::applicationDirPath() + "/faceloom-test-editor";
    if (xvfb.isEmpty() || openbox.isEmpty()) GTEST_SKIP() << "Xvfb or openbox is not installed";
    if (!QFile::exists(editor)) GTEST_SKIP() << "faceloom-test-editor is not built";
    const int display = FreeDisplay();
    ASSERT_GT(display, 0);
    const QString name = QString(":%1").arg(display);

    TServer server;
    server.process.start(xvfb, {name, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    ASSERT_TRUE(server.process.waitForStarted(10000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(QString("/tmp/.X11-unix/X%1").arg(display)); }, 10000));
    TempDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", name);
    env.remove("QT_QPA_PLATFORM");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("HOME", QString::fromStdString(dir.folder()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.folder() + "config"));
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.folder() + "data"));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.folder()));
    TServer manager;
    manager.process.setProcessEnvironment(env);
    manager.process.start(openbox, {});
    ASSERT_TRUE(manager.process.waitForStarted(10000));
    QTest::qWait(1000);  // the manager takes the screen

    // Under the address sanitizer: the desktop bus library keeps a buffer to the end, which is
    // not ours to free.
    std::ofstream(dir.folder() + "lsan.supp") << "leak:libdbus-1.so\n";
    env.insert("LSAN_OPTIONS", QString::fromStdString("suppressions=" + dir.folder() + "lsan.supp"));
    env.insert("FACELOOM_TEST_HOOK", "dialogs quit");
    env.insert("FACELOOM_TEST_QUIT_DELAY_MS", "1500");
    const std::string config = dir.folder() + "data/Faceloom for Tavi 2005/3.0/Config/config.ini";
    std::vector<std::array<int, 4>> places;
    for (int start = 0; start < 3; ++start) {
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(editor, {});
        ASSERT_TRUE(run.waitForFinished(30000)) << start;
        ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().constData();
        places.push_back(StoredPlace(config));
        ASSERT_GE(places.back()[2], 0) << "no place stored";
    }
    EXPECT_EQ(places[1], places[0]);
    EXPECT_EQ(places[2], places[0]);

    // A place off every screen comes back on the screen.
    {
        std::ifstream in(config, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text = std::regex_replace(text, std::regex("WindowTop=-?[0-9]+"), "WindowTop=-3000");
        std::ofstream(config, std::ios::binary | std::ios::trunc) << text;
    }
    // ... and so does one half off its screen (its middle on it).
    for (const char* left : {"5000", "900"}) {
        SCOPED_TRACE(left);
        std::ifstream in(config, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        text = std::regex_replace(text, std::regex("WindowLeft=-?[0-9]+"), std::string("WindowLeft=") + left);
        if (std::string(left) == "900")
            text = std::regex_replace(text, std::regex("WindowTop=-?[0-9]+"), "WindowTop=10");
        std::ofstream(config, std::ios::binary | std::ios::trunc) << text;
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(editor, {});
        ASSERT_TRUE(run.waitForFinished(30000));
        const std::array<int, 4> pulled = StoredPlace(config);
        EXPECT_GE(pulled[0], 0);
        EXPECT_GE(pulled[1], 0);
        EXPECT_LE(pulled[0] + pulled[2], 1280);
        EXPECT_LE(pulled[1] + pulled[3], 1024);
    }
}

}  // namespace
}  // namespace faceloom::test
