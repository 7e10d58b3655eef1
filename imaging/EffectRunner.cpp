#include "EffectRunner.h"

#include "ErrorBoundary.h"
#include "ILPImage.h"

#include <QMetaObject>

namespace imaging {

struct TEffectRunner::Run {
    TEffectRunner *runner;
    quint64 id;
    Work work;
    Events events;
    QSize stepSize;
    std::atomic<bool> stopRequested{false};
    // replaced by a newer run or waited for: nothing of it is shown any more
    std::atomic<bool> dropped{false};
    int lastPercent = -1; // the worker's own
    std::thread thread;
};

namespace {
quint64 lastRunId = 0;
}

TEffectRunner::TEffectRunner(QObject *parent) : QObject(parent) {}

TEffectRunner::~TEffectRunner()
{
    wait();
}

void TEffectRunner::start(Work work, Events events, QSize stepSize)
{
    auto run = std::make_unique<Run>();
    run->runner = this;
    run->id = ++lastRunId;
    run->work = std::move(work);
    run->events = std::move(events);
    run->stepSize = stepSize;
    if (current_) {
        current_->dropped = true;
        current_->stopRequested = true;
        waiting_ = std::move(run);
        return;
    }
    launch(std::move(run));
}

void TEffectRunner::stop()
{
    if (current_)
        current_->stopRequested = true;
    if (waiting_)
        waiting_->stopRequested = true;
}

void TEffectRunner::wait()
{
    waiting_.reset();
    if (!current_)
        return;
    current_->dropped = true;
    current_->stopRequested = true;
    if (current_->thread.joinable())
        current_->thread.join();
    current_.reset();
}

void TEffectRunner::launch(std::unique_ptr<Run> run)
{
    current_ = std::move(run);
    Run *r = current_.get();
    r->thread = std::thread([this, r] {
        // nothing may leave the worker: a failure is handed to the window
        auto outcome = std::make_shared<TEffectOutcome>();
        std::exception_ptr failure;
        try {
            *outcome = r->work({r, &TEffectRunner::progressCallback, &TEffectRunner::frameCallback});
        } catch (...) {
            failure = std::current_exception();
        }
        const quint64 id = r->id;
        QMetaObject::invokeMethod(
            this,
            [this, id, outcome, failure] {
                if (current_ && current_->id == id)
                    runEnded(current_.get(), outcome, failure);
            },
            Qt::QueuedConnection);
    });
}

void TEffectRunner::runEnded(Run *run, std::shared_ptr<TEffectOutcome> outcome, std::exception_ptr failure)
{
    run->thread.join();
    const std::unique_ptr<Run> ended = std::move(current_);
    if (waiting_)
        launch(std::move(waiting_));
    if (ended->dropped)
        return;
    const bool stopped = ended->stopRequested;
    if (stopped || failure)
        *outcome = {};
    if (ended->events.finished)
        ended->events.finished(std::move(*outcome), stopped);
    // Shown once the window has taken the run's end: the box's own event
    // loop may start the next run, which must find the window settled.
    if (failure)
        platform::guarded([&] { std::rethrow_exception(failure); });
}

std::int16_t TEffectRunner::progressCallback(std::int16_t percent, void *user)
{
    auto *run = static_cast<Run *>(user);
    if (run->stopRequested)
        return 0;
    if (percent != run->lastPercent) {
        run->lastPercent = percent;
        // the caption the wrappers set on this thread
        const QString caption = ImagingProgressCaption;
        TEffectRunner *runner = run->runner;
        const quint64 id = run->id;
        QMetaObject::invokeMethod(
            runner,
            [runner, id, percent, caption] {
                const Run *current = runner->current_.get();
                if (!current || current->id != id || current->dropped || !current->events.progress)
                    return;
                const auto progress = current->events.progress; // the handler may start another run
                progress(percent, caption);
            },
            Qt::QueuedConnection);
    }
    return 1;
}

std::int32_t TEffectRunner::frameCallback(HGLOBAL dib, void *user)
{
    auto *run = static_cast<Run *>(user);
    if (run->dropped)
        return 1;
    QImage step;
    try {
        step = ImageOfDib(dib).scaled(run->stepSize);
    } catch (...) {
        return 1; // a step that cannot be shown is only not shown
    }
    TEffectRunner *runner = run->runner;
    const quint64 id = run->id;
    QMetaObject::invokeMethod(
        runner,
        [runner, id, step] {
            const Run *current = runner->current_.get();
            if (!current || current->id != id || current->dropped || !current->events.step)
                return;
            const auto show = current->events.step;
            show(step);
        },
        Qt::QueuedConnection);
    return 1;
}

} // namespace imaging
