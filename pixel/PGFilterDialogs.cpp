// The filter dialogs: their values, texts and filters.  The window is in
// PGFilterDialogForm.cpp, the preview threads in PGFilterPreview.cpp.
#include "PGFilterDialogs.h"

#include "PGFilterDialogForm.h"

#include <Decimal.h>
#include <Modal.h>
#include <Rounding.h>

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

// Value labels: "+25%", "±0%", "-40%" (Unit "%" or "°").
QString signedValue(int32_t Value, const QString &Unit)
{
    if (Value == 0)
        return Text(msgPlusMinus) + QStringLiteral("0") + Unit;
    return (Value > 0 ? QStringLiteral("+") : QString()) + QString::number(Value) + Unit;
}

QString percentSign()
{
    return QStringLiteral("%");
}

TSliderGroup percentGroup(int CaptionWidth)
{
    TSliderGroup group;
    group.Enabled = true;
    group.Min = -100;
    group.Max = 100;
    group.Frequency = 10;
    group.CaptionWidth = CaptionWidth;
    group.MinText = QStringLiteral("-100%");
    group.MidText = Text(msgPlusMinus) + QStringLiteral("0%");
    group.MaxText = QStringLiteral("+100%");
    return group;
}

TSliderGroup hueGroup()
{
    TSliderGroup group;
    group.Enabled = true;
    group.Min = -180;
    group.Max = 180;
    group.Frequency = 15;
    group.CaptionWidth = 14;
    group.MinText = QStringLiteral("-180") + Text(msgDegree);
    group.MidText = Text(msgPlusMinus) + QStringLiteral("0") + Text(msgDegree);
    group.MaxText = QStringLiteral("+180") + Text(msgDegree);
    return group;
}

// A factor 0.2..5 between -100 and 100 on the slider: 5^(value / 100).
TSliderGroup factorGroup()
{
    TSliderGroup group = percentGroup(55);
    group.Frequency = 100;
    group.MinText = QStringLiteral("0.20");
    group.MidText = QStringLiteral("1.00");
    group.MaxText = QStringLiteral("5.00");
    return group;
}

// Two decimals with the program's separator: the values are hundredths already.
QString twoDecimals(long double Value)
{
    return platform::formatFixed(Value, 2);
}

} // namespace

// ---------------------------------------------------------------- TFilterDialog

TFilterDialog::TFilterDialog(QObject *Owner) : QObject(Owner)
{
    const QPalette system;
    ProgressClockBkColor = system.color(QPalette::Button);
    ProgressClockLineColor = system.color(QPalette::Dark);
}

TFilterDialog::~TFilterDialog() = default;

void TFilterDialog::CreateOwnFilter()
{
    filter_ = CreateFilter();
    RebuildFilter();
}

std::unique_ptr<TPGFilter> TFilterDialog::CurrentFilter() const
{
    std::unique_ptr<TPGFilter> filter = CreateFilter();
    SetupFilter(*filter);
    return filter;
}

QString TFilterDialog::FormatValue(int Number) const
{
    switch (Number) {
    case 1: return FormatValue1();
    case 2: return FormatValue2();
    default: return FormatValue3();
    }
}

QString TFilterDialog::FormatValue1() const
{
    return signedValue(GroupValue(1), percentSign());
}

QString TFilterDialog::FormatValue2() const
{
    return signedValue(GroupValue(2), percentSign());
}

QString TFilterDialog::FormatValue3() const
{
    return signedValue(GroupValue(3), percentSign());
}

void TFilterDialog::SetGroupValue(int Number, int32_t Value, bool Rebuild)
{
    TSliderGroup &target = group(Number);
    Value = std::clamp(Value, target.Min, target.Max);
    if (Value == target.Value)
        return;
    target.Value = Value;
    if (Rebuild)
        RebuildFilter();
}

