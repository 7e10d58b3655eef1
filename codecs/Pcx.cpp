// PCX (ZSoft): 1 bit, 1-bit planes up to 16 colours, 2 and 4 bits, 8 bits
// with the 256-colour table at the end, 24 and 32 bits as 3 or 4 byte
// planes; run-length coded or plain.  Writing: 1, 4 (four planes), 8 and 24.
#include "ByteReader.h"
#include "Convert.h"
#include "Formats.h"

#include <algorithm>
#include <cstring>

namespace codecs {
namespace {

struct PcxHeader {
    int version = 0, encoding = 0, bitsPerPlane = 0, planes = 0, bytesPerLine = 0;
    std::int32_t width = 0, height = 0;
    int xDpi = 0, yDpi = 0;
    std::span<const std::uint8_t> egaPalette;
};

PcxHeader parseHeader(std::span<const std::uint8_t> file)
{
    if (file.size() < 128 || file[0] != 10)
        fail(ErrorCode::NotThisFormat, "not a PCX file");
    ByteReader in(file, 1);
    PcxHeader h;
    h.version = in.u8();
    h.encoding = in.u8();
    h.bitsPerPlane = in.u8();
    const int xMin = in.u16(), yMin = in.u16(), xMax = in.u16(), yMax = in.u16();
    h.xDpi = in.u16();
    h.yDpi = in.u16();
    h.egaPalette = in.bytes(48);
    in.skip(1);
    h.planes = in.u8();
    h.bytesPerLine = in.u16();
    h.width = xMax - xMin + 1;
    h.height = yMax - yMin + 1;
    // no planes would mean an image of any size without a byte of pixel data
    if (h.width <= 0 || h.height <= 0 || h.encoding > 1 || h.planes == 0 || h.bitsPerPlane == 0)
        fail(ErrorCode::Corrupt, "bad PCX header");
    if (std::int64_t(h.bytesPerLine) * 8 < std::int64_t(h.width) * h.bitsPerPlane)
        fail(ErrorCode::Corrupt, "PCX line too short for its width");
    return h;
}

int outputBits(const PcxHeader &h)
{
    const int bits = h.bitsPerPlane * h.planes;
    if (h.bitsPerPlane == 1 && h.planes == 1)
        return 1;
    if ((h.bitsPerPlane == 1 && h.planes <= 4) || (h.bitsPerPlane == 2 && h.planes == 1) || (h.bitsPerPlane == 4 && h.planes == 1))
        return 4;
    if (h.bitsPerPlane == 8 && h.planes == 1)
        return 8;
    if (h.bitsPerPlane == 8 && (h.planes == 3 || h.planes == 4))
        return bits;
    fail(ErrorCode::Unsupported, "unsupported PCX plane layout");
}

// The decoded scan lines: planes × bytesPerLine bytes each.
std::vector<std::uint8_t> decodeLines(const PcxHeader &h, std::span<const std::uint8_t> file)
{
    const std::size_t lineBytes = std::size_t(h.planes) * std::size_t(h.bytesPerLine);
    const std::size_t total = lineBytes * std::size_t(h.height);
    if (total > kMaxImageBytes)
        fail(ErrorCode::TooLarge, "PCX image too large");
    ByteReader in(file, 128);
    if (h.encoding == 0) {
        const auto raw = in.bytes(total);
        return {raw.begin(), raw.end()};
    }
    // a run of the worst case is 2 bytes for 1 pixel byte; refuse early a
    // file far too short to hold the image
    if (total / 64 > file.size())
        fail(ErrorCode::Corrupt, "PCX file truncated");
    std::vector<std::uint8_t> out(total);
    std::size_t pos = 0;
    while (pos < total) {
        std::uint8_t b = in.u8();
        std::size_t count = 1;
        if ((b & 0xC0) == 0xC0) {
            count = b & 0x3F;
            b = in.u8();
        }
        count = std::min(count, total - pos);
        std::memset(out.data() + pos, b, count);
        pos += count;
    }
    return out;
}

std::vector<Rgb> headerPalette(const PcxHeader &h, int entries)
{
    std::vector<Rgb> palette(entries);
    bool any = false;
    for (int i = 0; i < entries && i < 16; ++i) {
        palette[i] = {h.egaPalette[i * 3], h.egaPalette[i * 3 + 1], h.egaPalette[i * 3 + 2]};
        any = any || palette[i] != Rgb{};
    }
    if (entries == 2 && (!any || palette[0] == palette[1]))
        return {{0, 0, 0}, {255, 255, 255}};
    return palette;
}

void rleLine(ByteWriter &out, const std::uint8_t *data, std::size_t size)
{
    std::size_t i = 0;
    while (i < size) {
        std::size_t run = 1;
        while (i + run < size && run < 63 && data[i + run] == data[i])
            ++run;
        if (run > 1 || (data[i] & 0xC0) == 0xC0)
            out.u8(unsigned(0xC0 | run));
        out.u8(data[i]);
        i += run;
    }
}

class PcxCodec final : public WholeFileCodec {
public:
    Format format() const override { return Format::Pcx; }
    const char *name() const override { return "PCX"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= 128 && head[0] == 10 && head[1] <= 5 && head[2] <= 1
            && (head[3] == 1 || head[3] == 2 || head[3] == 4 || head[3] == 8);
    }

    ImageInfo describe(std::span<const std::uint8_t> file, const ReadOptions &) const override
    {
        const PcxHeader h = parseHeader(file);
        ImageInfo info;
        info.format = Format::Pcx;
        info.width = h.width;
        info.height = h.height;
        info.bits = h.bitsPerPlane * h.planes;
        info.compression = h.encoding ? 2 : TiffNone;
        info.compressionName = h.encoding ? "RLE" : "NONE";
        return info;
    }

