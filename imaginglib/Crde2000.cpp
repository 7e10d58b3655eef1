// The exports of libcrde2000.so: thin adapters from the C interface of
// crde2000.h to the codecs.  Each export checks its arguments, runs inside
// `guarded` and hands back new global blocks owned by the caller.
#include "crde2000.h"

#include "Codec.h"
#include "Convert.h"
#include "DibHandles.h"
#include "ErrorTable.h"

#include <cstring>

using namespace imaginglib;
using codecs::ErrorCode;
using codecs::Format;
using codecs::Image;

namespace {

codecs::Progress progressFor(void *userData, ILPROGRESSPROC callback)
{
    if (!callback)
        return {};
    return [userData, callback](int percent) { return callback(int16_t(percent), userData) != 0; };
}

void checkDepth(int bits)
{
    if (bits != 0 && bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        codecs::fail(ErrorCode::BadParameter, "unsupported bit depth");
}

ILSTATUS readInto(Format format, const char *path, int32_t bits, int32_t dither, int page, HGLOBAL *dib,
                  void *userData, ILPROGRESSPROC callback, int scale = 1)
{
    return guarded([&]() -> ILSTATUS {
        if (!path || !dib)
            return IL_ERR_BAD_PARAMETER;
        *dib = nullptr;
        checkDepth(bits);
        codecs::ReadOptions options;
        options.page = page;
        options.scale = scale;
        options.progress = progressFor(userData, callback);
        Image image = codecs::readFile(path, format, options);
        if (bits && bits != image.bits())
            image = codecs::convertDepth(image, bits, dither != 0);
        *dib = handleFromImage(std::move(image));
        return 1;
    });
}

ILSTATUS writeFrom(Format format, const char *path, int32_t bits, HGLOBAL dib, codecs::WriteOptions options,
                   void *userData, ILPROGRESSPROC callback)
{
    return guarded([&]() -> ILSTATUS {
        if (!path)
            return IL_ERR_BAD_PARAMETER;
        checkDepth(bits);
        const codecs::HeldDib held(dib);
        const Image &image = held.image();
        options.progress = progressFor(userData, callback);
        // JPEG has no colour tables and no single bits: 8 or 1 asks for grey
        if (format == Format::Jpeg && (bits == 8 || bits == 1) && !(image.bits() == 8 && image.hasGreyPalette()))
            codecs::writeFile(path, format, codecs::toGrey(image), options);
        else if (bits && bits != image.bits())
            codecs::writeFile(path, format, codecs::convertDepth(image, bits), options);
        else
            codecs::writeFile(path, format, image, options);
        return 1;
    });
}

HGLOBAL convertExport(HGLOBAL dib, int from, int to)
{
    return guardedHandle([&]() -> HGLOBAL {
        const codecs::HeldDib held(dib);
        if (held.image().bits() != from)
            return nullptr;
        return handleFromImage(codecs::convertDepth(held.image(), to));
    });
}

void copyText(char *buffer, const std::string &text)
{
    if (!buffer)
        return;
    const std::size_t length = std::min<std::size_t>(text.size(), IL_INFO_TEXT_SIZE - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

// The display's form of an image: a 32-bit device bitmap and, for colour
// table images, a logical palette.  Both are set only when both could be made.
void makeDeviceBitmap(const Image &image, HPALETTE *palette, HBITMAP *bitmap)
{
    const std::size_t rowBytes = std::size_t(image.width()) * 4;
    GlobalBlock block(GlobalAlloc(GHND, sizeof(ILDEVICEBITMAP) + rowBytes * std::size_t(image.height())));
    if (!block)
        codecs::fail(ErrorCode::OutOfMemory, "out of memory");
    {
        GlobalLockGuard lock(block.get());
        auto *device = lock.as<ILDEVICEBITMAP>();
        *device = {image.width(), image.height(), 32, int32_t(rowBytes)};
        auto *pixels = reinterpret_cast<uint8_t *>(device + 1);
        for (int32_t y = 0; y < image.height(); ++y) {
            const uint8_t *in = image.row(y);
            for (int32_t x = 0; x < image.width(); ++x) {
                const codecs::Rgb c = codecs::pixelColour(image, in, x);
                const uint32_t value = 0xFF000000u | uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
                std::memcpy(pixels + std::size_t(y) * rowBytes + std::size_t(x) * 4, &value, 4);
            }
        }
    }
    GlobalBlock table;
    if (palette && image.bits() <= 8) {
        const int count = image.colourCount();
        table.reset(GlobalAlloc(GHND, sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * std::size_t(count)));
        if (!table)
            codecs::fail(ErrorCode::OutOfMemory, "out of memory");
        GlobalLockGuard lock(table.get());
        auto *logical = lock.as<LOGPALETTE>();
        logical->palVersion = 0x300;
        logical->palNumEntries = WORD(count);
        for (int i = 0; i < count; ++i) {
            const codecs::Rgb c = image.colour(i);
            logical->palPalEntry[i] = {c.red, c.green, c.blue, 0};
        }
    }
    if (palette)
        *palette = table.release();
    *bitmap = block.release();
}

} // namespace

extern "C" {

ILSTATUS rdbmpfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE, void *userData,
                      ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Bmp, path, bits, dither, 0, dib, userData, callback);
}

ILSTATUS rdpngfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE, void *userData,
                      ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Png, path, bits, dither, 0, dib, userData, callback);
}

