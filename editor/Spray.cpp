#include "Spray.h"

#include "Rounding.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace editor {

Spray::Spray() : engine_(std::random_device{}()) {}

QPoint Spray::dot(QPoint centre, int size)
{
    const int r = std::uniform_int_distribution<int>(0, std::max(size, 1) - 1)(engine_);
    const int degrees = std::uniform_int_distribution<int>(0, 359)(engine_);
    const long double a = degrees * std::numbers::pi_v<long double> / 180;
    return QPoint(platform::roundInt(centre.x() + r * std::cos(a)), platform::roundInt(centre.y() + r * std::sin(a)));
}

} // namespace editor
