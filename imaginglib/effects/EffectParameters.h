#pragma once
// Every effect export, described once: one row per export (its name, the
// caption of its progress, whether it takes a rectangle, what it returns,
// the C type of each value) and one row per parameter, the rows of an
// export together and in its argument order.  The catalogue, the program's
// bridge and the tests' stand-ins read these rows and check their calls
// against isp2000.h's declarations with them when they compile.
//
// Parameter rows.  A row names
// the range the export itself accepts, which its own check reads, and the
// range and start value the effects dialog offers, which are usually
// narrower (a whirl of 36000 degrees is a valid call; the dialog's bar goes
// to 3000).  The catalogue, quillon-img's checking and help, the tests and
// the effects dialog read the same rows.  Offered ranges and start values
// are in the export's units: where a dialog shows tenths (a rotation of
// -1800..1800 tenths of a degree) or splits one value over two pages
// (lighter 0..255, darker 0..255), the row holds what reaches the export.
//
// Header only and free of the library's internals, so that the program's
// effects dialog can read it without linking the library.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace isp {

// What an export does with a value outside its accepted range.
enum class Outside {
    Refused, // the call fails (NaN is refused too)
    Held,    // the value is held at the nearer end
    Typed,   // nothing to check: the argument's type carries no other value
    Flag,    // a switch: 0 is off, any other value on; the range holds the values callers pass
};

struct ParameterRow {
    const char *exportName;
    const char *name;
    double acceptedMin, acceptedMax; // what the export takes
    double offeredMin, offeredMax;   // what the effects dialog offers
    double start;                    // the dialog's start value
    Outside outside;
};

namespace rows {
inline constexpr double kAnyReal = std::numeric_limits<double>::max();
inline constexpr double kAnyFloat = std::numeric_limits<float>::max();
inline constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();
inline constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();
inline constexpr double kFace = 240; // the dialog's button-face grey, its start colour
inline constexpr Outside R = Outside::Refused, H = Outside::Held, T = Outside::Typed, F = Outside::Flag;
} // namespace rows

