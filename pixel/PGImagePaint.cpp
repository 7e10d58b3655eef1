// TPGImage: painting, the display copy and the paint thread that builds it.
#include "PGImage.h"

#include "PGBmpExchange.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QScreen>

#include <array>

namespace {

bool isStandardPalette(TPaletteIdent Kind)
{
    return Kind >= pBlackWhite && Kind <= pSpecial252;
}

void choosePalette(TPixelGraphic &Copy, const TPixelGraphic &Source, TPaletteIdent Kind)
{
    if (Kind == pSource && Source.PaletteCount() > 0) {
        const int count = std::min(Source.PaletteCount(), Copy.ColorCount());
        Copy.SetPaletteCount(count);
        for (int i = 0; i < count; ++i)
            Copy.SetPaletteEntry(i, Source.PaletteEntries(i));
    } else if (isStandardPalette(Kind) && int(StandardPalette(Kind).size()) <= Copy.ColorCount()) {
        Copy.SetPaletteIdent(Kind);
    } else {
        SetOptimizedPalette(Copy, Source, 236, true); // pOptimized252Sys16, and the fallback
    }
}

// Same size, 8-bit into 8-bit: each source entry's nearest copy entry, once.
void mapIndices(TPixelGraphic &Copy, const TPixelGraphic &Source)
{
    std::array<uint8_t, 256> map{};
    for (int i = 0; i < Source.PaletteCount(); ++i)
        map[size_t(i)] = uint8_t(Copy.NearestIndex(Source.PaletteEntries(i)));
    Copy.ProgressStart();
    for (int y = 0; y < Copy.Height(); ++y) {
        const uint8_t *in = Source.ScanLine(y);
        uint8_t *out = Copy.ScanLine(y);
        for (int x = 0; x < Copy.Width(); ++x)
            out[x] = map[in[x]];
        if (Copy.Progress(y, Copy.Height() - 1))
            break;
    }
    Copy.ProgressEnd();
    Copy.Changed();
}

} // namespace

TDisplayCopyPlan PlanDisplayCopy(const TDisplaySettings &Settings, const TPixelGraphic &Image, QSize Box,
                                 int ScreenBits, bool Stale)
{
    const int b = ScreenBits, c = Image.BitCount();
    const QSize imageSize(Image.Width(), Image.Height());
    const bool stretched = Settings.Allow24BitStretch && Box != imageSize;
    TDisplayCopyPlan plan;
    plan.Needed = (b <= 8 && b < c) || stretched;
    if (c <= 8 && b <= 8) {
        if (b < 8)
            plan.Needed |= Image.PaletteIdent() != pSys16 && (!Settings.ReduceOnLoad || Stale);
        else
            plan.Needed |= Settings.Palette8BitSys8BitGraphic != pSource &&
                           Settings.Palette8BitSys8BitGraphic != Image.PaletteIdent();
    }
    if (b < 8) {
        plan.Format = pg4Bit;
        plan.Palette = pSys16;
    } else if (b == 8) {
        plan.Format = pg8Bit;
        plan.Palette = c > 8 ? Settings.Palette8BitSys24BitGraphic : Settings.Palette8BitSys8BitGraphic;
    }
    plan.Size = stretched ? Box : imageSize;
    return plan;
}

std::unique_ptr<TPixelGraphic> BuildDisplayCopy(const TPixelGraphic &Image, const TDisplayCopyPlan &Plan,
                                                const TDisplayCopyProgress &Progress)
{
    bool stopped = false;
    const auto follow = [&](TPixelGraphic &graphic, int step) {
        graphic.OnProgress = [&, step](TPixelGraphic *, int current, bool &abort, int max) {
            stopped = stopped || Progress(step, max > 0 ? current * 100 / max : 100);
            abort = stopped;
        };
    };
    const TPixelGraphic *source = &Image;
    TPixelGraphic resampled;
    if (Plan.Size != QSize(Image.Width(), Image.Height())) {
        resampled.StretchMode = Image.StretchMode;
        resampled.SetFormat(Plan.Size.width(), Plan.Size.height(), pg24Bit);
        follow(resampled, 1);
        resampled.CopyFrom(Image);
        if (stopped)
            return nullptr;
        source = &resampled;
    }
    auto copy = std::make_unique<TPixelGraphic>();
    copy->Dither = Image.Dither;
    copy->DitherErrorLimit = Image.DitherErrorLimit;
    copy->DitherErrorLimitAuto = Image.DitherErrorLimitAuto;
    copy->DitherErrorLimitSoft = Image.DitherErrorLimitSoft;
    copy->SetRGBWeighting(Image.RGBWeighting());
    copy->SetFormat(Plan.Size.width(), Plan.Size.height(), Plan.Format);
    if (Plan.Format != pg24Bit) {
        if (Progress(2, 0))
            return nullptr;
        choosePalette(*copy, *source, Plan.Palette);
    }
    follow(*copy, 3);
    if (source->PixelFormat() == pg8Bit && Plan.Format == pg8Bit)
        mapIndices(*copy, *source);
    else
        copy->CopyFrom(*source);
    copy->OnProgress = nullptr;
    if (stopped)
        return nullptr;
    return copy;
}

