// The effects dialog's parts on their own: palette files and remapping, the
// border mask, the selection band and the effect runner.
#include "EffectFormSupport.h"

#include "EffectRunner.h"
#include "ILPImage.h"
#include "ILPalette.h"
#include "ILRubberBand.h"
#include "ShapeImage.h"

#include <QDir>
#include <QTemporaryDir>

using namespace effectform;
using namespace imaging;

namespace {

// ---- palette files ---------------------------------------------------------------

QList<QRgb> rainbow(int count)
{
    QList<QRgb> colours;
    for (int i = 0; i < count; ++i)
        colours << qRgb(i, 255 - i, (i * 37) % 256);
    return colours;
}

TEST(PaletteFile, RoundTripKeepsEveryEntry)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.ILP"));
    for (int count : {2, 16, 256}) {
        WritePaletteFile(path, rainbow(count));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        ASSERT_EQ(bytes.size(), 1047);
        EXPECT_EQ(bytes.left(20), QByteArray("\x13ilpalette 30 format"));
        EXPECT_EQ(bytes[20], '\0');
        EXPECT_EQ(std::uint8_t(bytes[21]) | std::uint8_t(bytes[22]) << 8, count);
        EXPECT_EQ(std::uint8_t(bytes[23 + 4 * (count - 1)]), count - 1); // red of the last entry
        QList<QRgb> read(count, qRgb(9, 9, 9));
        ReadPaletteFile(path, read);
        EXPECT_EQ(read, rainbow(count)) << count; // the last entry too
    }
    // a file of more entries fills what the palette holds
    QList<QRgb> small(4, 0);
    ReadPaletteFile(path, small);
    EXPECT_EQ(small, rainbow(4));
}

TEST(PaletteFile, DamagedFilesAreRefusedAndChangeNothing)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.ILP"));
    WritePaletteFile(good, rainbow(16));
    QFile source(good);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    struct Case {
        const char *name;
        QByteArray content;
    };
    QByteArray badSignature = bytes, badLength = bytes, noEntries = bytes, tooMany = bytes;
    badSignature[5] = 'X';
    badLength[0] = 18;
    noEntries[21] = noEntries[22] = 0;
    tooMany[22] = 2; // 528 entries
    const Case cases[] = {{"truncated", bytes.left(1046)},
                          {"longer", bytes + QByteArray(1, '\0')},
                          {"empty", QByteArray()},
                          {"signature", badSignature},
                          {"signature length", badLength},
                          {"no entries", noEntries},
                          {"too many", tooMany}};
    for (const Case &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".ILP"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content);
        file.close();
        QList<QRgb> palette(16, qRgb(1, 2, 3));
        try {
            ReadPaletteFile(path, palette);
            ADD_FAILURE() << c.name << " was read";
        } catch (const EPaletteFileError &error) {
            EXPECT_TRUE(error.message().contains(QStringLiteral("n'est pas une palette"))) << c.name;
        }
        EXPECT_EQ(palette, QList<QRgb>(16, qRgb(1, 2, 3))) << c.name;
    }
    QList<QRgb> palette(4, 0);
    try {
        ReadPaletteFile(dir.filePath(QStringLiteral("missing.ILP")), palette);
        ADD_FAILURE() << "a missing file was read";
    } catch (const EImagingError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Could not open file!"));
    }
    try {
        WritePaletteFile(dir.filePath(QStringLiteral("no/such/folder/p.ILP")), rainbow(4));
        ADD_FAILURE() << "written into a missing folder";
    } catch (const EImagingError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Could not create file!"));
    }
}

// ---- remapping ---------------------------------------------------------------------

