#include "crde2000.h"

#include "Codec.h"
#include "TestImages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

using codecs::Image;
using testimages::maxDifference;
using testimages::pattern;

namespace {

// A DIB handle owned by the test.
GlobalBlock dibOf(const Image &image)
{
    HGLOBAL handle = GlobalAlloc(GHND, image.packed().size());
    std::memcpy(GlobalLockGuard(handle).data(), image.packed().data(), image.packed().size());
    return GlobalBlock(handle);
}

Image imageOf(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    return Image::fromPackedDib(lock.data(), GlobalSize(dib));
}

class Crde2000 : public testing::Test {
protected:
    std::string path(const char *name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
    QTemporaryDir dir;
};

using ReadExport = ILSTATUS (*)(const char *, HGLOBAL *);

struct ReadCase {
    const char *name;
    codecs::Format format;
    const char *file;
    ReadExport read;
};

ILSTATUS readBmp(const char *p, HGLOBAL *d) { return rdbmpfiledib(p, 0, 0, d, nullptr, nullptr, nullptr, 0); }
ILSTATUS readPng(const char *p, HGLOBAL *d) { return rdpngfiledib(p, 0, 0, d, nullptr, nullptr, nullptr, 0); }
ILSTATUS readGif(const char *p, HGLOBAL *d) { return rdgiffiledib(p, 0, 0, d, nullptr, nullptr, nullptr, 0); }
ILSTATUS readPcx(const char *p, HGLOBAL *d) { return rdpcxfiledib(p, 0, 0, d, nullptr, nullptr, nullptr, 0); }
ILSTATUS readTga(const char *p, HGLOBAL *d) { return readtgafiledib(p, 0, 0, d, nullptr, nullptr, 0); }
ILSTATUS readEps(const char *p, HGLOBAL *d) { return readepsfiledib(p, 0, 0, d, nullptr, nullptr, 0); }
ILSTATUS readTif(const char *p, HGLOBAL *d) { return readtiffiledib(p, 0, 0, 0, d, nullptr, nullptr, 0); }

class ReadExports : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadExports, ReturnAPlainBottomUpDibOrAFailureWithoutOne)
{
    const ReadCase &c = GetParam();
    QTemporaryDir dir;
    const std::string file = dir.filePath(QString::fromLatin1(c.file)).toStdString();
    const Image original = pattern(8, 33, 21);
    codecs::writeFile(file, c.format, original);

    HGLOBAL dib = nullptr;
    ASSERT_GE(c.read(file.c_str(), &dib), 1);
    GlobalBlock owner(dib);
    {
        GlobalLockGuard lock(dib);
        const auto *header = lock.as<BITMAPINFOHEADER>();
        EXPECT_EQ(header->biSize, 40u);
        EXPECT_GT(header->biHeight, 0);
        EXPECT_EQ(header->biCompression, BI_RGB);
        EXPECT_EQ(dib_packed_size(header), GlobalSize(dib));
    }
    EXPECT_EQ(maxDifference(imageOf(dib), original), 0);

