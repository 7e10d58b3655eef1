// The filter dialogs driven through their windows: slider positions to filter
// values and value labels, radio states, Cancel, texts and layout.
#include "PixelUiTestSupport.h"

#include "PGBasicFilters.h"
#include "PGFilterDialogForm.h"
#include "TextFit.h"

#include <Decimal.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>

#include <array>
#include <optional>

namespace {

// The program's settings: French texts and a decimal comma.
struct FrenchProgram : testing::Test {
    ScopedLanguage french{pglFrench};
    FrenchProgram() { platform::setDecimalSeparator(QLatin1Char(',')); }
    ~FrenchProgram() override { platform::setDecimalSeparator(QLatin1Char('.')); }
};

QSlider *trackBar(QDialog &form, int number)
{
    return form.findChild<QSlider *>(QStringLiteral("TrackBar%1").arg(number));
}

QString valueText(QDialog &form, int number)
{
    const auto *label = form.findChild<QLabel *>(QStringLiteral("ValueLabel%1").arg(number));
    return label ? label->text() : QStringLiteral("(none)");
}

const std::array<uint8_t, 256> &table(TFilterDialog &dialog, int number)
{
    return dynamic_cast<TXXXFilter &>(dialog.Filter()).Tables.at(size_t(number));
}

TBCGFilter &bcg(TFilterDialog &dialog)
{
    return dynamic_cast<TBCGFilter &>(dialog.Filter());
}

TConvFilter &conv(TFilterDialog &dialog)
{
    return dynamic_cast<TConvFilter &>(dialog.Filter());
}

int32_t centre(const TConvFilter &filter)
{
    return filter.Kernel(-filter.OffsetX, -filter.OffsetY);
}

struct SliderCase {
    int entry; // in the main window's list
    std::array<std::optional<int>, 3> positions;
    std::optional<int> radio; // the radio button clicked, if any
    std::array<const char *, 3> values; // the value labels afterwards ("" for none)
    std::function<void(TFilterDialog &)> expectFilter;
};

} // namespace

