// TPixelGraphic: storage, pixel access, palettes, nearest-colour search,
// dithering, resampling and filtering.
#include "PGPixelGraphic.h"

#include "PGCanvas.h"
#include "PGColorFilters.h"
#include "ScopeExit.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QStringList>

#include <Parallel.h>
#include <Rounding.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdlib>
#include <cstring>
#include <limits>

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

int squaredDistance(TRGB a, TRGB b)
{
    const int dr = RedOf(a) - RedOf(b);
    const int dg = GreenOf(a) - GreenOf(b);
    const int db = BlueOf(a) - BlueOf(b);
    return dr * dr + dg * dg + db * db;
}

constexpr TRGB grey(int level) { return MakeRGB(level, level, level); }

const std::array<TRGB, 16> systemColors = {
    MakeRGB(0, 0, 0),       MakeRGB(128, 0, 0),   MakeRGB(0, 128, 0),   MakeRGB(128, 128, 0),
    MakeRGB(0, 0, 128),     MakeRGB(128, 0, 128), MakeRGB(0, 128, 128), MakeRGB(192, 192, 192),
    MakeRGB(128, 128, 128), MakeRGB(255, 0, 0),   MakeRGB(0, 255, 0),   MakeRGB(255, 255, 0),
    MakeRGB(0, 0, 255),     MakeRGB(255, 0, 255), MakeRGB(0, 255, 255), MakeRGB(255, 255, 255),
};

int gray236Level(int k)
{
    return int(platform::roundEven((255.0L * k - 4.0L / 47.0L) / 235.0L));
}

// Colour cubes with `levels` steps per channel, red outermost.
std::vector<TRGB> colorCube(int levels, int (*level)(int))
{
    std::vector<TRGB> entries;
    for (int r = 0; r < levels; ++r)
        for (int g = 0; g < levels; ++g)
            for (int b = 0; b < levels; ++b)
                entries.push_back(MakeRGB(level(r), level(g), level(b)));
    return entries;
}

// The 252-colour table: the system colours, then colours on the nine levels
// 0, 32, ..., 224, 255.  First the even-level lattice without the system
// colours, then colours whose red and green lie on odd levels (led by three
// dark reds) until the table is full.
std::vector<TRGB> special252()
{
    static constexpr int levels[9] = {0, 32, 64, 96, 128, 160, 192, 224, 255};
    std::vector<TRGB> entries(systemColors.begin(), systemColors.end());
    const auto isSystem = [](TRGB c) { return std::find(systemColors.begin(), systemColors.end(), c) != systemColors.end(); };
    for (int r = 0; r < 9; r += 2)
        for (int g = 0; g < 9; g += 2)
            for (int b = 0; b < 9; b += 2)
                if (const TRGB c = MakeRGB(levels[r], levels[g], levels[b]); !isSystem(c))
                    entries.push_back(c);
    for (int r = 1; r < 9; r += 2)
        for (int g = 0; g < 9; ++g)
            for (int b = 0; b < 9; ++b) {
                const bool darkRed = g == 0 && b == 0 && r < 7;
                if ((g % 2 == 1 || darkRed) && entries.size() < 252)
                    entries.push_back(MakeRGB(levels[r], levels[g], levels[b]));
            }
    return entries;
}

std::vector<TRGB> buildStandardPalette(TPaletteIdent kind)
{
    std::vector<TRGB> entries;
    switch (kind) {
    case pBlackWhite: return {grey(0), grey(255)};
    case pSysGray4: return {grey(0), grey(128), grey(192), grey(255)};
    case pSys16: return {systemColors.begin(), systemColors.end()};
    case pGray4:
        for (int k = 0; k < 4; ++k)
            entries.push_back(grey(k * 255 / 3));
        return entries;
    case pGray16:
        for (int k = 0; k < 16; ++k)
            entries.push_back(grey(k * 255 / 15));
        return entries;
    case pGray236:
        for (int k = 0; k < 236; ++k)
            entries.push_back(grey(gray236Level(k)));
        return entries;
    case pGray256:
        for (int k = 0; k < 256; ++k)
            entries.push_back(grey(k));
        return entries;
    case pSpecial125: return colorCube(5, [](int l) { return (255 * l + 3) / 4; });
    case pSpecial216: return colorCube(6, [](int l) { return (255 * l + 4) / 5; });
    case pSpecial252: return special252();
    default: return entries;
    }
}

// Candidate entries of the system palette per cell (R div 64, G div 64, B div 64),
// tried in order; a later candidate wins only when strictly nearer.
const char *const sys16CandidateRows[4] = {
    "0 4 4 12  2 6 6 6/12  2 6 6 6/14  10 6/10 6/14 14",
    "1 5 5 5/12  3 8 8 8/12  3 8 8 7/8/14  3/10 8/10 7/8/14 7/14",
    "1 5 5 5/13  3 8 8 7/8/13  3 8 7/8 7  3/11 7/8/11 7 7",
    "9 5/9 5/13 13  3/9 8/9 7/8/13 7/13  3/11 7/8/11 7 7  11 7/11 7 7/15",
};

