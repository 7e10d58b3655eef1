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

// However a run on a large source goes about it, its colours are those the
// colour's own computation gives.
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

namespace {

using Extended = long double;
using Table = std::array<uint8_t, 256>;

// The filters' definitions written out in extended precision, for the
// colours the filters compute in double where that is certain.
Extended lookup(const Table &t, Extended v)
{
    v = std::clamp<Extended>(v, 0, 255);
    const int p = int(v);
    return p > 254 ? t[size_t(p)] : (1 - (v - p)) * t[size_t(p)] + (v - p) * t[size_t(p) + 1];
}

Extended mapHue(const Table &t, Extended hue)
{
    Extended h = (hue + 180) * 256 / 360;
    if (h >= 256)
        h -= 256;
    const int p = int(h);
    const Extended f = h - p, a = t[size_t(p)];
    Extended b = t[p == 255 ? 0 : size_t(p) + 1];
    if (a - b >= 129)
        b += 256;
    if (b - a > 128)
        b -= 256;
    Extended result = ((1 - f) * a + f * b) * 360 / 256 - 180;
    while (result >= 360)
        result -= 360;
    while (result < 0)
        result += 360;
    return result;
}

int byteOf(Extended c)
{
    return int(std::clamp<long long>(std::llrintl(255 * c), 0, 255));
}

TRGB colourOf(Extended r, Extended g, Extended b)
{
    return MakeRGB(byteOf(r), byteOf(g), byteOf(b));
}

TRGB fromYCbCr(Extended y, Extended cb, Extended cr)
{
    return colourOf(y + 1.403L * cr, y - 0.344L * cb - 0.714L * cr, y + 1.773L * cb);
}

TRGB extendedYCbCr(const std::array<Table, 3> &t, Extended r, Extended g, Extended b)
{
    const Extended y = 0.299L * r + 0.587L * g + 0.114L * b, cb = -0.169L * r - 0.331L * g + 0.5L * b,
                   cr = 0.5L * r - 0.419L * g - 0.081L * b;
    return fromYCbCr(lookup(t[0], 255 * y) / 255, lookup(t[1], 255 * (cb + 0.5L)) / 255 - 0.5L,
                     lookup(t[2], 255 * (cr + 0.5L)) / 255 - 0.5L);
}

TRGB extendedLuminance(const Table &t, Extended r, Extended g, Extended b)
{
    const Extended y = 0.299L * r + 0.587L * g + 0.114L * b, cb = -0.169L * r - 0.331L * g + 0.5L * b,
                   cr = 0.5L * r - 0.419L * g - 0.081L * b;
    return fromYCbCr(lookup(t, 255 * y) / 255, cb, cr);
}

TRGB extendedHsv(const std::array<Table, 3> &t, Extended r, Extended g, Extended b)
{
    THSV c = RGBToHSV(r, g, b);
    if (c.H != UndefinedHue)
        c.H = mapHue(t[0], c.H);
    c.S = lookup(t[1], 255 * c.S) / 255;
    if (c.S == 0 || c.H == UndefinedHue)
        c = {UndefinedHue, 0, c.V};
    c.V = lookup(t[2], 255 * c.V) / 255;
    HSVToRGB(c, r, g, b);
    return colourOf(r, g, b);
}

TRGB extendedHls(const std::array<Table, 3> &t, Extended r, Extended g, Extended b)
{
    THLS c = RGBToHLS(r, g, b);
    if (c.H != UndefinedHue)
        c.H = mapHue(t[0], c.H);
    c.L = lookup(t[1], 255 * c.L) / 255;
    c.S = lookup(t[2], 255 * c.S) / 255;
    if (c.S == 0 || c.H == UndefinedHue)
        c = {UndefinedHue, c.L, 0};
    HLSToRGB(c, r, g, b);
    return colourOf(r, g, b);
}

} // namespace

// The filters that convert colours compute in double where the extended
// result cannot differ, in extended precision elsewhere: the colours are
// always the extended computation's.
TEST(ColourFilters, QuickArithmeticGivesTheExtendedColours)
{
    for (const auto &values : {std::array<int, 3>{30, 20, 10}, {-75, 12, 30}, {120, -50, 100}, {-180, 100, -33}}) {
        TYCbCrFilter ycc;
        THLSFilter hls;
        THSVFilter hsv;
        SetupOffsetTable(ycc.Tables[0], values[0] / 2);
        for (TXXXFilter *filter : {static_cast<TXXXFilter *>(&hls), static_cast<TXXXFilter *>(&hsv)})
            SetupHueTable(filter->Tables[0], values[0]);
        for (TXXXFilter *filter : {static_cast<TXXXFilter *>(&ycc), static_cast<TXXXFilter *>(&hls),
                                   static_cast<TXXXFilter *>(&hsv)}) {
            SetupOffsetTable(filter->Tables[1], values[1]);
            SetupOffsetTable(filter->Tables[2], values[2]);
        }
        TBCGFilter bcg;
        bcg.Brightness = values[1];
        bcg.Contrast = SliderFactor(values[2]);
        bcg.Gamma = SliderFactor(values[0] / 2);
        bcg.UseY = true;
        bcg.Init(nullptr);
        int wrong = 0;
        for (int red = 0; red < 256; red += 5)
            for (int green = 1; green < 256; green += 5)
                for (int blue = 2; blue < 256; blue += 5) {
                    const TRGB colour = MakeRGB(red, green, blue);
                    const Extended r = red / 255.0L, g = green / 255.0L, b = blue / 255.0L;
                    wrong += ycc.FilterColor(colour) != extendedYCbCr(ycc.Tables, r, g, b);
                    wrong += hls.FilterColor(colour) != extendedHls(hls.Tables, r, g, b);
                    wrong += hsv.FilterColor(colour) != extendedHsv(hsv.Tables, r, g, b);
                    wrong += bcg.FilterColor(colour) != extendedLuminance(bcg.Table, r, g, b);
                }
        EXPECT_EQ(wrong, 0) << values[0] << " " << values[1] << " " << values[2];
    }
}
