// The sheet arithmetic of the main window, on a printer of known geometry:
// A4 at 600 dpi with 4 mm margins, i.e. a page of 4961 x 7016 pixels with
// a printable area of 4773 x 6828 at (94, 94).  The preview is 293 x 415.
#include "Handles.h"
#include "HelpViewer.h"
#include "Slogo.h"
#include "TPicture.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QLabel>
#include <QScrollBar>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

struct MainWindow : WindowTest {
    void setPicture(int width, int height)
    {
        QImage picture(width, height, QImage::Format_RGB888);
        picture.fill(Qt::gray);
        image()->setPicture(picture);
        setState("NaturalWidth", width);
        setState("NaturalHeight", height);
    }

    void chooseFormat(int index)
    {
        ui<QComboBox>("ComboFormats")->setCurrentIndex(index);
        form->ComboFormatsChange(index);
    }
};

} // namespace

TEST_F(MainWindow, SheetFromThePrinter)
{
    EXPECT_DOUBLE_EQ(form->sheet().printableWidthRatio(), 4773.0 / 4961.0);
    EXPECT_DOUBLE_EQ(form->sheet().printableHeightRatio(), 6828.0 / 7016.0);
    EXPECT_DOUBLE_EQ(form->sheet().offsetXRatio(), 94.0 / 4961.0);
    EXPECT_DOUBLE_EQ(form->sheet().offsetYRatio(), 94.0 / 7016.0);
    EXPECT_EQ(QRect(QPoint(form->X0(), form->Y0()), QPoint(form->X1(), form->Y1())), QRect(QPoint(6, 6), QPoint(287, 409)));
    EXPECT_EQ(form->PW(), 282);
    EXPECT_EQ(form->PH(), 404);
    const QImage &sheet = page()->picture();
    EXPECT_EQ(sheet.size(), QSize(293, 415));
    EXPECT_EQ(sheet.pixelColor(0, 200), QColor(Qt::black));
    EXPECT_EQ(sheet.pixelColor(6, 200), QColor(Qt::red));
    EXPECT_EQ(sheet.pixelColor(286, 200), QColor(Qt::red));
    EXPECT_EQ(sheet.pixelColor(100, 408), QColor(Qt::red));
    EXPECT_EQ(sheet.pixelColor(100, 200), QColor(Qt::white));
    EXPECT_EQ(ui<QScrollBar>("Haut")->maximum(), 297);
    EXPECT_EQ(ui<QScrollBar>("HautIm")->maximum(), 297);
    EXPECT_EQ(ui<QScrollBar>("Gauche")->maximum(), 210);
    EXPECT_EQ(ui<QScrollBar>("LargIm")->maximum(), 210);
}

TEST_F(MainWindow, LandscapeExchangesTheRatios)
{
    platform::Printer::instance().setOrientation(platform::Orientation::Landscape);
    form->DrawSheet();
    EXPECT_DOUBLE_EQ(form->sheet().printableWidthRatio(), 4773.0 / 4961.0);
    EXPECT_DOUBLE_EQ(form->sheet().offsetYRatio(), 94.0 / 7016.0);
    setPicture(100, 50);
    form->PlaceNewImage();
    EXPECT_EQ(image()->size(), QSize(50, 100)); // natural size exchanged
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
}

TEST_F(MainWindow, MillimetreConversions)
{
    struct Case {
        int mm, pxX, pxY;
    };
    for (const Case &c : {Case{0, 0, 0}, Case{10, 14, 14}, Case{148, 206, 207}, Case{210, 293, 293}, Case{297, 414, 415}}) {
        EXPECT_EQ(form->MmToPixelsX(c.mm), c.pxX) << c.mm;
        EXPECT_EQ(form->MmToPixelsY(c.mm), c.pxY) << c.mm;
    }
    for (auto [px, mm] : {std::pair{0, 0}, {6, 4}, {100, 72}, {278, 199}, {394, 282}}) {
        EXPECT_EQ(form->PixelsToMmX(px), mm) << px;
        EXPECT_EQ(form->PixelsToMmY(px), mm) << px;
    }
    ui<TMMBitmapCheckBox>("PaysBtn")->setChecked(true); // landscape box: the horizontal axis is the paper's height
    EXPECT_EQ(form->MmToPixelsX(210), 207);
    EXPECT_EQ(form->MmToPixelsY(148), 292);
}

