#pragma once
// Poppler as the independent reader of the PDF files the tests write.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace poppler {

// The program's standard output; it must succeed and say nothing on its
// error output (poppler reports a damaged file there, even when it copes).
inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    EXPECT_EQ(process.readAllStandardError(), QByteArray()) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString saved(const QTemporaryDir &dir, const QByteArray &pdf)
{
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pdf);
    return path;
}

// One row of `pdfimages -list`.
struct Listed {
    QString type;
    int width = 0, height = 0;
    QString colour;
    int components = 0, bitsPerComponent = 0;
    QString encoding;
    int object = 0;
    int xPpi = 0, yPpi = 0;
};

inline std::vector<Listed> listImages(const QString &pdf)
{
    std::vector<Listed> images;
    const QStringList lines = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'));
    for (const QString &line : lines.mid(2)) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() < 14)
            continue;
        images.push_back({f[2], f[3].toInt(), f[4].toInt(), f[5], f[6].toInt(), f[7].toInt(), f[8], f[10].toInt(),
                          f[12].toInt(), f[13].toInt()});
    }
    return images;
}

// The pictures pdfimages extracts, in order.
inline std::vector<QImage> extractedImages(const QTemporaryDir &dir, const QString &pdf)
{
    run(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, dir.filePath(QStringLiteral("x"))});
    std::vector<QImage> images;
    for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("x-*.png")}, QDir::Files, QDir::Name))
        images.emplace_back(dir.filePath(name));
    return images;
}

inline QImage rendered(const QString &pdf, int dpi)
{
    const QString prefix = pdf + QStringLiteral("-page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

} // namespace poppler
