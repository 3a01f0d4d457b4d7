// The floating drag window on a real X server: the test starts its own Xvfb (and later a
// compositing manager), runs this same test program again inside it for the part that needs
// the display, and stops both servers by process id.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "pictures/transparent_decoder.h"
#include "view_test_pictures.h"
#include "views/drag_disptacher.h"
#include "views/drag_smile.h"
#include "views/drag_smile_window.h"
#include "views/layered_windows.h"

extern char** environ;

namespace faceloom {
namespace {

using testing::MaskedOut;
using testing::PixelRgb;
using testing::TPatternPicture;

constexpr const char* kChildVariable = "FACELOOM_DISPLAY_CHILD";
constexpr const char* kExpectVariable = "FACELOOM_EXPECT_COMPOSITING";
constexpr const char* kResultVariable = "FACELOOM_DISPLAY_RESULT";
constexpr const char* kShotVariable = "FACELOOM_DISPLAY_SHOT";

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// This process's environment without the variables a child gets its own values of.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("DISPLAY=", 0) == 0 || text.rfind("QT_QPA_PLATFORM=", 0) == 0 ||
            text.rfind("FACELOOM_", 0) == 0) {
            continue;
        }
        result.push_back(text);
    }
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

// A child process started by this test and stopped by its process id.
class TChild {
public:
    TChild() = default;
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;
    ~TChild() { Stop(); }

    // keepFd: a descriptor of ours the child gets as descriptor 3 (-1: none).
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env, int keepFd = -1) {
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (keepFd >= 0) posix_spawn_file_actions_adddup2(&actions, keepFd, 3);
        const int error = posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) pid_ = -1;
        return pid_ > 0;
    }

    // The exit code, or -1 when it did not end within timeoutMs (it is then stopped).
    int Wait(int timeoutMs) {
        if (pid_ <= 0) return -1;
        for (int waited = 0; waited <= timeoutMs; waited += 20) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Stop();
        return -1;
    }

    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// Starts Xvfb on a display it picks itself; answers the display number, or -1.
