#include "HeadlessCopy.h"

#include "AtomicFileDevice.h"
#include "CopyPages.h"
#include "Exception.h"
#include "Identity.h"
#include "PdfDocument.h"
#include "ScanFailure.h"
#include "Printer.h"
#include "Rounding.h"
#include "TMultiP.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <QWidget>

using platform::roundInt;

namespace headless {

namespace {

// Poster sizes go through the window's screen pixels at this resolution.
constexpr int PosterPpi = 96;

} // namespace

void scanPages(const ScanRequest &request, const Report &report, const PageSink &page)
{
    QWidget owner; // the scanner component wants a window to hand to the source
    TcsTwainScan scan(&owner);
    scan.SetAppIdentity(identity::scanner());
    scan.SetSourceName(request.device);
    scan.SetPixelType(request.pixelType);
    scan.SetResolution(request.resolution);
    scan.SetFeederEnabled(request.allPages);
    scan.SetDuplexEnabled(request.bothSides);
    scan.SetFrameSize(request.frame);
    QObject::connect(&scan, &TcsTwainScan::OnSetFrame, [&](QObject *, TW_FRAME &frame) {
        frame = TW_FRAME{};
        frame.Right = TcsTwainScan::FloatToFix32(request.frameMm.width() / 10.0); // the units are centimetres
        frame.Bottom = TcsTwainScan::FloatToFix32(request.frameMm.height() / 10.0);
    });
    int delivered = 0;
    QObject::connect(&scan, &TcsTwainScan::OnNewImage, [&] {
        if (report)
            report(QStringLiteral("numérisation de la page %1…").arg(delivered + 1));
    });
    QObject::connect(&scan, &TcsTwainScan::OnDibReady, [&](QObject *, const QImage &scanned) {
        if (!request.allPages)
            scan.SetFeederEnabled(false);
        if (scanned.isNull() || (!request.allPages && delivered > 0))
            return;
        ++delivered;
        page(scanned);
    });
    {
        const scan::ScopedScannerMessages held(scan);
        scan.Acquire();
    }
    // The same reasons as the window's: a copy prints only what was scanned whole.
    if (const std::optional<scan::ScanFailure> failure = scan::failureOf(scan.SessionEnd()))
        throw platform::Exception(failure->reason());
    if (delivered == 0)
        throw platform::Exception(scan::ScanFailure{scan::FailureKind::NoPage, TWCC_SUCCESS, {}}.reason());
}

std::vector<QImage> scanPages(const ScanRequest &request, const Report &report)
{
    std::vector<QImage> pages;
    scanPages(request, report, [&](const QImage &page) { pages.push_back(page); });
    return pages;
}

QImage readPicture(const QString &fileName)
{
    const QFileInfo file(fileName);
    if (!file.exists())
        throw platform::Exception(QStringLiteral("%1 : fichier introuvable").arg(fileName));
    if (file.isDir())
        throw platform::Exception(QStringLiteral("%1 : c'est un dossier, pas une image").arg(fileName));
    if (!file.isFile())
        throw platform::Exception(QStringLiteral("%1 : ce n'est pas un fichier ordinaire").arg(fileName));
    imaging::TPMultiImage reader;
    try {
        reader.setImageName(fileName);
    } catch (const std::exception &error) {
        throw platform::Exception::aboutFile(fileName, error);
    }
    QImage picture = reader.Picture().image();
    if (picture.isNull())
        throw platform::Exception(QStringLiteral("%1 : aucune image").arg(fileName));
    return picture;
}

void writePicture(const QImage &picture, const QString &fileName)
{
    const QString extension = QFileInfo(fileName).suffix().toLower();
    if (extension == QLatin1String("pdf")) {
        // One page the size of the picture at its resolution, its pixels as they are.
        const int dpi = std::max(1, copying::dotsPerInch(picture));
        const QSizeF page = QSizeF(picture.size()) * (72.0 / dpi);
        platform::AtomicFileDevice file(fileName);
        platform::PdfDocument pdf(file, {identity::Title, {}});
        pdf.beginPage(page);
        pdf.drawImage(picture, QRectF(QPointF(0, 0), page));
        pdf.finish();
        file.commit();
        return;
    }
    imaging::TPMultiImage writer;
    writer.setPicture(picture);
    if (extension == QLatin1String("png"))
        writer.SaveAsPNG(fileName);
    else if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg")) {
        writer.ImageWriteRes = imaging::sColorTrue;
        writer.setJPegSaveQuality(90);
        writer.SaveAsJPEG(fileName);
    } else if (extension == QLatin1String("tif") || extension == QLatin1String("tiff")) {
        writer.TifSaveCompress = imaging::sLZW;
        writer.SaveAsTIF(fileName);
    } else {
        throw platform::Exception(QStringLiteral("%1 : format inconnu (png, jpg, tif ou pdf)").arg(fileName));
    }
}

