#pragma once
// What the page-cleaning operations share: the page in the form they work
// on and back to the caller's storage, its luminance, reduced copies for
// measuring, and the colour around its edge.
//
// Pages come as 1-bit (Mono, MonoLSB), grey (Grayscale8) or colour
// (RGB888 and the other 8-bit-per-channel formats).  The operations work on
// black-and-white and grey pages as Grayscale8 and on colour as RGB888, and
// give the result back in the input's format: 1-bit pages stay 1-bit with
// their palette, 32-bit ones 32-bit (opaque).  An indexed 8-bit page cannot
// hold the new shades a turn makes: it comes back as Grayscale8 when its
// palette is grey, as RGB888 otherwise.
#include <QImage>
#include <QRgb>

namespace cleanup {

enum class PageKind { Bilevel, Grey, Colour };

struct WorkPage {
    QImage pixels; // Grayscale8 or RGB888
    PageKind kind;
};

WorkPage workPage(const QImage &page);
// The work pixels in the original's storage; a black-and-white page is
// thresholded at mid-grey.
QImage storedLike(const QImage &pixels, const QImage &original);

// Grayscale8 luminance of Grayscale8 or RGB888 pixels.
QImage luminance(const QImage &pixels);
// The means of factor × factor cells (the last row and column of cells
// take what is left), for a Grayscale8 or RGB888 picture.
QImage reduced(const QImage &pixels, int factor);
// The median of each channel along the picture's outermost pixels: what
// surrounds the page (the scanner's lid or border, or the paper itself when
// it fills the scan).
QRgb edgeColour(const QImage &pixels);

} // namespace cleanup
