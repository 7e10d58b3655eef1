// The effects dialog's preview and application, their progress and stop,
// and the selection band.
#include "ilfilter.h"

#include "DllSP96Frame.h"
#include "ErrorBoundary.h"
#include "ILDibCls.h"
#include "ILPImage.h"
#include "ILRubberBand.h"
#include "Rounding.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>

using platform::roundInt;

namespace imaging {
namespace {

// Progress is drawn over the preview only for effects that take a while.
constexpr int kSlowRunMilliseconds = 150;

GlobalBlock copyOf(HGLOBAL dib)
{
    return GlobalBlock(dib ? ILTDib::CopyBlock(dib) : nullptr);
}

} // namespace

void TEffectForm::PreviewBtnClick()
{
    runEffect(false);
}

void TEffectForm::ApplyBtnClick()
{
    runEffect(true);
}

void TEffectForm::StopProcessBtnClick()
{
    runner_.stop();
}

void TEffectForm::ReloadimageBtnClick()
{
    takeLibrary();
    PreviewDib = copyOf(PreviewBackup.get());
    showPreviewDib();
    ReloadimageBtn->setEnabled(false);
    NothingPending = true;
}

void TEffectForm::scheduleAutoPreview()
{
    if (opened_ && !applying() && PreviewDib && activePage()->offersPreview())
        autoPreview_.start();
}

// The preview from the working picture: at the panel's size and the picture's depth.
bool TEffectForm::rebuildPreview()
{
    takeLibrary();
    PreviewDib.reset();
    PreviewBackup.reset();
    const DibSize size = sizeOf(WorkingDib.get());
    if (size.bits == 0)
        return false;
    try {
        // both libraries bound here, on the GUI thread, before any effect runs on the worker
        CRDE2000().symbol("CopyDIB");
        PreviewDib.reset(ScaleDib(WorkingDib.get(), PreviewImage->width(), PreviewImage->height(), size.bits));
    } catch (...) {
        platform::reportCurrentException();
        return false;
    }
    if (!PreviewDib)
        return false;
    PreviewBackup = copyOf(PreviewDib.get());
    showPreviewDib();
    return true;
}

void TEffectForm::runEffect(bool application)
{
    autoPreview_.stop();
    TEffectPage *page = activePage();
    if (!PreviewDib || page->showsWorkingPicture() || applying())
        return;
    const bool pasting = page->pastes();
    const DibSize preview = sizeOf(PreviewBackup.get());
    TEffectTarget target;
    target.application = application;
    target.size = application ? imageSize_ : QSize(preview.width, preview.height);
    target.depth = application ? sizeOf(WorkingDib.get()).bits : preview.bits;
    const TEffectWork work = page->effect(target);
    if (!work)
        return;
    auto input = std::make_shared<GlobalBlock>(copyOf(application ? WorkingDib.get() : PreviewBackup.get()));
    // pages that do not use the selection work on the whole picture
    TEffectCall call;
    if (page->usesSelection())
        static_cast<TSides &>(call) = application ? imageRectangle(!pasting) : previewRectangle(!pasting);
    const Run kind = application ? Run::Application : Run::Preview;
    if (application) {
        ReloadimageBtn->setEnabled(false);
        NothingPending = true;
        disableForApplication();
    } else {
        ReloadimageBtn->setEnabled(true);
        NothingPending = false;
    }
    runKind_ = kind;
    StopProcessBtn->setEnabled(true);
    ilProgress->setValue(0);
    runClock_.start();
    const QSize previewSize = PreviewImage->size();
    runner_.start(
        [work, input, call, application, previewSize](const TLibraryCallbacks &callbacks) -> TEffectOutcome {
            TEffectCall c = call;
            c.library = callbacks;
            GlobalBlock result = work(std::move(*input), c);
            if (!result || !application)
                return {std::move(result), {}};
            // an application is kept only with the preview that shows it
            GlobalBlock shown(ScaleDib(result.get(), previewSize.width(), previewSize.height(), sizeOf(result.get()).bits,
                                       callbacks.userData, callbacks.progress));
            if (!shown)
                return {};
            return {std::move(result), std::move(shown)};
        },
        {[this](int percent, const QString &caption) { showProgress(percent, caption); },
         [this](const QImage &step) { PreviewImage->showPicture(step); },
         [this, kind](TEffectOutcome outcome, bool stopped) { runFinished(kind, std::move(outcome), stopped); }},
        previewSize);
}

void TEffectForm::runFinished(Run kind, TEffectOutcome outcome, bool stopped)
{
    if (kind == Run::Application) {
        if (outcome.picture && !stopped) {
            WorkingDib = std::move(outcome.picture);
            PreviewDib = std::move(outcome.preview);
            PreviewBackup = copyOf(PreviewDib.get());
            const DibSize size = sizeOf(WorkingDib.get());
            imageSize_ = QSize(std::max(1, size.width), std::max(1, size.height));
        } else {
            PreviewDib = copyOf(PreviewBackup.get());
        }
        enableAfterRun();
    } else {
        // a preview that gave nothing shows the picture as it was
        PreviewDib = outcome.picture && !stopped ? std::move(outcome.picture) : copyOf(PreviewBackup.get());
    }
    StopProcessBtn->setEnabled(false);
    PreviewImage->setProgress(-1);
    ilProgress->setValue(0);
    statusPanels_[1]->clear();
    showPreviewDib();
    for (TEffectPage *page : pages_)
        page->pictureChanged();
    updateActions();
    showSelection();
}

void TEffectForm::showProgress(int percent, const QString &caption)
{
    if (percent <= 0) {
        ilProgress->setValue(0);
    } else if (percent >= 100) {
        ilProgress->setValue(100);
    } else if (percent > ilProgress->value() + 5) {
        ilProgress->setValue(percent);
        statusPanels_[1]->setText(caption);
    }
    if (runner_.busy() && runClock_.elapsed() >= kSlowRunMilliseconds)
        PreviewImage->setProgress(std::clamp(percent, 0, 100));
}

void TEffectForm::takeLibrary()
{
    if (!runner_.busy())
        return;
    const bool application = applying();
    runner_.wait();
    if (application)
        enableAfterRun();
    StopProcessBtn->setEnabled(false);
    PreviewImage->setProgress(-1);
    ilProgress->setValue(0);
}

TLibraryCallbacks TEffectForm::progressCallbacks()
{
    const ILProgressProc onGuiThread = [](std::int16_t percent, void *form) -> std::int16_t {
        auto *self = static_cast<TEffectForm *>(form);
        self->showProgress(percent, ImagingProgressCaption);
        self->ilProgress->repaint();
        return 1;
    };
    return {this, onGuiThread, nullptr};
}

void TEffectForm::workingPictureEdited(bool pixelsChanged)
{
    paletteEdited_ = true;
    if (pixelsChanged)
        PreviewImage->setDib(WorkingDib.get());
    else
        PreviewImage->coloursChanged();
}

void TEffectForm::disableForApplication()
{
    disabled_.clear();
    for (QWidget *widget : std::initializer_list<QWidget *>{HSRubberband, ResetRubberbandBtn, ReloadimageBtn, PreviewBtn,
                                                            ApplyBtn, exBtn, CloseNadNotSaveBtn, IlPages, Menu}) {
        disabled_.emplace_back(widget, widget->isEnabled());
        widget->setEnabled(false);
    }
    hourglass_.emplace();
    RubberBand->setVisible(false);
}

void TEffectForm::enableAfterRun()
{
    for (const auto &[widget, enabled] : disabled_)
        widget->setEnabled(enabled);
    disabled_.clear();
    hourglass_.reset();
}

// ---- the selection ----------------------------------------------------------

// The selection in pixels of the working picture (right and bottom the first
// pixels outside), within the picture unless pasting.
TSides TEffectForm::imageRectangle(bool clipped) const
{
    TSides sides = selection();
    if (clipped) {
        sides.left = std::max(sides.left, 0);
        sides.top = std::max(sides.top, 0);
        sides.right = std::min(sides.right, imageSize_.width());
        sides.bottom = std::min(sides.bottom, imageSize_.height());
    }
    return sides;
}

// The same in pixels of the preview.
TSides TEffectForm::previewRectangle(bool clipped) const
{
    const long double kx = static_cast<long double>(PreviewImage->width()) / imageSize_.width();
    const long double ky = static_cast<long double>(PreviewImage->height()) / imageSize_.height();
    TSides sides{roundInt(CropX * kx), roundInt(CropY * ky), roundInt(CropWidth * kx), roundInt(CropHeight * ky)};
    if (clipped) {
        sides.left = std::max(sides.left, 0);
        sides.top = std::max(sides.top, 0);
        sides.right = std::min(sides.right, PreviewImage->width());
        sides.bottom = std::min(sides.bottom, PreviewImage->height());
    }
    return sides;
}

void TEffectForm::bandChanged(int left, int top, int right, int bottom)
{
    const long double kx = static_cast<long double>(imageSize_.width()) / PreviewImage->width();
    const long double ky = static_cast<long double>(imageSize_.height()) / PreviewImage->height();
    CropX = roundInt(kx * left);
    CropY = roundInt(ky * top);
    CropWidth = roundInt(kx * right);
    CropHeight = roundInt(ky * bottom);
    selectionValuesShown({left, top, right, bottom});
    if (activePage()->usesSelection() && !activePage()->pastes())
        scheduleAutoPreview();
}

// The selection drawn on the preview.
void TEffectForm::selectionToBand()
{
    const TSides band = previewRectangle(true);
    RubberBand->setBounds(band.left, band.top, band.right, band.bottom);
    selectionValuesShown(band);
}

// The selection in its edits, and the picture to paste placed on the band.
void TEffectForm::selectionValuesShown(const TSides &band)
{
    const int values[4] = {CropX, CropY, CropWidth, CropHeight};
    for (int i = 0; i < 4; ++i)
        CropEdits[i]->setText(QString::number(values[i]));
    PreviewImage->setOverlayRect(QRect(band.left, band.top, band.right - band.left, band.bottom - band.top));
}

void TEffectForm::ResetRubberbandBtnClick()
{
    RubberBand->setBounds(0, 0, PreviewImage->width(), PreviewImage->height());
    bandChanged(0, 0, PreviewImage->width(), PreviewImage->height());
}

void TEffectForm::previewMouseDown(Qt::MouseButton button, QPoint point)
{
    if (activePage()->picksColours())
        activePage()->pick(point);
    else if (button == Qt::LeftButton)
        RubberBand->mouseDown(point);
}

} // namespace imaging
