// PNG through libpng: every colour type and depth, interlaced or not.
// Palette and grey images up to 8 bits keep a colour table (2 bits widen to
// 4); colour gives 24 bits, or 32 with alpha when there is transparency;
// 16-bit samples are rounded to 8 bits.  The gAMA chunk (or the gamma that
// libpng derives from an sRGB chunk) is reported as the image's gamma.
//
// Pictures that are not interlaced are written without libpng: the rows are
// filtered on every core at once, each with the filter libpng's heuristic
// picks (the smallest sum of the filtered bytes as signed values; none at
// all for colour tables and depths below 8), and compressed in one go by
// libdeflate, several times faster than zlib at a smaller size.
#include "Convert.h"
#include "Formats.h"
#include "Parallel.h"

#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace codecs {
namespace {

struct PngMessages {
    std::string error;
};

void onPngError(png_structp png, png_const_charp message)
{
    static_cast<PngMessages *>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}
void onPngWarning(png_structp, png_const_charp) {}

void readFromInput(png_structp png, png_bytep out, png_size_t length)
{
    auto *in = static_cast<InputStream *>(png_get_io_ptr(png));
    std::size_t done = 0;
    bool unreadable = false;
    try {
        while (done < length)
            if (const std::size_t n = in->readSome(out + done, length - done); n > 0)
                done += n;
            else
                break;
    } catch (const Error &) {
        unreadable = true; // nothing may unwind through libpng
    }
    if (unreadable || done < length)
        png_error(png, unreadable ? "file unreadable" : "file truncated");
}

void writeToMemory(png_structp png, png_bytep data, png_size_t length)
{
    auto *out = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

class PngRead {
public:
    PngRead()
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &messages, onPngError, onPngWarning);
        if (!png)
            fail(ErrorCode::OutOfMemory, "out of memory");
        info = png_create_info_struct(png);
        if (!info) {
            png_destroy_read_struct(&png, nullptr, nullptr);
            fail(ErrorCode::OutOfMemory, "out of memory");
        }
        png_set_user_limits(png, kMaxDimension, kMaxDimension);
        png_set_chunk_malloc_max(png, 64u << 20);
        // Chunks we have no use for are skipped unread, so that a damaged
        // length there cannot make libpng allocate for it.
        static const png_byte unused[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0hIST\0tIME";
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, unused, int(sizeof unused / 5));
    }
    ~PngRead() { png_destroy_read_struct(&png, &info, nullptr); }
    PngRead(const PngRead &) = delete;
    PngRead &operator=(const PngRead &) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngMessages messages;
};

class PngWrite {
public:
    PngWrite()
    {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &messages, onPngError, onPngWarning);
        if (!png)
            fail(ErrorCode::OutOfMemory, "out of memory");
        info = png_create_info_struct(png);
        if (!info) {
            png_destroy_write_struct(&png, nullptr);
            fail(ErrorCode::OutOfMemory, "out of memory");
        }
    }
    ~PngWrite() { png_destroy_write_struct(&png, &info); }
    PngWrite(const PngWrite &) = delete;
    PngWrite &operator=(const PngWrite &) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngMessages messages;
};

// How the decoded rows become the image.
struct ReadPlan {
    int outBits = 0;           // depth of the resulting image
    bool packedIndices = false; // rows are one byte per index, to be packed
    std::vector<Rgb> palette;
};

ReadPlan planRead(png_structp png, png_infop info)
{
    const int type = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool transparent = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    ReadPlan plan;
    if (depth == 16)
        png_set_scale_16(png); // rounds, as other readers do
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &entries, &count);
        for (int i = 0; i < count; ++i)
            plan.palette.push_back({entries[i].red, entries[i].green, entries[i].blue});
        png_set_packing(png);
        plan.outBits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        plan.packedIndices = true;
    } else if (type == PNG_COLOR_TYPE_GRAY && !transparent) {
        const int levels = 1 << std::min(depth, 8);
        for (int i = 0; i < levels; ++i) {
            const auto v = std::uint8_t(i * 255 / (levels - 1));
            plan.palette.push_back({v, v, v});
        }
        png_set_packing(png);
        plan.outBits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        plan.packedIndices = true;
    } else {
        if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_expand_gray_1_2_4_to_8(png);
            png_set_gray_to_rgb(png);
        }
        const bool alpha = transparent || (type & PNG_COLOR_MASK_ALPHA);
        if (transparent)
            png_set_tRNS_to_alpha(png);
        png_set_bgr(png);
        plan.outBits = alpha ? 32 : 24;
    }
    return plan;
}

