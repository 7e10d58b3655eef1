#pragma once
// A printer of known geometry for the tests: A4 at 600 dpi with 4 mm margins
// unless told otherwise, printing to a throw-away PDF.
#include "Printer.h"

#include <QDir>

inline void useTestPrinter(int dpi = 600, double marginsMm = 4.0, QPageSize::PageSizeId paper = QPageSize::A4)
{
    platform::PrinterChoice choice;
    choice.kind = platform::PrinterChoice::Kind::Pdf;
    choice.pdf = {QDir::temp().filePath(QStringLiteral("quillon-test.pdf")), dpi, paper, marginsMm};
    platform::Printer::instance().use(choice);
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
}
