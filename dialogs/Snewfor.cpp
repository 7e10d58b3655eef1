#include "Snewfor.h"

#include "Decimal.h"
#include "ErrorBoundary.h"
#include "Printer.h"
#include "Rounding.h"
#include "SheetGeometry.h"
#include "TPicture.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <optional>

using platform::roundInt;


namespace {


const QColor Aqua(0, 255, 255);

// The sketch's rectangles leave out their right and bottom edges.
void rectangle(QPainter &painter, int left, int top, int right, int bottom)
{
    if (right - left <= 0 || bottom - top <= 0)
        return;
    if (painter.pen().style() == Qt::NoPen) {
        painter.fillRect(left, top, right - left, bottom - top, painter.brush());
        return;
    }
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

} // namespace

void DrawPosterSheets(TPicture *target, int posterWidth, int posterHeight, const PosterPainter &withImage,
                      QLabel *label, int ppi)
{
    std::optional<platform::WaitCursor> hourglass;
    if (withImage)
        hourglass.emplace();
    // The sketch is drawn apart and given to the target at the end: drawing
    // with the picture lets the window handle input between sheets, and a
    // click may then give the target another picture (another mode, another
    // sketch).  The newer picture wins; this drawing is dropped.
    const QPointer<TPicture> targetAlive(target);
    const QPointer<QLabel> labelAlive(label);
    const quint64 generation = target->pictureGeneration();
    auto overtaken = [&] { return !targetAlive || targetAlive->pictureGeneration() != generation; };

    QImage sketch(target->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter canvas(&sketch);
    canvas.fillRect(sketch.rect(), QApplication::palette().color(QPalette::Button));

    const platform::PaperMetrics paper = platform::PaperMetrics::of(platform::Printer::instance());
    const platform::PosterLayout poster(paper, QSize(posterWidth, posterHeight), ppi);
    const QSize phys = paper.physical.expandedTo(QSize(1, 1));
    const long double r = static_cast<long double>(phys.height()) / phys.width();
    const long double ox = static_cast<long double>(paper.offset.x()) / phys.width();
    const long double oy = static_cast<long double>(paper.offset.y()) / phys.height();
    const QSize page = poster.page();
    const int targetWidth = sketch.width(), targetHeight = sketch.height();

    if (poster.singleSheet()) {
        label->setText(QStringLiteral("Feuilles : 1"));
        int sw = 0, sh = 0, x0 = 0, y0 = 0;
        long double m = 0;
        if (r >= 1) {
            sw = roundInt(targetWidth / r);
            sh = targetHeight;
            x0 = (targetWidth - sw) / 2;
            y0 = 0;
            m = static_cast<long double>(sh) / phys.height();
        }
        if (r <= 1) {
            sw = targetWidth;
            sh = roundInt(targetWidth * r);
            x0 = 0;
            y0 = (targetHeight - sh) / 2;
            m = static_cast<long double>(sw) / phys.width();
        }
        canvas.setPen(Qt::black);
        canvas.setBrush(Qt::white);
        rectangle(canvas, x0, y0, x0 + sw, y0 + sh);
        const int px = roundInt(sw * ox) + x0, py = roundInt(sh * oy) + y0;
        canvas.setBrush(withImage ? QColor(Qt::white) : Aqua);
        rectangle(canvas, px, py, px + roundInt(poster.width() * m), py + roundInt(poster.height() * m));
        if (withImage)
            withImage(canvas, QPointF(px, py), poster.kx() * m, poster.ky() * m);
    } else {
        const int cols = poster.columns(), rows = poster.rows();
        const QString count = QStringLiteral("Feuilles : ") + QString::number(poster.sheets());
        label->setText(withImage ? QStringLiteral("Découpage...") : count);
        const int sh = std::min(static_cast<int>(platform::truncate(targetHeight * r / cols)), targetHeight / rows);
        const int sw = static_cast<int>(platform::truncate(sh / r));
        const long double m = static_cast<long double>(sh) / phys.height();
        QImage work;
        if (withImage) {
            work = QImage(std::max(1, roundInt(poster.width() * m)), std::max(1, roundInt(poster.height() * m)),
                          QImage::Format_RGB32);
            work.fill(Qt::white);
            QPainter workCanvas(&work);
            withImage(workCanvas, QPointF(0, 0), poster.kx() * m, poster.ky() * m);
        }
        for (int j = 0; j < cols; ++j) {
            for (int k = 0; k < rows; ++k) {
                const int x = j * sw, y = k * sh;
                const QRect part = poster.part(j, k);
                canvas.setPen(Qt::black);
                canvas.setBrush(Qt::white);
                rectangle(canvas, x, y, x + sw, y + sh);
                const int px = roundInt(sw * ox) + x, py = roundInt(sh * oy) + y;
                const int qx = px + roundInt(part.width() * m), qy = py + roundInt(part.height() * m);
                if (withImage)
                    canvas.drawImage(QPoint(px, py), work,
                                     QRect(roundInt(page.width() * m) * j, roundInt(page.height() * m) * k, qx - px, qy - py));
                canvas.setBrush(withImage ? QBrush(Qt::NoBrush) : QBrush(Aqua));
                rectangle(canvas, px, py, qx, qy);
                if (withImage) {
                    QCoreApplication::processEvents();
                    if (overtaken())
                        return;
                }
            }
        }
        if (withImage && labelAlive)
            labelAlive->setText(count);
    }
    canvas.end();
    if (!overtaken())
        target->setPicture(sketch);
}

TNewFor::TNewFor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TNewFor"));
    setWindowTitle(QStringLiteral("Format du poster"));
    setFixedSize(405, 428);

    auto named = [](QWidget *widget, const char *name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    auto bar = [&](const char *name, int y) {
        auto *scroll = new QScrollBar(Qt::Horizontal, this);
        named(scroll, name);
        scroll->setRange(1, 29700);
        scroll->setValue(1000);
        scroll->setPageStep(10);
        scroll->setGeometry(100, y, 290, 17);
        return scroll;
    };
    WLbl = new QLabel(QStringLiteral("Largeur :"), this);
    named(WLbl, "WLbl")->setGeometry(10, 12, 60, 20);
    Edit1 = new QLineEdit(QStringLiteral("100"), this);
    named(Edit1, "Edit1")->setGeometry(10, 34, 60, 22);
    auto *mm1 = new QLabel(QStringLiteral("mm"), this);
    mm1->setGeometry(74, 36, 24, 18);
    WScroll = bar("WScroll", 36);
    HLbl = new QLabel(QStringLiteral("Hauteur :"), this);
    named(HLbl, "HLbl")->setGeometry(10, 62, 60, 20);
    Edit2 = new QLineEdit(QStringLiteral("100"), this);
    named(Edit2, "Edit2")->setGeometry(10, 84, 60, 22);
    auto *mm2 = new QLabel(QStringLiteral("mm"), this);
    mm2->setGeometry(74, 86, 24, 18);
    HScroll = bar("HScroll", 86);
    Image = new TPicture(QStringLiteral("Image"), this);
    Image->setGeometry(10, 116, 284, 284);
    Label3 = new QLabel(QStringLiteral("Feuilles : 100"), this);
    named(Label3, "Label3")->setGeometry(300, 116, 100, 20);
    CheckBox1 = new QCheckBox(QStringLiteral("&Paysage"), this);
    named(CheckBox1, "CheckBox1")->setGeometry(300, 146, 100, 20);
    CheckBox2 = new QCheckBox(QStringLiteral("&Conserver les proportions de l'image originale"), this);
    named(CheckBox2, "CheckBox2")->setGeometry(10, 404, 330, 20);
    CheckBox2->setChecked(true);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    named(OKBtn, "OKBtn")->setGeometry(310, 340, 85, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Annuler"), this);
    named(CancelBtn, "CancelBtn")->setGeometry(310, 372, 85, 25);

    platform::connectGuarded(WScroll, &QScrollBar::valueChanged, this, &TNewFor::WScrollChange);
    platform::connectGuarded(HScroll, &QScrollBar::valueChanged, this, &TNewFor::HScrollChange);
    platform::connectGuarded(Edit1, &QLineEdit::editingFinished, this, &TNewFor::CommitWidthEdit);
    platform::connectGuarded(Edit2, &QLineEdit::editingFinished, this, &TNewFor::CommitHeightEdit);
    platform::connectGuarded(CheckBox1, &QCheckBox::toggled, this, &TNewFor::CheckBox1Click);
    platform::connectGuarded(CheckBox2, &QCheckBox::toggled, this, &TNewFor::CheckBox2Click);
    platform::connectGuarded(OKBtn, &QPushButton::clicked, this, &TNewFor::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

int TNewFor::ScreenPixels(int position) const
{
    return platform::screenPixelsFromTenthsOfMm(position, logicalDpiX());
}

bool TNewFor::keepProportions() const
{
    return owner_.keepProportions ? owner_.keepProportions() : CheckBox2->isChecked();
}

QSize TNewFor::pictureSize() const
{
    return owner_.pictureSize ? owner_.pictureSize() : QSize(1, 1);
}

void TNewFor::redraw()
{
    DrawPosterSheets(Image, ScreenPixels(WScroll->value()), ScreenPixels(HScroll->value()), {}, Label3, logicalDpiX());
}

void TNewFor::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TNewFor::FormShow()
{
    Label3->clear();
    CheckBox1->setChecked(platform::Printer::instance().orientation() == platform::Orientation::Landscape);
    CheckBox2->setChecked(keepProportions());
    OKBtn->setFocus();
    redraw();
}

void TNewFor::WScrollChange()
{
    const QSize picture = pictureSize();
    Edit1->setText(platform::formatFixed(WScroll->value() / 10.0L, 1));
    if (keepProportions() && picture.width() > 0 && picture.height() > 0) {
        const long double r = static_cast<long double>(picture.height()) / picture.width();
        HScroll->setValue(std::min(HScroll->maximum(), roundInt(WScroll->value() * r)));
        if (HScroll->value() == HScroll->maximum())
            WScroll->setValue(roundInt(HScroll->maximum() / r));
    }
    redraw();
}

void TNewFor::HScrollChange()
{
    const QSize picture = pictureSize();
    Edit2->setText(platform::formatFixed(HScroll->value() / 10.0L, 1));
    if (keepProportions() && picture.width() > 0 && picture.height() > 0) {
        const long double r = static_cast<long double>(picture.width()) / picture.height();
        WScroll->setValue(std::min(WScroll->maximum(), roundInt(HScroll->value() * r)));
        if (WScroll->value() == WScroll->maximum())
            HScroll->setValue(roundInt(WScroll->maximum() / r));
    }
    redraw();
}

void TNewFor::commitEdit(QLineEdit *edit, QScrollBar *bar)
{
    long double value = platform::parseReal(edit->text()).value_or(100.0L);
    value = std::clamp(value, bar->minimum() / 10.0L, bar->maximum() / 10.0L);
    bar->setValue(static_cast<int>(platform::truncate(value * 10)));
    redraw();
}

void TNewFor::CommitWidthEdit()
{
    commitEdit(Edit1, WScroll);
}

void TNewFor::CommitHeightEdit()
{
    commitEdit(Edit2, HScroll);
}

void TNewFor::CheckBox1Click()
{
    platform::Printer::instance().setOrientation(CheckBox1->isChecked() ? platform::Orientation::Landscape
                                                                        : platform::Orientation::Portrait);
    redraw();
}

void TNewFor::CheckBox2Click()
{
    if (owner_.setKeepProportions)
        owner_.setKeepProportions(CheckBox2->isChecked());
    WScrollChange();
}

void TNewFor::OKBtnClick()
{
    CommitWidthEdit();
    CommitHeightEdit();
    accept();
}
