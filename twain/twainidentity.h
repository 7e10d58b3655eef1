#pragma once
// Identities as the applications and sources of this program give them to
// the source manager: version 1.0, English (USA), TWAIN 1.8, control and
// image groups; the manager assigns the Id.
#include "twain.h"

#include <algorithm>
#include <cstring>
#include <string_view>

// Copies text into a TWAIN string field, cut to fit and always ended.
inline void setTwainText(TW_STR32 &field, std::string_view text)
{
    std::memset(field, 0, sizeof(TW_STR32));
    std::memcpy(field, text.data(), std::min(text.size(), sizeof(TW_STR32) - 1));
}

inline TW_IDENTITY twainIdentity(std::string_view versionInfo, std::string_view manufacturer,
                                 std::string_view productFamily, std::string_view productName)
{
    TW_IDENTITY identity{};
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    setTwainText(identity.Version.Info, versionInfo);
    identity.ProtocolMajor = TWON_PROTOCOLMAJOR;
    identity.ProtocolMinor = TWON_PROTOCOLMINOR;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    setTwainText(identity.Manufacturer, manufacturer);
    setTwainText(identity.ProductFamily, productFamily);
    setTwainText(identity.ProductName, productName);
    return identity;
}
