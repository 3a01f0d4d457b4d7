#include "program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/temp_dir.h"

extern char** environ;

namespace faceloom::test {

namespace {

std::vector<std::string> ChildEnvironment(const EnvOverrides& overrides) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (overrides.count(name) == 0) env.push_back(text);
    }
    for (const auto& [name, value] : overrides) env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Forks and execs the program with stdout and stderr on the given descriptors.
pid_t Spawn(const std::vector<std::string>& args, const EnvOverrides& overrides, int outFd, int errFd) {
    std::vector<std::string> argv = {PackProgram()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = ChildEnvironment(overrides);
    std::vector<char*> argvPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(env);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        // The child starts with default signal handling whatever the test runner set.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, STDIN_FILENO);
        execve(argvPointers[0], argvPointers.data(), envPointers.data());
        _exit(127);
    }
    return pid;
}

void Decode(int status, ProgramResult& result) {
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.termSignal = WTERMSIG(status);
}

}  // namespace

std::string PackProgram() {
    return FACELOOM_PACK_EXE;
}

ProgramResult RunPack(const std::vector<std::string>& args, const EnvOverrides& env) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = Spawn(args, env, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);

    ProgramResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Decode(status, result);
    return result;
}

RunningProgram::RunningProgram(const std::vector<std::string>& args, const EnvOverrides& env,
                               const std::string& outputFolder)
    : outPath_(outputFolder + "/stdout.txt"), errPath_(outputFolder + "/stderr.txt") {
    const int outFd = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (outFd < 0 || errFd < 0) throw std::runtime_error("cannot create the output files");
    pid_ = Spawn(args, env, outFd, errFd);
    close(outFd);
    close(errFd);
}

RunningProgram::~RunningProgram() {
    if (!done_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
}

bool RunningProgram::Running() {
    if (done_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) done_ = true;
    return !done_;
}

void RunningProgram::Signal(int signal) {
    if (!done_) kill(pid_, signal);
}

ProgramResult RunningProgram::Wait() {
    if (!done_) {
        waitpid(pid_, &status_, 0);
        done_ = true;
    }
    ProgramResult result;
    Decode(status_, result);
    result.out = ReadBytes(outPath_);
    result.err = ReadBytes(errPath_);
    return result;
}

}  // namespace faceloom::test
