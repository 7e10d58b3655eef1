#include "DibHandles.h"

#include "ByteReader.h"
#include "Codec.h"

#include <cstring>

namespace imaginglib {

codecs::Image imageFromDib(const BITMAPINFOHEADER *header, std::size_t size)
{
    if (header == nullptr || size < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER)
        || header->biSize > size)
        codecs::fail(codecs::ErrorCode::BadImage, "empty DIB");
    if (header->biSize == sizeof(BITMAPINFOHEADER) && header->biCompression == BI_RGB && header->biHeight > 0)
        return codecs::Image::fromPackedDib(header, size);
    // everything else is what a BMP file holds after its file header
    codecs::ByteWriter file;
    file.u16(DIB_FILE_TYPE);
    file.u32(std::uint32_t(14 + size));
    file.u32(0);
    file.u32(std::uint32_t(14 + dib_bits_offset(header)));
    file.append(header, size);
    return codecs::codec(codecs::Format::Bmp).read(file.bytes(), {});
}

codecs::Image imageFromHandle(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    return imageFromDib(lock.as<BITMAPINFOHEADER>(), GlobalSize(dib));
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
