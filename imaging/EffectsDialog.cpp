#include "EffectsDialog.h"

namespace imaging {
namespace {

TEffectsDialogFactory &factory()
{
    static TEffectsDialogFactory registered;
    return registered;
}

} // namespace

void SetEffectsDialogFactory(TEffectsDialogFactory make)
{
    factory() = std::move(make);
}

const TEffectsDialogFactory &EffectsDialogFactory()
{
    return factory();
}

} // namespace imaging
