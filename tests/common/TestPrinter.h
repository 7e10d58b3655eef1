#pragma once
// A printer of known geometry for the tests: A4 at 600 dpi with 4 mm margins
// unless told otherwise, printing to a throw-away PDF of the test process's
// own (tests run side by side).
#include "Printer.h"

#include <QCoreApplication>
#include <QDir>

inline QString testPrinterPdf()
{
    return QDir::temp().filePath(QStringLiteral("quillon-test-%1.pdf").arg(QCoreApplication::applicationPid()));
}

inline void useTestPrinter(int dpi = 600, double marginsMm = 4.0, QPageSize::PageSizeId paper = QPageSize::A4)
{
    platform::PrinterChoice choice;
    choice.kind = platform::PrinterChoice::Kind::Pdf;
    choice.pdf = {testPrinterPdf(), dpi, paper, marginsMm};
    platform::Printer::instance().use(choice);
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
}
