// The pages of the "Déformation" menu.
#include "ilfilterPageKit.h"

#include <QCheckBox>

#include <array>

namespace imaging {
namespace {

constexpr TEffectMenu Deformation = TEffectMenu::Deformation;

// A page with one bar whose value is the wrapper's one value.
template <typename Value, typename Call>
void onePage(std::vector<TEffectPage *> &pages, const char *caption, bool usesSelection, const char *barName,
             const char *exportName, const char *parameter, Call call)
{
    TEffectPage *page = newPage(pages, caption, Deformation, usesSelection);
    TValueBar *bar = page->addBar({barName, QStringLiteral("Valeur"), &effectRow(exportName, parameter)});
    page->setEffect([bar, call](const TEffectTarget &) {
        const Value value = Value(bar->position());
        return newPicture([value, call](HGLOBAL d, const TEffectCall &c) { return call(d, c, value); });
    });
}

// The index of the radio choice whose flag row starts set.
int startingFlag(const char *exportName, std::initializer_list<const char *> flags)
{
    int index = 0;
    for (const char *flag : flags) {
        if (effectRow(exportName, flag).start != 0)
            return index;
        ++index;
    }
    return 0;
}

void addCurlPage(std::vector<TEffectPage *> &pages, TEffectHost &host)
{
    TEffectPage *page = newPage(pages, "Page cornée", Deformation, true);
    TChoice *face = page->addChoice(QStringLiteral("Recto"),
                                    {{"B_CFC", QStringLiteral("Couleur arrière-plan"), 0},
                                     {"B_CBC", QStringLiteral("Couleur premier plan"), 1}},
                                    startingFlag("Curl", {"faceBackground", "faceForeground"}));
    QCheckBox *keep = page->addCheck("C_Trans", QStringLiteral("Conserver image sous le pli"), effectRow("Curl", "keepImage"));
    TChoice *shadow = page->addChoice(QStringLiteral("Ombre"),
                                      {{"B_CUBC", QStringLiteral("Couleur arrière-plan"), 0},
                                       {"B_CUFC", QStringLiteral("Couleur premier plan"), 1}},
                                      startingFlag("Curl", {"shadowBackground", "shadowForeground"}));
    TValueBar *shading = page->addBar({"pcShadingBar", QStringLiteral("Transparence"), &effectRow("Curl", "shadowTransparency"), 4});
    QCheckBox *under = page->addCheck("CShade", QStringLiteral("Ombre sous le pli"), effectRow("Curl", "shadowUnder"));
    // the fold beside the corner, the corners as they lie on the page: the
    // page has no height for more lines
    QBoxLayout *foldRow = page->addRow();
    TChoice *fold = page->addChoice(QStringLiteral("Pli"),
                                    {{"C_OH", QStringLiteral("Horizontal"), 0}, {"C_OV", QStringLiteral("Vertical"), 1}},
                                    startingFlag("Curl", {"horizontalFold", "verticalFold"}), 1, foldRow);
    TChoice *corner = page->addChoice(QStringLiteral("Coin"),
                                      {{"C_LT", QStringLiteral("Haut gauche"), 0}, {"C_RT", QStringLiteral("Haut droit"), 1},
                                       {"C_LB", QStringLiteral("Bas gauche"), 2}, {"C_RB", QStringLiteral("Bas droit"), 3}},
                                      startingFlag("Curl", {"topLeft", "topRight", "bottomLeft", "bottomRight"}), 2, foldRow);
    page->addColour("pcBackColorBtn", QStringLiteral("Couleur arrière-plan"), host.colours(), TEffectColours::BackGround);
    page->addColour("pcForeColorBtn", QStringLiteral("Couleur premier plan"), host.colours(), TEffectColours::ForeGround);
    page->setEffect([=, &host](const TEffectTarget &) {
        TCurlOptions o;
        o.FaceBackground = face->value() == 0;
        o.FaceForeground = face->value() == 1;
        o.KeepImage = keep->isChecked();
        o.ShadowBackground = shadow->value() == 0;
        o.ShadowForeground = shadow->value() == 1;
        o.ShadowTransparency = shading->value();
        o.ShadowUnder = under->isChecked();
        o.HorizontalFold = fold->value() == 0;
        o.VerticalFold = fold->value() == 1;
        o.TopLeft = corner->value() == 0;
        o.TopRight = corner->value() == 1;
        o.BottomLeft = corner->value() == 2;
        o.BottomRight = corner->value() == 3;
        o.Foreground = host.colours().colour(TEffectColours::ForeGround).rgb();
        o.Background = host.colours().colour(TEffectColours::BackGround).rgb();
        return newPicture([o](HGLOBAL d, const TEffectCall &c) { return Curl(d, FX_RECT, o, FX_TAIL); });
    });
}

void addMosaicPage(std::vector<TEffectPage *> &pages, TEffectHost &host)
{
    TEffectPage *page = newPage(pages, "Mosaïque", Deformation, true);
    TValueBar *size = page->addBar({"msSizeBar", QStringLiteral("Taille"), &effectRow("Mosaic", "size")});
    TValueBar *height = page->addBar({"msHeightBar", QStringLiteral("Hauteur"), &effectRow("Mosaic", "height")});
    TValueBar *space = page->addBar({"msSpaceBar", QStringLiteral("Espace"), &effectRow("Mosaic", "spacing")});
    TValueBar *light = page->addBar({"msLightBar", QStringLiteral("Lumière"), &effectRow("Mosaic", "light")});
    TValueBar *random = page->addBar({"msRandomBar", QStringLiteral("Aléa"), &effectRow("Mosaic", "randomness")});
    QCheckBox *antiAliasing = page->addCheck("MosAntiA", QStringLiteral("Anti-Aliasing"), effectRow("Mosaic", "antiAliasing"));
    TChoice *kind = page->addChoice(QStringLiteral("Pavés"),
                                    {{"btnType", QStringLiteral("Polygones"), 1}, {"btnType2", QStringLiteral("Carrés"), 0}},
                                    int(effectRow("Mosaic", "polygons").start));
    TChoice *surface = page->addChoice(QStringLiteral("Surface"),
                                       {{"MosSur1", QStringLiteral("Lisse"), 1}, {"MosSur2", QStringLiteral("Brute"), 0}},
                                       int(effectRow("Mosaic", "smooth").start));
    page->addColour("msBackColorBtn", QStringLiteral("Couleur arrière-plan"), host.colours(), TEffectColours::BackGround);
    page->addColour("msForeColorBtn", QStringLiteral("Couleur premier plan"), host.colours(), TEffectColours::ForeGround);
    page->setEffect([=, &host](const TEffectTarget &) {
        TMosaicOptions o;
        o.Size = size->position();
        o.Height = height->position();
        o.Spacing = space->position();
        o.Light = light->position();
        o.Randomness = random->position();
        o.AntiAliasing = antiAliasing->isChecked() ? 1 : 0;
        o.Polygons = kind->value() == 1;
        o.Smooth = surface->value() == 1;
        o.Background = host.colours().colour(TEffectColours::BackGround).rgb();
        o.Foreground = host.colours().colour(TEffectColours::ForeGround).rgb();
        return newPicture([o](HGLOBAL d, const TEffectCall &c) { return Mosaic(d, FX_RECT, o, FX_TAIL); });
    });
}

} // namespace

std::vector<TEffectPage *> MakeDeformationPages(TEffectHost &host)
{
    std::vector<TEffectPage *> pages;
    onePage<int>(pages, "Sépia", true, "BleedBar", "Bled", "amount",
                 [](HGLOBAL d, const TEffectCall &c, int v) { return Bled(d, FX_RECT, v, FX_TAIL); });
    onePage<int>(pages, "Flou", true, "BlurBar", "Blur", "strength",
                 [](HGLOBAL d, const TEffectCall &c, int v) { return Blur(d, FX_RECT, v, FX_TAIL); });
    onePage<int>(pages, "Gravure", true, "EnGraveBar", "Engrave", "strength",
                 [](HGLOBAL d, const TEffectCall &c, int v) { return Engrave(d, FX_RECT, v, FX_TAIL); });
    onePage<int>(pages, "Peinture", true, "opValueBar", "OilPainting", "strength",
                 [](HGLOBAL d, const TEffectCall &c, int v) { return OilPainting(d, FX_RECT, v, FX_TAIL); });
    // the bar's position reaches these as a real number
    onePage<double>(pages, "Trou", true, "phValueBar", "PinchHole", "amount",
                    [](HGLOBAL d, const TEffectCall &c, double v) { return PinchHole(d, FX_RECT, v, FX_TAIL); });
    onePage<double>(pages, "Torsion", true, "wpValueBar", "Whirl", "amount",
                    [](HGLOBAL d, const TEffectCall &c, double v) { return Whirl(d, FX_RECT, v, FX_TAIL); });

    TEffectPage *page = newPage(pages, "Extrusion", Deformation, false);
    QCheckBox *levels = page->addCheck("Levels", QStringLiteral("Niveaux"), effectRow("ExtrudeDib", "levels"));
    TValueBar *extrude = page->addBar({"exValueBar", QStringLiteral("Valeur"), &effectRow("ExtrudeDib", "size")});
    page->setEffect([=](const TEffectTarget &) {
        const bool byLevels = levels->isChecked();
        const int size = extrude->position();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return ExtrudeDib(d, byLevels, size, FX_TAIL); });
    });

    page = newPage(pages, "Bougé", Deformation, true);
    TValueBar *period = page->addBar({"jgPeriodBar", QStringLiteral("Période"), &effectRow("Jiggle", "period")});
    TValueBar *amplitude = page->addBar({"jgAmpBar", QStringLiteral("Amplitude"), &effectRow("Jiggle", "amplitude")});
    TChoice *shape = page->addChoice(QStringLiteral("Forme"),
                                     {{"jgSine", QStringLiteral("Sinus"), 0}, {"jgTriangle", QStringLiteral("Triangle"), 1}},
                                     int(effectRow("Jiggle", "triangle").start));
    page->setEffect([=](const TEffectTarget &) {
        const int p = period->position(), a = amplitude->position();
        const bool triangle = shape->value() == 1;
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return Jiggle(d, FX_RECT, p, a, triangle, FX_TAIL); });
    });

    addMosaicPage(pages, host);

    page = newPage(pages, "Vitesse", Deformation, false);
    TValueBar *speed = page->addBar({"mtValueBar", QStringLiteral("Valeur"), &effectRow("Motion", "value")});
    TValueBar *direction = page->addBar({"mtAnglebar", QStringLiteral("Angle"), &effectRow("Motion", "angle")});
    TChoice *motion = page->addChoice(QStringLiteral("Mouvement"),
                                      {{"mtZoom", QStringLiteral("Zoom"), 1}, {"mtRotation", QStringLiteral("Rotation"), 2},
                                       {"mtLinear", QStringLiteral("Linéaire"), 3}},
                                      int(effectRow("Motion", "kind").start));
    // a zoom has no direction
    auto showAngle = [direction, motion] { direction->setVisible(motion->value() != 1); };
    platform::connectGuarded(motion, &TChoice::changed, page, showAngle);
    showAngle();
    page->setEffect([=](const TEffectTarget &) {
        const int value = speed->position(), angle = direction->position(), kind = motion->value();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return Motion(d, FX_RECT, value, angle, kind, FX_TAIL); });
    });

    page = newPage(pages, "Bruit", Deformation, true);
    TValueBar *noiseRed = page->addBar({"nsRedBar", QStringLiteral("Rouge"), &effectRow("Noise", "red")});
    TValueBar *noiseGreen = page->addBar({"nsGreenBar", QStringLiteral("Vert"), &effectRow("Noise", "green")});
    TValueBar *noiseBlue = page->addBar({"nsBlueBar", QStringLiteral("Bleu"), &effectRow("Noise", "blue")});
    TChoice *distribution = page->addChoice(QStringLiteral("Distribution"),
                                            {{"nsGauss", QStringLiteral("Gauss"), 1}, {"nsUniform", QStringLiteral("Uniforme"), 0}},
                                            int(effectRow("Noise", "gaussian").start));
    QCheckBox *intensity = page->addCheck("UseGrayValueofPixels", QStringLiteral("Utiliser l'intensité des pixels"),
                                          effectRow("Noise", "byIntensity"));
    page->setEffect([=](const TEffectTarget &) {
        const int r = noiseRed->position(), g = noiseGreen->position(), b = noiseBlue->position();
        const bool gaussian = distribution->value() == 1, byIntensity = intensity->isChecked();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return Noise(d, FX_RECT, gaussian, byIntensity, r, g, b, FX_TAIL); });
    });

    addCurlPage(pages, host);

    page = newPage(pages, "Polarisation", Deformation, true);
    TValueBar *polar = page->addBar({"plValueBar", QStringLiteral("Valeur"), &effectRow("RecToPolar", "value")});
    TValueBar *polarAngle = page->addBar({"plAngleBar", QStringLiteral("Angle"), &effectRow("RecToPolar", "angle")});
    QCheckBox *inverse = page->addCheck("PolInv", QStringLiteral("Inversion"), effectRow("RecToPolar", "inverse"));
    QCheckBox *backward = page->addCheck("PolBack", QStringLiteral("Rétrograde"), effectRow("RecToPolar", "backward"));
    page->setEffect([=](const TEffectTarget &) {
        const int value = polar->position(), angle = polarAngle->position();
        const bool inv = inverse->isChecked(), back = backward->isChecked();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return RecToPolar(d, FX_RECT, value, angle, inv, back, FX_TAIL); });
    });

    page = newPage(pages, "Spray", Deformation, true);
    TValueBar *spray = page->addBar({"sprValueBar", QStringLiteral("Valeur"), &effectRow("Spray", "value")});
    TValueBar *sprayRandom = page->addBar({"sprRandomBar", QStringLiteral("Aléa"), &effectRow("Spray", "randomness")});
    page->setEffect([=](const TEffectTarget &) {
        const int value = spray->position(), randomness = sprayRandom->position();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return Spray(d, FX_RECT, value, randomness, FX_TAIL); });
    });

    page = newPage(pages, "Dissolution", Deformation, false);
    QCheckBox *fromHue = page->addCheck("RgbToHueBox", QStringLiteral("RVB vers teinte"), effectRow("Warp", "fromHue"));
    QCheckBox *fromSaturation = page->addCheck("RGBToSaturationBox", QStringLiteral("RVB vers saturation"), effectRow("Warp", "fromSaturation"));
    QCheckBox *convolve = page->addCheck("ConvoleTgle", QStringLiteral("Convolution"), effectRow("Warp", "convolve"));
    TValueBar *scale = page->addBar({"wrpScaleBar", QStringLiteral("Echelle"), &effectRow("Warp", "scale")});
    TValueBar *vector = page->addBar({"wrpVecRotateBar", QStringLiteral("Vecteur"), &effectRow("Warp", "vectorRotation")});
    TValueBar *steps = page->addBar({"wrpStepsBar", QStringLiteral("Etapes"), &effectRow("Warp", "steps")});
    TValueBar *displacement = page->addBar({"wrpDisplacementBar", QStringLiteral("Facteur de déplacement"), &effectRow("Warp", "displacement")});
    page->setEffect([=](const TEffectTarget &) {
        const bool h = fromHue->isChecked(), s = fromSaturation->isChecked(), k = convolve->isChecked();
        const int sc = scale->position(), v = vector->position(), st = steps->position(), di = displacement->position();
        // each step of the dissolve is shown in the preview as it comes
        return newPicture([=](HGLOBAL d, const TEffectCall &c) {
            return Warp(d, h, s, k, sc, v, st, di, c.library.userData, c.library.progress, c.library.frame);
        });
    });

    page = newPage(pages, "Ondulation", Deformation, true);
    TValueBar *waveAmplitude = page->addBar({"wvAmplBar", QStringLiteral("Amplitude"), &effectRow("Wave", "amplitude"), 1, 0, TBarText::Tenths});
    TValueBar *waveLength = page->addBar({"wvLengthBar", QStringLiteral("Longueur d'onde"), &effectRow("Wave", "waveLength")});
    TValueBar *phase = page->addBar({"wvPhaseBar", QStringLiteral("Phase"), &effectRow("Wave", "phase"), 1, 0, TBarText::Tenths});
    QCheckBox *smear = page->addCheck("Smear", QStringLiteral("Lisser"), effectRow("Wave", "smooth"));
    setHint(smear, QStringLiteral("Adoucit les bords"));
    QCheckBox *reflections = page->addCheck("Refl", QStringLiteral("Ajouter reflets"), effectRow("Wave", "reflection"));
    setHint(reflections, QStringLiteral("Ondes réfléchies ou seulement distorsion"));
    page->setEffect([=](const TEffectTarget &) {
        const double a = waveAmplitude->position(), p = phase->position();
        const int length = waveLength->position();
        const bool smooth = smear->isChecked(), reflect = reflections->isChecked();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return Wave(d, FX_RECT, a, length, p, smooth, reflect, FX_TAIL); });
    });
    return pages;
}

} // namespace imaging