ILSTATUS rdgiffiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE, void *userData,
                      ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Gif, path, bits, dither, 0, dib, userData, callback);
}

ILSTATUS rdpcxfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE, void *userData,
                      ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Pcx, path, bits, dither, 0, dib, userData, callback);
}

ILSTATUS rdjpgfiledib(const char *path, int32_t bits, int32_t scale, int32_t dither, HGLOBAL *dib, HPALETTE,
                      void *userData, ILPROGRESSPROC callback, int16_t)
{
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
        return IL_ERR_BAD_PARAMETER;
    return readInto(Format::Jpeg, path, bits, dither, 0, dib, userData, callback, scale);
}

ILSTATUS readtgafiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, void *userData,
                        ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Tga, path, bits, dither, 0, dib, userData, callback);
}

ILSTATUS readepsfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, void *userData,
                        ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Eps, path, bits, dither, 0, dib, userData, callback);
}

ILSTATUS readtiffiledib(const char *path, int32_t bits, int32_t dither, int16_t page, HGLOBAL *dib, void *userData,
                        ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Tiff, path, bits, dither, page, dib, userData, callback);
}

ILSTATUS readpcdfiledib(const char *path, int32_t bits, int32_t dither, int16_t resolution, HGLOBAL *dib,
                        void *userData, ILPROGRESSPROC callback, int16_t)
{
    return readInto(Format::Pcd, path, bits, dither, resolution, dib, userData, callback);
}

ILSTATUS readdxftoddb(const char *path, int32_t, int32_t, HBITMAP *bitmap, HPALETTE *palette, void *userData,
                      ILPROGRESSPROC callback, int16_t)
{
    return guarded([&]() -> ILSTATUS {
        if (!path || !bitmap)
            return IL_ERR_BAD_PARAMETER;
        *bitmap = nullptr;
        if (palette)
            *palette = nullptr;
        codecs::ReadOptions options;
        options.progress = progressFor(userData, callback);
        makeDeviceBitmap(codecs::readFile(path, Format::Dxf, options), palette, bitmap);
        return 1;
    });
}

ILSTATUS wrbmpfiledib(const char *path, int32_t bits, HGLOBAL dib, void *userData, ILPROGRESSPROC callback, int16_t)
{
    return writeFrom(Format::Bmp, path, bits, dib, {}, userData, callback);
}

ILSTATUS wrpcxfiledib(const char *path, int32_t bits, HGLOBAL dib, void *userData, ILPROGRESSPROC callback, int16_t)
{
    return writeFrom(Format::Pcx, path, bits, dib, {}, userData, callback);
}

ILSTATUS wrgiffiledib(const char *path, int32_t bits, HGLOBAL dib, void *userData, ILPROGRESSPROC callback, int16_t)
{
    return writeFrom(Format::Gif, path, bits, dib, {}, userData, callback);
}

ILSTATUS wrpngfiledib(const char *path, int32_t bits, int32_t interlaced, HGLOBAL dib, void *userData,
                      ILPROGRESSPROC callback, int16_t)
{
    codecs::WriteOptions options;
    options.interlaced = interlaced != 0;
    return writeFrom(Format::Png, path, bits, dib, options, userData, callback);
}

ILSTATUS wrjpgfiledib(const char *path, int32_t quality, int32_t smoothing, int16_t bits, HGLOBAL dib,
                      void *userData, ILPROGRESSPROC callback, int16_t)
{
    codecs::WriteOptions options;
    options.quality = quality;
    options.smoothing = smoothing;
    return writeFrom(Format::Jpeg, path, bits, dib, options, userData, callback);
}

ILSTATUS writetiffiledib(const char *path, int32_t compression, int16_t bits, int32_t append, HGLOBAL dib,
                         void *userData, ILPROGRESSPROC callback, int16_t)
{
    codecs::WriteOptions options;
    options.compression = int(uint16_t(compression));
    options.append = append != 0;
    return writeFrom(Format::Tiff, path, bits, dib, options, userData, callback);
}

ILSTATUS writeepsfiledib(const char *path, int32_t bits, int32_t, int32_t, int32_t, int32_t, int32_t, HGLOBAL dib,
                         void *userData, ILPROGRESSPROC callback, int16_t)
{
    return writeFrom(Format::Eps, path, bits, dib, {}, userData, callback);
}

