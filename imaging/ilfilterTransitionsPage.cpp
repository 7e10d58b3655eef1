// "Transitions": the transition the picture component will show its next
// picture with, tried out on the preview panel when chosen.
#include "ilfilterPageKit.h"

#include "ILPImage.h"
#include "TransitionSurface.h"

#include <QRadioButton>

namespace imaging {
namespace {

// The library's transitions are not effects: their values are the dialog's own.
constexpr isp::ParameterRow kDelay = {"Transitions", "delay", 0, 10000, 1, 100, 15, isp::Outside::Refused};
constexpr isp::ParameterRow kThickness = {"Transitions", "thickness", 1, 10000, 1, 20, 4, isp::Outside::Refused};

} // namespace

TTransitionsPage::TTransitionsPage(TEffectHost &host)
    : TEffectPage(QStringLiteral("Transitions"), TEffectMenu::Transitions, false), host_(host)
{
    method_ = addChoice(QStringLiteral("Transition"),
                        {{"FXN", QStringLiteral("Aucune"), FXNone}, {"FXH", QStringLiteral("Horizontale"), FXHorizontal},
                         {"FXV", QStringLiteral("Verticale"), FXVertical}, {"FXD", QStringLiteral("Diagonale"), FXDiagonal},
                         {"FXS", QStringLiteral("Carrés"), FXDiagonalSquares}, {"FXR", QStringLiteral("Rectangles"), FXRectangles}},
                        FXNone);
    delay_ = addBar({"trDelayBar", QStringLiteral("Delai"), &kDelay});
    thickness_ = addBar({"trThickbar", QStringLiteral("Epaisseur"), &kThickness});
    // played when the user picks one, never when the program sets the buttons
    for (QRadioButton *button : method_->buttons())
        platform::connectGuarded(button, &QRadioButton::clicked, this, [this] { play(method_->value()); });
}

TEffectsTransition TTransitionsPage::transition() const
{
    return {TFXMethod(method_->value()), delay_->position(), thickness_->position()};
}

void TTransitionsPage::setTransition(const TEffectsTransition &transition)
{
    method_->setValue(transition.Method);
    delay_->setPosition(transition.Delay);
    thickness_->setPosition(transition.Thickness);
}

void TTransitionsPage::play(int method)
{
    if (method == FXNone || !host_.previewDib())
        return;
    host_.takeLibrary();
    TILPImage &preview = host_.previewControl();
    preview.hide();
    {
        TransitionSurface surface(host_.previewPanel());
        PlayTransitionDib(surface, TFXMethod(method), host_.previewDib(), thickness_->position(), delay_->position());
    }
    preview.show();
}

} // namespace imaging
