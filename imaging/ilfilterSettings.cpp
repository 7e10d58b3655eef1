// The effects dialog's settings file "IFiltSet.Ini" in the user's
// configuration folder: every value edit, check box and radio button by
// name, the three colours, the colour dialog's custom colours, the active
// page and the selection; and the form's own values as defaults.
//
// A value the dialog could not have written (text that is no number or
// lies outside its bar, a flag other than 0 and 1, a colour out of range)
// is not used: its control takes the form's value and the user is told
// which ones, so a damaged file never leaves the dialog half set.
#include "ilfilter.h"

#include "IniFile.h"
#include "MessageBox.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <array>

namespace imaging {
namespace {

const QString kEdits = QStringLiteral("FL_EDIT"), kChecks = QStringLiteral("FL_CHECK"), kRadios = QStringLiteral("FL_RADIO"),
              kColours = QStringLiteral("FL_COLOR"), kDefaults = QStringLiteral("DEF_");
const QString kCustomColours = QStringLiteral("CustomColors"), kActivePage = QStringLiteral("ActivePage"),
              kSelection = QStringLiteral("FL_RUBBERBAND"), kBounds = QStringLiteral("FL_POS");
// The colour dialog's custom colours before the user sets any: "ColorA" ..
// "ColorP" as the dialog's entries are written, a colour reference that may
// carry bits above the colour, which are kept as they are.
constexpr std::array<uint32_t, 16> kCustomColourStart = {
    0x141414, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFF0F0F0,
};

// Colours are stored as the 0x00BBGGRR integers of the toolkit.
int colourReference(const QColor &colour)
{
    return colour.red() | colour.green() << 8 | colour.blue() << 16;
}

QColor fromReference(int reference)
{
    return QColor(reference & 0xFF, (reference >> 8) & 0xFF, (reference >> 16) & 0xFF);
}

QColor fromEntry(uint32_t entry)
{
    return fromReference(int(entry & 0xFFFFFF));
}

std::optional<int> parseInteger(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<bool> parseFlag(const QString &text)
{
    if (text.trimmed() == QLatin1String("1"))
        return true;
    if (text.trimmed() == QLatin1String("0"))
        return false;
    return std::nullopt;
}

} // namespace

TEffectForm::ControlValues TEffectForm::presentValues() const
{
    ControlValues values;
    for (const TEffectPage *page : pages_) {
        for (const TValueBar *bar : page->bars())
            values.edits[bar->edit->objectName()] = bar->edit->text();
        for (const QCheckBox *check : page->checks())
            values.checks[check->objectName()] = check->isChecked();
        for (const QRadioButton *radio : page->radios())
            values.radios[radio->objectName()] = radio->isChecked();
    }
    for (int slot = 0; slot < TEffectColours::SlotCount; ++slot)
        values.colours[slot] = colours_.colour(TEffectColours::Slot(slot));
    return values;
}

// The defaults are the dialog's values when the file is first made.
void TEffectForm::writeDefaultsIfMissing()
{
    if (QFile::exists(settingsFile()))
        return;
    platform::IniFile ini(settingsFile());
    const ControlValues values = presentValues();
    for (auto it = values.edits.cbegin(); it != values.edits.cend(); ++it)
        ini.writeString(kDefaults + kEdits, it.key(), it.value());
    for (auto it = values.checks.cbegin(); it != values.checks.cend(); ++it)
        ini.writeString(kDefaults + kChecks, it.key(), it.value() ? QStringLiteral("1") : QStringLiteral("0"));
    for (auto it = values.radios.cbegin(); it != values.radios.cend(); ++it)
        ini.writeString(kDefaults + kRadios, it.key(), it.value() ? QStringLiteral("1") : QStringLiteral("0"));
    for (int slot = 0; slot < TEffectColours::SlotCount; ++slot)
        ini.writeInteger(kDefaults + kColours, QString::fromLatin1(TEffectColours::name(TEffectColours::Slot(slot))),
                         colourReference(values.colours[slot]));
}

// Radio buttons first: choosing a colour range resets the hue bar, whose
// stored value must come after.
QStringList TEffectForm::readControls(const platform::IniFile &ini, const QString &prefix)
{
    QStringList unusable;
    auto stored = [&](const QString &section, const QString &key) -> std::optional<QString> {
        if (!ini.valueExists(prefix + section, key))
            return std::nullopt;
        return ini.readString(prefix + section, key, QStringLiteral("x"));
    };
    for (const TEffectPage *page : pages_)
        for (QRadioButton *radio : page->radios())
            if (const std::optional<QString> text = stored(kRadios, radio->objectName())) {
                const std::optional<bool> on = parseFlag(*text);
                if (!on)
                    unusable << radio->objectName();
                if (on.value_or(formValues_.radios.value(radio->objectName())))
                    radio->setChecked(true);
            }
    for (const TEffectPage *page : pages_)
        for (QCheckBox *check : page->checks())
            if (const std::optional<QString> text = stored(kChecks, check->objectName())) {
                const std::optional<bool> on = parseFlag(*text);
                if (!on)
                    unusable << check->objectName();
                check->setChecked(on.value_or(formValues_.checks.value(check->objectName())));
            }
    for (const TEffectPage *page : pages_)
        for (TValueBar *bar : page->bars())
            if (const std::optional<QString> text = stored(kEdits, bar->edit->objectName())) {
                if (bar->acceptsText(*text)) {
                    bar->typeText(text->trimmed());
                } else {
                    unusable << bar->edit->objectName();
                    bar->typeText(formValues_.edits.value(bar->edit->objectName()));
                }
            }
    for (int slot = 0; slot < TEffectColours::SlotCount; ++slot) {
        const QString name = QString::fromLatin1(TEffectColours::name(TEffectColours::Slot(slot)));
        if (const std::optional<QString> text = stored(kColours, name)) {
            const std::optional<int> reference = parseInteger(*text);
            const bool usable = reference && *reference >= 0 && *reference <= 0xFFFFFF;
            if (!usable)
                unusable << name;
            colours_.setColour(TEffectColours::Slot(slot), usable ? fromReference(*reference) : formValues_.colours[slot]);
        }
    }
    return unusable;
}

void TEffectForm::LoadSettings()
{
    writeDefaultsIfMissing();
    const platform::IniFile ini(settingsFile());
    QStringList unusable = readControls(ini, QString());

    // the colour dialog's own, "ColorA=141414" .. "ColorP=FFF0F0F0"; an entry
    // the file lacks or cannot give starts afresh
    static_assert(kCustomColourStart.size() == kCustomColourCount);
    static const QRegularExpression customColour(QStringLiteral("^Color([A-P])=([0-9A-Fa-f]{1,8})$"));
    for (int i = 0; i < kCustomColourCount; ++i) {
        customColourEntries_[size_t(i)] = kCustomColourStart[size_t(i)];
        if (ini.valueExists(kCustomColours, QString::number(i))) {
            const QRegularExpressionMatch match = customColour.match(ini.readString(kCustomColours, QString::number(i), QString()));
            if (match.hasMatch())
                customColourEntries_[size_t(i)] = match.captured(2).toUInt(nullptr, 16);
            else
                unusable << kCustomColours + QLatin1Char('/') + QString::number(i);
        }
        QColorDialog::setCustomColor(i, fromEntry(customColourEntries_[size_t(i)]));
    }

    if (ini.sectionExists(kSelection)) {
        const std::optional<int> left = parseInteger(ini.readString(kSelection, QStringLiteral("CropX"), QString()));
        const std::optional<int> top = parseInteger(ini.readString(kSelection, QStringLiteral("CropY"), QString()));
        const std::optional<int> right = parseInteger(ini.readString(kSelection, QStringLiteral("CropWidth"), QString()));
        const std::optional<int> bottom = parseInteger(ini.readString(kSelection, QStringLiteral("CropHeight"), QString()));
        if (left && top && right && bottom && *left < *right && *top < *bottom) {
            // a selection of a larger picture keeps what lies on this one; one beside it, the whole picture
            if (*left < imageSize_.width() && *top < imageSize_.height() && *right > 0 && *bottom > 0) {
                CropX = *left;
                CropY = *top;
                CropWidth = *right;
                CropHeight = *bottom;
            }
        } else {
            unusable << kSelection;
        }
    }

    IlPages->setCurrentIndex(0);
    showPage(ini.readString(kActivePage, QStringLiteral("Page"), QString()));

    reportUnusable(unusable);
}

void TEffectForm::reportUnusable(const QStringList &names) const
{
    if (!names.isEmpty())
        platform::showWarning(QStringLiteral("Le fichier de réglages « %1 » contient des valeurs inutilisables ; "
                                             "les valeurs d'origine les remplacent : %2.")
                                  .arg(settingsFile(), names.join(QStringLiteral(", "))),
                              windowTitle());
}

void TEffectForm::SaveSettings()
{
    writeDefaultsIfMissing();
    platform::IniFile ini(settingsFile());
    bool written = true;
    auto write = [&](const QString &section, const QString &key, const QString &value) {
        written = ini.writeString(section, key, value) && written;
    };
    const ControlValues values = presentValues();
    for (auto it = values.edits.cbegin(); it != values.edits.cend(); ++it)
        write(kEdits, it.key(), it.value());
    for (auto it = values.checks.cbegin(); it != values.checks.cend(); ++it)
        write(kChecks, it.key(), it.value() ? QStringLiteral("1") : QStringLiteral("0"));
    for (auto it = values.radios.cbegin(); it != values.radios.cend(); ++it)
        write(kRadios, it.key(), it.value() ? QStringLiteral("1") : QStringLiteral("0"));
    const QRect bounds = geometry();
    write(kBounds, QStringLiteral("LEFT"), QString::number(bounds.x()));
    write(kBounds, QStringLiteral("TOP"), QString::number(bounds.y()));
    write(kBounds, QStringLiteral("WIDTH"), QString::number(bounds.width()));
    write(kBounds, QStringLiteral("HEIGHT"), QString::number(bounds.height()));
    for (int slot = 0; slot < TEffectColours::SlotCount; ++slot)
        write(kColours, QString::fromLatin1(TEffectColours::name(TEffectColours::Slot(slot))),
              QString::number(colourReference(values.colours[slot])));
    for (int i = 0; i < kCustomColourCount; ++i) {
        // an entry the user left as it was keeps its text
        const uint32_t read = customColourEntries_[size_t(i)];
        const QColor colour = QColorDialog::customColor(i);
        const uint32_t entry = fromEntry(read) == colour ? read : uint32_t(colourReference(colour));
        write(kCustomColours, QString::number(i),
              QStringLiteral("Color%1=%2")
                  .arg(QChar(QLatin1Char('A').unicode() + i))
                  .arg(QString::number(entry, 16).rightJustified(6, QLatin1Char('0')).toUpper()));
    }
    write(kActivePage, QStringLiteral("Page"), activePage()->caption());
    write(kSelection, QStringLiteral("CropX"), QString::number(CropX));
    write(kSelection, QStringLiteral("CropY"), QString::number(CropY));
    write(kSelection, QStringLiteral("CropWidth"), QString::number(CropWidth));
    write(kSelection, QStringLiteral("CropHeight"), QString::number(CropHeight));
    if (!written)
        platform::showWarning(
            QStringLiteral("Les réglages des effets n'ont pas pu être enregistrés dans « %1 ».").arg(settingsFile()),
            windowTitle());
}

// "Paramètres par défaut": the values kept as defaults in the file.
void TEffectForm::DefaultsItemClick()
{
    writeDefaultsIfMissing();
    reportUnusable(readControls(platform::IniFile(settingsFile()), kDefaults));
}

} // namespace imaging
