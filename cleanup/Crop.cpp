#include "Crop.h"

#include "Page.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace cleanup {

namespace {

int channelsOf(const QImage &pixels)
{
    return pixels.format() == QImage::Format_Grayscale8 ? 1 : 3;
}

// How far a pixel is from a colour: the largest difference of a channel.
int distance(const uchar *pixel, int channels, QRgb colour)
{
    if (channels == 1)
        return std::abs(pixel[0] - qRed(colour));
    return std::max({std::abs(pixel[0] - qRed(colour)), std::abs(pixel[1] - qGreen(colour)),
                     std::abs(pixel[2] - qBlue(colour))});
}

// The picture as a grid of booleans.
class Mask {
public:
    Mask(int width, int height) : width_(width), height_(height), cells_(std::size_t(width * height)) {}
    int width() const { return width_; }
    int height() const { return height_; }
    bool at(int x, int y) const { return cells_[std::size_t(y * width_ + x)]; }
    void set(int x, int y, bool value) { cells_[std::size_t(y * width_ + x)] = value; }

    // Whether the line (a row, or a column) holds `run` set cells in a row.
    bool holdsRun(bool row, int index, int run) const
    {
        int length = 0;
        for (int i = 0; i < (row ? width_ : height_); ++i) {
            length = (row ? at(i, index) : at(index, i)) ? length + 1 : 0;
            if (length >= run)
                return true;
        }
        return false;
    }

private:
    int width_, height_;
    std::vector<bool> cells_;
};

// The noise of the glass: the median distance of the edge's cells from its
// colour, which a document touching up to half of the edge leaves alone.
int glassNoise(const QImage &small, QRgb glass)
{
    const int channels = channelsOf(small);
    std::vector<int> distances;
    for (int x = 0; x < small.width(); ++x)
        for (int y : {0, small.height() - 1})
            distances.push_back(distance(small.constScanLine(y) + x * channels, channels, glass));
    for (int y = 0; y < small.height(); ++y)
        for (int x : {0, small.width() - 1})
            distances.push_back(distance(small.constScanLine(y) + x * channels, channels, glass));
    const auto nth = distances.begin() + std::ptrdiff_t(distances.size() / 2);
    std::nth_element(distances.begin(), nth, distances.end());
    return *nth;
}

// The median colour of the pixels of a rectangle.
QRgb medianColour(const QImage &pixels, const QRect &rect)
{
    const int channels = channelsOf(pixels);
    std::vector<int> values[3];
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const uchar *row = pixels.constScanLine(y);
        for (int x = rect.left(); x <= rect.right(); ++x)
            for (int c = 0; c < channels; ++c)
                values[c].push_back(row[x * channels + c]);
    }
    int median[3] = {};
    for (int c = 0; c < channels; ++c) {
        auto middle = values[c].begin() + std::ptrdiff_t(values[c].size() / 2);
        std::nth_element(values[c].begin(), middle, values[c].end());
        median[c] = *middle;
    }
    return channels == 1 ? qRgb(median[0], median[0], median[0]) : qRgb(median[0], median[1], median[2]);
}

// Whether more than half of a row (or column) between `from` and `to` is further than `threshold` from the glass.
bool mostlyDocument(const QImage &pixels, bool row, int index, int from, int to, QRgb glass, int threshold)
{
    const int channels = channelsOf(pixels);
    int far = 0;
    for (int i = from; i <= to; ++i) {
        const uchar *pixel = row ? pixels.constScanLine(index) + i * channels : pixels.constScanLine(i) + index * channels;
        far += distance(pixel, channels, glass) > threshold;
    }
    return 2 * far > to - from + 1;
}

// One side of the document, found on the reduced copy, to be placed to the pixel.
struct Side {
    bool row;    // a row (top, bottom) or a column (left, right)
    int coarse;  // where the reduced copy puts it, in pixels
    int inwards; // +1 or -1: the direction towards the document
    QRect paper; // a strip just inside it
};

