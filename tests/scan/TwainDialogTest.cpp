// The scanner settings window driven as a user would: the lists and bars
// against the scanner component both ways, OK and cancel, the optional parts,
// the trial scan and the diagnostic page against the scripted source manager
// and SANE's test device.
#include "DialogTestSupport.h"
#include "FakeSourceManager.h"
#include "SaneTestBackend.h"
#include "ScanDialogs.h"
#include "ScanTestSupport.h"
#include "ScannerSettings.h"
#include "TPicture.h"
#include "csTwainDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace {

struct SettingsDialog : testing::Test, ScanFixture {
    TcsTwainDialog dialog{&owner};

    SettingsDialog() { dialog.SetTwain(scan.get()); }

    scan::ScannerSettings settings() const { return scan::ScannerSettings::of(*scan); }
};

QString label(TTwainDialogForm &form, const char *name)
{
    return form.findChild<QLabel *>(QString::fromLatin1(name))->text();
}

// The capability list as "NAME = value" lines.
QStringList capabilityLines(TTwainDialogForm &form)
{
    QStringList lines;
    for (int n = 0;; ++n) {
        auto *name = form.scbCapabilities->widget()->findChild<QLabel *>(QStringLiteral("lblCapName%1").arg(n));
        auto *value = form.scbCapabilities->widget()->findChild<QLabel *>(QStringLiteral("lblCapVal%1").arg(n));
        if (!name || !value)
            return lines;
        EXPECT_TRUE(name->isVisibleTo(form.scbCapabilities) && value->isVisibleTo(form.scbCapabilities));
        EXPECT_EQ(name->pos(), QPoint(2, 1 + 12 * n));
        EXPECT_EQ(value->pos(), QPoint(114, 1 + 12 * n));
        lines << name->text() + QLatin1Char(' ') + value->text();
    }
}

void mouse(QWidget *target, QEvent::Type type, QPoint position)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(position), target->mapToGlobal(QPointF(position)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST_F(SettingsDialog, ColourListShowsAndSetsTypeAndDepth)
{
    struct Case {
        TcsPixelType type;
        TcsBitDepth depth;
        int item;
    };
    const Case cases[] = {{pxBW, bd1Bit, 0},    {pxGray, bd4Bit, 1},    {pxGray, bd8Bit, 2},
                          {pxPalette, bd4Bit, 3}, {pxPalette, bd8Bit, 4}, {pxRGB, bd24Bit, 5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.item);
        // Shown: the component holds the pair.
        scan->SetPixelType(c.type);
        scan->SetBitDepth(c.depth);
        int shown = -2;
        {
            SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
                shown = form.cmbPixelType->currentIndex();
                return int(QDialog::Rejected);
            });
            dialog.Execute();
        }
        EXPECT_EQ(shown, c.item);
        // Set: from a pair far from it, the item chosen and OK.
        const bool fromColour = c.type != pxRGB;
        scan->SetPixelType(fromColour ? pxRGB : pxGray);
        scan->SetBitDepth(fromColour ? bd24Bit : bd4Bit);
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            form.cmbPixelType->setCurrentIndex(c.item);
            return int(QDialog::Accepted);
        });
        EXPECT_TRUE(dialog.Execute());
        EXPECT_EQ(scan->PixelType(), c.type);
        EXPECT_EQ(scan->BitDepth(), c.depth);
    }
}

