#pragma once
// The effects dialog's preview control: a DIB drawn stretched over the
// control (or at its own size), in paste mode an overlay DIB drawn into its
// rectangle, and while a slow effect runs its progress along the bottom.
// The DIBs stay their owners'; the control keeps a picture of each made when
// it is given one, so that painting never reads a DIB another thread uses.
#include "globalmem.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace imaging {

// The picture of a DIB, read through its checked view; null when it is none
// or not a picture.  Safe on any thread.
QImage ImageOfDib(HGLOBAL dib);

class TILPImage : public QWidget {
    Q_OBJECT
public:
    explicit TILPImage(QWidget *parent = nullptr);

    // The DIB shown (none empties the control).
    void setDib(HGLOBAL dib);
    HGLOBAL dib() const { return dib_; }
    // A picture shown in place of the DIB until the next setDib (a step of a running effect).
    void showPicture(const QImage &picture);
    // The shown DIB's colour table changed.
    void coloursChanged();
    const QImage &picture() const { return picture_; }

    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);

    // Paste mode: the overlay drawn stretched into its rectangle (control pixels).
    void setOverlay(HGLOBAL overlay);
    void setOverlayRect(const QRect &rectangle);
    QRect overlayRect() const { return overlayRect_; }
    void setOverlayShown(bool shown);
    bool overlayShown() const { return overlayShown_; }

    // A percentage drawn over the picture; below 0 none.
    void setProgress(int percent);
    int progress() const { return progress_; }

    // The events of the control, by position in control pixels.
    std::function<void(Qt::MouseButton button, QPoint position)> OnMouseDown;
    std::function<void(Qt::MouseButtons buttons, QPoint position)> OnMouseMove;
    std::function<void(Qt::MouseButton button, QPoint position)> OnMouseUp;
    // After the picture, before the overlay.
    std::function<void(QPainter &painter)> OnPaint;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    HGLOBAL dib_ = nullptr;
    QImage picture_;
    QImage overlay_;
    QRect overlayRect_;
    bool stretch_ = true;
    bool overlayShown_ = false;
    int progress_ = -1;
};

} // namespace imaging
