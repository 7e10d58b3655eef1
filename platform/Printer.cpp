#include "Printer.h"

#include "Exception.h"
#include "Modal.h"
#include "Rounding.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace platform {

namespace {

// The PDF printer (and the page drawn when there is none) is A4 at 300 dpi.
constexpr int pdfPrinterDpi = 300;
constexpr double pdfPrinterMarginsMm = 4.0;

QString documentsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

std::optional<QPageSize::PageSizeId> paperByName(const QString &name)
{
    static const std::pair<const char *, QPageSize::PageSizeId> papers[] = {
        {"A3", QPageSize::A3}, {"A4", QPageSize::A4}, {"A5", QPageSize::A5},
        {"Letter", QPageSize::Letter}, {"Legal", QPageSize::Legal},
    };
    for (const auto &[paperName, id] : papers)
        if (name.compare(QLatin1String(paperName), Qt::CaseInsensitive) == 0)
            return id;
    return std::nullopt;
}

} // namespace

const QString Printer::PdfPrinterName = QStringLiteral("Fichier PDF");

Printer &Printer::instance()
{
    static Printer printer;
    return printer;
}

Printer::Printer() : pdfFolder_(documentsFolder())
{
    useSystem();
}

Printer::~Printer() = default;

std::optional<PrinterChoice> Printer::parseChoice(const QString &option, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<PrinterChoice> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    PrinterChoice choice;
    if (option == QLatin1String("none")) {
        choice.kind = PrinterChoice::Kind::None;
        return choice;
    }
    if (option == QLatin1String("system"))
        return choice;
    if (option == QLatin1String("pdf")) {
        choice.systemName = PdfPrinterName;
        return choice;
    }
    if (!option.startsWith(QLatin1String("pdf:"))) {
        if (option.isEmpty())
            return fail(QStringLiteral("nom d'imprimante vide (none, system, pdf, un nom ou pdf:FICHIER,...)"));
        choice.systemName = option;
        return choice;
    }
    choice.kind = PrinterChoice::Kind::Pdf;
    const QStringList parts = option.mid(4).split(QLatin1Char(','));
    choice.pdf.fileName = parts.first();
    if (choice.pdf.fileName.isEmpty())
        return fail(QStringLiteral("l'imprimante pdf: demande un nom de fichier"));
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString key = parts[i].section(QLatin1Char('='), 0, 0);
        const QString value = parts[i].section(QLatin1Char('='), 1);
        bool ok = true;
        if (key == QLatin1String("dpi")) {
            choice.pdf.dpi = value.toInt(&ok);
            ok = ok && choice.pdf.dpi >= 72 && choice.pdf.dpi <= 2400;
        } else if (key == QLatin1String("paper")) {
            auto paper = paperByName(value);
            ok = paper.has_value();
            if (ok)
                choice.pdf.paper = *paper;
        } else if (key == QLatin1String("margins")) {
            choice.pdf.marginsMm = value.toDouble(&ok);
            ok = ok && choice.pdf.marginsMm >= 0 && choice.pdf.marginsMm < 50;
        } else {
            ok = false;
        }
        if (!ok)
            return fail(QStringLiteral("réglage d'imprimante incorrect « %1 »").arg(parts[i]));
    }
    return choice;
}

bool Printer::use(const PrinterChoice &choice)
{
    choice_ = choice;
    switch (choice.kind) {
    case PrinterChoice::Kind::System:
        useSystem();
        if (!choice.systemName.isEmpty())
            return select(choice.systemName);
        break;
    case PrinterChoice::Kind::Pdf:
        usePdf(choice.pdf);
        names_ = QStringList{PdfPrinterName};
        current_ = PdfPrinterName;
        break;
    case PrinterChoice::Kind::None:
        // The sheet is still drawn: from an A4 page with the PDF printer's margins.
        usePdf({QString(), pdfPrinterDpi, QPageSize::A4, pdfPrinterMarginsMm});
        names_.clear();
        current_.clear();
        break;
    }
    return true;
}

void Printer::useSystem()
{
    names_ = QPrinterInfo::availablePrinterNames();
    QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty() || !names_.contains(name))
        name = names_.value(0);
    names_ << PdfPrinterName;
    if (name.isEmpty()) {
        usePdf({QString(), pdfPrinterDpi, QPageSize::A4, pdfPrinterMarginsMm});
        current_ = PdfPrinterName;
        return;
    }
    device_ = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    fixed_.reset();
    current_ = name;
}

Printer::Geometry Printer::geometryOf(QPageSize::PageSizeId paper, int dpi, double marginsMm)
{
    const QSizeF paperMm = QPageSize(paper).size(QPageSize::Millimeter);
    auto toPixels = [&](double mm) { return static_cast<int>(roundEven(mm / 25.4L * dpi)); };
    Geometry geometry;
    geometry.physical = QSize(toPixels(paperMm.width()), toPixels(paperMm.height()));
    geometry.offset = QPoint(toPixels(marginsMm), toPixels(marginsMm));
    geometry.dpi = dpi;
    return geometry;
}

