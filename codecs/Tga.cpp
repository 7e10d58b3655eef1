// TGA (Truevision): colour-mapped, true colour (15, 16, 24, 32 bits) and
// grey, plain or run-length coded, any of the four origins.  Mapped and grey
// images give 8 bits with a colour table, 15 and 16 bits give 24.
#include "ByteReader.h"
#include "Convert.h"
#include "Formats.h"

#include <cstring>

namespace codecs {
namespace {

struct TgaHeader {
    int idLength = 0, mapType = 0, type = 0, mapFirst = 0, mapLength = 0, mapEntryBits = 0;
    std::int32_t width = 0, height = 0;
    int depth = 0, descriptor = 0;
    bool rle() const { return type >= 9; }
    int base() const { return type & 7; } // 1 mapped, 2 true colour, 3 grey
};

TgaHeader parseHeader(std::span<const std::uint8_t> file)
{
    ByteReader in(file);
    TgaHeader h;
    h.idLength = in.u8();
    h.mapType = in.u8();
    h.type = in.u8();
    h.mapFirst = in.u16();
    h.mapLength = in.u16();
    h.mapEntryBits = in.u8();
    in.skip(4);
    h.width = in.u16();
    h.height = in.u16();
    h.depth = in.u8();
    h.descriptor = in.u8();
    const bool typeOk = h.type == 1 || h.type == 2 || h.type == 3 || h.type == 9 || h.type == 10 || h.type == 11;
    if (!typeOk || h.mapType > 1 || h.width == 0 || h.height == 0)
        fail(ErrorCode::NotThisFormat, "not a TGA file");
    const bool depthOk = h.base() == 2 ? (h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32) : h.depth == 8;
    if (!depthOk || (h.base() == 1 && (h.mapType != 1 || h.mapLength == 0)))
        fail(ErrorCode::Unsupported, "unsupported TGA layout");
    if (h.mapType == 1 && h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32)
        fail(ErrorCode::Corrupt, "bad TGA colour map entry size");
    return h;
}

Rgb colourFrom(const std::uint8_t *p, int bits)
{
    if (bits <= 16) {
        const unsigned v = p[0] | p[1] << 8;
        auto expand = [](unsigned five) { return std::uint8_t(five << 3 | five >> 2); };
        return {expand(v >> 10 & 31), expand(v >> 5 & 31), expand(v & 31)};
    }
    return {p[2], p[1], p[0]};
}

// Pixels in file order, each `bytes` wide.
std::vector<std::uint8_t> readPixels(const TgaHeader &h, ByteReader &in, int bytes)
{
    const std::size_t total = std::size_t(h.width) * std::size_t(h.height) * std::size_t(bytes);
    if (!h.rle()) {
        const auto raw = in.bytes(total);
        return {raw.begin(), raw.end()};
    }
    // every packet of at most 128 pixels needs one byte at least
    if (std::size_t(h.width) * std::size_t(h.height) / 128 > in.remaining())
        fail(ErrorCode::Corrupt, "TGA file truncated");
    std::vector<std::uint8_t> out(total);
    std::size_t pos = 0;
    while (pos < total) {
        const int packet = in.u8();
        const std::size_t count = std::min<std::size_t>(std::size_t((packet & 0x7F) + 1), (total - pos) / std::size_t(bytes));
        if (packet & 0x80) {
            const auto pixel = in.bytes(std::size_t(bytes));
            for (std::size_t i = 0; i < count; ++i, pos += std::size_t(bytes))
                std::memcpy(out.data() + pos, pixel.data(), std::size_t(bytes));
        } else {
            const auto run = in.bytes(count * std::size_t(bytes));
            std::memcpy(out.data() + pos, run.data(), run.size());
            pos += run.size();
        }
    }
    return out;
}

void rleRow(ByteWriter &out, const std::uint8_t *row, std::int32_t width, int bytes)
{
    auto same = [&](std::int32_t a, std::int32_t b) { return std::memcmp(row + a * bytes, row + b * bytes, std::size_t(bytes)) == 0; };
    std::int32_t x = 0;
    while (x < width) {
        std::int32_t run = 1;
        while (x + run < width && run < 128 && same(x, x + run))
            ++run;
        if (run > 1) {
            out.u8(unsigned(0x80 | (run - 1)));
            out.append(row + x * bytes, std::size_t(bytes));
            x += run;
            continue;
        }
        std::int32_t raw = 1;
        while (x + raw < width && raw < 128 && !(x + raw + 1 < width && same(x + raw, x + raw + 1)))
            ++raw;
        out.u8(unsigned(raw - 1));
        out.append(row + x * bytes, std::size_t(raw) * std::size_t(bytes));
        x += raw;
    }
}

class TgaCodec final : public WholeFileCodec {
public:
    Format format() const override { return Format::Tga; }
    const char *name() const override { return "TGA"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        if (head.size() < 18)
            return false;
        try {
            parseHeader(head);
            return true;
        } catch (const Error &) {
            return false;
        }
    }

