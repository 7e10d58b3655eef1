#include "DllSP96.h"
#include "ForeignDib.h"
#include "Folders.h"
#include "ILDibCls.h"
#include "ImagingError.h"
#include "IniFile.h"
#include "MessageBox.h"
#include "Module.h"

#include "Codec.h"
#include "TestImages.h"

#include "SaneTestBackend.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace imaging;
using testimages::maxDifference;
using testimages::pattern;

namespace {

struct FxCall {
    int bits;
    std::int32_t left, top, right, bottom;
    std::int32_t value;
    double angle;
    std::uint32_t colour;
    void *userData;
};

const QString kStandIn = QStringLiteral("FXTEST.DLL");

GlobalBlock dibOf(const codecs::Image &image)
{
    HGLOBAL handle = GlobalAlloc(GHND, image.packed().size());
    std::memcpy(GlobalLockGuard(handle).data(), image.packed().data(), image.packed().size());
    return GlobalBlock(handle);
}

codecs::Image imageOf(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    return codecs::Image::fromPackedDib(lock.data(), GlobalSize(dib));
}

int bitsOf(HGLOBAL dib) { return GlobalLockGuard(dib).as<BITMAPINFOHEADER>()->biBitCount; }

// Mean of the red, green and blue levels of every pixel.
double meanLevel(const codecs::Image &image)
{
    double total = 0;
    for (std::int32_t y = 0; y < image.height(); ++y)
        for (std::int32_t x = 0; x < image.width(); ++x) {
            const codecs::Rgb c = codecs::pixelColour(image, image.row(y), x);
            total += c.red + c.green + c.blue;
        }
    return total / (3.0 * image.width() * image.height());
}

// Every test binds the effect stand-in and the real file library, and records message boxes.
class Bridge : public testing::Test {
protected:
    void SetUp() override
    {
        ISP2000().setDllName(kStandIn);
        CRDE2000().setDllName(QStringLiteral("CRDE2000.DLL"));
        LastImagingError = {};
        TwainBusy = false;
    }
    void TearDown() override { ReleaseImagingLibraries(); }

    const FxCall &lastCall() { return *static_cast<FxCall *>(ISP2000().symbol("fxLastCall")); }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    platform::MessageRecorder messages;
    platform::ScopedMessageService scope{&messages};
    QTemporaryDir dir;
};

TEST_F(Bridge, EffectLibraryThatCannotBeLoadedIsShownInAMessageBox)
{
    ISP2000().setDllName(QStringLiteral("NOSUCHFX.DLL"));
    const GlobalBlock dib = dibOf(pattern(24));
    EXPECT_EQ(OilPainting(dib.get(), 0, 0, 0, 0, 5), nullptr);
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("Can't load NOSUCHFX.DLL. Make sure its located in the application's searchpath.")});
}

