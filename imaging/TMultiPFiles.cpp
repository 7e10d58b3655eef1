// TPMultiImage: loading by extension, the seven writers and the file
// information.
#include "TMultiP.h"
#include "ilstatus.h"

#include "Annotation.h"
#include "WaitCursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QStringDecoder>
#include <climits>

namespace imaging {
namespace {

// Where the program keeps the pictures ".RES" names stand for.
const QString kResourceFolder = QStringLiteral(":/art");

QString upperExtension(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix.toUpper();
}

// The library's reader for a file: by its extension, else by the format its
// information names.  The library reads no PNM.
std::optional<codecs::Format> readerFormat(const QString &name, const QString &infoFormat)
{
    for (const QString &candidate : {name, QLatin1Char('.') + infoFormat.trimmed()}) {
        const auto format = codecs::formatFromExtension(candidate.toStdString());
        if (format && *format != codecs::Format::Pnm)
            return format;
    }
    return std::nullopt;
}

// The largest of 1, 2, 4 ... `largest` by which a picture may be divided
// and still fill `box` at its proportions.
int reductionFor(QSize picture, QSize box, int largest)
{
    if (box.isEmpty() || picture.isEmpty())
        return 1;
    const double fit = std::min(double(box.width()) / picture.width(), double(box.height()) / picture.height());
    int reduction = 1;
    while (reduction * 2 <= largest && fit * reduction * 2 <= 1.0)
        reduction *= 2;
    return reduction;
}

// Banner files are Windows text: UTF-8 when they decode as such, else Latin-1.
QString bannerText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

// Sets the busy flag for a load; clears it when the load ends, also by an error.
class TPMultiImage::BusyScope {
public:
    explicit BusyScope(TPMultiImage &owner) : owner_(owner) { owner_.busy_ = true; }
    ~BusyScope() { end(); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
    void end() { owner_.busy_ = false; }

private:
    TPMultiImage &owner_;
};

// ---- loading -----------------------------------------------------------------------

void TPMultiImage::setImageName(const QString &name)
{
    // the annotations of the picture being left
    if (AutoSaveAnno && annotations_ && !imageName_.isEmpty() && !annotations_->save(loadedPage_, AnnotationFile()))
        reportError(lastLibraryFailure());
    imageName_ = name;
    BusyScope busy(*this);
    StopBanner();
    const QString extension = upperExtension(name);
    if (extension != QLatin1String(".RES") && !QFileInfo(name).isFile()) {
        clearPicture();
        return;
    }
    if (annotations_)
        annotations_->clear();
    const ProgressScope progress(*this, QStringLiteral("Reading ") + name);
    reportProgress(0);
    platform::WaitCursor hourglass;

    std::optional<Failure> failure;
    bool finishedEvent = true;
    if (extension == QLatin1String(".WMF") || extension == QLatin1String(".ICO")) {
        failure = loadGraphic(name);
        finishedEvent = false;
    } else if (extension == QLatin1String(".SCM") || extension == QLatin1String(".CMS")) {
        failure = loadBanner(name, extension == QLatin1String(".SCM") ? TBannerKind::Horizontal : TBannerKind::Vertical);
    } else if (extension == QLatin1String(".RES")) {
        failure = loadResource(name);
    } else if (ReadFileInfo(name)) {
        const std::optional<codecs::Format> format = readerFormat(name, info_.Format);
        Bitmap loaded;
        failure = !format ? Failure{IL_ERR_WRONG_FORMAT, QStringLiteral("Unknown image format ") + info_.Format}
                          : readBitmapFile(*format, name, loaded);
        if (!failure) {
            takeLoadedPicture(loaded);
            ReadFileInfo(name);
        }
    }
    // else the description failed, its handler has been told, and the picture stays
    if (failure)
        reportError(*failure);

    busy.end();
    loadedPage_ = tiffPage_;
    if (!failure && AutoLoadAnno && annotations_ && QFileInfo::exists(AnnotationFile())
        && !annotations_->load(tiffPage_, AnnotationFile()))
        reportError(lastLibraryFailure());
    if (finishedEvent && OnFinishedLoadSave)
        OnFinishedLoadSave(this);
    raisePendingError();
}

std::optional<TPMultiImage::Failure> TPMultiImage::readBitmapFile(codecs::Format format, const QString &name,
                                                                  Bitmap &bitmap)
{
    // a picture of single bits stays one whatever depth is asked
    const int depth = info_.Bits == 1 ? 1 : ReadDepth();
    const bool dither = ImageDither;
    ILProgressProc relay = &TPMultiImage::progressRelay;
    LastImagingError = {};
    try {
        bool read = false;
        switch (format) {
        case codecs::Format::Bmp: read = rdbmpfiledib(name, depth, dither, bitmap, this, relay); break;
        case codecs::Format::Png: read = rdpngfiledib(name, depth, dither, bitmap, this, relay); break;
        case codecs::Format::Gif: read = rdgiffiledib(name, depth, dither, bitmap, this, relay); break;
        case codecs::Format::Pcx: read = rdpcxfiledib(name, depth, dither, bitmap, this, relay); break;
        case codecs::Format::Tga: read = readtgafiledib(name, depth, dither, bitmap, this, relay); break;
        case codecs::Format::Eps: read = readepsfiledib(name, depth, dither, bitmap, this, relay); break;
        case codecs::Format::Tiff:
            read = readtiffiledib(name, depth, dither, libraryTiffPage(), bitmap, this, relay);
            break;
        case codecs::Format::Dxf: read = readdxftoddb(name, depth, dither, bitmap, this, relay); break;
        case codecs::Format::Pcd: {
            // Base/16, Base/4 and Base halve each other; Base is what the information gives
            const int reduction = reductionFor(QSize(info_.Width, info_.Height), ReduceToFit, 4);
            const int resolution = ReduceToFit.isEmpty() ? int(PCDMode) : (reduction == 4 ? 0 : reduction == 2 ? 1 : 2);
            read = readpcdfiledib(name, depth, dither, resolution, bitmap, this, relay);
            break;
        }
        case codecs::Format::Jpeg: {
            const int scale = reductionFor(QSize(info_.Width, info_.Height), ReduceToFit, 8);
            read = rdjpgfiledib(name, depth, dither, bitmap, this, relay, scale);
            break;
        }
        case codecs::Format::Pnm: break; // never chosen: readerFormat leaves it out
        }
        if (!read)
            return lastLibraryFailure();
    } catch (const EFOpenError &error) {
        return Failure{IL_ERR_CANNOT_OPEN, error.message()};
    } catch (const EImagingError &error) {
        return Failure{IL_ERR_UNKNOWN, error.message()};
    } catch (const std::bad_alloc &) {
        return Failure{IL_ERR_TOO_LARGE, QStringLiteral("Not enough memory for this picture")};
    }
    return std::nullopt;
}

std::optional<TPMultiImage::Failure> TPMultiImage::loadResource(const QString &name)
{
    const QString base = QFileInfo(name).completeBaseName();
    const QDir folder(kResourceFolder);
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Files)) {
        if (entry.completeBaseName().compare(base, Qt::CaseInsensitive) != 0)
            continue;
        const QImage image(entry.filePath());
        if (image.isNull())
            break;
        setPicture(image);
        ReadFileInfo(name);
        return std::nullopt;
    }
    return Failure{IL_ERR_CANNOT_OPEN, QStringLiteral("No picture named ") + base + QStringLiteral(" in the program")};
}

std::optional<TPMultiImage::Failure> TPMultiImage::loadGraphic(const QString &name)
{
    QImageReader reader(name);
    const QImage image = reader.read();
    if (image.isNull())
        return Failure{IL_ERR_WRONG_FORMAT, reader.errorString()};
    setPicture(image);
    QPainter recorder(&graphic_);
    recorder.drawImage(0, 0, image);
    recorder.end();
    ReadFileInfo(name);
    update();
    return std::nullopt;
}

std::optional<TPMultiImage::Failure> TPMultiImage::loadBanner(const QString &name, TBannerKind kind)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{IL_ERR_CANNOT_OPEN, file.errorString()};
    if (file.size() > kBannerFileLimit)
        return Failure{IL_ERR_TOO_LARGE, QStringLiteral("Banner files are limited to 64 kB")};
    const QString text = bannerText(file.readAll());
    startBanner(kind, kind == TBannerKind::Horizontal ? parseHorizontalBanner(text) : parseVerticalBanner(text));
    ReadFileInfo(name);
    return std::nullopt;
}

