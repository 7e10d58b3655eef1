// TPixelGraphic's colours: the standard palettes, palette entries, the
// nearest-colour search with its cache, and error-diffusion dithering.
#include "PGPixelGraphic.h"

#include "PGPixelGraphicState.h"

#include <QStringList>

#include <Rounding.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdlib>

namespace {

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
                logicalPalette_.push_back(toQRgb(c));
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

