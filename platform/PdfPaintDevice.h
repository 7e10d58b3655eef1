#pragma once
// A paint device whose pages go into a PdfDocument, so that code written for
// a printer's QPainter draws exact PDF pages unchanged.  Its unit is the
// device pixel of a printer of the given resolution; pictures keep their own
// pixels whatever size they are drawn at.
//
// What reaches the page as vector drawing: pictures and pixmaps under any
// affine transform, rectangles, lines, polygons, ellipses and paths stroked
// with the pen (solid, dashed or dotted, any width; cosmetic pens are one
// device pixel wide) and filled with a solid brush, text (as outlines), and
// clipping.  What QPainter cannot ask of this engine it paints itself into a
// transparent picture that is then placed here: translucent colours,
// gradients, pattern and texture brushes, constant opacity.  Composition
// modes other than drawing over are ignored: a page has nothing under it to
// combine with, and PDF has no raster operations.
//
// The device is a series of pages starting with one; painters draw on the
// current page, newPage() starts the next.
#include <QPaintDevice>
#include <QSize>

#include <memory>

namespace platform {

class PdfDocument;
class PdfPaintEngine;

class PdfPaintDevice : public QPaintDevice {
public:
    // paper: the sheet's size in device pixels; dpi: device pixels per inch;
    // page: the sheet's exact size in points, when the pixels round it (A4 is
    // 595.28 points, not the 4961 pixels at 600 dpi), else the pixels' size.
    // Throws PdfError when the paper or the resolution is not positive.
    PdfPaintDevice(PdfDocument &document, QSize paper, int dpi, QSizeF page = QSizeF());
    ~PdfPaintDevice() override;

    void newPage();

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    PdfDocument &document_;
    QSize paper_;
    int dpi_;
    QSizeF page_;
    std::unique_ptr<PdfPaintEngine> engine_;
};

} // namespace platform
