// Image files and their page files through the main window: opening with the
// layout a page file kept, saving in each format and opening again, and the
// JPEG options deciding whether anything is written.
#include "MessageBox.h"
#include "Modal.h"
#include "Sopend.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "WindowFixture.h"
#include "sjpeg.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage gradient()
{
    QImage picture(60, 40, QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, QColor(4 * x, 6 * y, 128));
    return picture;
}

struct Files : WindowTest {
    QTemporaryDir folder;

    Files() { arrive(gradient()); }

    QString path(const QString &name) const { return folder.filePath(name); }

    // Opens a file as a user choosing it in the open dialog.
    void open(const QString &file)
    {
        platform::ScopedModalRunner choose([&](QDialog &dialog) {
            auto &openDialog = static_cast<TOpenDial &>(dialog);
            openDialog.ChosenFile = file;
            openDialog.Accepted = true;
            return int(QDialog::Accepted);
        });
        form->Ouvrir1Click();
    }
};

} // namespace

TEST_F(Files, ThePageFileRestoresTheLayout)
{
    ui<TMMBitmapCheckBox>("conserver")->setChecked(false);
    ui<QComboBox>("ComboFormats")->setCurrentIndex(9);
    ui<TMMBitmapCheckBox>("PaysBtn")->setChecked(true);
    image()->setGeometry(30, 50, 120, 70);
    form->SaveImageAs(path(QStringLiteral("page.png")));
    ASSERT_TRUE(QFile::exists(path(QStringLiteral("page.qpx"))));

    WindowTest::open();
    open(path(QStringLiteral("page.png")));
    EXPECT_EQ(image()->geometry(), QRect(30, 50, 120, 70));
    EXPECT_EQ(ui<QComboBox>("ComboFormats")->currentIndex(), 9);
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("PaysBtn")->isChecked());
    EXPECT_FALSE(ui<TMMBitmapCheckBox>("conserver")->isChecked());
    EXPECT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Portrait); // not turned
    EXPECT_EQ(image()->picture().convertToFormat(QImage::Format_RGB888), gradient());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillon 2002 : fichier page.png"));
}

TEST_F(Files, AMalformedOrStrayPageFileFallsBackAndIsBroughtOntoTheSheet)
{
    form->SaveImageAs(path(QStringLiteral("stray.bmp")));
    QFile page(path(QStringLiteral("stray.qpx")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
    page.write("[Réglages]\nFormat=42\n[Image]\nConserver=oui\nLeft=900\nTop=-30\nWidth=2\n");
    page.close();
    open(path(QStringLiteral("stray.bmp")));
    EXPECT_EQ(ui<QComboBox>("ComboFormats")->currentIndex(), 0);
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("conserver")->isChecked());
    // Width below the handles' smallest, height missing (the picture's), left off the sheet.
    EXPECT_EQ(image()->geometry(), QRect(293 - 8, 0, 8, 40));
}

TEST_F(Files, EachFormatSavedOpensAgain)
{
    struct Case {
        const char *name;
        bool lossless;
    };
    for (const Case &c : {Case{"a.bmp", true}, Case{"a.pcx", true}, Case{"a.tif", true}, Case{"a.png", true},
                          Case{"a.gif", false}, Case{"a.eps", true}, Case{"A.TGA", true}}) {
        const QString file = path(QString::fromLatin1(c.name));
        image()->setPicture(gradient());
        form->SaveImageAs(file);
        ASSERT_TRUE(QFile::exists(file)) << c.name;
        image()->setPicture(QImage(10, 10, QImage::Format_RGB888));
        open(file);
        const QImage reopened = image()->picture().convertToFormat(QImage::Format_RGB888);
        EXPECT_EQ(reopened.size(), gradient().size()) << c.name;
        if (c.lossless) {
            EXPECT_EQ(reopened, gradient()) << c.name;
        }
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Files, TheJpegOptionsDecideWhatIsWritten)
{
    {
        platform::ScopedModalRunner cancel([](QDialog &) { return int(QDialog::Rejected); });
        form->SaveImageAs(path(QStringLiteral("no.jpg")));
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("no.jpg"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("no.qpx"))));
    {
        platform::ScopedModalRunner best([](QDialog &dialog) {
            auto &options = static_cast<TJPEG &>(dialog);
            options.ScrollBar1->setValue(100);
            options.ScrollBar2->setValue(0);
            options.accept();
            return int(QDialog::Accepted);
        });
        form->SaveImageAs(path(QStringLiteral("yes.JPG")));
    }
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("yes.JPG"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("yes.qpx"))));
    // ".JPEG" is cut to ".JPE": no picture, but the page file all the same.
    form->SaveImageAs(path(QStringLiteral("long.jpeg")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("long.jpeg"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("long.qpx"))));
}

TEST_F(Files, AFileThatCannotBeReadKeepsThePicture)
{
    QFile broken(path(QStringLiteral("broken.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArrayLiteral("\x89PNG\r\n\x1a\n garbage that is no picture at all"));
    broken.close();
    const QRect bounds = image()->geometry();
    item("Ouvrir1")->setEnabled(true);
    {
        platform::ScopedModalRunner choose([&](QDialog &dialog) {
            auto &openDialog = static_cast<TOpenDial &>(dialog);
            openDialog.ChosenFile = broken.fileName();
            openDialog.Accepted = true;
            return int(QDialog::Accepted);
        });
        item("Ouvrir1")->trigger();
    }
    EXPECT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(image()->picture().convertToFormat(QImage::Format_RGB888), gradient());
    EXPECT_EQ(image()->geometry(), bounds);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillon 2002"));
}

// On a new account the stored folder names a drive of another system: the
// save dialog starts in the user's own folders, with an empty name.
TEST_F(Files, SaveAsOnANewAccountStartsAtHome)
{
    setState("ImageFolder", QStringLiteral("c:\\"));
    QString folder, name = QStringLiteral("unset");
    {
        platform::ScopedModalRunner look([&](QDialog &dialog) {
            auto &save = static_cast<QFileDialog &>(dialog);
            folder = save.directory().absolutePath();
            name = save.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            return int(QDialog::Rejected);
        });
        item("Enregistrersous1")->trigger();
    }
    EXPECT_TRUE(folder.startsWith(QDir::homePath())) << folder.toStdString();
    EXPECT_TRUE(name.isEmpty()) << name.toStdString();
}
