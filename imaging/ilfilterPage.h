#pragma once
// One page of the effects dialog: its caption (which is also its menu
// item's), the menu it is listed in, whether it works within the selection,
// its controls, and its effect as the controls now say.
//
// The effect is made on the GUI thread with the controls' values copied in,
// and run on the dialog's worker: it never touches a widget.
#include "EffectRunner.h"
#include "EffectsDialog.h"
#include "ilfilterControls.h"

#include <QWidget>

#include <functional>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QLabel;
class QRadioButton;

namespace imaging {

class TILPImage;

enum class TEffectMenu { Image, Deformation, Correction, Transitions };

// What the effect works on: the whole picture (an application) or the preview.
struct TEffectTarget {
    bool application = false;
    QSize size;
    int depth = 0;
};

// A rectangle as the library takes it: right and bottom are the first
// pixels outside; all 0 is the whole picture.
struct TSides {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TSides &) const = default;
};

// Where the effect works and the library's callbacks for it.
struct TEffectCall : TSides {
    TLibraryCallbacks library;
};

// Takes its own copy of the target and gives the result, or none when the
// effect gave none (the target then stays as it was).
using TEffectWork = std::function<GlobalBlock(GlobalBlock target, const TEffectCall &call)>;

// What the special pages need of the dialog.
class TEffectHost {
public:
    virtual ~TEffectHost() = default;
    virtual TEffectColours &colours() = 0;
    // The dialog's own colour ("Couleur de cette fenêtre").
    virtual QColor windowColour() const = 0;
    virtual TILPImage &previewControl() = 0;
    // The panel the preview control fills.
    virtual QWidget &previewPanel() = 0;
    virtual HGLOBAL workingDib() const = 0;
    virtual HGLOBAL previewDib() const = 0;
    // Stops any running effect and waits: the page then calls the library itself.
    virtual void takeLibrary() = 0;
    // The page changed the working picture itself (the palette page): its
    // colour table, and its pixels too when `pixelsChanged`.
    virtual void workingPictureEdited(bool pixelsChanged) = 0;
    // The dialog's progress, for work the page does on the GUI thread.
    virtual TLibraryCallbacks progressCallbacks() = 0;
};

class TEffectPage : public QWidget {
    Q_OBJECT
public:
    TEffectPage(const QString &caption, TEffectMenu menu, bool usesSelection);

    const QString &caption() const { return caption_; }
    TEffectMenu menu() const { return menu_; }
    bool usesSelection() const { return usesSelection_; }

    // The effect as the controls say now; an empty work for a page without one.
    virtual TEffectWork effect(const TEffectTarget &target) const;
    // Whether "Aperçu" and "Appliquer" have something to do on this page.
    virtual bool offersPreview() const { return static_cast<bool>(effect_); }
    virtual bool offersApply() const { return static_cast<bool>(effect_); }
    // Paste mode: the selection places a picture (Bouchage).
    virtual bool pastes() const { return false; }
    // The page has become, or is no longer, the active one.
    virtual void entered() {}
    virtual void left() {}
    // The preview or the working picture changed.
    virtual void pictureChanged() {}
    // The preview shows the working picture itself while the page is active (the palette page).
    virtual bool showsWorkingPicture() const { return false; }
    // A mouse press on the preview picks a colour instead of moving the selection.
    virtual bool picksColours() const { return false; }
    virtual void pick(QPoint) {}

    // For the settings file.
    const std::vector<TValueBar *> &bars() const { return bars_; }
    const std::vector<QCheckBox *> &checks() const { return checks_; }
    const std::vector<QRadioButton *> &radios() const { return radios_; }

    // The pages of simple effects: the controls are made, then the effect.
    using EffectMaker = std::function<TEffectWork(const TEffectTarget &target)>;
    void setEffect(EffectMaker maker) { effect_ = std::move(maker); }
    TValueBar *addBar(const TBarSetup &setup);
    QCheckBox *addCheck(const char *name, const QString &caption, const isp::ParameterRow &row);
    QCheckBox *addCheck(const char *name, const QString &caption, bool checked);
    TChoice *addChoice(const QString &title, const std::vector<TChoiceItem> &items, int start, int perLine = 3,
                       QBoxLayout *row = nullptr);
    // A row under the page's controls, for boxes side by side.
    QBoxLayout *addRow();
    QLabel *addText(const QString &text);
    TColourButton *addColour(const char *name, const QString &caption, TEffectColours &colours, TEffectColours::Slot slot);

signals:
    // The user changed a value: the preview follows.
    void valuesChanged();
    // What the page offers changed (the border's shape).
    void offerChanged();

private:
    QString caption_;
    TEffectMenu menu_;
    bool usesSelection_;
    EffectMaker effect_;
    std::vector<TValueBar *> bars_;
    std::vector<QCheckBox *> checks_;
    std::vector<QRadioButton *> radios_;
};

// "Transitions": the transition the picture component shows a new picture with.
class TTransitionsPage : public TEffectPage {
    Q_OBJECT
public:
    explicit TTransitionsPage(TEffectHost &host);
    TEffectsTransition transition() const;
    // Sets the buttons and bars without playing anything.
    void setTransition(const TEffectsTransition &transition);

private:
    void play(int method);

    TEffectHost &host_;
    TChoice *method_;
    TValueBar *delay_;
    TValueBar *thickness_;
};

// Every page in the order of the page control.
std::vector<TEffectPage *> MakeEffectPages(TEffectHost &host);

// By menu (ilfilterPagesImage.cpp, ilfilterPagesDeformation.cpp,
// ilfilterPagesCorrection.cpp) and the pages that do more than one call.
std::vector<TEffectPage *> MakeImagePages(TEffectHost &host);
std::vector<TEffectPage *> MakeDeformationPages(TEffectHost &host);
std::vector<TEffectPage *> MakeCorrectionPages(TEffectHost &host);
TEffectPage *MakeBorderPage(TEffectHost &host);
TEffectPage *MakePastePage(TEffectHost &host);
TEffectPage *MakePalettePage(TEffectHost &host);

} // namespace imaging
