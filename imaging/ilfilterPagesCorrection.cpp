// The pages of the "Correction" menu (the palette page is in
// ilfilterPalettePage.cpp).
#include "ilfilterPageKit.h"

#include "DllSP96Frame.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

namespace imaging {
namespace {

constexpr TEffectMenu Correction = TEffectMenu::Correction;

// The hue of one colour range is offered narrower than that of all colours
// (the catalogue's row): a sixth of the circle either way.
constexpr isp::ParameterRow kOneColourHue = {"ilHueAndSaturation", "hue", -360, 360, -60, 60, 0, isp::Outside::Refused};

// What the picture holds, by its depth.
QString colourCountText(int bits)
{
    switch (bits) {
    case 1: return QStringLiteral("Cette image comporte 2 couleurs");
    case 4: return QStringLiteral("Cette image comporte 16 couleurs");
    case 8: return QStringLiteral("Cette image comporte 256 couleurs");
    default: return QStringLiteral("Cette image comporte des millions de couleurs");
    }
}

// "Nombre de couleurs": the count and dithering of ILReduceColors, or back to
// millions of colours.  What the picture holds is read from the working
// picture, which an application changes, never from a preview of the page's
// own effect: previewing "16 millions de couleurs" must not take the choice away.
class TColoursPage : public TEffectPage {
public:
    explicit TColoursPage(TEffectHost &host) : TEffectPage(QStringLiteral("Nombre de couleurs"), Correction, false), host_(host)
    {
        count_ = addText(QString());
        count_->setObjectName(QStringLiteral("crColorCount"));
        colours_ = addBar({"crColorsBar", QStringLiteral("Couleurs"), &effectRow("ILReduceColors", "colours")});
        method_ = addChoice(QStringLiteral("Méthode"),
                            {{"R1", QStringLiteral("Bayer"), 1}, {"R2", QStringLiteral("Burkes"), 2},
                             {"R3", QStringLiteral("Floyed"), 4}, {"R4", QStringLiteral("GrayScale"), 8}},
                            int(effectRow("ILReduceColors", "dither").start));
        for (QRadioButton *button : method_->buttons())
            setHint(button, QStringLiteral("Méthode d'échantillonage"));
        millions_ = addCheck("cr16Millions", QStringLiteral("16 millions de couleurs"), false);
        platform::connectGuarded(millions_, &QCheckBox::toggled, this, &TColoursPage::millionsToggled);
        setEffect([this](const TEffectTarget &) -> TEffectWork {
            if (millions_->isChecked())
                return newPicture([](HGLOBAL d, const TEffectCall &) { return ConvertDibUp(d, 24); });
            const int colours = colours_->position(), dither = method_->value();
            // ILReduceColors consumes the DIB it is given
            return [colours, dither](GlobalBlock target, const TEffectCall &c) {
                return GlobalBlock(ILReduceColors(target.release(), colours, dither, FX_TAIL));
            };
        });
    }

    void pictureChanged() override
    {
        const int bits = sizeOf(host_.workingDib()).bits;
        count_->setText(bits == 0 ? QString() : colourCountText(bits));
        const bool palette = bits != 0 && bits <= 8;
        if (!palette)
            millions_->setChecked(false);
        millions_->setEnabled(palette);
    }

private:
    void millionsToggled(bool on)
    {
        colours_->bar->setEnabled(!on);
        colours_->edit->setEnabled(!on);
        for (QRadioButton *button : method_->buttons())
            button->setEnabled(!on);
    }