TEST_F(SettingsDialog, ReductionAndFormatListsShowAndSetTheirSetting)
{
    struct Case {
        TcsBitDepthReduction reduction;
        int reductionItem;
        TcsFrameSize frame;
        int frameItem;
    };
    const Case cases[] = {
        {brThreshold, 0, fsDetected, 0}, {brHalftones, 1, fsA4, 1},   {brDiffusion, 2, fsA5, 2},
        {brThreshold, 0, fsB5, 3},       {brHalftones, 1, fsLegal, 4}, {brDiffusion, 2, fsLetter, 5},
        // No item for these: OK keeps the custom halftone, and sets the custom frame.
        {brCustom, -1, fsCustom, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.frameItem);
        scan->SetBitDepthReduction(c.reduction);
        scan->SetFrameSize(c.frame);
        int reductionShown = -2, frameShown = -2;
        {
            SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
                reductionShown = form.cmbBitDepthReduction->currentIndex();
                frameShown = form.cmbFrameSize->currentIndex();
                return int(QDialog::Rejected);
            });
            dialog.Execute();
        }
        EXPECT_EQ(reductionShown, c.reductionItem);
        EXPECT_EQ(frameShown, c.frameItem);

        scan->SetBitDepthReduction(c.reduction == brCustom ? brCustom : brHalftones);
        scan->SetFrameSize(fsLegal);
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            form.cmbBitDepthReduction->setCurrentIndex(c.reductionItem);
            form.cmbFrameSize->setCurrentIndex(c.frameItem);
            return int(QDialog::Accepted);
        });
        EXPECT_TRUE(dialog.Execute());
        EXPECT_EQ(scan->BitDepthReduction(), c.reduction);
        EXPECT_EQ(scan->FrameSize(), c.frame);
    }
}

TEST_F(SettingsDialog, BarLabelsReadTheCaptionAndAtLeastThreeDigits)
{
    scan->SetResolution(1200);
    scan->SetBrightness(125);
    scan->SetContrast(7);
    scan->SetShadow(0);
    scan->SetThreshold(128);
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        EXPECT_EQ(label(form, "lblResulution"), QStringLiteral("Résolution: 1200"));
        EXPECT_EQ(label(form, "lblBrightness"), QStringLiteral("Luminosité: 125"));
        EXPECT_EQ(label(form, "lblContrast"), QStringLiteral("Contraste: 007"));
        EXPECT_EQ(label(form, "lblHighlight"), QStringLiteral("Valeur la plus claire: 255"));
        EXPECT_EQ(label(form, "lblShadow"), QStringLiteral("Valeur la plus sombre: 000"));
        EXPECT_EQ(label(form, "lblThreshold"), QStringLiteral("Seuil: 128"));
        form.trbResolution->setValue(10);
        EXPECT_EQ(label(form, "lblResulution"), QStringLiteral("Résolution: 010"));
        // The bars are told apart by their tags, in the order of the labels above.
        const QSlider *bars[] = {form.trbResolution, form.trbBrightness, form.trbContrast,
                                 form.trbHighlight, form.trbShadow, form.trbThreshold};
        for (int tag = 1; tag <= 6; ++tag)
            EXPECT_EQ(bars[tag - 1]->property("Tag").toInt(), tag);
        return int(QDialog::Rejected);
    });
    dialog.Execute();
}

TEST_F(SettingsDialog, ShadowStaysBelowHighlightOnScreen)
{
    scan->SetHighlight(150);
    scan->SetShadow(100);
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        form.trbShadow->setValue(200);
        EXPECT_EQ(form.trbHighlight->value(), 201);
        form.trbHighlight->setValue(50);
        EXPECT_EQ(form.trbShadow->value(), 49);
        EXPECT_EQ(label(form, "lblShadow"), QStringLiteral("Valeur la plus sombre: 049"));
        // Above the shadow, the highlight moves alone.
        form.trbHighlight->setValue(90);
        EXPECT_EQ(form.trbShadow->value(), 49);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(+scan->Highlight(), 90);
    EXPECT_EQ(+scan->Shadow(), 49);
}

