// The canvas's raster work: figures painted once per pixel (so NOT-XOR twice
// gives the picture back and outlines leave no trace), within the area the
// view is told to repaint, and the surface flood fill.
#include "EditorSupport.h"

#include "Raster.h"

#include <gtest/gtest.h>
#include <random>

using namespace editor;
using editortest::art;
using editortest::picture;

namespace {

QImage noise(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFF));
    return image;
}

std::vector<Figure> figures()
{
    return {Figure::line({3, 4}, {37, 22}),        Figure::line({30, 5}, {4, 5}),
            Figure::line({20, 30}, {20, 2}),       Figure::rectangle({5, 4}, {33, 27}),
            Figure::rectangle({33, 27}, {5, 4}),   Figure::rectangle({12, 10}, {13, 20}),
            Figure::ellipse({4, 3}, {36, 28}),     Figure::ellipse({10, 10}, {17, 30}),
            Figure::roundRect({4, 3}, {36, 28}, {-16, -12}), Figure::roundRect({2, 2}, {9, 30}, {3, 14})};
}

} // namespace

// A figure covers each pixel at most once: with the pen, or else with the
// brush.  Painted once in NOT-XOR, every pixel is either untouched, or
// NOT(pixel XOR pen), or NOT(pixel XOR brush); painted twice, the picture is
// back.  The pixels changed all lie in the footprint the view repaints.
TEST(Raster, NotXorFiguresTouchEachPixelOnceInsideTheirFootprint)
{
    const QImage original = noise(QSize(40, 32));
    const TRGB penColour = MakeRGB(0x12, 0x34, 0x56), brushColour = MakeRGB(0xA0, 0x0B, 0x70);
    for (const Figure &figure : figures()) {
        for (const int width : {1, 3, 8}) {
            for (const PenStyle penStyle : {PenStyle::Solid, PenStyle::Dash, PenStyle::DashDotDot, PenStyle::Clear}) {
                for (const BrushStyle brushStyle : {BrushStyle::Solid, BrushStyle::Clear, BrushStyle::Cross,
                                                    BrushStyle::FDiagonal}) {
                    const Pen pen{penColour, penStyle, width, PenMode::NotXor};
                    const Brush brush{brushColour, brushStyle};
                    QImage image = original;
                    paintFigure(image, {}, figure, pen, brush, image.rect());
                    const QRegion footprint = figure.footprint(pen, brush);
                    int changed = 0;
                    for (int y = 0; y < image.height(); ++y) {
                        for (int x = 0; x < image.width(); ++x) {
                            const QRgb before = original.pixel(x, y), after = image.pixel(x, y);
                            if (after == before)
                                continue;
                            ++changed;
                            const bool once = after == (0xFF000000u | ~(before ^ toQRgb(penColour)))
                                || after == (0xFF000000u | ~(before ^ toQRgb(brushColour)));
                            ASSERT_TRUE(once) << x << "," << y << " width " << width;
                            ASSERT_TRUE(footprint.contains(QPoint(x, y))) << x << "," << y << " width " << width;
                        }
                    }
                    const bool paints = penStyle != PenStyle::Clear
                        || (figure.kind() != Figure::Kind::Line && brushStyle != BrushStyle::Clear);
                    EXPECT_EQ(changed > 0, paints);
                    paintFigure(image, {}, figure, pen, brush, image.rect());
                    ASSERT_EQ(image, original) << "width " << width;
                }
            }
        }
    }
}

