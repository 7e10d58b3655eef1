#include "PixelTestSupport.h"

#include "PGBmpExchange.h"
#include "PGCodecFormats.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
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

const FormatCase formats[] = {{"png", 0}, {"tif", 0}, {"tga", 0}, {"pcx", 0}, {"jpg", 25}, {"ppm", 0}};

// Runs a netpbm tool on `input` into `output`.
bool netpbm(const QString &tool, const QStringList &arguments, const QString &input, const QString &output)
{
    QProcess process;
    process.setStandardInputFile(input);
    process.setStandardOutputFile(output);
    process.start(QStringLiteral("/usr/bin/") + tool, arguments);
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool haveNetpbm() { return QFile::exists("/usr/bin/pnmtoplainpnm"); }

// The numbers of a file as netpbm writes it in plain form: magic, width, height, [maxval,] samples.
QStringList plainNumbers(const QString &path, const QTemporaryDir &dir)
{
    const QString plain = dir.filePath("plain.pnm");
    if (!netpbm("pnmtoplainpnm", {}, path, plain))
        return {};
    QFile file(plain);
    file.open(QIODevice::ReadOnly);
    QStringList numbers = QString::fromLatin1(file.readAll()).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    if (numbers.value(0) == "P1") {
        // plain PBM pixels are single digits, rows written without blanks
        const QString pixels = numbers.mid(3).join(QString());
        numbers = numbers.mid(0, 3);
        for (const QChar digit : pixels)
            numbers << QString(digit);
    }
    return numbers;
}

} // namespace

TEST(CodecFormats, FilesWrittenByImageMagickLoad)
{
    ASSERT_TRUE(QFile::exists("/usr/bin/convert")) << "ImageMagick is needed (scripts/setup installs it)";
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
            // without the gamma chunk ImageMagick adds to PNG files, whose correction is tested below
            ASSERT_EQ(QProcess::execute("/usr/bin/convert",
                                        {ppm, "-quality", "95", "-define", "png:exclude-chunk=gAMA", path}), 0)
                << c.extension;
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
        {"ppm", [](const EPixelGraphic &e) { return dynamic_cast<const EPGPxMFileFormatReader *>(&e); }},
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

TEST(CodecFormats, NetpbmFilesLoadWithTheirPixels)
{
    ASSERT_TRUE(haveNetpbm()) << "netpbm is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    const QString colour = writeReferencePpm(dir);
    const QString grey = dir.filePath("grey.pgm"), bw = dir.filePath("bw.pbm");
    ASSERT_TRUE(netpbm("ppmtopgm", {}, colour, grey));
    ASSERT_TRUE(netpbm("pgmtopbm", {"-threshold"}, grey, bw));
    struct Case {
        QString path;
        TPGPixelFormat format;
        TPaletteIdent ident;
    };
    const Case cases[] = {{colour, pg24Bit, pTrueColor}, {grey, pg8Bit, pGray256}, {bw, pg1Bit, pBlackWhite}};
    for (const Case &c : cases)
        for (const bool plain : {false, true}) {
            QString path = c.path;
            if (plain) {
                path = dir.filePath("plain." + QFileInfo(c.path).suffix());
                ASSERT_TRUE(netpbm("pnmtoplainpnm", {}, c.path, path));
            }
            // netpbm's own BMP of the same picture, read by the BMP reader
            const QString bmp = dir.filePath("same.bmp");
            ASSERT_TRUE(netpbm("ppmtobmp", {}, c.path, bmp));
            TPixelGraphic loaded, expected;
            loaded.LoadFromFile(path);
            expected.LoadFromFile(bmp);
            EXPECT_EQ(loaded.PixelFormat(), c.format) << path.toStdString();
            EXPECT_EQ(loaded.PaletteIdent(), c.ident) << path.toStdString();
            ASSERT_EQ(loaded.Width(), 11);
            ASSERT_EQ(loaded.Height(), 6);
            EXPECT_EQ(meanDifference(loaded, expected), 0.0) << path.toStdString();
        }
    TPixelGraphic loaded;
    loaded.LoadFromFile(colour);
    EXPECT_EQ(meanDifference(loaded, reference()), 0.0);
}

TEST(CodecFormats, NetpbmWritersFallBackToWhatTheirFormatHolds)
{
    ASSERT_TRUE(haveNetpbm()) << "netpbm is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    // true-colour pictures that each format holds exactly once converted
    const auto level = [](int x, int y) { return (x * 23 + y * 41) % 256; };
    struct Case {
        const char *extension;
        const char *magic;
        std::function<TRGB(int, int)> colour;
        std::function<QStringList(int, int)> samples; // what netpbm reads for pixel x, y
    };
    const Case cases[] = {
        {"pbm", "P1", [](int x, int y) { return (x + y) % 3 ? MakeRGB(255, 255, 255) : 0; },
         [](int x, int y) { return QStringList{(x + y) % 3 ? "0" : "1"}; }}, // 1 is black
        {"pgm", "P2", [&](int x, int y) { return MakeRGB(level(x, y), level(x, y), level(x, y)); },
         [&](int x, int y) { return QStringList{QString::number(level(x, y))}; }},
        {"ppm", "P3", [](int x, int y) { return reference().GetPixel(x, y); },
         [](int x, int y) {
             const TRGB c = reference().GetPixel(x, y);
             return QStringList{QString::number(RedOf(c)), QString::number(GreenOf(c)), QString::number(BlueOf(c))};
         }},
    };
    for (const Case &c : cases) {
        TPixelGraphic image;
        fill24(image, 11, 6, c.colour);
        image.SaveColorResWarningAction = pgwaIgnore;
        const QString path = dir.filePath(QStringLiteral("ours.") + c.extension);
        image.SaveToFile(path);
        QStringList expected = {c.magic, "11", "6"};
        if (QString(c.magic) != "P1")
            expected << "255";
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 11; ++x)
                expected << c.samples(x, y);
        EXPECT_EQ(plainNumbers(path, dir).join(' ').toStdString(), expected.join(' ').toStdString()) << c.extension;
    }
}

