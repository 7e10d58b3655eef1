// Draws the program's artwork at build time: the button image strip, the
// splash picture, the sample picture, the main window's background, the
// application icon, the scanner presets window and the ends of the scanner
// settings' track bars, and the image editor's glyphs and cursors
// (EditorArtwork.cpp).  Usage: quillon-artwork OUTPUT_FOLDER
#include "EditorArtwork.h"
#include "Resources.h"

#include <QDir>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int Cell = resources::stripCell;
constexpr int StripCount = 26;

const QColor Ink(40, 48, 72);
const QColor Accent(30, 110, 200);
const QColor Pressed(200, 90, 30);

void sheet(QPainter &p, QRectF r, QColor fill = Qt::white)
{
    p.setPen(QPen(Ink, 1.2));
    p.setBrush(fill);
    p.drawRect(r);
}

void arrow(QPainter &p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len == 0)
        return;
    const QPointF u = d / len, n(-u.y(), u.x());
    p.drawLine(to, to - 5 * u + 3 * n);
    p.drawLine(to, to - 5 * u - 3 * n);
}

// One picture per layout command; the "pressed" variants reuse it in another colour.
void layoutGlyph(QPainter &p, int kind, QColor colour)
{
    sheet(p, QRectF(6, 3, 20, 26));
    p.setPen(QPen(colour, 2));
    p.setBrush(colour.lighter(160));
    switch (kind) {
    case 1: // half turn
        p.drawArc(QRectF(9, 8, 14, 14), 30 * 16, 300 * 16);
        arrow(p, QPointF(21, 11), QPointF(22, 8));
        break;
    case 2: // origin
        p.drawRect(QRectF(8, 5, 8, 8));
        break;
    case 3: // fill the sheet
        p.drawRect(QRectF(8, 5, 16, 22));
        break;
    case 4: // centre horizontally
        p.drawRect(QRectF(12, 6, 8, 8));
        arrow(p, QPointF(7, 22), QPointF(15, 22));
        arrow(p, QPointF(25, 22), QPointF(17, 22));
        break;
    case 5: // centre vertically
        p.drawRect(QRectF(9, 12, 8, 8));
        arrow(p, QPointF(21, 4), QPointF(21, 14));
        arrow(p, QPointF(21, 28), QPointF(21, 18));
        break;
    case 6: // centre on the page
        p.drawRect(QRectF(12, 12, 8, 8));
        break;
    }
}

