#include "ScanProgress.h"

namespace dsm {

ScanProgress::ScanProgress(QWidget *parent, int lines, std::function<void()> cancel)
    : window_(parent, {QStringLiteral("Numérisation"), platform::StopButton::Annuler,
                       QStringLiteral("ScanProgress")}),
      step_{QStringLiteral("Numérisation en cours…"), 0, lines > 0 ? lines : 0}, cancel_(std::move(cancel))
{
}

void ScanProgress::rowDone()
{
    if (cancelled_)
        return;
    ++step_.done;
    if (!window_.report(step_)) {
        // The device answers its next read with "cancelled".
        cancelled_ = true;
        cancel_();
    }
}

} // namespace dsm
