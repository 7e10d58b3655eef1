#pragma once
// The table of the library's effect exports, as their rows say
// (EffectParameters.h): for each its name, the caption of its progress,
// whether it takes a rectangle, what it returns and its parameter rows.  One
// call runs any of them by name with its values in row order.  Used by the
// command-line tool, the tests and the benchmarks.
#include "EffectParameters.h"
#include "isp2000.h"

#include <span>
#include <string_view>
#include <vector>

namespace isp {

struct ExportInfo {
    const char *name;
    const char *caption;
    bool rectangle; // takes left, top, right, bottom
    ResultKind result;
    std::span<const ParameterRow> parameters; // in argument order
};

const std::vector<ExportInfo> &exportTable();
// Null for a name the table does not hold.
const ExportInfo *findExport(std::string_view name);

// The start value of every parameter, in order.
std::vector<double> startValues(const ExportInfo &info);
// Values that visibly change a picture: the start values, except where
// those leave it as it is (a whirl of 0, a brightness of 0...).
std::vector<double> showValues(const ExportInfo &info);

// Where and how an effect runs: the rectangle (0, 0, 0, 0 for the whole
// picture; ignored by exports without one), the overlay of MergeDib and
// DropDib, and the progress callback.
struct CallContext {
    int left = 0, top = 0, right = 0, bottom = 0;
    HGLOBAL overlay = nullptr;
    void *userData = nullptr;
    ILProgressProc progress = nullptr;
};

// Runs the export on dib with the values in row order (converted to the
// export's argument types, so the export's own check sees them).  Returns a new DIB owned by the caller; for
// exports that work in place the input is copied first, so dib never
// changes.  NULL when the export fails, stops or the values do not fit the
// table's count.
HGLOBAL applyEffect(const ExportInfo &info, HGLOBAL dib, std::span<const double> values,
                    const CallContext &context = {});
// An export that changes its DIB (ResultKind::InPlace) run on the caller's
// own DIB, without the copy applyEffect makes to leave it alone; false for
// the other exports and for failures and stops (the DIB is then as it was).
bool changeInPlace(const ExportInfo &info, HGLOBAL dib, std::span<const double> values,
                   const CallContext &context = {});

} // namespace isp
