#pragma once
// One opened SANE device with its options addressed by their well-known
// names, and the session of the SANE library around it.
#include <sane/sane.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dsm {

struct SaneDeviceInfo {
    std::string name;
    std::string vendor;
    std::string model;
    // SANE's test device offered as the demonstration scanner, named as such.
    bool demonstration = false;
};

// The entry points of libsane, loaded at run time: SANE reads where its
// configuration lives only once per load, so offering the built-in test
// scanner means loading it afresh.
struct SaneApi {
    decltype(&::sane_init) init = nullptr;
    decltype(&::sane_exit) exit = nullptr;
    decltype(&::sane_get_devices) getDevices = nullptr;
    decltype(&::sane_open) open = nullptr;
    decltype(&::sane_close) close = nullptr;
    decltype(&::sane_get_option_descriptor) optionDescriptor = nullptr;
    decltype(&::sane_control_option) controlOption = nullptr;
    decltype(&::sane_get_parameters) getParameters = nullptr;
    decltype(&::sane_start) start = nullptr;
    decltype(&::sane_read) read = nullptr;
    decltype(&::sane_cancel) cancel = nullptr;
};

class SaneDevice;

// sane_init .. sane_exit.  When SANE finds no scanner at all, its test
// device is offered as the demonstration scanner from a configuration folder
// of our own, so that a new user can try the program at once: named so in
// the device list, and scanning a colour pattern rather than a black page.
class SaneLibrary {
public:
    SaneLibrary();
    ~SaneLibrary();
    SaneLibrary(const SaneLibrary &) = delete;
    SaneLibrary &operator=(const SaneLibrary &) = delete;

    // Probes the backends once; can take seconds on a real system.
    const std::vector<SaneDeviceInfo> &devices();
    bool probed() const { return probed_; }
    std::unique_ptr<SaneDevice> open(const std::string &name, SANE_Status *status);

private:
    friend class SaneDevice;
    bool load();
    void unload();
    bool probe();
    void useFallbackConfiguration();

    void *module_ = nullptr;
    SaneApi api_;
    bool initialised_ = false;
    bool probed_ = false;
    bool fallback_ = false;
    int openDevices_ = 0;
    std::optional<std::string> savedConfigDir_;
    std::vector<SaneDeviceInfo> devices_;
};

struct SaneRange {
    double min = 0;
    double max = 0;
    double step = 0;
};

class SaneDevice {
public:
    ~SaneDevice();
    SaneDevice(const SaneDevice &) = delete;
    SaneDevice &operator=(const SaneDevice &) = delete;

    // Present, whatever its activity.
    bool has(const char *option) const;
    bool isActive(const char *option) const;

    // Integer and fixed-point options alike, first element.
    std::optional<double> number(const char *option) const;
    // Sets the value; inexact tells that the device rounded it.
    SANE_Status setNumber(const char *option, double value, bool *inexact = nullptr);
    std::optional<std::string> text(const char *option) const;
    SANE_Status setText(const char *option, const std::string &value);
    std::optional<bool> flag(const char *option) const;
    // The choices of a string-list option.
    std::vector<std::string> choices(const char *option) const;
    // Range or word-list bounds of a numeric option.
    std::optional<SaneRange> range(const char *option) const;
    SANE_Unit unit(const char *option) const;

    SANE_Status start();
    SANE_Status parameters(SANE_Parameters *parameters);
    // Reads the frame, handing over each whole row as it completes; stops at
    // the first status that is neither GOOD nor EOF.
    SANE_Status readRows(const SANE_Parameters &parameters, const std::function<void(const unsigned char *)> &row);
    void cancel();

private:
    friend class SaneLibrary;
    SaneDevice(SaneLibrary &library, SANE_Handle handle);
    const SANE_Option_Descriptor *find(const char *option, SANE_Int *index) const;

    SaneLibrary &library_;
    const SaneApi &api_;
    SANE_Handle handle_;
};

} // namespace dsm
