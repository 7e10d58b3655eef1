// The annotation layer of libcrde2000.so: per component, a list of shapes
// in picture pixels that the mouse draws, selects and moves, drawn over the
// component's window at its origin and zoom, and kept in ".ant" files with
// one block per page.
//
// An ".ant" file is text:
//   QUILLON-ANNOTATIONS 1
//   page N
//   KIND COLOUR X1 Y1 X2 Y2 [X Y ...]    (the further points of a freehand line)
//   end
// with KIND the tool number and COLOUR 0xRRGGBB in decimal.
#include "crde2000.h"

#include "Codec.h"
#include "ErrorTable.h"

#include <QSettings>
#include <QString>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace imaginglib;

namespace {

struct Point {
    int32_t x = 0, y = 0;
};

struct Annotation {
    int32_t kind = IL_ANNO_TOOL_LINE;
    uint32_t colour = 0xFF0000;
    std::vector<Point> points; // two corners, or every point of a freehand line
};

constexpr uint32_t kVga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                               0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
constexpr uint32_t kHighlight = 0xFFFF00;
constexpr uint32_t kSelectionFrame = 0x808080;
constexpr int kHitMargin = 3;

struct View {
    int32_t originX = 0, originY = 0;
    double zoom = 1.0;
    int32_t offsetX = 0, offsetY = 0;

    Point toWindow(Point p) const
    {
        return {int32_t(std::lround((p.x - originX) * zoom)) + offsetX, int32_t(std::lround((p.y - originY) * zoom)) + offsetY};
    }
    Point toPicture(Point p) const
    {
        const double z = zoom > 0 ? zoom : 1.0;
        return {int32_t(std::lround((p.x - offsetX) / z)) + originX, int32_t(std::lround((p.y - offsetY) / z)) + originY};
    }
};

struct Layer {
    ILSurface *window = nullptr;
    void *userData = nullptr;
    std::string iniPath;
    ILANNODONEPROC done = nullptr;
    ILANNODRAWPROC customDraw = nullptr;
    ILANNODRAWPROC customHardDraw = nullptr;
    ILANNOBEFOREPROC beforeDraw = nullptr;
    ILANNODONEPROC afterDraw = nullptr;

    std::vector<Annotation> annotations;
    int32_t tool = IL_ANNO_TOOL_SELECT;
    uint32_t colour = kVga[9];
    int selected = -1;
    View view;
    // the shape the left button is drawing or moving
    bool dragging = false;
    bool drawingNew = false;
    Point dragFrom;

    void repaint() const
    {
        if (window && window->flush)
            window->flush(window->user, 0, 0, window->width, window->height);
    }
};

std::map<void *, Layer> &layers()
{
    static std::map<void *, Layer> all;
    return all;
}

Layer *layerOf(void *component)
{
    auto found = layers().find(component);
    return found == layers().end() ? nullptr : &found->second;
}

// ---- drawing into the window ------------------------------------------------

class Canvas {
public:
    explicit Canvas(ILSurface &surface) : s_(surface) {}

    void plot(int32_t x, int32_t y, uint32_t colour)
    {
        if (x < 0 || y < 0 || x >= s_.width || y >= s_.height)
            return;
        uint8_t *pixel = s_.bits + std::size_t(y) * std::size_t(s_.stride) + std::size_t(x) * 4;
        pixel[0] = uint8_t(colour);
        pixel[1] = uint8_t(colour >> 8);
        pixel[2] = uint8_t(colour >> 16);
    }

    void line(Point a, Point b, uint32_t colour)
    {
        // Bresenham; both ends drawn
        int32_t dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
        const int32_t sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
        int64_t error = int64_t(dx) + dy;
        for (int guard = 0; guard < 1 << 20; ++guard) {
            plot(a.x, a.y, colour);
            if (a.x == b.x && a.y == b.y)
                return;
            const int64_t twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                a.x += sx;
            }
            if (twice <= dx) {
                error += dx;
                a.y += sy;
            }
        }
    }

