#pragma once
// The one place where the program's errors stop: an exception that leaves a
// handler is shown as the program's error report (a message box with its
// text) and the program goes on.  Exceptions must never unwind through Qt's
// own frames, so handlers are connected through connectGuarded, events pass
// through Application::notify, and whatever else calls handlers directly
// (the automation channel) wraps them in guarded().
#include <QApplication>
#include <QObject>
#include <utility>

namespace platform {

// Shows the error report for the exception being handled; call it only inside a catch block.
void reportCurrentException() noexcept;

template <typename Function> void guarded(Function &&function) noexcept
{
    try {
        std::forward<Function>(function)();
    } catch (...) {
        reportCurrentException();
    }
}

// Connects a signal to a member handler through the boundary.
template <typename Sender, typename Signal, typename Receiver, typename... Args>
QMetaObject::Connection connectGuarded(const Sender *sender, Signal signal, Receiver *receiver,
                                       void (Receiver::*handler)(Args...))
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](Args... args) {
        guarded([&] { (receiver->*handler)(args...); });
    });
}

// Connects a signal to a handler that takes no argument through the boundary.
template <typename Sender, typename Signal, typename Function>
QMetaObject::Connection connectGuarded(const Sender *sender, Signal signal, const QObject *context, Function function)
{
    return QObject::connect(sender, signal, context, [function = std::move(function)] { guarded(function); });
}

// The application object: every event is delivered inside the boundary.
class Application : public QApplication {
public:
    Application(int &argc, char **argv) : QApplication(argc, argv) {}
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace platform
