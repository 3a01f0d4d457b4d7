#include "app/startup/stop_signals.h"

#include <QPointer>
#include <QSocketNotifier>

#ifndef _WIN32
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#endif

namespace faceloom {

#ifndef _WIN32

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP};

// The write end of the socket pair of the listening object; -1 when none listens.
std::atomic<int> gWriteFd{-1};

extern "C" void OnStopSignal(int signal) {
    const int saved = errno;
    const int fd = gWriteFd.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        // A full socket already holds a request; nothing more to say.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

struct TStopSignals::TSaved {
    struct sigaction previous[std::size(kSignals)];
};

TStopSignals::TStopSignals(QObject* parent) : QObject(parent), saved_(std::make_unique<TSaved>()) {
    if (gWriteFd.load() >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    int expected = -1;
    if (!gWriteFd.compare_exchange_strong(expected, fds_[1])) {
        ::close(fds_[0]);
        ::close(fds_[1]);
        fds_[0] = fds_[1] = -1;
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadPending(); });
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &saved_->previous[i]);
    listening_ = true;
}

TStopSignals::~TStopSignals() {
    if (!listening_) return;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &saved_->previous[i], nullptr);
    gWriteFd.store(-1);
    notifier_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void TStopSignals::ReadPending() {
    unsigned char bytes[16];
    for (;;) {
        const ssize_t count = ::read(fds_[0], bytes, sizeof bytes);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        // A receiver may end this object while it handles the request.
        const QPointer<TStopSignals> alive(this);
        for (ssize_t i = 0; i < count && alive; ++i) emit StopRequested(bytes[i]);
        if (!alive) return;
    }
}

#else

// Windows ends a GUI program through the session messages Qt already turns into events.
struct TStopSignals::TSaved {};
TStopSignals::TStopSignals(QObject* parent) : QObject(parent) {}
TStopSignals::~TStopSignals() = default;
void TStopSignals::ReadPending() {}

#endif

}  // namespace faceloom
