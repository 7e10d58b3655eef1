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
    settingsTable().readFrom(platform::RegistryKey(SettingsName));
    loadCursors();
}

void TEditeur::FormDestroy()
{
    platform::RegistryKey key(SettingsName);
    settingsTable().writeTo(key);
}

platform::SettingsTable TEditeur::settingsTable()
{
    using platform::always;
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QSize screen = primary ? primary->geometry().size() : QSize(640, 480);
    const QSize room = primary ? primary->availableSize() : screen;
    // Stored sizes are kept within the screen: an absurd one would take
    // gigabytes of window buffer or crash the painting.
    const QSize smallest = minimumSizeHint().expandedTo(QSize(200, 150));
    auto fit = [](int value, int least, int most) { return std::clamp(value, least, std::max(least, most)); };
    // A maximised window keeps its size: the place is not read.  An unset
    // position centres the window on the size just applied.
    auto placed = [this] { return !(windowState() & Qt::WindowMaximized); };
    // a size below 1 would leave the spray nowhere to fall, an interval of 0 would stop it
    auto atLeastOne = [](int value) { return std::max(1, value); };
    platform::SettingsTable table;
    table.boolean(Section, QStringLiteral("Maxi"), always(false), [this] { return isMaximized(); },
                  [this](bool maximised) {
                      if (maximised)
                          setWindowState(Qt::WindowMaximized);
                  })
        .integer(Section, QStringLiteral("w"), always(640), [this] { return width(); },
                 [=, this](int w) {
                     if (placed())
                         resize(fit(w, smallest.width(), room.width()), height());
                 })
        .integer(Section, QStringLiteral("h"), always(480), [this] { return height(); },
                 [=, this](int h) {
                     if (placed())
                         resize(width(), fit(h, smallest.height(), room.height()));
                 })
        .integer(Section, QStringLiteral("x"), [=, this] { return (screen.width() - width()) / 2; },
                 [this] { return x(); },
                 [=, this](int x) {
                     if (placed())
                         move(x, y());
                 })
        .integer(Section, QStringLiteral("y"), [=, this] { return (screen.height() - height()) / 2; },
                 [this] { return y(); },
                 [=, this](int y) {
                     if (placed())
                         move(x(), y);
                 })
        .boolean(Section, QStringLiteral("Pen"), always(false), [this] { return pen->isChecked(); },
                 [this](bool checked) { pen->setChecked(checked); })
        .boolean(Section, QStringLiteral("Brush"), always(false), [this] { return brush->isChecked(); },
                 [this](bool checked) { brush->setChecked(checked); })
        .integer(Section, QStringLiteral("AeroRay"), always(10), [this] { return AeroRay; },
                 [=, this](int ray) { AeroRay = atLeastOne(ray); })
        .integer(Section, QStringLiteral("AeroPress"), always(1), [this] { return AeroPress; },
                 [=, this](int interval) { AeroPress = atLeastOne(interval); });
    return table;
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
