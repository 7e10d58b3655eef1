#include "PixelTestSupport.h"

#include "PGColorFilters.h"

#include <memory>

namespace {

std::vector<std::unique_ptr<TPGFilter>> identityFilters()
{
    std::vector<std::unique_ptr<TPGFilter>> filters;
    filters.push_back(std::make_unique<TRGBFilter>());
    filters.push_back(std::make_unique<TCMYFilter>());
    filters.push_back(std::make_unique<TYCbCrFilter>());
    filters.push_back(std::make_unique<THLSFilter>());
    filters.push_back(std::make_unique<THSVFilter>());
    auto bcg = std::make_unique<TBCGFilter>();
    bcg->Brightness = 0;
    filters.push_back(std::move(bcg));
    auto bcgY = std::make_unique<TBCGFilter>();
    bcgY->Brightness = 0;
    bcgY->UseY = true;
    filters.push_back(std::move(bcgY));
    return filters;
}

TRGB filtered(TPGFilter &filter, TRGB colour)
{
    TPixelGraphic image;
    filter.Init(&image);
    const TRGB result = filter.FilterColor(colour);
    filter.Done();
    return result;
}

} // namespace

TEST(ColourFilters, NeutralValuesLeaveColoursUnchanged)
{
    for (auto &filter : identityFilters()) {
        EXPECT_TRUE(filter->IsColorFilter());
        for (TRGB colour : {MakeRGB(10, 200, 30), MakeRGB(0, 0, 0), MakeRGB(255, 255, 255), MakeRGB(128, 64, 32)})
            EXPECT_EQ(filtered(*filter, colour), colour) << typeid(*filter).name();
    }
}

TEST(ColourFilters, HueShiftOfPureRed)
{
    THSVFilter hsv;
    SetupHueTable(hsv.Tables[0], 120);
    EXPECT_EQ(hsv.Tables[0][0], 85);
    EXPECT_EQ(filtered(hsv, MakeRGB(255, 0, 0)), MakeRGB(2, 255, 0)); // 85 steps = 119.53 degrees

    THLSFilter hls;
    SetupHueTable(hls.Tables[0], -180);
    EXPECT_EQ(hls.Tables[0][0], 128);
    EXPECT_EQ(filtered(hls, MakeRGB(255, 0, 0)), MakeRGB(0, 255, 255));
}

TEST(ColourFilters, GreyHasNoHueToShift)
{
    THSVFilter hsv;
    THLSFilter hls;
    for (TXXXFilter *filter : {static_cast<TXXXFilter *>(&hsv), static_cast<TXXXFilter *>(&hls)}) {
        SetupHueTable(filter->Tables[0], 90);
        SetupOffsetTable(filter->Tables[1], 0);
        SetupOffsetTable(filter->Tables[2], 0);
        EXPECT_EQ(filtered(*filter, MakeRGB(90, 90, 90)), MakeRGB(90, 90, 90));
    }
    // Saturation cannot colour a grey either; only lightness or value moves it.
    SetupOffsetTable(hsv.Tables[1], 100);
    SetupOffsetTable(hsv.Tables[2], 10);
    EXPECT_EQ(filtered(hsv, MakeRGB(90, 90, 90)), MakeRGB(115, 115, 115));
    SetupOffsetTable(hls.Tables[2], 100);
    SetupOffsetTable(hls.Tables[1], -10);
    EXPECT_EQ(filtered(hls, MakeRGB(90, 90, 90)), MakeRGB(65, 65, 65));
}

TEST(ColourFilters, ZeroSaturationWithAHueIsRefused)
{
    ScopedLanguage french(pglFrench);
    long double r, g, b;
    EXPECT_EQ(messageOf<EPGSaturationHue>([&] { HSVToRGB({30, 0, 0.5L}, r, g, b); }),
              "Saturation nulle alors que la teinte a été définie");
    EXPECT_THROW(HLSToRGB({30, 0.5L, 0}, r, g, b), EPGSaturationHue);
    HSVToRGB({UndefinedHue, 0, 0.5L}, r, g, b);
    EXPECT_EQ(r, 0.5L);
}

