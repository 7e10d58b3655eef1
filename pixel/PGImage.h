#pragma once
// TPGImage: a control that owns one pixel image and shows it in a child
// picture box (TPicBox), sized by a stretch rule, centred or scrolled.  When
// the screen cannot show the image as it is (a palette screen) or a stretched
// 24-bit copy is wanted, a display copy is built on a background paint worker
// that posts its progress and its result back; the control stops and waits
// for that worker before it reads, replaces or frees its image.
#include "LatestWorker.h"
#include "PGPixelGraphic.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QSize>

#include <functional>
#include <memory>

class TPGImage;

enum TStretch : uint8_t {
    sNeverKAR,
    sAlways,
    sAlwaysKAR,
    sShrink,
    sShrinkKAR,
    sEnlarge,
    sEnlargeKAR,
    sAlwaysLongerEdgeKAR,
    sShrinkLongerEdgeKAR,
    sEnlargeShrinkLongerEdgeKAR,
    sEnlargeLongerEdgeKAR,
    sZoomKAR,
};

// The picture box's size for an image shown in an area of Available.  KAR
// rules keep the aspect ratio; the longer-edge rules scale the image's longer
// edge to the area's shorter side, so a picture fits whichever way it is turned.
QSize StretchedSize(TStretch Stretch, QSize Image, QSize Available, long double ZoomFactor);

// What the screen needs in place of the image itself, decided for each paint.
struct TDisplayCopyPlan {
    bool Needed = false;
    TPGPixelFormat Format = pg24Bit;
    TPaletteIdent Palette = pTrueColor; // for palette formats: a standard kind, pOptimized252Sys16 or pSource
    QSize Size;                         // the image's size, or the picture box's when stretched
};

struct TDisplaySettings {
    bool Allow24BitStretch = false;
    bool ReduceOnLoad = false;
    TPaletteIdent Palette8BitSys24BitGraphic = pOptimized252Sys16;
    TPaletteIdent Palette8BitSys8BitGraphic = pOptimized252Sys16;
};

// ScreenBits: bits per pixel times planes of the screen; Stale: the last copy no longer matches the image.
TDisplayCopyPlan PlanDisplayCopy(const TDisplaySettings &Settings, const TPixelGraphic &Image, QSize Box,
                                 int ScreenBits, bool Stale);

// Progress of a build: step 1 resampling, 2 choosing the palette, 3 writing
// the colours; percent 0..100.  Returns true to stop the build.
using TDisplayCopyProgress = std::function<bool(int Step, int Percent)>;

// The display copy of Image that Plan asks for; none when stopped.
std::unique_ptr<TPixelGraphic> BuildDisplayCopy(const TPixelGraphic &Image, const TDisplayCopyPlan &Plan,
                                                const TDisplayCopyProgress &Progress);

// The child that shows the picture; the control places and sizes it.
class TPicBox : public QWidget {
    Q_OBJECT
public:
    explicit TPicBox(TPGImage &Owner);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TPGImage &owner_;
};

class TPGImage : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TPGImage(QWidget *Parent = nullptr);
    ~TPGImage() override;

    // The owned image, after the paint thread has stopped; none when empty.
    // The caller may change it in place: its OnChange reaches the control.
    TPixelGraphic *PixelGraphic();
    // Takes Image over (none empties the control) and frees the image held so
    // far, also when the caller is still reading it.
    void SetPixelGraphic(std::unique_ptr<TPixelGraphic> Image);
    // The owned image, without waiting for the paint thread: only for reading.
    TPixelGraphic *CurrentPixelGraphic() const { return pixelGraphic_.get(); }

    // Layout.
    TStretch Stretch() const { return stretch_; }
    void SetStretch(TStretch Value);
    bool Center() const { return center_; }
    void SetCenter(bool Value);
    // The zoom asked for by sZoomKAR, and the one shown (-1 when the two sides are scaled differently).
    long double ZoomFactor() const { return zoomFactor_; }
    void SetZoomFactor(long double Value);
    long double EffectiveZoomFactor() const { return effectiveZoom_; }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    int AutoSizeMaxWidth = 2147483647;
    int AutoSizeMaxHeight = 2147483647;
    int AutoSizeMinWidth = 0;
    int AutoSizeMinHeight = 0;

    // Display copy.
    const TDisplaySettings &DisplaySettings() const { return display_; }
    void SetDisplaySettings(const TDisplaySettings &Value);
    bool KeepOldPaintPixelGraphic = false; // show the stale copy until its successor is built
    bool UseThread = true;                 // build the copy on the paint thread, else while painting
    const TPixelGraphic *DisplayCopy() const { return displayCopy_.get(); }

    // Progress clocks shown while a copy is built.
    QColor ProgressClockBkColor;
    QColor ProgressClockLineColor;
    bool ProgressClockVisible = true;
    bool Progress5Clocks = true;

    TPicBox &PicBox() const { return *picBox_; }

    // Events.
    std::function<void(TPGImage *Sender, int Width, int Height)> OnNewAutoSize;
    std::function<void(TPGImage *Sender)> OnPixelGraphicChange;
    std::function<void(TPGImage *Sender)> OnZoomFactorChange;
    std::function<void(TPGImage *Sender)> PicBoxOnPaint; // after the picture box painted
    TNotifyEvent OnPixelGraphicProgressStart;
    TPGProgressEvent OnPixelGraphicProgress;
    TNotifyEvent OnPixelGraphicProgressEnd;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TPicBox;

    void attach(TPixelGraphic &Image);
    void pixelGraphicChanged();
    void arrange();
    void placeBox();
    void stopPaintThread();
    void paintPicture(QPainter &Painter);
    void startDisplayCopy(const TDisplayCopyPlan &Plan);
    void installDisplayCopy(std::unique_ptr<TPixelGraphic> Copy);
    void showBuildProgress(int Step, int Percent);
    void paintClocks(QPainter &Painter) const;
    int screenBits() const;

    std::unique_ptr<TPixelGraphic> pixelGraphic_;
    std::unique_ptr<TPixelGraphic> displayCopy_;
    bool displayCopyStale_ = true;
    TPicBox *picBox_;
    QSize boxSize_;
    QSize area_; // where the box is shown: the client area less borders and scroll bars
    TStretch stretch_ = sNeverKAR;
    bool center_ = false;
    bool autoScroll_ = true;
    bool autoSize_ = false;
    long double zoomFactor_ = 1;
    long double effectiveZoom_ = 1;
    TDisplaySettings display_;
    int buildStep_ = 0, buildPercent_ = 0;
    platform::LatestWorker painter_; // last: stopped before the images above go
};
