// The source manager against SANE's test backend: identities, capabilities
// mapped onto the device's options, scanning with and without the source's
// window, the feeder, and failures told by condition codes.
#include "SaneStatus.h"
#include "SaneTestBackend.h"
#include "SaneWithoutScanners.h"
#include "ScanDialogs.h"
#include "SourceManager.h"
#include "dib.h"
#include "twainidentity.h"
#include "twainmsg.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

namespace {

// Offers every event to the source, as an application's loop does, until it claims one.
class EventOffer : public QObject {
public:
    explicit EventOffer(std::function<TW_UINT16(TW_EVENT &)> offer) : offer_(std::move(offer))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    TW_UINT16 wait()
    {
        QElapsedTimer clock;
        clock.start();
        while (message_ == MSG_NULL && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return message_;
    }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        TwainWindowMessage message{receiver, event};
        TW_EVENT twainEvent{&message, MSG_NULL};
        if (offer_(twainEvent) != TWRC_DSEVENT)
            return false;
        if (twainEvent.TWMessage != MSG_NULL)
            message_ = twainEvent.TWMessage;
        return true;
    }

private:
    std::function<TW_UINT16(TW_EVENT &)> offer_;
    TW_UINT16 message_ = MSG_NULL;
};

class Session {
public:
    Session()
    {
        std::strcpy(app.ProductName, "source manager test");
        QWidget *parent = &window;
        EXPECT_EQ(manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    }
    ~Session()
    {
        if (enabled) {
            TW_USERINTERFACE ui{};
            source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        }
        if (opened)
            manager(DAT_IDENTITY, MSG_CLOSEDS, &identity);
        QWidget *parent = &window;
        manager(DAT_PARENT, MSG_CLOSEDSM, &parent);
    }

    TW_UINT16 manager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        return dsm.entry(&app, nullptr, DG_CONTROL, dat, msg, data);
    }
    TW_UINT16 source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        return dsm.entry(&app, &identity, dg, dat, msg, data);
    }
    TW_UINT16 condition(bool ofSource = true)
    {
        TW_STATUS status{};
        dsm.entry(&app, ofSource ? &identity : nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return status.ConditionCode;
    }
    void open()
    {
        ASSERT_EQ(manager(DAT_IDENTITY, MSG_OPENDS, &identity), TWRC_SUCCESS);
        opened = true;
    }
    TW_UINT16 set(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item)
    {
        GlobalBlock block(GlobalAlloc(GHND, sizeof(TW_ONEVALUE)));
        {
            GlobalLockGuard lock(block.get());
            *lock.as<TW_ONEVALUE>() = TW_ONEVALUE{type, item};
        }
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, block.get()};
        return source(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    }
    TW_UINT16 setFix32(TW_UINT16 cap, double value)
    {
        const TW_FIX32 fix = dsm::toFix32(value);
        TW_UINT32 item;
        std::memcpy(&item, &fix, 4);
        return set(cap, TWTY_FIX32, item);
    }
    TW_UINT16 layoutInCentimetres(double width, double height)
    {
        EXPECT_EQ(set(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS), TWRC_SUCCESS);
        TW_IMAGELAYOUT layout{};
        layout.Frame.Right = dsm::toFix32(width);
        layout.Frame.Bottom = dsm::toFix32(height);
        return source(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    }
    TW_UINT16 enable(bool showUI)
    {
        TW_USERINTERFACE ui{TW_BOOL(showUI ? 1 : 0), 0, &window};
        const TW_UINT16 code = source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
        enabled = code == TWRC_SUCCESS;
        return code;
    }
    TW_UINT16 disable()
    {
        TW_USERINTERFACE ui{};
        const TW_UINT16 code = source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        enabled = code != TWRC_SUCCESS;
        return code;
    }
    TW_UINT16 nextMessage()
    {
        EventOffer offer([this](TW_EVENT &event) { return source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event); });
        return offer.wait();
    }
    TW_UINT16 transfer(GlobalBlock *dib)
    {
        TW_HANDLE handle = nullptr;
        const TW_UINT16 code = source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        dib->reset(handle);
        return code;
    }
    TW_UINT16 endTransfer(TW_UINT16 *count)
    {
        TW_PENDINGXFERS pending{};
        const TW_UINT16 code = source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        *count = pending.Count;
        return code;
    }

    QWidget window;
    TW_IDENTITY app{};
    TW_IDENTITY identity{};
    dsm::SourceManager dsm;
    bool opened = false;
    bool enabled = false;
};

void forgetDefaultSource()
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillon"), QStringLiteral("twain_32")).clear();
}

