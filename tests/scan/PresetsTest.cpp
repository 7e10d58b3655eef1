// The scanner presets window: each mode, keeping the settings, cancelling,
// and the wrench that opens the settings window over it.
#include "DialogTestSupport.h"
#include "ScanTestSupport.h"
#include "ScannerSettings.h"
#include "TMMBitmapButton.h"
#include "csTwainDialog.h"
#include "spredefine.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

struct Presets : testing::Test, ScanFixture {
    TcsTwainDialog dialog{&owner};
    TPredefine window{&owner};

    Presets()
    {
        dialog.SetTwain(scan.get());
        dialog.SetOptions(toBitDepthReduction | toThreshold);
        window.SetScanner(scan.get(), &dialog);
        window.show();
    }

    scan::ScannerSettings settings() const { return scan::ScannerSettings::of(*scan); }
};

} // namespace

TEST_F(Presets, EachModeSetsItsPairAndResolutionWhateverWasHeld)
{
    // Buttons by their place in the window, so each is the one the user sees.
    auto button = [this](int number) {
        return window.findChild<TMMBitmapButton *>(QStringLiteral("MMBitmapButton%1").arg(number));
    };
    const std::tuple<int, TcsPixelType, TcsBitDepth, int> modes[] = {
        {1, pxBW, bd1Bit, 100}, {2, pxGray, bd8Bit, 100}, {3, pxRGB, bd24Bit, 100}, {4, pxRGB, bd24Bit, 300}};
    const std::pair<TcsPixelType, TcsBitDepth> held[] = {
        {pxBW, bd1Bit}, {pxGray, bd4Bit}, {pxPalette, bd4Bit}, {pxPalette, bd8Bit}, {pxRGB, bd24Bit}};
    for (const auto &[number, type, depth, resolution] : modes) {
        for (const auto &[heldType, heldDepth] : held) {
            SCOPED_TRACE(testing::Message() << "button " << number << " after " << heldType << "/" << heldDepth);
            scan->SetPixelType(heldType);
            scan->SetBitDepth(heldDepth);
            scan->SetResolution(600);
            window.show();
            button(number)->click();
            EXPECT_EQ(window.result(), QDialog::Accepted);
            EXPECT_FALSE(window.isVisible());
            EXPECT_EQ(scan->PixelType(), type);
            EXPECT_EQ(scan->BitDepth(), depth);
            EXPECT_EQ(scan->Resolution(), resolution);
        }
    }
}

TEST_F(Presets, KeepingTheSettingsScansWithThemAndCancelDoesNot)
{
    scan->SetPixelType(pxPalette);
    scan->SetBitDepth(bd4Bit);
    scan->SetResolution(450);
    const scan::ScannerSettings before = settings();
    window.MMBitmapButton6->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(settings(), before);

    window.show();
    window.MMBitmapButton7->click();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(settings(), before);
    // The title bar's close is a cancel too.
    window.show();
    window.setResult(QDialog::Accepted);
    window.close();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_EQ(settings(), before);
}

TEST_F(Presets, WrenchOpensTheSettingsAndThePresetsStayOpen)
{
    scan->SetPixelType(pxBW);
    int shown = 0;
    {
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            ++shown;
            // The main window's settings window: one page.
            EXPECT_FALSE(form.PageControl->isTabVisible(form.PageControl->indexOf(form.tshScanTest)));
            form.cmbPixelType->setCurrentIndex(5);
            return int(QDialog::Accepted);
        });
        window.MMBitmapButton5->click();
    }
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(scan->PixelType(), pxRGB);
    // Cancelled there, the settings stay and so does the window.
    {
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            form.cmbPixelType->setCurrentIndex(0);
            return int(QDialog::Rejected);
        });
        window.MMBitmapButton5->click();
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(scan->PixelType(), pxRGB);
    window.MMBitmapButton6->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(scan->PixelType(), pxRGB);
    EXPECT_EQ(scan->BitDepth(), bd24Bit);
}

TEST_F(Presets, WindowShowsItsArtworkAtItsPlaces)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Réglages prédéfinis du scanner"));
    EXPECT_EQ(window.size(), QSize(297, 238));
    const QRect places[] = {{24, 24, 257, 33}, {24, 56, 257, 33}, {24, 88, 257, 33},  {24, 120, 257, 33},
                            {24, 151, 41, 33}, {64, 152, 217, 33}, {216, 208, 75, 25}};
    QList<size_t> faces;
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i + 1);
        auto *button = window.findChild<TMMBitmapButton *>(QStringLiteral("MMBitmapButton%1").arg(i + 1));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), places[i]);
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
        const QImage face = button->icon().pixmap(QSize(257, 33)).toImage();
        ASSERT_FALSE(face.isNull());
        // Every face is drawn, and no two are the same.
        const size_t hash = qHashBits(face.constBits(), size_t(face.sizeInBytes()));
        EXPECT_FALSE(faces.contains(hash));
        faces << hash;
    }
    EXPECT_FALSE(window.Image1->pixmap().isNull());
    EXPECT_EQ(window.Image1->pixmap().size(), QSize(297, 238));
}

// The scan that follows the presets holds the GUI thread while it reads the
// page: the window beneath must be drawn again before it starts, not at the
// next turn of the event loop.
TEST(PresetsClosing, WindowBeneathIsDrawnAgainBeforeTheScanStarts)
{
    class Beneath : public QWidget {
    public:
        int paints = 0;
        bool presetsShownWhilePainting = false;
        QPointer<QWidget> presets;

    protected:
        void paintEvent(QPaintEvent *) override
        {
            ++paints;
            presetsShownWhilePainting = presetsShownWhilePainting || (presets && presets->isVisible());
        }
    };
    Beneath main;
    main.resize(400, 300);
    main.show();
    TPredefine presets(&main);
    main.presets = &presets;
    presets.show();
    QElapsedTimer clock;
    clock.start();
    while (!(main.windowHandle() && main.windowHandle()->isExposed()) && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    const int before = main.paints;
    main.presetsShownWhilePainting = false;
    // The mode buttons and "Utiliser les réglages du scanner" close it to scan.
    presets.findChild<TMMBitmapButton *>(QStringLiteral("MMBitmapButton6"))->click();
    EXPECT_FALSE(presets.isVisible());
    EXPECT_GT(main.paints, before);
    EXPECT_FALSE(main.presetsShownWhilePainting);
}
