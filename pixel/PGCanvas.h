#pragma once
// TPGCanvas: drawing into a pixel image with a QPainter.  The painter works
// on a colour copy of the pixels; before any direct access to its pixels or
// palette the image writes the drawing back into its pixel memory (into a
// palette image as the nearest entries) and closes the painter, so that the
// next use of the canvas starts from the current pixels.
#include <QImage>
#include <QPainter>

class TPixelGraphic;

// One per image, made by TPixelGraphic::Canvas.
class TPGCanvas {
public:
    TPGCanvas(const TPGCanvas &) = delete;
    TPGCanvas &operator=(const TPGCanvas &) = delete;

    // The painter, opened on the current pixels when it is closed.  Ask for
    // it again after a direct pixel access: that access closed it, and a
    // closed painter draws nothing.
    QPainter &Painter();
    bool HandleAllocated() const { return painter_.isActive(); }
    // Closes the painter and writes what it drew into the image.
    void Flush();

private:
    friend class TPixelGraphic;
    explicit TPGCanvas(TPixelGraphic &Graphic) : graphic_(Graphic) {}

    TPixelGraphic &graphic_;
    QImage surface_;
    QPainter painter_;
};
