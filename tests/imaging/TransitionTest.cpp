// The transition wrappers and the surface they draw on: every method ends
// with the whole picture on the widget, drawn in several shown steps; the
// method chooses its export; bad arguments give false and the library's text.
#include "DllSP96.h"
#include "MessageBox.h"
#include "Module.h"
#include "TransitionSurface.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <functional>

using namespace imaging;

namespace {

constexpr int kWidth = 60, kHeight = 40;

QImage picture()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 6, (x * y) % 256));
    return image;
}

// Pixels of the surface that already show the picture.
int drawnPixels(const QImage &surface, const QImage &picture)
{
    int drawn = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            drawn += surface.pixel(x, y) == picture.pixel(x, y);
    return drawn;
}

class Transitions : public testing::Test {
protected:
    void SetUp() override
    {
        ISP2000().setDllName(QStringLiteral("ISP2000.DLL"));
        CRDE2000().setDllName(QStringLiteral("CRDE2000.DLL"));
        ASSERT_TRUE(platform::Module::load(QStringLiteral("ISP2000.DLL"))) << "the effects library does not load";
        LastImagingError = {};
        target.resize(kWidth, kHeight);
        target.show();
    }
    void TearDown() override { ReleaseImagingLibraries(); }

    platform::MessageRecorder messages;
    platform::ScopedMessageService scope{&messages};
    QWidget target;
    const QImage expected = picture();
    const Bitmap bitmap{expected, 24};
};

TEST_F(Transitions, EveryMethodDrawsTheWholePictureInShownSteps)
{
    const GlobalBlock dib(BitmapToDib(bitmap));
    using Play = std::function<bool(TransitionSurface &)>;
    const std::pair<const char *, Play> plays[] = {
        {"FXSkipHorizontal", [&](TransitionSurface &s) { return FXSkipHorizontal(s, bitmap, 3, 1); }},
        {"FXSkipVertical", [&](TransitionSurface &s) { return FXSkipVertical(s, bitmap, 3, 1); }},
        {"FXSkipDiagonals", [&](TransitionSurface &s) { return FXSkipDiagonals(s, bitmap, 3, 1); }},
        {"FXSkipDiagonalSquares", [&](TransitionSurface &s) { return FXSkipDiagonalSquares(s, bitmap, 3, 1); }},
        {"FXSkipRectangles", [&](TransitionSurface &s) { return FXSkipRectangles(s, bitmap, 1); }},
        {"FXSkipHorizontalDib", [&](TransitionSurface &s) { return FXSkipHorizontalDib(s, dib.get(), 3, 1); }},
        {"FXSkipVerticalDib", [&](TransitionSurface &s) { return FXSkipVerticalDib(s, dib.get(), 3, 1); }},
        {"FXSkipDiagonalsDib", [&](TransitionSurface &s) { return FXSkipDiagonalsDib(s, dib.get(), 3, 1); }},
        {"FXSkipDiagonalSquaresDib", [&](TransitionSurface &s) { return FXSkipDiagonalSquaresDib(s, dib.get(), 3, 1); }},
        {"FXSkipRectanglesDib", [&](TransitionSurface &s) { return FXSkipRectanglesDib(s, dib.get(), 1); }},
    };
    for (const auto &[name, play] : plays) {
        TransitionSurface surface(target);
        std::vector<int> steps; // pixels of the picture shown after each step
        QObject::connect(&surface, &TransitionSurface::flushed, [&](const QRect &rectangle) {
            EXPECT_TRUE(QRect(0, 0, kWidth, kHeight).contains(rectangle)) << name;
            steps.push_back(drawnPixels(surface.image(), expected));
        });
        ASSERT_TRUE(play(surface)) << name << ": " << LastImagingError.Text.toStdString();
        EXPECT_EQ(ImagingProgressCaption, QStringLiteral("Transition Image "));
        EXPECT_EQ(surface.image(), expected) << name;
        // the widget shows the surface while it lives
        EXPECT_EQ(target.grab().toImage().convertToFormat(QImage::Format_RGB32), expected) << name;
        ASSERT_GE(steps.size(), 3u) << name;
        EXPECT_LT(steps.front(), kWidth * kHeight / 2) << name;
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end())) << name;
        EXPECT_EQ(steps.back(), kWidth * kHeight) << name;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(Transitions, SurfaceStartsAsTheWidgetShowedAndHandsItBack)
{
    target.setAutoFillBackground(true);
    QPalette palette = target.palette();
    palette.setColor(QPalette::Window, Qt::blue);
    target.setPalette(palette);
    {
        TransitionSurface surface(target);
        EXPECT_EQ(surface.image().pixel(5, 5), qRgb(0, 0, 255));
        const GlobalBlock dib(BitmapToDib(bitmap));
        ASSERT_TRUE(FXSkipVerticalDib(surface, dib.get(), 4, 0));
    }
    EXPECT_EQ(target.grab().toImage().pixel(5, 5), qRgb(0, 0, 255));
}

