// The transitions draw the whole picture onto the surface in several steps,
// in the order their names promise, and refuse unusable arguments.
#include "isp2000.h"
#include "TestDibs.h"

using namespace fxtest;

namespace {

constexpr int kWidth = 40, kHeight = 24;

// A surface that records the rectangle of every step and, at the first
// step, which pixels were already drawn.
struct Target {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kWidth * kHeight, 0);
    std::vector<Box> steps;
    std::vector<std::uint32_t> afterFirst;
    ILSurface surface{reinterpret_cast<std::uint8_t *>(pixels.data()), kWidth, kHeight, kWidth * 4, flush, this};

    static void flush(void *user, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
    {
        auto *self = static_cast<Target *>(user);
        self->steps.push_back({left, top, right, bottom});
        if (self->steps.size() == 1)
            self->afterFirst = self->pixels;
    }
    bool drawnFirst(int x, int y) const { return afterFirst[std::size_t(y) * kWidth + x] != 0; }
};

Rgb picture(int x, int y) { return {10 + x * 5, 10 + y * 9, 77}; }

struct Transition {
    const char *name;
    std::int32_t (*dib)(ILSurface *, HGLOBAL, std::int32_t, std::int32_t);
    std::int32_t (*bitmap)(ILSurface *, HGLOBAL, std::int32_t, std::int32_t);
    std::function<bool(const Target &)> firstStep; // what the first step must have drawn
};

std::int32_t rectanglesDib(ILSurface *dc, HGLOBAL dib, std::int32_t, std::int32_t delay) { return FXSkipRectanglesDib(dc, dib, delay); }
std::int32_t rectangles(ILSurface *dc, HGLOBAL bitmap, std::int32_t, std::int32_t delay) { return FXSkipRectangles(dc, bitmap, delay); }

const Transition kTransitions[] = {
    {"Horizontal", FXSkipHorizontalDib, FXSkipHorizontal,
     [](const Target &t) { return t.drawnFirst(5, 1) && !t.drawnFirst(5, 5) && t.steps[0].bottom - t.steps[0].top == 4; }},
    {"Vertical", FXSkipVerticalDib, FXSkipVertical,
     [](const Target &t) { return t.drawnFirst(1, 5) && !t.drawnFirst(5, 5) && t.steps[0].right - t.steps[0].left == 4; }},
    {"Diagonals", FXSkipDiagonalsDib, FXSkipDiagonals,
     [](const Target &t) { return t.drawnFirst(1, 1) && !t.drawnFirst(3, 3) && !t.drawnFirst(30, 20); }},
    {"DiagonalSquares", FXSkipDiagonalSquaresDib, FXSkipDiagonalSquares,
     [](const Target &t) { return t.drawnFirst(3, 3) && !t.drawnFirst(5, 1) && !t.drawnFirst(1, 5); }},
    {"Rectangles", rectanglesDib, rectangles,
     [](const Target &t) { return t.drawnFirst(0, 0) && t.drawnFirst(kWidth - 1, 10) && !t.drawnFirst(20, 12); }},
};

class EveryTransition : public testing::TestWithParam<Transition> {};

std::string transitionName(const testing::TestParamInfo<Transition> &info) { return info.param.name; }

// A device bitmap in the file library's layout: its header, then 32-bit rows.
GlobalBlock deviceBitmap()
{
    struct Header {
        std::int32_t width, height, bitsPixel, rowBytes;
    };
    GlobalBlock block(GlobalAlloc(GHND, sizeof(Header) + kWidth * kHeight * 4));
    GlobalLockGuard lock(block.get());
    *lock.as<Header>() = {kWidth, kHeight, 32, kWidth * 4};
    auto *pixels = reinterpret_cast<std::uint32_t *>(lock.as<Header>() + 1);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Rgb c = picture(x, y);
            pixels[y * kWidth + x] = 0xFF000000u | std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | std::uint32_t(c.blue);
        }
    return block;
}

void expectWholePicture(const Target &target)
{
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t p = target.pixels[std::size_t(y) * kWidth + x];
            const Rgb c = picture(x, y);
            ASSERT_EQ(p & 0xFFFFFF, std::uint32_t(c.red << 16 | c.green << 8 | c.blue)) << x << "," << y;
        }
}

} // namespace

TEST_P(EveryTransition, DrawsTheDibStepByStep)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, picture);
    Target target;
    ASSERT_EQ(GetParam().dib(&target.surface, dib.get(), 4, 0), 1);
    expectWholePicture(target);
    EXPECT_GT(target.steps.size(), 3u);
    EXPECT_LE(target.steps.size(), 64u);
    EXPECT_TRUE(GetParam().firstStep(target));
}

TEST_P(EveryTransition, DrawsADeviceBitmapAlike)
{
    GlobalBlock bitmap = deviceBitmap();
    Target target;
    ASSERT_EQ(GetParam().bitmap(&target.surface, bitmap.get(), 4, 1), 1);
    expectWholePicture(target);
}

TEST_P(EveryTransition, StretchesASmallerPictureOverTheSurface)
{
    GlobalBlock dib = makeDib(kWidth / 2, kHeight / 2, [](int x, int y) { return picture(x * 2, y * 2); });
    Target target;
    ASSERT_EQ(GetParam().dib(&target.surface, dib.get(), 2, 0), 1);
    for (std::uint32_t p : target.pixels)
        ASSERT_NE(p, 0u);
}

TEST_P(EveryTransition, RefusesUnusableArguments)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, picture);
    GlobalBlock scrap(GlobalAlloc(GHND, 8));
    Target target;
    EXPECT_EQ(GetParam().dib(nullptr, dib.get(), 4, 0), 0);
    EXPECT_EQ(GetParam().dib(&target.surface, nullptr, 4, 0), 0);
    EXPECT_EQ(GetParam().dib(&target.surface, scrap.get(), 4, 0), 0);
    EXPECT_EQ(GetParam().bitmap(&target.surface, scrap.get(), 4, 0), 0);
    EXPECT_EQ(GetParam().dib(&target.surface, dib.get(), 4, -5), 0);
    ILSurface narrow = target.surface;
    narrow.stride = 8;
    EXPECT_EQ(GetParam().dib(&narrow, dib.get(), 4, 0), 0);
    EXPECT_TRUE(target.steps.empty());
}

INSTANTIATE_TEST_SUITE_P(Transitions, EveryTransition, testing::ValuesIn(kTransitions), transitionName);

TEST(Transitions, ThicknessZeroIsRefusedWhereItCounts)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, picture);
    Target target;
    EXPECT_EQ(FXSkipHorizontalDib(&target.surface, dib.get(), 0, 0), 0);
    EXPECT_EQ(FXSkipDiagonalSquaresDib(&target.surface, dib.get(), -1, 0), 0);
}
