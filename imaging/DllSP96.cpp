// The binding, the shared state, the conversions and the file wrappers.
// The effect wrappers are in DllSP96Effects.cpp.
#include "DllSP96.h"

#include "DllSP96Frame.h"
#include "ILDibCls.h"
#include "ImagingError.h"
#include "IniFile.h"
#include "Folders.h"
#include "MessageBox.h"
#include "Module.h"
#include "ilstatus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstring>

namespace imaging {

const QString ImagingExceptionMessage = QStringLiteral(
    "An exception error occured in the imaging library. We recommend to exit the application and to restart it by "
    "clicking its icon!");

thread_local QString ImagingProgressCaption;
thread_local TImagingError LastImagingError;
std::atomic<bool> TwainBusy = false;

QString ImagingLoadFailureMessage(const QString &dllName)
{
    return QStringLiteral("Can't load ") + dllName + QStringLiteral(". Make sure its located in the application's searchpath.");
}

ImagingLibrary::ImagingLibrary(QString dllName, LoadFailure failure) : dllName_(std::move(dllName)), failure_(failure) {}

ImagingLibrary::~ImagingLibrary() = default;

void *ImagingLibrary::symbol(const char *name)
{
    std::unique_lock lock(mutex_);
    if (!module_) {
        module_ = platform::Module::load(dllName_);
        if (!module_) {
            const QString message = ImagingLoadFailureMessage(dllName_);
            lock.unlock();
            if (failure_ == LoadFailure::Raise)
                throw EImagingError(message);
            platform::showError(message);
            return nullptr;
        }
    }
    return module_->symbol(name);
}

bool ImagingLibrary::isLoaded() const
{
    const std::lock_guard lock(mutex_);
    return module_ != nullptr;
}

void ImagingLibrary::release()
{
    const std::lock_guard lock(mutex_);
    module_.reset();
}

void ImagingLibrary::setDllName(const QString &dllName)
{
    const std::lock_guard lock(mutex_);
    module_.reset();
    dllName_ = dllName;
}

ImagingLibrary &ISP2000()
{
    static ImagingLibrary library(QStringLiteral("ISP2000.DLL"), LoadFailure::MessageBox);
    return library;
}

ImagingLibrary &CRDE2000()
{
    static ImagingLibrary library(QStringLiteral("CRDE2000.DLL"), LoadFailure::Raise);
    return library;
}

void WriteTwainProfileEntry()
{
    platform::IniFile profile(platform::windowsFolder() + QStringLiteral("iltwain.ini"));
    profile.writeString(QStringLiteral("Imaging Twain"), QStringLiteral("App Name"),
                        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toLower());
}

void ReleaseImagingLibraries()
{
    ISP2000().release();
    CRDE2000().release();
    ImagingProgressCaption.clear();
    LastImagingError = {};
}

void showLibraryException()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
        platform::showError(ImagingExceptionMessage);
        return;
    }
    QMetaObject::invokeMethod(application, [] { platform::showError(ImagingExceptionMessage); }, Qt::QueuedConnection);
}

void recordFailure(int status)
{
    LastImagingError.Code = status;
    LastImagingError.Text.clear();
    using LoadString = std::int32_t (*)(std::int32_t, char *, std::int32_t);
    using WriteFailure = std::int32_t (*)(char *, std::int32_t);
    // a file that could not be written is named with the system's reason; the
    // words belong to the library's last call, so a failure of the bridge's
    // own (another status) never takes those of an earlier write
    const auto failure = CRDE2000().function<WriteFailure>("ilLastWriteFailure");
    if (status == IL_ERR_CANNOT_CREATE && failure) {
        char text[4096] = "";
        if (failure(text, sizeof text) > 0) {
            LastImagingError.Text = QString::fromUtf8(text);
            return;
        }
    }
    // otherwise the library's string table
    if (auto load = CRDE2000().function<LoadString>("ilLoadString")) {
        char text[256] = "";
        load(status, text, 256);
        LastImagingError.Text = QString::fromLocal8Bit(text);
    }
}

