#pragma once
// A page as it lies on the scanner's glass: turned by a known angle about
// its centre and laid off-centre on a glass of a chosen colour, then stored
// in the format under test.  The page's true place after straightening
// follows from the same geometry.
#include "SyntheticPage.h"

#include <QPainter>
#include <QTransform>

namespace glass {

struct Scene {
    QImage scan;
    QSize pageSize;
    QPointF pageCentre; // on the scan
    double angle = 0;   // clockwise as seen on screen
};

// Mono through a threshold, or the scan converted to `format`.
inline QImage storedAs(const QImage &scan, QImage::Format format)
{
    return format == QImage::Format_Mono ? synthetic::bilevel(scan) : scan.convertToFormat(format);
}

inline Scene onGlass(const QImage &page, QSize glassSize, QColor glassColour, QPointF centre, double angle, int noise,
                     QImage::Format format)
{
    QImage scan(glassSize, QImage::Format_RGB888);
    scan.fill(glassColour);
    {
        QPainter painter(&scan);
        painter.setRenderHints(QPainter::SmoothPixmapTransform | QPainter::Antialiasing);
        painter.translate(centre);
        painter.rotate(angle);
        painter.drawImage(QRectF(QPointF(-page.width() / 2.0, -page.height() / 2.0), QSizeF(page.size())), page);
    }
    synthetic::addNoise(scan, noise, 17);
    return {storedAs(scan, format), page.size(), centre, angle};
}

// Where the page lies once the scan is turned back by `measured` degrees about its centre.
inline QRectF straightened(const Scene &scene, double measured)
{
    const QPointF middle(scene.scan.width() / 2.0, scene.scan.height() / 2.0);
    const QPointF centre = QTransform().translate(middle.x(), middle.y()).rotate(-measured).translate(-middle.x(), -middle.y())
                               .map(scene.pageCentre);
    return QRectF(centre - QPointF(scene.pageSize.width() / 2.0, scene.pageSize.height() / 2.0), QSizeF(scene.pageSize));
}

} // namespace glass
