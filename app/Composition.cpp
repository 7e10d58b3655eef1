#include "Composition.h"

#include "Printer.h"
#include "Rounding.h"

#include <QDir>
#include <QPainter>

using platform::roundInt;

namespace composition {

namespace {


void useCutLinePen(QPainter &canvas)
{
    canvas.setPen(QPen(Qt::black, 0, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
}

} // namespace

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

SheetJob::SheetJob(platform::Printer &printer, const platform::PrintOptions &options, const QString &title)
    : upright_(std::make_unique<UprightForTheJob>(printer)), offset_(printer.printingOffset()),
      paper_(platform::PaperMetrics::of(printer)), job_(std::make_unique<platform::PrintJob>(printer, title, options))
{
}

SheetJob::~SheetJob() = default;

int SheetJob::passes() const
{
    return job_->passes();
}

void SheetJob::print(const Sheet &sheet)
{
    const platform::SheetGeometry shown(paper_, QSize(sheet.sheet.width(), sheet.sheet.height()));
    const long double sx = shown.scaleX(), sy = shown.scaleY();
    job_->beginPage();
    if (sheet.tiles)
        drawTiles(job_->canvas(), sheet.picture, sheet.bounds.size(),
                  QSize(sheet.sheet.printableWidth(), sheet.sheet.printableHeight()), QPoint(0, 0), sx, sy, sheet.cutLines);
    else
        drawImageAt(job_->canvas(), sheet.picture, sheet.bounds.size(), roundInt(sx * sheet.bounds.x()) - offset_.x(),
                    roundInt(sy * sheet.bounds.y()) - offset_.y(), sx, sy);
}

platform::PrintedTo SheetJob::finish()
{
    return job_->finish();
}

platform::PrintedTo printSheets(platform::Printer &printer, const std::vector<Sheet> &sheets,
                                const platform::PrintOptions &options, const QString &title)
{
    SheetJob job(printer, options, title);
    for (int pass = 0; pass < job.passes(); ++pass)
        for (const Sheet &sheet : sheets)
            job.print(sheet);
    return job.finish();
}

namespace {

// The size the picture takes on the poster, in printer pixels: the whole
// poster, or within it with the picture's proportions when they are kept.
QSize pictureOnPoster(const Poster &poster, long double kx, long double ky)
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
    return QSize(roundInt(f * kx), roundInt(e * ky));
}

} // namespace

void drawPosterImage(QPainter &canvas, const Poster &poster, QPointF origin, long double kx, long double ky)
{
    const QSize size = pictureOnPoster(poster, kx, ky);
    drawBitmap(canvas, poster.picture, roundInt(origin.x()), roundInt(origin.y()), size.width(), size.height());
}

namespace {

// The picture as it lies on the poster (`drawn` printer pixels), at the
// resolution of its larger side.
QImage posterWork(const QImage &picture, QSize drawn)
{
    const int n = std::max(picture.width(), picture.height());
    const int w = std::max(1, drawn.width()), h = std::max(1, drawn.height());
    const QSize workSize = h > w ? QSize(roundInt(static_cast<long double>(w) * n / h), n)
                                 : QSize(n, roundInt(static_cast<long double>(h) * n / w));
    QImage work(workSize.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter stretch(&work);
    stretch.drawImage(work.rect(), picture);
    return work;
}

// The sheets of one poster, those numbered from..to (0..0 for all).  Each
// carries the part of the picture that lies on it, as the sketch shows it.
void composePoster(platform::PrintJob &job, const platform::PaperMetrics &paper, const Poster &poster, int from, int to)
{
    const platform::PosterLayout layout(paper, poster.size, poster.ppi);
    if (layout.singleSheet()) {
        job.beginPage();
        drawPosterImage(job.canvas(), poster, QPointF(0, 0), layout.kx(), layout.ky());
        return;
    }
    const QRect drawn(QPoint(0, 0), pictureOnPoster(poster, layout.kx(), layout.ky()));
    const QImage work = posterWork(poster.picture, drawn.size());
    const long double fx = static_cast<long double>(work.width()) / std::max(1, drawn.width());
    const long double fy = static_cast<long double>(work.height()) / std::max(1, drawn.height());
    const bool allSheets = from == 0 && to == 0;
    int number = 0;
    for (int column = 0; column < layout.columns(); ++column) {
        for (int row = 0; row < layout.rows(); ++row) {
            ++number;
            if (!allSheets && (number < from || number > to))
                continue;
            const QRect part = layout.part(column, row);
            job.beginPage();
            // The part of the picture on this sheet, cut from the work bitmap.
            const QRect onSheet = part.intersected(drawn);
            if (!onSheet.isEmpty()) {
                const QImage tile = work.copy(roundInt(onSheet.x() * fx), roundInt(onSheet.y() * fy),
                                              std::max(1, roundInt(onSheet.width() * fx)),
                                              std::max(1, roundInt(onSheet.height() * fy)));
                drawBitmap(job.canvas(), tile, onSheet.x() - part.x(), onSheet.y() - part.y(), onSheet.width(),
                           onSheet.height());
            }
            if (poster.cutLines) {
                useCutLinePen(job.canvas());
                job.canvas().drawRect(0, 0, part.width() - 1, part.height() - 1);
            }
        }
    }
}

} // namespace

platform::PrintedTo printPosters(platform::Printer &printer, const std::vector<Poster> &posters,
                                 const platform::PrintOptions &options, const QString &title, int from, int to)
{
    const platform::PaperMetrics paper = platform::PaperMetrics::of(printer);
    platform::PrintJob job(printer, title, options);
    for (int pass = 0; pass < job.passes(); ++pass)
        for (const Poster &poster : posters)
            composePoster(job, paper, poster, from, to);
    return job.finish();
}

QString largeJobQuestion(long long sheets)
{
    return QStringLiteral("Ce travail compte %1 feuilles, plus de %2. L'imprimer quand même ?").arg(sheets).arg(LargeJobSheets);
}

QString whereItWent(const platform::PrintedTo &to)
{
    if (!to.file.isEmpty())
        return QStringLiteral("enregistrée dans « %1 »").arg(QDir::toNativeSeparators(to.file));
    return QStringLiteral("envoyée à l'imprimante « %1 » (travail %2)").arg(to.queue).arg(to.job);
}

} // namespace composition