BITMAPINFOHEADER headerOf(const GlobalBlock &dib)
{
    GlobalLockGuard lock(dib.get());
    return *lock.as<BITMAPINFOHEADER>();
}

} // namespace

TEST(SourceManager, SaneDevicesAreTheSources)
{
    SaneTestBackend backend({}, 2);
    Session session;
    TW_IDENTITY identity{};
    ASSERT_EQ(session.manager(DAT_IDENTITY, MSG_GETFIRST, &identity), TWRC_SUCCESS);
    EXPECT_STREQ(identity.ProductName, "test:0");
    EXPECT_STREQ(identity.Manufacturer, "Noname");
    EXPECT_STREQ(identity.ProductFamily, "frontend-tester");
    EXPECT_EQ(+identity.SupportedGroups, TW_UINT32(DG_CONTROL | DG_IMAGE));
    ASSERT_EQ(session.manager(DAT_IDENTITY, MSG_GETNEXT, &identity), TWRC_SUCCESS);
    EXPECT_STREQ(identity.ProductName, "test:1");
    EXPECT_EQ(session.manager(DAT_IDENTITY, MSG_GETNEXT, &identity), TWRC_ENDOFLIST);

    // Without a choice yet, the first device is the default.
    TW_IDENTITY fallback{};
    ASSERT_EQ(session.manager(DAT_IDENTITY, MSG_GETDEFAULT, &fallback), TWRC_SUCCESS);
    EXPECT_STREQ(fallback.ProductName, "test:0");
}

// The demonstration cases run in a process of their own: there SANE is
// loaded afresh, as in a session of the program.
TEST(SourceManagerDeathTest, OffersTheDemonstrationScannerWhenSaneFindsNone)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto child = [] {
        QTemporaryDir demonstration;
        SaneWithoutScanners none(demonstration.path());
        QStringList problems;
        auto check = [&problems](bool ok, const char *what) {
            if (!ok)
                problems << QString::fromLatin1(what);
        };
        // A default chosen earlier, gone now: told, not replaced by the demonstration scanner.
        QSettings stored(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillon"),
                         QStringLiteral("twain_32"));
        stored.setValue(QStringLiteral("DefaultSource/Name"), QStringLiteral("gone:0"));
        stored.sync();
        {
            Session session;
            TW_IDENTITY identity{};
            check(session.manager(DAT_IDENTITY, MSG_GETFIRST, &identity) == TWRC_SUCCESS, "listed");
            check(std::strcmp(identity.ProductName, "test:0") == 0, "the test device");
            check(identity.Manufacturer == DemonstrationManufacturer, "maker named");
            check(identity.ProductFamily == DemonstrationModel, "model named");
            check(isDemonstrationSource(identity), "identity says demonstration");
            TW_IDENTITY missing{};
            check(session.manager(DAT_IDENTITY, MSG_OPENDS, &missing) == TWRC_FAILURE, "gone default not opened");
            check(session.condition(false) == TWCC_NODS, "gone default told as no data source");
            check(std::strcmp(missing.ProductName, "gone:0") == 0 && !isDemonstrationSource(missing),
                  "gone default named");
            // Choosing the demonstration scanner forgets the default: it opens from then on.
            answerSelection(true);
            TW_IDENTITY chosen{};
            check(session.manager(DAT_IDENTITY, MSG_USERSELECT, &chosen) == TWRC_SUCCESS, "chosen");
            session.open();
            check(isDemonstrationSource(session.identity), "opened as the demonstration scanner");
            check(session.set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB) == TWRC_SUCCESS, "colour");
            check(session.setFix32(ICAP_XRESOLUTION, 20) == TWRC_SUCCESS, "resolution");
            check(session.enable(false) == TWRC_SUCCESS && session.nextMessage() == MSG_XFERREADY, "enabled");
            GlobalBlock dib;
            check(session.transfer(&dib) == TWRC_XFERDONE, "scanned");
            // The colour pattern, not a black page.
            std::set<uint32_t> colours;
            if (dib) {
                GlobalLockGuard lock(dib.get());
                auto *info = lock.as<BITMAPINFOHEADER>();
                const BYTE *bits = dib_bits(info);
                for (size_t i = 0; i + 3 <= size_t(info->biSizeImage); i += 3)
                    colours.insert(uint32_t(bits[i]) << 16 | uint32_t(bits[i + 1]) << 8 | bits[i + 2]);
            }
            check(colours.size() > 100, "many colours");
            TW_UINT16 count = 0;
            session.endTransfer(&count);
        }
        check(QFile::exists(demonstration.filePath(QStringLiteral("test.conf"))), "configuration in the folder given");
        // The user's own setting comes back once the session is over.
        check(qgetenv("SANE_CONFIG_DIR") == QFile::encodeName(none.folder()), "SANE_CONFIG_DIR restored");
        SaneWithoutScanners::finish(problems);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
}

