#pragma once
// The filter dialogs: components that keep up to three slider values and a
// radio pair, build their window each time they run, rebuild their filter
// from the controls on every change and hand that filter to the caller.  The
// colour dialogs preview the filtered result of a reduced copy of the
// caller's image, computed on background threads (PGFilterPreview.h).
//
//   TFilterDialog -> TPreviewFilterDialog -> TXXXFilterDialog -> RGB, CMY, YCbCr, HLS, HSV
//                                         -> TBCGFilterDialog
//                 -> TConvFilterDialog -> sharpen, detail, smooth, contour
#include "PGColorFilters.h"
#include "PGConvFilter.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class TFilterDialogForm;

// One track bar with its labels.
struct TSliderGroup {
    bool Enabled = false;
    int Min = 0, Max = 0, Frequency = 1;
    int Mark = 0; // the neutral value, marked on the bar
    int CaptionWidth = 0;
    QString Caption;
    QString MinText, MidText, MaxText;
    int ValueWidth = 32;
    int32_t Value = 0;
};

struct TRadioPair {
    bool Visible = false;
    bool FirstChecked = true;
    QString FirstCaption;
    bool SecondChecked = false;
    QString SecondCaption;
};

class TFilterDialog : public QObject {
    Q_OBJECT
public:
    ~TFilterDialog() override;

    // The dialog's own filter: after OK it holds the chosen values, after
    // Cancel those from before the run.  Owned by the dialog.
    TPGFilter &Filter() const { return *filter_; }
    const QString &Title() const { return title_; }
    const TSliderGroup &Group(int Number) const { return groups_.at(size_t(Number - 1)); }
    const TRadioPair &RadioPair() const { return radioPair_; }
    const QString &ExtraLabel() const { return extraLabel_; }
    bool HasPreview() const { return preview_; }
    // The text of group Number's value label.
    QString FormatValue(int Number) const;

protected:
    explicit TFilterDialog(QObject *Owner);
    // Called by each final class's constructor once its groups are set: a
    // fresh dialog's filter matches its initial values.
    void CreateOwnFilter();

    virtual void InitTexts() = 0;
    virtual std::unique_ptr<TPGFilter> CreateFilter() const = 0;
    virtual void SetupFilter(TPGFilter &Filter) const = 0;
    virtual QString FormatValue1() const;
    virtual QString FormatValue2() const;
    virtual QString FormatValue3() const;

    // Shows the window modally; Source is the image to preview (none without preview).
    bool Run(const TPixelGraphic *Source);
    // Stores a group's value clamped to its range; rebuilds the filter when asked and the value is new.
    void SetGroupValue(int Number, int32_t Value, bool Rebuild);
    int32_t GroupValue(int Number) const { return Group(Number).Value; }
    TSliderGroup &group(int Number) { return groups_.at(size_t(Number - 1)); }
    void RebuildFilter() { SetupFilter(*filter_); }

    QString title_;
    QString extraLabel_;
    bool preview_ = false;
    TRadioPair radioPair_;

    // For the preview control.
    QColor ProgressClockBkColor;
    QColor ProgressClockLineColor;
    bool ProgressClockVisible = false;
    TPaletteIdent Palette8BitSys24BitGraphic = pOptimized252Sys16;
    TPaletteIdent Palette8BitSys8BitGraphic = pOptimized252Sys16;

private:
    friend class TFilterDialogForm;

    // The form has read its controls into the groups and the radio pair.
    void ControlsChanged();
    // A new filter of the dialog's kind, set up from the current values (for the preview threads).
    std::unique_ptr<TPGFilter> CurrentFilter() const;

    std::array<TSliderGroup, 3> groups_;
    std::unique_ptr<TPGFilter> filter_;
    std::function<void()> onChange_; // set while the window previews
    // What Cancel goes back to.
    std::array<int32_t, 3> savedValues_{};
    bool savedSecondChecked_ = false;
};

class TPreviewFilterDialog : public TFilterDialog {
    Q_OBJECT
public:
    // Source is only read, through a background copy, and must not change while the dialog runs.
    bool Execute(const TPixelGraphic &Source) { return Run(&Source); }

    using TFilterDialog::Palette8BitSys24BitGraphic;
    using TFilterDialog::Palette8BitSys8BitGraphic;
    using TFilterDialog::ProgressClockBkColor;
    using TFilterDialog::ProgressClockLineColor;
    using TFilterDialog::ProgressClockVisible;

protected:
    explicit TPreviewFilterDialog(QObject *Owner);
};

