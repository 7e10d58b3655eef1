#pragma once
// Print composition apart from any widget: the picture where it lies on the
// sheet, the duplicated tiles, and the poster cut over several sheets.  The
// window composes on its small upright preview; the command line composes on
// a preview as large as the paper, so that its placement is exact to the
// printer pixel.  Both print through these functions.
#include "SheetGeometry.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

class QPainter;

namespace platform {
class Printer;
class PrintJob;
struct PrintedTo;
struct PrintOptions;
}

namespace composition {

// The main window's upright preview of the sheet, whatever the paper.
inline constexpr QSize WindowPreview(293, 415);

// Draws a bitmap stretched over a rectangle; a width or height below 1
// stands for the bitmap's own size.
void drawBitmap(QPainter &canvas, const QImage &bitmap, int x, int y, int width, int height);

// The picture as shown at `shown` preview pixels, drawn at (x, y) with
// printer pixels per preview pixel sx, sy.
void drawImageAt(QPainter &canvas, const QImage &picture, QSize shown, int x, int y, long double sx, long double sy);

// The picture repeated edge to edge over the printable area from `origin`,
// each tile `tile` preview pixels, with dotted cut lines on request.
void drawTiles(QPainter &canvas, const QImage &picture, QSize tile, QSize printable, QPoint origin, long double sx,
               long double sy, bool cutLines);

// One sheet: the picture where it lies on the preview, or its tiles.
struct Sheet {
    QImage picture;
    QRect bounds;                  // preview pixels
    platform::SheetGeometry sheet; // the sheet as shown, on its preview
    bool tiles = false;
    bool cutLines = false;
};

class UprightForTheJob;

// A job of sheets taken one at a time, as they come: the pages of a feeder
// go into it as they are scanned, and none is held after.  A landscape sheet prints upright.  With
// several passes (the copies of a PDF file) every sheet is given once per pass.
class SheetJob {
public:
    SheetJob(platform::Printer &printer, const platform::PrintOptions &options, const QString &title);
    ~SheetJob();
    int passes() const;
    void print(const Sheet &sheet);
    platform::PrintedTo finish();

private:
    std::unique_ptr<UprightForTheJob> upright_;
    QPoint offset_;
    platform::PaperMetrics paper_;
    std::unique_ptr<platform::PrintJob> job_;
};

// Prints sheets in one job, in as many copies as asked; tells where the job
// went.  A landscape sheet prints upright: the picture was turned on the
// preview instead.  Throws platform::Exception when the job cannot be made
// or handed over.
platform::PrintedTo printSheets(platform::Printer &printer, const std::vector<Sheet> &sheets,
                                const platform::PrintOptions &options, const QString &title);

// A job of more sheets than this prints only once the user has confirmed it:
// a poster of three metres in 9999 copies is a slip, not a job.
inline constexpr long long LargeJobSheets = 1000;

// The question asked, or the reason given, for a job of that many sheets.
QString largeJobQuestion(long long sheets);

// Where a job went, as the end of a sentence about the copy: "enregistrée
// dans « FILE »" or "envoyée à l'imprimante « QUEUE » (travail N)".
QString whereItWent(const platform::PrintedTo &to);

// A poster of a size in screen pixels at `ppi`.
struct Poster {
    QImage picture;
    QSize size;
    int ppi = 96;
    bool keepProportions = true;
    bool cutLines = false;
};

// The picture at poster size (within the poster's proportions when kept) at
// `origin`, with printer pixels per screen pixel kx, ky.
void drawPosterImage(QPainter &canvas, const Poster &poster, QPointF origin, long double kx, long double ky);

// Prints posters in the printer's present orientation, in one job: each on
// one sheet, or cut over as many as it needs, of which those numbered
// from..to (counted column by column from 1; 0..0 for all).  Each sheet
// carries the part of the poster the sketch shows on it.
platform::PrintedTo printPosters(platform::Printer &printer, const std::vector<Poster> &posters,
                                 const platform::PrintOptions &options, const QString &title, int from = 0, int to = 0);

} // namespace composition