void drawCell(QPainter &p, int index)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0: { // check box glyph: unchecked half, checked half
        for (int half = 0; half < 2; ++half) {
            const QRectF box(half * 16 + 1.5, 8.5, 13, 13);
            p.setPen(QPen(Ink, 1));
            p.setBrush(Qt::white);
            p.drawRoundedRect(box, 2, 2);
            if (half == 1) {
                p.setPen(QPen(Accent, 2.2));
                p.drawPolyline(QPolygonF({QPointF(19, 15), QPointF(22, 19), QPointF(28, 10)}));
            }
        }
        break;
    }
    case 1: layoutGlyph(p, 1, Accent); break;
    case 2: layoutGlyph(p, 2, Accent); break;
    case 3: layoutGlyph(p, 3, Accent); break;
    case 4: layoutGlyph(p, 4, Accent); break;
    case 5: layoutGlyph(p, 5, Accent); break;
    case 6: layoutGlyph(p, 6, Accent); break;
    case 7: { // choose the scanner
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(210, 214, 222));
        p.drawRoundedRect(QRectF(3, 14, 26, 12), 2, 2);
        p.setBrush(Accent);
        p.drawEllipse(QPointF(16, 8), 4, 4);
        break;
    }
    case 8: { // scan
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(210, 214, 222));
        p.drawRoundedRect(QRectF(3, 14, 26, 12), 2, 2);
        p.setPen(QPen(QColor(40, 200, 90), 2));
        p.drawLine(QPointF(6, 18), QPointF(26, 18));
        sheet(p, QRectF(10, 3, 12, 10));
        break;
    }
    case 9: { // grey levels
        QLinearGradient g(4, 0, 28, 0);
        g.setColorAt(0, Qt::black);
        g.setColorAt(1, Qt::white);
        p.setPen(QPen(Ink, 1));
        p.setBrush(g);
        p.drawRect(QRectF(4, 8, 24, 16));
        break;
    }
    case 10: { // invert
        p.setPen(QPen(Ink, 1));
        p.setBrush(Qt::black);
        p.drawRect(QRectF(4, 6, 12, 20));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(16, 6, 12, 20));
        break;
    }
    case 11: { // automatic contrast
        p.setPen(QPen(Ink, 1));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 11, 11);
        p.setBrush(Qt::black);
        p.drawPie(QRectF(5, 5, 22, 22), 90 * 16, 180 * 16);
        break;
    }
    case 12: { // effects
        p.setPen(Qt::NoPen);
        const QColor colours[] = {QColor(230, 60, 60), QColor(240, 190, 40), QColor(60, 170, 80), Accent};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colours[i]);
            p.drawEllipse(QPointF(11 + (i % 2) * 10, 11 + (i / 2) * 10), 7, 7);
        }
        break;
    }
    case 13: { // editor: a pencil
        sheet(p, QRectF(4, 4, 18, 24));
        p.setPen(QPen(Pressed, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 24), QPointF(27, 7));
        break;
    }
    case 14: { // undo
        p.setPen(QPen(Accent, 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(8, 8, 18, 16), 270 * 16, 270 * 16);
        arrow(p, QPointF(12, 10), QPointF(6, 14));
        break;
    }
    case 15: { // printer setup
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(210, 214, 222));
        p.drawRoundedRect(QRectF(4, 12, 24, 12), 2, 2);
        p.setPen(QPen(Pressed, 2));
        p.drawLine(QPointF(8, 28), QPointF(24, 28));
        p.drawLine(QPointF(16, 4), QPointF(16, 10));
        break;
    }
    case 16: { // print
        sheet(p, QRectF(9, 3, 14, 10));
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(210, 214, 222));
        p.drawRoundedRect(QRectF(4, 12, 24, 12), 2, 2);
        sheet(p, QRectF(9, 20, 14, 9));
        break;
    }
    case 17:
    case 18: { // copy: scanner to printer, or printer alone in the two modes
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(210, 214, 222));
        if (index == 17)
            p.drawRoundedRect(QRectF(2, 4, 12, 8), 1, 1);
        p.drawRoundedRect(QRectF(16, 14, 14, 10), 1, 1);
        p.setPen(QPen(Accent, 2));
        if (index == 17)
            arrow(p, QPointF(9, 14), QPointF(16, 20));
        else
            for (int i = 0; i < 3; ++i)
                p.drawRect(QRectF(3 + i * 4, 4 + i * 3, 8, 8));
        break;
    }
    case 19: { // poster format
        for (int i = 0; i < 4; ++i)
            sheet(p, QRectF(4 + (i % 2) * 12, 4 + (i / 2) * 12, 12, 12), QColor(250, 240, 210));
        break;
    }
    default: // 20..25: the layout buttons pressed
    {
        static const int pressedOf[] = {2, 6, 4, 5, 3, 1};
        layoutGlyph(p, pressedOf[index - 20], Pressed);
        break;
    }
    }
}

QImage strip()
{
    QImage image(Cell * StripCount, Cell, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int i = 0; i < StripCount; ++i) {
        QPainter p(&image);
        p.translate(i * Cell, 0);
        p.setClipRect(0, 0, Cell, Cell);
        drawCell(p, i);
    }
    return image;
}

