// The geometric operations: exact quarter turns and mirrors at every depth,
// canvas growth for other angles, distortions that are the identity at zero
// strength and keep the centre, and scaling by area or interpolation.
#include "isp2000.h"
#include "TestDibs.h"

#include <cmath>

using namespace fxtest;

namespace {

constexpr int kWidth = 13, kHeight = 7; // odd sizes catch off-by-one errors

// A picture of each depth whose pixels differ from their neighbours.
struct DepthCase {
    int bits;
    GlobalBlock (*make)();
};

std::vector<Rgb> rampPalette(int count)
{
    std::vector<Rgb> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back({i * 255 / (count - 1), 255 - i * 255 / (count - 1), (i * 77) % 256});
    return palette;
}

const DepthCase kDepths[] = {
    {1, [] { return makeIndexedDib(kWidth, kHeight, 1, rampPalette(2), [](int x, int y) { return (x * 3 + y) % 5 < 2; }); }},
    {4, [] { return makeIndexedDib(kWidth, kHeight, 4, rampPalette(16), [](int x, int y) { return (x + y * 5) % 16; }); }},
    {8, [] { return makeIndexedDib(kWidth, kHeight, 8, rampPalette(256), [](int x, int y) { return (x * 17 + y * 29) % 256; }); }},
    {16, [] { return makeDib16(kWidth, kHeight, [](int x, int y) { return std::uint16_t((x * 1031 + y * 3079) & 0x7FFF); }); }},
    {24, [] { return makeDib(kWidth, kHeight, photo); }},
    {32, [] { return makeDib(kWidth, kHeight, photo, 32); }},
};

class EveryDepth : public testing::TestWithParam<DepthCase> {};

std::string depthName(const testing::TestParamInfo<DepthCase> &info) { return std::to_string(info.param.bits) + "bits"; }

} // namespace

TEST_P(EveryDepth, QuarterTurnsAreExact)
{
    GlobalBlock dib = GetParam().make();
    View in(dib.get());
    struct Turn {
        double angle;
        std::function<Rgb(int, int)> expected; // pixel (x, y) of the result
        bool swapped;
    };
    const Turn turns[] = {
        {90, [&](int x, int y) { return in.at(kWidth - 1 - y, x); }, true},
        {-270, [&](int x, int y) { return in.at(kWidth - 1 - y, x); }, true},
        {180, [&](int x, int y) { return in.at(kWidth - 1 - x, kHeight - 1 - y); }, false},
        {270, [&](int x, int y) { return in.at(y, kHeight - 1 - x); }, true},
        {360, [&](int x, int y) { return in.at(x, y); }, false},
    };
    for (const Turn &turn : turns) {
        GlobalBlock result(ILRotate(dib.get(), turn.angle, 0, 0, 0, 0, 0, nullptr, nullptr));
        ASSERT_NE(result, nullptr) << turn.angle;
        View out(result.get());
        ASSERT_EQ(out.bits(), GetParam().bits);
        ASSERT_EQ(out.width(), turn.swapped ? kHeight : kWidth) << turn.angle;
        ASSERT_EQ(out.height(), turn.swapped ? kWidth : kHeight) << turn.angle;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                ASSERT_EQ(out.at(x, y), turn.expected(x, y)) << turn.angle << " at " << x << "," << y;
    }
}

TEST_P(EveryDepth, MirrorsExactlyInPlace)
{
    struct Case {
        int vertical, horizontal;
    };
    for (const Case c : {Case{1, 0}, Case{0, 1}, Case{1, 1}, Case{0, 0}}) {
        GlobalBlock original = GetParam().make();
        GlobalBlock dib = GetParam().make();
        ASSERT_EQ(ILMirror(dib.get(), c.vertical, c.horizontal, nullptr, nullptr), 1);
        View in(original.get()), out(dib.get());
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(out.at(x, y), in.at(c.horizontal ? kWidth - 1 - x : x, c.vertical ? kHeight - 1 - y : y));
    }
}

