// The page side of compare-unpaper.sh:
//   cleanup_bench scene text|photo ANGLE GLASS OUT.pgm|.ppm|.pbm
//       writes an A4 scan at 300 dpi (2480 x 3508): a text page or a photo on
//       a cream page, 1800 x 2500 pixels, turned by ANGLE degrees (clockwise)
//       and laid off-centre on a glass of grey level GLASS, with a scanner's
//       noise
//   cleanup_bench clean IN OUT
//       straightens IN, crops it to the document and whitens its paper, writes
//       OUT, and prints the angle measured and the seconds the three took
//       (reading and writing the files left out)
#include "Crop.h"
#include "Deskew.h"
#include "GlassScene.h"
#include "Whiten.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace {

const QSize scanSize(2480, 3508);
const QSize pageSize(1800, 2500);

int scene(const QString &content, double angle, int glassLevel, const QString &out)
{
    const QColor cream(240, 232, 212);
    const QImage page = content == QLatin1String("photo") ? synthetic::photoPage(pageSize, cream)
                                                          : synthetic::textPage(pageSize, 42, cream, QColor(25, 25, 30));
    const QImage::Format format = out.endsWith(QLatin1String(".pbm")) ? QImage::Format_Mono
        : out.endsWith(QLatin1String(".pgm"))                         ? QImage::Format_Grayscale8
                                                                      : QImage::Format_RGB888;
    const glass::Scene scan = glass::onGlass(page, scanSize, QColor(glassLevel, glassLevel, glassLevel), QPointF(1290, 1700), angle, 4, format);
    return scan.scan.save(out) ? 0 : 1;
}

int clean(const QString &in, const QString &out)
{
    const QImage scan(in);
    if (scan.isNull())
        return 1;
    QElapsedTimer timer;
    timer.start();
    const cleanup::Deskewed straight = cleanup::deskew(scan);
    const cleanup::Cropped cropped = cleanup::crop(straight.page);
    const cleanup::Whitened white = cleanup::whitenBackground(cropped.page);
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.4f %.4f\n", straight.angle, seconds);
    return white.page.save(out) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 5 && arguments[0] == QLatin1String("scene"))
        return scene(arguments[1], arguments[2].toDouble(), arguments[3].toInt(), arguments[4]);
    if (arguments.size() == 3 && arguments[0] == QLatin1String("clean"))
        return clean(arguments[1], arguments[2]);
    std::fprintf(stderr, "usage: cleanup_bench scene text|photo ANGLE GLASS OUT | cleanup_bench clean IN OUT\n");
    return 2;
}
