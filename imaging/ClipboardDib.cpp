#include "ClipboardDib.h"

#include "Bitmap.h"
#include "DllSP96.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

namespace imaging {

bool ClipboardHoldsPicture()
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

GlobalBlock DibFromClipboard()
{
    if (!ClipboardHoldsPicture())
        return {};
    const QImage image = QApplication::clipboard()->image();
    if (image.isNull())
        return {};
    return GlobalBlock(BitmapToDib(Bitmap::fromImage(image)));
}

void PutDibOnClipboard(HGLOBAL dib)
{
    Bitmap bitmap;
    if (DibToBitmap(dib, bitmap))
        QApplication::clipboard()->setImage(bitmap.image());
}

} // namespace imaging