bool TFilterDialog::Run(const TPixelGraphic *Source)
{
    for (size_t i = 0; i < groups_.size(); ++i)
        savedValues_[i] = groups_[i].Value;
    savedSecondChecked_ = radioPair_.SecondChecked;
    InitTexts();
    // Values set from outside since the last change count too, so that OK
    // gives the filter the window shows.
    RebuildFilter();
    bool accepted = false;
    {
        TFilterDialogForm form(*this, preview_ ? Source : nullptr);
        accepted = platform::execModal(form) == QDialog::Accepted;
    }
    if (!accepted) {
        for (size_t i = 0; i < groups_.size(); ++i)
            groups_[i].Value = savedValues_[i];
        radioPair_.SecondChecked = savedSecondChecked_;
        radioPair_.FirstChecked = !savedSecondChecked_;
        RebuildFilter();
    }
    return accepted;
}

void TFilterDialog::ControlsChanged()
{
    RebuildFilter();
    if (onChange_)
        onChange_();
}

TPreviewFilterDialog::TPreviewFilterDialog(QObject *Owner) : TFilterDialog(Owner)
{
    preview_ = true;
}

// ---------------------------------------------------------------- table dialogs

TXXXFilterDialog::TXXXFilterDialog(QObject *Owner, bool HueFirst) : TPreviewFilterDialog(Owner), hueFirst_(HueFirst)
{
    group(1) = HueFirst ? hueGroup() : percentGroup(14);
    group(2) = percentGroup(14);
    group(3) = percentGroup(14);
}

void TXXXFilterDialog::SetupFilter(TPGFilter &Filter) const
{
    auto &tables = static_cast<TXXXFilter &>(Filter).Tables;
    if (hueFirst_)
        SetupHueTable(tables[0], GroupValue(1));
    else
        SetupOffsetTable(tables[0], GroupValue(1));
    SetupOffsetTable(tables[1], GroupValue(2));
    SetupOffsetTable(tables[2], GroupValue(3));
}

QString TXXXFilterDialog::FormatValue1() const
{
    return hueFirst_ ? signedValue(GroupValue(1), Text(msgDegree)) : TPreviewFilterDialog::FormatValue1();
}

void TXXXFilterDialog::SetValue(int Number, int32_t Value)
{
    if (Number == 1 && hueFirst_) {
        while (Value > 180)
            Value -= 360;
        while (Value < -180)
            Value += 360;
    }
    SetGroupValue(Number, Value, true);
}

void TXXXFilterDialog::SetTexts(int TitleMessage, int Caption1, int Caption2, int Caption3)
{
    title_ = Text(TitleMessage);
    group(1).Caption = Text(Caption1);
    group(2).Caption = Text(Caption2);
    group(3).Caption = Text(Caption3);
    const QString middle = Text(msgPlusMinus) + QStringLiteral("0");
    if (hueFirst_) {
        group(1).MinText = QStringLiteral("-180") + Text(msgDegree);
        group(1).MidText = middle + Text(msgDegree);
        group(1).MaxText = QStringLiteral("+180") + Text(msgDegree);
    } else {
        group(1).MidText = middle + percentSign();
    }
    group(2).MidText = middle + percentSign();
    group(3).MidText = middle + percentSign();
}

TRGBFilterDialog::TRGBFilterDialog(QObject *Owner) : TXXXFilterDialog(Owner, false)
{
    CreateOwnFilter();
}

void TRGBFilterDialog::InitTexts()
{
    SetTexts(msgRGBFilter, msgRGBFilter + 1, msgRGBFilter + 2, msgRGBFilter + 3);
}

TCMYFilterDialog::TCMYFilterDialog(QObject *Owner) : TXXXFilterDialog(Owner, false)
{
    CreateOwnFilter();
}

void TCMYFilterDialog::InitTexts()
{
    SetTexts(msgCMYFilter, msgCMYFilter + 1, msgCMYFilter + 2, msgCMYFilter + 3);
}

TYCbCrFilterDialog::TYCbCrFilterDialog(QObject *Owner) : TXXXFilterDialog(Owner, false)
{
    group(1).Caption = Text(msgYCbCrFilter + 1);
    group(2).Caption = Text(msgYCbCrFilter + 2);
    group(3).Caption = Text(msgYCbCrFilter + 3);
    CreateOwnFilter();
}

