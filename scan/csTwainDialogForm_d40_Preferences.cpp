// The "Préférences" page: the scanner settings as lists, boxes (among them
// the feeder, used when it holds paper) and track bars, how they are read from the scanner component when the window shows
// and written back when it closes.
#include "csTwainDialogForm_d40.h"

#include "ErrorBoundary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

#include <iterator>

namespace {

// What each item of the colour list stands for, in list order.
struct PixelItem {
    const char *text;
    TcsPixelType type;
    TcsBitDepth depth;
};
const PixelItem PixelItems[] = {
    {"Noir & blanc", pxBW, bd1Bit},
    {"16 niveaux de gris", pxGray, bd4Bit},
    {"256 niveaux de gris", pxGray, bd8Bit},
    {"16 couleurs", pxPalette, bd4Bit},
    {"256 couleurs", pxPalette, bd8Bit},
    {"Millions de couleurs", pxRGB, bd24Bit},
};

// The item showing a type and depth: grey and palette are 16 levels at 4 bits, 256 at any other depth.
int pixelItemOf(TcsPixelType type, TcsBitDepth depth)
{
    switch (type) {
    case pxBW: return 0;
    case pxGray: return depth == bd4Bit ? 1 : 2;
    case pxPalette: return depth == bd4Bit ? 3 : 4;
    case pxRGB: return 5;
    }
    return -1;
}

// The reduction list leaves out the custom halftone, which shows as no item.
struct ReductionItem {
    const char *text;
    TcsBitDepthReduction reduction;
};
const ReductionItem ReductionItems[] = {
    {"Seuil", brThreshold},
    {"Demi-teintes", brHalftones},
    {"Diffusion", brDiffusion},
};

int reductionItemOf(TcsBitDepthReduction reduction)
{
    for (size_t i = 0; i < std::size(ReductionItems); ++i)
        if (ReductionItems[i].reduction == reduction)
            return int(i);
    return -1;
}

// Item i is frame size fsDetected + i; a custom frame shows as no item.
const char *const FrameItems[] = {"Détecté", "A4", "A5", "B5", "Legal", "Letter"};

// The track bars by tag (1 to 6): caption, name of the bar and of its label, end pictures' names.
struct TrackBarNames {
    const char *caption;
    const char *bar;
    const char *label;
    const char *ends;
};
const TrackBarNames TrackBarTable[] = {
    {"Résolution", "trbResolution", "lblResulution", "Resolution"},
    {"Luminosité", "trbBrightness", "lblBrightness", "Brightness"},
    {"Contraste", "trbContrast", "lblContrast", "Contrast"},
    {"Valeur la plus claire", "trbHighlight", "lblHighlight", "Highlight"},
    {"Valeur la plus sombre", "trbShadow", "lblShadow", "Shadow"},
    {"Seuil", "trbThreshold", "lblThreshold", "Threshold"},
};

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

void TTwainDialogForm::createPreferences()
{
    tshPreferences = addPage("tshPreferences", QStringLiteral("Préférences"));
    grbImage = place<QGroupBox>(tshPreferences, "grbImage", QRect(4, 2, 263, 342), QStringLiteral(" Image "));

    QStringList colours, frames, reductions;
    for (const PixelItem &item : PixelItems)
        colours << text(item.text);
    for (const char *item : FrameItems)
        frames << text(item);
    for (const ReductionItem &item : ReductionItems)
        reductions << text(item.text);
    lblPixelType = place<QLabel>(grbImage, "lblPixelType", QRect(8, 22, 60, 20), QStringLiteral("Couleurs"));
    cmbPixelType = place<QComboBox>(grbImage, "cmbPixelType", QRect(72, 20, 182, 24));
    cmbPixelType->addItems(colours);
    lblFrameSize = place<QLabel>(grbImage, "lblFrameSize", QRect(8, 46, 60, 20), QStringLiteral("Format"));
    cmbFrameSize = place<QComboBox>(grbImage, "cmbFrameSize", QRect(72, 44, 182, 24));
    cmbFrameSize->addItems(frames);
    lblBitDepthReduction =
        place<QLabel>(grbImage, "lblBitDepthReduction", QRect(8, 70, 60, 20), QStringLiteral("Méthode"));
    cmbBitDepthReduction = place<QComboBox>(grbImage, "cmbBitDepthReduction", QRect(72, 68, 182, 24));
    cmbBitDepthReduction->addItems(reductions);

    // Rows packed close: the feeder's box needs a row of its own within the page.
    const TrackBar resolution = addTrackBar(grbImage, 1, 92, 10, 1200, 50);
    chbAutoBrightness =
        place<QCheckBox>(grbImage, "chbAutoBrightness", QRect(8, 127, 124, 19), QStringLiteral("Luminosité auto"));
    chbInverted = place<QCheckBox>(grbImage, "chbInverted", QRect(140, 127, 114, 19), QStringLiteral("Inversion"));
    chbFeeder =
        place<QCheckBox>(grbImage, "chbFeeder", QRect(8, 146, 246, 19), QStringLiteral("Chargeur de documents"));
    const TrackBar brightness = addTrackBar(grbImage, 2, 166, 0, 250, 10);
    const TrackBar contrast = addTrackBar(grbImage, 3, 200, 0, 250, 10);
    const TrackBar highlight = addTrackBar(grbImage, 4, 234, 1, 255, 10);
    const TrackBar shadow = addTrackBar(grbImage, 5, 268, 0, 254, 10);
    const TrackBar threshold = addTrackBar(grbImage, 6, 302, 0, 255, 10);
    trbResolution = resolution.bar;
    lblResulution = resolution.label;
    trbBrightness = brightness.bar;
    lblBrightness = brightness.label;
    trbContrast = contrast.bar;
    lblContrast = contrast.label;
    trbHighlight = highlight.bar;
    lblHighlight = highlight.label;
    trbShadow = shadow.bar;
    lblShadow = shadow.label;
    trbThreshold = threshold.bar;
    lblThreshold = threshold.label;
    imgMinThreshold = threshold.lower;
    imgMaxThreshold = threshold.upper;
}

TTwainDialogForm::TrackBar TTwainDialogForm::addTrackBar(QWidget *parent, int tag, int top, int minimum, int maximum,
                                                         int tick)
{
    const TrackBarNames &names = TrackBarTable[tag - 1];
    TrackBar track{};
    track.label = place<QLabel>(parent, names.label, QRect(8, top, 246, 14));
    track.label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    auto picture = [&](const char *side, int left, int index) {
        const QByteArray name = QByteArray("img") + side + names.ends;
        auto *end = place<QLabel>(parent, name.constData(), QRect(left, top + 16, 16, 16));
        end->setPixmap(trackEnds_.image(index));
        return end;
    };
    track.lower = picture("Min", 8, 2 * (tag - 1));
    track.upper = picture("Max", 238, 2 * (tag - 1) + 1);
    track.bar = place<QSlider>(parent, names.bar, QRect(26, top + 14, 210, 20), Qt::Horizontal);
    track.bar->setProperty("Tag", tag);
    track.bar->setRange(minimum, maximum);
    track.bar->setTickInterval(tick);
    track.bar->setTickPosition(QSlider::TicksBelow);
    trackBars_[tag - 1] = track.bar;
    trackLabels_[tag - 1] = track.label;
    platform::connectGuarded(track.bar, &QSlider::valueChanged, this, [this, bar = track.bar] { trbChange(bar); });
    return track;
}

void TTwainDialogForm::writeTrackLabel(int tag)
{
    trackLabels_[tag - 1]->setText(text(TrackBarTable[tag - 1].caption)
                                   + QString::asprintf(": %.3d", trackBars_[tag - 1]->value()));
}

void TTwainDialogForm::trbChange(QSlider *Sender)
{
    writeTrackLabel(Sender->property("Tag").toInt());
    // The shadow stays strictly below the highlight on screen too.
    const int position = Sender->value();
    if (Sender == trbHighlight && trbShadow->value() >= position - 1)
        trbShadow->setValue(position - 1);
    else if (Sender == trbShadow && trbHighlight->value() <= position + 1)
        trbHighlight->setValue(position + 1);
}

void TTwainDialogForm::FormShow()
{
    if (!twain_)
        return;
    const scan::ScannerSettings settings = scan::ScannerSettings::of(*twain_);
    cmbPixelType->setCurrentIndex(pixelItemOf(settings.PixelType, settings.BitDepth));
    cmbFrameSize->setCurrentIndex(settings.FrameSize == fsCustom ? -1 : settings.FrameSize - fsDetected);
    cmbBitDepthReduction->setCurrentIndex(reductionItemOf(settings.BitDepthReduction));
    chbAutoBrightness->setChecked(settings.AutoBrightness);
    chbInverted->setChecked(settings.Inverted);
    chbFeeder->setChecked(settings.FeederEnabled);
    trbResolution->setValue(settings.Resolution);
    trbBrightness->setValue(settings.Brightness);
    trbContrast->setValue(settings.Contrast);
    // The highlight first: the shadow is below it already, and would push it otherwise.
    trbHighlight->setValue(settings.Highlight);
    trbShadow->setValue(settings.Shadow);
    trbThreshold->setValue(settings.Threshold);
    for (int tag = 1; tag <= 6; ++tag)
        writeTrackLabel(tag);
    snapshot_ = settings;
    showIdentity(twain_->SourceIdentity());
}

void TTwainDialogForm::applyControls()
{
    scan::ScannerSettings settings = scan::ScannerSettings::of(*twain_);
    settings.AutoBrightness = chbAutoBrightness->isChecked();
    settings.Inverted = chbInverted->isChecked();
    settings.FeederEnabled = chbFeeder->isChecked();
    if (const int item = cmbPixelType->currentIndex(); item >= 0) {
        settings.PixelType = PixelItems[item].type;
        settings.BitDepth = PixelItems[item].depth;
    }
    if (const int item = cmbBitDepthReduction->currentIndex(); item >= 0)
        settings.BitDepthReduction = ReductionItems[item].reduction;
    const int frame = cmbFrameSize->currentIndex();
    settings.FrameSize = frame >= 0 ? TcsFrameSize(fsDetected + frame) : fsCustom;
    settings.Resolution = trbResolution->value();
    settings.Brightness = uint8_t(trbBrightness->value());
    settings.Contrast = uint8_t(trbContrast->value());
    settings.Highlight = uint8_t(trbHighlight->value());
    settings.Shadow = uint8_t(trbShadow->value());
    settings.Threshold = uint8_t(trbThreshold->value());
    settings.applyTo(*twain_);
}

void TTwainDialogForm::FormClose(int result)
{
    // A window that never showed has nothing to apply nor to put back.
    if (!twain_ || !snapshot_)
        return;
    if (result == Accepted)
        applyControls();
    else
        snapshot_->applyTo(*twain_);
}