    Image decode(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const PcxHeader h = parseHeader(file);
        const int bits = outputBits(h);
        checkDimensions(h.width, h.height);
        const std::vector<std::uint8_t> lines = decodeLines(h, file);
        const std::size_t lineBytes = std::size_t(h.planes) * std::size_t(h.bytesPerLine);
        Image image;
        if (bits == 8) {
            // the 256-colour table follows a 12 byte at the very end; files
            // before version 5 had none and are grey
            std::vector<Rgb> palette = greyPalette(8);
            const bool hasTable = file.size() >= 769 + 128 && file[file.size() - 769] == 12;
            if (h.version >= 5 && !hasTable)
                fail(ErrorCode::Corrupt, "PCX colour table missing");
            for (int i = 0; hasTable && i < 256; ++i) {
                const std::uint8_t *p = file.data() + file.size() - 768 + i * 3;
                palette[i] = {p[0], p[1], p[2]};
            }
            image = Image(h.width, h.height, 8, palette);
        } else if (bits <= 4) {
            image = Image(h.width, h.height, bits, headerPalette(h, 1 << bits));
        } else {
            image = Image(h.width, h.height, bits);
        }
        ProgressTicker tick(options.progress, h.height);
        for (std::int32_t y = 0; y < h.height; ++y) {
            const std::uint8_t *line = lines.data() + std::size_t(y) * lineBytes;
            std::uint8_t *out = image.row(y);
            if (bits == 1 || bits == 8 || (bits == 4 && h.bitsPerPlane == 4)) {
                std::memcpy(out, line, std::min<std::size_t>(image.rowBytes(), std::size_t(h.bytesPerLine)));
            } else if (bits == 4) {
                for (std::int32_t x = 0; x < h.width; ++x) {
                    int value = 0;
                    if (h.bitsPerPlane == 2) {
                        value = (line[x >> 2] >> (6 - 2 * (x & 3))) & 3;
                    } else {
                        for (int p = 0; p < h.planes; ++p)
                            value |= ((line[std::size_t(p) * h.bytesPerLine + std::size_t(x >> 3)] >> (7 - (x & 7))) & 1) << p;
                    }
                    image.setIndex(x, y, value);
                }
            } else {
                const int step = bits / 8;
                for (std::int32_t x = 0; x < h.width; ++x) {
                    out[x * step + 2] = line[x];
                    out[x * step + 1] = line[h.bytesPerLine + x];
                    out[x * step] = line[2 * h.bytesPerLine + x];
                    if (step == 4)
                        out[x * 4 + 3] = line[3 * h.bytesPerLine + x];
                }
            }
            tick(y);
        }
        if (h.xDpi > 0 && h.yDpi > 0)
            image.setResolution(pelsPerMeter(h.xDpi), pelsPerMeter(h.yDpi));
        return image;
    }

    std::vector<std::uint8_t> write(const Image &source, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        const Image image = source.bits() > 8 && source.bits() != 24 ? toTrueColour(source) : source;
        if (image.width() > 65535 || image.height() > 65535)
            fail(ErrorCode::TooLarge, "PCX images are at most 65535 pixels wide and high");
        const int bits = image.bits();
        const int planes = bits == 4 ? 4 : bits == 24 ? 3 : 1;
        const int bitsPerPlane = bits == 8 || bits == 24 ? 8 : 1;
        int bytesPerLine = (image.width() * bitsPerPlane + 7) / 8;
        bytesPerLine += bytesPerLine & 1;
        ByteWriter out;
        out.u8(10);
        out.u8(5);
        out.u8(1);
        out.u8(unsigned(bitsPerPlane));
        out.u16(0);
        out.u16(0);
        out.u16(unsigned(image.width() - 1));
        out.u16(unsigned(image.height() - 1));
        out.u16(unsigned(dotsPerInch(image.xPelsPerMeter())));
        out.u16(unsigned(dotsPerInch(image.yPelsPerMeter())));
        for (int i = 0; i < 16; ++i) {
            const Rgb c = i < image.colourCount() && bits <= 4 ? image.colour(i) : Rgb{};
            out.u8(c.red);
            out.u8(c.green);
            out.u8(c.blue);
        }
        out.u8(0);
        out.u8(unsigned(planes));
        out.u16(unsigned(bytesPerLine));
        out.u16(bits == 8 && image.hasGreyPalette() ? 2 : 1);
        out.fill(58);

        std::vector<std::uint8_t> plane(static_cast<std::size_t>(bytesPerLine));
        ProgressTicker tick(options.progress, image.height());
        for (std::int32_t y = 0; y < image.height(); ++y) {
            const std::uint8_t *in = image.row(y);
            for (int p = 0; p < planes; ++p) {
                std::fill(plane.begin(), plane.end(), 0);
                if (bits == 1 || bits == 8) {
                    std::memcpy(plane.data(), in, std::size_t((image.width() * bits + 7) / 8));
                } else if (bits == 4) {
                    for (std::int32_t x = 0; x < image.width(); ++x)
                        if ((image.index(x, y) >> p) & 1)
                            plane[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
                } else {
                    for (std::int32_t x = 0; x < image.width(); ++x)
                        plane[x] = in[x * 3 + 2 - p];
                }
                rleLine(out, plane.data(), plane.size());
            }
            tick(y);
        }
        if (bits == 8) {
            out.u8(12);
            for (int i = 0; i < 256; ++i) {
                const Rgb c = i < image.colourCount() ? image.colour(i) : Rgb{};
                out.u8(c.red);
                out.u8(c.green);
                out.u8(c.blue);
            }
        }
        return std::move(out.bytes());
    }
};

} // namespace

const Codec &pcxCodec()
{
    static const PcxCodec codec;
    return codec;
}

} // namespace codecs