namespace {

using DepthFn = HGLOBAL (*)(HGLOBAL);
using ReduceFn = HGLOBAL (*)(HGLOBAL, std::int32_t, std::int16_t, std::int32_t, std::int32_t, std::int32_t, void *,
                             ILProgressProc);
using PaletteReadFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, HGLOBAL *, HGLOBAL, void *,
                                       ILProgressProc, std::int16_t);
using JpegReadFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, std::int32_t, HGLOBAL *, HGLOBAL,
                                    void *, ILProgressProc, std::int16_t);
using PlainReadFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, HGLOBAL *, void *, ILProgressProc,
                                     std::int16_t);
using PageReadFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, std::int16_t, HGLOBAL *, void *,
                                    ILProgressProc, std::int16_t);
using DxfReadFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, HGLOBAL *, HGLOBAL *, void *,
                                   ILProgressProc, std::int16_t);
using PlainWriteFn = std::int16_t (*)(const char *, std::int32_t, HGLOBAL, void *, ILProgressProc, std::int16_t);
using PngWriteFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, HGLOBAL, void *, ILProgressProc,
                                    std::int16_t);
using JpegWriteFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, std::int16_t, HGLOBAL, void *,
                                     ILProgressProc, std::int16_t);
using TiffWriteFn = std::int16_t (*)(const char *, std::int32_t, std::int16_t, std::int32_t, HGLOBAL, void *,
                                     ILProgressProc, std::int16_t);
using EpsWriteFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                    std::int32_t, HGLOBAL, void *, ILProgressProc, std::int16_t);
using GetInfoFn = std::int16_t (*)(const char *, std::int32_t, std::int32_t *, std::int32_t *, std::int16_t *,
                                   std::int16_t *, std::int16_t *, std::int16_t *);
using FileInfoFn = std::int16_t (*)(const char *, char *, std::int32_t *, std::int32_t *, std::int16_t *,
                                    std::int16_t *, std::int16_t *, char *, std::int16_t);
using DxfInfoFn = std::int16_t (*)(const char *, std::int32_t *, std::int32_t *, std::int16_t *);
using AcquireFn = std::int16_t (*)(void *, std::int32_t, std::int32_t, std::int16_t, HGLOBAL *, HGLOBAL, void *,
                                   ILProgressProc, std::int16_t);
using SelectFn = std::int16_t (*)(void *, std::int16_t);

// The library's device bitmap: a header, then 32-bit pixels, rows top first.
struct DeviceBitmap {
    std::int32_t width, height, bitsPixel, rowBytes;
};

constexpr int kInfoTextSize = 64;
constexpr qint64 kShortestImageFile = 30;

// Opens the file as the library will; false when it is too short to be an image.
bool longEnoughToRead(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return file.size() >= kShortestImageFile;
}

// Read frame: caption, the file check, the export bound by name, the call.
template <typename Fn, typename Invoke>
bool readFrame(const char *exportName, const QString &path, HGLOBAL &dib, Invoke invoke)
{
    dib = nullptr;
    ImagingProgressCaption = QStringLiteral("Reading ") + path;
    if (!longEnoughToRead(path))
        return false;
    const auto read = CRDE2000().function<Fn>(exportName);
    if (!read)
        return false;
    const QByteArray name = QFile::encodeName(path);
    HGLOBAL result = nullptr;
    const std::optional<int> status = callLibrary([&] { return int(invoke(read, name.constData(), &result)); });
    if (!status)
        return false;
    if (*status < 1) {
        FreeDib(result);
        recordFailure(*status);
        return false;
    }
    dib = result;
    return true;
}

template <typename Fn, typename Invoke> bool writeFrame(const char *exportName, const QString &path, Invoke invoke)
{
    ImagingProgressCaption = QStringLiteral("Writing ") + path;
    const auto write = CRDE2000().function<Fn>(exportName);
    if (!write)
        return false;
    const QByteArray name = QFile::encodeName(path);
    const std::optional<int> status = callLibrary([&] { return int(invoke(write, name.constData())); });
    if (!status)
        return false;
    if (*status <= 0) {
        recordFailure(*status);
        return false;
    }
    return true;
}

