// The scanner in the main window: its component with the program's TWAIN
// identity, the choice of a scanner, and the scan that brings a new picture.
#include "Main.h"

#include "ErrorBoundary.h"
#include "Folders.h"
#include "Handles.h"
#include "Identity.h"
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

// The scan copy: a BMP file header followed by the DIB exactly as the scanner
// delivered it.  The copy is a convenience: failing to write it never fails
// the scan.
void writeScanCopy(HGLOBAL dib)
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
    // A scratch copy, rewritten in place: not worth waiting for the disk.
    QFile copy(platform::programFile(QStringLiteral("TEMP.BMP")));
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    copy.write(reinterpret_cast<const char *>(&file), sizeof file);
    copy.write(reinterpret_cast<const char *>(header), qint64(dibSize));
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
    // The scanner component reports its own failures; anything that goes
    // wrong after it leaves the previous picture and layout, unreported.
    try {
        if (!UserInterfaceMnu->isChecked() && platform::execModal(*Predefine) != QDialog::Accepted) {
            ContinueToPrint = false;
            return;
        }
        setWindowTitle(identity::Title);
        scannedPicture_ = QImage();
        csTwainScan->Acquire();
        // The picture is replaced only once a page has come: a scan that
        // fails or is cancelled keeps the picture the user had.
        const QImage page = std::exchange(scannedPicture_, QImage());
        if (page.width() == 0)
            return;
        Image->setPicture(page);
        SH->Detach();
        PlaceArrivedPicture();
        UpdateZoomBar();
        UpdatePositionBars();
        UpdateDuplicateOffer();
        ComboFormats->setCurrentIndex(0);
        ResetPosterSize();
    } catch (...) {
    }
}

void TForm1::csTwainScanNewImage()
{
    scannedPicture_ = QImage();
}

void TForm1::csTwainScanDibReady(const QImage &bitmap)
{
    scannedPicture_ = bitmap;
}

void TForm1::csTwainScanMemoryReady(HGLOBAL dib)
{
    writeScanCopy(dib);
}
