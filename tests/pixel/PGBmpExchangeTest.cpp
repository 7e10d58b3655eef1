#include "ForeignDib.h"
#include "PixelTestSupport.h"

#include "PGBmpExchange.h"

#include <MessageBox.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QFileInfo>
#include <QTemporaryDir>

#include <deque>
#include <random>

namespace {

// A BMP file in memory: file header, info header, optional extra bytes, pixels.
QByteArray bmpFile(int width, int height, int bits, uint32_t compression, const QByteArray &tables,
                   const QByteArray &pixels, uint32_t clrUsed = 0)
{
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = WORD(bits);
    info.biCompression = compression;
    info.biSizeImage = DWORD(pixels.size());
    info.biClrUsed = clrUsed;
    BITMAPFILEHEADER file{};
    file.bfType = DIB_FILE_TYPE;
    file.bfOffBits = DWORD(sizeof file + sizeof info + size_t(tables.size()));
    file.bfSize = file.bfOffBits + DWORD(pixels.size());
    QByteArray bytes;
    append(bytes, file);
    append(bytes, info);
    return bytes + tables + pixels;
}

QByteArray greyQuads(int count)
{
    QByteArray quads;
    for (int k = 0; k < count; ++k)
        append(quads, RGBQUAD{BYTE(k), BYTE(k), BYTE(k), 0});
    return quads;
}

QByteArray row16(std::initializer_list<uint16_t> values)
{
    QByteArray row;
    for (uint16_t v : values)
        append(row, v);
    while (row.size() % 4)
        row.append('\0');
    return row;
}

// A writer that records what it was given, to see the registry's choices.
class RecordingWriter : public TFileFormatWriter {
public:
    RecordingWriter(QString extension, QString description, TPGColorResolutions resolutions)
        : TFileFormatWriter("TRecordingWriter", std::move(extension), std::move(description), resolutions) {}
    void Write(const TPixelGraphic &graphic, QIODevice &stream) const override
    {
        written.emplace_back();
        written.back().Assign(&graphic);
        stream.write("written");
    }
    mutable std::deque<TPixelGraphic> written;
};

// Registers a writer for one test, ahead of one registered for the same extension.
class ScopedWriter {
public:
    explicit ScopedWriter(std::unique_ptr<TFileFormatWriter> writer) : writer_(writer.get())
    {
        FileFormatWriters().insert(FileFormatWriters().begin(), std::move(writer));
    }
    ~ScopedWriter()
    {
        auto &writers = FileFormatWriters();
        writers.erase(std::find_if(writers.begin(), writers.end(), [this](const auto &w) { return w.get() == writer_; }));
    }
private:
    TFileFormatWriter *writer_;
};

bool imageMagickPresent()
{
    return QFile::exists("/usr/bin/convert");
}

QByteArray ppmOf(const TPixelGraphic &image)
{
    QByteArray ppm = QStringLiteral("P6\n%1 %2\n255\n").arg(image.Width()).arg(image.Height()).toLatin1();
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const TRGB c = image.GetPixelColor(x, y);
            ppm.append(char(RedOf(c))).append(char(GreenOf(c))).append(char(BlueOf(c)));
        }
    return ppm;
}

// Loads the file, expecting success or one of the library's errors.
void loadSurvives(const QByteArray &bytes)
{
    TPixelGraphic image;
    try {
        loadBytes(image, bytes, QStringLiteral("bmp"));
    } catch (const EPixelGraphic &) {
    }
}

} // namespace

TEST(BmpStream, TwentyFourBitImageRoundTrips)
{
    TPixelGraphic image;
    fill24(image, 3, 2, [](int x, int y) { return MakeRGB(10 * x, 20 * y, 7); });
    const QByteArray bytes = streamOf(image);
    ASSERT_EQ(bytes.size(), 78);
    BITMAPFILEHEADER file;
    std::memcpy(&file, bytes.constData(), sizeof file);
    // Copies: the packed fields cannot bind to the references EXPECT_EQ takes.
    EXPECT_EQ(WORD(file.bfType), DIB_FILE_TYPE);
    EXPECT_EQ(DWORD(file.bfSize), 78u); // the true length, so that other programs accept the file
    EXPECT_EQ(DWORD(file.bfOffBits), 54u);
    EXPECT_EQ(image.BMPStreamSize(), 82u);

    TPixelGraphic loaded;
    loadBytes(loaded, bytes);
    EXPECT_EQ(loaded.PaletteIdent(), pTrueColor);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(loaded.GetPixel(x, y), image.GetPixel(x, y));
}

