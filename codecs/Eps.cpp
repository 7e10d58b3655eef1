// EPS.  Writing: a one-page EPSF 3.0 file drawing the image with `image`
// (grey) or `colorimage` (colour) from hex data, one point per pixel, with
// an %ImageData comment so that we can read our own files back.  Reading:
// files carrying that comment, and DOS EPS files with a TIFF preview (the
// preview is what we show).
#include "ByteReader.h"
#include "Convert.h"
#include "Formats.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace codecs {
namespace {

constexpr std::uint8_t kDosEpsMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};

struct EpsParts {
    std::span<const std::uint8_t> postscript;
    std::span<const std::uint8_t> tiffPreview;
};

EpsParts splitFile(std::span<const std::uint8_t> file)
{
    if (file.size() >= 30 && std::memcmp(file.data(), kDosEpsMagic, 4) == 0) {
        ByteReader in(file, 4);
        const std::uint32_t psOffset = in.u32(), psLength = in.u32();
        in.skip(8);
        const std::uint32_t tiffOffset = in.u32(), tiffLength = in.u32();
        auto section = [&](std::uint32_t offset, std::uint32_t length) -> std::span<const std::uint8_t> {
            if (offset == 0 || length == 0 || offset > file.size() || length > file.size() - offset)
                return {};
            return file.subspan(offset, length);
        };
        return {section(psOffset, psLength), section(tiffOffset, tiffLength)};
    }
    if (file.size() >= 4 && std::memcmp(file.data(), "%!PS", 4) == 0)
        return {file, {}};
    fail(ErrorCode::NotThisFormat, "not an EPS file");
}

struct ImageData {
    std::int32_t columns = 0, rows = 0;
    int bits = 0, channels = 0;
    std::size_t hexStart = 0;
};

// Our own layout: "%ImageData: columns rows 8 channels ..." then a line "beginimage".
bool findImageData(std::string_view text, ImageData &data)
{
    const auto comment = text.find("%ImageData:");
    if (comment == std::string_view::npos)
        return false;
    const std::string line(text.substr(comment, std::min<std::size_t>(200, text.size() - comment)));
    long columns = 0, rows = 0;
    int bits = 0, channels = 0;
    if (std::sscanf(line.c_str(), "%%ImageData: %ld %ld %d %d", &columns, &rows, &bits, &channels) != 4)
        return false;
    const auto begin = text.find("\nbeginimage", comment);
    if (begin == std::string_view::npos)
        return false;
    const auto dataLine = text.find('\n', begin + 1);
    if (dataLine == std::string_view::npos)
        return false;
    if (bits != 8 || (channels != 1 && channels != 3) || columns <= 0 || rows <= 0 || columns > kMaxDimension || rows > kMaxDimension)
        fail(ErrorCode::Unsupported, "unsupported EPS image data");
    data = {std::int32_t(columns), std::int32_t(rows), bits, channels, dataLine + 1};
    return true;
}

