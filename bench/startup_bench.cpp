// bench_startup: how long the editor takes from process start to the first painted grid when
// the storage holds an animated pack (500 smiles, --smiles N) from the previous run, against the time of
// OpenPack of the same pack alone, measured in the same run.
//
//   bench_startup [--reps N] [--seed N] [--grid-seconds N]
//   bench_startup --sizes N1,N2,... [--reps N] [--seed N]
//   bench_startup --memory [--smiles N] [--reps N] [--seed N]
//   bench_startup --child start|open|grid [--pack DIR] [--seconds N]   one measured process
//
// The parent generates the pack (19-60 px, 2-40 frames), opens it once through the model in a
// storage of its own so that the storage holds it, then per repetition:
//   start: a child builds the main window as the program's entry does and reports the
//          monotonic clock when the grid's viewport has painted cells and the window's
//          repaint is done; the parent takes its clock before fork/exec.
//   open:  a child times OpenPack of the same folder alone in a throwaway storage.
// With --grid-seconds N it also runs the grid's animation inside the real main window (CPU
// seconds over N s after 1 s of settling, and peak RSS), as bench_grid measures the bare grid.
// With --memory it gives the memory the pack adds to the editor: the anonymous resident
// memory of a started editor once all its pictures are decoded, against an editor started
// without a pack, in turns. With --sizes it compares start-ups only: one storage per pack size, and per
// repetition one start-up of each, in turns whose order rotates, so that the sizes share the machine's moods;
// it prints each size's median and each size's ratio to the first size, as the median of the repetitions'
// ratios and as the ratio of the medians. Start it under an X server (bench/startup_bench.sh starts Xvfb).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/dialogs/app_forms.h"
#include "app/main_window/main_window.h"
#include "model/define_decoder.h"
#include "pictures/builtin_pictures.h"
#include "support/bench_smile.h"
#include "support/gif_writer.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace {

using namespace faceloom;

int smileCount = 500;  // --smiles

double Monotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

// The pack folder: smileCount GIFs and a "_define.ini" with one signature each.
void WritePack(const std::string& folder, unsigned seed, int count) {
    std::filesystem::create_directories(folder);
    std::mt19937 random(seed);
    std::string define;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "smile%04d.gif", i + 1);
        test::WriteGifFile(folder + "/" + name, MakeBenchSmile(random));
        define += ":s" + std::to_string(i) + ":,*s" + std::to_string(i) + "*\r\n";
    }
    std::ofstream(folder + "/_define.ini", std::ios::binary) << define;
}