void packRow(const std::uint8_t *indices, std::uint8_t *row, std::int32_t width, int bits)
{
    if (bits == 8) {
        std::memcpy(row, indices, std::size_t(width));
        return;
    }
    std::memset(row, 0, dib_row_bytes(width, unsigned(bits)));
    for (std::int32_t x = 0; x < width; ++x) {
        if (bits == 1)
            row[x >> 3] |= std::uint8_t((indices[x] & 1) << (7 - (x & 7)));
        else
            row[x >> 1] |= std::uint8_t((indices[x] & 0x0F) << ((x & 1) ? 0 : 4));
    }
}

void readHeader(PngRead &r, InputStream &input)
{
    png_set_read_fn(r.png, &input, readFromInput);
    png_read_info(r.png, r.info);
}

// The parts of a PNG file written without libpng: the chunks before the
// pixels, the compressed pixels and the end.
struct FastPng {
    std::vector<std::uint8_t> head;
    std::unique_ptr<std::uint8_t[]> pixels; // zlib stream, `pixelBytes` long
    std::size_t pixelBytes = 0;
    std::vector<std::uint8_t> tail;
};

void putU32(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

// A chunk's length and type; its data follows, then chunkEnd.
void chunkStart(std::vector<std::uint8_t> &out, const char *type, std::size_t length)
{
    putU32(out, std::uint32_t(length));
    out.insert(out.end(), type, type + 4);
}
void chunkEnd(std::vector<std::uint8_t> &out, std::uint32_t crc) { putU32(out, crc); }
std::uint32_t crcOf(std::uint32_t crc, const std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const auto part = unsigned(std::min<std::size_t>(size, 1u << 30));
        crc = std::uint32_t(::crc32(crc, data, part));
        data += part, size -= part;
    }
    return crc;
}
void chunk(std::vector<std::uint8_t> &out, const char *type, const std::vector<std::uint8_t> &data)
{
    chunkStart(out, type, data.size());
    const std::uint32_t crc = crcOf(crcOf(0, reinterpret_cast<const std::uint8_t *>(type), 4), data.data(), data.size());
    out.insert(out.end(), data.begin(), data.end());
    chunkEnd(out, crc);
}

// Filter types in libpng's order of preference.
enum Filter : std::uint8_t { None, Sub, Up, Average, Paeth };

// Sum of the bytes as signed values, libpng's measure of a filtered row.
std::size_t signedSum(const std::uint8_t *row, std::size_t count)
{
    std::size_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += row[i] < 128 ? row[i] : 256 - row[i];
    return sum;
}

int paethOf(int left, int up, int upLeft)
{
    const int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
    return pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
}

template <Filter Kind>
void applyFilter(const std::uint8_t *raw, const std::uint8_t *prior, std::size_t count, std::size_t bpp, std::uint8_t *out)
{
    for (std::size_t i = 0; i < count; ++i) {
        const int left = i >= bpp ? raw[i - bpp] : 0, up = prior[i], upLeft = i >= bpp ? prior[i - bpp] : 0;
        int predicted = 0;
        if constexpr (Kind == Sub)
            predicted = left;
        else if constexpr (Kind == Up)
            predicted = up;
        else if constexpr (Kind == Average)
            predicted = (left + up) / 2;
        else if constexpr (Kind == Paeth)
            predicted = paethOf(left, up, upLeft);
        out[i] = std::uint8_t(raw[i] - predicted);
    }
}

