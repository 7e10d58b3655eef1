#include "LatestWorker.h"

#include <QMetaObject>

namespace platform {

struct LatestWorker::Run {
    std::uint64_t id;
    Work work;
    std::atomic<bool> stop{false};
    // replaced by a newer job or cancelled: nothing of it reaches the window
    bool dropped = false;
    std::thread thread;
};

bool LatestWorker::Job::stopRequested() const noexcept
{
    return stop_;
}

void LatestWorker::Job::post(std::function<void()> call) const
{
    worker_.post(id_, [&worker = worker_, id = id_, call = std::move(call)] {
        if (worker.isNewest(id))
            call();
    });
}

LatestWorker::LatestWorker(QObject *parent) : QObject(parent) {}

LatestWorker::~LatestWorker()
{
    cancel();
}

void LatestWorker::start(Work work)
{
    auto run = std::make_unique<Run>();
    run->id = ++lastId_;
    run->work = std::move(work);
    if (current_) {
        current_->dropped = true;
        current_->stop = true;
        waiting_ = std::move(run);
        return;
    }
    launch(std::move(run));
}

void LatestWorker::stop()
{
    if (current_)
        current_->stop = true;
    if (waiting_)
        waiting_->stop = true;
}

void LatestWorker::cancel()
{
    waiting_.reset();
    if (!current_)
        return;
    current_->dropped = true;
    current_->stop = true;
    current_->thread.join();
    current_.reset();
    const std::lock_guard handOver(handOver_);
    posted_.clear();
}

void LatestWorker::launch(std::unique_ptr<Run> run)
{
    current_ = std::move(run);
    Run *r = current_.get();
    r->thread = std::thread([this, r] {
        Job job(*this, r->id, r->stop);
        Delivery delivery;
        try {
            delivery = r->work(job);
        } catch (...) {
            // nothing may leave a worker thread
        }
        post(r->id, [this, delivery = std::move(delivery)] { ended(delivery); });
    });
}

// Runs `call` on the GUI thread while the job `id` has not been waited for.
void LatestWorker::post(std::uint64_t id, std::function<void()> call)
{
    {
        const std::lock_guard handOver(handOver_);
        posted_.push_back({id, std::move(call)});
    }
    // by name: the queued call carries nothing the worker thread wrote
    QMetaObject::invokeMethod(this, "deliverPosted", Qt::QueuedConnection);
}

// One queued call for each call posted, in order.
void LatestWorker::deliverPosted()
{
    Posted next;
    {
        const std::lock_guard handOver(handOver_);
        if (posted_.empty())
            return;
        next = std::move(posted_.front());
        posted_.pop_front();
    }
    if (current_ && current_->id == next.id)
        next.call();
}

bool LatestWorker::isNewest(std::uint64_t id) const
{
    return current_ && current_->id == id && !current_->dropped;
}

// The current job's thread has finished its work.
void LatestWorker::ended(const Delivery &delivery)
{
    current_->thread.join();
    const std::unique_ptr<Run> done = std::move(current_);
    if (waiting_)
        launch(std::move(waiting_));
    if (!done->dropped && delivery)
        delivery(done->stop);
}

} // namespace platform
