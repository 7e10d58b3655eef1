#pragma once
// The mask of the "Bordure" page: black, with the chosen shape filled in
// white inside the picture inset by EdgeSize.  MergeDib lets the picture
// show through the white and paints the border colour over the black.
#include <QImage>
#include <QSize>

namespace imaging {

// In the order of the page's shape list, "Aucune" .. "Polygone".
enum TMyShapeType {
    shNone,
    shRectangle,
    shSquare,
    shRoundRect,
    shRoundSquare,
    shEllipse,
    shCircle,
    shTriangleLeft,
    shTriangleRight,
    shTriangleUp,
    shTriangleDown,
    shDiamond,
    shStar,
    shPolyGon
};

class ShapeImage {
public:
    TMyShapeType Shape() const { return shape_; }
    int EdgeSize() const { return edgeSize_; }
    int VectorP() const { return vectorP_; }
    int Vectors() const { return vectors_; }
    int Angle() const { return angle_; }
    QSize size() const { return size_; }

    // Setting any of them draws the mask again.
    void setShape(TMyShapeType shape);
    void setEdgeSize(int edgeSize);
    void setVectorP(int percent);
    void setVectors(int vectors);
    void setAngle(int degrees);
    void setSize(QSize size);

    // White where the picture shows, black where the border goes.
    const QImage &Picture() const { return picture_; }

private:
    void redraw();

    TMyShapeType shape_ = shNone;
    int edgeSize_ = 0;
    int vectorP_ = 50;
    int vectors_ = 10;
    int angle_ = 90;
    QSize size_{1, 1};
    QImage picture_;
};

} // namespace imaging