const std::array<std::vector<uint8_t>, 64> &sys16Candidates()
{
    static const std::array<std::vector<uint8_t>, 64> cells = [] {
        std::array<std::vector<uint8_t>, 64> result;
        int cell = 0;
        for (const char *row : sys16CandidateRows)
            for (const QString &group : QString::fromLatin1(row).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                for (const QString &candidate : group.split(QLatin1Char('/')))
                    result[cell].push_back(uint8_t(candidate.toInt()));
                ++cell;
            }
        return result;
    }();
    return cells;
}

int level252(int channel) { return (channel + 16) / 32; }

// For each of the 9x9x9 cells of the 252-colour table, every entry that can be
// the nearest to some colour of the cell: those whose least distance to the
// cell does not exceed the smallest greatest distance of any entry.
const std::vector<std::vector<uint8_t>> &special252Candidates()
{
    static const std::vector<std::vector<uint8_t>> cells = [] {
        const std::vector<TRGB> &entries = StandardPalette(pSpecial252);
        std::vector<std::vector<uint8_t>> result(729);
        const auto span = [](int key) { return std::pair{std::max(0, 32 * key - 16), std::min(255, 32 * key + 15)}; };
        for (int cell = 0; cell < 729; ++cell) {
            const std::pair<int, int> box[3] = {span(cell / 81), span(cell / 9 % 9), span(cell % 9)};
            std::vector<long> least(entries.size()), greatest(entries.size());
            long bound = std::numeric_limits<long>::max();
            for (size_t i = 0; i < entries.size(); ++i) {
                const int channel[3] = {RedOf(entries[i]), GreenOf(entries[i]), BlueOf(entries[i])};
                long lo = 0, hi = 0;
                for (int c = 0; c < 3; ++c) {
                    const int below = std::max(0, box[c].first - channel[c]);
                    const int above = std::max(0, channel[c] - box[c].second);
                    const int nearest = std::max(below, above);
                    const int farthest = std::max(std::abs(channel[c] - box[c].first), std::abs(channel[c] - box[c].second));
                    lo += long(nearest) * nearest;
                    hi += long(farthest) * farthest;
                }
                least[i] = lo;
                greatest[i] = hi;
                bound = std::min(bound, hi);
            }
            for (size_t i = 0; i < entries.size(); ++i)
                if (least[i] <= bound)
                    result[cell].push_back(uint8_t(i));
        }
        return result;
    }();
    return cells;
}

