#pragma once
// An image strip: one picture cut into equal cells, addressed by index.
#include <QPixmap>
#include <QSize>
#include <vector>

class TMMImageList {
public:
    TMMImageList() = default;
    // Cuts the strip into cells of the given size, left to right.
    TMMImageList(const QPixmap &strip, QSize cell);

    int count() const { return static_cast<int>(images_.size()); }
    QSize cellSize() const { return cell_; }
    // An empty pixmap for an index outside the strip.
    QPixmap image(int index) const;

private:
    std::vector<QPixmap> images_;
    QSize cell_;
};
