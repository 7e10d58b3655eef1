#include "DibHandles.h"

#include "Error.h"

#include <cstring>

namespace imaginglib {

codecs::Image imageFromHandle(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    return codecs::Image::fromPackedDib(lock.data(), GlobalSize(dib));
}

HGLOBAL handleFromImage(const codecs::Image &image)
{
    const std::vector<std::uint8_t> &bytes = image.packed();
    HGLOBAL handle = GlobalAlloc(GHND, bytes.size());
    if (!handle)
        codecs::fail(codecs::ErrorCode::OutOfMemory, "out of memory");
    GlobalLockGuard lock(handle);
    std::memcpy(lock.data(), bytes.data(), bytes.size());
    return handle;
}

} // namespace imaginglib
