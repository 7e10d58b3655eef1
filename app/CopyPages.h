#pragma once
// What the copy does to the originals between the scanner and the sheet, for
// the window and the command alike: each page cleaned as the copy's options
// ask, then several originals, or both faces of a card, gathered on one sheet.
#include "CopyOptions.h"

#include <QImage>
#include <QSize>
#include <vector>

namespace platform {
struct PaperMetrics;
}

namespace copying {

// Dots per inch a picture was scanned or drawn at; 0 when it does not say.
int dotsPerInch(const QImage &picture);
// The picture told it is at `dpi`.
void setDotsPerInch(QImage &picture, int dpi);

// The page straightened, cropped to the document and whitened, as `options`
// ask, in that order; the page as it is when they ask for none.
QImage cleaned(const QImage &page, const CopyOptions &options);

// A sheet to gather originals on: the paper's printable area, in pixels at
// `dpi` (the printer's, at most 300: the originals are reduced anyway).
struct GatherSheet {
    QSize size;
    int dpi = 0;
    static GatherSheet of(const platform::PaperMetrics &paper);
};

// The originals `perSheet` to a sheet (2: one above the other; 4: two by
// two), each as large as its cell allows, turned a quarter when it is larger
// so, centred in its cell; one picture per sheet, white where nothing is.
std::vector<QImage> gathered(const std::vector<QImage> &originals, int perSheet, const GatherSheet &sheet);

// The two faces of a card found on the glass, at their true size (reduced
// only if they cannot both fit), one above the other on one sheet.
QImage identityCard(const QImage &front, const QImage &back, const GatherSheet &sheet);

// The originals as the copy prints them: cleaned, then gathered as the
// options say (an identity card's two faces, or 2 or 4 to a sheet).
std::vector<QImage> prepared(std::vector<QImage> originals, const CopyOptions &options, const GatherSheet &sheet);

} // namespace copying
