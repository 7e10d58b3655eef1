// The open-image dialog and the JPEG options, driven as the main window
// drives them: modally through the platform hook, answered by a test.
#include "DllSP96.h"
#include "MessageBox.h"
#include "Modal.h"
#include "Sopend.h"
#include "TMultiP.h"
#include "TPicture.h"
#include "TShellFileList.h"
#include "TShellFolderTree.h"
#include "sjpeg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

template <typename Done> bool waitUntil(Done done, int milliseconds = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QString picture(const QTemporaryDir &dir, const char *name, QSize size, const char *format = nullptr)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString file = dir.filePath(QLatin1String(name));
    EXPECT_TRUE(image.save(file, format));
    return file;
}

struct OpenDialog : testing::Test {
    QTemporaryDir dir;
    platform::MessageRecorder messages;
    platform::ScopedMessageService scope{&messages};
    bool preview = true;
    TOpenDial dialog;

    OpenDialog()
    {
        imaging::CRDE2000().setDllName(QStringLiteral("CRDE2000.DLL"));
        dialog.setOwner({[this] { return preview; }, [this](bool on) { preview = on; }});
    }
    ~OpenDialog() override { imaging::ReleaseImagingLibraries(); }

    // Shows the dialog on the folder and lets `user` act in it; the result and whether it closed.
    int run(const std::function<void()> &user)
    {
        dialog.tv->setSelection(dir.path());
        platform::ScopedModalRunner runner([&](QDialog &shown) {
            shown.show();
            user();
            return shown.isVisible() ? -1 : shown.result();
        });
        return platform::execModal(dialog);
    }
    void select(const QString &file)
    {
        ASSERT_TRUE(waitUntil([&] { return dialog.lv->selectFile(file); })) << file.toStdString();
    }
};

} // namespace

TEST(OpenDialogLayout, PreviewBoundsInThePanel)
{
    const std::tuple<QSize, QRect, bool> cases[] = {
        {{100, 50}, {26, 47, 100, 50}, false}, // fits: at its size, centred
        {{1000, 500}, {15, 42, 122, 61}, true},
        {{300, 900}, {57, 14, 39, 116}, true},
        {{122, 116}, {15, 14, 122, 116}, false},
    };
    for (auto [picture, bounds, stretched] : cases) {
        bool stretch = !stretched;
        EXPECT_EQ(TOpenDial::PreviewBounds({153, 145}, picture, stretch), bounds) << picture.width() << "x" << picture.height();
        EXPECT_EQ(stretch, stretched);
    }
}

TEST_F(OpenDialog, FormAsTheUserSeesIt)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Choix d'une image"));
    EXPECT_EQ(dialog.size(), QSize(594, 265));
    EXPECT_EQ(dialog.lv->Mask(), QStringLiteral("*.bmp;*.pcx;*.tif;*.gif;*.jpg;*.png;*.pcd;*.cms;*.scm;*.dxf;*.tga;*.eps"));
    EXPECT_EQ(dialog.apercu->text(), QStringLiteral("Aperçu"));
    EXPECT_TRUE(dialog.apercu->isChecked());
    EXPECT_TRUE(dialog.Image->Stretch());
    EXPECT_TRUE(dialog.Image->ImageDither);
    EXPECT_EQ(dialog.Image->JPegSaveSmooth(), 5);
    EXPECT_EQ(dialog.Image->TiffPage(), 1);
    EXPECT_TRUE(dialog.ChosenFile.isEmpty());
    EXPECT_EQ(dialog.OKBtn->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.CancelBtn->text(), QStringLiteral("Annuler"));
}

