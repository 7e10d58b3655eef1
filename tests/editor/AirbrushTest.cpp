// The airbrush: the threaded timer that paces it, the spray's density at a
// speed over a time with a fixed seed, and the settings dialog.
#include "EditorSupport.h"

#include "MessageBox.h"
#include "Modal.h"
#include "Saero.h"
#include "TPicture.h"
#include "Thdtm2.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QThread>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace editortest;

namespace {

// Runs the event loop until the condition holds or the time is up.
template <typename Condition> bool within(int milliseconds, Condition condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void pump(int milliseconds)
{
    within(milliseconds, [] { return false; });
}

QImage white(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

// ---- TThreadedTimer ------------------------------------------------------------------

TEST(ThreadedTimer, TicksOnTheGuiThreadOnlyWhileEnabledWithAnIntervalAndAHandler)
{
    TThreadedTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    int ticks = 0;
    bool onGuiThread = true;
    timer.setInterval(2);
    timer.setOnTimer([&](TThreadedTimer *sender) {
        EXPECT_EQ(sender, &timer);
        onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        ++ticks;
    });
    ASSERT_TRUE(within(5000, [&] { return ticks >= 5; }));
    EXPECT_TRUE(onGuiThread);

    const auto stopsWhen = [&](auto stop, auto restart) {
        stop();
        pump(20); // a tick handed over before the stop is not run
        const int stopped = ticks;
        pump(60);
        EXPECT_EQ(ticks, stopped);
        restart();
        EXPECT_TRUE(within(5000, [&] { return ticks > stopped + 2; }));
    };
    stopsWhen([&] { timer.setEnabled(false); }, [&] { timer.setEnabled(true); });
    stopsWhen([&] { timer.setInterval(0); }, [&] { timer.setInterval(2); });
    stopsWhen([&] { timer.setOnTimer({}); }, [&] { timer.setOnTimer([&](TThreadedTimer *) { ++ticks; }); });
}

// The next sleep starts once a tick has run: ticks never pile up behind a slow handler.
TEST(ThreadedTimer, TicksWaitForTheHandler)
{
    TThreadedTimer timer;
    timer.setInterval(1);
    int ticks = 0;
    timer.setOnTimer([&](TThreadedTimer *) {
        ++ticks;
        QThread::msleep(25);
    });
    QElapsedTimer clock;
    clock.start();
    pump(300);
    const qint64 elapsed = clock.elapsed();
    timer.setEnabled(false);
    EXPECT_GE(ticks, 1);
    EXPECT_LE(ticks, elapsed / 25 + 1);
}

TEST(ThreadedTimer, AFailingHandlerIsReportedAndTheTicksGoOn)
{
    platform::MessageRecorder messages;
    platform::ScopedMessageService service(&messages);
    TThreadedTimer timer;
    timer.setInterval(1);
    int ticks = 0;
    timer.setOnTimer([&](TThreadedTimer *) {
        if (++ticks == 1)
            throw std::runtime_error("tick failed");
    });
    ASSERT_TRUE(within(5000, [&] { return ticks >= 3; }));
    timer.setEnabled(false);
    EXPECT_EQ(messages.texts().value(0), QStringLiteral("tick failed"));
}

// ---- the editor's spray --------------------------------------------------------------------

namespace {

struct Sprayed {
    int inner = 0; // dots closer than 5 pixels to the centre
    int outer = 0; // dots 5 pixels away or more
    double farthest = 0;
};

Sprayed countDots(const QImage &picture, QPoint centre)
{
    Sprayed dots;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != qRgb(255, 0, 0))
                continue;
            const double distance = std::hypot(x - centre.x(), y - centre.y());
            dots.farthest = std::max(dots.farthest, distance);
            (distance < 5 ? dots.inner : dots.outer) += 1;
        }
    return dots;
}

// Sprays for `milliseconds` at the editor's speed, one tick per interval.
void spray(TEditeur &editor, int milliseconds)
{
    for (int tick = 0; tick < milliseconds / editor.AeroPress; ++tick)
        editor.TimerTimer();
}

} // namespace

TEST(Airbrush, SpraysTheBrushColourAroundThePointerCrowdingTowardTheCentre)
{
    OpenEditor open(white(QSize(60, 60)));
    TEditeur &editor = open.editor;
    editor.Canvas().brush.color = MakeRGB(255, 0, 0);
    editor.AeroBtn->click();
    editor.AeroRay = 10;
    editor.AeroPress = 1; // the dialog's speed 100
    editor.spray().reseed(1);
    open.hand.press({30, 30});
    EXPECT_TRUE(editor.Timer->Enabled());
    EXPECT_EQ(editor.Timer->Interval(), 1);
    spray(editor, 60);
    open.hand.release({30, 30});
    EXPECT_FALSE(editor.Timer->Enabled());

    const Sprayed dots = countDots(editor.Picture(), {30, 30});
    EXPECT_LE(dots.farthest, 9.5); // r is at most AeroRay - 1, rounded
    // the inner disc is a quarter of the area and gets about half of the 60 dots
    const double innerDensity = dots.inner / (M_PI * 4.5 * 4.5);
    const double outerDensity = dots.outer / (M_PI * (9.5 * 9.5 - 4.5 * 4.5));
    EXPECT_GT(innerDensity, 2 * outerDensity) << dots.inner << " " << dots.outer;
    EXPECT_GT(dots.inner + dots.outer, 40);
    EXPECT_LE(dots.inner + dots.outer, 60);

    // the same seed sprays the same dots
    const QImage first = editor.Picture();
    editor.SetPicture(white(QSize(60, 60)));
    editor.Canvas().brush.color = MakeRGB(255, 0, 0);
    editor.spray().reseed(1);
    open.hand.press({30, 30});
    spray(editor, 60);
    open.hand.release({30, 30});
    EXPECT_EQ(editor.Picture(), first);
}

TEST(Airbrush, SlowSpeedSpraysFewDotsAndSizeOneHitsThePointer)
{
    OpenEditor open(white(QSize(40, 40)));
    TEditeur &editor = open.editor;
    editor.Canvas().brush.color = MakeRGB(255, 0, 0);
    editor.AeroBtn->click();
    editor.AeroPress = 101; // the dialog's speed 0
    editor.AeroRay = 1;
    open.hand.press({12, 9});
    EXPECT_EQ(editor.Timer->Interval(), 101);
    spray(editor, 1000);
    // the spray follows the pointer while the button is held
    open.hand.move({25, 30});
    spray(editor, 1000);
    open.hand.release({25, 30});
    QImage expected = white(QSize(40, 40));
    expected.setPixel(12, 9, qRgb(255, 0, 0));
    expected.setPixel(25, 30, qRgb(255, 0, 0));
    EXPECT_EQ(editor.Picture(), expected);
}

TEST(Airbrush, TheTimerSpraysWhileTheButtonIsHeld)
{
    OpenEditor open(white(QSize(40, 40)));
    TEditeur &editor = open.editor;
    editor.Canvas().brush.color = MakeRGB(255, 0, 0);
    editor.AeroBtn->click();
    editor.AeroRay = 10;
    editor.AeroPress = 1;
    open.hand.press({20, 20});
    ASSERT_TRUE(within(5000, [&] { return countDots(editor.Picture(), {20, 20}).inner > 3; }));
    open.hand.release({20, 20});
    pump(20);
    const QImage released = editor.Picture();
    pump(50);
    EXPECT_EQ(editor.Picture(), released);
}

// ---- the settings dialog --------------------------------------------------------------------

TEST(AirbrushDialog, SpeedAndSizeBecomeTheEditorsIntervalAndRay)
{
    TEditeur editor;
    editor.AeroRay = 10;
    editor.AeroPress = 1;
    struct Case {
        int size, speed;
        bool ok;
        int ray, press;
    };
    const Case cases[] = {{30, 100, true, 30, 1}, {5, 0, true, 5, 101}, {80, 61, true, 80, 40}, {2, 3, false, 80, 40}};
    for (const Case &c : cases) {
        int presetSpeed = -1, presetSize = -1;
        platform::ScopedModalRunner runner([&](QDialog &dialog) {
            auto &aero = dynamic_cast<TAeroDlg &>(dialog);
            presetSpeed = aero.ScrollBar2->value();
            presetSize = aero.ScrollBar1->value();
            aero.ScrollBar1->setValue(c.size);
            aero.ScrollBar2->setValue(c.speed);
            return c.ok ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        const int ray = editor.AeroRay, press = editor.AeroPress;
        editor.Rglages1->trigger();
        EXPECT_EQ(presetSpeed, 101 - press);
        EXPECT_EQ(presetSize, ray);
        EXPECT_EQ(editor.AeroRay, c.ray);
        EXPECT_EQ(editor.AeroPress, c.press);
    }
}

TEST(AirbrushDialog, PreviewSpraysAtTheSettingsAndEmptiesWhenTheyChange)
{
    TAeroDlg dialog;
    EXPECT_EQ(dialog.Image1->picture().size(), QSize(249, 153));
    dialog.ScrollBar1->setValue(20);
    dialog.ScrollBar2->setValue(90);
    dialog.FormShow();
    EXPECT_EQ(dialog.Timer->Interval(), 11);
    const QImage cleared = dialog.Image1->picture();
    EXPECT_EQ(cleared.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(cleared.pixel(248, 152), qRgb(0, 0, 0));
    EXPECT_EQ(cleared.pixel(124, 76), qRgb(255, 255, 255));

    dialog.spray().reseed(5);
    for (int tick = 0; tick < 300; ++tick)
        dialog.TimerTimer();
    int dots = 0;
    const QImage &sprayed = dialog.Image1->picture();
    for (int y = 1; y < 152; ++y)
        for (int x = 1; x < 248; ++x)
            if (sprayed.pixel(x, y) == qRgb(0, 0, 0)) {
                ++dots;
                EXPECT_LE(std::hypot(x - 124, y - 76), 19.5);
            }
    EXPECT_GT(dots, 100);

    dialog.ScrollBar1->setValue(40);
    EXPECT_EQ(dialog.Image1->picture(), cleared);
    dialog.TimerTimer();
    dialog.ScrollBar2->setValue(0);
    EXPECT_EQ(dialog.Image1->picture(), cleared);
    EXPECT_EQ(dialog.Timer->Interval(), 101);

    dialog.FormActivate();
    EXPECT_TRUE(dialog.Timer->Enabled());
    dialog.reject();
    EXPECT_FALSE(dialog.Timer->Enabled());
}
