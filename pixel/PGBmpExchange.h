#pragma once
// BMP streams and image exchange: the BMP/DIB reader and writer, the registry
// of file format readers and writers that streams and files go through, and
// the colour-resolution fallback used when a writer cannot keep the image's
// colour resolution.
#include "PGPixelGraphic.h"

#include <QString>
#include <bitset>
#include <memory>
#include <vector>

// Colour resolutions, in the order of their names in the language table (messages 8..15).
enum TPGColorResolution : uint8_t {
    crBlackWhite,
    cr2Colors,
    cr16Grays,
    cr16SysColors,
    cr16Colors,
    cr256Grays,
    cr256Colors,
    crTrueColor,
};
using TPGColorResolutions = std::bitset<8>;

TPGColorResolution ColorResolutionOf(const TPixelGraphic &Graphic);
QString ColorResolutionName(TPGColorResolution Resolution);

// Library-wide settings.
extern long double PGDisplayGamma;     // 1.8
extern bool PGGammaCorrection;         // correct file gamma on loading
extern bool PGWiden16BitChannels;      // spread 5- and 6-bit channels over 0..255

class TFileFormatReaderWriter {
public:
    TFileFormatReaderWriter(const char *ClassName, QString Extension, QString Description, bool Listed = true)
        : Listed(Listed), Extension(std::move(Extension)), Description(std::move(Description)), className_(ClassName) {}
    virtual ~TFileFormatReaderWriter() = default;
    TFileFormatReaderWriter(const TFileFormatReaderWriter &) = delete;
    TFileFormatReaderWriter &operator=(const TFileFormatReaderWriter &) = delete;

    QString ClassName() const { return QString::fromLatin1(className_); }

    bool Listed;
    QString Extension; // lower case, no dot
    QString Description;

private:
    const char *className_;
};

class TFileFormatReader : public TFileFormatReaderWriter {
public:
    TFileFormatReader(const char *ClassName, QString Extension, QString Description, bool DetectsByContent)
        : TFileFormatReaderWriter(ClassName, std::move(Extension), std::move(Description)),
          DetectsByContent(DetectsByContent) {}

    // The first 17 bytes of a stream; only asked when DetectsByContent is set.
    virtual bool CanRead(const QByteArray &Header) const = 0;
    virtual void Read(TPixelGraphic &Graphic, QIODevice &Stream, int ImageIndex) const = 0;

    bool DetectsByContent;
};

class TFileFormatWriter : public TFileFormatReaderWriter {
public:
    TFileFormatWriter(const char *ClassName, QString Extension, QString Description,
                      TPGColorResolutions CanWriteResolutions, bool Listed = true)
        : TFileFormatReaderWriter(ClassName, std::move(Extension), std::move(Description), Listed),
          CanWriteResolutions(CanWriteResolutions) {}

    virtual void Write(const TPixelGraphic &Graphic, QIODevice &Stream) const = 0;

    TPGColorResolutions CanWriteResolutions;
};

class TBMPFileFormatReader : public TFileFormatReader {
public:
    TBMPFileFormatReader() : TBMPFileFormatReader("TBMPFileFormatReader", QStringLiteral("bmp")) {}
    bool CanRead(const QByteArray &Header) const override;
    void Read(TPixelGraphic &Graphic, QIODevice &Stream, int ImageIndex) const override;

protected:
    TBMPFileFormatReader(const char *ClassName, QString Extension)
        : TFileFormatReader(ClassName, std::move(Extension), QStringLiteral("Bitmap"), true) {}
};

class TDIBFileFormatReader : public TBMPFileFormatReader {
public:
    TDIBFileFormatReader() : TBMPFileFormatReader("TDIBFileFormatReader", QStringLiteral("dib")) {}
};

class TRLEFileFormatReader : public TBMPFileFormatReader {
public:
    TRLEFileFormatReader() : TBMPFileFormatReader("TRLEFileFormatReader", QStringLiteral("rle")) {}
};

class TBMPFileFormatWriter : public TFileFormatWriter {
public:
    TBMPFileFormatWriter() : TBMPFileFormatWriter("TBMPFileFormatWriter", QStringLiteral("bmp"), true) {}
    void Write(const TPixelGraphic &Graphic, QIODevice &Stream) const override;

protected:
    TBMPFileFormatWriter(const char *ClassName, QString Extension, bool Listed)
        : TFileFormatWriter(ClassName, std::move(Extension), QStringLiteral("Bitmap"), TPGColorResolutions(0xFF),
                            Listed) {}
};

class TDIBFileFormatWriter : public TBMPFileFormatWriter {
public:
    TDIBFileFormatWriter() : TBMPFileFormatWriter("TDIBFileFormatWriter", QStringLiteral("dib"), false) {}
};

using TFileFormatReaders = std::vector<std::unique_ptr<TFileFormatReader>>;
using TFileFormatWriters = std::vector<std::unique_ptr<TFileFormatWriter>>;

// The registered readers and writers: BMP, DIB and RLE, then JPEG, PNG, PCX, PBM/PGM/PPM, TGA and TIFF
// over the shared codecs; more may be added.
TFileFormatReaders &FileFormatReaders();
TFileFormatWriters &FileFormatWriters();

// The reader for a stream: by content first, else by extension; nullptr when none fits.
const TFileFormatReader *FindFileFormatReader(QIODevice &Stream, const QString &Extension);

// A palette of up to Count colours chosen from the image's most frequent colours.
std::vector<TRGB> OptimizedPalette(const TPixelGraphic &Graphic, int Count);
// Gives Target the OptimizedPalette of Source's Count colours, followed by the 16 system colours when asked.
void SetOptimizedPalette(TPixelGraphic &Target, const TPixelGraphic &Source, int Count, bool WithSystemColors);
