#pragma once
// How SANE's failures read as TWAIN condition codes.
#include "Containers.h"

#include <sane/sane.h>

namespace dsm {

inline TW_UINT16 conditionFor(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_GOOD: return TWCC_SUCCESS;
    case SANE_STATUS_JAMMED: return TWCC_PAPERJAM;
    case SANE_STATUS_NO_DOCS: return TWCC_NOMEDIA;
    case SANE_STATUS_COVER_OPEN: return TWCC_INTERLOCK;
    case SANE_STATUS_DEVICE_BUSY: return TWCC_MAXCONNECTIONS;
    case SANE_STATUS_ACCESS_DENIED: return TWCC_DENIED;
    case SANE_STATUS_NO_MEM: return TWCC_LOWMEMORY;
    case SANE_STATUS_INVAL: return TWCC_BADVALUE;
    case SANE_STATUS_UNSUPPORTED: return TWCC_BADCAP;
    case SANE_STATUS_IO_ERROR: return TWCC_OPERATIONERROR;
    default: return TWCC_BUMMER;
    }
}

// A cancelled scan is TWRC_CANCEL; every other status but GOOD a failure.
inline Reply replyFor(SANE_Status status)
{
    if (status == SANE_STATUS_GOOD)
        return Reply::success();
    if (status == SANE_STATUS_CANCELLED)
        return Reply{TWRC_CANCEL, TWCC_SUCCESS};
    return Reply::failure(conditionFor(status));
}

} // namespace dsm
