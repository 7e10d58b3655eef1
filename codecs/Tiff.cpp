// TIFF through libtiff, read from an input where libtiff asks (strips
// decoded as they are read) and written to memory or a file: strips and tiles, every
// compression libtiff decodes, pages.  Bilevel, grey and palette pixels up to
// 8 bits keep a colour table (2 bits widen to 4, white-is-zero reverses the
// table); 8 and 16-bit RGB give 24 or 32 bits (with alpha); everything else
// (YCbCr, CMYK, Lab, separate planes) goes through libtiff's RGBA reader.
#include "Convert.h"
#include "Formats.h"
#include "Parallel.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>

namespace codecs {
namespace {

// A file for TIFFClientOpen: a growable one in memory to write (or append
// to), an input to read, read where libtiff asks, or a file being written.
struct MemoryFile {
    std::vector<std::uint8_t> data;
    const Input *input = nullptr;
    FileOutput *output = nullptr;
    std::uint64_t pos = 0;
    std::exception_ptr writeFailure; // what the output said when it refused a write

    std::uint64_t size() const { return output ? output->size() : input ? input->size() : data.size(); }
};

tmsize_t memoryRead(thandle_t h, void *buffer, tmsize_t size)
{
    auto *f = static_cast<MemoryFile *>(h);
    if (size < 0)
        return 0;
    const std::span<std::uint8_t> into(static_cast<std::uint8_t *>(buffer), std::size_t(size));
    std::size_t n = 0;
    if (f->output) {
        n = f->output->readAt(f->pos, into);
    } else if (f->input) {
        try {
            // as much as there is: a short count is how libtiff learns of a short file
            while (n < into.size())
                if (const std::size_t got = f->input->readSome(f->pos + n, into.subspan(n)); got > 0)
                    n += got;
                else
                    break;
        } catch (const Error &) {
            return -1; // libtiff reports it; nothing may unwind through it
        }
    } else if (f->pos < f->data.size()) {
        n = std::size_t(std::min<std::uint64_t>(into.size(), f->data.size() - f->pos));
        std::memcpy(buffer, f->data.data() + f->pos, n);
    }
    f->pos += n;
    return tmsize_t(n);
}

tmsize_t memoryWrite(thandle_t h, void *buffer, tmsize_t size)
{
    auto *f = static_cast<MemoryFile *>(h);
    if (f->input || size < 0 || f->pos + std::uint64_t(size) > kMaxImageBytes * 2)
        return -1;
    const auto *bytes = static_cast<const std::uint8_t *>(buffer);
    if (f->output) {
        try {
            f->output->writeAt(f->pos, {bytes, std::size_t(size)});
        } catch (const Error &) {
            // nothing may unwind through libtiff: the failure is raised again once it returns
            f->writeFailure = std::current_exception();
            return -1;
        }
        f->pos += std::uint64_t(size);
        return size;
    }
    if (f->pos > f->data.size())
        f->data.resize(f->pos);
    // overwrite what is there, append the rest
    const auto overlap = std::size_t(std::min<std::uint64_t>(std::uint64_t(size), f->data.size() - f->pos));
    if (overlap > 0)
        std::memcpy(f->data.data() + f->pos, bytes, overlap);
    f->data.insert(f->data.end(), bytes + overlap, bytes + size);
    f->pos += std::uint64_t(size);
    return size;
}

toff_t memorySeek(thandle_t h, toff_t offset, int whence)
{
    auto *f = static_cast<MemoryFile *>(h);
    std::uint64_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size() : 0;
    f->pos = base + offset;
    return f->pos;
}

int memoryClose(thandle_t) { return 0; }
toff_t memorySize(thandle_t h) { return static_cast<MemoryFile *>(h)->size(); }
int noMap(thandle_t, void **, toff_t *) { return 0; }
void noUnmap(thandle_t, void *, toff_t) {}

int quietHandler(TIFF *, void *message, const char *, const char *format, va_list args)
{
    std::vsnprintf(static_cast<char *>(message), 256, format, args);
    return 1;
}
// libtiff only warns when a tag's data lies beyond the end of the file and
// then carries on without it (a palette image turns grey), so such a
// warning counts as damage.
int noteWarning(TIFF *, void *damaged, const char *, const char *format, va_list args)
{
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    if (std::strstr(text, "IO error") || std::strstr(text, "olormap"))
        *static_cast<bool *>(damaged) = true;
    return 1;
}

struct TiffCloser {
    void operator()(TIFF *tif) const { TIFFClose(tif); }
};

class TiffFile {
public:
    // A file to write, or to append to when `mode` is "a".
    TiffFile(std::vector<std::uint8_t> bytes, const char *mode)
    {
        file_.data = std::move(bytes);
        open(mode);
    }
    // A new file written straight into `output`.
    explicit TiffFile(FileOutput &output)
    {
        file_.output = &output;
        open("w");
    }
    // A file to read, from an input that outlives this object.
    explicit TiffFile(const Input &input)
    {
        file_.input = &input;
        open("rm");
    }
    TiffFile(const TiffFile &) = delete;
    TiffFile &operator=(const TiffFile &) = delete;

