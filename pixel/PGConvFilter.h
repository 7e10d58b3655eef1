#pragma once
// TConvFilter: an integer kernel slid over the source image, normalised by the
// weights that fall inside the image, then scaled and offset; and the four
// recipes built from one blur kernel (sharpen, detail, smooth, contour).
#include "PGColorFilters.h"

#include <vector>

enum TDistributionShape : uint8_t { dsGaussian, dsTent, dsRect };

class TConvFilter : public TPGFilter {
public:
    TConvFilter();

    int32_t Kernel(int Col, int Row) const;
    void SetKernel(int Col, int Row, int32_t Weight);
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int Value);
    void SetHeight(int Value);

    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    long double Bias = 0;  // percent of 255; taken by Init, like Scale
    long double Scale = 1; // applied to the normalised sum

    void BuildKernel(TDistributionShape Shape, bool UseDistance, long double StdDeviation);
    void SetupSharpen(TDistributionShape Shape, bool UseDistance, long double Percent, long double StdDeviation);
    void SetupDetail(TDistributionShape Shape, bool UseDistance, long double Percent, long double StdDeviation);
    void SetupSmooth(TDistributionShape Shape, bool UseDistance, long double Percent, long double StdDeviation);
    void SetupContour(TDistributionShape Shape, bool UseDistance, bool WhiteBk, long double Percent,
                      long double StdDeviation);

    void Init(const TPixelGraphic *Source) override;
    TRGB GetFilteredPixel(int X, int Y) override;
    void FilterRow(int Y, uint8_t *Out) override;

private:
    size_t index(int Col, int Row) const;
    void resize(int Width, int Height);
    int64_t weightSum() const;
    int32_t &centre();
    void negate();
    void collectTaps();

    int channel(int64_t Sum, int64_t Weights) const;
    void planRun();

    // The non-zero weights with their column and row, gathered by Init.
    struct Tap {
        int col, row;
        int32_t weight;
    };
    std::vector<Tap> taps_;

    // What Init prepares for one run.  A 24-bit source is read in place.
    // Inside it every tap is read and the weights always have the same sum, so
    // a channel's result depends on its weighted sum alone, an integer in a
    // bounded range: the result of each possible sum is computed once, and
    // those pixels need only integer work.
    struct Run {
        long double scale = 1, offset = 0; // Scale, and Bias in channel units
        const uint8_t *firstRow = nullptr; // row 0 of a 24-bit source; row y lies y strides below
        ptrdiff_t stride = 0;
        std::vector<ptrdiff_t> offsets; // of each tap from the kernel's top-left pixel, in bytes
        std::vector<int32_t> weights;
        int32_t lowestSum = 0;
        std::vector<uint8_t> results; // result of sum s at s - lowestSum; empty: not planned
    };
    Run run_;
    std::vector<int32_t> kernel_;
    int width_ = 1;
    int height_ = 1;
};