TEST_F(Bridge, FileLibraryThatCannotBeLoadedRaises)
{
    codecs::writeFile(path("a.bmp").toStdString(), codecs::Format::Bmp, pattern(8));
    CRDE2000().setDllName(QStringLiteral("NOSUCHFILES.DLL"));
    HGLOBAL dib = nullptr;
    try {
        rdbmpfiledib(path("a.bmp"), 0, false, dib);
        FAIL() << "no error raised";
    } catch (const EImagingError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Can't load NOSUCHFILES.DLL. Make sure its located in the application's searchpath."));
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(Bridge, MissingExportGivesNoResultAndNoMessage)
{
    codecs::writeFile(path("a.bmp").toStdString(), codecs::Format::Bmp, pattern(8));
    CRDE2000().setDllName(kStandIn); // has effects only
    HGLOBAL dib = reinterpret_cast<HGLOBAL>(1);
    EXPECT_FALSE(rdbmpfiledib(path("a.bmp"), 0, false, dib));
    EXPECT_EQ(dib, nullptr);
    CRDE2000().setDllName(QStringLiteral("CRDE2000.DLL"));
    const GlobalBlock colour = dibOf(pattern(24));
    EXPECT_EQ(AutoContrast(colour.get(), 0, 0, 0, 0), nullptr); // the stand-in has no AutoContrast
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(Bridge, ExceptionInsideTheLibraryShowsTheRecommendation)
{
    const GlobalBlock dib = dibOf(pattern(24));
    EXPECT_EQ(OilPainting(dib.get(), 0, 0, 0, 0, 666), nullptr);
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("An exception error occured in the imaging library. We recommend to exit the "
                                         "application and to restart it by clicking its icon!")});
}

TEST_F(Bridge, EffectFrameCompletesTheRectangleAndKeepsTheDepth)
{
    struct Case {
        int bits, sentBits, resultBits;
    };
    // 1 bit comes back as 4; 32 bits go to the export unconverted
    const Case cases[] = {{1, 24, 4}, {4, 24, 4}, {8, 24, 8}, {16, 24, 16}, {24, 24, 24}, {32, 32, 32}};
    int userData = 0;
    for (const Case &c : cases) {
        const codecs::Image original = pattern(c.bits, 30, 20);
        const GlobalBlock dib = dibOf(original);
        const GlobalBlock result(OilPainting(dib.get(), 3, 4, 0, 0, 7, &userData));
        ASSERT_NE(result, nullptr) << c.bits;
        EXPECT_EQ(bitsOf(result.get()), c.resultBits) << c.bits;
        EXPECT_EQ(lastCall().bits, c.sentBits);
        EXPECT_EQ(lastCall().left, 3);
        EXPECT_EQ(lastCall().top, 4);
        EXPECT_EQ(lastCall().right, 30);
        EXPECT_EQ(lastCall().bottom, 20);
        EXPECT_EQ(lastCall().value, 7);
        EXPECT_EQ(lastCall().userData, &userData);
        // below 24 bits the reduction back sets its own caption last
        EXPECT_EQ(ImagingProgressCaption, c.bits >= 24 ? QStringLiteral("Oil Painting Image ") : QStringLiteral("Reducing colors "));
        // the caller's DIB is untouched
        EXPECT_EQ(imageOf(dib.get()).packed(), original.packed());
    }
    // the stand-in inverts: an 8-bit picture with few colours comes back exactly inverted
    const codecs::Image eight = pattern(4, 30, 20);
    const GlobalBlock dib = dibOf(eight);
    const GlobalBlock result(OilPainting(dib.get(), 0, 0, 5, 6, 1));
    EXPECT_EQ(lastCall().right, 5);
    EXPECT_EQ(lastCall().bottom, 6);
    const codecs::Image back = imageOf(result.get());
    const codecs::Rgb before = eight.colour(eight.index(2, 3)), after = back.colour(back.index(2, 3));
    EXPECT_EQ(after.red, 255 - before.red);
    EXPECT_EQ(after.blue, 255 - before.blue);
}

TEST_F(Bridge, ConvertDibUpRefusesWhatIsNotAnIncrease)
{
    struct Case {
        int from, to, expected; // 0: none
    };
    const Case cases[] = {{8, 4, 0}, {8, 8, 0}, {24, 32, 0}, {32, 48, 0}, {24, 24, 0}, {1, 4, 4}, {1, 8, 8},
                          {1, 24, 24}, {4, 8, 8}, {4, 24, 24}, {8, 24, 24}, {8, 32, 24}, {16, 24, 24}, {16, 32, 24}};
    for (const Case &c : cases) {
        const GlobalBlock dib = dibOf(pattern(c.from));
        const GlobalBlock raised(ConvertDibUp(dib.get(), c.to));
        if (c.expected == 0) {
            EXPECT_EQ(raised, nullptr) << c.from << " to " << c.to;
            continue;
        }
        ASSERT_NE(raised, nullptr) << c.from << " to " << c.to;
        EXPECT_EQ(bitsOf(raised.get()), c.expected);
        EXPECT_EQ(maxDifference(imageOf(raised.get()), pattern(c.from)), 0);
        EXPECT_EQ(ImagingProgressCaption, QStringLiteral("Increasing colors "));
    }
}

TEST_F(Bridge, ReduceDibDepthTurns32BitsInto24First)
{
    const GlobalBlock dib = dibOf(pattern(32, 40, 40));
    const GlobalBlock reduced(ReduceDibDepth(dib.get(), 8, true, 0, nullptr, nullptr));
    ASSERT_NE(reduced, nullptr);
    EXPECT_EQ(bitsOf(reduced.get()), 8);
    EXPECT_EQ(ImagingProgressCaption, QStringLiteral("Reducing colors "));
    EXPECT_EQ(bitsOf(dib.get()), 32);
}

TEST(ILTDibTest, CreateNewBuildsTheHeaderOfEachDepth)
{
    struct Case {
        int bits, headerBits, colours;
    };
    const Case cases[] = {{1, 1, 2}, {2, 1, 2}, {4, 4, 16}, {8, 8, 256}, {16, 16, 0}, {24, 24, 0}, {32, 32, 0}};
    for (const Case &c : cases) {
        ILTDib dib;
        ASSERT_TRUE(dib.CreateNew(nullptr, 13, c.bits, 7));
        EXPECT_EQ(dib.BitCount(), c.headerBits);
        EXPECT_EQ(dib.ColorCount(), c.colours);
        EXPECT_EQ(int(dib.Header->biClrUsed), c.colours);
        EXPECT_EQ(int(dib.Header->biClrImportant), c.colours);
        EXPECT_EQ(dib.Header->biXPelsPerMeter, 2953);
        EXPECT_EQ(dib.HeaderSize(), 40u + 4u * unsigned(c.colours));
        EXPECT_EQ(GlobalSize(dib.Handle()), dib.TotalSize());
        EXPECT_EQ(dib.Bits(), reinterpret_cast<BYTE *>(dib.Header) + dib.HeaderSize());
    }
    ILTDib dib;
    EXPECT_FALSE(dib.CreateNew(nullptr, 10, 3, 10));
    EXPECT_FALSE(dib.CreateNew(nullptr, 0, 8, 10));
    EXPECT_EQ(dib.Width(), 0);
}

TEST(ILTDibTest, PaletteComesFromTheColourTableAndSetPaletteWritesIt)
{
    ILTDib dib;
    const QList<QRgb> palette = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
    ASSERT_TRUE(dib.CreateNew(&palette, 8, 1, 8));
    EXPECT_EQ(dib.Palette(), palette);
    dib.SetPalette({qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)});
    const auto *table = reinterpret_cast<const RGBQUAD *>(dib.Header + 1);
    EXPECT_EQ(table[1].rgbRed, 4); // only the two entries of the table are written
    dib.Header->biSizeImage = 0;
    EXPECT_EQ(dib.TotalSize(), 40u + 8u + 8u * 4u);
    EXPECT_EQ(dib.Header->biSizeImage, 32u);
    // a copy is a new block with the same bytes; attaching frees the old block
    GlobalBlock copy(dib.Duplicate());
    EXPECT_EQ(GlobalSize(copy.get()), GlobalSize(dib.Handle()));
    dib.Attach(static_cast<BITMAPINFOHEADER *>(GlobalLock(copy.release())));
    EXPECT_EQ(dib.Width(), 8);
}