    // Another reader of the same bytes, on the same page, decoding JPEG
    // strips to the same colours.
    std::unique_ptr<TiffFile> sameFile() const
    {
        auto other = std::make_unique<TiffFile>(*file_.input);
        if (!other->get() || !TIFFSetDirectory(other->get(), TIFFCurrentDirectory(tif_.get())))
            fail(ErrorCode::Corrupt, other->message());
        std::uint16_t compression = COMPRESSION_NONE;
        TIFFGetFieldDefaulted(tif_.get(), TIFFTAG_COMPRESSION, &compression);
        int colourMode = JPEGCOLORMODE_RAW;
        if (compression == COMPRESSION_JPEG && TIFFGetField(tif_.get(), TIFFTAG_JPEGCOLORMODE, &colourMode))
            TIFFSetField(other->get(), TIFFTAG_JPEGCOLORMODE, colourMode);
        return other;
    }
    TIFF *get() const { return tif_.get(); }
    std::string message() const { return message_[0] ? message_ : "damaged TIFF file"; }
    // A write libtiff gave up on: the output's own failure (the file and the
    // system's reason) when it was the output that refused.
    [[noreturn]] void failWriting() const
    {
        if (file_.writeFailure)
            std::rethrow_exception(file_.writeFailure);
        fail(ErrorCode::CannotCreate, message());
    }
    bool damaged() const { return damaged_; }
    // Room for what will be written, so the buffer does not move while growing.
    void reserve(std::size_t bytes) { file_.data.reserve(bytes); }
    const std::vector<std::uint8_t> &bytes() const { return file_.data; }
    // Finishes writing and hands over the file's bytes.
    std::vector<std::uint8_t> finish()
    {
        if (!TIFFFlush(tif_.get()))
            failWriting();
        tif_.reset();
        return std::move(file_.data);
    }

private:
    void open(const char *mode)
    {
        std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions *)> opts(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
        TIFFOpenOptionsSetMaxSingleMemAlloc(opts.get(), tmsize_t(kMaxImageBytes));
        TIFFOpenOptionsSetErrorHandlerExtR(opts.get(), quietHandler, message_);
        TIFFOpenOptionsSetWarningHandlerExtR(opts.get(), noteWarning, &damaged_);
        tif_.reset(TIFFClientOpenExt("memory", mode, &file_, memoryRead, memoryWrite, memorySeek, memoryClose,
                                     memorySize, noMap, noUnmap, opts.get()));
    }

