// Every text of the main window and of the windows it makes fits its
// control, in the control's own font: nothing is cut.  The suite runs again
// at 1.5 times the scale (QT_SCALE_FACTOR), as a high-density screen shows it.
#include "Resources.h"
#include "TextFit.h"
#include "WindowFixture.h"

#include <QDialog>
#include <QFontInfo>
#include <QFontMetrics>

TEST_F(WindowTest, EveryTextFits)
{
    form->show();
    EXPECT_EQ(textfit::cutTexts(*form), QStringList());
    for (QDialog *dialog : form->findChildren<QDialog *>()) {
        dialog->show();
        EXPECT_EQ(textfit::cutTexts(*dialog), QStringList()) << dialog->objectName().toStdString();
        dialog->hide();
    }
    form->hide();
}

// The splash picture's texts fit the boxes they are drawn in, in the font
// they are drawn with ("Quillon" whole, not cut at its box).
TEST(Splash, EveryTextFits)
{
    for (const resources::ArtText &text : resources::splashTexts()) {
        SCOPED_TRACE(text.text.toStdString());
        EXPECT_EQ(QFontInfo(text.font).family(), QStringLiteral("DejaVu Sans"));
        const QFontMetrics metrics(text.font);
        EXPECT_LE(metrics.horizontalAdvance(text.text), text.box.width());
        EXPECT_LE(metrics.height(), text.box.height());
        EXPECT_TRUE(QRect(0, 0, 300, 267).contains(text.box));
    }
}
