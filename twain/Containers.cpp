#include "Containers.h"

#include <cmath>
#include <cstring>

namespace dsm {

TW_FIX32 toFix32(double value)
{
    const auto scaled = static_cast<int32_t>(std::lround(value * 65536.0));
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(scaled >> 16);
    fix.Frac = static_cast<TW_UINT16>(scaled & 0xFFFF);
    return fix;
}

double fromFix32(TW_FIX32 value)
{
    return value.Whole + value.Frac / 65536.0;
}

TW_UINT32 fix32Item(double value)
{
    const TW_FIX32 fix = toFix32(value);
    TW_UINT32 item = 0;
    std::memcpy(&item, &fix, sizeof fix);
    return item;
}

std::optional<double> itemValue(TW_UINT16 itemType, TW_UINT32 item)
{
    switch (itemType) {
    case TWTY_INT8: return double(static_cast<TW_INT8>(item));
    case TWTY_INT16: return double(static_cast<TW_INT16>(item));
    case TWTY_INT32: return double(static_cast<TW_INT32>(item));
    case TWTY_UINT8: return double(static_cast<TW_UINT8>(item));
    case TWTY_UINT16:
    case TWTY_BOOL: return double(static_cast<TW_UINT16>(item));
    case TWTY_UINT32: return double(item);
    case TWTY_FIX32: {
        TW_FIX32 fix;
        std::memcpy(&fix, &item, sizeof fix);
        return fromFix32(fix);
    }
    default: return std::nullopt;
    }
}

HGLOBAL makeOneValue(TW_UINT16 itemType, TW_UINT32 item)
{
    HGLOBAL block = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    if (block) {
        GlobalLockGuard lock(block);
        lock.as<TW_ONEVALUE>()->ItemType = itemType;
        lock.as<TW_ONEVALUE>()->Item = item;
    }
    return block;
}

HGLOBAL makeRange(TW_UINT16 itemType, TW_UINT32 min, TW_UINT32 max, TW_UINT32 step, TW_UINT32 defaultValue,
                  TW_UINT32 current)
{
    HGLOBAL block = GlobalAlloc(GHND, sizeof(TW_RANGE));
    if (block) {
        GlobalLockGuard lock(block);
        *lock.as<TW_RANGE>() = TW_RANGE{itemType, min, max, step, defaultValue, current};
    }
    return block;
}

std::optional<TW_ONEVALUE> readOneValue(const TW_CAPABILITY &capability)
{
    if (capability.ConType != TWON_ONEVALUE || GlobalSize(capability.hContainer) < sizeof(TW_ONEVALUE))
        return std::nullopt;
    GlobalLockGuard lock(capability.hContainer);
    if (!lock.data())
        return std::nullopt;
    return *lock.as<TW_ONEVALUE>();
}

} // namespace dsm