    MemoryFile file_;
    char message_[256] = {};
    bool damaged_ = false;
    std::unique_ptr<TIFF, TiffCloser> tif_;
};

struct Layout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    std::uint16_t compression = COMPRESSION_NONE;
    bool alpha = false;
};

Layout readLayout(TIFF *tif)
{
    Layout l;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    std::uint16_t extraCount = 0;
    std::uint16_t *extra = nullptr;
    l.alpha = TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0;
    return l;
}

int sampleAt(const std::uint8_t *line, std::uint32_t x, int bps)
{
    switch (bps) {
    case 1: return (line[x >> 3] >> (7 - (x & 7))) & 1;
    case 2: return (line[x >> 2] >> (6 - 2 * (x & 3))) & 3;
    case 4: return (x & 1) ? line[x >> 1] & 0x0F : line[x >> 1] >> 4;
    case 8: return line[x];
    default: {
        std::uint16_t v;
        std::memcpy(&v, line + std::size_t(x) * 2, 2);
        return (v + 128) / 257;
    }
    }
}

// Hands every row of the page, as libtiff decodes it, to `useRow(y, row)`,
// one strip or one band of tiles at a time.
template <typename UseRow>
void forEachRow(TiffFile &file, const Layout &l, std::size_t scanline, const ReadOptions &options, UseRow useRow)
{
    TIFF *tif = file.get();
    ProgressTicker tick(options.progress, l.height);
    if (TIFFIsTiled(tif)) {
        std::uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        const auto tileRow = std::size_t(TIFFTileRowSize64(tif));
        if (tw == 0 || th == 0 || tileRow == 0 || std::uint64_t(TIFFTileSize64(tif)) > kMaxImageBytes
            || std::uint64_t(scanline) * th > kMaxImageBytes)
            fail(ErrorCode::Corrupt, "bad tile size");
        std::vector<std::uint8_t> tile(std::size_t(TIFFTileSize64(tif)));
        std::vector<std::uint8_t> band(scanline * th);
        for (std::uint32_t ty = 0; ty < l.height; ty += th) {
            for (std::uint32_t tx = 0; tx < l.width; tx += tw) {
                if (TIFFReadTile(tif, tile.data(), tx, ty, 0, 0) < 0)
                    fail(ErrorCode::Corrupt, file.message());
                const std::size_t column = std::size_t(tx) * l.bps * l.spp / 8;
                const std::size_t bytes = std::min(tileRow, scanline - column);
                for (std::uint32_t r = 0; r < th; ++r)
                    std::memcpy(band.data() + r * scanline + column, tile.data() + r * tileRow, bytes);
            }
            for (std::uint32_t r = 0; r < th && ty + r < l.height; ++r)
                useRow(std::int32_t(ty + r), band.data() + r * scanline);
            tick(ty);
        }
        return;
    }
    std::uint32_t perStrip = l.height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &perStrip);
    perStrip = std::clamp<std::uint32_t>(perStrip, 1, l.height);
    if (std::uint64_t(scanline) * perStrip > kMaxImageBytes)
        fail(ErrorCode::TooLarge, "TIFF strip too large");
    const std::uint32_t strips = std::uint32_t((std::uint64_t(l.height) + perStrip - 1) / perStrip);
    if (TIFFNumberOfStrips(tif) < strips)
        fail(ErrorCode::Corrupt, "TIFF strips missing");
    // Strips decode independently: as many as there are cores at once, each
    // reader on its own handle over the same bytes taking every workers-th
    // strip of a round; a round is about a hundredth of the picture, and
    // progress is reported between rounds.
    const int workers = int(std::min(std::uint32_t(workerCount()), strips));
    const std::uint32_t perRound = std::max<std::uint32_t>(std::uint32_t(workers), (strips + 99) / 100);
    std::vector<std::unique_ptr<TiffFile>> others;
    for (int worker = 1; worker < workers; ++worker)
        others.push_back(file.sameFile());
    std::vector<std::vector<std::uint8_t>> buffers(static_cast<std::size_t>(workers));
    for (std::uint32_t round = 0; round < strips; round += perRound) {
        const std::uint32_t end = std::min(strips, round + perRound);
        runTogether(int(std::min(std::uint32_t(workers), end - round)), [&](int worker) {
            const TiffFile &reader = worker == 0 ? file : *others[std::size_t(worker) - 1];
            std::vector<std::uint8_t> &strip = buffers[std::size_t(worker)];
            for (std::uint32_t s = round + std::uint32_t(worker); s < end; s += std::uint32_t(workers)) {
                const std::uint32_t first = s * perStrip;
                const std::uint32_t rows = std::min(perStrip, l.height - first);
                strip.resize(scanline * rows);
                if (TIFFReadEncodedStrip(reader.get(), s, strip.data(), tmsize_t(strip.size())) < 0)
                    fail(ErrorCode::Corrupt, reader.message());
                for (std::uint32_t r = 0; r < rows; ++r)
                    useRow(std::int32_t(first + r), strip.data() + r * scanline);
            }
        });
        tick(std::int64_t(round) * perStrip);
    }
}

