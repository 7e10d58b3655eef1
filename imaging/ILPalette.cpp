#include "ILPalette.h"

#include "AtomicFileDevice.h"
#include "ILDibCls.h"
#include "Rounding.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstring>

namespace imaging {
namespace {

constexpr char kSignature[] = "ilpalette 30 format";
constexpr int kSignatureLength = 19;
constexpr int kCountOffset = 21;
constexpr int kEntriesOffset = 23;
constexpr int kSlots = 256;

QString damaged(const QString &path, const QString &reason)
{
    return QStringLiteral("Le fichier « %1 » n'est pas une palette : %2.").arg(QDir::toNativeSeparators(path), reason);
}

// A colour as the decimal text of its 0x00BBGGRR value, the order palettes are sorted in.
QString colourText(QRgb colour)
{
    return QString::number(std::uint32_t(qRed(colour)) | std::uint32_t(qGreen(colour)) << 8 | std::uint32_t(qBlue(colour)) << 16);
}

int nearest(const QList<QRgb> &palette, QRgb colour)
{
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < palette.size(); ++i) {
        const long dr = qRed(palette[i]) - qRed(colour), dg = qGreen(palette[i]) - qGreen(colour),
                   db = qBlue(palette[i]) - qBlue(colour);
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

void WritePaletteFile(const QString &path, const QList<QRgb> &palette)
{
    QByteArray bytes(kPaletteFileSize, '\0');
    bytes[0] = char(kSignatureLength);
    std::memcpy(bytes.data() + 1, kSignature, kSignatureLength);
    const int count = std::min<int>(int(palette.size()), kSlots);
    bytes[kCountOffset] = char(count & 0xFF);
    bytes[kCountOffset + 1] = char(count >> 8);
    for (int i = 0; i < count; ++i) {
        char *slot = bytes.data() + kEntriesOffset + 4 * i;
        slot[0] = char(qRed(palette[i]));
        slot[1] = char(qGreen(palette[i]));
        slot[2] = char(qBlue(palette[i]));
    }
    // written whole or not at all: a failed save never leaves half a palette behind
    try {
        if (count == 0)
            throw EImagingError(QStringLiteral("Could not create file!"));
        platform::AtomicFileDevice file(path);
        if (file.write(bytes) != bytes.size())
            throw EImagingError(QStringLiteral("Could not create file!"));
        file.commit();
    } catch (const platform::WriteError &) {
        throw EImagingError(QStringLiteral("Could not create file!"));
    }
}

void ReadPaletteFile(const QString &path, QList<QRgb> &palette)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EImagingError(QStringLiteral("Could not open file!"));
    if (file.size() != kPaletteFileSize)
        throw EPaletteFileError(damaged(path, QStringLiteral("sa taille n'est pas de %1 octets").arg(kPaletteFileSize)));
    const QByteArray bytes = file.readAll();
    if (bytes.size() != kPaletteFileSize)
        throw EImagingError(QStringLiteral("Could not open file!"));
    if (bytes[0] != char(kSignatureLength) || std::memcmp(bytes.constData() + 1, kSignature, kSignatureLength) != 0)
        throw EPaletteFileError(damaged(path, QStringLiteral("sa signature est inconnue")));
    const int count = std::uint8_t(bytes[kCountOffset]) | std::uint8_t(bytes[kCountOffset + 1]) << 8;
    if (count < 1 || count > kSlots)
        throw EPaletteFileError(damaged(path, QStringLiteral("il annonce %1 couleurs").arg(count)));
    for (int i = 0; i < count && i < palette.size(); ++i) {
        const auto *slot = reinterpret_cast<const std::uint8_t *>(bytes.constData() + kEntriesOffset + 4 * i);
        palette[i] = qRgb(slot[0], slot[1], slot[2]);
    }
}

QList<QRgb> GreyPalette(int count)
{
    QList<QRgb> greys;
    for (int i = 0; i < count; ++i) {
        const int level = count > 1 ? platform::roundInt(255.0L * i / (count - 1)) : 0;
        greys << qRgb(level, level, level);
    }
    return greys;
}

void RemapToPalette(ILTDib &dib, const QList<QRgb> &palette, void *userData, ILProgressProc callback)
{
    const int bits = dib.BitCount();
    if (bits != 4 && bits != 8)
        throw EImagingError(QStringLiteral("Dib is not 8 or 4 bit"));
    QList<QRgb> ordered;
    for (QRgb colour : palette)
        ordered << (colour | 0xFF000000u);
    std::stable_sort(ordered.begin(), ordered.end(), [](QRgb a, QRgb b) { return colourText(a) < colourText(b); });
    ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
    const QList<QRgb> old = dib.Palette();
    // the colour table holds no more entries than it has
    if (ordered.size() > old.size())
        ordered.resize(old.size());
    if (ordered.isEmpty())
        return;

    // every pixel of one old index goes to the same new one
    std::array<BYTE, 256> to{};
    for (int i = 0; i < int(to.size()); ++i)
        to[std::size_t(i)] = BYTE(nearest(ordered, i < old.size() ? old[i] : qRgb(0, 0, 0)));

    const int width = dib.Width(), height = std::abs(dib.Height());
    const std::size_t rowBytes = dib_row_bytes(width, unsigned(bits));
    int reported = -1;
    for (int y = 0; y < height; ++y) {
        BYTE *row = dib.Bits() + std::size_t(y) * rowBytes;
        if (bits == 8) {
            for (int x = 0; x < width; ++x)
                row[x] = to[row[x]];
        } else {
            for (int x = 0; x < (width + 1) / 2; ++x)
                row[x] = BYTE(to[row[x] >> 4] << 4 | (to[row[x] & 0x0F] & 0x0F));
        }
        const int percent = int(std::int64_t(y + 1) * 100 / height);
        if (callback && percent != reported) {
            reported = percent;
            callback(std::int16_t(percent), userData);
        }
    }
    QList<QRgb> table = old;
    for (int i = 0; i < table.size(); ++i)
        table[i] = i < ordered.size() ? ordered[i] : ordered.back();
    dib.SetPalette(table);
}

} // namespace imaging
