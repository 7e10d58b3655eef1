// Why a scan gave nothing to copy: every way a session ends read as one
// named reason, and the component's own boxes held back while a caller
// tells the user itself.
#include "FakeSourceManager.h"
#include "ScanFailure.h"
#include "ScanTestSupport.h"
#include "twainidentity.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TW_IDENTITY source(const char *maker, const char *model, const char *device)
{
    return twainIdentity("SANE", maker, model, device);
}

} // namespace

TEST(ScanFailure, EachSessionEndHasItsReason)
{
    using Stage = TcsSessionStage;
    using Kind = scan::FailureKind;
    const TW_IDENTITY none{};
    const TW_IDENTITY canon = source("Canon", "LiDE 220", "pixma:04A9190F");
    const TW_IDENTITY byName = source("", "", "hpaio:/usb/x");
    struct Case {
        const char *what;
        TcsSessionEnd end;
        std::optional<Kind> kind;
        const char *reason;
    };
    const Case cases[] = {
        {"pages delivered", {Stage::Completed, TWCC_SUCCESS, 2, canon}, std::nullopt, ""},
        {"no page", {Stage::Completed, TWCC_SUCCESS, 0, canon}, Kind::NoPage, "le scanner n'a livré aucune page"},
        {"no scanner at all", {Stage::SourceNotOpened, TWCC_NODS, 0, none}, Kind::NoScanner,
         "aucun scanner n'est branché"},
        {"the scanner chosen before is gone", {Stage::SourceNotOpened, TWCC_NODS, 0, canon}, Kind::ScannerMissing,
         "le scanner « Canon LiDE 220 » est introuvable"},
        {"the scanner asked for by name is gone", {Stage::SourceNotOpened, TWCC_NODS, 0, byName},
         Kind::ScannerMissing, "le scanner « hpaio:/usb/x » est introuvable"},
        {"busy at opening", {Stage::SourceNotOpened, TWCC_MAXCONNECTIONS, 0, canon}, Kind::Busy,
         "le scanner est occupé par un autre programme"},
        {"no manager", {Stage::ManagerNotLoaded, TWCC_SUCCESS, 0, none}, Kind::SourceManager,
         "le gestionnaire de scanners (TWAIN_32.DLL) ne peut pas être chargé"},
        {"manager will not open", {Stage::ManagerNotOpened, TWCC_SEQERROR, 0, none}, Kind::SourceManager,
         "le gestionnaire de scanners (TWAIN_32.DLL) ne peut pas être chargé"},
        {"never started", {Stage::NotStarted, TWCC_SUCCESS, 0, none}, Kind::NotStarted,
         "la numérisation n'a pas été lancée"},
        {"handler stopped it", {Stage::NegotiationRefused, TWCC_SUCCESS, 0, canon}, Kind::NotStarted,
         "la numérisation n'a pas été lancée"},
        {"enabling refused, access denied", {Stage::EnablingRefused, TWCC_DENIED, 0, canon}, Kind::AccessDenied,
         "accès au scanner refusé"},
        {"cancelled after two pages", {Stage::Cancelled, TWCC_SUCCESS, 2, canon}, Kind::Cancelled,
         "numérisation annulée"},
        {"jam", {Stage::TransferFailed, TWCC_PAPERJAM, 0, canon}, Kind::PaperJam, "bourrage papier"},
        {"double feed", {Stage::TransferFailed, TWCC_PAPERDOUBLEFEED, 1, canon}, Kind::PaperJam, "bourrage papier"},
        {"empty", {Stage::TransferFailed, TWCC_NOMEDIA, 0, canon}, Kind::NoDocument,
         "pas de document dans le scanner"},
        {"cover", {Stage::TransferFailed, TWCC_INTERLOCK, 0, canon}, Kind::CoverOpen, "capot du scanner ouvert"},
        {"input/output", {Stage::TransferFailed, TWCC_OPERATIONERROR, 0, canon}, Kind::Communication,
         "erreur de communication avec le scanner"},
        {"offline", {Stage::TransferFailed, TWCC_CHECKDEVICEONLINE, 0, canon}, Kind::Communication,
         "erreur de communication avec le scanner"},
        {"memory", {Stage::TransferFailed, TWCC_LOWMEMORY, 0, canon}, Kind::NoMemory,
         "mémoire insuffisante pour numériser"},
        {"unplugged while scanning", {Stage::TransferFailed, TWCC_NODS, 0, canon}, Kind::ScannerMissing,
         "le scanner « Canon LiDE 220 » est introuvable"},
        {"unknown condition", {Stage::TransferFailed, TWCC_BADVALUE, 0, canon}, Kind::Other,
         "erreur du scanner (code 10)"},
        {"no condition", {Stage::TransferFailed, TWCC_SUCCESS, 0, canon}, Kind::Other, "erreur du scanner"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<scan::ScanFailure> failure = scan::failureOf(c.end);
        ASSERT_EQ(failure.has_value(), c.kind.has_value());
        if (!failure)
            continue;
        EXPECT_EQ(failure->kind, *c.kind);
        EXPECT_EQ(failure->condition, c.end.stage == Stage::Cancelled ? TWCC_SUCCESS : c.end.condition);
        EXPECT_EQ(failure->reason(), QString::fromUtf8(c.reason));
    }
}

TEST(ScanFailure, ComponentBoxesAreHeldOnlyWhileTheCallerAsks)
{
    ScanFixture f;
    FakeSourceManager dsm;
    dsm.codes[{DAT_IDENTITY, MSG_OPENDS}] = TWRC_FAILURE;
    dsm.condition = TWCC_NODS;
    {
        scan::ScopedScannerMessages held(*f.scan);
        EXPECT_FALSE(f.scan->Acquire());
        EXPECT_EQ(held.first(), QStringLiteral("Unable to open default Data Source."));
        EXPECT_EQ(held.texts().size(), 1);
        // The program's own boxes still show meanwhile.
        platform::showError(QStringLiteral("rapport du programme"));
    }
    EXPECT_EQ(f.messages.texts(), QStringList({QStringLiteral("rapport du programme")}));
    EXPECT_EQ(scan::failureOf(f.scan->SessionEnd())->kind, scan::FailureKind::NoScanner);
    // Afterwards the component shows its boxes again.
    EXPECT_FALSE(f.scan->Acquire());
    EXPECT_EQ(f.messages.texts().size(), 2);
}
