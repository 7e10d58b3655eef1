#pragma once
// Names of the compiled-in artwork and help pages.
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <iterator>
#include <vector>

namespace resources {

inline const QString strip = QStringLiteral(":/art/strip.png");
inline const QString sample = QStringLiteral(":/art/sample.png");
inline const QString splash = QStringLiteral(":/art/splash.png");
// The texts of the splash picture, each drawn in its box (pixel-sized
// fonts, so the picture is the same on every screen).
struct ArtText {
    QString text;
    QFont font;
    QRect box;
    Qt::Alignment alignment;
};
inline std::vector<ArtText> splashTexts()
{
    const auto dejaVu = [](int pixels, bool bold) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(pixels);
        font.setBold(bold);
        return font;
    };
    return {
        {QStringLiteral("Quillon"), dejaVu(36, true), QRect(138, 70, 156, 50), Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("2002"), dejaVu(24, false), QRect(138, 120, 156, 40), Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("Scanner, retoucher, imprimer"), dejaVu(13, false), QRect(0, 220, 300, 30), Qt::AlignCenter},
    };
}
inline const QString background = QStringLiteral(":/art/background.png");
inline const QString icon = QStringLiteral(":/art/icon.png");
inline const QString helpContents = QStringLiteral(":/help/index.html");
constexpr int stripCell = 32;
// The scanner presets window: its background, and the faces of its seven
// buttons, each centred in a cell of the largest button's size.
inline const QString presetsBackground = QStringLiteral(":/art/presets_background.png");
inline const QString presetFaces = QStringLiteral(":/art/presets.png");
constexpr QSize presetFaceCell(257, 33);
constexpr QSize presetsClientSize(297, 238);
// The pictures at both ends of the scanner settings' six track bars, lower end first.
inline const QString trackBarEnds = QStringLiteral(":/art/trackends.png");
constexpr int trackBarEndCell = 16;

// The image editor: the glyphs of its buttons, one cell each in this order,
// and its custom cursors, one cell each for the slots 11 ("Crayon") to 25
// ("Pipette"), with their hot spots.
inline const QString editorGlyphs = QStringLiteral(":/art/editor_glyphs.png");
constexpr int editorGlyphCell = 24;
enum EditorGlyph {
    PenBarGlyph, BrushBarGlyph, LineGlyph, RectangleGlyph, RoundRectGlyph, EllipseGlyph, FreehandGlyph,
    HighlighterGlyph, PipetteGlyph, FillGlyph, AirbrushGlyph, FontGlyph, TextGlyph, EraserGlyph, CropGlyph,
    ZoomInGlyph, ZoomOutGlyph, ActualSizeGlyph, EffectsGlyph, UndoGlyph, SaveCloseGlyph, CloseGlyph,
    PenColourGlyph, BrushColourGlyph, EditorGlyphCount
};
inline const QString editorCursors = QStringLiteral(":/art/editor_cursors.png");
constexpr int editorCursorCell = 32;
constexpr int editorFirstCursor = 11;
// Crayon, Baguette, ImageField, Image, Label, Ellipse, RoundRect, Rect,
// Losange, Main, Gomme, Aero, PotPeint, Pinceau, Pipette
constexpr QPoint editorCursorHotSpots[] = {
    {2, 30}, {4, 4}, {15, 15}, {15, 15}, {3, 3}, {7, 7}, {7, 7}, {7, 7},
    {7, 7}, {15, 3}, {4, 23}, {4, 7}, {30, 30}, {2, 30}, {2, 30},
};
constexpr int editorCursorCount = int(std::size(editorCursorHotSpots));

// Makes sure the resources of this static library are registered.
void initialise();

} // namespace resources