// clang-format off
inline constexpr ParameterRow kParameterRows[] = {
    // export          parameter             accepted                  offered          start  outside
    {"OilPainting",    "strength",           0, 100,                   0, 50,           1,     rows::R},
    {"Blur",           "strength",           1, 100,                   1, 100,          1,     rows::R},
    {"Engrave",        "strength",           1, 10,                    1, 10,           1,     rows::R},
    {"Bled",           "amount",             -255, 255,                -255, 255,       0,     rows::R},
    {"Edge",           "strength",           1, 100,                   1, 100,          1,     rows::R},
    {"Better",         "amount",             -9, 9,                    -9, 9,           0,     rows::R},
    {"PixelFix",       "strength",           0, 100,                   0, 100,          0,     rows::R},
    {"PinchHole",      "amount",             -100, 100,                -20, 0,          0,     rows::R},
    {"Whirl",          "amount",             -36000, 36000,            0, 3000,         0,     rows::R},
    {"Wave",           "amplitude",          0, 20000,                 0, 2000,         50,    rows::R},
    {"Wave",           "waveLength",         0, 10000,                 0, 200,          20,    rows::R},
    {"Wave",           "phase",              -rows::kAnyReal, rows::kAnyReal, 1, 3600,  1,     rows::R},
    {"Wave",           "smooth",             0, 1,                     0, 1,            1,     rows::F},
    {"Wave",           "reflection",         0, 1,                     0, 1,            0,     rows::F},
    {"Noise",          "gaussian",           0, 1,                     0, 1,            1,     rows::F},
    {"Noise",          "byIntensity",        0, 1,                     0, 1,            0,     rows::F},
    {"Noise",          "red",                0, 255,                   0, 255,          20,    rows::R},
    {"Noise",          "green",              0, 255,                   0, 255,          20,    rows::R},
    {"Noise",          "blue",               0, 255,                   0, 255,          20,    rows::R},
    {"Enhance",        "brightness",         -255, 255,                -255, 255,       0,     rows::R},
    {"Enhance",        "contrast",           -255, 255,                -255, 255,       0,     rows::R},
    {"Enhance",        "blueGamma",          1, 255,                   1, 255,          10,    rows::R},
    {"Enhance",        "greenGamma",         1, 255,                   1, 255,          10,    rows::R},
    {"Enhance",        "redGamma",           1, 255,                   1, 255,          10,    rows::R},
    {"Motion",         "value",              1, 1000,                  1, 500,          10,    rows::R},
    {"Motion",         "angle",              rows::kInt32Min, rows::kInt32Max, 1, 360,  10,    rows::T},
    {"Motion",         "kind",               1, 3,                     1, 3,            1,     rows::R},
    {"RecToPolar",     "value",              0, 500,                   0, 500,          1,     rows::R},
    {"RecToPolar",     "angle",              -3600, 3600,              0, 360,          1,     rows::R},
    {"RecToPolar",     "inverse",            -1, 0,                    -1, 0,           0,     rows::F},
    {"RecToPolar",     "backward",           -1, 0,                    -1, 0,           0,     rows::F},
    {"Jiggle",         "period",             1, 1000,                  1, 100,          1,     rows::R},
    {"Jiggle",         "amplitude",          0, 3600,                  1, 360,          10,    rows::R},
    {"Jiggle",         "triangle",           0, 1,                     0, 1,            0,     rows::F},
    {"Spray",          "value",              0, 100,                   0, 100,          0,     rows::R},
    {"Spray",          "randomness",         1, 360,                   1, 360,          1,     rows::R},
    {"FadeDib",        "size",               1, 1000,                  1, 1000,         1,     rows::R},
    {"FadeDib",        "red",                0, 255,                   0, 255,          rows::kFace, rows::R},
    {"FadeDib",        "green",              0, 255,                   0, 255,          rows::kFace, rows::R},
    {"FadeDib",        "blue",               0, 255,                   0, 255,          rows::kFace, rows::R},
    {"ThresholdDib",   "threshold",          0, 255,                   0, 255,          120,   rows::R},
    {"ThresholdDib",   "antiAliasing",       0, 1,                     0, 1,            1,     rows::F},
    {"Curl",           "faceBackground",     0, 1,                     0, 1,            1,     rows::F},
    {"Curl",           "faceForeground",     0, 1,                     0, 1,            0,     rows::F},
    {"Curl",           "keepImage",          0, 1,                     0, 1,            0,     rows::F},
    {"Curl",           "shadowBackground",   0, 1,                     0, 1,            0,     rows::F},
    {"Curl",           "shadowForeground",   0, 1,                     0, 1,            1,     rows::F},
    {"Curl",           "shadowTransparency", 0, 1,                     0, 1,            1,     rows::R},
    {"Curl",           "shadowUnder",        0, 1,                     0, 1,            1,     rows::F},
    {"Curl",           "bottomLeft",         0, 1,                     0, 1,            0,     rows::F},
    {"Curl",           "bottomRight",        0, 1,                     0, 1,            0,     rows::F},
    {"Curl",           "topLeft",            0, 1,                     0, 1,            1,     rows::F},
    {"Curl",           "topRight",           0, 1,                     0, 1,            0,     rows::F},
    {"Curl",           "verticalFold",       0, 1,                     0, 1,            0,     rows::F},
    {"Curl",           "horizontalFold",     0, 1,                     0, 1,            1,     rows::F},
    {"Curl",           "foreRed",            0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Curl",           "foreGreen",          0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Curl",           "foreBlue",           0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Curl",           "backRed",            0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Curl",           "backGreen",          0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Curl",           "backBlue",           0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Mosaic",         "size",               1, 1000,                  1, 1000,         150,   rows::R},
    {"Mosaic",         "height",             0, 1000,                  1, 1000,         30,    rows::R},
    {"Mosaic",         "spacing",            0, 100,                   0, 100,          10,    rows::R},
    {"Mosaic",         "light",              -360, 360,                -360, 360,       40,    rows::R},
    {"Mosaic",         "randomness",         0, 5,                     0, 5,            1,     rows::R},
    {"Mosaic",         "antiAliasing",       0, 1,                     0, 1,            1,     rows::F},
    {"Mosaic",         "polygons",           0, 1,                     0, 1,            0,     rows::F},
    {"Mosaic",         "smooth",             0, 1,                     0, 1,            1,     rows::F},
    {"Mosaic",         "backBlue",           0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Mosaic",         "backGreen",          0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Mosaic",         "backRed",            0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Mosaic",         "foreBlue",           0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Mosaic",         "foreGreen",          0, 255,                   0, 255,          rows::kFace, rows::T},
    {"Mosaic",         "foreRed",            0, 255,                   0, 255,          rows::kFace, rows::T},
    {"ilHueAndSaturation", "red",            0, 1,                     0, 1,            1,     rows::F},
    {"ilHueAndSaturation", "green",          0, 1,                     0, 1,            1,     rows::F},
    {"ilHueAndSaturation", "blue",           0, 1,                     0, 1,            1,     rows::F},
    {"ilHueAndSaturation", "yellow",         0, 1,                     0, 1,            1,     rows::F},
    {"ilHueAndSaturation", "magenta",        0, 1,                     0, 1,            1,     rows::F},
    {"ilHueAndSaturation", "cyan",           0, 1,                     0, 1,            1,     rows::F},
    {"ilHueAndSaturation", "hue",            -360, 360,                -180, 180,       0,     rows::R},
    {"ilHueAndSaturation", "saturation",     -100, 100,                -100, 100,       0,     rows::R},
    {"ilHueAndSaturation", "brightness",     -100, 100,                -100, 100,       0,     rows::R},
    {"ExtrudeDib",     "levels",             0, 1,                     0, 1,            1,     rows::F},
    {"ExtrudeDib",     "size",               1, 50,                    1, 50,           1,     rows::R},
    {"HToneImage",     "cellSize",           1, 1000,                  1, 100,          4,     rows::R},
    {"HToneImage",     "angle",              -rows::kAnyFloat, rows::kAnyFloat, 0, 180, 45,    rows::R},
    {"HToneImage",     "dotShape",           0, 5,                     0, 5,            5,     rows::R},
    {"Warp",           "fromHue",            0, 1,                     0, 1,            1,     rows::F},
    {"Warp",           "fromSaturation",     0, 1,                     0, 1,            1,     rows::F},
    {"Warp",           "convolve",           0, 1,                     0, 1,            1,     rows::F},
    {"Warp",           "scale",              1, 200,                   1, 200,          20,    rows::R},
    {"Warp",           "vectorRotation",     -360, 360,                0, 360,          90,    rows::R},
    {"Warp",           "steps",              1, 200,                   1, 200,          4,     rows::R},
    {"Warp",           "displacement",       1, 200,                   1, 200,          10,    rows::R},
    {"MergeDib",       "red",                -1, 255,                  0, 255,          rows::kFace, rows::R},
    {"MergeDib",       "green",              -1, 255,                  0, 255,          rows::kFace, rows::R},
    {"MergeDib",       "blue",               -1, 255,                  0, 255,          rows::kFace, rows::R},
    {"MergeDib",       "top",                rows::kInt32Min, rows::kInt32Max, 0, 0,    0,     rows::T},
    {"MergeDib",       "left",               rows::kInt32Min, rows::kInt32Max, 0, 0,    0,     rows::T},
    {"DropDib",        "red",                -1, 255,                  -1, 255,         -1,    rows::R},
    {"DropDib",        "green",              -1, 255,                  -1, 255,         -1,    rows::R},
    {"DropDib",        "blue",               -1, 255,                  -1, 255,         -1,    rows::R},
    {"DropDib",        "top",                rows::kInt32Min, rows::kInt32Max, 0, 99999, 0,    rows::T},
    {"DropDib",        "left",               rows::kInt32Min, rows::kInt32Max, 0, 99999, 0,    rows::T},
    {"ILRotate",       "angle",              -rows::kAnyReal, rows::kAnyReal, -180, 180, 0,    rows::R},
    {"ILRotate",       "background",         0, 4294967295.0,          0, 0xFFFFFF,     0xF0F0F0, rows::T},
    {"ILMirror",       "vertical",           0, 1,                     0, 1,            0,     rows::F},
    {"ILMirror",       "horizontal",         0, 1,                     0, 1,            1,     rows::F},
    {"ILBrightness",   "amount",             -255, 255,                -255, 255,       0,     rows::H},
    {"ILGamma",        "gamma",              10, 50,                   10, 50,          10,    rows::H},
    {"ScaleDib",       "width",              1, 99999,                 1, 99999,        100,   rows::R},
    {"ScaleDib",       "height",             1, 99999,                 1, 99999,        100,   rows::R},
    {"ILReduceColors", "colours",            2, 255,                   1, 255,          255,   rows::H},
    {"ILReduceColors", "dither",             rows::kInt32Min, rows::kInt32Max, 1, 8,    1,     rows::T},
    {"ReduceDib",      "bits",               1, 32,                    1, 32,           8,     rows::R},
    {"ReduceDib",      "dither",             0, 1,                     0, 1,            0,     rows::F},
    {"ReduceDib",      "colours",            0, 256,                   0, 256,          0,     rows::R},
};
// clang-format on