TEST_F(Bridge, BitmapToDibGivesOneFourEightOr24Bits)
{
    const struct {
        QImage::Format format;
        int bits, dibBits;
    } cases[] = {{QImage::Format_Mono, 1, 1}, {QImage::Format_Indexed8, 4, 4}, {QImage::Format_Indexed8, 8, 8},
                 {QImage::Format_RGB555, 16, 24}, {QImage::Format_BGR888, 24, 24}, {QImage::Format_RGB32, 32, 24}};
    for (const auto &c : cases) {
        QImage image(17, 9, QImage::Format_RGB32);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 17; ++x)
                image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const Bitmap bitmap(image, c.bits);
        const GlobalBlock dib(BitmapToDib(bitmap));
        ASSERT_NE(dib, nullptr) << c.bits;
        EXPECT_EQ(bitsOf(dib.get()), c.dibBits);
        const codecs::Image pixels = imageOf(dib.get());
        EXPECT_EQ(codecs::pixelColour(pixels, pixels.row(0), 1), (codecs::Rgb{255, 255, 255})) << c.bits;
        EXPECT_EQ(codecs::pixelColour(pixels, pixels.row(0), 0), (codecs::Rgb{0, 0, 0})) << c.bits;
        // and back, at the DIB's own depth
        Bitmap back;
        ASSERT_TRUE(DibToBitmap(dib.get(), back));
        EXPECT_EQ(back.bitCount(), c.dibBits);
        EXPECT_EQ(back.image().convertToFormat(QImage::Format_RGB32), image.convertToFormat(QImage::Format_RGB32));
    }
    try {
        BitmapToDib(Bitmap());
        FAIL();
    } catch (const EImagingError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Input image is empty"));
    }
    Bitmap untouched;
    EXPECT_FALSE(DibToBitmap(nullptr, untouched));
}

