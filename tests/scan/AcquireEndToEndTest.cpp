// The component with the real source manager (libtwain_32.so, loaded by name
// as at every session) over SANE's test backend.
#include "SaneTestBackend.h"
#include "SaneWithoutScanners.h"
#include "ScanDialogs.h"
#include "ScanFailure.h"
#include "ScanTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>

TEST(AcquireEndToEnd, DeliversThePageInEachPixelType)
{
    struct Case {
        TcsPixelType type;
        WORD bits;
        QImage::Format format;
    };
    const Case cases[] = {{pxBW, 1, QImage::Format_Mono},
                          {pxGray, 8, QImage::Format_Indexed8},
                          {pxRGB, 24, QImage::Format_BGR888}};
    SaneTestBackend backend;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        ScanFixture f;
        f.recordImages();
        f.scan->SetPixelType(c.type);
        f.scan->SetFeederEnabled(false);
        ASSERT_TRUE(f.scan->Acquire());
        EXPECT_TRUE(f.messages.texts().isEmpty());
        EXPECT_EQ(f.scan->SessionState(), 1);
        EXPECT_EQ(f.scan->ImageCount(), 1);
        ASSERT_EQ(f.pages.size(), 1u);
        const BITMAPINFOHEADER &header = f.pages[0].header;
        EXPECT_EQ(+header.biBitCount, c.bits);
        // The A4 frame of 20.9 x 29.6 cm at 100 dpi.
        EXPECT_NEAR(+header.biWidth, 209 / 25.4 * 100, 1.0);
        EXPECT_NEAR(+header.biHeight, 296 / 25.4 * 100, 1.0);
        EXPECT_EQ(+header.biXPelsPerMeter, 3937); // 100 dpi, read before the device started scanning
        EXPECT_EQ(f.images[0].dotsPerMeterY(), 3937);
        ASSERT_EQ(f.images.size(), 1u);
        EXPECT_EQ(f.images[0].format(), c.format);
        EXPECT_EQ(f.images[0].size(), QSize(header.biWidth, header.biHeight));
        // The test picture is solid black.
        EXPECT_EQ(f.images[0].pixel(10, 10), qRgb(0, 0, 0));
    }
}

TEST(AcquireEndToEnd, FeederDeliversEveryPage)
{
    SaneTestBackend backend;
    ScanFixture f;
    f.recordImages();
    f.scan->SetResolution(25);
    ASSERT_TRUE(f.scan->Acquire());
    EXPECT_EQ(f.scan->ImageCount(), 10);
    EXPECT_EQ(f.pages.size(), 10u);
    EXPECT_EQ(f.events.count(QStringLiteral("new")), 10);
    // Page after page, each whole before the next is asked for.
    QStringList inOrder;
    for (int page = 0; page < 10; ++page)
        inOrder << "new" << "dib" << "memory";
    EXPECT_EQ(f.events, inOrder);
    EXPECT_EQ(f.scan->SessionState(), 1);
    // The feeder running empty after its last sheet is the end of the job, not a failure.
    EXPECT_EQ(f.scan->SessionEnd().stage, TcsSessionStage::Completed);
    EXPECT_EQ(f.scan->SessionEnd().pages, 10);
}

