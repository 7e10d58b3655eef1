// The colour filters.  All real arithmetic is in long double (80-bit extended).
#include "PGColorFilters.h"

#include "PGNumeric.h"

#include <algorithm>
#include <cmath>

namespace {

using Real = long double;

// c / 255 for every byte, computed once (the same values the division gives).
Real unit(int channel)
{
    static const std::array<Real, 256> table = [] {
        std::array<Real, 256> result{};
        for (int c = 0; c < 256; ++c)
            result[size_t(c)] = c / 255.0L;
        return result;
    }();
    return table[size_t(channel)];
}

int toByte(Real channel)
{
    return pgRoundByte(255 * channel);
}

// Interpolated lookup L(T, v); positions are kept inside the table.
Real lookup(const std::array<uint8_t, 256> &table, Real v)
{
    v = std::clamp<Real>(v, 0, 255);
    const int p = int(v); // v is not negative: truncation is floor
    if (p > 254)
        return table[size_t(p)];
    const Real f = v - p;
    return (1 - f) * table[size_t(p)] + f * table[size_t(p) + 1];
}

struct YCbCr {
    Real Y, Cb, Cr;
};

YCbCr toYCbCr(TRGB color)
{
    const Real r = unit(RedOf(color)), g = unit(GreenOf(color)), b = unit(BlueOf(color));
    return {0.299L * r + 0.587L * g + 0.114L * b, -0.169L * r - 0.331L * g + 0.5L * b,
            0.5L * r - 0.419L * g - 0.081L * b};
}

TRGB fromYCbCr(const YCbCr &c)
{
    return MakeRGB(toByte(c.Y + 1.403L * c.Cr), toByte(c.Y - 0.344L * c.Cb - 0.714L * c.Cr),
                   toByte(c.Y + 1.773L * c.Cb));
}

bool hueDefined(Real h) { return h != UndefinedHue; }

// Maps a hue through the circular hue table; position 128 is 0 degrees.
Real mapHue(const std::array<uint8_t, 256> &table, Real hue)
{
    Real h = (hue + 180) * 256 / 360;
    if (h >= 256)
        h -= 256;
    const int p = std::clamp(int(h), 0, 255); // h is not negative: truncation is floor
    const Real f = h - p;
    const Real a = table[size_t(p)];
    Real b = table[p == 255 ? 0 : size_t(p) + 1];
    if (a - b >= 129)
        b += 256;
    if (b - a > 128)
        b -= 256;
    Real result = ((1 - f) * a + f * b) * 360 / 256 - 180;
    while (result >= 360)
        result -= 360;
    while (result < 0)
        result += 360;
    return result;
}

// Hue of an RGB colour with its maximum and spread, in degrees.
Real hueOf(Real r, Real g, Real b, Real max, Real delta)
{
    Real h;
    if (r == max)
        h = (g - b) / delta;
    else if (g == max)
        h = 2 + (b - r) / delta;
    else
        h = 4 + (r - g) / delta;
    h *= 60;
    return h < 0 ? h + 360 : h;
}

} // namespace

TRGB TPGFilter::GetFilteredPixel(int, int)
{
    return 0;
}

void ColourMemo::Open(const TPixelGraphic *Source)
{
    // Below about a megapixel, touching the table's pages costs about what it saves.
    constexpr int64_t smallestSource = int64_t(1) << 20;
    constexpr size_t colours = size_t(1) << 24;
    Close();
    // calloc hands out untouched zero pages: only the colours met cost memory.
    // Without the memory the filter simply computes every colour.
    if (Source && int64_t(Source->Width()) * Source->Height() >= smallestSource)
        slots_.reset(static_cast<uint32_t *>(std::calloc(colours, sizeof(uint32_t))));
}

THSV RGBToHSV(Real R, Real G, Real B)
{
    const Real max = std::max({R, G, B}), min = std::min({R, G, B});
    const Real s = max == 0 ? 0 : (max - min) / max;
    return {s == 0 ? UndefinedHue : hueOf(R, G, B, max, max - min), s, max};
}

void HSVToRGB(const THSV &Colour, Real &R, Real &G, Real &B)
{
    const Real v = Colour.V, s = Colour.S;
    if (s == 0) {
        if (hueDefined(Colour.H))
            throw EPGSaturationHue(Text(msgSaturationHue));
        R = G = B = v;
        return;
    }
    Real h = Colour.H;
    while (h >= 360)
        h -= 360;
    h = std::max<Real>(h, 0) / 60;
    const int i = std::clamp(int(h), 0, 5);
    const Real f = h - i;
    const Real p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    const Real table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    R = table[i][0];
    G = table[i][1];
    B = table[i][2];
}

THLS RGBToHLS(Real R, Real G, Real B)
{
    const Real max = std::max({R, G, B}), min = std::min({R, G, B});
    const Real l = (max + min) / 2;
    if (max == min)
        return {UndefinedHue, l, 0};
    const Real delta = max - min;
    const Real s = l <= 0.5L ? delta / (max + min) : delta / (2 - max - min);
    return {hueOf(R, G, B, max, delta), l, s};
}