// The bitmap form of a read: the DIB becomes the bitmap and is freed.
bool intoBitmap(bool read, HGLOBAL dib, int bits, bool dither, void *userData, ILProgressProc callback, Bitmap &bitmap)
{
    if (!read)
        return false;
    GlobalBlock owner(dib);
    return DibToBitmapAtDepth(dib, bits ? bits : sizeOf(dib).bits, dither, callback, userData, bitmap);
}

QImage imageFromDeviceBitmap(HGLOBAL bitmap)
{
    GlobalLockGuard lock(bitmap);
    const auto *device = lock.as<DeviceBitmap>();
    const std::size_t size = GlobalSize(bitmap);
    // every row must hold the width, and the block every row
    if (!device || size < sizeof(DeviceBitmap) || device->width <= 0 || device->height <= 0 || device->bitsPixel != 32
        || std::int64_t(device->rowBytes) < std::int64_t(device->width) * 4
        || (size - sizeof(DeviceBitmap)) / std::size_t(device->rowBytes) < std::size_t(device->height))
        return {};
    QImage image(device->width, device->height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const auto *pixels = reinterpret_cast<const uchar *>(device + 1);
    for (int y = 0; y < device->height; ++y)
        std::memcpy(image.scanLine(y), pixels + std::size_t(y) * std::size_t(device->rowBytes), std::size_t(device->width) * 4);
    return image;
}

} // namespace

// ---- conversions ----------------------------------------------------------

HGLOBAL CopyDIB(HGLOBAL dib)
{
    const auto copy = CRDE2000().function<DepthFn>("CopyDIB");
    if (!copy)
        return nullptr;
    return callLibrary([&] { return copy(dib); }).value_or(nullptr);
}

HGLOBAL ConvertDibUp(HGLOBAL dib, int bits)
{
    const int depth = sizeOf(dib).bits;
    if (depth == 0 || depth >= 24 || bits <= depth)
        return nullptr;
    const char *exportName = nullptr;
    switch (depth) {
    case 1: exportName = bits <= 4 ? "DIB1to4" : bits <= 8 ? "DIB1To8" : "DIB1To24"; break;
    case 4: exportName = bits <= 8 ? "DIB4To8" : "DIB4To24"; break;
    case 8: exportName = "DIB8To24"; break;
    case 16: exportName = "DIB16To24"; break;
    default: return nullptr;
    }
    ImagingProgressCaption = QStringLiteral("Increasing colors ");
    const auto convert = CRDE2000().function<DepthFn>(exportName);
    if (!convert)
        return nullptr;
    return callLibrary([&] { return convert(dib); }).value_or(nullptr);
}

HGLOBAL ReduceDibDepth(HGLOBAL dib, int bits, bool dither, int colours, void *userData, ILProgressProc callback)
{
    ImagingProgressCaption = QStringLiteral("Reducing colors ");
    const auto reduce = CRDE2000().function<ReduceFn>("ReduceDib");
    if (!reduce)
        return nullptr;
    return callLibrary([&]() -> HGLOBAL {
               GlobalBlock wide;
               if (sizeOf(dib).bits == 32) {
                   const auto to24 = CRDE2000().function<DepthFn>("DIB32To24");
                   wide.reset(to24 ? to24(dib) : nullptr);
                   if (!wide)
                       return nullptr;
               }
               return reduce(wide ? wide.get() : dib, bits, std::int16_t(dither ? 1 : 0), 0, 0, colours, userData, callback);
           })
        .value_or(nullptr);
}

