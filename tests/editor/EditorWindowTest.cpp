// The editor window: outlines during a drag, crop and undo, text, colour
// picker, zoom, the pen width box, closing with and without saving, the
// effects command, the settings, the right button on the tool bar.
#include "EditorSupport.h"

#include "EffectsDialog.h"
#include "MessageBox.h"
#include "Modal.h"
#include "Registry.h"
#include "TSpinEdit.h"
#include "dib.h"

#include <QColorDialog>
#include <QFile>
#include <QFontDialog>
#include <QFontInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <deque>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <random>

using namespace editortest;

namespace {

QImage noise(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    std::mt19937 random(3);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFF));
    return image;
}

QImage white(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Answers the modal dialogs in turn; each answer sees the dialog and gives its result.
class Answers {
public:
    using Answer = std::function<int(QDialog &)>;
    Answers(std::initializer_list<Answer> answers) : queue_(answers), runner_([this](QDialog &dialog) {
        shown.push_back(QString::fromLatin1(dialog.metaObject()->className()));
        if (queue_.empty())
            return int(QDialog::Rejected);
        const Answer answer = queue_.front();
        queue_.pop_front();
        return answer(dialog);
    }) {}
    QStringList shown;

private:
    std::deque<Answer> queue_;
    platform::ScopedModalRunner runner_;
};

template <typename Dialog> Answers::Answer accept(std::function<void(Dialog &)> fill)
{
    return [fill](QDialog &dialog) {
        auto *typed = qobject_cast<Dialog *>(&dialog);
        if (!typed)
            return int(QDialog::Rejected);
        fill(*typed);
        return int(QDialog::Accepted);
    };
}

QColor swatch(const QFrame *panel)
{
    return panel->palette().color(QPalette::Window);
}

} // namespace

// ---- outlines ------------------------------------------------------------------------

TEST(EditorWindow, AnOutlineFollowsThePointerAndLeavesNoTrace)
{
    const QImage original = noise(QSize(40, 30));
    OpenEditor open(original);
    TEditeur &editor = open.editor;
    editor.rectangle->click();
    open.hand.press({5, 5});
    open.hand.move({20, 15});
    open.hand.move({30, 25});
    EXPECT_TRUE(editor.IsDrawing());
    EXPECT_EQ(editor.StartPoint(), QPoint(5, 5));
    EXPECT_EQ(editor.EndPoint(), QPoint(30, 25));
    // shown, not painted: NOT(pixel XOR black) on the outline, the picture untouched
    EXPECT_EQ(editor.Picture(), original);
    const QImage shown = open.shown();
    EXPECT_EQ(shown.pixel(29, 10), 0xFF000000u | ~original.pixel(29, 10));
    EXPECT_EQ(shown.pixel(19, 10), 0xFF000000u | ~(original.pixel(19, 10) ^ 0xFFFF00)); // the yellow brush inside
    EXPECT_EQ(shown.pixel(35, 10), original.pixel(35, 10));

    // released where no move went first: the rectangle ends there, the last outline goes
    open.hand.release({12, 10});
    EXPECT_FALSE(editor.IsDrawing());
    EXPECT_EQ(editor.Picture().pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(editor.Picture().pixel(11, 9), qRgb(0, 0, 0));
    EXPECT_EQ(editor.Picture().pixel(8, 7), qRgb(255, 255, 0));
    EXPECT_EQ(editor.Picture().pixel(29, 20), original.pixel(29, 20));
    EXPECT_EQ(editor.Picture().pixel(20, 24), original.pixel(20, 24));
    EXPECT_EQ(open.shown(), editor.Picture());
}

TEST(EditorWindow, EscapeCancelsADragWithoutTrace)
{
    const QImage original = noise(QSize(40, 30));
    OpenEditor open(original);
    TEditeur &editor = open.editor;
    editor.Canvas().pen.color = MakeRGB(0, 0, 255);
    editor.Canvas().pen.style = editor::PenStyle::Dash;
    for (QToolButton *tool : {editor.ellipse, editor.Stabilo, editor.DecoupeBtn, editor.GommeBtn, editor.HandBtn}) {
        tool->click();
        open.hand.press({30, 25});
        open.hand.move({20, 15});
        open.hand.move({4, 3}, Qt::ShiftModifier);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&editor, &escape);
        EXPECT_FALSE(editor.IsDrawing() || editor.IsFraming()) << qPrintable(tool->objectName());
        EXPECT_TRUE(editor.isVisible()) << "Escape during a drag does not close the window";
        open.hand.release({4, 3});
        EXPECT_EQ(editor.Picture(), original) << qPrintable(tool->objectName());
        EXPECT_EQ(open.shown(), original) << qPrintable(tool->objectName());
        // the frames and the highlighter put back what they changed
        EXPECT_EQ(editor.Canvas().pen.color, MakeRGB(0, 0, 255));
        EXPECT_EQ(editor.Canvas().pen.style, editor::PenStyle::Dash);
        EXPECT_EQ(editor.Canvas().brush.style, editor::BrushStyle::Solid);
    }
}

