// The sheet preview and the placement of the picture on it: the sheet drawn
// from the printer, the size, zoom and margin bars in millimetres, fitting,
// centring and the predefined formats.
#include "Main.h"

#include "ErrorBoundary.h"
#include "Handles.h"
#include "Named.h"
#include "Rounding.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

using platform::roundInt;

void TForm1::buildSheet()
{
    using platform::connectGuarded;
    Panel1 = named<QFrame>(QStringLiteral("Panel1"), Client);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    place(Panel1, 8, 8, 295, 417);
    Page = new TPicture(QStringLiteral("Page"), Panel1);
    place(Page, 1, 1, composition::WindowPreview.width(), composition::WindowPreview.height());
    Image = new TPicture(QStringLiteral("Image"), Panel1, true);
    Image1 = new TPicture(QStringLiteral("Image1"), Client);
    Image1->hide();
    SH = std::make_unique<TStretchHandle>(Panel1);
    SH->setDragCursor(QCursor(Qt::SizeAllCursor));
    connectGuarded(Image, &TPicture::clicked, this, &TForm1::ImageClick);
    connectGuarded(Page, &TPicture::clicked, this, &TForm1::PageClick);
    connectGuarded(SH.get(), &TStretchHandle::mouseUp, this, &TForm1::SHMouseUp);
    connectGuarded(SH.get(), &TStretchHandle::keyDown, this, &TForm1::SHKeyDown);

    // Positions and sizes.
    Panel3 = named<QFrame>(QStringLiteral("Panel3"), Client);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(Panel3, 312, 162, 212, 266);
    Label2 = makeLabel(Panel3, QStringLiteral("Label2"), QStringLiteral("Positions et dimensions"));
    place(Label2, 8, 3, 196, 16);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    struct BarRow {
        QLabel *&caption;
        const char *captionName;
        const char *text;
        QScrollBar *&bar;
        const char *barName;
        const char *hint;
        QLabel *&value;
        const char *valueName;
        const char *initial;
        int minimum, maximum, position;
        void (TForm1::*scroll)();
        void (TForm1::*change)();
    };
    const BarRow rows[] = {
        {Label1, "Label1", "Taille", Zoom, "Zoom", "Facteur d'agrandissement ou de réduction", ZoomLabel, "ZoomLabel",
         "100 %", 10, 300, 100, &TForm1::ZoomScroll, &TForm1::ZoomChange},
        {Label5, "Label5", "Marge haute", Haut, "Haut", "Marge haute", Label6, "Label6", "0 mm", 0, 300, 0,
         &TForm1::HautScroll, &TForm1::HautChange},
        {Label7, "Label7", "Marge gauche", Gauche, "Gauche", "Marge gauche", Label8, "Label8", "0 mm", 0, 300, 0,
         &TForm1::GaucheScroll, &TForm1::GaucheChange},
        {Label9, "Label9", "Largeur", LargIm, "LargIm", "Largeur", Label10, "Label10", "10 mm", 10, 300, 10,
         &TForm1::LargImScroll, &TForm1::LargImChange},
        {Label11, "Label11", "Hauteur", HautIm, "HautIm", "Hauteur", Label12, "Label12", "10 mm", 10, 300, 10,
         &TForm1::HautImScroll, &TForm1::HautImChange},
    };
    int y = 20;
    for (const BarRow &row : rows) {
        row.caption = makeLabel(Panel3, QString::fromLatin1(row.captionName), QString::fromUtf8(row.text));
        place(row.caption, 8, y, 150, 14);
        row.bar = named<QScrollBar>(QString::fromLatin1(row.barName), Panel3, Qt::Horizontal);
        row.bar->setRange(row.minimum, row.maximum);
        row.bar->setValue(row.position);
        row.bar->setPageStep(10);
        row.bar->setSingleStep(1);
        place(row.bar, 8, y + 15, 146, 16, QString::fromUtf8(row.hint));
        // The bars take the keyboard too: the arrows move them as the mouse does.
        row.bar->setFocusPolicy(Qt::StrongFocus);
        row.bar->setAccessibleName(QString::fromUtf8(row.hint));
        row.value = makeLabel(Panel3, QString::fromLatin1(row.valueName), QString::fromUtf8(row.initial));
        place(row.value, 158, y + 15, 50, 16);
        onUserScroll(row.bar, row.scroll);
        connectGuarded(row.bar, &QScrollBar::valueChanged, this, row.change);
        y += 30;
    }
    ComboFormats = named<QComboBox>(QStringLiteral("ComboFormats"), Panel3);
    for (const PredefinedFormat &format : Formats)
        ComboFormats->addItem(QString::fromUtf8(format.name));
    ComboFormats->setMaxVisibleItems(10);
    place(ComboFormats, 8, 172, 196, 22, QStringLiteral("Formats prédéfinis"));
    connectGuarded(ComboFormats, &QComboBox::activated, this, &TForm1::ComboFormatsChange);
    conserver = makeCheckBox(Panel3, QStringLiteral("conserver"), QStringLiteral("Conserver les proportions"));
    conserver->setChecked(true);
    place(conserver, 8, 198, 196, 20);
    connectGuarded(conserver, &TMMBitmapCheckBox::clicking, this, &TForm1::conserverClick);

    // The placement buttons; the half turn closes their row (MainOrientation.cpp).
    struct Placement {
        TMMBitmapButton *&button;
        const char *name;
        int picture, pressed, x;
        const char *hint;
        void (TForm1::*click)();
    };
    const Placement placements[] = {
        {OrigBtn, "OrigBtn", 2, 20, 8, "Déplace l'image à l'origine de la zone imprimable", &TForm1::OrigBtnClick},
        {FillBtn, "FillBtn", 3, 24, 41, "Adapte l'image à la taille de la feuille", &TForm1::FillBtnClick},
        {centrerh, "centrerh", 4, 22, 74, "Centre horizontalement l'image sur la feuille physique", &TForm1::centrerhClick},
        {centrerv, "centrerv", 5, 23, 107, "Centre verticalement l'image sur la feuille physique", &TForm1::centrervClick},
        {centrerp, "centrerp", 6, 21, 140, "Centre l'image sur la feuille physique", &TForm1::centrerpClick},
    };
    for (const Placement &p : placements) {
        p.button = makeButton(Panel3, QString::fromLatin1(p.name), p.picture, QString::fromUtf8(p.hint));
        place(p.button, p.x, PlacementRowTop, 32, 36);
        pressedPicture(p.button, p.picture, p.pressed);
        connectGuarded(p.button, &QPushButton::clicked, this, p.click);
    }

    hideDuring({Label1, Label2, Zoom, ZoomLabel, Label5, Haut, Label6, Label7, Gauche, Label8, Label9, LargIm, Label10,
                Label11, HautIm, Label12, ComboFormats, conserver, OrigBtn, FillBtn, centrerh, centrerv, centrerp},
               {Mode::Duplication, Mode::Poster});
}