// A landscape of gentle hills under a sky: easy to see turned or scaled.
QImage sample()
{
    QImage image(293, 415, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 260);
    sky.setColorAt(0, QColor(70, 130, 210));
    sky.setColorAt(1, QColor(200, 225, 245));
    p.fillRect(image.rect(), sky);
    QRadialGradient sun(220, 80, 36);
    sun.setColorAt(0, QColor(255, 245, 180));
    sun.setColorAt(1, QColor(250, 200, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(220, 80), 34, 34);
    QPainterPath far;
    far.moveTo(0, 250);
    far.cubicTo(80, 190, 160, 280, 293, 210);
    far.lineTo(293, 415);
    far.lineTo(0, 415);
    p.setBrush(QColor(90, 150, 90));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(0, 320);
    near.cubicTo(100, 280, 200, 360, 293, 300);
    near.lineTo(293, 415);
    near.lineTo(0, 415);
    p.setBrush(QColor(50, 120, 60));
    p.drawPath(near);
    p.setBrush(QColor(110, 70, 40));
    p.drawRect(QRectF(60, 300, 10, 40));
    p.setBrush(QColor(30, 90, 40));
    p.drawEllipse(QPointF(65, 290), 26, 30);
    p.setPen(QPen(Qt::white, 2));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 14, QFont::Bold));
    p.drawText(QRect(0, 370, 293, 40), Qt::AlignCenter, QStringLiteral("Quillon"));
    return image;
}

QImage splash()
{
    QImage image(300, 267, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 300, 267);
    back.setColorAt(0, QColor(24, 44, 88));
    back.setColorAt(1, QColor(40, 110, 180));
    p.fillRect(image.rect(), back);
    sheet(p, QRectF(40, 60, 90, 120));
    p.setPen(QPen(Qt::red, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(44, 64, 82, 112));
    p.drawImage(QRectF(50, 70, 60, 85), sample());
    p.setPen(Qt::white);
    for (const resources::ArtText &text : resources::splashTexts()) {
        p.setFont(text.font);
        p.drawText(text.box, int(text.alignment), text.text);
    }
    return image;
}

QImage background()
{
    QImage image(632, 434, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, 434);
    g.setColorAt(0, QColor(232, 236, 242));
    g.setColorAt(1, QColor(206, 214, 226));
    p.fillRect(image.rect(), g);
    return image;
}

QImage icon()
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    drawCell(p, 17);
    return image;
}


// ---- scanner presets ----

// The largest font, up to the given pixel size, in which every text fits its width.
QFont fittingFont(const std::vector<std::pair<QString, double>> &texts, int pixels)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    for (; pixels > 7; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        bool fits = true;
        for (const auto &[text, width] : texts)
            fits = fits && metrics.horizontalAdvance(text) <= width;
        if (fits)
            break;
    }
    return font;
}

// One of the strip's glyphs shrunk to a 24-pixel square at the given corner.
void smallGlyph(QPainter &p, QPointF corner, int index)
{
    p.save();
    p.translate(corner);
    p.scale(0.75, 0.75);
    drawCell(p, index);
    p.restore();
}

void wrench(QPainter &p, QPointF centre)
{
    p.save();
    p.translate(centre);
    p.rotate(-45);
    p.setPen(QPen(Ink, 1.2));
    p.setBrush(QColor(170, 176, 188));
    p.drawRoundedRect(QRectF(-2.5, -2, 5, 13), 1.5, 1.5);
    // The open jaw: a ring with a notch cut at the top.
    QPainterPath jaw;
    jaw.addEllipse(QPointF(0, -6), 6, 6);
    QPainterPath notch;
    notch.addRect(QRectF(-2.2, -13, 4.4, 7));
    p.drawPath(jaw.subtracted(notch));
    p.restore();
}

