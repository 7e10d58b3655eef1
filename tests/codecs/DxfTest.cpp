// The DXF reader: each kind of entity drawn where it belongs, blocks placed,
// the extents holding everything drawn, and hostile drawings refused or
// drawn without crashing or hanging.
#include "Codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace codecs;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string &text)
{
    return {reinterpret_cast<const std::uint8_t *>(text.data()), text.size()};
}

// A drawing file: optional blocks, then the entities (each "  0\nNAME\n...").
std::string drawing(const std::string &entities, const std::string &blocks = {})
{
    std::string file;
    if (!blocks.empty())
        file += "  0\nSECTION\n  2\nBLOCKS\n" + blocks + "  0\nENDSEC\n";
    else
        file += "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n";
    return file + "  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
}

std::string line(double x1, double y1, double x2, double y2)
{
    return "  0\nLINE\n  8\n0\n 10\n" + std::to_string(x1) + "\n 20\n" + std::to_string(y1) + "\n 11\n" + std::to_string(x2)
           + "\n 21\n" + std::to_string(y2) + "\n";
}

// The square (0,0)-(100,100) around every picture of the table, so that a
// drawing unit is a known number of pixels.
const std::string kFrame = line(0, 0, 100, 0) + line(100, 0, 100, 100) + line(100, 100, 0, 100) + line(0, 100, 0, 0);

struct Spot {
    double x, y;
};

struct EntityCase {
    const char *name;
    std::string entities, blocks;
    std::vector<Spot> black, white;
};

// Whether a pixel near drawing point (x, y) is black, within `reach` pixels.
bool blackNear(const Image &image, Spot s, int reach)
{
    const double scale = (1024 - 1 - 8) / 100.0;
    const auto px = std::int32_t(std::lround(s.x * scale)) + 4;
    const auto py = image.height() - 1 - (std::int32_t(std::lround(s.y * scale)) + 4);
    for (std::int32_t y = py - reach; y <= py + reach; ++y)
        for (std::int32_t x = px - reach; x <= px + reach; ++x)
            if (x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.index(x, y) == 0)
                return true;
    return false;
}