TEST_F(Bridge, DibToBitmapAtDepthReducesRaisesAndDecodesRunLengths)
{
    const GlobalBlock colour = dibOf(pattern(24, 20, 10));
    Bitmap bitmap;
    ASSERT_TRUE(DibToBitmapAtDepth(colour.get(), 4, true, nullptr, nullptr, bitmap));
    EXPECT_EQ(bitmap.bitCount(), 4);
    EXPECT_LE(bitmap.image().colorCount(), 16);
    const GlobalBlock mono = dibOf(pattern(1, 20, 10));
    ASSERT_TRUE(DibToBitmapAtDepth(mono.get(), 8, false, nullptr, nullptr, bitmap));
    EXPECT_EQ(bitmap.bitCount(), 8);

    codecs::WriteOptions rle;
    rle.rle = true;
    const std::vector<std::uint8_t> file = codecs::codec(codecs::Format::Bmp).write(pattern(8, 20, 10), rle, {});
    GlobalBlock rleDib(GlobalAlloc(GHND, file.size() - 14));
    std::memcpy(GlobalLockGuard(rleDib.get()).data(), file.data() + 14, file.size() - 14);
    ASSERT_TRUE(DibToBitmap(rleDib.get(), bitmap));
    EXPECT_EQ(bitmap.bitCount(), 32);
    const codecs::Image expected = pattern(8, 20, 10);
    const codecs::Rgb c = expected.colour(expected.index(3, 4));
    EXPECT_EQ(bitmap.image().pixel(3, 4), qRgb(c.red, c.green, c.blue));
}

