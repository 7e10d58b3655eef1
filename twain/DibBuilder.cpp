#include "DibBuilder.h"

#include "Resolution.h"
#include "dib.h"

#include <algorithm>
#include <cstring>

namespace dsm {

namespace {

// A sample of 8 or 16 bits as a byte; 16-bit samples come in the machine's order.
inline unsigned char sampleAt(const unsigned char *row, size_t index, int depth)
{
    if (depth == 16) {
        uint16_t value;
        std::memcpy(&value, row + index * 2, sizeof value);
        return static_cast<unsigned char>(value >> 8);
    }
    return row[index];
}

bool supported(const SANE_Parameters &parameters)
{
    const int depth = parameters.depth;
    const bool grey = parameters.format == SANE_FRAME_GRAY && (depth == 1 || depth == 8 || depth == 16);
    const bool colour = parameters.format == SANE_FRAME_RGB && (depth == 8 || depth == 16);
    if (!grey && !colour)
        return false;
    const size_t width = size_t(std::max(parameters.pixels_per_line, 0));
    const size_t needed = depth == 1 ? (width + 7) / 8 : width * (colour ? 3 : 1) * (depth == 16 ? 2 : 1);
    return width > 0 && width <= 0x7FFFFF && size_t(std::max(parameters.bytes_per_line, 0)) >= needed;
}

BITMAPINFOHEADER headerFor(const SANE_Parameters &parameters, int lines, double dpi)
{
    const bool colour = parameters.format == SANE_FRAME_RGB;
    const unsigned bits = parameters.depth == 1 ? 1 : (colour ? 24 : 8);
    const DWORD colours = colour ? 0 : (parameters.depth == 1 ? 2 : 256);
    return dib_info_header(parameters.pixels_per_line, lines, bits, colours, platform::pelsPerMeterOf(dpi));
}

} // namespace

DibResult DibWriter::create(const SANE_Parameters &parameters, int lines, double dpi,
                            std::unique_ptr<DibWriter> *writer)
{
    if (!supported(parameters) || lines <= 0)
        return DibResult::Unsupported;
    const BITMAPINFOHEADER header = headerFor(parameters, lines, dpi);
    if (uint64_t(dib_row_bytes(header.biWidth, header.biBitCount)) * uint64_t(lines) > UINT32_MAX)
        return DibResult::Unsupported;
    // Every byte is written below: no need to clear the block first.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib_packed_size(&header));
    if (!block)
        return DibResult::NoMemory;
    writer->reset(new DibWriter(parameters, lines, block));
    auto *target = static_cast<BITMAPINFOHEADER *>((*writer)->data_);
    *target = header;
    RGBQUAD *palette = dib_colour_table(target);
    for (unsigned i = 0; i < header.biClrUsed; ++i) {
        const BYTE level = BYTE(header.biClrUsed == 2 ? i * 255 : i);
        palette[i] = RGBQUAD{level, level, level, 0};
    }
    return DibResult::Done;
}

DibWriter::DibWriter(const SANE_Parameters &parameters, int lines, HGLOBAL block)
    : block_(block), data_(GlobalLock(block)), parameters_(parameters), lines_(lines)
{
    const unsigned bits = parameters.depth == 1 ? 1 : (parameters.format == SANE_FRAME_RGB ? 24 : 8);
    rowBytes_ = dib_row_bytes(parameters.pixels_per_line, bits);
}

DibWriter::~DibWriter()
{
    if (block_)
        GlobalUnlock(block_.get());
}

void DibWriter::addRow(const unsigned char *in)
{
    if (rows_ >= lines_)
        return;
    auto *header = static_cast<BITMAPINFOHEADER *>(data_);
    BYTE *out = dib_bits(header) + size_t(lines_ - 1 - rows_) * rowBytes_;
    ++rows_;
    const int width = parameters_.pixels_per_line;
    const int depth = parameters_.depth;
    const size_t used = depth == 1 ? (size_t(width) + 7) / 8
                                   : size_t(width) * (parameters_.format == SANE_FRAME_RGB ? 3 : 1);
    std::memset(out + used, 0, rowBytes_ - used);
    if (depth == 1) {
        // SANE's line art has 1 for black; the palette's index 0 is black.
        const size_t bytes = (size_t(width) + 7) / 8;
        for (size_t i = 0; i < bytes; ++i)
            out[i] = BYTE(~in[i]);
        if (width % 8)
            out[bytes - 1] &= BYTE(0xFF << (8 - width % 8));
    } else if (parameters_.format == SANE_FRAME_GRAY) {
        if (depth == 8)
            std::memcpy(out, in, size_t(width));
        else
            for (int x = 0; x < width; ++x)
                out[x] = sampleAt(in, size_t(x), depth);
    } else {
        for (int x = 0; x < width; ++x) {
            out[x * 3] = sampleAt(in, size_t(x) * 3 + 2, depth);
            out[x * 3 + 1] = sampleAt(in, size_t(x) * 3 + 1, depth);
            out[x * 3 + 2] = sampleAt(in, size_t(x) * 3, depth);
        }
    }
}

HGLOBAL DibWriter::release()
{
    if (rows_ == 0)
        return nullptr;
    auto *header = static_cast<BITMAPINFOHEADER *>(data_);
    if (rows_ < lines_) {
        // The rows that came sit at the top of the picture, that is at the end of the pixel area.
        BYTE *bits = dib_bits(header);
        std::memmove(bits, bits + size_t(lines_ - rows_) * rowBytes_, size_t(rows_) * rowBytes_);
        header->biHeight = rows_;
        header->biSizeImage = DWORD(size_t(rows_) * rowBytes_);
    }
    GlobalUnlock(block_.get());
    return block_.release();
}

DibResult buildDib(const SANE_Parameters &parameters, const std::vector<unsigned char> &data, double dpi,
                   HGLOBAL *dib)
{
    *dib = nullptr;
    const size_t rowBytes = size_t(std::max(parameters.bytes_per_line, 1));
    const size_t available = data.size() / rowBytes;
    const size_t lines = parameters.lines > 0 ? std::min(size_t(parameters.lines), available) : available;
    if (lines > size_t(INT32_MAX))
        return DibResult::Unsupported;
    std::unique_ptr<DibWriter> writer;
    const DibResult result = DibWriter::create(parameters, int(lines), dpi, &writer);
    if (result != DibResult::Done)
        return result;
    for (size_t y = 0; y < lines; ++y)
        writer->addRow(data.data() + y * rowBytes);
    *dib = writer->release();
    return DibResult::Done;
}

} // namespace dsm