    // the same file cut short: an error status and no DIB
    const std::vector<std::uint8_t> bytes = codecs::readWholeFile(file);
    codecs::writeWholeFile(file, std::span(bytes).first(bytes.size() / 2));
    HGLOBAL none = reinterpret_cast<HGLOBAL>(1);
    EXPECT_LE(c.read(file.c_str(), &none), 0);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(c.read(dir.filePath(QStringLiteral("missing")).toLocal8Bit().constData(), &none), IL_ERR_CANNOT_OPEN);
}

INSTANTIATE_TEST_SUITE_P(Formats, ReadExports, testing::Values(
    ReadCase{"Bmp", codecs::Format::Bmp, "a.bmp", readBmp}, ReadCase{"Png", codecs::Format::Png, "a.png", readPng},
    ReadCase{"Gif", codecs::Format::Gif, "a.gif", readGif}, ReadCase{"Pcx", codecs::Format::Pcx, "a.pcx", readPcx},
    ReadCase{"Tga", codecs::Format::Tga, "a.tga", readTga}, ReadCase{"Eps", codecs::Format::Eps, "a.eps", readEps},
    ReadCase{"Tiff", codecs::Format::Tiff, "a.tif", readTif}),
    [](const testing::TestParamInfo<ReadCase> &info) { return std::string(info.param.name); });

TEST_F(Crde2000, ReadingAtAChosenDepthAndReadingTheWrongFormat)
{
    codecs::writeFile(path("c.png"), codecs::Format::Png, pattern(24, 50, 40));
    HGLOBAL dib = nullptr;
    ASSERT_EQ(rdpngfiledib(path("c.png").c_str(), 8, 1, &dib, nullptr, nullptr, nullptr, 0), 1);
    GlobalBlock owner(dib);
    EXPECT_EQ(imageOf(dib).bits(), 8);
    HGLOBAL other = nullptr;
    EXPECT_EQ(rdbmpfiledib(path("c.png").c_str(), 0, 0, &other, nullptr, nullptr, nullptr, 0), IL_ERR_WRONG_FORMAT);
    EXPECT_EQ(rdpngfiledib(path("c.png").c_str(), 3, 0, &other, nullptr, nullptr, nullptr, 0), IL_ERR_BAD_PARAMETER);
    EXPECT_EQ(other, nullptr);
}

int16_t countCalls(int16_t percent, void *userData)
{
    auto *calls = static_cast<std::vector<int> *>(userData);
    calls->push_back(percent);
    return percent < 50 ? 1 : 0; // stop half way
}

TEST_F(Crde2000, ProgressCallbackSeesTheUserDataAndCanStop)
{
    codecs::writeFile(path("p.bmp"), codecs::Format::Bmp, pattern(24, 40, 200));
    std::vector<int> calls;
    HGLOBAL dib = nullptr;
    EXPECT_EQ(rdbmpfiledib(path("p.bmp").c_str(), 0, 0, &dib, nullptr, &calls, countCalls, 0), IL_ERR_STOPPED);
    EXPECT_EQ(dib, nullptr);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), 50);
    char text[256];
    EXPECT_GT(ilLoadString(IL_ERR_STOPPED, text, sizeof text), 0);
    EXPECT_STREQ(text, "The operation was stopped");
}

TEST_F(Crde2000, TiffWriterTakesTheSixCompressionCodesAndAppends)
{
    const GlobalBlock mono = dibOf(pattern(1, 64, 40));
    const GlobalBlock colour = dibOf(pattern(24, 64, 40));
    const std::pair<int32_t, int16_t> codes[] = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {32773, -32763}};
    for (const auto &[code, readBack] : codes) {
        const std::string file = path("t.tif");
        ASSERT_EQ(writetiffiledib(file.c_str(), code, 0, 0, mono.get(), nullptr, nullptr, 0), 1) << code;
        int32_t width = 0, height = 0;
        int16_t compression = 0, format = 0, pages = 0, bits = 0;
        ASSERT_EQ(getinfo(file.c_str(), 0, &width, &height, &compression, &format, &pages, &bits), 1);
        EXPECT_EQ(compression, readBack);
        EXPECT_EQ(width, 64);
        EXPECT_EQ(height, 40);
        EXPECT_EQ(bits, 1);
        EXPECT_EQ(format, 4);
        HGLOBAL dib = nullptr;
        ASSERT_EQ(readtiffiledib(file.c_str(), 0, 0, 0, &dib, nullptr, nullptr, 0), 1);
        GlobalBlock owner(dib);
        EXPECT_EQ(maxDifference(imageOf(dib), pattern(1, 64, 40)), 0) << code;
    }
    // fax codes on colour: refused, and the file from before is kept
    const std::vector<std::uint8_t> before = codecs::readWholeFile(path("t.tif"));
    EXPECT_EQ(writetiffiledib(path("t.tif").c_str(), 4, 0, 0, colour.get(), nullptr, nullptr, 0), IL_ERR_BAD_DEPTH);
    EXPECT_EQ(codecs::readWholeFile(path("t.tif")), before);
    ASSERT_EQ(writetiffiledib(path("t.tif").c_str(), 5, 0, 1, colour.get(), nullptr, nullptr, 0), 1);
    int16_t pages = 0;
    ASSERT_EQ(getinfo(path("t.tif").c_str(), 0, nullptr, nullptr, nullptr, nullptr, &pages, nullptr), 1);
    EXPECT_EQ(pages, 2);
    HGLOBAL second = nullptr;
    ASSERT_EQ(readtiffiledib(path("t.tif").c_str(), 0, 0, 1, &second, nullptr, nullptr, 0), 1);
    GlobalBlock owner(second);
    EXPECT_EQ(maxDifference(imageOf(second), pattern(24, 64, 40)), 0);
    HGLOBAL none = nullptr;
    EXPECT_EQ(readtiffiledib(path("t.tif").c_str(), 0, 0, 2, &none, nullptr, nullptr, 0), IL_ERR_NO_SUCH_PAGE);
}

