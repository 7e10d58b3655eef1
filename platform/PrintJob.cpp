// A print job: its pages drawn into a PDF document, then handed over whole,
// to a file or to a CUPS queue.
#include "Printer.h"

#include "AtomicFileDevice.h"
#include "Exception.h"
#include "PdfDocument.h"
#include "PdfPaintDevice.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cups/cups.h>

namespace platform {

namespace {

QString why(const QString &what, const QString &reason)
{
    return reason.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, reason);
}

// Hands a PDF document to a queue with the job's options; the job number CUPS gave it.
int submit(const QString &queue, const QString &document, const QString &title, const PrintOptions &options,
           const QPageSize &paper)
{
    cups_option_t *list = nullptr;
    int count = 0;
    count = cupsAddOption("copies", QByteArray::number(std::max(1, options.copies)).constData(), count, &list);
    count = cupsAddOption("collate", options.collate ? "true" : "false", count, &list);
    count = cupsAddOption("sides", options.twoSided ? "two-sided-long-edge" : "one-sided", count, &list);
    if (paper.id() != QPageSize::Custom)
        count = cupsAddOption("media", paper.key().toLatin1().constData(), count, &list);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.toLocal8Bit().constData(),
                                   QFile::encodeName(document).constData(), title.toUtf8().constData(), count, list);
    cupsFreeOptions(count, list);
    if (job == 0)
        throw Exception(why(QStringLiteral("L'imprimante « %1 » n'a pas accepté le travail.").arg(queue),
                            QString::fromUtf8(cupsLastErrorString())));
    return job;
}

} // namespace

PrintJob::PrintJob(Printer &printer, const QString &title, const PrintOptions &options)
    : printer_(printer), title_(title), options_(options)
{
    if (!printer.hasPrinter())
        throw Exception(QStringLiteral("Impossible de lancer l'impression : aucune imprimante."));
    options_.copies = std::max(1, options.copies);
    if (printer.isQueue()) {
        queue_ = printer.currentName();
        auto temporary = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("quillon-XXXXXX.pdf")));
        if (!temporary->open())
            throw Exception(why(QStringLiteral("Impossible de lancer l'impression : pas de fichier temporaire."),
                                temporary->errorString()));
        file_ = std::move(temporary);
    } else {
        // A PDF file has no copy count: its pages are drawn once per copy, in order.
        passes_ = options_.copies;
        target_ = printer.nextPdfFile();
        // The printer's folder (Documents) may not exist yet on a new account.
        QDir().mkpath(QFileInfo(target_).absolutePath());
        try {
            file_ = std::make_unique<AtomicFileDevice>(target_);
        } catch (const WriteError &error) {
            throw Exception(QStringLiteral("Impossible de lancer l'impression. ") + QString::fromUtf8(error.what()));
        }
    }
    PdfOptions pdf;
    pdf.title = title;
    pdf.images.colour = options.jpegColour ? PdfColourCoding::Jpeg : PdfColourCoding::Lossless;
    document_ = std::make_unique<PdfDocument>(*file_, pdf);
    // The whole paper, in the printer's pixels; the canvas starts at the printable corner.
    QSizeF page = printer.paper().size(QPageSize::Point);
    if (printer.orientation() == Orientation::Landscape)
        page.transpose();
    device_ = std::make_unique<PdfPaintDevice>(*document_, printer.physicalPageSize(), printer.logPixelsX(), page);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(device_.get()))
        throw Exception(QStringLiteral("Impossible de lancer l'impression."));
    painter_->translate(printer.printingOffset());
}

PrintJob::~PrintJob()
{
    if (painter_ && painter_->isActive())
        painter_->end();
    // A job dropped before its end leaves nothing: the temporary goes, an earlier file stays.
}

void PrintJob::beginPage()
{
    if (firstPage_) {
        firstPage_ = false;
        return;
    }
    painter_->end();
    device_->newPage();
    painter_->begin(device_.get());
    painter_->translate(printer_.printingOffset());
}

PrintedTo PrintJob::finish()
{
    painter_->end();
    document_->finish();
    if (auto *file = dynamic_cast<AtomicFileDevice *>(file_.get())) {
        file->commit();
        return {target_, {}, 0};
    }
    auto *temporary = static_cast<QTemporaryFile *>(file_.get());
    if (!temporary->flush())
        throw Exception(why(QStringLiteral("Le travail d'impression n'a pas pu être préparé."), temporary->errorString()));
    return {{}, queue_, submit(queue_, temporary->fileName(), title_, options_, printer_.paper())};
}

} // namespace platform
