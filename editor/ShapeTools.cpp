// The tools that drag a shape or draw a stroke.
#include "Tools.h"

namespace editor {

// ---- ShapeTool -----------------------------------------------------------------

void ShapeTool::paintShape(QPoint from, QPoint to, Qt::KeyboardModifiers shift, PenMode mode)
{
    canvas().pen.mode = mode;
    const Figure shape = figure(from, to, shift);
    if (mode == PenMode::NotXor)
        canvas().toggleOutline(shape);
    else
        canvas().draw(shape);
}

QPoint ShapeTool::boxCorner(QPoint from, QPoint to, Qt::KeyboardModifiers shift)
{
    const int y2 = shift.testFlag(Qt::ShiftModifier) ? from.y() + (to.x() - from.x()) : to.y();
    return QPoint(to.x(), y2);
}

bool ShapeTool::begin(QPoint at)
{
    canvas().moveTo(at);
    return true;
}

void ShapeTool::follow(QPoint to, Qt::KeyboardModifiers shift)
{
    paintShape(start_, end_, shift_, PenMode::NotXor);
    paintShape(start_, to, shift, PenMode::NotXor);
}

// The shape is painted where the button was released, over the outline last
// shown; the outline goes, even when the release came without a move to its
// point first.
void ShapeTool::end(QPoint at, Qt::KeyboardModifiers shift)
{
    canvas().dropOutlines();
    paintShape(start_, at, shift, PenMode::Copy);
}

void ShapeTool::abandon()
{
    canvas().dropOutlines();
}

Figure LineTool::figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const
{
    const int x = shift.testFlag(Qt::ControlModifier) ? from.x() : to.x();
    const int y = shift.testFlag(Qt::ShiftModifier) ? from.y() : to.y();
    return Figure::line(from, QPoint(x, y));
}

Figure RectangleTool::figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const
{
    return Figure::rectangle(from, boxCorner(from, to, shift));
}

Figure EllipseTool::figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const
{
    return Figure::ellipse(from, boxCorner(from, to, shift));
}

Figure RoundRectTool::figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const
{
    const QPoint corner = boxCorner(from, to, shift);
    return Figure::roundRect(from, corner, QSize((from.x() - to.x()) / 2, (from.y() - corner.y()) / 2));
}

// ---- HighlighterTool -----------------------------------------------------------

bool HighlighterTool::begin(QPoint at)
{
    SavedPenStyle = canvas().pen.style;
    canvas().pen.style = PenStyle::Clear;
    return RectangleTool::begin(at);
}

void HighlighterTool::end(QPoint at, Qt::KeyboardModifiers shift)
{
    // painted twice, the highlight at the release point cancels itself: the
    // one shown last stays
    paintShape(start_, at, shift, PenMode::NotXor);
    paintShape(start_, at, shift, PenMode::NotXor);
    canvas().keepOutlines();
    putBackPenStyle();
}

void HighlighterTool::abandon()
{
    RectangleTool::abandon();
    putBackPenStyle();
}

void HighlighterTool::putBackPenStyle()
{
    canvas().pen.style = SavedPenStyle;
}

// ---- FreehandTool ----------------------------------------------------------------

bool FreehandTool::begin(QPoint at)
{
    // a highlighter leaves the pen in NOT-XOR mode; a stroke is always opaque
    canvas().pen.mode = PenMode::Copy;
    canvas().moveTo(at);
    canvas().setPixel(at, canvas().pen.color);
    return true;
}

void FreehandTool::follow(QPoint to, Qt::KeyboardModifiers)
{
    canvas().lineTo(to);
}

void FreehandTool::end(QPoint at, Qt::KeyboardModifiers)
{
    canvas().lineTo(at);
}

void FreehandTool::abandon()
{
    host_.undoStroke();
}

} // namespace editor
