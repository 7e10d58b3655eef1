// DXF drawings through dxflib, drawn one pixel wide in black on white on a
// 1-bit image whose longer side is kDxfLongSide pixels, the drawing's
// extents fitted inside a small margin, y pointing up as in the drawing.
//
// Drawn: LINE, POINT, CIRCLE, ARC, ELLIPSE (whole or partial), LWPOLYLINE
// and POLYLINE (bulges as arcs, closed ones closed), SPLINE (the rational
// B-spline of its degree, knots and weights; without usable knots, the line
// through its fit points or else its control points), the outlines of
// SOLID, TRACE and 3DFACE, INSERT of blocks (scaled, turned, in rows and
// columns, nested up to kMaxInsertDepth), and TEXT, MTEXT and ATTRIB as the
// outline of the box the text fills: its height by kCharacterWidth heights
// a character.  Entities in object coordinates follow their extrusion
// direction, seen from above.  Paper-space entities, dimensions, hatches,
// infinite lines and images are left out.
//
// The file is untrusted: counts, coordinates and nesting are bounded, and
// what cannot be drawn sensibly (not finite, beyond kMaxCoordinate) is left
// out rather than stretching the extents to nothing.
#include "Formats.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <numbers>
#include <sstream>

namespace codecs {
namespace {

constexpr int kDxfLongSide = 1024;
constexpr int kMargin = 4;
constexpr std::size_t kMaxSegments = 2'000'000;
constexpr std::size_t kMaxPoints = 4'000'000;      // collected before blocks are placed
constexpr std::size_t kMaxTextBytes = 1 << 20;
constexpr std::size_t kMaxPlacingWork = 4'000'000;  // points and block references placed
constexpr std::size_t kMaxPixelSteps = 50'000'000;  // pixels along all the lines drawn
constexpr int kMaxInsertDepth = 8;
constexpr int kMaxInsertArray = 1000;               // rows, and columns, of one INSERT
constexpr int kMaxSplineDegree = 25;
constexpr int kSplineStepsPerSpan = 16;
constexpr double kMaxCoordinate = 1e12;
constexpr double kCharacterWidth = 0.8;
constexpr double kMTextLineSpacing = 5.0 / 3.0;     // line pitch of MTEXT, in text heights
constexpr double kTwoPi = 2 * std::numbers::pi;

// ---- what dxflib reads ----------------------------------------------------

struct Group {
    std::string code, value;
    int number = 0;
};

// dxflib loops for ever on a line longer than its buffer and on a file that
// stops before its EOF group; it sizes its vertex, knot and point arrays
// from counts in the file and writes before the first vertex when a bulge
// comes first.  So it gets short lines in whole pairs, counts recounted
// from what each entity holds, no bulge before a vertex, no comments, and
// a sure end.
std::vector<std::string> shortLines(std::span<const std::uint8_t> file)
{
    constexpr std::size_t kLongestLine = 1000;
    std::vector<std::string> lines(1);
    for (const std::uint8_t byte : file) {
        if (byte == '\n')
            lines.emplace_back();
        else if (byte != '\r' && byte != 0 && lines.back().size() < kLongestLine)
            lines.back() += char(byte);
    }
    return lines;
}

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Within one entity: the count groups dxflib allocates from become the
// number of groups they count, placed first.
void recount(std::vector<Group> &entity)
{
    if (entity.empty() || entity[0].number != 0)
        return;
    const std::string name = trimmed(entity[0].value);
    struct Count {
        int group, counted;
    };
    std::vector<Count> counts;
    if (name == "LWPOLYLINE")
        counts = {{90, 10}};
    else if (name == "SPLINE")
        counts = {{72, 40}, {73, 10}, {74, 11}};
    else if (name == "LEADER")
        counts = {{76, 10}};
    else
        return;
    std::vector<Group> kept{entity[0]};
    for (const Count &c : counts) {
        const auto n = std::count_if(entity.begin() + 1, entity.end(), [&](const Group &g) { return g.number == c.counted; });
        kept.push_back({std::to_string(c.group), std::to_string(n), c.group});
    }
    bool vertexSeen = false;
    for (auto g = entity.begin() + 1; g != entity.end(); ++g) {
        if (std::any_of(counts.begin(), counts.end(), [&](const Count &c) { return c.group == g->number; }))
            continue;
        vertexSeen = vertexSeen || g->number == 10;
        if (name == "LWPOLYLINE" && g->number == 42 && !vertexSeen)
            continue;
        kept.push_back(*g);
    }
    entity = std::move(kept);
}

std::string readableText(std::span<const std::uint8_t> file)
{
    const std::vector<std::string> lines = shortLines(file);
    std::string text;
    text.reserve(file.size() + 64);
    std::vector<Group> entity;
    auto flush = [&] {
        recount(entity);
        for (const Group &g : entity)
            text.append(g.code).append("\n").append(g.value).append("\n");
        entity.clear();
    };
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        // dxflib reads the group code the same way
        const int number = int(std::strtol(lines[i].c_str(), nullptr, 10));
        if (number == 999)
            continue; // a comment: dxflib reads a version from some and fails on short ones
        if (number == 0)
            flush();
        entity.push_back({lines[i], lines[i + 1], number});
    }
    flush();
    text += "  0\nEOF\n";
    return text;
}

// ---- geometry -------------------------------------------------------------

struct Point {
    double x = 0, y = 0;
};
// Drawn as connected segments; a path of one point is a dot.
using Path = std::vector<Point>;

// x' = xx·x + xy·y + dx, y' = yx·x + yy·y + dy
struct Affine {
    double xx = 1, xy = 0, yx = 0, yy = 1, dx = 0, dy = 0;

