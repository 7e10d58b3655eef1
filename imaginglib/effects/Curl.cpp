// Curl: a page corner folded over.  The chosen corner of the rectangle
// (top left when none or several are given) is turned over along a fold line
// a third of the way in: diagonal, or steeper with `verticalFold`, flatter
// with `horizontalFold`.  Where the corner was, the background colour shows,
// or the picture itself with `keepImage`.  The turned flap shows its back in
// the background or foreground colour, shaded like a curved sheet.  With
// `shadowUnder` the flap casts a soft shadow in the background or
// foreground colour; `shadowTransparency` lets the picture show
// through it.
#include "Frame.h"

#include <cmath>

namespace {

struct Colour {
    double blue, green, red;
};

void blend(std::uint8_t *q, const Colour &c, double opacity)
{
    const double parts[3] = {c.blue, c.green, c.red};
    for (int k = 0; k < 3; ++k)
        q[k] = isp::clampByte(q[k] + (parts[k] - q[k]) * opacity);
}

} // namespace

extern "C" HGLOBAL Curl(HGLOBAL dib, int16_t faceBackground, int16_t faceForeground, int16_t keepImage,
                        int16_t shadowBackground, int16_t shadowForeground, double shadowTransparency,
                        int16_t shadowUnder, int16_t bottomLeft, int16_t bottomRight, int16_t topLeft,
                        int16_t topRight, int16_t verticalFold, int16_t horizontalFold, uint8_t foreRed,
                        uint8_t foreGreen, uint8_t foreBlue, uint8_t backRed, uint8_t backGreen, uint8_t backBlue,
                        int32_t left, int32_t top, int32_t right, int32_t bottom, void *userData,
                        ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &, isp::Image &target, const isp::Rect &rect, isp::Progress &p) {
        isp::require(isp::parameterRow("Curl", "shadowTransparency"), shadowTransparency);
        const Colour fore{double(foreBlue), double(foreGreen), double(foreRed)};
        const Colour back{double(backBlue), double(backGreen), double(backRed)};
        const Colour face = faceForeground && !faceBackground ? fore : back;
        const Colour shadow = shadowBackground && !shadowForeground ? back : fore;
        // the corner: which sides u and v are measured from
        const int corners = (topLeft != 0) + (topRight != 0) + (bottomLeft != 0) + (bottomRight != 0);
        const bool fromRight = corners == 1 && (topRight || bottomRight);
        const bool fromBottom = corners == 1 && (bottomLeft || bottomRight);
        // the fold line u / a + v / b = 1 cuts the corner triangle off
        const double side = std::min(rect.width(), rect.height()) / 3.0 + 1.0;
        double a = side, b = side;
        if (verticalFold && !horizontalFold)
            a = side / 2.0;
        else if (horizontalFold && !verticalFold)
            b = side / 2.0;
        const double norm = std::hypot(1.0 / a, 1.0 / b);
        const double nx = 1.0 / a / norm, ny = 1.0 / b / norm; // unit normal of the fold, pointing inwards
        const double lineDistance = 1.0 / norm;                 // from the corner to the fold
        const double shadowWidth = side / 6.0;
        const double shadowOpacity = 0.8 * (1.0 - shadowTransparency * 0.75);
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const double u = fromRight ? rect.right - 1 - x : x - rect.left;
                const double v = fromBottom ? rect.bottom - 1 - y : y - rect.top;
                // signed distance from the fold line, negative on the corner's side
                const double d = u * nx + v * ny - lineDistance;
                std::uint8_t *q = isp::pixel(target, x, y);
                if (d < 0.0) {
                    if (!keepImage)
                        blend(q, back, 1.0);
                    continue;
                }
                // the flap: this point mirrored over the fold lands in the corner triangle
                const double mu = u - 2.0 * d * nx, mv = v - 2.0 * d * ny;
                if (mu >= 0.0 && mv >= 0.0) {
                    const double curve = std::min(1.0, d / lineDistance);
                    blend(q, face, 1.0);
                    blend(q, Colour{255, 255, 255}, 0.35 * (1.0 - curve));
                    blend(q, Colour{0, 0, 0}, 0.25 * curve);
                    continue;
                }
                if (!shadowUnder)
                    continue;
                // just outside the flap's edges: a shadow that fades with distance
                const double outside = std::max(-mu, -mv);
                if (outside < shadowWidth && d < 2.0 * lineDistance + shadowWidth)
                    blend(q, shadow, shadowOpacity * (1.0 - outside / shadowWidth));
            }
        });
    });
}
