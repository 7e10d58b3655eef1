#pragma once
// Hourglass for the lifetime of the guard, restored also when an error unwinds.
#include <QApplication>
#include <QCursor>

namespace platform {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace platform
