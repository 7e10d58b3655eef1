#include "PixelTestSupport.h"

#include <QSet>

TEST(PGMessages, TableHasEveryEntryInEveryLanguage)
{
    const auto entries = PGLangStrEntries();
    ASSERT_EQ(entries.size(), 85u);
    for (size_t n = 0; n < entries.size(); ++n) {
        EXPECT_EQ(entries[n].Number, n);
        const bool empty = n == 0 || n == 84;
        for (int column = 0; column < 7; ++column)
            EXPECT_EQ(QString::fromUtf8(entries[n].Texts[column]).isEmpty(), empty) << n << " column " << column;
        EXPECT_STREQ(entries[n].Texts[7], "") << n;
    }
    EXPECT_NO_THROW(CheckPGLangStrEntriesOrder(entries));
}

TEST(PGMessages, OrderCheckNamesTheFirstMisplacedEntry)
{
    const TPGLangStrEntry entries[] = {{0, {}}, {2, {}}, {1, {}}};
    EXPECT_EQ(messageOf<EPixelGraphic>([&] { CheckPGLangStrEntriesOrder(entries); }),
              "PGLangStrEntries order wrong 1 and 2 are not identical");
}

TEST(PGMessages, SelectorPicksTheColumn)
{
    {
        ScopedLanguage french(pglFrench);
        EXPECT_EQ(Text(23), "Il est impossible d'appliquer ce filtre car la source est confondue avec la cible.");
        EXPECT_EQ(Text(42), "OK");
        EXPECT_EQ(Text(43), "Annuler");
        EXPECT_EQ(Text(21), "Hauteur négative");
        EXPECT_EQ(Text(15), "16.7 millions de couleurs");
    }
    {
        ScopedLanguage english(pglEnglish);
        EXPECT_EQ(Text(23), "Cannot apply this filter to a source that is identical to the target");
    }
    for (uint8_t language = 0; language < 7; ++language) {
        ScopedLanguage selected(language);
        EXPECT_EQ(Text(82), "±");
        EXPECT_EQ(Text(83), "°");
    }
    ScopedLanguage beyond(8);
    EXPECT_TRUE(Text(1).isEmpty());
}

TEST(PGMessages, PlaceholdersAreReplacedOnceInOrder)
{
    ScopedLanguage french(pglFrench);
    EXPECT_EQ(Text1(31, "CreateDIBSection"), "CreateDIBSection a échoué");
    EXPECT_EQ(Text1(19, "xyz"), "Extension de fichier inconnue \"xyz\".");
    EXPECT_EQ(Text2(18, "Bitmap", "256 couleurs"),
              "L'image ne peut être enregistrée dans un fichier Bitmap avec l'actuelle profondeur de couleur (256 couleurs).");
    const QString warning = Text3(17, "Portable Graymap", "16.7 millions de couleurs", "256 niveaux de gris");
    EXPECT_TRUE(warning.startsWith("L'image ne peut être enregistrée dans un fichier Portable Graymap avec l'actuelle "
                                   "profondeur de couleur (16.7 millions de couleurs)."));
    EXPECT_TRUE(warning.endsWith("différente (256 niveaux de gris)."));
    // Placeholders that do not occur are skipped.
    EXPECT_EQ(Text3(21, "a", "b", "c"), "Hauteur négative");
}