TEST_F(Crde2000, WritersConvertToTheAskedDepthAndLeaveTheDibAlone)
{
    const Image original = pattern(24, 30, 20);
    const GlobalBlock dib = dibOf(original);
    ASSERT_EQ(wrjpgfiledib(path("g.jpg").c_str(), 90, 0, 8, dib.get(), nullptr, nullptr, 0), 1);
    ASSERT_EQ(wrbmpfiledib(path("r.bmp").c_str(), 4, dib.get(), nullptr, nullptr, 0), 1);
    ASSERT_EQ(wrpngfiledib(path("i.png").c_str(), 0, 1, dib.get(), nullptr, nullptr, 0), 1);
    ASSERT_EQ(wrgiffiledib(path("g.gif").c_str(), 0, dib.get(), nullptr, nullptr, 0), 1);
    ASSERT_EQ(wrpcxfiledib(path("p.pcx").c_str(), 0, dib.get(), nullptr, nullptr, 0), 1);
    ASSERT_EQ(writeepsfiledib(path("e.eps").c_str(), 0, 1, 4, 0, 1, 0, dib.get(), nullptr, nullptr, 0), 1);
    EXPECT_EQ(maxDifference(imageOf(dib.get()), original), 0);
    EXPECT_EQ(codecs::readFile(path("g.jpg")).bits(), 8);
    EXPECT_EQ(codecs::readFile(path("r.bmp")).bits(), 4);
    EXPECT_EQ(maxDifference(codecs::readFile(path("i.png")), original), 0);
    EXPECT_EQ(maxDifference(codecs::readFile(path("e.eps")), original), 0);

    char format[IL_INFO_TEXT_SIZE], compression[IL_INFO_TEXT_SIZE];
    int32_t width = 0, height = 0;
    int16_t bits = 0, pages = 0, code = 0;
    ASSERT_EQ(fileinfo(path("g.gif").c_str(), format, &width, &height, &bits, &pages, &code, compression, 0), 1);
    EXPECT_STREQ(format, "GIF");
    EXPECT_STREQ(compression, "LZW");
    EXPECT_EQ(width, 30);
    EXPECT_EQ(bits, 8);

    // a writer given no DIB fails and creates nothing
    EXPECT_EQ(wrbmpfiledib(path("none.bmp").c_str(), 0, nullptr, nullptr, nullptr, 0), IL_ERR_BAD_IMAGE);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("none.bmp"))));
    EXPECT_EQ(wrbmpfiledib(path("no/such/folder.bmp").c_str(), 0, dib.get(), nullptr, nullptr, 0), IL_ERR_CANNOT_CREATE);
}