HGLOBAL BitmapToDib(const Bitmap &bitmap, const QList<QRgb> *palette)
{
    if (bitmap.isEmpty())
        throw EImagingError(QStringLiteral("Input image is empty"));
    const int bits = bitmap.bitCount();
    const QImage &image = bitmap.image();
    ILTDib dib;
    const QList<QRgb> table = palette ? *palette : image.colorTable();
    if (!dib.CreateNew(bits <= 8 ? &table : nullptr, image.width(), bits, image.height()))
        throw EImagingError(QStringLiteral("Input image is empty"));
    dib.Header->biXPelsPerMeter = image.dotsPerMeterX();
    dib.Header->biYPelsPerMeter = image.dotsPerMeterY();
    const std::size_t rowBytes = dib_row_bytes(image.width(), unsigned(bits));
    for (int y = 0; y < image.height(); ++y) {
        BYTE *row = dib.Bits() + std::size_t(image.height() - 1 - y) * rowBytes;
        const uchar *line = image.constScanLine(y);
        if (bits == 4) {
            for (int x = 0; x < image.width(); ++x)
                row[x >> 1] |= BYTE((line[x] & 0x0F) << ((x & 1) ? 0 : 4));
        } else {
            std::memcpy(row, line, std::min<std::size_t>(rowBytes, std::size_t(image.bytesPerLine())));
        }
    }
    GlobalBlock result(dib.Release());
    GlobalUnlock(result.get());
    if (bits == 16 || bits == 32) {
        const auto to24 = CRDE2000().function<DepthFn>(bits == 16 ? "DIB16To24" : "DIB32To24");
        return to24 ? to24(result.get()) : nullptr;
    }
    return result.release();
}

HGLOBAL BitmapToDibAtDepth(const Bitmap &bitmap, int bits, bool dither, void *userData, ILProgressProc callback)
{
    GlobalBlock dib(BitmapToDib(bitmap));
    const int depth = sizeOf(dib.get()).bits;
    if (bits < depth)
        return ReduceDibDepth(dib.get(), bits, dither, 0, userData, callback);
    if (bits > depth) {
        if (HGLOBAL raised = ConvertDibUp(dib.get(), bits))
            return raised;
    }
    return dib.release();
}

bool DibToBitmapAtDepth(HGLOBAL dib, int bits, bool dither, ILProgressProc callback, void *userData, Bitmap &bitmap)
{
    if (!dib || isEmptyDib(dib))
        return false;
    int depth;
    {
        GlobalLockGuard lock(dib);
        DibView view;
        if (dib_view_open(&view, lock.data(), GlobalSize(dib)) != DIB_OK)
            return false;
        if (view.compression == BI_RLE8 || view.compression == BI_RLE4) {
            const auto toDevice = CRDE2000().function<DdbFn>("DibtoDdb");
            if (!toDevice)
                return false;
            HGLOBAL palette = nullptr, device = nullptr;
            toDevice(lock.as<BITMAPINFOHEADER>(), &palette, &device);
            GlobalBlock ownPalette(palette), ownDevice(device);
            const QImage image = device ? imageFromDeviceBitmap(device) : QImage();
            if (image.isNull())
                return false;
            bitmap.assign(image, 32);
            return true;
        }
        depth = int(view.bits);
    }
    GlobalBlock changed;
    if (bits && bits < depth)
        changed.reset(ReduceDibDepth(dib, bits, dither, 0, userData, callback));
    else if (bits > depth)
        changed.reset(ConvertDibUp(dib, bits));
    HGLOBAL source = changed ? changed.get() : dib;
    GlobalLockGuard lock(source);
    DibView view;
    if (dib_view_open(&view, lock.data(), GlobalSize(source)) != DIB_OK)
        return false;
    bitmap = DibViewToBitmap(view);
    return true;
}

bool DibToBitmap(HGLOBAL dib, Bitmap &bitmap)
{
    return DibToBitmapAtDepth(dib, sizeOf(dib).bits, false, nullptr, nullptr, bitmap);
}

// ---- files ------------------------------------------------------------------

bool rdbmpfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    return readFrame<PaletteReadFn>("rdbmpfiledib", path, dib, [&](PaletteReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, out, nullptr, userData, callback, 0);
    });
}

