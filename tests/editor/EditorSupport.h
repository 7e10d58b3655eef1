#pragma once
// What the editor's tests share: pictures written as text, a hand on the
// mouse, and an editor opened on a picture as the main window opens it.
#include "PictureView.h"
#include "Sediteur.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStringList>
#include <initializer_list>
#include <ostream>

// Pictures written as text read as text when a test fails.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace editortest {

// '.' white, '#' black, 'y' yellow, 'b' blue, 'r' red, 'g' green, '?' any other colour.
inline char symbolOf(QRgb colour)
{
    switch (colour & 0xFFFFFF) {
    case 0xFFFFFF: return '.';
    case 0x000000: return '#';
    case 0xFFFF00: return 'y';
    case 0x0000FF: return 'b';
    case 0xFF0000: return 'r';
    case 0x00FF00: return 'g';
    default: return '?';
    }
}

inline QRgb colourOf(char symbol)
{
    switch (symbol) {
    case '#': return qRgb(0, 0, 0);
    case 'y': return qRgb(255, 255, 0);
    case 'b': return qRgb(0, 0, 255);
    case 'r': return qRgb(255, 0, 0);
    case 'g': return qRgb(0, 255, 0);
    default: return qRgb(255, 255, 255);
    }
}

inline QStringList art(const QImage &image)
{
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x)
            row += QLatin1Char(symbolOf(image.pixel(x, y)));
        rows << row;
    }
    return rows;
}

inline QImage picture(const QStringList &rows)
{
    QImage image(rows.value(0).size(), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, colourOf(rows[y][x].toLatin1()));
    return image;
}

// The mouse on a control, as the window system delivers it.
class Hand {
public:
    explicit Hand(QWidget *target) : target_(target) {}

    void press(QPoint at, Qt::KeyboardModifiers keys = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        held_ = button;
        send(QEvent::MouseButtonPress, at, button, held_, keys);
    }
    void move(QPoint at, Qt::KeyboardModifiers keys = {}) { send(QEvent::MouseMove, at, Qt::NoButton, held_, keys); }
    void release(QPoint at, Qt::KeyboardModifiers keys = {})
    {
        const Qt::MouseButton button = held_;
        held_ = Qt::NoButton;
        send(QEvent::MouseButtonRelease, at, button, held_, keys);
    }
    // Press at the first point, move through the others, release at the last.
    void drag(std::initializer_list<QPoint> points, Qt::KeyboardModifiers keys = {})
    {
        drag(std::vector<QPoint>(points), keys);
    }
    void drag(const std::vector<QPoint> &points, Qt::KeyboardModifiers keys = {})
    {
        press(points.front(), keys);
        for (std::size_t i = 1; i < points.size(); ++i)
            move(points[i], keys);
        release(points.back(), keys);
    }
    void click(QPoint at, Qt::KeyboardModifiers keys = {})
    {
        press(at, keys);
        release(at, keys);
    }

private:
    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys)
    {
        QMouseEvent event(type, QPointF(at), QPointF(target_->mapToGlobal(at)), button, buttons, keys);
        QApplication::sendEvent(target_, &event);
    }

    QWidget *target_;
    Qt::MouseButton held_ = Qt::NoButton;
};

// An editor shown on a picture, as the main window opens it.
struct OpenEditor {
    TEditeur editor;
    Hand hand{editor.Image};

    explicit OpenEditor(const QImage &picture)
    {
        editor.SetPicture(picture);
        editor.show();
        QCoreApplication::processEvents();
    }
    // What the picture control shows, outlines and all.
    QImage shown() { return editor.Image->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

} // namespace editortest