TEST(BmpStream, PaletteImagesRoundTripWithTheirKind)
{
    struct Case {
        TPGPixelFormat format;
        TPaletteIdent kind;
    };
    for (const Case c : {Case{pg1Bit, pBlackWhite}, Case{pg4Bit, pGray16}, Case{pg4Bit, pSys16},
                         Case{pg8Bit, pGray256}, Case{pg8Bit, pSpecial216}}) {
        TPixelGraphic image;
        image.SetFormat(7, 3, c.format);
        image.SetPaletteIdent(c.kind);
        for (int x = 0; x < 7; ++x)
            image.SetPixel(x, x % 3, uint32_t(x % image.PaletteCount()));
        const QByteArray bytes = streamOf(image);
        EXPECT_EQ(bytes.size(), int(image.BMPStreamSize()) - 4);
        TPixelGraphic loaded;
        loadBytes(loaded, bytes);
        EXPECT_EQ(loaded.PixelFormat(), c.format);
        EXPECT_EQ(loaded.PaletteIdent(), c.kind);
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(loaded.GetPixel(x, x % 3), image.GetPixel(x, x % 3));
    }
}

TEST(BmpStream, SixteenBitChannelsAreWidened)
{
    // Bottom row first: the second row of the file is the top row.
    const QByteArray pixels = row16({0x0421, 0}) + row16({0x7FFF, 0x7C00});
    TPixelGraphic image;
    loadBytes(image, bmpFile(2, 2, 16, BI_RGB, {}, pixels));
    EXPECT_EQ(image.PixelFormat(), pg24Bit);
    EXPECT_EQ(image.GetPixel(0, 1), MakeRGB(16, 16, 16));
    EXPECT_EQ(image.GetPixel(1, 1), MakeRGB(0, 0, 0));
    EXPECT_EQ(image.GetPixel(0, 0), MakeRGB(255, 255, 255));
    EXPECT_EQ(image.GetPixel(1, 0), MakeRGB(255, 0, 0));

    // 5-6-5 through bit fields: green has six bits.
    QByteArray masks;
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
        append(masks, m);
    loadBytes(image, bmpFile(2, 1, 16, BI_BITFIELDS, masks, row16({0x0020, 0xFFFF})));
    EXPECT_EQ(image.GetPixel(0, 0), MakeRGB(0, 8, 0));
    EXPECT_EQ(image.GetPixel(1, 0), MakeRGB(255, 255, 255));
}

TEST(BmpStream, ThirtyTwoBitAndTopDownImages)
{
    QByteArray pixels;
    for (uint32_t v : {0x00102030u, 0x00FF0000u})
        append(pixels, v);
    TPixelGraphic image;
    loadBytes(image, bmpFile(1, -2, 32, BI_RGB, {}, pixels));
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.GetPixel(0, 0), MakeRGB(0x10, 0x20, 0x30)); // top-down: first stored row on top
    EXPECT_EQ(image.GetPixel(0, 1), MakeRGB(255, 0, 0));

    const QByteArray rows = QByteArray("\x01\x02\x03\x00", 4) + QByteArray("\x04\x05\x06\x00", 4);
    loadBytes(image, bmpFile(1, -2, 24, BI_RGB, {}, rows));
    EXPECT_EQ(image.GetPixel(0, 0), MakeRGB(3, 2, 1));
    EXPECT_EQ(image.GetPixel(0, 1), MakeRGB(6, 5, 4));
}

