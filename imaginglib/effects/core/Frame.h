#pragma once
// The frame every export runs in: reading and checking the caller's DIB,
// completing and clipping the rectangle, progress in whole percents with
// stop requests, and the boundary that turns every failure into NULL or 0
// so that no exception crosses the C interface.
#include "isp2000.h"

#include "EffectParameters.h"

#include "Error.h"
#include "HotLoop.h"
#include "Image.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>


namespace isp {

using codecs::Image;

// Left and top inclusive, right and bottom exclusive, top row 0.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Right or bottom 0 stands for the picture's width or height; the result is
// clipped to the picture.  An empty rectangle is a bad argument.
Rect completeRect(const Image &image, int left, int top, int right, int bottom);
inline Rect wholeOf(const Image &image) { return {0, 0, image.width(), image.height()}; }
// The rectangle grown by margin on every side, kept inside the picture.
inline Rect grown(const Rect &rect, int margin, const Image &image)
{
    return {std::max(0, rect.left - margin), std::max(0, rect.top - margin),
            std::min(image.width(), rect.right + margin), std::min(image.height(), rect.bottom + margin)};
}

// Whole percents to the caller's callback.  A part covers a sub-range of
// the percents of its parent, so that multi-pass effects report once from 0
// to 100.  Once the callback has returned 0 every later report fails too.
class Progress {
public:
    Progress(ILProgressProc proc, void *user);
    Progress part(int from, int to) const;
    // done of total steps finished; false once a stop was asked for.
    bool at(std::int64_t done, std::int64_t total);
    bool finish() { return at(1, 1); }

private:
    struct State {
        ILProgressProc proc;
        void *user;
        int last = -1;
        bool stopped = false;
    };
    Progress(std::shared_ptr<State> state, int from, int to) : state_(std::move(state)), from_(from), to_(to) {}
    std::shared_ptr<State> state_;
    int from_ = 0, to_ = 100;
};

// Runs body(y) for each row from top to bottom, rows shared out among the
// threads of one parallel region.  The calling thread (thread 0) reports
// progress as rows finish and, when the callback asks to stop, the rows not
// yet begun are skipped.  Each row is computed on its own, so the result
// does not depend on the number of threads.  An exception in a row (memory
// running short) must not leave the parallel region: it ends the loop and
// is raised again afterwards.
template <typename Body> bool forRows(int top, int bottom, Progress &progress, Body &&body)
{
    const int rows = bottom - top;
    const int chunk = rows > 256 ? rows / 128 : 1;
    std::atomic<int> finished{0};
    std::atomic<bool> stopped{false}, failed{false};
#pragma omp parallel
    {
        const bool reporter = omp_get_thread_num() == 0;
#pragma omp for schedule(dynamic, chunk)
        for (int y = top; y < bottom; ++y) {
            if (stopped.load(std::memory_order_relaxed))
                continue;
            try {
                body(y);
            } catch (...) {
                failed = stopped = true;
            }
            const int done = finished.fetch_add(1) + 1;
            if (reporter && !progress.at(done, rows))
                stopped = true;
        }
    }
    if (failed)
        codecs::fail(codecs::ErrorCode::OutOfMemory, "a row could not be computed");
    return !stopped && progress.at(rows, rows);
}

// A checked copy of the picture a handle holds (throws codecs::Error); read
// it through codecs::HeldDib instead when it is only read.
Image readDib(HGLOBAL dib);
// Throws unless the picture has 24 or 32 bits.
void requireTrueColour(const Image &image);
// The picture's own global block (a copy's when it is an lvalue); throws
// when memory is short.
HGLOBAL toGlobal(Image image);
// The picture of an export that changes its DIB.  A change someone watches
// may be stopped, and a stopped change leaves the caller's DIB as it was, so
// it is made on a copy that done() puts back; a change nobody watches is
// made where the DIB lies (when it has an Image's layout), without a
// page-sized copy and the pass that puts it back.
class ChangedDib {
public:
    ChangedDib(HGLOBAL dib, ILProgressProc proc);
    ChangedDib(const ChangedDib &) = delete;
    ChangedDib &operator=(const ChangedDib &) = delete;
    Image &image() { return image_; }
    // The change is finished: the caller's DIB gets it.
    void done();

private:
    HGLOBAL dib_;
    GlobalLockGuard lock_;
    Image image_;
};

[[noreturn]] void badArgument(const char *what);
// Refuses a value the export does not accept (its parameter row).
inline void require(const ParameterRow &row, double value)
{
    if (!accepts(row, value))
        badArgument(row.name);
}

// Runs a computation, turning any exception into the failure value.
template <typename Result, typename Body> Result guarded(Result failure, Body &&body) noexcept
{
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// body(source, target, rectangle, progress) fills target from source within
// the rectangle; target starts as a copy of source.  false means stopped.
using RectBody = std::function<bool(const Image &, Image &, const Rect &, Progress &)>;

// The common frame of the effects that return a new DIB: the caller's DIB
// (24 or 32 bits) is read, the rectangle completed, the body run on a copy.
// NULL for bad arguments, a failure or a stop.
HGLOBAL newDibEffect(HGLOBAL dib, int left, int top, int right, int bottom, void *user, ILProgressProc proc,
                     const RectBody &body);
// The same on the whole picture.
HGLOBAL newDibEffect(HGLOBAL dib, void *user, ILProgressProc proc, const RectBody &body);

// Pixel x of row y of a 24 or 32-bit picture: blue, green, red (, unused).
inline std::uint8_t *pixel(Image &image, int x, int y) { return image.row(y) + std::size_t(x) * (image.bits() / 8); }
inline const std::uint8_t *pixel(const Image &image, int x, int y)
{
    return image.row(y) + std::size_t(x) * (image.bits() / 8);
}

// The pixels of a 24 or 32-bit picture addressed directly, for inner loops
// (the picture's own row() reads its header at every call).  Byte is
// std::uint8_t to write, const std::uint8_t to read.
template <typename Byte> struct Grid {
    Byte *top;            // row 0
    std::ptrdiff_t below; // from a row to the one below it
    int step;             // bytes of a pixel
    template <typename Picture>
    explicit Grid(Picture &image)
        : top(image.row(0)), below(-std::ptrdiff_t(image.rowBytes())), step(image.bits() / 8)
    {
    }
    Byte *at(int x, int y) const { return top + below * y + std::ptrdiff_t(step) * x; }
};
using Reading = Grid<const std::uint8_t>;
using Writing = Grid<std::uint8_t>;

// The nearest level, halves up, held within 0..255; without branches, so
// that loops of it vectorise.
inline std::uint8_t clampByte(double value) { return std::uint8_t(std::min(std::max(value, 0.0), 255.0) + 0.5); }
inline std::uint8_t clampByte(int value) { return value < 0 ? 0 : value > 255 ? 255 : std::uint8_t(value); }

// 0.299 R + 0.587 G + 0.114 B of a blue, green, red pixel.
inline int luminance(const std::uint8_t *bgr) { return (bgr[2] * 299 + bgr[1] * 587 + bgr[0] * 114 + 500) / 1000; }

} // namespace isp
