// DXF drawings through dxflib: lines, polylines (open and closed, straight
// segments), circles and arcs, drawn one pixel wide in black on white on a
// 1-bit image whose longer side is kDxfLongSide pixels, the drawing's
// extents fitted inside a small margin, y pointing up as in the drawing.
#include "Formats.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <sstream>

namespace codecs {
namespace {

constexpr int kDxfLongSide = 1024;
constexpr int kMargin = 4;
constexpr std::size_t kMaxSegments = 4'000'000;

struct Segment {
    double x1, y1, x2, y2;
};

// Collects every entity as straight segments.
class Collector : public DL_CreationAdapter {
public:
    std::vector<Segment> segments;

    void addLine(const DL_LineData &d) override { add(d.x1, d.y1, d.x2, d.y2); }
    void addCircle(const DL_CircleData &d) override { addArcPoints(d.cx, d.cy, d.radius, 0.0, 360.0); }
    void addArc(const DL_ArcData &d) override
    {
        double end = d.angle2;
        while (end <= d.angle1)
            end += 360.0;
        addArcPoints(d.cx, d.cy, d.radius, d.angle1, end);
    }
    void addPolyline(const DL_PolylineData &d) override
    {
        finishPolyline();
        inPolyline_ = true;
        closed_ = d.flags & 1;
        havePoint_ = false;
    }
    void addVertex(const DL_VertexData &d) override
    {
        if (!inPolyline_)
            return;
        if (havePoint_)
            add(lastX_, lastY_, d.x, d.y);
        else {
            firstX_ = d.x;
            firstY_ = d.y;
        }
        lastX_ = d.x;
        lastY_ = d.y;
        havePoint_ = true;
    }
    void endSequence() override { finishPolyline(); }
    void endEntity() override
    {
        // lightweight polylines end with the entity, old ones with SEQEND
        if (inPolyline_ && havePoint_)
            finishPolyline();
    }
    void finish() { finishPolyline(); }

private:
    void add(double x1, double y1, double x2, double y2)
    {
        if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
            return;
        if (segments.size() >= kMaxSegments)
            fail(ErrorCode::TooLarge, "DXF drawing too large");
        segments.push_back({x1, y1, x2, y2});
    }
    void addArcPoints(double cx, double cy, double radius, double from, double to)
    {
        if (!std::isfinite(radius) || radius <= 0 || !std::isfinite(from) || !std::isfinite(to) || to - from > 720)
            return;
        const int steps = std::clamp(int((to - from) / 5.0), 8, 72);
        const double step = (to - from) / steps * std::numbers::pi / 180.0;
        const double start = from * std::numbers::pi / 180.0;
        for (int i = 0; i < steps; ++i) {
            const double a = start + step * i, b = a + step;
            add(cx + radius * std::cos(a), cy + radius * std::sin(a), cx + radius * std::cos(b), cy + radius * std::sin(b));
        }
    }
    void finishPolyline()
    {
        if (inPolyline_ && havePoint_ && closed_)
            add(lastX_, lastY_, firstX_, firstY_);
        inPolyline_ = havePoint_ = false;
    }
    bool inPolyline_ = false, closed_ = false, havePoint_ = false;
    double firstX_ = 0, firstY_ = 0, lastX_ = 0, lastY_ = 0;
};

struct Drawing {
    std::vector<Segment> segments;
    double minX = 0, minY = 0, scale = 1;
    std::int32_t width = 0, height = 0;
};

// dxflib loops for ever on a line longer than its buffer and on a file that
// stops before its EOF group, so it gets short lines and a sure end.
std::string readableText(std::span<const std::uint8_t> file)
{
    constexpr std::size_t kLongestLine = 200;
    std::string text;
    text.reserve(file.size() + 16);
    std::size_t lineLength = 0;
    for (const std::uint8_t byte : file) {
        if (byte == '\n') {
            text += '\n';
            lineLength = 0;
        } else if (byte != '\r' && byte != 0 && lineLength < kLongestLine) {
            text += char(byte);
            ++lineLength;
        }
    }
    text += "\n  0\nEOF\n";
    return text;
}

Drawing layOut(std::span<const std::uint8_t> file)
{
    if (!dxfCodec().canRead(file))
        fail(ErrorCode::NotThisFormat, "not a DXF file");
    Collector collector;
    std::istringstream text(readableText(file));
    DL_Dxf dxf;
    if (!dxf.in(text, &collector))
        fail(ErrorCode::Corrupt, "unreadable DXF file");
    collector.finish();
    if (collector.segments.empty())
        fail(ErrorCode::Corrupt, "DXF drawing without lines, circles or arcs");
    Drawing d;
    d.segments = std::move(collector.segments);
    double maxX = d.segments[0].x1, maxY = d.segments[0].y1;
    d.minX = maxX;
    d.minY = maxY;
    for (const Segment &s : d.segments) {
        d.minX = std::min({d.minX, s.x1, s.x2});
        d.minY = std::min({d.minY, s.y1, s.y2});
        maxX = std::max({maxX, s.x1, s.x2});
        maxY = std::max({maxY, s.y1, s.y2});
    }
    const double extent = std::max(maxX - d.minX, maxY - d.minY);
    if (!std::isfinite(extent))
        fail(ErrorCode::Corrupt, "DXF extents out of range");
    // a drawing too small to scale up (a point, or nearly one) is drawn at one pixel per unit
    d.scale = extent > 1e-9 ? (kDxfLongSide - 1 - 2 * kMargin) / extent : 1.0;
    d.width = std::max(1, int(std::lround((maxX - d.minX) * d.scale))) + 1 + 2 * kMargin;
    d.height = std::max(1, int(std::lround((maxY - d.minY) * d.scale))) + 1 + 2 * kMargin;
    return d;
}

// A line from (x1, y1) to (x2, y2) in pixels, clipped to the image.
void drawLine(Image &image, long x1, long y1, long x2, long y2)
{
    const long dx = std::labs(x2 - x1), dy = -std::labs(y2 - y1);
    const long sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    long error = dx + dy;
    for (;;) {
        if (x1 >= 0 && y1 >= 0 && x1 < image.width() && y1 < image.height())
            image.setIndex(std::int32_t(x1), std::int32_t(y1), 0);
        if (x1 == x2 && y1 == y2)
            return;
        const long twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x1 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y1 += sy;
        }
    }
}

class DxfCodec final : public Codec {
public:
    Format format() const override { return Format::Dxf; }
    const char *name() const override { return "DXF"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        // "  0" then "SECTION" on the next line, after optional blanks
        const std::string text(reinterpret_cast<const char *>(head.data()), std::min<std::size_t>(head.size(), 64));
        const auto zero = text.find_first_not_of(" \t\r\n");
        return zero != std::string::npos && text[zero] == '0' && text.find("SECTION", zero) != std::string::npos
            && text.find("SECTION", zero) < zero + 8;
    }