// Grey level g (0..765) to the pGray236 entry nearest to g / 3, lower index on ties.
const std::array<uint8_t, 766> &gray236Lookup()
{
    static const std::array<uint8_t, 766> table = [] {
        std::array<uint8_t, 766> result{};
        for (int g = 0; g < 766; ++g) {
            int best = 0;
            long double bestDistance = std::numeric_limits<long double>::max();
            for (int k = 0; k < 236; ++k) {
                const long double distance = std::fabs(gray236Level(k) - g / 3.0L);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
            result[g] = uint8_t(best);
        }
        return result;
    }();
    return table;
}

uint32_t nearestAmong(const std::vector<TRGB> &entries, const std::vector<uint8_t> &candidates, TRGB color)
{
    uint32_t best = candidates.front();
    int bestDistance = squaredDistance(color, entries[best]);
    for (size_t i = 1; i < candidates.size(); ++i) {
        const int distance = squaredDistance(color, entries[candidates[i]]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidates[i];
        }
    }
    return best;
}

int clampByte(int value) { return std::clamp(value, 0, 255); }

// Accumulated error in sixteenths divided by 16, halves away from zero.
int sixteenths(int accumulated)
{
    const int q = accumulated >= 0 ? (accumulated + 8) / 16 : -((8 - accumulated) / 16);
    return std::clamp(q, -255, 255);
}

// Source taps of one destination row or column of a resampled copy.
class AxisTaps {
public:
    struct Tap {
        int source;
        int64_t weight;
    };

    // Destination coordinates [from, to) of an interval that maps destStart..destStart+d
    // onto srcStart..srcStart+s.
    AxisTaps(int from, int to, int destStart, int d, int srcStart, int s, TStretchMode mode)
        : from_(from), begin_(size_t(to - from) + 1, 0), normaliser_(size_t(to - from), 1), valid_(size_t(to - from), true)
    {
        const bool shrinking = s > d;
        for (int k = from; k < to; ++k) {
            const int64_t offset = k - destStart;
            const size_t slot = size_t(k - from);
            if (mode == smFast || s == d) {
                add(srcStart + int(int64_t(s) * offset / d), 1);
            } else if ((shrinking && mode == smMedium) || (!shrinking && mode == smPrecise)) {
                interpolate(slot, offset, d, srcStart, s, shrinking);
            } else {
                average(slot, offset, d, srcStart, s);
            }
            begin_[slot + 1] = taps_.size();
        }
    }

    const Tap *begin(int k) const { return taps_.data() + begin_[size_t(k - from_)]; }
    const Tap *end(int k) const { return taps_.data() + begin_[size_t(k - from_) + 1]; }
    int64_t normaliser(int k) const { return normaliser_[size_t(k - from_)]; }
    bool valid(int k) const { return valid_[size_t(k - from_)]; }

private:
    void add(int source, int64_t weight) { taps_.push_back({source, weight}); }

    // Two samples either side of the destination sample centre, in units of 1/(2d).
    void interpolate(size_t slot, int64_t offset, int d, int srcStart, int s, bool shrinking)
    {
        const int64_t position = (2 * offset + 1) * s - d;
        const int64_t twoD = 2 * int64_t(d);
        int64_t lower = position >= 0 ? position / twoD : -((-position + twoD - 1) / twoD);
        const int64_t fraction = position - lower * twoD;
        normaliser_[slot] = twoD;
        const int64_t samples[2] = {lower, lower + 1};
        const int64_t weights[2] = {twoD - fraction, fraction};
        for (int i = 0; i < 2; ++i) {
            if (weights[i] == 0)
                continue;
            int64_t sample = samples[i];
            if (sample < 0 || sample >= s) {
                if (shrinking) {
                    valid_[slot] = false;
                    continue;
                }
                sample = std::clamp<int64_t>(sample, 0, s - 1);
            }
            add(srcStart + int(sample), weights[i]);
        }
    }

    // The source interval covered by the destination sample, end samples weighted by their covered part.
    void average(size_t slot, int64_t offset, int d, int srcStart, int s)
    {
        const int64_t first = s * offset / d;
        int64_t last = s * (offset + 1) / d;
        if ((s * (offset + 1)) % d == 0)
            --last;
        normaliser_[slot] = s;
        if (first >= last) {
            add(srcStart + int(first), s);
            return;
        }
        add(srcStart + int(first), d * (first + 1) - s * offset);
        for (int64_t i = first + 1; i < last; ++i)
            add(srcStart + int(i), d);
        add(srcStart + int(last), s * (offset + 1) - last * d);
    }

    int from_;
    std::vector<Tap> taps_;
    std::vector<size_t> begin_;
    std::vector<int64_t> normaliser_;
    std::vector<bool> valid_;
};

// Recent results of a colour filter, keyed by colour: pictures repeat colours
// (paper, flat areas) and the real-number filters are costly per colour.
class RecentColours {
public:
    TRGB filter(TPGColorFilter &filter, TRGB colour)
    {
        colour &= 0xFFFFFFu;
        Slot &slot = slots_[(colour * 2654435761u) >> 20];
        const uint32_t key = colour | 0x80000000u;
        if (slot.key != key) {
            slot.result = filter.FilterColor(colour);
            slot.key = key;
        }
        return slot.result;
    }

private:
    struct Slot {
        uint32_t key = 0; // colour with a marker bit; 0 while empty
        TRGB result = 0;
    };
    std::array<Slot, 4096> slots_{};
};

} // namespace

const std::vector<TRGB> &StandardPalette(TPaletteIdent Kind)
{
    static const std::array<std::vector<TRGB>, pSource + 1> palettes = [] {
        std::array<std::vector<TRGB>, pSource + 1> result;
        for (int kind = 0; kind <= pSource; ++kind)
            result[size_t(kind)] = buildStandardPalette(TPaletteIdent(kind));
        return result;
    }();
    return palettes[Kind <= pSource ? Kind : pNone];
}

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

struct TPixelGraphic::NearestCache {
    std::array<uint8_t, 65536> index{};
    std::bitset<65536> known;
    static int cell(int r, int g, int b) { return (r / 8) * 2048 + (g / 4) * 32 + b / 8; }
};

struct TPixelGraphic::DitherState {
    std::array<int, 511> limit{}; // indexed by error + 255
    std::vector<int> current;
    std::vector<int> next;
    int limited(int error) const { return limit[size_t(error + 255)]; }
};

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
            // One DIB holds at most 2 GiB; anything larger is refused like a failed allocation.
            uint8_t *memory = size <= uint64_t(std::numeric_limits<int32_t>::max())
                ? static_cast<uint8_t *>(std::calloc(1, size_t(size))) : nullptr;
            if (!memory)
                throw EPixelGraphic(Text1(msgFailed, QStringLiteral("CreateDIBSection")));
            bits_.reset(memory);
            rowStride_ = uint32_t(stride);
            dataSize_ = uint32_t(size);
            buildBitmapInfo();
        }
    }
    if (bits_ && width_ > 0 && height_ > 0)
        Clear();
    else
        Changed();
}

