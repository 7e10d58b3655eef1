#include "ScanFailure.h"

namespace scan {

namespace {

// The kind a condition of the manager or the source names; `named` tells
// whether a particular scanner was asked for, for "no data source".
FailureKind kindOf(TW_UINT16 condition, bool named)
{
    switch (condition) {
    case TWCC_NODS: return named ? FailureKind::ScannerMissing : FailureKind::NoScanner;
    case TWCC_PAPERJAM:
    case TWCC_PAPERDOUBLEFEED: return FailureKind::PaperJam;
    case TWCC_NOMEDIA: return FailureKind::NoDocument;
    case TWCC_INTERLOCK: return FailureKind::CoverOpen;
    case TWCC_MAXCONNECTIONS: return FailureKind::Busy;
    case TWCC_OPERATIONERROR:
    case TWCC_CHECKDEVICEONLINE: return FailureKind::Communication;
    case TWCC_DENIED: return FailureKind::AccessDenied;
    case TWCC_LOWMEMORY: return FailureKind::NoMemory;
    default: return FailureKind::Other;
    }
}

} // namespace

QString sourceName(const TW_IDENTITY &identity)
{
    const QString model = (TcsTwainScan::IdentityText(identity.Manufacturer) + QLatin1Char(' ')
                           + TcsTwainScan::IdentityText(identity.ProductFamily))
                              .trimmed();
    return model.isEmpty() ? TcsTwainScan::IdentityText(identity.ProductName) : model;
}

std::optional<ScanFailure> failureOf(const TcsSessionEnd &end)
{
    using Stage = TcsSessionStage;
    const QString scanner = sourceName(end.source);
    switch (end.stage) {
    case Stage::Completed:
        if (end.pages > 0)
            return std::nullopt;
        return ScanFailure{FailureKind::NoPage, TWCC_SUCCESS, scanner};
    case Stage::NotStarted:
    case Stage::NegotiationRefused: return ScanFailure{FailureKind::NotStarted, TWCC_SUCCESS, scanner};
    case Stage::ManagerNotLoaded:
    case Stage::ManagerNotOpened: return ScanFailure{FailureKind::SourceManager, end.condition, {}};
    case Stage::Cancelled: return ScanFailure{FailureKind::Cancelled, TWCC_SUCCESS, scanner};
    case Stage::SourceNotOpened:
    case Stage::EnablingRefused:
    case Stage::TransferFailed: break;
    }
    // The manager names the source it could not open when one was asked for: empty, it found none at all.
    const bool named = end.source.ProductName[0] != 0;
    return ScanFailure{kindOf(end.condition, named), end.condition, scanner};
}

QString ScanFailure::reason() const
{
    switch (kind) {
    case FailureKind::NoScanner: return QStringLiteral("aucun scanner n'est branché");
    case FailureKind::ScannerMissing:
        return scanner.isEmpty() ? QStringLiteral("le scanner choisi est introuvable")
                                 : QStringLiteral("le scanner « %1 » est introuvable").arg(scanner);
    case FailureKind::SourceManager:
        return QStringLiteral("le gestionnaire de scanners (TWAIN_32.DLL) ne peut pas être chargé");
    case FailureKind::NotStarted: return QStringLiteral("la numérisation n'a pas été lancée");
    case FailureKind::PaperJam: return QStringLiteral("bourrage papier");
    case FailureKind::NoDocument: return QStringLiteral("pas de document dans le scanner");
    case FailureKind::CoverOpen: return QStringLiteral("capot du scanner ouvert");
    case FailureKind::Busy: return QStringLiteral("le scanner est occupé par un autre programme");
    case FailureKind::Communication: return QStringLiteral("erreur de communication avec le scanner");
    case FailureKind::AccessDenied: return QStringLiteral("accès au scanner refusé");
    case FailureKind::NoMemory: return QStringLiteral("mémoire insuffisante pour numériser");
    case FailureKind::Cancelled: return QStringLiteral("numérisation annulée");
    case FailureKind::NoPage: return QStringLiteral("le scanner n'a livré aucune page");
    case FailureKind::Other: break;
    }
    return condition == TWCC_SUCCESS ? QStringLiteral("erreur du scanner")
                                     : QStringLiteral("erreur du scanner (code %1)").arg(condition);
}

ScopedScannerMessages::ScopedScannerMessages(TcsTwainScan &scan)
    : scan_(scan), previous_(scan.MessageService())
{
    scan_.SetMessageService(&recorder_);
}

ScopedScannerMessages::~ScopedScannerMessages()
{
    scan_.SetMessageService(previous_);
}

QString ScopedScannerMessages::first() const
{
    const QStringList all = texts();
    return all.isEmpty() ? QString() : all.front().section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace scan
