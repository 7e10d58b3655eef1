// PBM, PGM and PPM (netpbm): the plain (ASCII) kinds P1, P2, P3 and the raw
// (binary) kinds P4, P5, P6, with comments between header fields and any
// maxval from 1 to 65535 (two big-endian bytes per sample above 255).
// Reading: PBM gives 1 bit with the table black, white (a PBM 1 is black),
// PGM 8 bits with a grey table, PPM 24 bits; samples are scaled to 0..255
// with rounding.  Writing keeps every colour: raw PBM for a 1-bit image that
// is pure black and white, raw PGM for any other grey table, raw PPM else.
#include "ByteReader.h"
#include "Convert.h"
#include "Formats.h"

#include <algorithm>
#include <string>

namespace codecs {
namespace {

enum class Kind { Bitmap, Graymap, Pixmap };

struct PnmHeader {
    Kind kind = Kind::Bitmap;
    bool plain = false;
    std::int32_t width = 0, height = 0;
    unsigned maxval = 1;
    std::size_t dataOffset = 0; // first byte of the raster
};

bool isPnmSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reads the header's numbers and the plain rasters' samples: blanks and
// comments ("#" to the end of the line) may come before each of them.
class PnmText {
public:
    PnmText(std::span<const std::uint8_t> file, std::size_t pos) : file_(file), pos_(pos) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return file_.size() - pos_; }

    // A decimal number, saturated at `limit` + 1 so that long digit strings cannot overflow.
    std::uint64_t number(std::uint64_t limit)
    {
        skipBlanks();
        if (pos_ == file_.size())
            fail(ErrorCode::Corrupt, "PNM file truncated");
        if (file_[pos_] < '0' || file_[pos_] > '9')
            fail(ErrorCode::Corrupt, "PNM number expected");
        std::uint64_t value = 0;
        for (; pos_ < file_.size() && file_[pos_] >= '0' && file_[pos_] <= '9'; ++pos_)
            value = std::min(value * 10 + (file_[pos_] - '0'), limit + 1);
        return value;
    }

    // One plain PBM pixel: the digits need no blank between them.
    int bit()
    {
        skipBlanks();
        if (pos_ == file_.size())
            fail(ErrorCode::Corrupt, "PBM file truncated");
        const std::uint8_t c = file_[pos_++];
        if (c != '0' && c != '1')
            fail(ErrorCode::Corrupt, "PBM pixel expected");
        return c - '0';
    }

    // The one blank that ends the header of a raw file.
    void endOfHeader()
    {
        if (pos_ == file_.size())
            fail(ErrorCode::Corrupt, "PNM file truncated");
        if (!isPnmSpace(file_[pos_]))
            fail(ErrorCode::Corrupt, "PNM header not ended by a blank");
        ++pos_;
    }

private:
    void skipBlanks()
    {
        while (pos_ < file_.size()) {
            if (file_[pos_] == '#') {
                while (pos_ < file_.size() && file_[pos_] != '\n' && file_[pos_] != '\r')
                    ++pos_;
            } else if (isPnmSpace(file_[pos_])) {
                ++pos_;
            } else {
                return;
            }
        }
    }