    TEffectHost &host_;
    QLabel *count_;
    TValueBar *colours_;
    TChoice *method_;
    QCheckBox *millions_;
};

// "Teinte et saturation": all colours or one range; the hue bar's range follows the choice.
class THuePage : public TEffectPage {
public:
    THuePage() : TEffectPage(QStringLiteral("Teinte et saturation"), Correction, true)
    {
        channel_ = addChoice(QStringLiteral("Couleurs"),
                             {{"a3col", QStringLiteral("Toutes les couleurs"), 0}, {"a3red", QStringLiteral("Rouge"), 1},
                              {"a3green", QStringLiteral("Vert"), 2}, {"a3blue", QStringLiteral("Bleu"), 3},
                              {"a3yellow", QStringLiteral("Jaune"), 4}, {"a3magenta", QStringLiteral("Magenta"), 5},
                              {"a3cyan", QStringLiteral("Cyan"), 6}},
                             0);
        hue_ = addBar(hueSpec(0));
        saturation_ = addBar({"hsSatBar", QStringLiteral("Saturation"), &effectRow("ilHueAndSaturation", "saturation"), 1, 100});
        brightness_ = addBar({"hsBrightBar", QStringLiteral("Luminosité"), &effectRow("ilHueAndSaturation", "brightness"), 1, 100});
        platform::connectGuarded(channel_, &TChoice::changed, this, [this] { hue_->setSetup(hueSpec(channel_->value())); });
        setEffect([this](const TEffectTarget &) {
            const int channel = channel_->value();
            bool flags[6];
            const char *names[6] = {"red", "green", "blue", "yellow", "magenta", "cyan"};
            for (int i = 0; i < 6; ++i)
                flags[i] = channel == 0 ? effectRow("ilHueAndSaturation", names[i]).start != 0 : channel == i + 1;
            const int hue = int(hue_->value()), saturation = int(saturation_->value()),
                      brightness = int(brightness_->value());
            return changedTarget([=](HGLOBAL &d, const TEffectCall &c) {
                return ilHueAndSaturation(d, FX_RECT, flags[0], flags[1], flags[2], flags[3], flags[4], flags[5], hue,
                                          saturation, brightness, FX_TAIL);
            });
        });
    }

private:
    // The hue is shown from 0: position = shift + half the range.
    static TBarSetup hueSpec(int channel)
    {
        const isp::ParameterRow &row = channel == 0 ? effectRow("ilHueAndSaturation", "hue") : kOneColourHue;
        return {"hsHueBar", QStringLiteral("Teinte"), &row, 1, int(-row.offeredMin)};
    }

