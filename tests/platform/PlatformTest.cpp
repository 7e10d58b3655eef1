#include "Decimal.h"
#include "IniFile.h"
#include "Module.h"
#include "Folders.h"
#include "Registry.h"
#include "Resolution.h"
#include "Rounding.h"
#include "dib.h"
#include "globalmem.h"
#include "ForeignDib.h"

#include <cstring>
#include <map>
#include <vector>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Rounding, HalvesGoToEven)
{
    const std::pair<long double, int64_t> cases[] = {
        {0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {-1.5L, -2}, {2.4999L, 2}, {2.5001L, 3}, {-2.6L, -3},
    };
    for (auto [value, expected] : cases)
        EXPECT_EQ(platform::roundEven(value), expected) << static_cast<double>(value);
    EXPECT_EQ(platform::truncate(-2.7L), -2);
    EXPECT_EQ(platform::divTrunc(-7, 2), -3);
}

TEST(GlobalMemory, LockCountsAndRelease)
{
    HGLOBAL h = GlobalAlloc(GHND, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 100u);
    auto *bytes = static_cast<unsigned char *>(GlobalLock(h));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[99], 0);
    EXPECT_EQ(GlobalLock(h), bytes);
    EXPECT_EQ(GlobalFlags(h), 2u);
    EXPECT_TRUE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h)); // never below zero
    EXPECT_EQ(GlobalAlloc(GHND, 0), nullptr);
    int notABlock[8] = {};
    EXPECT_EQ(GlobalFlags(notABlock), GMEM_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(Dib, RowBytesColourCountAndSize)
{
    EXPECT_EQ(dib_row_bytes(1, 1), 4u);
    EXPECT_EQ(dib_row_bytes(33, 1), 8u);
    EXPECT_EQ(dib_row_bytes(3, 24), 12u);
    EXPECT_EQ(dib_row_bytes(5, 4), 4u);
    EXPECT_EQ(dib_row_bytes(0, 8), 0u);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 3;
    header.biHeight = -2;
    header.biBitCount = 8;
    EXPECT_EQ(dib_colour_count(&header), 256u);
    header.biClrUsed = 5;
    EXPECT_EQ(dib_colour_count(&header), 5u);
    EXPECT_EQ(dib_packed_size(&header), 40u + 20u + 8u);
    header.biBitCount = 24;
    header.biClrUsed = 0;
    EXPECT_EQ(dib_packed_size(&header), 40u + 24u);
    static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40 && sizeof(RGBQUAD) == 4);
}

// The header every part builds its own DIBs from must describe a block that
// the checked view, which reads DIBs from outside, accepts as it is.
TEST(Dib, BuiltHeaderDescribesItsOwnBlock)
{
    struct Case {
        int32_t width, height;
        unsigned bits;
        DWORD colours;
        size_t rows;
    };
    for (const Case c : {Case{33, 3, 1, 2, 3 * 8}, Case{5, 2, 4, 16, 2 * 4}, Case{3, 4, 8, 256, 4 * 4},
                         Case{3, 2, 24, 0, 2 * 12}, Case{7, 1, 32, 0, 28}}) {
        const BITMAPINFOHEADER header = dib_info_header(c.width, c.height, c.bits, c.colours, 3937);
        EXPECT_EQ(header.biSizeImage, c.rows);
        EXPECT_EQ(dib_packed_size(&header), 40u + 4u * c.colours + c.rows);
        std::vector<unsigned char> block(dib_packed_size(&header));
        std::memcpy(block.data(), &header, sizeof header);
        DibView view;
        ASSERT_EQ(dib_view_open(&view, block.data(), block.size()), DIB_OK) << c.bits;
        EXPECT_EQ(view.width, c.width);
        EXPECT_EQ(view.height, c.height);
        EXPECT_FALSE(view.top_down);
        EXPECT_EQ(view.colour_count, c.colours);
        EXPECT_EQ(view.pixel_bytes, c.rows);
        EXPECT_EQ(view.x_pels_per_meter, 3937);
        EXPECT_EQ(view.y_pels_per_meter, 3937);
        EXPECT_EQ(dib_view_open(&view, block.data(), block.size() - 1), DIB_SHORT_PIXELS) << c.bits;
    }
}

// Every whole resolution a scanner may report gives the same pixels per
// metre whether it arrives as a whole or a fractional dpi, and reads back as
// itself.
TEST(Resolution, WholeAndFractionalDpiAgreeOverTheScannersRange)
{
    for (int dpi = 1; dpi <= 65535; ++dpi) {
        const std::int32_t perMetre = platform::pelsPerMeter(dpi);
        ASSERT_EQ(platform::pelsPerMeterOf(double(dpi)), perMetre) << dpi;
        ASSERT_EQ(platform::dotsPerInch(perMetre), dpi) << dpi;
    }
    EXPECT_EQ(platform::pelsPerMeter(72), 2835);
    EXPECT_EQ(platform::pelsPerMeter(300), 11811);
    EXPECT_EQ(platform::pelsPerMeterOf(150.5L), 5925);
    EXPECT_EQ(platform::dotsPerInch(0), 1);
    EXPECT_EQ(platform::dotsPerInch(INT32_MAX), 65535);
    EXPECT_DOUBLE_EQ(platform::exactDotsPerInch(11811), 299.9994);
}

