#include "ImagingProgress.h"

#include <QProgressDialog>

namespace imaging {
namespace {
// Calls shorter than this show no window.
constexpr int kShowAfterMs = 400;
} // namespace

TImagingProgress::TImagingProgress(QWidget *parent) : QObject(parent)
{
    window_ = new QProgressDialog(parent);
    window_->setObjectName(QStringLiteral("ImagingProgress"));
    window_->setWindowTitle(QStringLiteral("Traitement en cours"));
    window_->setCancelButtonText(QStringLiteral("Arrêter"));
    window_->setWindowModality(Qt::WindowModal);
    window_->setMinimumDuration(kShowAfterMs);
    window_->setRange(0, 100);
    window_->reset();
}

TILMesProgress TImagingProgress::handler()
{
    return [this](TPMultiImage *, int percent, const QString &caption, bool &cancel) { progress(percent, caption, cancel); };
}

void TImagingProgress::progress(int percent, const QString &caption, bool &cancel)
{
    // a new operation starts its own count
    if (percent < window_->value() || window_->value() < 0)
        window_->reset();
    window_->setLabelText(caption);
    window_->setValue(std::clamp(percent, 0, 100));
    cancel = window_->wasCanceled();
}

} // namespace imaging
