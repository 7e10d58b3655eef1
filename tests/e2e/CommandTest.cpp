// The copier as a command, against SANE's test device and the PDF printer.
#include "PdfProbe.h"
#include "ProgramEnvironment.h"
#include "Waiting.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

// A run of the program in a home of its own, with SANE's test device as the
// only scanner (its whole glass is 210 x 297 mm; extra test.conf lines may
// change it).
class Command {
public:
    explicit Command(const QByteArray &extraSaneLines = {})
    {
        QDir(home_.path()).mkpath(QStringLiteral("sane"));
        write(QStringLiteral("sane/dll.conf"), "test\n");
        write(QStringLiteral("sane/test.conf"),
              "number_of_devices 1\nresolution 100.0\ngeometry_max 300.0\nbr_x 210.0\nbr_y 297.0\n" + extraSaneLines);
    }

    QString path(const QString &name) const { return home_.filePath(name); }

    // Runs "quillon ARGS" with `input` on its standard input; returns the
    // exit status, keeps standard error.
    int run(const QStringList &arguments, const QByteArray &input = {})
    {
        return runProgram(QStringLiteral(QUILLON_PROGRAM), arguments, input);
    }
    // The same for another program of the package, beside the copier.
    int runProgram(const QString &program, const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        if (fileSizeLimit > 0)
            process.setChildProcessModifier([limit = fileSizeLimit] {
                // a disk that fills during the write: the write fails with an error, the process goes on
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit size{rlim_t(limit), rlim_t(limit)};
                setrlimit(RLIMIT_FSIZE, &size);
            });
        QProcessEnvironment env = programEnvironment(home_.path());
        env.insert(QStringLiteral("SANE_CONFIG_DIR"), path(QStringLiteral("sane")));
        if (demonstration_)
            env.insert(QStringLiteral("QUILLON_DEMO_SCANNER_DIR"), path(QStringLiteral("demo")));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        errors = QString::fromLocal8Bit(process.readAllStandardError());
        out = QString::fromLocal8Bit(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString pdfPrinter(const QString &file) const
    {
        return QStringLiteral("pdf:%1,dpi=300,paper=A4,margins=4").arg(path(file));
    }

    // No scanner at all: the demonstration scanner, with its colour pattern, stands in.
    void useDemonstrationScanner()
    {
        write(QStringLiteral("sane/dll.conf"), "");
        demonstration_ = true;
    }

    QString errors;
    QString out; // standard output
    long fileSizeLimit = 0; // bytes a file of the program may reach; 0 for no limit

private:
    bool demonstration_ = false;
    void write(const QString &name, const QByteArray &text)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir home_;
};

// The dark part of the first page rendered at 254 dpi: ten pixels a millimetre.
QRect darkArea(const QString &pdf)
{
    toolOutput(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-gray"),
                                        QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, pdf});
    const QImage page(pdf + QStringLiteral(".png"));
    QRect area;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

TEST(Command, TrueSizeCopyMeasuresWhatWasScanned)
{
    Command quillon;
    const QString pdf = quillon.path(QStringLiteral("copy.pdf"));
    ASSERT_EQ(quillon.run({QStringLiteral("copy"), QStringLiteral("--resolution"), QStringLiteral("100"),
                           QStringLiteral("--frame"), QStringLiteral("50x30"), QStringLiteral("--printer"),
                           quillon.pdfPrinter(QStringLiteral("copy.pdf"))}), 0)
        << quillon.errors.toStdString();
    EXPECT_EQ(pdfPageCount(pdf), 1);
    // The test device's picture is black: a 50 x 30 mm dark rectangle centred
    // on the printable area of A4 (which is centred on the page).
    const QRect dark = darkArea(pdf);
    EXPECT_NEAR(dark.width(), 500, 5);
    EXPECT_NEAR(dark.height(), 300, 5);
    EXPECT_NEAR(dark.center().x(), 1050, 5);
    EXPECT_NEAR(dark.center().y(), 1485, 5);
}

TEST(Command, CopiesAndTheReducedTrueSize)
{
    Command quillon;
    const QString pdf = quillon.path(QStringLiteral("copies.pdf"));
    // A whole A4 glass does not fit the printable area: reduced, and said so.
    ASSERT_EQ(quillon.run({QStringLiteral("copy"), QStringLiteral("--resolution"), QStringLiteral("50"),
                           QStringLiteral("--copies"), QStringLiteral("3"), QStringLiteral("--printer"),
                           quillon.pdfPrinter(QStringLiteral("copies.pdf"))}), 0)
        << quillon.errors.toStdString();
    EXPECT_EQ(pdfPageCount(pdf), 3);
    EXPECT_TRUE(quillon.errors.contains(QStringLiteral("réduite pour tenir")));
}

TEST(Command, FailuresSayWhyAndWriteNothing)
{
    struct Case {
        QByteArray sane;
        QStringList arguments;
        const char *reason;
    };
    const Case cases[] = {
        {{}, {QStringLiteral("--scanner"), QStringLiteral("nosuch")}, "le scanner « nosuch » est introuvable"},
        {"read-status-code \"SANE_STATUS_JAMMED\"\n", {}, "bourrage papier"},
        {{}, {QStringLiteral("--mode"), QStringLiteral("sepia")}, "--mode"},
        {{}, {QStringLiteral("--copies"), QStringLiteral("0")}, "--copies"},
        {{}, {QStringLiteral("--poster"), QStringLiteral("big")}, "--poster"},
        {{}, {QStringLiteral("--frame"), QStringLiteral("0x3")}, "--frame"},
        {{}, {QStringLiteral("--bogus")}, "bogus"},
        {{}, {QStringLiteral("--poster"), QStringLiteral("2970x2970"), QStringLiteral("--copies"), QStringLiteral("9999")},
         "le travail compte 1649835 feuilles, plus de 1000 : ajoutez --yes"},
    };
    for (const Case &c : cases) {
        Command quillon(c.sane);
        const QString pdf = quillon.path(QStringLiteral("out.pdf"));
        const int status = quillon.run(QStringList{QStringLiteral("copy"), QStringLiteral("--printer"),
                                                   quillon.pdfPrinter(QStringLiteral("out.pdf"))}
                                       + c.arguments);
        EXPECT_EQ(status, 1) << c.reason;
        EXPECT_TRUE(quillon.errors.contains(QString::fromUtf8(c.reason))) << quillon.errors.toStdString();
        EXPECT_FALSE(QFile::exists(pdf)) << c.reason;
    }
    Command quillon;
    EXPECT_EQ(quillon.run({QStringLiteral("copy"), QStringLiteral("--printer"), QStringLiteral("none")}), 1);
    EXPECT_TRUE(quillon.errors.contains(QStringLiteral("aucune imprimante")));
    EXPECT_EQ(quillon.run({QStringLiteral("copy"), QStringLiteral("--printer"), QStringLiteral("NoSuchQueue")}), 1);
    EXPECT_TRUE(quillon.errors.contains(QStringLiteral("aucune imprimante « NoSuchQueue »")));
    EXPECT_EQ(quillon.run({QStringLiteral("copy"), QStringLiteral("--help")}), 0);
}

TEST(Command, ScanWritesThePictureAndPrintReadsItBack)
{
    Command quillon;
    const QString png = quillon.path(QStringLiteral("page.png")), pdf = quillon.path(QStringLiteral("page.pdf"));
    for (const QString &out : {png, pdf})
        ASSERT_EQ(quillon.run({QStringLiteral("scan"), QStringLiteral("--resolution"), QStringLiteral("50"),
                               QStringLiteral("--frame"), QStringLiteral("100x60"), out}), 0)
            << quillon.errors.toStdString();
    const QImage scanned(png);
    EXPECT_NEAR(scanned.width(), 197, 1); // 100 mm at 50 dpi
    EXPECT_NEAR(scanned.height(), 118, 1);
    // The PDF page is the picture at its size: 100 x 60 mm is 283 x 170 points.
    const QString info = toolOutput(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+28[234](\\.\\d+)? x 1(69|70)")))) << info.toStdString();

    const QString printed = quillon.path(QStringLiteral("printed.pdf"));
    ASSERT_EQ(quillon.run({QStringLiteral("print"), png, png, QStringLiteral("--copies"), QStringLiteral("2"),
                           QStringLiteral("--printer"), quillon.pdfPrinter(QStringLiteral("printed.pdf"))}), 0)
        << quillon.errors.toStdString();
    EXPECT_EQ(pdfPageCount(printed), 4); // one sheet a file, in two copies, in one job
    const QRect dark = darkArea(printed);
    EXPECT_NEAR(dark.width(), 1000, 10);

    // Nothing is written when the output cannot be, or when one of the files is missing.
    EXPECT_EQ(quillon.run({QStringLiteral("scan"), QStringLiteral("/proc/no-such-folder/page.png")}), 1);
    EXPECT_FALSE(quillon.errors.trimmed().isEmpty());
    EXPECT_EQ(quillon.run({QStringLiteral("scan"), quillon.path(QStringLiteral("page.bmp"))}), 1);
    EXPECT_TRUE(quillon.errors.contains(QStringLiteral("format inconnu")));
    const QString none = quillon.path(QStringLiteral("none.pdf"));
    EXPECT_EQ(quillon.run({QStringLiteral("print"), png, quillon.path(QStringLiteral("missing.png")),
                           QStringLiteral("--printer"), quillon.pdfPrinter(QStringLiteral("none.pdf"))}), 1);
    EXPECT_TRUE(quillon.errors.contains(QStringLiteral("missing.png")));
    EXPECT_FALSE(QFile::exists(none));
}

// A duplex feeder: "both faces" scans through it, every face in order, and a
// two-sided copy to the PDF printer writes them one page each; the same copy
// on a feeder without a duplex unit takes one face of every sheet.
TEST(Command, BothFacesFromADuplexFeeder)
{
    const QStringList copy{QStringLiteral("copy"), QStringLiteral("--both-sides"), QStringLiteral("--two-sided"),
                           QStringLiteral("--resolution"), QStringLiteral("50"), QStringLiteral("--printer")};
    Command duplex("#duplex-source\n");
    ASSERT_EQ(duplex.run(copy + QStringList{duplex.pdfPrinter(QStringLiteral("both.pdf"))}), 0)
        << duplex.errors.toStdString();
    EXPECT_EQ(pdfPageCount(duplex.path(QStringLiteral("both.pdf"))), 10);
    QFile used(duplex.path(QStringLiteral("sane/source-used")));
    ASSERT_TRUE(used.open(QIODevice::ReadOnly));
    const QList<QByteArray> sources = used.readAll().trimmed().split('\n');
    EXPECT_GE(sources.size(), 10); // and the start that finds the feeder empty
    EXPECT_EQ(sources.count("Automatic Document Feeder Duplex"), sources.size());

    Command simplex;
    ASSERT_EQ(simplex.run(copy + QStringList{simplex.pdfPrinter(QStringLiteral("one.pdf"))}), 0)
        << simplex.errors.toStdString();
    EXPECT_EQ(pdfPageCount(simplex.path(QStringLiteral("one.pdf"))), 10);
}

// Every file the commands write, when it cannot be written: a disk that fills
// during the write, a destination that is no regular file (a pipe), and a
// symbolic link, which is written through.  A failure names the file and the
// reason, leaves the old file and nothing beside it.
TEST(Command, WritersKeepTheOldFileNameTheFileAndFollowLinks)
{
    Command quillon;
    const QString picture = quillon.path(QStringLiteral("picture.png"));
    const QStringList scan{QStringLiteral("--resolution"), QStringLiteral("75"), QStringLiteral("--frame"),
                           QStringLiteral("100x100")};
    ASSERT_EQ(quillon.run(QStringList{QStringLiteral("scan")} + scan + QStringList{picture}), 0)
        << quillon.errors.toStdString();
    EXPECT_FALSE(quillon.errors.contains(QStringLiteral("QCommandLineParser"))) << quillon.errors.toStdString();
    const QString tool = QFileInfo(QStringLiteral(QUILLON_PROGRAM)).absolutePath() + QStringLiteral("/quillon-img");
    struct Writer {
        const char *name;
        const char *extension;
        std::function<int(const QString &)> write;
    };
    const auto printer = [](const QString &file) { return QStringLiteral("pdf:%1,dpi=150,paper=A4").arg(file); };
    const auto scanTo = [&](const QString &f) { return quillon.run(QStringList{QStringLiteral("scan")} + scan + QStringList{f}); };
    const auto convertTo = [&](const QString &f) { return quillon.runProgram(tool, {picture, f}); };
    const std::vector<Writer> writers = {
        {"scan", "png", scanTo},
        {"scan", "jpg", scanTo},
        {"scan", "tif", scanTo},
        {"scan", "pdf", scanTo},
        {"copy", "pdf", [&](const QString &f) {
             return quillon.run(QStringList{QStringLiteral("copy")} + scan + QStringList{QStringLiteral("--printer"), printer(f)});
         }},
        {"print", "pdf", [&](const QString &f) {
             return quillon.run({QStringLiteral("print"), picture, QStringLiteral("--printer"), printer(f)});
         }},
        {"quillon-img", "bmp", convertTo},
        {"quillon-img", "tif", convertTo},
        {"quillon-img", "gif", convertTo},
    };
    const QDir folder(quillon.path(QStringLiteral("out")));
    for (const Writer &w : writers) {
        const std::string label = std::string(w.name) + " " + w.extension;
        ASSERT_TRUE(QDir().mkpath(folder.path()));
        const QString extension = QLatin1String(w.extension);

        const QString full = folder.filePath(QStringLiteral("full.") + extension);
        {
            QFile old(full);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        quillon.fileSizeLimit = 256;
        EXPECT_EQ(w.write(full), 1) << label;
        quillon.fileSizeLimit = 0;
        EXPECT_TRUE(quillon.errors.contains(full) && quillon.errors.contains(QStringLiteral("le fichier est trop grand")))
            << label << ": " << quillon.errors.toStdString();
        QFile old(full);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "old") << label;

        const QString pipe = folder.filePath(QStringLiteral("pipe.") + extension);
        ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        EXPECT_EQ(w.write(pipe), 1) << label;
        EXPECT_TRUE(quillon.errors.contains(pipe) && quillon.errors.contains(QStringLiteral("ce n'est pas un fichier ordinaire")))
            << label << ": " << quillon.errors.toStdString();
        EXPECT_FALSE(QFileInfo(pipe).isFile()) << label;
        EXPECT_EQ(folder.entryList(QDir::Files | QDir::System).size(), 2) << label; // no temporary left

        const QString target = quillon.path(QStringLiteral("target.") + extension);
        const QString link = folder.filePath(QStringLiteral("link.") + extension);
        ASSERT_TRUE(QFile::link(target, link));
        EXPECT_EQ(w.write(link), 0) << label << ": " << quillon.errors.toStdString();
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << label;
        EXPECT_GT(QFileInfo(target).size(), 100) << label;

        ASSERT_TRUE(QDir(folder).removeRecursively());
        QFile::remove(target);
    }
}

// A real printer by its name: CUPS with its PDF queue, set up by the test script.
TEST(Command, CopiesThroughACupsQueueByItsName)
{
    const QString queue = qEnvironmentVariable("QUILLON_CUPS_PRINTER");
    if (queue.isEmpty())
        GTEST_SKIP() << "no CUPS PDF queue";
    Command quillon;
    ASSERT_EQ(quillon.run({QStringLiteral("copy"), QStringLiteral("--resolution"), QStringLiteral("50"),
                           QStringLiteral("--fit"), QStringLiteral("--copies"), QStringLiteral("2"),
                           QStringLiteral("--printer"), queue}), 0)
        << quillon.errors.toStdString();
    // The command says which job the queue took.
    const QRegularExpressionMatch job =
        QRegularExpression(QStringLiteral("« %1 » \\(travail (\\d+)\\)").arg(queue)).match(quillon.errors);
    ASSERT_TRUE(job.hasMatch()) << quillon.errors.toStdString();
    const QString printed = cupsPdfOfJob(queue, job.captured(1).toInt());
    ASSERT_FALSE(printed.isEmpty()) << "no job came out of the queue";
    EXPECT_EQ(pdfPageCount(printed), 2);
    QFile::remove(printed);
}

// Without a screen: help and version, each command's own help, and every
// command line in error said so in French with status 1.
TEST(Command, TheCommandLineWithoutAScreen)
{
    struct Case {
        QStringList arguments;
        int status;
        const char *says; // on standard output for status 0, on standard error otherwise
    };
    const Case cases[] = {
        {{QStringLiteral("--help")}, 0, "quillon scan [options] SORTIE"},
        {{QStringLiteral("-h")}, 0, "  copy   numérise une page"},
        {{QStringLiteral("--version")}, 0, "Quillon 2002 version 4.0"},
        {{QStringLiteral("copy"), QStringLiteral("--help")}, 0, "Usage : quillon copy [options]\n\nNumérise une page"},
        {{QStringLiteral("print"), QStringLiteral("--help")}, 0, "Usage : quillon print [options] FICHIER...\n\nImprime des images"},
        {{QStringLiteral("scan"), QStringLiteral("--help")}, 0, "Usage : quillon scan [options] SORTIE\n\nNumérise une page dans un fichier"},
        {{QStringLiteral("fly")}, 1, "« fly » n'est ni une commande (copy, print, scan) ni un fichier"},
        {{QStringLiteral("--bogus")}, 1, "bogus"},
        {{QStringLiteral("copy"), QStringLiteral("--bogus")}, 1, "bogus"},
        {{QStringLiteral("--printer"), QStringLiteral("pdf:")}, 1, "demande un nom de fichier"},
        {{}, 1, "pas d'écran pour la fenêtre"},
    };
    for (const Case &c : cases) {
        Command quillon;
        const int status = quillon.run(c.arguments);
        EXPECT_EQ(status, c.status) << c.arguments.join(QLatin1Char(' ')).toStdString();
        const QString &said = c.status == 0 ? quillon.out : quillon.errors;
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.says))) << c.arguments.join(QLatin1Char(' ')).toStdString() << ": "
                                                               << said.toStdString();
    }
}

