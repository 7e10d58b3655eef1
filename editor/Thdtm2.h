#pragma once
// TThreadedTimer: a timer paced by a thread of its own, so that intervals
// down to one millisecond are kept, which the window system's timer cannot
// do.  The thread only sleeps; each tick runs on the GUI thread, and the next
// sleep starts once the tick has run, so ticks never pile up.  The first tick
// comes one interval after the timer starts.
//
// The timer runs while it is enabled, has an interval above 0 and has a
// handler; otherwise its thread is idle.  Setting any of these runs
// UpdateTimer.
#include <QObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class TThreadedTimer;

using TThreadPriority = QThread::Priority;
using TTimerEvent = std::function<void(TThreadedTimer *Sender)>;

// The worker: sleeps the interval, hands the tick to the GUI thread, waits
// for it to have run.
class TTimerThread : public QThread {
    Q_OBJECT
public:
    explicit TTimerThread(TThreadedTimer &owner);
    ~TTimerThread() override;

    // Called on the GUI thread.
    void setRunning(bool running);
    void tickDone();

protected:
    void run() override;

private:
    TThreadedTimer &owner_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;
    bool terminated_ = false;
    bool tickPending_ = false;
};

class TThreadedTimer : public QObject {
    Q_OBJECT
public:
    explicit TThreadedTimer(QObject *owner = nullptr);
    ~TThreadedTimer() override;

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    std::uint16_t Interval() const { return interval_; }
    void setInterval(std::uint16_t milliseconds);
    TThreadPriority ThreadPriority() const { return priority_; }
    // Taken by the thread once, when it first runs.
    void setThreadPriority(TThreadPriority priority);
    const TTimerEvent &OnTimer() const { return onTimer_; }
    void setOnTimer(TTimerEvent handler);

private:
    friend class TTimerThread;
    void UpdateTimer();
    bool wanted() const { return enabled_ && interval_ != 0 && onTimer_; }
    // On the GUI thread: one tick.
    void Timer();
    // Read by the worker thread.
    std::uint16_t sleepInterval() const;

    bool enabled_ = true;
    std::atomic<std::uint16_t> interval_{1000};
    TThreadPriority priority_ = QThread::NormalPriority;
    TTimerEvent onTimer_;
    std::unique_ptr<TTimerThread> thread_;
};