TEST_F(FrenchProgram, SliderPositionsGiveTheFilterAndTheValueLabels)
{
    const SliderCase cases[] = {
        {1, {25, 0, -40}, {}, {"+25%", "±0%", "-40%"},
         [](TFilterDialog &d) {
             EXPECT_EQ(table(d, 0)[0], 63); // 25 x 255 div 100
             EXPECT_EQ(table(d, 0)[200], 255);
             EXPECT_EQ(table(d, 1)[77], 77);
             EXPECT_EQ(table(d, 2)[100], 0); // 100 - 102, limited
             EXPECT_EQ(table(d, 2)[255], 153);
         }},
        {1, {-100, 100, -50}, {}, {"-100%", "+100%", "-50%"},
         [](TFilterDialog &d) {
             EXPECT_EQ(table(d, 0)[255], 0);
             EXPECT_EQ(table(d, 1)[0], 255);
             EXPECT_EQ(table(d, 2)[200], 73); // offset -127
         }},
        {2, {10, {}, -10}, {}, {"+10%", "±0%", "-10%"},
         [](TFilterDialog &d) {
             EXPECT_EQ(table(d, 0)[100], 125);
             EXPECT_EQ(table(d, 2)[100], 75);
         }},
        {3, {50, -20, 5}, {}, {"+50%", "-20%", "+5%"},
         [](TFilterDialog &d) {
             EXPECT_EQ(table(d, 0)[0], 127);
             EXPECT_EQ(table(d, 1)[128], 77);
             EXPECT_EQ(table(d, 2)[128], 140);
         }},
        {4, {-90, 30, -30}, {}, {"-90°", "+30%", "-30%"},
         [](TFilterDialog &d) {
             EXPECT_EQ(table(d, 0)[0], 192); // -90 x 256 div 360 = -64, wrapped
             EXPECT_EQ(table(d, 0)[100], 36);
             EXPECT_EQ(table(d, 1)[0], 76);
             EXPECT_EQ(table(d, 2)[255], 179);
         }},
        {5, {120, {}, {}}, {}, {"+120°", "±0%", "±0%"},
         [](TFilterDialog &d) {
             EXPECT_EQ(table(d, 0)[0], 85);
             EXPECT_EQ(table(d, 0)[200], 29);
             EXPECT_EQ(table(d, 1)[9], 9);
         }},
        {5, {-90, -100, 100}, {}, {"-90°", "-100%", "+100%"},
         [](TFilterDialog &d) {
             EXPECT_EQ(table(d, 0)[0], 192);
             EXPECT_EQ(table(d, 1)[255], 0);
             EXPECT_EQ(table(d, 2)[0], 255);
         }},
        {6, {-30, 100, -100}, {}, {"-30%", "5,00", "0,20"},
         [](TFilterDialog &d) {
             EXPECT_EQ(bcg(d).Brightness, -30);
             EXPECT_EQ(bcg(d).Contrast, 5.0L);
             EXPECT_NEAR(double(bcg(d).Gamma), 0.2, 1e-15);
             EXPECT_FALSE(bcg(d).UseY);
             const auto &dialog = dynamic_cast<TBCGFilterDialog &>(d);
             EXPECT_EQ(dialog.Contrast(), 5.0L);
             EXPECT_EQ(dialog.Gamma(), 0.2L);
         }},
        {6, {0, 50, 0}, 2, {"±0%", "2,24", "1,00"},
         [](TFilterDialog &d) {
             EXPECT_NEAR(double(bcg(d).Contrast), 2.2360679774997896, 1e-15); // full precision, 5^0.5
             EXPECT_EQ(bcg(d).Gamma, 1.0L);
             EXPECT_TRUE(bcg(d).UseY);
             EXPECT_EQ(dynamic_cast<TBCGFilterDialog &>(d).Contrast(), 2.24L);
         }},
        {7, {75, 50, {}}, {}, {"0,75", "50%", ""},
         [](TFilterDialog &d) {
             EXPECT_EQ(conv(d).Width(), 3);
             EXPECT_EQ(centre(conv(d)), 112);
             EXPECT_EQ(conv(d).Kernel(0, 0), -3);
         }},
        {8, {75, 75, {}}, {}, {"0,75", "75%", ""},
         [](TFilterDialog &d) { EXPECT_EQ(centre(conv(d)), 55); }},
        {8, {130, 10, {}}, {}, {"1,30", "10%", ""},
         [](TFilterDialog &d) { EXPECT_EQ(conv(d).Width(), 7); }},
        {9, {100, 100, {}}, {}, {"1,00", "100%", ""},
         [](TFilterDialog &d) {
             EXPECT_EQ(conv(d).Width(), 5);
             EXPECT_EQ(centre(conv(d)), 16);
             EXPECT_EQ(conv(d).Kernel(1, 1), 6);
         }},
        {10, {100, 100, {}}, {}, {"1,00", "100%", ""},
         [](TFilterDialog &d) {
             EXPECT_EQ(conv(d).Width(), 3);
             EXPECT_EQ(centre(conv(d)), 9);
             EXPECT_EQ(conv(d).Kernel(0, 0), -1);
             EXPECT_EQ(conv(d).Bias, 100.0L); // white background
             EXPECT_EQ(conv(d).Scale, 100.0L);
         }},
        {10, {130, 300, {}}, 2, {"1,30", "300%", ""},
         [](TFilterDialog &d) {
             EXPECT_EQ(conv(d).Width(), 5); // the rectangle's disc
             EXPECT_EQ(conv(d).Bias, 0.0L); // black background
             EXPECT_EQ(conv(d).Scale, -300.0L);
         }},
    };
    TPixelGraphic picture;
    fillSample(picture, 40, 30);
    for (const SliderCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "entry " << c.entry);
        TBasicFilterDialogs dialogs;
        std::array<QString, 3> shown;
        const ModalAnswer ok(QDialog::Accepted, [&](QDialog &form) {
            for (int n = 1; n <= 3; ++n)
                if (c.positions[size_t(n - 1)])
                    trackBar(form, n)->setValue(*c.positions[size_t(n - 1)]);
            if (c.radio)
                form.findChild<QRadioButton *>(QStringLiteral("RadioButton%1").arg(*c.radio))->click();
            for (int n = 1; n <= 3; ++n)
                shown[size_t(n - 1)] = trackBar(form, n) ? valueText(form, n) : QString();
        });
        TFilterDialog &dialog = dialogs.Dialog(c.entry);
        ASSERT_EQ(dialogs.Execute(c.entry, picture), &dialog.Filter());
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(shown[size_t(n)], QString::fromUtf8(c.values[size_t(n)])) << "group " << n + 1;
        c.expectFilter(dialog);
        for (int n = 1; n <= 3; ++n) {
            if (c.positions[size_t(n - 1)]) {
                EXPECT_EQ(dialog.Group(n).Value, *c.positions[size_t(n - 1)]);
            }
        }
    }
}