// Filters a row each way and keeps the smallest by libpng's measure (the
// first of equals, in libpng's order) in out, after its filter byte.
void filterRow(const std::uint8_t *raw, const std::uint8_t *prior, std::size_t count, std::size_t bpp,
               std::uint8_t *trial, std::uint8_t *out)
{
    out[0] = None;
    std::memcpy(out + 1, raw, count);
    std::size_t best = signedSum(raw, count);
    auto attempt = [&](Filter filter, auto apply) {
        apply(raw, prior, count, bpp, trial);
        const std::size_t sum = signedSum(trial, count);
        if (sum < best) {
            best = sum;
            out[0] = filter;
            std::memcpy(out + 1, trial, count);
        }
    };
    attempt(Sub, applyFilter<Sub>);
    attempt(Up, applyFilter<Up>);
    attempt(Average, applyFilter<Average>);
    attempt(Paeth, applyFilter<Paeth>);
}

// Row y as PNG samples: red, green, blue (, alpha), or the DIB's own bytes
// for colour tables and grey.
void rawRow(const Image &image, std::int32_t y, bool alpha, std::uint8_t *out, std::size_t count)
{
    const std::uint8_t *in = image.row(y);
    if (image.bits() <= 8) {
        std::memcpy(out, in, count);
        return;
    }
    swapRedBlue(in, image.bits() / 8, out, alpha ? 4 : 3, std::size_t(image.width()));
}

struct Compressor {
    void operator()(libdeflate_compressor *c) const { libdeflate_free_compressor(c); }
};

// libdeflate's level 4 writes files within about 1 % of zlib's level 7 in
// a tenth of its time (a photo-like A4 page at 300 dpi: 5.28 MB in 0.25 s
// against 5.22 MB in 3 s).
constexpr int kDeflateLevel = 4;

FastPng encodeFast(const Image &image, bool grey, bool alpha, const WriteOptions &options)
{
    const int bits = image.bits() <= 8 ? image.bits() : 8;
    const int channels = image.bits() <= 8 ? 1 : alpha ? 4 : 3;
    const std::uint8_t type = grey ? 0 : image.bits() <= 8 ? 3 : alpha ? 6 : 2;
    const std::size_t rowBytes = (std::size_t(image.width()) * channels * bits + 7) / 8;
    const std::size_t bpp = std::max(1, channels * bits / 8);
    const std::size_t height = std::size_t(image.height());
    FastPng png;
    static const std::uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    png.head.assign(signature, signature + 8);
    std::vector<std::uint8_t> header;
    putU32(header, std::uint32_t(image.width()));
    putU32(header, std::uint32_t(image.height()));
    header.insert(header.end(), {std::uint8_t(bits), type, 0, 0, 0});
    chunk(png.head, "IHDR", header);
    if (type == 3) {
        std::vector<std::uint8_t> palette;
        for (const Rgb &c : image.palette())
            palette.insert(palette.end(), {c.red, c.green, c.blue});
        chunk(png.head, "PLTE", palette);
    }
    if (image.xPelsPerMeter() > 0 && image.yPelsPerMeter() > 0) {
        std::vector<std::uint8_t> density;
        putU32(density, std::uint32_t(image.xPelsPerMeter()));
        putU32(density, std::uint32_t(image.yPelsPerMeter()));
        density.push_back(1); // per metre
        chunk(png.head, "pHYs", density);
    }

    // every row with its filter byte, the rows shared out in bands
    const bool choose = type != 3 && bits >= 8;
    const std::size_t stride = rowBytes + 1;
    std::unique_ptr<std::uint8_t[]> filtered(new std::uint8_t[stride * height]);
    const int workers = workerCount();
    const std::size_t band = 64 * std::size_t(workers);
    ProgressTicker tick(options.progress, std::int64_t(height) + std::int64_t(height) / 2);
    for (std::size_t top = 0; top < height; top += band) {
        const std::size_t bottom = std::min(height, top + band);
        runTogether(workers, [&](int worker) {
            std::vector<std::uint8_t> raw(rowBytes), prior(rowBytes), trial(rowBytes);
            std::size_t y = top + std::size_t(worker) * (bottom - top) / std::size_t(workers);
            const std::size_t end = top + std::size_t(worker + 1) * (bottom - top) / std::size_t(workers);
            if (y < end && y > 0)
                rawRow(image, std::int32_t(y - 1), alpha, prior.data(), rowBytes);
            for (; y < end; ++y) {
                rawRow(image, std::int32_t(y), alpha, raw.data(), rowBytes);
                std::uint8_t *out = filtered.get() + y * stride;
                if (choose) {
                    filterRow(raw.data(), prior.data(), rowBytes, bpp, trial.data(), out);
                } else {
                    out[0] = None;
                    std::memcpy(out + 1, raw.data(), rowBytes);
                }
                std::swap(raw, prior);
            }
        });
        tick(std::int64_t(bottom));
    }

    std::unique_ptr<libdeflate_compressor, Compressor> compressor(libdeflate_alloc_compressor(kDeflateLevel));
    if (!compressor)
        fail(ErrorCode::OutOfMemory, "out of memory");
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), stride * height);
    png.pixels.reset(new std::uint8_t[bound]);
    png.pixelBytes = libdeflate_zlib_compress(compressor.get(), filtered.get(), stride * height, png.pixels.get(), bound);
    if (png.pixelBytes == 0 || png.pixelBytes > 0x7FFFFFFF)
        fail(ErrorCode::CannotCreate, "PNG pixels too large");
    tick(std::int64_t(height) + std::int64_t(height) / 2);

    chunkStart(png.head, "IDAT", png.pixelBytes);
    chunkEnd(png.tail, crcOf(crcOf(0, reinterpret_cast<const std::uint8_t *>("IDAT"), 4), png.pixels.get(), png.pixelBytes));
    chunk(png.tail, "IEND", {});
    return png;
}

