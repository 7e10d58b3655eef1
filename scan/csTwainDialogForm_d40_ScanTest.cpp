// The "Test scanner" page: a trial scan with the settings on screen, shown
// in a scroll box that the mouse drags about.
#include "csTwainDialogForm_d40.h"

#include "ErrorBoundary.h"
#include "ScopeExit.h"
#include "ScanFailure.h"
#include "TPicture.h"
#include "WaitCursor.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

#include <optional>

namespace {

// "1100 x 850  3652 kb": height, width and the bitmap's size in memory, rows
// padded to 32 bits and deep pictures counted at 32 bits a pixel.
QString viewerHint(const QImage &image)
{
    const int depth = image.depth() <= 1 ? 1 : image.depth() <= 4 ? 4 : image.depth() <= 8 ? 8 : 32;
    const qint64 rowBytes = (qint64(image.width()) * depth + 31) / 32 * 4;
    return QStringLiteral("%1 x %2  %3 kb").arg(image.height()).arg(image.width()).arg(rowBytes * image.height() / 1024);
}

} // namespace

void TTwainDialogForm::createScanTest()
{
    tshScanTest = addPage("tshScanTest", QStringLiteral("Test scanner"));
    scbViewer = place<QScrollArea>(tshScanTest, "scbViewer", QRect(4, 4, 263, 302));
    scbViewer->setAlignment(Qt::AlignCenter);
    scbViewer->setBackgroundRole(QPalette::Base);
    QPalette white = scbViewer->palette();
    white.setColor(QPalette::Base, Qt::white);
    scbViewer->setPalette(white);
    imgViewer = new TPicture(QStringLiteral("imgViewer"));
    imgViewer->resize(0, 0);
    scbViewer->setWidget(imgViewer);
    for (QWidget *surface : {scbViewer->viewport(), static_cast<QWidget *>(imgViewer)}) {
        surface->setCursor(Qt::PointingHandCursor);
        surface->installEventFilter(this);
    }

    btnSelctSource =
        place<QPushButton>(tshScanTest, "btnSelctSource", QRect(4, 314, 130, 25), QStringLiteral("&Choix de la source"));
    btnAcquire = place<QPushButton>(tshScanTest, "btnAcquire", QRect(137, 314, 130, 25), QStringLiteral("&Acquérir"));
    platform::connectGuarded(btnSelctSource, &QPushButton::clicked, this, &TTwainDialogForm::btnSelctSourceClick);
    platform::connectGuarded(btnAcquire, &QPushButton::clicked, this, &TTwainDialogForm::btnAcquireClick);
}

void TTwainDialogForm::btnAcquireClick()
{
    if (!twain_ || trialRunning_)
        return;
    applyControls();
    // The scan runs on a component of its own that mirrors the scanner
    // component: the pages go to the viewer, none reaches whoever listens to
    // the scanner component's events, and the resolution is the trial's.
    TcsTwainScan trial;
    trial.SetAppIdentity(twain_->AppIdentity());
    trial.SetParentWindow(this);
    scan::ScannerSettings::of(*twain_).applyTo(trial);
    trial.SetResolution(std::min(twain_->Resolution(), TrialResolution));
    platform::connectGuarded(&trial, &TcsTwainScan::OnNewImage, this, &TTwainDialogForm::viewerNewImage);
    platform::connectGuarded(&trial, &TcsTwainScan::OnDibReady, this, &TTwainDialogForm::viewerDibReady);

    // The window stays alive during the session's own event loop; what would start another session or close it waits.
    trialRunning_ = true;
    PageControl->setEnabled(false);
    pnlButtons->setEnabled(false);
    const platform::ScopeExit finished([this, &trial] {
        trialRunning_ = false;
        PageControl->setEnabled(true);
        pnlButtons->setEnabled(true);
        showIdentity(trial.SourceIdentity());
    });
    {
        // The source's own window, when it shows, is for the user to work in.
        std::optional<platform::WaitCursor> hourglass;
        if (!trial.UserInterface())
            hourglass.emplace();
        trial.Acquire();
    }
    // The component has told why a session could not start; what went wrong
    // once the source scanned, it keeps quiet about.  A cancel needs no word.
    const TcsSessionEnd &end = trial.SessionEnd();
    if (end.stage == TcsSessionStage::TransferFailed || end.stage == TcsSessionStage::Completed)
        if (const std::optional<scan::ScanFailure> failure = scan::failureOf(end))
            trial.ShowError(QStringLiteral("L'essai de numérisation a échoué : %1.").arg(failure->reason()));
}

void TTwainDialogForm::viewerNewImage(QObject *)
{
    imgViewer->setPicture(QImage());
    imgViewer->resize(0, 0);
    scbViewer->setToolTip(QString());
}

void TTwainDialogForm::viewerDibReady(QObject *, const QImage &hDib)
{
    imgViewer->setPicture(hDib);
    imgViewer->resize(hDib.size());
    scbViewer->setToolTip(viewerHint(hDib));
}

bool TTwainDialogForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint position = static_cast<QWidget *>(watched)->mapTo(scbViewer, mouse->position().toPoint());
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
        scbViewerMouseDown(position);
    else if (type == QEvent::MouseMove)
        scbViewerMouseMove(position);
    else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton)
        scbViewerMouseUp();
    return true;
}

void TTwainDialogForm::scbViewerMouseDown(QPoint position)
{
    dragging_ = true;
    dragStart_ = position;
    dragLeft_ = scbViewer->horizontalScrollBar()->value();
    dragTop_ = scbViewer->verticalScrollBar()->value();
}

void TTwainDialogForm::scbViewerMouseMove(QPoint position)
{
    if (!dragging_)
        return;
    // The picture follows the hand.
    scbViewer->horizontalScrollBar()->setValue(dragLeft_ + dragStart_.x() - position.x());
    scbViewer->verticalScrollBar()->setValue(dragTop_ + dragStart_.y() - position.y());
}

void TTwainDialogForm::scbViewerMouseUp()
{
    dragging_ = false;
}