    Point operator()(Point p) const { return {xx * p.x + xy * p.y + dx, yx * p.x + yy * p.y + dy}; }
    // `inner` first, then this
    Affine operator*(const Affine &inner) const
    {
        return {xx * inner.xx + xy * inner.yx, xx * inner.xy + xy * inner.yy,
                yx * inner.xx + yy * inner.yx, yx * inner.xy + yy * inner.yy,
                xx * inner.dx + xy * inner.dy + dx, yx * inner.dx + yy * inner.dy + dy};
    }
    static Affine translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Affine rotation(double radians)
    {
        const double c = std::cos(radians), s = std::sin(radians);
        return {c, -s, s, c, 0, 0};
    }
    static Affine scaling(double x, double y) { return {x, 0, 0, y, 0, 0}; }
};

struct Vector3 {
    double x = 0, y = 0, z = 0;
    double length() const { return std::sqrt(x * x + y * y + z * z); }
    Vector3 unit() const { const double l = length(); return {x / l, y / l, z / l}; }
};

Vector3 cross(const Vector3 &a, const Vector3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 extrusionOf(const DL_Extrusion &extrusion)
{
    double n[3];
    extrusion.getDirection(n);
    const Vector3 direction{n[0], n[1], n[2]};
    const double length = direction.length();
    return std::isfinite(length) && length > 1e-12 ? direction.unit() : Vector3{0, 0, 1};
}

// Object coordinates of an entity to the drawing's x and y: the arbitrary
// axis rule of the format for its extrusion direction, seen from above.
Affine objectToWorld(const Vector3 &n)
{
    const bool nearZ = std::abs(n.x) < 1.0 / 64 && std::abs(n.y) < 1.0 / 64;
    const Vector3 ax = cross(nearZ ? Vector3{0, 1, 0} : Vector3{0, 0, 1}, n).unit();
    const Vector3 ay = cross(n, ax).unit();
    return {ax.x, ay.x, ax.y, ay.y, 0, 0};
}

// centre + major·cos t + minor·sin t for t from `from` over `sweep` radians.
void addEllipticArc(Path &path, Point centre, Point major, Point minor, double from, double sweep)
{
    const int steps = std::clamp(int(std::ceil(std::abs(sweep) / (kTwoPi / 72))), 2, 72);
    for (int i = 0; i <= steps; ++i) {
        const double t = from + sweep * i / steps;
        path.push_back({centre.x + major.x * std::cos(t) + minor.x * std::sin(t),
                        centre.y + major.y * std::cos(t) + minor.y * std::sin(t)});
    }
}

// Counterclockwise sweep from `from` to `to` in a turn of `turn`, a whole turn when they meet.
double sweepBetween(double from, double to, double turn)
{
    double sweep = std::fmod(to - from, turn);
    if (sweep <= 1e-9 * turn)
        sweep += turn;
    return sweep;
}

// From the path's last point to `to` along the arc of this bulge (the
// tangent of a quarter of the included angle, positive counterclockwise).
void addBulgedSegment(Path &path, Point to, double bulge)
{
    const Point from = path.back();
    if (!std::isfinite(bulge) || std::abs(bulge) < 1e-9 || std::abs(bulge) > 1e6) {
        path.push_back(to);
        return;
    }
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double k = (1 - bulge * bulge) / (4 * bulge);
    const Point centre{(from.x + to.x) / 2 - dy * k, (from.y + to.y) / 2 + dx * k};
    const double radius = std::hypot(from.x - centre.x, from.y - centre.y);
    const double start = std::atan2(from.y - centre.y, from.x - centre.x);
    addEllipticArc(path, centre, {radius, 0}, {0, radius}, start, 4 * std::atan(bulge));
    path.back() = to; // exactly on the next vertex
}

struct ControlPoint {
    double x, y, weight;
};

// The rational B-spline of `degree` over its control points and knots,
// evaluated with de Boor's algorithm; false when the data do not make one.
bool addBSpline(Path &path, int degree, const std::vector<ControlPoint> &points, const std::vector<double> &knots)
{
    const std::size_t n = points.size(), p = std::size_t(degree);
    if (degree < 1 || degree > kMaxSplineDegree || n < p + 1 || knots.size() != n + p + 1)
        return false;
    for (std::size_t i = 0; i < knots.size(); ++i)
        if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1]))
            return false;
    if (std::any_of(points.begin(), points.end(), [](const ControlPoint &c) { return !(c.weight > 0) || !std::isfinite(c.weight); })
        || !(knots[n] > knots[p]))
        return false;
    std::vector<ControlPoint> d(p + 1);
    auto at = [&](std::size_t span, double t) {
        for (std::size_t j = 0; j <= p; ++j) {
            const ControlPoint &c = points[span - p + j];
            d[j] = {c.x * c.weight, c.y * c.weight, c.weight};
        }
        for (std::size_t r = 1; r <= p; ++r)
            for (std::size_t j = p; j >= r; --j) {
                const std::size_t i = span - p + j;
                const double alpha = (t - knots[i]) / (knots[i + 1 + p - r] - knots[i]);
                d[j] = {(1 - alpha) * d[j - 1].x + alpha * d[j].x, (1 - alpha) * d[j - 1].y + alpha * d[j].y,
                        (1 - alpha) * d[j - 1].weight + alpha * d[j].weight};
            }
        return Point{d[p].x / d[p].weight, d[p].y / d[p].weight};
    };
    std::size_t last = p;
    for (std::size_t span = p; span < n; ++span) {
        if (!(knots[span + 1] > knots[span]))
            continue;
        for (int s = 0; s < kSplineStepsPerSpan; ++s)
            path.push_back(at(span, knots[span] + (knots[span + 1] - knots[span]) * s / kSplineStepsPerSpan));
        last = span;
    }
    path.push_back(at(last, knots[n]));
    return true;
}

