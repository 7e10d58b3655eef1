// The registry's entries for the formats the shared codecs read and write.
// A pixel image crosses to a codec as a packed DIB and comes back the same way.
#include "PGCodecFormats.h"
#include "ScopeExit.h"

#include <Codec.h>

#include <QBuffer>

#include <functional>
#include <utility>

namespace {

using ContentTest = bool (*)(const QByteArray &);
using Raise = std::function<void(const QString &)>;

template <typename E> Raise raiser(const char *prefix)
{
    return [prefix](const QString &message) { throw E(QString::fromLatin1(prefix) + message); };
}

// A codec failure in the library's words.
QString messageOf(const codecs::Error &error, const char *formatName)
{
    switch (error.code()) {
    case codecs::ErrorCode::Cancelled: return Text(29);
    case codecs::ErrorCode::NotThisFormat: return Text1(34, QString::fromLatin1(formatName));
    case codecs::ErrorCode::Corrupt: return Text(msgUnexpectedEndOfFile);
    case codecs::ErrorCode::Unsupported:
    case codecs::ErrorCode::BadDepth: return Text(30);
    case codecs::ErrorCode::TooLarge: return Text(35);
    case codecs::ErrorCode::NoSuchPage: return Text1(msgInvalid, QStringLiteral("Index"));
    default: return Text1(msgFailed, QString::fromUtf8(error.what()));
    }
}

bool isJpeg(const QByteArray &h) { return h.size() >= 3 && uint8_t(h[0]) == 0xFF && uint8_t(h[1]) == 0xD8 && uint8_t(h[2]) == 0xFF; }
bool isPng(const QByteArray &h) { return h.startsWith("\x89PNG\r\n\x1a\n"); }
bool isTiff(const QByteArray &h) { return h.startsWith(QByteArray("II*\0", 4)) || h.startsWith(QByteArray("MM\0*", 4)); }
bool isPnm(const QByteArray &h)
{
    return codecs::codec(codecs::Format::Pnm).canRead({reinterpret_cast<const uint8_t *>(h.constData()), size_t(h.size())});
}
bool isPcx(const QByteArray &h)
{
    return h.size() >= 4 && h[0] == 10 && uint8_t(h[1]) <= 5 && uint8_t(h[2]) <= 1
        && (h[3] == 1 || h[3] == 2 || h[3] == 4 || h[3] == 8);
}

// The decoded picture enters the image through the DIB reader.  Decoding
// was this read's work and has reported its progress; the copy from memory
// is part of it, so the DIB reader's own start, steps and end are held back.
void readDecodedDib(TPixelGraphic &graphic, const codecs::Image &image)
{
    TNotifyEvent start = std::exchange(graphic.OnProgressStart, nullptr);
    TNotifyEvent end = std::exchange(graphic.OnProgressEnd, nullptr);
    TPGProgressEvent step = std::exchange(graphic.OnProgress, nullptr);
    const platform::ScopeExit restore([&] {
        graphic.OnProgressStart = std::move(start);
        graphic.OnProgressEnd = std::move(end);
        graphic.OnProgress = std::move(step);
    });
    QByteArray packed = QByteArray::fromRawData(reinterpret_cast<const char *>(image.packed().data()),
                                                qsizetype(image.packed().size()));
    QBuffer dib(&packed);
    dib.open(QIODevice::ReadOnly);
    graphic.ReadDIB(dib, false);
}

struct Family {
    codecs::Format format;
    const char *name;     // as in messages: "JPEG: ..."
    QString description;
    ContentTest test;     // nullptr: chosen by extension only
    Raise readError;
    Raise writeError;
};

class TCodecFileFormatReader : public TFileFormatReader {
public:
    TCodecFileFormatReader(const char *className, const char *extension, const Family &family)
        : TFileFormatReader(className, QString::fromLatin1(extension), family.description, family.test != nullptr),
          family_(family) {}

    bool CanRead(const QByteArray &Header) const override { return family_.test && family_.test(Header); }

    void Read(TPixelGraphic &Graphic, QIODevice &Stream, int ImageIndex) const override
    {
        if (ImageIndex != 0 && family_.format != codecs::Format::Tiff)
            family_.readError(Text1(msgInvalid, QStringLiteral("Index")));
        const QByteArray file = Stream.readAll();
        codecs::ReadOptions options;
        options.page = ImageIndex;
        int lastTenth = 0;
        options.progress = [&](int percent) {
            if (percent / 10 == lastTenth)
                return true;
            lastTenth = percent / 10;
            return !Graphic.Progress(lastTenth, 10);
        };
        Graphic.ProgressStart();
        const platform::ScopeExit end([&Graphic] { Graphic.ProgressEnd(); });
        codecs::Image image;
        try {
            image = codecs::codec(family_.format)
                        .read({reinterpret_cast<const uint8_t *>(file.constData()), size_t(file.size())}, options);
        } catch (const codecs::Error &error) {
            family_.readError(messageOf(error, family_.name));
        }
        readDecodedDib(Graphic, image);
        if (lastTenth < 10)
            Graphic.Progress(10, 10);
        if (image.gamma())
            Graphic.FileGamma = *image.gamma();
    }

private:
    const Family &family_;
};

class TCodecFileFormatWriter : public TFileFormatWriter {
public:
    TCodecFileFormatWriter(const char *className, const char *extension, const Family &family,
                           TPGColorResolutions resolutions, bool listed)
        : TFileFormatWriter(className, QString::fromLatin1(extension), family.description, resolutions, listed),
          family_(family) {}