TEST(EditorWindow, ShiftPressedDuringADragSquaresTheOutlineAtOnce)
{
    OpenEditor open(white(QSize(40, 30)));
    TEditeur &editor = open.editor;
    editor.ellipse->click();
    open.hand.press({2, 2});
    open.hand.move({20, 8});
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(&editor, &shift);
    // a circle 18 pixels wide: its lowest point is on row 19
    EXPECT_NE(open.shown().pixel(11, 19), qRgb(255, 255, 255));
    open.hand.release({20, 8}, Qt::ShiftModifier);
    EXPECT_EQ(editor.Picture().pixel(11, 19), qRgb(0, 0, 0));
}

// ---- crop and undo -----------------------------------------------------------------------

TEST(EditorWindow, CropDraggedBackwardsThenUndo)
{
    const QImage original = noise(QSize(40, 30));
    OpenEditor open(original);
    TEditeur &editor = open.editor;
    editor.Canvas().pen.color = MakeRGB(255, 0, 0);
    editor.Canvas().pen.style = editor::PenStyle::Dash;
    editor.Canvas().brush = editor::Brush{MakeRGB(0, 255, 0), editor::BrushStyle::Cross};
    editor.DecoupeBtn->click();
    open.hand.drag({{30, 20}, {22, 11}, {10, 5}});
    EXPECT_EQ(editor.Picture(), original.copy(10, 5, 20, 15));
    EXPECT_EQ(editor.Image->size(), QSize(20, 15));
    // the new picture keeps the colours and styles
    EXPECT_EQ(editor.Canvas().pen.color, MakeRGB(255, 0, 0));
    EXPECT_EQ(editor.Canvas().pen.style, editor::PenStyle::Dash);
    EXPECT_EQ(editor.Canvas().pen.mode, editor::PenMode::Copy);
    EXPECT_EQ(editor.Canvas().brush, (editor::Brush{MakeRGB(0, 255, 0), editor::BrushStyle::Cross}));
    EXPECT_EQ(swatch(editor.Panel2), QColor(255, 0, 0));
    ASSERT_TRUE(editor.UndoBtn->isEnabled());
    EXPECT_FALSE(editor.UndoBtn->isHidden());

    editor.UndoBtn->click();
    EXPECT_EQ(editor.Picture(), original);
    EXPECT_EQ(editor.Image->size(), QSize(40, 30));
    EXPECT_FALSE(editor.UndoBtn->isEnabled());
    EXPECT_TRUE(editor.UndoBtn->isHidden());
}

TEST(EditorWindow, AnEmptyCropFrameChangesNothing)
{
    const QImage original = noise(QSize(40, 30));
    OpenEditor open(original);
    open.editor.DecoupeBtn->click();
    open.hand.drag({{10, 5}, {25, 5}});
    EXPECT_EQ(open.editor.Picture(), original);
}