TEST(SourceManagerDeathTest, NoDemonstrationScannerWhenItsFolderIsEmpty)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto child = [] {
        SaneWithoutScanners none{QString()};
        QStringList problems;
        Session session;
        TW_IDENTITY identity{};
        if (session.manager(DAT_IDENTITY, MSG_GETFIRST, &identity) != TWRC_FAILURE)
            problems << QStringLiteral("a source was listed");
        if (session.manager(DAT_IDENTITY, MSG_OPENDS, &identity) != TWRC_FAILURE
            || session.condition(false) != TWCC_NODS)
            problems << QStringLiteral("a source was opened");
        if (identity.ProductName[0] != 0)
            problems << QStringLiteral("a source was named");
        SaneWithoutScanners::finish(problems);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
}

TEST(SourceManager, UserSelectionBecomesTheDefault)
{
    SaneTestBackend backend({}, 2);
    {
        Session session;
        TW_IDENTITY identity{};
        // Cancelled: nothing chosen.
        answerSelection(false);
        EXPECT_EQ(session.manager(DAT_IDENTITY, MSG_USERSELECT, &identity), TWRC_CANCEL);

        std::strcpy(identity.ProductName, "test:1");
        answerSelection(true);
        ASSERT_EQ(session.manager(DAT_IDENTITY, MSG_USERSELECT, &identity), TWRC_SUCCESS);
        EXPECT_STREQ(identity.ProductName, "test:1");
    }
    // Kept for the next session: the default, and what an empty name opens.
    Session session;
    TW_IDENTITY identity{};
    ASSERT_EQ(session.manager(DAT_IDENTITY, MSG_GETDEFAULT, &identity), TWRC_SUCCESS);
    EXPECT_STREQ(identity.ProductName, "test:1");
    session.open();
    EXPECT_STREQ(session.identity.ProductName, "test:1");
    EXPECT_NE(session.identity.Id, 0u);
    forgetDefaultSource();
}

