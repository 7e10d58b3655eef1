// The "Diagnostic" page: the chosen source's identity, and its capabilities
// as it reports them, read from a session opened for the purpose.
#include "csTwainDialogForm_d40.h"

#include "ErrorBoundary.h"
#include "PGScopeExit.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

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

QLineEdit *newField(QWidget *group, const char *name, const char *caption, int top)
{
    auto *label = new QLabel(QString::fromLatin1(caption), group);
    label->setGeometry(8, top + 2, 92, 18);
    auto *field = new QLineEdit(group);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(102, top, 152, 21);
    field->setReadOnly(true);
    return field;
}

QPushButton *newButton(QWidget *page, const char *name, const QString &caption, QRect geometry)
{
    auto *button = new QPushButton(caption, page);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace

void TTwainDialogForm::createDiagnostic()
{
    tshDiagnostic = new QWidget;
    tshDiagnostic->setObjectName(QStringLiteral("tshDiagnostic"));
    PageControl->addTab(tshDiagnostic, QStringLiteral("Diagnostic"));

    grbProduct = new QGroupBox(QStringLiteral(" Produit "), tshDiagnostic);
    grbProduct->setObjectName(QStringLiteral("grbProduct"));
    grbProduct->setGeometry(4, 2, 263, 94);
    edtManufacturer = newField(grbProduct, "edtManufacturer", "Manufacturer", 18);
    edtProductFamily = newField(grbProduct, "edtProductFamily", "Productfamily", 43);
    edtProductName = newField(grbProduct, "edtProductName", "Productname", 68);

    grbProtocol = new QGroupBox(QStringLiteral(" Protocole "), tshDiagnostic);
    grbProtocol->setObjectName(QStringLiteral("grbProtocol"));
    grbProtocol->setGeometry(4, 98, 263, 68);
    edtProtocolMajor = newField(grbProtocol, "edtProtocolMajor", "Protocol Major", 18);
    edtProtocolMinor = newField(grbProtocol, "edtProtocolMinor", "Protocol Minor", 43);

    grbCapabilities = new QGroupBox(QStringLiteral(" Fonctionnalités "), tshDiagnostic);
    grbCapabilities->setObjectName(QStringLiteral("grbCapabilities"));
    grbCapabilities->setGeometry(4, 168, 263, 140);
    scbCapabilities = new QScrollArea(grbCapabilities);
    scbCapabilities->setObjectName(QStringLiteral("scbCapabilities"));
    scbCapabilities->setGeometry(6, 18, 251, 116);
    scbCapabilities->setWidget(new QWidget);

    btnSelctSource1 = newButton(tshDiagnostic, "btnSelctSource1", QStringLiteral("&Choix de la source"), QRect(4, 314, 130, 25));
    btnGetCapabilities = newButton(tshDiagnostic, "btnGetCapabilities", QStringLiteral("&Get Capabilities"), QRect(137, 314, 130, 25));
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
    const PGScopeExit closing([&twain] {
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
