#include "PGBasicFilters.h"

#include "PGFilterApply.h"
#include "PGImage.h"

#include <stdexcept>

namespace {

template <typename Dialog> Dialog *named(Dialog *dialog, const char *name)
{
    dialog->setObjectName(QString::fromLatin1(name));
    return dialog;
}

} // namespace

TBasicFilterDialogs::TBasicFilterDialogs(QObject *Owner)
    : QObject(Owner),
      RGBFilterDialog1(named(new TRGBFilterDialog(this), "RGBFilterDialog1")),
      CMYFilterDialog1(named(new TCMYFilterDialog(this), "CMYFilterDialog1")),
      YCbCrFilterDialog1(named(new TYCbCrFilterDialog(this), "YCbCrFilterDialog1")),
      HLSFilterDialog1(named(new THLSFilterDialog(this), "HLSFilterDialog1")),
      HSVFilterDialog1(named(new THSVFilterDialog(this), "HSVFilterDialog1")),
      BCGFilterDialog1(named(new TBCGFilterDialog(this), "BCGFilterDialog1")),
      SharpenFilterDialog1(named(new TSharpenFilterDialog(this), "SharpenFilterDialog1")),
      DetailFilterDialog1(named(new TDetailFilterDialog(this), "DetailFilterDialog1")),
      SmoothFilterDialog1(named(new TSmoothFilterDialog(this), "SmoothFilterDialog1")),
      ContourFilterDialog1(named(new TContourFilterDialog(this), "ContourFilterDialog1"))
{
    setObjectName(QStringLiteral("BasicFilterDialogs"));
    // The main window's settings of its dialogs.
    BCGFilterDialog1->SetContrast(1.0L);
    BCGFilterDialog1->SetGamma(1.0L);
    SharpenFilterDialog1->SetStdDeviation(0.75L);
    DetailFilterDialog1->SetStdDeviation(0.75L);
    SmoothFilterDialog1->SetStdDeviation(1.3L);
    ContourFilterDialog1->SetStdDeviation(1.0L);
}

TFilterDialog &TBasicFilterDialogs::Dialog(int Entry) const
{
    TFilterDialog *const dialogs[EntryCount] = {RGBFilterDialog1,     CMYFilterDialog1,    YCbCrFilterDialog1,
                                                HLSFilterDialog1,     HSVFilterDialog1,    BCGFilterDialog1,
                                                SharpenFilterDialog1, DetailFilterDialog1, SmoothFilterDialog1,
                                                ContourFilterDialog1};
    if (Entry < 1 || Entry > EntryCount)
        throw std::out_of_range("no basic filter entry " + std::to_string(Entry));
    return *dialogs[Entry - 1];
}

TPGFilter *TBasicFilterDialogs::Execute(int Entry, const TPixelGraphic &Image)
{
    TFilterDialog &dialog = Dialog(Entry);
    const bool accepted = dialog.HasPreview() ? static_cast<TPreviewFilterDialog &>(dialog).Execute(Image)
                                              : static_cast<TConvFilterDialog &>(dialog).Execute();
    return accepted ? &dialog.Filter() : nullptr;
}

bool TBasicFilterDialogs::Run(int Entry, TPGImage &Holder, QWidget *Parent)
{
    const TPixelGraphic *image = Holder.PixelGraphic();
    if (!image)
        return false;
    TPGFilter *filter = Execute(Entry, *image);
    return filter && ApplyFilterWithProgress(Holder, *filter, Dialog(Entry).Title(), Parent);
}
