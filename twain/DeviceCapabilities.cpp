#include "DeviceCapabilities.h"

#include "SaneStatus.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace dsm {

namespace {

bool sameText(const std::string &a, const char *b)
{
    const std::string other(b);
    return a.size() == other.size()
        && std::equal(a.begin(), a.end(), other.begin(),
                      [](char x, char y) { return std::tolower((unsigned char)x) == std::tolower((unsigned char)y); });
}

bool containsText(const std::string &text, const char *part)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower.find(part) != std::string::npos;
}

// Units per inch of ICAP_UNITS values we measure in; pixels are refused.
std::optional<double> unitsPerInchOf(TW_UINT16 units)
{
    switch (units) {
    case TWUN_INCHES: return 1.0;
    case TWUN_CENTIMETERS: return 2.54;
    case TWUN_PICAS: return 6.0;
    case TWUN_POINTS: return 72.0;
    case TWUN_TWIPS: return 1440.0;
    default: return std::nullopt;
    }
}

const char *scaledOption(TW_UINT16 cap)
{
    switch (cap) {
    case ICAP_BRIGHTNESS: return "brightness";
    case ICAP_CONTRAST: return "contrast";
    case ICAP_HIGHLIGHT: return "highlight";
    case ICAP_SHADOW: return "shadow";
    case ICAP_THRESHOLD: return "threshold";
    default: return nullptr;
    }
}

// The first failure, else a rounding, else success.
Reply combine(Reply a, Reply b)
{
    if (a.code == TWRC_FAILURE)
        return a;
    if (b.code == TWRC_FAILURE)
        return b;
    return a.code == TWRC_CHECKSTATUS ? a : b;
}

Reply oneValue(TW_CAPABILITY *capability, TW_UINT16 itemType, TW_UINT32 item)
{
    capability->ConType = TWON_ONEVALUE;
    capability->hContainer = makeOneValue(itemType, item);
    return capability->hContainer ? Reply::success() : Reply::failure(TWCC_LOWMEMORY);
}

const char *const GeometryOptions[4] = {"tl-x", "tl-y", "br-x", "br-y"};

} // namespace

double DeviceCapabilities::unitsPerInch() const
{
    return unitsPerInchOf(units_).value_or(1.0);
}

std::string DeviceCapabilities::modeChoice(std::initializer_list<const char *> names) const
{
    for (const std::string &choice : device_.choices("mode"))
        for (const char *name : names)
            if (sameText(choice, name))
                return choice;
    return {};
}

std::string DeviceCapabilities::feederChoice() const
{
    // One face at a time; a feeder that only turns both faces still feeds.
    for (const std::string &choice : device_.choices("source"))
        if ((containsText(choice, "feeder") || containsText(choice, "adf")) && !containsText(choice, "duplex"))
            return choice;
    return duplexChoice();
}

std::string DeviceCapabilities::duplexChoice() const
{
    for (const std::string &choice : device_.choices("source"))
        if (containsText(choice, "duplex"))
            return choice;
    return {};
}

std::string DeviceCapabilities::flatbedChoice() const
{
    const std::string feeder = feederChoice(), duplex = duplexChoice();
    for (const std::string &choice : device_.choices("source"))
        if (choice != feeder && choice != duplex && containsText(choice, "flatbed"))
            return choice;
    for (const std::string &choice : device_.choices("source"))
        if (choice != feeder && choice != duplex)
            return choice;
    return {};
}

void DeviceCapabilities::glassOnly()
{
    if (hasFeeder())
        setFeeder(false);
    feederOffered_ = false;
}

bool DeviceCapabilities::feederActive() const
{
    const std::string feeder = feederChoice(), source = device_.text("source").value_or(std::string());
    return !feeder.empty() && (source == feeder || duplexActive());
}

bool DeviceCapabilities::duplexActive() const
{
    const std::string duplex = duplexChoice();
    return !duplex.empty() && device_.text("source").value_or(std::string()) == duplex;
}

const char *DeviceCapabilities::resolutionOption(bool vertical) const
{
    if (device_.has("resolution"))
        return "resolution";
    return vertical ? "y-resolution" : "x-resolution";
}

double DeviceCapabilities::resolution() const
{
    return device_.number(resolutionOption(false)).value_or(0.0);
}