int hexValue(std::uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Image decodeImageData(std::span<const std::uint8_t> ps, const ImageData &data, const ReadOptions &options)
{
    checkDimensions(data.columns, data.rows);
    Image image = data.channels == 1 ? Image(data.columns, data.rows, 8, greyPalette(8)) : Image(data.columns, data.rows, 24);
    std::size_t pos = data.hexStart;
    auto nextByte = [&]() {
        int digits[2];
        for (int &d : digits) {
            do {
                if (pos >= ps.size())
                    fail(ErrorCode::Corrupt, "EPS image data truncated");
                d = hexValue(ps[pos++]);
            } while (d < 0);
        }
        return std::uint8_t(digits[0] << 4 | digits[1]);
    };
    ProgressTicker tick(options.progress, data.rows);
    for (std::int32_t y = 0; y < data.rows; ++y) {
        std::uint8_t *line = image.row(y);
        for (std::int32_t x = 0; x < data.columns; ++x) {
            if (data.channels == 1) {
                line[x] = nextByte();
            } else {
                line[x * 3 + 2] = nextByte();
                line[x * 3 + 1] = nextByte();
                line[x * 3] = nextByte();
            }
        }
        tick(y);
    }
    return image;
}

class EpsCodec final : public WholeFileCodec {
public:
    Format format() const override { return Format::Eps; }
    const char *name() const override { return "EPS"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return (head.size() >= 4 && std::memcmp(head.data(), kDosEpsMagic, 4) == 0)
            || (head.size() >= 4 && std::memcmp(head.data(), "%!PS", 4) == 0);
    }

    ImageInfo describe(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const EpsParts parts = splitFile(file);
        ImageData data;
        ImageInfo info;
        if (findImageData(asText(parts.postscript), data)) {
            info.width = data.columns;
            info.height = data.rows;
            info.bits = data.bits * data.channels;
        } else if (!parts.tiffPreview.empty()) {
            info = tiffCodec().readInfo(parts.tiffPreview, options);
        } else {
            fail(ErrorCode::Unsupported, "EPS file without image data or preview");
        }
        info.format = Format::Eps;
        info.compression = TiffNone;
        info.compressionName = "NONE";
        info.pages = 1;
        return info;
    }

    Image decode(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const EpsParts parts = splitFile(file);
        ImageData data;
        if (findImageData(asText(parts.postscript), data))
            return decodeImageData(parts.postscript, data, options);
        if (!parts.tiffPreview.empty())
            return tiffCodec().read(parts.tiffPreview, {0, options.progress});
        fail(ErrorCode::Unsupported, "EPS file without image data or preview");
    }

    std::vector<std::uint8_t> write(const Image &source, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        const bool grey = source.bits() <= 8 && source.hasGreyPalette();
        const int channels = grey ? 1 : 3;
        const std::int32_t w = source.width(), h = source.height();
        std::string out;
        char line[512];
        std::snprintf(line, sizeof line,
                      "%%!PS-Adobe-3.0 EPSF-3.0\n%%%%Creator: Quillon\n%%%%BoundingBox: 0 0 %d %d\n"
                      "%%%%LanguageLevel: 1\n%%%%EndComments\n%%%%BeginProlog\n%%%%EndProlog\n"
                      "%%ImageData: %d %d 8 %d 0 1 1 \"beginimage\"\n"
                      "gsave\n/picstr %d string def\n%d %d scale\n"
                      "/beginimage { %d %d 8 [%d 0 0 -%d 0 %d] {currentfile picstr readhexstring pop} %s } def\n"
                      "beginimage\n",
                      w, h, w, h, channels, w * channels, w, h, w, h, w, h, h,
                      grey ? "image" : "false 3 colorimage");
        out += line;
        static const char digits[] = "0123456789ABCDEF";
        std::string hex;
        ProgressTicker tick(options.progress, h);
        for (std::int32_t y = 0; y < h; ++y) {
            const std::uint8_t *row = source.row(y);
            for (std::int32_t x = 0; x < w; ++x) {
                const Rgb c = pixelColour(source, row, x);
                const std::uint8_t values[3] = {c.red, c.green, c.blue};
                for (int k = 0; k < channels; ++k) {
                    hex += digits[values[k] >> 4];
                    hex += digits[values[k] & 15];
                    if (hex.size() >= 78) {
                        out += hex;
                        out += '\n';
                        hex.clear();
                    }
                }
            }
            tick(y);
        }
        if (!hex.empty())
            out += hex + '\n';
        out += "grestore\nshowpage\n%%Trailer\n%%EOF\n";
        return {out.begin(), out.end()};
    }

private:
    static std::string_view asText(std::span<const std::uint8_t> bytes)
    {
        return {reinterpret_cast<const char *>(bytes.data()), bytes.size()};
    }
};

} // namespace

const Codec &epsCodec()
{
    static const EpsCodec codec;
    return codec;
}

} // namespace codecs
