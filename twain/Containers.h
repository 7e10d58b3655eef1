#pragma once
// Capability containers as the source hands them out and reads them back:
// global blocks holding one TW_ONEVALUE or TW_RANGE.
#include "globalmem.h"
#include "twain.h"

#include <optional>

namespace dsm {

// The outcome of one triplet: the return code and, on failure, the condition.
struct Reply {
    TW_UINT16 code = TWRC_SUCCESS;
    TW_UINT16 condition = TWCC_SUCCESS;

    static Reply success() { return {}; }
    static Reply failure(TW_UINT16 condition) { return {TWRC_FAILURE, condition}; }
    static Reply checkStatus() { return {TWRC_CHECKSTATUS, TWCC_SUCCESS}; }
};

TW_FIX32 toFix32(double value);
double fromFix32(TW_FIX32 value);
TW_UINT32 fix32Item(double value);

// The 32-bit item of a container as a real number, by its item type; none for strings and frames.
std::optional<double> itemValue(TW_UINT16 itemType, TW_UINT32 item);

HGLOBAL makeOneValue(TW_UINT16 itemType, TW_UINT32 item);
HGLOBAL makeRange(TW_UINT16 itemType, TW_UINT32 min, TW_UINT32 max, TW_UINT32 step, TW_UINT32 defaultValue,
                  TW_UINT32 current);

// The value of a one-value container sent with MSG_SET.
std::optional<TW_ONEVALUE> readOneValue(const TW_CAPABILITY &capability);

} // namespace dsm
