#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace faceloom {

// Turns SIGTERM and SIGHUP into StopRequested on the thread that made the object (the GUI
// thread), so that a `kill` or a closed terminal ends the program through the same orderly stop
// as closing the main window, and an unclosed pack is in the storage at the next start. The
// signal handler only writes one byte to a socket pair; everything else happens in the event
// loop. One object at a time; its destruction puts the previous handlers back.
class TStopSignals : public QObject {
    Q_OBJECT

public:
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // False when the handlers could not be installed (another object holds them, or the host
    // refused the socket pair); the signals then keep their previous effect.
    bool IsListening() const { return listening_; }

signals:
    // signal: SIGTERM or SIGHUP. Several signals before the loop runs may arrive as several
    // requests; the receiver must tolerate a request while it is already stopping.
    void StopRequested(int signal);

private:
    void ReadPending();

    bool listening_ = false;
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct TSaved;
    std::unique_ptr<TSaved> saved_;
};

}  // namespace faceloom
