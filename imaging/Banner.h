#pragma once
// Text banners: a message scrolling across the control (".SCM" files, one
// message between tags) or up it (".CMS" files, one message line after
// another).  This unit reads the files; TMultiPBanner.cpp animates them.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

namespace imaging {

enum class TBannerKind { None, Horizontal, Vertical };

struct TBanner {
    QColor FontColor;
    int FontHeight = 0;    // as the toolkit's font height: negative for the character height in pixels
    QString FontName;
    std::optional<int> FontSize;   // points; none keeps the control's
    std::optional<QString> Style;  // "1" or "0" for bold, italic, underline, strike-out; none keeps the control's
    QColor Background;
    int Speed = 1;                 // moves one pixel every (Speed + 1) ticks
    QStringList Message;           // one line for a horizontal banner
};

// Banner files are small; larger ones are refused.
inline constexpr qint64 kBannerFileLimit = 64 * 1024;

// Values missing from a file take these.
TBanner defaultBanner();
// ".SCM": values between the tags /fc| /fh| /fn| /fs| /ft| /bc| /sp| /sm| /eo|.
TBanner parseHorizontalBanner(const QString &text);
// ".CMS": line 1 font colour, 2 font height, 3 font name, 4 font size,
// 5 style, 6 background colour, 7 speed, 8 onwards the message (line 0 unread).
TBanner parseVerticalBanner(const QString &text);
// The banner's font, starting from the control's.
QFont bannerFont(const TBanner &banner, const QFont &base);
// A colour as the toolkit's colour integer: 0x00BBGGRR.
QColor colourFromInteger(long long value);

} // namespace imaging
