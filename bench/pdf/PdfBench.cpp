// The page side of compare-tiff2pdf.sh:
//   pdf_bench page FILE.pbm     writes the bench's A4 text page at 300 dpi in black and white
//   pdf_bench pdf IN OUT.pdf    prints the picture IN on an A4 page at 300 dpi, at its
//                               natural size, through PdfPaintDevice, as a printed copy does,
//                               and prints the seconds that took (reading IN included)
#include "PdfDocument.h"
#include "PdfPaintDevice.h"
#include "SyntheticPage.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int dpi = 300;
const QSize a4(2480, 3508);

int usage()
{
    std::fprintf(stderr, "usage: pdf_bench page FILE.pbm | pdf_bench pdf IN OUT.pdf\n");
    return 2;
}

int printed(const QString &in, const QString &out)
{
    QElapsedTimer timer;
    timer.start();
    const QImage picture(in);
    QFile file(out);
    if (picture.isNull() || !file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "pdf_bench: cannot read %s or write %s\n", qPrintable(in), qPrintable(out));
        return 1;
    }
    try {
        platform::PdfDocument document(file, {QStringLiteral("pdf_bench"), {}});
        platform::PdfPaintDevice device(document, a4, dpi);
        QPainter painter(&device);
        painter.drawImage(QRect(QPoint(0, 0), picture.size()), picture);
        painter.end();
        document.finish();
        file.close();
        std::printf("%.4f\n", timer.nsecsElapsed() / 1e9);
    } catch (const platform::Exception &error) {
        std::fprintf(stderr, "pdf_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Printing a picture needs no window system: the timing leaves out its start-up.
    if (arguments.size() == 3 && arguments[0] == QLatin1String("pdf")) {
        QCoreApplication app(argc, argv);
        return printed(arguments[1], arguments[2]);
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (arguments.size() == 2 && arguments[0] == QLatin1String("page")) {
        // 10-point text at 300 dpi with the ragged edges of a scan.
        const QImage page = synthetic::bilevel(synthetic::textPage(a4, 42, Qt::white, Qt::black, 60));
        return page.save(arguments[1], "PBM") ? 0 : 1;
    }
    return usage();
}