// Three tables from three slider values in percent; the first may be a hue in degrees.
class TXXXFilterDialog : public TPreviewFilterDialog {
    Q_OBJECT
protected:
    TXXXFilterDialog(QObject *Owner, bool HueFirst);
    void SetupFilter(TPGFilter &Filter) const override;
    QString FormatValue1() const override;
    // Setting a value rebuilds the filter at once; a hue wraps into -180..180.
    void SetValue(int Number, int32_t Value);
    // Title, captions of groups 1..3 and the percent groups' middle text.
    void SetTexts(int TitleMessage, int Caption1, int Caption2, int Caption3);

private:
    bool hueFirst_;
};

class TRGBFilterDialog : public TXXXFilterDialog {
    Q_OBJECT
public:
    explicit TRGBFilterDialog(QObject *Owner = nullptr);
    TRGBFilter &Filter() const { return static_cast<TRGBFilter &>(TFilterDialog::Filter()); }
    int32_t Red() const { return GroupValue(1); }
    int32_t Green() const { return GroupValue(2); }
    int32_t Blue() const { return GroupValue(3); }
    void SetRed(int32_t Value) { SetValue(1, Value); }
    void SetGreen(int32_t Value) { SetValue(2, Value); }
    void SetBlue(int32_t Value) { SetValue(3, Value); }

protected:
    void InitTexts() override;
    std::unique_ptr<TPGFilter> CreateFilter() const override { return std::make_unique<TRGBFilter>(); }
};

class TCMYFilterDialog : public TXXXFilterDialog {
    Q_OBJECT
public:
    explicit TCMYFilterDialog(QObject *Owner = nullptr);
    TCMYFilter &Filter() const { return static_cast<TCMYFilter &>(TFilterDialog::Filter()); }
    int32_t Cyan() const { return GroupValue(1); }
    int32_t Magenta() const { return GroupValue(2); }
    int32_t Yellow() const { return GroupValue(3); }
    void SetCyan(int32_t Value) { SetValue(1, Value); }
    void SetMagenta(int32_t Value) { SetValue(2, Value); }
    void SetYellow(int32_t Value) { SetValue(3, Value); }

protected:
    void InitTexts() override;
    std::unique_ptr<TPGFilter> CreateFilter() const override { return std::make_unique<TCMYFilter>(); }
};

class TYCbCrFilterDialog : public TXXXFilterDialog {
    Q_OBJECT
public:
    explicit TYCbCrFilterDialog(QObject *Owner = nullptr);
    TYCbCrFilter &Filter() const { return static_cast<TYCbCrFilter &>(TFilterDialog::Filter()); }
    int32_t Y() const { return GroupValue(1); }
    int32_t Cb() const { return GroupValue(2); }
    int32_t Cr() const { return GroupValue(3); }
    void SetY(int32_t Value) { SetValue(1, Value); }
    void SetCb(int32_t Value) { SetValue(2, Value); }
    void SetCr(int32_t Value) { SetValue(3, Value); }

protected:
    void InitTexts() override;
    std::unique_ptr<TPGFilter> CreateFilter() const override { return std::make_unique<TYCbCrFilter>(); }
};

class THLSFilterDialog : public TXXXFilterDialog {
    Q_OBJECT
public:
    explicit THLSFilterDialog(QObject *Owner = nullptr);
    THLSFilter &Filter() const { return static_cast<THLSFilter &>(TFilterDialog::Filter()); }
    int32_t H() const { return GroupValue(1); }
    int32_t L() const { return GroupValue(2); }
    int32_t S() const { return GroupValue(3); }
    void SetH(int32_t Value) { SetValue(1, Value); }
    void SetL(int32_t Value) { SetValue(2, Value); }
    void SetS(int32_t Value) { SetValue(3, Value); }

protected:
    void InitTexts() override;
    std::unique_ptr<TPGFilter> CreateFilter() const override { return std::make_unique<THLSFilter>(); }
};

class THSVFilterDialog : public TXXXFilterDialog {
    Q_OBJECT
public:
    explicit THSVFilterDialog(QObject *Owner = nullptr);
    THSVFilter &Filter() const { return static_cast<THSVFilter &>(TFilterDialog::Filter()); }
    int32_t H() const { return GroupValue(1); }
    int32_t S() const { return GroupValue(2); }
    int32_t V() const { return GroupValue(3); }
    void SetH(int32_t Value) { SetValue(1, Value); }
    void SetS(int32_t Value) { SetValue(2, Value); }
    void SetV(int32_t Value) { SetValue(3, Value); }

protected:
    void InitTexts() override;
    std::unique_ptr<TPGFilter> CreateFilter() const override { return std::make_unique<THSVFilter>(); }
};

