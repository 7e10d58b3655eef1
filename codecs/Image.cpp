#include "Image.h"

#include "Dib.h"
#include "Error.h"
#include "Parallel.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <sys/mman.h>

namespace codecs {

void checkDimensions(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        fail(ErrorCode::TooLarge, "image dimensions out of range");
    if (width * height > kMaxPixels)
        fail(ErrorCode::TooLarge, "image too large");
}

void adviseLargePages(void *data, std::size_t size)
{
    constexpr std::uintptr_t large = std::uintptr_t(2) << 20;
    const std::uintptr_t begin = (std::uintptr_t(data) + large - 1) & ~(large - 1);
    const std::uintptr_t end = (std::uintptr_t(data) + size) & ~(large - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

std::vector<Rgb> greyPalette(int bits)
{
    const int count = 1 << bits;
    std::vector<Rgb> palette(count);
    for (int i = 0; i < count; ++i) {
        const auto level = std::uint8_t(i * 255 / (count - 1));
        palette[i] = {level, level, level};
    }
    return palette;
}

Image::Image(std::int32_t width, std::int32_t height, int bits, std::span<const Rgb> palette)
{
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        fail(ErrorCode::BadDepth, "unsupported depth");
    checkDimensions(width, height);
    const unsigned colours = bits <= 8 ? 1u << bits : 0u;
    const BITMAPINFOHEADER info = dib_info_header(width, height, unsigned(bits), colours, pelsPerMeter(72));
    size_ = dib_packed_size(&info);
    allocate(GHND);
    *header() = info;
    for (std::size_t i = 0; i < palette.size() && i < colours; ++i)
        setColour(int(i), palette[i]);
}

Image::Image(const Image &other) : gamma_(other.gamma_)
{
    if (other.isNull())
        return;
    size_ = other.size_;
    allocate(GMEM_MOVEABLE);
    // A page-sized copy is the fixed cost of every effect that hands back a
    // new picture; shared out, its page faults are taken on every core.
    constexpr std::size_t kLarge = std::size_t(8) << 20;
    const int pieces = size_ >= kLarge ? workerCount() : 1;
    const std::size_t piece = (size_ + std::size_t(pieces) - 1) / std::size_t(pieces);
    runTogether(pieces, [&](int index) {
        const std::size_t from = std::size_t(index) * piece, to = std::min(size_, from + piece);
        if (from < to)
            std::memcpy(data_ + from, other.data_ + from, to - from);
    });
}

void Image::allocate(unsigned flags)
{
    block_.reset(GlobalAlloc(flags, size_));
    if (!block_)
        fail(ErrorCode::OutOfMemory, "out of memory");
    data_ = static_cast<std::uint8_t *>(GlobalLock(block_.get()));
    GlobalUnlock(block_.get()); // the block does not move while we hold it
    adviseLargePages(data_, size_);
}

Image &Image::operator=(const Image &other)
{
    if (this != &other)
        *this = Image(other);
    return *this;
}

Image::Image(Image &&other) noexcept
    : block_(std::move(other.block_)), data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      gamma_(other.gamma_)
{
}

Image &Image::operator=(Image &&other) noexcept
{
    block_ = std::move(other.block_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    gamma_ = other.gamma_;
    return *this;
}

Image Image::borrow(const void *data, std::size_t size)
{
    Image image;
    DibView view;
    if (data == nullptr || dib_view_open(&view, data, size) != DIB_OK)
        return image;
    const auto *h = static_cast<const BITMAPINFOHEADER *>(data);
    const unsigned colours = h->biBitCount <= 8 ? 1u << h->biBitCount : 0u;
    const auto *pixels = static_cast<const std::uint8_t *>(data) + sizeof(BITMAPINFOHEADER) + colours * 4;
    const bool depth = h->biBitCount == 1 || h->biBitCount == 4 || h->biBitCount == 8 || h->biBitCount == 16
                    || h->biBitCount == 24 || h->biBitCount == 32;
    if (h->biSize != sizeof(BITMAPINFOHEADER) || h->biCompression != BI_RGB || h->biHeight <= 0 || !depth
        || h->biClrUsed != colours || view.pixels != pixels || view.row_bytes != dib_row_bytes(h->biWidth, h->biBitCount))
        return image;
    try {
        checkDimensions(view.width, view.height);
    } catch (const Error &) {
        return image;
    }
    image.data_ = const_cast<std::uint8_t *>(static_cast<const std::uint8_t *>(data));
    image.size_ = std::size_t(pixels - image.data_) + view.row_bytes * std::size_t(view.height);
    return image;
}

HGLOBAL Image::release()
{
    if (isBorrowed())
        return Image(*this).release();
    HGLOBAL handle = block_.release();
    data_ = nullptr;
    size_ = 0;
    return handle;
}

Image Image::fromPackedDib(const void *data, std::size_t size)
{
    if (data == nullptr || size == 0)
        fail(ErrorCode::BadImage, "empty DIB");
    try {
        return decodeDib(openDib({static_cast<const std::uint8_t *>(data), size}));
    } catch (const Error &error) {
        if (error.code() == ErrorCode::TooLarge || error.code() == ErrorCode::OutOfMemory)
            throw;
        fail(ErrorCode::BadImage, error.what());
    }
}

HeldDib::HeldDib(HGLOBAL dib) : lock_(dib), image_(Image::borrow(lock_.data(), GlobalSize(dib)))
{
    if (image_.isNull())
        image_ = Image::fromPackedDib(lock_.data(), GlobalSize(dib));
}

Rgb Image::colour(int index) const
{
    const std::uint8_t *entry = data_ + sizeof(BITMAPINFOHEADER) + std::size_t(index) * 4;
    return {entry[2], entry[1], entry[0]};
}

void Image::setColour(int index, Rgb colour)
{
    std::uint8_t *entry = data_ + sizeof(BITMAPINFOHEADER) + std::size_t(index) * 4;
    entry[0] = colour.blue;
    entry[1] = colour.green;
    entry[2] = colour.red;
    entry[3] = 0;
}

std::vector<Rgb> Image::palette() const
{
    std::vector<Rgb> result(colourCount());
    for (int i = 0; i < colourCount(); ++i)
        result[i] = colour(i);
    return result;
}

bool Image::hasGreyPalette() const
{
    if (bits() > 8)
        return false;
    const std::vector<Rgb> grey = greyPalette(bits());
    return palette() == grey;
}

int Image::index(std::int32_t x, std::int32_t y) const
{
    const std::uint8_t *line = row(y);
    switch (bits()) {
    case 1: return (line[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? line[x >> 1] & 0x0F : line[x >> 1] >> 4;
    default: return line[x];
    }
}

void Image::setIndex(std::int32_t x, std::int32_t y, int value)
{
    std::uint8_t *line = row(y);
    switch (bits()) {
    case 1: {
        const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
        line[x >> 3] = std::uint8_t(value & 1 ? line[x >> 3] | mask : line[x >> 3] & ~mask);
        break;
    }
    case 4:
        line[x >> 1] = (x & 1) ? std::uint8_t((line[x >> 1] & 0xF0) | (value & 0x0F))
                               : std::uint8_t((line[x >> 1] & 0x0F) | (value << 4));
        break;
    default: line[x] = std::uint8_t(value);
    }
}

void Image::setResolution(std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter)
{
    header()->biXPelsPerMeter = xPelsPerMeter;
    header()->biYPelsPerMeter = yPelsPerMeter;
}

} // namespace codecs
