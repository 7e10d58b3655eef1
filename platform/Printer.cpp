#include "Printer.h"

#include "Exception.h"
#include "Modal.h"
#include "Rounding.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace platform {

namespace {

const char *const builtInName = "Quillon PDF";
// The built-in printer (and the page drawn when there is none) is A4 at 300 dpi.
constexpr double builtInMarginsMm = 4.0;

QString defaultPdfFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("Quillon.pdf"));
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

Printer &Printer::instance()
{
    static Printer printer;
    return printer;
}

Printer::Printer()
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
    if (!option.startsWith(QLatin1String("pdf:"))) {
        if (option.isEmpty())
            return fail(QStringLiteral("empty printer name (use none, system, a name or pdf:FILE,...)"));
        choice.systemName = option;
        return choice;
    }
    choice.kind = PrinterChoice::Kind::Pdf;
    const QStringList parts = option.mid(4).split(QLatin1Char(','));
    choice.pdf.fileName = parts.first();
    if (choice.pdf.fileName.isEmpty())
        return fail(QStringLiteral("pdf printer needs a file name"));
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
            return fail(QStringLiteral("bad printer setting \"%1\"").arg(parts[i]));
    }
    return choice;
}

bool Printer::use(const PrinterChoice &choice)
{
    choice_ = choice;
    switch (choice.kind) {
    case PrinterChoice::Kind::System:
        useSystem();
        if (!choice.systemName.isEmpty()) {
            if (!names_.contains(choice.systemName))
                return false;
            select(choice.systemName);
        }
        break;
    case PrinterChoice::Kind::Pdf:
        usePdf(choice.pdf, QString::fromLatin1(builtInName));
        break;
    case PrinterChoice::Kind::None:
        // The sheet is still drawn: from an A4 page at 300 dpi with Qt's default margins.
        usePdf({defaultPdfFile(), 300, QPageSize::A4, builtInMarginsMm}, {});
        names_.clear();
        current_.clear();
        break;
    }
    return true;
}

void Printer::useSystem()
{
    names_ = QPrinterInfo::availablePrinterNames();
    if (names_.isEmpty()) {
        usePdf({defaultPdfFile(), 300, QPageSize::A4, builtInMarginsMm}, QString::fromLatin1(builtInName));
        return;
    }
    QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty() || !names_.contains(name))
        name = names_.first();
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

void Printer::usePdf(const PdfPrinterSettings &settings, const QString &name)
{
    fixed_ = geometryOf(settings.paper, settings.dpi, settings.marginsMm);
    pdf_ = settings;
    device_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    device_->setOutputFormat(QPrinter::PdfFormat);
    device_->setOutputFileName(settings.fileName);
    device_->setResolution(settings.dpi);
    device_->setPageSize(QPageSize(settings.paper));
    device_->setFullPage(true);
    names_ = name.isEmpty() ? QStringList{} : QStringList{name};
    current_ = name;
}

bool Printer::pageSetup(QWidget *parent)
{
    QPageSetupDialog dialog(device_.get(), parent);
    if (execModal(dialog) != QDialog::Accepted)
        return false;
    if (fixed_) {
        // A PDF printer keeps its resolution and margins on the paper chosen.
        pdf_.paper = device_->pageLayout().pageSize().id();
        fixed_ = geometryOf(pdf_.paper, pdf_.dpi, pdf_.marginsMm);
        device_->setFullPage(true);
    }
    return true;
}

int Printer::execPrintDialog(QPrintDialog &dialog)
{
    const QPageLayout layout = device_->pageLayout();
    const int result = execModal(dialog);
    if (fixed_) {
        device_->setOutputFormat(QPrinter::PdfFormat);
        device_->setOutputFileName(pdf_.fileName);
        device_->setResolution(pdf_.dpi);
        device_->setPageLayout(layout);
        device_->setFullPage(true);
    }
    return result;
}

void Printer::select(const QString &name)
{
    if (name == current_ || !names_.contains(name))
        return;
    if (choice_.kind != PrinterChoice::Kind::System || name == QLatin1String(builtInName))
        return;
    const Orientation kept = orientation();
    device_ = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    fixed_.reset();
    current_ = name;
    setOrientation(kept);
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

namespace platform {

QPoint Printer::canvasOrigin() const
{
    // PDF printers of fixed geometry paint on the whole paper; others start at the page rectangle.
    return fixed_ ? printingOffset() : QPoint(0, 0);
}

PrintJob::PrintJob(Printer &printer, const QString &title, int copies) : printer_(printer)
{
    QPrinter &device = printer.device();
    copies = std::max(1, copies);
    const bool pdf = device.outputFormat() == QPrinter::PdfFormat;
    passes_ = pdf ? copies : 1;
    device.setDocName(title);
    device.setCopyCount(pdf ? 1 : copies);
    if (pdf) // the built-in printer's folder (Documents) may not exist yet on a new account
        QDir().mkpath(QFileInfo(device.outputFileName()).absolutePath());
    painter_ = std::make_unique<QPainter>();
    if (!printer.hasPrinter() || !painter_->begin(&device)) {
        QString why = QStringLiteral("Impossible de lancer l'impression.");
        if (pdf)
            why += QStringLiteral(" Le fichier « %1 » ne peut pas être créé.").arg(QDir::toNativeSeparators(device.outputFileName()));
        throw Exception(why);
    }
    painter_->translate(printer.canvasOrigin());
}

PrintJob::~PrintJob()
{
    if (painter_->isActive())
        painter_->end();
}

void PrintJob::beginPage()
{
    if (firstPage_) {
        firstPage_ = false;
        return;
    }
    printer_.device().newPage();
    painter_->resetTransform();
    painter_->translate(printer_.canvasOrigin());
}

} // namespace platform
