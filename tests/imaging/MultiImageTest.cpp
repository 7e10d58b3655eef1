// TPMultiImage: properties and their storing rules, loading by extension,
// the writers, the file information, corrections, the effects dialog entry
// and the clipboard, through the real imaging libraries.
#include "MultiImageSupport.h"

#include "ClipboardDib.h"
#include "EffectsDialog.h"
#include "ImagingError.h"
#include "Modal.h"
#include "Resources.h"
#include "ScopeExit.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QThread>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace imaging;
using namespace multiimage;
using testimages::maxDifference;
using testimages::pattern;

namespace {

QByteArray contents(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Events {
    int finished = 0;
    std::vector<std::pair<int, QString>> errors;
    std::vector<std::pair<int, QString>> progress;

    void attach(TPMultiImage &image, bool withErrorHandler)
    {
        image.OnFinishedLoadSave = [this](TPMultiImage *) { ++finished; };
        image.OnProgress = [this](TPMultiImage *, int percent, const QString &caption, bool &) {
            progress.emplace_back(percent, caption);
        };
        if (withErrorHandler)
            image.OnIlibError = [this](TPMultiImage *, int code, const QString &text, const char *copy) {
                EXPECT_EQ(QString::fromLocal8Bit(copy), text.left(255));
                errors.emplace_back(code, text);
            };
    }
};

using MultiImage = Libraries;

} // namespace

TEST(MultiImageProperties, DefaultsAndStoringRules)
{
    TPMultiImage image;
    EXPECT_EQ(image.ImageReadRes, lAutoMatic);
    EXPECT_FALSE(image.ImageDither);
    EXPECT_EQ(image.ImageWriteRes, sAutoMatic);
    EXPECT_EQ(image.TifSaveCompress, sNONE);
    EXPECT_EQ(image.TiffPage(), 0);
    EXPECT_EQ(image.JPegSaveQuality(), 25);
    EXPECT_EQ(image.JPegSaveSmooth(), 0);
    EXPECT_EQ(image.PCDMode, pcd_BASE4);
    EXPECT_EQ(image.FXMethod, FXNone);
    EXPECT_EQ(image.FXDelay, 25);
    EXPECT_EQ(image.FXColRowThick, 4);
    EXPECT_FALSE(image.Stretch());
    EXPECT_TRUE(image.Scrolling());
    EXPECT_TRUE(image.ShowScrollbars());
    EXPECT_EQ(image.ScrollbarWidth(), 12);
    EXPECT_EQ(image.Zoom(), 1.0);

    const std::tuple<int, int, int> rules[] = {
        // value set, quality stored, smoothing stored
        {0, 25, 5}, {1, 1, 1}, {50, 50, 50}, {100, 100, 100}, {101, 25, 5}, {-3, 25, 5}};
    for (auto [value, quality, smoothing] : rules) {
        image.setJPegSaveQuality(value);
        image.setJPegSaveSmooth(value);
        EXPECT_EQ(image.JPegSaveQuality(), quality) << value;
        EXPECT_EQ(image.JPegSaveSmooth(), smoothing) << value;
    }
    image.setTiffPage(3);
    image.setTiffPage(7);
    EXPECT_EQ(image.TiffPage(), 7);
    EXPECT_EQ(image.PreviousTiffPage(), 3);
}

TEST(MultiImageProperties, WriteDepthByFormatAndResolution)
{
    TPMultiImage image;
    const int display = TPMultiImage::DisplayDepth();
    struct Case {
        TSaveResolution resolution;
        int jpeg, gif, others;
    };
    const Case cases[] = {
        {sColorVga, 24, 0, 0},  {sMonoChrome, 1, 1, 1}, {sColor16, 24, 4, 4},        {sColor256, 24, 8, 8},
        {sColorTrue, 24, 8, 24}, {sJpegGray, 1, 8, 8},  {sAutoMatic, 24, std::min(display, 8), display},
    };
    for (const Case &c : cases) {
        image.ImageWriteRes = c.resolution;
        EXPECT_EQ(image.WriteDepth(QStringLiteral("JPEG")), c.jpeg) << c.resolution;
        EXPECT_EQ(image.WriteDepth(QStringLiteral("GIF")), c.gif) << c.resolution;
        for (const char *format : {"BMP", "PNG", "TIF", "PCX", "EPS"})
            EXPECT_EQ(image.WriteDepth(QLatin1String(format)), c.others) << format << " " << c.resolution;
    }
    const std::pair<TLoadResolution, int> reads[] = {{lColorVga, 0}, {lMonoChrome, 1}, {lColor16, 4},
                                                     {lColor256, 8}, {lColorTrue, 24}, {lAutoMatic, display}};
    for (auto [resolution, depth] : reads) {
        image.ImageReadRes = resolution;
        EXPECT_EQ(image.ReadDepth(), depth) << resolution;
    }
}

TEST_F(MultiImage, ReadsWhatImageMagickWrites)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    const QString source = write(QStringLiteral("source.ppm"), pattern(24, 41, 29), codecs::Format::Pnm);
    struct Case {
        const char *name;
        int tolerance; // 0 where the format is lossless
    };
    const Case cases[] = {{"im.bmp", 0}, {"im.png", 0}, {"im.tif", 0}, {"im.pcx", 0}, {"im.tga", 0}, {"im.jpg", 40},
                          {"im.gif", 40}};
    TPMultiImage image;
    image.ImageReadRes = lColorTrue;
    for (const Case &c : cases) {
        const QString file = path(QLatin1String(c.name));
        ASSERT_TRUE(testimages::runConvert({source, file})) << c.name;
        image.setImageName(file);
        ASSERT_FALSE(image.Picture().isEmpty()) << c.name;
        EXPECT_EQ(image.InfoWidth(), 41) << c.name;
        EXPECT_EQ(image.InfoHeight(), 29) << c.name;
        const codecs::Image reference = testimages::readWithImageMagick(file, dir.path());
        EXPECT_LE(maxDifference(imageOf(image.Picture()), reference), c.tolerance) << c.name;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(MultiImage, WritesWhatImageMagickReads)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    TPMultiImage image;
    const codecs::Image colours = pattern(24, 33, 21);
    image.setPicture(bitmapOf(colours));
    image.ImageWriteRes = sColorTrue;
    struct Case {
        const char *name;
        void (TPMultiImage::*save)(const QString &);
        int tolerance;
    };
    const Case cases[] = {{"our.bmp", &TPMultiImage::SaveAsBMP, 0}, {"our.png", &TPMultiImage::SaveAsPNG, 0},
                          {"our.tif", &TPMultiImage::SaveAsTIF, 0}, {"our.pcx", &TPMultiImage::SaveAsPCX, 0},
                          {"our.gif", &TPMultiImage::SaveAsGIF, 40}};
    for (const Case &c : cases) {
        const QString file = path(QLatin1String(c.name));
        (image.*c.save)(file);
        EXPECT_EQ(image.DefSaveFilename, file);
        EXPECT_LE(maxDifference(testimages::readWithImageMagick(file, dir.path()), colours), c.tolerance) << c.name;
    }
    // a JPEG is lossy: ImageMagick must see what we read back
    image.SaveAsJPEG(path(QStringLiteral("our.jpg")));
    TPMultiImage reader;
    reader.ImageReadRes = lColorTrue;
    reader.setImageName(path(QStringLiteral("our.jpg")));
    EXPECT_LE(maxDifference(testimages::readWithImageMagick(path(QStringLiteral("our.jpg")), dir.path()),
                            imageOf(reader.Picture())),
              2);
    // EPS goes through Ghostscript; it must at least be a picture of the right size
    image.SaveAsEPS(path(QStringLiteral("our.eps")));
    image.setImageName(path(QStringLiteral("our.eps")));
    EXPECT_EQ(image.Picture().width(), 33);
    EXPECT_TRUE(messages.texts().isEmpty());
}

// A picture prints and saves at its size: its resolution goes into the file
// and comes back out of it.
TEST_F(MultiImage, TheResolutionGoesIntoTheFileAndComesBack)
{
    QImage picture(30, 20, QImage::Format_RGB888);
    picture.fill(Qt::darkGreen);
    picture.setDotsPerMeterX(7874); // 200 dpi
    picture.setDotsPerMeterY(3937); // 100 dpi
    TPMultiImage image;
    image.setPicture(picture);
    for (const char *name : {"dpi.bmp", "dpi.png", "dpi.tif"}) {
        const QString file = path(QLatin1String(name));
        if (QByteArray(name).endsWith("bmp"))
            image.SaveAsBMP(file);
        else if (QByteArray(name).endsWith("png"))
            image.SaveAsPNG(file);
        else
            image.SaveAsTIF(file);
        TPMultiImage reader;
        reader.setImageName(file);
        EXPECT_NEAR(reader.Picture().image().dotsPerMeterX(), 7874, 40) << name;
        EXPECT_NEAR(reader.Picture().image().dotsPerMeterY(), 3937, 40) << name;
    }
}

TEST_F(MultiImage, SaveWritesTheDefaultNameWhenGivenNone)
{
    TPMultiImage image;
    image.setPicture(bitmapOf(pattern(24, 400, 300)));
    image.DefSaveFilename = path(QStringLiteral("default.png"));
    Events events;
    events.attach(image, true);
    image.SaveAsPNG();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("default.png"))));
    EXPECT_EQ(events.finished, 1);
    ASSERT_GT(events.progress.size(), 2u);
    EXPECT_EQ(events.progress.front().first, 0);
    // the library's caption, as the handler gets it
    EXPECT_EQ(events.progress.back().second, QStringLiteral("writing ") + path(QStringLiteral("default.png")).toLower());
    EXPECT_GE(events.progress.back().first, 90);
}