// A copy is exact: the picture in the PDF is the scanned page, pixel for
// pixel, 1-bit as 1-bit, grey as grey, colour as colour, at its resolution.
TEST(Command, TheCopysPdfHoldsTheScannedPixels)
{
    struct Case {
        const char *mode;
        QImage::Format format;
        const char *colourSpace; // as pdfimages -list says it
        int bitsPerComponent;
    };
    for (const Case &c : {Case{"bw", QImage::Format_Mono, "gray", 1}, Case{"gray", QImage::Format_Grayscale8, "gray", 8},
                          Case{"color", QImage::Format_RGB888, "rgb", 8}}) {
        Command quillon;
        quillon.useDemonstrationScanner();
        const QStringList scan{QStringLiteral("--mode"), QString::fromLatin1(c.mode), QStringLiteral("--resolution"),
                               QStringLiteral("75"), QStringLiteral("--frame"), QStringLiteral("60x40")};
        const QString png = quillon.path(QStringLiteral("scan.png")), pdf = quillon.path(QStringLiteral("copy.pdf"));
        ASSERT_EQ(quillon.run(QStringList{QStringLiteral("scan")} + scan + QStringList{png}), 0) << quillon.errors.toStdString();
        ASSERT_EQ(quillon.run(QStringList{QStringLiteral("copy"), QStringLiteral("--printer"), quillon.pdfPrinter(QStringLiteral("copy.pdf"))} + scan), 0)
            << quillon.errors.toStdString();
        const QString list = toolOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        const QStringList fields = list.section(QLatin1Char('\n'), 2, 2).simplified().split(QLatin1Char(' '));
        ASSERT_GE(fields.size(), 14) << list.toStdString();
        EXPECT_EQ(fields[5], QString::fromLatin1(c.colourSpace)) << c.mode;
        EXPECT_EQ(fields[7].toInt(), c.bitsPerComponent) << c.mode;
        EXPECT_EQ(fields[12].toInt(), 75) << c.mode; // the page's own resolution
        QProcess::execute(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, quillon.path(QStringLiteral("image"))});
        const QImage printed = QImage(quillon.path(QStringLiteral("image-000.png"))).convertToFormat(QImage::Format_RGB888);
        const QImage scanned = QImage(png).convertToFormat(QImage::Format_RGB888);
        ASSERT_FALSE(scanned.isNull()) << c.mode;
        EXPECT_GT(scanned.width() * scanned.height(), 1000) << c.mode;
        EXPECT_TRUE(printed == scanned) << c.mode << ": " << printed.width() << "x" << printed.height();
    }
}

