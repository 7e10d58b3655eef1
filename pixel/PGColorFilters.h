#pragma once
// Filters: the interface every filter offers to TPixelGraphic::ApplyFilter, and
// the colour filters, whose result depends only on the colour of the same pixel
// (so they may run in place and, on palette images, on the palette alone).
#include "PGPixelGraphic.h"

#include <array>

// Between Init and Done, GetFilteredPixel and FilterColor may run on several
// threads at once: they only read the filter and the source.
class TPGFilter {
public:
    TPGFilter() = default;
    virtual ~TPGFilter() = default;
    TPGFilter(const TPGFilter &) = delete;
    TPGFilter &operator=(const TPGFilter &) = delete;

    virtual void Init(const TPixelGraphic *Source) { this->Source = Source; }
    virtual TRGB GetFilteredPixel(int X, int Y);
    virtual void Done() { Source = nullptr; }
    virtual bool IsColorFilter() const { return false; }
    virtual TRGB FilterColor(TRGB Color) { return Color; }

protected:
    const TPixelGraphic *Source = nullptr;
};

// Colour filters read the source colour and pass it through FilterColor.
class TPGColorFilter : public TPGFilter {
public:
    TRGB GetFilteredPixel(int X, int Y) final { return FilterColor(Source->GetPixelColor(X, Y)); }
    bool IsColorFilter() const override { return true; }
};

// Three 256-entry tables filled by the owner before use; identity when new.
class TXXXFilter : public TPGColorFilter {
public:
    TXXXFilter();
    std::array<std::array<uint8_t, 256>, 3> Tables;
};

class TRGBFilter : public TXXXFilter {
public:
    TRGB FilterColor(TRGB Color) override;
};

class TCMYFilter : public TXXXFilter {
public:
    TRGB FilterColor(TRGB Color) override;
};

class TYCbCrFilter : public TXXXFilter {
public:
    TRGB FilterColor(TRGB Color) override;
};

class THLSFilter : public TXXXFilter {
public:
    TRGB FilterColor(TRGB Color) override;
};

class THSVFilter : public TXXXFilter {
public:
    TRGB FilterColor(TRGB Color) override;
};

// Brightness, contrast and gamma as one tone curve, applied per channel or to the luminance.
class TBCGFilter : public TPGColorFilter {
public:
    void Init(const TPixelGraphic *Source) override;
    TRGB FilterColor(TRGB Color) override;

    std::array<uint8_t, 256> Table{};
    bool UseY = false;
    int32_t Brightness = 1;
    long double Contrast = 1.0L;
    long double Gamma = 1.0L;

private:
    void buildTable();
};

// Hue, in degrees, of a colour without one (grey, or zero saturation).
constexpr long double UndefinedHue = 1e10L;

// Conversions shared by the filters; r, g, b, lightness, saturation and value in [0, 1].
struct THSV {
    long double H, S, V;
};
struct THLS {
    long double H, L, S;
};
THSV RGBToHSV(long double R, long double G, long double B);
void HSVToRGB(const THSV &Colour, long double &R, long double &G, long double &B);
THLS RGBToHLS(long double R, long double G, long double B);
void HLSToRGB(const THLS &Colour, long double &R, long double &G, long double &B);

// Table contents from the filter dialogs' slider values.
void SetupOffsetTable(std::array<uint8_t, 256> &Table, int Percent);
void SetupHueTable(std::array<uint8_t, 256> &Table, int Degrees);
// Contrast and gamma from a slider value -100..100: 5^(value/100).
long double SliderFactor(int Value);
