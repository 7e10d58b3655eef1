#pragma once
// Whitens the background of a grey or colour page: the paper's tint becomes
// white and the ink keeps its darkness.  The paper is the most common
// luminance among the lighter half of the page; its white point is, for
// each channel, the level all but the darkest one percent of the paper's
// pixels reach, and the ink's level the one the darkest one percent of the
// page reaches (at most half the white point).  Each channel then keeps the
// levels up to the ink's and stretches those above it so that the paper's
// white point becomes 255.  Black-and-white pages, and pages without a light
// paper, are given back as they are.
#include <QImage>
#include <QRgb>

namespace cleanup {

struct Whitened {
    QImage page;
    QRgb paper = qRgb(255, 255, 255); // the paper's colour as measured (its median)
    int ink = 0;                      // the level kept as it is, and every level below
    bool changed = false;
};

Whitened whitenBackground(const QImage &page);

} // namespace cleanup
