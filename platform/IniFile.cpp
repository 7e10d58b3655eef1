#include "IniFile.h"

#include "AtomicFileDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace platform {

namespace {
bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

IniFile::IniFile(QString fileName) : fileName_(std::move(fileName))
{
    load();
}

void IniFile::load()
{
    // Only a regular file is read: a pipe or a device of that name would never end.
    if (!QFileInfo(fileName_).isFile())
        return;
    sections_.clear();
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    Section *current = nullptr;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = findSection(name);
            if (!current) {
                sections_.push_back({name, {}});
                current = &sections_.back();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (current == nullptr || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        bool replaced = false;
        for (Entry &entry : current->entries) {
            if (sameName(entry.key, key)) {
                replaced = true;
                break; // the first occurrence wins, as the profile calls read it
            }
        }
        if (!replaced)
            current->entries.push_back({key, value});
    }
}

bool IniFile::save()
{
    const QFileInfo info(fileName_);
    QDir().mkpath(info.absolutePath());
    try {
        AtomicFileDevice file(fileName_);
        writeTo(file);
        file.commit();
    } catch (const WriteError &error) {
        errorString_ = QString::fromUtf8(error.what());
        return false;
    }
    return true;
}

void IniFile::writeTo(QIODevice &file) const
{
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    bool first = true;
    for (const Section &section : sections_) {
        if (!first)
            out << '\n';
        first = false;
        out << '[' << section.name << "]\n";
        for (const Entry &entry : section.entries)
            out << entry.key << '=' << entry.value << '\n';
    }
    out.flush();
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    for (const Section &section : sections_)
        if (sameName(section.name, name))
            return &section;
    return nullptr;
}

IniFile::Section *IniFile::findSection(const QString &name)
{
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

const IniFile::Entry *IniFile::findEntry(const QString &section, const QString &key) const
{
    const Section *found = findSection(section);
    if (!found)
        return nullptr;
    for (const Entry &entry : found->entries)
        if (sameName(entry.key, key))
            return &entry;
    return nullptr;
}

bool IniFile::sectionExists(const QString &section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::valueExists(const QString &section, const QString &key) const
{
    return findEntry(section, key) != nullptr;
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (const Section &section : sections_)
        names << section.name;
    return names;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList names;
    if (const Section *found = findSection(section))
        for (const Entry &entry : found->entries)
            names << entry.key;
    return names;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &fallback) const
{
    const Entry *entry = findEntry(section, key);
    return entry ? entry->value : fallback;
}

int IniFile::readInteger(const QString &section, const QString &key, int fallback) const
{
    const Entry *entry = findEntry(section, key);
    if (!entry)
        return fallback;
    bool ok = false;
    QString text = entry->value;
    int value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                           : text.toInt(&ok);
    return ok ? value : fallback;
}

bool IniFile::readBool(const QString &section, const QString &key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Section *found = findSection(section);
    if (!found) {
        sections_.push_back({section, {}});
        found = &sections_.back();
    }
    bool replaced = false;
    for (Entry &entry : found->entries) {
        if (sameName(entry.key, key)) {
            entry.value = value;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        found->entries.push_back({key, value});
    return save();
}

bool IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::eraseSection(const QString &section)
{
    std::erase_if(sections_, [&](const Section &s) { return sameName(s.name, section); });
    return save();
}

bool IniFile::deleteKey(const QString &section, const QString &key)
{
    if (Section *found = findSection(section))
        std::erase_if(found->entries, [&](const Entry &e) { return sameName(e.key, key); });
    return save();
}

} // namespace platform
