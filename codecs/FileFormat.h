#pragma once
// The picture formats the program knows and the file extensions that name
// them: the one table by which every part chooses a reader or a writer from
// a file's name.  Header only, so that the plug-in libraries' tools and the
// imaging bridge choose as the codecs do without linking them.
#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>

namespace codecs {

enum class Format { Bmp, Png, Jpeg, Tiff, Gif, Pcx, Tga, Eps, Dxf, Pcd, Pnm };

struct FormatExtension {
    std::string_view extension; // lower case, without the dot
    Format format;
};

// .thb and .thj are the file list's thumbnails, a BMP and a JPEG.
inline constexpr FormatExtension kFormatExtensions[] = {
    {"bmp", Format::Bmp},  {"dib", Format::Bmp},  {"rle", Format::Bmp},  {"thb", Format::Bmp},
    {"png", Format::Png},  {"jpg", Format::Jpeg}, {"jpeg", Format::Jpeg}, {"jpe", Format::Jpeg},
    {"jfif", Format::Jpeg}, {"thj", Format::Jpeg}, {"tif", Format::Tiff}, {"tiff", Format::Tiff},
    {"gif", Format::Gif},  {"pcx", Format::Pcx},  {"tga", Format::Tga},  {"eps", Format::Eps},
    {"epsf", Format::Eps}, {"ps", Format::Eps},   {"dxf", Format::Dxf},  {"pcd", Format::Pcd},
    {"pbm", Format::Pnm},  {"pgm", Format::Pnm},  {"ppm", Format::Pnm},  {"pnm", Format::Pnm},
};

// By the extension of a file name or path, case ignored ("scan.JPG", "a/b.tiff").
inline std::optional<Format> formatFromExtension(std::string_view path)
{
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    std::string ext(path.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const FormatExtension &entry : kFormatExtensions)
        if (entry.extension == ext)
            return entry.format;
    return std::nullopt;
}

} // namespace codecs
