// faceloom-handover-sender: plays the sibling program that starts the editor on a pack of its
// own. It creates the acknowledgement event, starts PROGRAM in a child that first writes the
// hand-over block for its own process id (the id stays the same across exec), then waits for
// the event and reports whether the program read the block.
//
//   faceloom-handover-sender [--unique-names] [--timeout-ms N] [--detach]
//                            BASE_FOLDER PACK_FOLDER -- PROGRAM [ARGUMENT...]
//
// --unique-names  suffixes the block's and the event's names with "-handover-<pid>" and tells
//                 the child in FACELOOM_HANDOVER_SUFFIX, so runs side by side never meet;
//                 without it the names are the program's own ("/FaceloomFile",
//                 "/FaceloomEvent").
// --timeout-ms N  how long to wait for the acknowledgement (default 10000); the child is
//                 stopped when it does not come.
// --detach        return once acknowledged instead of waiting for the child to end.
//
// Exit status: 0 acknowledged (and, unless detached, the child ended with 0); 1 not
// acknowledged or the child failed; 2 wrong arguments or a system error.
#include <fcntl.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/hand_over.h"

namespace {

void PutLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Block(uint32_t pid, const std::string& base, const std::string& pack) {
    std::string out;
    PutLe32(out, pid);
    PutLe32(out, static_cast<uint32_t>(base.size()));
    PutLe32(out, static_cast<uint32_t>(pack.size()));
    out += base;
    out += '\0';
    out += pack;
    out += '\0';
    return out;
}

bool WriteBlock(const std::string& name, const std::string& bytes) {
    const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<size_t>(put);
    }
    ::close(fd);
    return done == bytes.size();
}

int Usage() {
    std::fprintf(stderr,
                 "usage: faceloom-handover-sender [--unique-names] [--timeout-ms N] [--detach] "
                 "BASE_FOLDER PACK_FOLDER -- PROGRAM [ARGUMENT...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool uniqueNames = false;
    bool detach = false;
    long timeoutMs = 10000;
    std::vector<std::string> folders;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--unique-names") {
            uniqueNames = true;
        } else if (arg == "--detach") {
            detach = true;
        } else if (arg == "--timeout-ms" && i + 1 < argc) {
            char* end = nullptr;
            timeoutMs = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || timeoutMs < 0) return Usage();
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.size() != 2 || i >= argc) return Usage();
    char** program = argv + i;

    const std::string suffix = uniqueNames ? "-handover-" + std::to_string(::getpid()) : std::string();
    const faceloom::THandOverNames names = faceloom::HandOverNames(suffix);
    const std::string blockName = "/" + names.Block;
    const std::string eventName = "/" + names.Event;

    // A fresh event: one left over from an earlier run could hold a stale acknowledgement.
    ::sem_unlink(eventName.c_str());
    sem_t* event = ::sem_open(eventName.c_str(), O_CREAT | O_EXCL, 0600, 0);
    if (event == SEM_FAILED) {
        std::fprintf(stderr, "cannot create the event %s: %s\n", eventName.c_str(), std::strerror(errno));
        return 2;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        ::sem_close(event);
        ::sem_unlink(eventName.c_str());
        return 2;
    }
    if (child == 0) {
        if (!WriteBlock(blockName, Block(static_cast<uint32_t>(::getpid()), folders[0], folders[1]))) {
            std::fprintf(stderr, "cannot write the block %s: %s\n", blockName.c_str(), std::strerror(errno));
            ::_exit(127);
        }
        if (uniqueNames) ::setenv("FACELOOM_HANDOVER_SUFFIX", suffix.c_str(), 1);
        ::execvp(program[0], program);
        std::fprintf(stderr, "cannot start %s: %s\n", program[0], std::strerror(errno));
        ::_exit(127);
    }

    // Polled, so that a child that ends without acknowledging is reported at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool acknowledged = false;
    bool ended = false;
    int status = 0;
    while (!acknowledged) {
        if (::sem_trywait(event) == 0) {
            acknowledged = true;
            break;
        }
        if (::waitpid(child, &status, WNOHANG) == child) {
            ended = true;
            acknowledged = ::sem_trywait(event) == 0;  // posted just before it ended
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::shm_unlink(blockName.c_str());
    ::sem_close(event);
    ::sem_unlink(eventName.c_str());

    if (!acknowledged) {
        if (ended) {
            std::printf("pid %d ended without acknowledging the hand-over\n", static_cast<int>(child));
        } else {
            std::printf("no acknowledgement from pid %d within %ld ms; stopping it\n",
                        static_cast<int>(child), timeoutMs);
            ::kill(child, SIGTERM);
            ::waitpid(child, &status, 0);
        }
        return 1;
    }
    std::printf("acknowledged: pid %d read the hand-over\n", static_cast<int>(child));
    std::fflush(stdout);
    if (detach) return 0;
    if (!ended && ::waitpid(child, &status, 0) != child) return 2;
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::printf("pid %d ended with %s %d\n", static_cast<int>(child), WIFEXITED(status) ? "status" : "signal",
                WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    return ok ? 0 : 1;
}
