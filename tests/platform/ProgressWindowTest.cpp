// The program's one progress window: nothing for short work, the report as
// given once the work has lasted, its button stops the work, and it closes
// with its owner whatever the outcome.
#include "ProgressWindow.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

using platform::ProgressStep;
using platform::ProgressWindow;

namespace {

QProgressDialog *shownWindow()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *progress = qobject_cast<QProgressDialog *>(window); progress && progress->isVisible())
            return progress;
    return nullptr;
}

TEST(ProgressWindow, ShowsLastingWorkAsReportedAndStopsItOnRequest)
{
    QWidget owner;
    const QString file = QStringLiteral("Reading /home/Anne/Photos/Été 2026.JPG");
    {
        ProgressWindow window(&owner);
        const platform::Progress report = window.progress();
        for (int percent = 0; percent <= 100; percent += 10)
            EXPECT_TRUE(report({file, percent, 100}));
        EXPECT_EQ(shownWindow(), nullptr); // short work shows nothing
        QThread::msleep(ProgressWindow::ShowAfterMilliseconds + 50);
        EXPECT_TRUE(report({file, 40, 100}));
        QProgressDialog *shown = shownWindow();
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->labelText(), file); // the name as it is
        EXPECT_EQ(shown->windowTitle(), QStringLiteral("Traitement en cours"));
        EXPECT_EQ(shown->findChild<QPushButton *>()->text(), QStringLiteral("Arrêter"));
        EXPECT_EQ(shown->value(), 400);
        // at most one update every few tens of milliseconds
        EXPECT_TRUE(report({QStringLiteral("Writing b.png"), 90, 100}));
        EXPECT_EQ(shown->labelText(), file);
        QThread::msleep(ProgressWindow::UpdateMilliseconds + 10);
        EXPECT_TRUE(report({QStringLiteral("Writing b.png"), 0, 0})); // how far is not known
        EXPECT_EQ(shown->labelText(), QStringLiteral("Writing b.png"));
        EXPECT_EQ(shown->maximum(), 0);

        shown->findChild<QPushButton *>()->click();
        QThread::msleep(ProgressWindow::UpdateMilliseconds + 10);
        EXPECT_FALSE(report({file, 50, 100}));
        EXPECT_FALSE(report({file, 60, 100})); // stopped stays stopped
        EXPECT_TRUE(window.stopped());
    }
    EXPECT_EQ(shownWindow(), nullptr); // gone with the work
    QApplication::processEvents();
    EXPECT_EQ(shownWindow(), nullptr);

    ProgressWindow scan(nullptr, {QStringLiteral("Numérisation"), platform::StopButton::Annuler, QStringLiteral("ScanProgress")});
    QThread::msleep(ProgressWindow::ShowAfterMilliseconds + 50);
    EXPECT_TRUE(scan.report({QStringLiteral("Numérisation en cours…"), 10, 0}));
    ASSERT_NE(shownWindow(), nullptr);
    EXPECT_EQ(shownWindow()->findChild<QPushButton *>()->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(shownWindow()->objectName(), QStringLiteral("ScanProgress"));
}

} // namespace
