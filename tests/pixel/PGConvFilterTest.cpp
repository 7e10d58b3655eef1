#include "PixelTestSupport.h"

#include "PGConvFilter.h"

#include <Rounding.h>

#include <algorithm>

namespace {

std::vector<int32_t> weights(const TConvFilter &filter)
{
    std::vector<int32_t> result;
    for (int row = 0; row < filter.Height(); ++row)
        for (int col = 0; col < filter.Width(); ++col)
            result.push_back(filter.Kernel(col, row));
    return result;
}

std::vector<int32_t> row(const TConvFilter &filter, int r)
{
    std::vector<int32_t> result;
    for (int col = 0; col < filter.Width(); ++col)
        result.push_back(filter.Kernel(col, r));
    return result;
}

int64_t sum(const TConvFilter &filter)
{
    int64_t s = 0;
    for (int32_t w : weights(filter))
        s += w;
    return s;
}

// The convolution of one pixel as its definition reads: every kernel tap that
// falls inside the source, normalised by their weights, scaled and offset.
TRGB convolvedByDefinition(const TConvFilter &filter, const TPixelGraphic &source, int X, int Y)
{
    int64_t sums[3] = {0, 0, 0};
    int64_t weightSum = 0;
    for (int row = 0; row < filter.Height(); ++row)
        for (int col = 0; col < filter.Width(); ++col) {
            const int x = X + filter.OffsetX + col, y = Y + filter.OffsetY + row;
            if (x < 0 || y < 0 || x >= source.Width() || y >= source.Height())
                continue;
            const int64_t w = filter.Kernel(col, row);
            const TRGB c = source.GetPixelColor(x, y);
            sums[0] += w * RedOf(c);
            sums[1] += w * GreenOf(c);
            sums[2] += w * BlueOf(c);
            weightSum += w;
        }
    int channels[3];
    for (int k = 0; k < 3; ++k) {
        const auto sum = static_cast<long double>(sums[k]);
        const long double m = weightSum != 0 ? sum / weightSum : sum;
        channels[k] = int(std::clamp<int64_t>(platform::roundEven(filter.Scale * m + filter.Bias * 255 / 100), 0, 255));
    }
    return MakeRGB(channels[0], channels[1], channels[2]);
}

} // namespace

TEST(ConvFilter, NewFilterIsTheIdentity)
{
    TConvFilter filter;
    EXPECT_FALSE(filter.IsColorFilter());
    EXPECT_EQ(weights(filter), std::vector<int32_t>{1});
    TPixelGraphic image;
    fill24(image, 2, 2, [](int x, int y) { return MakeRGB(x * 9, y * 7, 3); });
    filter.Init(&image);
    EXPECT_EQ(filter.GetFilteredPixel(1, 1), MakeRGB(9, 7, 3));
}

TEST(ConvFilter, BlurKernels)
{
    struct Case {
        TDistributionShape shape;
        bool distance;
        long double sigma;
        std::vector<int32_t> kernel; // whole kernel, or empty to check size, sum and middle row
        int size;
        int64_t total;
        std::vector<int32_t> middle;
    };
    const std::vector<Case> cases = {
        {dsGaussian, true, 0.75L, {3, 7, 3, 7, 16, 7, 3, 7, 3}, 3, 56, {}},
        {dsGaussian, false, 0.75L, {3, 7, 3, 7, 16, 7, 3, 7, 3}, 3, 56, {}},
        {dsGaussian, true, 0.4L, {0, 1, 0, 1, 16, 1, 0, 1, 0}, 3, 20, {}},
        {dsGaussian, true, 1.0L, {}, 5, 96, {2, 10, 16, 10, 2}},
        {dsGaussian, true, 1.3L, {}, 7, 172, {1, 5, 12, 16, 12, 5, 1}},
        {dsTent, true, 0.75L, {4, 7, 4, 7, 16, 7, 4, 7, 4}, 3, 60, {}},
        {dsRect, true, 1.0L, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 3, 9, {}},
        {dsRect, true, 1.3L, {}, 5, 21, {1, 1, 1, 1, 1}},
        {dsRect, false, 1.3L, {}, 5, 25, {1, 1, 1, 1, 1}},
    };
    for (const Case &c : cases) {
        TConvFilter filter;
        filter.BuildKernel(c.shape, c.distance, c.sigma);
        SCOPED_TRACE(::testing::Message() << int(c.shape) << " " << c.distance << " " << double(c.sigma));
        EXPECT_EQ(filter.Width(), c.size);
        EXPECT_EQ(filter.Height(), c.size);
        EXPECT_EQ(filter.OffsetX, -(c.size - 1) / 2);
        EXPECT_EQ(filter.OffsetY, -(c.size - 1) / 2);
        EXPECT_EQ(sum(filter), c.total);
        if (!c.kernel.empty()) {
            EXPECT_EQ(weights(filter), c.kernel);
        }
        if (!c.middle.empty()) {
            EXPECT_EQ(row(filter, c.size / 2), c.middle);
        }
    }
    TConvFilter filter;
    filter.BuildKernel(dsGaussian, true, 1.0L);
    EXPECT_EQ(row(filter, 0), (std::vector<int32_t>{0, 1, 2, 1, 0}));
    EXPECT_EQ(row(filter, 1), (std::vector<int32_t>{1, 6, 10, 6, 1}));
}

