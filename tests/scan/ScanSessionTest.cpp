// The session walked against a scripted source manager: messages, the state
// after every path, the first failure kept, the message loop and transfers.
#include "FakeSourceManager.h"
#include "ForeignDib.h"
#include "ScanTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>

namespace {

const QString Break = QStringLiteral("\n\r");

} // namespace

TEST(ScanSession, MissingSourceManagerIsToldAndLeavesStateOne)
{
    ScanFixture f;
    TcsScopedSourceManager missing(nullptr);
    EXPECT_FALSE(f.scan->Acquire());
    EXPECT_EQ(f.scan->SessionState(), 1);
    EXPECT_FALSE(f.scan->SelectSource());
    EXPECT_EQ(f.scan->SessionState(), 1);
    EXPECT_EQ(f.messages.texts(), QStringList({QStringLiteral("Unable to load Source Manager  (TWAIN_32.DLL)"),
                                              QStringLiteral("Unable to load Source Manager (TWAIN_32.DLL)")}));
    EXPECT_EQ(f.messages.requests()[0].kind, platform::MessageKind::Error);
}

TEST(ScanSession, EachFailingStepShowsItsMessageAndClosesTheSession)
{
    struct Case {
        const char *what;
        std::function<void(FakeSourceManager &)> script;
        QString message;
        int closeSource;
        int closeManager;
    };
    const Case cases[] = {
        {"manager will not open", [](FakeSourceManager &dsm) { dsm.codes[{DAT_PARENT, MSG_OPENDSM}] = TWRC_FAILURE; },
         QStringLiteral("Unable to open Source Manager."), 0, 0},
        {"no default source",
         [](FakeSourceManager &dsm) {
             dsm.codes[{DAT_IDENTITY, MSG_OPENDS}] = TWRC_FAILURE;
             dsm.condition = TWCC_NODS;
         },
         QStringLiteral("Unable to open default Data Source.") + Break + QStringLiteral("Erreur Source Manager") + Break
             + QStringLiteral("RC:  TWRC_FAILURE") + Break + QStringLiteral("CC:  TWCC_NODS (No Data Source)"),
         0, 1},
        {"a refused capability, then enabling fails: the first failure is told",
         [](FakeSourceManager &dsm) {
             dsm.refused.insert(CAP_INDICATORS);
             dsm.condition = TWCC_BADCAP;
             dsm.codes[{DAT_USERINTERFACE, MSG_ENABLEDS}] = TWRC_FAILURE;
         },
         QStringLiteral("Failed to enable Data Source.") + Break + QStringLiteral("DAT_CAPABILITY/MSG_SET failed") + Break
             + QStringLiteral("RC:  TWRC_FAILURE") + Break + QStringLiteral("CC:  TWCC_BADCAP (Unknown capability)"),
         1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScanFixture f;
        FakeSourceManager dsm;
        c.script(dsm);
        EXPECT_FALSE(f.scan->Acquire());
        EXPECT_EQ(f.messages.texts(), QStringList({c.message}));
        EXPECT_EQ(f.scan->SessionState(), 1);
        EXPECT_EQ(f.scan->ErrorKind(), 0);
        EXPECT_EQ(dsm.count(DAT_IDENTITY, MSG_CLOSEDS), c.closeSource);
        EXPECT_EQ(dsm.count(DAT_PARENT, MSG_CLOSEDSM), c.closeManager);
    }
}

TEST(ScanSession, FirstFailureWinsAndItsConditionIsAskedWhereTheStateSays)
{
    ScanFixture f;
    FakeSourceManager dsm;
    dsm.codes[{DAT_IDENTITY, MSG_OPENDS}] = TWRC_FAILURE;
    dsm.condition = TWCC_MAXCONNECTIONS;
    ASSERT_TRUE(f.scan->LoadSourceManager());
    ASSERT_TRUE(f.scan->OpenSourceManager());
    EXPECT_FALSE(f.scan->OpenSource());
    EXPECT_EQ(f.scan->ErrorKind(), 4);
    EXPECT_EQ(f.scan->ErrorReturnCode(), TWRC_FAILURE);
    EXPECT_EQ(f.scan->ErrorConditionCode(), TWCC_MAXCONNECTIONS);
    // In state 3 the manager itself is asked.
    ASSERT_FALSE(dsm.calls.empty());
    EXPECT_EQ(dsm.calls.back().dat, DAT_STATUS);
    EXPECT_FALSE(dsm.calls.back().toSource);

    dsm.codes[{DAT_IDENTITY, MSG_OPENDS}] = TWRC_CHECKSTATUS;
    dsm.condition = TWCC_BADVALUE;
    EXPECT_FALSE(f.scan->OpenSource());
    EXPECT_EQ(f.scan->ErrorReturnCode(), TWRC_FAILURE);
    EXPECT_EQ(f.scan->ErrorConditionCode(), TWCC_MAXCONNECTIONS);

    // A failed status query counts as an unknown cause; codes beyond the names are shown by number.
    f.scan->ClearError();
    dsm.codes[{DAT_STATUS, MSG_GET}] = TWRC_FAILURE;
    EXPECT_FALSE(f.scan->OpenSource());
    EXPECT_EQ(f.scan->ErrorConditionCode(), TWCC_BUMMER);
    EXPECT_EQ(f.scan->TwainErrorText(QStringLiteral("x")),
              QStringLiteral("x") + Break + QStringLiteral("Erreur Source Manager") + Break
                  + QStringLiteral("RC:  TWRC_CHECKSTATUS") + Break
                  + QStringLiteral("CC:  TWCC_BUMMER (Failure due to unknown causes)"));
    f.scan->ClearError();
    EXPECT_EQ(f.scan->TwainErrorText(QStringLiteral("x")),
              QStringLiteral("x") + Break + QStringLiteral("[aucune information disponible]"));
    EXPECT_TRUE(f.scan->CloseSourceManager());
    EXPECT_TRUE(f.scan->UnloadSourceManager());
    EXPECT_EQ(f.scan->SessionState(), 1);
}

TEST(ScanSession, CancelledSourceDialogEndsTheSessionWithoutImages)
{
    ScanFixture f;
    f.recordImages();
    FakeSourceManager dsm;
    dsm.sourceMessages = {MSG_NULL, MSG_CLOSEDSREQ};
    f.scan->SetUserInterface(true);
    bool enableRaised = false;
    QObject::connect(f.scan.get(), &TcsTwainScan::OnEnableSource, [&](QObject *, bool &, TcsCapSet) { enableRaised = true; });
    EXPECT_TRUE(f.scan->Acquire());
    EXPECT_TRUE(enableRaised);
    EXPECT_TRUE(f.events.isEmpty());
    EXPECT_EQ(f.scan->SessionState(), 1);
    EXPECT_EQ(dsm.count(DAT_USERINTERFACE, MSG_DISABLEDS), 1);
    EXPECT_EQ(dsm.count(DAT_IDENTITY, MSG_CLOSEDS), 1);
    EXPECT_TRUE(f.messages.texts().isEmpty());
}

TEST(ScanSession, EnableSourceHandlerCanStopTheSession)
{
    ScanFixture f;
    FakeSourceManager dsm;
    QObject::connect(f.scan.get(), &TcsTwainScan::OnEnableSource,
                     [](QObject *, bool &bEnable, TcsCapSet) { bEnable = false; });
    EXPECT_FALSE(f.scan->Acquire());
    EXPECT_EQ(dsm.count(DAT_USERINTERFACE, MSG_ENABLEDS), 0);
    EXPECT_EQ(f.scan->SessionState(), 1);
    EXPECT_TRUE(f.messages.texts().isEmpty());
}

TEST(ScanSession, FeederPagesArriveInOrderAndAreCounted)
{
    ScanFixture f;
    f.recordImages();
    FakeSourceManager dsm;
    for (int i = 0; i < 3; ++i)
        dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(5, 3); }});
    EXPECT_TRUE(f.scan->Acquire());
    EXPECT_EQ(f.events, QStringList({"new", "dib", "memory", "new", "dib", "memory", "new", "dib", "memory"}));
    EXPECT_EQ(f.scan->ImageCount(), 3);
    EXPECT_EQ(f.scan->SessionState(), 1);
    ASSERT_EQ(f.images.size(), 3u);
    EXPECT_EQ(f.images[0].size(), QSize(5, 3));
    EXPECT_EQ(f.images[0].format(), QImage::Format_Indexed8);
    EXPECT_EQ(dsm.count(DAT_PENDINGXFERS, MSG_ENDXFER), 3);
    EXPECT_EQ(dsm.count(DAT_PENDINGXFERS, MSG_RESET), 0);
}

