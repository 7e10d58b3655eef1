#pragma once
// The editor's drawing tools.  The base owns the mouse protocol: a press
// starts a drag (or acts at once for the click tools), each move while
// dragging is followed, the release ends the drag, and a drag can be
// cancelled (Escape, window closed without saving), finished as if released
// at the last point (window closed with saving, another command), or shown
// again when Shift or Ctrl changes.  Each tool is then only what it draws.
//
// All points are pixels of the working picture, already magnified when the
// editor is zoomed.
#include "Canvas.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <optional>

namespace editor {

// What the tools need of the editor window.
class ToolHost {
public:
    virtual Canvas &canvas() = 0;
    // The swatches show the pen's and the brush's colours again.
    virtual void attributesChanged() = 0;
    // Asks for a text to write; nothing when the user cancels.
    virtual std::optional<QString> askText() = 0;
    virtual void startAirbrush() = 0;
    virtual void stopAirbrush() = 0;
    // Makes `picture` the working picture (its attributes start afresh).
    virtual void replacePicture(const QImage &picture) = 0;
    // Puts the picture back as it was at the press.
    virtual void undoStroke() = 0;

protected:
    ~ToolHost() = default;
};

class Tool {
public:
    // A drag draws a shape or a stroke, frames an area, or holds the airbrush.
    enum class Drag { Drawing, Framing, Holding };

    explicit Tool(ToolHost &host) : host_(host) {}
    virtual ~Tool() = default;
    Tool(const Tool &) = delete;
    Tool &operator=(const Tool &) = delete;

    void press(QPoint at, Qt::KeyboardModifiers shift);
    void move(QPoint at, Qt::KeyboardModifiers shift);
    void release(QPoint at, Qt::KeyboardModifiers shift);
    void cancel();
    void finish();
    void modifiersChanged(Qt::KeyboardModifiers shift);

    bool dragging() const { return dragging_; }
    virtual Drag drag() const { return Drag::Drawing; }
    // The press point and the last point followed.
    QPoint startPoint() const { return start_; }
    QPoint endPoint() const { return end_; }

protected:
    // At the press; true when a drag starts.
    virtual bool begin(QPoint at) = 0;
    // While dragging, before the end point moves to `to`.
    virtual void follow(QPoint to, Qt::KeyboardModifiers shift);
    // At the release.
    virtual void end(QPoint at, Qt::KeyboardModifiers shift);
    // Takes away what the drag has shown or drawn.
    virtual void abandon() {}

    Canvas &canvas() { return host_.canvas(); }
    ToolHost &host_;
    QPoint start_, end_;
    Qt::KeyboardModifiers shift_;

private:
    bool dragging_ = false;
};

// ---- shapes and strokes ----------------------------------------------------

// A shape dragged from its press point: its NOT-XOR outline follows the
// pointer, the release paints it in copy mode.
class ShapeTool : public Tool {
public:
    using Tool::Tool;

protected:
    // The shape between two points under Shift and Ctrl.
    virtual Figure figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const = 0;
    // Sets the pen's mode and paints the shape: NOT-XOR as an outline, copy into the picture.
    void paintShape(QPoint from, QPoint to, Qt::KeyboardModifiers shift, PenMode mode);
    // The corner opposite `from`: with Shift, a square box as wide as the drag.
    static QPoint boxCorner(QPoint from, QPoint to, Qt::KeyboardModifiers shift);

    bool begin(QPoint at) override;
    void follow(QPoint to, Qt::KeyboardModifiers shift) override;
    void end(QPoint at, Qt::KeyboardModifiers shift) override;
    void abandon() override;
};

// Ctrl keeps the line vertical, Shift horizontal.
class LineTool : public ShapeTool {
public:
    using ShapeTool::ShapeTool;
protected:
    Figure figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const override;
};

class RectangleTool : public ShapeTool {
public:
    using ShapeTool::ShapeTool;
protected:
    Figure figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const override;
};

class EllipseTool : public ShapeTool {
public:
    using ShapeTool::ShapeTool;
protected:
    Figure figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const override;
};

// The corner ellipse is half the box wide and half the box high.
class RoundRectTool : public ShapeTool {
public:
    using ShapeTool::ShapeTool;
protected:
    Figure figure(QPoint from, QPoint to, Qt::KeyboardModifiers shift) const override;
};

// A rectangle of the brush in NOT-XOR mode without outline: with yellow,
// white paper turns yellow and black ink blue.  What the drag shows last is
// the result.
class HighlighterTool : public RectangleTool {
public:
    using RectangleTool::RectangleTool;
protected:
    bool begin(QPoint at) override;
    void end(QPoint at, Qt::KeyboardModifiers shift) override;
    void abandon() override;
private:
    void putBackPenStyle();
    PenStyle SavedPenStyle = PenStyle::Solid;
};

// Lines with the pen from point to point, always in copy mode.
class FreehandTool : public Tool {
public:
    using Tool::Tool;
protected:
    bool begin(QPoint at) override;
    void follow(QPoint to, Qt::KeyboardModifiers shift) override;
    void end(QPoint at, Qt::KeyboardModifiers shift) override;
    void abandon() override;
};

// ---- frames ------------------------------------------------------------------

// A red NOT-XOR frame dragged over an area, which the release acts on.
class FrameTool : public Tool {
public:
    using Tool::Tool;
    Drag drag() const override { return Drag::Framing; }

protected:
    virtual PenStyle frameStyle() const = 0;
    // Acts on the area between the two ordered points, the frame taken away.
    virtual void act(QPoint topLeft, QPoint bottomRight) = 0;

    bool begin(QPoint at) override;
    void follow(QPoint to, Qt::KeyboardModifiers shift) override;
    void end(QPoint at, Qt::KeyboardModifiers shift) override;
    void abandon() override;

private:
    void putBackAttributes();
    PenStyle SavedPenStyle = PenStyle::Solid;
    TRGB SavedPenColor = Black;
    BrushStyle SavedBrushStyle = BrushStyle::Solid;
    TRGB SavedBrushColor = White;
};

// The framed area becomes white, with a white outline of the pen's width.
class EraserTool : public FrameTool {
public:
    using FrameTool::FrameTool;
protected:
    PenStyle frameStyle() const override { return PenStyle::Solid; }
    void act(QPoint topLeft, QPoint bottomRight) override;
};

// The framed area becomes the picture; an empty frame changes nothing.
class CropTool : public FrameTool {
public:
    using FrameTool::FrameTool;
protected:
    PenStyle frameStyle() const override { return PenStyle::Dot; }
    void act(QPoint topLeft, QPoint bottomRight) override;
};

// ---- tools that act at the press -----------------------------------------------

class FillTool : public Tool {
public:
    using Tool::Tool;
protected:
    bool begin(QPoint at) override;
};

// The clicked pixel's colour becomes the pen's and the brush's.
class PipetteTool : public Tool {
public:
    using Tool::Tool;
protected:
    bool begin(QPoint at) override;
};

class TextTool : public Tool {
public:
    using Tool::Tool;
protected:
    bool begin(QPoint at) override;
};

// Sprays from the press to the release (the editor's timer does the spraying).
class AirbrushTool : public Tool {
public:
    using Tool::Tool;
    Drag drag() const override { return Drag::Holding; }
protected:
    bool begin(QPoint at) override;
    void end(QPoint at, Qt::KeyboardModifiers shift) override;
    void abandon() override;
};

} // namespace editor
