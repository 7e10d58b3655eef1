// Photo CD colours: known PhotoYCC samples give the RGB of the PhotoYCC
// equations, clipped; ImageMagick, which scales the whole extended range
// into 0..255, agrees once its values are brought back to that range.
#include "Codec.h"
#include "Convert.h"
#include "TestImages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace codecs;

namespace {

struct Ycc {
    std::uint8_t luma, chroma1, chroma2;
};

constexpr std::size_t kBaseOffset = 0x30000;

// An image pack whose Base image (768 × 512) holds `sample(x, y)`; the chroma
// of each 2 × 2 block is that of its top-left pixel.
std::vector<std::uint8_t> photoCd(const std::function<Ycc(int x, int y)> &sample)
{
    constexpr int width = 768, height = 512;
    std::vector<std::uint8_t> file(kBaseOffset + width * height * 3 / 2, 0);
    std::memcpy(file.data() + 0x800, "PCD_IPI", 7);
    for (int y = 0; y < height; y += 2) {
        std::uint8_t *group = file.data() + kBaseOffset + std::size_t(y / 2) * width * 3;
        for (int x = 0; x < width; ++x) {
            group[x] = sample(x, y).luma;
            group[width + x] = sample(x, y + 1).luma;
        }
        for (int x = 0; x < width / 2; ++x) {
            group[2 * width + x] = sample(2 * x, y).chroma1;
            group[2 * width + width / 2 + x] = sample(2 * x, y).chroma2;
        }
    }
    return file;
}

TEST(PcdColours, FollowThePhotoYccEquationsClipped)
{
    struct Case {
        Ycc ycc;
        Rgb rgb; // R = Y + C2, G = Y − 0.194 C1 − 0.509 C2, B = Y + C1, worked out by hand
    };
    const Case cases[] = {
        {{0, 156, 137}, {0, 0, 0}},
        {{100, 156, 137}, {136, 136, 136}},      // Y = 135.84, no chroma
        {{150, 200, 137}, {204, 185, 255}},      // C1 = 97.59: blue clipped
        {{150, 156, 200}, {255, 145, 204}},      // C2 = 114.75: red clipped
        {{150, 100, 90}, {118, 255, 80}},        // C1 = −124.20, C2 = −85.61
        {{50, 120, 180}, {146, 44, 0}},          // blue −11.9 clipped to 0
        {{255, 255, 255}, {255, 194, 255}},
    };
    constexpr int kBand = 768 / 8; // even, so that no 2 × 2 chroma block straddles two cases
    const std::vector<std::uint8_t> file = photoCd([&](int x, int) {
        const std::size_t i = std::size_t(x / kBand);
        return i < std::size(cases) ? cases[i].ycc : Ycc{0, 156, 137};
    });
    ReadOptions base;
    base.page = 2;
    const Image image = codec(Format::Pcd).read(file, base);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        for (const auto &[x, y] : {std::pair{int(i) * kBand, 0}, std::pair{int(i) * kBand + kBand - 1, 511}}) {
            const Rgb c = pixelColour(image, image.row(y), x);
            EXPECT_EQ(c, cases[i].rgb) << "case " << i << ": " << int(c.red) << ", " << int(c.green) << ", " << int(c.blue);
        }
}

TEST(PcdColours, AgreeWithImageMagickOnItsScale)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    // luma across, chroma 1 down, chroma 2 across, in small steps (ImageMagick
    // interpolates the chroma, we repeat it): every kind of colour, clipped or not
    const std::vector<std::uint8_t> file = photoCd([](int x, int y) {
        return Ycc{std::uint8_t(x / 3), std::uint8_t(60 + y * 190 / 512), std::uint8_t(50 + (x + y) * 180 / 1280)};
    });
    QTemporaryDir dir;
    const QString pcd = dir.filePath(QStringLiteral("ycc.pcd")), ppm = dir.filePath(QStringLiteral("ycc.ppm"));
    writeWholeFile(pcd.toStdString(), file);
    ASSERT_TRUE(testimages::runConvert({pcd, ppm}));
    const Image theirs = testimages::readPpm(ppm.toStdString());
    ReadOptions base;
    base.page = 2;
    const Image ours = codec(Format::Pcd).read(file, base);
    ASSERT_EQ(theirs.width(), ours.width());
    ASSERT_EQ(theirs.height(), ours.height());
    // ImageMagick gives the equations' values divided by 1.3584 (its 0..255
    // spans luma 0..346): brought back, they match ours within its rounding
    // and its interpolated chroma, and lie beyond our clipped values
    int compared = 0, worst = 0;
    for (std::int32_t y = 0; y < ours.height(); ++y)
        for (std::int32_t x = 0; x < ours.width() * 3; ++x) {
            const int mine = ours.row(y)[x], scaled = int(std::lround(theirs.row(y)[x] * 1.3584));
            if (mine == 0 || mine == 255) {
                EXPECT_TRUE(mine == 0 ? scaled <= 4 : scaled >= 251) << x / 3 << ", " << y << ": " << scaled;
                continue;
            }
            worst = std::max(worst, std::abs(mine - scaled));
            ++compared;
        }
    EXPECT_GT(compared, 100000);
    EXPECT_LE(worst, 4);
}

} // namespace