    ImageInfo readInfo(std::span<const std::uint8_t> file, const ReadOptions &) const override
    {
        const Drawing d = layOut(file);
        ImageInfo info;
        info.format = Format::Dxf;
        info.width = d.width;
        info.height = d.height;
        info.bits = 1;
        info.compression = TiffNone;
        info.compressionName = "NONE";
        return info;
    }

    Image read(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const Drawing d = layOut(file);
        const Rgb palette[2] = {{0, 0, 0}, {255, 255, 255}};
        Image image(d.width, d.height, 1, palette);
        std::memset(image.pixels(), 0xFF, image.rowBytes() * std::size_t(image.height()));
        auto px = [&](double x) { return long(std::lround((x - d.minX) * d.scale)) + kMargin; };
        auto py = [&](double y) { return d.height - 1 - (long(std::lround((y - d.minY) * d.scale)) + kMargin); };
        ProgressTicker tick(options.progress, std::int64_t(d.segments.size()));
        for (std::size_t i = 0; i < d.segments.size(); ++i) {
            const Segment &s = d.segments[i];
            drawLine(image, px(s.x1), py(s.y1), px(s.x2), py(s.y2));
            tick(std::int64_t(i));
        }
        return image;
    }

    std::vector<std::uint8_t> write(const Image &, const WriteOptions &, std::span<const std::uint8_t>) const override
    {
        fail(ErrorCode::Unsupported, "DXF drawings are read only");
    }
};

} // namespace

const Codec &dxfCodec()
{
    static const DxfCodec codec;
    return codec;
}

} // namespace codecs