TW_UINT16 DeviceCapabilities::pixelType() const
{
    const std::string mode = device_.text("mode").value_or(std::string());
    if (sameText(mode, "Lineart") || sameText(mode, "Binary") || containsText(mode, "halftone"))
        return TWPT_BW;
    if (sameText(mode, "Color") || sameText(mode, "Colour") || sameText(mode, "RGB"))
        return TWPT_RGB;
    return device_.number("depth").value_or(8.0) == 1.0 ? TWPT_BW : TWPT_GRAY;
}

Reply DeviceCapabilities::setPixelType(TW_UINT16 type)
{
    if (!device_.has("mode"))
        return pixelType() == type ? Reply::success() : Reply::failure(TWCC_BADVALUE);
    std::string mode;
    double depth = 8;
    switch (type) {
    case TWPT_BW:
        mode = modeChoice({"Lineart", "Binary"});
        if (mode.empty()) {
            // Line art as grey at one bit per pixel.
            mode = modeChoice({"Gray", "Grey"});
            depth = 1;
        }
        break;
    case TWPT_GRAY: mode = modeChoice({"Gray", "Grey"}); break;
    case TWPT_RGB: mode = modeChoice({"Color", "Colour", "RGB"}); break;
    default: break;
    }
    if (mode.empty())
        return Reply::failure(TWCC_BADVALUE);
    if (SANE_Status status = device_.setText("mode", mode); status != SANE_STATUS_GOOD)
        return replyFor(status);
    if (!device_.isActive("depth"))
        return pixelType() == type ? Reply::success() : Reply::failure(TWCC_BADVALUE);
    SANE_Status status = device_.setNumber("depth", depth);
    // A grey or colour device without 8-bit samples still gives 16, which we reduce.
    if (status != SANE_STATUS_GOOD && depth == 8)
        status = device_.setNumber("depth", 16);
    return status == SANE_STATUS_GOOD ? Reply::success() : Reply::failure(TWCC_BADVALUE);
}

Reply DeviceCapabilities::setResolution(double dpi)
{
    bool inexact = false;
    const SANE_Status status = device_.setNumber(resolutionOption(false), dpi, &inexact);
    if (status == SANE_STATUS_GOOD && !device_.has("resolution"))
        device_.setNumber(resolutionOption(true), dpi);
    if (status != SANE_STATUS_GOOD)
        return replyFor(status);
    return inexact ? Reply::checkStatus() : Reply::success();
}

Reply DeviceCapabilities::setFeeder(bool enabled)
{
    const std::string choice = enabled ? feederChoice() : flatbedChoice();
    if (choice.empty())
        return Reply::failure(enabled ? TWCC_BADCAP : TWCC_BADVALUE);
    return replyFor(device_.setText("source", choice));
}

Reply DeviceCapabilities::setDuplex(bool enabled)
{
    if (!hasFeeder() || duplexChoice().empty())
        return Reply::failure(TWCC_BADCAP);
    if (!enabled && !duplexActive())
        return Reply::success();
    return replyFor(device_.setText("source", enabled ? duplexChoice() : feederChoice()));
}

Reply DeviceCapabilities::getNumber(TW_UINT16 msg, const char *option, TW_CAPABILITY *capability)
{
    if (!device_.has(option))
        return Reply::failure(TWCC_BADCAP);
    const std::optional<double> current = device_.number(option);
    if (!current)
        return Reply::failure(TWCC_CAPSEQERROR);
    // Resolutions are told in the current units; everything else as the device has it.
    const bool isResolution = capability->Cap == ICAP_XRESOLUTION || capability->Cap == ICAP_YRESOLUTION;
    const double factor = isResolution ? unitsPerInch() : 1.0;
    const std::optional<SaneRange> range = device_.range(option);
    if (msg != MSG_GET || !range)
        return oneValue(capability, TWTY_FIX32, fix32Item(*current / factor));
    const double step = range->step > 0 ? range->step : 1.0;
    capability->ConType = TWON_RANGE;
    capability->hContainer = makeRange(TWTY_FIX32, fix32Item(range->min / factor), fix32Item(range->max / factor),
                                       fix32Item(step / factor), fix32Item(*current / factor),
                                       fix32Item(*current / factor));
    return capability->hContainer ? Reply::success() : Reply::failure(TWCC_LOWMEMORY);
}

