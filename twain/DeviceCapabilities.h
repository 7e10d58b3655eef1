#pragma once
// The capabilities of a source mapped onto its SANE device's options.  What
// the device has no option for is refused with TWCC_BADCAP; a value it cannot
// take with TWCC_BADVALUE; an option that is inactive in the current mode
// with TWCC_CAPSEQERROR.
#include "Containers.h"
#include "SaneDevice.h"

#include <string>

namespace dsm {

class DeviceCapabilities {
public:
    explicit DeviceCapabilities(SaneDevice &device) : device_(device) {}

    // MSG_GET, MSG_GETCURRENT (and MSG_GETDEFAULT, answered like MSG_GETCURRENT).
    Reply get(TW_UINT16 msg, TW_CAPABILITY *capability);
    Reply set(const TW_CAPABILITY &capability);
    Reply getLayout(TW_IMAGELAYOUT *layout);
    Reply setLayout(const TW_IMAGELAYOUT &layout);

    // Dots per inch of the next scan.
    double resolution() const;
    TW_UINT16 pixelType() const;
    // The device's feeder (one face or both) is its chosen source.
    bool feederActive() const;
    bool duplexActive() const;
    bool hasFeeder() const { return feederOffered_ && !feederChoice().empty(); }
    // Scans from the glass only, whatever the device has: the demonstration
    // scanner would otherwise give ten pages for one press.
    void glassOnly();
    // Whether the source shows its progress while it scans.
    bool indicators() const { return indicators_; }
    // What the source dialog offers.
    Reply setPixelType(TW_UINT16 type);
    Reply setResolution(double dpi);
    Reply setFeeder(bool enabled);
    // Both faces of every sheet from a duplex feeder; off: one face from the feeder.
    Reply setDuplex(bool enabled);

private:
    std::string modeChoice(std::initializer_list<const char *> names) const;
    std::string feederChoice() const;
    std::string duplexChoice() const;
    std::string flatbedChoice() const;
    const char *resolutionOption(bool vertical) const;
    double unitsPerInch() const;
    Reply getNumber(TW_UINT16 msg, const char *option, TW_CAPABILITY *capability);
    Reply setNumber(const char *option, const TW_ONEVALUE &value, double factor = 1.0);
    Reply setGeometry(const char *option, double millimetres);

    SaneDevice &device_;
    bool feederOffered_ = true;
    TW_UINT16 units_ = TWUN_INCHES;
    bool indicators_ = true;
};

} // namespace dsm