TEST(BmpStream, CoreHeaderWithTriples)
{
    BITMAPCOREHEADER core{sizeof(BITMAPCOREHEADER), 2, 1, 1, 1};
    BITMAPFILEHEADER file{DIB_FILE_TYPE, 0, 0, 0, 0};
    QByteArray bytes;
    append(bytes, file);
    append(bytes, core);
    append(bytes, RGBTRIPLE{0, 0, 0});
    append(bytes, RGBTRIPLE{0, 0, 255});
    bytes.append(QByteArray("\x40\0\0\0", 4));
    TPixelGraphic image;
    loadBytes(image, bytes);
    EXPECT_EQ(image.PixelFormat(), pg1Bit);
    EXPECT_EQ(image.GetPixelColor(0, 0), MakeRGB(0, 0, 0));
    EXPECT_EQ(image.GetPixelColor(1, 0), MakeRGB(255, 0, 0));
}

TEST(BmpStream, RunLengthEncodedImages)
{
    // RLE8, 4 x 3: bottom row a run; next row a literal; top row a delta, one pixel, the end.
    const QByteArray rle8("\x04\x07" "\x00\x00" "\x00\x03\x01\x02\x03\x00" "\x00\x00" "\x00\x02\x01\x00"
                          "\x01\x09" "\x00\x01",
                          20);
    TPixelGraphic image;
    loadBytes(image, bmpFile(4, 3, 8, BI_RLE8, greyQuads(256), rle8));
    EXPECT_EQ(image.PaletteIdent(), pGray256);
    const std::vector<std::vector<uint32_t>> expected8 = {{0, 9, 0, 0}, {1, 2, 3, 0}, {7, 7, 7, 7}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(image.GetPixel(x, y), expected8[size_t(y)][size_t(x)]) << x << "," << y;

    // RLE4, 5 x 1: a run of alternating nibbles, then a literal of three nibbles; extra pixels are dropped.
    const QByteArray rle4("\x03\x12" "\x00\x03\x45\x60" "\x00\x01", 8);
    loadBytes(image, bmpFile(5, 1, 4, BI_RLE4, greyQuads(16), rle4));
    std::vector<uint32_t> row;
    for (int x = 0; x < 5; ++x)
        row.push_back(image.GetPixel(x, 0));
    EXPECT_EQ(row, (std::vector<uint32_t>{1, 2, 1, 4, 5}));
}

TEST(BmpStream, RefusalsNameTheField)
{
    ScopedLanguage french(pglFrench);
    QByteArray v4 = bmpFile(1, 1, 24, BI_RGB, {}, QByteArray(4, '\0'));
    const DWORD size108 = 108;
    std::memcpy(v4.data() + 14, &size108, 4);
    TPixelGraphic image;
    EXPECT_EQ(messageOf<EPGBMPFileFormatReader>([&] { loadBytes(image, v4); }),
              "BMP: Taille incorrecte de BitmapInfoHeader/BitmapCoreHeader");
    EXPECT_EQ(messageOf<EPGBMPFileFormatReader>(
                  [&] { loadBytes(image, bmpFile(2, -2, 8, BI_RLE8, greyQuads(256), QByteArray(4, '\0'))); }),
              "BMP: BitmapInfoHeader.biCompression invalide");
    EXPECT_EQ(messageOf<EPGBMPFileFormatReader>([&] { loadBytes(image, bmpFile(2, 2, 24, BI_RLE8, {}, {})); }),
              "BMP: BitmapInfoHeader.biCompression invalide");
    EXPECT_EQ(messageOf<EPGBMPFileFormatReader>([&] { loadBytes(image, bmpFile(2, 2, 12, BI_RGB, {}, {})); }),
              "BMP: BitmapInfoHeader.biBitCount invalide");
    EXPECT_EQ(messageOf<EPGBMPFileFormatReader>([&] {
                  QByteArray bytes = streamOf(image);
                  QBuffer buffer(&bytes);
                  buffer.open(QIODevice::ReadOnly);
                  image.LoadFromStreamAs(buffer, {}, 1);
              }),
              "BMP: Index invalide");
    EXPECT_EQ(messageOf<EPGBMPFileFormatReader>([&] { loadBytes(image, bmpFile(2, 2, 24, BI_RGB, {}, QByteArray(8, 'x'))); }),
              "BMP: Fin de fichier inattendue.");
    EXPECT_EQ(messageOf<EPGUnknownFileFormat>([&] { loadBytes(image, QByteArray(40, 'x'), QStringLiteral("bmp")); }),
              "Format de fichier inconnu");
    EXPECT_EQ(messageOf<EPGUnknownFileFormat>([&] { loadBytes(image, QByteArray("BM", 2)); }),
              "Format de fichier inconnu");
    // A failed load leaves at least an empty true-colour image.
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.PixelFormat(), pg24Bit);
}

