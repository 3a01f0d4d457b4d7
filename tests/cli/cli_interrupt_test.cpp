// An interrupted run removes its temporary storage and leaves the pack as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli_fixture.h"
#include "support/pack_builder.h"

namespace faceloom::test {
namespace {

constexpr int kLargePack = 3000;

class InterruptTest : public CliTest, public ::testing::WithParamInterface<int> {
protected:
    // The working copy of the run, once the program has made it.
    std::filesystem::path WorkingDefine() const {
        for (const auto& entry : std::filesystem::directory_iterator(ProgramTemp().path())) {
            const auto define =
                entry.path() / "Faceloom for Tavi 2005" / "3.0" / "Storage" / "Animated" / "_define.ini";
            if (std::filesystem::exists(define)) return define;
        }
        return {};
    }
};

TEST_P(InterruptTest, SignalDuringCheckOfALargePackRemovesTheStorage) {
    const int signal = GetParam();
    const std::string pack = PackFolder("large");
    std::string define;
    for (int i = 0; i < kLargePack; ++i) {
        WriteBytes(pack + "/" + CanonicalName(i) + ".gif", GifBytes(8, 8, 1, i % 7));
        define += ":" + std::to_string(i) + "\r\n";
    }
    WriteDefine(pack, define);
    const auto before = Snapshot(pack);

    RunningProgram program({"check", pack}, Env(), Work().folder());
    // Signal once the program works on the pack: its definition is in the working copy, the
    // pictures are still being copied, renamed or decoded.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (WorkingDefine().empty() && program.Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(program.Running()) << "the check ended before it could be interrupted";
    ASSERT_FALSE(WorkingDefine().empty());
    program.Signal(signal);
    const ProgramResult result = program.Wait();

    EXPECT_EQ(result.termSignal, signal) << "exit code " << result.exitCode << ", " << result.err;
    EXPECT_EQ(result.err, "faceloom-pack: interrupted\n");
    EXPECT_TRUE(LeftInTemp().empty());
    EXPECT_EQ(Snapshot(pack), before);
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGINT ? std::string("Sigint") : std::string("Sigterm");
                         });

}  // namespace
}  // namespace faceloom::test