std::vector<EntityCase> entityCases()
{
    const std::string block = "  0\nBLOCK\n  8\n0\n  2\nB\n 70\n0\n 10\n5.0\n 20\n0.0\n" + line(0, 0, 10, 0) + "  0\nENDBLK\n"
                              "  0\nBLOCK\n  8\n0\n  2\nC\n 70\n0\n 10\n0.0\n 20\n0.0\n"
                              "  0\nINSERT\n  8\n0\n  2\nB\n 10\n5.0\n 20\n0.0\n  0\nENDBLK\n"
                              "  0\nBLOCK\n  8\n0\n  2\nR\n 70\n0\n 10\n0.0\n 20\n0.0\n" + line(0, 0, 0, 1) +
                              "  0\nINSERT\n  8\n0\n  2\nR\n 10\n0.0\n 20\n1.0\n  0\nENDBLK\n";
    return {
        // a semicircle below the chord from (20,50) to (80,50), counterclockwise
        {"LightPolylineBulge", "  0\nLWPOLYLINE\n  8\n0\n 90\n2\n 70\n0\n 10\n20\n 20\n50\n 42\n1.0\n 10\n80\n 20\n50\n", {},
         {{50, 20}, {28.79, 28.79}}, {{50, 50}, {50, 80}}},
        // the closing edge of a closed polyline bulges clockwise towards the middle
        {"ClosedLightPolyline", "  0\nLWPOLYLINE\n  8\n0\n 90\n4\n 70\n1\n 10\n20\n 20\n20\n 10\n80\n 20\n20\n 10\n80\n 20\n80\n"
                                " 10\n20\n 20\n80\n 42\n-1.0\n", {},
         {{50, 50}, {50, 20}, {80, 50}}, {{20, 50}}},
        // an old polyline: the first edge bulges, the closing one is straight
        {"OldPolyline", "  0\nPOLYLINE\n  8\n0\n 66\n1\n 70\n1\n  0\nVERTEX\n  8\n0\n 10\n10\n 20\n60\n 42\n1.0\n"
                        "  0\nVERTEX\n  8\n0\n 10\n40\n 20\n60\n  0\nVERTEX\n  8\n0\n 10\n40\n 20\n90\n  0\nSEQEND\n  8\n0\n", {},
         {{25, 45}, {25, 75}, {40, 75}}, {{25, 60}}},
        // a whole ellipse turned 45 degrees: major semi-axis (30,30), ratio 0.25
        {"RotatedEllipse", "  0\nELLIPSE\n  8\n0\n 10\n50\n 20\n50\n 11\n30\n 21\n30\n 40\n0.25\n 41\n0.0\n 42\n6.283185307179586\n", {},
         {{80, 80}, {20, 20}, {42.5, 57.5}, {57.5, 42.5}}, {{50, 50}, {65, 35}, {35, 65}}},
        // its upper half only
        {"PartialEllipse", "  0\nELLIPSE\n  8\n0\n 10\n50\n 20\n50\n 11\n30\n 21\n0\n 40\n0.5\n 41\n0.0\n 42\n3.141592653589793\n", {},
         {{50, 65}, {80, 50}, {20, 50}}, {{50, 35}}},
        // a quadratic B-spline: through (50,50), not through its middle control point
        {"Spline", "  0\nSPLINE\n  8\n0\n 70\n8\n 71\n2\n 72\n6\n 73\n3\n 74\n0\n 40\n0\n 40\n0\n 40\n0\n 40\n1\n 40\n1\n 40\n1\n"
                   " 10\n10\n 20\n10\n 10\n50\n 20\n90\n 10\n90\n 20\n10\n", {},
         {{50, 50}, {10, 10}, {90, 10}}, {{50, 90}, {30, 50}}},
        // a rational one: a quarter of the circle of radius 40 about (50,50)
        {"RationalSpline", "  0\nSPLINE\n  8\n0\n 70\n12\n 71\n2\n 72\n6\n 73\n3\n 40\n0\n 40\n0\n 40\n0\n 40\n1\n 40\n1\n 40\n1\n"
                           " 10\n90\n 20\n50\n 41\n1\n 10\n90\n 20\n90\n 41\n0.7071067811865476\n 10\n50\n 20\n90\n 41\n1\n", {},
         {{78.28, 78.28}, {90, 50}, {50, 90}}, {{90, 90}, {82, 70}}},
        // without knots: the line through the fit points
        {"SplineFitPoints", "  0\nSPLINE\n  8\n0\n 70\n8\n 71\n3\n 74\n3\n 11\n10\n 21\n10\n 11\n50\n 21\n90\n 11\n90\n 21\n10\n", {},
         {{30, 50}, {70, 50}}, {{50, 50}}},
        {"Point", "  0\nPOINT\n  8\n0\n 10\n33\n 20\n66\n", {}, {{33, 66}}, {{34, 66}, {33, 67}}},
        // a solid's corners go 1, 2, 4, 3 round its outline
        {"Solid", "  0\nSOLID\n  8\n0\n 10\n10\n 20\n10\n 11\n40\n 21\n10\n 12\n10\n 22\n40\n 13\n40\n 23\n40\n", {},
         {{25, 10}, {40, 25}, {25, 40}, {10, 25}}, {{25, 25}}},
        {"Face", "  0\n3DFACE\n  8\n0\n 10\n10\n 20\n10\n 11\n40\n 21\n10\n 12\n40\n 22\n40\n 13\n10\n 23\n40\n", {},
         {{25, 10}, {40, 25}, {25, 40}, {10, 25}}, {{25, 25}}},
        // block B (base point (5,0)) doubled and turned a quarter at (50,50): (50,40)-(50,60)
        {"Insert", "  0\nINSERT\n  8\n0\n  2\nB\n 10\n50\n 20\n50\n 41\n2\n 42\n2\n 50\n90\n", block,
         {{50, 42}, {50, 58}}, {{50, 65}, {60, 50}}},
        // C holds B; a block that holds itself is followed only so deep
        {"NestedAndRecursiveInserts", "  0\nINSERT\n  8\n0\n  2\nC\n 10\n20\n 20\n20\n  0\nINSERT\n  8\n0\n  2\nR\n 10\n70\n 20\n10\n",
         block, {{25, 20}, {70, 10.5}, {70, 14.5}}, {{35, 20}, {70, 30}}},
        // three rows of two columns, 20 apart
        {"InsertArray", "  0\nINSERT\n  8\n0\n  2\nB\n 10\n20\n 20\n20\n 70\n2\n 71\n3\n 44\n20\n 45\n20\n", block,
         {{20, 20}, {40, 20}, {40, 60}}, {{60, 20}, {20, 80}}},
        // text: a box of its height, 0.8 heights a character
        {"Text", "  0\nTEXT\n  8\n0\n 10\n20\n 20\n20\n 40\n10\n  1\nAB\n", {},
         {{28, 20}, {28, 30}, {20, 25}, {36, 25}}, {{28, 25}, {40, 25}}},
        // right-justified: the box ends at its alignment point (80,60)
        {"RightJustifiedText", "  0\nTEXT\n  8\n0\n 10\n0\n 20\n0\n 11\n80\n 21\n60\n 40\n10\n 72\n2\n  1\nAB\n", {},
         {{72, 60}, {72, 70}, {64, 65}, {80, 65}}, {{72, 65}, {84, 65}}},
        {"MiddleCentredMText", "  0\nMTEXT\n  8\n0\n 10\n50\n 20\n50\n 40\n10\n 71\n5\n  1\nABCD\n", {},
         {{50, 45}, {50, 55}, {34, 50}, {66, 50}}, {{50, 50}}},
    };
}