TEST(BmpStream, ContentDecidesBeforeTheExtension)
{
    TPixelGraphic image;
    fill24(image, 2, 2, [](int, int) { return MakeRGB(1, 2, 3); });
    TPixelGraphic loaded;
    loadBytes(loaded, streamOf(image), QStringLiteral("png"));
    EXPECT_EQ(loaded.GetPixel(1, 1), MakeRGB(1, 2, 3));
}

TEST(BmpStream, PixelDataIsReadInTenReportedChunks)
{
    TPixelGraphic image;
    fill24(image, 20, 20, [](int x, int y) { return MakeRGB(x, y, 0); });
    const QByteArray bytes = streamOf(image);
    TPixelGraphic loaded;
    std::vector<int> chunks;
    int starts = 0, ends = 0, changes = 0;
    loaded.OnProgressStart = [&](TPixelGraphic *) { ++starts; };
    loaded.OnProgressEnd = [&](TPixelGraphic *) { ++ends; };
    loaded.OnChange = [&](TPixelGraphic *) { ++changes; };
    loaded.OnProgress = [&](TPixelGraphic *, int current, bool &, int max) {
        EXPECT_EQ(max, 10);
        chunks.push_back(current);
    };
    loadBytes(loaded, bytes);
    EXPECT_EQ(chunks, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(changes, 1);

    chunks.clear();
    loaded.OnProgress = [&](TPixelGraphic *, int current, bool &abort, int) {
        chunks.push_back(current);
        abort = true;
    };
    loadBytes(loaded, bytes);
    EXPECT_EQ(chunks, (std::vector<int>{1}));
    EXPECT_EQ(loaded.GetPixel(19, 0), 0u); // the top row comes last in the file
}

TEST(BmpStream, TruncatedAndCorruptedFilesFailCleanly)
{
    std::vector<QByteArray> samples;
    TPixelGraphic image;
    fill24(image, 9, 5, [](int x, int y) { return MakeRGB(x * 20, y * 40, 99); });
    samples.push_back(streamOf(image));
    image.SetFormat(9, 5, pg4Bit);
    image.SetPaletteIdent(pSys16);
    samples.push_back(streamOf(image));
    samples.push_back(bmpFile(4, 3, 8, BI_RLE8, greyQuads(256), QByteArray("\x04\x07\x00\x00\x00\x03\x01\x02\x03\x00\x00\x02\x01\x01\x00\x01", 16)));
    samples.push_back(bmpFile(2, 2, 16, BI_RGB, {}, row16({0x0421, 0}) + row16({0x7FFF, 1})));
    samples.push_back(bmpFile(3, 1, 4, BI_RLE4, greyQuads(16), QByteArray("\x00\x05\x12\x34\x50\x00\x00\x01", 8)));

    for (const QByteArray &sample : samples) {
        for (int length = 0; length < sample.size(); ++length) {
            TPixelGraphic target;
            EXPECT_THROW(loadBytes(target, sample.left(length), QStringLiteral("bmp")), EPixelGraphic) << length;
        }
        std::mt19937 random(11);
        for (int n = 0; n < 400; ++n) {
            QByteArray corrupted = sample;
            for (int flips = 0; flips < 3; ++flips)
                corrupted[int(random() % uint32_t(std::min<qsizetype>(corrupted.size(), 70)))] = char(random());
            loadSurvives(corrupted);
        }
    }
    // Oversized claims are refused before memory is taken for them.
    EXPECT_THROW(loadBytes(image, bmpFile(60000, 60000, 24, BI_RGB, {}, QByteArray(16, '\0'))), EPixelGraphic);
    EXPECT_THROW(loadBytes(image, bmpFile(2, 2, 8, BI_RGB, {}, {}, 0xFFFFFFFFu)), EPGBMPFileFormatReader);
    EXPECT_THROW(loadBytes(image, bmpFile(60000, 60000, 8, BI_RLE8, greyQuads(256), QByteArray("\x00\x01", 2))),
                 EPGBMPFileFormatReader);
    EXPECT_THROW(loadBytes(image, bmpFile(2, 2, 24, BI_RGB, {}, {}, 0x7FFFFFFFu)), EPGBMPFileFormatReader);
}

TEST(BmpStream, FilesWrittenByImageMagickLoadWithTheirPixels)
{
    ASSERT_TRUE(imageMagickPresent()) << "ImageMagick is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    TPixelGraphic reference;
    fill24(reference, 13, 7, [](int x, int y) {
        static const TRGB colours[4] = {MakeRGB(255, 0, 0), MakeRGB(0, 128, 255), MakeRGB(20, 200, 20), MakeRGB(250, 250, 250)};
        return colours[(x / 3 + y) % 4];
    });
    const QString ppm = dir.filePath("source.ppm");
    {
        QFile file(ppm);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ppmOf(reference));
    }
    struct Case {
        const char *name;
        QStringList options;
        TPGPixelFormat format;
    };
    const std::vector<Case> cases = {
        {"24-bit", {}, pg24Bit},
        {"palette", {"-type", "Palette"}, pg4Bit},
        {"rle8", {"-type", "Palette", "-compress", "RLE"}, pg8Bit},
    };
    for (const Case &c : cases) {
        const QString bmp = dir.filePath(QString::fromLatin1(c.name) + ".bmp");
        QStringList arguments = {ppm};
        arguments += c.options;
        arguments += "BMP3:" + bmp;
        ASSERT_EQ(QProcess::execute("/usr/bin/convert", arguments), 0) << c.name;
        TPixelGraphic loaded;
        loaded.LoadFromFile(bmp);
        EXPECT_EQ(loaded.PixelFormat(), c.format) << c.name;
        ASSERT_EQ(loaded.Width(), 13);
        ASSERT_EQ(loaded.Height(), 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x)
                EXPECT_EQ(loaded.GetPixelColor(x, y), reference.GetPixel(x, y)) << c.name << " " << x << "," << y;
    }
    // Its default output carries a 124-byte header, which is not one of ours.
    const QString v5 = dir.filePath("v5.bmp");
    ASSERT_EQ(QProcess::execute("/usr/bin/convert", {ppm, v5}), 0);
    TPixelGraphic loaded;
    EXPECT_THROW(loaded.LoadFromFile(v5), EPGBMPFileFormatReader);
}

