#pragma once
// Turns the rows of one frame read from SANE into the packed DIB of a native
// transfer: 1 bit for line art (palette black, white), 8 bits with a grey
// palette, 24-bit colour; rows bottom first, each padded to 4 bytes.
#include "globalmem.h"

#include <sane/sane.h>

#include <memory>
#include <vector>

namespace dsm {

enum class DibResult { Done, NoMemory, Unsupported };

// Writes the rows straight into their place in the DIB as they arrive, so a
// page is copied once on its way from the device.
class DibWriter {
public:
    // A DIB for `lines` rows of the frame; Unsupported for what cannot be shown.
    static DibResult create(const SANE_Parameters &parameters, int lines, double dpi,
                            std::unique_ptr<DibWriter> *writer);
    ~DibWriter();
    DibWriter(const DibWriter &) = delete;
    DibWriter &operator=(const DibWriter &) = delete;

    // Rows beyond the announced count are dropped.
    void addRow(const unsigned char *row);
    // The finished DIB, now the caller's; a device that sent fewer rows than
    // announced gives a DIB of the rows that came, or none without any.
    HGLOBAL release();

private:
    DibWriter(const SANE_Parameters &parameters, int lines, HGLOBAL block);

    GlobalBlock block_;
    void *data_;
    SANE_Parameters parameters_;
    int lines_;
    int rows_ = 0;
    size_t rowBytes_;
};

// The whole frame at once, its line count taken from the data itself, for a
// device that does not know its height in advance.  On Done *dib holds a new
// unlocked block that the caller owns.
DibResult buildDib(const SANE_Parameters &parameters, const std::vector<unsigned char> &data, double dpi,
                   HGLOBAL *dib);

} // namespace dsm
