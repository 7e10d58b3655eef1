#pragma once
// TPMultiImage: a control that owns a picture, fills it from an image file
// chosen by extension, writes it in seven formats, describes the file it
// came from, runs whole-picture corrections and the effects dialog, and
// shows the picture: stretched, proportional, centred, tiled or scrolled
// with panning, with transitions, text banners and the annotation layer of
// the file library.
//
// One class, split over files by concern:
//   TMultiP.cpp         creation, properties, progress relay, error report
//   TMultiPFiles.cpp    loading, saving, file information
//   TMultiPCorrect.cpp  corrections, the effects dialog, the clipboard
//   TMultiPDisplay.cpp  painting, scroll bars, panning, rubber band, transitions
//   TMultiPBanner.cpp   the scrolling text banners
//   TMultiPAnno.cpp     the annotation layer
//
// Library failures go through one error report: OnIlibError when it is
// assigned, else ErrorInvalid raised to the caller once the operation has
// ended (busy flag cleared, OnFinishedLoadSave called).  A load that fails
// keeps the picture shown before it; a failed save leaves any existing file
// as it was (the library writes through a temporary file).
#include "Banner.h"
#include "Bitmap.h"
#include "DllSP96.h"
#include "FileFormat.h"
#include "ImagingError.h"
#include "ProgressWindow.h"
#include "ilsurface.h"

#include <QColor>
#include <QPicture>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QScrollBar;
class QTimer;

namespace imaging {

class AnnotationLayer;

enum TLoadResolution { lColorVga, lMonoChrome, lColor16, lColor256, lColorTrue, lAutoMatic };
enum TSaveResolution { sColorVga, sMonoChrome, sColor16, sColor256, sColorTrue, sJpegGray, sAutoMatic };
enum TPCDMode { pcd_BASE16, pcd_BASE4, pcd_BASE };
// How a picture of fewer than 2 bits per pixel is shrunk: every row and
// column dropped but one, black kept, or white kept.
enum TBlitMode { sLight, sDark, sLightest };

// The error the component raises for a failure no OnIlibError handler takes.
class ErrorInvalid : public EImagingError {
public:
    using EImagingError::EImagingError;
};

// What the component knows of the file it loaded last.
struct TMultiImageInfo {
    QString Format;
    int Width = 0;
    int Height = 0;
    int Bits = 0;
    // fileinfo's two further values (the library gives the page count and
    // the compression code); kept, not used.
    int Extra1 = 0;
    int Extra2 = 0;
    QString Compression;
    int Pages = 0;
    // The size of the picture's DIB, for pictures of the program's resources.
    qint64 DibSize = 0;
};

class TPMultiImage;
using TMultiImageEvent = std::function<void(TPMultiImage *Sender)>;
using TILMesProgress = std::function<void(TPMultiImage *Sender, int Progress, const QString &PMessage, bool &CancelProcess)>;
using TlibError = std::function<void(TPMultiImage *Sender, int ErrorCode, const QString &ErrorString, const char *ErrorPChar)>;
using TPaintAreaEvent = std::function<void(TPMultiImage *Sender, int X, int Y, int XX, int YY)>;
using TRubberBandEvent = std::function<void(TPMultiImage *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                            int X, int Y, int XX, int YY)>;
// Annotation events: the annotation's index in the layer.
using TAnnoEvent = std::function<void(TPMultiImage *Sender, int Index)>;
using TAnnoDrawEvent = std::function<void(TPMultiImage *Sender, int Index, QPainter &Canvas, const QRect &Area)>;
using TAnnoBeforeDrawEvent = std::function<void(TPMultiImage *Sender, int Index, bool &CanDraw)>;

class TPMultiImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString ImageName READ ImageName WRITE setImageName)
    Q_PROPERTY(int InfoWidth READ InfoWidth)
    Q_PROPERTY(int InfoHeight READ InfoHeight)
    Q_PROPERTY(QString InfoFormat READ InfoFormat)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(int pictureWidth READ pictureWidth)
    Q_PROPERTY(int pictureHeight READ pictureHeight)

