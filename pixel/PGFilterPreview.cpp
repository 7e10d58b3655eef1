#include "PGFilterPreview.h"

#include "PGColorFilters.h"
#include "PGImage.h"
#include "ScopeExit.h"

#include <Rounding.h>

TFilterPreview::TFilterPreview(TPGImage &Display, const TPixelGraphic &Source, TFilterFactory MakeFilter)
    : display_(Display), makeFilter_(std::move(MakeFilter)), preview_(std::make_unique<TPixelGraphic>())
{
    quiet_.setSingleShot(true);
    quiet_.setTimerType(Qt::PreciseTimer); // a coarse timer may end the quiet period 5 % early
    quiet_.setInterval(QuietMilliseconds);
    connect(&quiet_, &QTimer::timeout, this, &TFilterPreview::quietPeriodOver);

    const QSize size = PreviewSize(QSize(Source.Width(), Source.Height()), Display.contentsRect().size());
    preview_->SetFormat(size.width(), size.height(), pg24Bit);
    TPixelGraphic &preview = *preview_;
    sourceThread_ = std::make_unique<TPGThread>([this, &Source, &preview](TPGThread &thread) {
        preview.OnProgress = [&thread](TPixelGraphic *, int, bool &abort, int) { abort = thread.Terminated(); };
        const platform::ScopeExit detach([&preview] { preview.OnProgress = nullptr; });
        preview.CopyFrom(Source);
        if (thread.Terminated())
            return;
        ++undelivered_;
        PostToWindow(this, [this] {
            --undelivered_;
            sourceCopied();
        });
    });
    sourceThread_->Resume();
}

// The threads read the preview image: they stop before it goes.
TFilterPreview::~TFilterPreview()
{
    quiet_.stop();
    destinationThread_.reset();
    sourceThread_.reset();
    preview_.reset();
}

QSize TFilterPreview::PreviewSize(QSize Source, QSize Client)
{
    const int w = Source.width(), h = Source.height(), cw = Client.width(), ch = Client.height();
    if (w <= 0 || h <= 0)
        return QSize(0, 0);
    if (w <= cw && h <= ch)
        return Source;
    if (int64_t(w) * ch > int64_t(h) * cw)
        return QSize(cw, int(platform::roundEven((long double)h * cw / w)));
    return QSize(int(platform::roundEven((long double)w * ch / h)), ch);
}

bool TFilterPreview::Busy() const
{
    // A thread counts what it posts before it finishes: test finishing first.
    const bool running = (!sourceReady_ && !sourceThread_->Finished()) ||
                         (destinationThread_ && !destinationThread_->Finished());
    return running || undelivered_ > 0 || quiet_.isActive();
}

void TFilterPreview::Changed()
{
    if (destinationThread_)
        destinationThread_->Terminate();
    ++computation_; // whatever is on its way is stale now
    quiet_.start();
}

void TFilterPreview::sourceCopied()
{
    sourceReady_ = true;
    Changed();
}

void TFilterPreview::stopComputation()
{
    destinationThread_.reset(); // asks, then waits: the filter runs to its end on a small image
}

void TFilterPreview::quietPeriodOver()
{
    if (!sourceReady_)
        return;
    stopComputation();
    // Each computation has its own filter, so the dialog's filter is never shared with a thread.
    auto filter = std::shared_ptr<TPGFilter>(makeFilter_());
    const uint64_t computation = ++computation_;
    const TPixelGraphic &preview = *preview_;
    destinationThread_ = std::make_unique<TPGThread>([this, filter, &preview, computation](TPGThread &thread) mutable {
        auto result = std::make_unique<TPixelGraphic>();
        result->ApplyFilter(*filter, preview);
        filter.reset();
        if (thread.Terminated())
            return;
        auto posted = std::make_shared<std::unique_ptr<TPixelGraphic>>(std::move(result));
        ++undelivered_;
        PostToWindow(this, [this, computation, posted] {
            --undelivered_;
            resultArrived(computation, std::move(*posted));
        });
    });
    destinationThread_->Resume();
}

void TFilterPreview::resultArrived(uint64_t Computation, std::unique_ptr<TPixelGraphic> Result)
{
    if (Computation != computation_)
        return; // asked to stop after it had posted
    display_.SetPixelGraphic(std::move(Result));
}