// ---------------------------------------------------------------- the control

TPicBox::TPicBox(TPGImage &Owner) : QWidget(Owner.viewport()), owner_(Owner)
{
    setObjectName(QStringLiteral("PicBox"));
}

void TPicBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    owner_.paintPicture(painter);
}

int TPGImage::screenBits() const
{
    const QScreen *shown = screen();
    return shown ? shown->depth() : 24;
}

void TPGImage::stopPaintThread()
{
    if (!painter_.busy())
        return;
    painter_.cancel(); // what it posted is dropped
    buildStep_ = 0;
    displayCopyStale_ = true;
    picBox_->update(); // the next paint starts the build again
}

void TPGImage::paintPicture(QPainter &Painter)
{
    const QRect box(QPoint(0, 0), picBox_->size());
    TPixelGraphic *image = pixelGraphic_.get();
    if (image && !image->GetEmpty()) {
        const TDisplayCopyPlan plan = PlanDisplayCopy(display_, *image, box.size(), screenBits(), displayCopyStale_);
        if (!plan.Needed) {
            displayCopy_.reset();
            image->Draw(Painter, box);
        } else {
            if (displayCopyStale_ && !painter_.busy()) {
                if (UseThread) {
                    startDisplayCopy(plan);
                } else {
                    installDisplayCopy(BuildDisplayCopy(*image, plan, [](int, int) { return false; }));
                    image = pixelGraphic_.get(); // replaced when reducing on load
                }
            }
            if (displayCopy_ && (!displayCopyStale_ || KeepOldPaintPixelGraphic))
                displayCopy_->Draw(Painter, box);
            else if (!displayCopy_ && !displayCopyStale_)
                image->Draw(Painter, box); // the image itself is the reduced copy
        }
    }
    if (painter_.busy() && ProgressClockVisible)
        paintClocks(Painter);
    if (PicBoxOnPaint)
        PicBoxOnPaint(this);
}

void TPGImage::startDisplayCopy(const TDisplayCopyPlan &Plan)
{
    buildStep_ = 0;
    buildPercent_ = 0;
    const TPixelGraphic &image = *pixelGraphic_;
    painter_.start([this, &image, Plan](const platform::LatestWorker::Job &job) -> platform::LatestWorker::Delivery {
        // Progress is posted when the percentage changes, at most once a 50 ms tick.
        QElapsedTimer clock;
        clock.start();
        int lastPercent = -1;
        qint64 lastTick = -1;
        auto copy = BuildDisplayCopy(image, Plan, [&](int step, int percent) {
            const qint64 tick = clock.elapsed() / 50;
            if (percent != lastPercent && tick != lastTick) {
                lastPercent = percent;
                lastTick = tick;
                job.post([this, step, percent] { showBuildProgress(step, percent); });
            }
            return job.stopRequested();
        });
        if (!copy)
            return {};
        auto result = std::make_shared<std::unique_ptr<TPixelGraphic>>(std::move(copy));
        return [this, result](bool) { installDisplayCopy(std::move(*result)); };
    });
}

void TPGImage::installDisplayCopy(std::unique_ptr<TPixelGraphic> Copy)
{
    if (!Copy)
        return;
    if (display_.ReduceOnLoad) {
        pixelGraphic_ = std::move(Copy);
        attach(*pixelGraphic_);
        displayCopy_.reset();
    } else {
        displayCopy_ = std::move(Copy);
    }
    displayCopyStale_ = false;
    picBox_->update();
}

void TPGImage::showBuildProgress(int Step, int Percent)
{
    buildStep_ = Step;
    buildPercent_ = Percent;
    if (ProgressClockVisible)
        picBox_->update();
}

// One small clock per step of the build, the current one filled to its
// percentage (only the current one without Progress5Clocks).
void TPGImage::paintClocks(QPainter &Painter) const
{
    constexpr int size = 14, gap = 4;
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(ProgressClockLineColor);
    for (int step = Progress5Clocks ? 1 : buildStep_; step >= 1 && step <= buildStep_; ++step) {
        const QRectF face(gap + (step - 1) * (size + gap), gap, size, size);
        Painter.setBrush(ProgressClockBkColor);
        Painter.drawEllipse(face);
        const int percent = step < buildStep_ ? 100 : buildPercent_;
        Painter.setBrush(ProgressClockLineColor);
        Painter.drawPie(face, 90 * 16, -percent * 360 * 16 / 100);
    }
    Painter.restore();
}
