#pragma once
// The library's background workers (the image control's paint thread, the
// filter dialogs' preview threads): made suspended so that the owner can set
// them up, started once, asked to stop (the work polls Terminated), and waited
// for before the owner frees what they use.  Results reach windows only as
// posted calls (PostToWindow), never by a direct call from the worker.
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

class TPGThread {
public:
    using Work = std::function<void(TPGThread &Thread)>;

    explicit TPGThread(Work work) : work_(std::move(work)) {}
    // Asks the work to stop and waits for it: nothing it uses may go first.
    ~TPGThread()
    {
        Terminate();
        WaitFor();
    }
    TPGThread(const TPGThread &) = delete;
    TPGThread &operator=(const TPGThread &) = delete;

    void Resume()
    {
        if (!thread_.joinable() && !finished_)
            thread_ = std::thread([this] { run(); });
    }
    void Terminate() noexcept { terminated_ = true; }
    bool Terminated() const noexcept { return terminated_; }
    void WaitFor()
    {
        if (thread_.joinable())
            thread_.join();
    }
    bool Finished() const noexcept { return finished_; }

private:
    // No exception may leave a worker.  A work that raises has no result to
    // post: the window keeps what it shows (a filter that refuses a colour,
    // or memory running out, leaves the previous picture).
    void run()
    {
        try {
            work_(*this);
        } catch (...) {
        }
        finished_ = true;
    }

    Work work_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_; // last: started after, and joined before, everything above
};

// Runs call on Receiver's thread from its event loop; dropped, and call
// destroyed unrun, when Receiver is gone by then.  Receiver must be alive
// when this is called: owners wait for their workers before they go.
template <typename Call> void PostToWindow(QObject *Receiver, Call call)
{
    QMetaObject::invokeMethod(Receiver, std::move(call), Qt::QueuedConnection);
}