TEST_F(Transitions, BadArgumentsGiveFalseAndTheLibrarysText)
{
    QWidget empty;
    empty.resize(0, 0);
    const GlobalBlock dib(BitmapToDib(bitmap));
    using Play = std::function<bool(TransitionSurface &, TransitionSurface &)>;
    const std::pair<const char *, Play> cases[] = {
        {"no DIB", [](TransitionSurface &s, TransitionSurface &) { return FXSkipHorizontalDib(s, nullptr, 3, 1); }},
        {"no thickness", [&](TransitionSurface &s, TransitionSurface &) { return FXSkipDiagonalsDib(s, dib.get(), 0, 1); }},
        {"negative delay", [&](TransitionSurface &s, TransitionSurface &) { return FXSkipRectanglesDib(s, dib.get(), -5); }},
        {"empty bitmap", [](TransitionSurface &s, TransitionSurface &) { return FXSkipVertical(s, Bitmap(), 3, 1); }},
        {"empty widget", [&](TransitionSurface &, TransitionSurface &e) { return FXSkipVerticalDib(e, dib.get(), 3, 1); }},
        {"no such method", [&](TransitionSurface &s, TransitionSurface &) { return PlayTransitionDib(s, TFXMethod(9), dib.get(), 3, 1); }},
    };
    for (const auto &[name, play] : cases) {
        TransitionSurface surface(target), emptySurface(empty);
        LastImagingError = {};
        EXPECT_FALSE(play(surface, emptySurface)) << name;
        EXPECT_EQ(LastImagingError.Code, -11) << name;
        EXPECT_EQ(LastImagingError.Text, QStringLiteral("Invalid parameter")) << name;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

// Which export each method calls, and with what, seen by the stand-in library.
struct FxTransition {
    const char *name;
    std::int32_t thickness, delay;
};

TEST_F(Transitions, EachMethodPlaysItsExport)
{
    ISP2000().setDllName(QStringLiteral("FXTEST.DLL"));
    const auto &last = *static_cast<FxTransition *>(ISP2000().symbol("fxLastTransition"));
    const GlobalBlock dib(BitmapToDib(bitmap));
    struct Case {
        TFXMethod method;
        const char *dibExport, *bitmapExport;
        std::int32_t thickness, delay;
    };
    const Case cases[] = {
        {FXNone, "FXSkipHorizontalDib", "FXSkipHorizontal", kHeight, 0}, // at once: one band, no pause
        {FXHorizontal, "FXSkipHorizontalDib", "FXSkipHorizontal", 3, 7},
        {FXVertical, "FXSkipVerticalDib", "FXSkipVertical", 3, 7},
        {FXDiagonal, "FXSkipDiagonalsDib", "FXSkipDiagonals", 3, 7},
        {FXDiagonalSquares, "FXSkipDiagonalSquaresDib", "FXSkipDiagonalSquares", 3, 7},
        {FXRectangles, "FXSkipRectanglesDib", "FXSkipRectangles", -1, 7}, // no thickness
    };
    TransitionSurface surface(target);
    for (const Case &c : cases) {
        ASSERT_TRUE(PlayTransitionDib(surface, c.method, dib.get(), 3, 7));
        EXPECT_STREQ(last.name, c.dibExport);
        EXPECT_EQ(last.thickness, c.thickness) << c.dibExport;
        EXPECT_EQ(last.delay, c.delay) << c.dibExport;
        ASSERT_TRUE(PlayTransition(surface, c.method, bitmap, 3, 7));
        EXPECT_STREQ(last.name, c.bitmapExport);
    }
    // an exception inside the library: its message, no result
    EXPECT_FALSE(PlayTransitionDib(surface, FXVertical, dib.get(), 3, 666));
    EXPECT_EQ(messages.texts(), QStringList{ImagingExceptionMessage});
}

} // namespace
