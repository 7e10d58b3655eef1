#pragma once
// Straightens a page: measures how far it is turned (Skew.h) and turns it
// back about its centre (Rotate.h), keeping its size and format.  The
// corners the turn uncovers take the colour around the page's edge: the
// paper's when the page fills the scan, the glass's when it lies on a larger
// one, so that cropping afterwards still finds the document.  A page turned
// by less than `minimumAngle` degrees is given back as it is, byte for byte.
#include <QImage>

namespace cleanup {

struct Deskewed {
    QImage page;
    double angle = 0; // as measured: degrees clockwise as seen on screen
    bool turned = false;
};

Deskewed deskew(const QImage &page, double minimumAngle = 0.1);

} // namespace cleanup
