// The working picture as a whole: zoom, the one-level undo, the effects
// dialog, pictures replaced.
#include "Sediteur.h"

#include "PictureView.h"
#include "TMultiP.h"
#include "TSpinEdit.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>

void TEditeur::SpeedButton1Click()
{
    if (ZoomFactor > 2)
        return;
    zoomTo(canvas_.picture().size() * 2, 2, 1);
    SpeedButton2->setEnabled(true);
    SpeedButton3->setEnabled(true);
    ZoomFactor *= 2;
    if (ZoomFactor > 2)
        SpeedButton1->setEnabled(false);
}

void TEditeur::SpeedButton2Click()
{
    if (ZoomFactor <= 1)
        return;
    const QSize size = canvas_.picture().size();
    zoomTo(QSize(size.width() / 2, size.height() / 2), 1, 2);
    SpeedButton1->setEnabled(true);
    ZoomFactor /= 2;
    if (ZoomFactor <= 1) {
        SpeedButton2->setEnabled(false);
        ZoomFactor = 1;
    }
    SpeedButton3->setEnabled(ZoomFactor > 1);
}

void TEditeur::SpeedButton3Click()
{
    const QSize size = canvas_.picture().size();
    zoomTo(QSize(size.width() / ZoomFactor, size.height() / ZoomFactor), 1, ZoomFactor);
    SpeedButton2->setEnabled(false);
    SpeedButton3->setEnabled(false);
    SpeedButton1->setEnabled(true);
    ZoomFactor = 1;
}

// The pen and the font keep at least one pixel, so that zooming out and in
// again gives the width back.
void TEditeur::zoomTo(QSize size, int numerator, int denominator)
{
    settleDrag();
    QScrollBar *across = ScrollBox1->horizontalScrollBar();
    QScrollBar *down = ScrollBox1->verticalScrollBar();
    const QSize view = ScrollBox1->viewport()->size();
    const QSize old = canvas_.picture().size();
    // the point in the middle of the view (or the picture's edge, for a
    // picture narrower than the view) stays in the middle
    const QPoint middle(std::min(across->value() + view.width() / 2, old.width()),
                        std::min(down->value() + view.height() / 2, old.height()));
    canvas_.resample(size);
    canvas_.pen.width = std::max(1, canvas_.pen.width * numerator / denominator);
    canvas_.font.setPixelSize(std::max(1, canvas_.font.pixelSize() * numerator / denominator));
    Image->fitPicture();
    across->setValue(middle.x() * numerator / denominator - view.width() / 2);
    down->setValue(middle.y() * numerator / denominator - view.height() / 2);
    SpinEdit->setValue(canvas_.pen.width);
    dropUndoSnapshot();
}

void TEditeur::takeUndoSnapshot()
{
    canvas_.takeSnapshot();
    UndoBtn->setEnabled(true);
    UndoBtn->setVisible(true);
}

void TEditeur::dropUndoSnapshot()
{
    canvas_.dropSnapshot();
    UndoBtn->setEnabled(false);
    UndoBtn->setVisible(false);
}

void TEditeur::UndoBtnClick()
{
    settleDrag();
    if (!canvas_.hasSnapshot())
        return;
    // the picture of the snapshot comes back as a new picture, with the default attributes
    canvas_.restoreSnapshot();
    canvas_.resetAttributes();
    showNewPicture();
    dropUndoSnapshot();
}

// The effects dialog runs on a copy in the multi-format component; its
// picture comes back as the working picture, changed or not.  When the
// dialog cannot run, its error reaches the error report and the picture
// stays as it was.
void TEditeur::FXBtnClick()
{
    settleDrag();
    takeUndoSnapshot();
    imaging::TPMultiImage &effects = tampon();
    effects.setPicture(imaging::Bitmap(canvas_.picture(), 24));
    effects.ShowEffects();
    if (!effects.Picture().isEmpty())
        newPicture(effects.Picture().image());
}

imaging::TPMultiImage &TEditeur::tampon()
{
    if (!tampon_) {
        tampon_ = new imaging::TPMultiImage(this);
        tampon_->setObjectName(QStringLiteral("Tampon"));
        tampon_->hide();
    }
    return *tampon_;
}

void TEditeur::newPicture(const QImage &picture)
{
    canvas_.setPicture(picture);
    showNewPicture();
}

void TEditeur::showNewPicture()
{
    Image->fitPicture();
    SyncAttributeBars();
    refreshSwatches();
}

void TEditeur::replacePicture(const QImage &picture)
{
    newPicture(picture);
}

void TEditeur::undoStroke()
{
    canvas_.restoreSnapshot();
}