TEST_F(FrenchProgram, RadioStatesAreKeptBetweenRunsAndShownAgain)
{
    TBasicFilterDialogs dialogs;
    TPixelGraphic picture;
    fillSample(picture, 8, 8);
    struct Radios {
        bool first, second;
    };
    const auto run = [&](int entry, std::optional<int> click) {
        Radios seen{};
        const ModalAnswer ok(QDialog::Accepted, [&](QDialog &form) {
            auto *first = form.findChild<QRadioButton *>(QStringLiteral("RadioButton1"));
            auto *second = form.findChild<QRadioButton *>(QStringLiteral("RadioButton2"));
            seen = {first->isChecked(), second->isChecked()};
            if (click)
                (*click == 1 ? first : second)->click();
        });
        EXPECT_NE(dialogs.Execute(entry, picture), nullptr);
        return seen;
    };
    // Brightness-contrast-gamma: "RGB" first, Y second.
    Radios seen = run(6, 2);
    EXPECT_TRUE(seen.first);
    EXPECT_FALSE(seen.second);
    EXPECT_TRUE(dialogs.BCGFilterDialog1->UseY());
    EXPECT_TRUE(dialogs.BCGFilterDialog1->Filter().UseY);
    seen = run(6, 1);
    EXPECT_FALSE(seen.first);
    EXPECT_TRUE(seen.second);
    EXPECT_FALSE(dialogs.BCGFilterDialog1->Filter().UseY);

    // Contour: "Blanc" first, "Noir" second; the background flips bias and scale.
    run(10, 2);
    EXPECT_TRUE(dialogs.ContourFilterDialog1->BlackBk());
    EXPECT_EQ(dialogs.ContourFilterDialog1->Filter().Scale, -100.0L);
    seen = run(10, {});
    EXPECT_TRUE(seen.second);
    dialogs.ContourFilterDialog1->SetBlackBk(false);
    seen = run(10, {});
    EXPECT_TRUE(seen.first);
    EXPECT_EQ(dialogs.ContourFilterDialog1->Filter().Scale, 100.0L); // set from outside, then OK
}

TEST_F(FrenchProgram, CancelGivesNoFilterAndTheValuesOfBeforeTheRun)
{
    TBasicFilterDialogs dialogs;
    TPixelGraphic picture;
    fillSample(picture, 8, 8);
    dialogs.RGBFilterDialog1->SetGreen(30);
    for (int entry = 1; entry <= TBasicFilterDialogs::EntryCount; ++entry) {
        SCOPED_TRACE(testing::Message() << "entry " << entry);
        TFilterDialog &dialog = dialogs.Dialog(entry);
        const int32_t before = dialog.Group(1).Value;
        const bool secondBefore = dialog.RadioPair().SecondChecked;
        const ModalAnswer cancel(QDialog::Rejected, [](QDialog &form) {
            trackBar(form, 1)->setValue(trackBar(form, 1)->maximum());
            if (auto *second = form.findChild<QRadioButton *>(QStringLiteral("RadioButton2")))
                second->click();
        });
        EXPECT_EQ(dialogs.Execute(entry, picture), nullptr);
        EXPECT_EQ(dialog.Group(1).Value, before);
        EXPECT_EQ(dialog.RadioPair().SecondChecked, secondBefore);
    }
    // The filter is rebuilt from the restored values.
    for (int i : {0, 100, 255}) {
        EXPECT_EQ(dialogs.RGBFilterDialog1->Filter().Tables[0][size_t(i)], i);
        EXPECT_EQ(dialogs.RGBFilterDialog1->Filter().Tables[1][size_t(i)], std::min(255, i + 76));
    }
    EXPECT_FALSE(dialogs.BCGFilterDialog1->Filter().UseY);
    EXPECT_EQ(dialogs.SharpenFilterDialog1->Filter().Width(), 3);
}

