// The tools that frame an area: the eraser and the crop.
#include "Tools.h"

#include <algorithm>

namespace editor {

namespace {
constexpr TRGB FrameColor = MakeRGB(255, 0, 0);
}

bool FrameTool::begin(QPoint)
{
    Canvas &c = canvas();
    SavedPenStyle = c.pen.style;
    SavedPenColor = c.pen.color;
    SavedBrushStyle = c.brush.style;
    SavedBrushColor = c.brush.color;
    c.pen.mode = PenMode::NotXor;
    c.pen.color = FrameColor;
    c.pen.style = frameStyle();
    c.brush = Brush{White, BrushStyle::Clear};
    host_.attributesChanged();
    return true;
}

void FrameTool::follow(QPoint to, Qt::KeyboardModifiers)
{
    canvas().toggleOutline(Figure::rectangle(start_, end_));
    canvas().toggleOutline(Figure::rectangle(start_, to));
}

// The area is the one framed last, from the press to the last point followed.
void FrameTool::end(QPoint, Qt::KeyboardModifiers)
{
    const QPoint topLeft(std::min(start_.x(), end_.x()), std::min(start_.y(), end_.y()));
    const QPoint bottomRight(std::max(start_.x(), end_.x()), std::max(start_.y(), end_.y()));
    start_ = topLeft;
    end_ = bottomRight;
    canvas().toggleOutline(Figure::rectangle(start_, end_));
    canvas().pen.mode = PenMode::Copy;
    act(start_, end_);
    putBackAttributes();
}

void FrameTool::abandon()
{
    canvas().dropOutlines();
    canvas().pen.mode = PenMode::Copy;
    putBackAttributes();
}

void FrameTool::putBackAttributes()
{
    Canvas &c = canvas();
    c.pen.style = SavedPenStyle;
    c.pen.color = SavedPenColor;
    c.brush.style = SavedBrushStyle;
    c.brush.color = SavedBrushColor;
    host_.attributesChanged();
}

void EraserTool::act(QPoint topLeft, QPoint bottomRight)
{
    Canvas &c = canvas();
    c.pen.style = PenStyle::Solid;
    c.pen.color = White;
    c.brush = Brush{White, BrushStyle::Solid};
    host_.attributesChanged();
    c.draw(Figure::rectangle(topLeft, bottomRight));
}

void CropTool::act(QPoint topLeft, QPoint bottomRight)
{
    const QRect area = QRect(topLeft, bottomRight - QPoint(1, 1)) & canvas().picture().rect();
    if (area.isEmpty())
        return;
    host_.replacePicture(canvas().picture().copy(area));
}

} // namespace editor