TEST_F(MainWindow, SamplePictureIsPlacedInThePrintableArea)
{
    // 293 x 415 does not fit in 278 x 400: scaled to the largest size that does.
    EXPECT_EQ(image()->geometry(), QRect(8, 8, 278, 394));
    EXPECT_EQ(ui<QScrollBar>("Zoom")->value(), 95);
    EXPECT_EQ(ui<QLabel>("ZoomLabel")->text(), QStringLiteral("95%"));
    EXPECT_EQ(ui<QScrollBar>("LargIm")->value(), 199);
    EXPECT_EQ(ui<QLabel>("Label10")->text(), QStringLiteral("199 mm"));
    EXPECT_EQ(ui<QScrollBar>("HautIm")->value(), 282);
    EXPECT_EQ(ui<QScrollBar>("Gauche")->value(), 6);
    EXPECT_EQ(ui<QLabel>("Label6")->text(), QStringLiteral("6 mm"));
}

TEST_F(MainWindow, PlaceNewImage)
{
    struct Case {
        QSize natural, placed;
        int zoom;
    };
    const Case cases[] = {
        {{100, 50}, {100, 50}, 100},   // fits: natural size
        {{278, 100}, {278, 100}, 100}, // exactly PW - 4: not scaled
        {{279, 100}, {278, 100}, 100}, // one pixel wider: scaled to PW - 4
        {{100, 401}, {100, 400}, 100}, // one pixel taller
        {{1000, 200}, {278, 56}, 28},
        {{200, 1000}, {80, 400}, 40},
    };
    for (const Case &c : cases) {
        setPicture(c.natural.width(), c.natural.height());
        form->PlaceNewImage();
        EXPECT_EQ(image()->geometry(), QRect(QPoint(8, 8), c.placed)) << c.natural.width() << "x" << c.natural.height();
        EXPECT_EQ(ui<QScrollBar>("Zoom")->value(), c.zoom) << c.natural.width() << "x" << c.natural.height();
    }
}

TEST_F(MainWindow, DuplicationIsOfferedWhenTwoCopiesFit)
{
    const std::pair<QSize, bool> cases[] = {
        {{139, 300}, true},  // two side by side
        {{200, 200}, true},  // two one above the other
        {{140, 201}, false}, // neither
    };
    for (auto [size, offered] : cases) {
        image()->resize(size);
        form->UpdateDuplicateOffer();
        EXPECT_EQ(!ui<TMMBitmapCheckBox>("Dupliquer")->isHidden(), offered) << size.width() << "x" << size.height();
        EXPECT_EQ(ui<TMMBitmapCheckBox>("Poster")->x(), offered ? 117 : 13);
    }
}

TEST_F(MainWindow, ZoomKeepsThePictureOrTheDisplayedAspect)
{
    setPicture(200, 100);
    form->PlaceNewImage();
    image()->resize(150, 100); // displayed aspect differs from the picture's
    ui<QScrollBar>("Zoom")->setValue(150);
    ui<TMMBitmapCheckBox>("conserver")->setChecked(true);
    form->ApplyZoom();
    EXPECT_EQ(image()->size(), QSize(300, 150));
    image()->resize(150, 100);
    ui<TMMBitmapCheckBox>("conserver")->setChecked(false);
    form->ApplyZoom();
    EXPECT_EQ(image()->size(), QSize(225, 150));
    EXPECT_EQ(ui<QLabel>("ZoomLabel")->text(), QStringLiteral("150%"));
}

