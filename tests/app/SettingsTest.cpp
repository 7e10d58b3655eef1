// Settings of the main window in the registry: defaults, round trip, malformed values.
#include "WindowFixture.h"
#include "Modal.h"
#include "Registry.h"
#include "TTipsDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
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
    // The stored default is 640 wide; the window is never narrower than its controls (680).
    EXPECT_EQ(form.pos(), QPoint((screen.width() - 680) / 2, (screen.height() - 480) / 2));
    EXPECT_FALSE(controlOf<QAction>(form, "UserInterfaceMnu")->isChecked());
    EXPECT_TRUE(controlOf<QAction>(form, "TwainDialMnu")->isEnabled());
    EXPECT_TRUE(form.property("TipAtStart").toBool());
    EXPECT_TRUE(form.property("PreviewInOpenDialog").toBool());
    EXPECT_TRUE(controlOf<QAction>(form, "Imprimerlestraitsdecoupe1")->isChecked());
    EXPECT_EQ(form.property("ImageFolder").toString(), QStringLiteral("c:\\"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quillon 2002"));
    EXPECT_EQ(form.property("RegistryKey").toString(), Key);
    // The border is fixed: the user cannot resize the window.
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

// Each size value falls back on its own, and the centring uses the size
// actually applied (640 x 480 is also the smallest window, so a lone default
// of that size could not tell a read from a fallback).
TEST(Settings, SizeValuesFallBackOneByOneAndTheWindowIsCentredOnTheResult)
{
    useTestPrinter();
    {
        platform::RegistryKey stored = key();
        stored.writeString(QStringLiteral("MainW"), QStringLiteral("w"), QStringLiteral("800"));
        stored.writeString(QStringLiteral("MainW"), QStringLiteral("h"), QStringLiteral("tall"));
    }
    TForm1 form;
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(form.size(), QSize(800, 480));
    EXPECT_EQ(form.pos(), QPoint((screen.width() - 800) / 2, (screen.height() - 480) / 2));
}

TEST(Settings, RoundTrip)
{
    useTestPrinter();
    {
        platform::RegistryKey stored = key();
        stored.writeInteger(QStringLiteral("MainW"), QStringLiteral("w"), 700);
        stored.writeInteger(QStringLiteral("MainW"), QStringLiteral("h"), 520);
        stored.writeInteger(QStringLiteral("MainW"), QStringLiteral("x"), 12);
        stored.writeInteger(QStringLiteral("MainW"), QStringLiteral("y"), 34);
    }
    {
        TForm1 form;
        EXPECT_EQ(form.size(), QSize(700, 520));
        EXPECT_EQ(form.pos(), QPoint(12, 34));
        form.move(40, 50);
        controlOf<QAction>(form, "UserInterfaceMnu")->trigger();
        controlOf<QAction>(form, "Imprimerlestraitsdecoupe1")->setChecked(false);
        form.setProperty("PreviewInOpenDialog", false);
        form.setProperty("ImageFolder", QStringLiteral("/home/images/"));
        form.FormClose();
    }
    platform::RegistryKey stored = key();
    EXPECT_EQ(stored.readString(QStringLiteral("MainW"), QStringLiteral("w"), {}), QStringLiteral("700"));
    EXPECT_EQ(stored.readString(QStringLiteral("MainW"), QStringLiteral("x"), {}), QStringLiteral("40"));
    EXPECT_EQ(stored.readString(QStringLiteral("MainW"), QStringLiteral("Maxi"), {}), QStringLiteral("0"));
    EXPECT_EQ(stored.readString(QStringLiteral("Options"), QStringLiteral("UserInterface"), {}), QStringLiteral("1"));

    TForm1 again;
    EXPECT_EQ(again.size(), QSize(700, 520));
    EXPECT_EQ(again.pos(), QPoint(40, 50));
    EXPECT_TRUE(controlOf<QAction>(again, "UserInterfaceMnu")->isChecked());
    EXPECT_FALSE(controlOf<QAction>(again, "TwainDialMnu")->isEnabled());
    EXPECT_FALSE(controlOf<QAction>(again, "Imprimerlestraitsdecoupe1")->isChecked());
    EXPECT_FALSE(again.property("PreviewInOpenDialog").toBool());
    EXPECT_EQ(again.property("ImageFolder").toString(), QStringLiteral("/home/images/"));
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
        stored.writeString(QStringLiteral("Options"), QStringLiteral("Cadre"), QStringLiteral("yes"));
        stored.writeString(QStringLiteral("Options"), QStringLiteral("TipAtStart"), QStringLiteral("2"));
        stored.writeString(QStringLiteral("Options"), QStringLiteral("UserInterface"), QStringLiteral("-"));
    }
    TForm1 form;
    EXPECT_TRUE(controlOf<QAction>(form, "Imprimerlestraitsdecoupe1")->isChecked());
    EXPECT_TRUE(form.property("TipAtStart").toBool()); // any integer but 0 is true
    EXPECT_FALSE(controlOf<QAction>(form, "UserInterfaceMnu")->isChecked());
}

namespace {

// Answers the tips dialog as a user clearing its "show at start" box.
platform::ModalRunner clearTheTipsBox(int *shown)
{
    return [shown](QDialog &dialog) {
        ++*shown;
        dialog.findChild<QCheckBox *>(QStringLiteral("ShowAtStartup"))->setChecked(false);
        return static_cast<int>(QDialog::Accepted);
    };
}

} // namespace

TEST(Settings, ClearingTheTipsBoxAtStartIsRemembered)
{
    useTestPrinter();
    int shown = 0;
    {
        platform::ScopedModalRunner runner(clearTheTipsBox(&shown));
        TForm1 form;
        EXPECT_EQ(controlOf<TTipsDialog>(form, "TipsDialog")->tips().size(), 39);
        form.FormActivate();
        form.FormClose();
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(key().readString(QStringLiteral("Options"), QStringLiteral("TipAtStart"), {}), QStringLiteral("0"));

    // The next start offers no tips; asking for them shows them all the same.
    platform::ScopedModalRunner runner(clearTheTipsBox(&shown));
    TForm1 again;
    again.FormActivate();
    EXPECT_EQ(shown, 1);
    again.Trucsetastuces1Click();
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(again.property("TipAtStart").toBool());
}