    void Write(const TPixelGraphic &Graphic, QIODevice &Stream) const override
    {
        QBuffer dib;
        dib.open(QIODevice::WriteOnly);
        Graphic.WriteDIB(dib);
        std::vector<uint8_t> bytes;
        try {
            const codecs::Image image = codecs::Image::fromPackedDib(dib.data().constData(), size_t(dib.data().size()));
            bytes = codecs::codec(family_.format).write(image, {}, {});
        } catch (const codecs::Error &error) {
            family_.writeError(messageOf(error, family_.name));
        }
        if (Stream.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()))
            throw EPixelGraphic(Text1(msgFailed, QStringLiteral("Write")));
    }

private:
    const Family &family_;
};

const Family &jpeg()
{
    static const Family family{codecs::Format::Jpeg, "JPEG", QStringLiteral("JPEG (JFIF compliant)"), isJpeg,
                               raiser<EPGJPGFileFormatReaderWriter>("JPEG: "),
                               raiser<EPGJPGFileFormatReaderWriter>("JPEG: ")};
    return family;
}

const Family &png()
{
    static const Family family{codecs::Format::Png, "PNG", QStringLiteral("Portable Network Graphics"), isPng,
                               raiser<EPGPNGFileFormatReaderWriter>("PNG: "),
                               raiser<EPGPNGFileFormatReaderWriter>("PNG: ")};
    return family;
}

const Family &pcx()
{
    static const Family family{codecs::Format::Pcx, "PCX", QStringLiteral("Paintbrush"), isPcx,
                               raiser<EPGPCXFileFormatReader>("PCX: "), raiser<EPGPCXFileFormatReader>("PCX: ")};
    return family;
}

// PBM, PGM and PPM share one codec, its content test and its messages; a
// file of any of the three reads through whichever reader is found first.
Family pnm(const char *description)
{
    return {codecs::Format::Pnm, "PNM", QString::fromLatin1(description), isPnm,
            raiser<EPGPxMFileFormatReader>("PNM: "), raiser<EPGPxMFileFormatWriter>("PNM: ")};
}

const Family &pbm()
{
    static const Family family = pnm("Portable Bitmap");
    return family;
}

const Family &pgm()
{
    static const Family family = pnm("Portable Graymap");
    return family;
}

const Family &ppm()
{
    static const Family family = pnm("Portable Pixelmap");
    return family;
}

const Family &tga()
{
    static const Family family{codecs::Format::Tga, "TGA", QStringLiteral("Truevision Targa"), nullptr,
                               raiser<EPGTGAFileFormatReader>("TGA: "), raiser<EPGTGAFileFormatReader>("TGA: ")};
    return family;
}

const Family &tiff()
{
    static const Family family{codecs::Format::Tiff, "TIFF", QStringLiteral("Tagged Image File Format"), isTiff,
                               raiser<EPGTIFFileFormatReader>("TIFF: "), raiser<EPGTIFFileFormatWriter>("TIFF: ")};
    return family;
}

TPGColorResolutions resolutions(std::initializer_list<TPGColorResolution> list)
{
    TPGColorResolutions set;
    for (TPGColorResolution r : list)
        set.set(r);
    return set;
}

} // namespace

void AddCodecFileFormatReaders(TFileFormatReaders &Readers)
{
    const auto add = [&Readers](const char *className, const char *extension, const Family &family) {
        Readers.push_back(std::make_unique<TCodecFileFormatReader>(className, extension, family));
    };
    add("TJPGFileFormatReader", "jpg", jpeg());
    add("TJPEGFileFormatReader", "jpeg", jpeg());
    add("TJIFFileFormatReader", "jif", jpeg());
    add("TPNGFileFormatReader", "png", png());
    add("TPCXFileFormatReader", "pcx", pcx());
    add("TPBMFileFormatReader", "pbm", pbm());
    add("TPGMFileFormatReader", "pgm", pgm());
    add("TPPMFileFormatReader", "ppm", ppm());
    add("TTGAFileFormatReader", "tga", tga());
    add("TTIFFileFormatReader", "tif", tiff());
    add("TTIFFFileFormatReader", "tiff", tiff());
}

void AddCodecFileFormatWriters(TFileFormatWriters &Writers)
{
    const auto add = [&Writers](const char *className, const char *extension, const Family &family,
                                TPGColorResolutions set, bool listed) {
        Writers.push_back(std::make_unique<TCodecFileFormatWriter>(className, extension, family, set, listed));
    };
    const TPGColorResolutions jpegSet = resolutions({cr256Grays, crTrueColor});
    const TPGColorResolutions tiffSet = TPGColorResolutions(0xFF).reset(cr2Colors);
    add("TJPGFileFormatWriter", "jpg", jpeg(), jpegSet, true);
    add("TJPEGFileFormatWriter", "jpeg", jpeg(), jpegSet, false);
    add("TJIFFileFormatWriter", "jif", jpeg(), jpegSet, false);
    add("TPNGFileFormatWriter", "png", png(), TPGColorResolutions(0xFF), true);
    // what each of the three holds: black and white, 256 greys, true colour
    add("TPBMFileFormatWriter", "pbm", pbm(), resolutions({crBlackWhite}), true);
    add("TPGMFileFormatWriter", "pgm", pgm(), resolutions({cr256Grays}), true);
    add("TPPMFileFormatWriter", "ppm", ppm(), resolutions({crTrueColor}), true);
    add("TTGAFileFormatWriter", "tga", tga(), resolutions({cr256Colors, crTrueColor}), true);
    add("TTIFFileFormatWriter", "tif", tiff(), tiffSet, true);
    add("TTIFFFileFormatWriter", "tiff", tiff(), tiffSet, false);
}