TEST_F(SettingsDialog, OkAppliesEveryControl)
{
    // A tone range below the one the component holds lands exactly too.
    scan->SetHighlight(250);
    scan->SetShadow(200);
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        auto *feeder = form.findChild<QCheckBox *>(QStringLiteral("chbFeeder"));
        EXPECT_EQ(feeder->text(), QStringLiteral("Chargeur de documents"));
        EXPECT_TRUE(feeder->isChecked());
        form.cmbPixelType->setCurrentIndex(3);
        form.cmbFrameSize->setCurrentIndex(2);
        form.cmbBitDepthReduction->setCurrentIndex(2);
        form.chbAutoBrightness->setChecked(false);
        form.chbInverted->setChecked(true);
        feeder->setChecked(false);
        form.trbResolution->setValue(600);
        form.trbBrightness->setValue(30);
        form.trbContrast->setValue(240);
        form.trbShadow->setValue(20);
        form.trbHighlight->setValue(60);
        form.trbThreshold->setValue(7);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(dialog.Execute());
    scan::ScannerSettings expected = scan::ScannerSettings::of(TcsTwainScan());
    expected.AutoBrightness = false;
    expected.Inverted = true;
    expected.FeederEnabled = false;
    expected.PixelType = pxPalette;
    expected.BitDepth = bd4Bit;
    expected.BitDepthReduction = brDiffusion;
    expected.FrameSize = fsA5;
    expected.Resolution = 600;
    expected.Brightness = 30;
    expected.Contrast = 240;
    expected.Highlight = 60;
    expected.Shadow = 20;
    expected.Threshold = 7;
    EXPECT_EQ(settings(), expected);
}

TEST_F(SettingsDialog, CancelAndClosingPutBackExactlyWhatTheComponentHeld)
{
    scan->SetPixelType(pxPalette);
    scan->SetBitDepth(bd4Bit);
    scan->SetBitDepthReduction(brCustom);
    scan->SetFrameSize(fsCustom);
    scan->SetUserInterface(true);
    scan->SetFeederEnabled(false);
    scan->SetHighlight(150);
    scan->SetShadow(100);
    const scan::ScannerSettings before = settings();
    auto moveEverything = [](TTwainDialogForm &form) {
        // Each showing starts from the component.
        EXPECT_FALSE(form.chbFeeder->isChecked());
        form.cmbPixelType->setCurrentIndex(5);
        form.cmbFrameSize->setCurrentIndex(0);
        form.cmbBitDepthReduction->setCurrentIndex(1);
        form.chbAutoBrightness->setChecked(false);
        form.chbInverted->setChecked(true);
        form.chbFeeder->setChecked(true);
        for (QSlider *bar : form.findChildren<QSlider *>())
            bar->setValue(bar->maximum());
    };
    {
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            moveEverything(form);
            return int(QDialog::Rejected);
        });
        EXPECT_FALSE(dialog.Execute());
    }
    EXPECT_EQ(settings(), before);
    // After a trial scan, which applied the controls to the component.
    FakeSourceManager dsm;
    dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(40, 30); }});
    scan->SetUserInterface(false);
    const scan::ScannerSettings beforeTrial = settings();
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        moveEverything(form);
        form.btnAcquire->click();
        EXPECT_EQ(scan->Resolution(), 1200);
        EXPECT_EQ(scan->PixelType(), pxRGB);
        EXPECT_TRUE(scan->FeederEnabled());
        // The title bar's close goes the same way as cancel.
        form.close();
        return form.result();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(settings(), beforeTrial);
}

