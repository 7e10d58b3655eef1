#pragma once
// The private state TPixelGraphic keeps for its nearest-colour search and
// its dithering, shared by the files the class is written in.
#include "PGPixelGraphic.h"

#include <array>
#include <bitset>
#include <vector>

struct TPixelGraphic::NearestCache {
    std::array<uint8_t, 65536> index{};
    std::bitset<65536> known;
    static int cell(int r, int g, int b) { return (r / 8) * 2048 + (g / 4) * 32 + b / 8; }
};

struct TPixelGraphic::DitherState {
    std::array<int, 511> limit{}; // indexed by error + 255
    std::vector<int> current;
    std::vector<int> next;
    int limited(int error) const { return limit[size_t(error + 255)]; }
};
