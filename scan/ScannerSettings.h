#pragma once
// The settings of a TcsTwainScan that its dialogs edit, as one value: taken
// from a component, changed, and put back through the component's setters so
// that their rules hold and the component ends up holding exactly the value.
#include "csTwainScan.h"

#include <cstdint>

namespace scan {

// Made by of(): the component's defaults are the component's own.
struct ScannerSettings {
    bool UserInterface{};
    bool Indicators{};
    bool AutoBrightness{};
    bool Inverted{};
    bool FeederEnabled{};
    TcsPixelType PixelType{};
    TcsBitDepth BitDepth{};
    TcsBitDepthReduction BitDepthReduction{};
    TcsFrameSize FrameSize{};
    int32_t Resolution{};
    uint8_t Brightness{};
    uint8_t Contrast{};
    uint8_t Highlight{};
    uint8_t Shadow{};
    uint8_t Threshold{};

    static ScannerSettings of(const TcsTwainScan &scan);
    // The pixel type goes in before the bit depth, which it may adjust.
    void applyTo(TcsTwainScan &scan) const;

    bool operator==(const ScannerSettings &) const = default;
};

// Sets both ends of the tone range.  Each setter keeps the shadow below the
// highlight the component holds, so the end that would cross it goes second.
void setToneRange(TcsTwainScan &scan, uint8_t highlight, uint8_t shadow);

} // namespace scan
