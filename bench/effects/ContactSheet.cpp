// contact-sheet: runs every effect of the library's table on one picture
// and writes each result as a PNG named after the export, for a look at
// what each effect does, with the catalogue's values that show each effect
// (the effects dialog's start values where those change something).
//   contact-sheet IN.bmp OUTDIR
#include "Catalogue.h"
#include "crde2000.h"

#include <cstdio>
#include <string>

namespace {

HGLOBAL ellipseMask(int width, int height)
{
    const std::size_t row = dib_row_bytes(width, 24);
    HGLOBAL block = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + row * std::size_t(height));
    GlobalLockGuard lock(block);
    auto *header = lock.as<BITMAPINFOHEADER>();
    *header = BITMAPINFOHEADER{40, width, height, 1, 24, BI_RGB, DWORD(row * height), 2835, 2835, 0, 0};
    BYTE *bits = dib_bits(header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = (x - width / 2.0) / (width * 0.42), v = (y - height / 2.0) / (height * 0.42);
            const BYTE level = u * u + v * v <= 1.0 ? 255 : 0;
            BYTE *p = bits + std::size_t(y) * row + std::size_t(x) * 3;
            p[0] = p[1] = p[2] = level;
        }
    return block;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: contact-sheet IN.bmp OUTDIR\n");
        return 2;
    }
    HGLOBAL picture = nullptr;
    if (rdbmpfiledib(argv[1], 24, 0, &picture, nullptr, nullptr, nullptr, 0) < 1) {
        std::fprintf(stderr, "contact-sheet: cannot read %s\n", argv[1]);
        return 1;
    }
    int width, height;
    {
        GlobalLockGuard lock(picture);
        width = lock.as<BITMAPINFOHEADER>()->biWidth, height = lock.as<BITMAPINFOHEADER>()->biHeight;
    }
    GlobalBlock owner(picture), mask(ellipseMask(width, height));
    int failures = 0;
    for (const isp::ExportInfo &info : isp::exportTable()) {
        const std::vector<double> values = isp::showValues(info);
        isp::CallContext context;
        context.overlay = mask.get();
        GlobalBlock result(isp::applyEffect(info, picture, values, context));
        const std::string path = std::string(argv[2]) + "/" + info.name + ".png";
        if (!result || wrpngfiledib(path.c_str(), 0, 0, result.get(), nullptr, nullptr, 0) < 1) {
            std::fprintf(stderr, "contact-sheet: %s failed\n", info.name);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