constexpr bool sameName(const char *a, const char *b) { return std::string_view(a) == std::string_view(b); }

// What an export gives back.
enum class ResultKind {
    NewDib,  // a new DIB, the input unchanged
    InPlace, // the input DIB itself changed
};

// One letter per value of an export, in argument order, naming its C type.
namespace kinds {
inline constexpr char Int32 = 'i', Int16 = 's', Real = 'd', Single = 'f', Byte = 'b', Unsigned = 'u';
} // namespace kinds

struct ExportRow {
    const char *name;
    const char *caption;   // what its progress shows
    bool rectangle;        // takes left, top, right, bottom
    ResultKind result;
    const char *valueKinds; // the C types of its values (kinds above), as many as its parameter rows
};

// clang-format off
inline constexpr ExportRow kExportRows[] = {
    // export              caption                            rect   result                 values
    {"OilPainting",        "Oil Painting Image ",             true,  ResultKind::NewDib,  "i"},
    {"Blur",               "Blurring Image ",                 true,  ResultKind::NewDib,  "i"},
    {"Engrave",            "Engraving Image ",                true,  ResultKind::NewDib,  "i"},
    {"Bled",               "Bleeding Image ",                 true,  ResultKind::NewDib,  "i"},
    {"Edge",               "Finding Edges ",                  true,  ResultKind::NewDib,  "i"},
    {"Better",             "Sharpen Image ",                  true,  ResultKind::NewDib,  "i"},
    {"PixelFix",           "Despeckling Image ",              true,  ResultKind::NewDib,  "i"},
    {"PinchHole",          "Pinching Hole ",                  true,  ResultKind::NewDib,  "d"},
    {"Whirl",              "Whirling Image ",                 true,  ResultKind::NewDib,  "d"},
    {"Wave",               "Waving Image ",                   true,  ResultKind::NewDib,  "didss"},
    {"Noise",              "Noisifying Image ",               true,  ResultKind::NewDib,  "ssiii"},
    {"Enhance",            "Enhancing Image ",                true,  ResultKind::NewDib,  "iiiii"},
    {"Motion",             "Motion Blurring Image ",          true,  ResultKind::NewDib,  "iis"},
    {"GrayArea",           "Applying Gray Area ",             true,  ResultKind::NewDib,  ""},
    {"AutoContrast",       "Applying Auto Contrast ",         true,  ResultKind::NewDib,  ""},
    {"RecToPolar",         "Polar Image ",                    true,  ResultKind::NewDib,  "iiii"},
    {"Jiggle",             "Jiggling Image ",                 true,  ResultKind::NewDib,  "iis"},
    {"Spray",              "Spraying Image ",                 true,  ResultKind::NewDib,  "ii"},
    {"FadeDib",            "Fading Image ",                   true,  ResultKind::NewDib,  "iiii"},
    {"ThresholdDib",       "Applying Threshold ",             true,  ResultKind::NewDib,  "is"},
    {"Curl",               "Applying Page Curl ",             true,  ResultKind::NewDib,  "sssssdsssssssbbbbbb"},
    {"Mosaic",             "Applying Mosaic Effect ",         true,  ResultKind::NewDib,  "iiiiiissbbbbbb"},
    {"ilHueAndSaturation", "Applying Hue and Saturation ",    true,  ResultKind::InPlace, "sssssssss"},
    {"ExtrudeDib",         "Extruding Image ",                false, ResultKind::NewDib,  "si"},
    {"HToneImage",         "Half Toning Image ",              false, ResultKind::NewDib,  "ifi"},
    {"TileDib",            "Tiling Image ",                   false, ResultKind::NewDib,  ""},
    {"Warp",               "Warp disolve Image ",             false, ResultKind::NewDib,  "sssiiii"},
    {"MergeDib",           "Merging Image ",                  false, ResultKind::NewDib,  "sssii"},
    {"DropDib",            "Merging Image ",                  false, ResultKind::NewDib,  "sssii"},
    {"ILRotate",           "Rotating Image ",                 true,  ResultKind::NewDib,  "du"},
    {"ILMirror",           "Mirroring Image ",                false, ResultKind::InPlace, "ii"},
    {"ILInvert",           "Inverting Image",                 false, ResultKind::InPlace, ""},
    {"ILBrightness",       "Brighten Image ",                 false, ResultKind::InPlace, "i"},
    {"ILGamma",            "Gamma Correct Image ",            false, ResultKind::InPlace, "i"},
    {"ScaleDib",           "Resizing Image",                  false, ResultKind::NewDib,  "ii"},
    {"ILReduceColors",     "Reducing colors ",                false, ResultKind::NewDib,  "ii"},
    {"ReduceDib",          "Reducing colors ",                false, ResultKind::NewDib,  "isi"},
};
// clang-format on