int StartXvfb(TChild& server, const std::string& xvfb) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const bool started =
        server.Start({xvfb, "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp"},
                     ChildEnvironment({}), fds[1]);
    close(fds[1]);
    std::string text;
    pollfd poller{fds[0], POLLIN, 0};
    while (started && text.find('\n') == std::string::npos && poll(&poller, 1, 15000) > 0) {
        char buffer[32];
        const ssize_t count = read(fds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        text.append(buffer, static_cast<size_t>(count));
    }
    close(fds[0]);
    if (text.empty() || text.find('\n') == std::string::npos) return -1;
    return std::atoi(text.c_str());
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

// Runs the inside part in a child on the display; answers what it reported ("ok" or a failure).
std::string RunInside(int display, bool expectCompositing, const std::filesystem::path& folder) {
    const std::filesystem::path result = folder / (expectCompositing ? "with.txt" : "without.txt");
    std::filesystem::remove(result);
    std::vector<std::string> env = {
        "DISPLAY=:" + std::to_string(display),
        "FACELOOM_TEST_DISPLAY=1",
        std::string(kChildVariable) + "=1",
        std::string(kExpectVariable) + "=" + (expectCompositing ? "1" : "0"),
        std::string(kResultVariable) + "=" + result.string(),
    };
    if (const char* shot = std::getenv(kShotVariable)) env.push_back(std::string(kShotVariable) + "=" + shot);
    TChild child;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    if (!child.Start({self, "--gtest_filter=DragOnDisplay.InsideTheServer"}, ChildEnvironment(env))) {
        return "the test program could not be started again";
    }
    const int code = child.Wait(60000);
    const std::string reported = ReadFile(result);
    if (code != 0)
        return "inside run ended with " + std::to_string(code) + (reported.empty() ? "" : ": " + reported);
    return reported.empty() ? "inside run reported nothing" : reported;
}

TEST(DragOnDisplay, FloatingWindowOnARealXServer) {
    if (std::getenv(kChildVariable)) GTEST_SKIP() << "the outer part of the X server test";
    const std::string xvfb = FindProgram("Xvfb");
    const std::string xcompmgr = FindProgram("xcompmgr");
    if (xvfb.empty() || xcompmgr.empty()) {
        GTEST_SKIP() << "Xvfb or xcompmgr is not installed (tools/install-deps.sh installs both)";
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("faceloom-display-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);

    TChild server;
    const int display = StartXvfb(server, xvfb);
    ASSERT_GE(display, 0) << "Xvfb did not report a display";
    EXPECT_EQ(RunInside(display, false, folder), "ok");

    TChild compositor;
    ASSERT_TRUE(compositor.Start({xcompmgr}, ChildEnvironment({"DISPLAY=:" + std::to_string(display)})));
    EXPECT_EQ(RunInside(display, true, folder), "ok");
    EXPECT_TRUE(compositor.Running());
    compositor.Stop();
    server.Stop();
    std::filesystem::remove_all(folder);
}

// The inside part: writes "ok" or what went wrong to the result file.
class TInsideReport {
public:
    ~TInsideReport() {
        std::ofstream out(std::getenv(kResultVariable));
        out << (::testing::Test::HasFailure() ? failure : "ok") << "\n";
    }
    std::string failure = "a check failed inside the X server";
};

// 0xRRGGBB the screen must show at (x, y) of the drag window over a white backdrop.
uint32_t ExpectedOnWhite(int32_t x, int32_t y) {
    auto opaque = [](int32_t px, int32_t py) {
        return px >= 0 && py >= 0 && px < 20 && py < 24 && !MaskedOut(px, py);
    };
    if (opaque(x, y)) return PixelRgb(0, x, y);
    // Black at alpha 0x20 over white: 255 * (1 - 0x20 / 255).
    if (opaque(x - 5, y - 5)) return 0xDFDFDF;
    return 0xFFFFFF;
}

bool CloseColor(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 2)
            return false;
    }
    return true;
}

TEST(DragOnDisplay, InsideTheServer) {
    if (!std::getenv(kChildVariable)) GTEST_SKIP() << "runs inside the X server test only";
    TInsideReport report;
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const bool expected = std::string(std::getenv(kExpectVariable)) == "1";
    if (expected) {
        // The compositing manager may still be taking its selection.
        QElapsedTimer timer;
        timer.start();
        while (!DetectLayeredWindows() && timer.elapsed() < 10000) QTest::qWait(50);
    }
    EXPECT_EQ(LayeredWindowsAvailable(), expected);
    if (!expected) return;

    QWidget backdrop(nullptr, Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    backdrop.setAutoFillBackground(true);
    backdrop.setPalette(QPalette(Qt::white));
    backdrop.setGeometry(100, 100, 200, 150);
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));

    TDragDisptacher dispatcher;
    TRef<TDragSmile> smile(new TDragSmile(&dispatcher));
    TRef<TPictureDecoder> source(new TPatternPicture(20, 24, 1, 100, true));
    TRef<TTransparentDecoder> picture(new TTransparentDecoder(source.get(), true));
    picture->ShadowX = 5;
    picture->ShadowY = 5;
    picture->Decode();
    smile->SetPicture(picture.get());
    dispatcher.StartDrag(smile.get());
    dispatcher.MoveTo(QPoint(200, 150));
    TDragSmileWindow* window = dispatcher.Window();
    ASSERT_TRUE(testing::ProcessUntil([&] { return window->isVisible(); }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->geometry(), QRect(190, 138, 25, 29));

    // The compositor draws the window some frames later: wait until the screen shows it.
    QImage shot;
    QElapsedTimer timer;
    timer.start();
    do {
        QTest::qWait(50);
        shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    } while (!CloseColor(shot.pixel(190 + 1, 138) & 0xFFFFFF, ExpectedOnWhite(1, 0)) &&
             timer.elapsed() < 5000);
    if (const char* path = std::getenv(kShotVariable)) shot.save(QString::fromLocal8Bit(path));
    int wrong = 0;
    for (int y = 0; y < 29; ++y) {
        for (int x = 0; x < 25; ++x) {
            const uint32_t seen = shot.pixel(190 + x, 138 + y) & 0xFFFFFF;
            if (!CloseColor(seen, ExpectedOnWhite(x, y)) && ++wrong <= 5) {
                ADD_FAILURE() << "screen at " << x << "," << y << ": " << std::hex << seen << " instead of "
                              << ExpectedOnWhite(x, y);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // Around the window the backdrop is untouched.
    EXPECT_EQ(shot.pixel(189, 137) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shot.pixel(215, 167) & 0xFFFFFF, 0xFFFFFFu);
    dispatcher.EndDrag(smile.get());
}

}  // namespace
}  // namespace faceloom