TEST(EditorWindow, UndoGivesBackThePictureBeforeTheStrokeButNotAfterAZoom)
{
    const QImage original = white(QSize(40, 30));
    OpenEditor open(original);
    TEditeur &editor = open.editor;
    editor.HandBtn->click();
    open.hand.drag({{5, 5}, {20, 5}});
    open.hand.drag({{5, 9}, {20, 9}});
    const QImage afterFirst = [&] {
        QImage image = original;
        for (int x = 5; x < 20; ++x)
            image.setPixel(x, 5, qRgb(0, 0, 0));
        return image;
    }();
    editor.UndoBtn->click();
    EXPECT_EQ(editor.Picture(), afterFirst);
    EXPECT_TRUE(editor.UndoBtn->isHidden());

    open.hand.drag({{5, 9}, {20, 9}});
    EXPECT_FALSE(editor.UndoBtn->isHidden());
    editor.SpeedButton1->click();
    EXPECT_FALSE(editor.Canvas().hasSnapshot());
    EXPECT_TRUE(editor.UndoBtn->isHidden());
    EXPECT_FALSE(editor.UndoBtn->isEnabled());
}

// The snapshot keeps the picture tile by tile as it changes: a fill over a
// picture whose size is no multiple of the tiles comes back whole.
TEST(EditorWindow, UndoGivesBackAPageFilledToItsEdges)
{
    QImage page = white(QSize(300, 203));
    for (int x = 0; x < 300; ++x)
        page.setPixel(x, 150, qRgb(0, 0, 0));
    OpenEditor open(page);
    TEditeur &editor = open.editor;
    editor.FillBtn->click();
    open.hand.click({299, 202});
    EXPECT_EQ(editor.Picture().pixel(0, 151), qRgb(255, 255, 0));
    EXPECT_EQ(editor.Picture().pixel(0, 149), qRgb(255, 255, 255));
    open.hand.click({5, 5});
    editor.UndoBtn->click();
    QImage expected = page;
    for (int y = 151; y < 203; ++y)
        for (int x = 0; x < 300; ++x)
            expected.setPixel(x, y, qRgb(255, 255, 0));
    EXPECT_EQ(editor.Picture(), expected);
}

// ---- text, colour picker ---------------------------------------------------------------

TEST(EditorWindow, TextIsWrittenInTheChosenFontOnTheBrush)
{
    OpenEditor open(white(QSize(200, 80)));
    TEditeur &editor = open.editor;
    QString title, prompt;
    Answers answers{accept<QFontDialog>([](QFontDialog &dialog) {
                        dialog.setCurrentFont(QFont(QStringLiteral("DejaVu Serif"), 18));
                    }),
                    accept<QInputDialog>([&](QInputDialog &input) {
                        title = input.windowTitle();
                        prompt = input.labelText();
                        EXPECT_TRUE(input.textValue().isEmpty());
                        input.setTextValue(QStringLiteral("Quillon"));
                    })};
    editor.FontBtn->click();
    EXPECT_EQ(QFontInfo(editor.Canvas().font).family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(editor.Canvas().font.pixelSize(), 24); // 18 points on a 96-dpi screen
    editor.Canvas().pen.color = MakeRGB(255, 0, 0);
    editor.TextBtn->click();
    open.hand.click({10, 20});
    EXPECT_EQ(answers.shown, QStringList({"QFontDialog", "QInputDialog"}));
    EXPECT_EQ(title, QApplication::applicationName());
    EXPECT_EQ(prompt, QStringLiteral("Texte :"));

    const QImage &result = editor.Picture();
    const QFontMetrics metrics(editor.Canvas().font);
    const QRect cell(QPoint(10, 20), QSize(metrics.horizontalAdvance(QStringLiteral("Quillon")), metrics.height()));
    int ink = 0;
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            const QRgb pixel = result.pixel(x, y);
            if (!cell.contains(x, y)) {
                ASSERT_EQ(pixel, qRgb(255, 255, 255)) << x << "," << y;
                continue;
            }
            ink += qRed(pixel) > 200 && qGreen(pixel) < 60;
            ASSERT_EQ(qBlue(pixel) < 60, true) << "on the yellow brush, in red";
        }
    }
    EXPECT_GT(ink, 60);
    EXPECT_EQ(result.pixel(cell.topLeft()), qRgb(255, 255, 0));
}

