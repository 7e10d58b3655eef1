// TPMultiImage on screen: the display arithmetic, painting in its modes,
// scroll bars, panning, the rubber band, transitions, banners and the
// annotation layer's relay.
#include "MultiImageSupport.h"

#include "Annotation.h"
#include "Banner.h"
#include "DisplayGeometry.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>
#include <cmath>

using namespace imaging;
using namespace imaging::display;
using namespace multiimage;

namespace {

QImage grabbed(TPMultiImage &image)
{
    return image.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void mouse(QWidget &widget, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

QImage filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

using OnScreen = Libraries;

} // namespace

TEST(DisplayGeometry, ProportionalZoomAndCentring)
{
    const std::tuple<QSize, QSize, double, QSize> cases[] = {
        {{200, 200}, {400, 100}, 0.5, {200, 50}},
        {{200, 200}, {100, 400}, 0.5, {50, 200}},
        {{300, 100}, {30, 20}, 5.0, {150, 100}},
        {{10, 10}, {0, 0}, 1.0, {0, 0}},
    };
    for (auto [control, picture, zoom, scaled] : cases) {
        EXPECT_DOUBLE_EQ(proportionalZoom(control, picture), zoom) << control.width() << "x" << control.height();
        EXPECT_EQ(scaledSize(picture, zoom), scaled);
    }
    EXPECT_EQ(centredOffset({200, 200}, {200, 50}), QPoint(0, 75));
    EXPECT_EQ(centredOffset({101, 100}, {50, 51}), QPoint(25, 24));
    EXPECT_EQ(centredOffset({100, 100}, {103, 100}), QPoint(-1, 0)); // truncated toward zero
}

TEST(DisplayGeometry, ScrollBarsAppearOnlyForALargerPicture)
{
    const QSize control(100, 80);
    EXPECT_FALSE(scrollLayout(control, {100, 80}, 1.0, {}, 12, true).visible);
    EXPECT_FALSE(scrollLayout(control, {300, 300}, 1.0, {}, 12, false).visible);
    const ScrollLayout wider = scrollLayout(control, {101, 80}, 1.0, {}, 12, true);
    ASSERT_TRUE(wider.visible);
    EXPECT_EQ(wider.horizontalMaximum, 1 + 12);
    EXPECT_EQ(wider.verticalMaximum, 12);
    EXPECT_EQ(wider.verticalBar, QRect(88, 1, 12, 67));
    EXPECT_EQ(wider.horizontalBar, QRect(1, 68, 87, 12));
    EXPECT_EQ(wider.corner, QRect(88, 68, 12, 12));
    const ScrollLayout zoomed = scrollLayout(control, {400, 300}, 0.5, {40, 1000}, 12, true);
    EXPECT_EQ(zoomed.horizontalMaximum, 200 - 100 + 12);
    EXPECT_EQ(zoomed.horizontalPosition, 20);
    EXPECT_EQ(zoomed.verticalPosition, zoomed.verticalMaximum);
    EXPECT_EQ(originFromBar(21, 0.5), 42);
    EXPECT_EQ(originFromBar(5, 2.0), 2); // 2.5 rounds to even
}

TEST(DisplayGeometry, PanningStaysWithinThePicture)
{
    const QSize picture(300, 200), view(100, 100);
    EXPECT_EQ(clampOrigin({-5, -7}, picture, view, 1.0), QPointF(0, 0));
    EXPECT_EQ(clampOrigin({500, 500}, picture, view, 1.0), QPointF(200, 100));
    EXPECT_EQ(clampOrigin({500, 500}, picture, view, 2.0), QPointF(250, 150));
    EXPECT_EQ(clampOrigin({30, 40}, {50, 50}, view, 1.0), QPointF(0, 0));
}

TEST(DisplayGeometry, RubberBandKeepsTheControlsProportions)
{
    const QSize control(200, 100);
    const QPoint start(10, 10);
    for (QPoint mouse : {QPoint(110, 10), QPoint(10, 90), QPoint(-50, -50)}) {
        const QPoint corner = bandCorner(start, mouse, control);
        const QPoint extent = corner - start;
        EXPECT_NEAR(double(std::abs(extent.x())) / std::abs(extent.y()), 2.0, 0.05);
        EXPECT_NEAR(std::hypot(extent.x(), extent.y()), std::hypot(mouse.x() - start.x(), mouse.y() - start.y()), 1.0);
        EXPECT_EQ(extent.x() < 0, mouse.x() < start.x());
    }
}

TEST(DisplayPainting, StretchCentreAndProportionalModes)
{
    TPMultiImage image;
    image.resize(200, 200);
    image.setColor(Qt::green);
    image.setPicture(filled({400, 100}, Qt::red));
    image.setStretch(true);
    QImage shot = grabbed(image);
    EXPECT_EQ(shot.pixelColor(100, 190), QColor(Qt::red));
    EXPECT_FALSE(image.horizontalBar()->isVisible());

    image.setStretchRatio(true);
    EXPECT_FALSE(image.Stretch());
    EXPECT_DOUBLE_EQ(image.Zoom(), 0.5);
    image.setCenter(true);
    shot = grabbed(image);
    EXPECT_EQ(shot.pixelColor(100, 100), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(100, 60), QColor(Qt::red)); // 200 x 50 in the middle
    EXPECT_EQ(shot.pixelColor(100, 76), QColor(Qt::red));

    TPMultiImage plain;
    plain.resize(100, 100);
    plain.setScrolling(false);
    plain.setCenter(true);
    plain.setPicture(filled({20, 10}, Qt::blue));
    shot = grabbed(plain);
    EXPECT_EQ(shot.pixelColor(40, 45), QColor(Qt::blue));
    EXPECT_NE(shot.pixelColor(39, 45), QColor(Qt::blue));
    EXPECT_NE(shot.pixelColor(60, 45), QColor(Qt::blue));
}

TEST(DisplayPainting, BlitModeKeepsThinLinesOfSingleBitPictures)
{
    // white picture with one black and one white line on black
    QImage mono(100, 40, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    for (int y = 0; y < 40; ++y)
        mono.setPixel(37, y, 0);
    TPMultiImage image;
    image.resize(20, 40);
    image.setStretch(true);
    image.setPicture(Bitmap(mono, 1));
    auto blackColumns = [&] {
        const QImage shot = grabbed(image);
        int count = 0;
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixelColor(x, 20) == QColor(Qt::black);
        return count;
    };
    image.BlitMode = sDark;
    EXPECT_EQ(blackColumns(), 1);
    image.BlitMode = sLightest;
    EXPECT_EQ(blackColumns(), 0);
    mono.fill(0);
    for (int y = 0; y < 40; ++y)
        mono.setPixel(37, y, 1);
    image.setPicture(Bitmap(mono, 1));
    EXPECT_EQ(blackColumns(), 19);
    image.BlitMode = sDark;
    EXPECT_EQ(blackColumns(), 20);
}

TEST(DisplayPainting, ScrollBarsAndPanningMoveTheView)
{
    TPMultiImage image;
    image.resize(100, 80);
    QImage picture(301, 200, QImage::Format_RGB32);
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            picture.setPixelColor(x, y, QColor(x % 256, y, 0));
    image.setPicture(picture);
    ASSERT_TRUE(image.horizontalBar()->isVisibleTo(&image));
    EXPECT_EQ(image.horizontalBar()->maximum(), 301 - 100 + 12);
    image.horizontalBar()->setValue(50);
    EXPECT_EQ(image.Origin(), QPointF(50, 0));
    EXPECT_EQ(grabbed(image).pixelColor(0, 0), QColor(50, 0, 0));

    mouse(image, QEvent::MouseButtonPress, {50, 40});
    EXPECT_TRUE(image.Panning());
    EXPECT_EQ(image.cursor().shape(), image.GrabHandCursor);
    mouse(image, QEvent::MouseMove, {40, 30});
    EXPECT_EQ(image.Origin(), QPointF(60, 10));
    EXPECT_EQ(image.horizontalBar()->value(), 60);
    mouse(image, QEvent::MouseMove, {-1000, -1000});
    EXPECT_EQ(image.Origin(), QPointF(301 - 88, 200 - 68));
    mouse(image, QEvent::MouseButtonRelease, {-1000, -1000});
    EXPECT_FALSE(image.Panning());
    EXPECT_NE(image.cursor().shape(), image.GrabHandCursor);

    // a picture that fits takes no panning and shows no bars
    image.setPicture(filled({50, 50}, Qt::red));
    EXPECT_FALSE(image.horizontalBar()->isVisibleTo(&image));
    mouse(image, QEvent::MouseButtonPress, {10, 10});
    EXPECT_FALSE(image.Panning());
}

TEST(DisplayPainting, RubberBandReportsItsCorners)
{
    TPMultiImage image;
    image.resize(200, 100);
    image.setPicture(filled({200, 100}, Qt::white));
    image.AllowRubberBand = true;
    QRect reported;
    image.OnRubberband = [&](TPMultiImage *, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y, int xx, int yy) {
        EXPECT_EQ(button, Qt::LeftButton);
        reported = QRect(QPoint(x, y), QPoint(xx, yy));
    };
    mouse(image, QEvent::MouseButtonPress, {10, 10});
    mouse(image, QEvent::MouseMove, {100, 55});
    // the band inverts what it crosses
    EXPECT_EQ(grabbed(image).pixelColor(10, 30), QColor(Qt::black));
    mouse(image, QEvent::MouseButtonRelease, {100, 55});
    EXPECT_EQ(reported.topLeft(), QPoint(10, 10));
    EXPECT_EQ(reported.bottomRight(), bandCorner({10, 10}, {100, 55}, {200, 100}));
    EXPECT_EQ(grabbed(image).pixelColor(10, 30), QColor(Qt::white));
    EXPECT_FALSE(image.Panning());
}

TEST_F(OnScreen, TransitionShowsTheLoadedPictureAndKeepsItsSize)
{
    TPMultiImage image;
    image.resize(60, 40);
    image.setStretch(true);
    image.show();
    image.FXMethod = FXHorizontal;
    image.FXDelay = 0;
    image.FXColRowThick = 8;
    const QString file = write(QStringLiteral("big.png"), testimages::pattern(24, 600, 400), codecs::Format::Png);
    image.setImageName(file);
    EXPECT_EQ(image.Picture().width(), 600); // the picture, not the control's copy of it
    EXPECT_TRUE(messages.texts().isEmpty());
    // once played, the control looks as without a transition
    TPMultiImage plain;
    plain.resize(60, 40);
    plain.setStretch(true);
    plain.setPicture(image.Picture());
    EXPECT_EQ(grabbed(image), grabbed(plain));
}

// ---- banners -------------------------------------------------------------------

TEST(Banners, HorizontalFilesWithMissingTagsTakeTheDefaults)
{
    const TBanner none = parseHorizontalBanner(QStringLiteral("no tags at all"));
    EXPECT_EQ(none.FontColor, QColor(255, 0, 0));
    EXPECT_EQ(none.Background, QColor(128, 0, 0));
    EXPECT_EQ(none.FontHeight, -13);
    EXPECT_EQ(none.FontName, QStringLiteral("SYSTEM"));
    EXPECT_FALSE(none.FontSize);
    EXPECT_FALSE(none.Style);
    EXPECT_EQ(none.Speed, 1);
    EXPECT_EQ(none.Message, QStringList{QStringLiteral(" Invallid message format ! ")});

    const TBanner full = parseHorizontalBanner(
        QStringLiteral("/fc|16711680/fh|-20/fn|DejaVu Sans/fs|14/ft|1010/bc|65280/sp|3/sm|Bonjour/eo|"));
    EXPECT_EQ(full.FontColor, QColor(0, 0, 255));
    EXPECT_EQ(full.FontHeight, -20);
    EXPECT_EQ(full.FontName, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(full.FontSize, 14);
    EXPECT_EQ(full.Style, QStringLiteral("1010"));
    EXPECT_EQ(full.Background, QColor(0, 255, 0));
    EXPECT_EQ(full.Speed, 3);
    EXPECT_EQ(full.Message, QStringList{QStringLiteral("Bonjour")});
    const QFont font = bannerFont(full, QFont());
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_EQ(font.pointSize(), 14);

    // a value whose closing tag is missing keeps its default
    const TBanner partial = parseHorizontalBanner(QStringLiteral("/sp|4/sm|Salut"));
    EXPECT_EQ(partial.Speed, 4);
    EXPECT_EQ(partial.Message, none.Message);
}

TEST(Banners, VerticalFilesAreReadByLine)
{
    const TBanner banner = parseVerticalBanner(
        QStringLiteral("ignored\r\n255\r\n-16\r\nDejaVu Sans\r\n\r\n0100\r\n0\r\n2\r\nfirst\r\nsecond\r\n"));
    EXPECT_EQ(banner.FontColor, QColor(255, 0, 0));
    EXPECT_EQ(banner.FontHeight, -16);
    EXPECT_FALSE(banner.FontSize);
    EXPECT_EQ(banner.Style, QStringLiteral("0100"));
    EXPECT_EQ(banner.Background, QColor(0, 0, 0));
    EXPECT_EQ(banner.Speed, 2);
    EXPECT_EQ(banner.Message, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_EQ(parseVerticalBanner(QStringLiteral("short")).Message, defaultBanner().Message);
}

TEST_F(OnScreen, BannerMovesAtItsSpeedAndStops)
{
    TPMultiImage image;
    image.resize(120, 40);
    const QColor before = image.Color();
    QFile file(path(QStringLiteral("b.scm")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no tags here");
    file.close();
    image.setImageName(path(QStringLiteral("b.scm")));
    ASSERT_EQ(image.BannerKind(), TBannerKind::Horizontal);
    EXPECT_EQ(image.InfoFormat(), QStringLiteral("SCM"));
    EXPECT_EQ(image.InfoWidth(), 120);
    EXPECT_EQ(image.Color(), QColor(128, 0, 0));
    EXPECT_EQ(image.BannerPosition().x(), 120);
    for (int tick = 1; tick <= 4; ++tick)
        image.BannerTick();
    EXPECT_EQ(image.BannerPosition().x(), 118); // speed 1: every second tick
    // the default message shows in red on dark red
    for (int tick = 0; tick < 200; ++tick)
        image.BannerTick();
    bool red = false;
    for (int x = 0; x < 120; ++x)
        red = red || image.Picture().image().pixelColor(x, 20).red() > 200;
    EXPECT_TRUE(red);
    EXPECT_EQ(image.Picture().image().pixelColor(0, 0), QColor(128, 0, 0));

    // the timer runs only while the control is shown
    image.show();
    ASSERT_TRUE(waitUntil([&] { return image.BannerPosition().x() < 10; }, 5000));
    image.hide();
    const QPoint stopped = image.BannerPosition();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(image.BannerPosition(), stopped);

    // another picture stops the banner and gives the colour back
    image.setImageName(write(QStringLiteral("a.png"), testimages::pattern(24), codecs::Format::Png));
    EXPECT_EQ(image.BannerKind(), TBannerKind::None);
    EXPECT_EQ(image.Color(), before);
}

TEST_F(OnScreen, VerticalBannerTakesItsLinesInTurn)
{
    TPMultiImage image;
    image.resize(100, 30);
    QFile file(path(QStringLiteral("v.cms")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x\n0\n-10\nDejaVu Sans\n\n0000\n16777215\n3\none\ntwo\n");
    file.close();
    image.setImageName(path(QStringLiteral("v.cms")));
    ASSERT_EQ(image.BannerKind(), TBannerKind::Vertical);
    EXPECT_EQ(image.BannerPosition().y(), 30);
    for (int tick = 1; tick <= 8; ++tick)
        image.BannerTick();
    EXPECT_EQ(image.BannerPosition().y(), 28); // speed 3: every fourth tick
    int ticks = 0;
    while (image.BannerLine() == 0 && ticks < 10000) {
        image.BannerTick();
        ++ticks;
    }
    EXPECT_EQ(image.BannerLine(), 1);
    EXPECT_EQ(image.BannerPosition().y(), 30);
}

TEST_F(OnScreen, BannerFilesAreLimitedTo64kB)
{
    TPMultiImage image;
    image.resize(50, 20);
    image.setImageName(write(QStringLiteral("a.png"), testimages::pattern(24, 9, 9), codecs::Format::Png));
    QFile file(path(QStringLiteral("big.scm")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("/sm|" + QByteArray(kBannerFileLimit, 'a') + "/eo|");
    file.close();
    std::vector<QString> errors;
    image.OnIlibError = [&](TPMultiImage *, int, const QString &text, const char *) { errors.push_back(text); };
    image.setImageName(path(QStringLiteral("big.scm")));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(image.BannerKind(), TBannerKind::None);
    EXPECT_EQ(image.Picture().width(), 9);
}

// ---- annotation layer ------------------------------------------------------------

TEST_F(OnScreen, AnnotationLayerDrawsWhatTheMouseMadeAndKeepsItPerPage)
{
    TPMultiImage image;
    image.resize(100, 100);
    image.Loaded();
    image.setPicture(filled({100, 100}, Qt::white));
    image.setEditAnnotat(true);
    image.AnnotationMenu(3);       // rectangle
    image.AnnotationMenu(32 + 12); // blue
    int done = -1;
    image.OnAnnoDone = [&](TPMultiImage *, int index) { done = index; };
    mouse(image, QEvent::MouseButtonPress, {10, 10});
    mouse(image, QEvent::MouseMove, {50, 40});
    mouse(image, QEvent::MouseButtonRelease, {50, 40});
    EXPECT_EQ(done, 0);
    image.setEditAnnotat(false);
    QImage shot = grabbed(image);
    EXPECT_EQ(shot.pixelColor(10, 25), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(30, 25), QColor(Qt::white));

    int clicked = -1;
    image.OnAnnoClick = [&](TPMultiImage *, int index) { clicked = index; };
    image.setEditAnnotat(true);
    mouse(image, QEvent::MouseButtonPress, {30, 10}, Qt::RightButton);
    mouse(image, QEvent::MouseButtonRelease, {30, 10}, Qt::RightButton);
    EXPECT_EQ(clicked, 0);

    const QString file = path(QStringLiteral("notes.ant"));
    ASSERT_TRUE(image.Annotations()->save(2, file));
    ASSERT_TRUE(image.Annotations()->clear());
    EXPECT_EQ(grabbed(image).pixelColor(10, 25), QColor(Qt::white));
    ASSERT_TRUE(image.Annotations()->load(1, file));
    EXPECT_EQ(grabbed(image).pixelColor(10, 25), QColor(Qt::white)); // nothing on page 1
    ASSERT_TRUE(image.Annotations()->load(2, file));
    EXPECT_EQ(grabbed(image).pixelColor(10, 25), QColor(Qt::blue));
}

TEST_F(OnScreen, AnnotationsFollowTheLoadsWhenAsked)
{
    TPMultiImage image;
    image.resize(60, 60);
    image.Loaded();
    image.AutoSaveAnno = true;
    image.AutoLoadAnno = true;
    const QString first = write(QStringLiteral("first.png"), testimages::pattern(24, 60, 60), codecs::Format::Png);
    const QString second = write(QStringLiteral("second.png"), testimages::pattern(24, 60, 60), codecs::Format::Png);
    image.setImageName(first);
    EXPECT_EQ(image.AnnotationFile(), path(QStringLiteral("first.ant")));
    image.setEditAnnotat(true);
    image.AnnotationMenu(2); // line
    mouse(image, QEvent::MouseButtonPress, {5, 5});
    mouse(image, QEvent::MouseButtonRelease, {50, 5});
    image.setEditAnnotat(false);
    image.setImageName(second);
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("first.ant"))));
    const QImage plain = grabbed(image);
    image.setImageName(first);
    EXPECT_NE(grabbed(image).pixelColor(20, 5), plain.pixelColor(20, 5));
}

TEST_F(OnScreen, MissingAnnotationExportIsAnError)
{
    CRDE2000().setDllName(QStringLiteral("FXTEST.DLL"));
    TPMultiImage image;
    try {
        image.Loaded();
        FAIL() << "no error";
    } catch (const ErrorInvalid &error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("Error. Could not get a procaddress for InitAnnotation. This could be related to a dll "
                                 "name or version missmatch of FXTEST.DLL"));
    }
    CRDE2000().setDllName(QStringLiteral("NOSUCH.DLL"));
    EXPECT_THROW(image.Loaded(), EImagingError);
}