public:
    explicit TPMultiImage(QWidget *parent = nullptr);
    ~TPMultiImage() override;
    TPMultiImage(const TPMultiImage &) = delete;
    TPMultiImage &operator=(const TPMultiImage &) = delete;

    // Call once the form has set its values: starts the annotation layer,
    // which loads CRDE2000.DLL (EImagingError when it cannot be loaded,
    // ErrorInvalid when it lacks an annotation export).
    void Loaded();

    // ---- file properties ------------------------------------------------------
    QString ImageName() const { return imageName_; }
    // Loads the file: see TMultiPFiles.cpp.
    void setImageName(const QString &name);
    TLoadResolution ImageReadRes = lAutoMatic;
    bool ImageDither = false;
    TSaveResolution ImageWriteRes = sAutoMatic;
    TTiffCompression TifSaveCompress = sNONE;
    // Pages count from 1; 0 reads the first page too.
    int TiffPage() const { return tiffPage_; }
    void setTiffPage(int page);
    int PreviousTiffPage() const { return previousTiffPage_; }
    bool TiffAppend = false;
    // 1 to 100; any other value stores 25, respectively 5.
    int JPegSaveQuality() const { return jpegSaveQuality_; }
    void setJPegSaveQuality(int quality);
    int JPegSaveSmooth() const { return jpegSaveSmooth_; }
    void setJPegSaveSmooth(int smoothing);
    bool PNGInterLaced = false;
    TPCDMode PCDMode = pcd_BASE4;
    QString DefSaveFilename;
    TFXMethod FXMethod = FXNone;
    int FXDelay = 25;
    int FXColRowThick = 4;
    // When not empty, readers that can decode at a reduced scale (JPEG by
    // its DCT scaling, Photo CD by its base images) deliver a picture no
    // smaller than needed to fill this box at the picture's proportions.
    // The file information keeps the file's own size.  For previews.
    QSize ReduceToFit;

    // Loads, saves and corrections show the program's progress window over
    // the component's window while they run (it closes when they end).
    bool ShowProgressWindow = false;

    // ---- events -----------------------------------------------------------------
    // The library's progress with its caption in lower case, as the
    // component has always given it; the progress window shows it as it is.
    TILMesProgress OnProgress;
    TlibError OnIlibError;
    TMultiImageEvent OnFinishedLoadSave;
    TMultiImageEvent OnPictureChanged;
    TMultiImageEvent OnPaint;
    TPaintAreaEvent OnPaintArea;
    TRubberBandEvent OnRubberband;
    TAnnoEvent OnAnnoClick;
    TAnnoEvent OnAnnoDone;
    TAnnoDrawEvent OnCustomAnnotationDraw;
    TAnnoDrawEvent OnCustomAnnotationHardDraw;
    TAnnoBeforeDrawEvent OnBeforeAnnotationDraw;
    TAnnoEvent OnAfterAnnotationDraw;

    // ---- the picture ------------------------------------------------------------
    const Bitmap &Picture() const { return picture_; }
    // A bitmap keeps its depth; an image takes the depth of its format.
    void setPicture(const Bitmap &picture);
    void setPicture(const QImage &picture);
    void clearPicture();
    // An icon or metafile picture, drawn by the toolkit.
    bool isGraphic() const { return !graphic_.isNull(); }
    const QPicture &Graphic() const { return graphic_; }
    int pictureWidth() const;
    int pictureHeight() const;

    // ---- file information -------------------------------------------------------
    const TMultiImageInfo &Info() const { return info_; }
    QString InfoFormat() const { return info_.Format; }
    int InfoWidth() const { return info_.Width; }
    int InfoHeight() const { return info_.Height; }
    int InfoBits() const { return info_.Bits; }
    QString InfoCompression() const { return info_.Compression; }
    int InfoPages() const { return info_.Pages; }
    bool ReadFileInfo(const QString &name);
    // Set from the start of a load to its end.
    bool Busy() const { return busy_; }

    // ---- saving -------------------------------------------------------------------
    // A non-empty name is stored in DefSaveFilename first; DefSaveFilename is written.
    void SaveAsBMP(const QString &name = {});
    void SaveAsPNG(const QString &name = {});
    void SaveAsJPEG(const QString &name = {});
    void SaveAsGIF(const QString &name = {});
    void SaveAsTIF(const QString &name = {});
    void SaveAsPCX(const QString &name = {});
    void SaveAsEPS(const QString &name = {});

    // ---- corrections, effects, clipboard ------------------------------------------
    // 0 for right or bottom: the picture's width or height.
    void AutoContrastArea(int left, int top, int right, int bottom);
    void GrayAreaImage(int left, int top, int right, int bottom);
    void InvertImage();
    // Runs the effects dialog (EffectsDialog.h) on the picture.
    void ShowEffects();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    // ---- display ----------------------------------------------------------------------
    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);
    bool StretchRatio() const { return stretchRatio_; }
    void setStretchRatio(bool stretchRatio);
    bool Center() const { return center_; }
    void setCenter(bool center);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    bool Scrolling() const { return scrolling_; }
    void setScrolling(bool scrolling);
    bool ShowScrollbars() const { return showScrollbars_; }
    void setShowScrollbars(bool show);
    int ScrollbarWidth() const { return scrollbarWidth_; }
    void setScrollbarWidth(int width);
    bool TileWindow() const { return tileWindow_; }
    void setTileWindow(bool tile);
    QColor Color() const { return color_; }
    void setColor(const QColor &color);
    TBlitMode BlitMode = sLight;
    Qt::CursorShape GrabHandCursor = Qt::ClosedHandCursor;
    // A text drawn over the picture with the control's font.
    QString Text;
    int TextLeft = 0;
    int TextTop = 0;
    int TextRotate = 0; // degrees, anticlockwise
    bool TextShadow = false;
    QColor TextShadowColor = Qt::black;
    bool TextTransParent = true;
    bool AllowRubberBand = false;
    Qt::MouseButton RubberBandBtn = Qt::LeftButton;

    double Zoom() const { return zoom_; }
    QPointF Origin() const { return origin_; }
    // Moves the view (picture pixels), kept within the picture.
    void setOrigin(QPointF origin);
    QScrollBar *horizontalBar() const { return hBar_; }
    QScrollBar *verticalBar() const { return vBar_; }
    bool Panning() const { return panning_; }

    // ---- banners ------------------------------------------------------------------------
    TBannerKind BannerKind() const { return banner_.kind; }
    const TBanner &Banner() const { return banner_.settings; }
    QPoint BannerPosition() const { return banner_.position; }
    int BannerLine() const { return banner_.line; }
    // One tick of the banner's animation (what its timer delivers).
    void BannerTick();
    void StopBanner();

    // ---- annotations --------------------------------------------------------------------
    bool EditAnnotat() const { return editAnnotat_; }
    void setEditAnnotat(bool edit);
    bool AutoLoadAnno = false;
    bool AutoSaveAnno = false;
    QString AnnoFileName;
    // Sends a menu command to the layer while editing (tools, colours, deleting).
    void AnnotationMenu(int command);
    // The annotation file for the current picture and page.
    QString AnnotationFile() const;
    AnnotationLayer *Annotations() const { return annotations_.get(); }

    // Screen depth as the automatic settings use it: 4, 8 or 24.
    static int DisplayDepth();
    // Bit depth asked of the readers, and given to the writers of a format
    // ("BMP", "PNG", "JPEG", "GIF", "TIF", "PCX", "EPS").
    int ReadDepth() const;
    int WriteDepth(const QString &format) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // A failure of a load or a save: the library's status and its text.
    using Failure = TImagingError;
    class BusyScope;
    // A long operation: its caption, and the progress window while it runs.
    class ProgressScope {
    public:
        ProgressScope(TPMultiImage &owner, const QString &caption);
        ~ProgressScope();
        ProgressScope(const ProgressScope &) = delete;
        ProgressScope &operator=(const ProgressScope &) = delete;

    private:
        TPMultiImage &owner_;
        bool opened_ = false;
    };
    friend class AnnotationLayer;

    // TMultiP.cpp
    static std::int16_t progressRelay(std::int16_t percent, void *userData);
    void reportProgress(int percent);
    // Calls OnIlibError now; without it keeps the failure for raise().
    void reportError(const Failure &failure);
    void raisePendingError();
    Failure lastLibraryFailure() const;
    void pictureChanged();

    // TMultiPFiles.cpp
    std::optional<Failure> readBitmapFile(codecs::Format format, const QString &name, Bitmap &bitmap);
    std::optional<Failure> loadResource(const QString &name);
    std::optional<Failure> loadGraphic(const QString &name);
    std::optional<Failure> loadBanner(const QString &name, TBannerKind kind);
    void takeLoadedPicture(Bitmap &loaded);
    bool readTiffInfo(const QString &name);
    template <typename Write> void save(const QString &format, const QString &name, Write write);
    int libraryTiffPage() const;

    // TMultiPCorrect.cpp
    // The correction by the export `exportName`, under its caption.
    template <typename Correction> void correct(const char *exportName, Correction correction);

    // TMultiPDisplay.cpp
    bool barsAllowed() const;
    QSize viewArea() const;
    bool pictureExceedsView() const;
    void updateScrollBars();
    void scrollBarMoved();
    void recomputeZoom();
    void drawPicture(QPainter &painter, const QRectF &target, const QRectF &source) const;
    // Paints the picture in the current mode; the area it covers.
    QRect renderPicture(QPainter &painter);
    void paintText(QPainter &painter);
    bool annotatedView() const;

    // TMultiPBanner.cpp
    void startBanner(TBannerKind kind, const TBanner &settings);
    void renderBannerLine();
    void renderBannerFrame();

    // TMultiPAnno.cpp
    void annotationMouse(int message, QPoint point);

    QString imageName_;
    Bitmap picture_;
    QPicture graphic_;
    TMultiImageInfo info_;
    bool busy_ = false;
    int tiffPage_ = 0;
    int previousTiffPage_ = 0;
    // the page the picture shown was read from, whose annotations a load saves first
    int loadedPage_ = 0;
    int jpegSaveQuality_ = 25;
    int jpegSaveSmooth_ = 0;
    std::optional<Failure> pendingError_;
    // while a long operation runs, when the component shows progress
    std::optional<platform::ProgressWindow> progressWindow_;

    bool stretch_ = false;
    bool stretchRatio_ = false;
    bool center_ = false;
    bool autoSize_ = false;
    bool scrolling_ = true;
    bool showScrollbars_ = true;
    int scrollbarWidth_ = 12;
    bool tileWindow_ = false;
    QColor color_;
    // the background of pictures that do not cover the control: the colour at creation
    QColor brushColour_;
    double zoom_ = 1.0;
    QPointF origin_;
    QScrollBar *hBar_ = nullptr;
    QScrollBar *vBar_ = nullptr;
    QWidget *corner_ = nullptr;
    bool panning_ = false;
    QPoint panStart_;
    QPointF panOrigin_;
    std::optional<QRect> band_;
    QPoint bandStart_;

    struct BannerState {
        TBannerKind kind = TBannerKind::None;
        TBanner settings;
        QImage bitmap;
        QPoint position;
        int ticks = 0;
        int line = 0;
        QColor savedColor;
    } banner_;
    QTimer *bannerTimer_ = nullptr;

    bool editAnnotat_ = false;
    std::unique_ptr<AnnotationLayer> annotations_;
};

} // namespace imaging