TEST_F(Bridge, ReadAndWriteWrappersInBothForms)
{
    QImage image(23, 11, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    image.setPixel(5, 6, qRgb(250, 0, 0));
    const Bitmap bitmap(image, 24);
    ASSERT_TRUE(wrpngfiledib(path("out.png"), 0, true, bitmap));
    EXPECT_EQ(ImagingProgressCaption, QStringLiteral("Writing ") + path("out.png"));
    Bitmap back;
    ASSERT_TRUE(rdpngfiledib(path("out.png"), 0, false, back)) << LastImagingError.Text.toStdString();
    EXPECT_EQ(ImagingProgressCaption, QStringLiteral("Reading ") + path("out.png"));
    EXPECT_EQ(back.bitCount(), 24);
    EXPECT_EQ(back.image().pixel(5, 6), qRgb(250, 0, 0));
    HGLOBAL dib = nullptr;
    ASSERT_TRUE(rdpngfiledib(path("out.png"), 8, false, dib));
    GlobalBlock owner(dib);
    EXPECT_EQ(bitsOf(dib), 8);
    ASSERT_TRUE(writetiffiledib(path("out.tif"), sPACKBITS, 0, false, dib));
    TImageInfo info;
    ASSERT_TRUE(getinfo(path("out.tif"), 0, info));
    EXPECT_EQ(TiffCompressionName(info.Compression), QStringLiteral("PACKBITS"));
    EXPECT_EQ(info.Width, 23);
    TFileInfo file;
    ASSERT_TRUE(fileinfo(path("out.tif"), file));
    EXPECT_EQ(file.FormatName, QStringLiteral("TIFF"));
    EXPECT_EQ(file.Bits, 8);

    // the wrong reader: false, and the library's number and text kept
    HGLOBAL none = nullptr;
    EXPECT_FALSE(rdbmpfiledib(path("out.png"), 0, false, none));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(LastImagingError.Code, -3);
    EXPECT_EQ(LastImagingError.Text, QStringLiteral("The file is not in the expected format"));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(Bridge, FilesShorterThan30BytesAreRefusedBeforeTheLibrary)
{
    QFile small(path("small.bmp"));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write(QByteArray(29, 'B'));
    small.close();
    LastImagingError = {42, QStringLiteral("before")};
    HGLOBAL dib = nullptr;
    EXPECT_FALSE(rdbmpfiledib(path("small.bmp"), 0, false, dib));
    TImageInfo info;
    EXPECT_FALSE(getinfo(path("small.bmp"), 0, info));
    EXPECT_EQ(LastImagingError.Code, 42); // the library was not asked
    EXPECT_THROW(rdbmpfiledib(path("missing.bmp"), 0, false, dib), EFOpenError);
}

TEST_F(Bridge, FailedJpegWriteReleasesTheFileLibrary)
{
    const GlobalBlock dib = dibOf(pattern(24));
    ASSERT_TRUE(wrjpgfiledib(path("ok.jpg"), 90, 0, 24, dib.get()));
    EXPECT_TRUE(CRDE2000().isLoaded());
    EXPECT_FALSE(wrjpgfiledib(path("no/folder/x.jpg"), 90, 0, 24, dib.get()));
    EXPECT_FALSE(CRDE2000().isLoaded());
    EXPECT_EQ(LastImagingError.Code, -2);
    EXPECT_TRUE(wrjpgfiledib(path("again.jpg"), 90, 0, 24, dib.get()));
}

// While `timer` runs, closes the library's scanning windows (the source's
// or the choice of a source) as their user would, noting whether a TWAIN
// call was running then.
void closeScanningWindows(QTimer &timer, bool &busyMeanwhile)
{
    QObject::connect(&timer, &QTimer::timeout, [&busyMeanwhile] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(window);
            if (!dialog || !dialog->isVisible())
                continue;
            busyMeanwhile = TwainBusy;
            if (auto *cancel = dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")))
                cancel->click();
            else
                dialog->reject();
        }
    });
    timer.start(50);
}

TEST_F(Bridge, TwainCallsRespectTheBusyFlag)
{
    HGLOBAL dib = nullptr;
    TwainBusy = true;
    EXPECT_FALSE(aquiredibimage(nullptr, 24, false, dib));
    EXPECT_EQ(LastImagingError.Code, 0); // refused without asking the library
    TwainBusy = false;

    SaneTestBackend scanner;
    QTimer closer;
    bool busyMeanwhile = false;
    closeScanningWindows(closer, busyMeanwhile);
    EXPECT_FALSE(aquiredibimage(nullptr, 24, false, dib));
    EXPECT_EQ(dib, nullptr);
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_EQ(LastImagingError.Text, QStringLiteral("The operation was stopped"));
    EXPECT_FALSE(TwainBusy);

    busyMeanwhile = false;
    EXPECT_FALSE(selectsource(nullptr));
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_FALSE(TwainBusy);
}

TEST_F(Bridge, WholeBitmapOperationsPutTheResultBack)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    Bitmap bitmap(image, 8);
    InvertBitmap(bitmap);
    EXPECT_EQ(bitmap.bitCount(), 8);
    EXPECT_EQ(bitmap.image().pixel(2, 2), qRgb(245, 235, 225));

    Bitmap colour(image, 24);
    RotateBitmap(colour, 90.0, qRgb(1, 2, 3));
    EXPECT_EQ(colour.width(), 4);
    EXPECT_EQ(colour.height(), 6);
    EXPECT_DOUBLE_EQ(lastCall().angle, 90.0);
    EXPECT_EQ(lastCall().colour, 0x030201u);
    EXPECT_EQ(lastCall().right, 6);

    GrayAreaBitmap(colour);
    EXPECT_EQ(ImagingProgressCaption, QStringLiteral("Applying Gray Area "));
    Bitmap empty;
    EXPECT_THROW(InvertBitmap(empty), EImagingError);
    // the stand-in has no AutoContrast: no result, raised as an empty image
    EXPECT_THROW(AutoContrastBitmap(colour), EImagingError);
}

