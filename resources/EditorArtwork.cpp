// The image editor's artwork: the glyphs of its tool bar and attribute bars,
// and its fifteen custom cursors.  A tool that has a cursor draws the same
// object in both, the cursor with a white body and a black outline so that
// it shows on any picture, its hot spot at the tool's tip.
#include "EditorArtwork.h"

#include "Resources.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

const QColor Ink(40, 48, 72);
const QColor Accent(30, 110, 200);
const QColor Warm(200, 90, 30);
const QColor Wood(222, 184, 120);
const QColor Highlight(250, 225, 40);
const QColor Rubber(240, 150, 170);

// How an object is painted: in colour on a button, black on white as a cursor.
struct Style {
    bool cursor = false;
    QColor fill(QColor colour) const { return cursor ? QColor(Qt::white) : colour; }
    QPen outline(double width = 1.2) const { return QPen(cursor ? QColor(Qt::black) : Ink, width); }
};

// ---- objects, drawn in a 24 x 24 box ----

// A pencil from the bottom-left tip (1.5, 22.5) up to the right.
void pencil(QPainter &p, const Style &s, QColor body)
{
    QPolygonF shape({QPointF(1.5, 22.5), QPointF(3, 16.5), QPointF(17, 2.5), QPointF(21.5, 7), QPointF(7.5, 21)});
    p.setPen(s.outline());
    p.setBrush(s.fill(body));
    p.drawPolygon(shape);
    p.setBrush(s.fill(Wood));
    p.drawPolygon(QPolygonF({QPointF(1.5, 22.5), QPointF(3, 16.5), QPointF(7.5, 21)}));
    p.drawLine(QPointF(14.5, 5), QPointF(19, 9.5));
}

// A dropper whose tip is at the bottom left.
void pipette(QPainter &p, const Style &s)
{
    p.setPen(s.outline());
    p.setBrush(s.fill(QColor(230, 236, 244)));
    p.drawPolygon(QPolygonF({QPointF(1.5, 22.5), QPointF(3, 18), QPointF(13, 8), QPointF(16, 11), QPointF(6, 21)}));
    p.setBrush(s.fill(Ink));
    p.drawPolygon(QPolygonF({QPointF(12, 6), QPointF(15, 3), QPointF(21, 9), QPointF(18, 12)}));
    p.drawEllipse(QPointF(19.5, 4.5), 3, 3);
}

// A bucket tipped to the right, paint running from its lip at the bottom right.
void bucket(QPainter &p, const Style &s, QColor paint)
{
    p.save();
    p.translate(10, 13);
    p.rotate(-30);
    p.setPen(s.outline());
    p.setBrush(s.fill(QColor(210, 214, 222)));
    p.drawPolygon(QPolygonF({QPointF(-7, -6), QPointF(7, -6), QPointF(5.5, 8), QPointF(-5.5, 8)}));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-5, -10, 10, 9), 0, 180 * 16);
    p.restore();
    p.setPen(s.outline(1));
    p.setBrush(s.fill(paint));
    QPainterPath drip;
    drip.moveTo(15, 12);
    drip.cubicTo(21, 13, 23, 18, 22.5, 22.5);
    drip.cubicTo(20, 20, 18, 17, 15, 15);
    drip.closeSubpath();
    p.drawPath(drip);
}

// A spray can with its nozzle at the top left.
void airbrush(QPainter &p, const Style &s, bool dots)
{
    p.setPen(s.outline());
    p.setBrush(s.fill(Accent));
    p.drawRoundedRect(QRectF(9, 8, 10, 15), 2, 2);
    p.setBrush(s.fill(QColor(210, 214, 222)));
    p.drawRect(QRectF(11.5, 4.5, 5, 3.5));
    p.drawLine(QPointF(11.5, 5.5), QPointF(4, 5));
    if (!dots)
        return;
    p.setPen(Qt::NoPen);
    p.setBrush(s.cursor ? QColor(Qt::black) : Warm);
    for (const QPointF dot : {QPointF(2, 2), QPointF(1.5, 7), QPointF(4.5, 9), QPointF(5, 1.5), QPointF(2.5, 11)})
        p.drawEllipse(dot, 0.9, 0.9);
}

