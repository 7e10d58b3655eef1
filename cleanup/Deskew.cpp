#include "Deskew.h"

#include "Page.h"
#include "Rotate.h"
#include "Skew.h"

#include <cmath>

namespace cleanup {

Deskewed deskew(const QImage &page, double minimumAngle)
{
    const double angle = measureSkew(page);
    if (std::abs(angle) < minimumAngle)
        return {page, angle, false};
    return {rotated(page, -angle, edgeColour(workPage(page).pixels)), angle, true};
}

} // namespace cleanup
