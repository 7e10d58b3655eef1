#pragma once
// Finds the document on the scanner's glass and keeps only it.  The glass
// is what surrounds the page along its edge (the lid's white, a dark or grey
// border); the document is the rectangle that holds everything clearly of
// another colour, ignoring specks smaller than a fortieth of the page.  Its
// edges are found on a reduced copy, then placed to the pixel where half of
// a row or column has turned from the glass's colour to the paper's.  The
// page should be straight (Deskew.h) first.  When nothing differs from the
// glass, or the document fills the scan, the rectangle is the whole page.
// When the paper is the glass's own colour, only its content can be seen:
// the rectangle then holds the content.
#include <QImage>
#include <QRect>

namespace cleanup {

QRect findDocument(const QImage &page);

struct Cropped {
    QImage page; // the part of the page inside rect, in the page's format
    QRect rect;
};

Cropped crop(const QImage &page);

} // namespace cleanup
