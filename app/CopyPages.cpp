#include "CopyPages.h"

#include "Crop.h"
#include "Deskew.h"
#include "Image.h"
#include "Rounding.h"
#include "SheetGeometry.h"
#include "Whiten.h"

#include <QPainter>
#include <algorithm>

namespace copying {

namespace {

constexpr int MaximumGatherDpi = 300;
constexpr double MillimetresPerInch = 25.4;
// Between two originals on a sheet.
constexpr double GapMm = 5;

int pixelsOf(double millimetres, int dpi)
{
    return platform::roundInt(static_cast<long double>(millimetres) * dpi / MillimetresPerInch);
}

QImage blankSheet(const GatherSheet &sheet)
{
    QImage blank(sheet.size, QImage::Format_RGB888);
    blank.fill(Qt::white);
    setDotsPerInch(blank, sheet.dpi);
    return blank;
}

// Draws `picture` as large as `cell` allows, turned a quarter when that makes it larger, centred.
void drawFitted(QPainter &canvas, const QImage &picture, const QRect &cell)
{
    const QSize upright = picture.size().scaled(cell.size(), Qt::KeepAspectRatio);
    const QSize turned = picture.size().transposed().scaled(cell.size(), Qt::KeepAspectRatio);
    const bool turn = turned.width() * turned.height() > upright.width() * upright.height();
    const QImage shown = turn ? picture.transformed(QTransform().rotate(90)) : picture;
    const QSize size = turn ? turned : upright;
    canvas.drawImage(QRect(cell.center() - QPoint(size.width() / 2, size.height() / 2), size), shown);
}

} // namespace

int dotsPerInch(const QImage &picture)
{
    return picture.dotsPerMeterX() > 0 ? codecs::dotsPerInch(picture.dotsPerMeterX()) : 0;
}

void setDotsPerInch(QImage &picture, int dpi)
{
    picture.setDotsPerMeterX(codecs::pelsPerMeter(dpi));
    picture.setDotsPerMeterY(codecs::pelsPerMeter(dpi));
}

QImage cleaned(const QImage &page, const CopyOptions &options)
{
    if (!options.cleans())
        return page;
    QImage result = page;
    if (options.straighten)
        result = cleanup::deskew(result).page;
    if (options.crop)
        result = cleanup::crop(result).page;
    if (options.whiten)
        result = cleanup::whitenBackground(result).page;
    result.setDotsPerMeterX(page.dotsPerMeterX());
    result.setDotsPerMeterY(page.dotsPerMeterY());
    return result;
}

GatherSheet GatherSheet::of(const platform::PaperMetrics &paper)
{
    const int dpi = std::clamp(paper.dpiX, 1, MaximumGatherDpi);
    const QSize size(platform::roundInt(static_cast<long double>(paper.printable.width()) * dpi / paper.dpiX),
                     platform::roundInt(static_cast<long double>(paper.printable.height()) * dpi / std::max(1, paper.dpiY)));
    return {size, dpi};
}

std::vector<QImage> gathered(const std::vector<QImage> &originals, int perSheet, const GatherSheet &sheet)
{
    if (perSheet <= 1)
        return originals;
    const int columns = perSheet == 4 ? 2 : 1, rows = perSheet == 4 ? 2 : perSheet;
    const int gap = pixelsOf(GapMm, sheet.dpi);
    const QSize cell((sheet.size.width() - (columns - 1) * gap) / columns,
                     (sheet.size.height() - (rows - 1) * gap) / rows);
    std::vector<QImage> sheets;
    for (size_t first = 0; first < originals.size(); first += size_t(perSheet)) {
        QImage page = blankSheet(sheet);
        QPainter canvas(&page);
        canvas.setRenderHint(QPainter::SmoothPixmapTransform);
        for (int place = 0; place < perSheet && first + size_t(place) < originals.size(); ++place) {
            const QPoint corner((place % columns) * (cell.width() + gap), (place / columns) * (cell.height() + gap));
            drawFitted(canvas, originals[first + size_t(place)], QRect(corner, cell));
        }
        canvas.end();
        sheets.push_back(page);
    }
    return sheets;
}

QImage identityCard(const QImage &front, const QImage &back, const GatherSheet &sheet)
{
    const int gap = pixelsOf(GapMm * 2, sheet.dpi);
    auto trueSize = [&](const QImage &face) {
        const int dpi = dotsPerInch(face);
        const long double scale = static_cast<long double>(sheet.dpi) / (dpi > 0 ? dpi : sheet.dpi);
        return QSize(platform::roundInt(face.width() * scale), platform::roundInt(face.height() * scale));
    };
    QSize top = trueSize(front), bottom = trueSize(back);
    // Reduced, both alike, only when the two cannot stand one above the other.
    const QSize needed(std::max(top.width(), bottom.width()), top.height() + gap + bottom.height());
    if (needed.width() > sheet.size.width() || needed.height() > sheet.size.height()) {
        const QSize room = needed.scaled(sheet.size, Qt::KeepAspectRatio);
        const long double factor = static_cast<long double>(room.width()) / needed.width();
        top = QSize(platform::roundInt(top.width() * factor), platform::roundInt(top.height() * factor));
        bottom = QSize(platform::roundInt(bottom.width() * factor), platform::roundInt(bottom.height() * factor));
    }
    QImage page = blankSheet(sheet);
    QPainter canvas(&page);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform);
    const int y = (sheet.size.height() - (top.height() + gap + bottom.height())) / 2;
    canvas.drawImage(QRect(QPoint((sheet.size.width() - top.width()) / 2, y), top), front);
    canvas.drawImage(QRect(QPoint((sheet.size.width() - bottom.width()) / 2, y + top.height() + gap), bottom), back);
    canvas.end();
    return page;
}

std::vector<QImage> prepared(std::vector<QImage> originals, const CopyOptions &options, const GatherSheet &sheet)
{
    CopyOptions cleaning = options;
    // A card lies somewhere on the glass: only the card is copied.
    cleaning.crop = options.crop || options.identityCard;
    if (cleaning.cleans())
        for (QImage &original : originals)
            original = cleaned(original, cleaning);
    if (options.identityCard && originals.size() >= 2)
        return {identityCard(originals[0], originals[1], sheet)};
    return gathered(originals, options.originalsPerSheet(), sheet);
}

} // namespace copying
