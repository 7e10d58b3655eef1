// The colour filters.  Their real arithmetic is defined in long double
// (80-bit extended).  The filters that convert each colour to another space
// and back first try it in double, several times faster: every step of
// those conversions is continuous in its inputs except the final rounding of
// each channel to a byte, and the two computations differ by far less than
// a millionth there, so where no channel comes within a millionth of a
// rounding boundary the double result is the extended one exactly; the few
// colours that do are computed again in long double.
#include "PGColorFilters.h"

#include "PGNumeric.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <type_traits>

namespace {

using Real = long double;
using Table = std::array<uint8_t, 256>;

// c / 255 for every byte, computed once (the same values the division gives).
template <typename R> R unit(int channel)
{
    static const std::array<R, 256> table = [] {
        std::array<R, 256> result{};
        for (int c = 0; c < 256; ++c)
            result[size_t(c)] = R(c) / R(255);
        return result;
    }();
    return table[size_t(channel)];
}

// A channel 0..1 as a byte: rnd(255 c) kept within 0..255.  Computed in
// double, nothing when it lies within a millionth of a half, where the
// extended computation could round the other way.
template <typename R> std::optional<int> toByte(R channel)
{
    const R x = 255 * channel;
    if constexpr (std::is_same_v<R, double>) {
        const int64_t nearest = std::llrint(x);
        if (std::abs(std::abs(x - double(nearest)) - 0.5) < 1e-6)
            return std::nullopt;
        return int(std::clamp<int64_t>(nearest, 0, 255));
    } else {
        return pgRoundByte(x);
    }
}

template <typename R> std::optional<TRGB> toColour(R r, R g, R b)
{
    const std::optional<int> red = toByte(r), green = toByte(g), blue = toByte(b);
    if (!red || !green || !blue)
        return std::nullopt;
    return MakeRGB(*red, *green, *blue);
}

// x / d for a constant d: as written in long double; in double times the
// reciprocal, a rounding away, which the check of toByte allows for.
template <typename R> R over(R x, int d)
{
    if constexpr (std::is_same_v<R, double>)
        return x * (1.0 / d);
    else
        return x / d;
}

// The result in double when it is certain, else in long double.
template <typename Compute> TRGB exactly(const Compute &compute)
{
    if (const std::optional<TRGB> quick = compute(double()))
        return *quick;
    return *compute(Real());
}

// Interpolated lookup L(T, v); positions are kept inside the table.
template <typename R> R lookup(const Table &table, R v)
{
    v = std::clamp<R>(v, 0, 255);
    const int p = int(v); // v is not negative: truncation is floor
    if (p > 254)
        return table[size_t(p)];
    const R f = v - p;
    return (1 - f) * table[size_t(p)] + f * table[size_t(p) + 1];
}

template <typename R> struct YCbCr {
    R Y, Cb, Cr;
};

// The constants as the extended literals give them, rounded once to R.
template <typename R> YCbCr<R> toYCbCr(TRGB color)
{
    const R r = unit<R>(RedOf(color)), g = unit<R>(GreenOf(color)), b = unit<R>(BlueOf(color));
    return {R(0.299L) * r + R(0.587L) * g + R(0.114L) * b, R(-0.169L) * r - R(0.331L) * g + R(0.5L) * b,
            R(0.5L) * r - R(0.419L) * g - R(0.081L) * b};
}

template <typename R> std::optional<TRGB> fromYCbCr(const YCbCr<R> &c)
{
    return toColour<R>(c.Y + R(1.403L) * c.Cr, c.Y - R(0.344L) * c.Cb - R(0.714L) * c.Cr, c.Y + R(1.773L) * c.Cb);
}

template <typename R> bool hueDefined(R h) { return h != R(UndefinedHue); }

// Maps a hue through the circular hue table; position 128 is 0 degrees.
template <typename R> R mapHue(const Table &table, R hue)
{
    R h = over((hue + 180) * 256, 360);
    if (h >= 256)
        h -= 256;
    const int p = std::clamp(int(h), 0, 255); // h is not negative: truncation is floor
    const R f = h - p;
    const R a = table[size_t(p)];
    R b = table[p == 255 ? 0 : size_t(p) + 1];
    if (a - b >= 129)
        b += 256;
    if (b - a > 128)
        b -= 256;
    R result = over(((1 - f) * a + f * b) * 360, 256) - 180;
    while (result >= 360)
        result -= 360;
    while (result < 0)
        result += 360;
    return result;
}

// Hue of an RGB colour with its maximum and spread, in degrees.
template <typename R> R hueOf(R r, R g, R b, R max, R delta)
{
    R h;
    if (r == max)
        h = (g - b) / delta;
    else if (g == max)
        h = 2 + (b - r) / delta;
    else
        h = 4 + (r - g) / delta;
    h *= 60;
    return h < 0 ? h + 360 : h;
}

template <typename R> struct Hsv {
    R H, S, V;
};
template <typename R> struct Hls {
    R H, L, S;
};

template <typename R> Hsv<R> rgbToHsv(R r, R g, R b)
{
    const R max = std::max({r, g, b}), min = std::min({r, g, b});
    const R s = max == 0 ? 0 : (max - min) / max;
    return {s == 0 ? R(UndefinedHue) : hueOf(r, g, b, max, max - min), s, max};
}

template <typename R> void hsvToRgb(const Hsv<R> &colour, R &r, R &g, R &b)
{
    const R v = colour.V, s = colour.S;
    if (s == 0) {
        if (hueDefined(colour.H))
            throw EPGSaturationHue(Text(msgSaturationHue));
        r = g = b = v;
        return;
    }
    R h = colour.H;
    while (h >= 360)
        h -= 360;
    h = over(std::max<R>(h, 0), 60);
    const int i = std::clamp(int(h), 0, 5);
    const R f = h - i;
    const R p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    const R table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    r = table[i][0];
    g = table[i][1];
    b = table[i][2];
}

template <typename R> Hls<R> rgbToHls(R r, R g, R b)
{
    const R max = std::max({r, g, b}), min = std::min({r, g, b});
    const R l = (max + min) / 2;
    if (max == min)
        return {R(UndefinedHue), l, 0};
    const R delta = max - min;
    const R s = l <= R(0.5L) ? delta / (max + min) : delta / (2 - max - min);
    return {hueOf(r, g, b, max, delta), l, s};
}

template <typename R> void hlsToRgb(const Hls<R> &colour, R &r, R &g, R &b)
{
    const R l = colour.L, s = colour.S;
    if (s == 0) {
        if (hueDefined(colour.H))
            throw EPGSaturationHue(Text(msgSaturationHue));
        r = g = b = l;
        return;
    }
    const R m2 = l <= R(0.5L) ? l * (1 + s) : l + s - l * s;
    const R m1 = 2 * l - m2;
    const auto value = [m1, m2](R h) {
        if (h < 0)
            h += 360;
        else if (h > 360)
            h -= 360;
        if (h < 60)
            return m1 + over((m2 - m1) * h, 60);
        if (h < 180)
            return m2;
        if (h < 240)
            return m1 + over((m2 - m1) * (240 - h), 60);
        return m1;
    };
    r = value(colour.H + 120);
    g = value(colour.H);
    b = value(colour.H - 120);
}

// The filters' colours, in R; nothing when double is not certain.
template <typename R> std::optional<TRGB> ycbcrColour(const std::array<Table, 3> &tables, TRGB colour)
{
    const YCbCr<R> c = toYCbCr<R>(colour);
    return fromYCbCr<R>({over(lookup(tables[0], 255 * c.Y), 255), over(lookup(tables[1], 255 * (c.Cb + R(0.5L))), 255) - R(0.5L),
                         over(lookup(tables[2], 255 * (c.Cr + R(0.5L))), 255) - R(0.5L)});
}

template <typename R> std::optional<TRGB> hlsColour(const std::array<Table, 3> &tables, TRGB colour)
{
    Hls<R> c = rgbToHls(unit<R>(RedOf(colour)), unit<R>(GreenOf(colour)), unit<R>(BlueOf(colour)));
    if (hueDefined(c.H))
        c.H = mapHue(tables[0], c.H);
    c.L = over(lookup(tables[1], 255 * c.L), 255);
    c.S = over(lookup(tables[2], 255 * c.S), 255);
    if (c.S == 0 || !hueDefined(c.H)) {
        c.S = 0;
        c.H = R(UndefinedHue);
    }
    R r, g, b;
    hlsToRgb(c, r, g, b);
    return toColour(r, g, b);
}

template <typename R> std::optional<TRGB> hsvColour(const std::array<Table, 3> &tables, TRGB colour)
{
    Hsv<R> c = rgbToHsv(unit<R>(RedOf(colour)), unit<R>(GreenOf(colour)), unit<R>(BlueOf(colour)));
    if (hueDefined(c.H))
        c.H = mapHue(tables[0], c.H);
    c.S = over(lookup(tables[1], 255 * c.S), 255);
    if (c.S == 0 || !hueDefined(c.H)) {
        c.S = 0;
        c.H = R(UndefinedHue);
    }
    c.V = over(lookup(tables[2], 255 * c.V), 255);
    R r, g, b;
    hsvToRgb(c, r, g, b);
    return toColour(r, g, b);
}

template <typename R> std::optional<TRGB> luminanceColour(const Table &table, TRGB colour)
{
    YCbCr<R> c = toYCbCr<R>(colour);
    c.Y = over(lookup(table, 255 * c.Y), 255);
    return fromYCbCr(c);
}

} // namespace