// The row of one export.  In a constant expression a missing row does not
// compile; at run time it throws std::logic_error.
constexpr const ExportRow &exportRow(std::string_view name)
{
    for (const ExportRow &row : kExportRows)
        if (name == row.name)
            return row;
    throw std::logic_error("no such effect export");
}

// The rows of one export, in argument order; empty for an export without values.
constexpr std::span<const ParameterRow> parametersOf(const char *exportName)
{
    const std::span<const ParameterRow> all(kParameterRows);
    std::size_t first = 0;
    while (first < all.size() && !sameName(all[first].exportName, exportName))
        ++first;
    std::size_t last = first;
    while (last < all.size() && sameName(all[last].exportName, exportName))
        ++last;
    return all.subspan(first, last - first);
}

// The row of one parameter.  In a constant expression a missing row does not
// compile; at run time it throws std::logic_error.
constexpr const ParameterRow &parameterRow(const char *exportName, const char *name)
{
    for (const ParameterRow &row : parametersOf(exportName))
        if (sameName(row.name, name))
            return row;
    throw std::logic_error("no such effect parameter");
}

// The kind of a C value type; '?' for a type no export value has.
template <typename T> constexpr char kindOf()
{
    if constexpr (std::is_same_v<T, std::int32_t>)
        return kinds::Int32;
    else if constexpr (std::is_same_v<T, std::int16_t>)
        return kinds::Int16;
    else if constexpr (std::is_same_v<T, double>)
        return kinds::Real;
    else if constexpr (std::is_same_v<T, float>)
        return kinds::Single;
    else if constexpr (std::is_same_v<T, std::uint8_t>)
        return kinds::Byte;
    else if constexpr (std::is_same_v<T, std::uint32_t>)
        return kinds::Unsigned;
    else
        return '?';
}

