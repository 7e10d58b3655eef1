#include "Handles.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

void send(QWidget *target, QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(point), target->mapToGlobal(QPointF(point)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Records the presses that reach it.
class Recorder : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<QPoint> presses;
protected:
    void mousePressEvent(QMouseEvent *event) override { presses.push_back(event->position().toPoint()); }
};

struct Handles : testing::Test {
    QWidget parent;
    Recorder *under = new Recorder(&parent);
    QWidget *control = new QWidget(&parent);
    TStretchHandle *handles = new TStretchHandle(&parent);

    Handles()
    {
        parent.resize(400, 400);
        under->setGeometry(0, 0, 400, 400);
        control->setGeometry(50, 50, 100, 80);
        handles->Attach(control);
    }

    // Hover (picks the square), press, move and release: a user's drag.
    void drag(QPoint from, QPoint to)
    {
        send(handles, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
        send(handles, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(handles, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(handles, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
};

} // namespace

TEST_F(Handles, AttachFramesTheControl)
{
    EXPECT_EQ(handles->geometry(), QRect(48, 48, 105, 85));
    EXPECT_TRUE(handles->isEnabled());
    EXPECT_EQ(control->geometry(), QRect(50, 50, 100, 80));
    QWidget window;
    EXPECT_THROW(handles->Attach(&window), EBadChild);
    handles->Detach();
    EXPECT_EQ(handles->size(), QSize(24, 24));
    EXPECT_FALSE(handles->isEnabled());
    EXPECT_EQ(handles->attachedCount(), 0);
}

TEST_F(Handles, HitAreas)
{
    // Frame 105 x 85: corners, edge midpoints, and the inside.
    const std::pair<QPoint, int> cases[] = {
        {{2, 2}, 1}, {{103, 2}, 2}, {{2, 83}, 3}, {{103, 83}, 4}, {{52, 2}, 5},
        {{2, 42}, 6}, {{52, 83}, 7}, {{103, 42}, 8}, {{52, 42}, 0}, {{30, 2}, 0},
    };
    for (auto [point, expected] : cases)
        EXPECT_EQ(handles->HitTest(point), expected) << point.x() << "," << point.y();
}

TEST_F(Handles, DragBoundsForEverySquare)
{
    // From each square's point, the mouse moves by (+10, +10).
    struct Case {
        QPoint from;
        QRect frame;
    };
    const Case cases[] = {
        {{52, 42}, {56, 56, 105, 85}},  // move: 2 pixels short of the mouse
        {{2, 2}, {56, 56, 97, 77}},     // top-left
        {{103, 2}, {48, 56, 112, 77}},  // top-right
        {{2, 83}, {56, 48, 97, 92}},    // bottom-left
        {{103, 83}, {48, 48, 112, 92}}, // bottom-right: 3 short
        {{52, 2}, {48, 56, 105, 77}},   // top
        {{2, 42}, {56, 48, 97, 85}},    // left
        {{52, 83}, {48, 48, 105, 92}},  // bottom
        {{103, 42}, {48, 48, 112, 85}}, // right
    };
    for (const Case &c : cases) {
        control->setGeometry(50, 50, 100, 80);
        handles->Detach();
        handles->Attach(control);
        drag(c.from, c.from + QPoint(10, 10));
        EXPECT_EQ(handles->geometry(), c.frame) << c.from.x() << "," << c.from.y();
        EXPECT_EQ(control->geometry(), c.frame.adjusted(2, 2, -3, -3)) << c.from.x() << "," << c.from.y();
    }
}

TEST_F(Handles, ResizeStopsAtEightAndDragIsClampedToTheParent)
{
    drag({103, 83}, {-500, -500});
    EXPECT_EQ(handles->size(), QSize(8, 8));
    EXPECT_EQ(control->size(), QSize(3, 3));

    control->setGeometry(50, 50, 100, 80);
    handles->Detach();
    handles->Attach(control);
    drag({52, 42}, {1000, 1000}); // clamped to the parent's right and bottom
    EXPECT_EQ(handles->pos(), QPoint(400 - 48 + 48 - 52 - 2, 400 - 48 + 48 - 42 - 2));
}

TEST_F(Handles, ReleaseWhereItWasPressedChangesNothing)
{
    drag({52, 42}, {52, 42});
    EXPECT_EQ(control->geometry(), QRect(50, 50, 100, 80));
}

TEST_F(Handles, LockedLeavesTheControlsWhereTheyAre)
{
    handles->setLocked(true);
    drag({52, 42}, {80, 80});
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(handles, &right);
    EXPECT_EQ(control->geometry(), QRect(50, 50, 100, 80));
}

TEST_F(Handles, ArrowKeysNudge)
{
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up, Qt::Key_Up}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(handles, &event);
    }
    EXPECT_EQ(control->pos(), QPoint(51, 49));
    EXPECT_EQ(handles->pos(), QPoint(49, 47));
}

TEST_F(Handles, PressOutsideTheControlReachesTheWidgetBeneath)
{
    send(handles, QEvent::MouseButtonPress, {104, 40}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(under->presses.size(), 1u);
    EXPECT_EQ(under->presses[0], QPoint(152, 88));
    EXPECT_FALSE(handles->dragging());
}

TEST_F(Handles, SeveralControlsOnlyMove)
{
    auto *second = new QWidget(&parent);
    second->setGeometry(200, 60, 40, 40);
    handles->Attach(second);
    EXPECT_EQ(handles->geometry(), QRect(48, 48, 195, 85));
    EXPECT_EQ(handles->HitTest({2, 2}), 0);
    drag({100, 40}, {110, 50});
    EXPECT_EQ(control->pos(), QPoint(58, 58));
    EXPECT_EQ(second->pos(), QPoint(208, 68));
}