TEST_F(Bridge, TwainProfileEntryNamesTheProgram)
{
    WriteTwainProfileEntry();
    platform::IniFile profile(platform::windowsFolder() + QStringLiteral("iltwain.ini"));
    EXPECT_EQ(profile.readString(QStringLiteral("Imaging Twain"), QStringLiteral("App Name"), {}),
              QStringLiteral("imaging_tests"));
}

// The wrappers against the real processing library, when it is built.
class RealEffects : public Bridge {
protected:
    void SetUp() override
    {
        Bridge::SetUp();
        ISP2000().setDllName(QStringLiteral("ISP2000.DLL"));
        ASSERT_TRUE(platform::Module::load(QStringLiteral("ISP2000.DLL"))) << "the effects library does not load";
    }
};

TEST_F(RealEffects, FramedEffectsKeepTheDepthAndOneBitBecomesFour)
{
    using Effect = std::function<HGLOBAL(HGLOBAL)>;
    const std::vector<std::pair<const char *, Effect>> effects = {
        {"Blur", [](HGLOBAL d) { return Blur(d, 0, 0, 0, 0, 3); }},
        {"Engrave", [](HGLOBAL d) { return Engrave(d, 0, 0, 0, 0, 3); }},
        {"Bled", [](HGLOBAL d) { return Bled(d, 0, 0, 0, 0, 40); }},
        {"Edge", [](HGLOBAL d) { return Edge(d, 0, 0, 0, 0, 3); }},
        {"Better", [](HGLOBAL d) { return Better(d, 0, 0, 0, 0, 3); }},
        {"PixelFix", [](HGLOBAL d) { return PixelFix(d, 0, 0, 0, 0, 3); }},
        {"PinchHole", [](HGLOBAL d) { return PinchHole(d, 0, 0, 0, 0, 0.5); }},
        {"Whirl", [](HGLOBAL d) { return Whirl(d, 0, 0, 0, 0, 90.0); }},
        {"Wave", [](HGLOBAL d) { return Wave(d, 0, 0, 0, 0, 5.0, 10, 0.0, true, false); }},
        {"Noise", [](HGLOBAL d) { return Noise(d, 0, 0, 0, 0, false, false, 30, 30, 30); }},
        {"Enhance", [](HGLOBAL d) { return Enhance(d, 0, 0, 0, 0, 10, 10, 10, 10, 10); }},
        {"Motion", [](HGLOBAL d) { return Motion(d, 0, 0, 0, 0, 5, 30, 3); }},
        {"GrayArea", [](HGLOBAL d) { return GrayArea(d, 0, 0, 0, 0); }},
        {"AutoContrast", [](HGLOBAL d) { return AutoContrast(d, 0, 0, 0, 0); }},
        {"RecToPolar", [](HGLOBAL d) { return RecToPolar(d, 0, 0, 0, 0, 50, 0, false, false); }},
        {"Jiggle", [](HGLOBAL d) { return Jiggle(d, 0, 0, 0, 0, 10, 5, false); }},
        {"Spray", [](HGLOBAL d) { return Spray(d, 0, 0, 0, 0, 5, 50); }},
        {"FadeDib", [](HGLOBAL d) { return FadeDib(d, 0, 0, 0, 0, 10, 255, 255, 255); }},
        {"ThresholdDib", [](HGLOBAL d) { return ThresholdDib(d, 0, 0, 0, 0, 128, false); }},
        {"Curl", [](HGLOBAL d) { return Curl(d, 0, 0, 0, 0, TCurlOptions{}); }},
        {"Mosaic", [](HGLOBAL d) { return Mosaic(d, 0, 0, 0, 0, TMosaicOptions{}); }},
        {"ExtrudeDib", [](HGLOBAL d) { return ExtrudeDib(d, false, 8); }},
        {"HToneImage", [](HGLOBAL d) { return HToneImage(d, 6, 45.0f, 0); }},
        {"TileDib", [](HGLOBAL d) { return TileDib(d); }},
    };
    for (const auto &[name, effect] : effects)
        for (const auto &[bits, resultBits] : {std::pair{24, 24}, {8, 8}, {1, 4}}) {
            const GlobalBlock dib = dibOf(pattern(bits, 40, 30));
            const GlobalBlock result(effect(dib.get()));
            ASSERT_NE(result, nullptr) << name << " at " << bits;
            EXPECT_EQ(bitsOf(result.get()), resultBits) << name;
        }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(RealEffects, InPlaceWrappersFollowTheirDepthRules)
{
    // 24 bits: changed in place, a copy returned
    const GlobalBlock colour = dibOf(pattern(24, 20, 10));
    const GlobalBlock brighter(ILBrightness(colour.get(), 300));
    ASSERT_NE(brighter, nullptr);
    EXPECT_EQ(imageOf(brighter.get()).packed(), imageOf(colour.get()).packed());
    EXPECT_NE(imageOf(colour.get()).packed(), pattern(24, 20, 10).packed());
    // 8 bits: the DIB stays, the result keeps 8 bits and is lighter (gamma 2.0)
    const GlobalBlock eight = dibOf(pattern(8, 20, 10));
    const GlobalBlock gamma(ILGamma(eight.get(), 20));
    ASSERT_NE(gamma, nullptr);
    EXPECT_EQ(bitsOf(gamma.get()), 8);
    EXPECT_EQ(imageOf(eight.get()).packed(), pattern(8, 20, 10).packed());
    EXPECT_GT(meanLevel(imageOf(gamma.get())), meanLevel(pattern(8, 20, 10)) + 20);
    // hue and saturation below 24 bits replaces the caller's DIB
    HGLOBAL handle = dibOf(pattern(1, 20, 10)).release();
    ASSERT_TRUE(ilHueAndSaturation(handle, 0, 0, 0, 0, true, true, true, true, true, true, 30, 20, 10));
    GlobalBlock owner(handle);
    EXPECT_EQ(bitsOf(handle), 4);
    // mirror: in place and a copy
    const GlobalBlock mirrored = dibOf(pattern(24, 20, 10));
    const GlobalBlock copy(ILMirror(mirrored.get(), false, true));
    ASSERT_NE(copy, nullptr);
    const codecs::Image flipped = imageOf(copy.get());
    EXPECT_EQ(codecs::pixelColour(flipped, flipped.row(2), 0), codecs::pixelColour(pattern(24, 20, 10), pattern(24, 20, 10).row(2), 19));
}

TEST_F(RealEffects, ScalingMergingReducingAndWarping)
{
    const GlobalBlock eight = dibOf(pattern(8, 40, 30));
    const GlobalBlock small(ScaleDib(eight.get(), 20, 15, 8));
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(bitsOf(small.get()), 8);
    EXPECT_EQ(imageOf(small.get()).width(), 20);
    const GlobalBlock wide(ScaleDib(eight.get(), 20, 15, 24));
    EXPECT_EQ(bitsOf(wide.get()), 24);

    const GlobalBlock mono = dibOf(pattern(1, 40, 30));
    const GlobalBlock overlay = dibOf(pattern(4, 10, 10));
    const GlobalBlock merged(MergeDib(mono.get(), overlay.get(), -1, -1, -1, 5, 5));
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(bitsOf(merged.get()), 1); // back to the base's depth, 1 included
    const GlobalBlock dropped(DropDib(eight.get(), overlay.get(), -1, -1, -1, 5, 5));
    ASSERT_NE(dropped, nullptr);
    EXPECT_EQ(bitsOf(dropped.get()), 8);

    // 300 colours are 255: the very picture that 255 gives, not the one of 254
    const auto reducedTo = [](int colours) {
        return GlobalBlock(ILReduceColors(dibOf(pattern(32, 40, 30)).release(), colours, 4));
    };
    const GlobalBlock reduced = reducedTo(300), reduced255 = reducedTo(255), reduced254 = reducedTo(254);
    ASSERT_TRUE(reduced && reduced255 && reduced254);
    EXPECT_TRUE(imageOf(reduced.get()).packed() == imageOf(reduced255.get()).packed());
    EXPECT_FALSE(imageOf(reduced.get()).packed() == imageOf(reduced254.get()).packed());

    static int frames = 0;
    frames = 0;
    const GlobalBlock colour = dibOf(pattern(24, 40, 30));
    const GlobalBlock warped(Warp(colour.get(), false, false, false, 10, 0, 3, 5, nullptr, nullptr,
                                  [](HGLOBAL, void *) -> std::int32_t { ++frames; return 1; }));
    ASSERT_NE(warped, nullptr);
    EXPECT_EQ(frames, 3); // one still per step
    EXPECT_EQ(ImagingProgressCaption, QStringLiteral("Warp disolve Image "));
}

TEST(TiffNames, EveryCodeHasItsName)
{
    const std::pair<int, const char *> names[] = {{1, "NONE"}, {2, "CCITT3"}, {3, "FAXCCITT3"}, {4, "FAXCCITT4"},
                                                  {5, "LZW"}, {32773, "PACKBITS"}, {-32763, "PACKBITS"},
                                                  {32763, "PACKBITS"}, {7, "UNKNOWN"}};
    for (const auto &[code, name] : names)
        EXPECT_EQ(TiffCompressionName(code), QLatin1String(name)) << code;
}

} // namespace

