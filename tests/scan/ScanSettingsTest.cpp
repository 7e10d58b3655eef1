// The settings' rules, their persistence in the registry and the identity
// kept as one raw TW_IDENTITY record.
#include "Registry.h"
#include "ScanTestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstring>

namespace {

// The main window's identity and company.
void makeMainWindowInstance(TcsTwainScan &scan)
{
    TW_IDENTITY identity = scan.AppIdentity();
    std::strcpy(identity.ProductFamily, "Ondelis Twain");
    std::strcpy(identity.ProductName, "Quillon 2001");
    scan.SetAppIdentity(identity);
    scan.SetRegCompany(QStringLiteral("Ondelis"));
}

} // namespace

TEST(ScanSettings, DefaultsAndIdentity)
{
    ScanFixture f;
    TcsTwainScan &scan = *f.scan;
    EXPECT_FALSE(scan.UserInterface());
    EXPECT_TRUE(scan.Indicators());
    EXPECT_TRUE(scan.FeederEnabled());
    EXPECT_EQ(scan.PixelType(), pxGray);
    EXPECT_EQ(scan.BitDepth(), bd8Bit);
    EXPECT_EQ(scan.Resolution(), 100);
    EXPECT_EQ(scan.FrameSize(), fsA4);
    EXPECT_EQ(scan.Highlight(), 255);
    EXPECT_EQ(scan.Threshold(), 128);
    EXPECT_EQ(scan.SessionState(), 1);
    const TW_IDENTITY &identity = scan.AppIdentity();
    EXPECT_EQ(identity.Version.Language, TWLG_USA);
    EXPECT_STREQ(identity.Version.Info, "Version 1.0");
    EXPECT_EQ(identity.ProtocolMinor, 8);
    EXPECT_EQ(+identity.SupportedGroups, 3u);
    EXPECT_STREQ(identity.ProductFamily, "Product Family");
}

TEST(ScanSettings, SettersKeepTheirRules)
{
    ScanFixture f;
    TcsTwainScan &scan = *f.scan;
    scan.SetPixelType(pxRGB);
    EXPECT_EQ(scan.BitDepth(), bd24Bit);
    scan.SetBitDepth(bd4Bit);
    EXPECT_EQ(scan.BitDepth(), bd24Bit);
    scan.SetPixelType(pxGray);
    EXPECT_EQ(scan.BitDepth(), bd8Bit);
    scan.SetBitDepth(bd4Bit);
    EXPECT_EQ(scan.BitDepth(), bd4Bit);
    scan.SetPixelType(pxPalette);
    EXPECT_EQ(scan.BitDepth(), bd4Bit);
    scan.SetPixelType(pxBW);
    EXPECT_EQ(scan.BitDepth(), bd1Bit);
    scan.SetBitDepth(bd8Bit);
    EXPECT_EQ(scan.BitDepth(), bd1Bit);

    struct Case {
        int32_t set;
        int32_t read;
    };
    for (const Case &c : {Case{5, 10}, Case{5000, 1200}, Case{600, 600}}) {
        scan.SetResolution(c.set);
        EXPECT_EQ(scan.Resolution(), c.read);
    }
    scan.SetBrightness(251);
    EXPECT_EQ(scan.Brightness(), 250);
    scan.SetContrast(255);
    EXPECT_EQ(scan.Contrast(), 250);
    scan.SetHighlight(150);
    scan.SetShadow(200);
    EXPECT_EQ(scan.Shadow(), 149);
    scan.SetHighlight(100);
    EXPECT_EQ(scan.Highlight(), 150);
    scan.SetShadow(0);
    scan.SetHighlight(0);
    EXPECT_EQ(scan.Highlight(), 1);
}