// Whether the C declaration Fn of an export (isp2000.h) is what its row
// says, for the exports whose arguments come in the common order: the DIB,
// the values, the rectangle when it takes one, the user data and the
// progress callback.
template <typename Fn> struct Declaration;
template <typename R, typename Dib, typename... P> struct Declaration<R(Dib, P...)> {
    static constexpr bool agreesWith(const ExportRow &row)
    {
        const std::size_t tail = row.rectangle ? 6 : 2;
        if (sizeof...(P) < tail)
            return false;
        const char declared[] = {kindOf<P>()..., '\0'};
        return std::string_view(row.valueKinds) == std::string_view(declared, sizeof...(P) - tail)
               && std::is_pointer_v<R> == (row.result == ResultKind::NewDib);
    }
};
template <typename Fn> constexpr bool declaredAsItsRow(std::string_view name)
{
    return Declaration<Fn>::agreesWith(exportRow(name));
}

// Every export row has as many value kinds as parameter rows, and every
// parameter row belongs to an export row.
constexpr bool rowsAgree()
{
    std::size_t parameters = 0;
    for (const ExportRow &row : kExportRows) {
        const std::size_t count = parametersOf(row.name).size();
        if (std::string_view(row.valueKinds).size() != count)
            return false;
        parameters += count;
    }
    return parameters == std::size(kParameterRows);
}
static_assert(rowsAgree(), "an export's value kinds and its parameter rows differ");

// Whether the export takes the value: within the accepted range where
// values outside are refused or cannot be carried, any number otherwise.
constexpr bool accepts(const ParameterRow &row, double value)
{
    if (value != value) // NaN
        return false;
    if (row.outside == Outside::Refused || row.outside == Outside::Typed)
        return row.acceptedMin <= value && value <= row.acceptedMax;
    return true;
}

// The value an export that holds its values works with.
constexpr double held(const ParameterRow &row, double value)
{
    return value < row.acceptedMin ? row.acceptedMin : value > row.acceptedMax ? row.acceptedMax : value;
}

} // namespace isp
