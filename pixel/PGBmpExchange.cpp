// BMP streams, the reader and writer registry, and the exchange of a pixel
// image with the program's bitmap, streams, the clipboard and files.
#include "PGBmpExchange.h"

#include "AtomicFileDevice.h"
#include "PGCodecFormats.h"
#include "ScopeExit.h"

#include <MessageBox.h>
#include <Rounding.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <array>
#include <limits>
#include <bit>
#include <cmath>
#include <cstring>

long double PGDisplayGamma = 1.8L;
bool PGGammaCorrection = true;
bool PGWiden16BitChannels = true;

namespace {

constexpr qint64 probeSize = 17;

[[noreturn]] void bmpError(const QString &message)
{
    throw EPGBMPFileFormatReader(QStringLiteral("BMP: ") + message);
}

[[noreturn]] void bmpInvalid(const char *field)
{
    bmpError(Text1(msgInvalid, QString::fromLatin1(field)));
}

void readExact(QIODevice &stream, void *buffer, qint64 size)
{
    if (size > 0 && stream.read(static_cast<char *>(buffer), size) != size)
        bmpError(Text(msgUnexpectedEndOfFile));
}

template <typename T> T readRecord(QIODevice &stream)
{
    T record;
    readExact(stream, &record, sizeof record);
    return record;
}

void writeExact(QIODevice &stream, const void *data, qint64 size)
{
    if (size > 0 && stream.write(static_cast<const char *>(data), size) != size)
        throw EPixelGraphic(Text1(msgFailed, QStringLiteral("Write")));
}

// Copies in ten chunks when there is more than 100 bytes, reporting each
// chunk; false when the handler asked to stop.
bool copyInChunks(TPixelGraphic &graphic, const uint8_t *source, uint8_t *target, uint64_t size)
{
    if (size <= 100) {
        if (size > 0)
            std::memcpy(target, source, size_t(size));
        return true;
    }
    const uint64_t chunk = size / 10;
    for (int k = 1; k <= 10; ++k) {
        const uint64_t length = k == 10 ? size - 9 * chunk : chunk;
        std::memcpy(target + (k - 1) * chunk, source + (k - 1) * chunk, size_t(length));
        if (graphic.Progress(k, 10))
            return false;
    }
    return true;
}

// The rest of the stream: the packed DIB and whatever follows it.
QByteArray remainingBytes(QIODevice &stream)
{
    return stream.isSequential() ? stream.readAll() : stream.read(std::max<qint64>(0, stream.size() - stream.pos()));
}

// A DIB the checked view refuses, in the reader's words: the header field
// at fault, or the end of the data.
[[noreturn]] void refuseDib(DibStatus status, const QByteArray &dib)
{
    const auto *data = reinterpret_cast<const uint8_t *>(dib.constData());
    const bool core = dib.size() >= 4 && dib_read_u32(data) == sizeof(BITMAPCOREHEADER);
    const bool noWidth = dib.size() >= 8 && (core ? (data[4] | data[5] << 8) == 0 : int32_t(dib_read_u32(data + 4)) <= 0);
    switch (status) {
    case DIB_BAD_HEADER_SIZE: bmpError(Text1(msgInvalidSizeOf, QStringLiteral("BitmapInfoHeader/BitmapCoreHeader")));
    case DIB_BAD_PLANES: bmpInvalid(core ? "BitmapCoreHeader.bcPlanes" : "BitmapInfoHeader.biPlanes");
    case DIB_BAD_DEPTH: bmpInvalid(core ? "BitmapCoreHeader.bcBitCount" : "BitmapInfoHeader.biBitCount");
    case DIB_BAD_COMPRESSION: bmpInvalid("BitmapInfoHeader.biCompression");
    case DIB_BAD_COLOUR_COUNT: bmpInvalid("BitmapInfoHeader.biClrUsed");
    case DIB_BAD_DIMENSIONS:
        bmpInvalid(noWidth ? (core ? "BitmapCoreHeader.bcWidth" : "BitmapInfoHeader.biWidth")
                           : (core ? "BitmapCoreHeader.bcHeight" : "BitmapInfoHeader.biHeight"));
    default: bmpError(Text(msgUnexpectedEndOfFile));
    }
}

// One channel of a 16- or 32-bit pixel, its mask's top bit moved to bit 7.
class ChannelMask {
public:
    ChannelMask(uint32_t mask, bool widen) : mask_(mask)
    {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        width_ = 32 - std::countl_zero(mask) - shift_;
        // Widening spreads short channels over 0..255 (5 bits: 0, 16, 24, ..., 248, 255).
        widen_ = widen && width_ < 8;
    }