Image readThroughRgba(TiffFile &file, const Layout &l)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(file.get(), message))
        fail(ErrorCode::Unsupported, message);
    std::vector<std::uint32_t> raster(std::size_t(l.width) * l.height);
    // stop at the first damaged strip instead of going through every one of them
    if (!TIFFReadRGBAImageOriented(file.get(), l.width, l.height, raster.data(), ORIENTATION_TOPLEFT, 1))
        fail(ErrorCode::Corrupt, file.message());
    Image image(std::int32_t(l.width), std::int32_t(l.height), l.alpha ? 32 : 24);
    const int step = image.bits() / 8;
    for (std::uint32_t y = 0; y < l.height; ++y) {
        std::uint8_t *line = image.row(std::int32_t(y));
        for (std::uint32_t x = 0; x < l.width; ++x) {
            const std::uint32_t p = raster[std::size_t(y) * l.width + x];
            line[x * step] = std::uint8_t(TIFFGetB(p));
            line[x * step + 1] = std::uint8_t(TIFFGetG(p));
            line[x * step + 2] = std::uint8_t(TIFFGetR(p));
            if (step == 4)
                line[x * 4 + 3] = std::uint8_t(TIFFGetA(p));
        }
    }
    return image;
}

std::vector<Rgb> tiffPalette(TIFF *tif, const Layout &l)
{
    const int count = 1 << l.bps;
    std::vector<Rgb> palette(count);
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b))
            fail(ErrorCode::Corrupt, "palette image without a colour map");
        // some writers store 8-bit values in the 16-bit map
        const bool eightBit = std::all_of(r, r + count, [](std::uint16_t v) { return v < 256; })
                           && std::all_of(g, g + count, [](std::uint16_t v) { return v < 256; })
                           && std::all_of(b, b + count, [](std::uint16_t v) { return v < 256; });
        auto scale = [eightBit](std::uint16_t v) { return std::uint8_t(eightBit ? v : (v + 128) / 257); };
        for (int i = 0; i < count; ++i)
            palette[i] = {scale(r[i]), scale(g[i]), scale(b[i])};
        return palette;
    }
    for (int i = 0; i < count; ++i) {
        auto v = std::uint8_t(i * 255 / (count - 1));
        if (l.photometric == PHOTOMETRIC_MINISWHITE)
            v = std::uint8_t(255 - v);
        palette[i] = {v, v, v};
    }
    return palette;
}

Image readDirect(TiffFile &file, const Layout &l, const ReadOptions &options)
{
    const auto scanline = std::size_t(TIFFScanlineSize64(file.get()));
    if (scanline < (std::uint64_t(l.width) * l.bps * l.spp + 7) / 8)
        fail(ErrorCode::Corrupt, "bad scanline size");
    const auto w = std::int32_t(l.width), h = std::int32_t(l.height);
    if (l.photometric == PHOTOMETRIC_RGB) {
        const bool alpha = l.spp >= 4;
        Image image(w, h, alpha ? 32 : 24);
        const int step = alpha ? 4 : 3;
        forEachRow(file, l, scanline, options, [&](std::int32_t y, const std::uint8_t *in) {
            std::uint8_t *line = image.row(y);
            if (l.bps == 8) {
                swapRedBlue(in, l.spp, line, step, std::size_t(w));
                return;
            }
            for (std::int32_t x = 0; x < w; ++x) {
                const std::uint32_t s = std::uint32_t(x) * l.spp;
                line[x * step] = std::uint8_t(sampleAt(in, s + 2, l.bps));
                line[x * step + 1] = std::uint8_t(sampleAt(in, s + 1, l.bps));
                line[x * step + 2] = std::uint8_t(sampleAt(in, s, l.bps));
                if (alpha)
                    line[x * 4 + 3] = std::uint8_t(sampleAt(in, s + 3, l.bps));
            }
        });
        return image;
    }
    const int indexBits = l.bps == 16 ? 8 : l.bps;
    const int outBits = indexBits == 1 ? 1 : indexBits <= 4 ? 4 : 8;
    Layout paletteLayout = l;
    paletteLayout.bps = std::uint16_t(indexBits);
    Image image(w, h, outBits, tiffPalette(file.get(), paletteLayout));
    forEachRow(file, l, scanline, options, [&](std::int32_t y, const std::uint8_t *in) {
        if (l.bps == outBits) {
            std::memcpy(image.row(y), in, std::min(scanline, image.rowBytes()));
            return;
        }
        for (std::int32_t x = 0; x < w; ++x)
            image.setIndex(x, y, sampleAt(in, std::uint32_t(x), l.bps));
    });
    return image;
}