TEST(BmpStream, ImageMagickReadsWhatWeWrite)
{
    ASSERT_TRUE(imageMagickPresent()) << "ImageMagick is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    TPixelGraphic image;
    image.SetFormat(5, 4, pg8Bit);
    image.SetPaletteIdent(pGray256);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            image.SetPixel(x, y, uint32_t(40 * x + y));
    const QString bmp = dir.filePath("ours.bmp");
    image.SaveToFile(bmp);
    QProcess convert;
    convert.start("/usr/bin/convert", {bmp, "-depth", "8", "gray:-"});
    ASSERT_TRUE(convert.waitForFinished());
    const QByteArray grey = convert.readAllStandardOutput();
    ASSERT_EQ(grey.size(), 20);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(uint8_t(grey[y * 5 + x]), 40 * x + y);
}

TEST(ImageExchange, SavingFallsBackToAWritableResolution)
{
    ScopedLanguage french(pglFrench);
    auto owned = std::make_unique<RecordingWriter>("pgm", "Portable Graymap", TPGColorResolutions(1u << cr256Grays));
    RecordingWriter &writer = *owned;
    ScopedWriter registered(std::move(owned));
    TPixelGraphic image;
    fill24(image, 4, 2, [](int x, int) { return MakeRGB(60 * x, 60 * x, 60 * x); });

    platform::MessageRecorder recorder;
    platform::ScopedMessageService service(&recorder);
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);

    image.SaveColorResWarningAction = pgwaIgnore;
    image.SaveToStreamAs(stream, ".PGM");
    ASSERT_EQ(writer.written.size(), 1u);
    EXPECT_EQ(writer.written.back().PixelFormat(), pg8Bit);
    EXPECT_EQ(writer.written.back().PaletteIdent(), pGray256);
    EXPECT_EQ(writer.written.back().GetPixel(3, 1), 180u);
    EXPECT_TRUE(recorder.requests().empty());

    image.SaveColorResWarningAction = pgwaOKCancelBox;
    image.SaveToStreamAs(stream, "pgm");
    ASSERT_EQ(recorder.requests().size(), 1u);
    const platform::MessageRequest &box = recorder.requests().front();
    EXPECT_EQ(box.buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(box.text, Text3(17, "Portable Graymap", "16.7 millions de couleurs", "256 niveaux de gris"));
    EXPECT_EQ(writer.written.size(), 2u);

    recorder.queueAnswer(platform::MessageAnswer::Cancel);
    EXPECT_EQ(messageOf<EPGCannotWriteColorRes>([&] { image.SaveToStreamAs(stream, "pgm"); }),
              Text2(18, "Portable Graymap", "16.7 millions de couleurs"));
    EXPECT_EQ(writer.written.size(), 2u);

    recorder.clear();
    image.SaveColorResWarningAction = pgwaOKBox; // informs, then saves whatever the answer
    recorder.queueAnswer(platform::MessageAnswer::Cancel);
    image.SaveToStreamAs(stream, "pgm");
    ASSERT_EQ(recorder.requests().size(), 1u);
    EXPECT_EQ(recorder.requests().front().buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(writer.written.size(), 3u);

    recorder.clear();
    image.SaveColorResWarningAction = pgwaRaise;
    EXPECT_THROW(image.SaveToStreamAs(stream, "pgm"), EPGCannotWriteColorRes);
    EXPECT_TRUE(recorder.requests().empty());
}

TEST(ImageExchange, OptimisedPalettesServeTwoAndSixteenColours)
{
    auto owned = std::make_unique<RecordingWriter>("two", "Two", TPGColorResolutions(1u << cr2Colors));
    RecordingWriter &writer = *owned;
    ScopedWriter registered(std::move(owned));
    TPixelGraphic image;
    fill24(image, 4, 4, [](int x, int) { return x < 2 ? MakeRGB(200, 10, 10) : MakeRGB(10, 10, 200); });
    image.SaveColorResWarningAction = pgwaIgnore;
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    image.SaveToStreamAs(stream, "two");
    const TPixelGraphic &written = writer.written.back();
    EXPECT_EQ(written.PixelFormat(), pg1Bit);
    EXPECT_EQ(written.GetPixelColor(0, 0), MakeRGB(200, 10, 10));
    EXPECT_EQ(written.GetPixelColor(3, 3), MakeRGB(10, 10, 200));
}

TEST(ImageExchange, RegistryRefusals)
{
    ScopedLanguage french(pglFrench);
    TPixelGraphic image;
    fill24(image, 1, 1, [](int, int) { return 0; });
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    EXPECT_EQ(messageOf<EPGUnknownExtension>([&] { image.SaveToStreamAs(stream, "xyz"); }),
              "Extension de fichier inconnue \"xyz\".");
    {
        ScopedWriter none(std::make_unique<RecordingWriter>("none", "None", TPGColorResolutions()));
        EXPECT_EQ(messageOf<EPGCanWriteResolutionsEmpty>([&] { image.SaveToStreamAs(stream, "none"); }),
                  "TRecordingWriter.CanWriteResolutions est vide");
    }
    TFileFormatWriters saved = std::move(FileFormatWriters());
    FileFormatWriters().clear();
    EXPECT_EQ(messageOf<EPGFileFormatWritersEmpty>([&] { image.SaveToStreamAs(stream, "bmp"); }),
              "FileFormatWriters est vide");
    FileFormatWriters() = std::move(saved);
}

TEST(ImageExchange, FailedSavesKeepExistingFilesAndLeaveNoNewOnes)
{
    ScopedWriter gray(std::make_unique<RecordingWriter>("pgm", "Portable Graymap", TPGColorResolutions(1u << cr256Grays)));
    QTemporaryDir dir;
    TPixelGraphic image;
    fill24(image, 2, 2, [](int, int) { return MakeRGB(1, 2, 3); });
    image.SaveColorResWarningAction = pgwaRaise;
    const QString fresh = dir.filePath("fresh.pgm");
    EXPECT_THROW(image.SaveToFile(fresh), EPGCannotWriteColorRes);
    EXPECT_FALSE(QFile::exists(fresh));

    const QString existing = dir.filePath("existing.pgm");
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    EXPECT_THROW(image.SaveToFile(existing), EPGCannotWriteColorRes);
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "keep me");

    const QString bmp = dir.filePath("picture.BMP");
    image.SaveToFile(bmp);
    TPixelGraphic loaded;
    loaded.LoadFromFile(bmp);
    EXPECT_EQ(loaded.GetPixel(1, 1), MakeRGB(1, 2, 3));

    // A folder where the picture should go is not replaced, and the message says which and why.
    const QString folder = dir.filePath("folder.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.bmp"));
    try {
        image.SaveToFile(folder);
        ADD_FAILURE() << "a folder was written over";
    } catch (const EPixelGraphic &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(folder)) << error.what();
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(ImageExchange, FormStreamingKeepsTheStreamPosition)
{
    TPixelGraphic image;
    image.SetFormat(3, 3, pg4Bit);
    image.SetPaletteIdent(pSys16);
    image.SetPixel(1, 1, 9);
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    image.WriteData(stream);
    stream.write("tail");
    stream.seek(0);
    uint32_t length = 0;
    stream.read(reinterpret_cast<char *>(&length), 4);
    EXPECT_EQ(length, image.BMPStreamSize() - 4);
    stream.seek(0);
    TPixelGraphic loaded;
    loaded.ReadData(stream);
    EXPECT_EQ(loaded.GetPixel(1, 1), 9u);
    EXPECT_EQ(loaded.PaletteIdent(), pSys16);
    EXPECT_EQ(stream.read(4), "tail");
}

