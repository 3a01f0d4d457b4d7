#include "app/startup/stop_signals.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <thread>
#include <vector>

namespace faceloom {
namespace {

// Records each request with whether it came on the GUI thread.
struct TRecorder {
    std::vector<int> received;
    bool onGuiThread = true;
    void Connect(TStopSignals& stop) {
        QObject::connect(&stop, &TStopSignals::StopRequested, [this](int signal) {
            received.push_back(signal);
            onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        });
    }
};

TEST(StopSignals, SignalsHandledOnAnyThreadArriveOnTheGuiThread) {
    TStopSignals stop;
    ASSERT_TRUE(stop.IsListening());
    TRecorder recorder;
    recorder.Connect(stop);

    // To the process, as `kill` sends it.
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.received.size() == 1; }, 5000));

    // To a worker thread, so that the handler surely runs away from the GUI thread.
    std::thread worker([] {
        ASSERT_EQ(::pthread_kill(::pthread_self(), SIGHUP), 0);
        ASSERT_EQ(::pthread_kill(::pthread_self(), SIGTERM), 0);
    });
    worker.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.received.size() == 3; }, 5000));
    EXPECT_EQ(recorder.received, (std::vector<int>{SIGTERM, SIGHUP, SIGTERM}));
    EXPECT_TRUE(recorder.onGuiThread);
}

extern "C" void IgnoreForTest(int) {}

TEST(StopSignals, OneListenerAtATimeAndThePreviousHandlersComeBack) {
    struct sigaction mine = {};
    mine.sa_handler = IgnoreForTest;
    sigemptyset(&mine.sa_mask);
    struct sigaction oldTerm = {}, oldHup = {};
    ASSERT_EQ(sigaction(SIGTERM, &mine, &oldTerm), 0);
    ASSERT_EQ(sigaction(SIGHUP, &mine, &oldHup), 0);
    {
        TStopSignals first;
        TStopSignals second;
        EXPECT_TRUE(first.IsListening());
        EXPECT_FALSE(second.IsListening());
        struct sigaction now = {};
        sigaction(SIGTERM, nullptr, &now);
        EXPECT_NE(now.sa_handler, &IgnoreForTest);
    }
    for (int signal : {SIGTERM, SIGHUP}) {
        struct sigaction now = {};
        sigaction(signal, nullptr, &now);
        EXPECT_EQ(now.sa_handler, &IgnoreForTest) << signal;
    }
    // Free again for the next listener.
    EXPECT_TRUE(TStopSignals().IsListening());
    sigaction(SIGTERM, &oldTerm, nullptr);
    sigaction(SIGHUP, &oldHup, nullptr);
}

}  // namespace
}  // namespace faceloom