platform::SheetGeometry TForm1::sheet() const
{
    return sheet_.onPreview(Page->size());
}

platform::SheetGeometry TForm1::currentPaper() const
{
    // The conversions ask the printer anew each time: the paper may have
    // changed since the sheet was last drawn (printer setup).
    return platform::SheetGeometry(platform::PaperMetrics::of(platform::Printer::instance()), Page->size());
}

int TForm1::SheetWidth() const { return Page->width(); }
int TForm1::SheetHeight() const { return Page->height(); }
int TForm1::X0() const { return sheet().x0(); }
int TForm1::Y0() const { return sheet().y0(); }
int TForm1::X1() const { return sheet().x1(); }
int TForm1::Y1() const { return sheet().y1(); }
int TForm1::PW() const { return sheet().printableWidth(); }
int TForm1::PH() const { return sheet().printableHeight(); }
int TForm1::PicW() const { return Image->pictureWidth(); }
int TForm1::PicH() const { return Image->pictureHeight(); }

void TForm1::ClearSheet()
{
    QImage canvas(SheetWidth(), SheetHeight(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, SheetWidth() - 1, SheetHeight() - 1);
    painter.end();
    Page->setPicture(canvas);
}

void TForm1::DrawSheet()
{
    ClearSheet();
    sheet_ = currentPaper();
    QPainter painter(&Page->picture());
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::red);
    painter.drawRect(X0(), Y0(), X1() - X0() - 1, Y1() - Y0() - 1);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, SheetWidth() - 1, SheetHeight() - 1);
    painter.end();
    Page->update();
}

