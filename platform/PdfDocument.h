#pragma once
// A PDF 1.4 document written as it is drawn: pages of any size holding
// pictures placed by an affine map, filled and stroked paths (cut lines,
// frames, text outlines) and clip paths.  Pictures keep their pixels (see
// PdfImage.h) and their natural size, so that a reader shows the page's true
// resolution; a picture drawn again (the tiles of a duplicated page, the
// copies of a job) is stored once.
//
// Coordinates are points (1/72 inch) from the page's top-left corner, y down.
// Every write is checked: a device that refuses bytes raises PdfError, and
// from then on the document stays failed.  The file is complete only once
// finish() returned: a caller writing through a temporary file keeps it then
// and discards it on any error.
#include "Exception.h"
#include "PdfImage.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QPainterPath>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <optional>
#include <vector>

class QIODevice;

namespace platform {

class PdfError : public Exception {
public:
    using Exception::Exception;
};

struct PdfOptions {
    QString title;
    PdfImageOptions images;
};

// A line's look, in the units of the path it strokes.
struct PdfPen {
    QColor colour = Qt::black;
    qreal width = 1;
    QList<qreal> dashes; // dash and gap lengths in turn; empty for a solid line
    qreal dashOffset = 0;
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::MiterJoin;

    static PdfPen solid(qreal width);
    // Dots one width long, two widths apart: the cut lines' look.
    static PdfPen dotted(qreal width);
};

class PdfDocument {
public:
    PdfDocument(QIODevice &out, const PdfOptions &options);
    ~PdfDocument();
    PdfDocument(const PdfDocument &) = delete;
    PdfDocument &operator=(const PdfDocument &) = delete;

    // Ends the page in progress, if any, and starts a new one of this size in points.
    void beginPage(QSizeF size);
    int pageCount() const { return int(pages_.size()); }

    // Drawing on the current page (there must be one).
    // The picture's pixel rectangle (0, 0, width, height) mapped onto the page by placement.
    void drawImage(const QImage &image, const QTransform &placement);
    void drawImage(const QImage &image, const QRectF &target);
    void fillPath(const QPainterPath &path, const QTransform &toPage, const QColor &colour);
    void strokePath(const QPainterPath &path, const QTransform &toPage, const PdfPen &pen);
    void strokeRect(const QRectF &rect, const PdfPen &pen);
    void strokeLine(const QLineF &line, const PdfPen &pen);
    // Clip paths intersect until the matching restore().
    void save();
    void clip(const QPainterPath &path, const QTransform &toPage);
    void restore();

    // Ends the last page and writes the page tree, the information
    // dictionary, the cross-reference table and the trailer.
    void finish();

private:
    int newObject();
    void beginObject(int number);
    void writeStream(int number, const QByteArray &dictionary, const QByteArray &data);
    int imageObject(const QImage &image);
    void endPage();
    void appendPath(const QPainterPath &path);
    void requirePage() const;
    void write(const QByteArray &bytes);

    QIODevice &out_;
    PdfOptions options_;
    bool failed_ = false;
    bool finished_ = false;
    qint64 written_ = 0;
    std::vector<qint64> offsets_; // by object number - 1; -1 until written

    struct Page {
        int object = 0;
        QSizeF size;
        QByteArray content;
        QList<int> images;
    };
    std::vector<int> pages_; // page objects in order
    std::optional<Page> current_;
    QHash<qint64, int> images_; // image object by QImage::cacheKey
    int saveDepth_ = 0;
};

} // namespace platform
