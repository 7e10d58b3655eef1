#include "EffectRunner.h"

#include "ErrorBoundary.h"
#include "ILPImage.h"

#include <exception>

namespace imaging {
namespace {

// What the library's callbacks of one run reach, on the worker thread.
struct RunReports {
    const platform::LatestWorker::Job &job;
    const TEffectRunner::Events &events;
    QSize stepSize;
    int lastPercent = -1;
};

std::int16_t progressCallback(std::int16_t percent, void *user)
{
    auto *run = static_cast<RunReports *>(user);
    if (run->job.stopRequested())
        return 0;
    if (percent != run->lastPercent && run->events.progress) {
        run->lastPercent = percent;
        // the caption the wrappers set on this thread
        run->job.post([progress = run->events.progress, percent, caption = ImagingProgressCaption] { progress(percent, caption); });
    }
    return 1;
}

std::int32_t frameCallback(HGLOBAL dib, void *user)
{
    auto *run = static_cast<RunReports *>(user);
    if (run->job.stopRequested() || !run->events.step)
        return 1;
    QImage step;
    try {
        step = ImageOfDib(dib).scaled(run->stepSize);
    } catch (...) {
        return 1; // a step that cannot be shown is only not shown
    }
    run->job.post([show = run->events.step, step] { show(step); });
    return 1;
}

} // namespace

void TEffectRunner::start(Work work, Events events, QSize stepSize)
{
    worker_.start([work = std::move(work), events = std::move(events),
                   stepSize](const platform::LatestWorker::Job &job) -> platform::LatestWorker::Delivery {
        // nothing may leave the worker: a failure is handed to the window
        RunReports reports{job, events, stepSize};
        auto outcome = std::make_shared<TEffectOutcome>();
        std::exception_ptr failure;
        try {
            *outcome = work({&reports, &progressCallback, &frameCallback});
        } catch (...) {
            failure = std::current_exception();
        }
        return [outcome, failure, finished = events.finished](bool stopped) {
            if (stopped || failure)
                *outcome = {};
            if (finished)
                finished(std::move(*outcome), stopped);
            // Shown once the window has taken the run's end: the box's own
            // event loop may start the next run, which must find the window settled.
            if (failure)
                platform::guarded([&] { std::rethrow_exception(failure); });
        };
    });
}

} // namespace imaging
