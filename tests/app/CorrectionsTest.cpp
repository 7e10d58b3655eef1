// The corrections column of the main window on known pictures, with the real
// imaging library behind Tampon and the pixel library's filter dialogs
// answered through the modal hook.
#include "MessageBox.h"
#include "Modal.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

// Four grey levels in a narrow band, and one red pixel.
QImage fixture()
{
    QImage picture(40, 20, QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int level = 100 + 10 * (x / 10);
            picture.setPixelColor(x, y, QColor(level, level, level));
        }
    picture.setPixelColor(0, 0, QColor(200, 0, 0));
    return picture;
}

struct Corrections : WindowTest {
    Corrections() { arrive(fixture()); }

    QColor at(int x, int y) const { return image()->picture().pixelColor(x, y); }

    // Chooses an entry of the basic filters' list; the dialog is answered by `answer`.
    void chooseFilter(int entry, const std::function<int(QDialog &)> &answer)
    {
        platform::ScopedModalRunner runner(answer);
        ui<QComboBox>("ComboBox1")->setCurrentIndex(entry);
        form->ComboBox1Click(entry);
    }
};

} // namespace

TEST_F(Corrections, GreyLevelsInversionAndContrastWithUndo)
{
    ui<TMMBitmapButton>("SpeedButton3")->click();
    EXPECT_EQ(at(0, 0), QColor(55, 255, 255));
    EXPECT_EQ(at(39, 5), QColor(125, 125, 125));
    EXPECT_FALSE(ui<TMMBitmapButton>("UndoBtn")->isHidden());
    ui<TMMBitmapButton>("SpeedButton3")->click(); // twice gives the picture back
    EXPECT_EQ(image()->picture().convertToFormat(QImage::Format_RGB888), fixture());

    ui<TMMBitmapButton>("SpeedButton1")->click();
    const QColor grey = at(0, 0);
    EXPECT_EQ(grey.red(), grey.green());
    EXPECT_EQ(grey.green(), grey.blue());
    ui<TMMBitmapButton>("UndoBtn")->click();
    EXPECT_EQ(at(0, 0), QColor(200, 0, 0));

    // The band 100..130 is stretched over the whole range.
    ui<TMMBitmapButton>("SpeedButton2")->click();
    EXPECT_LT(at(15, 5).red(), 100);
    EXPECT_GT(at(35, 5).red(), 130);
    EXPECT_LT(qGray(at(5, 5).rgb()), qGray(at(35, 5).rgb()));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Corrections, BasicFilterThroughItsDialog)
{
    chooseFilter(1, [](QDialog &dialog) { // RVB: red all the way down
        dialog.findChild<QSlider *>(QStringLiteral("TrackBar1"))->setValue(-100);
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(at(0, 0), QColor(0, 0, 0));
    EXPECT_EQ(at(15, 5), QColor(0, 110, 110));
    EXPECT_EQ(ui<QComboBox>("ComboBox1")->currentIndex(), 1); // the list keeps the chosen entry
    ui<TMMBitmapButton>("UndoBtn")->click();
    EXPECT_EQ(at(15, 5), QColor(110, 110, 110));

    // A cancelled dialog leaves the picture, with the snapshot taken all the same.
    ui<TMMBitmapButton>("UndoBtn")->hide();
    chooseFilter(7, [](QDialog &) { return int(QDialog::Rejected); });
    EXPECT_EQ(image()->picture().convertToFormat(QImage::Format_RGB888), fixture());
    EXPECT_FALSE(ui<TMMBitmapButton>("UndoBtn")->isHidden());

    // Smoothing blurs the edge between two bands and leaves their insides.
    chooseFilter(9, [](QDialog &) { return int(QDialog::Accepted); });
    EXPECT_EQ(at(15, 10), QColor(110, 110, 110));
    EXPECT_GT(at(19, 10).red(), 110);
    EXPECT_LT(at(19, 10).red(), 120);
}

TEST_F(Corrections, TheTilesFollowEveryChange)
{
    ui<TMMBitmapCheckBox>("Dupliquer")->click();
    ASSERT_TRUE(ui<TMMBitmapCheckBox>("Dupliquer")->isChecked());
    const QPoint tile(form->X0() + 2 + 15, form->Y0() + 2 + 5);
    EXPECT_EQ(page()->picture().pixelColor(tile), QColor(110, 110, 110));
    ui<TMMBitmapButton>("SpeedButton3")->click();
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("Dupliquer")->isChecked());
    EXPECT_EQ(page()->picture().pixelColor(tile), QColor(145, 145, 145));
    ui<TMMBitmapButton>("UndoBtn")->click();
    EXPECT_EQ(page()->picture().pixelColor(tile), QColor(110, 110, 110));
}

TEST_F(Corrections, ThePosterSketchFollowsEveryChange)
{
    ui<TMMBitmapCheckBox>("Poster")->click();
    const QString sheets = ui<QLabel>("Label3")->text();
    const QImage before = page()->picture();
    chooseFilter(6, [](QDialog &dialog) { // LCG: brighter
        dialog.findChild<QSlider *>(QStringLiteral("TrackBar1"))->setValue(50);
        return int(QDialog::Accepted);
    });
    EXPECT_NE(page()->picture(), before);
    EXPECT_EQ(ui<QLabel>("Label3")->text(), sheets);
}

TEST_F(Corrections, TheEffectsDialogCancelledKeepsThePicture)
{
    int shown = 0;
    {
        platform::ScopedModalRunner cancel([&](QDialog &) {
            ++shown;
            return int(QDialog::Rejected);
        });
        ui<TMMBitmapButton>("FXBtn")->click();
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(image()->picture().convertToFormat(QImage::Format_RGB888), fixture());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(ui<TMMBitmapButton>("UndoBtn")->isHidden());
}
