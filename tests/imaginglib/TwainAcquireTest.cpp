// Scanning through the library's exports with the real source manager
// (libtwain_32.so beside libcrde2000.so) over SANE's test backend.
#include "crde2000.h"

#include "SaneTestBackend.h"
#include "ScanDialogs.h"
#include "dib.h"

#include <gtest/gtest.h>

namespace {

struct Acquired {
    ILSTATUS status;
    int bits = 0;
    int width = 0;
    int height = 0;
};

Acquired acquire(QWidget &window, int bits, int16_t option)
{
    HGLOBAL dib = nullptr;
    void *handle = &window;
    Acquired result{aquiredibimage(handle, bits, 0, 0, &dib, nullptr, nullptr, nullptr, option)};
    if (!dib)
        return result;
    GlobalBlock owner(dib);
    GlobalLockGuard lock(dib);
    const auto *header = lock.as<BITMAPINFOHEADER>();
    result.bits = header->biBitCount;
    result.width = header->biWidth;
    result.height = header->biHeight;
    return result;
}

} // namespace

TEST(TwainAcquire, OnePageFromTheDefaultSourceAtTheAskedDepth)
{
    SaneTestBackend backend;
    QWidget window;
    // The test scanner's grey page of 210 x 297 mm at 100 dpi, as scanned and raised to 24 bits.
    for (const auto &[asked, bits] : {std::pair{0, 8}, std::pair{24, 24}, std::pair{1, 1}}) {
        SCOPED_TRACE(asked);
        const Acquired page = acquire(window, asked, IL_ACQUIRE_NO_UI);
        EXPECT_EQ(page.status, 1);
        EXPECT_EQ(page.bits, bits);
        EXPECT_NEAR(page.width, 827, 1);
        EXPECT_NEAR(page.height, 1169, 1);
    }
}

TEST(TwainAcquire, TheSourceWindowScansOrCancels)
{
    SaneTestBackend backend;
    QWidget window;
    pressInSourceWindow(window, "scanButton");
    EXPECT_EQ(acquire(window, 8, 0).status, 1);
    pressInSourceWindow(window, "cancelButton");
    const Acquired cancelled = acquire(window, 8, 0);
    EXPECT_EQ(cancelled.status, IL_ERR_STOPPED);
    EXPECT_EQ(cancelled.bits, 0);
    EXPECT_EQ(window.findChild<QDialog *>(QStringLiteral("SourceDialog")), nullptr);
}

TEST(TwainAcquire, AFailingScannerIsAnErrorAndTheNextScanWorks)
{
    {
        SaneTestBackend jammed("read-status-code \"SANE_STATUS_JAMMED\"\n");
        QWidget window;
        const Acquired page = acquire(window, 0, IL_ACQUIRE_NO_UI);
        EXPECT_EQ(page.status, IL_ERR_SCAN_FAILED);
        EXPECT_EQ(page.bits, 0);
    }
    SaneTestBackend working;
    QWidget window;
    EXPECT_EQ(acquire(window, 0, IL_ACQUIRE_NO_UI).status, 1);
}

TEST(TwainAcquire, SelectingASourceIsChosenOrCancelled)
{
    SaneTestBackend backend;
    QWidget window;
    answerSelection(true);
    EXPECT_EQ(selectsource(&window, 0), 1);
    answerSelection(false);
    EXPECT_EQ(selectsource(&window, 0), IL_ERR_STOPPED);
}

TEST(TwainAcquire, BadArgumentsAreRefused)
{
    HGLOBAL dib = nullptr;
    EXPECT_EQ(aquiredibimage(nullptr, 24, 0, 0, nullptr, nullptr, nullptr, nullptr, 0), IL_ERR_BAD_PARAMETER);
    EXPECT_EQ(aquiredibimage(nullptr, 7, 0, 0, &dib, nullptr, nullptr, nullptr, 0), IL_ERR_BAD_PARAMETER);
    EXPECT_EQ(dib, nullptr);
}
