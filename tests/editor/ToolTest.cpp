// Each drawing tool driven by the mouse on a small picture, at zoom 1 and
// 2 (with a one-pixel pen at both), with the exact pixels expected.  The
// brush is the yellow the window starts with; '#' is black, 'b' blue.
#include "EditorSupport.h"

#include "TSpinEdit.h"

#include <QToolButton>
#include <gtest/gtest.h>

using namespace editortest;

namespace {

// White, with a black column at the right edge for the highlighter and the crop.
QImage fixture()
{
    return picture(QStringList(8, QStringLiteral(".........#")));
}

struct ToolCase {
    const char *name;
    QToolButton *TEditeur::*tool;
    Qt::KeyboardModifiers keys;
    std::vector<QPoint> gesture; // press, moves, release at the last point (picture pixels at zoom 1)
    std::optional<QPoint> releasedAt; // a release somewhere else than the last move
    // The picture afterwards at zoom 1, and beside it at zoom 2.
    const char *pictures;
};

// The two pictures of a case, side by side in its text.
std::pair<QStringList, QStringList> expected(const ToolCase &c)
{
    QStringList zoom1, zoom2;
    for (const QString &line : QString::fromLatin1(c.pictures).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!line.startsWith(QLatin1Char(' ')))
            zoom1 << parts.first();
        zoom2 << parts.last();
    }
    return {zoom1, zoom2};
}

QStringList draw(const ToolCase &c, int zoom)
{
    OpenEditor open(fixture());
    TEditeur &editor = open.editor;
    for (int z = 1; z < zoom; z *= 2)
        editor.SpeedButton1Click();
    editor.SpinEdit->setValue(1); // thin lines at any zoom, to read them
    (editor.*c.tool)->click();
    std::vector<QPoint> points;
    for (QPoint p : c.gesture)
        points.push_back(p * zoom);
    if (c.releasedAt) {
        open.hand.press(points.front(), c.keys);
        for (std::size_t i = 1; i < points.size(); ++i)
            open.hand.move(points[i], c.keys);
        open.hand.release(*c.releasedAt * zoom, c.keys);
    } else {
        open.hand.drag(points, c.keys);
    }
    return art(editor.Picture());
}

} // namespace

