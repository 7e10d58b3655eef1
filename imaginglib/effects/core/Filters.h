#pragma once
// Floating-point working copies and the separable box blur of the warp's
// displacement field (the picture's own blurs sum in integers: BoxSums.h).
#include "Frame.h"

#include <vector>

namespace isp {

// Interleaved channels of a region, top row first.
struct FloatImage {
    int width = 0, height = 0, channels = 0;
    std::vector<float> data;
    float *at(int x, int y) { return data.data() + (std::size_t(y) * width + x) * channels; }
    const float *at(int x, int y) const { return data.data() + (std::size_t(y) * width + x) * channels; }
};

// Blue, green and red of the region, as floats.
FloatImage extractColour(const Image &image, const Rect &region);

// Box blur of the given radius along rows then columns, edges clamped.
// Three passes in a row approach a Gaussian.  false when stopped.
bool boxBlur(FloatImage &image, int radius, Progress &progress);

} // namespace isp
