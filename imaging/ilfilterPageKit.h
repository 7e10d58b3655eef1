#pragma once
// What the files of simple pages share: the effect works made from a
// wrapper call, the texts of the pages without values, and hints.
#include "DllSP96.h"
#include "ErrorBoundary.h"
#include "ilfilterPage.h"

#include <QBoxLayout>
#include <QColor>
#include <QWidget>

// The rectangle and the callbacks of a TEffectCall `c`, as the wrappers take them.
#define FX_RECT c.left, c.top, c.right, c.bottom
#define FX_TAIL c.library.userData, c.library.progress

namespace imaging {

// A wrapper that returns a new DIB (the target is left as it was).
template <typename Call> TEffectWork newPicture(Call call)
{
    return [call](GlobalBlock target, const TEffectCall &c) { return GlobalBlock(call(target.get(), c)); };
}

// A wrapper that changes the target it is handed (and may replace it), and
// says whether it did.
template <typename Call> TEffectWork changedTarget(Call call)
{
    return [call](GlobalBlock target, const TEffectCall &c) {
        HGLOBAL handle = target.release();
        const bool done = call(handle, c);
        GlobalBlock result(handle);
        return done ? std::move(result) : GlobalBlock();
    };
}

inline QString selectAndApplyText()
{
    return QStringLiteral("Sélectionnez une zone de l'image, puis cliquez sur \"Appliquer\" ou \"Prévisu\".");
}

inline QString applyText()
{
    return QStringLiteral("Cliquez sur \"Appliquer\" ou \"Prévisu\".");
}

// The hint shown in the status bar and as a tool tip.
inline void setHint(QWidget *widget, const QString &hint)
{
    widget->setStatusTip(hint);
    widget->setToolTip(hint);
}

// A page added to `pages`.
TEffectPage *newPage(std::vector<TEffectPage *> &pages, const char *caption, TEffectMenu menu, bool usesSelection);

} // namespace imaging