TEST(ScanSession, FailedOrCancelledTransfersEndAsTheySay)
{
    struct Case {
        const char *what;
        TW_UINT16 code;
        QStringList events;
        int resets;
    };
    const Case cases[] = {
        {"failure aborts the rest", TWRC_FAILURE, {"new"}, 1},
        {"cancel goes on with the next page", TWRC_CANCEL, {"new", "new", "dib", "memory"}, 0},
        {"an unexpected code aborts too", TWRC_CHECKSTATUS, {"new"}, 1},
        {"done without a picture aborts", TWRC_XFERDONE, {"new"}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScanFixture f;
        f.recordImages();
        FakeSourceManager dsm;
        if (c.code == TWRC_XFERDONE)
            dsm.pages.push_back({c.code, nullptr});
        else
            dsm.pages.push_back({c.code, [] { return FakeSourceManager::greyDib(2, 2); }});
        dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(2, 2); }});
        EXPECT_TRUE(f.scan->Acquire());
        EXPECT_EQ(f.events, c.events);
        EXPECT_EQ(dsm.count(DAT_PENDINGXFERS, MSG_RESET), c.resets);
        EXPECT_EQ(f.scan->SessionState(), 1);
        EXPECT_TRUE(f.messages.texts().isEmpty());
    }
}