TEST_F(OpenDialog, ChoosingAFileShowsItsPreviewAndOkGivesIt)
{
    const QString wide = picture(dir, "wide.png", {1000, 500});
    const QString small = picture(dir, "small.bmp", {100, 50});
    const int result = run([&] {
        select(wide);
        EXPECT_EQ(dialog.ChosenFile, wide);
        EXPECT_TRUE(dialog.Image->isVisible());
        EXPECT_EQ(dialog.Image->geometry(), QRect(15, 42, 122, 61));
        EXPECT_TRUE(dialog.Image->Stretch());
        EXPECT_EQ(dialog.Image->grab().toImage().pixelColor(60, 30), QColor(Qt::darkCyan));
        select(small);
        EXPECT_EQ(dialog.Image->geometry(), QRect(26, 47, 100, 50));
        EXPECT_FALSE(dialog.Image->Stretch());
        dialog.OKBtn->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(dialog.Accepted);
    EXPECT_EQ(dialog.ChosenFile, small);
    EXPECT_EQ(dialog.tv->Selection(), dir.path());
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(OpenDialog, CancelGivesNothingAndOkNeedsAFile)
{
    picture(dir, "a.png", {10, 10});
    EXPECT_EQ(run([&] {
                  dialog.OKBtn->click(); // nothing selected: the dialog stays
                  EXPECT_TRUE(dialog.isVisible());
                  dialog.CancelBtn->click();
              }),
              QDialog::Rejected);
    EXPECT_FALSE(dialog.Accepted);
    // closing the window is no acceptance either, even after a refused OK
    EXPECT_EQ(run([&] {
                  dialog.OKBtn->click();
                  dialog.close();
              }),
              QDialog::Rejected);
    EXPECT_FALSE(dialog.Accepted);
}

TEST_F(OpenDialog, DoubleClickAccepts)
{
    const QString file = picture(dir, "a.png", {10, 10});
    EXPECT_EQ(run([&] {
                  select(file);
                  emit dialog.lv->fileActivated(file);
              }),
              QDialog::Accepted);
    EXPECT_TRUE(dialog.Accepted);
    EXPECT_EQ(dialog.ChosenFile, file);
}

TEST_F(OpenDialog, PreviewOptionIsSharedWithTheOwner)
{
    const QString file = picture(dir, "a.png", {10, 10});
    run([&] {
        select(file);
        EXPECT_TRUE(dialog.Image->isVisible());
        dialog.apercu->click(); // off
        EXPECT_FALSE(dialog.Image->isVisible());
        EXPECT_FALSE(dialog.Image1->isVisible());
        dialog.CancelBtn->click();
    });
    EXPECT_FALSE(preview);
    TOpenDial next;
    next.setOwner({[this] { return preview; }, [this](bool on) { preview = on; }});
    EXPECT_FALSE(next.apercu->isChecked());
    EXPECT_FALSE(next.Image->isVisibleTo(&next));
}

TEST_F(OpenDialog, DamagedFilesAreNotedInThePanelWithoutMessages)
{
    const QString good = picture(dir, "good.png", {40, 40});
    const QString bad = dir.filePath(QStringLiteral("bad.jpg"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(500, '\x11'));
    file.close();
    run([&] {
        select(bad);
        EXPECT_TRUE(dialog.PreviewNote->isVisible());
        EXPECT_TRUE(dialog.PreviewNote->text().startsWith(QStringLiteral("Aperçu impossible")));
        EXPECT_FALSE(dialog.Image->isVisible());
        select(good);
        EXPECT_FALSE(dialog.PreviewNote->isVisible());
        EXPECT_TRUE(dialog.Image->isVisible());
        dialog.CancelBtn->click();
    });
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(OpenDialog, IconsPreviewInTheToolkitImage)
{
    const QString icon = picture(dir, "a.ico", {32, 32}, "ICO");
    dialog.lv->setMask(dialog.lv->Mask() + QStringLiteral(";*.ico"));
    run([&] {
        select(icon);
        EXPECT_TRUE(dialog.Image1->isVisible());
        EXPECT_FALSE(dialog.Image->isVisible());
        EXPECT_EQ(dialog.Image1->geometry(), QRect(60, 56, 32, 32));
        dialog.CancelBtn->click();
    });
}

TEST(JpegOptions, BarsAfterOkAndAfterCancel)
{
    TJPEG dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options d'enregistrement JPEG"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Qualité"));
    EXPECT_EQ(dialog.Label2->text(), QStringLiteral("Adoucissement"));
    EXPECT_EQ(dialog.Label3->text(), QStringLiteral("80"));
    EXPECT_EQ(dialog.Label4->text(), QStringLiteral("10"));
    auto answer = [&](int quality, int smoothing, QPushButton *button) {
        platform::ScopedModalRunner runner([&](QDialog &shown) {
            dialog.ScrollBar1->setValue(quality);
            dialog.ScrollBar2->setValue(smoothing);
            button->click();
            return shown.result();
        });
        return platform::execModal(dialog);
    };
    EXPECT_EQ(answer(100, 0, dialog.OKBtn), QDialog::Accepted);
    EXPECT_EQ(dialog.ScrollBar1->value(), 100);
    EXPECT_EQ(dialog.ScrollBar2->value(), 0);
    EXPECT_EQ(dialog.Label3->text(), QStringLiteral("100"));
    EXPECT_EQ(dialog.Label4->text(), QStringLiteral("0"));
    EXPECT_EQ(answer(30, 60, dialog.CancelBtn), QDialog::Rejected);
    EXPECT_EQ(dialog.ScrollBar1->value(), 100);
    EXPECT_EQ(dialog.ScrollBar2->value(), 0);
    EXPECT_EQ(dialog.Label3->text(), QStringLiteral("100"));
}