TEST(ImageExchange, ClipboardUsesPackedDibs)
{
    ScopedLanguage french(pglFrench);
    TPixelGraphic image;
    image.SetFormat(3, 2, pg8Bit);
    image.SetPaletteIdent(pGray256);
    image.SetPixel(2, 1, 123);
    uint16_t format = 0;
    GlobalBlock block;
    image.SaveToClipboardFormat(format, block);
    EXPECT_EQ(format, CF_DIB);
    EXPECT_EQ(GlobalSize(block.get()), image.BMPStreamSize());
    {
        GlobalLockGuard lock(block.get());
        EXPECT_EQ(DWORD(lock.as<BITMAPINFOHEADER>()->biSize), 40u);
        EXPECT_EQ(DWORD(lock.as<BITMAPINFOHEADER>()->biClrUsed), 256u);
    }
    TPixelGraphic pasted;
    pasted.LoadFromClipboardFormat(CF_DIB, block.get());
    EXPECT_EQ(pasted.GetPixel(2, 1), 123u);
    EXPECT_EQ(pasted.PaletteIdent(), pGray256);
    EXPECT_EQ(GlobalFlags(block.get()), 0u); // unlocked again
    EXPECT_EQ(messageOf<EPGUnknownClipboardFormat>([&] { pasted.LoadFromClipboardFormat(3, block.get()); }),
              "Format de Presse-papiers inconnu");
    EXPECT_THROW(pasted.LoadFromClipboardFormat(CF_DIB, nullptr), EPGUnknownClipboardFormat);
    // Bitmap blocks are read as packed DIBs as well.
    TPixelGraphic bitmap;
    bitmap.LoadFromClipboardFormat(CF_BITMAP, block.get());
    EXPECT_EQ(bitmap.GetPixel(2, 1), 123u);
}

