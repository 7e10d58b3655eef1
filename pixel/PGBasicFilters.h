#pragma once
// The main window's ten basic filters, as its filter list offers them
// (entries 1..10): RGB, CMY, YCbCr, HLS, HSV and brightness-contrast-gamma
// with a live preview, then sharpen, detail, smooth and contour.
#include "PGFilterDialogs.h"

class QWidget;
class TPGImage;

class TBasicFilterDialogs : public QObject {
    Q_OBJECT
public:
    static constexpr int EntryCount = 10;

    // The dialogs are made here, as children named as below.
    explicit TBasicFilterDialogs(QObject *Owner = nullptr);

    TRGBFilterDialog *const RGBFilterDialog1;
    TCMYFilterDialog *const CMYFilterDialog1;
    TYCbCrFilterDialog *const YCbCrFilterDialog1;
    THLSFilterDialog *const HLSFilterDialog1;
    THSVFilterDialog *const HSVFilterDialog1;
    TBCGFilterDialog *const BCGFilterDialog1;
    TSharpenFilterDialog *const SharpenFilterDialog1;
    TDetailFilterDialog *const DetailFilterDialog1;
    TSmoothFilterDialog *const SmoothFilterDialog1;
    TContourFilterDialog *const ContourFilterDialog1;

    // The dialog of list entry 1..10.
    TFilterDialog &Dialog(int Entry) const;
    // Runs the entry's dialog (a colour dialog previews Image): its filter
    // after OK, none after Cancel.
    TPGFilter *Execute(int Entry, const TPixelGraphic &Image);
    // The whole command on Holder's image: the dialog, then its filter on the
    // whole picture with progress.  True when Holder's image was replaced;
    // false after Cancel, a stop, or with no image.  A filter's error
    // propagates and leaves the image as it was.
    bool Run(int Entry, TPGImage &Holder, QWidget *Parent);
};