TEST_F(MainWindow, PredefinedFormats)
{
    chooseFormat(2); // A5
    EXPECT_FALSE(ui<TMMBitmapCheckBox>("conserver")->isChecked());
    EXPECT_EQ(ui<QScrollBar>("LargIm")->value(), 148);
    EXPECT_EQ(ui<QScrollBar>("HautIm")->value(), 210);
    EXPECT_EQ(image()->size(), QSize(206, 293));
    EXPECT_EQ(image()->pos(), QPoint(8, 8));

    ui<TMMBitmapCheckBox>("PaysBtn")->setChecked(true);
    chooseFormat(7); // Photo 150x100 on the turned sheet
    EXPECT_EQ(ui<QScrollBar>("LargIm")->value(), 100);
    EXPECT_EQ(ui<QScrollBar>("HautIm")->value(), 150);
    ui<TMMBitmapCheckBox>("PaysBtn")->setChecked(false);

    chooseFormat(4); // A3 on A4 paper: clamped to the bars' maxima, moved to the corner
    EXPECT_EQ(ui<QScrollBar>("LargIm")->value(), 210);
    EXPECT_EQ(ui<QScrollBar>("HautIm")->value(), 297);
    EXPECT_EQ(image()->geometry(), QRect(0, 0, 293, 415));
    EXPECT_EQ(ui<QScrollBar>("Gauche")->value(), 0);
}

TEST_F(MainWindow, ScrollHandlers)
{
    setPicture(200, 100);
    form->PlaceNewImage();
    ui<QScrollBar>("LargIm")->setValue(100);
    form->LargImScroll(); // keeps proportions: 140 wide, 70 high
    EXPECT_EQ(image()->size(), QSize(140, 70));
    EXPECT_EQ(ui<QScrollBar>("HautIm")->value(), 50);
    EXPECT_EQ(ui<QScrollBar>("Zoom")->value(), 70);
    ui<QScrollBar>("Haut")->setValue(50);
    form->HautScroll();
    ui<QScrollBar>("Gauche")->setValue(10);
    form->GaucheScroll();
    EXPECT_EQ(image()->pos(), QPoint(14, 70));
    EXPECT_EQ(ui<QComboBox>("ComboFormats")->currentIndex(), 0);
}

TEST_F(MainWindow, PlacementButtons)
{
    setPicture(100, 50);
    form->PlaceNewImage();
    form->centrerpClick();
    EXPECT_EQ(image()->pos(), QPoint(96, 182));
    EXPECT_EQ(handles()->attachedCount(), 1);
    form->OrigBtnClick();
    EXPECT_EQ(image()->pos(), QPoint(8, 8));
    EXPECT_EQ(handles()->attachedCount(), 0);
    form->FillBtnClick(); // keeps proportions: width first, since the picture is wider
    EXPECT_EQ(image()->geometry(), QRect(8, 8, 278, 139));
    ui<TMMBitmapCheckBox>("conserver")->setChecked(false);
    form->FillBtnClick();
    EXPECT_EQ(image()->geometry(), QRect(8, 8, 278, 400));
    ui<TMMBitmapCheckBox>("conserver")->click(); // checking it re-proportions at once
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("conserver")->isChecked());
    EXPECT_EQ(image()->size(), QSize(278, 139));
}

TEST_F(MainWindow, HandleDragRederivesTheLayout)
{
    setPicture(100, 50);
    form->PlaceNewImage();
    form->ImageClick();
    ASSERT_EQ(handles()->attachedCount(), 1);
    image()->resize(120, 90); // as a handle drag would leave it
    form->SHMouseUp();
    EXPECT_EQ(image()->size(), QSize(120, 60)); // proportions restored
    EXPECT_EQ(ui<QScrollBar>("Zoom")->value(), 120);
    EXPECT_EQ(handles()->attachedCount(), 1);
    form->PageClick();
    EXPECT_EQ(handles()->attachedCount(), 0);
}

TEST(MainWindowWithoutPrinter, DisablesPrintingButStillDrawsTheSheet)
{
    platform::PrinterChoice none;
    none.kind = platform::PrinterChoice::Kind::None;
    platform::Printer::instance().use(none);
    TForm1 form;
    form.FormShow();
    EXPECT_FALSE(controlOf<TMMBitmapButton>(form, "PrintBtn")->isEnabled());
    EXPECT_FALSE(controlOf<TMMBitmapButton>(form, "ConfigBtn")->isEnabled());
    EXPECT_GT(form.PW(), 0);
    EXPECT_EQ(controlOf<TPicture>(form, "Image")->pos(), QPoint(form.X0() + 2, form.Y0() + 2));
}

