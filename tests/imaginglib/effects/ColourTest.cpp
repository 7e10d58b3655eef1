// The colour operations that have exact answers: inversion, brightness and
// gamma at every depth, and colour reduction's limits.
#include "isp2000.h"
#include "TestDibs.h"

#include <cmath>
#include <set>

using namespace fxtest;

namespace {

using Change = std::function<std::int32_t(HGLOBAL)>;
using Expect = std::function<int(int)>; // a component before → after

struct Exact {
    const char *name;
    Change change;
    Expect expect;
};

int clampComponent(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

const Exact kExact[] = {
    {"invert", [](HGLOBAL d) { return ILInvert(d, nullptr, nullptr); }, [](int v) { return 255 - v; }},
    {"brighter", [](HGLOBAL d) { return ILBrightness(d, 70, nullptr, nullptr); }, [](int v) { return clampComponent(v + 70); }},
    {"darker", [](HGLOBAL d) { return ILBrightness(d, -40, nullptr, nullptr); }, [](int v) { return clampComponent(v - 40); }},
    {"brightnessClamped", [](HGLOBAL d) { return ILBrightness(d, 9999, nullptr, nullptr); }, [](int) { return 255; }},
    {"gamma2", [](HGLOBAL d) { return ILGamma(d, 20, nullptr, nullptr); },
     [](int v) { return int(std::lround(255.0 * std::pow(v / 255.0, 0.5))); }},
    {"gammaClampedHigh", [](HGLOBAL d) { return ILGamma(d, 400, nullptr, nullptr); },
     [](int v) { return int(std::lround(255.0 * std::pow(v / 255.0, 0.2))); }},
    {"gammaClampedLow", [](HGLOBAL d) { return ILGamma(d, 1, nullptr, nullptr); }, [](int v) { return v; }},
};

class ExactChange : public testing::TestWithParam<Exact> {};

std::string exactName(const testing::TestParamInfo<Exact> &info) { return info.param.name; }

} // namespace

TEST_P(ExactChange, AtTwentyFourAndThirtyTwoBits)
{
    for (int bits : {24, 32}) {
        GlobalBlock original = makeDib(16, 16, [](int x, int y) { return Rgb{x * 16, y * 16, (x * y) % 256}; }, bits);
        GlobalBlock dib = makeDib(16, 16, [](int x, int y) { return Rgb{x * 16, y * 16, (x * y) % 256}; }, bits);
        ASSERT_EQ(GetParam().change(dib.get()), 1);
        View in(original.get()), out(dib.get());
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const Rgb c = in.at(x, y);
                ASSERT_EQ(out.at(x, y), (Rgb{GetParam().expect(c.red), GetParam().expect(c.green), GetParam().expect(c.blue)}));
            }
    }
}

TEST_P(ExactChange, OnTheColourTableAtEightBitsOrFewer)
{
    for (int bits : {1, 4, 8}) {
        const std::vector<Rgb> palette = {{10, 200, 30}, {250, 0, 128}, {3, 4, 5}};
        GlobalBlock dib = makeIndexedDib(9, 5, bits, palette, [bits](int x, int) { return bits == 1 ? x % 2 : x % 3; });
        const std::vector<BYTE> indices = View(dib.get()).pixelBytes();
        ASSERT_EQ(GetParam().change(dib.get()), 1);
        View out(dib.get());
        EXPECT_EQ(out.pixelBytes(), indices) << "pixels keep their indices";
        const Rgb c = palette[1];
        EXPECT_EQ(out.at(1, 0), (Rgb{GetParam().expect(c.red), GetParam().expect(c.green), GetParam().expect(c.blue)}));
    }
}

TEST_P(ExactChange, OnFiveBitComponents)
{
    GlobalBlock dib = makeDib16(4, 1, [](int x, int) { return std::uint16_t(x * 8 << 10 | 31 << 5 | 0); });
    ASSERT_EQ(GetParam().change(dib.get()), 1);
    View out(dib.get());
    // each 5-bit component widened, changed and narrowed again
    auto five = [&](int c) { return (GetParam().expect((c << 3) | (c >> 2)) >> 3) << 3; };
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(out.at(x, 0), (Rgb{five(x * 8), five(31), five(0)}));
}