// Each way the test device can fail a read ends the session quietly, with no
// page and with the reason the user is told.
TEST(AcquireEndToEnd, DeviceFailuresEndTheSessionWithTheirReason)
{
    struct Case {
        const char *status;
        scan::FailureKind kind;
    };
    const Case cases[] = {{"SANE_STATUS_JAMMED", scan::FailureKind::PaperJam},
                          {"SANE_STATUS_NO_DOCS", scan::FailureKind::NoDocument},
                          {"SANE_STATUS_COVER_OPEN", scan::FailureKind::CoverOpen},
                          {"SANE_STATUS_DEVICE_BUSY", scan::FailureKind::Busy},
                          {"SANE_STATUS_IO_ERROR", scan::FailureKind::Communication},
                          {"SANE_STATUS_ACCESS_DENIED", scan::FailureKind::AccessDenied},
                          {"SANE_STATUS_NO_MEM", scan::FailureKind::NoMemory}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        SaneTestBackend backend(std::string("read-status-code \"") + c.status + "\"\n");
        ScanFixture f;
        f.recordImages();
        f.scan->SetFeederEnabled(false);
        EXPECT_TRUE(f.scan->Acquire());
        EXPECT_EQ(f.events, QStringList({"new"}));
        EXPECT_EQ(f.scan->ImageCount(), 0);
        EXPECT_EQ(f.scan->SessionState(), 1);
        EXPECT_TRUE(f.messages.texts().isEmpty());
        EXPECT_EQ(f.scan->SessionEnd().stage, TcsSessionStage::TransferFailed);
        EXPECT_EQ(f.scan->SessionEnd().pages, 0);
        const std::optional<scan::ScanFailure> failure = scan::failureOf(f.scan->SessionEnd());
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->kind, c.kind);
    }
    // The device was closed: the next session scans.
    SaneTestBackend working;
    ScanFixture g;
    g.recordImages();
    g.scan->SetFeederEnabled(false);
    g.scan->SetResolution(25);
    EXPECT_TRUE(g.scan->Acquire());
    EXPECT_EQ(g.scan->ImageCount(), 1);
    EXPECT_FALSE(scan::failureOf(g.scan->SessionEnd()).has_value());
}

TEST(AcquireEndToEnd, SourceWindowCancelledGivesNoImage)
{
    SaneTestBackend backend;
    ScanFixture f;
    f.recordImages();
    f.scan->SetUserInterface(true);
    pressInSourceWindow(f.owner, "cancelButton");
    EXPECT_TRUE(f.scan->Acquire());
    EXPECT_TRUE(f.events.isEmpty());
    EXPECT_EQ(f.scan->SessionState(), 1);
    EXPECT_EQ(f.scan->SessionEnd().stage, TcsSessionStage::Cancelled);
    EXPECT_EQ(f.scan->SessionEnd().pages, 0);
    EXPECT_EQ(scan::failureOf(f.scan->SessionEnd())->kind, scan::FailureKind::Cancelled);
}

TEST(AcquireEndToEnd, SourceWindowScansWithItsSettings)
{
    SaneTestBackend backend;
    ScanFixture f;
    f.recordImages();
    f.scan->SetUserInterface(true);
    f.scan->SetFeederEnabled(false);
    f.scan->SetResolution(25);
    pressInSourceWindow(f.owner, "scanButton");
    EXPECT_TRUE(f.scan->Acquire());
    EXPECT_EQ(f.scan->ImageCount(), 1);
    EXPECT_EQ(f.scan->SessionState(), 1);
}

TEST(AcquireEndToEnd, ProgressWindowStopsASlowScan)
{
    // A quarter of a second per buffer: the progress window shows, and is cancelled.
    SaneTestBackend backend("read-delay true\nread-delay-duration 200000\n");
    ScanFixture f;
    f.recordImages();
    f.scan->SetFeederEnabled(false);
    bool seen = false;
    std::function<void()> cancel = [&] {
        auto *progress = f.owner.findChild<QProgressDialog *>(QStringLiteral("ScanProgress"));
        if (!progress || !progress->isVisible())
            return void(QTimer::singleShot(50, cancel));
        seen = true;
        progress->cancel();
    };
    QTimer::singleShot(50, cancel);
    EXPECT_TRUE(f.scan->Acquire());
    EXPECT_TRUE(seen);
    EXPECT_EQ(f.events, QStringList({"new"}));
    EXPECT_EQ(f.scan->ImageCount(), 0);
    EXPECT_EQ(f.scan->SessionState(), 1);
    EXPECT_EQ(f.scan->SessionEnd().stage, TcsSessionStage::Cancelled);
}