class DxfEntities : public testing::TestWithParam<EntityCase> {};

TEST_P(DxfEntities, AreDrawnWhereTheyBelong)
{
    const EntityCase &c = GetParam();
    const std::string file = drawing(kFrame + c.entities, c.blocks);
    const Image image = codec(Format::Dxf).read(bytesOf(file), {});
    ASSERT_EQ(image.width(), 1024);
    ASSERT_EQ(image.height(), 1024) << "the frame holds the whole drawing";
    for (const Spot &s : c.black)
        EXPECT_TRUE(blackNear(image, s, 1)) << "(" << s.x << ", " << s.y << ") should be drawn";
    for (const Spot &s : c.white)
        EXPECT_FALSE(blackNear(image, s, 2)) << "(" << s.x << ", " << s.y << ") should stay white";
}

INSTANTIATE_TEST_SUITE_P(Dxf, DxfEntities, testing::ValuesIn(entityCases()),
                         [](const testing::TestParamInfo<EntityCase> &info) { return std::string(info.param.name); });

TEST(DxfExtents, HoldEverythingDrawn)
{
    struct Case {
        const char *name;
        std::string file;
        std::int32_t width, height;
    };
    const double scale = (1024 - 1 - 8) / 130.0;
    const Case cases[] = {
        // a vertical ellipse 50 wide and 100 high
        {"ellipse", drawing("  0\nELLIPSE\n  8\n0\n 10\n0\n 20\n0\n 11\n0\n 21\n50\n 40\n0.5\n"), 517, 1024},
        // a line 10 high and block B tripled 100 to the right: 0..130 by 0..10
        {"insert",
         drawing(line(0, 0, 0, 10) + "  0\nINSERT\n  8\n0\n  2\nB\n 10\n100\n 20\n0\n 41\n3\n 42\n3\n",
                 "  0\nBLOCK\n  8\n0\n  2\nB\n 70\n0\n 10\n0\n 20\n0\n" + line(0, 0, 10, 0) + "  0\nENDBLK\n"),
         1024, std::int32_t(std::lround(10 * scale)) + 9},
        // a text box 0.8 × 5 × 10 = 40 wide, 10 high, and a point at the origin
        {"text", drawing("  0\nPOINT\n  8\n0\n 10\n0\n 20\n0\n  0\nTEXT\n  8\n0\n 10\n0\n 20\n0\n 40\n10\n  1\nHELLO\n"), 1024,
         std::int32_t(std::lround(10 * 1015.0 / 40)) + 9},
    };
    for (const Case &c : cases) {
        const ImageInfo info = codec(Format::Dxf).readInfo(bytesOf(c.file), {});
        EXPECT_NEAR(info.width, c.width, 1) << c.name;
        EXPECT_NEAR(info.height, c.height, 1) << c.name;
    }
}