    ImageInfo describe(std::span<const std::uint8_t> file, const ReadOptions &) const override
    {
        const TgaHeader h = parseHeader(file);
        ImageInfo info;
        info.format = Format::Tga;
        info.width = h.width;
        info.height = h.height;
        info.bits = h.depth;
        info.compression = h.rle() ? 2 : TiffNone;
        info.compressionName = h.rle() ? "RLE" : "NONE";
        return info;
    }

    Image decode(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const TgaHeader h = parseHeader(file);
        ByteReader in(file, 18);
        in.skip(std::size_t(h.idLength));
        std::vector<Rgb> map;
        if (h.mapType == 1) {
            const int entryBytes = (h.mapEntryBits + 7) / 8;
            for (int i = 0; i < h.mapLength; ++i)
                map.push_back(colourFrom(in.bytes(std::size_t(entryBytes)).data(), h.mapEntryBits));
        }
        const int bytes = (h.depth + 7) / 8;
        const std::vector<std::uint8_t> pixels = readPixels(h, in, bytes);
        Image image;
        if (h.base() == 1) {
            std::vector<Rgb> palette(256);
            for (int i = 0; i < 256; ++i)
                if (i >= h.mapFirst && i - h.mapFirst < int(map.size()))
                    palette[i] = map[std::size_t(i - h.mapFirst)];
            image = Image(h.width, h.height, 8, palette);
        } else if (h.base() == 3) {
            image = Image(h.width, h.height, 8, greyPalette(8));
        } else {
            image = Image(h.width, h.height, h.depth == 32 ? 32 : 24);
        }
        const bool topDown = h.descriptor & 0x20;
        const bool rightToLeft = h.descriptor & 0x10;
        const int step = image.bits() / 8;
        ProgressTicker tick(options.progress, h.height);
        for (std::int32_t i = 0; i < h.height; ++i) {
            const std::uint8_t *src = pixels.data() + std::size_t(i) * std::size_t(h.width) * std::size_t(bytes);
            std::uint8_t *line = image.row(topDown ? i : h.height - 1 - i);
            for (std::int32_t x = 0; x < h.width; ++x) {
                const std::uint8_t *p = src + std::size_t(x) * std::size_t(bytes);
                const std::int32_t target = rightToLeft ? h.width - 1 - x : x;
                if (step == 1) {
                    line[target] = p[0];
                } else if (h.depth <= 16) {
                    const Rgb c = colourFrom(p, h.depth);
                    line[target * 3] = c.blue;
                    line[target * 3 + 1] = c.green;
                    line[target * 3 + 2] = c.red;
                } else {
                    std::memcpy(line + target * step, p, std::size_t(step));
                }
            }
            tick(i);
        }
        return image;
    }

    std::vector<std::uint8_t> write(const Image &source, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        Image image = source;
        if (source.bits() < 8)
            image = widenIndices(source, 8);
        else if (source.bits() == 16 || (source.bits() == 32 && !hasAlpha(source)))
            image = toTrueColour(source);
        if (image.width() > 65535 || image.height() > 65535)
            fail(ErrorCode::TooLarge, "TGA images are at most 65535 pixels wide and high");
        const bool grey = image.bits() == 8 && image.hasGreyPalette();
        const bool mapped = image.bits() == 8 && !grey;
        const int base = mapped ? 1 : grey ? 3 : 2;
        const int bytes = image.bits() / 8;
        ByteWriter out;
        out.u8(0);
        out.u8(mapped ? 1 : 0);
        out.u8(unsigned(base + (options.rle ? 8 : 0)));
        out.u16(0);
        out.u16(mapped ? unsigned(image.colourCount()) : 0);
        out.u8(mapped ? 24 : 0);
        out.u16(0);
        out.u16(0);
        out.u16(unsigned(image.width()));
        out.u16(unsigned(image.height()));
        out.u8(unsigned(image.bits()));
        out.u8(image.bits() == 32 ? 8 : 0); // bottom-left origin, alpha bits
        if (mapped)
            for (const Rgb &c : image.palette()) {
                out.u8(c.blue);
                out.u8(c.green);
                out.u8(c.red);
            }
        ProgressTicker tick(options.progress, image.height());
        for (std::int32_t y = image.height() - 1; y >= 0; --y) {
            if (options.rle)
                rleRow(out, image.row(y), image.width(), bytes);
            else
                out.append(image.row(y), std::size_t(image.width()) * std::size_t(bytes));
            tick(image.height() - 1 - y);
        }
        return std::move(out.bytes());
    }
};

} // namespace

const Codec &tgaCodec()
{
    static const TgaCodec codec;
    return codec;
}

} // namespace codecs
