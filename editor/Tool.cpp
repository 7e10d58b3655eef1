#include "Tools.h"

namespace editor {

void Tool::press(QPoint at, Qt::KeyboardModifiers shift)
{
    if (dragging_)
        return;
    start_ = end_ = at;
    shift_ = shift;
    dragging_ = begin(at);
}

void Tool::move(QPoint at, Qt::KeyboardModifiers shift)
{
    if (!dragging_)
        return;
    follow(at, shift);
    end_ = at;
    shift_ = shift;
}

void Tool::release(QPoint at, Qt::KeyboardModifiers shift)
{
    if (!dragging_)
        return;
    dragging_ = false;
    end(at, shift);
}

void Tool::cancel()
{
    if (!dragging_)
        return;
    dragging_ = false;
    abandon();
}

void Tool::finish()
{
    release(end_, shift_);
}

void Tool::modifiersChanged(Qt::KeyboardModifiers shift)
{
    if (dragging_ && shift != shift_)
        move(end_, shift);
}

void Tool::follow(QPoint, Qt::KeyboardModifiers) {}

void Tool::end(QPoint, Qt::KeyboardModifiers) {}

} // namespace editor