TEST(IniFile, KeepsAccentedNamesAndIgnoresCase)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("page.qpx"));
    {
        platform::IniFile ini(name);
        EXPECT_TRUE(ini.writeInteger(QStringLiteral("Réglages"), QStringLiteral("Format"), 3));
        EXPECT_TRUE(ini.writeBool(QStringLiteral("Image"), QStringLiteral("Paysage"), true));
        EXPECT_TRUE(ini.writeString(QStringLiteral("Image"), QStringLiteral("Left"), QStringLiteral("x12")));
    }
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("[Réglages]\nFormat=3\n\n[Image]\nPaysage=1\nLeft=x12\n"));
    platform::IniFile again(name);
    EXPECT_EQ(again.readInteger(QStringLiteral("réglages"), QStringLiteral("FORMAT"), 0), 3);
    EXPECT_TRUE(again.readBool(QStringLiteral("Image"), QStringLiteral("Paysage"), false));
    EXPECT_EQ(again.readInteger(QStringLiteral("Image"), QStringLiteral("Left"), 7), 7); // not a number
    EXPECT_EQ(again.readInteger(QStringLiteral("Image"), QStringLiteral("Top"), 9), 9);  // missing
    EXPECT_TRUE(again.eraseSection(QStringLiteral("Image")));
    EXPECT_FALSE(platform::IniFile(name).sectionExists(QStringLiteral("Image")));
}

TEST(Registry, StringsIntegersAndDwords)
{
    {
        platform::RegistryKey key(QStringLiteral("Software\\Vardo\\Test Key"));
        key.writeInteger(QStringLiteral("MainW"), QStringLiteral("w"), 700);
        key.writeBool(QStringLiteral("Options"), QStringLiteral("Aperçu"), false);
        key.writeString(QStringLiteral("MainW"), QStringLiteral("h"), QStringLiteral("abc"));
        key.writeDword(QStringLiteral("Resolution"), -5);
    }
    platform::RegistryKey key(QStringLiteral("Software\\Vardo\\Test Key"));
    EXPECT_TRUE(key.fileName().endsWith(QStringLiteral("Vardo/Test Key.ini")));
    EXPECT_EQ(key.readInteger(QStringLiteral("MainW"), QStringLiteral("w"), 640), 700);
    EXPECT_EQ(key.readInteger(QStringLiteral("MainW"), QStringLiteral("h"), 480), 480);
    EXPECT_FALSE(key.readBool(QStringLiteral("Options"), QStringLiteral("Aperçu"), true));
    EXPECT_TRUE(key.readBool(QStringLiteral("Options"), QStringLiteral("Cadre"), true));
    EXPECT_EQ(key.readDword(QStringLiteral("Resolution")), -5);
    EXPECT_FALSE(key.readDword(QStringLiteral("Missing")).has_value());
}

// Every settings file of the program lives in its one configuration folder.
TEST(Registry, TheUsersKeysLiveInTheProgramsConfigurationFolder)
{
    const QString folder = platform::configFolder();
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/Quillon/"))) << folder.toStdString();
    EXPECT_EQ(platform::windowsFolder(), folder);
    const std::pair<const char *, const char *> keys[] = {
        {"Software\\Vardo\\Quillon 2002", "Vardo/Quillon 2002.ini"},
        {"Software\\Ondelis\\Ondelis Twain\\Quillon 2001\\TWAIN", "Ondelis/Ondelis Twain/Quillon 2001/TWAIN.ini"},
        {"quillon.ini", "quillon.ini"}, // the editor's key, named after the program file
    };
    for (const auto &[key, file] : keys)
        EXPECT_EQ(platform::RegistryKey(QString::fromUtf8(key)).fileName(), folder + QString::fromUtf8(file)) << key;
}

