// quillon-img: converts image files through the library's read and write
// exports (format by extension), applies one effect export by name between
// reading and writing, and prints what fileinfo says.  The values of an
// effect are checked against, and listed from, its parameter rows.
//   quillon-img [--quality=N] [--compression=N] [--bits=N] [--interlaced] IN OUT [EXPORT [VALUES...]]
//   quillon-img --info FILE
//   quillon-img --effects
// A JPEG quality outside 1..100 writes at 25, as the program's image
// component does; an option value that is no whole number is refused.
#include "FileFormat.h"
#include "crde2000.h"

#ifdef QUILLON_IMG_EFFECTS
#include "Catalogue.h"
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

struct Options {
    int quality = 75;
    int compression = 1;
    int bits = 0;
    bool interlaced = false;
};

int fail(const std::string &what, ILSTATUS status)
{
    char text[4096] = "";
    // the writer's words name the file and the reason themselves
    if (ilLastWriteFailure(text, sizeof text) > 0) {
        std::fprintf(stderr, "quillon-img: %s (%d)\n", text, status);
        return 1;
    }
    ilLoadString(status, text, sizeof text);
    std::fprintf(stderr, "quillon-img: %s: %s (%d)\n", what.c_str(), text, status);
    return 1;
}

ILSTATUS readImage(const std::string &path, HGLOBAL *dib)
{
    const char *p = path.c_str();
    using codecs::Format;
    const std::optional<Format> format = codecs::formatFromExtension(path);
    if (!format)
        return IL_ERR_WRONG_FORMAT;
    switch (*format) {
    case Format::Bmp: return rdbmpfiledib(p, 0, 0, dib, nullptr, nullptr, nullptr, 0);
    case Format::Png: return rdpngfiledib(p, 0, 0, dib, nullptr, nullptr, nullptr, 0);
    case Format::Gif: return rdgiffiledib(p, 0, 0, dib, nullptr, nullptr, nullptr, 0);
    case Format::Pcx: return rdpcxfiledib(p, 0, 0, dib, nullptr, nullptr, nullptr, 0);
    case Format::Jpeg: return rdjpgfiledib(p, 0, 1, 0, dib, nullptr, nullptr, nullptr, 0);
    case Format::Tga: return readtgafiledib(p, 0, 0, dib, nullptr, nullptr, 0);
    case Format::Eps: return readepsfiledib(p, 0, 0, dib, nullptr, nullptr, 0);
    case Format::Tiff: return readtiffiledib(p, 0, 0, 0, dib, nullptr, nullptr, 0);
    case Format::Pcd: return readpcdfiledib(p, 0, 0, 2, dib, nullptr, nullptr, 0);
    default: return IL_ERR_WRONG_FORMAT; // drawings and PNM have no DIB reader among the exports
    }
}

ILSTATUS writeImage(const std::string &path, HGLOBAL dib, const Options &o)
{
    const char *p = path.c_str();
    using codecs::Format;
    const std::optional<Format> format = codecs::formatFromExtension(path);
    if (!format)
        return IL_ERR_WRONG_FORMAT;
    switch (*format) {
    case Format::Bmp: return wrbmpfiledib(p, o.bits, dib, nullptr, nullptr, 0);
    case Format::Png: return wrpngfiledib(p, o.bits, o.interlaced, dib, nullptr, nullptr, 0);
    case Format::Gif: return wrgiffiledib(p, o.bits, dib, nullptr, nullptr, 0);
    case Format::Pcx: return wrpcxfiledib(p, o.bits, dib, nullptr, nullptr, 0);
    case Format::Jpeg: return wrjpgfiledib(p, o.quality, 0, int16_t(o.bits), dib, nullptr, nullptr, 0);
    case Format::Tiff: return writetiffiledib(p, o.compression, int16_t(o.bits), 0, dib, nullptr, nullptr, 0);
    case Format::Eps: return writeepsfiledib(p, o.bits, 1, 4, 0, 1, 0, dib, nullptr, nullptr, 0);
    default: return IL_ERR_WRONG_FORMAT; // formats the exports do not write
    }
}

int info(const std::string &path)
{
    char format[IL_INFO_TEXT_SIZE] = "", compressionName[IL_INFO_TEXT_SIZE] = "";
    int32_t width = 0, height = 0;
    int16_t bits = 0, pages = 0, compression = 0;
    const ILSTATUS status = fileinfo(path.c_str(), format, &width, &height, &bits, &pages, &compression, compressionName, 0);
    if (status < 1)
        return fail(path, status);
    std::printf("format: %s\nwidth: %d\nheight: %d\nbits: %d\npages: %d\ncompression: %s (%d)\n", format, width, height,
                bits, pages, compressionName, int(uint16_t(compression)));
    return 0;
}