TEST(SourceManager, VanishedDefaultIsToldNotReplaced)
{
    SaneTestBackend backend;
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillon"), QStringLiteral("twain_32"));
    settings.setValue(QStringLiteral("DefaultSource/Name"), QStringLiteral("test:7"));
    settings.setValue(QStringLiteral("DefaultSource/Vendor"), QStringLiteral("Acme"));
    settings.setValue(QStringLiteral("DefaultSource/Model"), QStringLiteral("Flatbed 9"));
    settings.sync();
    {
        Session session;
        TW_IDENTITY identity{};
        EXPECT_EQ(session.manager(DAT_IDENTITY, MSG_OPENDS, &identity), TWRC_FAILURE);
        EXPECT_EQ(session.condition(false), TWCC_NODS);
        // Named, for the application to say which scanner is missing.
        EXPECT_STREQ(identity.ProductName, "test:7");
        EXPECT_STREQ(identity.Manufacturer, "Acme");
        EXPECT_STREQ(identity.ProductFamily, "Flatbed 9");
        // The choice stands until the user makes another.
        ASSERT_EQ(session.manager(DAT_IDENTITY, MSG_GETDEFAULT, &identity), TWRC_SUCCESS);
        EXPECT_STREQ(identity.ProductName, "test:7");
    }
    forgetDefaultSource();
}

TEST(SourceManager, ScansTheFrameAtOnceInEachPixelType)
{
    struct Case {
        TW_UINT16 pixelType;
        TW_UINT16 bitDepth;
        WORD bits;
        DWORD colours;
    };
    const Case cases[] = {{TWPT_BW, 1, 1, 2}, {TWPT_GRAY, 8, 8, 256}, {TWPT_RGB, 8, 24, 0}};
    SaneTestBackend backend;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pixelType);
        Session session;
        session.open();
        EXPECT_EQ(session.set(ICAP_PIXELTYPE, TWTY_UINT16, c.pixelType), TWRC_SUCCESS);
        EXPECT_EQ(session.set(ICAP_BITDEPTH, TWTY_UINT16, c.bitDepth), TWRC_SUCCESS);
        EXPECT_EQ(session.setFix32(ICAP_XRESOLUTION, 100), TWRC_SUCCESS);
        EXPECT_EQ(session.layoutInCentimetres(20.9, 29.6), TWRC_SUCCESS);
        ASSERT_EQ(session.enable(false), TWRC_SUCCESS);
        ASSERT_EQ(session.nextMessage(), MSG_XFERREADY);

        GlobalBlock dib;
        ASSERT_EQ(session.transfer(&dib), TWRC_XFERDONE);
        const BITMAPINFOHEADER header = headerOf(dib);
        EXPECT_EQ(+header.biBitCount, c.bits);
        EXPECT_EQ(+header.biClrUsed, c.colours);
        EXPECT_NEAR(+header.biWidth, 209 / 25.4 * 100, 1.0);
        EXPECT_NEAR(+header.biHeight, 296 / 25.4 * 100, 1.0);
        EXPECT_EQ(GlobalSize(dib.get()), dib_packed_size(&header));
        {
            // The test picture is solid black.
            GlobalLockGuard lock(dib.get());
            auto *info = lock.as<BITMAPINFOHEADER>();
            const BYTE pixel = dib_bits(info)[0];
            const BYTE level = c.colours ? dib_colour_table(info)[c.bits == 1 ? (pixel >> 7) : pixel].rgbRed : pixel;
            EXPECT_EQ(level, 0);
        }
        TW_UINT16 count = 99;
        EXPECT_EQ(session.endTransfer(&count), TWRC_SUCCESS);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(session.disable(), TWRC_SUCCESS);
    }
}