// A photograph: sky, sun and a hill in a white frame.
void photo(QPainter &p, QRectF r)
{
    sheet(p, r);
    const QRectF inner = r.adjusted(2, 2, -2, -2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 170, 230));
    p.drawRect(inner);
    p.setBrush(QColor(250, 200, 60));
    p.drawEllipse(QPointF(inner.right() - 5, inner.top() + 5), 3, 3);
    QPainterPath hill;
    hill.moveTo(inner.bottomLeft());
    hill.cubicTo(inner.left() + 6, inner.center().y() - 2, inner.center().x() + 4, inner.center().y() + 6,
                 inner.right(), inner.center().y() + 1);
    hill.lineTo(inner.bottomRight());
    hill.closeSubpath();
    p.setBrush(QColor(60, 140, 70));
    p.drawPath(hill);
}

// Line art: black strokes on a sheet.
void lineArt(QPainter &p, QRectF r)
{
    sheet(p, r);
    p.setPen(QPen(Qt::black, 1.6));
    p.drawPolyline(QPolygonF({QPointF(r.left() + 3, r.bottom() - 4), QPointF(r.left() + 8, r.top() + 5),
                              QPointF(r.center().x() + 2, r.bottom() - 6), QPointF(r.right() - 3, r.top() + 4)}));
    p.drawLine(QPointF(r.left() + 3, r.bottom() - 2.5), QPointF(r.right() - 3, r.bottom() - 2.5));
}

