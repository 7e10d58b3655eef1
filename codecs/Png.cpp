// PNG through libpng: every colour type and depth, interlaced or not.
// Palette and grey images up to 8 bits keep a colour table (2 bits widen to
// 4); colour gives 24 bits, or 32 with alpha when there is transparency;
// 16-bit samples are rounded to 8 bits.  The gAMA chunk (or the gamma that
// libpng derives from an sRGB chunk) is reported as the image's gamma.
#include "Convert.h"
#include "Formats.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

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

struct MemoryInput {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto *in = static_cast<MemoryInput *>(png_get_io_ptr(png));
    if (length > in->data.size() - in->pos)
        png_error(png, "file truncated");
    std::memcpy(out, in->data.data() + in->pos, length);
    in->pos += length;
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

void readHeader(PngRead &r, MemoryInput &input)
{
    png_set_read_fn(r.png, &input, readFromMemory);
    png_read_info(r.png, r.info);
}

class PngCodec final : public Codec {
public:
    Format format() const override { return Format::Png; }
    const char *name() const override { return "PNG"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= 8 && png_sig_cmp(head.data(), 0, 8) == 0;
    }

    ImageInfo readInfo(std::span<const std::uint8_t> file, const ReadOptions &) const override
    {
        PngRead r;
        MemoryInput input{file};
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

    Image read(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        if (!canRead(file))
            fail(ErrorCode::NotThisFormat, "not a PNG file");
        PngRead r;
        MemoryInput input{file};
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
        if (plan.packedIndices)
            indices.assign(std::size_t(width) * std::size_t(height), 0);
        ProgressTicker tick(options.progress, std::int64_t(passes) * height);
        for (int pass = 0; pass < passes; ++pass)
            for (std::int32_t y = 0; y < height; ++y) {
                png_read_row(r.png, plan.packedIndices ? indices.data() + std::size_t(y) * std::size_t(width) : image.row(y), nullptr);
                tick(std::int64_t(pass) * height + y);
            }
        if (plan.packedIndices)
            for (std::int32_t y = 0; y < height; ++y)
                packRow(indices.data() + std::size_t(y) * std::size_t(width), image.row(y), width, plan.outBits);
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
        const Image image = source.bits() == 16 ? toTrueColour(source) : source;
        const bool grey = image.bits() <= 8 && image.hasGreyPalette();
        std::vector<std::uint8_t> out;
        PngWrite w;
        if (setjmp(png_jmpbuf(w.png)))
            fail(ErrorCode::CannotCreate, w.messages.error);
        encode(w, image, grey, hasAlpha(image), options, out);
        return out;
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