TRGB TPGFilter::GetFilteredPixel(int, int)
{
    return 0;
}

void TPGFilter::FilterRow(int Y, uint8_t *Out)
{
    for (int x = 0; x < Source->Width(); ++x, Out += 3) {
        const TRGB colour = GetFilteredPixel(x, Y);
        Out[0] = uint8_t(BlueOf(colour));
        Out[1] = uint8_t(GreenOf(colour));
        Out[2] = uint8_t(RedOf(colour));
    }
}

void TPGColorFilter::FilterRow(int Y, uint8_t *Out)
{
    const int width = Source->Width();
    if (Source->PixelFormat() == pg24Bit)
        return FilterPixels(Source->ScanLine(Y), Out, width);
    // the colours of a palette row, made where the results go
    for (int x = 0; x < width; ++x) {
        const TRGB colour = Source->GetPixelColor(x, Y);
        Out[3 * x] = uint8_t(BlueOf(colour));
        Out[3 * x + 1] = uint8_t(GreenOf(colour));
        Out[3 * x + 2] = uint8_t(RedOf(colour));
    }
    FilterPixels(Out, Out, width);
}

void TPGColorFilter::FilterPixels(const uint8_t *In, uint8_t *Out, int Count)
{
    for (int i = 0; i < 3 * Count; i += 3) {
        const TRGB result = FilterColor(MakeRGB(In[i + 2], In[i + 1], In[i]));
        Out[i] = uint8_t(BlueOf(result));
        Out[i + 1] = uint8_t(GreenOf(result));
        Out[i + 2] = uint8_t(RedOf(result));
    }
}

