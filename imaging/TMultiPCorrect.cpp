// TPMultiImage: the whole-picture corrections, the effects dialog and the
// clipboard.
#include "TMultiP.h"

#include "ClipboardDib.h"
#include "EffectParameters.h"
#include "EffectsDialog.h"
#include "Modal.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QDialog>

namespace imaging {

template <typename Correction> void TPMultiImage::correct(const char *exportName, Correction correction)
{
    const ProgressScope progress(*this, QString::fromLatin1(isp::exportRow(exportName).caption));
    reportProgress(0);
    platform::WaitCursor hourglass;
    Bitmap work = picture_;
    correction(work);
    setPicture(work);
}

void TPMultiImage::AutoContrastArea(int left, int top, int right, int bottom)
{
    correct("AutoContrast", [&](Bitmap &work) { AutoContrastBitmap(work, left, top, right, bottom, this, &progressRelay); });
}

void TPMultiImage::GrayAreaImage(int left, int top, int right, int bottom)
{
    correct("GrayArea", [&](Bitmap &work) { GrayAreaBitmap(work, left, top, right, bottom, this, &progressRelay); });
}

void TPMultiImage::InvertImage()
{
    correct("ILInvert", [&](Bitmap &work) { InvertBitmap(work, this, &progressRelay); });
}

void TPMultiImage::ShowEffects()
{
    const TEffectsDialogFactory &make = EffectsDialogFactory();
    if (!make)
        throw EImagingError(QStringLiteral("The effects dialog is not available"));
    QCoreApplication::processEvents();
    const Bitmap copy = picture_;
    const QCursor previous = QApplication::overrideCursor() ? *QApplication::overrideCursor() : QCursor(Qt::ArrowCursor);
    std::unique_ptr<TEffectsDialogPort> dialog;
    {
        platform::WaitCursor hourglass;
        dialog = make(*this);
        const int depth = copy.bitCount() == 1 ? 1 : ReadDepth();
        GlobalBlock working;
        if (!copy.isEmpty())
            working.reset(BitmapToDibAtDepth(copy, depth, false, this, &progressRelay));
        dialog->prepare(previous, {FXMethod, FXDelay, FXColRowThick}, std::move(working));
    }
    if (platform::execModal(dialog->window()) != QDialog::Accepted)
        return;
    const TEffectsTransition transition = dialog->transition();
    FXDelay = transition.Delay;
    FXColRowThick = transition.Thickness;
    FXMethod = transition.Method;
    platform::WaitCursor hourglass;
    Bitmap result;
    if (dialog->workingDib() && DibToBitmap(dialog->workingDib(), result))
        setPicture(result);
}

void TPMultiImage::CopyToClipboard()
{
    const GlobalBlock dib(BitmapToDib(picture_));
    PutDibOnClipboard(dib.get());
}

void TPMultiImage::CutToClipboard()
{
    if (picture_.isEmpty())
        return;
    CopyToClipboard();
    clearPicture();
}

void TPMultiImage::PasteFromClipboard()
{
    if (!ClipboardHoldsPicture())
        return;
    StopBanner();
    const GlobalBlock dib = DibFromClipboard();
    Bitmap pasted;
    if (dib && DibToBitmapAtDepth(dib.get(), ReadDepth(), false, &progressRelay, this, pasted))
        setPicture(pasted);
}

} // namespace imaging