int TPMultiImage::libraryTiffPage() const
{
    const int page = info_.Pages > 0 ? std::min(tiffPage_, info_.Pages) : tiffPage_;
    // the library counts pages from 0
    return std::max(page, 1) - 1;
}

// ---- file information ------------------------------------------------------------

bool TPMultiImage::ReadFileInfo(const QString &name)
{
    const QString extension = upperExtension(name);
    if (extension == QLatin1String(".RES")) {
        const qint64 rowBytes = ((qint64(picture_.width()) * picture_.bitCount() + 31) / 32) * 4;
        const int colours = picture_.bitCount() <= 8 ? 1 << picture_.bitCount() : 0;
        info_ = {QStringLiteral("RES"), picture_.width(), picture_.height(), 0, 0, 0, QStringLiteral("BMP"), 0,
                 40 + 4 * colours + rowBytes * picture_.height()};
        return true;
    }
    if (extension == QLatin1String(".WMF") || extension == QLatin1String(".ICO") || extension == QLatin1String(".SCM")
        || extension == QLatin1String(".CMS")) {
        if (!QFileInfo(name).isFile()) {
            info_ = {QStringLiteral("ERR"), -1, -1, -1, -1, -1, QStringLiteral("ERR"), -1, -1};
            return false;
        }
        const QString format = extension.mid(1);
        info_ = {format, picture_.width(), picture_.height(), 0, 0, 0, format, 0, 0};
        return true;
    }
    LastImagingError = {};
    bool described = false;
    if (extension == QLatin1String(".TIF") || extension == QLatin1String(".TIFF")) {
        described = readTiffInfo(name);
    } else if (extension == QLatin1String(".DXF")) {
        int width = 0, height = 0, bits = 0;
        described = getdxfinfo(name, width, height, bits);
        if (described)
            info_ = {QStringLiteral("DXF"), width, height, bits, 0, 0, QStringLiteral("DXF"), 0, 0};
    } else {
        TFileInfo file;
        described = fileinfo(name, file);
        if (described)
            info_ = {file.FormatName, file.Width, file.Height, file.Bits, file.Pages, file.Compression,
                     file.CompressionName, 0, 0};
    }
    if (!described) {
        info_ = {};
        reportError(lastLibraryFailure());
        raisePendingError();
    }
    return described;
}

