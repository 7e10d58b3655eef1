// The second half of TcsTwainScan: the settings and their rules, the
// negotiation of capabilities with the open source, and persistence.
#include "csTwainScan.h"

#include "Registry.h"
#include "Rounding.h"

#include <QFileInfo>

#include <cstring>

namespace {

const QString BelowState4 = QStringLiteral("Attempt to get capability value below State 4.");
const QString NoMemory = QStringLiteral("Mémoire insuffisante");

// Bytes of one item by its TWTY type.
size_t itemSize(TW_UINT16 type)
{
    static const size_t sizes[] = {1, 2, 4, 1, 2, 4, 2, 4, 16, 34, 66, 130, 256};
    return type < std::size(sizes) ? sizes[type] : 0;
}

bool isInteger(TW_UINT16 type)
{
    return type <= TWTY_UINT32;
}

// An integer-typed item of a container as a real; INT32 keeps its sign.
double integerItem(TW_UINT16 type, TW_UINT32 item)
{
    switch (type) {
    case TWTY_INT8: return double(int8_t(item));
    case TWTY_INT16: return double(int16_t(item));
    case TWTY_INT32: return double(int32_t(item));
    case TWTY_UINT8: return double(uint8_t(item));
    case TWTY_UINT16: return double(uint16_t(item));
    default: return double(item);
    }
}

double rangeItem(TW_UINT16 type, TW_UINT32 item)
{
    if (isInteger(type))
        return integerItem(type, item);
    TW_FIX32 fix;
    std::memcpy(&fix, &item, sizeof fix);
    return TcsTwainScan::Fix32ToFloat(fix);
}

TW_UINT32 fix32Item(TW_FIX32 fix)
{
    TW_UINT32 item = 0;
    std::memcpy(&item, &fix, sizeof fix);
    return item;
}

// A capability container from the source, freed in every case.
class Container {
public:
    explicit Container(HGLOBAL handle) : block_(handle), lock_(handle) {}
    const unsigned char *data() const { return static_cast<const unsigned char *>(lock_.data()); }
    size_t size() const { return data() ? GlobalSize(block_.get()) : 0; }
    template <typename T> bool holds() const { return size() >= sizeof(T); }
    template <typename T> const T &as() const { return *reinterpret_cast<const T *>(data()); }
private:
    GlobalBlock block_;
    GlobalLockGuard lock_;
};

// One item of a list or one value as text; strings only when wanted.
QString itemText(TW_UINT16 type, const unsigned char *item, size_t available, bool withStrings)
{
    const size_t size = itemSize(type);
    if (size == 0 || available < size)
        return {};
    if (isInteger(type)) {
        TW_UINT32 raw = 0;
        std::memcpy(&raw, item, size);
        return QString::number(qint64(integerItem(type, raw)));
    }
    switch (type) {
    case TWTY_BOOL: {
        TW_UINT16 value;
        std::memcpy(&value, item, 2);
        return value ? QStringLiteral("True") : QStringLiteral("False");
    }
    case TWTY_FIX32: {
        TW_FIX32 fix;
        std::memcpy(&fix, item, 4);
        return QString::number(platform::roundEven(TcsTwainScan::Fix32ToFloat(fix)));
    }
    case TWTY_FRAME: return {};
    default:
        if (!withStrings)
            return {};
        return QString::fromLatin1(reinterpret_cast<const char *>(item), qsizetype(strnlen(reinterpret_cast<const char *>(item), size)));
    }
}

} // namespace

// ---- setters ----

namespace {

TcsBitDepth depthFor(TcsPixelType type, TcsBitDepth depth)
{
    if (type == pxBW)
        return bd1Bit;
    if (type == pxRGB)
        return bd24Bit;
    return (depth == bd1Bit || depth == bd24Bit) ? bd8Bit : depth;
}

} // namespace

void TcsTwainScan::SetPixelType(TcsPixelType value)
{
    if (value == PixelType_)
        return;
    PixelType_ = value;
    BitDepth_ = depthFor(PixelType_, BitDepth_);
}