TEST_F(MultiImage, JpegQualitySmoothingAndGrey)
{
    TPMultiImage image;
    const codecs::Image photo = pattern(24, 160, 120);
    image.setImageName(write(QStringLiteral("photo.png"), photo, codecs::Format::Png));
    image.setJPegSaveQuality(95);
    image.SaveAsJPEG(path(QStringLiteral("fine.jpg")));
    image.setJPegSaveQuality(0); // stored as 25
    image.SaveAsJPEG(path(QStringLiteral("coarse.jpg")));
    EXPECT_GT(QFileInfo(path(QStringLiteral("fine.jpg"))).size(), QFileInfo(path(QStringLiteral("coarse.jpg"))).size());

    image.ImageWriteRes = sJpegGray;
    image.SaveAsJPEG(path(QStringLiteral("grey.jpg")));
    TPMultiImage reader;
    EXPECT_TRUE(reader.ReadFileInfo(path(QStringLiteral("grey.jpg"))));
    EXPECT_EQ(reader.InfoBits(), 8); // grey, not thresholded to black and white
    EXPECT_TRUE(reader.ReadFileInfo(path(QStringLiteral("fine.jpg"))));
    EXPECT_EQ(reader.InfoBits(), 24);
}

TEST_F(MultiImage, GifNeverHasMoreThanEightBits)
{
    TPMultiImage image;
    image.setImageName(write(QStringLiteral("photo.png"), pattern(24, 40, 30), codecs::Format::Png));
    image.ImageWriteRes = sColorTrue;
    image.SaveAsGIF(path(QStringLiteral("a.gif")));
    ASSERT_TRUE(image.ReadFileInfo(path(QStringLiteral("a.gif"))));
    EXPECT_LE(image.InfoBits(), 8);
}