bool TPMultiImage::readTiffInfo(const QString &name)
{
    TImageInfo first;
    if (!getinfo(name, 0, first))
        return false;
    // a page beyond the last reads the last
    const int page = std::clamp(tiffPage_, 1, std::max(first.Pages, 1));
    TImageInfo chosen = first;
    if (page > 1 && !getinfo(name, page - 1, chosen))
        return false;
    info_ = {QStringLiteral("TIF"), chosen.Width, chosen.Height, chosen.Bits, 0, 0,
             TiffCompressionName(chosen.Compression), first.Pages, 0};
    return true;
}

// ---- saving ---------------------------------------------------------------------------

template <typename Write> void TPMultiImage::save(const QString &format, const QString &name, Write write)
{
    if (!name.isEmpty())
        DefSaveFilename = name;
    const ProgressScope progress(*this, QStringLiteral("Writing ") + DefSaveFilename);
    if (format != QLatin1String("GIF"))
        reportProgress(0);
    platform::WaitCursor hourglass;
    LastImagingError = {};
    std::optional<Failure> failure;
    try {
        if (!write(WriteDepth(format)))
            failure = lastLibraryFailure();
    } catch (const EImagingError &error) {
        failure = Failure{IL_ERR_UNKNOWN, error.message()};
    }
    if (failure)
        reportError(*failure);
    if (OnFinishedLoadSave)
        OnFinishedLoadSave(this);
    raisePendingError();
}

void TPMultiImage::SaveAsBMP(const QString &name)
{
    save(QStringLiteral("BMP"), name,
         [this](int depth) { return wrbmpfiledib(DefSaveFilename, depth, picture_, this, &progressRelay); });
}

void TPMultiImage::SaveAsPNG(const QString &name)
{
    save(QStringLiteral("PNG"), name, [this](int depth) {
        return wrpngfiledib(DefSaveFilename, depth, PNGInterLaced, picture_, this, &progressRelay);
    });
}

void TPMultiImage::SaveAsJPEG(const QString &name)
{
    save(QStringLiteral("JPEG"), name, [this](int depth) {
        return wrjpgfiledib(DefSaveFilename, jpegSaveQuality_, jpegSaveSmooth_, depth, picture_, this, &progressRelay);
    });
}

void TPMultiImage::SaveAsGIF(const QString &name)
{
    save(QStringLiteral("GIF"), name,
         [this](int depth) { return wrgiffiledib(DefSaveFilename, depth, picture_, this, &progressRelay); });
}

void TPMultiImage::SaveAsTIF(const QString &name)
{
    save(QStringLiteral("TIF"), name, [this](int depth) {
        return writetiffiledib(DefSaveFilename, TifSaveCompress, depth, TiffAppend, picture_, this, &progressRelay);
    });
}

void TPMultiImage::SaveAsPCX(const QString &name)
{
    save(QStringLiteral("PCX"), name,
         [this](int depth) { return wrpcxfiledib(DefSaveFilename, depth, picture_, this, &progressRelay); });
}

void TPMultiImage::SaveAsEPS(const QString &name)
{
    save(QStringLiteral("EPS"), name,
         [this](int depth) { return writeepsfiledib(DefSaveFilename, depth, picture_, this, &progressRelay); });
}

} // namespace imaging
