// bench_grid: 500 animated smiles on a real X server, shown by the smile grid and, as the
// baseline, by 500 QLabels each playing its GIF with a QMovie; and the grid again with a
// caption under every smile, against the grid without them.
//
//   bench_grid [--seconds N] [--seed N] [--folder DIR]   generates the pack (kept in DIR when
//                                                         given), runs all three and compares
//   bench_grid --child grid|captions|movie --folder DIR --seconds N    one measured run
//
// Each side runs in a process of its own so that its CPU time and peak RSS are its own. A
// child loads the 500 GIFs, shows them all in one window, lets them animate for one second to
// settle, then measures N seconds: CPU seconds (user + system, getrusage) of that window, and
// the process's peak RSS. The grid keeps every frame of every smile decoded; QMovie decodes
// as it plays. Start it under an X server (bench/grid_bench.sh starts Xvfb).
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QMovie>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "pictures/gif_decoder.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "support/bench_smile.h"
#include "support/gif_writer.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace {

using namespace faceloom;

constexpr int kSmiles = 500;
constexpr int kColumns = 25;

std::string SmileFile(const QString& folder, int i) {
    return QDir(folder).filePath(QString("smile%1.gif").arg(i, 3, 10, QChar('0'))).toStdString();
}

struct TUsage {
    double cpu = 0;
    long maxRssKb = 0;
};