bool readableDirectly(const Layout &l)
{
    if (l.planar != PLANARCONFIG_CONTIG && l.spp > 1)
        return false;
    switch (l.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        return l.spp == 1 && (l.bps == 1 || l.bps == 2 || l.bps == 4 || l.bps == 8 || l.bps == 16);
    case PHOTOMETRIC_PALETTE: return l.spp == 1 && (l.bps == 1 || l.bps == 2 || l.bps == 4 || l.bps == 8);
    case PHOTOMETRIC_RGB: return (l.spp == 3 || l.spp == 4) && (l.bps == 8 || l.bps == 16);
    default: return false;
    }
}

void openPage(TiffFile &file, int page)
{
    if (!file.get())
        fail(ErrorCode::Corrupt, file.message());
    if (page < 0 || !TIFFSetDirectory(file.get(), tdir_t(page)))
        fail(file.damaged() ? ErrorCode::Corrupt : ErrorCode::NoSuchPage, "no such page");
    if (file.damaged())
        fail(ErrorCode::Corrupt, "TIFF file truncated");
}

const char *compressionName(int code)
{
    switch (code) {
    case COMPRESSION_NONE: return "NONE";
    case COMPRESSION_CCITTRLE: return "CCITT3";
    case COMPRESSION_CCITTFAX3: return "FAXCCITT3";
    case COMPRESSION_CCITTFAX4: return "FAXCCITT4";
    case COMPRESSION_LZW: return "LZW";
    case COMPRESSION_PACKBITS: return "PACKBITS";
    case COMPRESSION_JPEG: return "JPEG";
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return "DEFLATE";
    default: return "UNKNOWN";
    }
}

// The tags that decide how a strip's pixels are laid out and compressed.
struct StripFormat {
    std::uint32_t width = 0;
    std::uint16_t bitsPerSample = 8, spp = 3, photometric = PHOTOMETRIC_RGB, compression = COMPRESSION_NONE;
    bool predictor = false;
};

void setStripFormat(TIFF *tif, const StripFormat &f, std::uint32_t height)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, f.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, f.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, f.spp);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, f.compression);
    if (f.predictor)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
}

// Compresses one strip on its own, as the only strip of a throw-away file in
// memory with the same format, and returns the compressed bytes.
std::vector<std::uint8_t> compressStrip(const StripFormat &format, std::vector<std::uint8_t> &pixels, std::uint32_t rows)
{
    TiffFile scratch({}, "w");
    TIFF *tif = scratch.get();
    if (!tif)
        fail(ErrorCode::CannotCreate, scratch.message());
    setStripFormat(tif, format, rows);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
    if (TIFFWriteEncodedStrip(tif, 0, pixels.data(), tmsize_t(pixels.size())) < 0)
        fail(ErrorCode::CannotCreate, scratch.message());
    const std::uint64_t offset = TIFFGetStrileOffset(tif, 0), count = TIFFGetStrileByteCount(tif, 0);
    const std::vector<std::uint8_t> &bytes = scratch.bytes();
    if (offset > bytes.size() || count > bytes.size() - offset)
        fail(ErrorCode::CannotCreate, "strip lost while compressing");
    return {bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(offset + count)};
}

