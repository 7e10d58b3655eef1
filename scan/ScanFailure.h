#pragma once
// Why a scan stopped, told to the user from the condition code the source
// gave for the failed transfer (TcsTwainScan::SessionEnd).
#include "twain.h"

#include <QString>

namespace scan {

// A short French clause, without capital or full stop: "du papier est coincé dans le scanner".
QString scanFailureReason(TW_UINT16 condition);

} // namespace scan