TEST(ColourFilters, TablesFromDialogValues)
{
    std::array<uint8_t, 256> table{};
    SetupOffsetTable(table, -50);
    EXPECT_EQ(table[200], 73); // offset -127
    EXPECT_EQ(table[100], 0);
    SetupOffsetTable(table, 100);
    EXPECT_EQ(table[0], 255);

    TRGBFilter rgb;
    SetupOffsetTable(rgb.Tables[0], -100);
    EXPECT_EQ(filtered(rgb, MakeRGB(255, 40, 50)), MakeRGB(0, 40, 50));

    TCMYFilter cmy; // more cyan is less red
    SetupOffsetTable(cmy.Tables[0], 20);
    EXPECT_EQ(filtered(cmy, MakeRGB(200, 40, 50)), MakeRGB(149, 40, 50));

    EXPECT_NEAR(double(SliderFactor(100)), 5.0, 1e-12);
    EXPECT_NEAR(double(SliderFactor(-100)), 0.2, 1e-12);
}

TEST(ColourFilters, BrightnessContrastGammaCurve)
{
    TBCGFilter bcg;
    bcg.Brightness = 0;
    bcg.Contrast = 5;
    bcg.Init(nullptr);
    EXPECT_EQ(bcg.Table[102], 0);
    EXPECT_EQ(bcg.Table[101], 0);
    EXPECT_GT(bcg.Table[103], 0);
    EXPECT_EQ(bcg.Table[153], 255);
    EXPECT_LT(bcg.Table[152], 255);

    bcg.Contrast = 1;
    bcg.Gamma = SliderFactor(-100);
    bcg.Init(nullptr);
    EXPECT_EQ(bcg.Table[0], 0);
    EXPECT_EQ(bcg.Table[255], 255);
    EXPECT_GT(bcg.Table[64], 150); // (64/255)^0.2 * 255 = 193

    bcg.Gamma = 1;
    bcg.Brightness = 10;
    bcg.Init(nullptr);
    EXPECT_EQ(bcg.Table[0], 26); // 25.5 rounds to even
    EXPECT_EQ(bcg.Table[250], 255);
}

TEST(ColourFilters, LuminanceCurveKeepsHue)
{
    TBCGFilter bcg;
    bcg.Brightness = 0;
    bcg.UseY = true;
    bcg.Init(nullptr);
    EXPECT_EQ(bcg.FilterColor(MakeRGB(0, 0, 255)), MakeRGB(0, 0, 255));
    bcg.Brightness = 20;
    bcg.Init(nullptr);
    const TRGB lighter = bcg.FilterColor(MakeRGB(100, 50, 50));
    EXPECT_GT(RedOf(lighter), 100);
    EXPECT_EQ(RedOf(lighter) - GreenOf(lighter), 50);
}

TEST(ColourFilters, ExtremeChromaStaysInTheTables)
{
    TYCbCrFilter ycc;
    for (TRGB colour : {MakeRGB(255, 255, 0), MakeRGB(0, 0, 255), MakeRGB(255, 0, 0), MakeRGB(0, 255, 255)})
        EXPECT_EQ(filtered(ycc, colour), colour);
}

namespace {

// Filters with every table moved, so that no step is the identity.
std::vector<std::unique_ptr<TPGFilter>> realNumberFilters()
{
    std::vector<std::unique_ptr<TPGFilter>> filters;
    auto tables = [](TXXXFilter &filter, int first, int second, int third, bool hue) {
        if (hue)
            SetupHueTable(filter.Tables[0], first);
        else
            SetupOffsetTable(filter.Tables[0], first);
        SetupOffsetTable(filter.Tables[1], second);
        SetupOffsetTable(filter.Tables[2], third);
    };
    auto ycc = std::make_unique<TYCbCrFilter>();
    tables(*ycc, 10, -20, 15, false);
    auto hls = std::make_unique<THLSFilter>();
    tables(*hls, -75, 12, 30, true);
    auto hsv = std::make_unique<THSVFilter>();
    tables(*hsv, 30, 20, 10, true);
    auto bcg = std::make_unique<TBCGFilter>();
    bcg->Brightness = 5;
    bcg->Contrast = SliderFactor(30);
    bcg->Gamma = SliderFactor(-20);
    bcg->UseY = true;
    filters.push_back(std::move(ycc));
    filters.push_back(std::move(hls));
    filters.push_back(std::move(hsv));
    filters.push_back(std::move(bcg));
    return filters;
}

// A source large enough for the filters to remember every colour they compute.
const TPixelGraphic &megapixel()
{
    static const TPixelGraphic *image = [] {
        auto *result = new TPixelGraphic;
        result->SetFormat(1024, 1024, pg24Bit);
        return result;
    }();
    return *image;
}

} // namespace

