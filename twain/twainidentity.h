#pragma once
// Identities as the applications and sources of this program give them to
// the source manager: version 1.0, English (USA), TWAIN 1.8, control and
// image groups; the manager assigns the Id.  Texts are UTF-8.
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

// The demonstration scanner: SANE's test device, which the source manager
// offers from a configuration of its own when SANE finds no scanner.  Its
// identity carries this in Version.Info, a field no window shows, so that
// the program can tell it apart without reading the names the user sees.
inline constexpr std::string_view DemonstrationSourceInfo = "Quillon demonstration";
inline constexpr std::string_view DemonstrationManufacturer = "Quillon";
inline constexpr std::string_view DemonstrationModel = "Scanner de démonstration";

// Where the source manager writes the demonstration scanner's SANE
// configuration: the folder this variable names when it is set (set and
// empty: no demonstration scanner at all), else a folder in the user's
// configuration.
inline constexpr char DemonstrationFolderVariable[] = "QUILLON_DEMO_SCANNER_DIR";

inline bool isDemonstrationSource(const TW_IDENTITY &identity)
{
    return std::string_view(identity.Version.Info, strnlen(identity.Version.Info, sizeof(TW_STR32)))
        == DemonstrationSourceInfo;
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
