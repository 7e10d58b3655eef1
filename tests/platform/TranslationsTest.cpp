// Qt's own dialogs speak French once the translations are installed.
#include "Translations.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

QStringList buttonTexts(const QWidget &dialog)
{
    QStringList texts;
    for (const QPushButton *button : dialog.findChildren<QPushButton *>())
        texts << button->text().remove(QLatin1Char('&'));
    return texts;
}

} // namespace

TEST(Translations, QtsDialogsSpeakFrench)
{
    platform::installQtTranslations();
    QFileDialog save(nullptr, QStringLiteral("Enregistrer sous"));
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_TRUE(buttonTexts(save).contains(QStringLiteral("Enregistrer"))) << buttonTexts(save).join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(buttonTexts(save).contains(QStringLiteral("Annuler")));
    QStringList labels;
    for (const QLabel *label : save.findChildren<QLabel *>())
        labels << label->text();
    EXPECT_TRUE(labels.join(QLatin1Char('|')).contains(QStringLiteral("Nom de fichier"))) << labels.join(QLatin1Char('|')).toStdString();

    QColorDialog colour;
    colour.setOption(QColorDialog::DontUseNativeDialog);
    EXPECT_FALSE(colour.windowTitle().contains(QStringLiteral("Select"))) << colour.windowTitle().toStdString();
    EXPECT_TRUE(buttonTexts(colour).contains(QStringLiteral("Annuler")));

    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Annuler"));
}