Reply DeviceCapabilities::setNumber(const char *option, const TW_ONEVALUE &value, double factor)
{
    if (!device_.has(option))
        return Reply::failure(TWCC_BADCAP);
    if (!device_.isActive(option))
        return Reply::failure(TWCC_CAPSEQERROR);
    const std::optional<double> wanted = itemValue(value.ItemType, value.Item);
    if (!wanted)
        return Reply::failure(TWCC_BADVALUE);
    const double deviceValue = *wanted * factor;
    if (const std::optional<SaneRange> range = device_.range(option);
        range && (deviceValue < range->min - 1e-6 || deviceValue > range->max + 1e-6))
        return Reply::failure(TWCC_BADVALUE);
    bool inexact = false;
    const SANE_Status status = device_.setNumber(option, deviceValue, &inexact);
    if (status != SANE_STATUS_GOOD)
        return replyFor(status);
    return inexact ? Reply::checkStatus() : Reply::success();
}

Reply DeviceCapabilities::get(TW_UINT16 msg, TW_CAPABILITY *capability)
{
    capability->hContainer = nullptr;
    if (const char *option = scaledOption(capability->Cap))
        return getNumber(msg, option, capability);
    switch (capability->Cap) {
    case CAP_INDICATORS: return oneValue(capability, TWTY_BOOL, indicators_);
    case ICAP_PIXELTYPE: return oneValue(capability, TWTY_UINT16, pixelType());
    case ICAP_PIXELFLAVOR: return oneValue(capability, TWTY_UINT16, TWPF_CHOCOLATE);
    case ICAP_BITDEPTH: return oneValue(capability, TWTY_UINT16, pixelType() == TWPT_BW ? 1 : 8);
    case ICAP_BITDEPTHREDUCTION: return oneValue(capability, TWTY_UINT16, TWBR_THRESHOLD);
    case ICAP_UNITS: return oneValue(capability, TWTY_UINT16, units_);
    case ICAP_XRESOLUTION: return getNumber(msg, resolutionOption(false), capability);
    case ICAP_YRESOLUTION: return getNumber(msg, resolutionOption(true), capability);
    case CAP_FEEDERENABLED:
        return hasFeeder() ? oneValue(capability, TWTY_BOOL, feederActive()) : Reply::failure(TWCC_BADCAP);
    case CAP_AUTOFEED: return hasFeeder() ? oneValue(capability, TWTY_BOOL, 1) : Reply::failure(TWCC_BADCAP);
    case CAP_DUPLEX:
        return oneValue(capability, TWTY_UINT16, hasFeeder() && !duplexChoice().empty() ? TWDX_1PASSDUPLEX : TWDX_NONE);
    case CAP_DUPLEXENABLED:
        return hasFeeder() && !duplexChoice().empty() ? oneValue(capability, TWTY_BOOL, duplexActive())
                                                      : Reply::failure(TWCC_BADCAP);
    case CAP_FEEDERLOADED:
        // Only a device with a paper sensor can tell.
        if (const std::optional<bool> loaded = device_.flag("page-loaded"))
            return oneValue(capability, TWTY_BOOL, *loaded);
        return Reply::failure(TWCC_BADCAP);
    default: return Reply::failure(TWCC_BADCAP);
    }
}

