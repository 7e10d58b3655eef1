#pragma once
// Turns a page about its centre, keeping its size: the page turns clockwise
// (as seen on screen) by `degrees`, negative for counter-clockwise.  Grey
// and colour pages are resampled bicubically (Catmull-Rom); black-and-white
// pages bilinearly, then thresholded at mid-grey, so that they stay 1-bit.
// The corners the turn uncovers, and the samples that fall outside the
// page, take the colour `fill`.  An angle that is not a number throws
// platform::Exception.
#include <QImage>
#include <QRgb>

namespace cleanup {

QImage rotated(const QImage &page, double degrees, QRgb fill);

} // namespace cleanup
