// The editor window: creation and settings, the opener's entry, closing with
// or without saving and the picture handed back.
#include "Sediteur.h"

#include "ErrorBoundary.h"
#include "Modal.h"
#include "PictureView.h"
#include "Registry.h"
#include "Resources.h"
#include "Rounding.h"
#include "Saero.h"
#include "TSpinEdit.h"
#include "Thdtm2.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>

namespace {

const QString Section = QStringLiteral("Editeur");

// The picture at `depth` when going there and back gives the same pixels,
// else at 24 bits: a grey scan retouched in black stays 8-bit, a black and
// white one retouched in black or white stays 1-bit, a picture with more
// colours than its depth holds comes back in true colour.
imaging::Bitmap atDepthWithoutLoss(const QImage &picture, int depth)
{
    if (depth >= 24)
        return imaging::Bitmap(picture, depth);
    // colour tables from the colours used, when there are few enough
    const QImage source = depth <= 8 ? picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither) : picture;
    if (depth > 8 || source.colorCount() <= (1 << depth)) {
        imaging::Bitmap candidate(source, depth);
        if (candidate.image().convertToFormat(QImage::Format_RGB32) == picture)
            return candidate;
    }
    return imaging::Bitmap(picture, 24);
}

} // namespace

QSize TEditeur::HandBack::displayedSize(QSize displayed) const
{
    const QSize now = picture.image().size();
    if (handedInSize.isEmpty())
        return displayed;
    return QSize(platform::roundInt(static_cast<long double>(now.width()) * displayed.width() / handedInSize.width()),
                 platform::roundInt(static_cast<long double>(now.height()) * displayed.height() / handedInSize.height()));
}

TEditeur::TEditeur(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TEditeur"));
    setWindowTitle(QStringLiteral("Edition de l'image"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    SettingsName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".ini");
    buildControls();
    FormCreate();
    buildTools();
    connectHandlers();
}

TEditeur::~TEditeur()
{
    FormDestroy();
}

void TEditeur::FormCreate()
{
    platform::RegistryKey key(SettingsName);
    if (key.readBool(Section, QStringLiteral("Maxi"), false)) {
        setWindowState(Qt::WindowMaximized);
    } else {
        const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().size()
                                                              : QSize(640, 480);
        const QSize room = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableSize() : screen;
        // Stored sizes are kept within the screen: an absurd one would take
        // gigabytes of window buffer or crash the painting.
        const QSize smallest = minimumSizeHint().expandedTo(QSize(200, 150));
        const int w = std::clamp(key.readInteger(Section, QStringLiteral("w"), 640), smallest.width(),
                                 std::max(smallest.width(), room.width()));
        const int h = std::clamp(key.readInteger(Section, QStringLiteral("h"), 480), smallest.height(),
                                 std::max(smallest.height(), room.height()));
        resize(w, h);
        move(key.readInteger(Section, QStringLiteral("x"), (screen.width() - w) / 2),
             key.readInteger(Section, QStringLiteral("y"), (screen.height() - h) / 2));
    }
    pen->setChecked(key.readBool(Section, QStringLiteral("Pen"), false));
    brush->setChecked(key.readBool(Section, QStringLiteral("Brush"), false));
    // a size below 1 would leave the spray nowhere to fall, an interval of 0 would stop it
    AeroRay = std::max(1, key.readInteger(Section, QStringLiteral("AeroRay"), 10));
    AeroPress = std::max(1, key.readInteger(Section, QStringLiteral("AeroPress"), 1));
    loadCursors();
}

void TEditeur::FormDestroy()
{
    platform::RegistryKey key(SettingsName);
    key.writeInteger(Section, QStringLiteral("x"), x());
    key.writeInteger(Section, QStringLiteral("y"), y());
    key.writeInteger(Section, QStringLiteral("w"), width());
    key.writeInteger(Section, QStringLiteral("h"), height());
    key.writeBool(Section, QStringLiteral("Maxi"), isMaximized());
    key.writeBool(Section, QStringLiteral("Pen"), pen->isChecked());
    key.writeBool(Section, QStringLiteral("Brush"), brush->isChecked());
    key.writeInteger(Section, QStringLiteral("AeroRay"), AeroRay);
    key.writeInteger(Section, QStringLiteral("AeroPress"), AeroPress);
}

void TEditeur::loadCursors()
{
    resources::initialise();
    const QPixmap strip(resources::editorCursors);
    const int cell = resources::editorCursorCell;
    for (int i = 0; i < resources::editorCursorCount; ++i) {
        const QPoint hotSpot = resources::editorCursorHotSpots[i];
        Cursors[resources::editorFirstCursor + i] = QCursor(strip.copy(i * cell, 0, cell, cell), hotSpot.x(), hotSpot.y());
    }
}

void TEditeur::SetPicture(const QImage &picture)
{
    if (tool_)
        tool().cancel();
    handedInSize_ = picture.size();
    handedInDepth_ = picture.isNull() ? 24 : imaging::Bitmap::fromImage(picture).bitCount();
    canvas_.setPicture(picture);
    Image->fitPicture();
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    SpeedButton1->setEnabled(true);
    SpeedButton2->setEnabled(false);
    SpeedButton3->setEnabled(false);
    dropUndoSnapshot();
    ZoomFactor = 1;
    SpinEdit->setValue(canvas_.pen.width);
}

int TEditeur::Edit(const QImage &picture)
{
    SetPicture(picture);
    return platform::execModal(*this);
}

void TEditeur::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    platform::guarded([this] { FormShow(); });
}

void TEditeur::FormShow()
{
    canvas_.brush = editor::Brush{MakeRGB(255, 255, 0), editor::BrushStyle::Solid};
    refreshSwatches();
    SyncAttributeBars();
}

void TEditeur::CloseYBtnClick()
{
    settleDrag();
    if (ZoomFactor > 1)
        SpeedButton3Click();
    if (owner_.takePicture)
        owner_.takePicture(HandBack{atDepthWithoutLoss(canvas_.picture(), handedInDepth_), handedInSize_});
    accept();
}

void TEditeur::CloseNBtnClick()
{
    reject();
}

// However the window closes, nothing is left under way: a drag not finished
// by saving is cancelled, the airbrush stops.
void TEditeur::done(int result)
{
    tool().cancel();
    stopAirbrush();
    QDialog::done(result);
}