void TcsTwainScan::SetBitDepth(TcsBitDepth value)
{
    if (value == BitDepth_)
        return;
    BitDepth_ = depthFor(PixelType_, value);
}

void TcsTwainScan::SetResolution(int32_t value)
{
    Resolution_ = std::clamp(value, 10, 1200);
}

void TcsTwainScan::SetBrightness(uint8_t value)
{
    Brightness_ = std::min<uint8_t>(value, 250);
}

void TcsTwainScan::SetContrast(uint8_t value)
{
    Contrast_ = std::min<uint8_t>(value, 250);
}

void TcsTwainScan::SetHighlight(uint8_t value)
{
    if (value == Highlight_)
        return;
    Highlight_ = value > Shadow_ ? value : uint8_t(Shadow_ + 1);
}

void TcsTwainScan::SetShadow(uint8_t value)
{
    if (value == Shadow_)
        return;
    Shadow_ = value < Highlight_ ? value : uint8_t(Highlight_ - 1);
}

// ---- negotiation ----

bool TcsTwainScan::Negotiate()
{
    NegotiatedCaps_ = 0;
    bool bEnable = true;
    bool bSetCurrent = true;
    if (IsAssigned(&TcsTwainScan::OnNegotiate))
        emit OnNegotiate(this, bEnable, bSetCurrent);
    if (!bSetCurrent)
        return bEnable;

    auto step = [this](bool done, int bit) {
        if (done)
            NegotiatedCaps_ |= TcsCapBit(bit);
    };
    static const TW_UINT16 depthValues[] = {1, 4, 8, 8};
    step(SetCapability(CAP_INDICATORS, TWTY_BOOL, Indicators_), 15);
    step(SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, PixelType_), 0);
    step(SetCapability(ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_CHOCOLATE), 16);
    step(SetCapability(ICAP_BITDEPTH, TWTY_UINT16, depthValues[BitDepth_]), 1);
    step(SetCapability(ICAP_BITDEPTHREDUCTION, TWTY_UINT16, BitDepthReduction_), 2);
    // The resolution goes out in the source's own units, before they change to centimetres.
    const TW_UINT32 resolution = fix32Item(FloatToFix32(Resolution_));
    step(SetCapability(ICAP_XRESOLUTION, TWTY_FIX32, resolution)
             && SetCapability(ICAP_YRESOLUTION, TWTY_FIX32, resolution),
         4);
    step(SetCapability(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS), 17);
    step(SetCapability(CAP_FEEDERENABLED, TWTY_BOOL, FeederEnabled_), 11);
    step(SetCapability(CAP_AUTOFEED, TWTY_BOOL, AutoFeed_), 13);
    TW_BOOL loaded = 0;
    const bool read = GetCapabilityCurrent(CAP_FEEDERLOADED, TWTY_BOOL, &loaded);
    if (read)
        FeederLoaded_ = loaded != 0;
    step(read, 12);
    // A feeder that tells it holds no paper: this session scans from the
    // glass, and the setting stays for the next one.
    if (read && FeederEnabled_ && !FeederLoaded_)
        SetCapability(CAP_FEEDERENABLED, TWTY_BOOL, 0);
    else if (FeederEnabled_ && DuplexEnabled_)
        SetCapability(CAP_DUPLEXENABLED, TWTY_BOOL, 1); // a feeder without a duplex unit feeds one face
    if (FrameSize_ == fsDetected)
        step(SetCapability(ICAP_AUTOMATICBORDERDETECTION, TWTY_BOOL, AutoBorderDetection_), 14);
    else
        step(SetImageLayout(), 18);
    step(SetCapability(ICAP_AUTOBRIGHT, TWTY_BOOL, AutoBrightness_), 5);
    step(SetScaledCapability(ICAP_BRIGHTNESS, Brightness_, 250), 6);
    step(SetScaledCapability(ICAP_CONTRAST, Contrast_, 250), 7);
    step(SetScaledCapability(ICAP_HIGHLIGHT, Highlight_, 255), 8);
    step(SetScaledCapability(ICAP_SHADOW, Shadow_, 255), 9);
    step(SetScaledCapability(ICAP_THRESHOLD, Threshold_, 255), 10);
    return bEnable;
}

