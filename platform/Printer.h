#pragma once
// The printer object: the list of printers, the current one's orientation and
// geometry in device pixels, and the device to paint on.  CUPS printers are
// the real ones; when CUPS lists none, a built-in printer writes a PDF file.
// A run (or a test) may instead choose a PDF printer of known geometry, or
// no printer at all.
#include <QPageSize>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QPainter;
class QPrintDialog;
class QPrinter;
class QWidget;

namespace platform {

enum class Orientation { Portrait = 0, Landscape = 1 };

// A PDF printer of chosen geometry: paper, resolution and unprintable margins.
struct PdfPrinterSettings {
    QString fileName;
    int dpi = 600;
    QPageSize::PageSizeId paper = QPageSize::A4;
    double marginsMm = 4.0;
};

// What a "--printer" option asks for.
struct PrinterChoice {
    enum class Kind { System, None, Pdf } kind = Kind::System;
    PdfPrinterSettings pdf;
    QString systemName; // a system printer by its name; empty for the default one
};

class Printer {
public:
    static Printer &instance();

    // "none", "system", a system printer's name, or
    // "pdf:FILE[,dpi=N][,paper=A4|A5|A3|Letter|Legal][,margins=MM]".
    static std::optional<PrinterChoice> parseChoice(const QString &option, QString *error = nullptr);
    // False when the choice names a printer the system does not have (the
    // default one is used then).
    bool use(const PrinterChoice &choice);

    QStringList printers() const { return names_; }
    bool hasPrinter() const { return !names_.isEmpty(); }
    QString currentName() const { return current_; }
    void select(const QString &name);

    Orientation orientation() const;
    void setOrientation(Orientation orientation);

    // Device pixels of the current orientation.
    QSize physicalPageSize() const;   // GETPHYSPAGESIZE
    QPoint printingOffset() const;    // GETPRINTINGOFFSET
    QSize printableSize() const;      // printable page width and height
    int logPixelsX() const;           // LOGPIXELSX
    int logPixelsY() const;           // LOGPIXELSY

    // The printer setup dialog (paper and orientation) over the current
    // printer, shown modally; true when the user confirmed it.
    bool pageSetup(QWidget *parent);
    // Shows a print dialog over this printer (copies, page range) modally;
    // its result code.  The dialog cannot choose a PDF printer of the
    // program's own: that one stays in force whatever the dialog selected.
    int execPrintDialog(QPrintDialog &dialog);

    QPrinter &device() { return *device_; }
    // Where the canvas origin of a job lies on the paper: the printable corner.
    QPoint canvasOrigin() const;

    ~Printer();

private:
    Printer();
    void useSystem();
    void usePdf(const PdfPrinterSettings &settings, const QString &name);

    // Portrait geometry of a PDF printer, exact from its millimetres and
    // resolution; system printers answer through Qt instead.
    struct Geometry {
        QSize physical;
        QPoint offset;
        int dpi = 0;
    };
    static Geometry geometryOf(QPageSize::PageSizeId paper, int dpi, double marginsMm);

    std::optional<Geometry> fixed_;
    PdfPrinterSettings pdf_; // the PDF printer's settings, when fixed_ is set
    std::unique_ptr<QPrinter> device_;
    QStringList names_;
    QString current_;
    PrinterChoice choice_;
};

} // namespace platform

namespace platform {

// One print job: begun on construction, ended on destruction (also when an
// error unwinds).  A job that cannot start (no printer, a PDF file that
// cannot be written) throws platform::Exception saying why.  The canvas
// origin is the printable area's corner.  A PDF file has no copy count of
// its own: for one, the caller draws its pages once per pass, and there are
// as many passes as copies.
class PrintJob {
public:
    PrintJob(Printer &printer, const QString &title, int copies);
    ~PrintJob();
    PrintJob(const PrintJob &) = delete;
    PrintJob &operator=(const PrintJob &) = delete;

    QPainter &canvas() { return *painter_; }
    int passes() const { return passes_; }
    // Starts the next sheet: a new page for every sheet but the first.
    void beginPage();

private:
    Printer &printer_;
    int passes_;
    bool firstPage_ = true;
    std::unique_ptr<QPainter> painter_;
};

} // namespace platform