TEST(EditorWindow, TextOnAClearOrHatchedBrushKeepsThePaperAndNothingComesOfNoText)
{
    OpenEditor open(white(QSize(120, 40)));
    TEditeur &editor = open.editor;
    editor.TextBtn->click();
    editor.Canvas().brush.style = editor::BrushStyle::Cross;
    {
        Answers answers{accept<QInputDialog>([](QInputDialog &input) { input.setTextValue(QStringLiteral("W")); })};
        open.hand.click({4, 4});
    }
    const QImage written = editor.Picture();
    int yellow = 0, black = 0;
    for (int y = 0; y < written.height(); ++y)
        for (int x = 0; x < written.width(); ++x) {
            yellow += written.pixel(x, y) == qRgb(255, 255, 0);
            black += written.pixel(x, y) == qRgb(0, 0, 0);
        }
    EXPECT_EQ(yellow, 0);
    EXPECT_GT(black, 0);
    {
        Answers answers{accept<QInputDialog>([](QInputDialog &input) { input.setTextValue(QString()); })};
        open.hand.click({60, 4});
    }
    {
        Answers cancelled{};
        open.hand.click({80, 4});
    }
    EXPECT_EQ(editor.Picture(), written);
}

TEST(EditorWindow, ColourPickerFeedsThePenAndTheBrush)
{
    QImage image = white(QSize(20, 20));
    image.setPixel(7, 8, qRgb(10, 200, 30));
    OpenEditor open(image);
    TEditeur &editor = open.editor;
    editor.PipetteBtn->click();
    open.hand.click({7, 8});
    EXPECT_EQ(editor.Canvas().pen.color, MakeRGB(10, 200, 30));
    EXPECT_EQ(editor.Canvas().brush.color, MakeRGB(10, 200, 30));
    EXPECT_EQ(swatch(editor.Panel2), QColor(10, 200, 30));
    EXPECT_EQ(swatch(editor.Panel3), QColor(10, 200, 30));
    EXPECT_EQ(editor.Picture(), image);
    // and the next stroke is in that colour
    editor.line->click();
    open.hand.drag({{1, 1}, {5, 1}});
    EXPECT_EQ(editor.Picture().pixel(2, 1), qRgb(10, 200, 30));
}

// ---- zoom ------------------------------------------------------------------------------

TEST(EditorWindow, ZoomResamplesThePictureThePenAndTheFont)
{
    OpenEditor open(noise(QSize(300, 200)));
    TEditeur &editor = open.editor;
    editor.SpinEdit->setValue(3);
    editor.Canvas().font.setPixelSize(10);
    editor.SpeedButton1->click();
    editor.SpeedButton1->click();
    EXPECT_EQ(editor.ZoomFactor, 4);
    EXPECT_FALSE(editor.SpeedButton1->isEnabled());
    EXPECT_TRUE(editor.SpeedButton2->isEnabled());
    EXPECT_TRUE(editor.SpeedButton3->isEnabled());
    EXPECT_EQ(editor.Picture().size(), QSize(1200, 800));
    EXPECT_EQ(editor.Canvas().pen.width, 12);
    EXPECT_EQ(editor.SpinEdit->value(), 12);
    EXPECT_EQ(editor.Canvas().font.pixelSize(), 40);
    EXPECT_EQ(editor.Image->size(), QSize(1200, 800));

    editor.SpeedButton2->click();
    EXPECT_EQ(editor.ZoomFactor, 2);
    EXPECT_TRUE(editor.SpeedButton1->isEnabled());
    EXPECT_TRUE(editor.SpeedButton3->isEnabled());
    EXPECT_EQ(editor.Picture().size(), QSize(600, 400));

    editor.SpeedButton3->click();
    EXPECT_EQ(editor.ZoomFactor, 1);
    EXPECT_EQ(editor.Picture().size(), QSize(300, 200));
    EXPECT_EQ(editor.Canvas().pen.width, 3);
    EXPECT_EQ(editor.Canvas().font.pixelSize(), 10);
    EXPECT_FALSE(editor.SpeedButton2->isEnabled());
    EXPECT_FALSE(editor.SpeedButton3->isEnabled());
    EXPECT_TRUE(editor.SpeedButton1->isEnabled());
    // a picture zoomed in and back is the picture (nearest-pixel resampling)
    EXPECT_EQ(editor.Picture(), noise(QSize(300, 200)));
}

