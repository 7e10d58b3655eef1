// isp-apply: one effect export of the processing library, by name, between
// reading and writing a BMP file; the effect side of the comparison with
// ImageMagick.  Missing values take the effects dialog's start values.
//   isp-apply IN.bmp OUT.bmp EXPORT [VALUES...]
#include "Catalogue.h"
#include "crde2000.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: isp-apply IN.bmp OUT.bmp EXPORT [VALUES...]\n");
        return 2;
    }
    const isp::ExportInfo *info = isp::findExport(argv[3]);
    if (info == nullptr) {
        std::fprintf(stderr, "isp-apply: no effect export named %s\n", argv[3]);
        return 2;
    }
    std::vector<double> values = isp::startValues(*info);
    for (int i = 4; i < argc && std::size_t(i - 4) < values.size(); ++i)
        values[std::size_t(i - 4)] = std::atof(argv[i]);
    HGLOBAL picture = nullptr;
    if (rdbmpfiledib(argv[1], 0, 0, &picture, nullptr, nullptr, nullptr, 0) < 1) {
        std::fprintf(stderr, "isp-apply: cannot read %s\n", argv[1]);
        return 1;
    }
    GlobalBlock input(picture);
    GlobalBlock result(isp::applyEffect(*info, input.get(), values));
    if (!result) {
        std::fprintf(stderr, "isp-apply: %s failed\n", info->name);
        return 1;
    }
    if (wrbmpfiledib(argv[2], 0, result.get(), nullptr, nullptr, 0) < 1) {
        std::fprintf(stderr, "isp-apply: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