// ---- entities -------------------------------------------------------------

struct BlockReference {
    std::string name;
    Affine placement; // object coordinates, insertion point and rotation
    double scaleX = 1, scaleY = 1;
    int columns = 1, rows = 1;
    double columnSpacing = 0, rowSpacing = 0;
};

struct Shapes {
    std::vector<Path> paths;
    std::vector<BlockReference> inserts;
};

struct Block {
    Point base;
    Shapes shapes;
};

std::size_t characters(const std::string &utf8)
{
    return std::size_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (std::uint8_t(c) & 0xC0) != 0x80; }));
}

// Collects every entity as paths, in the model or in the block being defined.
class Collector : public DL_CreationAdapter {
public:
    Shapes model;
    std::map<std::string, Block> blocks;

    void addBlock(const DL_BlockData &d) override
    {
        finishPending();
        Block &block = blocks[d.name];
        block = Block{{d.bpx, d.bpy}, {}};
        block_ = &block.shapes;
    }
    void endBlock() override
    {
        finishPending();
        block_ = nullptr;
    }

    void addPoint(const DL_PointData &d) override
    {
        if (drawn())
            add({{d.x, d.y}});
    }
    void addLine(const DL_LineData &d) override
    {
        if (drawn())
            add({{d.x1, d.y1}, {d.x2, d.y2}});
    }
    void addCircle(const DL_CircleData &d) override { addArc(DL_ArcData(d.cx, d.cy, d.cz, d.radius, 0, 360)); }
    void addArc(const DL_ArcData &d) override
    {
        if (!drawn() || !(d.radius > 0) || !std::isfinite(d.radius) || !std::isfinite(d.angle1) || !std::isfinite(d.angle2))
            return;
        Path path;
        const double from = std::fmod(d.angle1, 360.0);
        addEllipticArc(path, {d.cx, d.cy}, {d.radius, 0}, {0, d.radius}, from * std::numbers::pi / 180,
                       sweepBetween(from, d.angle2, 360.0) * std::numbers::pi / 180);
        add(std::move(path), objectToWorld(extrusion()));
    }
    void addEllipse(const DL_EllipseData &d) override
    {
        if (!drawn() || !std::isfinite(d.ratio) || !(d.ratio > 0) || !std::isfinite(d.angle1) || !std::isfinite(d.angle2))
            return;
        // the minor axis is the major one turned a quarter about the extrusion, times the ratio
        const Vector3 minor = cross(extrusion(), {d.mx, d.my, d.mz});
        Path path;
        const double from = std::fmod(d.angle1, kTwoPi);
        addEllipticArc(path, {d.cx, d.cy}, {d.mx, d.my}, {minor.x * d.ratio, minor.y * d.ratio}, from,
                       sweepBetween(from, d.angle2, kTwoPi));
        add(std::move(path));
    }

