// The image control: owning its image, the change handler, the picture box's
// layout, and the display copy built on the paint thread.
#include "PixelUiTestSupport.h"

#include "PGColorFilters.h"
#include "PGImage.h"

#include <memory>

namespace {

std::unique_ptr<TPixelGraphic> sample(int width, int height)
{
    auto image = std::make_unique<TPixelGraphic>();
    fillSample(*image, width, height);
    return image;
}

// Shows its image stretched over the whole area, through a display copy.
void stretchThroughACopy(TPGImage &control, int side)
{
    control.resize(side, side);
    control.SetStretch(sAlways);
    TDisplaySettings settings;
    settings.Allow24BitStretch = true;
    control.SetDisplaySettings(settings);
}

} // namespace

TEST(ImageControlLayout, StretchRules)
{
    const QSize area(100, 80);
    const std::tuple<TStretch, QSize, QSize> cases[] = {
        {sNeverKAR, {200, 50}, {200, 50}},
        {sAlways, {200, 50}, {100, 80}},
        {sAlwaysKAR, {200, 50}, {100, 25}},
        {sAlwaysKAR, {20, 40}, {40, 80}},
        {sShrink, {200, 50}, {100, 50}},
        {sShrinkKAR, {200, 50}, {100, 25}},
        {sShrinkKAR, {20, 40}, {20, 40}},
        {sEnlarge, {20, 40}, {100, 80}},
        {sEnlargeKAR, {20, 40}, {40, 80}},
        {sEnlargeKAR, {200, 50}, {200, 50}},
        {sAlwaysLongerEdgeKAR, {200, 50}, {80, 20}},
        {sShrinkLongerEdgeKAR, {40, 60}, {40, 60}},
        {sShrinkLongerEdgeKAR, {40, 160}, {20, 80}},
        {sEnlargeLongerEdgeKAR, {40, 20}, {80, 40}},
        {sEnlargeShrinkLongerEdgeKAR, {40, 160}, {20, 80}},
        {sZoomKAR, {30, 21}, {45, 32}}, // 31.5 rounds to even
    };
    for (auto [stretch, image, expected] : cases)
        EXPECT_EQ(StretchedSize(stretch, image, area, 1.5L), expected) << int(stretch);
    EXPECT_EQ(StretchedSize(sAlwaysKAR, QSize(0, 0), area, 1), QSize(0, 0));
}

TEST(ImageControl, TakesTheImageOverAndRunsTheChangeHandler)
{
    TPGImage control;
    control.resize(100, 100);
    int changes = 0;
    QSize autoSize;
    control.OnPixelGraphicChange = [&](TPGImage *) { ++changes; };
    control.OnNewAutoSize = [&](TPGImage *, int width, int height) { autoSize = QSize(width, height); };

    auto first = sample(40, 30);
    TPixelGraphic *held = first.get();
    control.SetPixelGraphic(std::move(first));
    EXPECT_EQ(control.PixelGraphic(), held);
    EXPECT_EQ(control.CurrentPixelGraphic(), held);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(autoSize, QSize(42, 32)); // the image and the single-line border

    // A change made in place reaches the control through the image's OnChange.
    control.PixelGraphic()->SetFormat(60, 10, pg8Bit);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(autoSize, QSize(62, 12));
    EXPECT_EQ(control.PicBox().size(), QSize(60, 10));

    // A too-long side is shown with a scroll bar, and the bar is part of the size.
    control.AutoSizeMaxWidth = 50;
    control.SetPixelGraphic(sample(80, 20));
    EXPECT_GT(autoSize.height(), 22);
    EXPECT_EQ(autoSize.width(), 50);

    control.SetPixelGraphic(nullptr);
    EXPECT_EQ(control.PixelGraphic(), nullptr);
    EXPECT_EQ(autoSize, QSize(2, 2));
    EXPECT_EQ(changes, 4);
}

TEST(ImageControl, AutoSizeResizesTheControl)
{
    TPGImage control;
    control.SetAutoSize(true);
    control.SetPixelGraphic(sample(40, 30));
    EXPECT_EQ(control.size(), QSize(42, 32));
    control.AutoSizeMinWidth = 100;
    control.SetPixelGraphic(sample(10, 10));
    EXPECT_EQ(control.size(), QSize(100, 12));
}