void TPixelGraphic::buildBitmapInfo()
{
    const int n = ColorCount();
    bitmapInfo_.assign(sizeof(BITMAPINFOHEADER) + size_t(n) * sizeof(RGBQUAD), 0);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = WORD(BitCount());
    header.biCompression = BI_RGB;
    header.biSizeImage = dataSize_;
    header.biClrUsed = DWORD(n);
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

// ---------------------------------------------------------------- palette

void TPixelGraphic::paletteChanged()
{
    memoStale_ = true;
    paletteHandleStale_ = true;
    cache_.reset();
}

void TPixelGraphic::SetPaletteCount(int N)
{
    if (N < 0 || N > 256)
        throw EPGInvalidPaletteIndex(Text(msgInvalidPaletteIndex));
    flushCanvas();
    if (N != PaletteCount()) {
        palette_.resize(size_t(N), 0);
        paletteIdent_ = N > 0 ? pUnknown : pNone;
        if (!bitmapInfo_.empty())
            reinterpret_cast<BITMAPINFOHEADER *>(bitmapInfo_.data())->biClrUsed = DWORD(N);
    }
    paletteChanged();
}

TRGB TPixelGraphic::PaletteEntries(int I) const
{
    if (paletteIdent_ == pTrueColor)
        return TRGB(I);
    if (I < 0 || I >= PaletteCount())
        throw EPGInvalidPaletteIndex(Text(msgInvalidPaletteIndex));
    return palette_[size_t(I)];
}

void TPixelGraphic::SetPaletteEntry(int I, TRGB Color)
{
    if (paletteIdent_ == pNone || paletteIdent_ == pTrueColor)
        throw EPGNoPalette(Text(msgNoPalette));
    if (I < 0 || I >= PaletteCount())
        throw EPGInvalidPaletteIndex(Text(msgInvalidPaletteIndex));
    flushCanvas();
    writeBitmapInfoColor(I, Color);
    palette_[size_t(I)] = Color & 0xFFFFFFu;
    paletteIdent_ = pUnknown;
    paletteChanged();
}

void TPixelGraphic::SetPaletteIdent(TPaletteIdent Kind)
{
    if (Kind == paletteIdent_)
        return;
    flushCanvas();
    switch (Kind) {
    case pNone:
    case pTrueColor:
        SetPaletteCount(0);
        paletteIdent_ = Kind;
        break;
    case pUnknown: paletteIdent_ = Kind; break;
    case pOptimized252Sys16:
    case pSource: break;
    default: {
        const std::vector<TRGB> &entries = StandardPalette(Kind);
        SetPaletteCount(int(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            palette_[i] = entries[i];
            writeBitmapInfoColor(int(i), entries[i]);
        }
        paletteIdent_ = Kind;
        break;
    }
    }
    paletteChanged();
}

void TPixelGraphic::DetectPaletteIdent()
{
    isGray_ = format_ != pg24Bit
        && std::all_of(palette_.begin(), palette_.end(),
                       [](TRGB c) { return RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c); });
    static constexpr TPaletteIdent tried[] = {pBlackWhite, pGray4,   pSysGray4,   pGray16,     pGray236,
                                              pGray256,    pSys16,   pSpecial216, pSpecial125, pSpecial252};
    TPaletteIdent kind = palette_.empty() ? (format_ == pg24Bit ? pTrueColor : pNone) : pUnknown;
    for (TPaletteIdent candidate : tried)
        if (palette_ == StandardPalette(candidate)) {
            kind = candidate;
            break;
        }
    if (kind != paletteIdent_) {
        paletteIdent_ = kind;
        paletteChanged();
    }
}

const std::vector<QRgb> &TPixelGraphic::GetPalette() const
{
    if (paletteHandleStale_) {
        logicalPalette_.clear();
        if (paletteIdent_ != pTrueColor)
            for (TRGB c : palette_)
                logicalPalette_.push_back(qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
        paletteHandleStale_ = false;
    }
    return logicalPalette_;
}

void TPixelGraphic::ClearNearestCache()
{
    cache_.reset();
}

void TPixelGraphic::SetUseNearestCache(bool Value)
{
    if (Value != useNearestCache_) {
        useNearestCache_ = Value;
        memoStale_ = true;
    }
}

void TPixelGraphic::SetRGBWeighting(bool Value)
{
    if (Value != rgbWeighting_) {
        rgbWeighting_ = Value;
        memoStale_ = true;
    }
}

uint32_t TPixelGraphic::NearestIndex(TRGB Color)
{
    if (!memoStale_ && Color == lastColor_)
        return lastIndex_;
    const uint32_t index = computeNearest(Color);
    lastColor_ = Color;
    lastIndex_ = index;
    memoStale_ = false;
    return index;
}

uint32_t TPixelGraphic::computeNearest(TRGB Color)
{
    const int r = RedOf(Color), g = GreenOf(Color), b = BlueOf(Color);
    const int level = GrayLevel(Color);
    switch (paletteIdent_) {
    case pNone: throw EPGNoPalette(Text(msgNoPalette));
    case pTrueColor: return Color;
    case pUnknown: return useNearestCache_ ? nearestByCache(Color) : nearestExhaustive(Color);
    case pBlackWhite: return uint32_t((level + 1) / 384);
    case pSysGray4: return level <= 192 ? 0 : level <= 480 ? 1 : level <= 670 ? 2 : 3;
    case pSys16:
        return nearestAmong(palette_, sys16Candidates()[size_t((r / 64) * 16 + (g / 64) * 4 + b / 64)], Color);
    case pGray4: return uint32_t((level + 127) / 255);
    case pGray16: return uint32_t((level + 25) / 51);
    case pGray236: return gray236Lookup()[size_t(level)];
    case pGray256: return uint32_t((level + 1) / 3);
    case pSpecial125: {
        // 224 lies nearer to 255 than to 192 once the levels are 0, 64, 128, 192, 255.
        const auto step = [](int c) { return ((c == 224 ? 225 : c) + 31) / 64; };
        return uint32_t(step(r) * 25 + step(g) * 5 + step(b));
    }
    case pSpecial216: return uint32_t(((r + 24) / 51) * 36 + ((g + 24) / 51) * 6 + (b + 24) / 51);
    case pSpecial252:
        return nearestAmong(palette_, special252Candidates()[size_t(level252(r) * 81 + level252(g) * 9 + level252(b))],
                            Color);
    case pOptimized252Sys16:
    case pSource: break;
    }
    return nearestExhaustive(Color);
}

uint32_t TPixelGraphic::nearestExhaustive(TRGB Color) const
{
    if (palette_.empty())
        throw EPGNoPalette(Text(msgNoPalette));
    uint32_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < palette_.size(); ++i) {
        const int distance = squaredDistance(Color, palette_[i]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = uint32_t(i);
        }
    }
    return best;
}

uint32_t TPixelGraphic::nearestByCache(TRGB Color)
{
    if (!cache_)
        fillNearestCache();
    const int cell = NearestCache::cell(RedOf(Color), GreenOf(Color), BlueOf(Color));
    if (!cache_->known[size_t(cell)]) {
        cache_->index[size_t(cell)] = uint8_t(nearestExhaustive(Color));
        cache_->known[size_t(cell)] = true;
    }
    return cache_->index[size_t(cell)];
}

// Cells near a palette entry take that entry before any lookup, growing shells
// of Chebyshev radius 0..4 around each entry's own cell.
void TPixelGraphic::fillNearestCache()
{
    cache_ = std::make_unique<NearestCache>();
    constexpr int extent[3] = {32, 64, 32};
    for (int radius = 0; radius <= 4; ++radius) {
        for (size_t i = 0; i < palette_.size(); ++i) {
            const int centre[3] = {RedOf(palette_[i]) / 8, GreenOf(palette_[i]) / 4, BlueOf(palette_[i]) / 8};
            for (int cr = std::max(0, centre[0] - radius); cr <= std::min(extent[0] - 1, centre[0] + radius); ++cr)
                for (int cg = std::max(0, centre[1] - radius); cg <= std::min(extent[1] - 1, centre[1] + radius); ++cg)
                    for (int cb = std::max(0, centre[2] - radius); cb <= std::min(extent[2] - 1, centre[2] + radius);
                         ++cb) {
                        const int distance = std::max({std::abs(cr - centre[0]), std::abs(cg - centre[1]),
                                                       std::abs(cb - centre[2])});
                        const size_t cell = size_t(cr * 2048 + cg * 32 + cb);
                        if (distance == radius && !cache_->known[cell]) {
                            cache_->index[cell] = uint8_t(i);
                            cache_->known[cell] = true;
                        }
                    }
        }
    }
}

// ---------------------------------------------------------------- dithering

void TPixelGraphic::BeginDither()
{
    dither_.reset();
    auto state = std::make_unique<DitherState>();
    state->current.assign(size_t(width_ + 2) * 3, 0);
    state->next.assign(size_t(width_ + 2) * 3, 0);
    dither_ = std::move(state);
    fillErrorLimitTable();
    isGray_ = format_ != pg24Bit
        && std::all_of(palette_.begin(), palette_.end(),
                       [](TRGB c) { return RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c); });
}

