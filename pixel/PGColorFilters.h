#pragma once
// Filters: the interface every filter offers to TPixelGraphic::ApplyFilter, and
// the colour filters, whose result depends only on the colour of the same pixel
// (so they may run in place and, on palette images, on the palette alone).
#include "PGPixelGraphic.h"

#include <array>
#include <atomic>
#include <memory>

// Between Init and Done, GetFilteredPixel, FilterRow and FilterColor may run
// on several threads at once: they read the filter and the source, and write
// nothing but their thread's table of recent results (see RecentColours).
class TPGFilter {
public:
    TPGFilter() = default;
    virtual ~TPGFilter() = default;
    TPGFilter(const TPGFilter &) = delete;
    TPGFilter &operator=(const TPGFilter &) = delete;

    virtual void Init(const TPixelGraphic *Source) { this->Source = Source; }
    virtual TRGB GetFilteredPixel(int X, int Y);
    // Row Y of the filtered source, its Width pixels as blue, green and red
    // bytes into Out: what ApplyFilter asks for.  The base asks
    // GetFilteredPixel for each pixel; the filters here work on whole rows.
    virtual void FilterRow(int Y, uint8_t *Out);
    virtual void Done() { Source = nullptr; }
    virtual bool IsColorFilter() const { return false; }
    virtual TRGB FilterColor(TRGB Color) { return Color; }

protected:
    const TPixelGraphic *Source = nullptr;
};

// Colour filters read the source colour and pass it through FilterColor, a
// row at a time through FilterPixels.
class TPGColorFilter : public TPGFilter {
public:
    TRGB GetFilteredPixel(int X, int Y) final { return FilterColor(Source->GetPixelColor(X, Y)); }
    void FilterRow(int Y, uint8_t *Out) final;
    bool IsColorFilter() const override { return true; }

protected:
    // Count pixels of blue, green and red bytes from In into Out.  The base
    // passes each through FilterColor.
    virtual void FilterPixels(const uint8_t *In, uint8_t *Out, int Count);
};

// Each of blue, green and red through its own table of 256 bytes.
void MapChannels(const uint8_t *In, uint8_t *Out, int Count, const std::array<uint8_t, 256> &Blue,
                 const std::array<uint8_t, 256> &Green, const std::array<uint8_t, 256> &Red);

// The latest results of one run of a colour filter in a small table keyed by
// colour, one per thread: a picture repeats its colours near each other
// (paper, flat areas), and the filters that convert each colour to another
// space and back cost far more than a look in a table that stays in the
// processor's cache.
class RecentColours {
public:
    // This thread's table for the run, emptied when the run is another.
    static RecentColours &ForRun(uint64_t Run);

    template <typename Compute> TRGB Get(TRGB Color, const Compute &compute)
    {
        Slot &slot = slots_[(Color * 2654435761u) >> 18];
        const uint32_t key = Color | 0x80000000u;
        if (slot.key != key) {
            slot.result = compute(Color);
            slot.key = key;
        }
        return slot.result;
    }

private:
    struct Slot {
        uint32_t key = 0; // colour with a marker bit; 0 while empty
        TRGB result = 0;
    };
    uint64_t run_ = 0;
    std::array<Slot, 16384> slots_{};
};

// A colour filter whose rows go through RecentColours, one run per Init.
template <typename Base> class RecentColoursFilter : public Base {
public:
    void Init(const TPixelGraphic *Source) override
    {
        Base::Init(Source);
        static std::atomic<uint64_t> runs{0};
        run_ = ++runs;
    }

protected:
    void FilterPixels(const uint8_t *In, uint8_t *Out, int Count) override
    {
        RecentColours &recent = RecentColours::ForRun(run_);
        const auto compute = [this](TRGB colour) { return this->FilterColor(colour); };
        for (int i = 0; i < 3 * Count; i += 3) {
            const TRGB result = recent.Get(MakeRGB(In[i + 2], In[i + 1], In[i]), compute);
            Out[i] = uint8_t(BlueOf(result));
            Out[i + 1] = uint8_t(GreenOf(result));
            Out[i + 2] = uint8_t(RedOf(result));
        }
    }

private:
    uint64_t run_ = 0; // never the same for two runs in the process
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

protected:
    void FilterPixels(const uint8_t *In, uint8_t *Out, int Count) override;
};

class TCMYFilter : public TXXXFilter {
public:
    void Init(const TPixelGraphic *Source) override;
    TRGB FilterColor(TRGB Color) override;

protected:
    void FilterPixels(const uint8_t *In, uint8_t *Out, int Count) override;

private:
    // Each channel's mapping, 255 - Table[255 - c], made by Init for its run.
    std::array<std::array<uint8_t, 256>, 3> channels_{};
};

class TYCbCrFilter : public RecentColoursFilter<TXXXFilter> {
public:
    TRGB FilterColor(TRGB Color) override;
};

class THLSFilter : public RecentColoursFilter<TXXXFilter> {
public:
    TRGB FilterColor(TRGB Color) override;
};

class THSVFilter : public RecentColoursFilter<TXXXFilter> {
public:
    TRGB FilterColor(TRGB Color) override;
};

// Brightness, contrast and gamma as one tone curve, applied per channel or to the luminance.
class TBCGFilter : public RecentColoursFilter<TPGColorFilter> {
public:
    void Init(const TPixelGraphic *Source) override;
    TRGB FilterColor(TRGB Color) override;

    std::array<uint8_t, 256> Table{};
    bool UseY = false;
    int32_t Brightness = 1;
    long double Contrast = 1.0L;
    long double Gamma = 1.0L;

protected:
    void FilterPixels(const uint8_t *In, uint8_t *Out, int Count) override;

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