    void addPolyline(const DL_PolylineData &d) override
    {
        finishPending();
        polyline_ = PendingPolyline{true, (d.flags & 1) != 0, drawn(), objectToWorld(extrusion()), {}};
    }
    void addVertex(const DL_VertexData &d) override
    {
        if (polyline_.active) {
            count(1);
            polyline_.vertices.push_back({d.x, d.y, d.bulge});
        }
    }
    void addSpline(const DL_SplineData &d) override
    {
        finishPending();
        spline_ = PendingSpline{true, drawn(), int(std::min(d.degree, 1000u)), (d.flags & 1) != 0, {}, {}, {}};
    }
    void addControlPoint(const DL_ControlPointData &d) override { addSplineData(spline_.control, {d.x, d.y, d.w}); }
    void addFitPoint(const DL_FitPointData &d) override { addSplineData(spline_.fit, {d.x, d.y}); }
    void addKnot(const DL_KnotData &d) override { addSplineData(spline_.knots, d.k); }
    // lightweight polylines and splines end with the entity, old polylines with SEQEND
    void endEntity() override { finishPending(); }
    void endSequence() override { finishPending(); }

    void addSolid(const DL_SolidData &d) override { addCorners(d, {0, 1, 3, 2}, true); }
    void addTrace(const DL_TraceData &d) override { addCorners(d, {0, 1, 3, 2}, true); }
    void add3dFace(const DL_3dFaceData &d) override { addCorners(d, {0, 1, 2, 3}, false); }

    void addInsert(const DL_InsertData &d) override
    {
        if (!drawn())
            return;
        BlockReference reference;
        reference.name = d.name;
        reference.placement = objectToWorld(extrusion()) * Affine::translation(d.ipx, d.ipy)
                              * Affine::rotation(d.angle * std::numbers::pi / 180);
        reference.scaleX = d.sx;
        reference.scaleY = d.sy;
        reference.columns = std::clamp(d.cols, 1, kMaxInsertArray);
        reference.rows = std::clamp(d.rows, 1, kMaxInsertArray);
        reference.columnSpacing = d.colSp;
        reference.rowSpacing = d.rowSp;
        target().inserts.push_back(std::move(reference));
        count(1);
    }

