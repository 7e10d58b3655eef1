#include "Printer.h"
#include "TestPrinter.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Printer, PdfPrinterGeometry)
{
    useTestPrinter(600, 4.0);
    platform::Printer &printer = platform::Printer::instance();
    EXPECT_TRUE(printer.hasPrinter());
    EXPECT_EQ(printer.logPixelsX(), 600);
    EXPECT_EQ(printer.logPixelsY(), 600);
    EXPECT_EQ(printer.physicalPageSize(), QSize(4961, 7016));
    EXPECT_EQ(printer.printingOffset(), QPoint(94, 94));
    EXPECT_EQ(printer.printableSize(), QSize(4773, 6828));
    printer.setOrientation(platform::Orientation::Landscape);
    EXPECT_EQ(printer.orientation(), platform::Orientation::Landscape);
    EXPECT_EQ(printer.physicalPageSize(), QSize(7016, 4961));
    EXPECT_EQ(printer.printableSize(), QSize(6828, 4773));
    printer.setOrientation(platform::Orientation::Portrait);
}

TEST(Printer, NoPrinterStillHasAPage)
{
    platform::PrinterChoice none;
    none.kind = platform::PrinterChoice::Kind::None;
    platform::Printer::instance().use(none);
    EXPECT_FALSE(platform::Printer::instance().hasPrinter());
    EXPECT_EQ(platform::Printer::instance().physicalPageSize(), QSize(2480, 3508));
}

TEST(Printer, ParsesChoices)
{
    QString error;
    auto pdf = platform::Printer::parseChoice(QStringLiteral("pdf:/tmp/x.pdf,dpi=300,paper=A5,margins=2.5"), &error);
    ASSERT_TRUE(pdf.has_value()) << error.toStdString();
    EXPECT_EQ(pdf->kind, platform::PrinterChoice::Kind::Pdf);
    EXPECT_EQ(pdf->pdf.fileName, QStringLiteral("/tmp/x.pdf"));
    EXPECT_EQ(pdf->pdf.dpi, 300);
    EXPECT_EQ(pdf->pdf.paper, QPageSize::A5);
    EXPECT_DOUBLE_EQ(pdf->pdf.marginsMm, 2.5);
    EXPECT_EQ(platform::Printer::parseChoice(QStringLiteral("none"))->kind, platform::PrinterChoice::Kind::None);
    const auto named = platform::Printer::parseChoice(QStringLiteral("laser"));
    ASSERT_TRUE(named.has_value());
    EXPECT_EQ(named->kind, platform::PrinterChoice::Kind::System);
    EXPECT_EQ(named->systemName, QStringLiteral("laser"));
    EXPECT_FALSE(platform::Printer::instance().use(*named)); // no such printer here
    for (const char *bad : {"pdf:", "pdf:/x,dpi=abc", "pdf:/x,paper=B9", "", "pdf:/x,colour=red"})
        EXPECT_FALSE(platform::Printer::parseChoice(QString::fromLatin1(bad)).has_value()) << bad;
}

// The PDF printer numbers its files: a second copy never replaces the first,
// and a job dropped before its end leaves no file.
TEST(Printer, ThePdfPrinterNumbersItsFiles)
{
    QTemporaryDir folder;
    platform::Printer &printer = platform::Printer::instance();
    ASSERT_TRUE(printer.use(*platform::Printer::parseChoice(QStringLiteral("pdf"))));
    EXPECT_EQ(printer.currentName(), platform::Printer::PdfPrinterName);
    printer.setPdfFolder(folder.path());
    auto print = [&] {
        platform::PrintJob job(printer, QStringLiteral("test"), {1, true, false});
        job.beginPage();
        job.canvas().fillRect(0, 0, 100, 100, Qt::black);
        return job.finish();
    };
    EXPECT_EQ(print().file, folder.filePath(QStringLiteral("Quillon.pdf")));
    EXPECT_EQ(print().file, folder.filePath(QStringLiteral("Quillon-2.pdf")));
    {
        platform::PrintJob dropped(printer, QStringLiteral("test"), {1, true, false});
        dropped.beginPage();
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{QStringLiteral("Quillon-2.pdf"), QStringLiteral("Quillon.pdf")}));
    useTestPrinter();
}