    void rectangle(Point a, Point b, uint32_t colour)
    {
        line({a.x, a.y}, {b.x, a.y}, colour);
        line({b.x, a.y}, {b.x, b.y}, colour);
        line({b.x, b.y}, {a.x, b.y}, colour);
        line({a.x, b.y}, {a.x, a.y}, colour);
    }

    void ellipse(Point a, Point b, uint32_t colour)
    {
        const double cx = (a.x + b.x) / 2.0, cy = (a.y + b.y) / 2.0;
        const double rx = std::abs(b.x - a.x) / 2.0, ry = std::abs(b.y - a.y) / 2.0;
        const int steps = std::clamp(int(4 * (rx + ry)), 16, 4096);
        Point previous{int32_t(std::lround(cx + rx)), int32_t(std::lround(cy))};
        for (int i = 1; i <= steps; ++i) {
            const double angle = 2 * M_PI * i / steps;
            const Point next{int32_t(std::lround(cx + rx * std::cos(angle))), int32_t(std::lround(cy + ry * std::sin(angle)))};
            line(previous, next, colour);
            previous = next;
        }
    }

    // Half the colour over what is there.
    void blend(Point a, Point b, uint32_t colour)
    {
        const int32_t left = std::max(0, std::min(a.x, b.x)), right = std::min(s_.width - 1, std::max(a.x, b.x));
        const int32_t top = std::max(0, std::min(a.y, b.y)), bottom = std::min(s_.height - 1, std::max(a.y, b.y));
        for (int32_t y = top; y <= bottom; ++y) {
            uint8_t *pixel = s_.bits + std::size_t(y) * std::size_t(s_.stride) + std::size_t(left) * 4;
            for (int32_t x = left; x <= right; ++x, pixel += 4) {
                pixel[0] = uint8_t((pixel[0] + (colour & 0xFF)) / 2);
                pixel[1] = uint8_t((pixel[1] + ((colour >> 8) & 0xFF)) / 2);
                pixel[2] = uint8_t((pixel[2] + ((colour >> 16) & 0xFF)) / 2);
            }
        }
    }

private:
    ILSurface &s_;
};

struct Bounds {
    int32_t left, top, right, bottom; // inclusive
};

Bounds boundsOf(const std::vector<Point> &points)
{
    Bounds b{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point &p : points) {
        b.left = std::min(b.left, p.x);
        b.top = std::min(b.top, p.y);
        b.right = std::max(b.right, p.x);
        b.bottom = std::max(b.bottom, p.y);
    }
    return b;
}

void drawOne(Layer &layer, int index, bool editing)
{
    const Annotation &a = layer.annotations[std::size_t(index)];
    std::vector<Point> window;
    for (const Point &p : a.points)
        window.push_back(layer.view.toWindow(p));
    Canvas canvas(*layer.window);
    const Bounds b = boundsOf(window);
    switch (a.kind) {
    case IL_ANNO_TOOL_LINE: canvas.line(window[0], window[1], a.colour); break;
    case IL_ANNO_TOOL_RECTANGLE: canvas.rectangle(window[0], window[1], a.colour); break;
    case IL_ANNO_TOOL_ELLIPSE: canvas.ellipse(window[0], window[1], a.colour); break;
    case IL_ANNO_TOOL_HIGHLIGHT: canvas.blend(window[0], window[1], kHighlight); break;
    case IL_ANNO_TOOL_FREEHAND:
        for (std::size_t i = 1; i < window.size(); ++i)
            canvas.line(window[i - 1], window[i], a.colour);
        break;
    case IL_ANNO_TOOL_CUSTOM: {
        const ILANNODRAWPROC draw = editing ? layer.customDraw : layer.customHardDraw;
        if (draw)
            draw(layer.userData, index, layer.window, b.left, b.top, b.right + 1, b.bottom + 1);
        break;
    }
    default: break;
    }
    if (index == layer.selected)
        canvas.rectangle({b.left - 2, b.top - 2}, {b.right + 2, b.bottom + 2}, kSelectionFrame);
}