    void addText(const DL_TextData &d) override
    {
        if (!drawn())
            return;
        const Affine toWorld = objectToWorld(extrusion());
        if (d.hJustification == 3 || d.hJustification == 5) {
            // aligned and fitted text fill the line between their two points
            addBox({d.ipx, d.ipy}, std::atan2(d.apy - d.ipy, d.apx - d.ipx), std::hypot(d.apx - d.ipx, d.apy - d.ipy),
                   d.height, 0, 0, toWorld);
            return;
        }
        const double width = double(characters(d.text)) * kCharacterWidth * d.height * d.xScaleFactor;
        if (d.hJustification == 0 && d.vJustification == 0) {
            addBox({d.ipx, d.ipy}, d.angle, width, d.height, 0, 0, toWorld);
            return;
        }
        // justified text hangs from its alignment point: left, centre, right
        // or middle across; baseline, bottom, middle or top up
        const double anchorX = d.hJustification == 2 ? width : d.hJustification == 1 || d.hJustification == 4 ? width / 2 : 0;
        const double anchorY = d.hJustification == 4 || d.vJustification == 2 ? d.height / 2 : d.vJustification == 3 ? d.height : 0;
        addBox({d.apx, d.apy}, d.angle, width, d.height, anchorX, anchorY, toWorld);
    }
    void addAttribute(const DL_AttributeData &d) override { addText(d); }
    void addMTextChunk(const std::string &text) override
    {
        if (mtext_.size() < kMaxTextBytes)
            mtext_ += text;
    }
    void addMText(const DL_MTextData &d) override
    {
        const std::string text = mtext_ + d.text;
        mtext_.clear();
        if (!drawn() || text.empty())
            return;
        std::size_t lines = 1, widest = 0;
        for (std::size_t start = 0;;) {
            const std::size_t end = text.find("\\P", start);
            widest = std::max(widest, characters(text.substr(start, end == std::string::npos ? end : end - start)));
            if (end == std::string::npos)
                break;
            ++lines;
            start = end + 2;
        }
        const double width = double(widest) * kCharacterWidth * d.height;
        const double height = d.height * (1 + double(lines - 1) * kMTextLineSpacing * d.lineSpacingFactor);
        // attachment 1 to 9: top left, top centre, ..., bottom right
        const int attachment = std::clamp(d.attachmentPoint, 1, 9) - 1;
        const double angle = (d.dirx != 0 || d.diry != 0) ? std::atan2(d.diry, d.dirx) : d.angle;
        addBox({d.ipx, d.ipy}, angle, width, height, width * (attachment % 3) / 2, height * (2 - attachment / 3) / 2, {});
    }

    void finish() { finishPending(); }

private:
    struct PolylineVertex {
        double x, y, bulge;
    };
    struct PendingPolyline {
        bool active = false, closed = false, drawn = false;
        Affine toWorld;
        std::vector<PolylineVertex> vertices;
    };
    struct PendingSpline {
        bool active = false, drawn = false;
        int degree = 0;
        bool closed = false;
        std::vector<ControlPoint> control;
        std::vector<Point> fit;
        std::vector<double> knots;
    };

    Shapes &target() { return block_ ? *block_ : model; }
    bool drawn() { return !getAttributes().isInPaperSpace(); }
    Vector3 extrusion() { return extrusionOf(*getExtrusion()); }

    void count(std::size_t points)
    {
        points_ += points;
        if (points_ > kMaxPoints)
            fail(ErrorCode::TooLarge, "DXF drawing too large");
    }
    void add(Path path, const Affine &toWorld = {})
    {
        count(path.size());
        for (Point &p : path)
            p = toWorld(p);
        target().paths.push_back(std::move(path));
    }
    template <typename T> void addSplineData(std::vector<T> &list, T value)
    {
        if (spline_.active) {
            count(1);
            list.push_back(value);
        }
    }

    void addCorners(const DL_TraceData &d, std::array<int, 4> order, bool objectCoordinates)
    {
        if (!drawn())
            return;
        Path path;
        for (int corner : order)
            path.push_back({d.x[corner], d.y[corner]});
        path.push_back(path.front());
        add(std::move(path), objectCoordinates ? objectToWorld(extrusion()) : Affine{});
    }

    // A box of `width` × `height` whose point (anchorX, anchorY), counted
    // from its bottom-left corner, is at `at`, turned by `angle` radians.
    void addBox(Point at, double angle, double width, double height, double anchorX, double anchorY, const Affine &toWorld)
    {
        if (!(width > 0) || !(height > 0))
            return;
        const Affine place = toWorld * Affine::translation(at.x, at.y) * Affine::rotation(angle)
                             * Affine::translation(-anchorX, -anchorY);
        Path box{{0, 0}, {width, 0}, {width, height}, {0, height}, {0, 0}};
        add(std::move(box), place);
    }

