#pragma once
// The copier without its window: scanning pages through the same scanner
// component, laying them on the sheet by the window's rules or at their true
// size, and printing them through the same composition.  Failures throw
// platform::Exception with a one-line reason.
#include "Composition.h"
#include "CopyOptions.h"
#include "Printer.h"
#include "csTwainScan.h"

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

namespace headless {

// Progress for the person at the terminal; empty when nobody watches.
using Report = std::function<void(const QString &)>;
// Asks the person to do something and waits; false when they will not.
using Ask = std::function<bool()>;

struct ScanRequest {
    QString device; // a SANE device name; empty for the last chosen or first scanner
    TcsPixelType pixelType = pxRGB;
    int resolution = 300;
    bool allPages = false;
    bool bothSides = false; // both faces of each sheet, where the feeder can turn them
    TcsFrameSize frame = fsA4;
    QSizeF frameMm; // with fsCustom: the frame from the glass's corner
};

// Receives each page as the scanner delivers it.
using PageSink = std::function<void(const QImage &)>;

// Scans one page (or every page of the feeder); each page carries its
// resolution.  A failure of the scan throws after the pages that came.
void scanPages(const ScanRequest &request, const Report &report, const PageSink &page);
std::vector<QImage> scanPages(const ScanRequest &request, const Report &report);

// Writes a picture by the file's extension (png, jpg, tif, pdf); the file is
// replaced only once it is written whole.
void writePicture(const QImage &picture, const QString &fileName);

// Reads a picture file through the program's readers.
QImage readPicture(const QString &fileName);

enum class Placement { TrueSize, Fit };

struct PrintRequest {
    Placement placement = Placement::TrueSize;
    bool duplicate = false;
    QSize posterMm;  // empty unless a poster is asked for
    int copies = 1;
    bool cutLines = true;
    bool largeJobConfirmed = false; // a job beyond composition::LargeJobSheets prints only so
    CopyOptions copy;               // cleaning, originals per sheet, how the job prints
};

// The sheet the window would show for this picture: placed by its fitting
// rule on the window's preview, or at its physical size centred on the
// printable area of a preview as large as the paper.  `reduced` tells
// whether a true-size picture had to be reduced to fit.
composition::Sheet placeOnSheet(const QImage &picture, const PrintRequest &request, bool *reduced = nullptr);

// Refuses, saying how many sheets, a job beyond composition::LargeJobSheets
// that the request does not confirm: checked before a scan as well as before printing.
void checkJobSize(const PrintRequest &request, int pictures);

// Prints the pictures, cleaned and gathered as the request's copy options
// say, one sheet (or one poster) each, in one job with copies as the options
// say; `notice` hears what the user must know whoever watches (a picture
// reduced to fit).  Tells where the job went.
platform::PrintedTo printPictures(const std::vector<QImage> &pictures, const PrintRequest &request,
                                  const Report &progress, const Report &notice);

// Scans and prints in one job, as printPictures would print the scanned
// pages; nothing reaches the printer when the scan fails.  Pages are placed
// and let go as they come unless every page is needed at the end (a poster,
// originals gathered on a sheet, copies the printer cannot make itself).  An
// identity card is scanned twice, `turnTheCard` asked in between.
platform::PrintedTo copyPages(const ScanRequest &scanRequest, const PrintRequest &request, const Report &progress,
                              const Report &notice, const Ask &turnTheCard);

} // namespace headless
