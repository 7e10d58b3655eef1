#include "ProgressWindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

namespace platform {
namespace {

// The bar counts in thousandths, whatever the work counts in.
constexpr int kBarSteps = 1000;

} // namespace

ProgressWindow::ProgressWindow(QWidget *parent, ProgressLook look) : parent_(parent), look_(std::move(look))
{
    sinceStart_.start();
}

ProgressWindow::~ProgressWindow()
{
    delete dialog_.data();
}

void ProgressWindow::open()
{
    dialog_ = new QProgressDialog(parent_.data());
    dialog_->setObjectName(look_.objectName);
    dialog_->setWindowTitle(look_.title);
    dialog_->setCancelButtonText(look_.button == StopButton::Annuler ? QStringLiteral("Annuler") : QStringLiteral("Arrêter"));
    // modal, so that while the work runs only this window takes input
    dialog_->setWindowModality(parent_ ? Qt::WindowModal : Qt::ApplicationModal);
    // it shows and closes when this object says, never by itself
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->show();
}

bool ProgressWindow::report(const ProgressStep &step)
{
    if (stopped_)
        return false;
    if (!dialog_) {
        if (sinceStart_.elapsed() < ShowAfterMilliseconds)
            return true;
        open();
    } else if (sinceUpdate_.elapsed() < UpdateMilliseconds) {
        return true;
    }
    sinceUpdate_.start();
    dialog_->setLabelText(step.what);
    if (step.total > 0) {
        dialog_->setRange(0, kBarSteps);
        dialog_->setValue(int(std::clamp(step.done, 0LL, step.total) * kBarSteps / step.total));
    } else {
        dialog_->setRange(0, 0); // how far is not known: the bar only shows that it works
    }
    // the window paints, and its button can be pressed
    QCoreApplication::processEvents();
    stopped_ = !dialog_ || dialog_->wasCanceled();
    return !stopped_;
}

Progress ProgressWindow::progress()
{
    return [this](const ProgressStep &step) { return report(step); };
}

} // namespace platform
