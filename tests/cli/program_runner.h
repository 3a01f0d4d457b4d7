#pragma once

// Runs the built faceloom-pack as a child process and captures what it did.

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace faceloom::test {

struct ProgramResult {
    int exitCode = -1;   // when it exited
    int termSignal = 0;  // when a signal ended it
    std::string out;
    std::string err;
};

// Environment changes for the child: name -> value.
using EnvOverrides = std::map<std::string, std::string>;

// The path of the program under test.
std::string PackProgram();

// Runs faceloom-pack with args (after the program name) and waits for it.
ProgramResult RunPack(const std::vector<std::string>& args, const EnvOverrides& env = {});

// A running child whose output goes to files (so it never blocks on a full pipe).
class RunningProgram {
public:
    RunningProgram(const std::vector<std::string>& args, const EnvOverrides& env,
                   const std::string& outputFolder);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    pid_t pid() const { return pid_; }
    // Whether it is still running (not yet waited for).
    bool Running();
    void Signal(int signal);
    // Waits for the end and collects the output.
    ProgramResult Wait();

private:
    pid_t pid_ = -1;
    bool done_ = false;
    int status_ = 0;
    std::string outPath_;
    std::string errPath_;
};

}  // namespace faceloom::test