TEST_F(Crde2000, DepthExportsMakeNewDibsOfTheirOwnDepthOnly)
{
    struct Case {
        HGLOBAL (*convert)(HGLOBAL);
        int from, to;
    };
    const Case cases[] = {{DIB1to4, 1, 4}, {DIB1To8, 1, 8}, {DIB1To24, 1, 24}, {DIB4To8, 4, 8}, {DIB4To24, 4, 24},
                          {DIB8To24, 8, 24}, {DIB16To24, 16, 24}, {DIB32To24, 32, 24}};
    for (const Case &c : cases) {
        const Image original = pattern(c.from);
        const GlobalBlock input = dibOf(original);
        const GlobalBlock output(c.convert(input.get()));
        ASSERT_NE(output, nullptr) << c.from << " to " << c.to;
        EXPECT_EQ(imageOf(output.get()).bits(), c.to);
        EXPECT_EQ(maxDifference(imageOf(output.get()), original), 0);
        EXPECT_EQ(imageOf(input.get()).packed(), original.packed());
        // another depth is refused
        const GlobalBlock wrong = dibOf(pattern(c.from == 8 ? 4 : 8));
        EXPECT_EQ(c.convert(wrong.get()), nullptr);
    }
    EXPECT_EQ(DIB8To24(nullptr), nullptr);

    const GlobalBlock colour = dibOf(pattern(24, 64, 64));
    const GlobalBlock copy(CopyDIB(colour.get()));
    EXPECT_EQ(imageOf(copy.get()).packed(), imageOf(colour.get()).packed());
    const GlobalBlock reduced(ReduceDib(colour.get(), 8, 1, 0, 0, 20, nullptr, nullptr));
    ASSERT_NE(reduced, nullptr);
    const Image small = imageOf(reduced.get());
    EXPECT_EQ(small.bits(), 8);
    std::set<int> used;
    for (std::int32_t y = 0; y < 64; ++y)
        for (std::int32_t x = 0; x < 64; ++x)
            used.insert(small.index(x, y));
    EXPECT_LE(used.size(), 20u);
}

TEST_F(Crde2000, DibtoDdbDecodesPlainAndRunLengthDibs)
{
    const Image original = pattern(8, 40, 12);
    // the run-length form, as a BMP file holds it after the file header
    codecs::WriteOptions rle;
    rle.rle = true;
    const std::vector<std::uint8_t> file = codecs::codec(codecs::Format::Bmp).write(original, rle, {});
    const std::vector<std::uint8_t> rleDib(file.begin() + 14, file.end());
    const std::vector<std::uint8_t> plainDib = original.packed();
    for (const std::vector<std::uint8_t> *dib : {&plainDib, &rleDib}) {
        // the DIB is the locked data of a global block, whose size bounds the reading
        GlobalBlock block(GlobalAlloc(GHND, dib->size()));
        GlobalLockGuard lockDib(block.get());
        std::memcpy(lockDib.data(), dib->data(), dib->size());
        HPALETTE palette = nullptr;
        HBITMAP bitmap = nullptr;
        DibtoDdb(lockDib.as<BITMAPINFOHEADER>(), &palette, &bitmap);
        ASSERT_NE(bitmap, nullptr);
        ASSERT_NE(palette, nullptr);
        GlobalBlock ownBitmap(bitmap), ownPalette(palette);
        GlobalLockGuard lockBitmap(bitmap), lockPalette(palette);
        const auto *device = lockBitmap.as<ILDEVICEBITMAP>();
        EXPECT_EQ(device->width, 40);
        EXPECT_EQ(device->height, 12);
        const auto *pixels = reinterpret_cast<const std::uint32_t *>(device + 1);
        const codecs::Rgb expected = original.colour(original.index(5, 2));
        EXPECT_EQ(pixels[2 * 40 + 5], 0xFF000000u | expected.red << 16 | expected.green << 8 | expected.blue);
        EXPECT_EQ(lockPalette.as<LOGPALETTE>()->palNumEntries, 256);
    }
}

TEST_F(Crde2000, ErrorTextsAreCutToTheBuffer)
{
    char text[8];
    EXPECT_EQ(ilLoadString(IL_ERR_NO_SOURCE_MANAGER, text, sizeof text), 7);
    EXPECT_STREQ(text, "The TWA");
    EXPECT_EQ(ilLoadString(12345, text, sizeof text), 0);
}