TEST(ScanSettings, ThirteenValuesRoundTripThroughTheRegistry)
{
    {
        ScanFixture f;
        TcsTwainScan &scan = *f.scan;
        makeMainWindowInstance(scan);
        EXPECT_EQ(scan.RegistryKeyPath(), QStringLiteral("Software\\Ondelis\\Ondelis Twain\\Quillon 2001\\TWAIN"));
        scan.SetAutoBrightness(false);
        scan.SetInverted(true);
        scan.SetFeederEnabled(false);
        scan.SetPixelType(pxRGB);
        scan.SetBitDepthReduction(brDiffusion);
        scan.SetResolution(300);
        scan.SetFrameSize(fsLegal);
        scan.SetBrightness(10);
        scan.SetContrast(20);
        scan.SetHighlight(200);
        scan.SetShadow(30);
        scan.SetThreshold(99);
        scan.SetUserInterface(true);
    }
    platform::RegistryKey key(QStringLiteral("Software\\Ondelis\\Ondelis Twain\\Quillon 2001\\TWAIN"));
    EXPECT_EQ(key.readDword(QStringLiteral("Resolution")), 300);
    EXPECT_EQ(key.readDword(QStringLiteral("Inverted")), 1);
    EXPECT_FALSE(key.readDword(QStringLiteral("UserInterface")).has_value());

    ScanFixture f;
    TcsTwainScan &scan = *f.scan;
    makeMainWindowInstance(scan);
    scan.Loaded();
    EXPECT_FALSE(scan.AutoBrightness());
    EXPECT_TRUE(scan.Inverted());
    EXPECT_FALSE(scan.FeederEnabled());
    EXPECT_EQ(scan.PixelType(), pxRGB);
    EXPECT_EQ(scan.BitDepth(), bd24Bit);
    EXPECT_EQ(scan.BitDepthReduction(), brDiffusion);
    EXPECT_EQ(scan.Resolution(), 300);
    EXPECT_EQ(scan.FrameSize(), fsLegal);
    EXPECT_EQ(scan.Brightness(), 10);
    EXPECT_EQ(scan.Contrast(), 20);
    EXPECT_EQ(scan.Highlight(), 200);
    EXPECT_EQ(scan.Shadow(), 30);
    EXPECT_EQ(scan.Threshold(), 99);
    EXPECT_FALSE(scan.UserInterface());

    // Values the program could not have written leave their settings alone.
    key.writeDword(QStringLiteral("FrameSize"), 42);
    key.writeDword(QStringLiteral("Resolution"), 5);
    key.writeDword(QStringLiteral("Brightness"), 4000);
    key.flush();
    ScanFixture g;
    makeMainWindowInstance(*g.scan);
    g.scan->Loaded();
    EXPECT_EQ(g.scan->FrameSize(), fsA4);
    EXPECT_EQ(g.scan->Resolution(), 10);
    EXPECT_EQ(g.scan->Brightness(), 125);
    g.scan->SetRegCompany({});
}

TEST(ScanSettings, EmptyCompanyReadsButNeverWrites)
{
    TW_IDENTITY identity{};
    std::strcpy(identity.ProductFamily, "Family");
    std::strcpy(identity.ProductName, "Reader");
    const QString path = QStringLiteral("Software\\ \\Family\\Reader\\TWAIN");
    {
        ScanFixture f;
        f.scan->SetAppIdentity(identity);
        f.scan->SetRegCompany(QStringLiteral(" "));
        f.scan->SetResolution(700);
        EXPECT_EQ(f.scan->RegistryKeyPath(), path);
    }
    platform::RegistryKey key(path);
    EXPECT_FALSE(QFileInfo::exists(key.fileName()));

    key.writeDword(QStringLiteral("Resolution"), 400);
    key.flush();
    ScanFixture f;
    f.scan->SetAppIdentity(identity);
    f.scan->SetRegCompany(QStringLiteral(" "));
    f.scan->Loaded();
    EXPECT_EQ(f.scan->Resolution(), 400);
    EXPECT_EQ(f.scan->Threshold(), 128);
}

TEST(ScanSettings, AppIdentityIsOneBlockOf156Bytes)
{
    ScanFixture f;
    TW_IDENTITY identity = f.scan->AppIdentity();
    identity.Version.Language = TWLG_FRN;
    identity.Version.Country = TWCY_FRANCE;
    std::strcpy(identity.Manufacturer, "Ondelis");
    f.scan->SetAppIdentity(identity);
    const QByteArray block = f.scan->AppIdentityData();
    ASSERT_EQ(block.size(), 156);
    EXPECT_EQ(std::memcmp(block.constData() + 54, "Ondelis", 8), 0);

    ScanFixture g;
    EXPECT_FALSE(g.scan->SetAppIdentityData(block.left(155)));
    EXPECT_STREQ(g.scan->AppIdentity().Manufacturer, "Manufacturer");
    ASSERT_TRUE(g.scan->SetAppIdentityData(block));
    EXPECT_EQ(g.scan->AppIdentity().Version.Country, TWCY_FRANCE);
    EXPECT_EQ(g.scan->AppIdentityData(), block);
}
