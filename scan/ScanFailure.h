#pragma once
// Why a scan gave nothing to copy, named for the user: one kind per reason a
// person can act on, read from how the scanner component's session ended,
// and one short French clause for it that the window and the command line
// frame alike.
#include "MessageBox.h"
#include "csTwainScan.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace scan {

enum class FailureKind {
    NoScanner,      // none connected, and none chosen before
    ScannerMissing, // the one chosen before (or asked for by name) is not there
    SourceManager,  // TWAIN_32.DLL missing or refusing to open
    NotStarted,     // the program itself did not start the scan
    PaperJam,
    NoDocument,     // empty feeder, nothing on the glass
    CoverOpen,
    Busy,           // in use by another program
    Communication,  // input/output error, device not answering
    AccessDenied,
    NoMemory,
    Cancelled,      // by the user
    NoPage,         // the session ended without a page and without saying why
    Other,          // a condition of the source with no name of ours
};

struct ScanFailure {
    FailureKind kind = FailureKind::Other;
    // The TWAIN condition behind it; TWCC_SUCCESS when there is none.
    TW_UINT16 condition = TWCC_SUCCESS;
    // The scanner concerned, as the user knows it; empty when no scanner was named.
    QString scanner;

    // A short French clause, without capital or full stop, that callers frame:
    // "bourrage papier", "le scanner « Canon LiDE » est introuvable".
    QString reason() const;
};

// What went wrong in the session, or none when it completed with at least
// one page.  A cancel counts even after pages came: the user stopped the job.
std::optional<ScanFailure> failureOf(const TcsSessionEnd &end);

// A source's name as the user knows it: its maker and model, else its device name.
QString sourceName(const TW_IDENTITY &identity);

// While alive, the message boxes the scanner component would show (in
// English, with TWAIN codes) are kept instead, so that the caller tells the
// user once, in its own words.  Other boxes shown meanwhile, such as the
// program's error reports from its own scan handlers, still show.
class ScopedScannerMessages {
public:
    explicit ScopedScannerMessages(TcsTwainScan &scan);
    ~ScopedScannerMessages();
    ScopedScannerMessages(const ScopedScannerMessages &) = delete;
    ScopedScannerMessages &operator=(const ScopedScannerMessages &) = delete;

    QStringList texts() const { return recorder_.texts(); }
    // The first line of the first message; empty when the component said nothing.
    QString first() const;

private:
    TcsTwainScan &scan_;
    platform::MessageService *previous_;
    platform::MessageRecorder recorder_;
};

} // namespace scan