    TChoice *channel_;
    TValueBar *hue_, *saturation_, *brightness_;
};

// One row split over two pages: its positive half (shown as is) and its
// negative half (shown as a positive amount).
template <typename Call>
void addHalves(std::vector<TEffectPage *> &pages, const isp::ParameterRow &row, bool usesSelection,
               std::pair<const char *, const char *> positive, std::pair<const char *, const char *> negative, Call call)
{
    for (const bool up : {true, false}) {
        const auto [caption, barName] = up ? positive : negative;
        TEffectPage *page = newPage(pages, caption, Correction, usesSelection);
        TValueBar *bar = page->addBar({barName, QStringLiteral("Valeur"), &row, up ? 1 : -1, 0, TBarText::Whole,
                                       up ? TBarSide::Positive : TBarSide::Negative});
        page->setEffect([bar, call](const TEffectTarget &) {
            const int amount = int(bar->value());
            return newPicture([amount, call](HGLOBAL d, const TEffectCall &c) { return call(d, c, amount); });
        });
    }
}

} // namespace


std::vector<TEffectPage *> MakeCorrectionPages(TEffectHost &host)
{
    std::vector<TEffectPage *> pages;

    TEffectPage *page = newPage(pages, "Contraste auto", Correction, true);
    page->addText(selectAndApplyText());
    page->setEffect([](const TEffectTarget &) {
        return newPicture([](HGLOBAL d, const TEffectCall &c) { return AutoContrast(d, FX_RECT, FX_TAIL); });
    });

    // one brightness row, its two halves on two pages
    addHalves(pages, effectRow("ILBrightness", "amount"), false, {"Plus clair", "BrightBar"}, {"Plus sombre", "DarkBar"},
              [](HGLOBAL d, const TEffectCall &c, int amount) { return ILBrightness(d, amount, FX_TAIL); });

    pages.push_back(new TColoursPage(host));

    page = newPage(pages, "Anti bruit", Correction, true);
    TValueBar *despeckle = page->addBar({"dsValueBar", QStringLiteral("Valeur"), &effectRow("PixelFix", "strength")});
    page->setEffect([despeckle](const TEffectTarget &) {
        const int strength = despeckle->position();
        return newPicture([strength](HGLOBAL d, const TEffectCall &c) { return PixelFix(d, FX_RECT, strength, FX_TAIL); });
    });

    page = newPage(pages, "Amélioration", Correction, true);
    TValueBar *enBright = page->addBar({"enBrightBar", QStringLiteral("Luminosité"), &effectRow("Enhance", "brightness")});
    TValueBar *enContrast = page->addBar({"enContrastBar", QStringLiteral("Contraste"), &effectRow("Enhance", "contrast")});
    TValueBar *enBlue = page->addBar({"enGammaBlueBar", QStringLiteral("Gamma bleu"), &effectRow("Enhance", "blueGamma")});
    TValueBar *enGreen = page->addBar({"enGammaGreenBar", QStringLiteral("Gamma vert"), &effectRow("Enhance", "greenGamma")});
    TValueBar *enRed = page->addBar({"enGammaRedBar", QStringLiteral("Gamma rouge"), &effectRow("Enhance", "redGamma")});
    page->setEffect([=](const TEffectTarget &) {
        const int b = enBright->position(), k = enContrast->position(), gb = enBlue->position(),
                  gg = enGreen->position(), gr = enRed->position();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return Enhance(d, FX_RECT, b, k, gb, gg, gr, FX_TAIL); });
    });

    page = newPage(pages, "Gamma", Correction, false);
    TValueBar *gamma = page->addBar({"GammaBar", QStringLiteral("Gamma"), &effectRow("ILGamma", "gamma")});
    page->setEffect([gamma](const TEffectTarget &) {
        const int value = gamma->position();
        return newPicture([value](HGLOBAL d, const TEffectCall &c) { return ILGamma(d, value, FX_TAIL); });
    });

    page = newPage(pages, "Niveaux de gris", Correction, false);
    TValueBar *cell = page->addBar({"htCellSizeBar", QStringLiteral("Taille des cellules"), &effectRow("HToneImage", "cellSize")});
    TValueBar *angle = page->addBar({"htAngleBar", QStringLiteral("Angle"), &effectRow("HToneImage", "angle"), 10, 0, TBarText::Tenths});
    TChoice *dot = page->addChoice(QStringLiteral("Forme des points"),
                                   {{"Rcircle", QStringLiteral("Cercle"), 0}, {"Rellipse", QStringLiteral("Ellipse"), 1},
                                    {"Rsqaure", QStringLiteral("Carré"), 2}, {"Rdiamond", QStringLiteral("Diamant"), 3},
                                    {"Rline", QStringLiteral("Ligne"), 4}, {"Rcross", QStringLiteral("Croix"), 5}},
                                   int(effectRow("HToneImage", "dotShape").start));
    page->setEffect([=](const TEffectTarget &) {
        const int size = cell->position(), shape = dot->value();
        const float degrees = float(angle->value());
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return HToneImage(d, size, degrees, shape, FX_TAIL); });
    });

    pages.push_back(new THuePage);

    addHalves(pages, effectRow("Better", "amount"), true, {"Durcir", "shValueBar"}, {"Adoucir", "soValueBar"},
              [](HGLOBAL d, const TEffectCall &c, int amount) { return Better(d, FX_RECT, amount, FX_TAIL); });

    page = newPage(pages, "Seuil", Correction, true);
    TValueBar *threshold = page->addBar({"thValueBar", QStringLiteral("Seuil"), &effectRow("ThresholdDib", "threshold")});
    QCheckBox *antiAliasing = page->addCheck("ThresAnti", QStringLiteral("Anti Aliasing"), effectRow("ThresholdDib", "antiAliasing"));
    page->setEffect([=](const TEffectTarget &) {
        const int value = threshold->position();
        const bool smooth = antiAliasing->isChecked();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return ThresholdDib(d, FX_RECT, value, smooth, FX_TAIL); });
    });
    return pages;
}

} // namespace imaging
