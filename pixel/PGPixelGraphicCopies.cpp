// TPixelGraphic's copies, resampling, filters and drawing.
#include "PGPixelGraphic.h"

#include "PGPixelGraphicState.h"

#include "PGCanvas.h"
#include "PGColorFilters.h"
#include "ScopeExit.h"

#include <QImage>
#include <QPainter>
#include <QRect>

#include <Parallel.h>
#include <Rounding.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

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

} // namespace

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
        filterRows(Filter, dithered);
        ProgressEnd();
    }
    Changed();
}

// The filtered rows of a band are computed on every core (each pixel
// depends on the source only), then written row by row in order with
// progress: copied into a 24-bit image, dithered in serpentine order or
// written colour by colour into a palette image.  An abort leaves the rows
// after it untouched, as a row-by-row run would, and the source is read
// before its rows are written over when it is the image itself.
void TPixelGraphic::filterRows(TPGFilter &Filter, bool Dithered)
{
    constexpr int bandRows = 64;
    const size_t rowBytes = 3 * size_t(width_);
    std::vector<uint8_t> band(size_t(std::min(bandRows, height_)) * rowBytes);
    for (int first = 0; first < height_; first += bandRows) {
        const int last = std::min(height_, first + bandRows);
        const int threads = std::min(codecs::workerCount(), last - first);
        codecs::runTogether(threads, [&](int thread) {
            for (int y = first + thread; y < last; y += threads)
                Filter.FilterRow(y, band.data() + size_t(y - first) * rowBytes);
        });
        for (int y = first; y < last; ++y) {
            const uint8_t *in = band.data() + size_t(y - first) * rowBytes;
            const auto colour = [in](int x) { return MakeRGB(in[3 * x + 2], in[3 * x + 1], in[3 * x]); };
            if (format_ == pg24Bit) {
                std::memcpy(ScanLine(y), in, rowBytes);
            } else if (Dithered) {
                NextDitherRow();
                for (int n = 0; n < width_; ++n) {
                    const int x = y % 2 == 0 ? n : width_ - 1 - n;
                    SetPixelDithered(x, y, colour(x));
                }
            } else {
                for (int x = 0; x < width_; ++x)
                    writeColor(x, y, colour(x), false);
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