TEST(AcquireEndToEnd, SelectSourceChoosesAmongTheDevices)
{
    SaneTestBackend backend;
    ScanFixture f;
    std::function<void()> answer = [&answer] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->findChild<QPushButton *>())
            return void(QTimer::singleShot(50, answer));
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (!button->isEnabled())
                return void(QTimer::singleShot(50, answer));
        dialog->accept();
    };
    QTimer::singleShot(50, answer);
    EXPECT_TRUE(f.scan->SelectSource());
    EXPECT_STREQ(f.scan->SourceIdentity().ProductName, "test:0");
    EXPECT_EQ(f.scan->SessionState(), 1);
}

// ---- without a scanner ----

// Runs in a process of its own, where SANE is loaded afresh and finds none.
TEST(AcquireEndToEndDeathTest, WithoutAScannerTheDemonstrationScannerScansItsPattern)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto child = [] {
        QTemporaryDir demonstration;
        SaneWithoutScanners none(demonstration.path());
        QStringList problems;
        ScanFixture f;
        f.recordImages();
        f.scan->SetPixelType(pxRGB);
        f.scan->SetFeederEnabled(false);
        f.scan->SetResolution(25);
        f.scan->Acquire();
        const TcsSessionEnd &end = f.scan->SessionEnd();
        if (end.stage != TcsSessionStage::Completed || end.pages != 1 || f.images.size() != 1)
            problems << QStringLiteral("one page scanned");
        if (!end.demonstration())
            problems << QStringLiteral("known as the demonstration scanner");
        if (scan::sourceName(end.source) != QStringLiteral("Quillon Scanner de démonstration"))
            problems << QStringLiteral("named for the user: ") + scan::sourceName(end.source);
        if (scan::failureOf(end))
            problems << QStringLiteral("no failure");
        // Its colour pattern, not a black page.
        QSet<QRgb> colours;
        for (const QImage &page : f.images)
            for (int y = 0; y < page.height(); y += 2)
                for (int x = 0; x < page.width(); x += 2)
                    colours.insert(page.pixel(x, y));
        if (colours.size() < 50)
            problems << QStringLiteral("%1 colours only").arg(colours.size());
        SaneWithoutScanners::finish(problems);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
}

TEST(AcquireEndToEndDeathTest, WithoutAScannerOrTheDemonstrationOneTheCallerIsToldOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto child = [] {
        SaneWithoutScanners none{QString()};
        QStringList problems;
        ScanFixture f;
        scan::ScopedScannerMessages held(*f.scan);
        if (f.scan->Acquire())
            problems << QStringLiteral("no session");
        const std::optional<scan::ScanFailure> failure = scan::failureOf(f.scan->SessionEnd());
        if (!failure || failure->reason() != QStringLiteral("aucun scanner n'est branché"))
            problems << QStringLiteral("told there is no scanner");
        if (!f.messages.texts().isEmpty() || held.texts().size() != 1)
            problems << QStringLiteral("the component's own box held back");
        SaneWithoutScanners::finish(problems);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
}

TEST(AcquireEndToEnd, ScannerChosenBeforeAndGoneIsNamedNotReplaced)
{
    SaneTestBackend backend;
    QSettings chosen(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillon"), QStringLiteral("twain_32"));
    chosen.setValue(QStringLiteral("DefaultSource/Name"), QStringLiteral("test:7"));
    chosen.setValue(QStringLiteral("DefaultSource/Vendor"), QStringLiteral("Acme"));
    chosen.setValue(QStringLiteral("DefaultSource/Model"), QStringLiteral("Flatbed 9"));
    chosen.sync();
    ScanFixture f;
    f.recordImages();
    scan::ScopedScannerMessages held(*f.scan);
    EXPECT_FALSE(f.scan->Acquire());
    chosen.remove(QStringLiteral("DefaultSource"));
    chosen.sync();
    EXPECT_TRUE(f.events.isEmpty());
    EXPECT_EQ(f.scan->SessionEnd().stage, TcsSessionStage::SourceNotOpened);
    const std::optional<scan::ScanFailure> failure = scan::failureOf(f.scan->SessionEnd());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, scan::FailureKind::ScannerMissing);
    EXPECT_EQ(failure->reason(), QStringLiteral("le scanner « Acme Flatbed 9 » est introuvable"));
    EXPECT_TRUE(f.messages.texts().isEmpty());
}