void TYCbCrFilterDialog::InitTexts()
{
    SetTexts(msgYCbCrFilter, msgYCbCrFilter + 1, msgYCbCrFilter + 2, msgYCbCrFilter + 3);
}

THLSFilterDialog::THLSFilterDialog(QObject *Owner) : TXXXFilterDialog(Owner, true)
{
    CreateOwnFilter();
}

void THLSFilterDialog::InitTexts()
{
    SetTexts(msgHLSFilter, msgHLSFilter + 1, msgHLSFilter + 2, msgHLSFilter + 3);
}

THSVFilterDialog::THSVFilterDialog(QObject *Owner) : TXXXFilterDialog(Owner, true)
{
    CreateOwnFilter();
}

void THSVFilterDialog::InitTexts()
{
    // Hue and saturation share their captions with the HLS dialog.
    SetTexts(msgHSVFilter, msgHLSFilter + 1, msgHLSFilter + 3, msgV);
}

// ---------------------------------------------------------------- brightness, contrast, gamma

TBCGFilterDialog::TBCGFilterDialog(QObject *Owner) : TPreviewFilterDialog(Owner)
{
    group(1) = percentGroup(55);
    group(2) = factorGroup();
    group(3) = factorGroup();
    group(3).Caption = Text(msgGamma);
    radioPair_.Visible = true;
    radioPair_.FirstCaption = Text(msgRGB);
    radioPair_.SecondCaption = Text(msgY);
    CreateOwnFilter();
}

void TBCGFilterDialog::SetUseY(bool Value)
{
    radioPair_.SecondChecked = Value;
    radioPair_.FirstChecked = !Value;
}

void TBCGFilterDialog::InitTexts()
{
    title_ = Text(msgBCGFilter);
    group(1).Caption = Text(msgBrightness);
    group(2).Caption = Text(msgContrast);
    extraLabel_ = Text(msgApplyOn);
}

void TBCGFilterDialog::SetupFilter(TPGFilter &Filter) const
{
    auto &bcg = static_cast<TBCGFilter &>(Filter);
    bcg.Brightness = GroupValue(1);
    bcg.Contrast = SliderFactor(GroupValue(2));
    bcg.Gamma = SliderFactor(GroupValue(3));
    bcg.UseY = radioPair_.SecondChecked;
}

long double TBCGFilterDialog::factorOf(int32_t Slider)
{
    return platform::roundEven(SliderFactor(Slider) * 100) / 100.0L;
}

int32_t TBCGFilterDialog::sliderOf(long double Factor)
{
    const long double x = std::clamp(Factor, 0.2L, 5.0L);
    return int32_t(std::clamp<int64_t>(platform::roundEven(std::log(x) * 100 / std::log(5.0L)), -100, 100));
}

QString TBCGFilterDialog::FormatValue2() const
{
    return twoDecimals(factorOf(GroupValue(2)));
}

QString TBCGFilterDialog::FormatValue3() const
{
    return twoDecimals(factorOf(GroupValue(3)));
}

// ---------------------------------------------------------------- convolution dialogs

TConvFilterDialog::TConvFilterDialog(QObject *Owner, const Sliders &Initial, TDistributionShape Shape)
    : TFilterDialog(Owner), distributionShape_(Shape)
{
    TSliderGroup &deviation = group(1);
    deviation.Enabled = true;
    deviation.Min = 40;
    deviation.Max = 130;
    deviation.Frequency = 10;
    deviation.Mark = deviation.Value = Initial.deviation;
    deviation.CaptionWidth = 75;
    deviation.MinText = QStringLiteral("0.40");
    deviation.MaxText = QStringLiteral("1.30");
    TSliderGroup &strength = group(2);
    strength.Enabled = true;
    strength.Min = Initial.strengthMin;
    strength.Max = Initial.strengthMax;
    strength.Frequency = Initial.strengthFrequency;
    strength.Mark = strength.Value = Initial.strength;
    strength.CaptionWidth = 75;
    strength.MinText = QString::number(Initial.strengthMin) + percentSign();
    strength.MaxText = QString::number(Initial.strengthMax) + percentSign();
}