// ---- hit test ---------------------------------------------------------------

int hitTest(const Layer &layer, Point window)
{
    for (int i = int(layer.annotations.size()) - 1; i >= 0; --i) {
        std::vector<Point> points;
        for (const Point &p : layer.annotations[std::size_t(i)].points)
            points.push_back(layer.view.toWindow(p));
        const Bounds b = boundsOf(points);
        if (window.x >= b.left - kHitMargin && window.x <= b.right + kHitMargin && window.y >= b.top - kHitMargin
            && window.y <= b.bottom + kHitMargin)
            return i;
    }
    return -1;
}

bool degenerate(const Annotation &a)
{
    const Bounds b = boundsOf(a.points);
    return b.left == b.right && b.top == b.bottom;
}

// ---- files ------------------------------------------------------------------

constexpr const char *kFileHeader = "QUILLON-ANNOTATIONS 1";

// Every page block of a file, by page.
std::map<int32_t, std::vector<Annotation>> readFile(const char *path)
{
    const std::vector<uint8_t> bytes = codecs::readWholeFile(path);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    if (!std::getline(in, line) || line.rfind(kFileHeader, 0) != 0)
        codecs::fail(codecs::ErrorCode::NotThisFormat, "not an annotation file");
    std::map<int32_t, std::vector<Annotation>> pages;
    std::vector<Annotation> *current = nullptr;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "page") {
            int32_t page = 0;
            if (!(fields >> page))
                codecs::fail(codecs::ErrorCode::Corrupt, "bad page line");
            current = &pages[page];
        } else if (word == "end") {
            current = nullptr;
        } else if (!word.empty()) {
            if (!current)
                codecs::fail(codecs::ErrorCode::Corrupt, "annotation outside a page");
            Annotation a;
            int64_t colour = 0;
            if (!(std::istringstream(word) >> a.kind) || !(fields >> colour))
                codecs::fail(codecs::ErrorCode::Corrupt, "bad annotation");
            a.colour = uint32_t(colour) & 0xFFFFFF;
            Point p;
            while (fields >> p.x >> p.y)
                a.points.push_back(p);
            if (a.kind < IL_ANNO_TOOL_LINE || a.kind > IL_ANNO_TOOL_CUSTOM || a.points.size() < 2)
                codecs::fail(codecs::ErrorCode::Corrupt, "bad annotation");
            current->push_back(std::move(a));
        }
    }
    return pages;
}

void writeFile(const char *path, const std::map<int32_t, std::vector<Annotation>> &pages)
{
    std::ostringstream out;
    out << kFileHeader << '\n';
    for (const auto &[page, annotations] : pages) {
        out << "page " << page << '\n';
        for (const Annotation &a : annotations) {
            out << a.kind << ' ' << a.colour;
            for (const Point &p : a.points)
                out << ' ' << p.x << ' ' << p.y;
            out << '\n';
        }
        out << "end\n";
    }
    const std::string text = out.str();
    codecs::writeWholeFile(path, std::span(reinterpret_cast<const uint8_t *>(text.data()), text.size()));
}

