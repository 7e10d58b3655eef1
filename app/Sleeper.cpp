#include "Sleeper.h"

#include <QCoreApplication>
#include <QTimer>

TSleeper::TSleeper(QObject *parent) : QObject(parent), timer_(new QTimer(this))
{
    timer_->setSingleShot(false);
    connect(timer_, &QTimer::timeout, this, [this] { done_ = true; });
}

int TSleeper::interval() const
{
    return timer_ ? timer_->interval() : 0;
}

void TSleeper::setInterval(int milliseconds)
{
    timer_->setInterval(milliseconds);
}

void TSleeper::Sleep()
{
    done_ = false;
    timer_->start();
    while (!done_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    timer_->stop();
}
