#include "ScanFailure.h"

namespace scan {

namespace {

// "No media" came after protocol 1.8; our source manager gives this value for an empty feeder.
constexpr TW_UINT16 NoMedia = 29;

} // namespace

QString scanFailureReason(TW_UINT16 condition)
{
    switch (condition) {
    case TWCC_PAPERJAM: return QStringLiteral("du papier est coincé dans le scanner");
    case TWCC_PAPERDOUBLEFEED: return QStringLiteral("le chargeur a pris plusieurs feuilles à la fois");
    case TWCC_CHECKDEVICEONLINE: return QStringLiteral("le scanner n'est pas prêt (capot ouvert ou appareil éteint)");
    case NoMedia: return QStringLiteral("le chargeur de documents est vide");
    case TWCC_NODS: return QStringLiteral("le scanner n'est plus branché");
    case TWCC_MAXCONNECTIONS: return QStringLiteral("le scanner est occupé par un autre programme");
    case TWCC_DENIED: return QStringLiteral("l'accès au scanner est refusé");
    case TWCC_LOWMEMORY: return QStringLiteral("la mémoire ne suffit pas pour cette image");
    case TWCC_OPERATIONERROR: return QStringLiteral("le scanner ne répond plus");
    default: return QStringLiteral("le scanner a signalé une erreur (code %1)").arg(condition);
    }
}

} // namespace scan