TEST(ImageExchange, ProgramBitmapRoundTrips)
{
    QImage colour(3, 2, QImage::Format_RGB32);
    colour.fill(qRgb(10, 20, 30));
    colour.setPixel(2, 1, qRgb(200, 100, 50));
    TPixelGraphic image;
    image.LoadFromBitmap(colour);
    EXPECT_EQ(image.PixelFormat(), pg24Bit);
    EXPECT_EQ(image.GetPixel(2, 1), MakeRGB(200, 100, 50));

    QImage grey(4, 2, QImage::Format_Grayscale8);
    grey.fill(0);
    grey.setPixel(3, 0, qRgb(77, 77, 77));
    image.LoadFromBitmap(grey);
    EXPECT_EQ(image.PixelFormat(), pg8Bit);
    EXPECT_EQ(image.PaletteIdent(), pGray256);
    EXPECT_EQ(image.GetPixel(3, 0), 77u);

    QImage back;
    image.SaveToBitmap(back);
    ASSERT_EQ(back.size(), QSize(4, 2));
    EXPECT_EQ(back.pixel(3, 0), qRgb(77, 77, 77));
    EXPECT_EQ(back.pixel(0, 1), qRgb(0, 0, 0));
}

TEST(ImageExchange, ReadersMayCorrectTheFileGamma)
{
    // A reader whose files record gamma 3.6 (twice the display's).
    class GammaReader : public TFileFormatReader {
    public:
        GammaReader() : TFileFormatReader("TGammaReader", "gam", "Gamma", true) {}
        bool CanRead(const QByteArray &header) const override { return header.startsWith("GAMMA"); }
        void Read(TPixelGraphic &graphic, QIODevice &, int) const override
        {
            graphic.SetFormat(1, 1, pg24Bit);
            graphic.SetPixel(0, 0, MakeRGB(128, 255, 0));
            graphic.FileGamma = 3.6L;
        }
    };
    auto owned = std::make_unique<GammaReader>();
    const TFileFormatReader *reader = owned.get();
    FileFormatReaders().push_back(std::move(owned));
    TPixelGraphic image;
    loadBytes(image, QByteArray("GAMMA").leftJustified(20, ' '));
    auto &readers = FileFormatReaders();
    readers.erase(std::find_if(readers.begin(), readers.end(), [&](const auto &r) { return r.get() == reader; }));
    EXPECT_EQ(image.GetPixel(0, 0), MakeRGB(64, 255, 0)); // (128/255)^2 * 255 = 64.25
    EXPECT_EQ(image.FileGamma, 1.8L);
}

