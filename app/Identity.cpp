#include "Identity.h"

#include "twainidentity.h"

#include <QCoreApplication>

namespace identity {

void applyToApplication()
{
    QCoreApplication::setApplicationName(Title);
    QCoreApplication::setOrganizationName(Maker);
}

TW_IDENTITY scanner()
{
    TW_IDENTITY identity = twainIdentity("Version 4.0", "Ondelis", "Ondelis Twain", "Quillon 2001");
    identity.Version.Language = TWLG_FRN;
    identity.Version.Country = TWCY_FRANCE;
    return identity;
}

} // namespace identity