TEST(EditorWindow, ZoomKeepsThePointInTheMiddleOfTheView)
{
    OpenEditor open(noise(QSize(800, 600)));
    TEditeur &editor = open.editor;
    editor.resize(500, 400);
    QCoreApplication::processEvents();
    QScrollBar *across = editor.ScrollBox1->horizontalScrollBar();
    QScrollBar *down = editor.ScrollBox1->verticalScrollBar();
    across->setValue(200);
    down->setValue(150);
    const QSize view = editor.ScrollBox1->viewport()->size();
    const QPoint middle(200 + view.width() / 2, 150 + view.height() / 2);
    editor.SpeedButton1->click();
    EXPECT_EQ(across->value() + view.width() / 2, middle.x() * 2);
    EXPECT_EQ(down->value() + view.height() / 2, middle.y() * 2);
    editor.SpeedButton3->click();
    EXPECT_EQ(across->value() + view.width() / 2, middle.x());
    EXPECT_EQ(down->value() + view.height() / 2, middle.y());
}

TEST(EditorWindow, MouseCoordinatesArePixelsOfTheZoomedPicture)
{
    OpenEditor open(white(QSize(50, 40)));
    TEditeur &editor = open.editor;
    editor.SpeedButton1->click();
    open.hand.press({61, 33});
    EXPECT_EQ(editor.originpanel->text(), QStringLiteral("Origine : (61,33)"));
    open.hand.move({70, 41});
    EXPECT_EQ(editor.currentpanel->text(), QStringLiteral("Position courante : (70,41)"));
    open.hand.release({70, 41});
    // over the scroll box beside the picture, the position goes
    QWidget *box = editor.ScrollBox1->viewport();
    QMouseEvent beside(QEvent::MouseMove, QPointF(300, 300), QPointF(box->mapToGlobal(QPoint(300, 300))), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(box, &beside);
    EXPECT_TRUE(editor.currentpanel->text().isEmpty());
}

TEST(EditorWindow, PenWidthBoxBringsWidthsBackToOneToAHundred)
{
    OpenEditor open(white(QSize(10, 10)));
    TEditeur &editor = open.editor;
    const std::pair<const char *, int> typed[] = {{"7", 7}, {"150", 100}, {"999", 100}, {"", 1}, {"42", 42}};
    for (const auto &[text, width] : typed) {
        editor.SpinEdit->findChild<QLineEdit *>()->setText(QString::fromLatin1(text));
        editor.SpinEdit->interpretText();
        EXPECT_EQ(editor.Canvas().pen.width, width) << text;
        EXPECT_EQ(editor.SpinEdit->value(), width) << text;
    }
}

// ---- opening and closing -----------------------------------------------------------------

TEST(EditorWindow, OpeningStartsAfreshWithTheHighlighterYellow)
{
    OpenEditor open(white(QSize(30, 30)));
    TEditeur &editor = open.editor;
    editor.SpinEdit->setValue(9);
    editor.Canvas().pen.color = MakeRGB(1, 2, 3);
    editor.SpeedButton1->click();
    editor.hide();
    editor.SetPicture(white(QSize(12, 8)));
    editor.show();
    EXPECT_EQ(editor.ZoomFactor, 1);
    EXPECT_TRUE(editor.SpeedButton1->isEnabled());
    EXPECT_FALSE(editor.SpeedButton2->isEnabled());
    EXPECT_FALSE(editor.SpeedButton3->isEnabled());
    EXPECT_FALSE(editor.UndoBtn->isEnabled());
    EXPECT_EQ(editor.Canvas().pen, editor::Pen());
    EXPECT_EQ(editor.SpinEdit->value(), 1);
    EXPECT_EQ(editor.Canvas().brush, (editor::Brush{MakeRGB(255, 255, 0), editor::BrushStyle::Solid}));
    EXPECT_EQ(swatch(editor.Panel3), QColor(255, 255, 0));
    EXPECT_EQ(swatch(editor.Panel2), QColor(0, 0, 0));
}

TEST(EditorWindow, SavingHandsThePictureBackAtItsSizeBeforeZooming)
{
    const QImage original = white(QSize(30, 20));
    TEditeur editor;
    std::vector<TEditeur::HandBack> handed;
    editor.setOwner({[&](const TEditeur::HandBack &back) { handed.push_back(back); }});
    Hand hand(editor.Image);
    Answers answers{[&](QDialog &) {
        editor.show();
        editor.SpeedButton1->click();
        editor.line->click();
        hand.drag({{4, 6}, {40, 6}});
        editor.CloseYBtn->click();
        return editor.result();
    }};
    EXPECT_EQ(editor.Edit(original), QDialog::Accepted);
    ASSERT_EQ(handed.size(), 1u);
    const QImage back = handed[0].picture.image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(back.size(), QSize(30, 20));
    EXPECT_FALSE(handed[0].resized());
    EXPECT_EQ(back.pixel(10, 3), qRgb(0, 0, 0));
    EXPECT_EQ(editor.ZoomFactor, 1);
    EXPECT_TRUE(editor.isHidden());
}

TEST(EditorWindow, ClosingWithoutSavingLeavesTheOpenersPictureAlone)
{
    QImage opener = noise(QSize(30, 20));
    const QImage before = opener.copy();
    TEditeur editor;
    bool handedBack = false;
    editor.setOwner({[&](const TEditeur::HandBack &) { handedBack = true; }});
    Hand hand(editor.Image);
    Answers answers{[&](QDialog &) {
        editor.show();
        editor.rectangle->click();
        hand.drag({{2, 2}, {20, 15}});
        hand.press({5, 5});
        hand.move({25, 18}); // a drag under way when the window closes
        editor.CloseNBtn->click();
        return editor.result();
    }};
    EXPECT_EQ(editor.Edit(opener), QDialog::Rejected);
    EXPECT_FALSE(handedBack);
    EXPECT_EQ(opener, before);
    EXPECT_FALSE(editor.IsDrawing());
    EXPECT_FALSE(editor.Canvas().hasOutlines());
}

TEST(EditorWindow, SavingDuringAStrokeFinishesIt)
{
    TEditeur editor;
    QImage back;
    editor.setOwner({[&](const TEditeur::HandBack &handed) { back = handed.picture.image(); }});
    editor.SetPicture(white(QSize(30, 20)));
    editor.show();
    Hand hand(editor.Image);
    editor.HandBtn->click();
    hand.press({2, 2});
    hand.move({12, 2});
    editor.CloseYBtnClick();
    EXPECT_FALSE(editor.IsDrawing());
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32).pixel(11, 2), qRgb(0, 0, 0));
}