TEST(CodecFormats, NetpbmEntriesTakeTheirPlacesInTheRegistry)
{
    TFileFormatReaders readers;
    AddCodecFileFormatReaders(readers);
    QStringList readerNames;
    for (const auto &reader : readers)
        readerNames << reader->ClassName();
    EXPECT_EQ(readerNames, QStringList({"TJPGFileFormatReader", "TJPEGFileFormatReader", "TJIFFileFormatReader",
                                        "TPNGFileFormatReader", "TPCXFileFormatReader", "TPBMFileFormatReader",
                                        "TPGMFileFormatReader", "TPPMFileFormatReader", "TTGAFileFormatReader",
                                        "TTIFFileFormatReader", "TTIFFFileFormatReader"}));
    TFileFormatWriters writers;
    AddCodecFileFormatWriters(writers);
    QStringList writerNames;
    for (const auto &writer : writers)
        writerNames << writer->ClassName();
    EXPECT_EQ(writerNames, QStringList({"TJPGFileFormatWriter", "TJPEGFileFormatWriter", "TJIFFileFormatWriter",
                                        "TPNGFileFormatWriter", "TPBMFileFormatWriter", "TPGMFileFormatWriter",
                                        "TPPMFileFormatWriter", "TTGAFileFormatWriter", "TTIFFileFormatWriter",
                                        "TTIFFFileFormatWriter"}));

    struct Entry {
        const char *extension, *description;
        TPGColorResolution resolution;
    };
    const Entry entries[] = {{"pbm", "Portable Bitmap", crBlackWhite},
                             {"pgm", "Portable Graymap", cr256Grays},
                             {"ppm", "Portable Pixelmap", crTrueColor}};
    for (const Entry &e : entries) {
        const auto reader = std::find_if(readers.begin(), readers.end(), [&](const auto &r) { return r->Extension == e.extension; });
        const auto writer = std::find_if(writers.begin(), writers.end(), [&](const auto &w) { return w->Extension == e.extension; });
        ASSERT_NE(reader, readers.end());
        ASSERT_NE(writer, writers.end());
        EXPECT_EQ((*reader)->Description, e.description);
        EXPECT_TRUE((*reader)->DetectsByContent);
        EXPECT_EQ((*writer)->CanWriteResolutions, TPGColorResolutions(1u << e.resolution)) << e.extension;
        EXPECT_TRUE((*writer)->Listed);
        // one content test for the three
        for (const char *head : {"P1\n", "P2 ", "P3#", "P4\n", "P5\t", "P6\r"})
            EXPECT_TRUE((*reader)->CanRead(QByteArray(head) + "1 1 255\n\xff\xff\xff\xff\xff\xff\xff")) << head;
        for (const char *head : {"P7\n", "P0 ", "p6 ", "P6x", "BM "})
            EXPECT_FALSE((*reader)->CanRead(QByteArray(head) + "1 1 255\n\xff\xff\xff\xff\xff\xff\xff")) << head;
    }
}