bool TcsTwainScan::CheckCapabilityState()
{
    if (SessionState_ >= 4)
        return true;
    ShowError(BelowState4);
    return false;
}

bool TcsTwainScan::SetCapability(TW_UINT16 capability, TW_UINT16 itemType, TW_UINT32 item)
{
    if (SessionState_ != 4) {
        ShowError(BelowState4);
        return false;
    }
    GlobalBlock block(GlobalAlloc(GHND, sizeof(TW_ONEVALUE)));
    if (!block) {
        ShowError(NoMemory);
        return false;
    }
    {
        GlobalLockGuard lock(block.get());
        lock.as<TW_ONEVALUE>()->ItemType = itemType;
        lock.as<TW_ONEVALUE>()->Item = item;
    }
    TW_CAPABILITY container{capability, TWON_ONEVALUE, block.get()};
    return CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &container) == TWRC_SUCCESS;
}

bool TcsTwainScan::SetScaledCapability(TW_UINT16 capability, uint8_t setting, int divisor)
{
    double min = 0, max = 0, step = 0;
    if (!GetCapabilityRange(capability, min, max, step))
        return false;
    const long double low = platform::roundEven(min);
    const long double high = platform::roundEven(max);
    const long double span = (high - low) / divisor;
    long double value = low + setting * span;
    // Multiples of the step counted from 0; a source without a step gets the value as it is.
    if (step > 0)
        value = step * platform::roundEven(value / step);
    return SetCapability(capability, TWTY_FIX32, fix32Item(FloatToFix32(double(value))));
}

bool TcsTwainScan::SetImageLayout()
{
    TW_IMAGELAYOUT layout{};
    layout.Frame = FrameTable_[FrameSize_];
    layout.DocumentNumber = 1;
    layout.PageNumber = 1;
    layout.FrameNumber = 1;
    std::exception_ptr raised;
    if (FrameSize_ == fsCustom && IsAssigned(&TcsTwainScan::OnSetFrame)) {
        try {
            emit OnSetFrame(this, layout.Frame);
        } catch (...) {
            raised = std::current_exception();
        }
    }
    const bool done = CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout) == TWRC_SUCCESS;
    if (raised)
        std::rethrow_exception(raised);
    return done;
}

bool TcsTwainScan::GetCapabilityRange(TW_UINT16 capability, double &min, double &max, double &step)
{
    if (!CheckCapabilityState())
        return false;
    TW_CAPABILITY request{capability, TWON_RANGE, nullptr};
    const TW_UINT16 code = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &request);
    Container container(request.hContainer);
    if (code != TWRC_SUCCESS || request.ConType != TWON_RANGE || !container.holds<TW_RANGE>())
        return false;
    const TW_RANGE &range = container.as<TW_RANGE>();
    min = rangeItem(range.ItemType, range.MinValue);
    max = rangeItem(range.ItemType, range.MaxValue);
    step = rangeItem(range.ItemType, range.StepSize);
    return true;
}

bool TcsTwainScan::GetCapabilityCurrent(TW_UINT16 capability, TW_UINT16 itemType, void *destination)
{
    if (destination == nullptr)
        return false;
    if (!CheckCapabilityState())
        return false;
    TW_CAPABILITY request{capability, TWON_ONEVALUE, nullptr};
    const TW_UINT16 code = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &request);
    Container container(request.hContainer);
    if (code != TWRC_SUCCESS || container.size() < sizeof(TW_UINT16))
        return false;
    const TW_UINT16 returned = container.as<TW_UINT16>();
    const size_t wanted = itemSize(itemType);
    const bool suits = returned == itemType
        || (isInteger(returned) && isInteger(itemType) && itemSize(returned) == wanted);
    if (!suits || wanted == 0)
        return false;
    size_t offset = 0;
    switch (request.ConType) {
    case TWON_ENUMERATION: {
        if (!container.holds<TW_ENUMERATION>())
            return false;
        const TW_ENUMERATION &list = container.as<TW_ENUMERATION>();
        if (list.CurrentIndex >= list.NumItems)
            return false;
        offset = offsetof(TW_ENUMERATION, ItemList) + size_t(list.CurrentIndex) * itemSize(returned);
        break;
    }
    case TWON_ONEVALUE: offset = offsetof(TW_ONEVALUE, Item); break;
    case TWON_RANGE: offset = offsetof(TW_RANGE, CurrentValue); break;
    default: return false;
    }
    if (offset + wanted > container.size())
        return false;
    std::memcpy(destination, container.data() + offset, wanted);
    return true;
}