TEST(EditorWindow, CroppingGivesTheSizeThatKeepsThePicturesScaleOnTheSheet)
{
    TEditeur editor;
    std::optional<TEditeur::HandBack> back;
    editor.setOwner({[&](const TEditeur::HandBack &handed) { back = handed; }});
    editor.SetPicture(white(QSize(400, 300)));
    editor.show();
    Hand hand(editor.Image);
    editor.DecoupeBtn->click();
    hand.drag({{50, 60}, {150, 160}});
    editor.CloseYBtnClick();
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->resized());
    EXPECT_EQ(back->picture.image().size(), QSize(100, 100));
    EXPECT_EQ(back->displayedSize(QSize(200, 150)), QSize(50, 50));
}

TEST(EditorWindow, ThePictureGoesBackAtItsDepthWhenNoColourIsLost)
{
    // every one of the 256 grey levels, once in the upper half and once in the lower
    QImage grey(32, 16, QImage::Format_Indexed8);
    for (int i = 0; i < 256; ++i)
        grey.setColor(i, qRgb(i, i, i));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            grey.setPixel(x, y, uint((x + 32 * y) % 256));
    QImage mono(20, 10, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    struct Case {
        const char *name;
        QImage picture;
        TRGB pen;
        int depth;
    };
    const Case cases[] = {
        {"grey retouched in black", grey, editor::Black, 8},
        {"all greys and a red stroke", grey, MakeRGB(255, 0, 0), 24},
        {"black and white retouched in black", mono, editor::Black, 1},
        {"black and white with a grey stroke", mono, MakeRGB(128, 128, 128), 24},
        {"black and white with a red stroke", white(QSize(20, 10)).convertToFormat(QImage::Format_Indexed8), MakeRGB(255, 0, 0), 8},
        {"colour", white(QSize(20, 10)), editor::Black, 24},
    };
    for (const Case &c : cases) {
        TEditeur editor;
        std::optional<TEditeur::HandBack> back;
        editor.setOwner({[&](const TEditeur::HandBack &handed) { back = handed; }});
        editor.SetPicture(c.picture);
        editor.show();
        editor.Canvas().pen.color = c.pen;
        editor.HandBtn->click();
        Hand(editor.Image).drag({{1, 1}, {15, 7}});
        const QImage drawn = editor.Picture();
        editor.CloseYBtnClick();
        ASSERT_TRUE(back) << c.name;
        EXPECT_EQ(back->picture.bitCount(), c.depth) << c.name;
        EXPECT_EQ(back->picture.image().convertToFormat(QImage::Format_RGB32), drawn) << c.name;
    }
}

// ---- effects -----------------------------------------------------------------------------

namespace {

// An effects dialog that inverts its picture.
class InvertingEffects : public imaging::TEffectsDialogPort {
public:
    QDialog &window() override { return dialog_; }
    void prepare(const QCursor &, const imaging::TEffectsTransition &, GlobalBlock working) override
    {
        working_ = std::move(working);
        GlobalLockGuard lock(working_.get());
        auto *header = lock.as<BITMAPINFOHEADER>();
        BYTE *bits = dib_bits(header);
        for (size_t i = 0; i < dib_image_bytes(header); ++i)
            bits[i] = BYTE(255 - bits[i]);
    }
    imaging::TEffectsTransition transition() const override { return {}; }
    HGLOBAL workingDib() const override { return working_.get(); }

private:
    QDialog dialog_;
    GlobalBlock working_;
};

} // namespace

TEST(EditorWindow, EffectsThatCannotRunAreReportedAndChangeNothing)
{
    imaging::SetEffectsDialogFactory({});
    const QImage original = noise(QSize(16, 12));
    OpenEditor open(original);
    platform::MessageRecorder messages;
    platform::ScopedMessageService service(&messages);
    open.editor.FXBtn->click();
    EXPECT_EQ(messages.texts(), QStringList({"The effects dialog is not available"}));
    EXPECT_EQ(open.editor.Picture(), original);
}

TEST(EditorWindow, EffectsReplaceThePicture)
{
    imaging::SetEffectsDialogFactory([](QWidget &) { return std::make_unique<InvertingEffects>(); });
    const QImage original = noise(QSize(16, 12));
    OpenEditor open(original);
    Answers answers{[](QDialog &) { return int(QDialog::Accepted); }};
    open.editor.FXBtn->click();
    imaging::SetEffectsDialogFactory({});
    QImage inverted = original;
    inverted.invertPixels();
    EXPECT_EQ(open.editor.Picture(), inverted);
    open.editor.UndoBtn->click();
    EXPECT_EQ(open.editor.Picture(), original);
}

// ---- the tool bar's right button ---------------------------------------------------------

TEST(EditorWindow, RightButtonOnAToolOpensItsColour)
{
    OpenEditor open(white(QSize(10, 10)));
    TEditeur &editor = open.editor;
    auto rightPress = [](QWidget *button) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(button->mapToGlobal(QPoint(5, 5))),
                          Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(button, &press);
    };
    QColor preset;
    Answers answers{accept<QColorDialog>([&](QColorDialog &dialog) {
                        preset = dialog.currentColor();
                        dialog.setCurrentColor(QColor(0, 128, 255));
                    }),
                    accept<QColorDialog>([](QColorDialog &dialog) { dialog.setCurrentColor(QColor(250, 0, 250)); })};
    rightPress(editor.rectangle);
    EXPECT_EQ(preset, QColor(0, 0, 0));
    EXPECT_EQ(editor.Canvas().pen.color, MakeRGB(0, 128, 255));
    EXPECT_EQ(swatch(editor.Panel2), QColor(0, 128, 255));
    EXPECT_TRUE(editor.line->isChecked()) << "the tool stays";
    rightPress(editor.FillBtn);
    EXPECT_EQ(editor.Canvas().brush.color, MakeRGB(250, 0, 250));
    rightPress(editor.AeroBtn);
    EXPECT_TRUE(editor.AeroPopup->isVisible());
    EXPECT_EQ(answers.shown.size(), 2);
    editor.AeroPopup->hide();
}

