#pragma once
// What TPMultiImage::ShowEffects needs of the effects dialog.  The dialog
// lives above the component's unit: it makes itself known here with a
// factory, and ShowEffects creates one through it each time it runs.
#include "DllSP96.h"
#include "globalmem.h"

#include <QCursor>
#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace imaging {

struct TEffectsTransition {
    TFXMethod Method = FXNone;
    int Delay = 25;
    int Thickness = 4;
};

class TEffectsDialogPort {
public:
    virtual ~TEffectsDialogPort() = default;
    // The dialog to show modally; OK hands the working picture back.
    virtual QDialog &window() = 0;
    // Before showing: the cursor to restore once opened, the transition
    // settings and the working picture (none for an empty picture).
    virtual void prepare(const QCursor &previousCursor, const TEffectsTransition &transition, GlobalBlock workingDib) = 0;
    // After OK: the transition settings and the working picture (still the dialog's).
    virtual TEffectsTransition transition() const = 0;
    virtual HGLOBAL workingDib() const = 0;
};

// Makes a dialog owned by `owner` (the component).
using TEffectsDialogFactory = std::function<std::unique_ptr<TEffectsDialogPort>(QWidget &owner)>;

// The effects dialog registers itself at program start; none unregisters.
void SetEffectsDialogFactory(TEffectsDialogFactory factory);
const TEffectsDialogFactory &EffectsDialogFactory();

} // namespace imaging
