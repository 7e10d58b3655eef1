// The corrections column of the main window on known pictures, with the real
// imaging library behind Tampon and the pixel library's filter dialogs
// answered through the modal hook.
#include "Main.h"
#include "MessageBox.h"
#include "Modal.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "TestPrinter.h"

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

struct Corrections : testing::Test {
    platform::MessageRecorder messages;
    platform::ScopedMessageService service{&messages};
    std::unique_ptr<TForm1> form;

    Corrections()
    {
        useTestPrinter();
        form = std::make_unique<TForm1>();
        form->FormShow();
        form->Image->setPicture(fixture());
        form->PlaceArrivedPicture();
    }

    QColor at(int x, int y) const { return form->Image->picture().pixelColor(x, y); }

    // Chooses an entry of the basic filters' list; the dialog is answered by `answer`.
    void chooseFilter(int entry, const std::function<int(QDialog &)> &answer)
    {
        platform::ScopedModalRunner runner(answer);
        form->ComboBox1->setCurrentIndex(entry);
        form->ComboBox1Click(entry);
    }
};

} // namespace

TEST_F(Corrections, GreyLevelsInversionAndContrastWithUndo)
{
    form->SpeedButton3->click();
    EXPECT_EQ(at(0, 0), QColor(55, 255, 255));
    EXPECT_EQ(at(39, 5), QColor(125, 125, 125));
    EXPECT_FALSE(form->UndoBtn->isHidden());
    form->SpeedButton3->click(); // twice gives the picture back
    EXPECT_EQ(form->Image->picture().convertToFormat(QImage::Format_RGB888), fixture());

    form->SpeedButton1->click();
    const QColor grey = at(0, 0);
    EXPECT_EQ(grey.red(), grey.green());
    EXPECT_EQ(grey.green(), grey.blue());
    form->UndoBtn->click();
    EXPECT_EQ(at(0, 0), QColor(200, 0, 0));

    // The band 100..130 is stretched over the whole range.
    form->SpeedButton2->click();
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
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0); // back on its title
    form->UndoBtn->click();
    EXPECT_EQ(at(15, 5), QColor(110, 110, 110));

    // A cancelled dialog leaves the picture, with the snapshot taken all the same.
    form->UndoBtn->hide();
    chooseFilter(7, [](QDialog &) { return int(QDialog::Rejected); });
    EXPECT_EQ(form->Image->picture().convertToFormat(QImage::Format_RGB888), fixture());
    EXPECT_FALSE(form->UndoBtn->isHidden());

    // Smoothing blurs the edge between two bands and leaves their insides.
    chooseFilter(9, [](QDialog &) { return int(QDialog::Accepted); });
    EXPECT_EQ(at(15, 10), QColor(110, 110, 110));
    EXPECT_GT(at(19, 10).red(), 110);
    EXPECT_LT(at(19, 10).red(), 120);
}

TEST_F(Corrections, TheTilesFollowEveryChange)
{
    form->Dupliquer->click();
    ASSERT_TRUE(form->Dupliquer->isChecked());
    const QPoint tile(form->X0() + 2 + 15, form->Y0() + 2 + 5);
    EXPECT_EQ(form->Page->picture().pixelColor(tile), QColor(110, 110, 110));
    form->SpeedButton3->click();
    EXPECT_TRUE(form->Dupliquer->isChecked());
    EXPECT_EQ(form->Page->picture().pixelColor(tile), QColor(145, 145, 145));
    form->UndoBtn->click();
    EXPECT_EQ(form->Page->picture().pixelColor(tile), QColor(110, 110, 110));
}

TEST_F(Corrections, ThePosterSketchFollowsEveryChange)
{
    form->Poster->click();
    const QString sheets = form->Label3->text();
    const QImage before = form->Page->picture();
    chooseFilter(6, [](QDialog &dialog) { // LCG: brighter
        dialog.findChild<QSlider *>(QStringLiteral("TrackBar1"))->setValue(50);
        return int(QDialog::Accepted);
    });
    EXPECT_NE(form->Page->picture(), before);
    EXPECT_EQ(form->Label3->text(), sheets);
}

TEST_F(Corrections, TheEffectsCommandKeepsThePictureWhenTheDialogIsMissing)
{
    form->FXBtn->click();
    EXPECT_EQ(form->Image->picture().convertToFormat(QImage::Format_RGB888), fixture());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_FALSE(form->UndoBtn->isHidden());
}