    void finishPending()
    {
        finishPolyline();
        finishSpline();
    }
    void finishPolyline()
    {
        PendingPolyline polyline = std::move(polyline_);
        polyline_ = {};
        if (!polyline.active || !polyline.drawn || polyline.vertices.empty())
            return;
        auto &v = polyline.vertices;
        Path path{{v[0].x, v[0].y}};
        for (std::size_t i = 1; i < v.size(); ++i)
            addBulgedSegment(path, {v[i].x, v[i].y}, v[i - 1].bulge);
        if (polyline.closed && v.size() > 1)
            addBulgedSegment(path, path.front(), v.back().bulge);
        add(std::move(path), polyline.toWorld);
    }
    void finishSpline()
    {
        PendingSpline spline = std::move(spline_);
        spline_ = {};
        if (!spline.active || !spline.drawn)
            return;
        Path path;
        if (!addBSpline(path, spline.degree, spline.control, spline.knots)) {
            path.clear();
            if (spline.fit.size() >= 2)
                path = spline.fit;
            else
                for (const ControlPoint &c : spline.control)
                    path.push_back({c.x, c.y});
            if (spline.closed && path.size() > 2)
                path.push_back(path.front());
        }
        if (!path.empty())
            add(std::move(path));
    }

    Shapes *block_ = nullptr;
    PendingPolyline polyline_;
    PendingSpline spline_;
    std::string mtext_;
    std::size_t points_ = 0;
};

// ---- layout -----------------------------------------------------------------

struct Segment {
    double x1, y1, x2, y2;
};

// The model's paths in drawing coordinates as segments, blocks placed.
class Placer {
public:
    explicit Placer(const std::map<std::string, Block> &blocks) : blocks_(blocks) {}

    std::vector<Segment> segments;

    void place(const Shapes &shapes, const Affine &toWorld, int depth)
    {
        for (const Path &path : shapes.paths)
            addPath(path, toWorld);
        if (depth >= kMaxInsertDepth)
            return; // deeper nesting, or a block that holds itself, is not followed
        for (const BlockReference &reference : shapes.inserts) {
            work(1);
            const auto block = blocks_.find(reference.name);
            if (block == blocks_.end())
                continue;
            const Affine scaled = Affine::scaling(reference.scaleX, reference.scaleY)
                                  * Affine::translation(-block->second.base.x, -block->second.base.y);
            for (int row = 0; row < reference.rows; ++row)
                for (int column = 0; column < reference.columns; ++column) {
                    work(1);
                    const Affine cell = Affine::translation(column * reference.columnSpacing, row * reference.rowSpacing);
                    place(block->second.shapes, toWorld * reference.placement * cell * scaled, depth + 1);
                }
        }
    }

private:
    // Every point and reference counts, drawn or not, so that no nesting
    // of blocks and references, however empty, runs for long.
    void work(std::size_t amount)
    {
        work_ += amount;
        if (work_ > kMaxPlacingWork)
            fail(ErrorCode::TooLarge, "DXF drawing too large");
    }
    void addPath(const Path &path, const Affine &toWorld)
    {
        work(path.size());
        if (path.empty())
            return;
        if (segments.size() + path.size() > kMaxSegments)
            fail(ErrorCode::TooLarge, "DXF drawing too large");
        const std::size_t start = segments.size();
        Point previous = toWorld(path.front());
        for (std::size_t i = 0; i < path.size(); ++i) {
            const Point p = toWorld(path[i]);
            if (!(std::abs(p.x) <= kMaxCoordinate) || !(std::abs(p.y) <= kMaxCoordinate)) {
                segments.resize(start); // not finite, or far beyond any sensible drawing
                return;
            }
            if (i > 0 || path.size() == 1)
                segments.push_back({previous.x, previous.y, p.x, p.y});
            previous = p;
        }
    }

    const std::map<std::string, Block> &blocks_;
    std::size_t work_ = 0;
};

// A segment in pixels, y pointing down.
struct PixelLine {
    std::int32_t x1, y1, x2, y2;
};

struct Drawing {
    std::vector<PixelLine> lines;
    std::int32_t width = 0, height = 0;
};

