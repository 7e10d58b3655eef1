#include "Filters.h"

#include <algorithm>

namespace isp {

FloatImage extractColour(const Image &image, const Rect &region)
{
    FloatImage result{region.width(), region.height(), 3, {}};
    result.data.resize(std::size_t(result.width) * result.height * 3);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < result.height; ++y)
        for (int x = 0; x < result.width; ++x) {
            const std::uint8_t *p = pixel(image, region.left + x, region.top + y);
            float *q = result.at(x, y);
            q[0] = p[0], q[1] = p[1], q[2] = p[2];
        }
    return result;
}

namespace {

// One running-sum pass over `count` samples spaced `step` floats apart.
void blurLine(float *line, int count, int step, int channels, int radius, std::vector<float> &scratch)
{
    scratch.assign(std::size_t(count) * channels, 0.0f);
    const float scale = 1.0f / float(2 * radius + 1);
    for (int k = 0; k < channels; ++k) {
        auto sample = [&](int i) { return line[std::size_t(std::clamp(i, 0, count - 1)) * step + k]; };
        double sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += sample(i);
        for (int i = 0; i < count; ++i) {
            scratch[std::size_t(i) * channels + k] = float(sum) * scale;
            sum += sample(i + radius + 1) - sample(i - radius);
        }
    }
    for (int i = 0; i < count; ++i)
        for (int k = 0; k < channels; ++k)
            line[std::size_t(i) * step + k] = scratch[std::size_t(i) * channels + k];
}

} // namespace

bool boxBlur(FloatImage &image, int radius, Progress &progress)
{
    if (radius <= 0)
        return progress.finish();
    const int channels = image.channels, width = image.width, height = image.height;
    Progress rows = progress.part(0, 50), columns = progress.part(50, 100);
    const bool rowsDone = forRows(0, height, rows, [&](int y) {
        thread_local std::vector<float> scratch;
        blurLine(image.at(0, y), width, channels, channels, radius, scratch);
    });
    if (!rowsDone)
        return false;
    // Columns in strips: running sums for a strip of neighbouring columns
    // move down the rows together, which keeps the memory reads in order.
    constexpr int kStrip = 64;
    const int strips = (width + kStrip - 1) / kStrip;
    const float scale = 1.0f / float(2 * radius + 1);
    return forRows(0, strips, columns, [&](int strip) {
        const int first = strip * kStrip, count = std::min(kStrip, width - first) * channels;
        auto line = [&](int y) { return image.at(first, std::clamp(y, 0, height - 1)); };
        std::vector<double> sums(std::size_t(count), 0.0);
        std::vector<float> source(std::size_t(count) * height);
        for (int y = 0; y < height; ++y)
            std::copy_n(line(y), count, source.begin() + std::ptrdiff_t(y) * count);
        auto original = [&](int y) { return source.data() + std::size_t(std::clamp(y, 0, height - 1)) * count; };
        for (int y = -radius; y <= radius; ++y)
            for (int i = 0; i < count; ++i)
                sums[std::size_t(i)] += original(y)[i];
        for (int y = 0; y < height; ++y) {
            float *out = image.at(first, y);
            const float *entering = original(y + radius + 1), *leaving = original(y - radius);
            for (int i = 0; i < count; ++i) {
                out[i] = float(sums[std::size_t(i)]) * scale;
                sums[std::size_t(i)] += entering[i] - leaving[i];
            }
        }
    });
}

} // namespace isp