    std::span<const std::uint8_t> file_;
    std::size_t pos_;
};

bool hasMagic(std::span<const std::uint8_t> head)
{
    return head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6'
        && (isPnmSpace(head[2]) || head[2] == '#');
}

PnmHeader parseHeader(std::span<const std::uint8_t> file)
{
    if (!hasMagic(file))
        fail(ErrorCode::NotThisFormat, "not a PBM, PGM or PPM file");
    const int magic = file[1] - '0';
    PnmHeader h;
    h.kind = Kind((magic - 1) % 3);
    h.plain = magic <= 3;
    PnmText text(file, 2);
    const std::uint64_t width = text.number(kMaxDimension);
    const std::uint64_t height = text.number(kMaxDimension);
    // as checkDimensions: no side may be 0 or beyond our limit
    if (width == 0 || height == 0 || width > std::uint64_t(kMaxDimension) || height > std::uint64_t(kMaxDimension))
        fail(ErrorCode::TooLarge, "PNM image dimensions out of range");
    h.width = std::int32_t(width);
    h.height = std::int32_t(height);
    if (h.kind != Kind::Bitmap) {
        const std::uint64_t maxval = text.number(65535);
        if (maxval == 0 || maxval > 65535)
            fail(ErrorCode::Corrupt, "PNM maxval out of range");
        h.maxval = unsigned(maxval);
    }
    if (!h.plain)
        text.endOfHeader();
    h.dataOffset = text.position();
    return h;
}

int samplesPerPixel(const PnmHeader &h) { return h.kind == Kind::Pixmap ? 3 : 1; }
int sampleBytes(const PnmHeader &h) { return h.maxval > 255 ? 2 : 1; }
int outputBits(const PnmHeader &h) { return h.kind == Kind::Bitmap ? 1 : h.kind == Kind::Graymap ? 8 : 24; }

// Refuses, before any memory is taken, a raster the file is too short to hold.
void requireRaster(const PnmHeader &h, std::size_t available)
{
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(h.height);
    std::uint64_t least;
    if (!h.plain && h.kind == Kind::Bitmap)
        least = std::uint64_t((h.width + 7) / 8) * std::uint64_t(h.height);
    else if (!h.plain)
        least = pixels * std::uint64_t(samplesPerPixel(h) * sampleBytes(h));
    else if (h.kind == Kind::Bitmap)
        least = pixels; // one digit per pixel
    else
        least = pixels * std::uint64_t(samplesPerPixel(h)) * 2 - 1; // digits and blanks between them
    if (available < least)
        fail(ErrorCode::Corrupt, "PNM file truncated");
}

// Sample values 0..maxval to 0..255, rounded.
class SampleScale {
public:
    explicit SampleScale(unsigned maxval) : maxval_(maxval), table_(std::size_t(maxval) + 1)
    {
        for (unsigned v = 0; v <= maxval; ++v)
            table_[v] = std::uint8_t((std::uint64_t(v) * 255 + maxval / 2) / maxval);
    }
    std::uint8_t operator()(std::uint64_t value) const
    {
        if (value > maxval_)
            fail(ErrorCode::Corrupt, "PNM sample above maxval");
        return table_[std::size_t(value)];
    }

private:
    unsigned maxval_;
    std::vector<std::uint8_t> table_;
};

// Fills rows of 8-bit grey or 24-bit pixels from a plain raster's text or
// from the rows of a raw one.
class SampleSource {
public:
    explicit SampleSource(const PnmHeader &h) : header_(h), scale_(h.maxval) {}

    void plainRow(PnmText &text, std::uint8_t *out)
    {
        fill(out, [&] { return scale_(text.number(header_.maxval)); });
    }

    void rawRow(std::span<const std::uint8_t> in, std::uint8_t *out)
    {
        if (header_.kind == Kind::Pixmap && header_.maxval == 255)
            return swapRedBlue(in.data(), 3, out, 3, std::size_t(header_.width));
        ByteReader raw(in);
        fill(out, [&] {
            if (header_.maxval <= 255)
                return scale_(raw.u8());
            const std::uint8_t high = raw.u8();
            return scale_(unsigned(high) << 8 | raw.u8());
        });
    }

private:
    template <typename Next> void fill(std::uint8_t *out, const Next &next)
    {
        if (header_.kind == Kind::Graymap) {
            for (std::int32_t x = 0; x < header_.width; ++x)
                out[x] = next();
            return;
        }
        for (std::int32_t x = 0; x < header_.width; ++x) {
            out[x * 3 + 2] = next();
            out[x * 3 + 1] = next();
            out[x * 3] = next();
        }
    }

    const PnmHeader &header_;
    SampleScale scale_;
};

// Bytes of one row of a raw raster.
std::size_t rawRowBytes(const PnmHeader &h)
{
    if (h.kind == Kind::Bitmap)
        return std::size_t(h.width + 7) / 8;
    return std::size_t(h.width) * std::size_t(samplesPerPixel(h) * sampleBytes(h));
}

// A raw PBM row: a PBM 1 is black, index 0 of our table.
void bitmapRow(const PnmHeader &h, std::span<const std::uint8_t> in, std::uint8_t *out)
{
    const auto lastMask = std::uint8_t(0xFF << (in.size() * 8 - std::size_t(h.width)));
    std::transform(in.begin(), in.end(), out, [](std::uint8_t b) { return std::uint8_t(~b); });
    out[in.size() - 1] &= lastMask;
}

// The header from the first bytes of the file, where it lies unless its
// comments take kilobytes; then from the whole file.
PnmHeader headerOf(const Input &file)
{
    try {
        return parseHeader(file.head());
    } catch (const Error &error) {
        if (error.code() != ErrorCode::Corrupt || file.head().size() == file.size())
            throw;
    }
    return parseHeader(WholeInput(file).bytes());
}

bool isGrey(Rgb c) { return c.red == c.green && c.green == c.blue; }

std::string headerText(const char *magic, const Image &image, const char *maxval)
{
    return std::string(magic) + "\n" + std::to_string(image.width()) + " " + std::to_string(image.height()) + "\n"
         + maxval;
}

class PnmCodec final : public Codec {
public:
    Format format() const override { return Format::Pnm; }
    const char *name() const override { return "PNM"; }
    bool canRead(std::span<const std::uint8_t> head) const override { return hasMagic(head); }