TEST_F(FrenchProgram, OkUntouchedKeepsTheFilterOfTheValues)
{
    TBasicFilterDialogs dialogs;
    TPixelGraphic picture;
    fillSample(picture, 8, 8);
    const ModalAnswer ok(QDialog::Accepted);
    TPGFilter *filter = dialogs.Execute(1, picture);
    ASSERT_NE(filter, nullptr);
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(dialogs.RGBFilterDialog1->Filter().Tables[size_t(k)][size_t(i)], i);
    // Values set from outside are what OK gives, though they were only stored.
    dialogs.BCGFilterDialog1->SetBrightness(40);
    dialogs.SmoothFilterDialog1->SetPercent(50);
    EXPECT_EQ(dialogs.BCGFilterDialog1->Filter().Brightness, 0);
    ASSERT_NE(dialogs.Execute(6, picture), nullptr);
    EXPECT_EQ(dialogs.BCGFilterDialog1->Filter().Brightness, 40);
    ASSERT_NE(dialogs.Execute(9, picture), nullptr);
    EXPECT_EQ(centre(dialogs.SmoothFilterDialog1->Filter()), 16 + 172); // 7 x 7 blur, S = 172, 100/50 - 1 = 1
}

TEST(FilterDialogProperties, SettersClampWrapAndRebuildAsDocumented)
{
    TBasicFilterDialogs dialogs;
    THSVFilterDialog &hsv = *dialogs.HSVFilterDialog1;
    hsv.SetH(270);
    EXPECT_EQ(hsv.H(), -90);
    EXPECT_EQ(hsv.Filter().Tables[0][0], 192); // rebuilt at once
    hsv.SetH(-190);
    EXPECT_EQ(hsv.H(), 170);
    dialogs.HLSFilterDialog1->SetH(540);
    EXPECT_EQ(dialogs.HLSFilterDialog1->H(), 180);
    dialogs.RGBFilterDialog1->SetRed(-50);
    EXPECT_EQ(dialogs.RGBFilterDialog1->Filter().Tables[0][200], 73);

    TBCGFilterDialog &bcgDialog = *dialogs.BCGFilterDialog1;
    bcgDialog.SetBrightness(150);
    EXPECT_EQ(bcgDialog.Brightness(), 100);
    bcgDialog.SetContrast(10);
    EXPECT_EQ(bcgDialog.Contrast(), 5.0L);
    bcgDialog.SetContrast(2);
    EXPECT_EQ(bcgDialog.Group(2).Value, 43); // ln 2 x 100 / ln 5 = 43.07
    EXPECT_EQ(bcgDialog.Contrast(), 2.0L);   // 5^0.43 = 1.998
    bcgDialog.SetGamma(0.01L);
    EXPECT_EQ(bcgDialog.Group(3).Value, -100);
    bcgDialog.SetUseY(true);
    EXPECT_FALSE(bcgDialog.Filter().UseY); // stored only
    EXPECT_EQ(bcgDialog.Filter().Brightness, 0);

    TSharpenFilterDialog &sharpen = *dialogs.SharpenFilterDialog1;
    sharpen.SetStdDeviation(2);
    EXPECT_EQ(sharpen.StdDeviation(), 1.3L);
    sharpen.SetStdDeviation(0.1L);
    EXPECT_EQ(sharpen.Group(1).Value, 40);
    sharpen.SetPercent(5);
    EXPECT_EQ(sharpen.Percent(), 10);
    EXPECT_EQ(sharpen.Filter().Width(), 3); // stored only
    sharpen.SetDistributionShape(dsRect);
    EXPECT_EQ(sharpen.Filter().Width(), 1); // rebuilt at once: sigma 0.4 gives a single tap
    EXPECT_EQ(dialogs.ContourFilterDialog1->Percent(), 100);
    dialogs.ContourFilterDialog1->SetPercent(5000);
    EXPECT_EQ(dialogs.ContourFilterDialog1->Percent(), 1000);
}

