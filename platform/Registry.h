#pragma once
// The registry as the program sees it: a key "Software\A\B" is the INI file
// A/B.ini in the user's (or the system's) configuration folder, its subkeys
// are the file's sections.  Values are strings unless written as 32-bit
// integers.
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>

class QSettings;

namespace platform {

enum class RegistryRoot { CurrentUser, LocalMachine };

class RegistryKey {
public:
    explicit RegistryKey(const QString &keyPath, RegistryRoot root = RegistryRoot::CurrentUser);
    ~RegistryKey();
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;

    // An empty section names values stored directly under the key.
    bool valueExists(const QString &section, const QString &name) const;
    QString readString(const QString &section, const QString &name, const QString &fallback) const;
    // A value that is missing or does not parse as an integer gives the fallback.
    int readInteger(const QString &section, const QString &name, int fallback) const;
    bool readBool(const QString &section, const QString &name, bool fallback) const;
    void writeString(const QString &section, const QString &name, const QString &value);
    void writeInteger(const QString &section, const QString &name, int value);
    void writeBool(const QString &section, const QString &name, bool value);

    // 32-bit integer values directly under the key.
    std::optional<int32_t> readDword(const QString &name) const;
    void writeDword(const QString &name, int32_t value);

    void flush();
    QString fileName() const;

private:
    QString path(const QString &section, const QString &name) const;
    std::unique_ptr<QSettings> settings_;
};

} // namespace platform