// An eraser block, its working corner at the bottom left.
void eraser(QPainter &p, const Style &s)
{
    p.setPen(s.outline());
    p.setBrush(s.fill(Rubber));
    p.drawPolygon(QPolygonF({QPointF(3, 17), QPointF(13, 7), QPointF(20, 14), QPointF(10, 24)}));
    p.setBrush(s.fill(QColor(120, 150, 210)));
    p.drawPolygon(QPolygonF({QPointF(13, 7), QPointF(16, 4), QPointF(23, 11), QPointF(20, 14)}));
}

// A paint brush, its bristles' tip at the bottom left.
void paintBrush(QPainter &p, const Style &s)
{
    p.setPen(s.outline());
    p.setBrush(s.fill(Wood));
    p.drawPolygon(QPolygonF({QPointF(10, 13), QPointF(20, 3), QPointF(22, 5), QPointF(12, 15)}));
    p.setBrush(s.fill(Warm));
    QPainterPath bristles;
    bristles.moveTo(1.5, 22.5);
    bristles.cubicTo(3, 17, 6, 13, 10, 13);
    bristles.lineTo(12, 15);
    bristles.cubicTo(12, 19, 7, 22, 1.5, 22.5);
    p.drawPath(bristles);
}

void magnifier(QPainter &p, const QString &sign)
{
    p.setPen(QPen(Ink, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(21.5, 21.5));
    p.setPen(QPen(Ink, 1.4));
    p.setBrush(QColor(235, 244, 252));
    p.drawEllipse(QPointF(10, 10), 7.5, 7.5);
    p.setPen(Accent);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(sign.size() > 1 ? 7 : 12);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(2.5, 2.5, 15, 15), Qt::AlignCenter, sign);
}

void colourBar(QPainter &p, QColor colour)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(colour);
    p.drawRect(QRectF(2.5, 19.5, 19, 3.5));
}

void letter(QPainter &p, const QString &text, const QString &family, int pixels, QRectF box)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(box, Qt::AlignCenter, text);
}

