#include "Thdtm2.h"

#include "ErrorBoundary.h"

#include <chrono>

// ---- TTimerThread ------------------------------------------------------------------

TTimerThread::TTimerThread(TThreadedTimer &owner) : owner_(owner) {}

TTimerThread::~TTimerThread()
{
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    wake_.notify_all();
    wait();
}

void TTimerThread::setRunning(bool running)
{
    {
        std::lock_guard lock(mutex_);
        running_ = running;
    }
    wake_.notify_all();
}

void TTimerThread::tickDone()
{
    {
        std::lock_guard lock(mutex_);
        tickPending_ = false;
    }
    wake_.notify_all();
}

void TTimerThread::run()
{
    std::unique_lock lock(mutex_);
    while (!terminated_) {
        // idle while stopped, and until the last tick has run
        wake_.wait(lock, [this] { return terminated_ || (running_ && !tickPending_); });
        if (terminated_)
            break;
        // the sleep ends early when the timer stops
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(owner_.sleepInterval());
        if (wake_.wait_until(lock, deadline, [this] { return terminated_ || !running_; }))
            continue;
        tickPending_ = true;
        lock.unlock();
        // a tick still queued when the timer goes is dropped with it
        QMetaObject::invokeMethod(&owner_, [timer = &owner_] { timer->Timer(); }, Qt::QueuedConnection);
        lock.lock();
    }
}

// ---- TThreadedTimer ----------------------------------------------------------------

TThreadedTimer::TThreadedTimer(QObject *owner) : QObject(owner) {}

TThreadedTimer::~TThreadedTimer()
{
    enabled_ = false;
    UpdateTimer();
    thread_.reset();
}

void TThreadedTimer::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    UpdateTimer();
}

void TThreadedTimer::setInterval(std::uint16_t milliseconds)
{
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    UpdateTimer();
}

void TThreadedTimer::setThreadPriority(TThreadPriority priority)
{
    if (priority == priority_)
        return;
    priority_ = priority;
    UpdateTimer();
}

void TThreadedTimer::setOnTimer(TTimerEvent handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

// The thread is made at the first start; it stays idle (suspended) while the
// timer is stopped.
void TThreadedTimer::UpdateTimer()
{
    if (!thread_) {
        if (!wanted())
            return;
        thread_ = std::make_unique<TTimerThread>(*this);
        thread_->setRunning(true);
        thread_->start(priority_);
        return;
    }
    thread_->setRunning(wanted());
}

void TThreadedTimer::Timer()
{
    // a tick handed over just before the timer stopped is not run
    if (wanted())
        platform::guarded([this] { onTimer_(this); });
    if (thread_)
        thread_->tickDone();
}

std::uint16_t TThreadedTimer::sleepInterval() const
{
    return interval_;
}
