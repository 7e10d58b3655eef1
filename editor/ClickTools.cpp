// The tools that act at the press: fill, colour picker, text; and the
// airbrush, which sprays while the button is held.
#include "Tools.h"

namespace editor {

bool FillTool::begin(QPoint at)
{
    canvas().floodFill(at);
    return false;
}

bool PipetteTool::begin(QPoint at)
{
    const TRGB color = canvas().pixel(at);
    canvas().pen.color = color;
    canvas().brush.color = color;
    host_.attributesChanged();
    return false;
}

bool TextTool::begin(QPoint at)
{
    if (const std::optional<QString> text = host_.askText())
        canvas().textOut(at, *text);
    return false;
}

bool AirbrushTool::begin(QPoint)
{
    host_.startAirbrush();
    return true;
}

void AirbrushTool::end(QPoint, Qt::KeyboardModifiers)
{
    host_.stopAirbrush();
}

void AirbrushTool::abandon()
{
    host_.stopAirbrush();
}

} // namespace editor