TEST(ImageControl, CentresTheBoxAndReportsTheZoom)
{
    TPGImage control;
    control.resize(140, 140); // 138 x 138 inside the border
    long double zoom = 0;
    control.OnZoomFactorChange = [&](TPGImage *sender) { zoom = sender->EffectiveZoomFactor(); };
    control.SetCenter(true);
    control.SetPixelGraphic(sample(50, 30));
    EXPECT_EQ(control.PicBox().geometry(), QRect(44, 54, 50, 30));

    control.SetStretch(sAlwaysKAR);
    control.SetPixelGraphic(sample(200, 100));
    EXPECT_EQ(control.PicBox().geometry(), QRect(0, 34, 138, 69));
    EXPECT_EQ(zoom, 0.69L);

    control.SetStretch(sAlways);
    EXPECT_EQ(zoom, -1); // the two sides scale differently

    // Not centred, a box larger than the area is shown from its corner.
    control.SetCenter(false);
    control.SetStretch(sZoomKAR);
    control.SetZoomFactor(2);
    EXPECT_EQ(control.PicBox().pos(), QPoint(0, 0));
    EXPECT_EQ(control.PicBox().size(), QSize(400, 200));
    EXPECT_EQ(zoom, 2);
}

TEST(ImageControl, ForwardsTheImagesProgress)
{
    TPGImage control;
    control.SetPixelGraphic(sample(10, 4));
    std::vector<int> rows;
    int starts = 0, ends = 0;
    control.OnPixelGraphicProgressStart = [&](TPixelGraphic *) { ++starts; };
    control.OnPixelGraphicProgress = [&](TPixelGraphic *, int current, bool &, int max) {
        rows.push_back(current);
        EXPECT_EQ(max, 3);
    };
    control.OnPixelGraphicProgressEnd = [&](TPixelGraphic *) { ++ends; };
    TRGBFilter filter;
    TPixelGraphic &image = *control.PixelGraphic();
    image.ApplyFilter(filter, image);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
}

TEST(DisplayCopy, WhatEachScreenNeeds)
{
    TPixelGraphic colour, gray, system16;
    fillSample(colour, 20, 10);
    gray.SetFormat(20, 10, pg8Bit);
    gray.SetPaletteIdent(pGray256);
    system16.SetFormat(20, 10, pg4Bit);
    system16.SetPaletteIdent(pSys16);
    const QSize same(20, 10), other(40, 20);
    TDisplaySettings plain, stretch, reduce, source;
    stretch.Allow24BitStretch = true;
    reduce.ReduceOnLoad = true;
    source.Palette8BitSys8BitGraphic = pSource;
    struct Case {
        const char *what;
        const TDisplaySettings &settings;
        const TPixelGraphic &image;
        QSize box;
        int screen;
        bool stale;
        bool needed;
        TPGPixelFormat format;
        TPaletteIdent palette;
    };
    const Case cases[] = {
        {"true colour screen", plain, colour, other, 32, true, false, pg24Bit, pTrueColor},
        {"stretched copy", stretch, colour, other, 32, true, true, pg24Bit, pTrueColor},
        {"stretch of the same size", stretch, colour, same, 32, true, false, pg24Bit, pTrueColor},
        {"24-bit on 8-bit", plain, colour, same, 8, true, true, pg8Bit, pOptimized252Sys16},
        {"grey on 8-bit", plain, gray, same, 8, true, true, pg8Bit, pOptimized252Sys16},
        {"grey on 8-bit, own palette", source, gray, same, 8, true, false, pg8Bit, pSource},
        {"24-bit on 4-bit", plain, colour, same, 4, true, true, pg4Bit, pSys16},
        {"system colours on 4-bit", plain, system16, same, 4, true, false, pg4Bit, pSys16},
        {"grey on 4-bit", plain, gray, same, 4, true, true, pg4Bit, pSys16},
        {"grey on 4-bit, reduced already", reduce, gray, same, 4, false, true, pg4Bit, pSys16},
        {"system colours on 4-bit, reduced already", reduce, system16, same, 4, false, false, pg4Bit, pSys16},
    };
    for (const Case &c : cases) {
        const TDisplayCopyPlan plan = PlanDisplayCopy(c.settings, c.image, c.box, c.screen, c.stale);
        EXPECT_EQ(plan.Needed, c.needed) << c.what;
        if (!plan.Needed)
            continue;
        EXPECT_EQ(plan.Format, c.format) << c.what;
        EXPECT_EQ(plan.Palette, c.palette) << c.what;
        EXPECT_EQ(plan.Size, c.settings.Allow24BitStretch ? c.box : same) << c.what;
    }
}

