// The one export of the source manager library.  Nothing thrown inside may
// cross it: a failure is a return code like any other.
#include "SourceManager.h"
#include "twain.h"

namespace {

dsm::SourceManager &manager()
{
    static dsm::SourceManager instance;
    return instance;
}

} // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest,
                                                                     TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                                                     TW_MEMREF pData)
{
    try {
        return manager().entry(pOrigin, pDest, DG, DAT, MSG, pData);
    } catch (...) {
        return TWRC_FAILURE;
    }
}