TEST(FilterDialogProperties, DefaultsOfTheMainWindowsDialogs)
{
    TBasicFilterDialogs dialogs;
    const char *names[] = {"RGBFilterDialog1",     "CMYFilterDialog1",    "YCbCrFilterDialog1", "HLSFilterDialog1",
                           "HSVFilterDialog1",     "BCGFilterDialog1",    "SharpenFilterDialog1",
                           "DetailFilterDialog1",  "SmoothFilterDialog1", "ContourFilterDialog1"};
    for (int entry = 1; entry <= TBasicFilterDialogs::EntryCount; ++entry) {
        EXPECT_EQ(dialogs.Dialog(entry).objectName(), QString::fromLatin1(names[entry - 1]));
        EXPECT_EQ(dialogs.Dialog(entry).HasPreview(), entry <= 6);
    }
    EXPECT_EQ(dialogs.BCGFilterDialog1->Contrast(), 1.0L);
    EXPECT_EQ(dialogs.BCGFilterDialog1->Gamma(), 1.0L);
    EXPECT_EQ(dialogs.SharpenFilterDialog1->StdDeviation(), 0.75L);
    EXPECT_EQ(dialogs.SharpenFilterDialog1->Percent(), 50);
    EXPECT_EQ(dialogs.DetailFilterDialog1->Percent(), 75);
    EXPECT_EQ(dialogs.SmoothFilterDialog1->StdDeviation(), 1.3L);
    EXPECT_EQ(dialogs.SmoothFilterDialog1->Percent(), 100);
    EXPECT_EQ(dialogs.ContourFilterDialog1->StdDeviation(), 1.0L);
    EXPECT_EQ(dialogs.ContourFilterDialog1->DistributionShape(), dsRect);
    EXPECT_TRUE(dialogs.ContourFilterDialog1->UseDistance());
    EXPECT_FALSE(dialogs.ContourFilterDialog1->BlackBk());
    // A fresh dialog's filter matches its initial values.
    EXPECT_EQ(centre(dialogs.DetailFilterDialog1->Filter()), 55);
    EXPECT_EQ(dialogs.BCGFilterDialog1->Filter().Brightness, 0);
    EXPECT_THROW(dialogs.Dialog(0), std::out_of_range);
    EXPECT_THROW(dialogs.Dialog(11), std::out_of_range);
}

// The components are made before the program selects French: the texts they
// take when made stay English, those taken at each run are French.
TEST(FilterDialogTexts, CaptionsInTheLanguageOfEachMoment)
{
    TBasicFilterDialogs dialogs; // English here
    const ScopedLanguage french(pglFrench);
    TPixelGraphic picture;
    fillSample(picture, 8, 8);
    struct Seen {
        QString title;
        QStringList captions, middles, buttons;
        QString extra;
    };
    const auto run = [&](int entry) {
        Seen seen;
        const ModalAnswer ok(QDialog::Accepted, [&](QDialog &form) {
            seen.title = form.windowTitle();
            for (int n = 1; n <= 3; ++n)
                if (auto *caption = form.findChild<QLabel *>(QStringLiteral("CaptionLabel%1").arg(n))) {
                    seen.captions << caption->text();
                    seen.middles << form.findChild<QLabel *>(QStringLiteral("MidLabel%1").arg(n))->text();
                }
            for (const char *name : {"RadioButton1", "RadioButton2", "OKButton", "CancelButton"})
                if (auto *button = form.findChild<QAbstractButton *>(QString::fromLatin1(name)))
                    seen.buttons << button->text();
            if (auto *extra = form.findChild<QLabel *>(QStringLiteral("ExtraLabel")))
                seen.extra = extra->text();
        });
        dialogs.Execute(entry, picture);
        return seen;
    };
    const auto u = [](const char *text) { return QString::fromUtf8(text); };
    Seen rgb = run(1);
    EXPECT_EQ(rgb.title, u("Filtre RVB"));
    EXPECT_EQ(rgb.captions, QStringList({u("R"), u("V"), u("B")}));
    EXPECT_EQ(rgb.middles, QStringList({u("±0%"), u("±0%"), u("±0%")}));
    EXPECT_EQ(rgb.buttons, QStringList({u("OK"), u("Annuler")}));
    EXPECT_EQ(run(2).captions, QStringList({u("C"), u("M"), u("J")}));
    EXPECT_EQ(run(2).title, u("Filtre CMJ"));
    EXPECT_EQ(run(3).captions, QStringList({u("Y"), u("Cb"), u("Cr")}));
    Seen hls = run(4);
    EXPECT_EQ(hls.title, u("Filtre TSL"));
    EXPECT_EQ(hls.captions, QStringList({u("T"), u("L"), u("S")}));
    EXPECT_EQ(hls.middles.value(0), u("±0°"));
    Seen hsv = run(5);
    EXPECT_EQ(hsv.title, u("Filtre TSV"));
    EXPECT_EQ(hsv.captions, QStringList({u("T"), u("S"), u("V")}));
    Seen bcgTexts = run(6);
    EXPECT_EQ(bcgTexts.title, u("Luminosité, Contraste, Filtre Gamma"));
    EXPECT_EQ(bcgTexts.captions, QStringList({u("Luminosité"), u("Contraste"), u("Gamma")}));
    EXPECT_EQ(bcgTexts.middles, QStringList({u("±0%"), u("1.00"), u("1.00")}));
    EXPECT_EQ(bcgTexts.buttons, QStringList({u("RGB"), u("Y"), u("OK"), u("Annuler")})); // taken when made
    EXPECT_EQ(bcgTexts.extra, u("Appl."));
    Seen sharpen = run(7);
    EXPECT_EQ(sharpen.title, u("Durcir"));
    EXPECT_EQ(sharpen.captions, QStringList({u("Ecart-type"), u("Intensité")}));
    EXPECT_EQ(run(8).title, u("Detail")); // taken when made
    EXPECT_EQ(run(9).title, u("Adoucir"));
    Seen contour = run(10);
    EXPECT_EQ(contour.title, u("Contour"));
    EXPECT_EQ(contour.buttons, QStringList({u("Blanc"), u("Noir"), u("OK"), u("Annuler")}));

    TDetailFilterDialog madeInFrench;
    EXPECT_EQ(madeInFrench.Title(), u("Détail"));
}