// The view paints outlines on pieces of the picture: a figure painted piece
// by piece is the figure painted whole.
TEST(Raster, AFigurePaintedInPiecesIsTheFigurePaintedWhole)
{
    const QImage original = noise(QSize(40, 32));
    const Pen pen{MakeRGB(255, 0, 0), PenStyle::Dot, 3, PenMode::NotXor};
    const Brush brush{MakeRGB(0, 0, 255), BrushStyle::DiagCross};
    for (const Figure &figure : figures()) {
        QImage whole = original;
        paintFigure(whole, {}, figure, pen, brush, whole.rect());
        QImage pieces = original;
        for (int top = 0; top < 32; top += 7) {
            for (int left = 0; left < 40; left += 9) {
                const QRect area = QRect(left, top, 9, 7) & original.rect();
                QImage piece = original.copy(area);
                paintFigure(piece, area.topLeft(), figure, pen, brush, area);
                for (int y = 0; y < area.height(); ++y)
                    for (int x = 0; x < area.width(); ++x)
                        pieces.setPixel(area.left() + x, area.top() + y, piece.pixel(x, y));
            }
        }
        EXPECT_EQ(pieces, whole);
    }
}

TEST(Raster, FloodFillSpreadsOverTheSeedsColourThroughFourNeighbours)
{
    struct Case {
        const char *name;
        QStringList before;
        QPoint seed;
        Brush brush;
        QStringList after;
    };
    const Brush yellow{MakeRGB(255, 255, 0), BrushStyle::Solid};
    const QStringList frame = {"........", ".#####..", ".#...#..", ".#...#..", ".#####..", "........"};
    const Case cases[] = {
        {"inside a closed outline", frame, {3, 2}, yellow,
         {"........", ".#####..", ".#yyy#..", ".#yyy#..", ".#####..", "........"}},
        {"from a corner, along every edge", frame, {0, 0}, yellow,
         {"yyyyyyyy", "y#####yy", "y#...#yy", "y#...#yy", "y#####yy", "yyyyyyyy"}},
        {"from the far corner", frame, {7, 5}, yellow,
         {"yyyyyyyy", "y#####yy", "y#...#yy", "y#...#yy", "y#####yy", "yyyyyyyy"}},
        {"through a one-pixel gap", {"........", ".#####..", ".#......", ".#...#..", ".#####..", "........"},
         {3, 2}, yellow, {"yyyyyyyy", "y#####yy", "y#yyyyyy", "y#yyy#yy", "y#####yy", "yyyyyyyy"}},
        {"not through a corner", {"........", "..####..", ".#...#..", ".#...#..", ".####...", "........"},
         {3, 2}, yellow, {"........", "..####..", ".#yyy#..", ".#yyy#..", ".####...", "........"}},
        {"on black", frame, {1, 1}, Brush{MakeRGB(255, 0, 0), BrushStyle::Solid},
         {"........", ".rrrrr..", ".r...r..", ".r...r..", ".rrrrr..", "........"}},
        {"the surface's own colour", frame, {0, 0}, Brush{White, BrushStyle::Solid}, frame},
        {"a clear brush", frame, {0, 0}, Brush{MakeRGB(255, 255, 0), BrushStyle::Clear}, frame},
        {"a seed outside", frame, {8, 0}, yellow, frame},
        // the hatch's lines only; the pixels between keep their colour
        {"a vertical hatch", frame, {0, 0}, Brush{MakeRGB(255, 255, 0), BrushStyle::Vertical},
         {"y.......", "y#####..", "y#...#..", "y#...#..", "y#####..", "y......."}},
        {"a hatch of the surface's colour", frame, {0, 0}, Brush{White, BrushStyle::Cross}, frame},
    };
    for (const Case &c : cases) {
        QImage image = picture(c.before);
        floodFill(image, c.seed, c.brush);
        EXPECT_EQ(art(image), c.after) << c.name;
    }
}

TEST(Raster, FloodFillReportsTheAreaItChanged)
{
    QImage image = picture({"........", ".#####..", ".#...#..", ".#...#..", ".#####..", "........"});
    EXPECT_EQ(floodFill(image, {3, 2}, Brush{Black, BrushStyle::Solid}), QRect(2, 2, 3, 2));
    EXPECT_TRUE(floodFill(image, {3, 2}, Brush{Black, BrushStyle::Solid}).isEmpty());
}