    ImageInfo readInfo(const Input &file, const ReadOptions &) const override
    {
        const PnmHeader h = headerOf(file);
        ImageInfo info;
        info.format = Format::Pnm;
        info.width = h.width;
        info.height = h.height;
        info.bits = h.kind == Kind::Bitmap ? 1 : samplesPerPixel(h) * sampleBytes(h) * 8;
        info.compression = TiffNone;
        info.compressionName = h.plain ? "ASCII" : "NONE";
        return info;
    }

    // A raw raster is decoded row by row as it is read; a plain one, text,
    // from the whole file.
    Image read(const Input &file, const ReadOptions &options) const override
    {
        const PnmHeader h = headerOf(file);
        const int bits = outputBits(h);
        checkDimensions(h.width, h.height);
        requireRaster(h, std::size_t(file.size() - std::min<std::uint64_t>(h.dataOffset, file.size())));
        std::vector<Rgb> palette;
        if (h.kind == Kind::Bitmap)
            palette = {{0, 0, 0}, {255, 255, 255}};
        else if (h.kind == Kind::Graymap)
            palette = greyPalette(8);
        Image image(h.width, h.height, bits, palette);
        ProgressTicker tick(options.progress, h.height);
        SampleSource samples(h);
        if (h.plain) {
            const WholeInput whole(file);
            PnmText text(whole.bytes(), h.dataOffset);
            for (std::int32_t y = 0; y < h.height; ++y) {
                if (h.kind == Kind::Bitmap)
                    for (std::int32_t x = 0; x < h.width; ++x)
                        image.setIndex(x, y, 1 - text.bit()); // a PBM 1 is black
                else
                    samples.plainRow(text, image.row(y));
                tick(y);
            }
            return image;
        }
        InputStream rows(file, h.dataOffset);
        std::vector<std::uint8_t> row(rawRowBytes(h));
        for (std::int32_t y = 0; y < h.height; ++y) {
            rows.read(row.data(), row.size());
            if (h.kind == Kind::Bitmap)
                bitmapRow(h, row, image.row(y));
            else
                samples.rawRow(row, image.row(y));
            tick(y);
        }
        return image;
    }

    std::vector<std::uint8_t> write(const Image &image, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        std::vector<Rgb> palette = image.palette();
        const bool grey = image.bits() <= 8 && std::all_of(palette.begin(), palette.end(), isGrey);
        const bool blackWhite = grey && image.bits() == 1
            && std::all_of(palette.begin(), palette.end(), [](Rgb c) { return c.red == 0 || c.red == 255; });
        palette.resize(256); // an index beyond a short table is black
        ByteWriter out;
        const std::string header = blackWhite ? headerText("P4", image, "") : headerText(grey ? "P5" : "P6", image, "255\n");
        out.append(header.data(), header.size());
        ProgressTicker tick(options.progress, image.height());
        std::vector<std::uint8_t> pbmRow(std::size_t(image.width() + 7) / 8);
        for (std::int32_t y = 0; y < image.height(); ++y) {
            const std::uint8_t *line = image.row(y);
            if (blackWhite) {
                std::fill(pbmRow.begin(), pbmRow.end(), 0);
                for (std::int32_t x = 0; x < image.width(); ++x)
                    if (palette[std::size_t(image.index(x, y))].red == 0) // black is 1
                        pbmRow[std::size_t(x) >> 3] |= std::uint8_t(0x80 >> (x & 7));
                out.append(pbmRow.data(), pbmRow.size());
            } else if (grey) {
                for (std::int32_t x = 0; x < image.width(); ++x)
                    out.u8(palette[std::size_t(image.index(x, y))].red);
            } else {
                for (std::int32_t x = 0; x < image.width(); ++x) {
                    const Rgb c = pixelColour(image, line, x);
                    out.u8(c.red);
                    out.u8(c.green);
                    out.u8(c.blue);
                }
            }
            tick(y);
        }
        return std::move(out.bytes());
    }
};

} // namespace

const Codec &pnmCodec()
{
    static const PnmCodec codec;
    return codec;
}

} // namespace codecs
