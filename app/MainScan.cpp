// The scanner in the main window: its component with the program's TWAIN
// identity, the choice of a scanner, and the scan that brings a new picture.
#include "Main.h"

#include "AtomicFile.h"
#include "ErrorBoundary.h"
#include "Exception.h"
#include "ScanFailure.h"
#include "ScopeExit.h"
#include "Folders.h"
#include "Handles.h"
#include "Identity.h"
#include "MessageBox.h"
#include "Modal.h"
#include "TMMBitmapButton.h"
#include "TPicture.h"
#include "csTwainDialog.h"
#include "csTwainScan.h"
#include "dib.h"
#include "spredefine.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <utility>

namespace {

// The scan copy of a page: "TEMP.BMP" for the first, "TEMP2.BMP" and on for
// the pages a feeder gives after it.
QString scanCopyName(int page)
{
    return platform::programFile(page == 1 ? QStringLiteral("TEMP.BMP") : QStringLiteral("TEMP%1.BMP").arg(page));
}

// The copies of a longer run before stay no more than the pages they were of.
void removeScanCopiesFrom(int page)
{
    while (QFile::remove(scanCopyName(page)))
        ++page;
}

// The scan copy: a BMP file header followed by the DIB exactly as the scanner
// delivered it.  The copy is a convenience: failing to write it never fails
// the scan.
void writeScanCopy(HGLOBAL dib, int page)
{
    const size_t blockSize = GlobalSize(dib);
    const GlobalLockGuard lock(dib);
    const auto *header = lock.as<const BITMAPINFOHEADER>();
    if (header == nullptr || blockSize < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER))
        return;
    const size_t dibSize = std::min(blockSize, dib_packed_size(header));
    BITMAPFILEHEADER file{};
    file.bfType = DIB_FILE_TYPE;
    file.bfSize = DWORD(dibSize + sizeof(BITMAPFILEHEADER));
    file.bfOffBits = DWORD(sizeof(BITMAPFILEHEADER) + dib_bits_offset(header));
    try {
        platform::AtomicFile copy(QFile::encodeName(scanCopyName(page)).toStdString());
        copy.write(&file, sizeof file);
        copy.write(header, dibSize);
        copy.commit();
    } catch (const platform::WriteError &) {
        // The copy is a convenience: the page is on the sheet all the same.
    }
}

} // namespace

void TForm1::buildScanning()
{
    using platform::connectGuarded;
    ScanSelect = makeButton(Client, QStringLiteral("ScanSelect"), 7, QStringLiteral("Choix du scanner"));
    place(ScanSelect, 426, 8, 40, 40);
    ScanImage = makeButton(Client, QStringLiteral("ScanImage"), 8, QStringLiteral("Lance la numérisation"));
    place(ScanImage, 470, 8, 40, 40);
    Options1->addSeparator();
    UserInterfaceMnu = makeMenuItem(Options1, QStringLiteral("UserInterfaceMnu"), QStringLiteral("Utiliser l'interface de &votre scanner"));
    UserInterfaceMnu->setCheckable(true);
    TwainDialMnu = makeMenuItem(Options1, QStringLiteral("TwainDialMnu"), QStringLiteral("&Réglages du scanner..."));

    csTwainScan = new TcsTwainScan(this);
    csTwainScan->setObjectName(QStringLiteral("csTwainScan"));
    csTwainScan->SetAppIdentity(identity::scanner());
    csTwainScan->SetBitDepth(bd1Bit);
    csTwainScan->SetPixelType(pxBW);
    csTwainScan->SetRegRootKey(THKEY_CURRENT_USER);
    csTwainScan->SetRegCompany(identity::ScannerCompany);
    csTwainDialog = new TcsTwainDialog(this);
    csTwainDialog->setObjectName(QStringLiteral("csTwainDialog"));
    csTwainDialog->SetTwain(csTwainScan);
    csTwainDialog->SetOptions(toBitDepthReduction | toThreshold);
    Predefine = new TPredefine(this);
    Predefine->SetScanner(csTwainScan, csTwainDialog);

    connectGuarded(ScanSelect, &QPushButton::clicked, this, &TForm1::ScanSelectClick);
    connectGuarded(ScanImage, &QPushButton::clicked, this, &TForm1::ScanImageClick);
    connectGuarded(UserInterfaceMnu, &QAction::triggered, this, &TForm1::UserInterfaceMnuClick);
    connectGuarded(TwainDialMnu, &QAction::triggered, this, &TForm1::TwainDialMnuClick);
    connect(csTwainScan, &TcsTwainScan::OnNewImage, this, [this] { platform::guarded([this] { csTwainScanNewImage(); }); });
    connect(csTwainScan, &TcsTwainScan::OnDibReady, this, [this](QObject *, const QImage &bitmap) {
        platform::guarded([&] { csTwainScanDibReady(bitmap); });
    });
    connect(csTwainScan, &TcsTwainScan::OnMemoryReady, this, [this](QObject *, HGLOBAL dib) {
        platform::guarded([&] { csTwainScanMemoryReady(dib); });
    });
    hideDuring({ScanImage, ScanSelect}, {Mode::Duplication, Mode::Poster});
}