void TForm1::PlaceNewImage()
{
    SH->Detach();
    QSize natural(NaturalWidth, NaturalHeight);
    if (platform::Printer::instance().orientation() == platform::Orientation::Landscape)
        natural.transpose();
    const QSize size = platform::fitPicture(natural, QSize(PW() - 4, PH() - 4));
    Image->setGeometry(X0() + 2, Y0() + 2, size.width(), size.height());
    UpdateDuplicateOffer();
    UpdateZoomBar();
    UpdatePositionBars();
}

void TForm1::UpdateDuplicateOffer()
{
    if (2 * Image->width() > PW() - 4 && 2 * Image->height() > PH() - 4) {
        if (Dupliquer->isChecked())
            DupliquerClick(false); // leaving duplication mode
        Dupliquer->setChecked(false);
        Dupliquer->hide();
        Poster->move(13, Poster->y());
    } else {
        Dupliquer->show();
        Poster->move(117, Poster->y());
    }
}

int TForm1::MmToPixelsX(int mm) const
{
    return currentPaper().mmToPixelsX(mm, PaysBtn->isChecked());
}

int TForm1::PixelsToMmX(int px) const
{
    return currentPaper().pixelsToMmX(px, PaysBtn->isChecked());
}

int TForm1::MmToPixelsY(int mm) const
{
    return currentPaper().mmToPixelsY(mm, PaysBtn->isChecked());
}

int TForm1::PixelsToMmY(int px) const
{
    return currentPaper().pixelsToMmY(px, PaysBtn->isChecked());
}

void TForm1::UpdateBarMaxima()
{
    const platform::PaperMetrics paper = platform::PaperMetrics::of(platform::Printer::instance());
    Haut->setMaximum(paper.heightMm());
    HautIm->setMaximum(paper.heightMm());
    Gauche->setMaximum(paper.widthMm());
    LargIm->setMaximum(paper.widthMm());
}

void TForm1::UpdatePositionBars()
{
    Haut->setValue(PixelsToMmY(Image->y()));
    Gauche->setValue(PixelsToMmX(Image->x()));
    HautIm->setValue(PixelsToMmY(Image->height()));
    LargIm->setValue(PixelsToMmX(Image->width()));
}

void TForm1::UpdateZoomBar()
{
    if (PicH() == 0)
        return;
    Zoom->setValue(roundInt(Image->height() * 100.0L / PicH()));
}

void TForm1::ApplyZoom()
{
    SH->Detach();
    const long double z = Zoom->value() / 100.0L;
    const int oldWidth = Image->width(), oldHeight = Image->height();
    const int height = roundInt(PicH() * z);
    const int width = conserver->isChecked() ? roundInt(z * PicW())
                                             : (oldHeight == 0 ? oldWidth : roundInt(static_cast<long double>(height) * oldWidth / oldHeight));
    Image->resize(width, height);
}

void TForm1::KeepProportions()
{
    SH->Detach();
    if (PicW() == 0 || PicH() == 0)
        return;
    if (PicW() < PicH())
        Image->resize(roundInt(static_cast<long double>(PicW()) * Image->height() / PicH()), Image->height());
    else
        Image->resize(Image->width(), roundInt(static_cast<long double>(PicH()) * Image->width() / PicW()));
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
}

void TForm1::SetFormatSize(int widthMm, int heightMm)
{
    if (PaysBtn->isChecked())
        std::swap(widthMm, heightMm);
    LargIm->setValue(widthMm);
    HautIm->setValue(heightMm);
    SH->Detach();
    Image->resize(Image->width(), MmToPixelsY(HautIm->value()));
    Image->resize(MmToPixelsX(LargIm->value()), Image->height());
    UpdateZoomBar();
}