INSTANTIATE_TEST_SUITE_P(Colours, ExactChange, testing::ValuesIn(kExact), exactName);

TEST(ILInvert, TwiceGivesThePictureBack)
{
    GlobalBlock original = makeDib(10, 10, photo);
    GlobalBlock dib = makeDib(10, 10, photo);
    ASSERT_EQ(ILInvert(dib.get(), nullptr, nullptr), 1);
    EXPECT_FALSE(sameDib(dib.get(), original.get()));
    ASSERT_EQ(ILInvert(dib.get(), nullptr, nullptr), 1);
    EXPECT_TRUE(sameDib(dib.get(), original.get()));
}

TEST(ILReduceColors, YieldsAtMostTheColoursAskedFor)
{
    struct Case {
        int colours, dither, bits, most;
    };
    const Case cases[] = {
        {16, 0, 4, 16},  {16, 1, 4, 16},  {16, 2, 4, 16},  {16, 4, 4, 16}, {100, 4, 8, 100},
        {8, 8, 4, 8},    {1, 1, 1, 2},    {300, 2, 8, 255}, {2, 0, 1, 2},
    };
    GlobalBlock dib = makeDib(64, 48, [](int x, int y) { return Rgb{x * 4, y * 5, (x * y) % 256}; });
    for (const Case &c : cases) {
        GlobalBlock result(ILReduceColors(dib.get(), c.colours, c.dither, nullptr, nullptr));
        ASSERT_NE(result, nullptr) << c.colours << "/" << c.dither;
        View v(result.get());
        EXPECT_EQ(v.bits(), c.bits) << c.colours << "/" << c.dither;
        std::set<int> used;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const Rgb p = v.at(x, y);
                used.insert(p.red << 16 | p.green << 8 | p.blue);
                if (c.dither == 8) {
                    ASSERT_TRUE(p.red == p.green && p.green == p.blue);
                }
            }
        EXPECT_LE(int(used.size()), c.most) << c.colours << "/" << c.dither;
        EXPECT_GE(int(used.size()), std::min(c.most, 6)) << c.colours << "/" << c.dither;
    }
}

TEST(ILReduceColors, DitheringKeepsTheMeanTone)
{
    GlobalBlock dib = makeDib(64, 64, [](int x, int) { return Rgb{x * 4, x * 4, x * 4}; });
    for (int dither : {1, 2, 4}) {
        GlobalBlock result(ILReduceColors(dib.get(), 2, dither, nullptr, nullptr));
        ASSERT_NE(result, nullptr);
        View v(result.get());
        double sum = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                sum += grey(v.at(x, y));
        EXPECT_NEAR(sum / 4096, 126, 20) << dither;
    }
}

TEST(ILReduceColors, TakesEveryDepth)
{
    GlobalBlock indexed = makeIndexedDib(9, 9, 4, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}}, [](int x, int) { return x % 3; });
    GlobalBlock result(ILReduceColors(indexed.get(), 3, 0, nullptr, nullptr));
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(sameDib(result.get(), indexed.get())) << "three colours fit three exactly";
}

TEST(ReduceDib, ReachesEveryDepthWithinTheColourLimit)
{
    GlobalBlock dib = makeDib(32, 24, [](int x, int y) { return Rgb{x * 8, y * 10, (x * y) % 256}; });
    struct Case {
        int bits, colours, most;
    };
    for (const Case c : {Case{1, 0, 2}, Case{4, 0, 16}, Case{8, 20, 20}, Case{16, 0, 1 << 15}, Case{24, 0, 1 << 24}}) {
        GlobalBlock result(ReduceDib(dib.get(), c.bits, 1, 0, 0, c.colours, nullptr, nullptr));
        ASSERT_NE(result, nullptr) << c.bits;
        View v(result.get());
        EXPECT_EQ(v.bits(), c.bits);
        std::set<int> used;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x)
                used.insert(v.at(x, y).red << 16 | v.at(x, y).green << 8 | v.at(x, y).blue);
        EXPECT_LE(int(used.size()), c.most) << c.bits;
    }
    EXPECT_EQ(ReduceDib(dib.get(), 3, 0, 0, 0, 0, nullptr, nullptr), nullptr);
    EXPECT_EQ(ReduceDib(dib.get(), 8, 0, 0, 0, 300, nullptr, nullptr), nullptr);
}
