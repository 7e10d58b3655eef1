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
