// The "Diagnostic" page: the chosen source's identity, and its capabilities
// as it reports them, read from a session opened for the purpose.
#include "csTwainDialogForm_d40.h"

#include "ErrorBoundary.h"
#include "ScopeExit.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>

#include <iterator>
#include <memory>

namespace {

const char *const PixelTypeNames[] = {"BW", "Gray", "RGB", "Palette", "CMY", "CMYK", "YUV", "YUVK", "CIEXYZ"};
const char *const ReductionNames[] = {"Threshold", "Halftone", "Custhalftone", "Diffusion"};

struct CapabilityRow {
    const char *name;
    TW_UINT16 capability;
    // Names of the values, for a capability whose numbers are shown by name.
    const char *const *valueNames = nullptr;
    size_t valueCount = 0;
};
const CapabilityRow CapabilityRows[] = {
    {"PIXEL TYPE", ICAP_PIXELTYPE, PixelTypeNames, std::size(PixelTypeNames)},
    {"BIT DEPTH", ICAP_BITDEPTH},
    {"BIT DEPTH REDUCTION", ICAP_BITDEPTHREDUCTION, ReductionNames, std::size(ReductionNames)},
    {"NATIVE RESOLUTION", ICAP_XNATIVERESOLUTION},
    {"RESOLUTION", ICAP_XRESOLUTION},
    {"AUTO BRIGHTNESS", ICAP_AUTOBRIGHT},
    {"BRIGHTNESS", ICAP_BRIGHTNESS},
    {"CONTRAST", ICAP_CONTRAST},
    {"HIGHLIGHT", ICAP_HIGHLIGHT},
    {"SHADOW", ICAP_SHADOW},
    {"THRESHOLD", ICAP_THRESHOLD},
    {"FEEDER ENABLED", CAP_FEEDERENABLED},
    {"FEEDER LOADED", CAP_FEEDERLOADED},
    {"AUTO FEED", CAP_AUTOFEED},
    {"AUTO BORDER DETECT", ICAP_AUTOMATICBORDERDETECTION},
    {"INDICATORS", CAP_INDICATORS},
};

// Replaces each number of a "; "-separated list by its name.  A range
// ("Min: ...") stays as it is; a number without a name stays a number.
QString namedValues(const QString &text, const CapabilityRow &row)
{
    if (!row.valueNames || text.isEmpty() || text.startsWith(QLatin1Char('M')))
        return text;
    QStringList names;
    for (const QString &item : text.split(QStringLiteral("; "))) {
        bool isNumber = false;
        const uint value = item.toUInt(&isNumber);
        names << (isNumber && value < row.valueCount ? QString::fromLatin1(row.valueNames[value]) : item);
    }
    return names.join(QStringLiteral("; "));
}

} // namespace

void TTwainDialogForm::createDiagnostic()
{
    tshDiagnostic = addPage("tshDiagnostic", QStringLiteral("Diagnostic"));
    // A read-only field with its caption at its left.
    auto field = [](QGroupBox *group, const char *name, const char *caption, int top) {
        place<QLabel>(group, "", QRect(8, top + 2, 92, 18), QString::fromLatin1(caption));
        auto *edit = place<QLineEdit>(group, name, QRect(102, top, 152, 21));
        edit->setReadOnly(true);
        return edit;
    };
    grbProduct = place<QGroupBox>(tshDiagnostic, "grbProduct", QRect(4, 2, 263, 94), QStringLiteral(" Produit "));
    edtManufacturer = field(grbProduct, "edtManufacturer", "Manufacturer", 18);
    edtProductFamily = field(grbProduct, "edtProductFamily", "Productfamily", 43);
    edtProductName = field(grbProduct, "edtProductName", "Productname", 68);
    grbProtocol = place<QGroupBox>(tshDiagnostic, "grbProtocol", QRect(4, 98, 263, 68), QStringLiteral(" Protocole "));
    edtProtocolMajor = field(grbProtocol, "edtProtocolMajor", "Protocol Major", 18);
    edtProtocolMinor = field(grbProtocol, "edtProtocolMinor", "Protocol Minor", 43);
    grbCapabilities = place<QGroupBox>(tshDiagnostic, "grbCapabilities", QRect(4, 168, 263, 140),
                                       QStringLiteral(" Fonctionnalités "));
    scbCapabilities = place<QScrollArea>(grbCapabilities, "scbCapabilities", QRect(6, 18, 251, 116));
    scbCapabilities->setWidget(new QWidget);

    btnSelctSource1 = place<QPushButton>(tshDiagnostic, "btnSelctSource1", QRect(4, 314, 130, 25),
                                         QStringLiteral("&Choix de la source"));
    btnGetCapabilities = place<QPushButton>(tshDiagnostic, "btnGetCapabilities", QRect(137, 314, 130, 25),
                                            QStringLiteral("&Get Capabilities"));
    platform::connectGuarded(btnSelctSource1, &QPushButton::clicked, this, &TTwainDialogForm::btnSelctSourceClick);
    platform::connectGuarded(btnGetCapabilities, &QPushButton::clicked, this, &TTwainDialogForm::btnGetCapabilitiesClick);
}

void TTwainDialogForm::showIdentity(const TW_IDENTITY &identity)
{
    // An identity without a version names no source yet.
    if (identity.Version.MajorNum == 0 && identity.Version.MinorNum == 0)
        return;
    edtManufacturer->setText(TcsTwainScan::IdentityText(identity.Manufacturer));
    edtProductFamily->setText(TcsTwainScan::IdentityText(identity.ProductFamily));
    edtProductName->setText(TcsTwainScan::IdentityText(identity.ProductName));
    edtProtocolMajor->setText(QString::number(identity.ProtocolMajor));
    edtProtocolMinor->setText(QString::number(identity.ProtocolMinor));
}

void TTwainDialogForm::btnSelctSourceClick()
{
    if (!twain_)
        return;
    twain_->SelectSource();
    showIdentity(twain_->SourceIdentity());
    raise();
    activateWindow();
}

void TTwainDialogForm::btnGetCapabilitiesClick()
{
    // The old list goes at once; the new one shows when it is complete.
    scbCapabilities->setWidget(new QWidget);
    if (!twain_)
        return;
    TcsTwainScan &twain = *twain_;
    const platform::ScopeExit closing([&twain] {
        twain.CloseSource();
        twain.CloseSourceManager();
        twain.UnloadSourceManager();
    });
    if (!twain.OpenSession())
        return;
    showIdentity(twain.SourceIdentity());
    auto list = std::make_unique<QWidget>();
    list->setObjectName(QStringLiteral("lstCapabilities"));
    // Twelve pixels a line, the names within the 112 pixels before the values.
    QFont small = font();
    small.setPixelSize(9);
    list->setFont(small);
    for (int n = 0; n < int(std::size(CapabilityRows)); ++n) {
        const CapabilityRow &row = CapabilityRows[n];
        const QString value = namedValues(twain.GetCapabilityText(row.capability), row);
        auto *name = new QLabel(QString::fromLatin1(row.name), list.get());
        name->setObjectName(QStringLiteral("lblCapName%1").arg(n));
        name->move(2, 1 + 12 * n);
        name->adjustSize();
        auto *shown = new QLabel(QStringLiteral("= ") + (value.isEmpty() ? QStringLiteral("Not supported") : value),
                                 list.get());
        shown->setObjectName(QStringLiteral("lblCapVal%1").arg(n));
        shown->move(114, 1 + 12 * n);
        shown->adjustSize();
    }
    const QRect used = list->childrenRect();
    list->resize(used.right() + 4, used.bottom() + 2);
    scbCapabilities->setWidget(list.release());
}