TEST_F(SettingsDialog, OptionsShowOrHideTheirParts)
{
    struct Case {
        TTwainDialogOptions options;
        bool reduction;
        bool threshold;
        QStringList pages;
    };
    const Case cases[] = {
        {toBitDepthReduction | toThreshold, true, true, {"Préférences"}},
        {{}, false, false, {"Préférences"}},
        {toThreshold | toScanTest, false, true, {"Préférences", "Test scanner"}},
        {toBitDepthReduction | toThreshold | toDiagnostic | toScanTest, true, true,
         {"Préférences", "Test scanner", "Diagnostic"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pages.join(QLatin1Char(',')).toStdString());
        dialog.SetOptions(c.options);
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            EXPECT_EQ(form.lblBitDepthReduction->isVisible(), c.reduction);
            EXPECT_EQ(form.cmbBitDepthReduction->isVisible(), c.reduction);
            for (const char *part : {"trbThreshold", "lblThreshold", "imgMinThreshold", "imgMaxThreshold"})
                EXPECT_EQ(form.findChild<QWidget *>(QString::fromLatin1(part))->isVisible(), c.threshold) << part;
            EXPECT_TRUE(form.trbShadow->isVisible());
            QStringList pages;
            for (int i = 0; i < form.PageControl->count(); ++i)
                if (form.PageControl->isTabVisible(i))
                    pages << form.PageControl->tabText(i);
            EXPECT_EQ(pages, c.pages);
            return int(QDialog::Rejected);
        });
        dialog.Execute();
    }
}

TEST_F(SettingsDialog, WindowCentresOnTheOwnerAndTheScannerShowsOverIt)
{
    owner.setGeometry(100, 100, 601, 400);
    QWidget *parentDuring = nullptr;
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Acquisition"));
        EXPECT_EQ(form.size(), QSize(285, 422));
        // 100 + 601 / 2 - 285 / 2 = 100 + 300 - 142, and likewise down.
        EXPECT_EQ(form.pos(), QPoint(258, 89));
        parentDuring = scan->ParentWindow();
        EXPECT_EQ(parentDuring, &form);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_NE(parentDuring, nullptr);
    EXPECT_EQ(scan->ParentWindow(), &owner);
    // Without a scanner component there is nothing to show.
    TcsTwainDialog alone(&owner);
    EXPECT_FALSE(alone.Execute());
    // The link goes when the scanner component does.
    scan.reset();
    EXPECT_EQ(dialog.Twain(), nullptr);
    EXPECT_FALSE(dialog.Execute());
}

// ---- trial scan ----

TEST_F(SettingsDialog, TrialScanShowsThePageAtLowResolutionAndTheHandDragsIt)
{
    SaneTestBackend backend;
    scan->SetPixelType(pxRGB);
    scan->SetFeederEnabled(false);
    scan->SetResolution(300);
    int mainWindowPages = 0;
    QObject::connect(scan.get(), &TcsTwainScan::OnDibReady, [&](QObject *, const QImage &) { ++mainWindowPages; });
    QObject::connect(scan.get(), &TcsTwainScan::OnNewImage, [&](QObject *) { ++mainWindowPages; });
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        form.PageControl->setCurrentWidget(form.tshScanTest);
        form.btnAcquire->click();
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('|')).toStdString();
        // The A4 frame, 20.9 x 29.6 cm, at 75 dpi.
        const QImage &page = form.imgViewer->picture();
        EXPECT_NEAR(page.width(), 209 / 25.4 * 75, 1.0);
        EXPECT_NEAR(page.height(), 296 / 25.4 * 75, 1.0);
        EXPECT_EQ(form.imgViewer->size(), page.size());
        const qint64 kb = qint64(page.width()) * 4 * page.height() / 1024;
        EXPECT_EQ(form.scbViewer->toolTip(),
                  QStringLiteral("%1 x %2  %3 kb").arg(page.height()).arg(page.width()).arg(kb));
        // The component kept the resolution chosen; only the trial was coarse.
        EXPECT_EQ(scan->Resolution(), 300);
        EXPECT_EQ(scan->SessionState(), 1);
        EXPECT_EQ(form.edtProductName->text(), QStringLiteral("test:0"));

        // Pressed at (150, 120), moved to (110, 60): the picture follows the hand.
        QScrollBar *across = form.scbViewer->horizontalScrollBar();
        QScrollBar *down = form.scbViewer->verticalScrollBar();
        across->setValue(50);
        down->setValue(70);
        QWidget *surface = form.scbViewer->viewport();
        const QPoint offset = surface->mapTo(form.scbViewer, QPoint(0, 0));
        mouse(surface, QEvent::MouseButtonPress, QPoint(150, 120) - offset);
        mouse(surface, QEvent::MouseMove, QPoint(110, 60) - offset);
        EXPECT_EQ(across->value(), 90);
        EXPECT_EQ(down->value(), 130);
        // Over the picture itself too, until the button is released.
        mouse(form.imgViewer, QEvent::MouseMove, form.imgViewer->mapFrom(form.scbViewer, QPoint(100, 50)));
        EXPECT_EQ(across->value(), 100);
        EXPECT_EQ(down->value(), 140);
        mouse(surface, QEvent::MouseButtonRelease, QPoint(100, 50) - offset);
        mouse(surface, QEvent::MouseMove, QPoint(0, 0));
        EXPECT_EQ(across->value(), 100);
        EXPECT_EQ(down->value(), 140);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(mainWindowPages, 0);
    EXPECT_EQ(scan->Resolution(), 300);
}