TEST(ScanSession, NoSecondSessionWhileOneRuns)
{
    ScanFixture f;
    FakeSourceManager dsm;
    dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(2, 2); }});
    bool nested = true;
    QObject::connect(f.scan.get(), &TcsTwainScan::OnNewImage, [&](QObject *) {
        nested = f.scan->Acquire() || f.scan->SelectSource();
    });
    EXPECT_TRUE(f.scan->Acquire());
    EXPECT_FALSE(nested);
    EXPECT_EQ(f.scan->ImageCount(), 1);
    EXPECT_EQ(dsm.count(DAT_PARENT, MSG_OPENDSM), 1);
    EXPECT_EQ(f.scan->SessionState(), 1);
}

TEST(ScanSession, HandlerExceptionComesOutAfterTheSessionIsClosed)
{
    ScanFixture f;
    FakeSourceManager dsm;
    dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(2, 2); }});
    dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(2, 2); }});
    QObject::connect(f.scan.get(), &TcsTwainScan::OnMemoryReady,
                     [](QObject *, HGLOBAL) { throw std::runtime_error("handler failed"); });
    EXPECT_THROW(f.scan->Acquire(), std::runtime_error);
    EXPECT_EQ(f.scan->ImageCount(), 1);
    EXPECT_EQ(f.scan->SessionState(), 1);
}

TEST(ScanSession, InversionComplementsThePaletteOfGreyAndThePixelsOfLineArt)
{
    struct Case {
        const char *what;
        std::function<HGLOBAL()> dib;
        size_t paletteBytes;
        bool pixelsInverted;
    };
    const Case cases[] = {{"grey", [] { return FakeSourceManager::greyDib(6, 4); }, 1024, false},
                          {"line art", [] { return FakeSourceManager::lineArtDib(13, 3); }, 8, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GlobalBlock original(c.dib());
        std::vector<unsigned char> before(GlobalSize(original.get()));
        {
            GlobalLockGuard lock(original.get());
            std::memcpy(before.data(), lock.data(), before.size());
        }
        ScanFixture f;
        f.recordImages(false);
        f.scan->SetInverted(true);
        FakeSourceManager dsm;
        dsm.pages.push_back({TWRC_XFERDONE, c.dib});
        EXPECT_TRUE(f.scan->Acquire());
        ASSERT_EQ(f.pages.size(), 1u);
        const std::vector<unsigned char> &after = f.pages[0].bytes;
        ASSERT_EQ(after.size(), before.size());
        const size_t pixels = 40 + c.paletteBytes;
        for (size_t i = 40; i < after.size(); ++i) {
            const bool inverted = (i < pixels) != c.pixelsInverted;
            ASSERT_EQ(after[i], inverted ? BYTE(~before[i]) : before[i]) << "byte " << i;
        }
    }
}

TEST(ScanSession, HeaderIsCompletedOnlyWhenTheComponentReadsIt)
{
    for (bool withBitmap : {true, false}) {
        SCOPED_TRACE(withBitmap);
        ScanFixture f;
        f.recordImages(withBitmap);
        FakeSourceManager dsm;
        dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(5, 3, true); }});
        EXPECT_TRUE(f.scan->Acquire());
        ASSERT_EQ(f.pages.size(), 1u);
        const BITMAPINFOHEADER &header = f.pages[0].header;
        EXPECT_EQ(+header.biClrUsed, withBitmap ? 256u : 0u);
        EXPECT_EQ(+header.biClrImportant, withBitmap ? 256u : 0u);
        EXPECT_EQ(+header.biSizeImage, withBitmap ? 24u : 0u);
    }
}

