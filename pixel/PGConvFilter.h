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
    long double Bias = 0;  // percent of 255
    long double Scale = 1; // applied to the normalised sum

    void BuildKernel(TDistributionShape Shape, bool UseDistance, long double StdDeviation);
    void SetupSharpen(TDistributionShape Shape, bool UseDistance, long double Percent, long double StdDeviation);
    void SetupDetail(TDistributionShape Shape, bool UseDistance, long double Percent, long double StdDeviation);
    void SetupSmooth(TDistributionShape Shape, bool UseDistance, long double Percent, long double StdDeviation);
    void SetupContour(TDistributionShape Shape, bool UseDistance, bool WhiteBk, long double Percent,
                      long double StdDeviation);

    void Init(const TPixelGraphic *Source) override;
    TRGB GetFilteredPixel(int X, int Y) override;

private:
    size_t index(int Col, int Row) const;
    void resize(int Width, int Height);
    int64_t weightSum() const;
    int32_t &centre();
    void negate();
    void collectTaps();

    // The non-zero weights with their column and row, rebuilt after any change of the kernel.
    struct Tap {
        int col, row;
        int32_t weight;
    };
    std::vector<Tap> taps_;
    bool tapsStale_ = true;
    std::vector<int32_t> kernel_;
    int width_ = 1;
    int height_ = 1;
};
