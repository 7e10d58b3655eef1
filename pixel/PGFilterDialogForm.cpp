#include "PGFilterDialogForm.h"

#include "PGFilterDialogs.h"
#include "PGFilterPreview.h"
#include "PGImage.h"

#include <Rounding.h>

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace {

// Heights of one line of text and of a radio button, in design units.
constexpr int labelHeight = 13;
constexpr int radioHeight = 17;
constexpr int trackBarWidth = 240;
constexpr int trackBarHeight = 32;
constexpr int previewSide = 140;

// A track bar that marks its neutral value with a short line above the groove.
class TPGTrackBar : public QSlider {
public:
    TPGTrackBar(int Mark, QWidget *Parent) : QSlider(Qt::Horizontal, Parent), mark_(Mark) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QSlider::paintEvent(event);
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        const int x = groove.left() + handle.width() / 2 +
                      QStyle::sliderPositionFromValue(minimum(), maximum(), mark_, groove.width() - handle.width());
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawLine(x, 0, x, std::max(2, groove.top() - 1));
    }

private:
    int mark_;
};

} // namespace

TFilterDialogForm::TFilterDialogForm(TFilterDialog &Dialog, const TPixelGraphic *PreviewSource)
    : dialog_(Dialog), scale_(QGuiApplication::primaryScreen()->logicalDotsPerInch() / 100.0L)
{
    setObjectName(QStringLiteral("FilterDialogForm"));
    setWindowTitle(Dialog.Title());
    // the texts are measured in the font they are shown in
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    const TSliderGroup &first = Dialog.Group(1);
    const int margin = first.Enabled ? 10 : 40;
    captionWidth_ = captionRoom();
    valueWidth_ = valueRoom();
    const int clientWidth = Dialog.HasPreview() ? margin + captionWidth_ + valueWidth_ + margin + 390
                            : first.Enabled     ? margin + captionWidth_ + valueWidth_ + margin + 240
                                                : margin + margin + 140;
    for (int number = 1; number <= 3; ++number)
        if (Dialog.Group(number).Enabled)
            buildGroup(number, margin, 10 + 50 * (number - 1));

    int lineTop = 10;
    if (Dialog.Group(2).Enabled)
        lineTop = 60 + trackBarHeight + labelHeight + 10; // below group 2's texts
    if (Dialog.HasPreview()) {
        image_ = new TPGImage(this);
        image_->setObjectName(QStringLiteral("PGImage"));
        place(*image_, clientWidth - margin - previewSide, 12, previewSide, previewSide);
        image_->SetCenter(true);
        image_->KeepOldPaintPixelGraphic = true;
        image_->SetDisplaySettings({false, false, Dialog.Palette8BitSys24BitGraphic, Dialog.Palette8BitSys8BitGraphic});
        image_->ProgressClockBkColor = Dialog.ProgressClockBkColor;
        image_->ProgressClockLineColor = Dialog.ProgressClockLineColor;
        image_->ProgressClockVisible = Dialog.ProgressClockVisible;
        lineTop = 160;
    }
    const TRadioPair &radios = Dialog.RadioPair();
    if (radios.Visible) {
        const int top = Dialog.Group(3).Enabled ? 160 : 115;
        firstRadio_ = new QRadioButton(radios.FirstCaption, this);
        firstRadio_->setObjectName(QStringLiteral("RadioButton1"));
        const int firstWidth = std::max(100, unitsFor(firstRadio_->sizeHint().width()));
        place(*firstRadio_, margin + captionWidth_ + 6, top, firstWidth, radioHeight);
        firstRadio_->setChecked(radios.FirstChecked);
        secondRadio_ = new QRadioButton(radios.SecondCaption, this);
        secondRadio_->setObjectName(QStringLiteral("RadioButton2"));
        place(*secondRadio_, margin + captionWidth_ + firstWidth + 12, top,
              std::max(100, unitsFor(secondRadio_->sizeHint().width())), radioHeight);
        secondRadio_->setChecked(radios.SecondChecked);
        for (QRadioButton *radio : {firstRadio_, secondRadio_})
            connect(radio, &QRadioButton::toggled, this, [this](bool on) {
                if (on)
                    controlChanged();
            });
        lineTop = top + radioHeight + 10;
    }
    if (!Dialog.ExtraLabel().isEmpty()) {
        auto *extra = new QLabel(Dialog.ExtraLabel(), this);
        extra->setObjectName(QStringLiteral("ExtraLabel"));
        place(*extra, margin, 161, captionWidth_, labelHeight);
    }

    auto *line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    place(*line, 5, lineTop, clientWidth - 10, 3);
    const int buttonTop = lineTop + 12;
    auto *ok = new QPushButton(Text(msgOK), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    place(*ok, clientWidth / 2 - 95, buttonTop, 85, 24);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *cancel = new QPushButton(Text(msgCancel), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    place(*cancel, clientWidth / 2 + 10, buttonTop, 85, 24);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const QSize client(int(platform::roundEven(clientWidth * scale_)),
                       int(platform::roundEven((buttonTop + 24 + 10) * scale_)));
    setFixedSize(client);
    move(QGuiApplication::primaryScreen()->availableGeometry().center() - rect().center());

    if (image_ && PreviewSource) {
        preview_ = std::make_unique<TFilterPreview>(*image_, *PreviewSource, [this] { return dialog_.CurrentFilter(); });
        dialog_.onChange_ = [this] { preview_->Changed(); };
    }
}

TFilterDialogForm::~TFilterDialogForm()
{
    dialog_.onChange_ = nullptr;
    preview_.reset(); // its threads stop before the controls go
}

void TFilterDialogForm::place(QWidget &Widget, int Left, int Top, int Width, int Height) const
{
    const auto scaled = [this](int length) { return int(platform::roundEven(length * scale_)); };
    Widget.setGeometry(scaled(Left), scaled(Top), scaled(Width), scaled(Height));
}

int TFilterDialogForm::unitsFor(int Pixels) const
{
    return int(std::ceil(Pixels / scale_));
}

// A text's width and a small gap, so that it does not touch the bar beside it.
int TFilterDialogForm::textUnits(const QString &Text) const
{
    return Text.isEmpty() ? 0 : unitsFor(fontMetrics().horizontalAdvance(Text)) + 4;
}

// The captions share one column: the groups' width, or more for a caption or
// the extra label that needs it.
int TFilterDialogForm::captionRoom() const
{
    int width = dialog_.Group(1).CaptionWidth;
    for (int number = 1; number <= 3; ++number)
        if (const TSliderGroup &group = dialog_.Group(number); group.Enabled)
            width = std::max({width, group.CaptionWidth, textUnits(group.Caption)});
    return std::max(width, textUnits(dialog_.ExtraLabel()));
}

// The value labels share one column, wide enough for the text of either end
// of every bar ("-100%" and "+100%" keep their sign).
int TFilterDialogForm::valueRoom()
{
    int width = dialog_.Group(1).ValueWidth;
    for (int number = 1; number <= 3; ++number) {
        TSliderGroup &group = dialog_.group(number);
        if (!group.Enabled)
            continue;
        const int32_t value = group.Value;
        width = std::max(width, group.ValueWidth);
        for (const int32_t end : {group.Min, group.Max}) {
            group.Value = end;
            width = std::max(width, textUnits(dialog_.FormatValue(number)));
        }
        group.Value = value;
    }
    return width;
}

void TFilterDialogForm::buildGroup(int Number, int Margin, int Top)
{
    const TSliderGroup &group = dialog_.Group(Number);
    const QString suffix = QString::number(Number);
    const int barLeft = Margin + captionWidth_;

    auto *bar = new TPGTrackBar(group.Mark, this);
    bar->setObjectName(QStringLiteral("TrackBar") + suffix);
    bar->setRange(group.Min, group.Max);
    bar->setTickInterval(group.Frequency);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setPageStep(group.Frequency);
    bar->setValue(group.Value);
    place(*bar, barLeft, Top, trackBarWidth, trackBarHeight);
    connect(bar, &QSlider::valueChanged, this, &TFilterDialogForm::controlChanged);
    trackBars_[size_t(Number - 1)] = bar;

    const auto label = [&](const QString &name, const QString &text, int left, int top, int width,
                           Qt::Alignment alignment) {
        auto *result = new QLabel(text, this);
        result->setObjectName(name + suffix);
        result->setAlignment(alignment | Qt::AlignVCenter);
        place(*result, left, top, width, labelHeight);
        return result;
    };
    label(QStringLiteral("CaptionLabel"), group.Caption, Margin, Top + 6, captionWidth_, Qt::AlignLeft);
    label(QStringLiteral("MinLabel"), group.MinText, barLeft, Top + 32, 80, Qt::AlignLeft);
    label(QStringLiteral("MidLabel"), group.MidText, barLeft + 80, Top + 32, 80, Qt::AlignHCenter);
    label(QStringLiteral("MaxLabel"), group.MaxText, barLeft + 160, Top + 32, 80, Qt::AlignRight);
    valueLabels_[size_t(Number - 1)] = label(QStringLiteral("ValueLabel"), dialog_.FormatValue(Number),
                                             barLeft + trackBarWidth, Top + 6, valueWidth_, Qt::AlignRight);
}

void TFilterDialogForm::controlChanged()
{
    for (int number = 1; number <= 3; ++number)
        if (QSlider *bar = trackBars_[size_t(number - 1)])
            dialog_.group(number).Value = bar->value();
    for (int number = 1; number <= 3; ++number)
        if (QLabel *value = valueLabels_[size_t(number - 1)])
            value->setText(dialog_.FormatValue(number));
    if (firstRadio_) {
        dialog_.radioPair_.FirstChecked = firstRadio_->isChecked();
        dialog_.radioPair_.SecondChecked = secondRadio_->isChecked();
    }
    dialog_.ControlsChanged();
}