Drawing layOut(std::span<const std::uint8_t> file)
{
    if (!dxfCodec().canRead(file))
        fail(ErrorCode::NotThisFormat, "not a DXF file");
    Collector collector;
    std::istringstream text(readableText(file));
    DL_Dxf dxf;
    try {
        if (!dxf.in(text, &collector))
            fail(ErrorCode::Corrupt, "unreadable DXF file");
    } catch (const Error &) {
        throw;
    } catch (const std::bad_alloc &) {
        fail(ErrorCode::OutOfMemory, "out of memory for the DXF drawing");
    } catch (const std::exception &) {
        // whatever else dxflib stumbles on in a damaged file
        fail(ErrorCode::Corrupt, "unreadable DXF file");
    }
    collector.finish();
    Placer placer(collector.blocks);
    placer.place(collector.model, {}, 0);
    const std::vector<Segment> &segments = placer.segments;
    if (segments.empty())
        fail(ErrorCode::Corrupt, "DXF drawing without anything to draw");
    double minX = segments[0].x1, minY = segments[0].y1, maxX = minX, maxY = minY;
    for (const Segment &s : segments) {
        minX = std::min({minX, s.x1, s.x2});
        minY = std::min({minY, s.y1, s.y2});
        maxX = std::max({maxX, s.x1, s.x2});
        maxY = std::max({maxY, s.y1, s.y2});
    }
    const double extent = std::max(maxX - minX, maxY - minY);
    // a drawing too small to scale up (a point, or nearly one) is drawn at one pixel per unit
    const double scale = extent > 1e-9 ? (kDxfLongSide - 1 - 2 * kMargin) / extent : 1.0;
    Drawing d;
    d.width = std::max(1, int(std::lround((maxX - minX) * scale))) + 1 + 2 * kMargin;
    d.height = std::max(1, int(std::lround((maxY - minY) * scale))) + 1 + 2 * kMargin;
    auto px = [&](double x) { return std::int32_t(std::lround((x - minX) * scale)) + kMargin; };
    auto py = [&](double y) { return d.height - 1 - (std::int32_t(std::lround((y - minY) * scale)) + kMargin); };
    // many long lines over one another take long to draw and show nothing more
    std::size_t steps = 0;
    d.lines.reserve(segments.size());
    for (const Segment &s : segments) {
        const PixelLine line{px(s.x1), py(s.y1), px(s.x2), py(s.y2)};
        steps += std::size_t(std::max(std::abs(line.x2 - line.x1), std::abs(line.y2 - line.y1))) + 1;
        if (steps > kMaxPixelSteps)
            fail(ErrorCode::TooLarge, "DXF drawing too large");
        d.lines.push_back(line);
    }
    return d;
}

// A line black on the 1-bit picture (index 0 black), clipped to it.
void drawLine(Image &image, PixelLine line)
{
    std::uint8_t *const pixels = image.pixels();
    const std::size_t rowBytes = image.rowBytes();
    const std::int32_t width = image.width(), height = image.height();
    const std::int32_t dx = std::abs(line.x2 - line.x1), dy = -std::abs(line.y2 - line.y1);
    const std::int32_t sx = line.x1 < line.x2 ? 1 : -1, sy = line.y1 < line.y2 ? 1 : -1;
    std::int32_t x = line.x1, y = line.y1, error = dx + dy;
    for (;;) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[std::size_t(height - 1 - y) * rowBytes + std::size_t(x >> 3)] &= std::uint8_t(~(0x80 >> (x & 7)));
        if (x == line.x2 && y == line.y2)
            return;
        const std::int32_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

class DxfCodec final : public WholeFileCodec {
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

    ImageInfo describe(std::span<const std::uint8_t> file, const ReadOptions &) const override
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

    Image decode(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const Drawing d = layOut(file);
        const Rgb palette[2] = {{0, 0, 0}, {255, 255, 255}};
        Image image(d.width, d.height, 1, palette);
        std::memset(image.pixels(), 0xFF, image.rowBytes() * std::size_t(image.height()));
        ProgressTicker tick(options.progress, std::int64_t(d.lines.size()));
        for (std::size_t i = 0; i < d.lines.size(); ++i) {
            drawLine(image, d.lines[i]);
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