Reply DeviceCapabilities::set(const TW_CAPABILITY &capability)
{
    const std::optional<TW_ONEVALUE> value = readOneValue(capability);
    if (!value)
        return Reply::failure(TWCC_BADVALUE);
    const TW_UINT32 item = value->Item;
    if (const char *option = scaledOption(capability.Cap))
        return setNumber(option, *value);
    switch (capability.Cap) {
    case CAP_INDICATORS:
        indicators_ = (item & 0xFFFF) != 0;
        return Reply::success();
    case ICAP_PIXELTYPE: return setPixelType(TW_UINT16(item));
    case ICAP_PIXELFLAVOR:
        return (item & 0xFFFF) == TWPF_CHOCOLATE ? Reply::success() : Reply::failure(TWCC_BADVALUE);
    case ICAP_BITDEPTH:
        return (item & 0xFFFF) == (pixelType() == TWPT_BW ? 1u : 8u) ? Reply::success()
                                                                     : Reply::failure(TWCC_BADVALUE);
    case ICAP_BITDEPTHREDUCTION:
        return (item & 0xFFFF) == TWBR_THRESHOLD ? Reply::success() : Reply::failure(TWCC_BADVALUE);
    case ICAP_UNITS:
        if (!unitsPerInchOf(TW_UINT16(item)))
            return Reply::failure(TWCC_BADVALUE);
        units_ = TW_UINT16(item);
        return Reply::success();
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        const char *option = resolutionOption(capability.Cap == ICAP_YRESOLUTION);
        return setNumber(option, *value, unitsPerInch());
    }
    case CAP_FEEDERENABLED:
        return hasFeeder() ? setFeeder((item & 0xFFFF) != 0) : Reply::failure(TWCC_BADCAP);
    case CAP_DUPLEXENABLED: return setDuplex((item & 0xFFFF) != 0);
    case CAP_AUTOFEED:
        // Pages are always fed by themselves: there is no way to feed them one by one.
        if (!hasFeeder())
            return Reply::failure(TWCC_BADCAP);
        return (item & 0xFFFF) != 0 ? Reply::success() : Reply::failure(TWCC_BADVALUE);
    case CAP_FEEDERLOADED:
        return device_.has("page-loaded") ? Reply::failure(TWCC_CAPBADOPERATION) : Reply::failure(TWCC_BADCAP);
    default: return Reply::failure(TWCC_BADCAP);
    }
}

Reply DeviceCapabilities::setGeometry(const char *option, double millimetres)
{
    double value = millimetres;
    if (device_.unit(option) == SANE_UNIT_PIXEL)
        value = millimetres / 25.4 * resolution();
    else if (device_.unit(option) != SANE_UNIT_MM)
        return Reply::failure(TWCC_BADPROTOCOL);
    Reply reply;
    if (const std::optional<SaneRange> range = device_.range(option)) {
        const double clamped = std::clamp(value, range->min, range->max);
        if (std::fabs(clamped - value) > 1e-6)
            reply = Reply::checkStatus();
        value = clamped;
    }
    bool inexact = false;
    const SANE_Status status = device_.setNumber(option, value, &inexact);
    if (status != SANE_STATUS_GOOD)
        return replyFor(status);
    return combine(reply, inexact ? Reply::checkStatus() : Reply::success());
}

Reply DeviceCapabilities::setLayout(const TW_IMAGELAYOUT &layout)
{
    for (const char *option : GeometryOptions)
        if (!device_.has(option))
            return Reply::failure(TWCC_BADPROTOCOL);
    const double toMillimetres = 25.4 / unitsPerInch();
    const double edges[4] = {fromFix32(layout.Frame.Left) * toMillimetres, fromFix32(layout.Frame.Top) * toMillimetres,
                             fromFix32(layout.Frame.Right) * toMillimetres,
                             fromFix32(layout.Frame.Bottom) * toMillimetres};
    if (edges[2] <= edges[0] || edges[3] <= edges[1] || edges[0] < 0 || edges[1] < 0)
        return Reply::failure(TWCC_BADVALUE);
    Reply reply;
    for (int i = 0; i < 4; ++i)
        reply = combine(reply, setGeometry(GeometryOptions[i], edges[i]));
    return reply;
}

Reply DeviceCapabilities::getLayout(TW_IMAGELAYOUT *layout)
{
    double edges[4];
    for (int i = 0; i < 4; ++i) {
        const std::optional<double> value = device_.number(GeometryOptions[i]);
        if (!value)
            return Reply::failure(TWCC_BADPROTOCOL);
        edges[i] = device_.unit(GeometryOptions[i]) == SANE_UNIT_PIXEL && resolution() > 0
            ? *value / resolution() * 25.4 : *value;
    }
    const double toUnits = unitsPerInch() / 25.4;
    layout->Frame = TW_FRAME{toFix32(edges[0] * toUnits), toFix32(edges[1] * toUnits), toFix32(edges[2] * toUnits),
                             toFix32(edges[3] * toUnits)};
    layout->DocumentNumber = 1;
    layout->PageNumber = 1;
    layout->FrameNumber = 1;
    return Reply::success();
}

} // namespace dsm