void HLSToRGB(const THLS &Colour, Real &R, Real &G, Real &B)
{
    const Real l = Colour.L, s = Colour.S;
    if (s == 0) {
        if (hueDefined(Colour.H))
            throw EPGSaturationHue(Text(msgSaturationHue));
        R = G = B = l;
        return;
    }
    const Real m2 = l <= 0.5L ? l * (1 + s) : l + s - l * s;
    const Real m1 = 2 * l - m2;
    const auto value = [m1, m2](Real h) {
        if (h < 0)
            h += 360;
        else if (h > 360)
            h -= 360;
        if (h < 60)
            return m1 + (m2 - m1) * h / 60;
        if (h < 180)
            return m2;
        if (h < 240)
            return m1 + (m2 - m1) * (240 - h) / 60;
        return m1;
    };
    R = value(Colour.H + 120);
    G = value(Colour.H);
    B = value(Colour.H - 120);
}

TXXXFilter::TXXXFilter()
{
    for (auto &table : Tables)
        for (int i = 0; i < 256; ++i)
            table[size_t(i)] = uint8_t(i);
}

TRGB TRGBFilter::FilterColor(TRGB Color)
{
    return MakeRGB(Tables[0][size_t(RedOf(Color))], Tables[1][size_t(GreenOf(Color))], Tables[2][size_t(BlueOf(Color))]);
}

TRGB TCMYFilter::FilterColor(TRGB Color)
{
    return MakeRGB(255 - Tables[0][size_t(255 - RedOf(Color))], 255 - Tables[1][size_t(255 - GreenOf(Color))],
                   255 - Tables[2][size_t(255 - BlueOf(Color))]);
}

TRGB TYCbCrFilter::FilterOne(TRGB Color)
{
    const YCbCr c = toYCbCr(Color);
    return fromYCbCr({lookup(Tables[0], 255 * c.Y) / 255, lookup(Tables[1], 255 * (c.Cb + 0.5L)) / 255 - 0.5L,
                      lookup(Tables[2], 255 * (c.Cr + 0.5L)) / 255 - 0.5L});
}

TRGB THLSFilter::FilterOne(TRGB Color)
{
    THLS c = RGBToHLS(unit(RedOf(Color)), unit(GreenOf(Color)), unit(BlueOf(Color)));
    if (hueDefined(c.H))
        c.H = mapHue(Tables[0], c.H);
    c.L = lookup(Tables[1], 255 * c.L) / 255;
    c.S = lookup(Tables[2], 255 * c.S) / 255;
    if (c.S == 0 || !hueDefined(c.H)) {
        c.S = 0;
        c.H = UndefinedHue;
    }
    Real r, g, b;
    HLSToRGB(c, r, g, b);
    return MakeRGB(toByte(r), toByte(g), toByte(b));
}

TRGB THSVFilter::FilterOne(TRGB Color)
{
    THSV c = RGBToHSV(unit(RedOf(Color)), unit(GreenOf(Color)), unit(BlueOf(Color)));
    if (hueDefined(c.H))
        c.H = mapHue(Tables[0], c.H);
    c.S = lookup(Tables[1], 255 * c.S) / 255;
    if (c.S == 0 || !hueDefined(c.H)) {
        c.S = 0;
        c.H = UndefinedHue;
    }
    c.V = lookup(Tables[2], 255 * c.V) / 255;
    Real r, g, b;
    HSVToRGB(c, r, g, b);
    return MakeRGB(toByte(r), toByte(g), toByte(b));
}

void TBCGFilter::Init(const TPixelGraphic *Source)
{
    buildTable();
    MemoisedFilter::Init(Source);
}

void TBCGFilter::buildTable()
{
    for (int i = 0; i < 256; ++i) {
        const Real x = i / 255.0L;
        Real d;
        if (Gamma == 0 || x == 1)
            d = 1;
        else if (x == 0)
            d = 0;
        else
            d = std::pow(x, Gamma);
        Real e = (255 * d - 127.5L) * Contrast + 127.5L + Brightness * 255.0L / 100;
        e = std::clamp<Real>(e, -1, 256);
        Table[size_t(i)] = uint8_t(pgRoundByte(e));
    }
}

TRGB TBCGFilter::FilterOne(TRGB Color)
{
    if (!UseY)
        return MakeRGB(Table[size_t(RedOf(Color))], Table[size_t(GreenOf(Color))], Table[size_t(BlueOf(Color))]);
    YCbCr c = toYCbCr(Color);
    c.Y = lookup(Table, 255 * c.Y) / 255;
    return fromYCbCr(c);
}

void SetupOffsetTable(std::array<uint8_t, 256> &Table, int Percent)
{
    const int offset = Percent * 255 / 100;
    for (int i = 0; i < 256; ++i)
        Table[size_t(i)] = uint8_t(std::clamp(i + offset, 0, 255));
}

void SetupHueTable(std::array<uint8_t, 256> &Table, int Degrees)
{
    const int shift = Degrees * 256 / 360;
    for (int i = 0; i < 256; ++i) {
        int entry = i + shift;
        while (entry < 0)
            entry += 256;
        while (entry > 255)
            entry -= 256;
        Table[size_t(i)] = uint8_t(entry);
    }
}

long double SliderFactor(int Value)
{
    return std::pow(5.0L, Value / 100.0L);
}