TEST(ScanSession, BitmapOfAnInconsistentDibIsNull)
{
    GlobalBlock dib(FakeSourceManager::greyDib(4, 4));
    {
        GlobalLockGuard lock(dib.get());
        lock.as<BITMAPINFOHEADER>()->biHeight = 4000;
        lock.as<BITMAPINFOHEADER>()->biSizeImage = 0;
    }
    EXPECT_TRUE(TcsTwainScan::DibToBitmap(dib.get()).isNull());
    TcsTwainScan::InvertDib(dib.get());
    EXPECT_TRUE(TcsTwainScan::DibToBitmap(nullptr).isNull());
}

TEST(ScanSession, SelectSourceKeepsTheChoiceOrNothing)
{
    {
        ScanFixture f;
        FakeSourceManager dsm;
        dsm.userSelectCode = TWRC_CANCEL;
        EXPECT_FALSE(f.scan->SelectSource());
        EXPECT_TRUE(f.messages.texts().isEmpty());
        EXPECT_EQ(f.scan->SessionState(), 1);
    }
    ScanFixture f;
    FakeSourceManager dsm;
    EXPECT_TRUE(f.scan->SelectSource());
    EXPECT_STREQ(f.scan->SourceIdentity().ProductName, "Chosen scanner");
    EXPECT_EQ(f.scan->SessionState(), 1);
    // The default goes in first, so that the choice starts from it.
    ASSERT_GE(dsm.calls.size(), 3u);
    EXPECT_EQ(dsm.calls[1].msg, MSG_GETDEFAULT);
    EXPECT_EQ(dsm.calls[2].msg, MSG_USERSELECT);
}

TEST(ScanSession, NothingHappensWithoutALiveParentWindow)
{
    FakeSourceManager dsm;
    platform::MessageRecorder messages;
    platform::ScopedMessageService service(&messages);
    TcsTwainScan scan(nullptr);
    EXPECT_FALSE(scan.Acquire());
    EXPECT_EQ(scan.SessionEnd().stage, TcsSessionStage::NotStarted);
    EXPECT_FALSE(scan.SelectSource());
    EXPECT_TRUE(dsm.calls.empty());
    EXPECT_TRUE(messages.texts().isEmpty());
}