void TPixelGraphic::fillErrorLimitTable()
{
    int limit = DitherErrorLimit;
    bool soft = DitherErrorLimitSoft;
    if (DitherErrorLimitAuto) {
        soft = true;
        switch (paletteIdent_) {
        case pBlackWhite: limit = 255; break;
        case pSysGray4:
        case pSys16:
        case pGray4: limit = 128; break;
        case pGray236: limit = 3; break;
        case pGray256: limit = 2; break;
        case pSpecial125:
        case pSpecial252: limit = 104; break;
        case pSpecial216: limit = 86; break;
        case pOptimized252Sys16:
        case pSource: limit = 0; break;
        default: limit = 32; break;
        }
    }
    std::array<int, 256> table{};
    for (int e = 0; e <= 255; ++e)
        table[size_t(e)] = (limit != 255 && e >= limit) ? limit : e;
    if (soft)
        for (int e = limit / 2; e <= (3 * limit) / 2 && e < 255; ++e)
            table[size_t(e)] = e / 2 + limit / 4;
    for (int e = 0; e <= 255; ++e) {
        dither_->limit[size_t(255 + e)] = table[size_t(e)];
        dither_->limit[size_t(255 - e)] = -table[size_t(e)];
    }
}

int TPixelGraphic::DitherErrorLimitTable(int Error) const
{
    return dither_ && Error >= -255 && Error <= 255 ? dither_->limited(Error) : 0;
}

