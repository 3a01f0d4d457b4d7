#pragma once

#include <chrono>
#include <string>

namespace faceloom {

// A fresh folder for one benchmark run, under $FACELOOM_BENCH_DIR when set (e.g. /dev/shm to
// leave the disk out), else under the system temp folder; its "home" sub-folder is made the
// per-user data folder, so the model's storage lies inside it. With a trailing separator.
std::string MakeBenchRoot(const std::string& name);

// Seconds since from, on the steady clock.
inline double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace faceloom
