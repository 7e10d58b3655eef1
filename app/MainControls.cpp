// How the main window makes its controls, and the table of the two layout
// modes: each concern's file makes its controls with these helpers and says
// in which modes they are hidden.
#include "Main.h"

#include "ErrorBoundary.h"
#include "Handles.h"
#include "Named.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>

TMMBitmapButton *TForm1::makeButton(QWidget *parent, const QString &name, int image, const QString &hint,
                                    const QString &caption)
{
    auto *button = named<TMMBitmapButton>(name, parent);
    button->setImages(&images_);
    button->setImageIndex(image);
    button->setText(caption);
    button->setToolTip(hint);
    // A button with only a picture is named for screen readers by its hint.
    button->setAccessibleName(caption.isEmpty() ? hint : caption);
    button->setAccessibleDescription(hint);
    return button;
}

TMMBitmapCheckBox *TForm1::makeCheckBox(QWidget *parent, const QString &name, const QString &caption,
                                        const QString &hint)
{
    auto *box = named<TMMBitmapCheckBox>(name, parent, caption);
    box->setGlyph(images_.image(0));
    box->setToolTip(hint);
    box->setAccessibleName(caption);
    box->setAccessibleDescription(hint);
    return box;
}

QLabel *TForm1::makeLabel(QWidget *parent, const QString &name, const QString &caption)
{
    return named<QLabel>(name, parent, caption);
}

QAction *TForm1::makeMenuItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void TForm1::place(QWidget *control, int x, int y, int width, int height, const QString &hint)
{
    control->setGeometry(x, y, width, height);
    if (!hint.isEmpty())
        control->setToolTip(hint);
}

void TForm1::pressedPicture(TMMBitmapButton *button, int normal, int pressed)
{
    connect(button, &TMMBitmapButton::mouseDown, button, [button, pressed] { button->setImageIndex(pressed); });
    connect(button, &TMMBitmapButton::mouseUp, button, [button, normal] { button->setImageIndex(normal); });
}

void TForm1::onUserScroll(QScrollBar *bar, void (TForm1::*handler)())
{
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, handler](int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        bar->setValue(bar->sliderPosition());
        platform::guarded([&] { (this->*handler)(); });
    });
}

TForm1::ModeLayout &TForm1::layoutOf(Mode mode)
{
    return mode == Mode::Duplication ? duplicationLayout_ : posterLayout_;
}

void TForm1::hideDuring(std::initializer_list<QWidget *> controls, std::initializer_list<Mode> modes)
{
    for (Mode mode : modes) {
        std::vector<QWidget *> &hidden = layoutOf(mode).hidden;
        hidden.insert(hidden.end(), controls.begin(), controls.end());
    }
}

void TForm1::showOnlyDuring(std::initializer_list<QWidget *> controls, Mode mode)
{
    std::vector<QWidget *> &shown = layoutOf(mode).shown;
    shown.insert(shown.end(), controls.begin(), controls.end());
    for (QWidget *control : controls)
        control->hide();
}

void TForm1::applyMode(Mode mode, bool on)
{
    const ModeLayout &layout = layoutOf(mode);
    for (QWidget *control : layout.hidden)
        control->setVisible(!on);
    for (QWidget *control : layout.shown)
        control->setVisible(on);
    // A page on the sheet is opened and saved only in the normal layout.
    Ouvrir1->setEnabled(!on);
    Enregistrersous1->setEnabled(!on);
    if (on)
        setCopyButton(layout.goHint, layout.goPicture);
    else
        setCopyButton(CopyHint, CopyPicture);
    SH->Detach();
    Image->setVisible(!on);
}
