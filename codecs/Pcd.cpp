// Photo CD image packs: the Base/16 (192 × 128), Base/4 (384 × 256) and
// Base (768 × 512) images, stored as PhotoYCC with one luma sample per
// pixel and one pair of chroma samples per 2 × 2 pixels, converted to
// 24-bit RGB and turned upright as the pack's orientation says.  The higher
// resolutions need Huffman-coded residuals and are not read.
//
// PhotoYCC keeps room above reference white (luma 188) for highlights: we
// show reference white as white and clip the highlights above it, rather
// than squeezing the whole range into 0..255, which would show reference
// white as grey 188.
#include "Formats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace codecs {
namespace {

struct Resolution {
    std::int32_t width, height;
    std::size_t offset;
};

constexpr Resolution kResolutions[] = {{192, 128, 0x2000}, {384, 256, 0xB800}, {768, 512, 0x30000}};
constexpr std::size_t kSignatureOffset = 0x800;
constexpr std::size_t kOrientationOffset = 0xE02;

std::uint8_t clampByte(double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// One PhotoYCC sample (8-bit luma, chroma 1 and 2) to blue, green, red:
//   Y = 1.3584 × luma, C1 = 2.2179 × (chroma1 − 156), C2 = 1.8215 × (chroma2 − 137)
//   R = Y + C2, G = Y − 0.194 × C1 − 0.509 × C2, B = Y + C1, each clipped to 0..255.
void photoYccToBgr(std::uint8_t luma, std::uint8_t chroma1, std::uint8_t chroma2, std::uint8_t *bgr)
{
    const double y = 1.3584 * luma, c1 = 2.2179 * (chroma1 - 156.0), c2 = 1.8215 * (chroma2 - 137.0);
    bgr[0] = clampByte(y + c1);
    bgr[1] = clampByte(y - 0.194 * c1 - 0.509 * c2);
    bgr[2] = clampByte(y + c2);
}

Image rotate(const Image &image, int quarterTurnsClockwise)
{
    if (quarterTurnsClockwise == 0)
        return image;
    const bool sideways = quarterTurnsClockwise % 2 == 1;
    Image out(sideways ? image.height() : image.width(), sideways ? image.width() : image.height(), 24);
    for (std::int32_t y = 0; y < image.height(); ++y)
        for (std::int32_t x = 0; x < image.width(); ++x) {
            std::int32_t tx = x, ty = y;
            switch (quarterTurnsClockwise) {
            case 1: tx = image.height() - 1 - y; ty = x; break;
            case 2: tx = image.width() - 1 - x; ty = image.height() - 1 - y; break;
            default: tx = y; ty = image.width() - 1 - x; break;
            }
            std::memcpy(out.row(ty) + tx * 3, image.row(y) + x * 3, 3);
        }
    return out;
}

class PcdCodec final : public WholeFileCodec {
public:
    Format format() const override { return Format::Pcd; }
    const char *name() const override { return "PCD"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= kSignatureOffset + 7 && std::memcmp(head.data() + kSignatureOffset, "PCD_IPI", 7) == 0;
    }

    ImageInfo describe(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const Resolution r = resolutionFor(file, options);
        ImageInfo info;
        info.format = Format::Pcd;
        const bool sideways = (orientation(file) % 2) == 1;
        info.width = sideways ? r.height : r.width;
        info.height = sideways ? r.width : r.height;
        info.bits = 24;
        info.compression = TiffNone;
        info.compressionName = "NONE";
        return info;
    }

    Image decode(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const Resolution r = resolutionFor(file, options);
        const std::size_t bytes = std::size_t(r.width) * std::size_t(r.height) * 3 / 2;
        if (file.size() < r.offset + bytes)
            fail(ErrorCode::Corrupt, "Photo CD file truncated");
        Image image(r.width, r.height, 24);
        const std::uint8_t *data = file.data() + r.offset;
        ProgressTicker tick(options.progress, r.height);
        for (std::int32_t y = 0; y < r.height; y += 2) {
            // two luma rows, then one row of each chroma
            const std::uint8_t *luma = data + std::size_t(y / 2) * std::size_t(r.width) * 3;
            const std::uint8_t *c1 = luma + 2 * std::size_t(r.width);
            const std::uint8_t *c2 = c1 + std::size_t(r.width) / 2;
            for (int pair = 0; pair < 2; ++pair) {
                std::uint8_t *line = image.row(y + pair);
                for (std::int32_t x = 0; x < r.width; ++x)
                    photoYccToBgr(luma[std::size_t(pair) * std::size_t(r.width) + std::size_t(x)], c1[x / 2], c2[x / 2],
                                  line + x * 3);
            }
            tick(y);
        }
        image.setResolution(2835, 2835);
        return rotate(image, orientation(file));
    }

    std::vector<std::uint8_t> write(const Image &, const WriteOptions &, std::span<const std::uint8_t>) const override
    {
        fail(ErrorCode::Unsupported, "Photo CD files are read only");
    }

private:
    static Resolution resolutionFor(std::span<const std::uint8_t> file, const ReadOptions &options)
    {
        if (file.size() < kOrientationOffset + 1 || std::memcmp(file.data() + kSignatureOffset, "PCD_IPI", 7) != 0)
            fail(ErrorCode::NotThisFormat, "not a Photo CD image pack");
        if (options.page < 0 || options.page > 2)
            fail(ErrorCode::BadParameter, "Photo CD resolutions are 0 (Base/16), 1 (Base/4) and 2 (Base)");
        return kResolutions[options.page];
    }
    // Quarter turns clockwise that make the picture upright.
    static int orientation(std::span<const std::uint8_t> file)
    {
        switch (file[kOrientationOffset] & 3) {
        case 1: return 3; // stored a quarter turn clockwise: turn it back
        case 2: return 2;
        case 3: return 1;
        default: return 0;
        }
    }
};

} // namespace

const Codec &pcdCodec()
{
    static const PcdCodec codec;
    return codec;
}

} // namespace codecs
