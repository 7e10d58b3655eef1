#pragma once
// The printer object: the list of printers, the current one's paper,
// orientation and geometry in device pixels, and the print job.  CUPS queues
// are the real printers; beside them a PDF printer writes each job to a new
// numbered file in a folder (Documents by default), never over an earlier
// one.  A run (or a test) may instead choose a PDF printer of known geometry
// writing one given file, or no printer at all.
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
class QIODevice;
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
    QString systemName; // a queue or the PDF printer by its name; empty for the default one
};

class Printer {
public:
    static Printer &instance();

    // The PDF printer, as the printer list names it.
    static const QString PdfPrinterName;

    // "none", "system", "pdf" (the PDF printer), a queue's name, or
    // "pdf:FILE[,dpi=N][,paper=A4|A5|A3|Letter|Legal][,margins=MM]".
    static std::optional<PrinterChoice> parseChoice(const QString &option, QString *error = nullptr);
    // False when the choice names a printer the system does not have (the
    // default one is used then).
    bool use(const PrinterChoice &choice);
    // True once a run chose its printer: what the user chose in an earlier
    // run does not apply then.
    bool chosenForTheRun() const { return choice_.kind != PrinterChoice::Kind::System || !choice_.systemName.isEmpty(); }

    // The CUPS queues, then the PDF printer; empty with no printer at all.
    QStringList printers() const { return names_; }
    bool hasPrinter() const { return !names_.isEmpty(); }
    QString currentName() const { return current_; }
    // Makes a queue or the PDF printer the current one, keeping the
    // orientation and, where the new printer has it, the paper.  False when
    // there is no such printer.
    bool select(const QString &name);
    bool isQueue() const { return !fixed_.has_value(); }

    // The PDF printer's folder; a file of a run's own when one was given.
    QString pdfFolder() const;
    void setPdfFolder(const QString &folder);

    // The papers a printer takes; the current printer's, and the one in use.
    static QList<QPageSize> papersOf(const QString &printerName);
    QList<QPageSize> papers() const { return papersOf(current_); }
    QPageSize paper() const;
    void setPaper(const QPageSize &paper);

    Orientation orientation() const;
    void setOrientation(Orientation orientation);

    // Device pixels of the current orientation.
    QSize physicalPageSize() const;   // GETPHYSPAGESIZE
    QPoint printingOffset() const;    // GETPRINTINGOFFSET
    QSize printableSize() const;      // printable page width and height
    int logPixelsX() const;           // LOGPIXELSX
    int logPixelsY() const;           // LOGPIXELSY

    // Shows a print dialog over this printer (copies, page range) modally;
    // its result code.  The dialog cannot change the printer: a PDF printer
    // of the program's own stays in force whatever the dialog selected.
    int execPrintDialog(QPrintDialog &dialog);

    QPrinter &device() { return *device_; }

    ~Printer();

private:
    friend class PrintJob;
    Printer();
    void useSystem();
    void usePdf(const PdfPrinterSettings &settings);
    // Where the next PDF goes: the run's own file, or the first free numbered name in the folder.
    QString nextPdfFile() const;

    // Portrait geometry of a PDF printer, exact from its millimetres and
    // resolution; queues answer through Qt instead.
    struct Geometry {
        QSize physical;
        QPoint offset;
        int dpi = 0;
    };
    static Geometry geometryOf(QPageSize::PageSizeId paper, int dpi, double marginsMm);

    std::optional<Geometry> fixed_;
    PdfPrinterSettings pdf_;  // the PDF printer's settings, when fixed_ is set
    QString pdfFolder_;       // where the PDF printer numbers its files when the run gave no file
    std::unique_ptr<QPrinter> device_;
    QStringList names_;
    QString current_;
    PrinterChoice choice_;
};

// Where a finished job went: a file, or a queue with the job number CUPS gave it.
struct PrintedTo {
    QString file;
    QString queue;
    int job = 0;
};

// What a job asks of the printer beside its pages.
struct PrintOptions {
    int copies = 1;
    bool collate = true;  // 1 2 3, 1 2 3 rather than 1 1, 2 2, 3 3
    bool twoSided = false; // where the queue can
    bool jpegColour = false; // colour pictures as JPEG: smaller files, no longer exact
};

class PdfDocument;
class PdfPaintDevice;

// One print job.  Its pages are drawn into a PDF document first, every
// picture with its pixels and resolution intact (1-bit, grey and colour as
// they are); finish()
// hands that document over whole: renamed into place for the PDF printer,
// given to CUPS for a queue.  A job that cannot start, or whose document
// cannot be written or handed over, throws platform::Exception saying why,
// and leaves nothing behind: an earlier file of the same name is kept as it
// was.  A job dropped without finish() prints and writes nothing.  The
// canvas origin is the printable area's corner.  A PDF file has no copy
// count of its own: for one, the caller draws its pages once per pass, and
// there are as many passes as copies.
class PrintJob {
public:
    PrintJob(Printer &printer, const QString &title, const PrintOptions &options);
    ~PrintJob();
    PrintJob(const PrintJob &) = delete;
    PrintJob &operator=(const PrintJob &) = delete;

    QPainter &canvas() { return *painter_; }
    int passes() const { return passes_; }
    // Starts the next sheet: a new page for every sheet but the first.
    void beginPage();
    PrintedTo finish();

private:
    Printer &printer_;
    QString title_;
    PrintOptions options_;
    QString queue_;
    QString target_; // the PDF printer's file
    int passes_ = 1;
    bool firstPage_ = true;
    std::unique_ptr<QIODevice> file_;
    std::unique_ptr<PdfDocument> document_;
    std::unique_ptr<PdfPaintDevice> device_;
    std::unique_ptr<QPainter> painter_;
};

} // namespace platform
