#pragma once
// Test pictures, pixel comparison and ImageMagick as an independent reader
// and writer; shared by the codec and imaging library tests.
#include "Convert.h"
#include "Image.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace testimages {

// A deterministic picture of the given depth with all the colours it can hold.
inline codecs::Image pattern(int bits, std::int32_t width = 37, std::int32_t height = 23, bool alpha = false)
{
    std::vector<codecs::Rgb> palette;
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            palette.push_back({std::uint8_t(i * 97 % 256), std::uint8_t(255 - i * 13 % 256), std::uint8_t(i * 53 % 256)});
    if (bits == 1)
        palette = {{0, 0, 0}, {255, 255, 255}};
    codecs::Image image(width, height, bits, palette);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t *line = image.row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            if (bits <= 8) {
                image.setIndex(x, y, (x + 3 * y + x * y / 7) % (1 << bits));
                continue;
            }
            const std::uint8_t r = std::uint8_t(x * 7 + y), g = std::uint8_t(y * 11), b = std::uint8_t((x * y) ^ 0x5A);
            if (bits == 16) {
                const unsigned v = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
                line[x * 2] = std::uint8_t(v);
                line[x * 2 + 1] = std::uint8_t(v >> 8);
            } else {
                const int step = bits / 8;
                line[x * step] = b;
                line[x * step + 1] = g;
                line[x * step + 2] = r;
                if (step == 4)
                    line[x * 4 + 3] = alpha ? std::uint8_t(x * 255 / width) : 0;
            }
        }
    }
    return image;
}

// Largest difference of one colour channel between the two pictures; 1000 when the sizes differ.
inline int maxDifference(const codecs::Image &a, const codecs::Image &b)
{
    if (a.isNull() || b.isNull() || a.width() != b.width() || a.height() != b.height())
        return 1000;
    int worst = 0;
    for (std::int32_t y = 0; y < a.height(); ++y)
        for (std::int32_t x = 0; x < a.width(); ++x) {
            const codecs::Rgb p = codecs::pixelColour(a, a.row(y), x), q = codecs::pixelColour(b, b.row(y), x);
            worst = std::max({worst, std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
        }
    return worst;
}

// Where the two pictures first differ, for failure messages.
inline std::string firstDifference(const codecs::Image &a, const codecs::Image &b)
{
    if (a.isNull() || b.isNull() || a.width() != b.width() || a.height() != b.height())
        return "sizes differ";
    for (std::int32_t y = 0; y < a.height(); ++y)
        for (std::int32_t x = 0; x < a.width(); ++x) {
            const codecs::Rgb p = codecs::pixelColour(a, a.row(y), x), q = codecs::pixelColour(b, b.row(y), x);
            if (!(p == q))
                return "at " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(p.red) + " "
                     + std::to_string(p.green) + " " + std::to_string(p.blue) + " against " + std::to_string(q.red) + " "
                     + std::to_string(q.green) + " " + std::to_string(q.blue);
        }
    return "none";
}

inline bool runConvert(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/convert"), arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

inline bool haveImageMagick() { return QFileInfo::exists(QStringLiteral("/usr/bin/convert")); }

// Reads a binary 8-bit PPM (P6).
inline codecs::Image readPpm(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    // header tokens, skipping comment lines
    auto token = [&in]() {
        std::string word;
        while (in >> word && word[0] == '#')
            in.ignore(1 << 20, '\n');
        return word;
    };
    const std::string magic = token();
    const int width = std::atoi(token().c_str()), height = std::atoi(token().c_str()), max = std::atoi(token().c_str());
    in.get();
    if (magic != "P6" || max != 255)
        return {};
    codecs::Image image(width, height, 24);
    std::vector<char> line(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        in.read(line.data(), std::streamsize(line.size()));
        for (int x = 0; x < width; ++x) {
            image.row(y)[x * 3] = std::uint8_t(line[x * 3 + 2]);
            image.row(y)[x * 3 + 1] = std::uint8_t(line[x * 3 + 1]);
            image.row(y)[x * 3 + 2] = std::uint8_t(line[x * 3]);
        }
    }
    return in ? image : codecs::Image{};
}

// The picture as ImageMagick reads it (first frame), or a null image.
inline codecs::Image readWithImageMagick(const QString &path, const QString &folder)
{
    const QString ppm = folder + QStringLiteral("/im.ppm");
    if (!runConvert({path + QStringLiteral("[0]"), QStringLiteral("-auto-orient"), QStringLiteral("-depth"), QStringLiteral("8"), ppm}))
        return {};
    return readPpm(ppm.toStdString());
}

} // namespace testimages