TEST_P(EveryDepth, ScalingKeepsTheDepth)
{
    GlobalBlock dib = GetParam().make();
    GlobalBlock larger(ScaleDib(dib.get(), 30, 20, nullptr, nullptr));
    ASSERT_NE(larger, nullptr);
    View out(larger.get());
    EXPECT_EQ(out.bits(), GetParam().bits);
    EXPECT_EQ(out.width(), 30);
    EXPECT_EQ(out.height(), 20);
}

INSTANTIATE_TEST_SUITE_P(Depths, EveryDepth, testing::ValuesIn(kDepths), depthName);

TEST(ILRotate, OtherAnglesGrowTheCanvasAndFillWithTheBackground)
{
    GlobalBlock dib = makeDib(40, 20, [](int, int) { return Rgb{0, 0, 255}; });
    GlobalBlock result(ILRotate(dib.get(), 45.0, 0, 0, 0, 0, 0x00336699, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View out(result.get());
    const int side = int(std::ceil(60 / std::sqrt(2.0)));
    EXPECT_NEAR(out.width(), side, 1);
    EXPECT_NEAR(out.height(), side, 1);
    EXPECT_EQ(out.at(0, 0), (Rgb{0x99, 0x66, 0x33}));
    EXPECT_EQ(out.at(out.width() / 2, out.height() / 2), (Rgb{0, 0, 255}));
}

TEST(ILRotate, TurnsOnlyThePartInTheRectangle)
{
    GlobalBlock dib = makeDib(30, 30, photo);
    GlobalBlock result(ILRotate(dib.get(), 90.0, 5, 5, 15, 15, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View in(dib.get()), out(result.get());
    ASSERT_EQ(out.width(), 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            if (x >= 5 && x < 15 && y >= 5 && y < 15)
                ASSERT_EQ(out.at(x, y), in.at(5 + 14 - y, 5 + x - 5)) << x << "," << y;
            else
                ASSERT_EQ(out.at(x, y), in.at(x, y));
        }
}

TEST(ILRotate, TurnsPartOfAPictureWithAColourTable)
{
    const std::vector<Rgb> palette = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}};
    GlobalBlock dib = makeIndexedDib(20, 20, 4, palette, [](int x, int y) { return (x * 7 + y * 3) % 3; });
    GlobalBlock result(ILRotate(dib.get(), 180.0, 4, 4, 12, 10, 0x00FF0000, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View in(dib.get()), out(result.get());
    ASSERT_EQ(out.bits(), 4);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 10;
            ASSERT_EQ(out.at(x, y), inside ? in.at(4 + 11 - x, 4 + 9 - y) : in.at(x, y)) << x << "," << y;
        }
    // a turn that uncovers corners fills them with the nearest palette colour to the background
    GlobalBlock tilted(ILRotate(dib.get(), 45.0, 0, 0, 0, 0, 0x00FF0000, nullptr, nullptr));
    ASSERT_NE(tilted, nullptr);
    EXPECT_EQ(View(tilted.get()).at(0, 0), (Rgb{0, 0, 255}));
}

TEST(Distortions, AreTheIdentityAtZeroStrength)
{
    GlobalBlock dib = makeDib(31, 21, photo);
    GlobalBlock whirl(Whirl(dib.get(), 0.0, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock pinch(PinchHole(dib.get(), 0.0, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock wave(Wave(dib.get(), 0.0, 20, 1.0, 1, 0, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock flatWave(Wave(dib.get(), 50.0, 0, 1.0, 1, 1, 0, 0, 0, 0, nullptr, nullptr));
    for (HGLOBAL result : {whirl.get(), pinch.get(), wave.get(), flatWave.get()}) {
        ASSERT_NE(result, nullptr);
        EXPECT_TRUE(sameDib(result, dib.get()));
    }
}

TEST(Distortions, WhirlAndPinchKeepTheCentreAndTheCorners)
{
    GlobalBlock dib = makeDib(31, 21, photo);
    GlobalBlock whirl(Whirl(dib.get(), 300.0, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock pinch(PinchHole(dib.get(), -15.0, 0, 0, 0, 0, nullptr, nullptr));
    View in(dib.get());
    for (HGLOBAL result : {whirl.get(), pinch.get()}) {
        View out(result);
        EXPECT_EQ(out.at(15, 10), in.at(15, 10));
        EXPECT_EQ(out.at(0, 0), in.at(0, 0));
        EXPECT_EQ(out.at(30, 20), in.at(30, 20));
        EXPECT_FALSE(sameDib(result, dib.get()));
    }
}

TEST(Distortions, JiggleShiftsRowsAndColumnsByTheWave)
{
    GlobalBlock dib = makeDib(40, 40, [](int x, int) { return x == 20 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
    GlobalBlock result(Jiggle(dib.get(), 5, 16, 1, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View out(result.get());
    // the vertical line moves sideways by up to 4 pixels as the rows go
    int brightestColumn[40] = {};
    for (int y = 0; y < 40; ++y)
        for (int x = 1; x < 40; ++x)
            if (out.at(x, y).red > out.at(brightestColumn[y], y).red)
                brightestColumn[y] = x;
    const auto [low, high] = std::minmax_element(std::begin(brightestColumn), std::end(brightestColumn));
    EXPECT_GE(*high - *low, 6);
    EXPECT_LE(*high - *low, 9);
}

TEST(Distortions, PolarThereAndBackKeepsTheMiddleRing)
{
    GlobalBlock dib = makeDib(64, 64, [](int x, int y) { return Rgb{x * 4, y * 4, 0}; });
    GlobalBlock polar(RecToPolar(dib.get(), 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(polar, nullptr);
    GlobalBlock back(RecToPolar(polar.get(), 0, 0, -1, 0, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(back, nullptr);
    View in(dib.get()), out(back.get());
    // away from the centre and the seam, unrolling the wrapped picture brings it back roughly
    for (int y = 20; y < 44; y += 4)
        for (int x = 44; x < 58; x += 4) {
            EXPECT_NEAR(out.at(x, y).red, in.at(x, y).red, 24) << x << "," << y;
            EXPECT_NEAR(out.at(x, y).green, in.at(x, y).green, 24) << x << "," << y;
        }
}

TEST(ScaleDib, ShrinksByAreaAndEnlargesSmoothly)
{
    GlobalBlock dib = makeDib(8, 4, [](int x, int y) { return Rgb{(x % 2) * 200, (y % 2) * 100, x * 30}; });
    GlobalBlock half(ScaleDib(dib.get(), 4, 2, nullptr, nullptr));
    ASSERT_NE(half, nullptr);
    View small(half.get());
    ASSERT_EQ(small.width(), 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(small.at(x, y), (Rgb{100, 50, x * 60 + 15}));
    GlobalBlock flat = makeDib(5, 5, [](int, int) { return Rgb{77, 88, 99}; });
    GlobalBlock big(ScaleDib(flat.get(), 23, 17, nullptr, nullptr));
    View large(big.get());
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x)
            ASSERT_EQ(large.at(x, y), (Rgb{77, 88, 99}));
    GlobalBlock ramp = makeDib(2, 1, [](int x, int) { return Rgb{x * 200, 0, 0}; });
    GlobalBlock wide(ScaleDib(ramp.get(), 8, 1, nullptr, nullptr));
    View w(wide.get());
    for (int x = 1; x < 8; ++x)
        EXPECT_GE(w.at(x, 0).red, w.at(x - 1, 0).red);
    EXPECT_GT(w.at(4, 0).red, 0);
    EXPECT_LT(w.at(3, 0).red, 200);
}