TEST(Tools, DragsAndClicksPaintTheExpectedPixelsAtZoomOneAndTwo)
{
    const ToolCase cases[] = {
        {"line", &TEditeur::line, {}, {{1, 1}, {5, 3}, {8, 2}}, {}, R"(
.........#  ..................##
.####....#  ..................##
.....###.#  ..####............##
.........#  ......#######.....##
.........#  .............###..##
.........#  ..................##
.........#  ..................##
.........#  ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"line ctrl", &TEditeur::line, Qt::ControlModifier, {{2, 1}, {6, 6}}, {}, R"(
.........#  ..................##
..#......#  ..................##
..#......#  ....#.............##
..#......#  ....#.............##
..#......#  ....#.............##
..#......#  ....#.............##
.........#  ....#.............##
.........#  ....#.............##
            ....#.............##
            ....#.............##
            ....#.............##
            ....#.............##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"line shift", &TEditeur::line, Qt::ShiftModifier, {{6, 2}, {1, 6}}, {}, R"(
.........#  ..................##
.........#  ..................##
..#####..#  ..................##
.........#  ..................##
.........#  ...##########.....##
.........#  ..................##
.........#  ..................##
.........#  ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"rectangle", &TEditeur::rectangle, {}, {{1, 1}, {4, 4}, {7, 6}}, {}, R"(
.........#  ..................##
.######..#  ..................##
.#yyyy#..#  ..############....##
.#yyyy#..#  ..#yyyyyyyyyy#....##
.#yyyy#..#  ..#yyyyyyyyyy#....##
.######..#  ..#yyyyyyyyyy#....##
.........#  ..#yyyyyyyyyy#....##
.........#  ..#yyyyyyyyyy#....##
            ..#yyyyyyyyyy#....##
            ..#yyyyyyyyyy#....##
            ..#yyyyyyyyyy#....##
            ..############....##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"rectangle shift right", &TEditeur::rectangle, Qt::ShiftModifier, {{1, 1}, {5, 2}}, {}, R"(
.........#  ..................##
.####....#  ..................##
.#yy#....#  ..########........##
.#yy#....#  ..#yyyyyy#........##
.####....#  ..#yyyyyy#........##
.........#  ..#yyyyyy#........##
.........#  ..#yyyyyy#........##
.........#  ..#yyyyyy#........##
            ..#yyyyyy#........##
            ..########........##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"rectangle shift left", &TEditeur::rectangle, Qt::ShiftModifier, {{7, 5}, {4, 6}}, {}, R"(
.........#  ..................##
.........#  ..................##
....###..#  ..................##
....#y#..#  ..................##
....###..#  ........######....##
.........#  ........#yyyy#....##
.........#  ........#yyyy#....##
.........#  ........#yyyy#....##
            ........#yyyy#....##
            ........######....##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"roundrect", &TEditeur::roundrect, {}, {{0, 0}, {9, 7}}, {}, R"(
.#######.#  ..##############..##
#yyyyyyy##  .#yyyyyyyyyyyyyy#.##
#yyyyyyy##  #yyyyyyyyyyyyyyyy###
#yyyyyyy##  #yyyyyyyyyyyyyyyy###
#yyyyyyy##  #yyyyyyyyyyyyyyyy###
#yyyyyyy##  #yyyyyyyyyyyyyyyy###
.#######.#  #yyyyyyyyyyyyyyyy###
.........#  #yyyyyyyyyyyyyyyy###
            #yyyyyyyyyyyyyyyy###
            #yyyyyyyyyyyyyyyy###
            #yyyyyyyyyyyyyyyy###
            #yyyyyyyyyyyyyyyy###
            .#yyyyyyyyyyyyyy#.##
            ..##############..##
            ..................##
            ..................##)"},
        {"ellipse", &TEditeur::ellipse, {}, {{1, 0}, {9, 7}}, {}, R"(
...####..#  .......######.....##
..#yyyy#.#  .....##yyyyyy##...##
.#yyyyyy##  ....#yyyyyyyyyy#..##
.#yyyyyy##  ...#yyyyyyyyyyyy#.##
.#yyyyyy##  ..#yyyyyyyyyyyyyy###
..#yyyy#.#  ..#yyyyyyyyyyyyyy###
...####..#  ..#yyyyyyyyyyyyyy###
.........#  ..#yyyyyyyyyyyyyy###
            ..#yyyyyyyyyyyyyy###
            ..#yyyyyyyyyyyyyy###
            ...#yyyyyyyyyyyy#.##
            ....#yyyyyyyyyy#..##
            .....##yyyyyy##...##
            .......######.....##
            ..................##
            ..................##)"},
        {"ellipse shift", &TEditeur::ellipse, Qt::ShiftModifier, {{1, 1}, {7, 3}}, {}, R"(
.........#  ..................##
..####...#  ..................##
.#yyyy#..#  .....######.......##
.#yyyy#..#  ....#yyyyyy#......##
.#yyyy#..#  ...#yyyyyyyy#.....##
.#yyyy#..#  ..#yyyyyyyyyy#....##
..####...#  ..#yyyyyyyyyy#....##
.........#  ..#yyyyyyyyyy#....##
            ..#yyyyyyyyyy#....##
            ..#yyyyyyyyyy#....##
            ..#yyyyyyyyyy#....##
            ...#yyyyyyyy#.....##
            ....#yyyyyy#......##
            .....######.......##
            ..................##
            ..................##)"},
        {"freehand", &TEditeur::HandBtn, {}, {{1, 1}, {5, 1}, {2, 1}, {2, 4}, {6, 6}}, {}, R"(
.........#  ..................##
.#####...#  ..................##
..#......#  ..#########.......##
..#......#  ....#.............##
..##.....#  ....#.............##
....##...#  ....#.............##
.........#  ....#.............##
.........#  ....#.............##
            ....##............##
            ......##..........##
            ........##........##
            ..........##......##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"highlighter", &TEditeur::Stabilo, {}, {{5, 2}, {10, 5}}, {}, R"(
.........#  ..................##
.........#  ..................##
.....yyyyb  ..................##
.....yyyyb  ..................##
.....yyyyb  ..........yyyyyyyybb
.........#  ..........yyyyyyyybb
.........#  ..........yyyyyyyybb
.........#  ..........yyyyyyyybb
            ..........yyyyyyyybb
            ..........yyyyyyyybb
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"highlighter released elsewhere", &TEditeur::Stabilo, {}, {{5, 2}, {10, 5}}, QPoint(7, 7), R"(
.........#  ..................##
.........#  ..................##
.....yyyyb  ..................##
.....yyyyb  ..................##
.....yyyyb  ..........yyyyyyyybb
.........#  ..........yyyyyyyybb
.........#  ..........yyyyyyyybb
.........#  ..........yyyyyyyybb
            ..........yyyyyyyybb
            ..........yyyyyyyybb
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"highlighter back to start", &TEditeur::Stabilo, {}, {{3, 2}, {6, 5}, {3, 2}}, {}, R"(
.........#  ..................##
.........#  ..................##
.........#  ..................##
.........#  ..................##
.........#  ..................##
.........#  ..................##
.........#  ..................##
.........#  ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"eraser", &TEditeur::GommeBtn, {}, {{7, 4}, {8, 3}, {10, 1}}, {}, R"(
.........#  ..................##
..........  ..................##
..........  ....................
..........  ....................
.........#  ....................
.........#  ....................
.........#  ....................
.........#  ....................
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##
            ..................##)"},
        {"crop", &TEditeur::DecoupeBtn, {}, {{7, 2}, {8, 3}, {10, 5}}, {}, R"(
..#  ....##
..#  ....##
..#  ....##
     ....##
     ....##
     ....##)"},
        {"crop from the bottom right", &TEditeur::DecoupeBtn, {}, {{10, 5}, {8, 4}, {7, 2}}, {}, R"(
..#  ....##
..#  ....##
..#  ....##
     ....##
     ....##
     ....##)"},
        {"fill", &TEditeur::FillBtn, {}, {{3, 3}}, {}, R"(
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
yyyyyyyyy#  yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##
            yyyyyyyyyyyyyyyyyy##)"},
    };
    for (const ToolCase &c : cases) {
        const auto [zoom1, zoom2] = expected(c);
        EXPECT_EQ(draw(c, 1), zoom1) << c.name << " at zoom 1";
        EXPECT_EQ(draw(c, 2), zoom2) << c.name << " at zoom 2";
    }
}
