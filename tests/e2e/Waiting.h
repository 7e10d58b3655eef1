#pragma once
// The end-to-end tests wait for what they need (a window, a message, a
// finished file), never for a fixed time, as long as a loaded machine may need.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QThread>
#include <functional>

inline bool waitUntil(const std::function<bool()> &condition)
{
    QElapsedTimer clock;
    clock.start();
    for (; clock.elapsed() < 120000; QThread::msleep(50))
        if (condition())
            return true;
    return false;
}

// The PDF the cups-pdf queue writes for a job, once the job has left the queue
// and the file is whole; empty when it never comes.
inline QString cupsPdfOfJob(const QString &queue, int job)
{
    const QDir jobs(QDir::homePath() + QStringLiteral("/PDF"));
    QString printed;
    waitUntil([&] {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue});
        lpstat.waitForFinished();
        if (!lpstat.readAllStandardOutput().trimmed().isEmpty())
            return false;
        const QStringList names = jobs.entryList({QStringLiteral("*-job_%1.pdf").arg(job)}, QDir::Files);
        if (names.isEmpty() || QFileInfo(jobs.filePath(names.first())).size() == 0)
            return false;
        printed = jobs.filePath(names.first());
        return true;
    });
    return printed;
}
