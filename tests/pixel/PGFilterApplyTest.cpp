// Applying a dialog's filter to the whole picture held by an image control:
// the result, a stop through the progress window, and a failing filter.
#include "PixelUiTestSupport.h"

#include "PGBasicFilters.h"
#include "PGFilterApply.h"
#include "PGImage.h"

#include <QApplication>
#include <QProgressDialog>
#include <QSlider>
#include <QTimer>

namespace {

// Raises the library's hue/saturation refusal on the first colour it sees.
class RefusingFilter : public TPGColorFilter {
public:
    TRGB FilterColor(TRGB) override { throw EPGSaturationHue(Text(msgSaturationHue)); }
};

// Takes its time on the first pixel of each row.
class SlowFilter : public TPGColorFilter {
public:
    TRGB FilterColor(TRGB color) override
    {
        if (RedOf(color) == 0)
            QThread::msleep(5);
        return color ^ 0xFFFFFFu;
    }
};

std::vector<TRGB> pixelsOf(const TPixelGraphic &image)
{
    std::vector<TRGB> pixels;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            pixels.push_back(image.GetPixel(x, y));
    return pixels;
}

struct Holder : testing::Test {
    TPGImage holder; // hidden, like the main window's
    TPixelGraphic *picture;
    std::vector<TRGB> before;

    Holder()
    {
        auto image = std::make_unique<TPixelGraphic>();
        fillSample(*image, 40, 256);
        picture = image.get();
        holder.SetPixelGraphic(std::move(image));
        before = pixelsOf(*picture);
    }
    void expectUntouched()
    {
        EXPECT_EQ(holder.CurrentPixelGraphic(), picture);
        EXPECT_TRUE(pixelsOf(*holder.CurrentPixelGraphic()) == before);
    }
};

} // namespace

TEST_F(Holder, AColourFilterReplacesThePicture)
{
    TRGBFilter filter;
    SetupOffsetTable(filter.Tables[0], -100);
    ASSERT_TRUE(ApplyFilterWithProgress(holder, filter, QStringLiteral("Filtre RVB"), nullptr));
    const TPixelGraphic &result = *holder.CurrentPixelGraphic();
    EXPECT_EQ(result.PixelFormat(), pg24Bit);
    for (int y = 0; y < result.Height(); y += 17)
        for (int x = 0; x < result.Width(); ++x)
            ASSERT_EQ(result.GetPixel(x, y), before[size_t(y * 40 + x)] & 0xFFFF00u);
}

TEST_F(Holder, APalettePictureKeepsItsPixelsAndHasItsPaletteFiltered)
{
    auto indexed = std::make_unique<TPixelGraphic>();
    indexed->SetFormat(4, 2, pg8Bit);
    indexed->SetPaletteIdent(pGray256);
    for (int x = 0; x < 4; ++x)
        indexed->SetPixel(x, 1, uint32_t(x * 60));
    holder.SetPixelGraphic(std::move(indexed));
    TCMYFilter filter;
    SetupOffsetTable(filter.Tables[2], 100); // all yellow ink
    ASSERT_TRUE(ApplyFilterWithProgress(holder, filter, QString(), nullptr));
    const TPixelGraphic &result = *holder.CurrentPixelGraphic();
    EXPECT_EQ(result.PixelFormat(), pg8Bit);
    EXPECT_EQ(result.GetPixel(3, 1), 180u);
    EXPECT_EQ(result.PaletteEntries(180), MakeRGB(180, 180, 0));
}

TEST_F(Holder, AConvolutionFilterWritesANewImage)
{
    TConvFilter filter;
    filter.SetupContour(dsRect, true, true, 100, 1.0L);
    ASSERT_TRUE(ApplyFilterWithProgress(holder, filter, QString(), nullptr));
    EXPECT_NE(holder.CurrentPixelGraphic(), picture);
    EXPECT_EQ(holder.CurrentPixelGraphic()->Width(), 40);
}

TEST_F(Holder, AFilterThatFailsLeavesThePictureWithTheMessageInFrench)
{
    const ScopedLanguage french(pglFrench);
    RefusingFilter filter;
    const QString message = messageOf<EPGSaturationHue>([&] { ApplyFilterWithProgress(holder, filter, {}, nullptr); });
    EXPECT_EQ(message, QString::fromUtf8("Saturation nulle alors que la teinte a été définie"));
    expectUntouched();
}

// The progress window appears once the work has lasted; its Cancel button stops it.
TEST_F(Holder, StoppedFromTheProgressWindowLeavesThePicture)
{
    bool cancelled = false;
    std::function<void()> pressCancel = [&] {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *progress = qobject_cast<QProgressDialog *>(window);
                progress && progress->objectName() == QLatin1String("FilterProgress") && progress->isVisible()) {
                EXPECT_EQ(progress->labelText(), QStringLiteral("Essai"));
                progress->cancel();
                cancelled = true;
                return;
            }
        QTimer::singleShot(1, pressCancel);
    };
    QTimer::singleShot(0, pressCancel);
    SlowFilter filter;
    EXPECT_FALSE(ApplyFilterWithProgress(holder, filter, QStringLiteral("Essai"), nullptr));
    EXPECT_TRUE(cancelled);
    expectUntouched();
}

TEST_F(Holder, TheWholeCommandRunsTheDialogThenTheFilter)
{
    TBasicFilterDialogs dialogs;
    {
        const ModalAnswer cancel(QDialog::Rejected);
        EXPECT_FALSE(dialogs.Run(1, holder, nullptr));
        expectUntouched();
    }
    const ModalAnswer ok(QDialog::Accepted, [](QDialog &form) {
        form.findChild<QSlider *>(QStringLiteral("TrackBar2"))->setValue(-100);
    });
    EXPECT_TRUE(dialogs.Run(1, holder, nullptr));
    const TPixelGraphic &result = *holder.CurrentPixelGraphic();
    EXPECT_EQ(result.GetPixel(39, 255), before[255 * 40 + 39] & 0xFF00FFu);
    EXPECT_TRUE(dialogs.Run(7, holder, nullptr)); // a convolution dialog, no preview
    TPGImage empty;
    EXPECT_FALSE(dialogs.Run(1, empty, nullptr));
}
