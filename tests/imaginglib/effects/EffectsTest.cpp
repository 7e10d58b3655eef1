// Each effect does what its name promises, checked through properties that
// catch real faults rather than exact pixel values.
#include "isp2000.h"
#include "TestDibs.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <set>

using namespace fxtest;

namespace {

// Noise around mid-grey: high local variance.
Rgb noisy(int x, int y)
{
    const int level = int((std::uint32_t(x * 37 + y * 91 + x * y) * 2654435761u) >> 24);
    return {level, 255 - level, 128};
}

double variance(HGLOBAL dib, const Box &box)
{
    View v(dib);
    double sum = 0, squares = 0;
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            const double g = grey(v.at(x, y));
            sum += g, squares += g * g, ++n;
        }
    return squares / n - (sum / n) * (sum / n);
}

std::set<int> greyLevels(HGLOBAL dib)
{
    View v(dib);
    std::set<int> levels;
    for (int y = 0; y < v.height(); ++y)
        for (int x = 0; x < v.width(); ++x) {
            const Rgb c = v.at(x, y);
            EXPECT_TRUE(c.red == c.green && c.green == c.blue);
            levels.insert(c.red);
        }
    return levels;
}

const Box kInner{4, 4, 28, 28};

} // namespace

TEST(Blur, LowersTheLocalVarianceMoreWithStrength)
{
    GlobalBlock dib = makeDib(32, 32, noisy);
    GlobalBlock light(Blur(dib.get(), 1, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock strong(Blur(dib.get(), 4, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(light, nullptr);
    ASSERT_NE(strong, nullptr);
    EXPECT_LT(variance(light.get(), kInner), variance(dib.get(), kInner) / 4);
    EXPECT_LT(variance(strong.get(), kInner), variance(light.get(), kInner));
}

TEST(Edge, IsBrightOnEdgesAndDarkOnFlatAreas)
{
    GlobalBlock dib = makeDib(32, 16, [](int x, int) { return x < 16 ? Rgb{20, 20, 20} : Rgb{220, 220, 220}; });
    GlobalBlock result(Edge(dib.get(), 10, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    EXPECT_EQ(v.at(4, 8), (Rgb{0, 0, 0}));
    EXPECT_EQ(v.at(28, 8), (Rgb{0, 0, 0}));
    EXPECT_GT(grey(v.at(15, 8)), 200);
    EXPECT_GT(grey(v.at(16, 8)), 200);
}

TEST(Engrave, IsAGreyReliefFlatAtMidGrey)
{
    GlobalBlock dib = makeDib(32, 16, [](int x, int) { return x < 16 ? Rgb{200, 40, 40} : Rgb{40, 200, 40}; });
    GlobalBlock result(Engrave(dib.get(), 2, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    const std::set<int> levels = greyLevels(result.get());
    EXPECT_TRUE(levels.count(128));
    EXPECT_GT(levels.size(), 1u) << "the edge between the halves stands out";
    EXPECT_EQ(View(result.get()).at(4, 8), (Rgb{128, 128, 128}));
}

TEST(Bled, TonesWarmForPositiveAndColdForNegativeAmounts)
{
    GlobalBlock dib = makeDib(8, 8, [](int, int) { return Rgb{120, 130, 140}; });
    struct Case {
        int amount;
        int sign; // of red minus blue
    };
    for (const Case c : {Case{200, 1}, Case{-200, -1}, Case{0, 0}}) {
        GlobalBlock result(Bled(dib.get(), c.amount, 0, 0, 0, 0, nullptr, nullptr));
        ASSERT_NE(result, nullptr);
        const Rgb p = View(result.get()).at(3, 3);
        const int difference = p.red - p.blue;
        EXPECT_EQ((difference > 10) - (difference < -10), c.sign) << c.amount << " " << p;
    }
}

TEST(Better, SharpensWithPositiveAndSoftensWithNegativeAmounts)
{
    GlobalBlock dib = makeDib(32, 32, [](int x, int y) { return (x / 4 + y / 4) % 2 ? Rgb{170, 170, 170} : Rgb{90, 90, 90}; });
    GlobalBlock sharp(Better(dib.get(), 6, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock soft(Better(dib.get(), -6, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock same(Better(dib.get(), 0, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(sharp, nullptr);
    ASSERT_NE(soft, nullptr);
    EXPECT_GT(variance(sharp.get(), kInner), variance(dib.get(), kInner));
    EXPECT_LT(variance(soft.get(), kInner), variance(dib.get(), kInner));
    EXPECT_TRUE(sameDib(same.get(), dib.get()));
}

TEST(PixelFix, RemovesSpecksAndScratchesButKeepsEdges)
{
    auto paint = [](int x, int y) {
        if ((x == 5 && y == 5) || y == 20)
            return Rgb{255, 255, 255}; // a speck and a one-pixel scratch
        return x < 16 ? Rgb{30, 30, 30} : Rgb{160, 160, 160};
    };
    GlobalBlock dib = makeDib(32, 32, paint);
    GlobalBlock result(PixelFix(dib.get(), 30, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    EXPECT_EQ(v.at(5, 5), (Rgb{30, 30, 30}));
    EXPECT_EQ(v.at(8, 20), (Rgb{30, 30, 30}));
    EXPECT_EQ(v.at(24, 20), (Rgb{160, 160, 160}));
    EXPECT_EQ(v.at(15, 10), (Rgb{30, 30, 30}));
    EXPECT_EQ(v.at(16, 10), (Rgb{160, 160, 160}));
}

TEST(OilPainting, GivesEachPixelTheDominantLevelsColour)
{
    // mostly one colour with scattered light dots
    auto paint = [](int x, int y) { return (x * 3 + y * 7) % 5 == 0 ? Rgb{250, 250, 250} : Rgb{100, 50, 50}; };
    GlobalBlock dib = makeDib(30, 30, paint);
    GlobalBlock painted(OilPainting(dib.get(), 2, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock same(OilPainting(dib.get(), 0, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(painted, nullptr);
    View v(painted.get());
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(v.at(x, y), (Rgb{100, 50, 50})) << x << "," << y;
    EXPECT_TRUE(sameDib(same.get(), dib.get()));
}

TEST(Noise, StaysWithinTheAmplitudeOfEachChannel)
{
    GlobalBlock dib = makeDib(40, 40, [](int, int) { return Rgb{128, 128, 128}; });
    GlobalBlock result(Noise(dib.get(), 0, 0, 20, 0, 5, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    int changedRed = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const Rgb c = v.at(x, y);
            ASSERT_LE(std::abs(c.red - 128), 20);
            ASSERT_EQ(c.green, 128);
            ASSERT_LE(std::abs(c.blue - 128), 5);
            changedRed += c.red != 128;
        }
    EXPECT_GT(changedRed, 1400);
    // scaled by intensity, black stays black
    GlobalBlock black = makeDib(8, 8, [](int, int) { return Rgb{0, 0, 0}; });
    GlobalBlock still(Noise(black.get(), 1, 1, 255, 255, 255, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_TRUE(sameDib(still.get(), black.get()));
}

TEST(Enhance, ShiftsBrightnessAndCorrectsEachChannelsGamma)
{
    GlobalBlock dib = makeDib(8, 8, [](int, int) { return Rgb{100, 100, 100}; });
    GlobalBlock same(Enhance(dib.get(), 0, 0, 10, 10, 10, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock brighter(Enhance(dib.get(), 50, 0, 10, 10, 10, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock redder(Enhance(dib.get(), 0, 0, 10, 10, 20, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock flatter(Enhance(dib.get(), 0, -128, 10, 10, 10, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_TRUE(sameDib(same.get(), dib.get()));
    EXPECT_EQ(View(brighter.get()).at(0, 0), (Rgb{150, 150, 150}));
    const Rgb r = View(redder.get()).at(0, 0);
    EXPECT_EQ(r.red, int(std::lround(255 * std::sqrt(100 / 255.0))));
    EXPECT_EQ(r.green, 100);
    EXPECT_GT(View(flatter.get()).at(0, 0).red, 100) << "less contrast moves towards mid-grey";
}

TEST(Motion, LinearBlurSpreadsAlongItsAngleOnly)
{
    GlobalBlock dib = makeDib(40, 40, [](int x, int) { return x == 20 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
    GlobalBlock across(Motion(dib.get(), 6, 180, 3, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(across, nullptr);
    View v(across.get());
    EXPECT_GT(v.at(17, 20).red, 0) << "a trail behind the line";
    EXPECT_EQ(v.at(24, 20).red, 0);
    EXPECT_LT(v.at(20, 20).red, 255);
    EXPECT_EQ(v.at(20, 5).red, v.at(20, 30).red) << "nothing changes along the line";
}

TEST(GrayArea, GivesTheLuminanceExactly)
{
    GlobalBlock dib = makeDib(16, 16, photo);
    GlobalBlock result(GrayArea(dib.get(), 0, 0, 0, 0, nullptr, nullptr));
    View in(dib.get()), out(result.get());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int g = grey(in.at(x, y));
            ASSERT_EQ(out.at(x, y), (Rgb{g, g, g}));
        }
}

TEST(AutoContrast, StretchesToTheFullRange)
{
    GlobalBlock dib = makeDib(30, 30, [](int x, int y) { return Rgb{50 + x * 3, 60 + y * 3, 70 + x}; });
    GlobalBlock result(AutoContrast(dib.get(), 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    int low = 255, high = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            for (int c : {v.at(x, y).red, v.at(x, y).green, v.at(x, y).blue})
                low = std::min(low, c), high = std::max(high, c);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 255);
    // order of levels is kept
    EXPECT_LT(v.at(3, 0).red, v.at(20, 0).red);
}

TEST(Spray, TakesEachPixelFromWithinTheRadius)
{
    GlobalBlock dib = makeDib(30, 30, [](int x, int y) { return Rgb{x * 8, y * 8, 0}; });
    GlobalBlock result(Spray(dib.get(), 3, 7, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock other(Spray(dib.get(), 3, 8, 0, 0, 0, 0, nullptr, nullptr));
    GlobalBlock same(Spray(dib.get(), 0, 7, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    int moved = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const Rgb c = v.at(x, y);
            ASSERT_LE(std::abs(c.red / 8 - x), 3);
            ASSERT_LE(std::abs(c.green / 8 - y), 3);
            moved += c.red / 8 != x || c.green / 8 != y;
        }
    EXPECT_GT(moved, 600);
    EXPECT_FALSE(sameDib(result.get(), other.get())) << "the randomness value chooses the pattern";
    EXPECT_TRUE(sameDib(same.get(), dib.get()));
}

TEST(FadeDib, FadesTheBorderIntoTheColour)
{
    GlobalBlock dib = makeDib(40, 40, [](int, int) { return Rgb{0, 0, 0}; });
    GlobalBlock result(FadeDib(dib.get(), 10, 200, 100, 50, 0, 0, 0, 0, nullptr, nullptr));
    View v(result.get());
    EXPECT_EQ(v.at(0, 20), (Rgb{200, 100, 50}));
    EXPECT_EQ(v.at(39, 39), (Rgb{200, 100, 50}));
    EXPECT_EQ(v.at(20, 20), (Rgb{0, 0, 0}));
    EXPECT_EQ(v.at(10, 20), (Rgb{0, 0, 0}));
    EXPECT_GT(v.at(3, 20).red, v.at(6, 20).red);
}

TEST(ThresholdDib, GivesTwoLevelsAndSoftensOnlyTheBorders)
{
    GlobalBlock dib = makeDib(32, 32, [](int x, int y) { return Rgb{x * 8, y * 8, 128}; });
    GlobalBlock hard(ThresholdDib(dib.get(), 120, 0, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(hard, nullptr);
    EXPECT_EQ(greyLevels(hard.get()), (std::set<int>{0, 255}));
    View in(dib.get()), h(hard.get());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(h.at(x, y).red, grey(in.at(x, y)) >= 120 ? 255 : 0);
    GlobalBlock soft(ThresholdDib(dib.get(), 120, 1, 0, 0, 0, 0, nullptr, nullptr));
    View s(soft.get());
    EXPECT_GT(greyLevels(soft.get()).size(), 2u);
    EXPECT_EQ(s.at(0, 0).red, 0);
    EXPECT_EQ(s.at(31, 31).red, 255);
}

TEST(Curl, TurnsTheChosenCornerOver)
{
    GlobalBlock dib = makeDib(60, 60, [](int, int) { return Rgb{0, 0, 200}; });
    // back colour red, fold face in the background colour, top right corner, no shadow
    GlobalBlock result(Curl(dib.get(), 1, 0, 0, 1, 0, 1.0, 0, 0, 0, 0, 1, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 0, 0,
                            nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    EXPECT_EQ(v.at(59, 0), (Rgb{255, 0, 0})) << "the corner is gone";
    EXPECT_EQ(v.at(0, 59), (Rgb{0, 0, 200})) << "the opposite corner stays";
    EXPECT_EQ(v.at(0, 0), (Rgb{0, 0, 200}));
    // the flap lies next to the fold, on the picture
    const Rgb flap = View(result.get()).at(59 - 12, 12);
    EXPECT_GT(flap.red, 150);
    GlobalBlock kept(Curl(dib.get(), 1, 0, 1, 1, 0, 1.0, 0, 0, 0, 0, 1, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 0, 0,
                          nullptr, nullptr));
    EXPECT_EQ(View(kept.get()).at(59, 0), (Rgb{0, 0, 200})) << "the image under the fold is kept";
}

TEST(Mosaic, TilesAreUniformInsideAndGroutTakesTheBackground)
{
    GlobalBlock dib = makeDib(60, 60, photo);
    // 20-pixel squares, grout 2 pixels, bevel 1 pixel, no randomness, no anti-aliasing
    GlobalBlock result(Mosaic(dib.get(), 200, 10, 10, 45, 0, 0, 0, 1, 10, 20, 30, 255, 255, 255, 0, 0, 0, 0,
                              nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    for (int tileY = 0; tileY < 3; ++tileY)
        for (int tileX = 0; tileX < 3; ++tileX) {
            const Rgb centre = v.at(tileX * 20 + 10, tileY * 20 + 10);
            for (int y = tileY * 20 + 4; y < tileY * 20 + 16; ++y)
                for (int x = tileX * 20 + 4; x < tileX * 20 + 16; ++x)
                    ASSERT_EQ(v.at(x, y), centre) << x << "," << y;
        }
    EXPECT_EQ(v.at(20, 10), (Rgb{30, 20, 10})) << "grout between tiles";
}

TEST(HueAndSaturation, ChangesOnlyTheChosenRanges)
{
    auto paint = [](int x, int) { return x < 4 ? Rgb{255, 0, 0} : x < 8 ? Rgb{0, 0, 255} : Rgb{128, 128, 128}; };
    struct Case {
        std::int16_t red, blue, all, hue, saturation;
        Rgb expectRed, expectBlue, expectGrey;
    };
    const Case cases[] = {
        {1, 1, 1, 120, 0, {0, 255, 0}, {255, 0, 0}, {128, 128, 128}},
        {0, 1, 0, 120, 0, {255, 0, 0}, {255, 0, 0}, {128, 128, 128}},
        {1, 0, 0, 0, -100, {128, 128, 128}, {0, 0, 255}, {128, 128, 128}},
    };
    for (const Case &c : cases) {
        GlobalBlock dib = makeDib(12, 2, paint);
        ASSERT_EQ(ilHueAndSaturation(dib.get(), c.red, c.all, c.blue, c.all, c.all, c.all, c.hue, c.saturation, 0, 0,
                                     0, 0, 0, nullptr, nullptr),
                  1);
        View v(dib.get());
        EXPECT_EQ(v.at(1, 0), c.expectRed);
        EXPECT_EQ(v.at(5, 0), c.expectBlue);
        EXPECT_EQ(v.at(10, 0), c.expectGrey);
    }
    GlobalBlock grey8 = makeIndexedDib(4, 4, 8, {{1, 2, 3}}, [](int, int) { return 0; });
    EXPECT_EQ(ilHueAndSaturation(grey8.get(), 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr), 0);
}

TEST(ExtrudeDib, DrawsBlocksWithAFlatFaceAndShadedSides)
{
    GlobalBlock dib = makeDib(32, 32, [](int x, int y) { return Rgb{(x / 8) * 60, (y / 8) * 60, 100}; });
    GlobalBlock result(ExtrudeDib(dib.get(), 0, 2, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    EXPECT_EQ(v.at(12, 12), (Rgb{60, 60, 100})) << "the face shows the block's colour";
    EXPECT_GT(grey(v.at(12, 8)), grey(v.at(12, 12))) << "top side lit";
    EXPECT_LT(grey(v.at(12, 15)), grey(v.at(12, 12))) << "bottom side in shade";
}

TEST(HToneImage, ScreensInBlackAndWhiteKeepingTheTone)
{
    for (int shape = 0; shape <= 5; ++shape) {
        GlobalBlock dib = makeDib(64, 64, [](int, int) { return Rgb{128, 128, 128}; });
        GlobalBlock result(HToneImage(dib.get(), 8, 45.0f, shape, nullptr, nullptr));
        ASSERT_NE(result, nullptr);
        const std::set<int> levels = greyLevels(result.get());
        EXPECT_EQ(levels, (std::set<int>{0, 255})) << shape;
        View v(result.get());
        int black = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                black += v.at(x, y).red == 0;
        EXPECT_NEAR(black / 4096.0, 0.5, 0.15) << shape;
    }
}

TEST(TileDib, EdgesMatchWhenTiled)
{
    GlobalBlock dib = makeDib(40, 30, [](int x, int y) { return Rgb{x * 6, y * 8, 100}; });
    GlobalBlock result(TileDib(dib.get(), nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View in(dib.get()), out(result.get());
    EXPECT_GT(std::abs(in.at(0, 10).red - in.at(39, 10).red), 200);
    for (int y = 0; y < 30; ++y)
        ASSERT_LE(std::abs(out.at(0, y).red - out.at(39, y).red), 8) << y;
    for (int x = 0; x < 40; ++x)
        ASSERT_LE(std::abs(out.at(x, 0).green - out.at(x, 29).green), 10) << x;
}

TEST(Warp, HandsEveryStepToTheFrameCallback)
{
    GlobalBlock dib = makeDib(40, 40, photo);
    struct Frames {
        int count = 0;
        static std::int32_t callback(HGLOBAL frame, void *user)
        {
            EXPECT_EQ(View(frame).width(), 40);
            ++static_cast<Frames *>(user)->count;
            return 1;
        }
    } frames;
    GlobalBlock result(Warp(dib.get(), 1, 1, 1, 20, 90, 5, 10, &frames, nullptr, Frames::callback));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(frames.count, 5);
    EXPECT_FALSE(sameDib(result.get(), dib.get()));
}

TEST(MergeDib, ShowsTheBaseWhereTheMaskIsWhiteAndTheColourElsewhere)
{
    GlobalBlock base = makeDib(20, 10, [](int, int) { return Rgb{10, 20, 30}; });
    GlobalBlock mask = makeIndexedDib(10, 10, 1, {{0, 0, 0}, {255, 255, 255}}, [](int x, int) { return x < 5; });
    GlobalBlock framed(MergeDib(base.get(), mask.get(), 200, 100, 0, 0, 5, nullptr, nullptr));
    ASSERT_NE(framed, nullptr);
    View v(framed.get());
    EXPECT_EQ(v.bits(), 24);
    EXPECT_EQ(v.at(2, 5), (Rgb{10, 20, 30})) << "outside the overlay";
    EXPECT_EQ(v.at(7, 5), (Rgb{10, 20, 30})) << "white mask";
    EXPECT_EQ(v.at(12, 5), (Rgb{200, 100, 0})) << "black mask";
    EXPECT_EQ(v.at(17, 5), (Rgb{10, 20, 30})) << "beyond the overlay";
    GlobalBlock pasted(MergeDib(base.get(), mask.get(), -1, -1, -1, 0, 0, nullptr, nullptr));
    EXPECT_EQ(View(pasted.get()).at(7, 5), (Rgb{0, 0, 0})) << "without a colour the overlay shows";
    EXPECT_EQ(View(pasted.get()).at(2, 5), (Rgb{10, 20, 30}));
}

TEST(DropDib, PastesTheOverlayLeavingOutTheTransparentColour)
{
    GlobalBlock base = makeDib(20, 20, [](int, int) { return Rgb{10, 20, 30}; });
    GlobalBlock overlay = makeDib(8, 8, [](int x, int) { return x < 4 ? Rgb{0, 255, 0} : Rgb{255, 0, 255}; });
    GlobalBlock result(DropDib(base.get(), overlay.get(), 0, 255, 0, 15, 3, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    View v(result.get());
    EXPECT_EQ(v.at(4, 16), (Rgb{10, 20, 30})) << "transparent";
    EXPECT_EQ(v.at(8, 16), (Rgb{255, 0, 255})) << "pasted at left 3, top 15";
    EXPECT_EQ(v.at(8, 14), (Rgb{10, 20, 30}));
    EXPECT_EQ(v.at(11, 16), (Rgb{10, 20, 30}));
    GlobalBlock opaque(DropDib(base.get(), overlay.get(), -1, -1, -1, 0, 0, nullptr, nullptr));
    EXPECT_EQ(View(opaque.get()).at(1, 1), (Rgb{0, 255, 0}));
}

TEST(DropDib, ClipsAnOverlayHangingOverTheEdges)
{
    GlobalBlock base = makeDib(10, 10, [](int, int) { return Rgb{10, 20, 30}; });
    GlobalBlock overlay = makeDib(6, 6, [](int x, int y) { return Rgb{x * 40, y * 40, 99}; });
    GlobalBlock corner(DropDib(base.get(), overlay.get(), -1, -1, -1, -3, -2, nullptr, nullptr));
    ASSERT_NE(corner, nullptr);
    View v(corner.get());
    EXPECT_EQ(v.at(0, 0), (Rgb{80, 120, 99}));
    EXPECT_EQ(v.at(3, 2), (Rgb{200, 200, 99}));
    EXPECT_EQ(v.at(4, 2), (Rgb{10, 20, 30}));
    EXPECT_EQ(v.at(3, 3), (Rgb{10, 20, 30}));
    for (std::int32_t far : {50, INT32_MAX, INT32_MIN}) {
        GlobalBlock outside(DropDib(base.get(), overlay.get(), -1, -1, -1, far, far, nullptr, nullptr));
        ASSERT_NE(outside, nullptr);
        EXPECT_TRUE(sameDib(outside.get(), base.get())) << far;
    }
}
