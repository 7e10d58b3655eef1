// The copier without its window composes what the window composes: the same
// picture with the same settings prints the same pages.
#include "HeadlessCopy.h"
#include "PdfProbe.h"
#include "WindowFixture.h"
#include "Modal.h"
#include "Snewfor.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"

#include <QPrintDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage picture()
{
    QImage image(300, 200, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x % 256, (2 * y) % 256, (x + y) % 256));
    image.setDotsPerMeterX(3937);
    image.setDotsPerMeterY(3937);
    return image;
}

struct WindowAndCommand : testing::Test {
    QTemporaryDir folder;

    void usePdf(const QString &name)
    {
        platform::PrinterChoice choice;
        choice.kind = platform::PrinterChoice::Kind::Pdf;
        choice.pdf = {folder.filePath(name), 150, QPageSize::A4, 4.0};
        platform::Printer::instance().use(choice);
    }
};

} // namespace

TEST_F(WindowAndCommand, DuplicatedTilesPrintTheSame)
{
    usePdf(QStringLiteral("window.pdf"));
    TForm1 form;
    form.FormShow();
    controlOf<TPicture>(form, "Image")->setPicture(picture());
    form.PlaceArrivedPicture();
    ASSERT_FALSE(controlOf<TMMBitmapCheckBox>(form, "Dupliquer")->isHidden());
    controlOf<TMMBitmapCheckBox>(form, "Dupliquer")->click();
    form.PrintBtnClick();

    usePdf(QStringLiteral("command.pdf"));
    headless::PrintRequest request;
    request.placement = headless::Placement::Fit;
    request.duplicate = true;
    headless::printPictures({picture()}, request, {}, [](const QString &) {});
    const QList<QImage> window = pdfPages(folder.filePath(QStringLiteral("window.pdf")), 50), command = pdfPages(folder.filePath(QStringLiteral("command.pdf")), 50);
    ASSERT_EQ(window.size(), 1);
    ASSERT_EQ(command.size(), 1);
    EXPECT_EQ(window[0], command[0]);
}

TEST_F(WindowAndCommand, APosterPrintsTheSame)
{
    usePdf(QStringLiteral("window.pdf"));
    TForm1 form;
    form.FormShow();
    controlOf<TPicture>(form, "Image")->setPicture(picture());
    form.PlaceArrivedPicture();
    controlOf<TMMBitmapCheckBox>(form, "Poster")->click();
    // 420 x 594 mm, as typed in the poster format dialog.
    form.setProperty("PosterWidth", form.findChild<TNewFor *>()->ScreenPixels(4200));
    form.setProperty("PosterHeight", form.findChild<TNewFor *>()->ScreenPixels(5940));
    {
        platform::ScopedModalRunner allPages([](QDialog &) { return int(QDialog::Accepted); });
        form.PrintBtnClick();
    }

    usePdf(QStringLiteral("command.pdf"));
    headless::PrintRequest request;
    request.posterMm = QSize(420, 594);
    headless::printPictures({picture()}, request, {}, [](const QString &) {});
    const QList<QImage> window = pdfPages(folder.filePath(QStringLiteral("window.pdf")), 50), command = pdfPages(folder.filePath(QStringLiteral("command.pdf")), 50);
    ASSERT_EQ(window.size(), 9); // 3 columns of 3 sheets on A4
    ASSERT_EQ(command.size(), window.size());
    for (qsizetype page = 0; page < window.size(); ++page)
        EXPECT_EQ(window[page], command[page]) << "sheet " << page + 1;
}