TEST_F(SettingsDialog, HintCountsRowsPaddedAtOneEightOrThirtyTwoBits)
{
    struct Case {
        std::function<HGLOBAL()> page;
        QString hint;
    };
    const Case cases[] = {
        // 33 pixels at 1 bit: rows of 8 bytes; 200 rows = 1600 bytes.
        {[] { return FakeSourceManager::lineArtDib(33, 200); }, QStringLiteral("200 x 33  1 kb")},
        // 850 x 1100 at 8 bits: 852-byte rows.
        {[] { return FakeSourceManager::greyDib(850, 1100); }, QStringLiteral("1100 x 850  915 kb")},
    };
    for (const Case &c : cases) {
        FakeSourceManager dsm;
        dsm.pages.push_back({TWRC_XFERDONE, c.page});
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            form.btnAcquire->click();
            EXPECT_EQ(form.scbViewer->toolTip(), c.hint);
            return int(QDialog::Rejected);
        });
        dialog.Execute();
    }
}

TEST_F(SettingsDialog, FailingTrialScanSaysWhyAndChangesNothing)
{
    SaneTestBackend backend("read-status-code \"SANE_STATUS_JAMMED\"\n");
    scan->SetFeederEnabled(false);
    const scan::ScannerSettings before = settings();
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        form.btnAcquire->click();
        EXPECT_TRUE(form.imgViewer->picture().isNull());
        EXPECT_TRUE(form.btnOk->isEnabled());
        EXPECT_TRUE(form.PageControl->isEnabled());
        return int(QDialog::Rejected);
    });
    dialog.Execute();
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral("L'essai de numérisation a échoué : bourrage papier.")}));
    EXPECT_EQ(messages.requests()[0].kind, platform::MessageKind::Error);
    EXPECT_EQ(settings(), before);
}

TEST_F(SettingsDialog, SlowTrialScanShowsProgressUnderTheHourglassAndStops)
{
    // A fifth of a second per buffer read.
    SaneTestBackend backend("read-delay true\nread-delay-duration 200000\n");
    scan->SetFeederEnabled(false);
    bool seen = false, hourglass = false;
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        std::function<void()> stop = [&, alive = QPointer<TTwainDialogForm>(&form)] {
            auto *progress = alive ? alive->findChild<QProgressDialog *>(QStringLiteral("ScanProgress")) : nullptr;
            if (alive && (!progress || !progress->isVisible()))
                return void(QTimer::singleShot(50, stop));
            if (!progress)
                return;
            seen = true;
            hourglass = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            progress->cancel();
        };
        QTimer::singleShot(50, stop);
        form.btnAcquire->click();
        EXPECT_TRUE(form.imgViewer->picture().isNull());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        return int(QDialog::Rejected);
    });
    dialog.Execute();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(hourglass);
    // Stopped by the user: nothing to explain.
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(SettingsDialog, ScannerGoneBetweenChoiceAndTrialIsTold)
{
    FakeSourceManager dsm;
    dsm.codes[{DAT_IDENTITY, MSG_OPENDS}] = TWRC_FAILURE;
    dsm.condition = TWCC_NODS;
    const scan::ScannerSettings before = settings();
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        form.btnAcquire->click();
        return int(QDialog::Rejected);
    });
    dialog.Execute();
    const QString Break = QStringLiteral("\n\r");
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Unable to open default Data Source.") + Break
                                             + QStringLiteral("Erreur Source Manager") + Break
                                             + QStringLiteral("RC:  TWRC_FAILURE") + Break
                                             + QStringLiteral("CC:  TWCC_NODS (No Data Source)")}));
    EXPECT_EQ(settings(), before);
}