// Opens the pack through the model in the storage under $XDG_DATA_HOME; seconds of OpenPack.
double OpenThroughModel(const std::string& pack, int count, bool& ok) {
    TDefineDecoder model("Storage");
    model.SetBothMode(false);
    model.SetCurrentPack(kAnimatedPack);
    const double start = Monotonic();
    ok = model.OpenPack(pack + "/_define.ini") && model.SmileCount() == count;
    return Monotonic() - start;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6 + double(usage.ru_stime.tv_sec) +
           usage.ru_stime.tv_usec / 1e6;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

// Watches the main window's repaints; once a repaint of the window has painted the grid's
// viewport with cells in it, notes the clock (after the whole repaint, flush included).
class TFirstGridPaint : public QObject {
public:
    TFirstGridPaint(QWidget& window, TSmileView& grid) : window_(window), grid_(grid) {
        window_.installEventFilter(this);
        grid_.viewport()->installEventFilter(this);
    }
    double PaintedAt() const { return paintedAt_; }
    // CPU seconds of the GUI thread / of the whole process when the grid was painted.
    double GuiCpuAt() const { return guiCpuAt_; }
    double CpuAt() const { return cpuAt_; }
    std::function<void()> OnPainted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (paintedAt_ > 0) return false;
        if (timeline_ && watched == grid_.viewport() && event->type() == QEvent::Paint) {
            int32_t decoded = 0;
            for (int32_t i = 0; i < std::min<int32_t>(grid_.Count(), kFirstScreen); ++i) {
                const TSmileViewSmile* smile = grid_.Smiles().GetSmile(i);
                decoded += smile && !smile->Pending ? 1 : 0;
            }
            std::fprintf(stderr, "viewport paint at %.4f: %d of the first %d decoded\n", Monotonic(), decoded,
                         kFirstScreen);
        }
        if (watched == grid_.viewport() && event->type() == QEvent::Paint && FirstScreenDecoded()) {
            cellsPainted_ = true;
        } else if (watched == &window_ && event->type() == QEvent::UpdateRequest && !inside_) {
            // Delivers the repaint now, through every filter but this one, to see its end.
            inside_ = true;
            QCoreApplication::sendEvent(&window_, event);
            inside_ = false;
            if (cellsPainted_) {
                paintedAt_ = Monotonic();
                guiCpuAt_ = ThreadCpuSeconds();
                cpuAt_ = CpuSeconds();
                if (OnPainted) OnPainted();
            }
            return true;
        }
        return false;
    }

private:
    // The first screen's smiles have their pictures (decoded in the background at start-up).
    bool FirstScreenDecoded() const {
        if (grid_.Count() == 0) return false;
        for (int32_t i = 0; i < std::min<int32_t>(grid_.Count(), kFirstScreen); ++i) {
            const TSmileViewSmile* smile = grid_.Smiles().GetSmile(i);
            if (!smile || smile->Pending || grid_.LayoutDirty()) return false;
        }
        return true;
    }
    static constexpr int32_t kFirstScreen = 100;
    QWidget& window_;
    TSmileView& grid_;
    // BENCH_STARTUP_TIMELINE=1: every viewport paint on stderr, with how many of the first
    // screen's smiles it found decoded (where the time to the counted paint goes).
    const bool timeline_ = std::getenv("BENCH_STARTUP_TIMELINE") != nullptr;
    bool inside_ = false;
    bool cellsPainted_ = false;
    double paintedAt_ = 0;
    double guiCpuAt_ = 0;
    double cpuAt_ = 0;
};

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Spin(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The application and the main window as the program's entry builds them; closing the window
// ends the event loop.
struct TBenchEditor {
    TBenchEditor(int& argc, char** argv) : App(argc, argv), Window(Forms, "") {
        QApplication::setApplicationName("Faceloom for Tavi 2005 v3.1");
        QApplication::setQuitOnLastWindowClosed(false);
        Forms.Create(
            [this](TDragDispatcherBase* dispatcher) { Window.Grid()->SetDragDispatcher(dispatcher); });
        QObject::connect(&Window, &TManagerMain::Closed, &App,
                         [this] { QApplication::exit(Window.Refused() ? 1 : 0); });
    }
    QApplication App;
    TAppForms Forms;
    TManagerMain Window;
};

// The main window as the program's entry builds it. "start" prints "painted T" and closes the
// window the orderly way; "grid" lets it animate and prints "cpu=.. rss=.. visible=..".
int RunWindow(int& argc, char** argv, bool grid, int seconds) {
    int result = 0;
    {
        TBenchEditor editor(argc, argv);
        QApplication& app = editor.App;
        TManagerMain& window = editor.Window;
        TFirstGridPaint watch(window, *window.Grid());
        watch.OnPainted = [&] {
            QTimer::singleShot(0, &window, [&] {
                if (!grid) {
                    std::printf("painted %.6f smiles %d gui_cpu %.6f cpu %.6f\n", watch.PaintedAt(),
                                window.Grid()->Count(), watch.GuiCpuAt(), watch.CpuAt());
                    std::fflush(stdout);
                    window.close();
                    return;
                }
                // As bench_grid shows the bare grid: everything in view, settled, then measured.
                window.setGeometry(10, 30, 1900, 1560);
                Spin(1000);
                const double before = CpuSeconds();
                Spin(seconds * 1000);
                const double cpu = CpuSeconds() - before;
                const TSmileView& view = *window.Grid();
                std::printf("cpu=%.3f rss=%ld smiles=%d viewport=%dx%d total=%dx%d\n", cpu, PeakRssKb(),
                            view.Count(), view.viewport()->width(), view.viewport()->height(),
                            view.TotalWidth(), view.TotalHeight());
                std::fflush(stdout);
                window.close();
            });
        };
        // A grid that never paints cells is a failure, not a hang.
        QTimer::singleShot(120000, &app, [] {
            std::fprintf(stderr, "bench_startup: no grid painted with cells in 120 s\n");
            std::_Exit(1);
        });
        window.show();
        result = QApplication::exec();
    }
    ReleaseBuiltinPictures();
    return result;
}

// A field of /proc/self/status in KiB ("RssAnon", "VmRSS").
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    }
    return -1;
}

