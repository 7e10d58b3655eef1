// Settings turned into capabilities on the open source, and the capability
// readers, against the scripted source manager.
#include "FakeSourceManager.h"
#include "ScanTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace {

TW_UINT32 fixItem(double value)
{
    const TW_FIX32 fix = TcsTwainScan::FloatToFix32(value);
    TW_UINT32 item = 0;
    std::memcpy(&item, &fix, 4);
    return item;
}

double fixValue(TW_UINT32 item)
{
    TW_FIX32 fix;
    std::memcpy(&fix, &item, 4);
    return TcsTwainScan::Fix32ToFloat(fix);
}

// A component with its source open (state 4) on the scripted manager.
struct OpenSource : ScanFixture {
    OpenSource()
    {
        EXPECT_TRUE(scan->LoadSourceManager());
        EXPECT_TRUE(scan->OpenSourceManager());
        EXPECT_TRUE(scan->OpenSource());
    }
    ~OpenSource()
    {
        scan->CloseSourceManager();
        scan->UnloadSourceManager();
    }
    void acceptEverything()
    {
        dsm.answers[CAP_FEEDERLOADED] = FakeSourceManager::oneValue(TWTY_BOOL, 1);
        for (TW_UINT16 cap : {ICAP_BRIGHTNESS, ICAP_CONTRAST, ICAP_HIGHLIGHT, ICAP_SHADOW, ICAP_THRESHOLD})
            dsm.answers[cap] = FakeSourceManager::range(TWTY_FIX32, fixItem(-100), fixItem(100), fixItem(1));
    }
    FakeSourceManager dsm;
};

std::vector<unsigned char> bytesOf(std::initializer_list<uint16_t> items)
{
    std::vector<unsigned char> bytes;
    for (uint16_t item : items) {
        bytes.push_back(uint8_t(item));
        bytes.push_back(uint8_t(item >> 8));
    }
    return bytes;
}

} // namespace

