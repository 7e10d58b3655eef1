#pragma once
// The live preview of a colour filter dialog.  A source worker resamples the
// caller's image into a small preview image once; after every change of the
// controls, once they have been quiet for 100 ms, a destination worker
// filters that small image into a new one, which is handed to the preview
// control.  A newer computation always replaces the older one: the running
// one is asked to stop and its result is dropped, never queued
// (platform/LatestWorker).  A filter that raises ends its computation
// without a result; the control keeps the previous picture.
#include "LatestWorker.h"
#include "PGPixelGraphic.h"

#include <QObject>
#include <QSize>
#include <QTimer>

#include <functional>
#include <memory>

class TPGFilter;
class TPGImage;

class TFilterPreview : public QObject {
    Q_OBJECT
public:
    // Makes a filter set up from the controls' current values; called on the GUI thread.
    using TFilterFactory = std::function<std::unique_ptr<TPGFilter>()>;
    static constexpr int QuietMilliseconds = 100;

    TFilterPreview(TPGImage &Display, const TPixelGraphic &Source, TFilterFactory MakeFilter);
    ~TFilterPreview() override;

    // The controls changed: stop the running computation, start the quiet period again.
    void Changed();

    // The reduced copy of a Source-sized image for a control whose client area is Client.
    static QSize PreviewSize(QSize Source, QSize Client);
    const TPixelGraphic &PreviewImage() const { return *preview_; }
    // True until the latest values are shown (or their filter failed).
    bool Busy() const;

private:
    void sourceCopied();
    void quietPeriodOver();

    TPGImage &display_;
    TFilterFactory makeFilter_;
    std::unique_ptr<TPixelGraphic> preview_;
    bool sourceReady_ = false;
    QTimer quiet_;
    // last: they read the preview image, and stop before it goes
    platform::LatestWorker source_;
    platform::LatestWorker destination_;
};
