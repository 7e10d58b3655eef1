#include "PixelTestSupport.h"

#include "PGColorFilters.h"
#include "PGConvFilter.h"

#include <QImage>
#include <QPainter>

#include <random>
#include <set>

namespace {

TRGB exhaustiveNearest(const TPixelGraphic &graphic, TRGB colour)
{
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < graphic.PaletteCount(); ++i) {
        const TRGB e = graphic.PaletteEntries(i);
        const int dr = RedOf(e) - RedOf(colour), dg = GreenOf(e) - GreenOf(colour), db = BlueOf(e) - BlueOf(colour);
        if (dr * dr + dg * dg + db * db < bestDistance) {
            bestDistance = dr * dr + dg * dg + db * db;
            best = i;
        }
    }
    return TRGB(best);
}

} // namespace

TEST(PixelGraphic, NewImageIsEmptyTrueColour)
{
    TPixelGraphic image;
    EXPECT_TRUE(image.GetEmpty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_EQ(image.PixelFormat(), pg24Bit);
    EXPECT_EQ(image.PaletteIdent(), pTrueColor);
    EXPECT_EQ(image.ScanLine(0), nullptr);
}

TEST(PixelGraphic, SetFormatWithCurrentValuesErasesAndNotifies)
{
    TPixelGraphic image;
    image.SetFormat(4, 3, pg8Bit);
    image.SetPixel(1, 1, 77);
    int changes = 0;
    image.OnChange = [&](TPixelGraphic *) { ++changes; };
    image.SetFormat(4, 3, pg8Bit);
    EXPECT_EQ(image.GetPixel(1, 1), 0u);
    EXPECT_EQ(changes, 1);

    image.BeginUpdate();
    image.SetFormat(4, 3, pg8Bit);
    image.Changed();
    EXPECT_EQ(changes, 1);
    image.EndUpdate();
    EXPECT_EQ(changes, 2);
}

TEST(PixelGraphic, RefusesNegativeSidesWidthFirst)
{
    ScopedLanguage french(pglFrench);
    TPixelGraphic image;
    EXPECT_EQ(messageOf<EPGInvalidSize>([&] { image.SetFormat(-1, -1, pg24Bit); }), "Largeur négative");
    EXPECT_EQ(messageOf<EPGInvalidSize>([&] { image.SetFormat(1, -1, pg24Bit); }), "Hauteur négative");
}

TEST(PixelGraphic, OversizedSectionFailsAndLeavesNoMemory)
{
    ScopedLanguage french(pglFrench);
    TPixelGraphic image;
    EXPECT_EQ(messageOf<EPixelGraphic>([&] { image.SetFormat(100000, 100000, pg24Bit); }),
              "CreateDIBSection a échoué");
    EXPECT_EQ(image.Width(), 100000);
    EXPECT_TRUE(image.GetEmpty());
    image.SetPixel(5, 5, 1);
    EXPECT_EQ(image.GetPixel(5, 5), 0u);
}

TEST(PixelGraphic, RowsAreStoredBottomUpWithPaddedStride)
{
    struct Case {
        TPGPixelFormat format;
        int width;
        uint32_t stride;
    };
    for (const Case c : {Case{pg1Bit, 33, 8}, Case{pg4Bit, 9, 8}, Case{pg8Bit, 5, 8}, Case{pg24Bit, 3, 12}}) {
        TPixelGraphic image;
        image.SetFormat(c.width, 3, c.format);
        EXPECT_EQ(image.RowStride(), c.stride);
        EXPECT_EQ(image.DataSize(), 3 * c.stride);
        EXPECT_EQ(image.ScanLine(0) - image.ScanLine(1), ptrdiff_t(c.stride));
        EXPECT_EQ(image.ScanLine(1) - image.ScanLine(2), ptrdiff_t(c.stride));
    }
}

TEST(PixelGraphic, PixelValuesUseTheDibLayout)
{
    TPixelGraphic image;
    image.SetFormat(10, 2, pg1Bit);
    image.SetPixel(0, 0, 1);
    image.SetPixel(9, 0, 1);
    image.SetPixel(3, 0, 5); // anything but 1 clears
    EXPECT_EQ(image.ScanLine(0)[0], 0x80);
    EXPECT_EQ(image.ScanLine(0)[1], 0x40);
    EXPECT_EQ(image.GetPixel(9, 0), 1u);

    image.SetFormat(3, 1, pg4Bit);
    image.SetPixel(0, 0, 0x1A);
    image.SetPixel(1, 0, 0x3);
    image.SetPixel(2, 0, 0xF);
    EXPECT_EQ(image.ScanLine(0)[0], 0xA3);
    EXPECT_EQ(image.ScanLine(0)[1], 0xF0);
    EXPECT_EQ(image.GetPixel(0, 0), 0xAu);

    image.SetFormat(2, 1, pg24Bit);
    image.SetPixel(1, 0, MakeRGB(1, 2, 3));
    EXPECT_EQ(image.ScanLine(0)[3], 3); // blue first
    EXPECT_EQ(image.ScanLine(0)[5], 1);
    EXPECT_EQ(image.GetPixel(1, 0), MakeRGB(1, 2, 3));
}

TEST(PixelGraphic, OutOfRangePixelsFollowRangeCheck)
{
    ScopedLanguage french(pglFrench);
    TPixelGraphic image;
    image.SetFormat(2, 2, pg8Bit);
    image.SetBackGroundColor(9);
    EXPECT_EQ(image.GetPixel(-1, 0), 9u);
    image.SetPixel(2, 0, 1); // ignored
    image.RangeCheck = true;
    EXPECT_EQ(messageOf<EPGXYIndexOutOfRange>([&] { image.GetPixel(-1, 0); }), "Valeurs de X, Y hors bornes");
    EXPECT_EQ(messageOf<EPGXYIndexOutOfRange>([&] { image.SetPixel(0, 2, 1); }), "Valeurs de X, Y hors bornes");
}

TEST(PixelGraphic, ClearFillsWithTheBackground)
{
    for (TPGPixelFormat format : {pg1Bit, pg4Bit, pg8Bit, pg24Bit}) {
        TPixelGraphic image;
        image.SetFormat(5, 3, format);
        const uint32_t background = format == pg24Bit ? MakeRGB(10, 20, 30) : 1;
        image.SetBackGroundColor(background);
        image.Clear();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(image.GetPixel(x, y), background) << int(format);
    }
}

TEST(PixelGraphic, PaletteOperationsCheckKindAndIndex)
{
    ScopedLanguage french(pglFrench);
    TPixelGraphic image;
    image.SetFormat(2, 2, pg8Bit);
    EXPECT_EQ(image.PaletteEntries(0x123456), 0x123456u); // true colour passes through
    EXPECT_EQ(messageOf<EPGNoPalette>([&] { image.SetPaletteEntry(0, 0); }), "Pas de palette");
    image.SetPaletteCount(4);
    EXPECT_EQ(image.PaletteIdent(), pUnknown);
    EXPECT_EQ(messageOf<EPGInvalidPaletteIndex>([&] { image.SetPaletteEntry(4, 0); }), "Indice de palette invalide");
    EXPECT_EQ(messageOf<EPGInvalidPaletteIndex>([&] { image.PaletteEntries(-1); }), "Indice de palette invalide");
    image.SetPaletteEntry(2, MakeRGB(1, 2, 3));
    EXPECT_EQ(image.PaletteEntries(2), MakeRGB(1, 2, 3));
    EXPECT_EQ(image.GetPalette().size(), 4u);
    image.SetPaletteCount(0);
    EXPECT_EQ(image.PaletteIdent(), pNone);
    EXPECT_EQ(messageOf<EPGNoPalette>([&] { image.NearestIndex(0); }), "Pas de palette");
}

TEST(PixelGraphic, StandardPalettesHaveTheirTables)
{
    TPixelGraphic image;
    image.SetFormat(1, 1, pg8Bit);
    const auto entries = [&](TPaletteIdent kind) {
        image.SetPaletteIdent(kind);
        std::vector<TRGB> result;
        for (int i = 0; i < image.PaletteCount(); ++i)
            result.push_back(image.PaletteEntries(i));
        return result;
    };
    EXPECT_EQ(entries(pGray4), (std::vector<TRGB>{0, 0x555555, 0xAAAAAA, 0xFFFFFF}));
    const auto gray236 = entries(pGray236);
    ASSERT_EQ(gray236.size(), 236u);
    EXPECT_EQ(gray236.front(), 0u);
    EXPECT_EQ(gray236.back(), 0xFFFFFFu);
    EXPECT_EQ(RedOf(gray236[1]), 1);
    const auto cube125 = entries(pSpecial125);
    EXPECT_EQ(cube125[1], MakeRGB(0, 0, 64));
    EXPECT_EQ(cube125[100], MakeRGB(255, 0, 0));
    EXPECT_EQ(entries(pSpecial216)[36 + 6 + 1], MakeRGB(51, 51, 51));

    const auto table252 = entries(pSpecial252);
    ASSERT_EQ(table252.size(), 252u);
    EXPECT_EQ(std::vector<TRGB>(table252.begin(), table252.begin() + 16), StandardPalette(pSys16));
    EXPECT_EQ(table252[16], MakeRGB(0, 0, 64));
    EXPECT_EQ(table252[17], MakeRGB(0, 0, 192));
    EXPECT_EQ(table252[18], MakeRGB(0, 64, 0));
    EXPECT_EQ(table252[251], MakeRGB(224, 96, 192));
    EXPECT_EQ(std::set<TRGB>(table252.begin(), table252.end()).size(), 252u);
    const std::set<int> levels = {0, 32, 64, 96, 128, 160, 192, 224, 255};
    for (size_t i = 16; i < 252; ++i)
        EXPECT_TRUE(levels.count(RedOf(table252[i])) && levels.count(GreenOf(table252[i]))
                    && levels.count(BlueOf(table252[i])));
}

TEST(PixelGraphic, DetectPaletteIdentRecognisesStandardPalettes)
{
    struct Case {
        std::vector<TRGB> entries;
        TPaletteIdent kind;
        bool gray;
    };
    std::vector<TRGB> gray256, gray16;
    for (int k = 0; k < 256; ++k)
        gray256.push_back(MakeRGB(k, k, k));
    for (int k = 0; k < 16; ++k)
        gray16.push_back(MakeRGB(k * 255 / 15, k * 255 / 15, k * 255 / 15));
    const std::vector<Case> cases = {
        {gray256, pGray256, true},
        {gray16, pGray16, true},
        {{0, 0xFFFFFF}, pBlackWhite, true},
        {{0, 0x555555, 0xAAAAAA, 0xFFFFFF}, pGray4, true},
        {{0, 0x808080, 0xC0C0C0, 0xFFFFFF}, pSysGray4, true},
        {StandardPalette(pSys16), pSys16, false},
        {StandardPalette(pSpecial252), pSpecial252, false},
        {{0, 0x0000FF}, pUnknown, false},
    };
    for (const Case &c : cases) {
        TPixelGraphic image;
        image.SetFormat(1, 1, pg8Bit);
        image.SetPaletteCount(int(c.entries.size()));
        for (size_t i = 0; i < c.entries.size(); ++i)
            image.SetPaletteEntry(int(i), c.entries[i]);
        image.DetectPaletteIdent();
        EXPECT_EQ(image.PaletteIdent(), c.kind) << c.entries.size();
        EXPECT_EQ(image.IsGray(), c.gray);
    }
}

TEST(PixelGraphic, NearestIndexClosedForms)
{
    TPixelGraphic image;
    image.SetFormat(1, 1, pg8Bit);
    image.SetPaletteIdent(pSpecial125);
    EXPECT_EQ(image.NearestIndex(MakeRGB(224, 0, 0)), 100u); // red level 4 (255), not level 3
    EXPECT_EQ(image.NearestIndex(MakeRGB(200, 100, 30)), uint32_t(3 * 25 + 2 * 5 + 0));

    image.SetPaletteIdent(pSpecial216);
    EXPECT_EQ(image.NearestIndex(MakeRGB(255, 27, 25)), uint32_t(5 * 36 + 1 * 6 + 0));

    image.SetPaletteIdent(pSys16);
    EXPECT_EQ(image.NearestIndex(MakeRGB(0, 0, 64)), 4u); // the table prefers dark blue to black
    EXPECT_EQ(image.NearestIndex(MakeRGB(250, 250, 250)), 15u);
    EXPECT_EQ(image.NearestIndex(MakeRGB(200, 190, 180)), 7u);

    // The grey kinds work on the grey level, which the weighting decides.
    image.SetPaletteIdent(pGray256);
    EXPECT_EQ(image.NearestIndex(MakeRGB(255, 0, 0)), 76u); // 897 * 255 div 1000 = 228
    image.SetRGBWeighting(false);
    EXPECT_EQ(image.NearestIndex(MakeRGB(255, 0, 0)), 85u);
    image.SetPaletteIdent(pBlackWhite);
    EXPECT_EQ(image.NearestIndex(MakeRGB(127, 127, 128)), 0u); // g = 382
    EXPECT_EQ(image.NearestIndex(MakeRGB(127, 128, 128)), 1u); // g = 383
}

TEST(PixelGraphic, NearestIndexOfLookupPalettesIsTheTrueNearest)
{
    std::mt19937 random(7);
    for (TPaletteIdent kind : {pSpecial252, pGray236}) {
        TPixelGraphic image;
        image.SetFormat(1, 1, pg8Bit);
        image.SetPaletteIdent(kind);
        image.SetRGBWeighting(false);
        for (int n = 0; n < 3000; ++n) {
            TRGB colour = random() & 0xFFFFFF;
            if (kind == pGray236)
                colour = MakeRGB(RedOf(colour), RedOf(colour), RedOf(colour));
            const TRGB expected = exhaustiveNearest(image, colour);
            const TRGB found = image.NearestIndex(colour);
            // Ties between equally near entries may go either way for the grey table.
            if (found != expected) {
                const TRGB a = image.PaletteEntries(int(found)), b = image.PaletteEntries(int(expected));
                EXPECT_EQ(std::abs(RedOf(a) - RedOf(colour)), std::abs(RedOf(b) - RedOf(colour))) << kind;
                EXPECT_EQ(kind, pGray236);
            }
        }
    }
}

TEST(PixelGraphic, NearestIndexOfAnyPaletteWithAndWithoutCache)
{
    TPixelGraphic image;
    image.SetFormat(1, 1, pg8Bit);
    image.SetPaletteCount(3);
    image.SetPaletteEntry(0, MakeRGB(0, 0, 0));
    image.SetPaletteEntry(1, MakeRGB(250, 10, 10));
    image.SetPaletteEntry(2, MakeRGB(10, 10, 250));
    for (bool cache : {true, false}) {
        image.SetUseNearestCache(cache);
        EXPECT_EQ(image.NearestIndex(MakeRGB(200, 30, 40)), 1u);
        EXPECT_EQ(image.NearestIndex(MakeRGB(20, 30, 200)), 2u);
        EXPECT_EQ(image.NearestIndex(MakeRGB(20, 20, 20)), 0u);
    }
    // A changed entry is seen at once (memo and cache are dropped).
    image.SetPaletteEntry(2, MakeRGB(20, 20, 20));
    EXPECT_EQ(image.NearestIndex(MakeRGB(20, 20, 20)), 2u);
}

TEST(PixelGraphic, ErrorLimitTable)
{
    TPixelGraphic image;
    image.SetFormat(4, 1, pg8Bit);
    image.SetPaletteIdent(pGray256);
    image.DitherErrorLimitAuto = false;
    image.DitherErrorLimit = 32;
    image.BeginDither();
    for (int e = 0; e <= 255; ++e) {
        const int expected = e < 16 ? e : e <= 48 ? e / 2 + 8 : 32;
        EXPECT_EQ(image.DitherErrorLimitTable(e), expected) << e;
        EXPECT_EQ(image.DitherErrorLimitTable(-e), -expected) << e;
    }
    EXPECT_EQ(image.DitherErrorLimitTable(31), 23);
    EXPECT_EQ(image.DitherErrorLimitTable(32), 24);
    EXPECT_EQ(image.DitherErrorLimitTable(48), 32);
    image.EndDither();

    // Automatic: black and white is unlimited and softened from 127.
    image.DitherErrorLimitAuto = true;
    image.SetPaletteIdent(pBlackWhite);
    image.BeginDither();
    EXPECT_EQ(image.DitherErrorLimitTable(100), 100);
    EXPECT_EQ(image.DitherErrorLimitTable(200), 163);
    EXPECT_EQ(image.DitherErrorLimitTable(255), 255);
}

TEST(PixelGraphic, DitheringKeepsTheMeanLevel)
{
    TPixelGraphic source;
    fill24(source, 64, 64, [](int, int) { return MakeRGB(128, 128, 128); });
    TPixelGraphic target;
    target.SetFormat(64, 64, pg1Bit);
    target.SetPaletteIdent(pBlackWhite);
    target.CopyFrom(source);
    int white = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            white += int(target.GetPixel(x, y));
    EXPECT_NEAR(white, 64 * 64 / 2, 64 * 64 / 20);

    target.Dither = false;
    target.CopyFrom(source);
    white = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            white += int(target.GetPixel(x, y));
    EXPECT_TRUE(white == 0 || white == 64 * 64);
}

TEST(PixelGraphic, CopyFromShrinksByPickingOrAveraging)
{
    TPixelGraphic source;
    fill24(source, 100, 50, [](int x, int y) { return MakeRGB(x, 2 * y, 0); });
    TPixelGraphic target;
    target.SetFormat(40, 20, pg24Bit);

    target.StretchMode = smFast;
    target.CopyFrom(source);
    for (int k : {0, 1, 3, 39})
        EXPECT_EQ(RedOf(target.GetPixel(k, 0)), 100 * k / 40);
    EXPECT_EQ(GreenOf(target.GetPixel(0, 19)), 2 * (50 * 19 / 20));

    // Each target pixel covers 2.5 source pixels: [2.5k, 2.5k + 2.5).
    target.StretchMode = smPrecise;
    target.CopyFrom(source);
    struct Case {
        int k, red;
    };
    for (const Case c : {Case{0, 0}, Case{1, 3}, Case{2, 5}, Case{3, 8}, Case{39, 98}})
        EXPECT_EQ(RedOf(target.GetPixel(c.k, 7)), c.red) << c.k;
    // Rows average the same way (values 2y): row 1 covers rows 2.5..5 -> 2 * 3.2.
    EXPECT_EQ(GreenOf(target.GetPixel(0, 1)), 6);
}

TEST(PixelGraphic, StretchCopyEnlargesByInterpolation)
{
    TPixelGraphic source;
    fill24(source, 2, 1, [](int x, int) { return MakeRGB(80 * x, 0, 0); });
    TPixelGraphic target;
    target.SetFormat(4, 1, pg24Bit);
    target.StretchMode = smPrecise;
    target.CopyFrom(source);
    std::vector<int> reds;
    for (int x = 0; x < 4; ++x)
        reds.push_back(RedOf(target.GetPixel(x, 0)));
    EXPECT_EQ(reds, (std::vector<int>{0, 20, 60, 80}));

    target.StretchMode = smMedium; // enlarging by area: each target pixel inside one source pixel
    target.CopyFrom(source);
    reds.clear();
    for (int x = 0; x < 4; ++x)
        reds.push_back(RedOf(target.GetPixel(x, 0)));
    EXPECT_EQ(reds, (std::vector<int>{0, 0, 80, 80}));
}

TEST(PixelGraphic, MediumShrinkInterpolatesBetweenNeighbours)
{
    // 4 -> 2: sample centres fall at source 0.5 and 2.5, halfway between two pixels.
    TPixelGraphic source;
    fill24(source, 4, 1, [](int x, int) { return MakeRGB(40 * x, 0, 0); });
    TPixelGraphic target;
    target.SetFormat(2, 1, pg24Bit);
    target.StretchMode = smMedium;
    target.CopyFrom(source);
    EXPECT_EQ(RedOf(target.GetPixel(0, 0)), 20);
    EXPECT_EQ(RedOf(target.GetPixel(1, 0)), 100);
}

TEST(PixelGraphic, EqualSizeCopyIsClippedToBothImages)
{
    TPixelGraphic source;
    fill24(source, 4, 4, [](int x, int y) { return MakeRGB(x, y, 1); });
    TPixelGraphic target;
    target.SetFormat(4, 4, pg24Bit);
    target.StretchCopy(2, 2, 4, 4, source, 0, 0, 4, 4);
    EXPECT_EQ(target.GetPixel(1, 1), 0u);
    EXPECT_EQ(target.GetPixel(2, 2), MakeRGB(0, 0, 1));
    EXPECT_EQ(target.GetPixel(3, 3), MakeRGB(1, 1, 1));

    TPixelGraphic gray;
    gray.SetFormat(4, 4, pg8Bit);
    gray.SetPaletteIdent(pGray256);
    gray.Dither = false;
    TPixelGraphic flat;
    fill24(flat, 4, 4, [](int, int) { return MakeRGB(90, 90, 90); });
    gray.CopyFrom(flat);
    EXPECT_EQ(gray.GetPixel(3, 3), 90u);
}

TEST(PixelGraphic, AssignCopiesEverything)
{
    TPixelGraphic source;
    source.SetFormat(3, 2, pg4Bit);
    source.SetPaletteIdent(pGray16);
    source.SetPixel(2, 1, 7);
    source.Dither = false;
    source.StretchMode = smMedium;
    source.FileGamma = 2.2L;
    source.RangeCheck = true;
    source.SetTransparent(true);
    TPixelGraphic copy;
    int changes = 0;
    copy.OnChange = [&](TPixelGraphic *) { ++changes; };
    copy.Assign(&source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.PixelFormat(), pg4Bit);
    EXPECT_EQ(copy.GetPixel(2, 1), 7u);
    EXPECT_EQ(copy.PaletteIdent(), pGray16);
    EXPECT_FALSE(copy.Dither);
    EXPECT_EQ(copy.StretchMode, smMedium);
    EXPECT_EQ(copy.FileGamma, 2.2L);
    EXPECT_TRUE(copy.RangeCheck);
    EXPECT_TRUE(copy.GetTransparent());

    copy.Assign(nullptr);
    EXPECT_EQ(copy.Width(), 0);
    EXPECT_EQ(copy.PixelFormat(), pg24Bit);
}

TEST(PixelGraphic, ColourFilterOnPaletteImageChangesOnlyThePalette)
{
    TPixelGraphic image;
    image.SetFormat(2, 2, pg8Bit);
    image.SetPaletteIdent(pGray256);
    image.SetPixel(0, 0, 10);
    TRGBFilter invert;
    for (auto &table : invert.Tables)
        for (int i = 0; i < 256; ++i)
            table[size_t(i)] = uint8_t(255 - i);
    int rows = 0;
    image.OnProgress = [&](TPixelGraphic *, int, bool &, int) { ++rows; };
    image.ApplyFilter(invert, image);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(image.GetPixel(0, 0), 10u);
    EXPECT_EQ(image.PaletteEntries(10), MakeRGB(245, 245, 245));
    EXPECT_EQ(image.GetPixelColor(0, 0), MakeRGB(245, 245, 245));
}

TEST(PixelGraphic, ColourFilterOnTrueColourRewritesRowsWithProgress)
{
    TPixelGraphic image;
    fill24(image, 3, 4, [](int x, int y) { return MakeRGB(x, y, 0); });
    TRGBFilter brighter;
    SetupOffsetTable(brighter.Tables[0], 10);
    std::vector<std::pair<int, int>> calls;
    int starts = 0, ends = 0;
    image.OnProgressStart = [&](TPixelGraphic *) { ++starts; };
    image.OnProgressEnd = [&](TPixelGraphic *) { ++ends; };
    image.OnProgress = [&](TPixelGraphic *, int current, bool &, int max) { calls.emplace_back(current, max); };
    image.ApplyFilter(brighter, image);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(image.GetPixel(2, 3), MakeRGB(2 + 25, 3, 0));
}

TEST(PixelGraphic, AbortAfterFirstRowLeavesTheRestUnfiltered)
{
    TPixelGraphic image;
    fill24(image, 3, 3, [](int, int) { return MakeRGB(1, 1, 1); });
    TRGBFilter filter;
    SetupOffsetTable(filter.Tables[0], 50);
    int ends = 0, changes = 0;
    image.OnProgress = [](TPixelGraphic *, int current, bool &abort, int) { abort = current == 0; };
    image.OnProgressEnd = [&](TPixelGraphic *) { ++ends; };
    image.OnChange = [&](TPixelGraphic *) { ++changes; };
    image.ApplyFilter(filter, image);
    EXPECT_EQ(RedOf(image.GetPixel(1, 0)), 128);
    EXPECT_EQ(RedOf(image.GetPixel(1, 1)), 1);
    EXPECT_EQ(RedOf(image.GetPixel(1, 2)), 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(changes, 1);
}

TEST(PixelGraphic, ConvolutionNeedsASecondImage)
{
    ScopedLanguage french(pglFrench);
    TPixelGraphic image;
    image.SetFormat(4, 4, pg8Bit);
    image.SetPaletteIdent(pGray256);
    TConvFilter blur;
    blur.BuildKernel(dsGaussian, true, 0.75L);
    EXPECT_EQ(messageOf<EPGFilter>([&] { image.ApplyFilter(blur, image); }),
              "Il est impossible d'appliquer ce filtre car la source est confondue avec la cible.");

    TPixelGraphic result; // a new image is 24-bit, and keeps its format
    image.SetPixel(1, 1, 200);
    result.ApplyFilter(blur, image);
    EXPECT_EQ(result.PixelFormat(), pg24Bit);
    EXPECT_EQ(result.Width(), 4);
    EXPECT_GT(RedOf(result.GetPixel(1, 1)), 0);
}

TEST(PixelGraphic, DrawPaintsEveryFormat)
{
    for (TPGPixelFormat format : {pg1Bit, pg4Bit, pg8Bit, pg24Bit}) {
        TPixelGraphic image;
        image.SetFormat(2, 2, format);
        if (format != pg24Bit)
            image.SetPaletteIdent(format == pg1Bit ? pBlackWhite : format == pg4Bit ? pSys16 : pGray256);
        image.SetPixelColor(1, 0, MakeRGB(255, 255, 255));
        QImage canvas(4, 4, QImage::Format_RGB32);
        canvas.fill(Qt::red);
        {
            QPainter painter(&canvas);
            image.Draw(painter, QRect(0, 0, 4, 4));
        }
        EXPECT_EQ(canvas.pixel(3, 0), qRgb(255, 255, 255)) << int(format);
        EXPECT_EQ(canvas.pixel(0, 3), qRgb(0, 0, 0)) << int(format);
    }
}

TEST(PixelGraphic, ColourDitheringKeepsTheMeanColour)
{
    TPixelGraphic source;
    fill24(source, 32, 32, [](int, int) { return MakeRGB(100, 50, 200); });
    TPixelGraphic target;
    target.SetFormat(32, 32, pg8Bit);
    target.SetPaletteIdent(pSpecial125);
    target.CopyFrom(source);
    long sums[3] = {0, 0, 0};
    std::set<uint32_t> used;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const TRGB c = target.GetPixelColor(x, y);
            sums[0] += RedOf(c);
            sums[1] += GreenOf(c);
            sums[2] += BlueOf(c);
            used.insert(target.GetPixel(x, y));
        }
    EXPECT_NEAR(sums[0] / 1024.0, 100, 6);
    EXPECT_NEAR(sums[1] / 1024.0, 50, 6);
    EXPECT_NEAR(sums[2] / 1024.0, 200, 6);
    EXPECT_GT(used.size(), 1u); // no palette entry is that colour: it takes a mix
}

TEST(PixelGraphic, FormatChangesShrinkThePalette)
{
    TPixelGraphic image;
    image.SetFormat(3, 3, pg8Bit);
    image.SetPaletteIdent(pGray256);
    image.SetPixelFormat(pg4Bit);
    EXPECT_EQ(image.PaletteCount(), 16);
    EXPECT_EQ(image.PaletteIdent(), pUnknown);
    EXPECT_EQ(image.PaletteEntries(15), MakeRGB(15, 15, 15));
    image.SetPixelFormat(pg24Bit);
    EXPECT_EQ(image.PaletteCount(), 0);
    EXPECT_EQ(image.PaletteIdent(), pTrueColor);
    image.SetPaletteIdent(pSource); // a request only: nothing changes
    EXPECT_EQ(image.PaletteIdent(), pTrueColor);
}

TEST(PixelGraphic, ColourFilterIntoAnotherImageKeepsTheTargetFormat)
{
    TPixelGraphic source;
    source.SetFormat(4, 2, pg4Bit);
    source.SetPaletteIdent(pGray16);
    source.SetPixel(1, 1, 15);
    TRGBFilter invert;
    for (auto &table : invert.Tables)
        for (int i = 0; i < 256; ++i)
            table[size_t(i)] = uint8_t(255 - i);

    // A wider target copies the source and filters its palette.
    TPixelGraphic wide;
    wide.SetFormat(1, 1, pg8Bit);
    wide.ApplyFilter(invert, source);
    EXPECT_EQ(wide.PixelFormat(), pg4Bit);
    EXPECT_EQ(wide.GetPixel(1, 1), 15u);
    EXPECT_EQ(wide.GetPixelColor(1, 1), MakeRGB(0, 0, 0));

    // A narrower target filters every pixel into its own palette.
    TPixelGraphic narrow;
    narrow.SetFormat(1, 1, pg1Bit);
    narrow.SetPaletteIdent(pBlackWhite);
    narrow.Dither = false;
    narrow.ApplyFilter(invert, source);
    EXPECT_EQ(narrow.PixelFormat(), pg1Bit);
    EXPECT_EQ(narrow.Width(), 4);
    EXPECT_EQ(narrow.GetPixel(1, 1), 0u);
    EXPECT_EQ(narrow.GetPixel(0, 0), 1u);
}

TEST(PixelGraphic, FilterErrorsReachTheCallerAndEndTheRun)
{
    TPixelGraphic source;
    source.SetFormat(300, 200, pg8Bit);
    source.SetPaletteCount(2);
    source.SetPixel(250, 150, 5); // no such palette entry
    TRGBFilter filter;
    TPixelGraphic target;
    int starts = 0, ends = 0;
    target.OnProgressStart = [&](TPixelGraphic *) { ++starts; };
    target.OnProgressEnd = [&](TPixelGraphic *) { ++ends; };
    EXPECT_THROW(target.ApplyFilter(filter, source), EPGInvalidPaletteIndex);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 0);
    // The filter was released: the same filter runs again on a sound source.
    source.SetPixel(250, 150, 1);
    source.SetPaletteEntry(1, MakeRGB(9, 8, 7));
    target.ApplyFilter(filter, source);
    EXPECT_EQ(target.GetPixel(250, 150), MakeRGB(9, 8, 7));
}