// The side to the pixel: within `reach` of the coarse place, the first line
// (coming from the glass) of which most pixels (between the inner
// rectangle's ends) are nearer the paper's colour than the glass's, the
// paper's colour being the one just inside.  Where that is the glass's own
// colour, the document shows only by its content, and the coarse place stands.
int placed(const QImage &pixels, const Side &side, const QRect &inner, QRgb glass, int tolerance, int reach)
{
    const QRgb paper = medianColour(pixels, side.paper);
    const uchar paperChannels[3] = {uchar(qRed(paper)), uchar(qGreen(paper)), uchar(qBlue(paper))};
    const int contrast = distance(paperChannels, channelsOf(pixels), glass);
    if (contrast <= tolerance)
        return side.coarse;
    const int limit = side.row ? pixels.height() : pixels.width();
    const int from = side.row ? inner.left() : inner.top(), to = side.row ? inner.right() : inner.bottom();
    for (int n = -reach; n <= reach; ++n) {
        const int line = side.coarse + n * side.inwards;
        if (line >= 0 && line < limit && mostlyDocument(pixels, side.row, line, from, to, glass, contrast / 2))
            return line;
    }
    return side.coarse;
}

} // namespace

QRect findDocument(const QImage &page)
{
    if (page.isNull())
        return {};
    const QImage pixels = workPage(page).pixels;
    // Cells of about four pixels on an A4 page at 300 dpi.
    const int factor = std::max(1, std::min(pixels.width(), pixels.height()) / 600);
    const QImage small = reduced(pixels, factor);
    const int channels = channelsOf(small);
    const QRgb glass = edgeColour(small);
    const int tolerance = std::max(12, 4 * glassNoise(small, glass));

    Mask document(small.width(), small.height());
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x)
            document.set(x, y, distance(small.constScanLine(y) + x * channels, channels, glass) > tolerance);
    const int run = std::max(3, std::min(small.width(), small.height()) / 40);
    const auto first = [&](bool row, int from, int step) -> std::optional<int> {
        for (int i = from; i >= 0 && i < (row ? small.height() : small.width()); i += step)
            if (document.holdsRun(row, i, run))
                return i;
        return std::nullopt;
    };
    const std::optional<int> top = first(true, 0, 1), bottom = first(true, small.height() - 1, -1);
    const std::optional<int> left = first(false, 0, 1), right = first(false, small.width() - 1, -1);
    if (!top || !left || *bottom <= *top || *right <= *left)
        return page.rect();

    const QRect coarse(QPoint(*left * factor, *top * factor),
                       QPoint(std::min((*right + 1) * factor, pixels.width()) - 1,
                              std::min((*bottom + 1) * factor, pixels.height()) - 1));
    const QRect inner = coarse.adjusted(2 * factor, 2 * factor, -2 * factor, -2 * factor);
    if (inner.width() < 4 || inner.height() < 4)
        return coarse;
    const int depth = 2 * factor;
    const Side sides[] = {
        {true, coarse.top(), 1, QRect(inner.left(), coarse.top() + factor, inner.width(), depth)},
        {true, coarse.bottom(), -1, QRect(inner.left(), coarse.bottom() - factor - depth + 1, inner.width(), depth)},
        {false, coarse.left(), 1, QRect(coarse.left() + factor, inner.top(), depth, inner.height())},
        {false, coarse.right(), -1, QRect(coarse.right() - factor - depth + 1, inner.top(), depth, inner.height())},
    };
    const int reach = 3 * factor / 2 + 1;
    int found[4];
    for (int i = 0; i < 4; ++i)
        found[i] = placed(pixels, sides[i], inner, glass, tolerance, reach);
    return QRect(QPoint(found[2], found[0]), QPoint(found[3], found[1]));
}

Cropped crop(const QImage &page)
{
    const QRect rect = findDocument(page);
    return {rect == page.rect() ? page : page.copy(rect), rect};
}

} // namespace cleanup