void glyph(QPainter &p, int index)
{
    using namespace resources;
    const Style button;
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    switch (index) {
    case PenBarGlyph:
        p.setPen(QPen(Ink, 1, Qt::DashLine));
        p.drawLine(QPointF(3, 5.5), QPointF(21, 5.5));
        p.setPen(QPen(Ink, 2));
        p.drawLine(QPointF(3, 11), QPointF(21, 11));
        p.setPen(QPen(Accent, 4));
        p.drawLine(QPointF(3, 18), QPointF(21, 18));
        break;
    case BrushBarGlyph:
        p.setPen(QPen(Ink, 1));
        p.setBrush(QBrush(Accent, Qt::DiagCrossPattern));
        p.drawRect(QRectF(3.5, 3.5, 17, 17));
        break;
    case LineGlyph:
        p.setPen(QPen(Ink, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 20), QPointF(20, 4));
        break;
    case RectangleGlyph:
        p.setPen(QPen(Ink, 1.6));
        p.setBrush(QColor(200, 220, 245));
        p.drawRect(QRectF(3.5, 5.5, 17, 13));
        break;
    case RoundRectGlyph:
        p.setPen(QPen(Ink, 1.6));
        p.setBrush(QColor(200, 220, 245));
        p.drawRoundedRect(QRectF(3.5, 5.5, 17, 13), 4, 4);
        break;
    case EllipseGlyph:
        p.setPen(QPen(Ink, 1.6));
        p.setBrush(QColor(200, 220, 245));
        p.drawEllipse(QRectF(2.5, 5.5, 19, 13));
        break;
    case FreehandGlyph: pencil(p, button, Warm); break;
    case HighlighterGlyph:
        p.setPen(Qt::NoPen);
        p.setBrush(Highlight);
        p.drawRect(QRectF(1, 16, 14, 6));
        pencil(p, button, Highlight);
        break;
    case PipetteGlyph: pipette(p, button); break;
    case FillGlyph: bucket(p, button, Accent); break;
    case AirbrushGlyph: airbrush(p, button, true); break;
    case FontGlyph:
        letter(p, QStringLiteral("A"), QStringLiteral("DejaVu Serif"), 17, QRectF(0, 0, 15, 22));
        letter(p, QStringLiteral("a"), QStringLiteral("DejaVu Sans"), 11, QRectF(12, 8, 12, 15));
        break;
    case TextGlyph:
        letter(p, QStringLiteral("T"), QStringLiteral("DejaVu Sans"), 18, QRectF(0, 1, 18, 22));
        p.setPen(QPen(Accent, 1.4));
        p.drawLine(QPointF(20, 5), QPointF(20, 20));
        break;
    case EraserGlyph: eraser(p, button); break;
    case CropGlyph:
        p.setPen(QPen(Ink, 2.2));
        p.drawPolyline(QPolygonF({QPointF(6, 2), QPointF(6, 18), QPointF(22, 18)}));
        p.drawPolyline(QPolygonF({QPointF(2, 6), QPointF(18, 6), QPointF(18, 22)}));
        break;
    case ZoomInGlyph: magnifier(p, QStringLiteral("+")); break;
    case ZoomOutGlyph: magnifier(p, QStringLiteral("\u2212")); break;
    case ActualSizeGlyph: magnifier(p, QStringLiteral("1:1")); break;
    case EffectsGlyph: {
        p.setPen(Qt::NoPen);
        const QColor colours[] = {QColor(230, 60, 60), QColor(240, 190, 40), QColor(60, 170, 80), Accent};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colours[i]);
            p.drawEllipse(QPointF(8 + (i % 2) * 8, 8 + (i / 2) * 8), 5.5, 5.5);
        }
        break;
    }
    case UndoGlyph: {
        p.setPen(QPen(Accent, 2.2));
        p.drawArc(QRectF(6, 6, 14, 13), 270 * 16, 270 * 16);
        p.setBrush(Accent);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(3, 11), QPointF(9, 7), QPointF(9, 15)}));
        break;
    }
    case SaveCloseGlyph:
        p.setPen(QPen(QColor(40, 160, 70), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(4, 12), QPointF(10, 18), QPointF(20, 5)}));
        break;
    case CloseGlyph:
        p.setPen(QPen(QColor(210, 50, 50), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(19, 19));
        p.drawLine(QPointF(19, 5), QPointF(5, 19));
        break;
    case PenColourGlyph:
        pencil(p, button, Accent);
        colourBar(p, Warm);
        break;
    case BrushColourGlyph:
        bucket(p, button, Warm);
        colourBar(p, Accent);
        break;
    default: break;
    }
}

// ---- cursors, drawn in a 32 x 32 box ----

// A cross for the cursors that frame a figure, with the figure beside it.
void crossWith(QPainter &p, int figure)
{
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(7.5, 0), QPointF(7.5, 15));
    p.drawLine(QPointF(0, 7.5), QPointF(15, 7.5));
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(Qt::white);
    const QRectF box(13, 13, 16, 12);
    switch (figure) {
    case 0: p.drawEllipse(box); break;
    case 1: p.drawRoundedRect(box, 4, 4); break;
    case 2: p.drawRect(box); break;
    default:
        p.drawPolygon(QPolygonF({QPointF(21, 11), QPointF(29, 19), QPointF(21, 27), QPointF(13, 19)}));
        break;
    }
}

