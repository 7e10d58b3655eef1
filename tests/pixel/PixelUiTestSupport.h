#pragma once
// Helpers shared by the tests of the image control and the filter dialogs.
#include "PixelTestSupport.h"

#include <Modal.h>

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

// Lets the event loop run until done() holds; false after ten seconds.
inline bool waitUntil(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Answers every modal dialog: runs act on it, then closes it with result.
class ModalAnswer {
public:
    ModalAnswer(int result, std::function<void(QDialog &)> act = {})
        : runner_([result, act](QDialog &dialog) {
              if (act)
                  act(dialog);
              return result;
          })
    {
    }

private:
    platform::ScopedModalRunner runner_;
};

// A gradient with a saturated corner, so that every colour filter changes it.
inline void fillSample(TPixelGraphic &graphic, int width, int height)
{
    fill24(graphic, width, height, [width, height](int x, int y) {
        return MakeRGB(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1), (x + y) % 256);
    });
}