TEST(ConvFilter, Recipes)
{
    TConvFilter filter;
    filter.SetupSharpen(dsGaussian, true, 50, 0.75L);
    EXPECT_EQ(filter.Kernel(1, 1), 112);
    EXPECT_EQ(filter.Kernel(0, 0), -3);
    EXPECT_EQ(sum(filter), 72);

    filter.SetupDetail(dsGaussian, true, 75, 0.75L);
    EXPECT_EQ(filter.Kernel(1, 1), 55);
    EXPECT_EQ(sum(filter), 15);

    filter.SetupSmooth(dsGaussian, true, 100, 0.75L);
    EXPECT_EQ(weights(filter), (std::vector<int32_t>{3, 7, 3, 7, 16, 7, 3, 7, 3}));
    filter.SetupSmooth(dsGaussian, true, 50, 0.75L);
    EXPECT_EQ(filter.Kernel(1, 1), 16 + 56);

    filter.SetupContour(dsRect, true, true, 100, 1.0L);
    EXPECT_EQ(weights(filter), (std::vector<int32_t>{-1, -1, -1, -1, 9, -1, -1, -1, -1}));
    EXPECT_EQ(filter.Bias, 100);
    EXPECT_EQ(filter.Scale, 100);
    filter.SetupContour(dsRect, true, false, 100, 1.0L);
    EXPECT_EQ(filter.Bias, 0);
    EXPECT_EQ(filter.Scale, -100);
}

TEST(ConvFilter, ContourMarksEdges)
{
    TPixelGraphic image;
    fill24(image, 3, 3, [](int x, int y) { return x == 1 && y == 1 ? MakeRGB(100, 100, 100) : MakeRGB(120, 120, 120); });
    TConvFilter white;
    white.SetupContour(dsRect, true, true, 100, 1.0L);
    TPixelGraphic result;
    result.ApplyFilter(white, image);
    EXPECT_EQ(result.GetPixel(1, 1), MakeRGB(0, 0, 0));
    TPixelGraphic flat;
    fill24(flat, 3, 3, [](int, int) { return MakeRGB(40, 40, 40); });
    result.ApplyFilter(white, flat);
    EXPECT_EQ(result.GetPixel(1, 1), MakeRGB(255, 255, 255));
    TConvFilter black;
    black.SetupContour(dsRect, true, false, 100, 1.0L);
    result.ApplyFilter(black, flat);
    EXPECT_EQ(result.GetPixel(1, 1), MakeRGB(0, 0, 0));
}

TEST(ConvFilter, BorderTapsAreRenormalised)
{
    TPixelGraphic image;
    fill24(image, 3, 3, [](int x, int y) { return MakeRGB(10 * (x + 3 * y), 0, 0); });
    TConvFilter filter;
    filter.BuildKernel(dsGaussian, true, 0.75L);
    filter.Init(&image);
    // Corner (0, 0) sees 16, 7, 7, 3 on values 0, 10, 30, 40: 400 / 33.
    EXPECT_EQ(RedOf(filter.GetFilteredPixel(0, 0)), 12);

    filter.SetWidth(1);
    filter.SetWidth(3); // a new width clears every weight
    filter.SetKernel(1, 2, 1);  // the pixel below
    filter.SetKernel(2, 1, -1); // the pixel to the right
    filter.Init(&image);
    EXPECT_EQ(RedOf(filter.GetFilteredPixel(0, 0)), 20); // weights sum to 0: the raw sum 30 - 10
    filter.SetKernel(2, 1, 4);
    filter.Init(&image);
    EXPECT_EQ(RedOf(filter.GetFilteredPixel(0, 0)), 14); // (30 + 40) / 5
    filter.Done();
}