bool exists(const char *path)
{
    std::FILE *file = std::fopen(path, "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

// Runs an export body on the component's layer.
template <typename Body> ILSTATUS onLayer(void *component, Body &&body)
{
    return guarded([&]() -> ILSTATUS {
        Layer *layer = layerOf(component);
        if (!layer)
            return IL_ERR_BAD_PARAMETER;
        return body(*layer);
    });
}

// ---- mouse --------------------------------------------------------------------

int32_t press(Layer &layer, Point window, bool left)
{
    const int hit = hitTest(layer, window);
    if (!left)
        return hit;
    const Point at = layer.view.toPicture(window);
    layer.dragFrom = at;
    if (layer.tool == IL_ANNO_TOOL_SELECT) {
        layer.selected = hit;
        layer.dragging = hit >= 0;
        layer.drawingNew = false;
    } else {
        Annotation a;
        a.kind = layer.tool;
        a.colour = layer.colour;
        a.points = {at, at};
        layer.annotations.push_back(std::move(a));
        layer.selected = int(layer.annotations.size()) - 1;
        layer.dragging = true;
        layer.drawingNew = true;
    }
    layer.repaint();
    return hit;
}

void move(Layer &layer, Point window)
{
    if (!layer.dragging || layer.selected < 0)
        return;
    const Point at = layer.view.toPicture(window);
    Annotation &a = layer.annotations[std::size_t(layer.selected)];
    if (!layer.drawingNew) {
        for (Point &p : a.points) {
            p.x += at.x - layer.dragFrom.x;
            p.y += at.y - layer.dragFrom.y;
        }
        layer.dragFrom = at;
    } else if (a.kind == IL_ANNO_TOOL_FREEHAND) {
        a.points.push_back(at);
    } else {
        a.points[1] = at;
    }
    layer.repaint();
}

void release(Layer &layer, Point window)
{
    if (!layer.dragging)
        return;
    move(layer, window);
    layer.dragging = false;
    const int index = layer.selected;
    if (layer.drawingNew && degenerate(layer.annotations[std::size_t(index)])) {
        layer.annotations.pop_back();
        layer.selected = -1;
    } else {
        if (layer.drawingNew)
            layer.selected = -1;
        if (layer.done)
            layer.done(layer.userData, index);
    }
    layer.drawingNew = false;
    layer.repaint();
}

void dropUnfinished(Layer &layer)
{
    if (layer.dragging && layer.drawingNew)
        layer.annotations.pop_back();
    layer.dragging = layer.drawingNew = false;
    layer.selected = -1;
}

} // namespace

extern "C" {

ILSTATUS InitAnnotation(void *component, ILSurface *window, void *userData, const char *iniPath, ILANNODONEPROC done,
                        ILANNODRAWPROC customDraw, ILANNODRAWPROC customHardDraw, ILANNOBEFOREPROC beforeDraw,
                        ILANNODONEPROC afterDraw)
{
    return guarded([&]() -> ILSTATUS {
        if (!component || !window)
            return IL_ERR_BAD_PARAMETER;
        Layer layer;
        layer.window = window;
        layer.userData = userData;
        layer.iniPath = iniPath ? iniPath : "";
        layer.done = done;
        layer.customDraw = customDraw;
        layer.customHardDraw = customHardDraw;
        layer.beforeDraw = beforeDraw;
        layer.afterDraw = afterDraw;
        if (!layer.iniPath.empty()) {
            const QSettings settings(QString::fromLocal8Bit(layer.iniPath.c_str()), QSettings::IniFormat);
            layer.tool = std::clamp(settings.value(QStringLiteral("Annotation/Tool"), layer.tool).toInt(),
                                    IL_ANNO_TOOL_SELECT, IL_ANNO_TOOL_CUSTOM);
            layer.colour = settings.value(QStringLiteral("Annotation/Colour"), layer.colour).toUInt() & 0xFFFFFF;
        }
        layers()[component] = std::move(layer);
        return 1;
    });
}

ILSTATUS ClearAnnotation(void *component)
{
    return onLayer(component, [](Layer &layer) -> ILSTATUS {
        dropUnfinished(layer);
        layer.annotations.clear();
        layer.repaint();
        return 1;
    });
}

ILSTATUS DrawAnnotation(void *component, int32_t originX, int32_t originY, double zoom, int32_t offsetX, int32_t offsetY)
{
    return onLayer(component, [&](Layer &layer) -> ILSTATUS {
        if (!(zoom > 0) || !layer.window->bits)
            return IL_ERR_BAD_PARAMETER;
        layer.view = {originX, originY, zoom, offsetX, offsetY};
        for (int i = 0; i < int(layer.annotations.size()); ++i) {
            int32_t canDraw = 1;
            if (layer.beforeDraw)
                layer.beforeDraw(layer.userData, i, &canDraw);
            if (!canDraw)
                continue;
            drawOne(layer, i, layer.dragging && i == layer.selected);
            if (layer.afterDraw)
                layer.afterDraw(layer.userData, i);
        }
        return 1;
    });
}

int32_t MouseMon(void *component, int32_t message, int32_t, int32_t point)
{
    int32_t hit = -1;
    const ILSTATUS status = onLayer(component, [&](Layer &layer) -> ILSTATUS {
        const Point window{int32_t(int16_t(point & 0xFFFF)), int32_t(int16_t((uint32_t(point) >> 16) & 0xFFFF))};
        switch (message) {
        case IL_ANNO_LBUTTONDOWN: hit = press(layer, window, true); break;
        case IL_ANNO_RBUTTONDOWN: hit = press(layer, window, false); break;
        case IL_ANNO_MOUSEMOVE: move(layer, window); break;
        case IL_ANNO_LBUTTONUP: release(layer, window); break;
        case IL_ANNO_RBUTTONUP: break;
        default: return IL_ERR_BAD_PARAMETER;
        }
        return 1;
    });
    return status == 1 ? hit : -1;
}

ILSTATUS MenuMsg(void *component, int32_t command)
{
    return onLayer(component, [&](Layer &layer) -> ILSTATUS {
        if (command >= IL_ANNO_TOOL_SELECT && command <= IL_ANNO_TOOL_CUSTOM) {
            dropUnfinished(layer);
            layer.tool = command;
        } else if (command == IL_ANNO_CMD_DELETE) {
            if (layer.selected >= 0 && !layer.dragging)
                layer.annotations.erase(layer.annotations.begin() + layer.selected);
            layer.selected = -1;
        } else if (command == IL_ANNO_CMD_CLEAR) {
            dropUnfinished(layer);
            layer.annotations.clear();
        } else if (command >= IL_ANNO_CMD_COLOUR && command < IL_ANNO_CMD_COLOUR + 16) {
            layer.colour = kVga[command - IL_ANNO_CMD_COLOUR];
        } else {
            return IL_ERR_BAD_PARAMETER;
        }
        layer.repaint();
        return 1;
    });
}

ILSTATUS RubberBandOFF(void *component)
{
    return onLayer(component, [](Layer &layer) -> ILSTATUS {
        dropUnfinished(layer);
        layer.repaint();
        return 1;
    });
}

ILSTATUS LoadAnnotation(void *component, int32_t page, const char *path)
{
    return onLayer(component, [&](Layer &layer) -> ILSTATUS {
        if (!path)
            return IL_ERR_BAD_PARAMETER;
        auto pages = readFile(path);
        dropUnfinished(layer);
        layer.annotations = std::move(pages[page]);
        layer.repaint();
        return 1;
    });
}

ILSTATUS SaveAnnotation(void *component, int32_t page, const char *path)
{
    return onLayer(component, [&](Layer &layer) -> ILSTATUS {
        if (!path)
            return IL_ERR_BAD_PARAMETER;
        std::map<int32_t, std::vector<Annotation>> pages;
        if (exists(path))
            pages = readFile(path);
        std::vector<Annotation> finished = layer.annotations;
        if (layer.dragging && layer.drawingNew)
            finished.pop_back();
        if (finished.empty())
            pages.erase(page);
        else
            pages[page] = std::move(finished);
        writeFile(path, pages);
        return 1;
    });
}

ILSTATUS DestroyAnnotation(void *component)
{
    return onLayer(component, [&](Layer &layer) -> ILSTATUS {
        if (!layer.iniPath.empty()) {
            QSettings settings(QString::fromLocal8Bit(layer.iniPath.c_str()), QSettings::IniFormat);
            settings.setValue(QStringLiteral("Annotation/Tool"), layer.tool);
            settings.setValue(QStringLiteral("Annotation/Colour"), layer.colour);
        }
        layers().erase(component);
        return 1;
    });
}

} // extern "C"
