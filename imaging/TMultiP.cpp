// TPMultiImage: creation, the properties with their storing rules, the
// progress relay, the error report and the picture.
#include "TMultiP.h"
#include "ilstatus.h"

#include "Annotation.h"
#include "DllSP96Frame.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace imaging {
TPMultiImage::TPMultiImage(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    color_ = palette().color(QPalette::Button);
    brushColour_ = color_;
    hBar_ = new QScrollBar(Qt::Horizontal, this);
    vBar_ = new QScrollBar(Qt::Vertical, this);
    corner_ = new QWidget(this);
    corner_->setAutoFillBackground(true);
    hBar_->hide();
    vBar_->hide();
    corner_->hide();
    connect(hBar_, &QScrollBar::valueChanged, this, &TPMultiImage::scrollBarMoved);
    connect(vBar_, &QScrollBar::valueChanged, this, &TPMultiImage::scrollBarMoved);
    bannerTimer_ = new QTimer(this);
    bannerTimer_->setInterval(10);
    connect(bannerTimer_, &QTimer::timeout, this, &TPMultiImage::BannerTick);
}

TPMultiImage::~TPMultiImage()
{
    bannerTimer_->stop();
    if (annotations_) {
        // nothing may leave a destructor: a layer that cannot save loses its edits
        try {
            if (AutoSaveAnno)
                annotations_->save(tiffPage_, AnnotationFile());
        } catch (const EImagingError &) {
        }
        annotations_.reset();
    }
}

void TPMultiImage::Loaded()
{
    if (!annotations_)
        annotations_ = std::make_unique<AnnotationLayer>(*this);
}

// ---- properties -------------------------------------------------------------------

void TPMultiImage::setTiffPage(int page)
{
    previousTiffPage_ = tiffPage_;
    tiffPage_ = page;
}

void TPMultiImage::setJPegSaveQuality(int quality)
{
    jpegSaveQuality_ = quality >= 1 && quality <= 100 ? quality : 25;
}

void TPMultiImage::setJPegSaveSmooth(int smoothing)
{
    jpegSaveSmooth_ = smoothing >= 1 && smoothing <= 100 ? smoothing : 5;
}

int TPMultiImage::DisplayDepth()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 24;
    if (depth <= 4)
        return 4;
    if (depth < 16)
        return 8;
    return 24;
}

int TPMultiImage::ReadDepth() const
{
    switch (ImageReadRes) {
    case lColorVga: return 0;
    case lMonoChrome: return 1;
    case lColor16: return 4;
    case lColor256: return 8;
    case lColorTrue: return 24;
    case lAutoMatic: break;
    }
    return DisplayDepth();
}

int TPMultiImage::WriteDepth(const QString &format) const
{
    if (format == QLatin1String("JPEG"))
        return ImageWriteRes == sMonoChrome || ImageWriteRes == sJpegGray ? 1 : 24;
    if (format == QLatin1String("GIF")) {
        int depth = 8;
        switch (ImageWriteRes) {
        case sAutoMatic: depth = DisplayDepth(); break;
        case sColor16: depth = 4; break;
        case sMonoChrome: depth = 1; break;
        case sColorVga: depth = 0; break;
        default: break;
        }
        return std::min(depth, 8);
    }
    switch (ImageWriteRes) {
    case sAutoMatic: return DisplayDepth();
    case sColorTrue: return 24;
    case sColor256: return 8;
    case sColor16: return 4;
    case sMonoChrome: return 1;
    case sColorVga: return 0;
    case sJpegGray: return 8;
    }
    return DisplayDepth();
}

// ---- progress and errors ---------------------------------------------------------

// Sets the caption of a long operation before its first report, so that no
// report shows the caption of the operation before it, and shows the
// progress window while the operation runs when the component has one.
TPMultiImage::ProgressScope::ProgressScope(TPMultiImage &owner, const QString &caption) : owner_(owner)
{
    ImagingProgressCaption = caption;
    if (owner_.ShowProgressWindow && !owner_.progressWindow_) {
        owner_.progressWindow_.emplace(owner_.parentWidget() ? owner_.window() : nullptr,
                                       platform::ProgressLook{QStringLiteral("Traitement en cours"),
                                                              platform::StopButton::Arreter,
                                                              QStringLiteral("ImagingProgress")});
        opened_ = true;
    }
}

TPMultiImage::ProgressScope::~ProgressScope()
{
    if (opened_)
        owner_.progressWindow_.reset();
}

std::int16_t TPMultiImage::progressRelay(std::int16_t percent, void *userData)
{
    auto *self = static_cast<TPMultiImage *>(userData);
    if (!self)
        return 1;
    bool cancel = false;
    if (self->OnProgress)
        self->OnProgress(self, percent, ImagingProgressCaption.toLower(), cancel);
    if (self->progressWindow_ && !self->progressWindow_->report({ImagingProgressCaption, percent, 100}))
        cancel = true;
    return cancel ? 0 : 1;
}

void TPMultiImage::reportProgress(int percent)
{
    progressRelay(std::int16_t(percent), this);
}

TPMultiImage::Failure TPMultiImage::lastLibraryFailure() const
{
    // a wrapper that refused the file before calling the library (too short
    // to be an image, an export missing) leaves no text of its own
    if (LastImagingError.Text.isEmpty())
        recordFailure(IL_ERR_DAMAGED);
    return LastImagingError;
}

void TPMultiImage::reportError(const Failure &failure)
{
    if (OnIlibError) {
        const QByteArray text = failure.Text.left(255).toLocal8Bit();
        OnIlibError(this, failure.Code, failure.Text, text.constData());
        return;
    }
    // stopping on the user's request needs no message
    if (failure.Code != IL_ERR_STOPPED)
        pendingError_ = failure;
}

void TPMultiImage::raisePendingError()
{
    if (!pendingError_)
        return;
    const QString text = pendingError_->Text;
    pendingError_.reset();
    throw ErrorInvalid(text);
}

// ---- the picture ------------------------------------------------------------------

int TPMultiImage::pictureWidth() const
{
    return isGraphic() ? graphic_.boundingRect().width() : picture_.width();
}

int TPMultiImage::pictureHeight() const
{
    return isGraphic() ? graphic_.boundingRect().height() : picture_.height();
}

void TPMultiImage::setPicture(const Bitmap &picture)
{
    graphic_ = QPicture();
    picture_ = picture;
    pictureChanged();
}

void TPMultiImage::setPicture(const QImage &picture)
{
    setPicture(Bitmap::fromImage(picture));
}

void TPMultiImage::clearPicture()
{
    setPicture(Bitmap());
}

void TPMultiImage::pictureChanged()
{
    if (autoSize_ && pictureWidth() > 0 && pictureHeight() > 0)
        resize(pictureWidth(), pictureHeight());
    recomputeZoom();
    updateScrollBars();
    update();
    if (OnPictureChanged)
        OnPictureChanged(this);
}

} // namespace imaging
