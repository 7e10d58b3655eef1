// The language table of the pixel-graphics library.  Columns: English, German,
// French, Dutch, Spanish, Danish, Italian and one spare column left empty.
#include "PGMessages.h"

uint8_t PGLanguage = pglEnglish;

namespace {

const TPGLangStrEntry LangStrEntries[PGLangStrEntryCount] = {
    {0, {"", "", "", "", "", "", "", ""}},
    {1, {"X, Y index out of range", "X-, Y-Index außerhalb des gültigen Bereichs", "Valeurs de X, Y hors bornes",
         "X-, Y-index buiten bereik", "Índice X, Y fuera de rango", "X-, Y-indeks uden for området",
         "Indice X, Y fuori intervallo", ""}},
    {2, {"No palette", "Keine Palette", "Pas de palette", "Geen palet", "Sin paleta", "Ingen palet",
         "Nessuna tavolozza", ""}},
    {3, {"Invalid palette index", "Ungültiger Palettenindex", "Indice de palette invalide", "Ongeldige paletindex",
         "Índice de paleta no válido", "Ugyldigt paletindeks", "Indice di tavolozza non valido", ""}},
    {4, {"Unknown clipboard format", "Unbekanntes Zwischenablageformat", "Format de Presse-papiers inconnu",
         "Onbekend klembordformaat", "Formato de portapapeles desconocido", "Ukendt udklipsholderformat",
         "Formato degli appunti sconosciuto", ""}},
    {5, {"Invalid temporary file", "Ungültige temporäre Datei", "Fichier temporaire invalide",
         "Ongeldig tijdelijk bestand", "Archivo temporal no válido", "Ugyldig midlertidig fil",
         "File temporaneo non valido", ""}},
    {6, {"Unknown file format", "Unbekanntes Dateiformat", "Format de fichier inconnu", "Onbekend bestandsformaat",
         "Formato de archivo desconocido", "Ukendt filformat", "Formato di file sconosciuto", ""}},
    {7, {"%S1 invalid", "%S1 ungültig", "%S1 invalide", "%S1 ongeldig", "%S1 no válido", "%S1 ugyldig",
         "%S1 non valido", ""}},
    {8, {"black and white", "schwarzweiß", "noir et blanc", "zwart-wit", "blanco y negro", "sort-hvid",
         "bianco e nero", ""}},
    {9, {"2 colors", "2 Farben", "2 couleurs", "2 kleuren", "2 colores", "2 farver", "2 colori", ""}},
    {10, {"16 shades of gray", "16 Graustufen", "16 niveaux de gris", "16 grijstinten", "16 tonos de gris",
          "16 gråtoner", "16 tonalità di grigio", ""}},
    {11, {"16 system colors", "16 Systemfarben", "16 couleurs système", "16 systeemkleuren",
          "16 colores del sistema", "16 systemfarver", "16 colori di sistema", ""}},
    {12, {"16 colors", "16 Farben", "16 couleurs", "16 kleuren", "16 colores", "16 farver", "16 colori", ""}},
    {13, {"256 shades of gray", "256 Graustufen", "256 niveaux de gris", "256 grijstinten", "256 tonos de gris",
          "256 gråtoner", "256 tonalità di grigio", ""}},
    {14, {"256 colors", "256 Farben", "256 couleurs", "256 kleuren", "256 colores", "256 farver", "256 colori",
          ""}},
    {15, {"16.7 million colors", "16,7 Millionen Farben", "16.7 millions de couleurs", "16,7 miljoen kleuren",
          "16,7 millones de colores", "16,7 millioner farver", "16,7 milioni di colori", ""}},
    {16, {"%S1 is empty", "%S1 ist leer", "%S1 est vide", "%S1 is leeg", "%S1 está vacío", "%S1 er tom",
          "%S1 è vuoto", ""}},
    {17, {"The graphic cannot be saved to a %S1 file with the current color resolution (%S2).\n\n"
          "The graphic will be saved with a different color resolution (%S3).",
          "Die Grafik kann nicht mit der aktuellen Farbtiefe (%S2) in einer %S1-Datei gespeichert werden.\n\n"
          "Die Grafik wird mit einer anderen Farbtiefe (%S3) gespeichert.",
          "L'image ne peut être enregistrée dans un fichier %S1 avec l'actuelle profondeur de couleur (%S2).\n\n"
          "L'image sera enregistrée avec une profondeur de couleur différente (%S3).",
          "De afbeelding kan niet met de huidige kleurdiepte (%S2) in een %S1-bestand worden opgeslagen.\n\n"
          "De afbeelding wordt met een andere kleurdiepte (%S3) opgeslagen.",
          "La imagen no se puede guardar en un archivo %S1 con la resolución de color actual (%S2).\n\n"
          "La imagen se guardará con una resolución de color diferente (%S3).",
          "Billedet kan ikke gemmes i en %S1-fil med den aktuelle farvedybde (%S2).\n\n"
          "Billedet gemmes med en anden farvedybde (%S3).",
          "L'immagine non può essere salvata in un file %S1 con la profondità di colore attuale (%S2).\n\n"
          "L'immagine sarà salvata con una profondità di colore diversa (%S3).",
          ""}},
    {18, {"The graphic cannot be saved with to a %S1 file with the current color resolution (%S2)",
          "Die Grafik kann nicht mit der aktuellen Farbtiefe (%S2) in einer %S1-Datei gespeichert werden.",
          "L'image ne peut être enregistrée dans un fichier %S1 avec l'actuelle profondeur de couleur (%S2).",
          "De afbeelding kan niet met de huidige kleurdiepte (%S2) in een %S1-bestand worden opgeslagen.",
          "La imagen no se puede guardar en un archivo %S1 con la resolución de color actual (%S2).",
          "Billedet kan ikke gemmes i en %S1-fil med den aktuelle farvedybde (%S2).",
          "L'immagine non può essere salvata in un file %S1 con la profondità di colore attuale (%S2).", ""}},
    {19, {"Unknown file extension \"%S1\"", "Unbekannte Dateierweiterung \"%S1\"",
          "Extension de fichier inconnue \"%S1\".", "Onbekende bestandsextensie \"%S1\"",
          "Extensión de archivo desconocida \"%S1\"", "Ukendt filtypenavn \"%S1\"",
          "Estensione di file sconosciuta \"%S1\"", ""}},
    {20, {"Invalid value for %S1", "Ungültiger Wert für %S1", "Valeur incorrecte pour %S1",
          "Ongeldige waarde voor %S1", "Valor no válido para %S1", "Ugyldig værdi for %S1",
          "Valore non valido per %S1", ""}},
    {21, {"Negative height", "Negative Höhe", "Hauteur négative", "Negatieve hoogte", "Altura negativa",
          "Negativ højde", "Altezza negativa", ""}},
    {22, {"Negative width", "Negative Breite", "Largeur négative", "Negatieve breedte", "Anchura negativa",
          "Negativ bredde", "Larghezza negativa", ""}},
    {23, {"Cannot apply this filter to a source that is identical to the target",
          "Dieser Filter kann nicht auf eine Quelle angewendet werden, die mit dem Ziel identisch ist",
          "Il est impossible d'appliquer ce filtre car la source est confondue avec la cible.",
          "Dit filter kan niet worden toegepast op een bron die gelijk is aan het doel",
          "No se puede aplicar este filtro a un origen idéntico al destino",
          "Filteret kan ikke anvendes på en kilde, der er identisk med målet",
          "Impossibile applicare questo filtro a un'origine identica alla destinazione", ""}},
    {24, {"bit", "Bit", "bit", "bit", "bit", "bit", "bit", ""}},
    {25, {"Image files", "Bilddateien", "Images", "Afbeeldingsbestanden", "Archivos de imagen", "Billedfiler",
          "File di immagine", ""}},
    {26, {"All files", "Alle Dateien", "Tous les fichiers", "Alle bestanden", "Todos los archivos", "Alle filer",
          "Tutti i file", ""}},
    {27, {"Invalid size of %S1", "Ungültige Größe von %S1", "Taille incorrecte de %S1",
          "Ongeldige grootte van %S1", "Tamaño no válido de %S1", "Ugyldig størrelse af %S1",
          "Dimensione non valida di %S1", ""}},
    {28, {"Warning", "Warnung", "Avertissement", "Waarschuwing", "Advertencia", "Advarsel", "Avviso", ""}},
    {29, {"Operation aborted on user request", "Vorgang auf Wunsch des Benutzers abgebrochen",
          "Opération abandonnée par l'utilisateur.", "Bewerking op verzoek van de gebruiker afgebroken",
          "Operación cancelada por el usuario", "Handlingen blev afbrudt af brugeren",
          "Operazione annullata dall'utente", ""}},
    {30, {"Not supported subformat", "Nicht unterstütztes Unterformat", "Sous-format non supporté.",
          "Niet-ondersteund subformaat", "Subformato no admitido", "Underformatet understøttes ikke",
          "Sottoformato non supportato", ""}},
    {31, {"%S1 failed", "%S1 fehlgeschlagen", "%S1 a échoué", "%S1 mislukt", "%S1 ha fallado",
          "%S1 mislykkedes", "%S1 non riuscito", ""}},
    {32, {"Unexpected end of file", "Unerwartetes Dateiende", "Fin de fichier inattendue.",
          "Onverwacht einde van bestand", "Fin de archivo inesperado", "Uventet slutning på filen",
          "Fine del file inattesa", ""}},
    {33, {"Unknown subformat", "Unbekanntes Unterformat", "Sous-format inconnu", "Onbekend subformaat",
          "Subformato desconocido", "Ukendt underformat", "Sottoformato sconosciuto", ""}},
    {34, {"Not a %S1 file", "Keine %S1-Datei", "Ce n'est pas un fichier %S1", "Geen %S1-bestand",
          "No es un archivo %S1", "Ikke en %S1-fil", "Non è un file %S1", ""}},
    {35, {"Width = 0 or Height = 0", "Breite = 0 oder Höhe = 0", "La hauteur ou la largeur est nulle",
          "Breedte = 0 of hoogte = 0", "Anchura = 0 o altura = 0", "Bredde = 0 eller højde = 0",
          "Larghezza = 0 o altezza = 0", ""}},
    {36, {"Invalid color resolution", "Ungültige Farbtiefe", "Profondeur de couleur invalide",
          "Ongeldige kleurdiepte", "Resolución de color no válida", "Ugyldig farvedybde",
          "Profondità di colore non valida", ""}},
    {37, {"Unsupported field type %S1", "Nicht unterstützter Feldtyp %S1", "Type de champ (%S1) non supporté",
          "Niet-ondersteund veldtype %S1", "Tipo de campo %S1 no admitido", "Felttypen %S1 understøttes ikke",
          "Tipo di campo %S1 non supportato", ""}},
    {38, {"Invalid count of bytes in row %S1", "Ungültige Byteanzahl in Zeile %S1",
          "Nombre d'octets incorrect à la ligne %S1", "Ongeldig aantal bytes in rij %S1",
          "Número de bytes no válido en la fila %S1", "Ugyldigt antal byte i række %S1",
          "Numero di byte non valido nella riga %S1", ""}},
    {39, {"Unsupported Compression", "Nicht unterstützte Kompression", "Compression inconnue",
          "Niet-ondersteunde compressie", "Compresión no admitida", "Komprimeringen understøttes ikke",
          "Compressione non supportata", ""}},
    {40, {"Saturation=0 and Hue defined", "Sättigung=0 und Farbton definiert",
          "Saturation nulle alors que la teinte a été définie", "Verzadiging=0 en tint gedefinieerd",
          "Saturación=0 y tono definido", "Mætning=0 og farvetone defineret", "Saturazione=0 e tonalità definita",
          ""}},
    {41, {"%S1 out of range", "%S1 außerhalb des gültigen Bereichs", "%S1 hors bornes", "%S1 buiten bereik",
          "%S1 fuera de rango", "%S1 uden for området", "%S1 fuori intervallo", ""}},
    {42, {"OK", "OK", "OK", "OK", "Aceptar", "OK", "OK", ""}},
    {43, {"Cancel", "Abbrechen", "Annuler", "Annuleren", "Cancelar", "Annuller", "Annulla", ""}},
    {44, {"RGB Filter", "RGB-Filter", "Filtre RVB", "RGB-filter", "Filtro RGB", "RGB-filter", "Filtro RGB", ""}},
    {45, {"R", "R", "R", "R", "R", "R", "R", ""}},
    {46, {"G", "G", "V", "G", "G", "G", "G", ""}},
    {47, {"B", "B", "B", "B", "B", "B", "B", ""}},
    {48, {"CMY Filter", "CMY-Filter", "Filtre CMJ", "CMY-filter", "Filtro CMY", "CMY-filter", "Filtro CMY", ""}},
    {49, {"C", "C", "C", "C", "C", "C", "C", ""}},
    {50, {"M", "M", "M", "M", "M", "M", "M", ""}},
    {51, {"Y", "Y", "J", "Y", "Y", "Y", "Y", ""}},
    {52, {"YCbCr Filter", "YCbCr-Filter", "Filtre YCbCr", "YCbCr-filter", "Filtro YCbCr", "YCbCr-filter",
          "Filtro YCbCr", ""}},
    {53, {"Y", "Y", "Y", "Y", "Y", "Y", "Y", ""}},
    {54, {"Cb", "Cb", "Cb", "Cb", "Cb", "Cb", "Cb", ""}},
    {55, {"Cr", "Cr", "Cr", "Cr", "Cr", "Cr", "Cr", ""}},
    {56, {"HLS Filter", "HLS-Filter", "Filtre TSL", "HLS-filter", "Filtro HLS", "HLS-filter", "Filtro HLS", ""}},
    {57, {"H", "H", "T", "H", "H", "H", "H", ""}},
    {58, {"L", "L", "L", "L", "L", "L", "L", ""}},
    {59, {"S", "S", "S", "S", "S", "S", "S", ""}},
    {60, {"HSV Filter", "HSV-Filter", "Filtre TSV", "HSV-filter", "Filtro HSV", "HSV-filter", "Filtro HSV", ""}},
    {61, {"V", "V", "V", "V", "V", "V", "V", ""}},
    {62, {"Negative Filter", "Negativfilter", "Filtre négatif", "Negatieffilter", "Filtro negativo",
          "Negativfilter", "Filtro negativo", ""}},
    {63, {"Gamma", "Gamma", "Gamma", "Gamma", "Gamma", "Gamma", "Gamma", ""}},
    {64, {"RGB", "RGB", "RVB", "RGB", "RGB", "RGB", "RGB", ""}},
    {65, {"Y", "Y", "Y", "Y", "Y", "Y", "Y", ""}},
    {66, {"Brightness", "Helligkeit", "Luminosité", "Helderheid", "Brillo", "Lysstyrke", "Luminosità", ""}},
    {67, {"Contrast", "Kontrast", "Contraste", "Contrast", "Contraste", "Kontrast", "Contrasto", ""}},
    {68, {"Apply on", "Anwenden auf", "Appl.", "Toepassen op", "Aplicar a", "Anvend på", "Applica a", ""}},
    {69, {"Brightness, Contrast, Gamma Filter", "Helligkeit, Kontrast, Gammafilter",
          "Luminosité, Contraste, Filtre Gamma", "Helderheid, contrast, gammafilter",
          "Filtro de brillo, contraste y gamma", "Lysstyrke, kontrast, gammafilter",
          "Filtro luminosità, contrasto, gamma", ""}},
    {70, {"Grayscale Filter", "Graustufenfilter", "Filtre niveaux de gris", "Grijstintenfilter",
          "Filtro de escala de grises", "Gråtonefilter", "Filtro scala di grigi", ""}},
    {71, {"RGB weighting", "RGB-Gewichtung", "Dosage RVB", "RGB-weging", "Ponderación RGB", "RGB-vægtning",
          "Ponderazione RGB", ""}},
    {72, {"Std. deviation", "Standardabw.", "Ecart-type", "Std.-afwijking", "Desv. estándar", "Std.-afvigelse",
          "Dev. standard", ""}},
    {73, {"Strength", "Stärke", "Intensité", "Sterkte", "Intensidad", "Styrke", "Intensità", ""}},
    {74, {"Sharpen", "Schärfen", "Durcir", "Verscherpen", "Enfocar", "Gør skarpere", "Nitidezza", ""}},
    {75, {"Detail", "Details", "Détail", "Detail", "Detalle", "Detalje", "Dettaglio", ""}},
    {76, {"Smooth", "Glätten", "Adoucir", "Verzachten", "Suavizar", "Udjævn", "Ammorbidisci", ""}},
    {77, {"Radius", "Radius", "Rayon", "Straal", "Radio", "Radius", "Raggio", ""}},
    {78, {"Blur", "Unschärfe", "Flou", "Vervagen", "Desenfoque", "Sløring", "Sfocatura", ""}},
    {79, {"Contour", "Kontur", "Contour", "Contour", "Contorno", "Kontur", "Contorno", ""}},
    {80, {"White", "Weiß", "Blanc", "Wit", "Blanco", "Hvid", "Bianco", ""}},
    {81, {"Black", "Schwarz", "Noir", "Zwart", "Negro", "Sort", "Nero", ""}},
    {82, {"±", "±", "±", "±", "±", "±", "±", ""}},
    {83, {"°", "°", "°", "°", "°", "°", "°", ""}},
    {84, {"", "", "", "", "", "", "", ""}},
};

// Replaces the first occurrence of a placeholder; a missing one is skipped.
QString replaceFirst(QString text, const QString &placeholder, const QString &value)
{
    const qsizetype at = text.indexOf(placeholder);
    if (at >= 0)
        text.replace(at, placeholder.size(), value);
    return text;
}

// Checked once when the library is loaded, as the table's users rely on the numbering.
[[maybe_unused]] const bool tableOrderChecked = (CheckPGLangStrEntriesOrder(LangStrEntries), true);

} // namespace

std::span<const TPGLangStrEntry> PGLangStrEntries()
{
    return LangStrEntries;
}

void CheckPGLangStrEntriesOrder(std::span<const TPGLangStrEntry> entries)
{
    for (size_t position = 0; position < entries.size(); ++position) {
        if (entries[position].Number != position)
            throw EPixelGraphic(QStringLiteral("PGLangStrEntries order wrong %1 and %2 are not identical")
                                    .arg(position)
                                    .arg(entries[position].Number));
    }
}

QString Text(int Number)
{
    if (PGLanguage >= PGLanguageColumns || Number < 0 || Number >= PGLangStrEntryCount)
        return {};
    return QString::fromUtf8(LangStrEntries[Number].Texts[PGLanguage]);
}

QString Text1(int Number, const QString &A)
{
    return replaceFirst(Text(Number), QStringLiteral("%S1"), A);
}

QString Text2(int Number, const QString &A, const QString &B)
{
    return replaceFirst(Text1(Number, A), QStringLiteral("%S2"), B);
}

QString Text3(int Number, const QString &A, const QString &B, const QString &C)
{
    return replaceFirst(Text2(Number, A, B), QStringLiteral("%S3"), C);
}