void TPixelGraphic::NextDitherRow()
{
    if (!dither_)
        return;
    std::swap(dither_->current, dither_->next);
    std::fill(dither_->next.begin(), dither_->next.end(), 0);
}

void TPixelGraphic::EndDither()
{
    dither_.reset();
}

void TPixelGraphic::SetPixelDithered(int X, int Y, TRGB Color)
{
    flushCanvas();
    if (!dither_ || !holds(X, Y)) {
        SetPixelColor(X, Y, Color);
        return;
    }
    const int ahead = Y % 2 == 0 ? X + 1 : X - 1;
    const int behind = Y % 2 == 0 ? X - 1 : X + 1;
    // Error cells are (x + 1) * 3 + channel, with a guard cell at each end.
    const auto cell = [](int x, int channel) { return size_t(x + 1) * 3 + size_t(channel); };
    std::vector<int> &current = dither_->current;
    std::vector<int> &next = dither_->next;
    const auto spread = [&](int channel, int error) {
        current[cell(ahead, channel)] += 7 * error;
        next[cell(ahead, channel)] += error;
        next[cell(X, channel)] += 5 * error;
        next[cell(behind, channel)] += 3 * error;
    };
    if (isGray_) {
        const int t = clampByte(GrayLevel(Color) / 3 + dither_->limited(sixteenths(current[cell(X, 1)])));
        const uint32_t index = NearestIndex(grey(t));
        writePixel(X, Y, index);
        spread(1, t - GreenOf(colorOfValue(index)));
        return;
    }
    const int channels[3] = {RedOf(Color), GreenOf(Color), BlueOf(Color)};
    int target[3];
    for (int c = 0; c < 3; ++c)
        target[c] = clampByte(channels[c] + dither_->limited(sixteenths(current[cell(X, c)])));
    const uint32_t index = NearestIndex(MakeRGB(target[0], target[1], target[2]));
    writePixel(X, Y, index);
    const TRGB chosen = colorOfValue(index);
    const int chosenChannels[3] = {RedOf(chosen), GreenOf(chosen), BlueOf(chosen)};
    for (int c = 0; c < 3; ++c)
        spread(c, target[c] - chosenChannels[c]);
}

void TPixelGraphic::writeColor(int X, int Y, TRGB Color, bool Dithered)
{
    if (format_ == pg24Bit)
        writePixel(X, Y, Color);
    else if (Dithered)
        SetPixelDithered(X, Y, Color);
    else
        writePixel(X, Y, NearestIndex(Color));
}

// ---------------------------------------------------------------- progress

void TPixelGraphic::ProgressStart()
{
    if (OnProgressStart)
        OnProgressStart(this);
}

bool TPixelGraphic::Progress(int Current, int Max)
{
    bool abort = false;
    if (OnProgress)
        OnProgress(this, Current, abort, Max);
    return abort;
}

void TPixelGraphic::ProgressEnd()
{
    if (OnProgressEnd)
        OnProgressEnd(this);
}

// ---------------------------------------------------------------- copies

void TPixelGraphic::Assign(const TPixelGraphic *Source)
{
    if (Source == this)
        return;
    BeginUpdate();
    const platform::ScopeExit endUpdate([this] { EndUpdate(); });
    if (!Source) {
        SetFormat(0, 0, pg24Bit); // takes in and closes the own canvas, as below
        return;
    }
    Source->flushCanvas();
    SetFormat(Source->width_, Source->height_, Source->format_);
    if (bits_ && Source->bits_)
        std::memcpy(bits_.get(), Source->bits_.get(), std::min(dataSize_, Source->dataSize_));
    SetPaletteIdent(Source->paletteIdent_);
    SetPaletteCount(Source->PaletteCount());
    backGroundColor_ = Source->backGroundColor_;
    Dither = Source->Dither;
    DitherErrorLimit = Source->DitherErrorLimit;
    DitherErrorLimitAuto = Source->DitherErrorLimitAuto;
    DitherErrorLimitSoft = Source->DitherErrorLimitSoft;
    SetUseNearestCache(Source->useNearestCache_);
    FileGamma = Source->FileGamma;
    SetRGBWeighting(Source->rgbWeighting_);
    StretchMode = Source->StretchMode;
    ReadWarningAction = Source->ReadWarningAction;
    transparent_ = Source->transparent_;
    RangeCheck = Source->RangeCheck;
    SaveColorResWarningAction = Source->SaveColorResWarningAction;
    for (int i = 0; i < Source->PaletteCount(); ++i)
        SetPaletteEntry(i, Source->palette_[size_t(i)]);
    DetectPaletteIdent();
}

