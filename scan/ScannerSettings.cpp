#include "ScannerSettings.h"

namespace scan {

ScannerSettings ScannerSettings::of(const TcsTwainScan &scan)
{
    ScannerSettings settings;
    settings.UserInterface = scan.UserInterface();
    settings.Indicators = scan.Indicators();
    settings.AutoBrightness = scan.AutoBrightness();
    settings.Inverted = scan.Inverted();
    settings.FeederEnabled = scan.FeederEnabled();
    settings.PixelType = scan.PixelType();
    settings.BitDepth = scan.BitDepth();
    settings.BitDepthReduction = scan.BitDepthReduction();
    settings.FrameSize = scan.FrameSize();
    settings.Resolution = scan.Resolution();
    settings.Brightness = scan.Brightness();
    settings.Contrast = scan.Contrast();
    settings.Highlight = scan.Highlight();
    settings.Shadow = scan.Shadow();
    settings.Threshold = scan.Threshold();
    return settings;
}

void ScannerSettings::applyTo(TcsTwainScan &scan) const
{
    scan.SetUserInterface(UserInterface);
    scan.SetIndicators(Indicators);
    scan.SetAutoBrightness(AutoBrightness);
    scan.SetInverted(Inverted);
    scan.SetFeederEnabled(FeederEnabled);
    scan.SetBitDepthReduction(BitDepthReduction);
    scan.SetFrameSize(FrameSize);
    scan.SetThreshold(Threshold);
    scan.SetPixelType(PixelType);
    scan.SetBitDepth(BitDepth);
    scan.SetResolution(Resolution);
    scan.SetBrightness(Brightness);
    scan.SetContrast(Contrast);
    setToneRange(scan, Highlight, Shadow);
}

void setToneRange(TcsTwainScan &scan, uint8_t highlight, uint8_t shadow)
{
    // Highlight first would be raised above the old shadow when it goes below it.
    if (highlight > scan.Shadow()) {
        scan.SetHighlight(highlight);
        scan.SetShadow(shadow);
    } else {
        scan.SetShadow(shadow);
        scan.SetHighlight(highlight);
    }
}

} // namespace scan
