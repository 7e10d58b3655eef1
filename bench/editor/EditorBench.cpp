// How fluid the image editor is on an A4 page at 300 dpi (2480 x 3508):
//  - the handling of one mouse move while drawing freehand and while
//    dragging a rectangle's outline (the default yellow brush, so the
//    outline is filled), at zoom 1, 2 and 4, each move followed by the
//    window's repaint; median and worst of a run;
//  - the first press of a stroke at each zoom (it takes the undo snapshot);
//  - the pixels the picture control repaints for a move;
//  - the flood fill of the whole white page through the fill tool, and the
//    fill alone, against ImageMagick filling the same page in memory
//    (`convert -size 2480x3508 xc:white -fill yellow -floodfill +10+10 white
//    null:`, less the same command without the fill).
//   editor_bench [moves] [window WxH]
#include "PictureView.h"
#include "Raster.h"
#include "Sediteur.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median = 0, worst = 0;
};

Figures figures(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return {n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2, values.back()};
}

// Gradients across the page: what is drawn over it costs the same on any picture.
QImage page()
{
    QImage image(2480, 3508, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb(x * 255 / image.width(), y * 255 / image.height(), (x + y) / 24 % 256);
    }
    return image;
}

void send(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

double elapsedMs(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

struct Drag {
    double press = 0;
    Figures moves;
};

// A drag of `moves` steps over the visible part of the picture, from its
// top-left quarter in a widening zigzag, each move handled and painted.
Drag drag(TEditeur &editor, QToolButton *tool, int moves)
{
    tool->click();
    QWidget *view = editor.Image;
    const QScrollArea *box = editor.ScrollBox1;
    const QPoint corner(box->horizontalScrollBar()->value(), box->verticalScrollBar()->value());
    const QSize visible = box->viewport()->size();
    const QPoint start = corner + QPoint(visible.width() / 8, visible.height() / 8);
    QCoreApplication::processEvents();
    Drag result;
    QElapsedTimer clock;
    clock.start();
    send(view, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    result.press = elapsedMs(clock);
    std::vector<double> times;
    QPoint at = start;
    for (int i = 1; i <= moves; ++i) {
        const double t = double(i) / moves;
        at = start + QPoint(int(t * visible.width() * 0.75), int(t * visible.height() * 0.75 + 15 * std::sin(i / 3.0)));
        clock.restart();
        send(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        times.push_back(elapsedMs(clock));
    }
    send(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::processEvents();
    result.moves = figures(times);
    return result;
}

// ImageMagick's time for the command, in milliseconds; negative when it cannot run.
double magick(const QStringList &arguments)
{
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(QStringLiteral("/usr/bin/convert"), arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return -1;
    return elapsedMs(clock);
}

} // namespace

// Counts the pixels the picture control repaints.
struct RepaintCounter : QObject {
    qint64 pixels = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            for (const QRect &area : static_cast<QPaintEvent *>(event)->region())
                pixels += qint64(area.width()) * area.height();
        return false;
    }
};

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const int moves = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    QSize window(1280, 900);
    if (argc > 2)
        std::sscanf(argv[2], "%dx%d", &window.rwidth(), &window.rheight());

    TEditeur editor;
    editor.resize(window);
    editor.SetPicture(page());
    editor.show();
    QCoreApplication::processEvents();
    RepaintCounter repainted;
    editor.Image->installEventFilter(&repainted);
    std::printf("window %dx%d, %d moves a drag\n\n", window.width(), window.height(), moves);
    std::printf("| drag | zoom | press (ms) | move median (ms) | move worst (ms) | pixels repainted a move |\n"
                "|---|---|---|---|---|---|\n");
    for (int zoom = 1; zoom <= 4; zoom *= 2) {
        if (zoom > 1)
            editor.SpeedButton1Click();
        // the middle of the page
        editor.ScrollBox1->horizontalScrollBar()->setValue(editor.Picture().width() / 3);
        editor.ScrollBox1->verticalScrollBar()->setValue(editor.Picture().height() / 3);
        for (auto [name, tool] : {std::pair{"freehand", editor.HandBtn}, std::pair{"rectangle outline", editor.rectangle}}) {
            repainted.pixels = 0;
            const Drag result = drag(editor, tool, moves);
            std::printf("| %s | %d | %.1f | %.2f | %.2f | %lld |\n", name, zoom, result.press, result.moves.median,
                        result.moves.worst, repainted.pixels / moves);
        }
    }
    editor.SpeedButton3Click();

    // the whole white page, through the tool and alone
    QImage blank(2480, 3508, QImage::Format_RGB32);
    blank.fill(Qt::white);
    std::vector<double> tool, alone, theirs;
    for (int round = 0; round <= 5; ++round) {
        editor.SetPicture(blank);
        editor.FormShow(); // the yellow brush an opening gives
        editor.FillBtn->click();
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        send(editor.Image, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        send(editor.Image, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
        QCoreApplication::processEvents();
        const double viaTool = elapsedMs(clock);
        QImage copy = blank.copy();
        clock.restart();
        editor::floodFill(copy, QPoint(10, 10), editor::Brush{MakeRGB(255, 255, 0), editor::BrushStyle::Solid});
        const double fill = elapsedMs(clock);
        const QStringList canvas = {QStringLiteral("-size"), QStringLiteral("2480x3508"), QStringLiteral("xc:white")};
        const double with = magick(canvas + QStringList{QStringLiteral("-fill"), QStringLiteral("yellow"),
                                                          QStringLiteral("-floodfill"), QStringLiteral("+10+10"),
                                                          QStringLiteral("white"), QStringLiteral("null:")});
        const double without = magick(canvas + QStringList{QStringLiteral("null:")});
        if (round == 0)
            continue; // warming up
        tool.push_back(viaTool);
        alone.push_back(fill);
        if (with >= 0 && without >= 0)
            theirs.push_back(with - without);
    }
    const Figures viaTool = figures(tool), fill = figures(alone);
    std::printf("\n| flood fill of the white page | median (ms) | worst (ms) |\n|---|---|---|\n");
    std::printf("| fill tool (press to repaint) | %.1f | %.1f |\n", viaTool.median, viaTool.worst);
    std::printf("| fill alone | %.1f | %.1f |\n", fill.median, fill.worst);
    if (!theirs.empty()) {
        const Figures peer = figures(theirs);
        std::printf("| ImageMagick -floodfill | %.1f | %.1f |\n", peer.median, peer.worst);
        std::printf("\nratio fill alone / ImageMagick (medians): %.2f\n", fill.median / peer.median);
    } else {
        std::printf("\nImageMagick's convert is not available: no peer figure\n");
    }
    return 0;
}
