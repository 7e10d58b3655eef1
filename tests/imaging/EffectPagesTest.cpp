// Every page of the effects dialog, through its controls, calls its export
// with the values the controls say, in the export's order.
#include "EffectFormSupport.h"
#include "TextFit.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QKeyEvent>

#include <functional>

using namespace effectform;
using namespace imaging;

namespace {

struct PageCase {
    const char *page;
    std::function<void(TEffectForm &)> set;
    const char *exportName;
    std::vector<double> values;
};

void bar(TEffectForm &form, const char *name, int position)
{
    child<QSlider>(form, name)->setValue(position);
}

void click(TEffectForm &form, const char *name)
{
    child<QAbstractButton>(form, name)->click();
}

const double face = 240; // the start colour of the dialog's three colours

TEST_F(EffectFormTest, EveryPageCallsItsExportWithTheValuesOfItsControls)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    const QColor window = dialog.palette().color(QPalette::Window);
    // the mask colour chosen in the colour dialog
    platform::ScopedModalRunner colourDialog([](QDialog &d) {
        static_cast<QColorDialog &>(d).setCurrentColor(QColor(10, 20, 30));
        static_cast<QColorDialog &>(d).accept();
        return int(QDialog::Accepted);
    });
    const PageCase cases[] = {
        {"Contraste auto", {}, "AutoContrast", {}},
        {"Sépia", [](TEffectForm &f) { bar(f, "BleedBar", -37); }, "Bled", {-37}},
        {"Bordure",
         [](TEffectForm &f) {
             child<QComboBox>(f, "brShapeCombo")->setCurrentIndex(5);
             click(f, "brWindowColor");
             click(f, "brMaskColorBtn");
         },
         "MergeDib", {10, 20, 30, 0, 0, 40, 30}}, // the mask at the picture's size, at 0, 0
        {"Adoucir bordure", [](TEffectForm &f) { bar(f, "bfEdgeBar", 12); }, "FadeDib",
         {12, double(window.red()), double(window.green()), double(window.blue())}},
        {"Flou", [](TEffectForm &f) { bar(f, "BlurBar", 7); }, "Blur", {7}},
        {"Plus clair", [](TEffectForm &f) { bar(f, "BrightBar", 25); }, "ILBrightness", {25}},
        {"Plus sombre", [](TEffectForm &f) { bar(f, "DarkBar", 40); }, "ILBrightness", {-40}},
        {"Nombre de couleurs",
         [](TEffectForm &f) {
             bar(f, "crColorsBar", 16);
             click(f, "R3");
         },
         "ILReduceColors", {16, 4}},
        {"Anti bruit", [](TEffectForm &f) { bar(f, "dsValueBar", 3); }, "PixelFix", {3}},
        {"Détection de contours", [](TEffectForm &f) { bar(f, "EdgeBar", 5); }, "Edge", {5}},
        {"Gravure", [](TEffectForm &f) { bar(f, "EnGraveBar", 4); }, "Engrave", {4}},
        {"Amélioration",
         [](TEffectForm &f) {
             bar(f, "enBrightBar", 10);
             bar(f, "enContrastBar", -20);
             bar(f, "enGammaBlueBar", 11);
             bar(f, "enGammaGreenBar", 12);
             bar(f, "enGammaRedBar", 13);
         },
         "Enhance", {10, -20, 11, 12, 13}},
        {"Extrusion",
         [](TEffectForm &f) {
             click(f, "Levels");
             bar(f, "exValueBar", 9);
         },
         "ExtrudeDib", {0, 9}},
        {"Gamma", [](TEffectForm &f) { bar(f, "GammaBar", 30); }, "ILGamma", {30}},
        {"Zone grise", {}, "GrayArea", {}},
        {"Niveaux de gris",
         [](TEffectForm &f) {
             bar(f, "htCellSizeBar", 8);
             bar(f, "htAngleBar", 455);
             click(f, "Rdiamond");
         },
         "HToneImage", {8, 45.5, 3}},
        {"Teinte et saturation",
         [](TEffectForm &f) {
             click(f, "a3green"); // one colour: the hue bar back at its middle, 60
             bar(f, "hsSatBar", 150);
             bar(f, "hsBrightBar", 20);
         },
         "ilHueAndSaturation", {0, 1, 0, 0, 0, 0, 0, 50, -80}},
        {"Inversion", {}, "ILInvert", {}},
        {"Bougé",
         [](TEffectForm &f) {
             bar(f, "jgPeriodBar", 5);
             bar(f, "jgAmpBar", 20);
             click(f, "jgTriangle");
         },
         "Jiggle", {5, 20, 1}},
        {"Miroir",
         [](TEffectForm &f) {
             click(f, "VBox");
             click(f, "HBox");
         },
         "ILMirror", {-1, 0}},
        {"Mosaïque",
         [](TEffectForm &f) {
             bar(f, "msSizeBar", 100);
             bar(f, "msHeightBar", 20);
             bar(f, "msSpaceBar", 5);
             bar(f, "msLightBar", -30);
             bar(f, "msRandomBar", 2);
             click(f, "MosAntiA");
             click(f, "btnType");
             click(f, "MosSur2");
         },
         "Mosaic", {100, 20, 5, -30, 2, 0, 1, 0, face, face, face, face, face, face}},
        {"Vitesse",
         [](TEffectForm &f) {
             bar(f, "mtValueBar", 50);
             bar(f, "mtAnglebar", 30);
             click(f, "mtLinear");
         },
         "Motion", {50, 30, 3}},
        {"Bruit",
         [](TEffectForm &f) {
             bar(f, "nsRedBar", 1);
             bar(f, "nsGreenBar", 2);
             bar(f, "nsBlueBar", 3);
             click(f, "nsUniform");
             click(f, "UseGrayValueofPixels");
         },
         "Noise", {0, 1, 1, 2, 3}},
        {"Peinture", [](TEffectForm &f) { bar(f, "opValueBar", 6); }, "OilPainting", {6}},
        {"Page cornée",
         [](TEffectForm &f) {
             click(f, "B_CBC");
             click(f, "C_Trans");
             click(f, "B_CUBC");
             bar(f, "pcShadingBar", 2);
             click(f, "CShade");
             click(f, "C_OV");
             click(f, "C_RB");
         },
         "Curl", {0, 1, 1, 1, 0, 0.5, 0, 0, 1, 0, 0, 1, 0, face, face, face, face, face, face}},
        {"Trou", [](TEffectForm &f) { bar(f, "phValueBar", -12); }, "PinchHole", {-12}},
        {"Polarisation",
         [](TEffectForm &f) {
             bar(f, "plValueBar", 100);
             bar(f, "plAngleBar", 45);
             click(f, "PolInv");
         },
         "RecToPolar", {100, 45, -1, 0}},
        {"Rotation", [](TEffectForm &f) { bar(f, "rtValueBar", 905); }, "ILRotate", {90.5, double(0xF0F0F0)}},
        {"Durcir", [](TEffectForm &f) { bar(f, "shValueBar", 4); }, "Better", {4}},
        {"Adoucir", [](TEffectForm &f) { bar(f, "soValueBar", 9); }, "Better", {-9}},
        {"Spray",
         [](TEffectForm &f) {
             bar(f, "sprValueBar", 30);
             bar(f, "sprRandomBar", 90);
         },
         "Spray", {30, 90}},
        {"Vitrail", {}, "TileDib", {}},
        {"Seuil",
         [](TEffectForm &f) {
             bar(f, "thValueBar", 100);
             click(f, "ThresAnti");
         },
         "ThresholdDib", {100, 0}},
        {"Dissolution",
         [](TEffectForm &f) {
             click(f, "RgbToHueBox");
             bar(f, "wrpScaleBar", 30);
             bar(f, "wrpVecRotateBar", 45);
             bar(f, "wrpStepsBar", 2);
             bar(f, "wrpDisplacementBar", 7);
         },
         "Warp", {0, 1, 1, 30, 45, 2, 7}},
        {"Ondulation",
         [](TEffectForm &f) {
             bar(f, "wvAmplBar", 120);
             bar(f, "wvLengthBar", 30);
             bar(f, "wvPhaseBar", 900);
             click(f, "Smear");
             click(f, "Refl");
         },
         "Wave", {120, 30, 900, 0, 1}},
        {"Torsion", [](TEffectForm &f) { bar(f, "wpValueBar", 1500); }, "Whirl", {1500}},
    };
    for (const PageCase &c : cases) {
        SCOPED_TRACE(c.page);
        dialog.showPage(QString::fromUtf8(c.page));
        ASSERT_EQ(dialog.activePage()->caption(), QString::fromUtf8(c.page));
        if (c.set)
            c.set(dialog);
        ASSERT_TRUE(settle());
        const std::int32_t before = records();
        apply();
        ASSERT_GT(records(), before) << "no export called";
        const FxRecord &call = last();
        EXPECT_STREQ(call.name, c.exportName);
        ASSERT_EQ(call.count, std::int32_t(c.values.size()));
        for (std::size_t i = 0; i < c.values.size(); ++i)
            EXPECT_NEAR(call.values[i], c.values[i], 1e-4) << "value " << i;
        // on the whole picture, at its depth
        EXPECT_EQ(call.width, 40);
        EXPECT_EQ(call.height, 30);
        if (call.hasRect) {
            EXPECT_EQ((std::vector<int>(call.rect, call.rect + 4)), (std::vector<int>{0, 0, 40, 30}));
        }
        EXPECT_TRUE(dialog.ApplyBtn->isEnabled());
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
}

// The pages' start values are those of the effect catalogue, shown as the
// pages show them.
TEST_F(EffectFormTest, BarsStartAtTheCataloguesValues)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    const std::pair<const char *, const char *> starts[] = {
        {"BleedEdit", "0"},      {"htAngleEdit", "45.00"}, {"rtValueEdit", "0.00"}, {"wvAmplEdit", "5.00"},
        {"wvPhaseEdit", "0.10"}, {"hsHueEdit", "180"},     {"hsSatEdit", "100"},    {"crColorsEdit", "255"},
        {"GammaEdit", "10"},     {"msSizeEdit", "150"},    {"pcShadingEdit", "4"},  {"trDelayEdit", "25"},
        {"trThickEdit", "4"},    {"brEdgeEdit", "1"},      {"thValueEdit", "120"},  {"DarkEdit", "0"},
    };
    for (const auto &[name, text] : starts)
        EXPECT_EQ(child<QLineEdit>(dialog, name)->text(), QString::fromLatin1(text)) << name;
    EXPECT_TRUE(child<QRadioButton>(dialog, "Rcross")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "mtZoom")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "B_CUFC")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "C_LT")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "btnType2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(dialog, "MosAntiA")->isChecked());
    EXPECT_FALSE(child<QSlider>(dialog, "mtAnglebar")->isVisibleTo(&dialog)); // no direction for a zoom
    // ranges: the halves of the brightness row, the hue of one colour
    EXPECT_EQ(child<QSlider>(dialog, "DarkBar")->maximum(), 255);
    EXPECT_EQ(child<QSlider>(dialog, "DarkBar")->minimum(), 0);
    EXPECT_EQ(child<QSlider>(dialog, "rtValueBar")->minimum(), -1800);
    click(dialog, "a3red");
    EXPECT_EQ(child<QSlider>(dialog, "hsHueBar")->maximum(), 120);
    EXPECT_EQ(child<QSlider>(dialog, "hsHueBar")->value(), 60);
}