class PngCodec final : public Codec {
public:
    Format format() const override { return Format::Png; }
    const char *name() const override { return "PNG"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= 8 && png_sig_cmp(head.data(), 0, 8) == 0;
    }

    ImageInfo readInfo(const Input &file, const ReadOptions &) const override
    {
        PngRead r;
        InputStream input(file);
        ImageInfo info;
        if (setjmp(png_jmpbuf(r.png)))
            fail(ErrorCode::Corrupt, r.messages.error);
        readHeader(r, input);
        info.format = Format::Png;
        info.width = std::int32_t(png_get_image_width(r.png, r.info));
        info.height = std::int32_t(png_get_image_height(r.png, r.info));
        info.bits = png_get_bit_depth(r.png, r.info) * png_get_channels(r.png, r.info);
        info.compression = TiffDeflate;
        info.compressionName = "DEFLATE";
        return info;
    }

    Image read(const Input &file, const ReadOptions &options) const override
    {
        if (!canRead(file.head()))
            fail(ErrorCode::NotThisFormat, "not a PNG file");
        PngRead r;
        InputStream input(file);
        Image image;
        ReadPlan plan;
        std::vector<std::uint8_t> indices;
        if (setjmp(png_jmpbuf(r.png)))
            fail(ErrorCode::Corrupt, r.messages.error);
        readHeader(r, input);
        const auto width = std::int32_t(png_get_image_width(r.png, r.info));
        const auto height = std::int32_t(png_get_image_height(r.png, r.info));
        plan = planRead(r.png, r.info);
        const int passes = png_set_interlace_handling(r.png);
        png_read_update_info(r.png, r.info);
        image = Image(width, height, plan.outBits, plan.palette);
        if (png_get_rowbytes(r.png, r.info) > (plan.packedIndices ? std::size_t(width) : image.rowBytes()))
            fail(ErrorCode::Corrupt, "unexpected PNG row size");
        // Indices come one a byte: a row of them at a time is packed, except
        // that the passes of an interlaced picture each add to every row.
        const bool interlaced = passes > 1;
        if (plan.packedIndices)
            indices.assign(std::size_t(width) * std::size_t(interlaced ? height : 1), 0);
        const auto indexRow = [&](std::int32_t y) { return indices.data() + (interlaced ? std::size_t(y) * std::size_t(width) : 0); };
        ProgressTicker tick(options.progress, std::int64_t(passes) * height);
        for (int pass = 0; pass < passes; ++pass)
            for (std::int32_t y = 0; y < height; ++y) {
                png_read_row(r.png, plan.packedIndices ? indexRow(y) : image.row(y), nullptr);
                if (plan.packedIndices && !interlaced)
                    packRow(indexRow(y), image.row(y), width, plan.outBits);
                tick(std::int64_t(pass) * height + y);
            }
        if (plan.packedIndices && interlaced)
            for (std::int32_t y = 0; y < height; ++y)
                packRow(indexRow(y), image.row(y), width, plan.outBits);
        png_uint_32 xRes = 0, yRes = 0;
        int unit = 0;
        if (png_get_pHYs(r.png, r.info, &xRes, &yRes, &unit) && unit == PNG_RESOLUTION_METER)
            image.setResolution(std::int32_t(xRes), std::int32_t(yRes));
        // gAMA holds the encoding exponent, the inverse of the display gamma
        double encoding = 0;
        if (png_get_gAMA(r.png, r.info, &encoding) && encoding > 0)
            image.setGamma(1 / encoding);
        return image;
    }

