#include "Modal.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TMMImageList.h"
#include "TTipsDialog.h"

#include <QDialog>
#include <QPainter>
#include <QPushButton>
#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

TEST(ImageList, CutsTheStripIntoCells)
{
    QPixmap strip(96, 32);
    strip.fill(Qt::white);
    {
        QPainter painter(&strip);
        painter.fillRect(32, 0, 32, 32, Qt::red);
    }
    TMMImageList images(strip, QSize(32, 32));
    EXPECT_EQ(images.count(), 3);
    EXPECT_EQ(images.image(1).toImage().pixelColor(5, 5), QColor(Qt::red));
    EXPECT_TRUE(images.image(3).isNull());
    EXPECT_TRUE(images.image(-1).isNull());
}

TEST(BitmapCheckBox, HandlerRunsBeforeTheStateChanges)
{
    TMMBitmapCheckBox box(QStringLiteral("Dupliquer"));
    std::vector<std::pair<bool, bool>> seen; // (state switched to, state while the handler runs)
    QObject::connect(&box, &TMMBitmapCheckBox::clicking, [&](bool target) { seen.emplace_back(target, box.isChecked()); });
    box.click();
    box.click();
    box.setChecked(true); // a program-made change runs no handler
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(true, false));
    EXPECT_EQ(seen[1], std::make_pair(false, true));
    EXPECT_TRUE(box.isChecked());
}

TEST(BitmapCheckBox, AClickDuringItsOwnHandlerIsIgnored)
{
    TMMBitmapCheckBox box(QStringLiteral("Poster"));
    int handled = 0;
    QObject::connect(&box, &TMMBitmapCheckBox::clicking, [&](bool) {
        ++handled;
        box.click(); // as a click let through while the handler draws
    });
    box.click();
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(box.isChecked());
    box.click();
    EXPECT_EQ(handled, 2);
    EXPECT_FALSE(box.isChecked());
}

TEST(BitmapButton, ShowsItsPicture)
{
    QPixmap strip(64, 32);
    strip.fill(Qt::blue);
    TMMImageList images(strip, QSize(32, 32));
    TMMBitmapButton button;
    button.setImages(&images);
    button.setImageIndex(1);
    EXPECT_EQ(button.imageIndex(), 1);
    EXPECT_FALSE(button.icon().isNull());
    EXPECT_EQ(button.iconSize(), QSize(32, 32));
}

TEST(BitmapButton, ReturnAndEnterPressAFocusedButton)
{
    TMMBitmapButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&button, &press);
    }
    EXPECT_EQ(clicks, 2);
}

TEST(TipsDialog, ShownOnlyWhenAskedAndWalksThroughTheTips)
{
    int shown = 0;
    platform::ScopedModalRunner runner([&](QDialog &) { ++shown; return int(QDialog::Accepted); });
    TTipsDialog tips;
    EXPECT_FALSE(tips.Execute()); // no tips
    tips.setTips({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    tips.setShowAtStartup(false);
    EXPECT_FALSE(tips.Execute());
    tips.setShowAtStartup(true);
    EXPECT_TRUE(tips.Execute());
    EXPECT_EQ(shown, 1);
    const int first = tips.currentTip();
    ASSERT_GE(first, 0);
    tips.nextTip();
    tips.nextTip();
    tips.nextTip();
    EXPECT_EQ(tips.currentTip(), first); // wraps round
    EXPECT_EQ(tips.windowTitle(), QStringLiteral("Trucs et astuces"));
}
