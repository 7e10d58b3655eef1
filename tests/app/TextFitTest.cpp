// Every text of the main window and of the windows it makes fits its
// control, in the control's own font: nothing is cut.  The suite runs again
// at 1.5 times the scale (QT_SCALE_FACTOR), as a high-density screen shows it.
#include "TextFit.h"
#include "WindowFixture.h"

#include <QDialog>

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
