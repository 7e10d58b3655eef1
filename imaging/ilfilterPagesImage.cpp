// The pages of the "Image" menu that call one wrapper ("Bordure" and
// "Bouchage" are in ilfilterBorderPage.cpp and ilfilterPastePage.cpp).
#include "ilfilterPageKit.h"

#include <QCheckBox>

namespace imaging {

std::vector<TEffectPage *> MakeImagePages(TEffectHost &host)
{
    constexpr TEffectMenu Image = TEffectMenu::Image;
    std::vector<TEffectPage *> pages;

    TEffectPage *page = newPage(pages, "Adoucir bordure", Image, true);
    TValueBar *edge = page->addBar({"bfEdgeBar", QStringLiteral("Largeur"), &effectRow("FadeDib", "size")});
    QCheckBox *windowColour = page->addCheck("bfWindoColor", QStringLiteral("Couleur de cette fenêtre ou ->"), true);
    page->addColour("bfColorBtn", QStringLiteral("couleur perso"), host.colours(), TEffectColours::BackGround);
    page->setEffect([=, &host](const TEffectTarget &) {
        const int size = edge->position();
        const QColor fade = windowColour->isChecked() ? host.windowColour() : host.colours().colour(TEffectColours::BackGround);
        return newPicture([=](HGLOBAL d, const TEffectCall &c) {
            return FadeDib(d, FX_RECT, size, fade.red(), fade.green(), fade.blue(), FX_TAIL);
        });
    });

    page = newPage(pages, "Détection de contours", Image, true);
    TValueBar *edges = page->addBar({"EdgeBar", QStringLiteral("Valeur"), &effectRow("Edge", "strength")});
    page->setEffect([edges](const TEffectTarget &) {
        const int strength = edges->position();
        return newPicture([strength](HGLOBAL d, const TEffectCall &c) { return Edge(d, FX_RECT, strength, FX_TAIL); });
    });

    page = newPage(pages, "Zone grise", Image, true);
    page->addText(selectAndApplyText());
    page->setEffect([](const TEffectTarget &) {
        return newPicture([](HGLOBAL d, const TEffectCall &c) { return GrayArea(d, FX_RECT, FX_TAIL); });
    });

    page = newPage(pages, "Inversion", Image, false);
    page->addText(applyText());
    page->setEffect([](const TEffectTarget &) {
        return changedTarget([](HGLOBAL &d, const TEffectCall &c) { return ILInvert(d, FX_TAIL); });
    });

    page = newPage(pages, "Miroir", Image, false);
    QCheckBox *vertical = page->addCheck("VBox", QStringLiteral("Vertical"), effectRow("ILMirror", "vertical"));
    QCheckBox *horizontal = page->addCheck("HBox", QStringLiteral("Horizontal"), effectRow("ILMirror", "horizontal"));
    page->setEffect([=](const TEffectTarget &) {
        const bool v = vertical->isChecked(), h = horizontal->isChecked();
        return newPicture([=](HGLOBAL d, const TEffectCall &c) { return ILMirror(d, v, h, FX_TAIL); });
    });

    page = newPage(pages, "Rotation", Image, true);
    TValueBar *angle = page->addBar({"rtValueBar", QStringLiteral("Angle"), &effectRow("ILRotate", "angle"), 10, 0, TBarText::Tenths});
    page->addColour("rtColorBtn", QStringLiteral("Couleur du fond"), host.colours(), TEffectColours::BackGround);
    page->setEffect([=, &host](const TEffectTarget &) {
        const double degrees = angle->value();
        const QRgb background = host.colours().colour(TEffectColours::BackGround).rgb();
        return changedTarget([=](HGLOBAL &d, const TEffectCall &c) {
            return ILRotate(d, degrees, FX_RECT, background, FX_TAIL);
        });
    });

    page = newPage(pages, "Vitrail", Image, false);
    page->addText(applyText());
    page->setEffect([](const TEffectTarget &) {
        return newPicture([](HGLOBAL d, const TEffectCall &c) { return TileDib(d, FX_TAIL); });
    });
    return pages;
}

} // namespace imaging