TEST(Remap, EveryPixelTakesTheNearestEntryOfTheOrderedPalette)
{
    for (int bits : {4, 8}) {
        SCOPED_TRACE(bits);
        std::vector<codecs::Rgb> table(std::size_t(1) << bits, codecs::Rgb{128, 128, 128});
        table[0] = {0, 0, 0};
        table[1] = {250, 250, 250};
        table[2] = {200, 10, 10};
        codecs::Image image(5, 3, bits, table);
        image.setIndex(0, 0, 0); // black
        image.setIndex(1, 0, 1); // nearly white
        image.setIndex(2, 0, 2); // red
        GlobalBlock dib = dibOf(image);
        ILTDib view;
        view.OwnsMemory = false;
        GlobalLockGuard lock(dib.get());
        view.Attach(lock.as<BITMAPINFOHEADER>());
        // black is nearest to (20, 20, 20), whatever its place in the file
        QList<QRgb> palette(view.ColorCount(), qRgb(255, 255, 255));
        palette[0] = qRgb(255, 0, 0);
        palette[5] = qRgb(20, 20, 20);
        int reports = 0;
        RemapToPalette(view, palette, &reports, [](std::int16_t, void *user) -> std::int16_t {
            ++*static_cast<int *>(user);
            return 1;
        });
        EXPECT_GE(reports, 3);
        const codecs::Image result = codecs::Image::fromPackedDib(lock.data(), GlobalSize(dib.get()));
        auto colour = [&](int x) {
            const codecs::Rgb c = codecs::pixelColour(result, result.row(0), x);
            return qRgb(c.red, c.green, c.blue);
        };
        EXPECT_EQ(colour(0), qRgb(20, 20, 20));
        EXPECT_EQ(colour(1), qRgb(255, 255, 255));
        EXPECT_EQ(colour(2), qRgb(255, 0, 0));
        // ordered by the decimal text of 0x00BBGGRR: 1315860, 16777215, 255
        EXPECT_EQ(view.Palette().mid(0, 3), (QList<QRgb>{qRgb(20, 20, 20), qRgb(255, 255, 255), qRgb(255, 0, 0)}));
    }
    GlobalBlock wide = dibOf(testimages::pattern(24, 4, 4));
    ILTDib view;
    view.OwnsMemory = false;
    GlobalLockGuard lock(wide.get());
    view.Attach(lock.as<BITMAPINFOHEADER>());
    EXPECT_THROW(RemapToPalette(view, rainbow(4), nullptr, nullptr), EImagingError);
}