void TConvFilterDialog::SetStdDeviation(long double Value)
{
    SetGroupValue(1, int32_t(platform::roundEven(100 * std::clamp(Value, 0.4L, 1.3L))), false);
}

void TConvFilterDialog::SetDistributionShape(TDistributionShape Value)
{
    if (Value == distributionShape_)
        return;
    distributionShape_ = Value;
    RebuildFilter();
}

void TConvFilterDialog::SetUseDistance(bool Value)
{
    if (Value == useDistance_)
        return;
    useDistance_ = Value;
    RebuildFilter();
}

QString TConvFilterDialog::FormatValue1() const
{
    return twoDecimals(GroupValue(1) / 100.0L);
}

QString TConvFilterDialog::FormatValue2() const
{
    return QString::number(GroupValue(2)) + percentSign();
}

void TConvFilterDialog::SetCaptions(int TitleMessage)
{
    if (TitleMessage != 0)
        title_ = Text(TitleMessage);
    group(1).Caption = Text(msgStdDeviation);
    group(2).Caption = Text(msgStrength);
}

TSharpenFilterDialog::TSharpenFilterDialog(QObject *Owner)
    : TConvFilterDialog(Owner, {75, 10, 100, 10, 50}, dsGaussian)
{
    CreateOwnFilter();
}

void TSharpenFilterDialog::InitTexts()
{
    SetCaptions(msgSharpen);
}

void TSharpenFilterDialog::SetupFilter(TPGFilter &Filter) const
{
    static_cast<TConvFilter &>(Filter).SetupSharpen(DistributionShape(), UseDistance(), Percent(), StdDeviation());
}

// The title is taken once, in the language of the moment the dialog is made.
TDetailFilterDialog::TDetailFilterDialog(QObject *Owner)
    : TConvFilterDialog(Owner, {75, 10, 100, 10, 75}, dsGaussian)
{
    title_ = Text(msgDetail);
    CreateOwnFilter();
}

void TDetailFilterDialog::InitTexts()
{
    SetCaptions(0);
}

void TDetailFilterDialog::SetupFilter(TPGFilter &Filter) const
{
    static_cast<TConvFilter &>(Filter).SetupDetail(DistributionShape(), UseDistance(), Percent(), StdDeviation());
}

TSmoothFilterDialog::TSmoothFilterDialog(QObject *Owner)
    : TConvFilterDialog(Owner, {130, 10, 100, 10, 100}, dsGaussian)
{
    CreateOwnFilter();
}

void TSmoothFilterDialog::InitTexts()
{
    SetCaptions(msgSmooth);
}

void TSmoothFilterDialog::SetupFilter(TPGFilter &Filter) const
{
    static_cast<TConvFilter &>(Filter).SetupSmooth(DistributionShape(), UseDistance(), Percent(), StdDeviation());
}

TContourFilterDialog::TContourFilterDialog(QObject *Owner)
    : TConvFilterDialog(Owner, {100, 100, 1000, 100, 100}, dsRect)
{
    radioPair_.Visible = true;
    CreateOwnFilter();
}

void TContourFilterDialog::SetBlackBk(bool Value)
{
    radioPair_.SecondChecked = Value;
    radioPair_.FirstChecked = !Value;
}

void TContourFilterDialog::InitTexts()
{
    SetCaptions(msgContour);
    radioPair_.FirstCaption = Text(msgWhite);
    radioPair_.SecondCaption = Text(msgBlack);
}

void TContourFilterDialog::SetupFilter(TPGFilter &Filter) const
{
    static_cast<TConvFilter &>(Filter).SetupContour(DistributionShape(), UseDistance(), !BlackBk(), Percent(),
                                                    StdDeviation());
}