TEST(DisplayCopy, BuildsTheFormatAndPaletteAsked)
{
    TPixelGraphic colour;
    fill24(colour, 16, 8, [](int x, int y) { return MakeRGB(x * 17, x * 17, y * 30); });
    std::vector<int> steps;
    const auto follow = [&](int step, int) {
        if (steps.empty() || steps.back() != step)
            steps.push_back(step);
        return false;
    };
    auto gray = BuildDisplayCopy(colour, {true, pg8Bit, pGray256, QSize(16, 8)}, follow);
    ASSERT_NE(gray, nullptr);
    EXPECT_EQ(gray->PixelFormat(), pg8Bit);
    EXPECT_EQ(gray->PaletteIdent(), pGray256);
    EXPECT_EQ(steps, (std::vector<int>{2, 3}));

    steps.clear();
    auto stretched = BuildDisplayCopy(colour, {true, pg24Bit, pTrueColor, QSize(32, 16)}, follow);
    EXPECT_EQ(stretched->Width(), 32);
    EXPECT_EQ(stretched->GetPixel(0, 0), colour.GetPixel(0, 0));
    EXPECT_EQ(steps, (std::vector<int>{1, 3}));

    auto optimised = BuildDisplayCopy(colour, {true, pg8Bit, pOptimized252Sys16, QSize(16, 8)}, follow);
    EXPECT_EQ(optimised->PaletteCount(), 252);
    EXPECT_EQ(optimised->PaletteEntries(251), MakeRGB(255, 255, 255)); // the system colours close the palette

    // 8-bit into 8-bit of the same size: each index goes through one table.
    TPixelGraphic indexed;
    indexed.SetFormat(6, 1, pg8Bit);
    indexed.SetPaletteIdent(pGray256);
    for (int x = 0; x < 6; ++x)
        indexed.SetPixel(x, 0, uint32_t(x * 51));
    auto mapped = BuildDisplayCopy(indexed, {true, pg8Bit, pSpecial216, QSize(6, 1)}, follow);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(mapped->GetPixelColor(x, 0), MakeRGB(x * 51, x * 51, x * 51)) << x;

    int calls = 0;
    EXPECT_EQ(BuildDisplayCopy(colour, {true, pg24Bit, pTrueColor, QSize(32, 16)}, [&](int, int) { return ++calls > 1; }),
              nullptr);
}

TEST(ImageControlPainting, AStretchedCopyIsBuiltOnThePaintThread)
{
    TPGImage control;
    stretchThroughACopy(control, 140);
    control.SetPixelGraphic(sample(50, 40));
    control.show();
    ASSERT_TRUE(waitUntil([&] { return control.DisplayCopy() != nullptr; }));
    EXPECT_EQ(control.DisplayCopy()->Width(), 138);
    EXPECT_EQ(control.DisplayCopy()->Height(), 138);

    // Without KeepOldPaintPixelGraphic a new image drops the old copy at once.
    control.SetPixelGraphic(sample(30, 30));
    EXPECT_EQ(control.DisplayCopy(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return control.DisplayCopy() != nullptr; }));

    // With it the stale copy stays until the next one is built.
    control.KeepOldPaintPixelGraphic = true;
    const TPixelGraphic *old = control.DisplayCopy();
    control.SetPixelGraphic(sample(20, 20));
    EXPECT_EQ(control.DisplayCopy(), old);
    ASSERT_TRUE(waitUntil([&] { return control.DisplayCopy() != old; }));
}

// Reading the image stops the build first: the caller may then change it at once.
TEST(ImageControlPainting, ReadingTheImageStopsTheBuild)
{
    TPGImage control;
    stretchThroughACopy(control, 300);
    control.SetPixelGraphic(sample(2000, 2000));
    int painted = 0;
    control.PicBoxOnPaint = [&](TPGImage *) { ++painted; };
    control.show();
    ASSERT_TRUE(waitUntil([&] { return painted > 0; })); // the build has started
    TPixelGraphic *image = control.PixelGraphic();
    image->SetFormat(8, 8, pg24Bit); // frees the pixels the build was reading
    ASSERT_TRUE(waitUntil([&] { return control.DisplayCopy() != nullptr; }));
    EXPECT_EQ(control.DisplayCopy()->Width(), 298);
}

TEST(ImageControlPainting, TrueColourWithoutStretchDrawsTheImageItself)
{
    TPGImage control;
    control.resize(80, 80);
    control.SetPixelGraphic(sample(20, 20));
    int painted = 0;
    control.PicBoxOnPaint = [&](TPGImage *) { ++painted; };
    QCoreApplication::processEvents();
    EXPECT_EQ(painted, 0); // hidden: laid out, never painted
    EXPECT_EQ(control.PicBox().size(), QSize(20, 20));
    control.show();
    ASSERT_TRUE(waitUntil([&] { return painted > 0; }));
    EXPECT_EQ(control.DisplayCopy(), nullptr);
    const QImage shot = control.PicBox().grab().toImage();
    EXPECT_EQ(shot.pixelColor(19, 0), QColor(255, 0, 19));
}