TEST(Remap, GreyPalettesGoFromBlackToWhite)
{
    EXPECT_EQ(GreyPalette(2), (QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    const QList<QRgb> sixteen = GreyPalette(16);
    EXPECT_EQ(sixteen[1], qRgb(17, 17, 17));
    EXPECT_EQ(sixteen[15], qRgb(255, 255, 255));
    EXPECT_EQ(GreyPalette(256)[100], qRgb(100, 100, 100));
}

// ---- the border mask ---------------------------------------------------------------

bool white(const QImage &mask, int x, int y)
{
    return QColor(mask.pixel(x, y)) == QColor(Qt::white);
}

TEST(ShapeImage, ShapesAreDrawnWhiteInsideTheInsetOnBlack)
{
    ShapeImage mask;
    mask.setSize(QSize(300, 200));
    mask.setEdgeSize(10);
    mask.setShape(shSquare);
    const QImage &square = mask.Picture();
    // 180 pixels a side, centred: x 60..240, y 10..190
    EXPECT_TRUE(white(square, 150, 100));
    EXPECT_TRUE(white(square, 62, 12));
    EXPECT_FALSE(white(square, 57, 100));
    EXPECT_FALSE(white(square, 243, 100));
    EXPECT_FALSE(white(square, 150, 7));

    mask.setShape(shTriangleUp);
    EXPECT_TRUE(white(mask.Picture(), 150, 15));  // the apex at the middle of the top
    EXPECT_FALSE(white(mask.Picture(), 20, 15));
    EXPECT_TRUE(white(mask.Picture(), 20, 187)); // the base along the bottom

    mask.setShape(shNone);
    EXPECT_FALSE(white(mask.Picture(), 150, 100));

    // a star: points alternately at the full radius and nearer the centre
    mask.setShape(shStar);
    mask.setVectors(10);
    mask.setVectorP(50);
    mask.setAngle(90);
    const QImage &star = mask.Picture();
    EXPECT_TRUE(white(star, 150, 100));
    EXPECT_TRUE(white(star, 150, 14));   // the first point straight up, radius 90
    EXPECT_FALSE(white(star, 110, 30));  // between two points
}

// ---- the selection band ------------------------------------------------------------

TEST(RubberBand, TheMouseDrawsMovesAndSizesTheBand)
{
    TILPImage owner;
    owner.resize(100, 80);
    TILRubberBand band(owner);
    std::vector<std::array<int, 4>> changes;
    band.OnChange = [&](int l, int t, int r, int b) { changes.push_back({l, t, r, b}); };

    // a new band drawn from right to left still has its left below its right
    band.mouseDown(QPoint(70, 60));
    band.mouseMove(QPoint(20, 10), true);
    band.mouseUp();
    EXPECT_EQ((std::array<int, 4>{band.left(), band.top(), band.right(), band.bottom()}), (std::array<int, 4>{20, 10, 70, 60}));
    ASSERT_GE(changes.size(), 2u); // each move and the release
    EXPECT_EQ(changes.back(), (std::array<int, 4>{20, 10, 70, 60}));

    EXPECT_EQ(band.zoneAt(QPoint(22, 12)), TILRubberBand::TopLeft);
    EXPECT_EQ(band.zoneAt(QPoint(45, 9)), TILRubberBand::TopSide);
    EXPECT_EQ(band.zoneAt(QPoint(72, 35)), TILRubberBand::RightSide);
    EXPECT_EQ(band.zoneAt(QPoint(45, 35)), TILRubberBand::Inside);
    EXPECT_EQ(band.zoneAt(QPoint(90, 35)), TILRubberBand::Outside);

    // a side moves alone and never past the opposite side
    band.mouseDown(QPoint(70, 35));
    band.mouseMove(QPoint(5, 35), true);
    band.mouseUp();
    EXPECT_EQ(band.left(), 20);
    EXPECT_EQ(band.right(), 21);
    // inside moves the whole band, kept on the control
    band.setBounds(20, 10, 70, 60);
    band.mouseDown(QPoint(45, 35));
    band.mouseMove(QPoint(95, 30), true);
    band.mouseUp();
    EXPECT_EQ((std::array<int, 4>{band.left(), band.top(), band.right(), band.bottom()}), (std::array<int, 4>{50, 5, 100, 55}));
    // outside: nothing dragged
    const std::size_t before = changes.size();
    band.mouseDown(QPoint(5, 75));
    band.mouseMove(QPoint(1, 1), true);
    band.mouseUp();
    EXPECT_EQ(changes.size(), before);
    // a hidden band ignores the mouse
    band.setVisible(false);
    band.mouseDown(QPoint(52, 7));
    band.mouseMove(QPoint(0, 0), true);
    EXPECT_EQ(band.left(), 50);
}

// ---- the runner ------------------------------------------------------------------

TEST(EffectRunner, ANewerRunReplacesTheRunningOneAndAStopDropsTheOutcome)
{
    TEffectRunner runner;
    std::atomic<bool> release{false};
    std::vector<int> finished;
    auto work = [&](int value, bool waitForRelease) {
        return [&, value, waitForRelease](const TLibraryCallbacks &callbacks) {
            while (waitForRelease && !release)
                if (callbacks.progress(1, callbacks.userData) == 0)
                    return TEffectOutcome{}; // asked to stop
            TEffectOutcome outcome;
            outcome.picture.reset(GlobalAlloc(GHND, std::size_t(value)));
            return outcome;
        };
    };
    auto events = [&](int value) {
        TEffectRunner::Events e;
        e.finished = [&, value](TEffectOutcome outcome, bool stopped) {
            finished.push_back(stopped ? -value : int(GlobalSize(outcome.picture.get())));
        };
        return e;
    };
    runner.start(work(10, true), events(10), QSize(4, 4));
    runner.start(work(20, false), events(20), QSize(4, 4)); // the first is asked to stop and never reported
    ASSERT_TRUE(multiimage::waitUntil([&] { return !runner.busy(); }));
    EXPECT_EQ(finished, std::vector<int>{20});

    runner.start(work(30, true), events(30), QSize(4, 4));
    runner.stop();
    ASSERT_TRUE(multiimage::waitUntil([&] { return !runner.busy(); }));
    EXPECT_EQ(finished, (std::vector<int>{20, -30}));

    // a work that fails: reported by the window, and finished without an outcome
    platform::MessageRecorder messages;
    platform::ScopedMessageService scope(&messages);
    runner.start([](const TLibraryCallbacks &) -> TEffectOutcome { throw EImagingError(QStringLiteral("Can't allocate memory")); },
                 events(50), QSize(4, 4));
    ASSERT_TRUE(multiimage::waitUntil([&] { return !runner.busy(); }));
    EXPECT_EQ(finished, (std::vector<int>{20, -30, 0}));
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Can't allocate memory")});

    // waited for: nothing is reported at all
    runner.start(work(40, true), events(40), QSize(4, 4));
    runner.wait();
    QCoreApplication::processEvents();
    EXPECT_FALSE(runner.busy());
    EXPECT_EQ(finished.size(), 3u);
}

} // namespace