bool rdpngfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    return readFrame<PaletteReadFn>("rdpngfiledib", path, dib, [&](PaletteReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, out, nullptr, userData, callback, 0);
    });
}

bool rdgiffiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    return readFrame<PaletteReadFn>("rdgiffiledib", path, dib, [&](PaletteReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, out, nullptr, userData, callback, 0);
    });
}

bool rdpcxfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    return readFrame<PaletteReadFn>("rdpcxfiledib", path, dib, [&](PaletteReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, out, nullptr, userData, callback, 0);
    });
}

bool rdjpgfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback,
                  int scale)
{
    return readFrame<JpegReadFn>("rdjpgfiledib", path, dib, [&](JpegReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, scale, dither, out, nullptr, userData, callback, 0);
    });
}

bool readtgafiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    return readFrame<PlainReadFn>("readtgafiledib", path, dib, [&](PlainReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, out, userData, callback, 0);
    });
}

bool readepsfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    return readFrame<PlainReadFn>("readepsfiledib", path, dib, [&](PlainReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, out, userData, callback, 0);
    });
}

bool readtiffiledib(const QString &path, int bits, bool dither, int page, HGLOBAL &dib, void *userData,
                    ILProgressProc callback)
{
    return readFrame<PageReadFn>("readtiffiledib", path, dib, [&](PageReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, std::int16_t(page), out, userData, callback, 0);
    });
}

bool readpcdfiledib(const QString &path, int bits, bool dither, int resolution, HGLOBAL &dib, void *userData,
                    ILProgressProc callback)
{
    return readFrame<PageReadFn>("readpcdfiledib", path, dib, [&](PageReadFn read, const char *name, HGLOBAL *out) {
        return read(name, bits, dither, std::int16_t(resolution), out, userData, callback, 0);
    });
}