TEST_F(SettingsDialog, WindowDoesNotCloseUnderARunningTrialScan)
{
    FakeSourceManager dsm;
    dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(4, 4); }});
    bool closedDuring = true;
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        // The source's first event comes through the session's loop: try to close from there.
        QTimer::singleShot(0, &form, [&] {
            EXPECT_FALSE(form.btnOk->isEnabled());
            form.reject();
            closedDuring = !form.isVisible();
        });
        form.btnAcquire->click();
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(form.imgViewer->picture().isNull());
        return int(QDialog::Rejected);
    });
    dialog.Execute();
    EXPECT_FALSE(closedDuring);
}

// ---- diagnostic ----

TEST_F(SettingsDialog, DiagnosticListsTheTestDeviceIdentityAndCapabilities)
{
    SaneTestBackend backend;
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        form.PageControl->setCurrentWidget(form.tshDiagnostic);
        form.btnGetCapabilities->click();
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(form.edtProductName->text(), QStringLiteral("test:0"));
        EXPECT_FALSE(form.edtManufacturer->text().isEmpty());
        EXPECT_FALSE(form.edtProductFamily->text().isEmpty());
        EXPECT_EQ(form.edtProtocolMajor->text(), QStringLiteral("1"));
        EXPECT_EQ(form.edtProtocolMinor->text(), QStringLiteral("8"));
        const QStringList lines = capabilityLines(form);
        EXPECT_EQ(lines, QStringList({
                             "PIXEL TYPE = Gray",
                             "BIT DEPTH = 8",
                             "BIT DEPTH REDUCTION = Threshold",
                             "NATIVE RESOLUTION = Not supported",
                             "RESOLUTION = Min: 1 Max: 1200 Step: 1",
                             "AUTO BRIGHTNESS = Not supported",
                             "BRIGHTNESS = Not supported",
                             "CONTRAST = Not supported",
                             "HIGHLIGHT = Not supported",
                             "SHADOW = Not supported",
                             "THRESHOLD = Not supported",
                             "FEEDER ENABLED = False",
                             "FEEDER LOADED = Not supported",
                             "AUTO FEED = True",
                             "AUTO BORDER DETECT = Not supported",
                             "INDICATORS = True",
                         }));
        EXPECT_EQ(scan->SessionState(), 1);
        return int(QDialog::Rejected);
    });
    dialog.Execute();
}