QString TcsTwainScan::GetCapabilityText(TW_UINT16 capability)
{
    if (!CheckCapabilityState())
        return {};
    TW_CAPABILITY request{capability, TWON_ONEVALUE, nullptr};
    const TW_UINT16 code = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &request);
    Container container(request.hContainer);
    if (code != TWRC_SUCCESS || container.size() < sizeof(TW_UINT16))
        return {};
    const TW_UINT16 type = container.as<TW_UINT16>();
    switch (request.ConType) {
    case TWON_ARRAY:
    case TWON_ENUMERATION: {
        const bool isArray = request.ConType == TWON_ARRAY;
        const size_t start = isArray ? offsetof(TW_ARRAY, ItemList) : offsetof(TW_ENUMERATION, ItemList);
        if (container.size() < start)
            return {};
        const TW_UINT32 count = isArray ? container.as<TW_ARRAY>().NumItems : container.as<TW_ENUMERATION>().NumItems;
        const size_t size = itemSize(type);
        QStringList items;
        for (TW_UINT32 i = 0; i < count && size > 0 && start + (i + 1) * size <= container.size(); ++i)
            items << itemText(type, container.data() + start + i * size, size, true);
        return items.join(QStringLiteral("; "));
    }
    case TWON_ONEVALUE:
        return itemText(type, container.data() + offsetof(TW_ONEVALUE, Item),
                        container.size() - offsetof(TW_ONEVALUE, Item), false);
    case TWON_RANGE: {
        if (!container.holds<TW_RANGE>() || (!isInteger(type) && type != TWTY_FIX32))
            return {};
        const TW_RANGE &range = container.as<TW_RANGE>();
        auto number = [type](TW_UINT32 item) { return QString::number(platform::roundEven(rangeItem(type, item))); };
        return QStringLiteral("Min: ") + number(range.MinValue) + QStringLiteral(" Max: ") + number(range.MaxValue)
            + QStringLiteral(" Step: ") + number(range.StepSize);
    }
    default: return {};
    }
}

TW_FIX32 TcsTwainScan::FloatToFix32(double value)
{
    const auto whole = static_cast<int32_t>(platform::roundEven(static_cast<long double>(value) * 65536 + 0.5L));
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(whole >> 16);
    fix.Frac = static_cast<TW_UINT16>(whole & 0xFFFF);
    return fix;
}

double TcsTwainScan::Fix32ToFloat(TW_FIX32 value)
{
    return (double(value.Whole) * 65536 + value.Frac) / 65536;
}

// ---- persistence ----

namespace {

platform::RegistryRoot rootOf(TcsRootKeyType root)
{
    return root == THKEY_LOCAL_MACHINE ? platform::RegistryRoot::LocalMachine : platform::RegistryRoot::CurrentUser;
}

} // namespace

QString TcsTwainScan::IdentityText(const TW_STR32 &text)
{
    return QString::fromUtf8(text, qsizetype(strnlen(text, sizeof(TW_STR32))));
}

QString TcsTwainScan::RegistryKeyPath() const
{
    return QStringLiteral("Software\\") + RegCompany_ + QLatin1Char('\\') + IdentityText(AppIdentity_.ProductFamily)
        + QLatin1Char('\\') + IdentityText(AppIdentity_.ProductName) + QStringLiteral("\\TWAIN");
}

