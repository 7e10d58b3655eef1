#include "SourceManager.h"

#include "SaneStatus.h"
#include "SelectSourceDialog.h"
#include "twainidentity.h"

#include <QSettings>

#include <algorithm>
#include <cstring>

namespace dsm {

namespace {

// The default source lives in the user's settings of the source manager.
std::unique_ptr<QSettings> settings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quillon"),
                                       QStringLiteral("twain_32"));
}

std::optional<SaneDeviceInfo> storedDefault()
{
    auto store = settings();
    const std::string name = store->value(QStringLiteral("DefaultSource/Name")).toString().toStdString();
    if (name.empty())
        return std::nullopt;
    return SaneDeviceInfo{name, store->value(QStringLiteral("DefaultSource/Vendor")).toString().toStdString(),
                          store->value(QStringLiteral("DefaultSource/Model")).toString().toStdString()};
}

void rememberChoice(const SaneDeviceInfo &device)
{
    auto store = settings();
    // The demonstration scanner is what there is when there is no scanner: choosing
    // it means "no particular one", and a scanner plugged in later becomes the default.
    if (device.demonstration) {
        store->remove(QStringLiteral("DefaultSource"));
        return;
    }
    store->setValue(QStringLiteral("DefaultSource/Name"), QString::fromStdString(device.name));
    store->setValue(QStringLiteral("DefaultSource/Vendor"), QString::fromStdString(device.vendor));
    store->setValue(QStringLiteral("DefaultSource/Model"), QString::fromStdString(device.model));
}

std::string textOf(const TW_STR32 &text)
{
    return std::string(text, strnlen(text, sizeof(TW_STR32)));
}

} // namespace

SourceManager::SourceManager() = default;

SourceManager::~SourceManager()
{
    close();
}

void SourceManager::close()
{
    source_.reset();
    sane_.reset();
    parentWindow_.clear();
}

TW_UINT16 SourceManager::fail(TW_UINT16 condition)
{
    condition_ = condition;
    return TWRC_FAILURE;
}

