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
    source_.start([this, &Source, &preview](const platform::LatestWorker::Job &job) -> platform::LatestWorker::Delivery {
        preview.OnProgress = [&job](TPixelGraphic *, int, bool &abort, int) { abort = job.stopRequested(); };
        const platform::ScopeExit detach([&preview] { preview.OnProgress = nullptr; });
        preview.CopyFrom(Source);
        if (job.stopRequested())
            return {};
        return [this](bool) { sourceCopied(); };
    });
}

// The workers read the preview image: they stop before it goes.
TFilterPreview::~TFilterPreview()
{
    quiet_.stop();
    destination_.cancel();
    source_.cancel();
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
    return source_.busy() || destination_.busy() || quiet_.isActive();
}

void TFilterPreview::Changed()
{
    destination_.stop(); // whatever it computes is stale now
    quiet_.start();
}

void TFilterPreview::sourceCopied()
{
    sourceReady_ = true;
    Changed();
}

void TFilterPreview::quietPeriodOver()
{
    if (!sourceReady_)
        return;
    // asks, then waits: the filter runs to its end on a small image
    destination_.cancel();
    // Each computation has its own filter, so the dialog's filter is never shared with a thread.
    auto filter = std::shared_ptr<TPGFilter>(makeFilter_());
    const TPixelGraphic &preview = *preview_;
    destination_.start([this, filter, &preview](const platform::LatestWorker::Job &job) mutable -> platform::LatestWorker::Delivery {
        auto result = std::make_shared<std::unique_ptr<TPixelGraphic>>(std::make_unique<TPixelGraphic>());
        (*result)->ApplyFilter(*filter, preview);
        filter.reset();
        if (job.stopRequested())
            return {};
        return [this, result](bool stopped) {
            if (!stopped) // asked to stop once it had finished
                display_.SetPixelGraphic(std::move(*result));
        };
    });
}