// What stays of a session for the caller once it is closed: where it
// stopped, the condition behind it (the stopping call's own, also when an
// earlier refusal holds the component's record), and the pages that came.
TEST(ScanSession, SessionEndSaysWhereItStoppedAndWhy)
{
    using Stage = TcsSessionStage;
    struct Case {
        const char *what;
        std::function<void(FakeSourceManager &, TcsTwainScan &)> script;
        Stage stage;
        TW_UINT16 condition;
        int pages;
    };
    auto page = [] { return FakeSourceManager::greyDib(2, 2); };
    // Refused at negotiation with one condition; the source has another for what fails next.
    auto refuseACapabilityFirst = [](FakeSourceManager &dsm, TcsTwainScan &scan, TW_UINT16 next) {
        dsm.refused.insert(CAP_INDICATORS);
        dsm.condition = TWCC_BADCAP;
        QObject::connect(&scan, &TcsTwainScan::OnEnableSource,
                         [&dsm, next](QObject *, bool &, TcsCapSet) { dsm.condition = next; });
    };
    const Case cases[] = {
        {"manager will not open",
         [](FakeSourceManager &dsm, TcsTwainScan &) { dsm.codes[{DAT_PARENT, MSG_OPENDSM}] = TWRC_FAILURE; },
         Stage::ManagerNotOpened, TWCC_SEQERROR, 0},
        {"no source",
         [](FakeSourceManager &dsm, TcsTwainScan &) {
             dsm.codes[{DAT_IDENTITY, MSG_OPENDS}] = TWRC_FAILURE;
             dsm.condition = TWCC_NODS;
         },
         Stage::SourceNotOpened, TWCC_NODS, 0},
        {"negotiation handler stops",
         [](FakeSourceManager &, TcsTwainScan &scan) {
             QObject::connect(&scan, &TcsTwainScan::OnNegotiate, [](QObject *, bool &bEnable, bool &) { bEnable = false; });
         },
         Stage::NegotiationRefused, TWCC_SUCCESS, 0},
        {"enable handler stops",
         [](FakeSourceManager &, TcsTwainScan &scan) {
             QObject::connect(&scan, &TcsTwainScan::OnEnableSource, [](QObject *, bool &bEnable, TcsCapSet) { bEnable = false; });
         },
         Stage::NegotiationRefused, TWCC_SUCCESS, 0},
        {"enabling fails after a refused capability",
         [&](FakeSourceManager &dsm, TcsTwainScan &scan) {
             refuseACapabilityFirst(dsm, scan, TWCC_MAXCONNECTIONS);
             dsm.codes[{DAT_USERINTERFACE, MSG_ENABLEDS}] = TWRC_FAILURE;
         },
         Stage::EnablingRefused, TWCC_MAXCONNECTIONS, 0},
        {"source window closed before scanning",
         [](FakeSourceManager &dsm, TcsTwainScan &scan) {
             scan.SetUserInterface(true);
             dsm.sourceMessages = {MSG_NULL, MSG_CLOSEDSREQ};
         },
         Stage::Cancelled, TWCC_SUCCESS, 0},
        {"a page cancelled, the next one delivered",
         [&](FakeSourceManager &dsm, TcsTwainScan &) {
             dsm.pages.push_back({TWRC_CANCEL, page});
             dsm.pages.push_back({TWRC_XFERDONE, page});
         },
         Stage::Cancelled, TWCC_SUCCESS, 1},
        {"transfer fails after a refused capability",
         [&](FakeSourceManager &dsm, TcsTwainScan &scan) {
             refuseACapabilityFirst(dsm, scan, TWCC_PAPERJAM);
             dsm.pages.push_back({TWRC_FAILURE, page});
         },
         Stage::TransferFailed, TWCC_PAPERJAM, 0},
        {"second page fails",
         [&](FakeSourceManager &dsm, TcsTwainScan &) {
             dsm.condition = TWCC_PAPERJAM;
             dsm.pages.push_back({TWRC_XFERDONE, page});
             dsm.pages.push_back({TWRC_FAILURE, page});
         },
         Stage::TransferFailed, TWCC_PAPERJAM, 1},
        {"every page delivered",
         [&](FakeSourceManager &dsm, TcsTwainScan &) {
             for (int i = 0; i < 3; ++i)
                 dsm.pages.push_back({TWRC_XFERDONE, page});
         },
         Stage::Completed, TWCC_SUCCESS, 3},
        {"source closed by itself without a page",
         [](FakeSourceManager &dsm, TcsTwainScan &) { dsm.sourceMessages = {MSG_CLOSEDSOK}; },
         Stage::Completed, TWCC_SUCCESS, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScanFixture f;
        FakeSourceManager dsm;
        c.script(dsm, *f.scan);
        f.scan->Acquire();
        const TcsSessionEnd &end = f.scan->SessionEnd();
        EXPECT_EQ(end.stage, c.stage);
        EXPECT_EQ(end.condition, c.condition);
        EXPECT_EQ(end.pages, c.pages);
        // The component's own record is cleared by then.
        EXPECT_EQ(f.scan->ErrorKind(), 0);
        EXPECT_EQ(f.scan->SessionState(), 1);
        if (c.stage > Stage::SourceNotOpened) {
            EXPECT_EQ(end.source.Id, 5u);
        }

        // The next session starts afresh.
        FakeSourceManager working;
        working.pages.push_back({TWRC_XFERDONE, page});
        f.scan->SetUserInterface(false);
        QObject::disconnect(f.scan.get(), nullptr, nullptr, nullptr);
        EXPECT_TRUE(f.scan->Acquire());
        EXPECT_EQ(f.scan->SessionEnd().stage, Stage::Completed);
        EXPECT_EQ(f.scan->SessionEnd().condition, TWCC_SUCCESS);
        EXPECT_EQ(f.scan->SessionEnd().pages, 1);
    }
    // Without a source manager nothing was opened.
    ScanFixture f;
    TcsScopedSourceManager missing(nullptr);
    EXPECT_FALSE(f.scan->Acquire());
    EXPECT_EQ(f.scan->SessionEnd().stage, Stage::ManagerNotLoaded);
}

// A scanner's DIB is made outside our libraries: its own row order and
// channel masks, and a header checked against its block.
TEST(ScanSession, ForeignDibsBecomeBitmapsWithTheirColours)
{
    for (const foreign::LayoutCase &c : foreign::layouts()) {
        const GlobalBlock dib = foreign::block(foreign::packedDib(6, 4, c.layout));
        const QImage image = TcsTwainScan::DibToBitmap(dib.get());
        ASSERT_EQ(image.size(), QSize(6, 4)) << c.name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const foreign::Colour e = foreign::expected(c.layout, x, y);
                ASSERT_EQ(image.pixel(x, y), qRgb(e.red, e.green, e.blue)) << c.name << " at " << x << "," << y;
            }
    }
    for (const foreign::Damage &damage : foreign::damages()) {
        const GlobalBlock dib = foreign::block(foreign::damaged(damage));
        EXPECT_TRUE(TcsTwainScan::DibToBitmap(dib.get()).isNull()) << damage.name;
        TcsTwainScan::InvertDib(dib.get()); // refused too, without touching past the block
    }
}
