#include "Banner.h"

#include <array>

namespace imaging {
namespace {

std::optional<int> number(const QString &value)
{
    bool ok = false;
    const int result = value.trimmed().toInt(&ok);
    return ok ? std::optional<int>(result) : std::nullopt;
}

std::optional<QString> style(const QString &value)
{
    const QString flags = value.trimmed();
    if (flags.size() != 4)
        return std::nullopt;
    for (QChar c : flags) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1'))
            return std::nullopt;
    }
    return flags;
}

// Fills the banner from the raw values in file order: font colour, font
// height, font name, font size, style, background colour, speed.  A missing
// or unreadable value keeps the banner's default.
void applyValues(TBanner &banner, const std::array<std::optional<QString>, 7> &values)
{
    if (values[0])
        if (auto v = number(*values[0]))
            banner.FontColor = colourFromInteger(*v);
    if (values[1])
        if (auto v = number(*values[1]))
            banner.FontHeight = *v;
    if (values[2] && !values[2]->trimmed().isEmpty())
        banner.FontName = values[2]->trimmed();
    if (values[3])
        banner.FontSize = number(*values[3]);
    if (values[4])
        banner.Style = style(*values[4]);
    if (values[5])
        if (auto v = number(*values[5]))
            banner.Background = colourFromInteger(*v);
    if (values[6])
        if (auto v = number(*values[6]); v && *v >= 0)
            banner.Speed = *v;
}

} // namespace

QColor colourFromInteger(long long value)
{
    const auto bgr = static_cast<unsigned long long>(value);
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

TBanner defaultBanner()
{
    TBanner banner;
    banner.FontColor = colourFromInteger(255);
    banner.FontHeight = -13;
    banner.FontName = QStringLiteral("SYSTEM");
    banner.Background = colourFromInteger(128);
    banner.Speed = 1;
    banner.Message = {QStringLiteral(" Invallid message format ! ")};
    return banner;
}

TBanner parseHorizontalBanner(const QString &text)
{
    static const char *const tags[] = {"/fc|", "/fh|", "/fn|", "/fs|", "/ft|", "/bc|", "/sp|", "/sm|", "/eo|"};
    // each value runs from the end of its tag to the start of the next one
    auto value = [&](int index) -> std::optional<QString> {
        const QString open = QLatin1String(tags[index]), close = QLatin1String(tags[index + 1]);
        const qsizetype start = text.indexOf(open);
        if (start < 0)
            return std::nullopt;
        const qsizetype from = start + open.size();
        const qsizetype end = text.indexOf(close, from);
        if (end < 0)
            return std::nullopt;
        return text.mid(from, end - from);
    };
    TBanner banner = defaultBanner();
    applyValues(banner, {value(0), value(1), value(2), value(3), value(4), value(5), value(6)});
    if (const auto message = value(7))
        banner.Message = {*message};
    return banner;
}

TBanner parseVerticalBanner(const QString &text)
{
    QString unix = text;
    unix.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = unix.split(QLatin1Char('\n'));
    auto line = [&](int index) -> std::optional<QString> {
        return index < lines.size() ? std::optional<QString>(lines[index]) : std::nullopt;
    };
    TBanner banner = defaultBanner();
    applyValues(banner, {line(1), line(2), line(3), line(4), line(5), line(6), line(7)});
    QStringList message = lines.mid(8);
    // a file ending with a line break has no further line after it
    if (!message.isEmpty() && message.last().isEmpty())
        message.removeLast();
    if (!message.isEmpty())
        banner.Message = message;
    return banner;
}

QFont bannerFont(const TBanner &banner, const QFont &base)
{
    QFont font = base;
    font.setFamily(banner.FontName);
    if (banner.FontHeight != 0)
        font.setPixelSize(std::abs(banner.FontHeight));
    if (banner.FontSize && *banner.FontSize > 0)
        font.setPointSize(*banner.FontSize);
    if (banner.Style) {
        const QString &flags = *banner.Style;
        font.setBold(flags[0] == QLatin1Char('1'));
        font.setItalic(flags[1] == QLatin1Char('1'));
        font.setUnderline(flags[2] == QLatin1Char('1'));
        font.setStrikeOut(flags[3] == QLatin1Char('1'));
    }
    return font;
}

} // namespace imaging
