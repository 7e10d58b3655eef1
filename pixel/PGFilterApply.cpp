#include "PGFilterApply.h"

#include "PGColorFilters.h"
#include "PGImage.h"

#include <WaitCursor.h>

#include <QProgressDialog>

namespace {

// Updates of the window at most this often: each lets it paint and take a click.
constexpr int updateMilliseconds = 20;
// Work shorter than this shows no window.
constexpr int showAfterMilliseconds = 400;

} // namespace

TPGProgressWindow::TPGProgressWindow(TPixelGraphic &Graphic, const QString &Caption, QWidget *Parent)
    : graphic_(Graphic), window_(std::make_unique<QProgressDialog>(Caption, Text(msgCancel), 0, 100, Parent))
{
    window_->setObjectName(QStringLiteral("FilterProgress"));
    window_->setWindowTitle(Caption);
    // Modal, so that while the work runs only this window takes input.
    window_->setWindowModality(Qt::ApplicationModal);
    window_->setMinimumDuration(showAfterMilliseconds);
    window_->setAutoReset(false);
    window_->setAutoClose(false);
    graphic_.OnProgressStart = [this](TPixelGraphic *) {
        window_->setValue(0);
        sinceUpdate_.start();
    };
    graphic_.OnProgress = [this](TPixelGraphic *, int Current, bool &Abort, int Max) { progress(Current, Abort, Max); };
}

TPGProgressWindow::~TPGProgressWindow()
{
    graphic_.OnProgressStart = nullptr;
    graphic_.OnProgress = nullptr;
}

void TPGProgressWindow::progress(int Current, bool &Abort, int Max)
{
    if (!sinceUpdate_.isValid() || sinceUpdate_.elapsed() >= updateMilliseconds) {
        sinceUpdate_.start();
        window_->setMaximum(std::max(Max, 1));
        window_->setValue(std::clamp(Current, 0, std::max(Max, 1)));
    }
    stopped_ = stopped_ || window_->wasCanceled();
    Abort = stopped_;
}

bool ApplyFilterWithProgress(TPGImage &Holder, TPGFilter &Filter, const QString &Caption, QWidget *Parent)
{
    const TPixelGraphic *source = Holder.PixelGraphic();
    if (!source)
        return false;
    auto result = std::make_unique<TPixelGraphic>();
    // A colour filter keeps the picture's format, as it would in place: a
    // palette picture has only its palette filtered.
    if (Filter.IsColorFilter())
        result->SetPixelFormat(source->PixelFormat());
    {
        const platform::WaitCursor wait;
        TPGProgressWindow progress(*result, Caption, Parent);
        result->ApplyFilter(Filter, *source);
        if (progress.Stopped())
            return false;
    }
    Holder.SetPixelGraphic(std::move(result));
    return true;
}
