// TPixelGraphic: storage, format and pixel access.  Its palettes and
// dithering are in PGPixelGraphicColours.cpp, its copies, filters and
// drawing in PGPixelGraphicCopies.cpp.
#include "PGPixelGraphic.h"

#include "PGPixelGraphicState.h"

#include "PGCanvas.h"

#include <Image.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int bitsPerPixel(TPGPixelFormat format)
{
    switch (format) {
    case pg1Bit: return 1;
    case pg4Bit: return 4;
    case pg8Bit: return 8;
    case pg24Bit: break;
    }
    return 24;
}

constexpr int colorCountOf(TPGPixelFormat format)
{
    return format == pg24Bit ? 0 : 1 << bitsPerPixel(format);
}

} // namespace

TPGPixelFormat PixelFormatFromBitCount(int BitCountNum)
{
    switch (BitCountNum) {
    case 1: return pg1Bit;
    case 4: return pg4Bit;
    case 8: return pg8Bit;
    case 24: return pg24Bit;
    default: throw EPGInvalidBitCountNum(Text1(msgInvalidValueFor, QStringLiteral("BitCountNum")));
    }
}

void TPixelGraphic::PixelMemoryDeleter::operator()(uint8_t *p) const
{
    std::free(p);
}

TPixelGraphic::TPixelGraphic() = default;
TPixelGraphic::~TPixelGraphic() = default;

TPGCanvas &TPixelGraphic::Canvas()
{
    if (!canvas_)
        canvas_.reset(new TPGCanvas(*this));
    return *canvas_;
}

// Logically const: the drawing already belongs to the image, it only moves into the pixel memory.
void TPixelGraphic::flushCanvas() const
{
    if (canvasDirty_)
        canvas_->Flush();
}

// ---------------------------------------------------------------- size and format

int TPixelGraphic::BitCount() const { return bitsPerPixel(format_); }
int TPixelGraphic::ColorCount() const { return colorCountOf(format_); }

void TPixelGraphic::SetFormat(int Width, int Height, TPGPixelFormat PixelFormat)
{
    if (Width < 0)
        throw EPGInvalidSize(Text(msgNegativeWidth));
    if (Height < 0)
        throw EPGInvalidSize(Text(msgNegativeHeight));
    bool zeroed = false; // memory just taken, which calloc hands out zeroed
    if (Width != width_ || Height != height_ || PixelFormat != format_) {
        flushCanvas();
        width_ = Width;
        height_ = Height;
        format_ = PixelFormat;
        bits_.reset();
        bitmapInfo_.clear();
        rowStride_ = 0;
        dataSize_ = 0;
        const uint64_t stride = (uint64_t(bitsPerPixel(PixelFormat)) * uint64_t(Width) + 31) / 32 * 4;
        const uint64_t size = stride * uint64_t(Height);
        if (size != 0) {
            const int n = ColorCount();
            if (n < PaletteCount())
                SetPaletteCount(n);
            if (format_ == pg24Bit)
                paletteIdent_ = pTrueColor;
            // A picture beyond the size limit every reader keeps to is refused
            // like a failed allocation.
            const bool withinLimit = Width <= codecs::kMaxDimension && Height <= codecs::kMaxDimension
                                  && int64_t(Width) * Height <= codecs::kMaxPixels;
            uint8_t *memory = withinLimit ? static_cast<uint8_t *>(std::calloc(1, size_t(size))) : nullptr;
            if (!memory)
                throw EPixelGraphic(Text1(msgFailed, QStringLiteral("CreateDIBSection")));
            codecs::adviseLargePages(memory, size_t(size));
            bits_.reset(memory);
            zeroed = true;
            rowStride_ = uint32_t(stride);
            dataSize_ = uint32_t(size);
            buildBitmapInfo();
        }
    }
    if (bits_ && width_ > 0 && height_ > 0)
        clearPixels(zeroed);
    else
        Changed();
}

void TPixelGraphic::buildBitmapInfo()
{
    const int n = ColorCount();
    bitmapInfo_.assign(sizeof(BITMAPINFOHEADER) + size_t(n) * sizeof(RGBQUAD), 0);
    const BITMAPINFOHEADER header = dib_info_header(width_, height_, unsigned(BitCount()), DWORD(n), 0);
    std::memcpy(bitmapInfo_.data(), &header, sizeof header);
    for (int i = 0; i < n; ++i)
        writeBitmapInfoColor(i, i < PaletteCount() ? palette_[size_t(i)] : (palette_.empty() ? 0 : palette_[0]));
}

void TPixelGraphic::writeBitmapInfoColor(int I, TRGB Color)
{
    if (I < 0 || I >= ColorCount() || bitmapInfo_.empty())
        return;
    const RGBQUAD quad{BYTE(BlueOf(Color)), BYTE(GreenOf(Color)), BYTE(RedOf(Color)), 0};
    std::memcpy(bitmapInfo_.data() + sizeof(BITMAPINFOHEADER) + size_t(I) * sizeof(RGBQUAD), &quad, sizeof quad);
}

void TPixelGraphic::SetWidth(int Value)
{
    if (Value != width_)
        SetFormat(Value, height_, format_);
}

