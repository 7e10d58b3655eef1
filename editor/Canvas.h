#pragma once
// The canvas of the editor's working picture: the picture itself (32 bits
// per pixel, whatever the depth it came with), its drawing attributes (pen,
// brush, font, pen position) and the NOT-XOR outlines that follow the
// pointer during a drag.
//
// The canvas also keeps the one-level undo snapshot.  Taking it copies
// nothing: each tile of the picture is saved just before it first changes,
// and a picture replaced is kept whole, so that a press on a page zoomed
// four times does not copy half a gigabyte.
//
// An outline is shown over the picture rather than painted into it: NOT-XOR
// painted twice gives the picture back, so showing and taking away an
// outline is the same as painting it twice, but the picture is not touched
// on every mouse move and a cancelled drag leaves no trace.  Painting an
// outline that is shown takes it away; keepOutlines() paints what is shown
// into the picture.
#include "Raster.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <functional>
#include <vector>

namespace editor {

class Canvas {
public:
    Canvas();

    const QImage &picture() const { return picture_; }
    // A new picture starts with the default attributes and no outline.
    void setPicture(const QImage &picture);
    // The picture drawn stretched over a picture of the new size, with the
    // toolkit's default stretch (nearest pixel); the attributes stay, the
    // undo snapshot goes.
    void resample(QSize size);

    // From now on the picture as it is can be put back.
    void takeSnapshot();
    void dropSnapshot();
    bool hasSnapshot() const { return snapshot_.taken; }
    // Puts back the picture of the snapshot, which stays; the attributes stay too.
    void restoreSnapshot();

    // Black solid pen of width 1 in copy mode, white solid brush, the default font.
    void resetAttributes();
    static QFont defaultFont();

    Pen pen;
    Brush brush;
    // Always sized in pixels, so that text has the same size on any picture.
    QFont font;

    QPoint penPos() const { return penPos_; }
    void moveTo(QPoint point) { penPos_ = point; }
    // A line with the pen from the pen position (drawn) to `point` (not
    // drawn), which becomes the pen position.
    void lineTo(QPoint point);
    // The figure with the pen and the brush, in the pen's mode.
    void draw(const Figure &figure);
    TRGB pixel(QPoint point) const;
    // Points outside the picture are left out.
    void setPixel(QPoint point, TRGB color);
    void floodFill(QPoint seed);
    // The text in the font and the pen's colour, its top-left corner at
    // `topLeft`, on the brush's colour when the brush is solid.
    void textOut(QPoint topLeft, const QString &text);

    // Paints the figure in NOT-XOR mode with the current pen and brush as an
    // outline: shown when it was not, taken away when it was.
    void toggleOutline(const Figure &figure);
    void keepOutlines();
    void dropOutlines();
    bool hasOutlines() const { return !outlines_.empty(); }
    // The outlines on a piece of the picture whose top-left pixel is `origin`.
    void paintOutlines(QImage &piece, QPoint origin) const;

    // Told what part of the picture looks different after each change.
    std::function<void(const QRegion &)> changed;

private:
    struct Outline {
        Figure figure;
        Pen pen;
        Brush brush;
        bool operator==(const Outline &) const = default;
    };
    struct Snapshot {
        bool taken = false;
        // the picture as it was, once it has been replaced
        QImage whole;
        // else the tiles saved before they changed, row by row (null: unchanged)
        int columns = 0;
        std::vector<QImage> tiles;
    };
    static constexpr int Tile = 128;
    // Saves the tiles of `area` that are still as at the snapshot; call it
    // before changing pixels there.
    void keepForUndo(const QRect &area);
    // Writes the saved tiles back into the picture; the area they cover.
    QRegion putTilesBack();
    void notify(const QRegion &region) const;

    QImage picture_;
    Snapshot snapshot_;
    QPoint penPos_;
    std::vector<Outline> outlines_;
};

} // namespace editor