TEST_F(Crde2000, DxfDrawingsBecomeDeviceBitmaps)
{
    const char drawing[] = "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
                           " 11\n200.0\n 21\n100.0\n 31\n0.0\n  0\nENDSEC\n  0\nEOF\n";
    codecs::writeWholeFile(path("d.dxf"), std::span(reinterpret_cast<const std::uint8_t *>(drawing), sizeof drawing - 1));
    int32_t width = 0, height = 0;
    int16_t bits = 0;
    ASSERT_EQ(getdxfinfo(path("d.dxf").c_str(), &width, &height, &bits), 1);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(bits, 1);
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    ASSERT_EQ(readdxftoddb(path("d.dxf").c_str(), 1, 0, &bitmap, &palette, nullptr, nullptr, 0), 1);
    GlobalBlock ownBitmap(bitmap), ownPalette(palette);
    GlobalLockGuard lock(bitmap);
    const auto *device = lock.as<ILDEVICEBITMAP>();
    EXPECT_EQ(device->width, width);
    EXPECT_EQ(device->height, height);
    const auto *pixels = reinterpret_cast<const std::uint32_t *>(device + 1);
    EXPECT_EQ(pixels[std::size_t(height - 1 - 4) * std::size_t(width) + 4], 0xFF000000u); // the line's start, black
    EXPECT_EQ(pixels[0], 0xFFFFFFFFu);                                                      // background, white
    codecs::writeFile(path("not.dxf"), codecs::Format::Bmp, pattern(8));
    EXPECT_EQ(getdxfinfo(path("not.dxf").c_str(), &width, &height, &bits), IL_ERR_WRONG_FORMAT);
}

TEST_F(Crde2000, PhotoCdResolutionChoosesTheImageOfThePack)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    ASSERT_TRUE(testimages::runConvert({QStringLiteral("-size"), QStringLiteral("768x512"), QStringLiteral("xc:gray60"),
                                        QString::fromStdString(path("a.pcd"))}));
    for (const auto &[resolution, width] : {std::pair<int16_t, int>{0, 192}, {1, 384}, {2, 768}}) {
        HGLOBAL dib = nullptr;
        ASSERT_EQ(readpcdfiledib(path("a.pcd").c_str(), 0, 0, resolution, &dib, nullptr, nullptr, 0), 1);
        GlobalBlock owner(dib);
        EXPECT_EQ(imageOf(dib).width(), width);
    }
    HGLOBAL none = nullptr;
    EXPECT_EQ(readpcdfiledib(path("a.pcd").c_str(), 0, 0, 5, &none, nullptr, nullptr, 0), IL_ERR_BAD_PARAMETER);
}

