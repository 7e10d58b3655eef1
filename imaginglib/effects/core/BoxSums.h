#pragma once
// Repeated box sums, the exact integer form of the box blurs that smooth a
// picture (Blur, Better): `passes` sums of the 2r + 1 neighbours along the
// rows, then as many down the columns, each pass clamping at the edges of
// the region it works in.  Dividing by (2r + 1)^(2 passes) gives the blur;
// since nothing was rounded on the way, the result is the blur itself,
// rounded once.
//
// The region is never held whole, in floats or otherwise: the rectangle is
// cut into tiles, and each tile pulls the rows it needs through a small
// pipeline: a row summed across, then each column pass a running sum over a
// ring of the 2r + 2 rows its input made last.  Tiles run in parallel and
// each is computed on its own, so the result does not depend on the
// threads.
#include "Frame.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace isp {

// Division by a constant, exact for numerators up to `largest`, as a
// multiplication and a shift: with 2^shift > largest × divisor the error of
// the rounded-up reciprocal stays below what would change the quotient.
class ExactDivider {
public:
    ExactDivider(std::uint64_t divisor, std::uint64_t largest)
    {
        while (shift_ < 127 && (unsigned __int128)(largest + 1) * divisor > ((unsigned __int128)1 << shift_))
            ++shift_;
        multiplier_ = std::uint64_t((((unsigned __int128)1 << shift_) + divisor - 1) / divisor);
        narrow_ = (unsigned __int128)(largest + 1) * multiplier_ < ((unsigned __int128)1 << 64);
    }
    // True when operator() may use 64-bit products.
    bool narrow() const { return narrow_; }
    std::uint64_t operator()(std::uint64_t x) const
    {
        return narrow_ ? (x * multiplier_) >> shift_ : std::uint64_t(((unsigned __int128)x * multiplier_) >> shift_);
    }
    std::uint64_t narrowQuotient(std::uint32_t x) const { return (std::uint64_t(x) * multiplier_) >> shift_; }

private:
    std::uint64_t multiplier_ = 0;
    int shift_ = 0;
    bool narrow_ = false;
};

