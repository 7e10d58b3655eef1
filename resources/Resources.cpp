#include "Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initialiseCompiledResources()
{
    Q_INIT_RESOURCE(artwork);
    Q_INIT_RESOURCE(help);
}

void resources::initialise()
{
    initialiseCompiledResources();
}