TEST_F(Crde2000, CommandLineConvertsAndDescribes)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-img");
    codecs::writeFile(path("in.png"), codecs::Format::Png, pattern(24, 31, 17));
    QProcess run;
    run.start(tool, {QString::fromStdString(path("in.png")), QString::fromStdString(path("out.tif")), QStringLiteral("--compression=5")});
    ASSERT_TRUE(run.waitForFinished());
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_EQ(maxDifference(codecs::readFile(path("out.tif")), pattern(24, 31, 17)), 0);
    run.start(tool, {QStringLiteral("--info"), QString::fromStdString(path("out.tif"))});
    ASSERT_TRUE(run.waitForFinished());
    EXPECT_TRUE(run.readAllStandardOutput().contains("compression: LZW (5)"));
    // an effect by name between reading and writing, when the effects are built in
    run.start(tool, {QString::fromStdString(path("in.png")), QString::fromStdString(path("whirl.png")), QStringLiteral("Whirl"), QStringLiteral("90")});
    ASSERT_TRUE(run.waitForFinished());
    if (run.exitCode() == 0)
        EXPECT_GT(maxDifference(codecs::readFile(path("whirl.png")), pattern(24, 31, 17)), 0);
    else
        EXPECT_TRUE(run.readAllStandardError().contains("not available"));
    // values are checked against the export's rows before the call, and the
    // rows are the tool's help
    if (run.exitCode() == 0) {
        run.start(tool, {QString::fromStdString(path("in.png")), QString::fromStdString(path("x.png")), QStringLiteral("Whirl"),
                         QStringLiteral("36001")});
        ASSERT_TRUE(run.waitForFinished());
        EXPECT_EQ(run.exitCode(), 2);
        EXPECT_TRUE(run.readAllStandardError().contains("Whirl amount takes -36000 to 36000"));
        run.start(tool, {QStringLiteral("--effects")});
        ASSERT_TRUE(run.waitForFinished());
        EXPECT_EQ(run.exitCode(), 0);
        const QByteArray help = run.readAllStandardOutput();
        EXPECT_TRUE(help.contains("Whirl (rectangle)\n  amount: -36000 to 36000; the dialog offers 0 to 3000, from 0\n"))
            << help.toStdString();
        EXPECT_TRUE(help.contains("  gamma: any number, held within 10 to 50; the dialog offers 10 to 50, from 10\n"));
    }
    run.start(tool, {QString::fromStdString(path("in.png")), QString::fromStdString(path("x.png")), QStringLiteral("NoSuchEffect")});
    ASSERT_TRUE(run.waitForFinished());
    EXPECT_EQ(run.exitCode(), 2);
    run.start(tool, {QString::fromStdString(path("missing.png")), QString::fromStdString(path("x.bmp"))});
    ASSERT_TRUE(run.waitForFinished());
    EXPECT_NE(run.exitCode(), 0);
    EXPECT_TRUE(run.readAllStandardError().contains("Cannot open the file"));
}

// --quality outside 1..100 writes at 25; an option that is no number stops
// the tool before it reads anything.
TEST_F(Crde2000, CommandLineOptionValues)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-img");
    codecs::writeFile(path("in.png"), codecs::Format::Png, pattern(24, 31, 17));
    const auto convert = [&](const QString &option, const char *out) {
        QProcess run;
        run.start(tool, {option, QString::fromStdString(path("in.png")), QString::fromStdString(path(out))});
        EXPECT_TRUE(run.waitForFinished());
        return std::pair(run.exitCode(), run.readAllStandardError());
    };
    const auto bytes = [&](const char *name) {
        QFile file(QString::fromStdString(path(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_EQ(convert(QStringLiteral("--quality=25"), "q25.jpg").first, 0);
    ASSERT_EQ(convert(QStringLiteral("--quality=90"), "q90.jpg").first, 0);
    ASSERT_NE(bytes("q25.jpg"), bytes("q90.jpg"));
    struct Case {
        const char *option;
        int status;
        const char *sameAs; // the file written, the same as this one; or the message
    };
    const Case cases[] = {
        {"--quality=0", 0, "q25.jpg"},
        {"--quality=-5", 0, "q25.jpg"},
        {"--quality=101", 0, "q25.jpg"},
        {"--quality=100", 0, nullptr}, // the ends are kept
        {"--quality=abc", 2, "quillon-img: --quality=abc is not a number\n"},
        {"--quality=", 2, "quillon-img: --quality= is not a number\n"},
        {"--quality=80x", 2, "quillon-img: --quality=80x is not a number\n"},
        {"--compression=abc", 2, "quillon-img: --compression=abc is not a number\n"},
        {"--bits=8bits", 2, "quillon-img: --bits=8bits is not a number\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.option);
        QFile::remove(QString::fromStdString(path("out.jpg")));
        const auto [status, message] = convert(QString::fromLatin1(c.option), "out.jpg");
        EXPECT_EQ(status, c.status);
        if (c.status != 0) {
            EXPECT_EQ(message, QByteArray(c.sameAs));
            EXPECT_FALSE(QFile::exists(QString::fromStdString(path("out.jpg"))));
        } else if (c.sameAs) {
            EXPECT_EQ(bytes("out.jpg"), bytes(c.sameAs));
        } else {
            EXPECT_NE(bytes("out.jpg"), bytes("q25.jpg"));
        }
    }
}

} // namespace
