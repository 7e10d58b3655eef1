#pragma once
// What a PDF holds, as poppler's tools read it: its page count and its pages
// rendered as pictures.
#include <QDir>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

inline QString toolOutput(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// -1 when the file is no PDF poppler can read.
inline int pdfPageCount(const QString &pdf)
{
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(toolOutput(QStringLiteral("pdfinfo"), {pdf}));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

// Every page rendered at `dpi`, in order.
inline QList<QImage> pdfPages(const QString &pdf, int dpi)
{
    QTemporaryDir folder;
    const QString base = folder.filePath(QStringLiteral("page"));
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), pdf, base});
    QList<QImage> pages;
    const QStringList files = QDir(folder.path()).entryList({QStringLiteral("page-*.png")}, QDir::Files, QDir::Name);
    // pdftoppm pads the numbers to the page count's width: the names sort in page order.
    for (const QString &file : files)
        pages << QImage(folder.filePath(file));
    return pages;
}
