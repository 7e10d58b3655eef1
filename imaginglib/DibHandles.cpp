#include "DibHandles.h"


namespace imaginglib {

codecs::Image imageFromHandle(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    return codecs::Image::fromPackedDib(lock.data(), GlobalSize(dib));
}

HGLOBAL handleFromImage(codecs::Image image) { return image.release(); }

} // namespace imaginglib
