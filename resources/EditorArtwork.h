#pragma once
// The image editor's artwork, drawn by the artwork generator.
#include <QImage>

// The button glyphs, in the order of resources::EditorGlyph.
QImage editorGlyphs();
// The custom cursors of slots 11 to 25.
QImage editorCursors();
