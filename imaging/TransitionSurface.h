#pragma once
// The drawing surface the library's transitions draw on, over a widget.
//
// While it lives, the widget shows the surface's picture instead of painting
// itself: every step the library draws is painted at once and pending paint
// events are processed, so the picture is seen appearing.  It starts as a
// copy of what the widget showed; when it goes, the widget paints itself
// again.  Any widget can be the target (an image control, a dialog's
// preview panel); one deleted while a transition plays is simply no longer
// painted.
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "ilsurface.h"

#include <cstdint>

namespace imaging {

class TransitionSurface : public QObject {
    Q_OBJECT
public:
    explicit TransitionSurface(QWidget &target);
    ~TransitionSurface() override;
    TransitionSurface(const TransitionSurface &) = delete;
    TransitionSurface &operator=(const TransitionSurface &) = delete;

    // What the library draws on.
    ILSurface *surface() { return &surface_; }
    // The picture shown.  The library writes into it while a transition
    // plays: copy() it to keep one state.
    const QImage &image() const { return image_; }

signals:
    // After a step has been drawn and shown.
    void flushed(const QRect &rectangle);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void flush(void *user, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

    QPointer<QWidget> target_;
    QImage image_;
    ILSurface surface_{};
};

} // namespace imaging