TEST(CodecFormats, PngGammaChunkCorrectsToTheDisplayGamma)
{
    ASSERT_TRUE(QFile::exists("/usr/bin/convert")) << "ImageMagick is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    const int levels[] = {0, 1, 37, 64, 100, 128, 150, 200, 254, 255};
    QByteArray ppm = "P6\n10 1\n255\n";
    for (const int v : levels)
        ppm.append(3, char(v));
    const QString source = dir.filePath("grey.ppm");
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ppm);
    file.close();
    for (const bool withGamma : {true, false}) {
        const QString png = dir.filePath("grey.png");
        // gAMA 0.45455: samples made for a display gamma of 2.2
        ASSERT_EQ(QProcess::execute("/usr/bin/convert",
                                    {source, "-define", withGamma ? "png:include-chunk=gAMA" : "png:exclude-chunk=gAMA",
                                     "-type", "TrueColor", png}), 0);
        TPixelGraphic loaded;
        loaded.LoadFromFile(png);
        EXPECT_EQ(double(loaded.FileGamma), 1.8);
        for (int x = 0; x < 10; ++x) {
            const long double v = levels[x];
            const int expected = withGamma ? int(std::nearbyintl(std::pow(v / 255, 2.2L / 1.8L) * 255)) : levels[x];
            EXPECT_EQ(loaded.GetPixelColor(x, 0), MakeRGB(expected, expected, expected)) << levels[x] << " " << withGamma;
        }
    }
}

// One read is one piece of work for the handlers: one start, progress that
// only goes forward, one end, whichever codec decodes the file.
TEST(CodecFormats, ReadersReportOneRoundOfProgress)
{
    QTemporaryDir dir;
    TPixelGraphic image;
    fill24(image, 240, 180, [](int x, int y) { return MakeRGB(x, y, (x * y) & 0xFF); });
    for (const FormatCase &c : formats) {
        if (QString(c.extension) == "pcx")
            continue; // read only
        const QString path = dir.filePath(QStringLiteral("progress.") + c.extension);
        image.SaveToFile(path);
        TPixelGraphic loaded;
        QStringList events;
        loaded.OnProgressStart = [&](TPixelGraphic *) { events << QStringLiteral("start"); };
        loaded.OnProgressEnd = [&](TPixelGraphic *) { events << QStringLiteral("end"); };
        loaded.OnProgress = [&](TPixelGraphic *, int current, bool &, int max) {
            events << QStringLiteral("%1/%2").arg(current).arg(max);
        };
        loaded.LoadFromFile(path);
        ASSERT_GE(events.size(), 3) << c.extension;
        EXPECT_EQ(events.count(QStringLiteral("start")), 1) << c.extension << ": " << events.join(' ').toStdString();
        EXPECT_EQ(events.count(QStringLiteral("end")), 1) << c.extension << ": " << events.join(' ').toStdString();
        EXPECT_EQ(events.first(), QStringLiteral("start")) << c.extension;
        EXPECT_EQ(events.last(), QStringLiteral("end")) << c.extension;
        double previous = -1;
        for (const QString &event : events.mid(1, events.size() - 2)) {
            const QStringList parts = event.split('/');
            const double share = parts.value(0).toDouble() / parts.value(1).toDouble();
            EXPECT_GE(share, previous) << c.extension << ": " << events.join(' ').toStdString();
            previous = share;
        }
    }
}
