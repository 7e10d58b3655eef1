// Draws the program's artwork at build time: the button image strip, the
// splash picture, the sample picture, the main window's background and the
// application icon.  Usage: quillon-artwork OUTPUT_FOLDER
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>

namespace {

constexpr int Cell = 32;
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
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 30, QFont::Bold));
    p.drawText(QRect(140, 70, 150, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillon"));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 18));
    p.drawText(QRect(140, 120, 150, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("2002"));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    p.drawText(QRect(0, 220, 300, 30), Qt::AlignCenter, QStringLiteral("Scanner, retoucher, imprimer"));
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
        {"background.png", background}, {"icon.png", icon},
    };
    for (const auto &[name, draw] : pictures)
        if (!draw().save(out.filePath(QString::fromLatin1(name))))
            return 1;
    return 0;
}