// DIBs made outside our libraries (the clipboard, a scanner): their own row
// order and channel masks, and headers checked against their blocks.
class ForeignDibs : public Bridge {};

TEST_F(ForeignDibs, BecomeBitmapsWithTheirColours)
{
    for (const foreign::LayoutCase &c : foreign::layouts()) {
        const GlobalBlock dib = foreign::block(foreign::packedDib(6, 4, c.layout));
        Bitmap bitmap;
        ASSERT_TRUE(DibToBitmap(dib.get(), bitmap)) << c.name;
        ASSERT_EQ(bitmap.width(), 6) << c.name;
        ASSERT_EQ(bitmap.height(), 4) << c.name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const foreign::Colour e = foreign::expected(c.layout, x, y);
                ASSERT_EQ(bitmap.image().pixel(x, y), qRgb(e.red, e.green, e.blue)) << c.name << " at " << x << "," << y;
            }
    }
}

TEST_F(ForeignDibs, WithDamagedHeadersGiveNoBitmap)
{
    for (const foreign::Damage &damage : foreign::damages()) {
        const GlobalBlock dib = foreign::block(foreign::damaged(damage));
        Bitmap bitmap;
        EXPECT_FALSE(DibToBitmap(dib.get(), bitmap)) << damage.name;
        EXPECT_TRUE(bitmap.isEmpty()) << damage.name;
    }
}

// The library's device bitmap (of a run-length DIB) whose rows are shorter
// than its width says: refused rather than read past its rows.
TEST_F(ForeignDibs, DeviceBitmapRowsShorterThanTheWidthAreRefused)
{
    CRDE2000().setDllName(kStandIn);
    codecs::WriteOptions rle;
    rle.rle = true;
    const std::vector<std::uint8_t> file = codecs::codec(codecs::Format::Bmp).write(pattern(8, 20, 10), rle, {});
    const GlobalBlock rleDib = foreign::block({file.begin() + 14, file.end()});
    Bitmap bitmap;
    EXPECT_FALSE(DibToBitmap(rleDib.get(), bitmap));
}
