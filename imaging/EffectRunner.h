#pragma once
// Runs the effects dialog's effects on a worker thread, one at a time, so
// that the window keeps answering while a large picture is worked on.
//
// A newer run replaces an older one: the older is asked to stop and its
// outcome dropped, never shown (platform/LatestWorker).  Stopping keeps the
// outcome from being used at all, so a stopped application leaves the
// picture as it was.  The imaging library reports to the run's own
// callbacks; what they learn (progress, the steps of an effect that shows
// them) reaches the window as posted calls.  While a run goes on, the GUI
// thread leaves the library to it: whoever wants to call the library itself
// first calls wait().
#include "DllSP96.h"
#include "LatestWorker.h"

#include <QImage>
#include <QSize>

#include <functional>

namespace imaging {

// The callbacks the library reports to during one run.
struct TLibraryCallbacks {
    void *userData = nullptr;
    ILProgressProc progress = nullptr;
    ILFrameProc frame = nullptr;
};

// What a run gives back: the new picture and, for an application, its preview.
struct TEffectOutcome {
    GlobalBlock picture;
    GlobalBlock preview;
};

class TEffectRunner {
public:
    using Work = std::function<TEffectOutcome(const TLibraryCallbacks &callbacks)>;
    // Called on the GUI thread, for the run that is wanted only.
    struct Events {
        std::function<void(int percent, const QString &caption)> progress;
        // A step the effect showed, scaled to fit the preview.
        std::function<void(const QImage &step)> step;
        // The outcome (empty when the effect gave none or failed); stopped
        // when Stop was asked for.  A failure is shown after this has run.
        std::function<void(TEffectOutcome outcome, bool stopped)> finished;
    };

    // Runs `work` now, or as soon as the run it replaces has stopped.
    void start(Work work, Events events, QSize stepSize);
    // Asks the running work to stop; its `finished` comes with stopped set.
    void stop() { worker_.stop(); }
    // Drops the running and the waiting work and waits for the worker.
    void wait() { worker_.cancel(); }
    // From start until the wanted run's `finished`, or until wait().
    bool busy() const { return worker_.busy(); }

private:
    platform::LatestWorker worker_;
};

} // namespace imaging
