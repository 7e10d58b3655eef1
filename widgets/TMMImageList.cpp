#include "TMMImageList.h"

TMMImageList::TMMImageList(const QPixmap &strip, QSize cell) : cell_(cell)
{
    if (cell.isEmpty())
        return;
    for (int x = 0; x + cell.width() <= strip.width(); x += cell.width())
        images_.push_back(strip.copy(x, 0, cell.width(), cell.height()));
}

QPixmap TMMImageList::image(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return images_[static_cast<size_t>(index)];
}
