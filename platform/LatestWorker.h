#pragma once
// Background work for a window where only the newest result matters (a
// preview after each change of a value, a display copy after each change of
// the picture).  One job runs at a time, on a thread of its own.  A newer
// job asks the running one to stop and starts as soon as it has ended; from
// then on nothing of the older job reaches the window.  What a job posts and
// what it hands back run on the GUI thread, and only while the job is still
// the newest.  The owner drops everything and waits (cancel) before the data
// the jobs read goes; the destructor does so too.
#include <QObject>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

class LatestWorker : public QObject {
    Q_OBJECT
public:
    // What the job hands back, run on the GUI thread once the job has ended;
    // `stopped` tells whether the job was asked to stop (by stop(), or by a
    // newer job, whose delivery never runs).
    using Delivery = std::function<void(bool stopped)>;

    // What a job sees of itself, on its worker thread.
    class Job {
    public:
        bool stopRequested() const noexcept;
        // Runs `call` on the GUI thread later, unless the job is no longer the newest by then.
        void post(std::function<void()> call) const;

    private:
        friend class LatestWorker;
        Job(LatestWorker &worker, std::uint64_t id, const std::atomic<bool> &stop) : worker_(worker), id_(id), stop_(stop) {}
        LatestWorker &worker_;
        std::uint64_t id_;
        const std::atomic<bool> &stop_;
    };
    // Runs on the worker thread.  An exception that leaves it is dropped with
    // the job's result: a job that may fail hands its failure back itself.
    using Work = std::function<Delivery(const Job &job)>;

    explicit LatestWorker(QObject *parent = nullptr);
    ~LatestWorker() override;
    LatestWorker(const LatestWorker &) = delete;
    LatestWorker &operator=(const LatestWorker &) = delete;

    // Runs `work` now, or as soon as the job it replaces has stopped.
    void start(Work work);
    // Asks the running and the waiting job to stop; their delivery still runs.
    void stop();
    // Drops the waiting job, asks the running one to stop and waits for it;
    // nothing of either reaches the window.
    void cancel();
    // From start() until the newest job's delivery has run, or until cancel().
    bool busy() const { return current_ != nullptr || waiting_ != nullptr; }

private:
    struct Run;
    void launch(std::unique_ptr<Run> run);
    void post(std::uint64_t id, std::function<void()> call);
    Q_INVOKABLE void deliverPosted();
    void ended(const Delivery &delivery);
    bool isNewest(std::uint64_t id) const;

    // Calls posted by the jobs, oldest first.  They wait here, under a lock
    // taken on both sides, rather than in Qt's event queue, whose own lock
    // thread checkers cannot see.
    struct Posted {
        std::uint64_t id;
        std::function<void()> call;
    };
    std::mutex handOver_;
    std::deque<Posted> posted_;
    std::uint64_t lastId_ = 0;
    std::unique_ptr<Run> current_;
    std::unique_ptr<Run> waiting_;
};

} // namespace platform