void TcsTwainScan::Loaded()
{
    LoadSettings();
}

// A stored value: its name, the range a stored value must lie in to be
// taken, and how the component gives and takes it.
struct TcsTwainScan::StoredSetting {
    const char *name;
    int32_t low, high;
    int32_t (*get)(const TcsTwainScan &);
    void (*set)(TcsTwainScan &, int32_t);
};

std::span<const TcsTwainScan::StoredSetting> TcsTwainScan::storedSettings()
{
    using S = TcsTwainScan;
    static const StoredSetting rows[] = {
        {"AutoBrightness", 0, 1, [](const S &s) { return int32_t(s.AutoBrightness_); },
         [](S &s, int32_t v) { s.AutoBrightness_ = v != 0; }},
        {"BitDepth", bd1Bit, bd24Bit, [](const S &s) { return int32_t(s.BitDepth_); },
         [](S &s, int32_t v) { s.BitDepth_ = TcsBitDepth(v); }},
        {"BitDepthReduction", brThreshold, brDiffusion, [](const S &s) { return int32_t(s.BitDepthReduction_); },
         [](S &s, int32_t v) { s.BitDepthReduction_ = TcsBitDepthReduction(v); }},
        {"Brightness", 0, 255, [](const S &s) { return int32_t(s.Brightness_); },
         [](S &s, int32_t v) { s.SetBrightness(uint8_t(v)); }},
        {"Contrast", 0, 255, [](const S &s) { return int32_t(s.Contrast_); },
         [](S &s, int32_t v) { s.SetContrast(uint8_t(v)); }},
        {"FeederEnabled", 0, 1, [](const S &s) { return int32_t(s.FeederEnabled_); },
         [](S &s, int32_t v) { s.FeederEnabled_ = v != 0; }},
        {"FrameSize", fsCustom, fsLetter, [](const S &s) { return int32_t(s.FrameSize_); },
         [](S &s, int32_t v) { s.FrameSize_ = TcsFrameSize(v); }},
        {"Highlight", 0, 255, [](const S &s) { return int32_t(s.Highlight_); },
         [](S &s, int32_t v) { s.Highlight_ = uint8_t(v); }},
        {"Inverted", 0, 1, [](const S &s) { return int32_t(s.Inverted_); },
         [](S &s, int32_t v) { s.Inverted_ = v != 0; }},
        {"PixelType", pxBW, pxPalette, [](const S &s) { return int32_t(s.PixelType_); },
         [](S &s, int32_t v) { s.PixelType_ = TcsPixelType(v); }},
        {"Resolution", INT32_MIN, INT32_MAX, [](const S &s) { return s.Resolution_; },
         [](S &s, int32_t v) { s.SetResolution(v); }},
        {"Shadow", 0, 255, [](const S &s) { return int32_t(s.Shadow_); },
         [](S &s, int32_t v) { s.Shadow_ = uint8_t(v); }},
        {"Threshold", 0, 255, [](const S &s) { return int32_t(s.Threshold_); },
         [](S &s, int32_t v) { s.Threshold_ = uint8_t(v); }},
    };
    return rows;
}

void TcsTwainScan::LoadSettings()
{
    platform::RegistryKey key(RegistryKeyPath(), rootOf(RegRootKey_));
    if (!QFileInfo::exists(key.fileName()))
        return;
    // A missing value keeps its setting; one outside its range is refused or brought in by the setter rules.
    for (const StoredSetting &row : storedSettings()) {
        const std::optional<int32_t> value = key.readDword(QLatin1String(row.name));
        if (value && *value >= row.low && *value <= row.high)
            row.set(*this, *value);
    }
    BitDepth_ = depthFor(PixelType_, BitDepth_);
}

void TcsTwainScan::SaveSettings()
{
    if (RegCompany_.trimmed().isEmpty())
        return;
    platform::RegistryKey key(RegistryKeyPath(), rootOf(RegRootKey_));
    for (const StoredSetting &row : storedSettings())
        key.writeDword(QLatin1String(row.name), row.get(*this));
    key.flush();
}