ILSTATUS getinfo(const char *path, int32_t page, int32_t *width, int32_t *height, int16_t *compression,
                 int16_t *format, int16_t *pages, int16_t *bits)
{
    return guarded([&]() -> ILSTATUS {
        if (!path)
            return IL_ERR_BAD_PARAMETER;
        codecs::ReadOptions options;
        options.page = page;
        const codecs::ImageInfo info = codecs::readFileInfo(path, std::nullopt, options);
        if (width)
            *width = info.width;
        if (height)
            *height = info.height;
        if (compression)
            *compression = int16_t(info.compression);
        if (format)
            *format = int16_t(int(info.format) + 1);
        if (pages)
            *pages = int16_t(std::min(info.pages, 32767));
        if (bits)
            *bits = int16_t(info.bits);
        return 1;
    });
}

ILSTATUS fileinfo(const char *path, char *formatName, int32_t *width, int32_t *height, int16_t *bits,
                  int16_t *pages, int16_t *compression, char *compressionName, int16_t)
{
    return guarded([&]() -> ILSTATUS {
        if (!path)
            return IL_ERR_BAD_PARAMETER;
        const codecs::ImageInfo info = codecs::readFileInfo(path);
        copyText(formatName, codecs::codec(info.format).name());
        copyText(compressionName, info.compressionName);
        if (width)
            *width = info.width;
        if (height)
            *height = info.height;
        if (bits)
            *bits = int16_t(info.bits);
        if (pages)
            *pages = int16_t(std::min(info.pages, 32767));
        if (compression)
            *compression = int16_t(info.compression);
        return 1;
    });
}

ILSTATUS getdxfinfo(const char *path, int32_t *width, int32_t *height, int16_t *bits)
{
    return guarded([&]() -> ILSTATUS {
        if (!path)
            return IL_ERR_BAD_PARAMETER;
        const codecs::ImageInfo info = codecs::readFileInfo(path, Format::Dxf);
        if (width)
            *width = info.width;
        if (height)
            *height = info.height;
        if (bits)
            *bits = int16_t(info.bits);
        return 1;
    });
}

HGLOBAL DIB1to4(HGLOBAL dib) { return convertExport(dib, 1, 4); }
HGLOBAL DIB1To8(HGLOBAL dib) { return convertExport(dib, 1, 8); }
HGLOBAL DIB1To24(HGLOBAL dib) { return convertExport(dib, 1, 24); }
HGLOBAL DIB4To8(HGLOBAL dib) { return convertExport(dib, 4, 8); }
HGLOBAL DIB4To24(HGLOBAL dib) { return convertExport(dib, 4, 24); }
HGLOBAL DIB8To24(HGLOBAL dib) { return convertExport(dib, 8, 24); }
HGLOBAL DIB16To24(HGLOBAL dib) { return convertExport(dib, 16, 24); }
HGLOBAL DIB32To24(HGLOBAL dib) { return convertExport(dib, 32, 24); }

HGLOBAL CopyDIB(HGLOBAL dib)
{
    return guardedHandle([&]() -> HGLOBAL {
        const std::size_t size = GlobalSize(dib);
        if (size == 0)
            return nullptr;
        HGLOBAL copy = GlobalAlloc(GHND, size);
        if (!copy)
            return nullptr;
        GlobalLockGuard from(dib), to(copy);
        std::memcpy(to.data(), from.data(), size);
        return copy;
    });
}

HGLOBAL ReduceDib(HGLOBAL dib, int32_t bits, int16_t dither, int32_t, int32_t, int32_t colours, void *userData,
                  ILPROGRESSPROC callback)
{
    return guardedHandle([&]() -> HGLOBAL {
        const codecs::Progress progress = progressFor(userData, callback);
        if (progress && !progress(0))
            return nullptr;
        checkDepth(bits);
        const codecs::HeldDib held(dib);
        const Image &image = held.image();
        Image reduced = bits == 1 || bits == 4 || bits == 8
            ? codecs::reduceColours(image, bits, dither != 0, colours)
            : codecs::convertDepth(image, bits ? bits : image.bits(), dither != 0);
        if (progress && !progress(100))
            return nullptr;
        return handleFromImage(std::move(reduced));
    });
}

void DibtoDdb(const BITMAPINFOHEADER *dib, HPALETTE *palette, HBITMAP *bitmap)
{
    if (palette)
        *palette = nullptr;
    if (bitmap)
        *bitmap = nullptr;
    if (!dib || !bitmap)
        return;
    // the locked DIB's own block bounds what is read of it
    HGLOBAL block = GlobalHandle(dib);
    if (!block)
        return;
    guarded([&]() -> ILSTATUS {
        makeDeviceBitmap(Image::fromPackedDib(dib, GlobalSize(block)), palette, bitmap);
        return 1;
    });
}

} // extern "C"
