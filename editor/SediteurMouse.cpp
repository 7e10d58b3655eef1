// The mouse on the picture: the tool that is down acts on each press, move
// and release; the airbrush sprays on the timer's ticks; the keys and the
// right button on the tool buttons.
#include "Sediteur.h"

#include "ErrorBoundary.h"
#include "Modal.h"
#include "PictureView.h"
#include "Saero.h"
#include "Thdtm2.h"

#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>

bool TEditeur::IsDrawing() const
{
    return tool().dragging() && tool().drag() == editor::Tool::Drag::Drawing;
}

bool TEditeur::IsFraming() const
{
    return tool().dragging() && tool().drag() == editor::Tool::Drag::Framing;
}

QPoint TEditeur::StartPoint() const
{
    return tool().startPoint();
}

QPoint TEditeur::EndPoint() const
{
    return tool().endPoint();
}

void TEditeur::choose(QAbstractButton *button)
{
    const auto chosen = std::find_if(tools_.begin(), tools_.end(), [button](const ToolChoice &c) { return c.button == button; });
    if (chosen == tools_.end())
        return;
    if (tool_)
        tool().cancel();
    tool_ = chosen->tool.get();
    Image->setCursor(chosen->cursor);
}

void TEditeur::settleDrag()
{
    tool().finish();
}

void TEditeur::FormMouseDown(Qt::MouseButton, Qt::KeyboardModifiers shift, int X, int Y)
{
    if (tool().dragging())
        return;
    pointer_ = QPoint(X, Y);
    takeUndoSnapshot();
    originpanel->setText(QString::asprintf("Origine : (%d,%d)", X, Y));
    tool().press(QPoint(X, Y), shift);
}

void TEditeur::FormMouseMove(Qt::KeyboardModifiers shift, int X, int Y)
{
    pointer_ = QPoint(X, Y);
    if (IsDrawing())
        tool().move(QPoint(X, Y), shift);
    currentpanel->setText(QString::asprintf("Position courante : (%d,%d)", X, Y));
    if (IsFraming())
        tool().move(QPoint(X, Y), shift);
}

void TEditeur::FormMouseUp(Qt::MouseButton, Qt::KeyboardModifiers shift, int X, int Y)
{
    tool().release(QPoint(X, Y), shift);
}

// ---- the airbrush ------------------------------------------------------------------

void TEditeur::startAirbrush()
{
    Timer->setEnabled(true);
    Timer->setInterval(std::uint16_t(AeroPress));
}

void TEditeur::stopAirbrush()
{
    Timer->setEnabled(false);
}

// One dot of the brush's colour near the pointer.  The picture follows every
// move of the pointer while the button is held, so its last position is
// where the pointer is.
void TEditeur::TimerTimer()
{
    canvas_.setPixel(spray_.dot(pointer_, AeroRay), canvas_.brush.color);
}

void TEditeur::Rglages1Click()
{
    if (!AeroDlg)
        AeroDlg = new TAeroDlg(this);
    AeroDlg->ScrollBar2->setValue(101 - AeroPress);
    AeroDlg->ScrollBar1->setValue(AeroRay);
    if (platform::execModal(*AeroDlg) != QDialog::Accepted)
        return;
    AeroRay = AeroDlg->ScrollBar1->value();
    AeroPress = std::max(1, 101 - AeroDlg->ScrollBar2->value());
}

// ---- text ----------------------------------------------------------------------------

std::optional<QString> TEditeur::askText()
{
    QInputDialog input(this);
    input.setObjectName(QStringLiteral("InputBox"));
    input.setWindowTitle(QApplication::applicationName());
    input.setLabelText(QStringLiteral("Texte :"));
    input.setTextValue(QString());
    if (platform::execModal(input) != QDialog::Accepted)
        return std::nullopt;
    return input.textValue();
}

// ---- keys and the tool buttons' right button ------------------------------------------

namespace {

// The keys held once this key event has happened: some platforms report a
// modifier's own press or release in the state before it.
Qt::KeyboardModifiers keysAfter(const QKeyEvent *event)
{
    Qt::KeyboardModifiers keys = event->modifiers();
    const bool pressed = event->type() == QEvent::KeyPress;
    if (event->key() == Qt::Key_Shift)
        keys.setFlag(Qt::ShiftModifier, pressed);
    if (event->key() == Qt::Key_Control)
        keys.setFlag(Qt::ControlModifier, pressed);
    return keys;
}

} // namespace

// During a drag, Escape cancels it (instead of closing the window) and Shift
// or Ctrl show the shape again under the new keys.
void TEditeur::keyPressEvent(QKeyEvent *event)
{
    if (tool_ && tool().dragging()) {
        if (event->key() == Qt::Key_Escape) {
            tool().cancel();
            return;
        }
        tool().modifiersChanged(keysAfter(event));
    }
    QDialog::keyPressEvent(event);
}

void TEditeur::keyReleaseEvent(QKeyEvent *event)
{
    if (tool_ && tool().dragging())
        tool().modifiersChanged(keysAfter(event));
    QDialog::keyReleaseEvent(event);
}

bool TEditeur::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox1->viewport() && event->type() == QEvent::MouseMove) {
        currentpanel->clear();
        return false;
    }
    if (!qobject_cast<QToolButton *>(watched) || event->type() != QEvent::MouseButtonPress
        || static_cast<QMouseEvent *>(event)->button() != Qt::RightButton)
        return QDialog::eventFilter(watched, event);
    const QPoint where = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
    platform::guarded([&] {
        if (watched == AeroBtn)
            AeroPopup->popup(where);
        else if (watched == FillBtn || watched == Stabilo)
            BrushColBtnClick();
        else
            PenColBtnClick();
    });
    return true;
}
