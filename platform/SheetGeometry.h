#pragma once
// The arithmetic of the sheet preview, apart from any widget: the paper as
// the printer reports it, the sheet drawn upright on a preview of W x H
// pixels (the two scales are independent), the millimetre conversions of the
// layout bars, and the poster cut over several sheets.  The main window, the
// print composition and the poster dialog all compute through these types.
#include <QPoint>
#include <QRect>
#include <QSize>

namespace platform {

class Printer;

// What the printer reports, in device pixels of its current orientation.
struct PaperMetrics {
    QSize physical;  // GETPHYSPAGESIZE
    QSize printable; // printable page width and height
    QPoint offset;   // GETPRINTINGOFFSET: the unprintable left and top margins
    int dpiX = 0;    // LOGPIXELSX
    int dpiY = 0;    // LOGPIXELSY
    bool landscape = false;

    static PaperMetrics of(const Printer &printer);

    // The paper's size in whole millimetres, as the printer now reports it.
    int widthMm() const;
    int heightMm() const;
};

class SheetGeometry {
public:
    SheetGeometry() = default;
    // The ratios of the paper as seen on the upright preview: on a landscape
    // printer the two axes are exchanged.
    SheetGeometry(const PaperMetrics &paper, QSize preview);
    // The same ratios on another preview size (poster mode squares the sheet).
    SheetGeometry onPreview(QSize preview) const;

    double printableWidthRatio() const { return rw_; }
    double printableHeightRatio() const { return rh_; }
    double offsetXRatio() const { return ox_; }
    double offsetYRatio() const { return oy_; }

    int width() const { return preview_.width(); }   // W
    int height() const { return preview_.height(); } // H
    int x0() const;
    int y0() const;
    int x1() const;
    int y1() const;
    int printableWidth() const;  // PW
    int printableHeight() const; // PH

    // Printer pixels per preview pixel, for printing the sheet as it is shown.
    long double scaleX() const;
    long double scaleY() const;

    // Millimetres along the preview's axes.  With the sheet turned (the
    // landscape box on) the preview's horizontal axis is the paper's vertical one.
    int mmToPixelsX(int mm, bool turned) const;
    int mmToPixelsY(int mm, bool turned) const;
    int pixelsToMmX(int pixels, bool turned) const;
    int pixelsToMmY(int pixels, bool turned) const;

private:
    struct Axis {
        long double physical;
        long double dpi;
    };
    Axis axis(bool horizontal) const;

    PaperMetrics paper_;
    QSize preview_;
    double rw_ = 0, rh_ = 0, ox_ = 0, oy_ = 0;
};

// The size a new picture takes on the sheet: its own when it fits in `room`,
// else the largest size of its aspect that does.
QSize fitPicture(QSize natural, QSize room);

// Poster sizes travel as tenths of a millimetre in the dialog and as screen
// pixels at the window's resolution in the main window.
int screenPixelsFromTenthsOfMm(int tenths, int ppi);
int tenthsOfMmFromScreenPixels(int pixels, int ppi);

// A poster of a size in screen pixels printed over as many sheets as it
// needs, column by column and top to bottom within a column.
class PosterLayout {
public:
    PosterLayout(const PaperMetrics &paper, QSize posterScreenPixels, int ppi);

    long double kx() const { return kx_; } // printer pixels per screen pixel
    long double ky() const { return ky_; }
    // The poster in printer pixels; a size that rounds to nothing still
    // counts one pixel, so that it still lies on one row and one column.
    int width() const { return width_; }   // c
    int height() const { return height_; } // d
    QSize page() const { return page_; }
    bool singleSheet() const;
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int sheets() const { return columns_ * rows_; }
    // What the sheet of a column and a row (from 0) prints, in printer pixels
    // of the poster: a whole printable page, less at the last column and row.
    QRect part(int column, int row) const;

private:
    long double kx_, ky_;
    int width_, height_;
    QSize page_;
    int columns_ = 1, rows_ = 1;
};

} // namespace platform
