#pragma once
// Hue, saturation and lightness, the model the colour effects think in.
#include <algorithm>
#include <cmath>

namespace isp {

struct Hsl {
    double hue = 0;        // degrees, 0 to 360
    double saturation = 0; // 0 to 1
    double lightness = 0;  // 0 to 1
};

inline Hsl toHsl(double red, double green, double blue)
{
    red /= 255.0, green /= 255.0, blue /= 255.0;
    const double high = std::max({red, green, blue}), low = std::min({red, green, blue});
    Hsl hsl;
    hsl.lightness = (high + low) / 2.0;
    const double delta = high - low;
    if (delta <= 0.0)
        return hsl;
    hsl.saturation = hsl.lightness > 0.5 ? delta / (2.0 - high - low) : delta / (high + low);
    double hue;
    if (high == red)
        hue = (green - blue) / delta + (green < blue ? 6.0 : 0.0);
    else if (high == green)
        hue = (blue - red) / delta + 2.0;
    else
        hue = (red - green) / delta + 4.0;
    hsl.hue = hue * 60.0;
    return hsl;
}

inline void fromHsl(const Hsl &hsl, double &red, double &green, double &blue)
{
    const double l = hsl.lightness, s = hsl.saturation;
    if (s <= 0.0) {
        red = green = blue = l * 255.0;
        return;
    }
    const double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double p = 2.0 * l - q;
    auto channel = [&](double t) {
        t -= std::floor(t);
        if (t < 1.0 / 6.0)
            return p + (q - p) * 6.0 * t;
        if (t < 0.5)
            return q;
        if (t < 2.0 / 3.0)
            return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
        return p;
    };
    const double h = hsl.hue / 360.0;
    red = channel(h + 1.0 / 3.0) * 255.0;
    green = channel(h) * 255.0;
    blue = channel(h - 1.0 / 3.0) * 255.0;
}

} // namespace isp