    std::vector<std::uint8_t> write(const Image &source, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        const Image wide = source.bits() == 16 ? toTrueColour(source) : Image();
        const Image &image = wide.isNull() ? source : wide;
        const bool grey = image.bits() <= 8 && image.hasGreyPalette();
        std::vector<std::uint8_t> out;
        if (!options.interlaced) {
            const FastPng png = encodeFast(image, grey, hasAlpha(image), options);
            out.reserve(png.head.size() + png.pixelBytes + png.tail.size());
            out.insert(out.end(), png.head.begin(), png.head.end());
            out.insert(out.end(), png.pixels.get(), png.pixels.get() + png.pixelBytes);
            out.insert(out.end(), png.tail.begin(), png.tail.end());
            return out;
        }
        PngWrite w;
        if (setjmp(png_jmpbuf(w.png)))
            fail(ErrorCode::CannotCreate, w.messages.error);
        encode(w, image, grey, hasAlpha(image), options, out);
        return out;
    }

    // The compressed pixels go to the file from where they were made.
    void writeInto(FileOutput &out, const Image &image, const WriteOptions &options) const override
    {
        if (options.interlaced || image.bits() == 16)
            return Codec::writeInto(out, image, options);
        const FastPng png = encodeFast(image, image.bits() <= 8 && image.hasGreyPalette(), hasAlpha(image), options);
        out.append(png.head);
        out.append({png.pixels.get(), png.pixelBytes});
        out.append(png.tail);
    }

private:
    static void encode(PngWrite &w, const Image &image, bool grey, bool alpha, const WriteOptions &options,
                       std::vector<std::uint8_t> &out)
    {
        png_set_write_fn(w.png, &out, writeToMemory, flushNothing);
        int type = PNG_COLOR_TYPE_RGB;
        if (grey)
            type = PNG_COLOR_TYPE_GRAY;
        else if (image.bits() <= 8)
            type = PNG_COLOR_TYPE_PALETTE;
        else if (alpha)
            type = PNG_COLOR_TYPE_RGB_ALPHA;
        png_set_IHDR(w.png, w.info, png_uint_32(image.width()), png_uint_32(image.height()),
                     image.bits() <= 8 ? image.bits() : 8, type,
                     options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        std::vector<png_color> palette;
        if (type == PNG_COLOR_TYPE_PALETTE) {
            for (const Rgb &c : image.palette())
                palette.push_back({c.red, c.green, c.blue});
            png_set_PLTE(w.png, w.info, palette.data(), int(palette.size()));
        }
        if (image.xPelsPerMeter() > 0 && image.yPelsPerMeter() > 0)
            png_set_pHYs(w.png, w.info, png_uint_32(image.xPelsPerMeter()), png_uint_32(image.yPelsPerMeter()),
                         PNG_RESOLUTION_METER);
        png_write_info(w.png, w.info);
        if (image.bits() >= 24)
            png_set_bgr(w.png);
        if (image.bits() == 32 && !alpha)
            png_set_filler(w.png, 0, PNG_FILLER_AFTER);
        const int passes = png_set_interlace_handling(w.png);
        ProgressTicker tick(options.progress, std::int64_t(passes) * image.height());
        for (int pass = 0; pass < passes; ++pass)
            for (std::int32_t y = 0; y < image.height(); ++y) {
                png_write_row(w.png, image.row(y));
                tick(std::int64_t(pass) * image.height() + y);
            }
        png_write_end(w.png, nullptr);
    }
};

} // namespace

const Codec &pngCodec()
{
    static const PngCodec codec;
    return codec;
}

} // namespace codecs