TEST(Negotiation, ScaledSettingsLandOnTheSourcesRangeSnappedToItsStep)
{
    struct Case {
        const char *what;
        TW_UINT16 type;
        TW_UINT32 min, max, step;
        uint8_t setting;
        int divisor;
        double sent;
    };
    const Case cases[] = {
        {"minimum", TWTY_FIX32, fixItem(-1000), fixItem(1000), fixItem(1), 0, 250, -1000},
        {"middle", TWTY_FIX32, fixItem(-1000), fixItem(1000), fixItem(1), 125, 250, 0},
        {"maximum", TWTY_FIX32, fixItem(-1000), fixItem(1000), fixItem(1), 250, 250, 1000},
        {"steps counted from zero", TWTY_UINT16, 3, 253, 10, 130, 250, 130},
        {"over 255 steps", TWTY_INT16, 0, 255, 1, 128, 255, 128},
        {"signed 32-bit range", TWTY_INT32, TW_UINT32(-100), 100, 1, 255, 255, 100},
        {"no step: the value as it is", TWTY_FIX32, fixItem(0), fixItem(10), fixItem(0), 25, 250, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OpenSource s;
        s.dsm.answers[ICAP_CONTRAST] = FakeSourceManager::range(c.type, c.min, c.max, c.step);
        ASSERT_TRUE(s.scan->SetScaledCapability(ICAP_CONTRAST, c.setting, c.divisor));
        EXPECT_EQ(s.dsm.sets[ICAP_CONTRAST].type, TWTY_FIX32);
        EXPECT_NEAR(fixValue(s.dsm.sets[ICAP_CONTRAST].item), c.sent, 1e-4);
    }
}

TEST(Negotiation, SetsEveryCapabilityInOrderAndTellsWhichWorked)
{
    OpenSource s;
    s.acceptEverything();
    s.scan->SetPixelType(pxRGB);
    s.scan->SetResolution(300);
    s.scan->SetIndicators(false);
    ASSERT_TRUE(s.scan->Negotiate());
    const std::vector<TW_UINT16> order = {CAP_INDICATORS,  ICAP_PIXELTYPE, ICAP_PIXELFLAVOR,   ICAP_BITDEPTH,
                                          ICAP_BITDEPTHREDUCTION, ICAP_XRESOLUTION, ICAP_YRESOLUTION, ICAP_UNITS,
                                          CAP_FEEDERENABLED, CAP_AUTOFEED, ICAP_AUTOBRIGHT, ICAP_BRIGHTNESS,
                                          ICAP_CONTRAST,   ICAP_HIGHLIGHT, ICAP_SHADOW,        ICAP_THRESHOLD};
    EXPECT_EQ(s.dsm.setOrder, order);
    EXPECT_EQ(s.scan->NegotiatedCaps(), TcsCapSet(0x7FFFF) & ~TcsCapBit(3) & ~TcsCapBit(14));
    EXPECT_TRUE(s.scan->FeederLoaded());
    EXPECT_EQ(s.dsm.sets[CAP_INDICATORS].item, 0u);
    EXPECT_EQ(s.dsm.sets[ICAP_PIXELTYPE].item, TWPT_RGB);
    EXPECT_EQ(s.dsm.sets[ICAP_BITDEPTH].item, 8u);
    EXPECT_EQ(fixValue(s.dsm.sets[ICAP_YRESOLUTION].item), 300.0);
    EXPECT_EQ(s.dsm.sets[ICAP_UNITS].item, TWUN_CENTIMETERS);
    EXPECT_EQ(s.dsm.sets[CAP_FEEDERENABLED].item, 1u);
    // The A4 frame goes out in centimetres.
    ASSERT_EQ(s.dsm.layouts.size(), 1u);
    EXPECT_NEAR(TcsTwainScan::Fix32ToFloat(s.dsm.layouts[0].Frame.Right), 20.9, 1e-4);
    EXPECT_NEAR(TcsTwainScan::Fix32ToFloat(s.dsm.layouts[0].Frame.Bottom), 29.6, 1e-4);
    EXPECT_EQ(s.dsm.layouts[0].DocumentNumber, 1u);
}

TEST(Negotiation, EmptyFeederThatSaysSoScansFromTheGlass)
{
    struct Case {
        const char *what;
        bool feeder;
        std::optional<TW_UINT32> loaded; // what the paper sensor says; none without a sensor
        std::vector<TW_UINT32> sent;     // CAP_FEEDERENABLED values, in order
    };
    const Case cases[] = {
        {"paper in the feeder", true, 1, {1}},
        {"empty feeder", true, 0, {1, 0}},
        {"no sensor: the feeder as set", true, std::nullopt, {1}},
        {"glass chosen", false, 0, {0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OpenSource s;
        s.acceptEverything();
        if (c.loaded)
            s.dsm.answers[CAP_FEEDERLOADED] = FakeSourceManager::oneValue(TWTY_BOOL, *c.loaded);
        else
            s.dsm.answers.erase(CAP_FEEDERLOADED);
        s.scan->SetFeederEnabled(c.feeder);
        ASSERT_TRUE(s.scan->Negotiate());
        std::vector<TW_UINT32> sent;
        for (const auto &[cap, item] : s.dsm.setItems)
            if (cap == CAP_FEEDERENABLED)
                sent.push_back(item);
        EXPECT_EQ(sent, c.sent);
        // The setting itself is the user's: a session does not change it.
        EXPECT_EQ(s.scan->FeederEnabled(), c.feeder);
    }
}

TEST(Negotiation, RefusedCapabilitiesAreSkipped)
{
    OpenSource s;
    s.acceptEverything();
    s.dsm.refused = {CAP_INDICATORS, ICAP_XRESOLUTION};
    ASSERT_TRUE(s.scan->Negotiate());
    EXPECT_EQ(s.dsm.sets.count(ICAP_YRESOLUTION), 0u);
    const TcsCapSet caps = s.scan->NegotiatedCaps();
    EXPECT_FALSE(caps & TcsCapBit(15));
    EXPECT_FALSE(caps & TcsCapBit(4));
    EXPECT_TRUE(caps & TcsCapBit(0));
    EXPECT_TRUE(caps & TcsCapBit(10));
    EXPECT_EQ(s.scan->ErrorKind(), 3);
}

TEST(Negotiation, FrameSizeChoosesLayoutOrBorderDetection)
{
    {
        OpenSource s;
        s.scan->SetFrameSize(fsDetected);
        s.scan->Negotiate();
        EXPECT_TRUE(s.dsm.layouts.empty());
        EXPECT_EQ(s.dsm.sets.count(ICAP_AUTOMATICBORDERDETECTION), 1u);
        EXPECT_TRUE(s.scan->NegotiatedCaps() & TcsCapBit(14));
    }
    {
        OpenSource s;
        s.scan->SetFrameSize(fsCustom);
        s.scan->Negotiate();
        ASSERT_EQ(s.dsm.layouts.size(), 1u);
        EXPECT_EQ(std::memcmp(&s.dsm.layouts[0].Frame, &s.scan->FrameOf(fsCustom), sizeof(TW_FRAME)), 0);
        EXPECT_EQ(s.dsm.layouts[0].Frame.Right.Whole, 0);
    }
    OpenSource s;
    s.scan->SetFrameSize(fsCustom);
    QObject::connect(s.scan.get(), &TcsTwainScan::OnSetFrame,
                     [](QObject *, TW_FRAME &frame) { frame.Right = TcsTwainScan::FloatToFix32(10); });
    s.scan->Negotiate();
    ASSERT_EQ(s.dsm.layouts.size(), 1u);
    EXPECT_EQ(s.dsm.layouts[0].Frame.Right.Whole, 10);
}

TEST(Negotiation, HandlerCanKeepTheSourcesOwnSettings)
{
    ScanFixture f;
    f.recordImages();
    FakeSourceManager dsm;
    dsm.pages.push_back({TWRC_XFERDONE, [] { return FakeSourceManager::greyDib(2, 2); }});
    QObject::connect(f.scan.get(), &TcsTwainScan::OnNegotiate,
                     [](QObject *, bool &, bool &bSetCurrent) { bSetCurrent = false; });
    EXPECT_TRUE(f.scan->Acquire());
    EXPECT_TRUE(dsm.setOrder.empty());
    EXPECT_EQ(f.scan->NegotiatedCaps(), 0u);
    EXPECT_EQ(f.scan->ImageCount(), 1);

    // Clearing bEnable alone: everything is set, yet nothing is enabled.
    ScanFixture g;
    FakeSourceManager second;
    QObject::connect(g.scan.get(), &TcsTwainScan::OnNegotiate, [](QObject *, bool &bEnable, bool &) { bEnable = false; });
    EXPECT_FALSE(g.scan->Acquire());
    EXPECT_FALSE(second.setOrder.empty());
    EXPECT_EQ(second.count(DAT_USERINTERFACE, MSG_ENABLEDS), 0);
    EXPECT_TRUE(g.messages.texts().isEmpty());
}

TEST(Negotiation, CapabilityCallsBelowStateFourAreRefusedWithAMessage)
{
    ScanFixture f;
    double min, max, step;
    TW_UINT16 value = 0;
    EXPECT_FALSE(f.scan->SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, 0));
    EXPECT_FALSE(f.scan->GetCapabilityRange(ICAP_BRIGHTNESS, min, max, step));
    EXPECT_FALSE(f.scan->GetCapabilityCurrent(ICAP_PIXELTYPE, TWTY_UINT16, &value));
    EXPECT_TRUE(f.scan->GetCapabilityText(ICAP_PIXELTYPE).isEmpty());
    EXPECT_EQ(f.messages.texts(), QStringList(4, QStringLiteral("Attempt to get capability value below State 4.")));
    // A missing destination is refused before anything else.
    EXPECT_FALSE(f.scan->GetCapabilityCurrent(ICAP_PIXELTYPE, TWTY_UINT16, nullptr));
    EXPECT_EQ(f.messages.texts().size(), 4);
}

TEST(Negotiation, CurrentValueIsCopiedOnlyIntoASuitableType)
{
    struct Case {
        const char *what;
        std::function<void(TW_CAPABILITY &)> answer;
        TW_UINT16 wanted;
        bool copied;
        uint32_t value;
    };
    const Case cases[] = {
        {"enumeration at its index", FakeSourceManager::list(TWON_ENUMERATION, TWTY_UINT16, bytesOf({1, 2, 5}), 3, 2),
         TWTY_UINT16, true, 5},
        {"same size, other sign", FakeSourceManager::list(TWON_ENUMERATION, TWTY_UINT16, bytesOf({1, 2, 5}), 3, 1),
         TWTY_INT16, true, 2},
        {"index past the end", FakeSourceManager::list(TWON_ENUMERATION, TWTY_UINT16, bytesOf({1, 2, 5}), 3, 3),
         TWTY_UINT16, false, 0},
        {"count beyond the container", FakeSourceManager::list(TWON_ENUMERATION, TWTY_UINT16, bytesOf({1}), 900, 800),
         TWTY_UINT16, false, 0},
        {"other size", FakeSourceManager::oneValue(TWTY_UINT16, 7), TWTY_UINT32, false, 0},
        {"one value", FakeSourceManager::oneValue(TWTY_BOOL, 1), TWTY_BOOL, true, 1},
        {"range current", FakeSourceManager::range(TWTY_UINT32, 1, 9, 1), TWTY_UINT32, true, 1},
        {"array", FakeSourceManager::list(TWON_ARRAY, TWTY_UINT16, bytesOf({4}), 1), TWTY_UINT16, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OpenSource s;
        s.dsm.answers[ICAP_PIXELTYPE] = c.answer;
        uint32_t value = 0;
        EXPECT_EQ(s.scan->GetCapabilityCurrent(ICAP_PIXELTYPE, c.wanted, &value), c.copied);
        EXPECT_EQ(value, c.value);
    }
}

TEST(Negotiation, CapabilityTextListsWhatTheSourceAnswers)
{
    char strings[68] = "abc";
    std::strcpy(strings + 34, "de");
    struct Case {
        const char *what;
        std::function<void(TW_CAPABILITY &)> answer;
        QString text;
    };
    const Case cases[] = {
        {"enumeration", FakeSourceManager::list(TWON_ENUMERATION, TWTY_UINT16, bytesOf({1, 2, 5}), 3), "1; 2; 5"},
        {"array of booleans", FakeSourceManager::list(TWON_ARRAY, TWTY_BOOL, bytesOf({1, 0}), 2), "True; False"},
        {"strings", FakeSourceManager::list(TWON_ENUMERATION, TWTY_STR32, {strings, strings + 68}, 2), "abc; de"},
        {"fixed point rounds halves to even", FakeSourceManager::oneValue(TWTY_FIX32, fixItem(2.5)), "2"},
        {"signed value", FakeSourceManager::oneValue(TWTY_INT16, 0xFFFB), "-5"},
        {"string as one value", FakeSourceManager::oneValue(TWTY_STR32, 0x41), ""},
        {"range", FakeSourceManager::range(TWTY_INT16, 0xFFFB, 5, 1), "Min: -5 Max: 5 Step: 1"},
        {"range of booleans", FakeSourceManager::range(TWTY_BOOL, 0, 1, 1), ""},
        {"list longer than its container", FakeSourceManager::list(TWON_ENUMERATION, TWTY_UINT16, bytesOf({7}), 5000),
         "7"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OpenSource s;
        s.dsm.answers[ICAP_PIXELTYPE] = c.answer;
        EXPECT_EQ(s.scan->GetCapabilityText(ICAP_PIXELTYPE), c.text);
    }
}

TEST(Negotiation, Fix32ConversionsFollowTheirRounding)
{
    struct Case {
        double value;
        int16_t whole;
        uint16_t frac;
    };
    const Case cases[] = {{1.0, 1, 0}, {-1.0, -1, 0}, {0.5, 0, 32768}, {-0.5, -1, 32768}, {20.9, 20, 58983},
                          {300, 300, 0}, {-1000, -1000, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        const TW_FIX32 fix = TcsTwainScan::FloatToFix32(c.value);
        EXPECT_EQ(fix.Whole, c.whole);
        EXPECT_EQ(fix.Frac, c.frac);
        EXPECT_NEAR(TcsTwainScan::Fix32ToFloat(fix), c.value, 1.0 / 65536);
    }
    EXPECT_EQ(TcsTwainScan::Fix32ToFloat(TW_FIX32{-2, 16384}), -1.75);
}