// Brightness in percent; contrast and gamma as factors 0.2..5 on a logarithmic slider.
// Setting these only stores them: the filter follows at the next run.
class TBCGFilterDialog : public TPreviewFilterDialog {
    Q_OBJECT
public:
    explicit TBCGFilterDialog(QObject *Owner = nullptr);
    TBCGFilter &Filter() const { return static_cast<TBCGFilter &>(TFilterDialog::Filter()); }
    int32_t Brightness() const { return GroupValue(1); }
    void SetBrightness(int32_t Value) { SetGroupValue(1, Value, false); }
    long double Contrast() const { return factorOf(GroupValue(2)); }
    void SetContrast(long double Value) { SetGroupValue(2, sliderOf(Value), false); }
    long double Gamma() const { return factorOf(GroupValue(3)); }
    void SetGamma(long double Value) { SetGroupValue(3, sliderOf(Value), false); }
    bool UseY() const { return radioPair_.SecondChecked; }
    void SetUseY(bool Value);

protected:
    void InitTexts() override;
    std::unique_ptr<TPGFilter> CreateFilter() const override { return std::make_unique<TBCGFilter>(); }
    void SetupFilter(TPGFilter &Filter) const override;
    QString FormatValue2() const override;
    QString FormatValue3() const override;

private:
    // The factor shown for a slider value, to two decimals, and the slider value of a factor.
    static long double factorOf(int32_t Slider);
    static int32_t sliderOf(long double Factor);
};

// Standard deviation 0.40..1.30 (slider in hundredths) and strength in percent.
class TConvFilterDialog : public TFilterDialog {
    Q_OBJECT
public:
    bool Execute() { return Run(nullptr); }
    TConvFilter &Filter() const { return static_cast<TConvFilter &>(TFilterDialog::Filter()); }
    // Stored only: the filter follows at the next run.
    long double StdDeviation() const { return GroupValue(1) / 100.0L; }
    void SetStdDeviation(long double Value);
    int32_t Percent() const { return GroupValue(2); }
    void SetPercent(int32_t Value) { SetGroupValue(2, Value, false); }
    // Setting these rebuilds the filter at once.
    TDistributionShape DistributionShape() const { return distributionShape_; }
    void SetDistributionShape(TDistributionShape Value);
    bool UseDistance() const { return useDistance_; }
    void SetUseDistance(bool Value);

protected:
    // Standard deviation (mark and initial value, in hundredths) and strength (range, tick spacing, mark and initial value).
    struct Sliders {
        int deviation;
        int strengthMin, strengthMax, strengthFrequency, strength;
    };
    TConvFilterDialog(QObject *Owner, const Sliders &Initial, TDistributionShape Shape);
    std::unique_ptr<TPGFilter> CreateFilter() const override { return std::make_unique<TConvFilter>(); }
    QString FormatValue1() const override;
    QString FormatValue2() const override;
    void SetCaptions(int TitleMessage);

private:
    TDistributionShape distributionShape_;
    bool useDistance_ = true;
};

class TSharpenFilterDialog : public TConvFilterDialog {
    Q_OBJECT
public:
    explicit TSharpenFilterDialog(QObject *Owner = nullptr);

protected:
    void InitTexts() override;
    void SetupFilter(TPGFilter &Filter) const override;
};

class TDetailFilterDialog : public TConvFilterDialog {
    Q_OBJECT
public:
    explicit TDetailFilterDialog(QObject *Owner = nullptr);

protected:
    void InitTexts() override;
    void SetupFilter(TPGFilter &Filter) const override;
};

class TSmoothFilterDialog : public TConvFilterDialog {
    Q_OBJECT
public:
    explicit TSmoothFilterDialog(QObject *Owner = nullptr);

protected:
    void InitTexts() override;
    void SetupFilter(TPGFilter &Filter) const override;
};

// White or black background ("Blanc" / "Noir").
class TContourFilterDialog : public TConvFilterDialog {
    Q_OBJECT
public:
    explicit TContourFilterDialog(QObject *Owner = nullptr);
    bool BlackBk() const { return radioPair_.SecondChecked; }
    void SetBlackBk(bool Value);

protected:
    void InitTexts() override;
    void SetupFilter(TPGFilter &Filter) const override;
};
