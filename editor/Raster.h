#pragma once
// The raster work of the editor's canvas, on 32-bit pictures
// (QImage::Format_RGB32) with colours as TRGB values (0x00BBGGRR):
//  - figures (line, rectangle, ellipse, rounded rectangle) outlined with a
//    pen and filled with a brush, their right and bottom edges excluded, in
//    copy or NOT-XOR mode;
//  - the brushes' 8 x 8 hatch patterns, aligned on the picture's origin;
//  - the surface flood fill.
// A figure paints each pixel at most once, with the pen where the outline
// covers it and with the brush elsewhere inside, so that painting it twice in
// NOT-XOR mode gives back the picture exactly.
#include "PGPixelGraphic.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <functional>

namespace editor {

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear };
enum class BrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };
// Copy: the colour replaces the pixel.  NotXor: the pixel becomes
// NOT(pixel XOR colour), channel by channel (QPainter's
// RasterOp_NotSourceXorDestination); twice with one colour is no change.
enum class PenMode { Copy, NotXor };

constexpr TRGB Black = MakeRGB(0, 0, 0);
constexpr TRGB White = MakeRGB(255, 255, 255);

struct Pen {
    TRGB color = Black;
    PenStyle style = PenStyle::Solid;
    int width = 1;
    PenMode mode = PenMode::Copy;
    bool operator==(const Pen &) const = default;
    bool visible() const { return style != PenStyle::Clear; }
};

struct Brush {
    TRGB color = White;
    BrushStyle style = BrushStyle::Solid;
    bool operator==(const Brush &) const = default;
    bool visible() const { return style != BrushStyle::Clear; }
};

// Whether a brush of this style paints the picture's pixel (x, y).
bool brushCovers(BrushStyle style, int x, int y);

// A figure in picture pixels.  A line runs from its start, which is drawn,
// to its end, which is not; a box spans [left, right) x [top, bottom),
// whatever the order of the corners it was given.
class Figure {
public:
    enum class Kind { Line, Rectangle, Ellipse, RoundRect };

    static Figure line(QPoint from, QPoint to);
    static Figure rectangle(QPoint corner, QPoint opposite);
    static Figure ellipse(QPoint corner, QPoint opposite);
    // The corner ellipse's size, taken without its sign.
    static Figure roundRect(QPoint corner, QPoint opposite, QSize cornerEllipse);

    Kind kind() const { return kind_; }
    QPoint from() const { return from_; }
    QPoint to() const { return to_; }
    QRect box() const { return box_; }
    QSize cornerEllipse() const { return corner_; }
    // Paints nothing: a line to its own start, a box without width or height.
    bool isEmpty() const;
    // Every pixel a pen of this width or the brush can touch.
    QRect bounds(int penWidth) const;
    // The pixels painting it can change: a rectangle with an invisible brush
    // touches only its four sides.
    QRegion footprint(const Pen &pen, const Brush &brush) const;

    bool operator==(const Figure &) const = default;

private:
    Figure(Kind kind, QPoint from, QPoint to, QSize corner = {});
    Kind kind_;
    QPoint from_, to_;
    QRect box_;
    QSize corner_;
};

// Paints the figure on `target`, a piece of the picture whose top-left pixel
// is the picture's pixel `origin`, within `clip` (picture coordinates), in
// the pen's mode.  Returns the rectangle painted, in picture coordinates.
QRect paintFigure(QImage &target, QPoint origin, const Figure &figure, const Pen &pen, const Brush &brush,
                  const QRect &clip);

// Paints the brush, in copy mode, over the area around `seed` that has the
// seed's colour and is joined to it through its four neighbours, telling
// `beforeChange` of each row's run before painting it.  Returns the
// rectangle changed (empty for a clear brush or a seed outside).
QRect floodFill(QImage &picture, QPoint seed, const Brush &brush,
                const std::function<void(const QRect &)> &beforeChange = {});

} // namespace editor