// Design units scaled by the screen's dots per inch / 100.
TEST(FilterDialogLayout, WindowSizeAndPlacesFollowTheGroups)
{
    TBasicFilterDialogs dialogs;
    TPixelGraphic picture;
    fillSample(picture, 8, 8);
    const long double scale = QGuiApplication::primaryScreen()->logicalDotsPerInch() / 100.0L;
    const auto scaled = [scale](int length) { return int(std::nearbyintl(length * scale)); };
    struct Layout {
        int entry;
        QSize client;   // design units
        QPoint okButton; // design units
        bool preview;
    };
    const Layout layouts[] = {
        {1, {456, 206}, {133, 172}, true},  // 10 + 14 + 32 + 10 + 390; line at 160
        {6, {497, 233}, {153, 199}, true},  // caption width 55; radios at 160, line below them
        {7, {367, 161}, {88, 127}, false},  // 10 + 75 + 32 + 10 + 240; line below group 2
        {10, {367, 188}, {88, 154}, false}, // radios at 115, line at 142
    };
    for (const Layout &layout : layouts) {
        SCOPED_TRACE(testing::Message() << "entry " << layout.entry);
        QSize client;
        QPoint ok;
        QRect preview;
        const ModalAnswer answer(QDialog::Accepted, [&](QDialog &form) {
            client = form.size();
            ok = form.findChild<QPushButton *>(QStringLiteral("OKButton"))->pos();
            if (auto *image = form.findChild<QWidget *>(QStringLiteral("PGImage")))
                preview = image->geometry();
        });
        dialogs.Execute(layout.entry, picture);
        // the width is the design's at least: the caption and value columns
        // widen for texts that need more (EveryTextFits); the rest follows it
        EXPECT_GE(client.width(), scaled(layout.client.width()));
        EXPECT_EQ(client.height(), scaled(layout.client.height()));
        EXPECT_NEAR(ok.x(), client.width() / 2 - scaled(95), 1);
        EXPECT_EQ(ok.y(), scaled(layout.okButton.y()));
        EXPECT_EQ(preview.isValid(), layout.preview);
        if (layout.preview) {
            EXPECT_NEAR(preview.left(), client.width() - scaled(150), 1);
            EXPECT_EQ(preview.size(), QSize(scaled(140), scaled(140)));
            EXPECT_EQ(preview.top(), scaled(12));
        }
    }
}

// Every text of the ten dialogs fits its control, the value labels with the
// bars at either end ("-100%", "+100%", "1000%"); the suite runs again at
// 1.5 times the scale.
TEST_F(FrenchProgram, FilterDialogsEveryTextFits)
{
    TBasicFilterDialogs dialogs;
    TPixelGraphic picture;
    fillSample(picture, 8, 8);
    for (int entry = 1; entry <= TBasicFilterDialogs::EntryCount; ++entry) {
        SCOPED_TRACE(testing::Message() << "entry " << entry);
        QStringList cut;
        const ModalAnswer answer(QDialog::Rejected, [&](QDialog &form) {
            for (const bool atMaximum : {false, true}) {
                for (QSlider *bar : form.findChildren<QSlider *>())
                    bar->setValue(atMaximum ? bar->maximum() : bar->minimum());
                cut << textfit::cutTexts(form);
            }
        });
        dialogs.Execute(entry, picture);
        EXPECT_EQ(cut.join(QLatin1Char('\n')).toStdString(), "");
    }
}
