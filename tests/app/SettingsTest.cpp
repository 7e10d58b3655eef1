// Settings of the main window in the registry: defaults, round trip, malformed values.
#include "Main.h"
#include "Registry.h"
#include "TestPrinter.h"
#include "TTipsDialog.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

const QString Key = QStringLiteral("Software\\Vardo\\Quillon 2002");

platform::RegistryKey key()
{
    return platform::RegistryKey(Key);
}

} // namespace

TEST(Settings, FirstStartDefaults)
{
    useTestPrinter();
    TForm1 form;
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(form.size(), QSize(640, 480));
    EXPECT_EQ(form.pos(), QPoint((screen.width() - 640) / 2, (screen.height() - 480) / 2));
    EXPECT_FALSE(form.UserInterfaceMnu->isChecked());
    EXPECT_TRUE(form.TwainDialMnu->isEnabled());
    EXPECT_TRUE(form.TipAtStart);
    EXPECT_TRUE(form.PreviewInOpenDialog);
    EXPECT_TRUE(form.Imprimerlestraitsdecoupe1->isChecked());
    EXPECT_EQ(form.ImageFolder, QStringLiteral("c:\\"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quillon 2002"));
    EXPECT_EQ(form.RegistryKey, Key);
}

TEST(Settings, RoundTrip)
{
    useTestPrinter();
    {
        TForm1 form;
        form.resize(700, 520);
        form.move(12, 34);
        form.UserInterfaceMnu->trigger();
        form.Imprimerlestraitsdecoupe1->setChecked(false);
        form.TipAtStart = false;
        form.PreviewInOpenDialog = false;
        form.ImageFolder = QStringLiteral("/home/images/");
        form.FormClose();
    }
    platform::RegistryKey stored = key();
    EXPECT_EQ(stored.readString(QStringLiteral("MainW"), QStringLiteral("w"), {}), QStringLiteral("700"));
    EXPECT_EQ(stored.readString(QStringLiteral("MainW"), QStringLiteral("Maxi"), {}), QStringLiteral("0"));
    EXPECT_EQ(stored.readString(QStringLiteral("Options"), QStringLiteral("TipAtStart"), {}), QStringLiteral("0"));
    EXPECT_EQ(stored.readString(QStringLiteral("Options"), QStringLiteral("UserInterface"), {}), QStringLiteral("1"));

    TForm1 again;
    EXPECT_EQ(again.size(), QSize(700, 520));
    EXPECT_EQ(again.pos(), QPoint(12, 34));
    EXPECT_TRUE(again.UserInterfaceMnu->isChecked());
    EXPECT_FALSE(again.TwainDialMnu->isEnabled());
    EXPECT_FALSE(again.Imprimerlestraitsdecoupe1->isChecked());
    EXPECT_FALSE(again.TipAtStart);
    EXPECT_FALSE(again.PreviewInOpenDialog);
    EXPECT_EQ(again.ImageFolder, QStringLiteral("/home/images/"));
}

TEST(Settings, MaximisedComesBackMaximised)
{
    useTestPrinter();
    key().writeString(QStringLiteral("MainW"), QStringLiteral("Maxi"), QStringLiteral("1"));
    TForm1 form;
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
}

TEST(Settings, MalformedValuesFallBackToDefaults)
{
    useTestPrinter();
    {
        platform::RegistryKey stored = key();
        stored.writeString(QStringLiteral("MainW"), QStringLiteral("w"), QStringLiteral("wide"));
        stored.writeString(QStringLiteral("MainW"), QStringLiteral("h"), QStringLiteral(""));
        stored.writeString(QStringLiteral("Options"), QStringLiteral("Cadre"), QStringLiteral("yes"));
        stored.writeString(QStringLiteral("Options"), QStringLiteral("TipAtStart"), QStringLiteral("2"));
    }
    TForm1 form;
    EXPECT_EQ(form.size(), QSize(640, 480));
    EXPECT_TRUE(form.Imprimerlestraitsdecoupe1->isChecked());
    EXPECT_TRUE(form.TipAtStart); // any integer but 0 is true
}

TEST(Settings, ClearingTheTipsBoxIsRemembered)
{
    useTestPrinter();
    TForm1 form;
    form.TipsDialog->setShowAtStartup(false);
    form.TipAtStart = form.TipsDialog->showAtStartup();
    form.FormClose();
    EXPECT_EQ(key().readString(QStringLiteral("Options"), QStringLiteral("TipAtStart"), {}), QStringLiteral("0"));
    EXPECT_EQ(form.TipsDialog->tips().size(), 39);
}
