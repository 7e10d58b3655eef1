// Preview latency of the open-image dialog: the time from selecting a file
// in the list to the painted preview, for a photo-like A4 page at 300 dpi
// (2480 x 3508) as JPEG, PNG and TIFF, against `vipsthumbnail` making a
// thumbnail of the preview's size from the same file.  Rounds alternate
// between the two; the first round warms both up and is not counted.
// Prints the medians and the ratio ours / vipsthumbnail.
//   preview_bench [rounds]
#include "Codec.h"
#include "DllSP96.h"
#include "Sopend.h"
#include "TMultiP.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Soft gradients, shapes and lines: compresses like a photograph of a page.
codecs::Image photoPage()
{
    QImage page(2480, 3508, QImage::Format_RGB888);
    QPainter painter(&page);
    QLinearGradient sky(0, 0, 2480, 3508);
    sky.setColorAt(0, QColor(40, 90, 160));
    sky.setColorAt(0.5, QColor(230, 210, 150));
    sky.setColorAt(1, QColor(60, 120, 60));
    painter.fillRect(page.rect(), sky);
    painter.setBrush(QColor(48, 96, 192));
    painter.drawEllipse(QPoint(700, 1000), 500, 500);
    painter.setBrush(QColor(240, 208, 32));
    painter.drawRect(1400, 600, 800, 800);
    painter.setPen(QPen(Qt::black, 12));
    painter.drawLine(100, 3300, 2300, 2200);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 60));
    for (int line = 0; line < 20; ++line)
        painter.drawText(150, 1800 + line * 70, QStringLiteral("Ligne de texte numéro %1 sur la page").arg(line));
    painter.end();
    codecs::Image image(page.width(), page.height(), 24);
    for (int y = 0; y < page.height(); ++y) {
        const uchar *in = page.constScanLine(y);
        std::uint8_t *out = image.row(y);
        for (int x = 0; x < page.width(); ++x) {
            out[x * 3] = in[x * 3 + 2];
            out[x * 3 + 1] = in[x * 3 + 1];
            out[x * 3 + 2] = in[x * 3];
        }
    }
    return image;
}

double previewOnce(TOpenDial &dialog, const QString &file)
{
    dialog.ChosenFile.clear();
    QElapsedTimer timer;
    timer.start();
    dialog.lvChange(file);
    dialog.Image->repaint();
    return double(timer.nsecsElapsed()) / 1e6;
}

double vipsOnce(const QString &file, const QString &output)
{
    QElapsedTimer timer;
    timer.start();
    QProcess vips;
    vips.start(QStringLiteral("vipsthumbnail"), {file, QStringLiteral("-s"), QStringLiteral("122x116"),
                                                 QStringLiteral("-o"), output});
    if (!vips.waitForFinished(60000) || vips.exitCode() != 0)
        return -1;
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QTemporaryDir dir;
    const codecs::Image page = photoPage();
    struct Format {
        const char *name;
        codecs::Format format;
        codecs::WriteOptions options;
    };
    codecs::WriteOptions jpeg;
    jpeg.quality = 85;
    codecs::WriteOptions lzw;
    lzw.compression = codecs::TiffLzw;
    const Format formats[] = {{"page.jpg", codecs::Format::Jpeg, jpeg},
                              {"page.png", codecs::Format::Png, {}},
                              {"page.tif", codecs::Format::Tiff, lzw}};
    TOpenDial dialog;
    dialog.show();
    std::printf("| file | size (MB) | ours (ms) | vipsthumbnail (ms) | ratio |\n|---|---|---|---|---|\n");
    for (const Format &format : formats) {
        const QString file = dir.filePath(QLatin1String(format.name));
        codecs::writeFile(file.toStdString(), format.format, page, format.options);
        std::vector<double> ours, theirs;
        for (int round = 0; round <= rounds; ++round) {
            const double our = previewOnce(dialog, file);
            const double their = vipsOnce(file, dir.filePath(QStringLiteral("thumb.jpg")));
            if (their < 0 || dialog.Image->Picture().isEmpty()) {
                std::fprintf(stderr, "preview_bench: %s could not be previewed\n", format.name);
                return 1;
            }
            if (round > 0) {
                ours.push_back(our);
                theirs.push_back(their);
            }
        }
        const double a = median(ours), b = median(theirs);
        std::printf("| %s | %.1f | %.1f | %.1f | %.2f |\n", format.name, QFileInfo(file).size() / 1e6, a, b, a / b);
    }
    imaging::ReleaseImagingLibraries();
    return 0;
}
