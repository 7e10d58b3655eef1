#include "PGFilterApply.h"

#include "PGColorFilters.h"
#include "PGImage.h"

#include <WaitCursor.h>

TPGProgressWindow::TPGProgressWindow(TPixelGraphic &Graphic, const QString &Caption, QWidget *Parent)
    : graphic_(Graphic), window_(Parent, {QStringLiteral("Traitement en cours"), platform::StopButton::Arreter,
                                          QStringLiteral("FilterProgress")})
{
    graphic_.OnProgress = [this, Caption](TPixelGraphic *, int Current, bool &Abort, int Max) {
        Abort = !window_.report({Caption, Current, std::max(Max, 1)});
    };
}

TPGProgressWindow::~TPGProgressWindow()
{
    graphic_.OnProgress = nullptr;
}

bool ApplyFilterWithProgress(TPGImage &Holder, TPGFilter &Filter, const QString &Caption, QWidget *Parent)
{
    const TPixelGraphic *source = Holder.PixelGraphic();
    if (!source)
        return false;
    auto result = std::make_unique<TPixelGraphic>();
    // A colour filter keeps the picture's format, as it would in place: a
    // palette picture has only its palette filtered.
    if (Filter.IsColorFilter())
        result->SetPixelFormat(source->PixelFormat());
    {
        const platform::WaitCursor wait;
        TPGProgressWindow progress(*result, Caption, Parent);
        result->ApplyFilter(Filter, *source);
        if (progress.Stopped())
            return false;
    }
    Holder.SetPixelGraphic(std::move(result));
    return true;
}