composition::Sheet placeOnSheet(const QImage &picture, const PrintRequest &request, bool *reduced)
{
    platform::Printer &printer = platform::Printer::instance();
    const platform::PaperMetrics paper = platform::PaperMetrics::of(printer);
    if (reduced)
        *reduced = false;
    if (request.placement == Placement::Fit) {
        // The window's rule, on the window's preview.
        const platform::SheetGeometry sheet(paper, composition::WindowPreview);
        const QSize size = platform::fitPicture(picture.size(),
                                                QSize(sheet.printableWidth() - 4, sheet.printableHeight() - 4));
        return {picture, QRect(QPoint(sheet.x0() + 2, sheet.y0() + 2), size), sheet, request.duplicate, request.cutLines};
    }
    // A preview as large as the paper: one preview pixel is one printer pixel.
    const platform::SheetGeometry sheet(paper, paper.physical);
    const int dpi = copying::dotsPerInch(picture);
    if (dpi <= 0)
        throw platform::Exception(QStringLiteral("la résolution de l'image est inconnue : utilisez --fit"));
    const QSize trueSize(roundInt(static_cast<long double>(picture.width()) * paper.dpiX / dpi),
                         roundInt(static_cast<long double>(picture.height()) * paper.dpiY / dpi));
    const QSize room(sheet.printableWidth(), sheet.printableHeight());
    QSize size = trueSize;
    if (size.width() > room.width() || size.height() > room.height()) {
        size = trueSize.scaled(room, Qt::KeepAspectRatio);
        if (reduced)
            *reduced = true;
    }
    const QPoint corner(sheet.x0() + (room.width() - size.width()) / 2, sheet.y0() + (room.height() - size.height()) / 2);
    return {picture, QRect(request.duplicate ? QPoint(sheet.x0(), sheet.y0()) : corner, size), sheet, request.duplicate,
            request.cutLines};
}

namespace {

// A poster asked in millimetres, as the window keeps it: screen pixels at PosterPpi.
QSize posterScreenSize(const PrintRequest &request)
{
    return QSize(platform::screenPixelsFromTenthsOfMm(request.posterMm.width() * 10, PosterPpi),
                 platform::screenPixelsFromTenthsOfMm(request.posterMm.height() * 10, PosterPpi));
}

} // namespace

void checkJobSize(const PrintRequest &request, int pictures)
{
    const long long sheetsEach = request.posterMm.isEmpty()
        ? 1
        : platform::PosterLayout(platform::PaperMetrics::of(platform::Printer::instance()), posterScreenSize(request),
                                 PosterPpi)
              .sheets();
    const long long total = sheetsEach * pictures * request.copies;
    if (total > composition::LargeJobSheets && !request.largeJobConfirmed)
        throw platform::Exception(QStringLiteral("le travail compte %1 feuilles, plus de %2 : ajoutez --yes pour l'imprimer")
                                      .arg(total)
                                      .arg(composition::LargeJobSheets));
}

namespace {

platform::Printer &chosenPrinter()
{
    platform::Printer &printer = platform::Printer::instance();
    if (!printer.hasPrinter())
        throw platform::Exception(QStringLiteral("aucune imprimante"));
    return printer;
}

platform::PrintOptions printOptions(const PrintRequest &request)
{
    return request.copy.printOptions(request.copies);
}

// The sheet of the picture numbered `number`, the user told when it had to be reduced.
composition::Sheet sheetFor(const QImage &picture, int number, const PrintRequest &request, const Report &notice)
{
    bool reduced = false;
    composition::Sheet sheet = placeOnSheet(picture, request, &reduced);
    if (reduced)
        notice(QStringLiteral("l'image %1 est plus grande que la zone imprimable : elle est réduite pour tenir")
                   .arg(number));
    return sheet;
}

} // namespace

platform::PrintedTo printPictures(const std::vector<QImage> &pictures, const PrintRequest &request,
                                  const Report &progress, const Report &notice)
{
    platform::Printer &printer = chosenPrinter();
    const QString title = identity::Title;
    if (progress)
        progress(QStringLiteral("impression de %1 image(s)…").arg(pictures.size()));
    const std::vector<QImage> sheetPictures = copying::prepared(
        pictures, request.copy, copying::GatherSheet::of(platform::PaperMetrics::of(printer)));
    checkJobSize(request, int(sheetPictures.size()));
    // All the pictures go in one job: one file for a PDF printer.
    if (!request.posterMm.isEmpty()) {
        const QSize size = posterScreenSize(request);
        std::vector<composition::Poster> posters;
        for (const QImage &picture : sheetPictures)
            posters.push_back({picture, size, PosterPpi, true, request.cutLines});
        return composition::printPosters(printer, posters, printOptions(request), title + QStringLiteral(" : Poster"));
    }
    std::vector<composition::Sheet> sheets;
    for (const QImage &picture : sheetPictures)
        sheets.push_back(sheetFor(picture, int(sheets.size()) + 1, request, notice));
    return composition::printSheets(printer, sheets, printOptions(request), title);
}

platform::PrintedTo copyPages(const ScanRequest &scanRequest, const PrintRequest &request, const Report &progress,
                              const Report &notice, const Ask &turnTheCard)
{
    checkJobSize(request, 1);
    if (request.copy.identityCard) {
        ScanRequest face = scanRequest;
        face.allPages = face.bothSides = false;
        std::vector<QImage> faces = scanPages(face, progress);
        if (!turnTheCard || !turnTheCard())
            throw platform::Exception(QStringLiteral("copie de la carte abandonnée : rien n'a été imprimé"));
        faces.push_back(scanPages(face, progress).front());
        return printPictures(faces, request, progress, notice);
    }
    if (request.posterMm.isEmpty() && request.copy.originalsPerSheet() == 1) {
        composition::SheetJob job(chosenPrinter(), printOptions(request), identity::Title);
        // One pass over the sheets: each page goes into the job as it comes and
        // is let go, so a feeder of any length holds one page at a time.
        if (job.passes() == 1) {
            int pages = 0;
            scanPages(scanRequest, progress, [&](const QImage &page) {
                job.print(sheetFor(copying::cleaned(page, request.copy), ++pages, request, notice));
            });
            return job.finish();
        }
    }
    // Every page is needed at the end: a poster, originals gathered on a
    // sheet, or copies the printer repeats sheet by sheet.
    return printPictures(scanPages(scanRequest, progress), request, progress, notice);
}

} // namespace headless