TEST(Help, PagesForHelpFilesAndContexts)
{
    EXPECT_EQ(HelpViewer::pageFor(QStringLiteral("C:\\Quillon\\QUILLON.HLP")), QStringLiteral("qrc:/help/index.html"));
    EXPECT_EQ(HelpViewer::pageFor(QStringLiteral("/opt/quillon/CATALOG.HLP")), QStringLiteral("qrc:/help/catalog.html"));
    QWidget parent;
    HelpViewer::showContext(QStringLiteral("QUILLON.HLP"), 4, &parent);
    auto *viewer = parent.findChild<HelpViewer *>();
    ASSERT_NE(viewer, nullptr);
    auto *text = viewer->findChild<QTextBrowser *>();
    EXPECT_EQ(text->source().fragment(), QStringLiteral("context-4"));
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Quillon 2002")));
    HelpViewer::showContents(QStringLiteral("CATALOG.HLP"), &parent);
    EXPECT_EQ(parent.findChildren<HelpViewer *>().size(), 1); // one window, reused
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Du même auteur")));
}

TEST_F(MainWindow, F1InAnOpenMenuGivesTheTopicOfItsItem)
{
    ui<QMenu>("Fichier1")->popup(QPoint(0, 0));
    ui<QMenu>("Fichier1")->setActiveAction(item("Ouvrir1"));
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(ui<QMenu>("Fichier1"), &f1);
    auto *viewer = form->findChild<HelpViewer *>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->findChild<QTextBrowser *>()->source().fragment(), QStringLiteral("context-4"));
    ui<QMenu>("Fichier1")->setActiveAction(item("Enregistrersous1"));
    QApplication::sendEvent(ui<QMenu>("Fichier1"), &f1);
    EXPECT_EQ(viewer->findChild<QTextBrowser *>()->source().fragment(), QStringLiteral("context-2"));
    ui<QMenu>("Fichier1")->hide();
}

TEST_F(MainWindow, TheCatalogueLeavesTheProgramsHelpFileInPlace)
{
    const QString own = form->property("HelpFile").toString();
    EXPECT_TRUE(own.endsWith(QStringLiteral("QUILLON.HLP")));
    form->Dummeauteur1Click();
    EXPECT_EQ(form->property("HelpFile").toString(), own);
    EXPECT_TRUE(form->findChild<QTextBrowser *>()->toPlainText().contains(QStringLiteral("Du même auteur")));
}

TEST(Splash, ClientAreaWithinItsBorder)
{
    TLogo splash;
    EXPECT_EQ(splash.size(), QSize(300, 267));
    EXPECT_EQ(splash.Client->geometry(), QRect(1, 1, 298, 265));
}

// The keyboard reaches every control in a sensible order; the bars follow
// the arrow keys, and the margins follow the picture the handles' arrows move.
TEST_F(MainWindow, TheKeyboardReachesEveryControlAndTheBarsFollowIt)
{
    QStringList chain;
    QWidget *control = ui("GoBtn");
    for (int step = 0; step < 200 && chain.size() < 31; ++step, control = control->nextInFocusChain())
        if ((control->focusPolicy() & Qt::TabFocus) && !control->objectName().isEmpty()
            && !control->objectName().startsWith(QLatin1String("qt_")) && control->window() == form.get())
            if (!chain.contains(control->objectName()))
                chain << control->objectName();
    EXPECT_EQ(chain.mid(0, 12), (QStringList{"GoBtn", "ScanSelect", "ScanImage", "PrintBtn", "ConfigBtn", "SpinEdit",
                                             "Dupliquer", "Poster", "PaysBtn", "CheckBox1", "FormatBtn", "Zoom"}));
    EXPECT_TRUE(chain.indexOf(QStringLiteral("HautIm")) < chain.indexOf(QStringLiteral("SpeedButton1")));

    auto press = [](QWidget *target, Qt::Key key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    auto *top = ui<QScrollBar>("Haut");
    EXPECT_TRUE(top->focusPolicy() & Qt::TabFocus);
    press(top, Qt::Key_Right);
    EXPECT_EQ(image()->y(), form->MmToPixelsY(top->value())); // the bar moved the picture
    form->ImageClick();
    const int left = ui<QScrollBar>("Gauche")->value();
    for (int i = 0; i < 5; ++i)
        press(handles(), Qt::Key_Right);
    EXPECT_EQ(ui<QScrollBar>("Gauche")->value(), form->PixelsToMmX(image()->x()));
    EXPECT_GT(ui<QScrollBar>("Gauche")->value(), left);
}