void TPixelGraphic::CopyFrom(const TPixelGraphic &Source)
{
    StretchCopy(0, 0, width_, height_, Source, 0, 0, Source.width_, Source.height_);
}

void TPixelGraphic::plainCopy(int DestLeft, int DestTop, const TPixelGraphic &Source, int SrcLeft, int SrcTop,
                              int Width, int Height)
{
    // Clip the common rectangle to both images.
    int x0 = std::max({0, DestLeft, DestLeft - SrcLeft});
    int x1 = std::min({DestLeft + Width, width_, DestLeft - SrcLeft + Source.width_});
    int y0 = std::max({0, DestTop, DestTop - SrcTop});
    int y1 = std::min({DestTop + Height, height_, DestTop - SrcTop + Source.height_});
    if (x0 >= x1 || y0 >= y1 || !bits_ || !Source.bits_)
        return;
    const bool rows = format_ == pg24Bit && Source.format_ == pg24Bit;
    const bool dithered = Dither && format_ != pg24Bit && !rows;
    if (dithered)
        BeginDither();
    const platform::ScopeExit endDither([this] { EndDither(); });
    ProgressStart();
    for (int y = y0; y < y1; ++y) {
        const int sy = y - DestTop + SrcTop;
        if (rows) {
            std::memmove(ScanLine(y) + 3 * size_t(x0), Source.ScanLine(sy) + 3 * size_t(x0 - DestLeft + SrcLeft),
                         3 * size_t(x1 - x0));
        } else {
            if (dithered)
                NextDitherRow();
            for (int n = 0; n < x1 - x0; ++n) {
                const int x = y % 2 == 0 ? x0 + n : x1 - 1 - n;
                writeColor(x, y, Source.colorOfValue(Source.readPixel(x - DestLeft + SrcLeft, sy)), dithered);
            }
        }
        if (Progress(y - y0, y1 - 1 - y0))
            break;
    }
    ProgressEnd();
    Changed();
}

void TPixelGraphic::StretchCopy(int DestLeft, int DestTop, int DestWidth, int DestHeight, const TPixelGraphic &Source,
                                int SrcLeft, int SrcTop, int SrcWidth, int SrcHeight)
{
    flushCanvas();
    Source.flushCanvas();
    if (DestWidth == SrcWidth && DestHeight == SrcHeight) {
        plainCopy(DestLeft, DestTop, Source, SrcLeft, SrcTop, DestWidth, DestHeight);
        return;
    }
    if (!bits_ || !Source.bits_ || DestWidth <= 0 || DestHeight <= 0 || SrcWidth <= 0 || SrcHeight <= 0)
        return;
    const int x0 = std::max(0, DestLeft), x1 = std::min(width_, DestLeft + DestWidth);
    const int y0 = std::max(0, DestTop), y1 = std::min(height_, DestTop + DestHeight);
    if (x0 >= x1 || y0 >= y1)
        return;
    const AxisTaps columns(x0, x1, DestLeft, DestWidth, SrcLeft, SrcWidth, StretchMode);
    const AxisTaps rows(y0, y1, DestTop, DestHeight, SrcTop, SrcHeight, StretchMode);
    // Samples outside the source read as its background, as unchecked pixel reads do.
    const auto sourceColor = [&Source](int x, int y) {
        return Source.colorOfValue(Source.holds(x, y) ? Source.readPixel(x, y) : Source.backGroundColor_);
    };
    const bool dithered = Dither && format_ != pg24Bit;
    if (dithered)
        BeginDither();
    const platform::ScopeExit endDither([this] { EndDither(); });
    ProgressStart();
    for (int y = y0; y < y1; ++y) {
        if (dithered)
            NextDitherRow();
        for (int n = 0; n < x1 - x0; ++n) {
            const int x = y % 2 == 0 ? x0 + n : x1 - 1 - n;
            if (!columns.valid(x) || !rows.valid(y))
                continue;
            int64_t total[3] = {0, 0, 0};
            for (const AxisTaps::Tap *row = rows.begin(y); row != rows.end(y); ++row) {
                int64_t line[3] = {0, 0, 0};
                for (const AxisTaps::Tap *column = columns.begin(x); column != columns.end(x); ++column) {
                    const TRGB c = sourceColor(column->source, row->source);
                    line[0] += column->weight * RedOf(c);
                    line[1] += column->weight * GreenOf(c);
                    line[2] += column->weight * BlueOf(c);
                }
                for (int c = 0; c < 3; ++c)
                    total[c] += line[c] / columns.normaliser(x) * row->weight;
            }
            const int64_t norm = rows.normaliser(y);
            writeColor(x, y, MakeRGB(int(total[0] / norm), int(total[1] / norm), int(total[2] / norm)), dithered);
        }
        if (Progress(y - y0, y1 - 1 - y0))
            break;
    }
    ProgressEnd();
    Changed();
}