TEST(ConvFilter, SizeAndKernelLimits)
{
    ScopedLanguage french(pglFrench);
    TConvFilter filter;
    EXPECT_EQ(messageOf<EPGConvFilter>([&] { filter.SetWidth(0); }), "TConvFilter.Width hors bornes");
    EXPECT_EQ(messageOf<EPGConvFilter>([&] { filter.SetWidth(100); }), "TConvFilter.Width hors bornes");
    EXPECT_EQ(messageOf<EPGConvFilter>([&] { filter.SetHeight(100); }), "TConvFilter.Height hors bornes");
    EXPECT_EQ(messageOf<EPGConvFilter>([&] { filter.Kernel(1, 0); }), "Valeurs de X, Y hors bornes");

    filter.BuildKernel(dsTent, true, 0.75L);
    filter.SetWidth(3);
    EXPECT_EQ(filter.Kernel(0, 0), 4);
    filter.SetWidth(5);
    EXPECT_EQ(sum(filter), 0);

    EXPECT_THROW(filter.BuildKernel(dsGaussian, true, 0), EPGConvFilter);
    EXPECT_THROW(filter.BuildKernel(dsGaussian, true, 40), EPGConvFilter);
    EXPECT_THROW(filter.SetupSharpen(dsGaussian, true, 0, 1), EPGConvFilter);
}

// A 24-bit source with more channel values than a kernel has possible sums
// takes the integer path for the pixels whose taps all fall inside; every
// pixel must still be exactly what the definition gives.
TEST(ConvFilter, WholeImagesMatchTheDefinition)
{
    TPixelGraphic image;
    uint32_t noise = 99;
    fill24(image, 161, 121, [&noise](int x, int y) {
        noise = noise * 1103515245u + 12345u;
        const int grain = int(noise >> 27) - 16;
        return MakeRGB(x * 255 / 160, std::clamp(y * 2 + grain, 0, 255), (noise >> 16) & 0xFF);
    });
    TConvFilter sharpen, detail, smooth, contourWhite, contourBlack, tent, gradient;
    sharpen.SetupSharpen(dsGaussian, true, 50, 0.75L);
    detail.SetupDetail(dsGaussian, false, 75, 1.0L);
    smooth.SetupSmooth(dsGaussian, true, 100, 1.3L);
    contourWhite.SetupContour(dsRect, true, true, 100, 1.0L);
    contourBlack.SetupContour(dsRect, false, false, 35, 1.3L);
    tent.SetupSmooth(dsTent, true, 40, 0.75L);
    gradient.SetWidth(3); // weights summing to 0: the raw sum inside, renormalised at the edges
    gradient.SetKernel(0, 0, -1);
    gradient.SetKernel(2, 0, 1);
    gradient.OffsetX = -1;
    const struct {
        const char *name;
        TConvFilter &filter;
    } cases[] = {{"sharpen", sharpen}, {"detail", detail},   {"smooth", smooth},    {"white contour", contourWhite},
                 {"black contour", contourBlack}, {"tent", tent}, {"gradient", gradient}};
    for (const auto &c : cases) {
        TPixelGraphic result;
        result.ApplyFilter(c.filter, image);
        int wrong = 0;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x)
                wrong += result.GetPixel(x, y) != convolvedByDefinition(c.filter, image, x, y);
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

// Init prepares everything a run reads: the pixels of a run (computed on
// several threads) never rebuild the kernel's taps, so a kernel changed while
// a run goes on, as a filter dialog may do, takes effect at the next Init.
TEST(ConvFilter, PixelsOfARunUseTheKernelInitSaw)
{
    TPixelGraphic source;
    fill24(source, 9, 7, [](int x, int y) { return MakeRGB(20 * x, 30 * y, 7 * x * y); });
    TConvFilter filter;
    filter.SetWidth(3);
    filter.SetHeight(1);
    filter.OffsetX = -1;
    filter.SetKernel(0, 0, 1);
    filter.SetKernel(1, 0, 2);
    filter.SetKernel(2, 0, 1);
    const std::pair<int, int> pixels[] = {{0, 0}, {4, 3}, {8, 6}};
    std::vector<TRGB> expected;
    for (const auto &[x, y] : pixels)
        expected.push_back(convolvedByDefinition(filter, source, x, y));
    filter.Init(&source);
    filter.SetKernel(1, 0, -9);
    for (size_t i = 0; i < std::size(pixels); ++i)
        EXPECT_EQ(filter.GetFilteredPixel(pixels[i].first, pixels[i].second), expected[i]) << i;
}
