#include "ScanProgress.h"

#include <QProgressDialog>

namespace dsm {

namespace {

// Rows between two updates: often enough to look alive, rarely enough to cost nothing.
constexpr int RowsPerUpdate = 64;

} // namespace

ScanProgress::ScanProgress(QWidget *parent, int lines, std::function<void()> cancel)
    : dialog_(new QProgressDialog(QStringLiteral("Numérisation en cours…"), QStringLiteral("Annuler"), 0,
                                  lines > 0 ? lines : 0, parent)),
      cancel_(std::move(cancel))
{
    dialog_->setObjectName(QStringLiteral("ScanProgress"));
    dialog_->setWindowTitle(QStringLiteral("Numérisation"));
    // Modal, so that updating it lets it paint and its button be pressed, and nothing else.
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(500);
    dialog_->setValue(0);
}

ScanProgress::~ScanProgress()
{
    delete dialog_.data();
}

void ScanProgress::rowDone()
{
    if (++rows_ % RowsPerUpdate != 0 || !dialog_ || cancelled_)
        return;
    if (dialog_->maximum() > 0)
        dialog_->setValue(std::min(rows_, dialog_->maximum() - 1));
    else
        dialog_->setValue(0);
    if (dialog_ && dialog_->wasCanceled()) {
        // The device answers its next read with "cancelled".
        cancelled_ = true;
        cancel_();
    }
}

} // namespace dsm