// Each must end quickly in an error or a picture, never a crash or a hang.
TEST(DxfHostile, DrawingsEndInAnErrorOrAPicture)
{
    std::string deep;
    for (int level = 0; level < 8; ++level) {
        deep += "  0\nBLOCK\n  8\n0\n  2\nL" + std::to_string(level) + "\n 10\n0\n 20\n0\n";
        for (int i = 0; i < 10; ++i)
            deep += "  0\nINSERT\n  8\n0\n  2\nL" + std::to_string(level + 1) + "\n 10\n" + std::to_string(i) + "\n 20\n0\n";
        deep += "  0\nENDBLK\n";
    }
    deep += "  0\nBLOCK\n  8\n0\n  2\nL8\n 10\n0\n 20\n0\n" + line(0, 0, 1, 1) + "  0\nENDBLK\n";
    const std::string cycle = "  0\nBLOCK\n  8\n0\n  2\nA\n 10\n0\n 20\n0\n  0\nINSERT\n  8\n0\n  2\nB\n 10\n1\n 20\n0\n"
                              + line(0, 0, 1, 0) + "  0\nENDBLK\n"
                              "  0\nBLOCK\n  8\n0\n  2\nB\n 10\n0\n 20\n0\n  0\nINSERT\n  8\n0\n  2\nA\n 10\n0\n 20\n1\n  0\nENDBLK\n";
    struct Case {
        const char *name;
        std::string file;
        bool drawn; // a picture; otherwise an error
    };
    const Case cases[] = {
        {"huge vertex count, bulge before the first vertex",
         drawing(kFrame + "  0\nLWPOLYLINE\n  8\n0\n 90\n2000000000\n 42\n0.5\n 10\n1\n 20\n1\n 42\n0.5\n 10\n5\n 20\n5\n"), true},
        {"zero vertex count, then a bulge",
         drawing(kFrame + "  0\nLWPOLYLINE\n  8\n0\n 90\n0\n 10\n1\n 20\n1\n 42\n0.5\n"), true},
        {"huge spline counts",
         drawing(kFrame + "  0\nSPLINE\n  8\n0\n 71\n3\n 72\n2000000000\n 73\n2000000000\n 74\n-5\n 40\n0\n 10\n1\n 20\n1\n"), true},
        {"absurd, overflowing and unreadable numbers",
         drawing(kFrame + line(1e300, 0, -1e300, 5) + line(0, 0, 1e15, 0) + "  0\nLINE\n  8\n0\n 10\nnan\n 20\ninf\n 11\n1e999\n 21\n-inf\n"
                 + "  0\nCIRCLE\n  8\n0\n 10\n1\n 20\n1\n 40\n1e999\n"), true},
        {"comment naming dxflib without its version", drawing("999\ndxflib\n" + kFrame), true},
        {"arc angles too large to step", drawing(kFrame + "  0\nARC\n  8\n0\n 10\n50\n 20\n50\n 40\n5\n 50\n1e300\n 51\n1\n"), true},
        {"ellipse of huge parameters", drawing(kFrame + "  0\nELLIPSE\n  8\n0\n 10\n1\n 20\n1\n 11\n1e200\n 21\n1e200\n 40\n1e200\n 41\n-1e300\n 42\n1e300\n"), true},
        {"spline of absurd degree and unsorted knots",
         drawing(kFrame + "  0\nSPLINE\n  8\n0\n 71\n-7\n 72\n4\n 73\n2\n 40\n5\n 40\n1\n 40\n0\n 40\n9\n 10\n1\n 20\n1\n 10\n9\n 20\n9\n"), true},
        {"blocks holding each other", drawing("  0\nINSERT\n  8\n0\n  2\nA\n 10\n0\n 20\n0\n", cycle), true},
        {"insert of a missing block beside a line", drawing(line(0, 0, 1, 1) + "  0\nINSERT\n  8\n0\n  2\nNONE\n 10\n0\n 20\n0\n"), true},
        {"ten to the eighth placements", drawing("  0\nINSERT\n  8\n0\n  2\nL0\n 10\n0\n 20\n0\n", deep), false},
        {"a million-cell array", drawing("  0\nINSERT\n  8\n0\n  2\nA\n 10\n0\n 20\n0\n 70\n100000\n 71\n100000\n", cycle), false},
        {"nothing drawable", drawing(line(1e300, 0, 0, 0) + "  0\nTEXT\n  8\n0\n 10\n0\n 20\n0\n 40\n-1\n  1\nX\n"), false},
    };
    for (const Case &c : cases) {
        try {
            const Image image = codec(Format::Dxf).read(bytesOf(c.file), {});
            EXPECT_TRUE(c.drawn) << c.name;
            EXPECT_LE(image.width(), 1024);
        } catch (const Error &) {
            EXPECT_FALSE(c.drawn) << c.name;
        }
    }
}

} // namespace