TUsage Usage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    TUsage result;
    result.cpu = double(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6 +
                 double(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6;
    result.maxRssKb = usage.ru_maxrss;
    return result;
}

// Runs the event loop for a while, as an application idles between events.
void Spin(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Shows everything, settles for a second, measures `seconds`, prints "cpu=.. rss=.. extra".
int MeasureShown(QWidget& window, int seconds, const std::string& extra) {
    window.show();
    Spin(1000);
    const TUsage before = Usage();
    Spin(seconds * 1000);
    const TUsage after = Usage();
    std::printf("cpu=%.3f rss=%ld %s\n", after.cpu - before.cpu, after.maxRssKb, extra.c_str());
    std::fflush(stdout);
    return 0;
}

int RunGrid(const QString& folder, int seconds, bool captions) {
    std::vector<TRef<TPictureDecoder>> pictures;
    for (int i = 0; i < kSmiles; ++i) {
        TRef<TPictureDecoder> picture(new TGifDecoder(SmileFile(folder, i)));
        picture->WantSmileBitmaps = true;
        picture->WantTransparent = true;
        picture->Decode();
        pictures.push_back(std::move(picture));
    }
    TSmileView grid;
    grid.SetRowWidth(kColumns);
    grid.SetAllowHotTrack(true);
    grid.SetAllowSelecting(true);
    grid.SetShowSignatures(captions);
    for (size_t i = 0; i < pictures.size(); ++i) {
        auto* smile = new TSmileViewSmile();
        smile->SetPicture(pictures[i].get());
        // Signatures of the lengths packs use, all different.
        grid.Smiles().AddObject(captions ? QString(":smile%1:").arg(i) : QString(), smile);
    }
    grid.SetActive(true);
    grid.resize(grid.TotalWidth(), grid.TotalHeight());
    // What the decoded frames hold: pixels, headers with colour tables (each shared one
    // counted once) and masks.
    int frames = 0;
    size_t pixelBytes = 0;
    size_t headerBytes = 0;
    size_t maskBytes = 0;
    std::unordered_set<const uint8_t*> headers;
    for (const auto& picture : pictures) {
        for (int32_t f = 0; f < picture->GetFrameCount(); ++f, ++frames) {
            const TSmileBitmap* frame = picture->GetSmileBitmap(f);
            if (!frame) continue;
            if (headers.insert(frame->Header.data()).second) headerBytes += frame->Header.size();
            if (headers.insert(frame->MaskHeader.data()).second) headerBytes += frame->MaskHeader.size();
            maskBytes += frame->MaskBits.size();
            if (auto* bits8 = dynamic_cast<const TSmileBitmap8*>(frame)) pixelBytes += bits8->Pixels.size();
            if (auto* bits32 = dynamic_cast<const TSmileBitmap32*>(frame))
                pixelBytes += bits32->Pixels.size() * 4;
        }
    }
    const int result =
        MeasureShown(grid, seconds,
                     "frames=" + std::to_string(frames) + " pixels=" + std::to_string(pixelBytes / 1024) +
                         "KiB headers=" + std::to_string(headerBytes / 1024) +
                         "KiB masks=" + std::to_string(maskBytes / 1024) + "KiB");
    grid.SetActive(false);
    return result;
}

int RunMovies(const QString& folder, int seconds) {
    QWidget window;
    auto* layout = new QGridLayout(&window);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    std::vector<std::unique_ptr<QMovie>> movies;
    for (int i = 0; i < kSmiles; ++i) {
        auto movie = std::make_unique<QMovie>(QString::fromStdString(SmileFile(folder, i)));
        auto* label = new QLabel(&window);
        label->setMovie(movie.get());
        layout->addWidget(label, i / kColumns, i % kColumns);
        movie->start();
        movies.push_back(std::move(movie));
    }
    return MeasureShown(window, seconds, "");
}

struct TResult {
    double cpu = 0;
    long rss = 0;
};

bool RunChild(const char* self, const char* mode, const QString& folder, int seconds, TResult& result) {
    const std::string command = std::string("'") + self + "' --child " + mode + " --folder '" +
                                folder.toStdString() + "' --seconds " + std::to_string(seconds);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char line[256] = {};
    bool ok = false;
    while (std::fgets(line, sizeof line, pipe)) {
        if (std::sscanf(line, "cpu=%lf rss=%ld", &result.cpu, &result.rss) == 2) ok = true;
    }
    return pclose(pipe) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    unsigned seed = 2005;
    std::string child;
    QString folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--child" && i + 1 < argc) {
            child = argv[++i];
        } else if (arg == "--folder" && i + 1 < argc) {
            folder = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench_grid [--seconds N] [--seed N]\n");
            return 2;
        }
    }
    if (!child.empty()) {
        QApplication app(argc, argv);
        if (child == "movie") return RunMovies(folder, seconds);
        return RunGrid(folder, seconds, child == "captions");
    }

    // --folder without --child keeps the generated pack there (for profiling one side).
    QTemporaryDir pack(QDir::tempPath() + "/faceloom-bench-grid-XXXXXX");
    if (!pack.isValid()) return 1;
    if (folder.isEmpty()) folder = pack.path();
    QDir().mkpath(folder);
    std::mt19937 random(seed);
    for (int i = 0; i < kSmiles; ++i) test::WriteGifFile(SmileFile(folder, i), MakeBenchSmile(random));

    TResult grid;
    TResult captions;
    TResult movies;
    if (!RunChild(argv[0], "grid", folder, seconds, grid) ||
        !RunChild(argv[0], "captions", folder, seconds, captions) ||
        !RunChild(argv[0], "movie", folder, seconds, movies)) {
        std::fprintf(stderr, "bench_grid: a measured run failed (is an X server running?)\n");
        return 1;
    }
    std::printf("smiles %d, %d s shown\n", kSmiles, seconds);
    std::printf("grid:   cpu %.3f s  peak rss %ld KiB\n", grid.cpu, grid.rss);
    std::printf("QMovie: cpu %.3f s  peak rss %ld KiB\n", movies.cpu, movies.rss);
    std::printf("ratio grid/QMovie: cpu %.3f  rss %.3f\n", movies.cpu > 0 ? grid.cpu / movies.cpu : 0.0,
                movies.rss > 0 ? double(grid.rss) / double(movies.rss) : 0.0);
    std::printf("captions: cpu %.3f s  peak rss %ld KiB\n", captions.cpu, captions.rss);
    std::printf("ratio captions/grid: cpu %.3f\n", grid.cpu > 0 ? captions.cpu / grid.cpu : 0.0);
    return 0;
}