bool rdbmpfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = rdbmpfiledib(path, bits, dither, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool rdpngfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = rdpngfiledib(path, bits, dither, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool rdgiffiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = rdgiffiledib(path, bits, dither, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool rdpcxfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = rdpcxfiledib(path, bits, dither, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool rdjpgfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback,
                  int scale)
{
    HGLOBAL dib = nullptr;
    const bool read = rdjpgfiledib(path, bits, dither, dib, userData, callback, scale);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool readtgafiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = readtgafiledib(path, bits, dither, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool readepsfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = readepsfiledib(path, bits, dither, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool readtiffiledib(const QString &path, int bits, bool dither, int page, Bitmap &bitmap, void *userData,
                    ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = readtiffiledib(path, bits, dither, page, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool readpcdfiledib(const QString &path, int bits, bool dither, int resolution, Bitmap &bitmap, void *userData,
                    ILProgressProc callback)
{
    HGLOBAL dib = nullptr;
    const bool read = readpcdfiledib(path, bits, dither, resolution, dib, userData, callback);
    return intoBitmap(read, dib, bits, dither, userData, callback, bitmap);
}

bool readdxftoddb(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    HGLOBAL device = nullptr;
    HGLOBAL palette = nullptr;
    const bool read = readFrame<DxfReadFn>("readdxftoddb", path, device, [&](DxfReadFn fn, const char *name, HGLOBAL *out) {
        return fn(name, bits, dither, out, &palette, userData, callback, 0);
    });
    GlobalBlock ownDevice(device), ownPalette(palette);
    if (!read)
        return false;
    const QImage image = imageFromDeviceBitmap(device);
    if (image.isNull())
        return false;
    bitmap.assign(image, 32);
    return true;
}

bool wrbmpfiledib(const QString &path, int bits, HGLOBAL dib, void *userData, ILProgressProc callback)
{
    return writeFrame<PlainWriteFn>("wrbmpfiledib", path, [&](PlainWriteFn write, const char *name) {
        return write(name, bits, dib, userData, callback, 0);
    });
}

bool wrpcxfiledib(const QString &path, int bits, HGLOBAL dib, void *userData, ILProgressProc callback)
{
    return writeFrame<PlainWriteFn>("wrpcxfiledib", path, [&](PlainWriteFn write, const char *name) {
        return write(name, bits, dib, userData, callback, 0);
    });
}

bool wrgiffiledib(const QString &path, int bits, HGLOBAL dib, void *userData, ILProgressProc callback)
{
    return writeFrame<PlainWriteFn>("wrgiffiledib", path, [&](PlainWriteFn write, const char *name) {
        return write(name, bits, dib, userData, callback, 0);
    });
}

bool wrpngfiledib(const QString &path, int bits, bool interlaced, HGLOBAL dib, void *userData, ILProgressProc callback)
{
    return writeFrame<PngWriteFn>("wrpngfiledib", path, [&](PngWriteFn write, const char *name) {
        return write(name, bits, interlaced ? 1 : 0, dib, userData, callback, 0);
    });
}

bool wrjpgfiledib(const QString &path, int quality, int smoothing, int bits, HGLOBAL dib, void *userData,
                  ILProgressProc callback)
{
    const bool written = writeFrame<JpegWriteFn>("wrjpgfiledib", path, [&](JpegWriteFn write, const char *name) {
        return write(name, quality, smoothing, std::int16_t(bits), dib, userData, callback, 0);
    });
    if (!written)
        CRDE2000().release();
    return written;
}

bool writetiffiledib(const QString &path, int compression, int bits, bool append, HGLOBAL dib, void *userData,
                     ILProgressProc callback)
{
    return writeFrame<TiffWriteFn>("writetiffiledib", path, [&](TiffWriteFn write, const char *name) {
        return write(name, compression, std::int16_t(bits), append ? 1 : 0, dib, userData, callback, 0);
    });
}

bool writeepsfiledib(const QString &path, int bits, HGLOBAL dib, void *userData, ILProgressProc callback)
{
    return writeFrame<EpsWriteFn>("writeepsfiledib", path, [&](EpsWriteFn write, const char *name) {
        return write(name, bits, 1, 4, 0, 1, 0, dib, userData, callback, 0);
    });
}

bool wrbmpfiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    return wrbmpfiledib(path, bits, dib.get(), userData, callback);
}

bool wrpcxfiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    return wrpcxfiledib(path, bits, dib.get(), userData, callback);
}

bool wrgiffiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    return wrgiffiledib(path, bits, dib.get(), userData, callback);
}

bool wrpngfiledib(const QString &path, int bits, bool interlaced, const Bitmap &bitmap, void *userData,
                  ILProgressProc callback)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    return wrpngfiledib(path, bits, interlaced, dib.get(), userData, callback);
}

bool wrjpgfiledib(const QString &path, int quality, int smoothing, int bits, const Bitmap &bitmap, void *userData,
                  ILProgressProc callback)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    return wrjpgfiledib(path, quality, smoothing, bits, dib.get(), userData, callback);
}

bool writetiffiledib(const QString &path, int compression, int bits, bool append, const Bitmap &bitmap, void *userData,
                     ILProgressProc callback)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    return writetiffiledib(path, compression, bits, append, dib.get(), userData, callback);
}

bool writeepsfiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    return writeepsfiledib(path, bits, dib.get(), userData, callback);
}

QString TiffCompressionName(int code)
{
    switch (code) {
    case sNONE: return QStringLiteral("NONE");
    case sCCITT: return QStringLiteral("CCITT3");
    case sFAXCCITT3: return QStringLiteral("FAXCCITT3");
    case sFAXCCITT4: return QStringLiteral("FAXCCITT4");
    case sLZW: return QStringLiteral("LZW");
    case sPACKBITS:
    case -32763:
    case 32763: return QStringLiteral("PACKBITS");
    default: return QStringLiteral("UNKNOWN");
    }
}

bool getinfo(const QString &path, int page, TImageInfo &info)
{
    if (!longEnoughToRead(path))
        return false;
    const auto get = CRDE2000().function<GetInfoFn>("getinfo");
    if (!get)
        return false;
    const QByteArray name = QFile::encodeName(path);
    std::int32_t width = 0, height = 0;
    std::int16_t compression = 0, format = 0, pages = 0, bits = 0;
    const std::optional<int> status = callLibrary(
        [&] { return int(get(name.constData(), page, &width, &height, &compression, &format, &pages, &bits)); });
    if (!status)
        return false;
    if (*status < 0) {
        recordFailure(*status);
        return false;
    }
    info = {width, height, compression, format, pages, bits};
    return true;
}

bool fileinfo(const QString &path, TFileInfo &info)
{
    if (!longEnoughToRead(path))
        return false;
    const auto get = CRDE2000().function<FileInfoFn>("fileinfo");
    if (!get)
        return false;
    const QByteArray name = QFile::encodeName(path);
    char format[kInfoTextSize] = "", compressionName[kInfoTextSize] = "";
    std::int32_t width = 0, height = 0;
    std::int16_t bits = 0, pages = 0, compression = 0;
    const std::optional<int> status = callLibrary([&] {
        return int(get(name.constData(), format, &width, &height, &bits, &pages, &compression, compressionName, 0));
    });
    if (!status)
        return false;
    if (*status < 1) {
        recordFailure(*status);
        return false;
    }
    format[kInfoTextSize - 1] = compressionName[kInfoTextSize - 1] = '\0';
    info = {QString::fromLatin1(format), QString::fromLatin1(compressionName), width, height, bits, pages, compression};
    return true;
}

bool getdxfinfo(const QString &path, int &width, int &height, int &bits)
{
    if (!longEnoughToRead(path))
        return false;
    const auto get = CRDE2000().function<DxfInfoFn>("getdxfinfo");
    if (!get)
        return false;
    const QByteArray name = QFile::encodeName(path);
    std::int32_t w = 0, h = 0;
    std::int16_t b = 0;
    const std::optional<int> status = callLibrary([&] { return int(get(name.constData(), &w, &h, &b)); });
    if (!status)
        return false;
    if (*status < 1) {
        recordFailure(*status);
        return false;
    }
    width = w;
    height = h;
    bits = b;
    return true;
}

// ---- scanning -----------------------------------------------------------------

namespace {

// Keeps a second TWAIN call from starting while one runs: claims the flag
// unless another call holds it, and clears it on every way out.
class TwainCall {
public:
    TwainCall() : claimed_(!TwainBusy.exchange(true)) {}
    ~TwainCall()
    {
        if (claimed_)
            TwainBusy = false;
    }
    TwainCall(const TwainCall &) = delete;
    TwainCall &operator=(const TwainCall &) = delete;
    bool claimed() const { return claimed_; }

private:
    bool claimed_;
};

} // namespace

bool aquiredibimage(void *window, int bits, bool dither, HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    dib = nullptr;
    const TwainCall call;
    if (!call.claimed())
        return false;
    const auto acquire = CRDE2000().function<AcquireFn>("aquiredibimage");
    if (!acquire)
        return false;
    HGLOBAL result = nullptr;
    const std::optional<int> status = callLibrary(
        [&] { return int(acquire(window, bits, dither ? 1 : 0, 0, &result, nullptr, userData, callback, 0)); });
    if (!status)
        return false;
    // 0: the user closed the source's window without scanning.
    if (*status < 1) {
        FreeDib(result);
        recordFailure(*status);
        return false;
    }
    dib = result;
    return true;
}

bool selectsource(void *window)
{
    const TwainCall call;
    if (!call.claimed())
        return false;
    const auto select = CRDE2000().function<SelectFn>("selectsource");
    if (!select)
        return false;
    const std::optional<int> status = callLibrary([&] { return int(select(window, 0)); });
    if (!status)
        return false;
    // 0: the choice was cancelled.
    if (*status < 1) {
        recordFailure(*status);
        return false;
    }
    return true;
}

} // namespace imaging