TEST(SourceManager, AnswersCapabilitiesFromTheDeviceAndRefusesWhatItLacks)
{
    struct Case {
        const char *what;
        TW_UINT16 cap;
        TW_UINT16 type;
        TW_UINT32 item;
        TW_UINT16 code;
        TW_UINT16 condition;
    };
    const Case cases[] = {
        {"palette", ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE, TWRC_FAILURE, TWCC_BADVALUE},
        {"4-bit grey", ICAP_BITDEPTH, TWTY_UINT16, 4, TWRC_FAILURE, TWCC_BADVALUE},
        {"halftones", ICAP_BITDEPTHREDUCTION, TWTY_UINT16, TWBR_HALFTONE, TWRC_FAILURE, TWCC_BADVALUE},
        {"vanilla", ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_VANILLA, TWRC_FAILURE, TWCC_BADVALUE},
        {"progress window", CAP_INDICATORS, TWTY_BOOL, 1, TWRC_SUCCESS, TWCC_SUCCESS},
        {"no progress window", CAP_INDICATORS, TWTY_BOOL, 0, TWRC_SUCCESS, TWCC_SUCCESS},
        {"pixels as units", ICAP_UNITS, TWTY_UINT16, TWUN_PIXELS, TWRC_FAILURE, TWCC_BADVALUE},
        {"brightness", ICAP_BRIGHTNESS, TWTY_FIX32, 0, TWRC_FAILURE, TWCC_BADCAP},
        {"threshold", ICAP_THRESHOLD, TWTY_FIX32, 0, TWRC_FAILURE, TWCC_BADCAP},
        {"border detection", ICAP_AUTOMATICBORDERDETECTION, TWTY_BOOL, 1, TWRC_FAILURE, TWCC_BADCAP},
        {"auto brightness", ICAP_AUTOBRIGHT, TWTY_BOOL, 1, TWRC_FAILURE, TWCC_BADCAP},
        {"feeder", CAP_FEEDERENABLED, TWTY_BOOL, 1, TWRC_SUCCESS, TWCC_SUCCESS},
        {"auto feed", CAP_AUTOFEED, TWTY_BOOL, 1, TWRC_SUCCESS, TWCC_SUCCESS},
        {"manual feed", CAP_AUTOFEED, TWTY_BOOL, 0, TWRC_FAILURE, TWCC_BADVALUE},
        {"resolution too high", ICAP_XRESOLUTION, TWTY_FIX32, dsm::fix32Item(5000), TWRC_FAILURE, TWCC_BADVALUE},
        {"resolution", ICAP_XRESOLUTION, TWTY_FIX32, dsm::fix32Item(300), TWRC_SUCCESS, TWCC_SUCCESS},
    };
    SaneTestBackend backend;
    Session session;
    session.open();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(session.set(c.cap, c.type, c.item), c.code);
        EXPECT_EQ(session.condition(), c.condition);
    }

    // The resolution's range comes from the device's option, in the current units.
    TW_CAPABILITY capability{ICAP_XRESOLUTION, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(session.source(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
    ASSERT_EQ(capability.ConType, TWON_RANGE);
    {
        GlobalBlock container(capability.hContainer);
        GlobalLockGuard lock(container.get());
        const TW_RANGE range = *lock.as<TW_RANGE>();
        EXPECT_EQ(+range.ItemType, TWTY_FIX32);
        EXPECT_EQ(dsm::itemValue(TWTY_FIX32, range.MinValue), 1.0);
        EXPECT_EQ(dsm::itemValue(TWTY_FIX32, range.MaxValue), 1200.0);
        EXPECT_EQ(dsm::itemValue(TWTY_FIX32, range.CurrentValue), 300.0);
    }
    // No paper sensor on this device: it cannot say whether the feeder is loaded.
    TW_CAPABILITY loaded{CAP_FEEDERLOADED, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(session.source(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &loaded), TWRC_FAILURE);
    EXPECT_EQ(session.condition(), TWCC_BADCAP);
    EXPECT_TRUE(loaded.hContainer == nullptr);
}

TEST(SourceManager, KeepsTheTripletsInSequence)
{
    SaneTestBackend backend;
    Session session;
    session.open();
    TW_IDENTITY stranger = session.identity;
    stranger.Id += 100;
    TW_STATUS status{};
    EXPECT_EQ(session.dsm.entry(&session.app, &stranger, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_FAILURE);
    EXPECT_EQ(session.condition(false), TWCC_BADDEST);

    GlobalBlock dib;
    EXPECT_EQ(session.transfer(&dib), TWRC_FAILURE);
    EXPECT_EQ(session.condition(), TWCC_SEQERROR);
    ASSERT_EQ(session.enable(false), TWRC_SUCCESS);
    // Capabilities are set before enabling; a source is closed after disabling.
    EXPECT_EQ(session.set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_FAILURE);
    EXPECT_EQ(session.condition(), TWCC_SEQERROR);
    EXPECT_EQ(session.manager(DAT_IDENTITY, MSG_CLOSEDS, &session.identity), TWRC_FAILURE);
    QWidget *parent = &session.window;
    EXPECT_EQ(session.manager(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_FAILURE);
    EXPECT_EQ(session.condition(false), TWCC_SEQERROR);
    EXPECT_EQ(session.disable(), TWRC_SUCCESS);
}

TEST(SourceManager, FeederDeliversPagesUntilItIsEmpty)
{
    SaneTestBackend backend;
    Session session;
    session.open();
    ASSERT_EQ(session.set(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
    ASSERT_EQ(session.setFix32(ICAP_XRESOLUTION, 20), TWRC_SUCCESS);
    ASSERT_EQ(session.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(session.nextMessage(), MSG_XFERREADY);
    int pages = 0;
    TW_UINT16 count = 0;
    do {
        GlobalBlock dib;
        ASSERT_EQ(session.transfer(&dib), TWRC_XFERDONE);
        ++pages;
        ASSERT_EQ(session.endTransfer(&count), TWRC_SUCCESS);
    } while (count != 0 && pages < 20);
    // The test backend's feeder holds ten sheets.
    EXPECT_EQ(pages, 10);
    EXPECT_EQ(session.disable(), TWRC_SUCCESS);
}

TEST(SourceManager, DeviceFailuresEndTheTransferWithTheirCause)
{
    struct Case {
        const char *status;
        TW_UINT16 condition;
    };
    const Case cases[] = {{"SANE_STATUS_JAMMED", TWCC_PAPERJAM},
                          {"SANE_STATUS_COVER_OPEN", TWCC_INTERLOCK},
                          {"SANE_STATUS_NO_DOCS", TWCC_NOMEDIA},
                          {"SANE_STATUS_IO_ERROR", TWCC_OPERATIONERROR},
                          {"SANE_STATUS_DEVICE_BUSY", TWCC_MAXCONNECTIONS},
                          {"SANE_STATUS_ACCESS_DENIED", TWCC_DENIED},
                          {"SANE_STATUS_NO_MEM", TWCC_LOWMEMORY}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        SaneTestBackend backend(std::string("read-status-code \"") + c.status + "\"\n");
        Session session;
        session.open();
        ASSERT_EQ(session.enable(false), TWRC_SUCCESS);
        ASSERT_EQ(session.nextMessage(), MSG_XFERREADY);
        GlobalBlock dib;
        EXPECT_EQ(session.transfer(&dib), TWRC_FAILURE);
        EXPECT_EQ(dib.get(), nullptr);
        EXPECT_EQ(session.condition(), c.condition);
        // Nothing more comes after a failure, and the source closes cleanly.
        TW_UINT16 count = 99;
        EXPECT_EQ(session.endTransfer(&count), TWRC_SUCCESS);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(session.disable(), TWRC_SUCCESS);
    }
}

TEST(SourceManager, SourceWindowScansOrAsksToClose)
{
    SaneTestBackend backend;
    Session session;
    session.open();
    ASSERT_EQ(session.enable(true), TWRC_SUCCESS);
    auto *dialog = session.window.findChild<QDialog *>(QStringLiteral("SourceDialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());

    QTimer::singleShot(0, [dialog] { dialog->findChild<QPushButton *>(QStringLiteral("scanButton"))->click(); });
    ASSERT_EQ(session.nextMessage(), MSG_XFERREADY);
    GlobalBlock dib;
    EXPECT_EQ(session.transfer(&dib), TWRC_XFERDONE);
    TW_UINT16 count = 99;
    EXPECT_EQ(session.endTransfer(&count), TWRC_SUCCESS);

    QTimer::singleShot(0, [dialog] { dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click(); });
    EXPECT_EQ(session.nextMessage(), MSG_CLOSEDSREQ);
    EXPECT_EQ(session.disable(), TWRC_SUCCESS);
    EXPECT_EQ(session.window.findChild<QDialog *>(QStringLiteral("SourceDialog")), nullptr);
}
