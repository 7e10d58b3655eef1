#include "Sopend.h"

#include "Named.h"

#include "Rounding.h"
#include "TMultiP.h"
#include "TPicture.h"
#include "TShellFileList.h"
#include "TShellFolderTree.h"
#include "WaitCursor.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>

using imaging::TPMultiImage;
using platform::roundEven;

const QString TOpenDial::Mask = QStringLiteral("*.bmp;*.pcx;*.tif;*.gif;*.jpg;*.png;*.pcd;*.cms;*.scm;*.dxf;*.tga;*.eps");

namespace {

// The box a preview must fit in: 4/5 of the panel each way.
QSize previewBox(QSize panel)
{
    return {int(roundEven(4 * (long double)panel.width() / 5)), int(roundEven(4 * (long double)panel.height() / 5))};
}

} // namespace

QRect TOpenDial::PreviewBounds(QSize panel, QSize picture, bool &stretch)
{
    const QSize box = previewBox(panel);
    QSize size = picture;
    stretch = picture.width() > box.width() || picture.height() > box.height();
    if (stretch) {
        const long double w = picture.width(), h = picture.height();
        if (picture.height() < picture.width())
            size = QSize(box.width(), int(roundEven(box.width() * h / w)));
        else
            size = QSize(int(roundEven(box.height() * w / h)), box.height());
    }
    return QRect(QPoint((panel.width() - size.width()) / 2, (panel.height() - size.height()) / 2), size);
}