// ---- settings ------------------------------------------------------------------------------

TEST(EditorSettings, FirstStartCentresAndTheNextStartsWhereTheLastEnded)
{
    QString file;
    {
        const TEditeur probe;
        file = platform::RegistryKey(probe.SettingsName).fileName();
    }
    QFile::remove(file);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    {
        TEditeur first;
        EXPECT_EQ(first.size(), QSize(640, 480));
        EXPECT_EQ(first.pos(), QPoint((screen.width() - 640) / 2, (screen.height() - 480) / 2));
        EXPECT_FALSE(first.pen->isChecked());
        EXPECT_FALSE(first.brush->isChecked());
        EXPECT_FALSE(first.Penbar->isVisibleTo(&first));
        EXPECT_FALSE(first.brushbar->isVisibleTo(&first));
        EXPECT_EQ(first.AeroRay, 10);
        EXPECT_EQ(first.AeroPress, 1);
        first.pen->click();
        first.brush->click();
        first.AeroRay = 25;
        first.AeroPress = 7;
        first.resize(700, 500);
        first.move(30, 40);
    }
    {
        TEditeur next;
        EXPECT_EQ(next.size(), QSize(700, 500));
        EXPECT_EQ(next.pos(), QPoint(30, 40));
        EXPECT_TRUE(next.pen->isChecked());
        EXPECT_TRUE(next.Penbar->isVisibleTo(&next));
        EXPECT_TRUE(next.brushbar->isVisibleTo(&next));
        EXPECT_EQ(next.AeroRay, 25);
        EXPECT_EQ(next.AeroPress, 7);
    }
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[Editeur]")));
    EXPECT_TRUE(text.contains(QStringLiteral("AeroRay=25")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pen=1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Maxi=0")));
}

TEST(EditorSettings, AirbrushSettingsBelowOneAreTakenAsOne)
{
    QString name;
    {
        const TEditeur probe;
        name = probe.SettingsName;
    }
    {
        platform::RegistryKey key(name);
        key.writeString(QStringLiteral("Editeur"), QStringLiteral("AeroRay"), QStringLiteral("0"));
        key.writeString(QStringLiteral("Editeur"), QStringLiteral("AeroPress"), QStringLiteral("-4"));
    }
    const TEditeur editor;
    EXPECT_EQ(editor.AeroRay, 1);
    EXPECT_EQ(editor.AeroPress, 1);
}

// Absurd stored sizes (16777215, 0, 40000) give a window within the screen, never one of gigabytes.
TEST(EditorSettings, StoredSizesAreKeptWithinTheScreen)
{
    QString name;
    {
        const TEditeur probe;
        name = probe.SettingsName;
    }
    const QSize room = QGuiApplication::primaryScreen()->availableSize();
    for (const char *size : {"16777215", "0", "40000", "-5"}) {
        {
            platform::RegistryKey key(name);
            key.writeString(QStringLiteral("Editeur"), QStringLiteral("Maxi"), QStringLiteral("0"));
            key.writeString(QStringLiteral("Editeur"), QStringLiteral("w"), QLatin1String(size));
            key.writeString(QStringLiteral("Editeur"), QStringLiteral("h"), QLatin1String(size));
        }
        const TEditeur editor;
        EXPECT_LE(editor.width(), std::max(room.width(), 200)) << size;
        EXPECT_LE(editor.height(), std::max(room.height(), 150)) << size;
        EXPECT_GE(editor.width(), 200) << size;
        EXPECT_GE(editor.height(), 150) << size;
    }
}
