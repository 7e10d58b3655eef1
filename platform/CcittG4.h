#pragma once
// CCITT Group 4 (ITU-T T.6) coding of a black-and-white picture: the
// compression fax machines, TIFF and PDF use for 1-bit pages.  Every line is
// coded against the line above it (the first against an imaginary white
// line), in pass, vertical and horizontal modes, and the block ends with
// EOFB.  No byte alignment between lines and no K parameter: what PDF's
// CCITTFaxDecode reads with /K -1 and its other parameters left as default.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Rows of a 1-bit picture as they lie in memory: packed most significant bit
// first, bytesPerRow apart; the bits beyond the width are ignored.
struct BilevelRows {
    const std::uint8_t *bits = nullptr;
    std::ptrdiff_t bytesPerRow = 0;
    int width = 0;
    int height = 0;
    bool oneIsBlack = true; // false when a set bit is white
};

std::vector<std::uint8_t> encodeCcittG4(const BilevelRows &rows);

} // namespace platform
