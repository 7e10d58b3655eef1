#pragma once
// Windows-style profile files: "[section]" lines and "key=value" lines,
// names matched without regard to case, text kept exactly as written
// (UTF-8, so accented section names stay readable).  Every write goes to
// the file at once, as the profile calls do.
#include <QString>
#include <QStringList>
#include <vector>

class QIODevice;

namespace platform {

class IniFile {
public:
    explicit IniFile(QString fileName);

    const QString &fileName() const { return fileName_; }
    bool sectionExists(const QString &section) const;
    bool valueExists(const QString &section, const QString &key) const;
    QStringList sections() const;
    QStringList keys(const QString &section) const;

    QString readString(const QString &section, const QString &key, const QString &fallback) const;
    // A value that does not parse as an integer gives the fallback.
    int readInteger(const QString &section, const QString &key, int fallback) const;
    bool readBool(const QString &section, const QString &key, bool fallback) const;

    // Return false when the file cannot be written.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInteger(const QString &section, const QString &key, int value);
    bool writeBool(const QString &section, const QString &key, bool value);
    bool eraseSection(const QString &section);
    bool deleteKey(const QString &section, const QString &key);
    // Why the last write failed: the file and the system's reason.
    const QString &errorString() const { return errorString_; }

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };

    void load();
    bool save();
    void writeTo(QIODevice &file) const;
    const Section *findSection(const QString &name) const;
    Section *findSection(const QString &name);
    const Entry *findEntry(const QString &section, const QString &key) const;

    QString fileName_;
    std::vector<Section> sections_;
    QString errorString_;
};

} // namespace platform
