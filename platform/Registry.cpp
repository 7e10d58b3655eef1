#include "Registry.h"

#include "Folders.h"

#include <QSettings>
#include <QStringList>

namespace platform {

namespace {

// "Software\Vardo\Quillon 2002" -> organisation "Vardo", application "Quillon 2002";
// deeper keys become sub-folders of the organisation.
std::pair<QString, QString> splitKey(const QString &keyPath)
{
    QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return {QStringLiteral("Quillon"), QStringLiteral("Quillon")};
    if (parts.size() == 1)
        return {parts.first(), parts.first()};
    QString organisation = parts.takeFirst();
    return {organisation, parts.join(QLatin1Char('/'))};
}

} // namespace

RegistryKey::RegistryKey(const QString &keyPath, RegistryRoot root)
{
    auto [organisation, application] = splitKey(keyPath);
    if (root == RegistryRoot::LocalMachine) {
        settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::SystemScope, organisation, application);
        return;
    }
    // The user's keys all live in the program's own configuration folder; a
    // key named like a profile file ("quillon.ini") is that file.
    const QString file = organisation == application && application.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive)
        ? application
        : organisation + QLatin1Char('/') + application + QStringLiteral(".ini");
    settings_ = std::make_unique<QSettings>(configFolder() + file, QSettings::IniFormat);
}

RegistryKey::~RegistryKey() = default;

QString RegistryKey::path(const QString &section, const QString &name) const
{
    return section.isEmpty() ? name : section + QLatin1Char('/') + name;
}

bool RegistryKey::valueExists(const QString &section, const QString &name) const
{
    return settings_->contains(path(section, name));
}

QString RegistryKey::readString(const QString &section, const QString &name, const QString &fallback) const
{
    QVariant value = settings_->value(path(section, name));
    return value.isValid() ? value.toString() : fallback;
}

int RegistryKey::readInteger(const QString &section, const QString &name, int fallback) const
{
    QVariant value = settings_->value(path(section, name));
    if (!value.isValid())
        return fallback;
    bool ok = false;
    int result = value.toString().trimmed().toInt(&ok);
    return ok ? result : fallback;
}

bool RegistryKey::readBool(const QString &section, const QString &name, bool fallback) const
{
    return readInteger(section, name, fallback ? 1 : 0) != 0;
}

void RegistryKey::writeString(const QString &section, const QString &name, const QString &value)
{
    settings_->setValue(path(section, name), value);
}

void RegistryKey::writeInteger(const QString &section, const QString &name, int value)
{
    writeString(section, name, QString::number(value));
}

void RegistryKey::writeBool(const QString &section, const QString &name, bool value)
{
    writeString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

std::optional<int32_t> RegistryKey::readDword(const QString &name) const
{
    QVariant value = settings_->value(name);
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < INT32_MIN || number > UINT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(number));
}

void RegistryKey::writeDword(const QString &name, int32_t value)
{
    settings_->setValue(name, static_cast<int>(value));
}

void RegistryKey::flush()
{
    settings_->sync();
}

QString RegistryKey::fileName() const
{
    return settings_->fileName();
}

} // namespace platform