// ---------------------------------------------------------------- filters

void TPixelGraphic::ApplyFilter(TPGFilter &Filter, const TPixelGraphic &Source)
{
    const bool inPlace = &Source == this;
    if (inPlace && !Filter.IsColorFilter())
        throw EPGFilter(Text(msgSourceIsTarget));
    // the filter threads read the source, so nothing may be left to flush
    flushCanvas();
    Source.flushCanvas();
    if (!inPlace)
        SetFormat(Source.width_, Source.height_, format_);
    if (width_ <= 0 || height_ <= 0)
        return;
    if (Filter.IsColorFilter() && format_ != pg24Bit && format_ >= Source.format_) {
        // Each colour maps on its own, so filtering the palette filters every pixel.
        if (!inPlace)
            Assign(&Source);
        if (!palette_.empty()) {
            Filter.Init(&Source);
            const platform::ScopeExit done([&Filter] { Filter.Done(); });
            for (int i = 0; i < PaletteCount(); ++i)
                SetPaletteEntry(i, Filter.FilterColor(palette_[size_t(i)]));
        }
    } else {
        const bool dithered = Dither && format_ != pg24Bit;
        if (dithered)
            BeginDither();
        else
            EndDither();
        const platform::ScopeExit endDither([this] { EndDither(); });
        Filter.Init(&Source);
        const platform::ScopeExit done([&Filter] { Filter.Done(); });
        ProgressStart();
        filterRows(Filter, Source, dithered);
        ProgressEnd();
    }
    Changed();
}

// The filtered colours of a band of rows are computed on every core (each
// pixel depends on the source only), then written row by row in order with
// progress, dithered in serpentine order or directly; an abort leaves the
// rows after it untouched, as a row-by-row run would.
void TPixelGraphic::filterRows(TPGFilter &Filter, const TPixelGraphic &Source, bool Dithered)
{
    constexpr int bandRows = 64;
    const int workers = codecs::workerCount();
    auto *colourFilter = dynamic_cast<TPGColorFilter *>(&Filter);
    std::vector<RecentColours> recent(static_cast<size_t>(workers));
    std::vector<TRGB> band(size_t(bandRows) * size_t(width_));
    for (int first = 0; first < height_; first += bandRows) {
        const int last = std::min(height_, first + bandRows);
        codecs::runTogether(workers, [&](int worker) {
            for (int y = first + worker; y < last; y += workers) {
                TRGB *out = band.data() + size_t(y - first) * size_t(width_);
                for (int x = 0; x < width_; ++x)
                    out[x] = colourFilter ? recent[size_t(worker)].filter(*colourFilter, Source.GetPixelColor(x, y))
                                          : Filter.GetFilteredPixel(x, y);
            }
        });
        for (int y = first; y < last; ++y) {
            const TRGB *in = band.data() + size_t(y - first) * size_t(width_);
            if (Dithered) {
                NextDitherRow();
                for (int n = 0; n < width_; ++n) {
                    const int x = y % 2 == 0 ? n : width_ - 1 - n;
                    SetPixelDithered(x, y, in[x]);
                }
            } else {
                for (int x = 0; x < width_; ++x)
                    writeColor(x, y, in[x], false);
            }
            if (Progress(y, height_ - 1))
                return;
        }
    }
}

// ---------------------------------------------------------------- drawing

void TPixelGraphic::Draw(QPainter &Canvas, const QRect &Rect) const
{
    if (width_ == 0 || height_ == 0 || !bits_)
        return;
    flushCanvas();
    QImage picture;
    if (format_ == pg24Bit) {
        picture = QImage(width_, height_, QImage::Format_RGB888);
        for (int y = 0; y < height_; ++y) {
            const uint8_t *source = ScanLine(y);
            uint8_t *target = picture.scanLine(y);
            for (int x = 0; x < width_; ++x) {
                target[3 * x] = source[3 * x + 2];
                target[3 * x + 1] = source[3 * x + 1];
                target[3 * x + 2] = source[3 * x];
            }
        }
    } else {
        // The section's colour table is complete (ColorCount entries), so every index has a colour.
        QList<QRgb> colours;
        const auto *quads = reinterpret_cast<const RGBQUAD *>(bitmapInfo_.data() + sizeof(BITMAPINFOHEADER));
        for (int i = 0; i < ColorCount(); ++i)
            colours.push_back(qRgb(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
        picture = QImage(width_, height_, QImage::Format_Indexed8);
        picture.setColorTable(colours);
        for (int y = 0; y < height_; ++y) {
            uint8_t *target = picture.scanLine(y);
            for (int x = 0; x < width_; ++x)
                target[x] = uint8_t(readPixel(x, y));
        }
    }
    Canvas.drawImage(Rect, picture);
}
