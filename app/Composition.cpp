#include "Composition.h"

#include "Printer.h"
#include "Rounding.h"

#include <QPainter>

using platform::roundInt;

namespace composition {

namespace {


void useCutLinePen(QPainter &canvas)
{
    canvas.setPen(QPen(Qt::black, 0, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
}

// Portrait for the length of a job, landscape again after.
class UprightForTheJob {
public:
    explicit UprightForTheJob(platform::Printer &printer)
        : printer_(printer), landscape_(printer.orientation() == platform::Orientation::Landscape)
    {
        if (landscape_)
            printer_.setOrientation(platform::Orientation::Portrait);
    }
    ~UprightForTheJob()
    {
        if (landscape_)
            printer_.setOrientation(platform::Orientation::Landscape);
    }
    UprightForTheJob(const UprightForTheJob &) = delete;
    UprightForTheJob &operator=(const UprightForTheJob &) = delete;

private:
    platform::Printer &printer_;
    bool landscape_;
};

} // namespace

void drawBitmap(QPainter &canvas, const QImage &bitmap, int x, int y, int width, int height)
{
    if (width < 1 || height < 1) {
        width = bitmap.width();
        height = bitmap.height();
    }
    canvas.drawImage(QRect(x, y, width, height), bitmap);
}

void drawImageAt(QPainter &canvas, const QImage &picture, QSize shown, int x, int y, long double sx, long double sy)
{
    drawBitmap(canvas, picture, x, y, roundInt(shown.width() * sx), roundInt(shown.height() * sy));
}

void drawTiles(QPainter &canvas, const QImage &picture, QSize tile, QSize printable, QPoint origin, long double sx,
               long double sy, bool cutLines)
{
    const int width = tile.width(), height = tile.height();
    if (width <= 0 || height <= 0)
        return;
    const int cols = printable.width() / width, rows = printable.height() / height;
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j < rows; ++j) {
            const QPoint corner(roundInt(static_cast<long double>(i) * width * sx) + origin.x(),
                                roundInt(static_cast<long double>(j) * height * sy) + origin.y());
            drawImageAt(canvas, picture, tile, corner.x(), corner.y(), sx, sy);
            if (cutLines) {
                useCutLinePen(canvas);
                canvas.drawRect(QRect(corner, QSize(roundInt(width * sx), roundInt(height * sy))).adjusted(0, 0, -1, -1));
            }
        }
    }
}

void printSheets(platform::Printer &printer, const std::vector<Sheet> &sheets, int copies, const QString &title)
{
    UprightForTheJob upright(printer);
    const QPoint offset = printer.printingOffset();
    const platform::PaperMetrics paper = platform::PaperMetrics::of(printer);
    platform::PrintJob job(printer, title, copies);
    for (int pass = 0; pass < job.passes(); ++pass) {
        for (const Sheet &sheet : sheets) {
            const platform::SheetGeometry shown(paper, QSize(sheet.sheet.width(), sheet.sheet.height()));
            const long double sx = shown.scaleX(), sy = shown.scaleY();
            job.beginPage();
            if (sheet.tiles)
                drawTiles(job.canvas(), sheet.picture, sheet.bounds.size(),
                          QSize(sheet.sheet.printableWidth(), sheet.sheet.printableHeight()), QPoint(0, 0), sx, sy,
                          sheet.cutLines);
            else
                drawImageAt(job.canvas(), sheet.picture, sheet.bounds.size(), roundInt(sx * sheet.bounds.x()) - offset.x(),
                            roundInt(sy * sheet.bounds.y()) - offset.y(), sx, sy);
        }
    }
}

void drawPosterImage(QPainter &canvas, const Poster &poster, QPointF origin, long double kx, long double ky)
{
    long double f = poster.size.width(), e = poster.size.height();
    const int picW = poster.picture.width(), picH = poster.picture.height();
    if (poster.keepProportions && picW > 0 && picH > 0) {
        const long double h = f * picH / picW;
        if (e >= h)
            e = roundInt(h);
        else
            f = roundInt(e * picW / picH);
    }
    drawBitmap(canvas, poster.picture, roundInt(origin.x()), roundInt(origin.y()), roundInt(f * kx), roundInt(e * ky));
}

namespace {

// The picture stretched to the poster's proportions, at the resolution of its larger side.
QImage posterWork(const Poster &poster)
{
    const int n = std::max(poster.picture.width(), poster.picture.height());
    const int w = std::max(1, poster.size.width()), h = std::max(1, poster.size.height());
    const QSize workSize = h > w ? QSize(roundInt(static_cast<long double>(w) * n / h), n)
                                 : QSize(n, roundInt(static_cast<long double>(h) * n / w));
    QImage work(workSize.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter stretch(&work);
    stretch.drawImage(work.rect(), poster.picture);
    return work;
}

// The sheets of one poster, those numbered from..to (0..0 for all).
void composePoster(platform::PrintJob &job, const platform::PaperMetrics &paper, const Poster &poster, int from, int to)
{
    const platform::PosterLayout layout(paper, poster.size, poster.ppi);
    if (layout.singleSheet()) {
        job.beginPage();
        drawPosterImage(job.canvas(), poster, QPointF(0, 0), layout.kx(), layout.ky());
        return;
    }
    const QImage work = posterWork(poster);
    const long double fx = static_cast<long double>(work.width()) / layout.width();
    const long double fy = static_cast<long double>(work.height()) / layout.height();
    const bool allSheets = from == 0 && to == 0;
    int number = 0;
    for (int column = 0; column < layout.columns(); ++column) {
        for (int row = 0; row < layout.rows(); ++row) {
            ++number;
            if (!allSheets && (number < from || number > to))
                continue;
            const QRect part = layout.part(column, row);
            job.beginPage();
            // The part of the poster this sheet carries, cut from the work bitmap.
            const QImage tile = work.copy(roundInt(part.x() * fx), roundInt(part.y() * fy),
                                          std::max(1, roundInt(part.width() * fx)), std::max(1, roundInt(part.height() * fy)));
            drawBitmap(job.canvas(), tile, 0, 0, roundInt(tile.width() / fx), roundInt(tile.height() / fy));
            if (poster.cutLines) {
                useCutLinePen(job.canvas());
                job.canvas().drawRect(0, 0, part.width() - 1, part.height() - 1);
            }
        }
    }
}

} // namespace

void printPosters(platform::Printer &printer, const std::vector<Poster> &posters, int copies, const QString &title,
                  int from, int to)
{
    const platform::PaperMetrics paper = platform::PaperMetrics::of(printer);
    platform::PrintJob job(printer, title, copies);
    for (int pass = 0; pass < job.passes(); ++pass)
        for (const Poster &poster : posters)
            composePoster(job, paper, poster, from, to);
}

} // namespace composition