// The pixels, in strips of about half a megabyte: few enough that the
// compressor's per-strip start costs nothing, small enough for any reader.
// Rows go straight from the image into a strip buffer, turned from blue,
// green, red to red, green, blue on the way.  Strips compress independently,
// so as many as there are cores are compressed at once and then written in
// order as they are; progress is reported between those rounds.
void writeStrips(TiffFile &file, const Image &image, const StripFormat &format, const Progress &progress)
{
    TIFF *tif = file.get();
    const auto scanline = std::size_t(TIFFScanlineSize64(tif));
    const auto height = std::uint32_t(image.height());
    const auto rowsPerStrip = std::uint32_t(std::clamp<std::size_t>((512 << 10) / scanline, 1, height));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    const bool compressed = format.compression != COMPRESSION_NONE;
    const int workers = workerCount();
    std::vector<std::vector<std::uint8_t>> pixels(std::size_t(workers), std::vector<std::uint8_t>(scanline * rowsPerStrip));
    std::vector<std::vector<std::uint8_t>> packed(static_cast<std::size_t>(workers));
    const auto fill = [&](std::uint32_t strip, std::vector<std::uint8_t> &buffer) {
        const std::uint32_t first = strip * rowsPerStrip, rows = std::min(rowsPerStrip, height - first);
        buffer.resize(scanline * rows);
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint8_t *in = image.row(std::int32_t(first + r));
            std::uint8_t *out = buffer.data() + std::size_t(r) * scanline;
            if (image.bits() <= 8) {
                std::memcpy(out, in, scanline);
                continue;
            }
            swapRedBlue(in, format.spp, out, format.spp, std::size_t(image.width()));
        }
        return rows;
    };
    ProgressTicker tick(progress, strips);
    for (std::uint32_t round = 0; round < strips; round += std::uint32_t(workers)) {
        const int count = int(std::min(std::uint32_t(workers), strips - round));
        runTogether(count, [&](int worker) {
            std::vector<std::uint8_t> &buffer = pixels[std::size_t(worker)];
            const std::uint32_t rows = fill(round + std::uint32_t(worker), buffer);
            if (compressed)
                packed[std::size_t(worker)] = compressStrip(format, buffer, rows);
        });
        for (int worker = 0; worker < count; ++worker) {
            std::vector<std::uint8_t> &bytes = compressed ? packed[std::size_t(worker)] : pixels[std::size_t(worker)];
            if (TIFFWriteRawStrip(tif, round + std::uint32_t(worker), bytes.data(), tmsize_t(bytes.size())) < 0)
                file.failWriting();
        }
        tick(round + std::uint32_t(count));
    }
}

class TiffCodec final : public Codec {
public:
    Format format() const override { return Format::Tiff; }
    const char *name() const override { return "TIFF"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        if (head.size() < 8)
            return false;
        return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0)
            || (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
    }

    ImageInfo readInfo(const Input &input, const ReadOptions &options) const override
    {
        if (!canRead(input.head()))
            fail(ErrorCode::NotThisFormat, "not a TIFF file");
        TiffFile file(input);
        openPage(file, options.page);
        const Layout l = readLayout(file.get());
        ImageInfo info;
        info.format = Format::Tiff;
        info.width = std::int32_t(std::min<std::uint32_t>(l.width, INT32_MAX));
        info.height = std::int32_t(std::min<std::uint32_t>(l.height, INT32_MAX));
        info.bits = l.bps * l.spp;
        info.compression = l.compression;
        info.compressionName = compressionName(l.compression);
        info.pages = TIFFNumberOfDirectories(file.get());
        return info;
    }

