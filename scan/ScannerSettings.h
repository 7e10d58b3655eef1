#pragma once
// The settings of a TcsTwainScan that its dialogs edit, as one value: taken
// from a component, changed, and put back through the component's setters so
// that their rules hold and the component ends up holding exactly the value.
#include "csTwainScan.h"

#include <cstdint>

namespace scan {

struct ScannerSettings {
    bool UserInterface = false;
    bool Indicators = true;
    bool AutoBrightness = true;
    bool Inverted = false;
    bool FeederEnabled = true;
    TcsPixelType PixelType = pxGray;
    TcsBitDepth BitDepth = bd8Bit;
    TcsBitDepthReduction BitDepthReduction = brThreshold;
    TcsFrameSize FrameSize = fsA4;
    int32_t Resolution = 100;
    uint8_t Brightness = 125;
    uint8_t Contrast = 125;
    uint8_t Highlight = 255;
    uint8_t Shadow = 0;
    uint8_t Threshold = 128;

    static ScannerSettings of(const TcsTwainScan &scan);
    // The pixel type goes in before the bit depth, which it may adjust.
    void applyTo(TcsTwainScan &scan) const;

    bool operator==(const ScannerSettings &) const = default;
};

// Sets both ends of the tone range.  Each setter keeps the shadow below the
// highlight the component holds, so the end that would cross it goes second.
void setToneRange(TcsTwainScan &scan, uint8_t highlight, uint8_t shadow);

} // namespace scan