void TPixelGraphic::SetHeight(int Value)
{
    if (Value != height_)
        SetFormat(width_, Value, format_);
}

void TPixelGraphic::SetPixelFormat(TPGPixelFormat Value)
{
    if (Value != format_)
        SetFormat(width_, height_, Value);
}

uint8_t *TPixelGraphic::ScanLine(int Y)
{
    flushCanvas();
    if (!bits_ || Y < 0 || Y >= height_)
        return nullptr;
    return bits_.get() + size_t(height_ - 1 - Y) * rowStride_;
}

const uint8_t *TPixelGraphic::ScanLine(int Y) const
{
    return const_cast<TPixelGraphic *>(this)->ScanLine(Y);
}

void TPixelGraphic::Clear()
{
    flushCanvas();
    if (!bits_ || width_ == 0 || height_ == 0)
        return;
    clearPixels(false);
}

void TPixelGraphic::clearPixels(bool Zeroed)
{
    // a page's worth of zeros written over zeros would only cost time
    if (!Zeroed)
        std::memset(bits_.get(), 0, dataSize_);
    if (backGroundColor_ != 0) {
        for (int y = 0; y < height_; ++y) {
            if (format_ == pg8Bit) {
                std::memset(ScanLine(y), int(backGroundColor_ & 0xFF), size_t(width_));
                continue;
            }
            for (int x = 0; x < width_; ++x)
                writePixel(x, y, backGroundColor_);
        }
    }
    Changed();
}

void TPixelGraphic::EndUpdate()
{
    if (updateCount_ > 0)
        --updateCount_;
    Changed();
}

void TPixelGraphic::Changed()
{
    if (updateCount_ == 0 && OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------- pixels

bool TPixelGraphic::holds(int X, int Y) const
{
    return bits_ && X >= 0 && X < width_ && Y >= 0 && Y < height_;
}

uint32_t TPixelGraphic::readPixel(int X, int Y) const
{
    const uint8_t *row = ScanLine(Y);
    switch (format_) {
    case pg1Bit: return (row[X / 8] >> (7 - X % 8)) & 1u;
    case pg4Bit: return X % 2 == 0 ? row[X / 2] >> 4 : row[X / 2] & 0x0Fu;
    case pg8Bit: return row[X];
    case pg24Bit: break;
    }
    const uint8_t *p = row + 3 * size_t(X);
    return MakeRGB(p[2], p[1], p[0]);
}

void TPixelGraphic::writePixel(int X, int Y, uint32_t Value)
{
    uint8_t *row = ScanLine(Y);
    switch (format_) {
    case pg1Bit: {
        const uint8_t mask = uint8_t(0x80u >> (X % 8));
        row[X / 8] = Value == 1 ? (row[X / 8] | mask) : (row[X / 8] & ~mask);
        return;
    }
    case pg4Bit: {
        uint8_t &b = row[X / 2];
        b = X % 2 == 0 ? uint8_t((b & 0x0F) | ((Value & 0x0F) << 4)) : uint8_t((b & 0xF0) | (Value & 0x0F));
        return;
    }
    case pg8Bit: row[X] = uint8_t(Value); return;
    case pg24Bit: break;
    }
    uint8_t *p = row + 3 * size_t(X);
    p[0] = uint8_t(BlueOf(Value));
    p[1] = uint8_t(GreenOf(Value));
    p[2] = uint8_t(RedOf(Value));
}

uint32_t TPixelGraphic::GetPixel(int X, int Y) const
{
    flushCanvas();
    if (!holds(X, Y)) {
        if (RangeCheck)
            throw EPGXYIndexOutOfRange(Text(msgXYIndexOutOfRange));
        return backGroundColor_;
    }
    return readPixel(X, Y);
}

void TPixelGraphic::SetPixel(int X, int Y, uint32_t Value)
{
    flushCanvas();
    if (!holds(X, Y)) {
        if (RangeCheck)
            throw EPGXYIndexOutOfRange(Text(msgXYIndexOutOfRange));
        return;
    }
    writePixel(X, Y, Value);
}

TRGB TPixelGraphic::colorOfValue(uint32_t Value) const
{
    return format_ == pg24Bit ? Value : PaletteEntries(int(Value));
}

TRGB TPixelGraphic::GetPixelColor(int X, int Y) const
{
    return colorOfValue(GetPixel(X, Y));
}

void TPixelGraphic::SetPixelColor(int X, int Y, TRGB Color)
{
    SetPixel(X, Y, format_ == pg24Bit ? Color : NearestIndex(Color));
}

TRGB TPixelGraphic::BackGroundRGB() const
{
    return colorOfValue(backGroundColor_);
}

void TPixelGraphic::SetBackGroundRGB(TRGB Color)
{
    backGroundColor_ = format_ == pg24Bit ? Color : NearestIndex(Color);
}

int TPixelGraphic::GrayLevel(TRGB Color) const
{
    if (rgbWeighting_)
        return (BlueOf(Color) * 342 + GreenOf(Color) * 1761 + RedOf(Color) * 897) / 1000;
    return RedOf(Color) + GreenOf(Color) + BlueOf(Color);
}