// On a large source every colour is computed once and then remembered; the
// remembered results are those the colour's own computation gives.
TEST(ColourFilters, RememberedColoursMatchTheirComputation)
{
    auto plain = realNumberFilters();
    auto remembering = realNumberFilters();
    for (size_t f = 0; f < plain.size(); ++f) {
        TPGFilter &filter = *remembering[f];
        filter.Init(&megapixel());
        TBCGFilter *bcg = dynamic_cast<TBCGFilter *>(plain[f].get());
        if (bcg)
            bcg->Init(nullptr); // builds the tone curve; too small a source to remember anything
        int wrong = 0;
        for (int pass = 0; pass < 2; ++pass) // the second pass reads what the first remembered
            for (int r = 0; r < 256; r += 8)
                for (int g = 3; g < 256; g += 9)
                    for (int b = 1; b < 256; b += 11)
                        wrong += filter.FilterColor(MakeRGB(r, g, b)) != plain[f]->FilterColor(MakeRGB(r, g, b));
        filter.Done();
        EXPECT_EQ(wrong, 0) << typeid(filter).name();
    }
}

// What a run remembered is forgotten at Done: new tables give new colours.
TEST(ColourFilters, TablesChangedBetweenRunsTakeEffect)
{
    THSVFilter hsv;
    SetupHueTable(hsv.Tables[0], 120);
    hsv.Init(&megapixel());
    EXPECT_EQ(hsv.FilterColor(MakeRGB(255, 0, 0)), MakeRGB(2, 255, 0));
    hsv.Done();
    SetupHueTable(hsv.Tables[0], -120);
    hsv.Init(&megapixel());
    EXPECT_EQ(hsv.FilterColor(MakeRGB(255, 0, 0)), MakeRGB(2, 0, 255));
    hsv.Done();

    TBCGFilter bcg; // the luminance curve remembers, the per-channel curve is a lookup
    bcg.Brightness = 0;
    bcg.Contrast = 2;
    bcg.UseY = true;
    bcg.Init(&megapixel());
    const TRGB onLuminance = bcg.FilterColor(MakeRGB(100, 50, 50));
    bcg.Done();
    bcg.UseY = false;
    bcg.Init(&megapixel());
    EXPECT_EQ(bcg.FilterColor(MakeRGB(100, 50, 50)), MakeRGB(bcg.Table[100], bcg.Table[50], bcg.Table[50]));
    EXPECT_NE(bcg.FilterColor(MakeRGB(100, 50, 50)), onLuminance);
    bcg.Done();
}

// A whole page filtered in place on several threads equals the colour-by-colour computation.
TEST(ColourFilters, FilteredPageMatchesEachColour)
{
    const auto colourAt = [](int x, int y) {
        const uint32_t n = uint32_t(x / 4) * 2654435761u ^ uint32_t(y / 3) * 40503u;
        return MakeRGB(int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF));
    };
    TPixelGraphic page;
    fill24(page, 1024, 1100, colourAt);
    THSVFilter filter, plain;
    for (THSVFilter *hsv : {&filter, &plain}) {
        SetupHueTable(hsv->Tables[0], -45);
        SetupOffsetTable(hsv->Tables[1], 25);
        SetupOffsetTable(hsv->Tables[2], -10);
    }
    page.ApplyFilter(filter, page);
    int wrong = 0;
    for (int y = 0; y < page.Height(); y += 3)
        for (int x = 0; x < page.Width(); x += 4)
            wrong += page.GetPixel(x, y) != plain.FilterColor(colourAt(x, y));
    EXPECT_EQ(wrong, 0);
}