// Clipboard DIBs come from other programs: longer headers (masks inside a
// 108 or 124-byte header), bit fields, top-down rows, true colour with a
// colour table.  Each pastes with its colours; a damaged one is refused.
TEST(ImageExchange, ForeignClipboardDibsPasteWithTheirColours)
{
    std::vector<foreign::LayoutCase> cases = foreign::layouts();
    for (foreign::LayoutCase &c : cases) {
        SCOPED_TRACE(c.name);
        for (const DWORD headerSize : {40u, 108u, 124u}) {
            std::vector<std::uint8_t> dib = foreign::packedDib(6, 4, c.layout);
            if (headerSize != 40) {
                // a longer header holds the masks itself; the table and rows follow it
                std::vector<std::uint8_t> longer(dib.begin(), dib.begin() + 40);
                longer.resize(headerSize);
                for (int i = 0; i < 4; ++i)
                    longer[size_t(i)] = std::uint8_t(headerSize >> (8 * i));
                const bool masks = c.layout.masks[0] != 0;
                if (masks)
                    std::memcpy(longer.data() + 40, dib.data() + 40, 12);
                longer.insert(longer.end(), dib.begin() + 40 + (masks ? 12 : 0), dib.end());
                dib = longer;
            }
            const GlobalBlock block = foreign::block(dib);
            TPixelGraphic pasted;
            pasted.LoadFromClipboardFormat(CF_DIB, block.get());
            ASSERT_EQ(pasted.Width(), 6) << headerSize;
            ASSERT_EQ(pasted.Height(), 4) << headerSize;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 6; ++x) {
                    const foreign::Colour e = foreign::expected(c.layout, x, y);
                    ASSERT_EQ(pasted.GetPixelColor(x, y), MakeRGB(e.red, e.green, e.blue))
                        << headerSize << " at " << x << "," << y;
                }
        }
    }
    for (const foreign::Damage &damage : foreign::damages()) {
        const GlobalBlock block = foreign::block(foreign::damaged(damage));
        TPixelGraphic pasted;
        EXPECT_THROW(pasted.LoadFromClipboardFormat(CF_DIB, block.get()), EPGBMPFileFormatReader) << damage.name;
    }
}