// Typing into an edit: clamped to its bar, "-" left alone is -1, Enter is refused.
TEST_F(EffectFormTest, EditsFollowWhatIsTyped)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    dialog.showPage(QStringLiteral("Rotation"));
    auto type = [](QLineEdit *edit, const QString &keys) {
        edit->clear();
        for (QChar key : keys) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
            QApplication::sendEvent(edit, &press);
        }
    };
    QLineEdit *rotation = child<QLineEdit>(dialog, "rtValueEdit");
    type(rotation, QStringLiteral("500"));
    EXPECT_EQ(rotation->text(), QStringLiteral("180.00"));
    EXPECT_EQ(child<QSlider>(dialog, "rtValueBar")->value(), 1800);
    // a negative number typed key by key; a lone "-" becomes -1 when the edit is left
    type(rotation, QStringLiteral("-37"));
    EXPECT_EQ(rotation->text(), QStringLiteral("-37"));
    EXPECT_EQ(child<QSlider>(dialog, "rtValueBar")->value(), -370);
    type(rotation, QStringLiteral("-"));
    EXPECT_EQ(rotation->text(), QStringLiteral("-"));
    EXPECT_EQ(child<QSlider>(dialog, "rtValueBar")->value(), -370);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(rotation, &leave);
    EXPECT_EQ(rotation->text(), QStringLiteral("-1"));
    EXPECT_EQ(child<QSlider>(dialog, "rtValueBar")->value(), -10);
    QLineEdit *sepia = child<QLineEdit>(dialog, "BleedEdit"); // a whole-number edit
    type(sepia, QStringLiteral("-37"));
    EXPECT_EQ(sepia->text(), QStringLiteral("-37"));
    EXPECT_EQ(child<QSlider>(dialog, "BleedBar")->value(), -37);
    // a number whose first keys are below the bar's range: 15 in 10..50
    dialog.showPage(QStringLiteral("Gamma"));
    QLineEdit *gamma = child<QLineEdit>(dialog, "GammaEdit");
    type(gamma, QStringLiteral("15"));
    EXPECT_EQ(gamma->text(), QStringLiteral("15"));
    EXPECT_EQ(child<QSlider>(dialog, "GammaBar")->value(), 15);
    type(gamma, QStringLiteral("1"));
    EXPECT_EQ(gamma->text(), QStringLiteral("1"));
    QApplication::sendEvent(gamma, &leave);
    EXPECT_EQ(gamma->text(), QStringLiteral("10")); // left below the range: its minimum
    dialog.showPage(QStringLiteral("Rotation"));
    type(rotation, QStringLiteral("12.5x"));
    EXPECT_EQ(rotation->text(), QStringLiteral("12.5")); // the letter is dropped
    EXPECT_EQ(child<QSlider>(dialog, "rtValueBar")->value(), 125);

    QLineEdit *blur = child<QLineEdit>(dialog, "BlurEdit");
    type(blur, QStringLiteral("250"));
    EXPECT_EQ(blur->text(), QStringLiteral("100"));
    type(blur, QStringLiteral("5"));
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(blur, &backspace);
    EXPECT_EQ(blur->text(), QStringLiteral("1")); // empty is 0, below the range
    EXPECT_EQ(child<QSlider>(dialog, "BlurBar")->value(), 1);
    // Enter neither reaches the edit nor closes the dialog
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(blur, &enter);
    EXPECT_TRUE(dialog.isVisible());
    // and the bar writes its edit
    child<QSlider>(dialog, "htAngleBar")->setValue(1234);
    EXPECT_EQ(child<QLineEdit>(dialog, "htAngleEdit")->text(), QStringLiteral("123.40"));
}