// The whole number after an option's "=", or none when the text is no number.
std::optional<int> optionNumber(const std::string &arg)
{
    const char *text = arg.c_str() + arg.find('=') + 1;
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || value < std::numeric_limits<int>::min()
        || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

int jpegQuality(int quality)
{
    return quality >= 1 && quality <= 100 ? quality : 25;
}

int usage()
{
    std::fprintf(stderr, "usage: quillon-img [--quality=N] [--compression=N] [--bits=N] [--interlaced] IN OUT [EXPORT [VALUES...]]\n"
                         "       quillon-img --info FILE\n"
                         "       quillon-img --effects   (the effect exports and their values)\n");
    return 2;
}

#ifdef QUILLON_IMG_EFFECTS
std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// What the export takes, in words.
std::string accepted(const isp::ParameterRow &row)
{
    const std::string range = number(row.acceptedMin) + " to " + number(row.acceptedMax);
    switch (row.outside) {
    case isp::Outside::Held: return "any number, held within " + range;
    case isp::Outside::Flag: return "0 for off, any other number for on";
    default: return row.acceptedMax >= std::numeric_limits<float>::max() ? "any finite number" : range;
    }
}

int listEffects()
{
    for (const isp::ExportInfo &info : isp::exportTable()) {
        std::printf("%s%s\n", info.name, info.rectangle ? " (rectangle)" : "");
        for (const isp::ParameterRow &row : info.parameters)
            std::printf("  %s: %s; the dialog offers %s to %s, from %s\n", row.name, accepted(row).c_str(),
                        number(row.offeredMin).c_str(), number(row.offeredMax).c_str(), number(row.start).c_str());
    }
    return 0;
}
#endif

// Runs one effect export on the DIB, which it replaces.  Without values the
// effects dialog's start values are used.
int applyEffect(GlobalBlock &dib, const std::string &name, const std::vector<std::string> &arguments)
{
#ifdef QUILLON_IMG_EFFECTS
    const isp::ExportInfo *info = isp::findExport(name);
    if (!info) {
        std::fprintf(stderr, "quillon-img: no effect export named %s\n", name.c_str());
        return 2;
    }
    std::vector<double> values = isp::startValues(*info);
    if (!arguments.empty()) {
        if (arguments.size() != info->parameters.size()) {
            std::fprintf(stderr, "quillon-img: %s takes %zu values\n", name.c_str(), info->parameters.size());
            return 2;
        }
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            char *end = nullptr;
            values[i] = std::strtod(arguments[i].c_str(), &end);
            if (end == arguments[i].c_str() || *end != '\0') {
                std::fprintf(stderr, "quillon-img: %s is not a number\n", arguments[i].c_str());
                return 2;
            }
            const isp::ParameterRow &row = info->parameters[i];
            if (!isp::accepts(row, values[i])) {
                std::fprintf(stderr, "quillon-img: %s %s takes %s\n", name.c_str(), row.name, accepted(row).c_str());
                return 2;
            }
        }
    }
    // the effects work on 24 and 32 bits
    const int bits = GlobalLockGuard(dib.get()).as<BITMAPINFOHEADER>()->biBitCount;
    if (bits < 24) {
        HGLOBAL (*raise)(HGLOBAL) = bits == 1 ? DIB1To24 : bits == 4 ? DIB4To24 : bits == 8 ? DIB8To24 : DIB16To24;
        GlobalBlock wide(raise(dib.get()));
        if (!wide) {
            std::fprintf(stderr, "quillon-img: cannot raise the picture to 24 bits\n");
            return 1;
        }
        dib = std::move(wide);
    }
    // the DIB is ours to change: exports that change theirs need no copy
    if (info->result == isp::ResultKind::InPlace) {
        if (isp::changeInPlace(*info, dib.get(), values))
            return 0;
    } else if (GlobalBlock result(isp::applyEffect(*info, dib.get(), values)); result) {
        dib = std::move(result);
        return 0;
    }
    std::fprintf(stderr, "quillon-img: %s failed\n", name.c_str());
    return 1;
#else
    (void)dib;
    (void)arguments;
    std::fprintf(stderr, "quillon-img: effect exports are not available in this build (%s)\n", name.c_str());
    return 2;
#endif
}

// A conversion passes the picture through several page-sized buffers in turn
// (file, decoded image, global block, encoded file).  The allocator keeps
// what one step frees for the next, instead of handing every buffer back to
// the system and having the next one's pages faulted in and zeroed afresh.
void keepFreedBuffers()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20); // the largest the allocator accepts
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

} // namespace

int main(int argc, char **argv)
{
    keepFreedBuffers();
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--info")
            return i + 1 == argc - 1 ? info(argv[i + 1]) : usage();
#ifdef QUILLON_IMG_EFFECTS
        if (arg == "--effects")
            return argc == 2 ? listEffects() : usage();
#endif
        int *numeric = arg.rfind("--quality=", 0) == 0       ? &options.quality
                       : arg.rfind("--compression=", 0) == 0 ? &options.compression
                       : arg.rfind("--bits=", 0) == 0        ? &options.bits
                                                             : nullptr;
        if (numeric) {
            const std::optional<int> value = optionNumber(arg);
            if (!value) {
                std::fprintf(stderr, "quillon-img: %s is not a number\n", arg.c_str());
                return 2;
            }
            *numeric = numeric == &options.quality ? jpegQuality(*value) : *value;
        } else if (arg == "--interlaced")
            options.interlaced = true;
        else if (arg.rfind("--", 0) == 0)
            return usage();
        else
            positional.push_back(arg);
    }
    if (positional.size() < 2)
        return usage();
    HGLOBAL dib = nullptr;
    ILSTATUS status = readImage(positional[0], &dib);
    if (status < 1)
        return fail(positional[0], status);
    GlobalBlock owner(dib);
    if (positional.size() > 2) {
        const std::vector<std::string> values(positional.begin() + 3, positional.end());
        if (const int failed = applyEffect(owner, positional[2], values))
            return failed;
    }
    status = writeImage(positional[1], owner.get(), options);
    if (status < 1)
        return fail(positional[1], status);
    return 0;
}