// Each face is centred in its cell, so that a button smaller than the cell
// shows the whole face: glyph at the left, the text beside it.
QImage presetFaces()
{
    const QSize cell = resources::presetFaceCell;
    QImage image(cell.width() * 7, cell.height(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    struct Face {
        QSizeF button;
        const char *text;
        std::function<void(QPainter &, QPointF)> glyph;
    };
    const QSizeF wide(257, 33);
    const Face faces[] = {
        {wide, "Noir & blanc au trait", [](QPainter &p, QPointF at) { lineArt(p, QRectF(at + QPointF(3, 1), QSizeF(18, 22))); }},
        {wide, "Noir & blanc avec nuances de gris", [](QPainter &p, QPointF at) { smallGlyph(p, at, 9); }},
        {wide, "Couleur qualité normale", [](QPainter &p, QPointF at) { smallGlyph(p, at, 12); }},
        {wide, "Couleur qualité photo", [](QPainter &p, QPointF at) { photo(p, QRectF(at + QPointF(0, 3), QSizeF(24, 18))); }},
        {QSizeF(41, 33), "", [](QPainter &p, QPointF at) { wrench(p, at + QPointF(12, 12)); }},
        // The wrench stands just left of this one: its text has the whole face.
        {QSizeF(217, 33), "Utiliser les réglages du scanner", {}},
        {QSizeF(75, 25), "Annuler", {}},
    };
    // Where each face goes: the button's inside (its frame takes three pixels
    // on each side) centred in the cell, the text to the right of the glyph.
    QRectF areas[7], textAreas[7];
    std::vector<std::pair<QString, double>> texts;
    for (int i = 0; i < 7; ++i) {
        const QSizeF inside = faces[i].button - QSizeF(6, 6);
        areas[i] = QRectF(i * cell.width() + (cell.width() - inside.width()) / 2,
                          (cell.height() - inside.height()) / 2, inside.width(), inside.height());
        textAreas[i] = areas[i].adjusted(faces[i].glyph ? 32 : 4, 0, -4, 0);
        texts.emplace_back(QString::fromUtf8(faces[i].text), textAreas[i].width());
    }
    // One size of text over all the faces.
    const QFont font = fittingFont(texts, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (int i = 0; i < 7; ++i) {
        const QString &text = texts[size_t(i)].first;
        if (faces[i].glyph) {
            const QPointF corner(text.isEmpty() ? areas[i].center().x() - 12 : areas[i].left() + 4,
                                 areas[i].center().y() - 12);
            faces[i].glyph(p, corner);
        }
        p.setPen(Ink);
        p.setFont(font);
        p.drawText(textAreas[i], (faces[i].glyph ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, text);
    }
    return image;
}

// The window's background: the main window's light gradient, a panel behind the buttons, a scanner's glow below.
QImage presetsBackground()
{
    const QSize size = resources::presetsClientSize;
    QImage image(size, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(232, 236, 242));
    g.setColorAt(1, QColor(206, 214, 226));
    p.fillRect(image.rect(), g);
    p.setPen(QPen(QColor(170, 180, 198), 1));
    p.setBrush(QColor(244, 246, 250));
    p.drawRoundedRect(QRectF(14.5, 14.5, 276, 180), 6, 6);
    QLinearGradient beam(0, 212, 0, 228);
    beam.setColorAt(0, QColor(40, 200, 90, 0));
    beam.setColorAt(0.5, QColor(40, 200, 90, 140));
    beam.setColorAt(1, QColor(40, 200, 90, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(beam);
    p.drawRect(QRectF(24, 212, 170, 16));
    return image;
}

// ---- scanner settings ----

// The lower and upper ends of each track bar, in the order resolution,
// brightness, contrast, highlight, shadow, threshold.
void trackEnd(QPainter &p, int bar, bool upper)
{
    const QRectF box(2.5, 2.5, 11, 11);
    p.setPen(QPen(Ink, 1));
    switch (bar) {
    case 0: { // resolution: coarse or fine squares
        const int n = upper ? 4 : 2;
        const double step = box.width() / n;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                p.setBrush((x + y) % 2 ? QColor(Qt::white) : QColor(Ink));
                p.drawRect(QRectF(box.left() + x * step, box.top() + y * step, step, step));
            }
        break;
    }
    case 1: { // brightness: a dim or a bright sun
        p.setBrush(upper ? QColor(250, 200, 60) : QColor(110, 110, 110));
        p.drawEllipse(QPointF(8, 8), upper ? 3.5 : 3, upper ? 3.5 : 3);
        if (upper)
            for (int i = 0; i < 8; ++i) {
                const double a = i * M_PI / 4;
                p.drawLine(QPointF(8 + 5 * std::cos(a), 8 + 5 * std::sin(a)), QPointF(8 + 7 * std::cos(a), 8 + 7 * std::sin(a)));
            }
        break;
    }
    case 2: // contrast: two close greys, or black and white
        p.setBrush(upper ? QColor(Qt::white) : QColor(150, 150, 150));
        p.drawEllipse(box);
        p.setBrush(upper ? QColor(Qt::black) : QColor(110, 110, 110));
        p.drawPie(box, 90 * 16, 180 * 16);
        break;
    case 3: // highlight: a light grey or a white square
        p.setBrush(upper ? QColor(Qt::white) : QColor(200, 200, 200));
        p.drawRect(box);
        break;
    case 4: // shadow: a black or a dark grey square
        p.setBrush(upper ? QColor(80, 80, 80) : QColor(Qt::black));
        p.drawRect(box);
        break;
    default: { // threshold: little black, or mostly black
        p.setBrush(Qt::white);
        p.drawRect(box);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(box.left(), upper ? box.top() + 2 : box.bottom() - 3, box.width(), upper ? box.height() - 2 : 3));
        break;
    }
    }
}

QImage trackEnds()
{
    const int cell = resources::trackBarEndCell;
    QImage image(cell * 12, cell, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int i = 0; i < 12; ++i) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(i * cell, 0);
        p.setClipRect(0, 0, cell, cell);
        trackEnd(p, i / 2, i % 2 == 1);
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    const std::pair<const char *, std::function<QImage()>> pictures[] = {
        {"strip.png", strip}, {"sample.png", sample}, {"splash.png", splash},
        {"background.png", background}, {"icon.png", icon}, {"presets.png", presetFaces},
        {"presets_background.png", presetsBackground}, {"trackends.png", trackEnds},
        {"editor_glyphs.png", editorGlyphs}, {"editor_cursors.png", editorCursors},
    };
    for (const auto &[name, draw] : pictures)
        if (!draw().save(out.filePath(QString::fromLatin1(name))))
            return 1;
    return 0;
}
