// Speed of the pixel library's filters and preview resampling on one A4 page
// scanned at 300 dpi (BenchPage.h).
#include "BenchPage.h"
#include "PGColorFilters.h"
#include "PGConvFilter.h"

#include <benchmark/benchmark.h>

namespace {

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