// Several originals on a sheet and an identity card, from the test device to PDF.
TEST(Command, GathersOriginalsOnSheetsAndCopiesACardsTwoFaces)
{
    Command quillon;
    const QStringList common{QStringLiteral("--resolution"), QStringLiteral("50"), QStringLiteral("--printer")};
    // The feeder's ten pages, four to a sheet: three sheets.
    ASSERT_EQ(quillon.run(QStringList{QStringLiteral("copy"), QStringLiteral("--all-pages"), QStringLiteral("--per-sheet"),
                                      QStringLiteral("4")}
                          + common + QStringList{quillon.pdfPrinter(QStringLiteral("four.pdf"))}),
              0)
        << quillon.errors.toStdString();
    EXPECT_EQ(pdfPageCount(quillon.path(QStringLiteral("four.pdf"))), 3);
    // The card: the front, Enter once it is turned, the back; one sheet.
    const QStringList card = QStringList{QStringLiteral("copy"), QStringLiteral("--id-card"), QStringLiteral("--frame"),
                                         QStringLiteral("86x54")}
        + common;
    ASSERT_EQ(quillon.run(card + QStringList{quillon.pdfPrinter(QStringLiteral("card.pdf"))}, "\n"), 0)
        << quillon.errors.toStdString();
    EXPECT_TRUE(quillon.errors.contains(QStringLiteral("retournez la carte")));
    EXPECT_EQ(pdfPageCount(quillon.path(QStringLiteral("card.pdf"))), 1);
    // Nobody to turn the card: nothing printed.
    EXPECT_EQ(quillon.run(card + QStringList{quillon.pdfPrinter(QStringLiteral("none.pdf"))}), 1);
    EXPECT_TRUE(quillon.errors.contains(QStringLiteral("abandonnée"))) << quillon.errors.toStdString();
    EXPECT_FALSE(QFile::exists(quillon.path(QStringLiteral("none.pdf"))));
    EXPECT_EQ(quillon.run(QStringList{QStringLiteral("copy"), QStringLiteral("--per-sheet"), QStringLiteral("3")} + common
                          + QStringList{quillon.pdfPrinter(QStringLiteral("three.pdf"))}),
              1);
}