// Every page's texts fit their controls (captions beside their bars, radio
// buttons side by side); the suite runs again at 1.5 times the scale.
TEST_F(EffectFormTest, EffectPagesEveryTextFits)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    for (int i = 0; i < dialog.IlPages->count(); ++i) {
        dialog.IlPages->setCurrentIndex(i);
        QWidget &page = *dialog.IlPages->widget(i);
        SCOPED_TRACE(dialog.IlPages->tabText(i).toStdString());
        const QStringList cut = textfit::cutTexts(page) + textfit::overlaps(page);
        EXPECT_EQ(cut.join(QLatin1Char('\n')).toStdString(), "");
        // a caption keeps clear of its bar
        for (const QSlider *bar : page.findChildren<QSlider *>()) {
            for (const QLabel *caption : page.findChildren<QLabel *>()) {
                const QRect c = caption->geometry(), b = bar->geometry();
                if (caption->parentWidget() == bar->parentWidget() && caption->isVisibleTo(&page) && c.right() < b.left()
                    && c.center().y() >= b.top() && c.center().y() <= b.bottom()) {
                    EXPECT_GE(b.left() - c.left() - caption->fontMetrics().horizontalAdvance(caption->text()), 6)
                        << caption->text().toStdString();
                }
            }
        }
    }
}

} // namespace
