#include "PixelTestSupport.h"

#include "PGBmpExchange.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

TPixelGraphic &reference()
{
    static TPixelGraphic image;
    if (image.GetEmpty())
        fill24(image, 11, 6, [](int x, int y) {
            static const TRGB colours[4] = {MakeRGB(255, 0, 0), MakeRGB(0, 128, 255), MakeRGB(20, 200, 20),
                                            MakeRGB(250, 250, 250)};
            return colours[(x / 3 + y) % 4];
        });
    return image;
}

QString writeReferencePpm(const QTemporaryDir &dir)
{
    const TPixelGraphic &image = reference();
    QByteArray ppm = QStringLiteral("P6\n%1 %2\n255\n").arg(image.Width()).arg(image.Height()).toLatin1();
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const TRGB c = image.GetPixel(x, y);
            ppm.append(char(RedOf(c))).append(char(GreenOf(c))).append(char(BlueOf(c)));
        }
    const QString path = dir.filePath("reference.ppm");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(ppm);
    return path;
}

// Mean absolute channel difference.
double meanDifference(const TPixelGraphic &a, const TPixelGraphic &b)
{
    long total = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const TRGB p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
            total += std::abs(RedOf(p) - RedOf(q)) + std::abs(GreenOf(p) - GreenOf(q)) + std::abs(BlueOf(p) - BlueOf(q));
        }
    return double(total) / (3.0 * a.Width() * a.Height());
}

struct FormatCase {
    const char *extension;
    double tolerance; // JPEG is lossy
};

const FormatCase formats[] = {{"png", 0}, {"tif", 0}, {"tga", 0}, {"pcx", 0}, {"jpg", 25}};

} // namespace

TEST(CodecFormats, FilesWrittenByImageMagickLoad)
{
    if (!QFile::exists("/usr/bin/convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    QTemporaryDir dir;
    const QString ppm = writeReferencePpm(dir);
    for (const FormatCase &c : formats) {
        const QString path = dir.filePath(QStringLiteral("im.") + c.extension);
        if (QString(c.extension) == "tga") {
            // ImageMagick stores TGA rows top first under a bottom-up header; netpbm writes it right.
            if (!QFile::exists("/usr/bin/pamtotga"))
                continue;
            QProcess pamtotga;
            pamtotga.setStandardInputFile(ppm);
            pamtotga.setStandardOutputFile(path);
            pamtotga.start("/usr/bin/pamtotga", {"-rgb"});
            ASSERT_TRUE(pamtotga.waitForFinished());
        } else {
            ASSERT_EQ(QProcess::execute("/usr/bin/convert", {ppm, "-quality", "95", path}), 0) << c.extension;
        }
        TPixelGraphic loaded;
        loaded.LoadFromFile(path);
        ASSERT_EQ(loaded.Width(), 11) << c.extension;
        ASSERT_EQ(loaded.Height(), 6) << c.extension;
        EXPECT_LE(meanDifference(loaded, reference()), c.tolerance) << c.extension;
    }
}

TEST(CodecFormats, WrittenFilesReadBackAndByImageMagick)
{
    QTemporaryDir dir;
    TPixelGraphic image;
    image.Assign(&reference());
    for (const FormatCase &c : formats) {
        if (QString(c.extension) == "pcx")
            continue; // read only
        // JPEG shares chroma between neighbours: it gets a smooth picture.
        if (QString(c.extension) == "jpg")
            fill24(image, 11, 6, [](int x, int y) { return MakeRGB(20 * x, 30 * y, 100); });
        const QString path = dir.filePath(QStringLiteral("ours.") + c.extension);
        image.SaveToFile(path);
        TPixelGraphic loaded;
        loaded.LoadFromFile(path);
        EXPECT_LE(meanDifference(loaded, image), c.tolerance == 0 ? 0 : 8) << c.extension;
        if (QFile::exists("/usr/bin/identify")) {
            QProcess identify;
            identify.start("/usr/bin/identify", {"-format", "%w %h", path});
            ASSERT_TRUE(identify.waitForFinished());
            EXPECT_EQ(identify.readAllStandardOutput(), "11 6") << c.extension;
        }
    }
}

TEST(CodecFormats, WritersKeepTheirResolutions)
{
    QTemporaryDir dir;
    TPixelGraphic image;
    image.SetFormat(4, 4, pg4Bit);
    image.SetPaletteIdent(pSys16);
    image.SetPixel(1, 1, 12);
    image.SaveColorResWarningAction = pgwaIgnore;
    // JPEG holds grey or true colour only: 16 system colours go out as true colour.
    image.SaveToFile(dir.filePath("sys.jpg"));
    TPixelGraphic loaded;
    loaded.LoadFromFile(dir.filePath("sys.jpg"));
    EXPECT_EQ(loaded.PixelFormat(), pg24Bit);
    // PNG takes every resolution as it is.
    image.SaveToFile(dir.filePath("sys.png"));
    loaded.LoadFromFile(dir.filePath("sys.png"));
    EXPECT_EQ(loaded.GetPixelColor(1, 1), MakeRGB(0, 0, 255));
    EXPECT_LE(loaded.PixelFormat(), pg8Bit);
}

TEST(CodecFormats, DamagedFilesRaiseTheirFamilysError)
{
    QTemporaryDir dir;
    TPixelGraphic image;
    image.Assign(&reference());
    struct Case {
        const char *extension;
        std::function<bool(const EPixelGraphic &)> isFamily;
    };
    const std::vector<Case> cases = {
        {"png", [](const EPixelGraphic &e) { return dynamic_cast<const EPGPNGFileFormatReaderWriter *>(&e); }},
        {"jpg", [](const EPixelGraphic &e) { return dynamic_cast<const EPGJPGFileFormatReaderWriter *>(&e); }},
        {"tif", [](const EPixelGraphic &e) { return dynamic_cast<const EPGTIFFileFormatReader *>(&e); }},
        {"tga", [](const EPixelGraphic &e) { return dynamic_cast<const EPGTGAFileFormatReader *>(&e); }},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("whole.") + c.extension);
        image.SaveToFile(path);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        for (int length = 17; length < whole.size(); length += std::max<int>(1, int(whole.size()) / 40)) {
            TPixelGraphic target;
            try {
                // Only a trailer may be missing (a PNG's end chunk, say): the pixels must all be there.
                loadBytes(target, whole.left(length), QString::fromLatin1(c.extension));
                EXPECT_EQ(meanDifference(target, image), 0.0) << c.extension << " truncated to " << length;
            } catch (const EPixelGraphic &error) {
                EXPECT_TRUE(c.isFamily(error)) << c.extension << " " << length << ": " << error.what();
            }
        }
    }
}
