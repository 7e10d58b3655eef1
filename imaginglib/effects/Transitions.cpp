// The transitions: a picture drawn onto a surface step by step.  Every
// target pixel gets the number of the step that draws it:
//  horizontal: bands of `thickness` rows, every other band first, then the
//              ones skipped;
//  vertical: the same with columns;
//  diagonals: bands along the diagonals, every other one first;
//  diagonal squares: squares of `thickness` pixels, one diagonal of squares
//              at a time, every other diagonal first;
//  rectangles: rings from the border inwards.
// At most kMaxSteps steps, `delay` milliseconds apart.
#include "Frame.h"

#include "Convert.h"
#include "crde2000.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kMaxSteps = 64;

enum class Pattern { Horizontal, Vertical, Diagonals, DiagonalSquares, Rectangles };

// Picture pixels as 32-bit blue, green, red, unused, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

Picture fromDib(HGLOBAL dib)
{
    const codecs::HeldDib held(dib);
    const isp::Image &image = held.image();
    Picture picture{image.width(), image.height(), {}};
    picture.pixels.resize(std::size_t(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t *line = image.row(y);
        for (int x = 0; x < picture.width; ++x) {
            const codecs::Rgb c = codecs::pixelColour(image, line, x);
            picture.pixels[std::size_t(y) * picture.width + x] = 0xFF000000u | c.red << 16 | c.green << 8 | c.blue;
        }
    }
    return picture;
}

Picture fromDeviceBitmap(HGLOBAL bitmap)
{
    GlobalLockGuard lock(bitmap);
    const auto *device = lock.as<const ILDEVICEBITMAP>();
    if (device == nullptr || GlobalSize(bitmap) < sizeof(ILDEVICEBITMAP) || device->bitsPixel != 32
        || device->width <= 0 || device->height <= 0 || device->rowBytes < std::int64_t(device->width) * 4
        || (GlobalSize(bitmap) - sizeof(ILDEVICEBITMAP)) / std::size_t(device->rowBytes) < std::size_t(device->height))
        isp::badArgument("device bitmap");
    Picture picture{device->width, device->height, {}};
    picture.pixels.resize(std::size_t(picture.width) * picture.height);
    const auto *rows = reinterpret_cast<const std::uint8_t *>(device + 1);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&picture.pixels[std::size_t(y) * picture.width], rows + std::size_t(y) * device->rowBytes,
                    std::size_t(picture.width) * 4);
    return picture;
}

// Every other band first, then the others: band b of count.
int skipOrder(int band, int count) { return band % 2 == 0 ? band / 2 : (count + 1) / 2 + band / 2; }

void play(ILSurface &dc, const Picture &picture, Pattern pattern, int thickness, int delay)
{
    const int width = dc.width, height = dc.height;
    const int t = thickness;
    int bands = 0;
    switch (pattern) {
    case Pattern::Horizontal: bands = (height + t - 1) / t; break;
    case Pattern::Vertical: bands = (width + t - 1) / t; break;
    case Pattern::Diagonals: bands = (width + height - 1 + t - 1) / t; break;
    case Pattern::DiagonalSquares: bands = (width + t - 1) / t + (height + t - 1) / t - 1; break;
    case Pattern::Rectangles: bands = (std::min(width, height) + 1) / 2; break;
    }
    const int steps = std::min(bands, kMaxSteps);
    auto stepOf = [&](int x, int y) {
        int order = 0;
        switch (pattern) {
        case Pattern::Horizontal: order = skipOrder(y / t, bands); break;
        case Pattern::Vertical: order = skipOrder(x / t, bands); break;
        case Pattern::Diagonals: order = skipOrder((x + y) / t, bands); break;
        case Pattern::DiagonalSquares: order = skipOrder(x / t + y / t, bands); break;
        case Pattern::Rectangles: order = std::min({x, y, width - 1 - x, height - 1 - y}); break;
        }
        return int(std::int64_t(order) * steps / bands);
    };
    // the pixels of each step, gathered once
    std::vector<std::vector<int>> byStep(static_cast<std::size_t>(steps));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            byStep[std::size_t(stepOf(x, y))].push_back(y * width + x);
    for (int step = 0; step < steps; ++step) {
        int left = width, top = height, right = 0, bottom = 0;
        for (int index : byStep[std::size_t(step)]) {
            const int x = index % width, y = index / width;
            const int sx = int(std::int64_t(x) * picture.width / width), sy = int(std::int64_t(y) * picture.height / height);
            std::memcpy(dc.bits + std::size_t(y) * dc.stride + std::size_t(x) * 4,
                        &picture.pixels[std::size_t(sy) * picture.width + sx], 4);
            left = std::min(left, x), top = std::min(top, y), right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
        }
        if (dc.flush != nullptr && right > left)
            dc.flush(dc.user, left, top, right, bottom);
        if (delay > 0 && step + 1 < steps)
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    }
}

template <typename Load>
int32_t transition(ILSurface *dc, Pattern pattern, int thickness, int delay, Load &&load) noexcept
{
    return isp::guarded<int32_t>(0, [&]() -> int32_t {
        if (dc == nullptr || dc->bits == nullptr || dc->width <= 0 || dc->height <= 0
            || dc->stride < std::int64_t(dc->width) * 4
            || thickness < 1 || thickness > 10000 || delay < 0 || delay > 10000)
            return 0;
        play(*dc, load(), pattern, thickness, delay);
        return 1;
    });
}

} // namespace

extern "C" {

int32_t FXSkipHorizontal(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::Horizontal, thickness, delay, [&] { return fromDeviceBitmap(bitmap); });
}
int32_t FXSkipVertical(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::Vertical, thickness, delay, [&] { return fromDeviceBitmap(bitmap); });
}
int32_t FXSkipDiagonals(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::Diagonals, thickness, delay, [&] { return fromDeviceBitmap(bitmap); });
}
int32_t FXSkipDiagonalSquares(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::DiagonalSquares, thickness, delay, [&] { return fromDeviceBitmap(bitmap); });
}
int32_t FXSkipRectangles(ILSurface *dc, HGLOBAL bitmap, int32_t delay)
{
    return transition(dc, Pattern::Rectangles, 1, delay, [&] { return fromDeviceBitmap(bitmap); });
}
int32_t FXSkipHorizontalDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::Horizontal, thickness, delay, [&] { return fromDib(dib); });
}
int32_t FXSkipVerticalDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::Vertical, thickness, delay, [&] { return fromDib(dib); });
}
int32_t FXSkipDiagonalsDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::Diagonals, thickness, delay, [&] { return fromDib(dib); });
}
int32_t FXSkipDiagonalSquaresDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition(dc, Pattern::DiagonalSquares, thickness, delay, [&] { return fromDib(dib); });
}
int32_t FXSkipRectanglesDib(ILSurface *dc, HGLOBAL dib, int32_t delay)
{
    return transition(dc, Pattern::Rectangles, 1, delay, [&] { return fromDib(dib); });
}

} // extern "C"