TEST_F(SettingsDialog, CapabilityNumbersShowByNameAndARangeAsItIs)
{
    FakeSourceManager dsm;
    dsm.answers[ICAP_PIXELTYPE] = FakeSourceManager::list(TWON_ENUMERATION, TWTY_UINT16, {0, 0, 1, 0, 2, 0}, 3);
    dsm.answers[ICAP_BITDEPTHREDUCTION] = FakeSourceManager::oneValue(TWTY_UINT16, 3);
    dsm.answers[ICAP_BITDEPTH] = FakeSourceManager::list(TWON_ARRAY, TWTY_UINT16, {1, 0, 8, 0}, 2);
    dsm.answers[ICAP_XRESOLUTION] = FakeSourceManager::range(TWTY_UINT16, 50, 600, 50);
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        form.btnGetCapabilities->click();
        const QStringList lines = capabilityLines(form);
        EXPECT_EQ(lines.size(), 16);
        EXPECT_EQ(lines.value(0), QStringLiteral("PIXEL TYPE = BW; Gray; RGB"));
        EXPECT_EQ(lines.value(1), QStringLiteral("BIT DEPTH = 1; 8"));
        EXPECT_EQ(lines.value(2), QStringLiteral("BIT DEPTH REDUCTION = Diffusion"));
        EXPECT_EQ(lines.value(4), QStringLiteral("RESOLUTION = Min: 50 Max: 600 Step: 50"));
        EXPECT_EQ(lines.value(6), QStringLiteral("BRIGHTNESS = Not supported"));
        // A second reading replaces the first.
        dsm.answers.erase(ICAP_PIXELTYPE);
        form.btnGetCapabilities->click();
        EXPECT_EQ(capabilityLines(form).value(0), QStringLiteral("PIXEL TYPE = Not supported"));
        return int(QDialog::Rejected);
    });
    dialog.Execute();
    EXPECT_EQ(dsm.count(DAT_IDENTITY, MSG_OPENDS), 2);
    EXPECT_EQ(dsm.count(DAT_IDENTITY, MSG_CLOSEDS), 2);
    EXPECT_EQ(scan->SessionState(), 1);
}

TEST_F(SettingsDialog, CapabilityListSaysWhyWithoutASourceManagerOrASource)
{
    struct Case {
        const char *what;
        std::function<std::unique_ptr<FakeSourceManager>()> manager;
        QString message;
    };
    const QString Break = QStringLiteral("\n\r");
    const Case cases[] = {
        {"no source manager", [] { return nullptr; }, QStringLiteral("Unable to load Source Manager (TWAIN_32.DLL)")},
        {"manager will not open",
         [] {
             auto dsm = std::make_unique<FakeSourceManager>();
             dsm->codes[{DAT_PARENT, MSG_OPENDSM}] = TWRC_FAILURE;
             return dsm;
         },
         QStringLiteral("Unable to open Source Manager.")},
        {"no source",
         [] {
             auto dsm = std::make_unique<FakeSourceManager>();
             dsm->codes[{DAT_IDENTITY, MSG_OPENDS}] = TWRC_FAILURE;
             dsm->condition = TWCC_NODS;
             return dsm;
         },
         QStringLiteral("Unable to open default Data Source.") + Break + QStringLiteral("Erreur Source Manager") + Break
             + QStringLiteral("RC:  TWRC_FAILURE") + Break + QStringLiteral("CC:  TWCC_NODS (No Data Source)")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        std::unique_ptr<FakeSourceManager> dsm = c.manager();
        std::optional<TcsScopedSourceManager> missing;
        if (!dsm)
            missing.emplace(nullptr);
        SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
            form.btnGetCapabilities->click();
            EXPECT_TRUE(capabilityLines(form).isEmpty());
            return int(QDialog::Rejected);
        });
        dialog.Execute();
        EXPECT_EQ(messages.texts(), QStringList({c.message}));
        EXPECT_EQ(scan->SessionState(), 1);
    }
}

TEST_F(SettingsDialog, ChoiceOfTheSourceFillsTheIdentity)
{
    SaneTestBackend backend;
    SettingsWindowAnswer answer([&](TTwainDialogForm &form) {
        EXPECT_TRUE(form.edtProductName->text().isEmpty());
        answerSelection(true);
        form.btnSelctSource1->click();
        EXPECT_EQ(form.edtProductName->text(), QStringLiteral("test:0"));
        EXPECT_EQ(scan->ParentWindow(), &form);
        return int(QDialog::Rejected);
    });
    dialog.Execute();
    EXPECT_STREQ(scan->SourceIdentity().ProductName, "test:0");
}
