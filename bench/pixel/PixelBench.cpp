// Speed of the pixel library's filters and preview resampling on one A4 page
// scanned at 300 dpi (2480 x 3508, 24-bit).  PIXEL_BENCH_PAGE names a BMP file
// to use as the page instead of the built-in one (compare-imagemagick.sh does).
#include "PGColorFilters.h"
#include "PGConvFilter.h"
#include "PGPixelGraphic.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cstdlib>

namespace {

constexpr int pageWidth = 2480;
constexpr int pageHeight = 3508;

// A page with smooth gradients and some texture, the same on every run.
const TPixelGraphic &page()
{
    static const TPixelGraphic *image = [] {
        auto *result = new TPixelGraphic;
        if (const char *file = std::getenv("PIXEL_BENCH_PAGE")) {
            result->LoadFromFile(QString::fromLocal8Bit(file));
            return result;
        }
        result->SetFormat(pageWidth, pageHeight, pg24Bit);
        uint32_t noise = 12345;
        for (int y = 0; y < pageHeight; ++y) {
            uint8_t *row = result->ScanLine(y);
            for (int x = 0; x < pageWidth; ++x) {
                noise = noise * 1103515245u + 12345u;
                row[3 * x] = uint8_t(x * 255 / pageWidth);
                row[3 * x + 1] = uint8_t(y * 255 / pageHeight);
                row[3 * x + 2] = uint8_t((x + y) / 8 + (noise >> 28));
            }
        }
        return result;
    }();
    return *image;
}

// Runs the filter from a fresh copy of the page into itself (colour filters)
// or into a second image (convolution), as the program does.
void applyFilter(benchmark::State &state, TPGFilter &filter)
{
    TPixelGraphic source;
    source.Assign(&page());
    TPixelGraphic target;
    for (auto _ : state) {
        if (filter.IsColorFilter()) {
            state.PauseTiming();
            source.Assign(&page());
            state.ResumeTiming();
            source.ApplyFilter(filter, source);
        } else {
            target.ApplyFilter(filter, source);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pageWidth * pageHeight * 3);
}

void BM_BCGFilter(benchmark::State &state)
{
    TBCGFilter filter;
    filter.Brightness = 0;
    filter.Contrast = 2;
    filter.Gamma = 0.8L;
    applyFilter(state, filter);
}

void BM_HSVFilter(benchmark::State &state)
{
    THSVFilter filter;
    SetupHueTable(filter.Tables[0], 30);
    SetupOffsetTable(filter.Tables[1], 20);
    SetupOffsetTable(filter.Tables[2], 10);
    applyFilter(state, filter);
}

void BM_SharpenFilter(benchmark::State &state)
{
    TConvFilter filter;
    filter.SetupSharpen(dsGaussian, true, 50, 0.75L);
    applyFilter(state, filter);
}

void BM_SmoothFilter(benchmark::State &state)
{
    TConvFilter filter;
    filter.SetupSmooth(dsGaussian, true, 100, 1.3L);
    applyFilter(state, filter);
}

void BM_PreviewCopy(benchmark::State &state)
{
    TPixelGraphic preview;
    preview.SetFormat(140, 140, pg24Bit);
    preview.StretchMode = smPrecise;
    for (auto _ : state) {
        preview.CopyFrom(page());
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_BCGFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HSVFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharpenFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmoothFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewCopy)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