TEST(Module, WindowsNamesMapToSharedObjects)
{
    EXPECT_EQ(platform::Module::fileNameFor(QStringLiteral("TWAIN_32.DLL")), QStringLiteral("libtwain_32.so"));
    EXPECT_EQ(platform::Module::fileNameFor(QStringLiteral("ISP2000.DLL")), QStringLiteral("libisp2000.so"));
    QString error;
    EXPECT_EQ(platform::Module::load(QStringLiteral("NOSUCHLIB.DLL"), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    auto libm = platform::Module::load(QStringLiteral("libm.so.6"));
    ASSERT_NE(libm, nullptr);
    EXPECT_NE(libm->symbol("cos"), nullptr);
    EXPECT_EQ(libm->symbol("no_such_export"), nullptr);
}

TEST(Decimal, CommaSeparator)
{
    platform::setDecimalSeparator(QLatin1Char(','));
    EXPECT_EQ(platform::parseReal(QStringLiteral("12,5")), 12.5L);
    EXPECT_EQ(platform::parseReal(QStringLiteral(" 3 ")), 3.0L);
    EXPECT_FALSE(platform::parseReal(QStringLiteral("12.5")).has_value());
    EXPECT_FALSE(platform::parseReal(QStringLiteral("")).has_value());
    EXPECT_FALSE(platform::parseReal(QStringLiteral("1,2,3")).has_value());
    EXPECT_EQ(platform::formatReal(0.25L), QStringLiteral("0,25"));
    EXPECT_EQ(platform::formatReal(42.0L), QStringLiteral("42"));
    platform::setDecimalSeparator(QLatin1Char('.'));
}

// Every reader of a DIB from outside goes through dib_view_open: the
// layouts other programs make open with their rows, masks and colours, and
// each damaged header is refused with its own status.
TEST(DibView, OpensForeignLayoutsAtTheirPixels)
{
    for (const foreign::LayoutCase &c : foreign::layouts()) {
        const std::vector<std::uint8_t> dib = foreign::packedDib(6, 4, c.layout);
        DibView view;
        ASSERT_EQ(dib_view_open(&view, dib.data(), dib.size()), DIB_OK) << c.name;
        EXPECT_EQ(view.width, 6);
        EXPECT_EQ(view.height, 4);
        EXPECT_EQ(view.top_down, c.layout.topDown ? 1 : 0);
        EXPECT_EQ(view.pixels + view.pixel_bytes, dib.data() + dib.size()) << c.name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const RGBQUAD got = dib_view_colour(&view, dib_view_row(&view, y), x);
                const foreign::Colour e = foreign::expected(c.layout, x, y);
                ASSERT_TRUE(got.rgbRed == e.red && got.rgbGreen == e.green && got.rgbBlue == e.blue)
                    << c.name << " at " << x << "," << y;
            }
    }
}

TEST(DibView, RefusesEachDamagedHeaderWithItsStatus)
{
    const std::map<std::string, DibStatus> expected = {
        {"colour count beyond the block", DIB_SHORT_COLOURS},
        {"colour count beyond the depth", DIB_BAD_COLOUR_COUNT},
        {"more rows than the block holds", DIB_SHORT_PIXELS},
        {"more top-down rows than the block holds", DIB_SHORT_PIXELS},
        {"width beyond the block", DIB_SHORT_PIXELS},
        {"no width", DIB_BAD_DIMENSIONS},
        {"no height", DIB_BAD_DIMENSIONS},
        {"height that has no positive", DIB_BAD_DIMENSIONS},
        {"header longer than the block", DIB_BAD_HEADER_SIZE},
        {"header shorter than any", DIB_BAD_HEADER_SIZE},
        {"depth of 7 bits", DIB_BAD_DEPTH},
        {"no depth", DIB_BAD_DEPTH},
        {"two planes", DIB_BAD_PLANES},
        {"unknown compression", DIB_BAD_COMPRESSION},
        {"bit fields on 24 bits", DIB_BAD_COMPRESSION},
        {"run lengths on 24 bits", DIB_BAD_COMPRESSION},
        {"last row cut short", DIB_SHORT_PIXELS},
        {"header cut short", DIB_SHORT_BLOCK},
    };
    for (const foreign::Damage &damage : foreign::damages()) {
        const std::vector<std::uint8_t> dib = foreign::damaged(damage);
        DibView view;
        ASSERT_TRUE(expected.count(damage.name)) << damage.name;
        EXPECT_EQ(dib_view_open(&view, dib.data(), dib.size()), expected.at(damage.name)) << damage.name;
    }
    // masks that a 40-byte header promises and the block does not hold
    std::vector<std::uint8_t> masked = foreign::packedDib(2, 2, {16, false, {0xF800, 0x07E0, 0x001F}});
    DibView view;
    EXPECT_EQ(dib_view_open(&view, masked.data(), 44), DIB_SHORT_COLOURS);
    // run lengths: bottom-up only, and no more data than the block holds
    BITMAPINFOHEADER rle{sizeof rle, 4, 4, 1, 8, BI_RLE8, 10, 0, 0, 2, 0};
    std::vector<std::uint8_t> block(sizeof rle + 8 + 10);
    std::memcpy(block.data(), &rle, sizeof rle);
    EXPECT_EQ(dib_view_open(&view, block.data(), block.size()), DIB_OK);
    EXPECT_EQ(view.pixel_bytes, 10u);
    EXPECT_EQ(dib_view_open(&view, block.data(), block.size() - 1), DIB_SHORT_PIXELS);
    rle.biHeight = -4;
    std::memcpy(block.data(), &rle, sizeof rle);
    EXPECT_EQ(dib_view_open(&view, block.data(), block.size()), DIB_BAD_COMPRESSION);
}