void TForm1::UserInterfaceMnuClick()
{
    // The action has already toggled its check mark.
    csTwainScan->SetUserInterface(UserInterfaceMnu->isChecked());
    TwainDialMnu->setEnabled(!UserInterfaceMnu->isChecked());
}

void TForm1::TwainDialMnuClick()
{
    csTwainDialog->Execute();
}

void TForm1::ScanSelectClick()
{
    csTwainScan->SelectSource();
}

void TForm1::ScanImageClick()
{
    if (!UserInterfaceMnu->isChecked() && platform::execModal(*Predefine) != QDialog::Accepted) {
        ContinueToPrint = false;
        return;
    }
    setWindowTitle(identity::Title);
    // Nothing prints unless the scan went through: a failed or cancelled
    // scan keeps the picture the user had (or takes the pages that did come)
    // and says why in one message.
    ContinueToPrint = false;
    scannedPages_.clear();
    csTwainScan->SetDuplexEnabled(copyOptions_.bothSides);
    // A card lies on the glass: both its faces come from there, whatever the feeder holds.
    const bool feeder = csTwainScan->FeederEnabled();
    const platform::ScopeExit restoreFeeder([this, feeder] { csTwainScan->SetFeederEnabled(feeder); });
    if (copyOptions_.identityCard)
        csTwainScan->SetFeederEnabled(false);
    const std::optional<scan::ScanFailure> failure = scanSession();
    if (csTwainScan->SessionEnd().demonstration() && !demonstrationTold_) {
        demonstrationTold_ = true;
        platform::showInformation(QStringLiteral(
            "Aucun scanner n'a été trouvé : le scanner de démonstration le remplace et numérise une mire de couleurs. "
            "Branchez un scanner puis choisissez-le avec le bouton « Choix du scanner »."));
    }
    std::vector<QImage> pages = std::exchange(scannedPages_, {});
    if (!pages.empty() && !failure) {
        const QImage raw = pages.front();
        pages = preparedPages(std::move(pages));
        if (pages.empty()) {
            say(QStringLiteral("Copie de la carte abandonnée : rien n'a été imprimé."));
            return;
        }
        takeScannedPages(std::move(pages));
        // Undo gives the page back as the scanner gave it.
        if (copyOptions_.cleans() && copyOptions_.originalsPerSheet() == 1)
            TakeUndoSnapshot(raw);
    } else if (!pages.empty()) {
        takeScannedPages(std::move(pages));
    }
    if (failure && failure->kind == scan::FailureKind::Cancelled) {
        say(QStringLiteral("Numérisation annulée : rien n'a été imprimé."));
        return;
    }
    if (failure)
        throw copyStopped(failure->reason());
    ContinueToPrint = true;
}

std::optional<scan::ScanFailure> TForm1::scanSession()
{
    const scan::ScopedScannerMessages held(*csTwainScan);
    csTwainScan->Acquire();
    return scan::failureOf(csTwainScan->SessionEnd());
}

platform::Exception TForm1::copyStopped(const QString &reason)
{
    return platform::Exception(QStringLiteral("La copie est arrêtée : %1. Rien n'a été imprimé.").arg(reason));
}

void TForm1::takeScannedPages(std::vector<QImage> pages)
{
    Image->setPicture(pages.front());
    SH->Detach();
    PlaceArrivedPicture();
    morePages_.assign(std::make_move_iterator(pages.begin() + 1), std::make_move_iterator(pages.end()));
    UpdateZoomBar();
    UpdatePositionBars();
    UpdateDuplicateOffer();
    ComboFormats->setCurrentIndex(0);
    ResetPosterSize();
    if (!morePages_.empty())
        say(QStringLiteral("%1 pages numérisées : la première est affichée, toutes seront imprimées.").arg(pages.size()));
}

void TForm1::csTwainScanNewImage()
{
}

void TForm1::csTwainScanDibReady(const QImage &bitmap)
{
    if (!bitmap.isNull())
        scannedPages_.push_back(bitmap);
}

void TForm1::csTwainScanMemoryReady(HGLOBAL dib)
{
    const int page = int(scannedPages_.size());
    if (page == 1)
        removeScanCopiesFrom(2);
    writeScanCopy(dib, std::max(1, page));
}