void cursor(QPainter &p, int slot)
{
    const Style s{true};
    p.setRenderHint(QPainter::Antialiasing);
    // the objects of the tool bar, at 4/3 of their size, so that a tip at
    // (1.5, 22.5) lands on the hot spot (2, 30)
    auto object = [&p](auto draw) {
        p.save();
        p.scale(4.0 / 3, 4.0 / 3);
        draw();
        p.restore();
    };
    switch (slot) {
    case 11: object([&] { pencil(p, s, Qt::white); }); break;
    case 12: // Baguette: a wand with a star at its tip
        p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(28, 28));
        p.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(28, 28));
        p.setPen(QPen(Qt::black, 1.2));
        for (int i = 0; i < 4; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(QPointF(4 - 4 * std::cos(a), 4 - 4 * std::sin(a)), QPointF(4 + 4 * std::cos(a), 4 + 4 * std::sin(a)));
        }
        break;
    case 13: // ImageField: a dashed frame around the hot spot
        p.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(4.5, 6.5, 23, 19));
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(QPointF(15.5, 11), QPointF(15.5, 20));
        p.drawLine(QPointF(11, 15.5), QPointF(20, 15.5));
        break;
    case 14: // Image: a small picture around the hot spot
        p.setPen(QPen(Qt::black, 1.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 7.5, 21, 17));
        p.setBrush(Qt::black);
        p.drawPolygon(QPolygonF({QPointF(7, 23), QPointF(13, 14), QPointF(18, 20), QPointF(21, 17), QPointF(25, 23)}));
        break;
    case 15: { // Label: an arrow with a tag
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(3, 3), QPointF(3, 19), QPointF(7, 15), QPointF(11, 22), QPointF(13, 21),
                                 QPointF(9, 14), QPointF(15, 14)}));
        p.drawRoundedRect(QRectF(14.5, 18.5, 15, 9), 2, 2);
        p.drawLine(QPointF(17, 23), QPointF(27, 23));
        break;
    }
    case 16: crossWith(p, 0); break;
    case 17: crossWith(p, 1); break;
    case 18: crossWith(p, 2); break;
    case 19: crossWith(p, 3); break;
    case 20: { // Main: an open hand
        p.setPen(QPen(Qt::black, 1.3));
        p.setBrush(Qt::white);
        QPainterPath hand;
        hand.addRoundedRect(QRectF(8, 14, 15, 13), 4, 4);
        for (int i = 0; i < 4; ++i)
            hand.addRoundedRect(QRectF(8 + i * 4, 2 + (i == 0 || i == 3 ? 4 : 0) + (i == 0 ? 2 : 0), 3.5, 16), 1.7, 1.7);
        hand.addRoundedRect(QRectF(2, 13, 9, 3.5), 1.7, 1.7);
        p.drawPath(hand.simplified());
        break;
    }
    case 21: object([&] { eraser(p, s); }); break;
    case 22: object([&] { airbrush(p, s, true); }); break;
    case 23: object([&] { bucket(p, s, Qt::white); }); break;
    case 24: object([&] { paintBrush(p, s); }); break;
    case 25: object([&] { pipette(p, s); }); break;
    default: break;
    }
}

} // namespace

QImage editorGlyphs()
{
    const int cell = resources::editorGlyphCell;
    QImage image(cell * resources::EditorGlyphCount, cell, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int i = 0; i < resources::EditorGlyphCount; ++i) {
        QPainter p(&image);
        p.translate(i * cell, 0);
        p.setClipRect(0, 0, cell, cell);
        glyph(p, i);
    }
    return image;
}

QImage editorCursors()
{
    const int cell = resources::editorCursorCell;
    QImage image(cell * resources::editorCursorCount, cell, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int i = 0; i < resources::editorCursorCount; ++i) {
        QPainter p(&image);
        p.translate(i * cell, 0);
        p.setClipRect(0, 0, cell, cell);
        cursor(p, resources::editorFirstCursor + i);
    }
    return image;
}
