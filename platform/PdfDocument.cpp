#include "PdfDocument.h"

#include <QFileDevice>
#include <QIODevice>

#include <cmath>

namespace platform {

namespace {

// A real number as PDF writes it: no exponent, six decimals at most.
QByteArray number(qreal value)
{
    if (!std::isfinite(value) || std::abs(value) < 5e-7)
        return "0";
    QByteArray text = QByteArray::number(value, 'f', 6);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

QByteArray matrix(const QTransform &m)
{
    return number(m.m11()) + ' ' + number(m.m12()) + ' ' + number(m.m21()) + ' ' + number(m.m22()) + ' ' + number(m.dx())
        + ' ' + number(m.dy());
}

QByteArray point(QPointF p)
{
    return number(p.x()) + ' ' + number(p.y());
}

QByteArray reference(int object)
{
    return QByteArray::number(object) + " 0 R";
}

QByteArray imageName(int object)
{
    return "/Im" + QByteArray::number(object);
}

// Set colour operators: grey when the colour has no hue, RGB otherwise.
QByteArray colourOperators(const QColor &colour, bool stroking)
{
    const QColor rgb = colour.toRgb();
    if (rgb.red() == rgb.green() && rgb.green() == rgb.blue())
        return number(rgb.redF()) + (stroking ? " G " : " g ");
    return number(rgb.redF()) + ' ' + number(rgb.greenF()) + ' ' + number(rgb.blueF()) + (stroking ? " RG " : " rg ");
}

// A text string in UTF-16 with its byte order mark, so that any title survives.
QByteArray textString(const QString &text)
{
    QByteArray hex = "<FEFF";
    for (QChar c : text)
        hex += QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper();
    return hex + '>';
}

} // namespace

PdfPen PdfPen::solid(qreal width)
{
    PdfPen pen;
    pen.width = width;
    return pen;
}

PdfPen PdfPen::dotted(qreal width)
{
    PdfPen pen = solid(width);
    pen.dashes = {width, 2 * width};
    return pen;
}

PdfDocument::PdfDocument(QIODevice &out, const PdfOptions &options) : out_(out), options_(options)
{
    for (int reserved = 0; reserved < 3; ++reserved) // the catalog, the page tree and the information dictionary
        newObject();
    // The comment of high bytes tells transfer programs that the file is binary.
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

PdfDocument::~PdfDocument() = default;

int PdfDocument::newObject()
{
    offsets_.push_back(-1);
    return int(offsets_.size());
}

void PdfDocument::write(const QByteArray &bytes)
{
    if (failed_)
        throw PdfError(QStringLiteral("L'écriture du document PDF a déjà échoué."));
    const qint64 count = out_.write(bytes);
    if (count != bytes.size()) {
        failed_ = true;
        throw PdfError(QStringLiteral("Le document PDF n'a pas pu être écrit : %1").arg(out_.errorString()));
    }
    written_ += count;
}

void PdfDocument::beginObject(int number)
{
    offsets_[std::size_t(number - 1)] = written_;
    write(QByteArray::number(number) + " 0 obj\n");
}

void PdfDocument::writeStream(int number, const QByteArray &dictionary, const QByteArray &data)
{
    beginObject(number);
    write("<< " + dictionary + " /Length " + QByteArray::number(data.size()) + " >>\nstream\n");
    write(data);
    write("\nendstream\nendobj\n");
}

void PdfDocument::requirePage() const
{
    if (!current_)
        throw PdfError(QStringLiteral("Dessin hors d'une page du document PDF."));
}

void PdfDocument::beginPage(QSizeF size)
{
    endPage();
    current_ = Page{newObject(), size, {}, {}};
    // From here on the page is drawn with y going down from its top-left corner.
    current_->content = "1 0 0 -1 0 " + number(size.height()) + " cm\n";
}

void PdfDocument::endPage()
{
    if (!current_)
        return;
    Page page = std::move(*current_);
    current_.reset();
    for (; saveDepth_ > 0; --saveDepth_)
        page.content += "Q\n";
    const int content = newObject();
    writeStream(content, {}, page.content);
    QByteArray images;
    for (int image : page.images)
        images += imageName(image) + ' ' + reference(image) + ' ';
    beginObject(page.object);
    write("<< /Type /Page /Parent " + reference(2) + " /MediaBox [0 0 " + number(page.size.width()) + ' '
          + number(page.size.height()) + "] /Resources << /XObject << " + images + ">> >> /Contents "
          + reference(content) + " >>\nendobj\n");
    pages_.push_back(page.object);
}

int PdfDocument::imageObject(const QImage &image)
{
    if (const auto found = images_.constFind(image.cacheKey()); found != images_.constEnd())
        return *found;
    PdfImageObjects objects = encodePdfImage(image, options_.images);
    if (objects.softMask) {
        const int mask = newObject();
        writeStream(mask, objects.softMask->dictionary, objects.softMask->data);
        objects.image.dictionary += " /SMask " + reference(mask);
    }
    const int object = newObject();
    writeStream(object, objects.image.dictionary, objects.image.data);
    images_.insert(image.cacheKey(), object);
    return object;
}

void PdfDocument::drawImage(const QImage &image, const QTransform &placement)
{
    requirePage();
    const int object = imageObject(image);
    if (!current_->images.contains(object))
        current_->images.append(object);
    // An image fills the unit square, its first row at the top (y = 1).
    const QTransform unitSquare(image.width(), 0, 0, -image.height(), 0, image.height());
    current_->content += "q " + matrix(unitSquare * placement) + " cm " + imageName(object) + " Do Q\n";
}

void PdfDocument::drawImage(const QImage &image, const QRectF &target)
{
    drawImage(image, QTransform(target.width() / image.width(), 0, 0, target.height() / image.height(), target.x(),
                                target.y()));
}

void PdfDocument::appendPath(const QPainterPath &path)
{
    QByteArray &content = current_->content;
    QPointF start;
    QPointF last;
    bool open = false;
    const auto closeIfReturned = [&] {
        if (open && last == start)
            content += "h ";
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            closeIfReturned();
            start = last = e;
            open = true;
            content += point(e) + " m ";
            break;
        case QPainterPath::LineToElement:
            last = e;
            content += point(e) + " l ";
            break;
        case QPainterPath::CurveToElement: {
            const QPointF c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            content += point(e) + ' ' + point(c2) + ' ' + point(end) + " c ";
            last = end;
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break; // read with their curve
        }
    }
    closeIfReturned();
}

void PdfDocument::fillPath(const QPainterPath &path, const QTransform &toPage, const QColor &colour)
{
    requirePage();
    current_->content += "q " + matrix(toPage) + " cm " + colourOperators(colour, false);
    appendPath(path);
    current_->content += path.fillRule() == Qt::WindingFill ? "f Q\n" : "f* Q\n";
}

void PdfDocument::strokePath(const QPainterPath &path, const QTransform &toPage, const PdfPen &pen)
{
    requirePage();
    static const QHash<int, QByteArray> caps = {{Qt::FlatCap, "0"}, {Qt::RoundCap, "1"}, {Qt::SquareCap, "2"}};
    static const QHash<int, QByteArray> joins = {{Qt::RoundJoin, "1"}, {Qt::BevelJoin, "2"}};
    QByteArray dashes;
    for (qreal length : pen.dashes)
        dashes += number(length) + ' ';
    current_->content += "q " + matrix(toPage) + " cm " + colourOperators(pen.colour, true) + number(pen.width) + " w "
        + caps.value(pen.cap, "0") + " J " + joins.value(pen.join, "0") + " j [" + dashes.trimmed() + "] "
        + number(pen.dashOffset) + " d ";
    appendPath(path);
    current_->content += "S Q\n";
}

void PdfDocument::strokeRect(const QRectF &rect, const PdfPen &pen)
{
    QPainterPath path;
    path.addRect(rect);
    strokePath(path, QTransform(), pen);
}

void PdfDocument::strokeLine(const QLineF &line, const PdfPen &pen)
{
    QPainterPath path(line.p1());
    path.lineTo(line.p2());
    strokePath(path, QTransform(), pen);
}

void PdfDocument::save()
{
    requirePage();
    current_->content += "q\n";
    ++saveDepth_;
}

void PdfDocument::clip(const QPainterPath &path, const QTransform &toPage)
{
    requirePage();
    // Mapped here rather than through cm, which would outlast the clip.
    appendPath(toPage.map(path));
    current_->content += path.fillRule() == Qt::WindingFill ? "W n\n" : "W* n\n";
}

void PdfDocument::restore()
{
    requirePage();
    if (saveDepth_ == 0)
        return;
    current_->content += "Q\n";
    --saveDepth_;
}

void PdfDocument::finish()
{
    if (finished_)
        return;
    endPage();
    QByteArray kids;
    for (int page : pages_)
        kids += reference(page) + ' ';
    beginObject(1);
    write("<< /Type /Catalog /Pages " + reference(2) + " >>\nendobj\n");
    beginObject(2);
    write("<< /Type /Pages /Kids [" + kids.trimmed() + "] /Count " + QByteArray::number(pageCount()) + " >>\nendobj\n");
    beginObject(3);
    write("<< /Title " + textString(options_.title) + " /Producer (Quillon) >>\nendobj\n");

    const qint64 xref = written_;
    QByteArray table = "xref\n0 " + QByteArray::number(offsets_.size() + 1) + "\n0000000000 65535 f\r\n";
    for (qint64 offset : offsets_)
        table += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n\r\n";
    write(table);
    write("trailer\n<< /Size " + QByteArray::number(offsets_.size() + 1) + " /Root " + reference(1) + " /Info "
          + reference(3) + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
    if (auto *file = qobject_cast<QFileDevice *>(&out_); file && !file->flush()) {
        failed_ = true;
        throw PdfError(QStringLiteral("Le document PDF n'a pas pu être écrit : %1").arg(file->errorString()));
    }
    finished_ = true;
}

} // namespace platform