TEST_F(MultiImage, MissingFileEmptiesThePictureSilently)
{
    TPMultiImage image;
    image.setImageName(write(QStringLiteral("a.png"), pattern(24), codecs::Format::Png));
    ASSERT_FALSE(image.Picture().isEmpty());
    Events events;
    events.attach(image, true);
    image.setImageName(path(QStringLiteral("nothing.png")));
    EXPECT_TRUE(image.Picture().isEmpty());
    EXPECT_EQ(image.ImageName(), path(QStringLiteral("nothing.png")));
    EXPECT_EQ(events.finished, 0);
    EXPECT_TRUE(events.errors.empty());
    EXPECT_FALSE(image.Busy());
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(MultiImage, FailedLoadKeepsThePreviousPictureAndReports)
{
    const QString good = write(QStringLiteral("good.png"), pattern(24, 20, 10), codecs::Format::Png);
    QByteArray damaged = contents(write(QStringLiteral("bad.png"), pattern(24, 90, 90), codecs::Format::Png));
    damaged.truncate(damaged.size() / 2);
    QFile bad(path(QStringLiteral("bad.png")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
    bad.write(damaged);
    bad.close();

    // with a handler: the handler hears of it, the load ends normally
    TPMultiImage handled;
    Events events;
    events.attach(handled, true);
    handled.setImageName(good);
    handled.setImageName(path(QStringLiteral("bad.png")));
    EXPECT_EQ(handled.Picture().width(), 20);
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_LT(events.errors[0].first, 0);
    EXPECT_FALSE(events.errors[0].second.isEmpty());
    EXPECT_EQ(events.finished, 2);

    // without: ErrorInvalid reaches the caller once the load has ended
    TPMultiImage raising;
    int finished = 0;
    raising.OnFinishedLoadSave = [&](TPMultiImage *) { ++finished; };
    raising.setImageName(good);
    EXPECT_THROW(raising.setImageName(path(QStringLiteral("bad.png"))), ErrorInvalid);
    EXPECT_EQ(raising.Picture().width(), 20);
    EXPECT_EQ(finished, 2);
    EXPECT_FALSE(raising.Busy());

    // a file that is no picture at all fails in its description
    QFile text(path(QStringLiteral("notes.xyz")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(200, 'x'));
    text.close();
    EXPECT_THROW(raising.setImageName(path(QStringLiteral("notes.xyz"))), ErrorInvalid);
    EXPECT_EQ(raising.Picture().width(), 20);
    EXPECT_TRUE(messages.texts().isEmpty());
}

// The visible progress windows, and their texts.
QStringList visibleProgressWindows()
{
    QStringList labels;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *progress = qobject_cast<QProgressDialog *>(window); progress && progress->isVisible())
            labels << progress->labelText();
    return labels;
}

// The progress window of a load or a save lives as long as the work: it
// shows the file as it is named on disk while the work lasts, and nothing
// is left on screen after a good file, a damaged one or a save, not even
// once the event loop has run on.
TEST_F(MultiImage, TheProgressWindowGoesWithTheLoadOrSaveItShows)
{
    QWidget owner;
    auto *image = new TPMultiImage(&owner);
    image->ShowProgressWindow = true;
    const QString good = write(QStringLiteral("Grand Été.PNG"), pattern(24, 300, 300), codecs::Format::Png);
    QByteArray truncated = contents(good);
    truncated.chop(truncated.size() / 2);
    const QString damaged = path(QStringLiteral("Abîmé.PNG"));
    QFile damagedFile(damaged);
    ASSERT_TRUE(damagedFile.open(QIODevice::WriteOnly));
    damagedFile.write(truncated);
    damagedFile.close();

    QStringList shown;
    std::vector<QString> firstCaptions;
    bool started = false;
    image->OnProgress = [&](TPMultiImage *, int, const QString &caption, bool &) {
        if (!started) {
            started = true;
            firstCaptions.push_back(caption);
            QThread::msleep(600); // the work lasts: the window shows at its next report
        }
        shown << visibleProgressWindows();
    };
    const auto nothingLeft = [&] {
        started = false;
        multiimage::waitUntil([] { return false; }, 700);
        return visibleProgressWindows().isEmpty();
    };

    image->setImageName(good);
    EXPECT_EQ(image->Picture().width(), 300);
    EXPECT_TRUE(shown.contains(QStringLiteral("Reading ") + good)) << shown.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(nothingLeft());

    EXPECT_THROW(image->setImageName(damaged), ErrorInvalid);
    EXPECT_TRUE(nothingLeft());

    shown.clear();
    image->SaveAsPNG(path(QStringLiteral("Copie.PNG")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Writing ") + path(QStringLiteral("Copie.PNG"))));
    EXPECT_TRUE(nothingLeft());
    // each work's first report names its own file, never the one before
    EXPECT_EQ(firstCaptions, (std::vector<QString>{(QStringLiteral("Reading ") + good).toLower(),
                                                  (QStringLiteral("Reading ") + damaged).toLower(),
                                                  (QStringLiteral("Writing ") + path(QStringLiteral("Copie.PNG"))).toLower()}));
}

TEST_F(MultiImage, StoppingALoadFromTheProgressHandlerIsNoError)
{
    TPMultiImage image;
    image.setImageName(write(QStringLiteral("small.png"), pattern(24, 8, 8), codecs::Format::Png));
    const QString large = write(QStringLiteral("large.png"), pattern(24, 300, 300), codecs::Format::Png);
    image.OnProgress = [](TPMultiImage *, int percent, const QString &, bool &cancel) { cancel = percent >= 10; };
    EXPECT_NO_THROW(image.setImageName(large));
    EXPECT_EQ(image.Picture().width(), 8);
}

TEST_F(MultiImage, FailedWriteLeavesTheExistingFile)
{
    TPMultiImage image;
    image.setImageName(write(QStringLiteral("colour.png"), pattern(24, 30, 20), codecs::Format::Png));
    const QString target = write(QStringLiteral("old.tif"), pattern(8, 11, 7), codecs::Format::Tiff);
    const QByteArray before = contents(target);
    // fax compression holds single bits only: the library refuses a colour picture
    image.TifSaveCompress = sFAXCCITT4;
    image.ImageWriteRes = sColorTrue;
    Events events;
    events.attach(image, true);
    image.SaveAsTIF(target);
    EXPECT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.finished, 1);
    EXPECT_EQ(contents(target), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary left behind

    TPMultiImage raising;
    raising.setPicture(image.Picture());
    raising.TifSaveCompress = sFAXCCITT4;
    raising.ImageWriteRes = sColorTrue;
    EXPECT_THROW(raising.SaveAsTIF(target), ErrorInvalid);
    EXPECT_EQ(contents(target), before);

    TPMultiImage empty;
    EXPECT_THROW(empty.SaveAsPNG(path(QStringLiteral("empty.png"))), ErrorInvalid);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("empty.png"))));
}

// What the user sees when a save cannot be done: the file and the system's
// reason, the old file as it was, nothing left beside it.  A disk that fills
// during the write is a limit on the file's size; a pipe stands for any
// destination that is no regular file.
TEST_F(MultiImage, AFailedSaveNamesTheFileAndTheReason)
{
    TPMultiImage image;
    image.setPicture(bitmapOf(pattern(24, 300, 200)));
    image.ImageWriteRes = sColorTrue;
    struct Case {
        const char *extension;
        void (TPMultiImage::*save)(const QString &);
    };
    const Case cases[] = {{"bmp", &TPMultiImage::SaveAsBMP}, {"png", &TPMultiImage::SaveAsPNG},
                          {"tif", &TPMultiImage::SaveAsTIF}, {"pcx", &TPMultiImage::SaveAsPCX},
                          {"gif", &TPMultiImage::SaveAsGIF}, {"jpg", &TPMultiImage::SaveAsJPEG},
                          {"eps", &TPMultiImage::SaveAsEPS}};
    const auto failure = [&](const Case &c, const QString &file) -> QString {
        try {
            (image.*c.save)(file);
        } catch (const ErrorInvalid &error) {
            return error.message();
        }
        return {};
    };
    for (const Case &c : cases) {
        const QString full = path(QStringLiteral("full.") + QLatin1String(c.extension));
        {
            QFile old(full);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        {
            rlimit saved{};
            ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
            const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{4096, saved.rlim_max};
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
            const platform::ScopeExit restore([&] {
                setrlimit(RLIMIT_FSIZE, &saved);
                std::signal(SIGXFSZ, ignored);
            });
            const QString message = failure(c, full);
            EXPECT_TRUE(message.contains(full) && message.contains(QStringLiteral("le fichier est trop grand")))
                << c.extension << ": " << message.toStdString();
        }
        EXPECT_EQ(contents(full), "old") << c.extension;

        const QString pipe = path(QStringLiteral("pipe.") + QLatin1String(c.extension));
        ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString message = failure(c, pipe);
        EXPECT_TRUE(message.contains(pipe) && message.contains(QStringLiteral("ce n'est pas un fichier ordinaire")))
            << c.extension << ": " << message.toStdString();
        EXPECT_EQ(QFileInfo(pipe).isFile(), false) << c.extension;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 2) << c.extension;
        QFile::remove(full);
        QFile::remove(pipe);
    }
}

TEST_F(MultiImage, TiffPagesAndAppending)
{
    TPMultiImage image;
    image.ImageReadRes = lColorTrue;
    const QString file = path(QStringLiteral("pages.tif"));
    // three pages of widths 10, 20, 30, written by appending
    image.TiffAppend = true;
    for (int width : {10, 20, 30}) {
        image.setPicture(QImage(width, 5, QImage::Format_RGB32));
        image.SaveAsTIF(file);
    }
    image.TiffAppend = false;
    const std::pair<int, int> pages[] = {{0, 10}, {1, 10}, {2, 20}, {3, 30}, {5, 30}};
    for (auto [page, width] : pages) {
        image.setTiffPage(page);
        image.setImageName(file);
        EXPECT_EQ(image.InfoPages(), 3) << page;
        EXPECT_EQ(image.Picture().width(), width) << "page " << page;
        EXPECT_EQ(image.InfoWidth(), width) << "page " << page;
        EXPECT_EQ(image.InfoFormat(), QStringLiteral("TIF"));
    }
    // without appending the file is replaced
    image.setPicture(QImage(7, 5, QImage::Format_RGB32));
    image.TifSaveCompress = sLZW;
    image.SaveAsTIF(file);
    image.setTiffPage(1);
    ASSERT_TRUE(image.ReadFileInfo(file));
    EXPECT_EQ(image.InfoPages(), 1);
    EXPECT_EQ(image.InfoCompression(), QStringLiteral("LZW"));
}

TEST_F(MultiImage, SingleBitPicturesStayMonochrome)
{
    TPMultiImage image;
    image.ImageReadRes = lColorTrue;
    for (auto [name, format] : {std::pair{"one.tif", codecs::Format::Tiff}, std::pair{"one.bmp", codecs::Format::Bmp}}) {
        image.setImageName(write(QLatin1String(name), pattern(1, 30, 10), format));
        EXPECT_EQ(image.Picture().bitCount(), 1) << name;
        EXPECT_EQ(maxDifference(imageOf(image.Picture()), pattern(1, 30, 10)), 0) << name;
    }
    // four colours in two bits are no single bit: they keep their colours
    if (!testimages::haveImageMagick())
        return;
    const QString four = path(QStringLiteral("four.png"));
    ASSERT_TRUE(testimages::runConvert({QStringLiteral("-size"), QStringLiteral("8x2"), QStringLiteral("xc:red"),
                                        QStringLiteral("-fill"), QStringLiteral("blue"), QStringLiteral("-draw"),
                                        QStringLiteral("point 1,1"), QStringLiteral("-define"),
                                        QStringLiteral("png:bit-depth=2"), QStringLiteral("-define"),
                                        QStringLiteral("png:color-type=3"), four}));
    image.setImageName(four);
    ASSERT_EQ(image.InfoBits(), 2);
    EXPECT_EQ(image.Picture().image().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(image.Picture().image().pixelColor(1, 1), QColor(Qt::blue));
}

TEST_F(MultiImage, UnlistedExtensionTakesTheFormatOfItsContent)
{
    TPMultiImage image;
    const QString file = write(QStringLiteral("picture.dat"), pattern(24, 12, 9), codecs::Format::Png);
    image.setImageName(file);
    EXPECT_EQ(image.InfoFormat(), QStringLiteral("PNG"));
    EXPECT_EQ(image.Picture().width(), 12);
}

TEST_F(MultiImage, FileInformationOfTheSpecialExtensions)
{
    TPMultiImage image;
    for (const char *extension : {"WMF", "ICO", "SCM", "CMS"}) {
        EXPECT_FALSE(image.ReadFileInfo(path(QStringLiteral("missing.") + QLatin1String(extension))));
        EXPECT_EQ(image.InfoFormat(), QStringLiteral("ERR"));
        EXPECT_EQ(image.InfoCompression(), QStringLiteral("ERR"));
        EXPECT_EQ(image.InfoWidth(), -1);
        EXPECT_EQ(image.InfoHeight(), -1);
        EXPECT_EQ(image.InfoBits(), -1);
        EXPECT_EQ(image.InfoPages(), -1);
    }
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    ASSERT_TRUE(icon.save(path(QStringLiteral("a.ico"))));
    int finished = 0;
    image.OnFinishedLoadSave = [&](TPMultiImage *) { ++finished; };
    image.setImageName(path(QStringLiteral("a.ico")));
    EXPECT_EQ(finished, 0); // icons are the toolkit's pictures
    EXPECT_TRUE(image.isGraphic());
    EXPECT_EQ(image.InfoFormat(), QStringLiteral("ICO"));
    EXPECT_EQ(image.InfoCompression(), QStringLiteral("ICO"));
    EXPECT_EQ(image.InfoWidth(), 16);
    EXPECT_EQ(image.InfoBits(), 0);

    // a program picture by its resource name
    resources::initialise();
    image.setImageName(QStringLiteral("SAMPLE.RES"));
    EXPECT_EQ(image.InfoFormat(), QStringLiteral("RES"));
    EXPECT_EQ(image.InfoCompression(), QStringLiteral("BMP"));
    EXPECT_GT(image.InfoWidth(), 0);
    EXPECT_EQ(image.InfoWidth(), image.Picture().width());
    EXPECT_GT(image.Info().DibSize, 40);
    EXPECT_THROW(image.setImageName(QStringLiteral("NOSUCH.RES")), ErrorInvalid);
}

TEST_F(MultiImage, PreviewReadsJpegAtAReducedScale)
{
    TPMultiImage image;
    const QString file = write(QStringLiteral("big.jpg"), pattern(24, 1600, 1200), codecs::Format::Jpeg);
    image.ReduceToFit = QSize(122, 116);
    image.setImageName(file);
    // 1/8 still covers the box: 200 x 150
    EXPECT_EQ(image.Picture().width(), 200);
    EXPECT_EQ(image.Picture().height(), 150);
    EXPECT_EQ(image.InfoWidth(), 1600);
    image.ReduceToFit = QSize(500, 500);
    image.setImageName(file);
    EXPECT_EQ(image.Picture().width(), 800);
    image.ReduceToFit = QSize();
    image.setImageName(file);
    EXPECT_EQ(image.Picture().width(), 1600);
}

TEST_F(MultiImage, CorrectionsChangeThePicture)
{
    TPMultiImage image;
    QImage grey(4, 2, QImage::Format_RGB32);
    grey.fill(QColor(10, 200, 30));
    image.setPicture(grey);
    int changes = 0;
    image.OnPictureChanged = [&](TPMultiImage *) { ++changes; };
    image.InvertImage();
    EXPECT_EQ(image.Picture().image().pixelColor(1, 1), QColor(245, 55, 225));
    image.GrayAreaImage(0, 0, 0, 0);
    const QColor pixel = image.Picture().image().pixelColor(0, 0);
    EXPECT_EQ(pixel.red(), pixel.green());
    EXPECT_EQ(pixel.green(), pixel.blue());
    image.AutoContrastArea(0, 0, 0, 0);
    EXPECT_EQ(changes, 3);

    TPMultiImage empty;
    try {
        empty.InvertImage();
        FAIL() << "no error";
    } catch (const EImagingError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Input image is empty"));
    }
}

namespace {

// Stands in for the effects dialog: records what it was given and answers as told.
class StandInEffects : public TEffectsDialogPort {
public:
    struct Record {
        int bits = 0;
        TEffectsTransition transition;
        QWidget *owner = nullptr;
    };
    StandInEffects(QWidget &owner, Record &record, bool accept) : dialog_(&owner), record_(record), accept_(accept)
    {
        record_.owner = &owner;
    }
    QDialog &window() override { return dialog_; }
    void prepare(const QCursor &, const TEffectsTransition &transition, GlobalBlock working) override
    {
        record_.transition = transition;
        working_ = std::move(working);
        record_.bits = working_ ? GlobalLockGuard(working_.get()).as<BITMAPINFOHEADER>()->biBitCount : 0;
        // the effect: the picture inverted
        if (accept_ && working_) {
            HGLOBAL handle = working_.get();
            ILInvert(handle);
        }
        dialog_.setResult(accept_ ? QDialog::Accepted : QDialog::Rejected);
    }
    TEffectsTransition transition() const override { return {FXVertical, 40, 7}; }
    HGLOBAL workingDib() const override { return working_.get(); }

private:
    QDialog dialog_;
    Record &record_;
    bool accept_;
    GlobalBlock working_;
};

} // namespace

TEST_F(MultiImage, ShowEffectsRunsTheRegisteredDialog)
{
    TPMultiImage image;
    QImage picture(3, 3, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 0));
    image.setPicture(picture);
    image.ImageReadRes = lColor256;
    image.FXDelay = 11;
    StandInEffects::Record record;
    bool accept = false;
    SetEffectsDialogFactory([&](QWidget &owner) { return std::make_unique<StandInEffects>(owner, record, accept); });
    platform::ScopedModalRunner runner([](QDialog &dialog) { return dialog.result(); });

    image.ShowEffects();
    EXPECT_EQ(record.owner, &image);
    EXPECT_EQ(record.bits, 8);
    EXPECT_EQ(record.transition.Delay, 11);
    EXPECT_EQ(record.transition.Method, FXNone);
    EXPECT_EQ(image.Picture().image().pixelColor(0, 0), QColor(0, 0, 0)); // cancelled: nothing taken
    EXPECT_EQ(image.FXDelay, 11);

    accept = true;
    image.ShowEffects();
    EXPECT_EQ(image.Picture().image().pixelColor(0, 0), QColor(255, 255, 255));
    EXPECT_EQ(image.FXMethod, FXVertical);
    EXPECT_EQ(image.FXDelay, 40);
    EXPECT_EQ(image.FXColRowThick, 7);

    // a monochrome picture works at one bit
    image.setPicture(QImage(8, 8, QImage::Format_Mono));
    image.ShowEffects();
    EXPECT_EQ(record.bits, 1);

    SetEffectsDialogFactory({});
    EXPECT_THROW(image.ShowEffects(), EImagingError);
}

TEST_F(MultiImage, ClipboardKeysCopyCutAndPaste)
{
    TPMultiImage source, target;
    QImage picture(5, 4, QImage::Format_RGB32);
    picture.fill(QColor(10, 20, 30));
    source.setPicture(picture);
    auto key = [](TPMultiImage &image, int code, Qt::KeyboardModifiers modifiers) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers);
        QApplication::sendEvent(&image, &press);
    };
    key(source, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(ClipboardHoldsPicture());
    key(target, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(target.Picture().width(), 5);
    EXPECT_EQ(target.Picture().image().pixelColor(2, 2), QColor(10, 20, 30));
    EXPECT_EQ(target.Picture().bitCount(), target.ReadDepth());

    key(target, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(target.Picture().isEmpty());
    QApplication::clipboard()->clear();
    target.PasteFromClipboard();
    EXPECT_TRUE(target.Picture().isEmpty());
}