void MapChannels(const uint8_t *In, uint8_t *Out, int Count, const std::array<uint8_t, 256> &Blue,
                 const std::array<uint8_t, 256> &Green, const std::array<uint8_t, 256> &Red)
{
    for (int i = 0; i < 3 * Count; i += 3) {
        Out[i] = Blue[In[i]];
        Out[i + 1] = Green[In[i + 1]];
        Out[i + 2] = Red[In[i + 2]];
    }
}

RecentColours &RecentColours::ForRun(uint64_t Run)
{
    thread_local const auto table = std::make_unique<RecentColours>();
    if (table->run_ != Run) {
        table->slots_ = {};
        table->run_ = Run;
    }
    return *table;
}

THSV RGBToHSV(Real R, Real G, Real B)
{
    const Hsv<Real> c = rgbToHsv(R, G, B);
    return {c.H, c.S, c.V};
}

void HSVToRGB(const THSV &Colour, Real &R, Real &G, Real &B)
{
    hsvToRgb<Real>({Colour.H, Colour.S, Colour.V}, R, G, B);
}

THLS RGBToHLS(Real R, Real G, Real B)
{
    const Hls<Real> c = rgbToHls(R, G, B);
    return {c.H, c.L, c.S};
}

void HLSToRGB(const THLS &Colour, Real &R, Real &G, Real &B)
{
    hlsToRgb<Real>({Colour.H, Colour.L, Colour.S}, R, G, B);
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

void TRGBFilter::FilterPixels(const uint8_t *In, uint8_t *Out, int Count)
{
    MapChannels(In, Out, Count, Tables[2], Tables[1], Tables[0]);
}

TRGB TCMYFilter::FilterColor(TRGB Color)
{
    return MakeRGB(255 - Tables[0][size_t(255 - RedOf(Color))], 255 - Tables[1][size_t(255 - GreenOf(Color))],
                   255 - Tables[2][size_t(255 - BlueOf(Color))]);
}

void TCMYFilter::Init(const TPixelGraphic *Source)
{
    TXXXFilter::Init(Source);
    for (size_t k = 0; k < 3; ++k)
        for (int c = 0; c < 256; ++c)
            channels_[k][size_t(c)] = uint8_t(255 - Tables[k][size_t(255 - c)]);
}

void TCMYFilter::FilterPixels(const uint8_t *In, uint8_t *Out, int Count)
{
    MapChannels(In, Out, Count, channels_[2], channels_[1], channels_[0]);
}

TRGB TYCbCrFilter::FilterColor(TRGB Color)
{
    return exactly([&](auto real) { return ycbcrColour<decltype(real)>(Tables, Color); });
}

TRGB THLSFilter::FilterColor(TRGB Color)
{
    return exactly([&](auto real) { return hlsColour<decltype(real)>(Tables, Color); });
}

TRGB THSVFilter::FilterColor(TRGB Color)
{
    return exactly([&](auto real) { return hsvColour<decltype(real)>(Tables, Color); });
}

void TBCGFilter::Init(const TPixelGraphic *Source)
{
    buildTable();
    RecentColoursFilter::Init(Source);
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

TRGB TBCGFilter::FilterColor(TRGB Color)
{
    if (!UseY)
        return MakeRGB(Table[size_t(RedOf(Color))], Table[size_t(GreenOf(Color))], Table[size_t(BlueOf(Color))]);
    return exactly([&](auto real) { return luminanceColour<decltype(real)>(Table, Color); });
}

void TBCGFilter::FilterPixels(const uint8_t *In, uint8_t *Out, int Count)
{
    if (UseY)
        return RecentColoursFilter::FilterPixels(In, Out, Count);
    MapChannels(In, Out, Count, Table, Table, Table);
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