    int operator()(uint32_t value) const
    {
        const uint32_t bits = value & mask_;
        if (bits == 0)
            return 0;
        uint32_t c = bits >> shift_;
        c = width_ < 8 ? c << (8 - width_) : c >> (width_ - 8);
        if (widen_)
            c = std::min<uint32_t>(255, c + (1u << (8 - width_)));
        return int(c);
    }

private:
    uint32_t mask_;
    int shift_ = 0;
    int width_ = 0;
    bool widen_ = false;
};

// Stored row i goes to row Height - 1 - i, as for a bottom-up DIB.
void readMaskedRows(TPixelGraphic &graphic, const DibView &view)
{
    const bool sixteen = view.bits == 16;
    const ChannelMask red(view.masks[0], sixteen && PGWiden16BitChannels);
    const ChannelMask green(view.masks[1], sixteen && PGWiden16BitChannels);
    const ChannelMask blue(view.masks[2], sixteen && PGWiden16BitChannels);
    const int height = graphic.Height();
    for (int i = 0; i < height; ++i) {
        const uint8_t *row = view.pixels + size_t(i) * view.row_bytes;
        for (int x = 0; x < graphic.Width(); ++x) {
            uint32_t v;
            if (sixteen)
                v = uint32_t(row[2 * size_t(x)]) | uint32_t(row[2 * size_t(x) + 1]) << 8;
            else
                std::memcpy(&v, &row[4 * size_t(x)], 4);
            graphic.SetPixel(x, height - 1 - i, MakeRGB(red(v), green(v), blue(v)));
        }
        if (graphic.Progress(i, height))
            return;
    }
}

// Run-length decoding; rows count from the top, starting at the bottom row.
void decodeRle(TPixelGraphic &graphic, const std::vector<uint8_t> &data, bool fourBit)
{
    const size_t size = data.size();
    const size_t step = size / 10;
    const int64_t width = graphic.Width(), height = graphic.Height();
    int64_t x = 0, y = height - 1;
    const auto put = [&](int64_t px, uint32_t value) {
        if (px >= 0 && px < width && y >= 0 && y < height)
            graphic.SetPixel(int(px), int(y), value);
    };
    size_t pos = 0;
    while (pos + 2 <= size) {
        const uint8_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(x + k, fourBit ? (k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            x += count;
        } else if (value == 0) {
            x = 0;
            --y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (pos + 2 > size)
                break;
            x += data[pos];
            y -= data[pos + 1];
            pos += 2;
        } else {
            const size_t bytes = fourBit ? (size_t(value) + 1) / 2 : value;
            for (int k = 0; k < value && pos + size_t(fourBit ? k / 2 : k) < size; ++k) {
                const uint8_t byte = data[pos + size_t(fourBit ? k / 2 : k)];
                put(x + k, fourBit ? (k % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
            }
            x += value;
            pos += bytes + bytes % 2;
        }
        if (step > 0 && pos % step == 0 && graphic.Progress(int(pos / step), 10))
            break;
    }
}

void reverseRows(TPixelGraphic &graphic)
{
    const int height = graphic.Height();
    const size_t stride = graphic.RowStride();
    for (int j = 0; j < height / 2; ++j)
        std::swap_ranges(graphic.ScanLine(j), graphic.ScanLine(j) + stride, graphic.ScanLine(height - 1 - j));
}

template <typename List> void sortByExtension(List &list)
{
    const auto less = [](const auto &a, const auto &b) { return a->Extension.toLower() < b->Extension.toLower(); };
    if (!std::is_sorted(list.begin(), list.end(), less))
        std::stable_sort(list.begin(), list.end(), less);
}

const TFileFormatWriter &bmpWriter()
{
    static const TBMPFileFormatWriter writer;
    return writer;
}

// Fallback order of colour resolutions for each current resolution.
constexpr TPGColorResolution fallbackOrder[8][8] = {
    {crBlackWhite, cr2Colors, cr16Grays, cr16SysColors, cr16Colors, cr256Grays, cr256Colors, crTrueColor},
    {cr2Colors, cr16Colors, cr256Colors, crTrueColor, cr16SysColors, crBlackWhite, cr16Grays, cr256Grays},
    {cr16Grays, cr16Colors, cr256Grays, cr256Colors, crTrueColor, cr16SysColors, crBlackWhite, cr2Colors},
    {cr16SysColors, cr16Colors, cr256Colors, crTrueColor, cr16Grays, cr256Grays, crBlackWhite, cr2Colors},
    {cr16Colors, cr256Colors, crTrueColor, cr16SysColors, cr16Grays, cr256Grays, crBlackWhite, cr2Colors},
    {cr256Grays, cr256Colors, crTrueColor, cr16Grays, cr16Colors, cr16SysColors, crBlackWhite, cr2Colors},
    {cr256Colors, crTrueColor, cr16Colors, cr16SysColors, cr256Grays, cr16Grays, crBlackWhite, cr2Colors},
    {crTrueColor, cr256Colors, cr16Colors, cr16SysColors, cr256Grays, cr16Grays, crBlackWhite, cr2Colors},
};

// An image of the wanted resolution holding a dithered copy of the source.
void prepareConverted(TPixelGraphic &target, const TPixelGraphic &source, TPGColorResolution resolution)
{
    static constexpr TPGPixelFormat formats[8] = {pg1Bit, pg1Bit, pg4Bit, pg4Bit, pg4Bit, pg8Bit, pg8Bit, pg24Bit};
    target.OnProgress = source.OnProgress;
    target.OnProgressStart = source.OnProgressStart;
    target.OnProgressEnd = source.OnProgressEnd;
    target.SetFormat(source.Width(), source.Height(), formats[resolution]);
    switch (resolution) {
    case crBlackWhite: target.SetPaletteIdent(pBlackWhite); break;
    case cr2Colors: SetOptimizedPalette(target, source, 2, false); break;
    case cr16Grays: target.SetPaletteIdent(pGray16); break;
    case cr16SysColors: target.SetPaletteIdent(pSys16); break;
    case cr16Colors: SetOptimizedPalette(target, source, 16, false); break;
    case cr256Grays: target.SetPaletteIdent(pGray256); break;
    case cr256Colors: SetOptimizedPalette(target, source, 236, true); break;
    case crTrueColor: target.SetPaletteIdent(pTrueColor); break;
    }
    target.CopyFrom(source);
    target.DetectPaletteIdent();
}

} // namespace

// ---------------------------------------------------------------- colour resolutions

TPGColorResolution ColorResolutionOf(const TPixelGraphic &Graphic)
{
    switch (Graphic.PixelFormat()) {
    case pg1Bit: return Graphic.PaletteIdent() == pBlackWhite ? crBlackWhite : cr2Colors;
    case pg4Bit:
        return Graphic.PaletteIdent() == pGray16 ? cr16Grays : Graphic.PaletteIdent() == pSys16 ? cr16SysColors : cr16Colors;
    case pg8Bit: return Graphic.PaletteIdent() == pGray256 ? cr256Grays : cr256Colors;
    case pg24Bit: break;
    }
    return crTrueColor;
}

QString ColorResolutionName(TPGColorResolution Resolution)
{
    return Text(msgBlackAndWhite + int(Resolution));
}

std::vector<TRGB> OptimizedPalette(const TPixelGraphic &Graphic, int Count)
{
    // Colours counted in 5-5-5 cells; each chosen cell gives the mean colour of its pixels.
    struct Cell {
        uint64_t count = 0, red = 0, green = 0, blue = 0;
    };
    std::vector<Cell> cells(32768);
    for (int y = 0; y < Graphic.Height(); ++y)
        for (int x = 0; x < Graphic.Width(); ++x) {
            const TRGB c = Graphic.GetPixelColor(x, y);
            Cell &cell = cells[size_t((RedOf(c) >> 3) << 10 | (GreenOf(c) >> 3) << 5 | BlueOf(c) >> 3)];
            ++cell.count;
            cell.red += uint64_t(RedOf(c));
            cell.green += uint64_t(GreenOf(c));
            cell.blue += uint64_t(BlueOf(c));
        }
    std::vector<size_t> order;
    for (size_t i = 0; i < cells.size(); ++i)
        if (cells[i].count > 0)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return cells[a].count > cells[b].count; });
    order.resize(std::min(order.size(), size_t(std::max(Count, 0))));
    std::vector<TRGB> palette;
    for (size_t i : order) {
        const Cell &cell = cells[i];
        palette.push_back(MakeRGB(int(cell.red / cell.count), int(cell.green / cell.count), int(cell.blue / cell.count)));
    }
    return palette;
}

void SetOptimizedPalette(TPixelGraphic &target, const TPixelGraphic &source, int count, bool withSystemColors)
{
    std::vector<TRGB> entries = OptimizedPalette(source, count);
    if (withSystemColors) {
        const std::vector<TRGB> &system = StandardPalette(pSys16);
        entries.resize(size_t(count), 0);
        entries.insert(entries.end(), system.begin(), system.end());
    }
    if (entries.empty())
        entries.push_back(0);
    target.SetPaletteCount(int(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        target.SetPaletteEntry(int(i), entries[i]);
}

// ---------------------------------------------------------------- registry

TFileFormatReaders &FileFormatReaders()
{
    static TFileFormatReaders readers = [] {
        TFileFormatReaders list;
        list.push_back(std::make_unique<TBMPFileFormatReader>());
        list.push_back(std::make_unique<TDIBFileFormatReader>());
        list.push_back(std::make_unique<TRLEFileFormatReader>());
        AddCodecFileFormatReaders(list);
        return list;
    }();
    return readers;
}

TFileFormatWriters &FileFormatWriters()
{
    static TFileFormatWriters writers = [] {
        TFileFormatWriters list;
        list.push_back(std::make_unique<TBMPFileFormatWriter>());
        list.push_back(std::make_unique<TDIBFileFormatWriter>());
        AddCodecFileFormatWriters(list);
        return list;
    }();
    return writers;
}

const TFileFormatReader *FindFileFormatReader(QIODevice &Stream, const QString &Extension)
{
    const qint64 start = Stream.pos();
    const QByteArray header = Stream.read(probeSize);
    if (header.size() != probeSize || !Stream.seek(start))
        return nullptr;
    TFileFormatReaders &readers = FileFormatReaders();
    sortByExtension(readers);
    for (const auto &reader : readers)
        if (reader->DetectsByContent && reader->CanRead(header))
            return reader.get();
    if (!Extension.isEmpty())
        for (const auto &reader : readers)
            if (!reader->DetectsByContent && reader->Extension.compare(Extension, Qt::CaseInsensitive) == 0)
                return reader.get();
    return nullptr;
}

// ---------------------------------------------------------------- BMP reader and writer

bool TBMPFileFormatReader::CanRead(const QByteArray &Header) const
{
    return Header.size() >= 2 && Header[0] == 'B' && Header[1] == 'M';
}

void TBMPFileFormatReader::Read(TPixelGraphic &Graphic, QIODevice &Stream, int ImageIndex) const
{
    if (ImageIndex != 0)
        bmpInvalid("Index");
    readRecord<BITMAPFILEHEADER>(Stream);
    const DWORD headerSize = readRecord<DWORD>(Stream);
    Stream.seek(Stream.pos() - qint64(sizeof headerSize));
    if (headerSize == sizeof(BITMAPCOREHEADER))
        Graphic.ReadDIB(Stream, true);
    else if (headerSize == sizeof(BITMAPINFOHEADER))
        Graphic.ReadDIB(Stream, false);
    else
        bmpError(Text1(msgInvalidSizeOf, QStringLiteral("BitmapInfoHeader/BitmapCoreHeader")));
}

void TBMPFileFormatWriter::Write(const TPixelGraphic &Graphic, QIODevice &Stream) const
{
    BITMAPFILEHEADER header{};
    header.bfType = DIB_FILE_TYPE;
    header.bfOffBits = DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) + 4u * DWORD(Graphic.PaletteCount());
    // The file's true length: readers such as ImageMagick refuse a header that claims more.
    header.bfSize = header.bfOffBits + Graphic.DataSize();
    writeExact(Stream, &header, sizeof header);
    Graphic.WriteDIB(Stream);
}

// Four bytes more than a BMP stream holds; used to size buffers and clipboard blocks.
uint32_t TPixelGraphic::BMPStreamSize() const
{
    return 58u + 4u * uint32_t(PaletteCount()) + DataSize();
}

void TPixelGraphic::WriteDIB(QIODevice &Stream) const
{
    const BITMAPINFOHEADER header = dib_info_header(Width(), Height(), unsigned(BitCount()), DWORD(PaletteCount()), 0);
    writeExact(Stream, &header, sizeof header);
    std::vector<RGBQUAD> quads;
    for (int i = 0; i < PaletteCount(); ++i) {
        const TRGB c = PaletteEntries(i);
        quads.push_back({BYTE(BlueOf(c)), BYTE(GreenOf(c)), BYTE(RedOf(c)), 0});
    }
    writeExact(Stream, quads.data(), qint64(quads.size() * sizeof(RGBQUAD)));
    if (!GetEmpty())
        writeExact(Stream, ScanLine(Height() - 1), DataSize());
}

// The DIB is read whole and through the checked view, so that a header
// that lies about the data (a clipboard block from another program) is
// refused before any memory is taken for it, and every header length the
// view knows puts the colour table and the rows where they are.
void TPixelGraphic::ReadDIB(QIODevice &Stream, bool CoreHeader)
{
    ProgressStart();
    const platform::ScopeExit end([this] { ProgressEnd(); });
    const qint64 start = Stream.pos();
    const QByteArray dib = remainingBytes(Stream);
    DibView view;
    const DibStatus status = dib_view_open(&view, dib.constData(), size_t(dib.size()));
    if (status != DIB_OK)
        refuseDib(status, dib);
    const bool core = view.colour_bytes == 3;
    if ((core || CoreHeader) && view.bits != 1 && view.bits != 4 && view.bits != 8 && view.bits != 24)
        bmpInvalid("BitmapCoreHeader.bcBitCount");
    const bool rle = view.compression == BI_RLE4 || view.compression == BI_RLE8;
    const int height = view.height;
    if (view.bits > 8) {
        SetFormat(view.width, height, pg24Bit);
        SetPaletteIdent(pTrueColor);
        if (view.bits == 24)
            copyInChunks(*this, view.pixels, GetEmpty() ? nullptr : ScanLine(height - 1), DataSize());
        else
            readMaskedRows(*this, view);
    } else {
        // Every two bytes of run-length data reach at most 255 x 255 pixels (a delta), so
        // a larger image is a corrupt header, refused before its memory is taken.
        if (rle && uint64_t(view.width) * uint64_t(height) > (uint64_t(view.pixel_bytes) / 2 + 1) * 65025u)
            bmpInvalid("BitmapInfoHeader.biSizeImage");
        SetFormat(view.width, height, PixelFormatFromBitCount(int(view.bits)));
        SetPaletteCount(int(view.colour_count));
        for (unsigned i = 0; i < view.colour_count; ++i) {
            const BYTE *entry = view.colours + size_t(i) * view.colour_bytes;
            SetPaletteEntry(int(i), MakeRGB(entry[2], entry[1], entry[0]));
        }
        if (rle) {
            std::vector<uint8_t> data(view.pixel_bytes);
            if (copyInChunks(*this, view.pixels, data.data(), data.size()) && !GetEmpty())
                decodeRle(*this, data, view.compression == BI_RLE4);
        } else if (!GetEmpty()) {
            copyInChunks(*this, view.pixels, ScanLine(height - 1), DataSize());
        }
    }
    if (view.top_down && !GetEmpty())
        reverseRows(*this);
    // the stream stands after the DIB's pixels, where a stream reader left it
    if (!Stream.isSequential())
        Stream.seek(start + qint64(view.pixels - reinterpret_cast<const BYTE *>(dib.constData())) + qint64(view.pixel_bytes));
}

// ---------------------------------------------------------------- loading and saving

void TPixelGraphic::LoadFromStreamAs(QIODevice &Stream, const QString &Extension, int ImageIndex)
{
    BeginUpdate();
    const platform::ScopeExit endUpdate([this] { EndUpdate(); });
    SetFormat(0, 0, pg24Bit);
    FileGamma = PGDisplayGamma;
    const TFileFormatReader *reader = FindFileFormatReader(Stream, Extension);
    if (!reader)
        throw EPGUnknownFileFormat(Text(msgUnknownFileFormat));
    reader->Read(*this, Stream, ImageIndex);
    if (PGGammaCorrection && std::fabs(FileGamma / PGDisplayGamma - 1) > 0.05L) {
        std::array<uint8_t, 256> table{};
        for (int i = 0; i < 256; ++i)
            table[size_t(i)] = uint8_t(std::clamp<int64_t>(
                platform::roundEven(std::pow(i / 255.0L, FileGamma / PGDisplayGamma) * 255), 0, 255));
        if (PixelFormat() == pg24Bit) {
            for (int y = 0; y < Height() && !GetEmpty(); ++y) {
                uint8_t *row = ScanLine(y);
                std::transform(row, row + 3 * size_t(Width()), row, [&table](uint8_t b) { return table[b]; });
            }
        } else {
            for (int i = 0; i < PaletteCount(); ++i) {
                const TRGB c = PaletteEntries(i);
                SetPaletteEntry(i, MakeRGB(table[size_t(RedOf(c))], table[size_t(GreenOf(c))], table[size_t(BlueOf(c))]));
            }
        }
        FileGamma = PGDisplayGamma;
    }
    DetectPaletteIdent();
}

namespace {

// Picks the writer and the colour resolution, asks the user when the image
// must change resolution, and hands the image (or a converted copy) to `write`.
template <typename WriteFn> void saveWithExtension(TPixelGraphic &graphic, QString extension, WriteFn write)
{
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    TFileFormatWriters &writers = FileFormatWriters();
    sortByExtension(writers);
    if (writers.empty())
        throw EPGFileFormatWritersEmpty(Text1(msgIsEmpty, QStringLiteral("FileFormatWriters")));
    const auto found = std::find_if(writers.begin(), writers.end(),
                                    [&](const auto &w) { return w->Extension == extension.toLower(); });
    if (found == writers.end())
        throw EPGUnknownExtension(Text1(msgUnknownExtension, extension));
    const TFileFormatWriter &writer = **found;
    graphic.DetectPaletteIdent();
    const TPGColorResolution current = ColorResolutionOf(graphic);
    const auto *order = fallbackOrder[current];
    const auto *target = std::find_if(order, order + 8, [&](TPGColorResolution r) { return writer.CanWriteResolutions[r]; });
    if (target == order + 8)
        throw EPGCanWriteResolutionsEmpty(Text1(msgIsEmpty, writer.ClassName() + QStringLiteral(".CanWriteResolutions")));
    if (*target == current) {
        write(writer, graphic);
        return;
    }
    const auto refusal = [&] {
        return EPGCannotWriteColorRes(Text2(msgCannotWriteColorRes, writer.Description, ColorResolutionName(current)));
    };
    const TPGWarningAction action = graphic.SaveColorResWarningAction;
    if (action == pgwaRaise)
        throw refusal();
    if (action == pgwaOKBox || action == pgwaOKCancelBox) {
        platform::MessageRequest request;
        request.kind = platform::MessageKind::Warning;
        request.buttons = action == pgwaOKBox ? platform::MessageButtons::Ok : platform::MessageButtons::OkCancel;
        request.title = Text(msgWarning);
        request.text = Text3(msgColorResFallback, writer.Description, ColorResolutionName(current),
                             ColorResolutionName(*target));
        if (platform::showMessage(request) == platform::MessageAnswer::Cancel && action == pgwaOKCancelBox)
            throw refusal();
    }
    TPixelGraphic converted;
    prepareConverted(converted, graphic, *target);
    write(writer, converted);
}

} // namespace

void TPixelGraphic::SaveToStreamAs(QIODevice &Stream, const QString &Extension)
{
    saveWithExtension(*this, Extension,
                      [&Stream](const TFileFormatWriter &writer, const TPixelGraphic &image) { writer.Write(image, Stream); });
}

void TPixelGraphic::LoadFromStream(QIODevice &Stream)
{
    LoadFromStreamAs(Stream, QString(), 0);
}

void TPixelGraphic::SaveToStream(QIODevice &Stream) const
{
    bmpWriter().Write(*this, Stream);
}

void TPixelGraphic::WriteData(QIODevice &Stream) const
{
    const qint64 start = Stream.pos();
    const uint32_t placeholder = 0;
    writeExact(Stream, &placeholder, sizeof placeholder);
    SaveToStream(Stream);
    const qint64 end = Stream.pos();
    const uint32_t length = uint32_t(end - start - qint64(sizeof placeholder));
    Stream.seek(start);
    writeExact(Stream, &length, sizeof length);
    Stream.seek(end);
}

void TPixelGraphic::ReadData(QIODevice &Stream)
{
    uint32_t length = 0;
    readExact(Stream, &length, sizeof length);
    const qint64 start = Stream.pos();
    LoadFromStreamAs(Stream, QStringLiteral("bmp"), 0);
    Stream.seek(start + qint64(length));
}

void TPixelGraphic::SaveToClipboardFormat(uint16_t &Format, GlobalBlock &Data) const
{
    QBuffer packed;
    packed.open(QIODevice::WriteOnly);
    WriteDIB(packed);
    GlobalBlock block(GlobalAlloc(GHND, BMPStreamSize()));
    if (!block)
        throw std::bad_alloc();
    {
        GlobalLockGuard lock(block.get());
        std::memcpy(lock.data(), packed.data().constData(), size_t(packed.data().size()));
    }
    Format = CF_DIB;
    Data = std::move(block);
}

void TPixelGraphic::LoadFromClipboardFormat(uint16_t Format, HGLOBAL Data)
{
    if ((Format != CF_BITMAP && Format != CF_DIB) || !Data)
        throw EPGUnknownClipboardFormat(Text(msgUnknownClipboardFormat));
    GlobalLockGuard lock(Data);
    if (!lock.data())
        throw EPGUnknownClipboardFormat(Text(msgUnknownClipboardFormat));
    QByteArray bytes = QByteArray::fromRawData(lock.as<const char>(), qsizetype(GlobalSize(Data)));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    BeginUpdate();
    const platform::ScopeExit endUpdate([this] { EndUpdate(); });
    ReadDIB(stream, false);
    FileGamma = PGDisplayGamma;
    DetectPaletteIdent();
}

void TPixelGraphic::LoadFromFile(const QString &FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EPixelGraphic(Text1(msgFailed, QStringLiteral("Open \"%1\"").arg(FileName)));
    LoadFromStreamAs(file, QFileInfo(FileName).suffix().toLower(), 0);
}

// The file is replaced only once the whole image is written, so a failed or
// cancelled save never destroys an existing file nor leaves a partial one.
void TPixelGraphic::SaveToFile(const QString &FileName)
{
    saveWithExtension(*this, QFileInfo(FileName).suffix().toLower(),
                      [&FileName](const TFileFormatWriter &writer, const TPixelGraphic &image) {
                          // The writer's message names the file and the system's reason.
                          try {
                              platform::AtomicFileDevice file(FileName);
                              writer.Write(image, file);
                              file.commit();
                          } catch (const platform::WriteError &error) {
                              throw EPixelGraphic(QString::fromUtf8(error.what()));
                          }
                      });
}

void TPixelGraphic::LoadFromBitmap(const QImage &Bitmap)
{
    FileGamma = PGDisplayGamma;
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    QImageWriter writer(&stream, "bmp");
    if (!writer.write(Bitmap))
        throw EPixelGraphic(Text1(msgFailed, QStringLiteral("SaveToStream")));
    stream.seek(0);
    LoadFromStream(stream);
    DetectPaletteIdent();
    Changed();
}

void TPixelGraphic::SaveToBitmap(QImage &Bitmap) const
{
    QByteArray bytes;
    bytes.reserve(qsizetype(BMPStreamSize()));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadWrite);
    SaveToStream(stream);
    stream.seek(0);
    if (!Bitmap.load(&stream, "BMP"))
        throw EPixelGraphic(Text1(msgFailed, QStringLiteral("LoadFromStream")));
}
