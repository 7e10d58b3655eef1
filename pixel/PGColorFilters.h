#pragma once
// Filters: the interface every filter offers to TPixelGraphic::ApplyFilter, and
// the colour filters, whose result depends only on the colour of the same pixel
// (so they may run in place and, on palette images, on the palette alone).
#include "PGPixelGraphic.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>

// Between Init and Done, GetFilteredPixel and FilterColor may run on several
// threads at once: they read the filter and the source, and write nothing but
// their own memo of results (see ColourMemo).
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

// The result of every 24-bit colour a filter has computed during one run, for
// filters that spend real arithmetic on each colour: a scanned page holds far
// fewer colours than pixels.  One slot per colour, so the memo opens only for
// sources large enough to pay for touching its pages.  Threads may fill the
// same slot at once; they store the same value.
class ColourMemo {
public:
    void Open(const TPixelGraphic *Source);
    void Close() { slots_.reset(); }

    template <typename Compute> TRGB Get(TRGB Color, const Compute &compute)
    {
        if (!slots_)
            return compute(Color);
        std::atomic_ref<uint32_t> slot(slots_[slotOf(Color)]);
        uint32_t known = slot.load(std::memory_order_relaxed);
        if (known == 0) {
            known = compute(Color) | filledMark;
            slot.store(known, std::memory_order_relaxed);
        }
        return known & ~filledMark;
    }

private:
    static constexpr uint32_t filledMark = 0x80000000u; // an empty slot holds 0

    // The bits of red, green and blue interleaved, so that similar colours
    // share pages and cache lines: a page holds a cube of about 10 levels a side.
    static uint32_t slotOf(TRGB Color)
    {
        static constexpr std::array<uint32_t, 256> spread = [] {
            std::array<uint32_t, 256> result{};
            for (uint32_t value = 0; value < 256; ++value)
                for (int bit = 0; bit < 8; ++bit)
                    result[value] |= ((value >> bit) & 1u) << (3 * bit);
            return result;
        }();
        return spread[size_t(RedOf(Color))] | spread[size_t(GreenOf(Color))] << 1 | spread[size_t(BlueOf(Color))] << 2;
    }
    struct FreeSlots {
        void operator()(uint32_t *memory) const { std::free(memory); }
    };
    std::unique_ptr<uint32_t[], FreeSlots> slots_;
};

// A colour filter whose colours go through ColourMemo between Init and Done;
// the subclass computes one colour in FilterOne.
template <typename Base> class MemoisedFilter : public Base {
public:
    void Init(const TPixelGraphic *Source) override
    {
        Base::Init(Source);
        memo_.Open(Memoised() ? Source : nullptr);
    }
    void Done() override
    {
        memo_.Close();
        Base::Done();
    }
    TRGB FilterColor(TRGB Color) final
    {
        return memo_.Get(Color, [this](TRGB colour) { return FilterOne(colour); });
    }

protected:
    virtual TRGB FilterOne(TRGB Color) = 0;
    virtual bool Memoised() const { return true; }

private:
    ColourMemo memo_;
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

class TYCbCrFilter : public MemoisedFilter<TXXXFilter> {
protected:
    TRGB FilterOne(TRGB Color) override;
};

class THLSFilter : public MemoisedFilter<TXXXFilter> {
protected:
    TRGB FilterOne(TRGB Color) override;
};

class THSVFilter : public MemoisedFilter<TXXXFilter> {
protected:
    TRGB FilterOne(TRGB Color) override;
};

// Brightness, contrast and gamma as one tone curve, applied per channel or to the luminance.
class TBCGFilter : public MemoisedFilter<TPGColorFilter> {
public:
    void Init(const TPixelGraphic *Source) override;

    std::array<uint8_t, 256> Table{};
    bool UseY = false;
    int32_t Brightness = 1;
    long double Contrast = 1.0L;
    long double Gamma = 1.0L;

protected:
    TRGB FilterOne(TRGB Color) override;
    bool Memoised() const override { return UseY; } // the per-channel curve is a plain lookup

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
