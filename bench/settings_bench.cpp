// Applying the visual settings: twelve keys of "config.ini" written one by one (a rewrite and a
// disk flush each) against the same twelve in one batch (one rewrite, one flush). The file
// lies on the disk of the current folder, where flushes cost what they cost the user.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "storage/settings_file.h"

namespace faceloom {
namespace {

class TBenchFolder {
public:
    TBenchFolder() {
        std::string pattern = (std::filesystem::current_path() / "settings-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern + "/";
    }
    ~TBenchFolder() { std::filesystem::remove_all(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The dialog's values; round alternates them so that every key really changes.
void Visual(int round, auto&& writeInteger, auto&& writeString, auto&& writeBool) {
    const int32_t v = round % 2;
    writeInteger("RowWidth", 10 + v);
    writeString("FontName", v ? "Verdana" : "Tahoma");
    writeInteger("FontHeight", -11 - v);
    writeInteger("BackgroundColor", 1 + v);
    writeInteger("HotTrackColor", -16777208 + v);
    writeInteger("FontCharset", 16777215 - v);
    writeInteger("FontColor", 16773360 - v);
    writeInteger("HotTrackBorderColor", 16744576 - v);
    writeBool("FontBold", v);
    writeBool("FontItalic", !v);
    writeBool("FontUnderline", v);
    writeBool("FontStrikeOut", !v);
}

void BM_VisualSettingsKeyByKey(benchmark::State& state) {
    TBenchFolder folder;
    TSettingsSection settings(folder.Path() + "config.ini", "Options", "config.ini");
    int round = 0;
    for (auto _ : state) {
        Visual(
            ++round, [&](const char* k, int32_t v) { settings.WriteInteger(k, v); },
            [&](const char* k, const char* v) { settings.WriteString(k, v); },
            [&](const char* k, bool v) { settings.WriteBool(k, v); });
    }
}
BENCHMARK(BM_VisualSettingsKeyByKey)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3);

void BM_VisualSettingsBatch(benchmark::State& state) {
    TBenchFolder folder;
    TSettingsSection settings(folder.Path() + "config.ini", "Options", "config.ini");
    int round = 0;
    for (auto _ : state) {
        TSettingsBatch batch;
        Visual(
            ++round, [&](const char* k, int32_t v) { batch.WriteInteger(k, v); },
            [&](const char* k, const char* v) { batch.WriteString(k, v); },
            [&](const char* k, bool v) { batch.WriteBool(k, v); });
        settings.Write(batch);
    }
}
BENCHMARK(BM_VisualSettingsBatch)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3);

}  // namespace
}  // namespace faceloom

BENCHMARK_MAIN();