TW_UINT16 SourceManager::entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                               TW_MEMREF data)
{
    if (dest != nullptr) {
        if (state_ < 3 || !source_ || dest->Id != source_->identity().Id)
            return fail(TWCC_BADDEST);
        return source_->entry(dg, dat, msg, data);
    }
    if (dg != DG_CONTROL)
        return fail(TWCC_BADPROTOCOL);
    if (dat == DAT_PARENT)
        return parent(msg, origin, data);
    if (state_ < 3)
        return fail(TWCC_SEQERROR);
    if (dat == DAT_STATUS && msg == MSG_GET && data) {
        static_cast<TW_STATUS *>(data)->ConditionCode = condition_;
        static_cast<TW_STATUS *>(data)->Reserved = 0;
        condition_ = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && data)
        return identity(msg, static_cast<pTW_IDENTITY>(data));
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 SourceManager::parent(TW_UINT16 msg, pTW_IDENTITY origin, TW_MEMREF data)
{
    if (msg == MSG_OPENDSM) {
        if (state_ != 2)
            return fail(TWCC_SEQERROR);
        parentWindow_ = data ? *static_cast<QWidget **>(data) : nullptr;
        sane_ = std::make_unique<SaneLibrary>();
        if (origin)
            origin->Id = nextId_++;
        state_ = 3;
        return TWRC_SUCCESS;
    }
    if (msg == MSG_CLOSEDSM) {
        if (state_ != 3 || source_)
            return fail(TWCC_SEQERROR);
        close();
        state_ = 2;
        return TWRC_SUCCESS;
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 SourceManager::identity(TW_UINT16 msg, pTW_IDENTITY identity)
{
    switch (msg) {
    case MSG_GETDEFAULT: return defaultSource(identity);
    case MSG_GETFIRST: enumeration_ = 0; return enumerate(identity);
    case MSG_GETNEXT: return enumerate(identity);
    case MSG_USERSELECT: return userSelect(identity);
    case MSG_OPENDS: return openSource(identity);
    case MSG_CLOSEDS: return closeSource(identity);
    default: return fail(TWCC_BADPROTOCOL);
    }
}

TW_IDENTITY SourceManager::identityOf(const SaneDeviceInfo &device) const
{
    return twainIdentity(device.demonstration ? DemonstrationSourceInfo : "SANE", device.vendor, device.model,
                         device.name);
}

std::string SourceManager::deviceNameFor(const TW_IDENTITY &identity)
{
    const std::string product = textOf(identity.ProductName);
    auto matches = [&product](const SaneDeviceInfo &device) {
        return device.name.substr(0, sizeof(TW_STR32) - 1) == product;
    };
    if (const std::optional<SaneDeviceInfo> stored = storedDefault(); stored && matches(*stored))
        return stored->name;
    if (product.size() < sizeof(TW_STR32) - 1)
        return product;
    // A name cut to fit the identity: only the device list has it whole.
    for (const SaneDeviceInfo &device : sane_->devices())
        if (matches(device))
            return device.name;
    return product;
}

TW_UINT16 SourceManager::defaultSource(pTW_IDENTITY identity)
{
    std::optional<SaneDeviceInfo> device = storedDefault();
    if (!device && !sane_->devices().empty())
        device = sane_->devices().front();
    if (!device)
        return fail(TWCC_NODS);
    *identity = identityOf(*device);
    return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::enumerate(pTW_IDENTITY identity)
{
    const std::vector<SaneDeviceInfo> &devices = sane_->devices();
    if (enumeration_ >= devices.size())
        return devices.empty() && enumeration_ == 0 ? fail(TWCC_NODS) : TWRC_ENDOFLIST;
    *identity = identityOf(devices[enumeration_++]);
    return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::userSelect(pTW_IDENTITY identity)
{
    // The choice is made before a source is opened.
    if (source_)
        return fail(TWCC_SEQERROR);
    const std::string preselected = identity->ProductName[0] ? deviceNameFor(*identity) : std::string();
    SelectSourceDialog dialog(parentWindow_.data(), *sane_, preselected);
    dialog.exec();
    const std::optional<SaneDeviceInfo> chosen = dialog.chosen();
    if (!chosen)
        return TWRC_CANCEL;
    rememberChoice(*chosen);
    *identity = identityOf(*chosen);
    return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::openSource(pTW_IDENTITY identity)
{
    if (source_)
        return fail(TWCC_MAXCONNECTIONS);
    // The source asked for by name, else the one chosen before, else the first one present.
    const std::optional<SaneDeviceInfo> stored = storedDefault();
    SaneDeviceInfo device;
    if (identity->ProductName[0])
        device.name = deviceNameFor(*identity);
    else if (stored)
        device = *stored;
    else if (!sane_->devices().empty())
        device = sane_->devices().front();
    else
        return fail(TWCC_NODS);
    SANE_Status status = SANE_STATUS_GOOD;
    std::unique_ptr<SaneDevice> opened = sane_->open(device.name, &status);
    if (!opened) {
        // The device may only be known once the backends have been probed (or the demonstration scanner offered).
        sane_->devices();
        opened = sane_->open(device.name, &status);
    }
    // The device list has the latest word on a device, and tells the demonstration scanner.
    if (device.vendor.empty() && stored && stored->name == device.name)
        device = *stored;
    bool listed = false;
    if (sane_->probed())
        for (const SaneDeviceInfo &known : sane_->devices())
            if (known.name == device.name) {
                device = known;
                listed = true;
            }
    TW_IDENTITY named = identityOf(device);
    if (!opened) {
        // A scanner that is not there is not replaced by another one: the
        // identity names it, so that the application can say which is missing.
        // Backends word "no such device" variously; one that is listed failed for its own reason.
        *identity = named;
        return fail(!listed || status == SANE_STATUS_INVAL ? TWCC_NODS : conditionFor(status));
    }
    named.Id = nextId_++;
    source_ = std::make_unique<DataSource>(std::move(opened), named);
    *identity = named;
    return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::closeSource(pTW_IDENTITY identity)
{
    if (!source_ || identity->Id != source_->identity().Id)
        return fail(TWCC_NODS);
    // A source is closed once it is disabled again.
    if (source_->state() != 4)
        return fail(TWCC_SEQERROR);
    source_.reset();
    return TWRC_SUCCESS;
}

} // namespace dsm