void TForm1::ImageClick()
{
    SH->Attach(Image);
}

void TForm1::PageClick()
{
    SH->Detach();
}

void TForm1::SHMouseUp()
{
    UpdateDuplicateOffer();
    if (conserver->isChecked())
        KeepProportions();
    SH->Attach(Image);
    UpdateZoomBar();
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
}

void TForm1::SHKeyDown()
{
    // The arrows have moved the picture: the margins follow.
    UpdatePositionBars();
}

void TForm1::ZoomChange()
{
    ZoomLabel->setText(QString::number(Zoom->value()) + QLatin1Char('%'));
}

void TForm1::HautChange()
{
    Label6->setText(QString::number(Haut->value()) + QStringLiteral(" mm"));
}

void TForm1::GaucheChange()
{
    Label8->setText(QString::number(Gauche->value()) + QStringLiteral(" mm"));
}

void TForm1::LargImChange()
{
    Label10->setText(QString::number(LargIm->value()) + QStringLiteral(" mm"));
}

void TForm1::HautImChange()
{
    Label12->setText(QString::number(HautIm->value()) + QStringLiteral(" mm"));
}

void TForm1::ZoomScroll()
{
    ApplyZoom();
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
    UpdateDuplicateOffer();
}

void TForm1::HautScroll()
{
    SH->Detach();
    Image->move(Image->x(), MmToPixelsY(Haut->value()));
    ComboFormats->setCurrentIndex(0);
}

void TForm1::GaucheScroll()
{
    SH->Detach();
    Image->move(MmToPixelsX(Gauche->value()), Image->y());
    ComboFormats->setCurrentIndex(0);
}

void TForm1::LargImScroll()
{
    SH->Detach();
    Image->resize(MmToPixelsX(LargIm->value()), Image->height());
    if (conserver->isChecked() && PicW() != 0) {
        Image->resize(Image->width(), roundInt(static_cast<long double>(PicH()) * Image->width() / PicW()));
        UpdatePositionBars();
    }
    UpdateZoomBar();
    ComboFormats->setCurrentIndex(0);
    UpdateDuplicateOffer();
}

void TForm1::HautImScroll()
{
    SH->Detach();
    Image->resize(Image->width(), MmToPixelsY(HautIm->value()));
    if (conserver->isChecked() && PicH() != 0) {
        Image->resize(roundInt(static_cast<long double>(PicW()) * Image->height() / PicH()), Image->height());
        UpdatePositionBars();
    }
    UpdateZoomBar();
    ComboFormats->setCurrentIndex(0);
    UpdateDuplicateOffer();
}

void TForm1::OrigBtnClick()
{
    SH->Detach();
    Image->move(X0() + 2, Y0() + 2);
    UpdatePositionBars();
}

void TForm1::FillBtnClick()
{
    SH->Detach();
    Image->resize(PW() - 4, PH() - 4);
    if (conserver->isChecked())
        KeepProportions();
    Image->move(X0() + 2, Y0() + 2);
    UpdateDuplicateOffer();
    UpdateZoomBar();
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
}

void TForm1::centrerhClick()
{
    SH->Detach();
    Image->move((SheetWidth() - Image->width()) / 2, Image->y());
    SH->Attach(Image);
    UpdatePositionBars();
}

void TForm1::centrervClick()
{
    SH->Detach();
    Image->move(Image->x(), (SheetHeight() - Image->height()) / 2);
    SH->Attach(Image);
    UpdatePositionBars();
}

void TForm1::centrerpClick()
{
    centrerhClick();
    centrervClick();
}

void TForm1::conserverClick(bool checking)
{
    if (checking)
        KeepProportions();
}

void TForm1::ComboFormatsChange(int index)
{
    if (index < 0 || index >= FormatCount)
        return;
    conserver->setChecked(false);
    const PredefinedFormat &format = Formats[index];
    if (index != 0)
        SetFormatSize(format.widthMm, format.heightMm);
    if (format.toOrigin) {
        Image->move(0, 0);
        UpdatePositionBars();
    }
    UpdateDuplicateOffer();
}

