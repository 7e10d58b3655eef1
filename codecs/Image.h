#pragma once
// codecs::Image: one packed DIB in memory (BITMAPINFOHEADER, colour table,
// rows bottom row first, padded to 4 bytes), always uncompressed BI_RGB with
// a positive height.  Depths 1, 4, 8 (with a colour table), 16 (5-5-5),
// 24 (blue, green, red) and 32 (blue, green, red, alpha or unused).
// Every reader returns one and every writer takes one, so the imaging
// library and the pixel library share the same pixels without conversion.
// Beside the DIB it carries the gamma a file declares for its samples.
// The DIB lives in a global block, so that a picture read from a file or
// made by an effect is handed over as it is, without a page-sized copy.
#include "Resolution.h"
#include "dib.h"
#include "globalmem.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace codecs {

// The one size limit of every picture we read or make, whatever its format
// and whatever depth a path then turns it into: no side beyond
// kMaxDimension and at most kMaxPixels pixels (2^29, a square of 23170
// pixels a side).  Such a picture takes at most kMaxImageBytes (2 GiB) even
// at 32 bits, so whatever a reader accepts can be widened to true colour by
// every path that works in it.
inline constexpr std::int32_t kMaxDimension = 100000 - 1;
inline constexpr std::int64_t kMaxPixels = std::int64_t(1) << 29;
inline constexpr std::size_t kMaxImageBytes = std::size_t(kMaxPixels) * 4;

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb &, const Rgb &) = default;
};

// The bytes of a packed DIB, compared by content.
struct PackedBytes : std::span<const std::uint8_t> {
    using std::span<const std::uint8_t>::span;
    friend bool operator==(PackedBytes a, PackedBytes b) { return std::ranges::equal(a, b); }
    operator std::vector<std::uint8_t>() const { return {begin(), end()}; }
};

class Image {
public:
    Image() = default;
    // A zeroed image; palette entries beyond the given ones are black.
    // Throws TooLarge for unusable dimensions, BadDepth for other depths.
    Image(std::int32_t width, std::int32_t height, int bits, std::span<const Rgb> palette = {});
    // Copies own their pixels, also copies of a borrowed picture.
    Image(const Image &other);
    Image &operator=(const Image &other);
    Image(Image &&other) noexcept;
    Image &operator=(Image &&other) noexcept;
    ~Image() = default;

    // The packed DIB someone else owns, read where it lies, when it has the
    // layout an Image keeps (40-byte header, uncompressed, bottom-up, a full
    // colour table up to 8 bits, none above); a null image otherwise.  The
    // DIB must outlive the picture, and is written through it only by an
    // owner that means to change it where it lies.
    static Image borrow(const void *data, std::size_t size);
    bool isBorrowed() const { return data_ != nullptr && !block_; }
    // The packed DIB as a global block of exactly its size, handed over
    // without a copy (a borrowed picture is copied); the image is null after.
    HGLOBAL release();

    // Copies any packed DIB (every header, bit fields, run lengths, either
    // row order) through the checked view of dib.h: a DIB that does not fit
    // its block is BadImage.  Bottom-up result, as the decoded BMP would be.
    static Image fromPackedDib(const void *data, std::size_t size);

    bool isNull() const { return data_ == nullptr; }
    std::int32_t width() const { return isNull() ? 0 : header()->biWidth; }
    std::int32_t height() const { return isNull() ? 0 : header()->biHeight; }
    int bits() const { return isNull() ? 0 : header()->biBitCount; }
    std::size_t rowBytes() const { return dib_row_bytes(width(), bits()); }

    int colourCount() const { return isNull() ? 0 : int(dib_colour_count(header())); }
    Rgb colour(int index) const;
    void setColour(int index, Rgb colour);
    std::vector<Rgb> palette() const;
    // True when the colour table is black to white in equal steps.
    bool hasGreyPalette() const;

    // Row y counted from the top of the picture.
    std::uint8_t *row(std::int32_t y) { return pixels() + std::size_t(height() - 1 - y) * rowBytes(); }
    const std::uint8_t *row(std::int32_t y) const { return pixels() + std::size_t(height() - 1 - y) * rowBytes(); }
    std::uint8_t *pixels() { return data_ + pixelOffset(); }
    const std::uint8_t *pixels() const { return data_ + pixelOffset(); }

    // Index of a pixel in a 1, 4 or 8-bit image.
    int index(std::int32_t x, std::int32_t y) const;
    void setIndex(std::int32_t x, std::int32_t y, int value);

    void setResolution(std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter);
    std::int32_t xPelsPerMeter() const { return header()->biXPelsPerMeter; }
    std::int32_t yPelsPerMeter() const { return header()->biYPelsPerMeter; }

    // The gamma of the display the samples were made for, when the file
    // declares one: 2.2 for a PNG whose gAMA chunk holds 0.45455.
    std::optional<double> gamma() const { return gamma_; }
    void setGamma(std::optional<double> gamma) { gamma_ = gamma; }

    BITMAPINFOHEADER *header() { return reinterpret_cast<BITMAPINFOHEADER *>(data_); }
    const BITMAPINFOHEADER *header() const { return reinterpret_cast<const BITMAPINFOHEADER *>(data_); }
    // The whole packed DIB.
    PackedBytes packed() const { return {data_, size_}; }

private:
    // A block of size_ bytes for the picture.
    void allocate(unsigned flags);
    std::size_t pixelOffset() const { return sizeof(BITMAPINFOHEADER) + std::size_t(colourCount()) * 4; }
    GlobalBlock block_;          // the pixels' own block; empty when borrowed or null
    std::uint8_t *data_ = nullptr;
    std::size_t size_ = 0;
    std::optional<double> gamma_;
};

// The picture a global block holds, for reading only while the block is
// held: read where it lies when it has an Image's layout, else a checked
// copy (Image::fromPackedDib).  Throws BadImage for a DIB that does not fit
// its block.
class HeldDib {
public:
    explicit HeldDib(HGLOBAL dib);
    HeldDib(const HeldDib &) = delete;
    HeldDib &operator=(const HeldDib &) = delete;
    const Image &image() const { return image_; }

private:
    GlobalLockGuard lock_;
    Image image_;
};

// Throws TooLarge unless a picture of width × height pixels is within the
// size limit (kMaxDimension, kMaxPixels).
void checkDimensions(std::int64_t width, std::int64_t height);

// Asks the system to bring the whole 2 MB stretches of a block not yet
// written in as large pages: a page-sized picture then costs a dozen page
// faults instead of thousands, which on a loaded or virtual machine can take
// longer than the work done in it.  Pictures and the pixel library's images
// take their memory this way.
void adviseLargePages(void *data, std::size_t size);

// Resolution units, as the whole program converts them.
using platform::dotsPerInch;
using platform::pelsPerMeter;

// Grey ramp of 2^bits entries (bits 1, 4 or 8).
std::vector<Rgb> greyPalette(int bits);

} // namespace codecs