TOpenDial::TOpenDial(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TOpenDial"));
    setWindowTitle(QStringLiteral("Choix d'une image"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(594, 265);

    Bevel1 = named<QFrame>(QStringLiteral("Bevel1"), this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 409, 249);
    tv = named<TShellFolderTree>(QStringLiteral("tv"), this);
    tv->setGeometry(16, 16, 193, 233);
    lv = named<TShellFileList>(QStringLiteral("lv"), this);
    lv->setGeometry(216, 16, 193, 233);
    lv->setMask(Mask);
    lv->setFolderTree(tv);
    apercu = named<QCheckBox>(QStringLiteral("apercu"), this);
    apercu->setText(QStringLiteral("Aperçu"));
    apercu->setGeometry(432, 8, 97, 17);
    apercu->setChecked(true);
    Panel = named<QFrame>(QStringLiteral("Panel"), this);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setGeometry(432, 32, 153, 145);

    Image = named<TPMultiImage>(QStringLiteral("Image"), Panel);
    Image->setStretch(true);
    Image->ImageDither = true;
    Image->TifSaveCompress = imaging::sNONE;
    Image->setTiffPage(1);
    Image->setJPegSaveQuality(25);
    Image->setJPegSaveSmooth(0);
    // a preview needs no more pixels than its box shows
    Image->ReduceToFit = previewBox(Panel->size());
    Image->OnIlibError = [this](TPMultiImage *, int, const QString &text, const char *) { previewFailure_ = text; };
    Image->setImageName(QStringLiteral("file not found"));
    Image->Loaded();
    Image1 = new TPicture(QStringLiteral("Image1"), Panel, true);
    Image1->hide();
    PreviewNote = named<QLabel>(QStringLiteral("PreviewNote"), Panel);
    PreviewNote->setGeometry(4, 4, Panel->width() - 8, Panel->height() - 8);
    PreviewNote->setAlignment(Qt::AlignCenter);
    PreviewNote->setWordWrap(true);
    PreviewNote->hide();

    OKBtn = named<QPushButton>(QStringLiteral("OKBtn"), this);
    OKBtn->setText(QStringLiteral("OK"));
    OKBtn->setGeometry(432, 200, 153, 25);
    OKBtn->setDefault(true);
    CancelBtn = named<QPushButton>(QStringLiteral("CancelBtn"), this);
    CancelBtn->setText(QStringLiteral("Annuler"));
    CancelBtn->setGeometry(432, 232, 153, 25);

    connect(lv, &TShellFileList::fileSelected, this, &TOpenDial::lvChange);
    connect(lv, &TShellFileList::fileActivated, this, &TOpenDial::lvDblClick);
    connect(apercu, &QCheckBox::clicked, this, &TOpenDial::apercuClick);
    connect(OKBtn, &QPushButton::clicked, this, &TOpenDial::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TOpenDial::CancelBtnClick);

    Image->setVisible(apercu->isChecked());
    ChosenFile.clear();
}

void TOpenDial::setOwner(Owner owner)
{
    owner_ = std::move(owner);
    if (owner_.previewInOpenDialog)
        apercu->setChecked(owner_.previewInOpenDialog());
    Image->setVisible(apercu->isChecked());
    if (!apercu->isChecked())
        hidePreviews();
}

bool TOpenDial::isToolkitPicture() const
{
    const QString extension = QFileInfo(ChosenFile).suffix().toUpper();
    return extension == QLatin1String("WMF") || extension == QLatin1String("ICO");
}

void TOpenDial::showPreviewControl()
{
    Image1->setVisible(isToolkitPicture());
    Image->setVisible(!isToolkitPicture());
}

void TOpenDial::hidePreviews()
{
    Image->hide();
    Image1->hide();
    PreviewNote->hide();
}

void TOpenDial::showNote(const QString &reason)
{
    Image->hide();
    Image1->hide();
    PreviewNote->setText(QStringLiteral("Aperçu impossible\n") + reason);
    PreviewNote->show();
}

void TOpenDial::lvChange(const QString &path)
{
    ChosenFile = path;
    if (!apercu->isChecked())
        return;
    showPreviewControl();
    LoadPreview();
}

void TOpenDial::LoadPreview()
{
    platform::WaitCursor hourglass;
    PreviewNote->hide();
    previewFailure_.clear();
    QWidget *control = nullptr;
    QSize picture;
    // a file the preview cannot read is noted in the panel, never in a message box
    try {
        if (isToolkitPicture()) {
            QImageReader reader(ChosenFile);
            const QImage image = reader.read();
            if (image.isNull())
                previewFailure_ = reader.errorString();
            Image1->setPicture(image);
            picture = image.size();
            control = Image1;
        } else {
            Image->setImageName(ChosenFile);
            picture = QSize(Image->InfoWidth(), Image->InfoHeight());
            control = Image;
        }
    } catch (const std::exception &error) {
        previewFailure_ = QString::fromLocal8Bit(error.what());
    }
    if (!previewFailure_.isEmpty()) {
        showNote(previewFailure_);
        return;
    }
    if (picture.width() <= 0 || picture.height() <= 0) {
        hidePreviews();
        return;
    }
    bool stretch = false;
    const QRect bounds = PreviewBounds(Panel->size(), picture, stretch);
    if (control == Image)
        Image->setStretch(stretch);
    control->setGeometry(bounds);
    control->show();
}

void TOpenDial::apercuClick()
{
    if (apercu->isChecked() && QFileInfo(ChosenFile).isFile()) {
        showPreviewControl();
        LoadPreview();
    } else {
        hidePreviews();
    }
    if (isVisible())
        lv->setFocus();
}

void TOpenDial::OKBtnClick()
{
    Accepted = true;
    accept();
}

void TOpenDial::lvDblClick()
{
    Accepted = true;
    accept();
}

void TOpenDial::CancelBtnClick()
{
    Accepted = false;
    reject();
}

void TOpenDial::reject()
{
    // closing the window or Escape is no acceptance either
    Accepted = false;
    done(QDialog::Rejected);
}

void TOpenDial::done(int result)
{
    if (Accepted && !QFileInfo(ChosenFile).isFile())
        return;
    if (owner_.setPreviewInOpenDialog)
        owner_.setPreviewInOpenDialog(apercu->isChecked());
    QDialog::done(result);
}