// One tile's pipeline: the sums of the rows of a band, for the picture's
// columns [left, right), over `region` (which holds the tile).
template <typename Sum> class BoxPipeline {
public:
    BoxPipeline(const Image &source, const Rect &region, int left, int right, int radius, int passes)
        : source_(source), region_(region), radius_(radius), passes_(passes), first_(left - region.left),
          last_(right - region.left), ring_(2 * radius + 2), stages_(std::size_t(passes) + 1)
    {
        scratch_[0].resize(std::size_t(region.width()) * 3);
        scratch_[1].resize(std::size_t(region.width()) * 3);
        for (Stage &stage : stages_) {
            stage.rows.resize(std::size_t(ring_) * values());
            stage.tags.assign(std::size_t(ring_), -1);
            stage.sum.resize(values());
        }
    }

    // The sums of row y of the picture: blue, green, red of each column.
    // Rows are asked for in increasing order.
    const Sum *row(int y) { return rowOf(passes_, y - region_.top); }

private:
    struct Stage {
        std::vector<Sum> rows; // a ring of the rows made last; `tags` says which
        std::vector<int> tags;
        std::vector<Sum> sum;  // running sums of a column pass
        int made = -1;         // the row `sum` holds; -1 before the first
    };

    std::size_t values() const { return std::size_t(last_ - first_) * 3; }
    int clampRow(int y) const { return std::clamp(y, 0, region_.height() - 1); }
    Sum *slot(Stage &stage, int y)
    {
        stage.tags[std::size_t(y % ring_)] = y;
        return stage.rows.data() + std::size_t(y % ring_) * values();
    }

    // Row y of the region after the row passes (stage 0) and k column
    // passes (stage k).  A column pass begins at the first row asked of it
    // and goes down from there; its input is then always in the ring.
    const Sum *rowOf(int k, int y)
    {
        Stage &stage = stages_[std::size_t(k)];
        if (stage.tags[std::size_t(y % ring_)] == y)
            return stage.rows.data() + std::size_t(y % ring_) * values();
        if (k == 0) {
            Sum *out = slot(stage, y);
            across(y, out);
            return out;
        }
        const std::size_t count = values();
        Sum *sum = stage.sum.data();
        if (stage.made < 0) {
            std::fill_n(sum, count, Sum(0));
            for (int i = -radius_; i <= radius_; ++i) {
                const Sum *in = rowOf(k - 1, clampRow(y + i));
                for (std::size_t j = 0; j < count; ++j)
                    sum[j] += in[j];
            }
        } else {
            // running sums; unsigned wrap-around on the way cancels out exactly
            for (int at = stage.made + 1; at <= y; ++at) {
                const Sum *entering = rowOf(k - 1, clampRow(at + radius_));
                const Sum *leaving = rowOf(k - 1, clampRow(at - 1 - radius_));
                for (std::size_t j = 0; j < count; ++j)
                    sum[j] += entering[j] - leaving[j];
                if (at < y)
                    std::copy_n(sum, count, slot(stage, at));
            }
        }
        stage.made = y;
        Sum *out = slot(stage, y);
        std::copy_n(sum, count, out);
        return out;
    }

    // The row passes over row y of the region, for the pipeline's columns.
    void across(int y, Sum *out)
    {
        const int width = region_.width(), r = radius_;
        auto span = [&](int pass) {
            const int reach = (passes_ - pass) * r;
            return std::pair{std::max(0, first_ - reach), std::min(width, last_ + reach)};
        };
        const auto [lo, hi] = span(0);
        const std::uint8_t *in = pixel(source_, region_.left, region_.top + y);
        const int step = source_.bits() / 8;
        Sum *previous = scratch_[0].data(), *current = scratch_[1].data();
        for (int x = lo; x < hi; ++x)
            for (int k = 0; k < 3; ++k)
                previous[std::size_t(x) * 3 + k] = in[std::size_t(x) * step + k];
        for (int pass = 1; pass <= passes_; ++pass) {
            const auto [from, to] = span(pass);
            auto at = [&](int x) { return previous + std::size_t(std::clamp(x, 0, width - 1)) * 3; };
            Sum sum[3] = {0, 0, 0};
            for (int i = -r; i <= r; ++i)
                for (int k = 0; k < 3; ++k)
                    sum[k] += at(from + i)[k];
            for (int x = from; x < to; ++x) {
                Sum *o = current + std::size_t(x) * 3;
                const Sum *entering = at(x + r + 1), *leaving = at(x - r);
                for (int k = 0; k < 3; ++k) {
                    o[k] = sum[k];
                    sum[k] += entering[k] - leaving[k];
                }
            }
            std::swap(previous, current);
        }
        std::copy_n(previous + std::size_t(first_) * 3, values(), out);
    }

    const Image &source_;
    Rect region_;
    int radius_, passes_, first_, last_, ring_;
    std::vector<Stage> stages_;
    std::vector<Sum> scratch_[2];
};

// Runs out(y, left, right, sums) for every row y of `rect`, where sums holds
// the box sums of the pixels [left, right) of that row, blue, green, red of
// each; `region` holds the rectangle and bounds what the passes read.
// Tiles are bands of rows, cut into strips of columns when the radius would
// make a band's rings large.  false when stopped.
template <typename Sum, typename Out>
bool forBoxSums(const Image &source, const Rect &region, const Rect &rect, int radius, int passes, Progress &progress,
                Out &&out)
{
    const std::size_t perColumn = std::size_t(passes + 1) * std::size_t(2 * radius + 2) * 3 * sizeof(Sum);
    const int stripWidth = std::max(64, int((std::size_t(4) << 20) / perColumn));
    const int strips = (rect.width() + stripWidth - 1) / stripWidth;
    // each band starts its passes `passes` × `radius` rows early: bands long
    // enough that this costs little
    const int bandRows = std::max(128, 16 * passes * radius);
    const int bands = (rect.height() + bandRows - 1) / bandRows;
    return forRows(0, bands * strips, progress, [&](int tile) {
        const int top = rect.top + tile / strips * bandRows, bottom = std::min(rect.bottom, top + bandRows);
        const int left = rect.left + tile % strips * stripWidth, right = std::min(rect.right, left + stripWidth);
        BoxPipeline<Sum> pipeline(source, region, left, right, radius, passes);
        for (int y = top; y < bottom; ++y)
            out(y, left, right, pipeline.row(y));
    });
}

// (2r + 1) to the power of twice the passes: what the box sums divide by.
inline std::uint64_t boxDivisor(int radius, int passes)
{
    std::uint64_t divisor = 1;
    for (int i = 0; i < 2 * passes; ++i)
        divisor *= std::uint64_t(2 * radius + 1);
    return divisor;
}

} // namespace isp