void Printer::usePdf(const PdfPrinterSettings &settings)
{
    fixed_ = geometryOf(settings.paper, settings.dpi, settings.marginsMm);
    pdf_ = settings;
    device_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    device_->setOutputFormat(QPrinter::PdfFormat);
    device_->setOutputFileName(nextPdfFile());
    device_->setResolution(settings.dpi);
    device_->setPageSize(QPageSize(settings.paper));
    device_->setFullPage(true);
}

QString Printer::pdfFolder() const
{
    return pdf_.fileName.isEmpty() ? pdfFolder_ : QFileInfo(pdf_.fileName).absolutePath();
}

void Printer::setPdfFolder(const QString &folder)
{
    if (!folder.isEmpty())
        pdfFolder_ = folder;
}

QString Printer::nextPdfFile() const
{
    if (!pdf_.fileName.isEmpty())
        return pdf_.fileName;
    const QDir folder(pdfFolder_);
    QString name = folder.filePath(QStringLiteral("Quillon.pdf"));
    for (int number = 2; QFileInfo::exists(name); ++number)
        name = folder.filePath(QStringLiteral("Quillon-%1.pdf").arg(number));
    return name;
}

QList<QPageSize> Printer::papersOf(const QString &printerName)
{
    if (printerName == PdfPrinterName || printerName.isEmpty()) {
        QList<QPageSize> standard;
        for (QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::A5, QPageSize::A3, QPageSize::Letter, QPageSize::Legal})
            standard << QPageSize(id);
        return standard;
    }
    return QPrinterInfo::printerInfo(printerName).supportedPageSizes();
}

QPageSize Printer::paper() const
{
    return fixed_ ? QPageSize(pdf_.paper) : device_->pageLayout().pageSize();
}

void Printer::setPaper(const QPageSize &paper)
{
    if (fixed_) {
        if (paper.id() == QPageSize::Custom)
            return;
        pdf_.paper = paper.id();
        fixed_ = geometryOf(pdf_.paper, pdf_.dpi, pdf_.marginsMm);
    }
    device_->setPageSize(paper);
    if (fixed_)
        device_->setFullPage(true);
}

int Printer::execPrintDialog(QPrintDialog &dialog)
{
    const QPageLayout layout = device_->pageLayout();
    const int result = execModal(dialog);
    if (fixed_) {
        device_->setOutputFormat(QPrinter::PdfFormat);
        device_->setOutputFileName(nextPdfFile());
        device_->setResolution(pdf_.dpi);
        device_->setPageLayout(layout);
        device_->setFullPage(true);
    }
    return result;
}

bool Printer::select(const QString &name)
{
    if (!names_.contains(name))
        return false;
    if (name == current_)
        return true;
    const Orientation kept = orientation();
    const QPageSize paperKept = paper();
    if (name == PdfPrinterName) {
        usePdf({QString(), pdfPrinterDpi, paperKept.id() == QPageSize::Custom ? QPageSize::A4 : paperKept.id(),
                pdfPrinterMarginsMm});
    } else {
        device_ = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
        fixed_.reset();
        if (papers().contains(paperKept))
            setPaper(paperKept);
    }
    current_ = name;
    setOrientation(kept);
    return true;
}

Orientation Printer::orientation() const
{
    return device_->pageLayout().orientation() == QPageLayout::Landscape ? Orientation::Landscape
                                                                         : Orientation::Portrait;
}

void Printer::setOrientation(Orientation orientation)
{
    device_->setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait);
}

QSize Printer::physicalPageSize() const
{
    if (fixed_)
        return orientation() == Orientation::Landscape ? fixed_->physical.transposed() : fixed_->physical;
    return device_->paperRect(QPrinter::DevicePixel).toRect().size();
}

QPoint Printer::printingOffset() const
{
    if (fixed_)
        return orientation() == Orientation::Landscape ? fixed_->offset.transposed() : fixed_->offset;
    const QRectF paper = device_->paperRect(QPrinter::DevicePixel);
    const QRectF page = device_->pageRect(QPrinter::DevicePixel);
    return (page.topLeft() - paper.topLeft()).toPoint();
}

QSize Printer::printableSize() const
{
    if (fixed_) {
        const QPoint offset = printingOffset();
        return physicalPageSize() - QSize(2 * offset.x(), 2 * offset.y());
    }
    return device_->pageRect(QPrinter::DevicePixel).toRect().size();
}

int Printer::logPixelsX() const
{
    if (fixed_)
        return fixed_->dpi;
    return device_->logicalDpiX();
}

int Printer::logPixelsY() const
{
    if (fixed_)
        return fixed_->dpi;
    return device_->logicalDpiY();
}

} // namespace platform