    Image read(const Input &input, const ReadOptions &options) const override
    {
        if (!canRead(input.head()))
            fail(ErrorCode::NotThisFormat, "not a TIFF file");
        TiffFile file(input);
        openPage(file, options.page);
        Layout l = readLayout(file.get());
        checkDimensions(l.width, l.height);
        if (l.compression == COMPRESSION_JPEG && l.photometric == PHOTOMETRIC_YCBCR) {
            TIFFSetField(file.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            l.photometric = PHOTOMETRIC_RGB;
        }
        Image image = readableDirectly(l) ? readDirect(file, l, options) : readThroughRgba(file, l);
        float xRes = 0, yRes = 0;
        std::uint16_t unit = RESUNIT_INCH;
        TIFFGetFieldDefaulted(file.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
        if (TIFFGetField(file.get(), TIFFTAG_XRESOLUTION, &xRes) && TIFFGetField(file.get(), TIFFTAG_YRESOLUTION, &yRes)
            && xRes > 0 && yRes > 0 && xRes < 1e6 && yRes < 1e6 && unit != RESUNIT_NONE) {
            if (unit == RESUNIT_CENTIMETER)
                image.setResolution(std::int32_t(xRes * 100.0 + 0.5), std::int32_t(yRes * 100.0 + 0.5));
            else
                image.setResolution(platform::pelsPerMeterOf(xRes), platform::pelsPerMeterOf(yRes));
        }
        return image;
    }

    std::vector<std::uint8_t> write(const Image &source, const WriteOptions &options,
                                    std::span<const std::uint8_t> existing) const override
    {
        const bool appending = options.append && !existing.empty();
        if (appending && !canRead(existing))
            fail(ErrorCode::NotThisFormat, "cannot append to a file that is not TIFF");
        TiffFile file(appending ? std::vector<std::uint8_t>(existing.begin(), existing.end()) : std::vector<std::uint8_t>{},
                      appending ? "a" : "w");
        file.reserve(existing.size() + source.rowBytes() * std::size_t(source.height()) + (64 << 10));
        writePage(file, source, options);
        return file.finish();
    }

    void writeInto(FileOutput &out, const Image &image, const WriteOptions &options) const override
    {
        TiffFile file(out);
        writePage(file, image, options);
        file.finish();
    }

private:
    static void writePage(TiffFile &file, const Image &source, const WriteOptions &options)
    {
        const int compression = options.compression;
        const bool fax = compression == TiffCcittRle || compression == TiffFax3 || compression == TiffFax4;
        if (compression != TiffNone && !fax && compression != TiffLzw && compression != TiffPackBits && compression != TiffDeflate)
            fail(ErrorCode::BadParameter, "unknown TIFF compression");
        if (fax && source.bits() != 1)
            fail(ErrorCode::BadDepth, "fax compression needs a 1-bit image");
        const bool alpha = hasAlpha(source);
        std::optional<Image> widened;
        if (source.bits() == 16 || (source.bits() == 32 && !alpha))
            widened = toTrueColour(source);
        const Image &image = widened ? *widened : source;
        TIFF *tif = file.get();
        if (!tif)
            file.failWriting();
        const int bits = image.bits();
        std::uint16_t photometric = PHOTOMETRIC_RGB;
        if (bits <= 8) {
            const std::vector<Rgb> palette = image.palette();
            if (image.hasGreyPalette())
                photometric = PHOTOMETRIC_MINISBLACK;
            else if (bits == 1 && palette[0] == Rgb{255, 255, 255} && palette[1] == Rgb{0, 0, 0})
                photometric = PHOTOMETRIC_MINISWHITE;
            else
                photometric = PHOTOMETRIC_PALETTE;
        }
        StripFormat format;
        format.width = std::uint32_t(image.width());
        format.bitsPerSample = std::uint16_t(bits <= 8 ? bits : 8);
        format.spp = bits <= 8 ? 1 : bits == 24 ? 3 : 4;
        format.photometric = photometric;
        format.compression = std::uint16_t(compression);
        // horizontal differencing makes LZW and Deflate pay on photographs
        // (without it LZW makes them larger); it means nothing for indices
        format.predictor = (compression == TiffLzw || compression == TiffDeflate) && photometric != PHOTOMETRIC_PALETTE
                        && bits >= 8;
        setStripFormat(tif, format, std::uint32_t(image.height()));
        TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        if (format.spp == 4) {
            const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        if (image.xPelsPerMeter() > 0 && image.yPelsPerMeter() > 0) {
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(platform::exactDotsPerInch(image.xPelsPerMeter())));
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(platform::exactDotsPerInch(image.yPelsPerMeter())));
        }
        std::vector<std::uint16_t> map;
        if (photometric == PHOTOMETRIC_PALETTE) {
            const int count = 1 << bits;
            map.assign(std::size_t(count) * 3, 0);
            for (int i = 0; i < image.colourCount() && i < count; ++i) {
                const Rgb c = image.colour(i);
                map[i] = std::uint16_t(c.red * 257);
                map[count + i] = std::uint16_t(c.green * 257);
                map[2 * count + i] = std::uint16_t(c.blue * 257);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + count, map.data() + 2 * count);
        }
        writeStrips(file, image, format, options.progress);
        if (!TIFFWriteDirectory(tif))
            file.failWriting();
    }
};

} // namespace

const Codec &tiffCodec()
{
    static const TiffCodec codec;
    return codec;
}

} // namespace codecs