// The main window as the program's entry builds it, left until every smile of the pack left
// open (count of them, 0 for none) has its picture and half a second more; then prints
// "anon KiB rss KiB" and closes.
int RunMemory(int& argc, char** argv, int count) {
    int result = 0;
    {
        TBenchEditor editor(argc, argv);
        QApplication& app = editor.App;
        TManagerMain& window = editor.Window;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            const TSmileView& grid = *window.Grid();
            if (grid.Count() != count) return;
            for (int32_t i = 0; i < grid.Count(); ++i) {
                const TSmileViewSmile* smile = grid.Smiles().GetSmile(i);
                if (!smile || smile->Pending) return;
            }
            poll.stop();
            Spin(500);
            std::printf("anon %ld rss %ld\n", StatusKb("RssAnon"), StatusKb("VmRSS"));
            std::fflush(stdout);
            window.close();
        });
        poll.start(20);
        QTimer::singleShot(120000, &app, [] {
            std::fprintf(stderr, "bench_startup: the pictures were not all decoded in 120 s\n");
            std::_Exit(1);
        });
        window.show();
        result = QApplication::exec();
    }
    ReleaseBuiltinPictures();
    return result;
}

// Runs this program as a child with the given arguments and XDG_DATA_HOME; its stdout.
bool RunChild(const char* self, const std::vector<std::string>& args, const std::string& dataHome,
              std::string& output, double& startedAt) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    startedAt = Monotonic();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(self)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(self, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[512];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        output.append(buffer, size_t(got));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One start-up of the storage's pack of count smiles: seconds from fork to the painted grid.
struct TStart {
    double Seconds = 0;  // wall, from fork
    double GuiCpu = 0;   // CPU seconds of the GUI thread
    double Cpu = 0;      // CPU seconds of the process
};

bool StartOnce(const char* self, const std::string& storage, int count, TStart& start) {
    std::string output;
    double startedAt = 0;
    double painted = 0;
    int smiles = 0;
    if (!RunChild(self, {"--child", "start"}, storage, output, startedAt) ||
        std::sscanf(output.c_str(), "painted %lf smiles %d gui_cpu %lf cpu %lf", &painted, &smiles,
                    &start.GuiCpu, &start.Cpu) != 4 ||
        smiles != count) {
        std::fprintf(stderr, "bench_startup: start-up run failed (is an X server running?): %s\n",
                     output.c_str());
        return false;
    }
    start.Seconds = painted - startedAt;
    return true;
}

int CompareSizes(const char* self, const std::string& root, const std::vector<int>& sizes, int reps,
                 unsigned seed) {
    std::vector<std::string> storages;
    for (int size : sizes) {
        const std::string pack = root + "/pack" + std::to_string(size);
        storages.push_back(root + "/storage" + std::to_string(size));
        WritePack(pack, seed, size);
        setenv("XDG_DATA_HOME", storages.back().c_str(), 1);
        bool ok = false;
        OpenThroughModel(pack, size, ok);
        if (!ok) {
            std::fprintf(stderr, "bench_startup: the generated pack of %d did not open\n", size);
            return 1;
        }
    }
    // A start-up of each first, not counted: the files are then in the page cache for all.
    TStart start;
    for (size_t k = 0; k < sizes.size(); ++k) {
        if (!StartOnce(self, storages[k], sizes[k], start)) return 1;
    }
    std::vector<std::vector<double>> times(sizes.size()), guiCpu(sizes.size()), cpu(sizes.size());
    std::vector<std::vector<double>> ratios(sizes.size());
    for (int rep = 0; rep < reps; ++rep) {
        std::vector<TStart> now(sizes.size());
        for (size_t turn = 0; turn < sizes.size(); ++turn) {
            const size_t k = (turn + size_t(rep)) % sizes.size();
            if (!StartOnce(self, storages[k], sizes[k], now[k])) return 1;
            times[k].push_back(now[k].Seconds);
            guiCpu[k].push_back(now[k].GuiCpu);
            cpu[k].push_back(now[k].Cpu);
        }
        std::printf("rep %d:", rep + 1);
        for (size_t k = 0; k < sizes.size(); ++k) {
            ratios[k].push_back(now[k].Seconds / now[0].Seconds);
            std::printf("  %d: %.3f s (gui cpu %.3f s)", sizes[k], now[k].Seconds, now[k].GuiCpu);
        }
        std::printf("\n");
    }
    // CPU seconds up to the paint vary far less than wall time on a machine shared with other
    // work: they show what the size itself costs.
    for (size_t k = 0; k < sizes.size(); ++k) {
        const auto [low, high] = std::minmax_element(ratios[k].begin(), ratios[k].end());
        std::printf(
            "start-up at %d: median %.3f s of %d; to %d: %.3f (median of the reps' ratios, %.3f..%.3f), "
            "%.3f (ratio of the medians); cpu to the paint: gui thread %.3f s (%.3f), process %.3f s "
            "(%.3f)\n",
            sizes[k], Median(times[k]), reps, sizes[0], Median(ratios[k]), *low, *high,
            Median(times[k]) / Median(times[0]), Median(guiCpu[k]), Median(guiCpu[k]) / Median(guiCpu[0]),
            Median(cpu[k]), Median(cpu[k]) / Median(cpu[0]));
    }
    std::fflush(stdout);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}

// The memory the pack adds to the editor: its resident anonymous memory with the pack's
// pictures all decoded minus that with no pack, the two started in turns.
int CompareMemory(const char* self, const std::string& root, const std::string& storage, int reps) {
    const std::string empty = root + "/empty";
    std::vector<double> added;
    for (int rep = 0; rep < reps; ++rep) {
        long anon[2] = {0, 0}, rss[2] = {0, 0};
        for (int turn = 0; turn < 2; ++turn) {
            const int k = (turn + rep) % 2;  // 0: the pack, 1: no pack
            std::string output;
            double startedAt = 0;
            std::vector<std::string> args{"--child", "memory", "--smiles", std::to_string(smileCount)};
            if (k == 0) args.insert(args.end(), {"--pack", "yes"});
            if (!RunChild(self, args, k == 0 ? storage : empty, output, startedAt) ||
                std::sscanf(output.c_str(), "anon %ld rss %ld", &anon[k], &rss[k]) != 2) {
                std::fprintf(stderr, "bench_startup: memory run failed: %s\n", output.c_str());
                return 1;
            }
        }
        added.push_back(double(anon[0] - anon[1]) * 1024);
        std::printf("rep %d: with the pack %ld KiB, without %ld KiB anonymous (%ld / %ld KiB resident)\n",
                    rep + 1, anon[0], anon[1], rss[0], rss[1]);
    }
    std::printf("memory the pack of %d adds to the editor: median %.2f MB of %d\n", smileCount,
                Median(added) / 1e6, reps);
    std::fflush(stdout);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 5;
    int gridSeconds = 0;
    int seconds = 10;
    unsigned seed = 2005;
    std::string child;
    std::string pack;
    std::vector<int> sizes;
    bool memory = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--grid-seconds" && i + 1 < argc) {
            gridSeconds = std::atoi(argv[++i]);
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--child" && i + 1 < argc) {
            child = argv[++i];
        } else if (arg == "--smiles" && i + 1 < argc) {
            smileCount = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--pack" && i + 1 < argc) {
            pack = argv[++i];
        } else if (arg == "--memory") {
            memory = true;
        } else if (arg == "--sizes" && i + 1 < argc) {
            for (const char* at = argv[++i]; *at;) {
                char* end = nullptr;
                const long size = std::strtol(at, &end, 10);
                if (end == at || size < 1) break;
                sizes.push_back(int(size));
                at = *end == ',' ? end + 1 : end;
            }
        } else {
            std::fprintf(stderr,
                         "usage: bench_startup [--reps N] [--seed N] [--smiles N] [--grid-seconds N]\n"
                         "       bench_startup --sizes N1,N2,... [--reps N] [--seed N]\n"
                         "       bench_startup --memory [--smiles N] [--reps N] [--seed N]\n");
            return 2;
        }
    }
    if (child == "start" || child == "grid") return RunWindow(argc, argv, child == "grid", seconds);
    if (child == "memory") return RunMemory(argc, argv, pack.empty() ? 0 : smileCount);
    if (child == "open") {
        bool ok = false;
        const double open = OpenThroughModel(pack, smileCount, ok);
        if (!ok) return 1;
        std::printf("open %.6f\n", open);
        return 0;
    }

    std::string root = (std::filesystem::temp_directory_path() / "faceloom-bench-startup-XXXXXX").string();
    if (!mkdtemp(root.data())) return 1;
    // The instance lock lies here, away from a running editor's.
    setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    pack = root + "/pack";
    const std::string storage = root + "/storage";
    if (!sizes.empty()) return CompareSizes(argv[0], root, sizes, reps, seed);
    WritePack(pack, seed, smileCount);
    // The previous run: the pack opened into the storage and left there.
    setenv("XDG_DATA_HOME", storage.c_str(), 1);
    bool ok = false;
    OpenThroughModel(pack, smileCount, ok);
    if (!ok) {
        std::fprintf(stderr, "bench_startup: the generated pack did not open\n");
        return 1;
    }
    if (memory) return CompareMemory(argv[0], root, storage, reps);

    std::vector<double> starts;
    std::vector<double> opens;
    for (int rep = 0; rep < reps; ++rep) {
        std::string output;
        double startedAt = 0;
        double painted = 0;
        int smiles = 0;
        if (!RunChild(argv[0], {"--child", "start"}, storage, output, startedAt) ||
            std::sscanf(output.c_str(), "painted %lf smiles %d", &painted, &smiles) != 2 ||
            smiles != smileCount) {
            std::fprintf(stderr, "bench_startup: start-up run failed (is an X server running?): %s\n",
                         output.c_str());
            return 1;
        }
        starts.push_back(painted - startedAt);

        // A throwaway storage for each open, so every open starts from nothing.
        const std::string scratch = root + "/scratch" + std::to_string(rep);
        output.clear();
        double open = 0;
        if (!RunChild(argv[0], {"--child", "open", "--pack", pack, "--smiles", std::to_string(smileCount)},
                      scratch, output, startedAt) ||
            std::sscanf(output.c_str(), "open %lf", &open) != 1) {
            std::fprintf(stderr, "bench_startup: OpenPack run failed\n");
            return 1;
        }
        opens.push_back(open);
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
        std::printf("rep %d: start-up %.3f s  OpenPack %.3f s\n", rep + 1, starts.back(), open);
    }
    const double start = Median(starts);
    const double open = Median(opens);
    std::printf("start-up: median %.3f s of %d\n", start, reps);
    std::printf("OpenPack: median %.3f s of %d\n", open, reps);
    std::printf("ratio start-up/OpenPack: %.3f\n", open > 0 ? start / open : 0.0);

    if (gridSeconds > 0) {
        std::string output;
        double startedAt = 0;
        double cpu = 0;
        long rss = 0;
        if (!RunChild(argv[0], {"--child", "grid", "--seconds", std::to_string(gridSeconds)}, storage, output,
                      startedAt) ||
            std::sscanf(output.c_str(), "cpu=%lf rss=%ld", &cpu, &rss) != 2) {
            std::fprintf(stderr, "bench_startup: grid run failed: %s\n", output.c_str());
            return 1;
        }
        std::string layout = output.substr(output.find("smiles="));
        while (!layout.empty() && layout.back() == '\n') layout.pop_back();
        std::printf("main window grid: cpu %.3f s  peak rss %ld KiB  (%s)\n", cpu, rss, layout.c_str());
    }
    std::fflush(stdout);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
