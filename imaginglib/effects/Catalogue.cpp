#include "Catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

namespace isp {

namespace {

// The values of one call, converted on the way to the export.  Values
// beyond a type's range are held at its ends (a plain conversion would be
// undefined), so the export sees them as out of range and refuses them.
struct Values {
    std::span<const double> v;
    double within(std::size_t n, double low, double high) const
    {
        return std::isnan(v[n]) ? 0.0 : std::clamp(v[n], low, high);
    }
    std::int32_t i(std::size_t n) const { return std::int32_t(within(n, INT32_MIN, INT32_MAX)); }
    std::uint32_t u(std::size_t n) const { return std::uint32_t(within(n, 0, UINT32_MAX)); }
    std::int16_t s(std::size_t n) const { return std::int16_t(within(n, INT16_MIN, INT16_MAX)); }
    std::uint8_t b(std::size_t n) const { return std::uint8_t(within(n, 0, UINT8_MAX)); }
    double d(std::size_t n) const { return v[n]; }
};

using Invoke = std::function<HGLOBAL(HGLOBAL, const Values &, const CallContext &)>;
// An export that changes its DIB: 1 when done.
using Change = std::function<std::int32_t(HGLOBAL, const Values &, const CallContext &)>;

struct Entry {
    ExportInfo info;
    Invoke invoke;
    Change change = {}; // for the exports that change their DIB
};

#define RECT c.left, c.top, c.right, c.bottom
#define CB c.userData, c.progress

// Exports that change their DIB run on a copy, which becomes the result.
HGLOBAL onCopy(HGLOBAL dib, const std::function<std::int32_t(HGLOBAL)> &change)
{
    GlobalLockGuard lock(dib);
    if (lock.data() == nullptr)
        return nullptr;
    GlobalBlock copy(GlobalAlloc(GHND, GlobalSize(dib)));
    if (!copy)
        return nullptr;
    {
        GlobalLockGuard target(copy.get());
        std::memcpy(target.data(), lock.data(), GlobalSize(dib));
    }
    return change(copy.get()) == 1 ? copy.release() : nullptr;
}

// The entry of an export that changes its DIB: called by name, it runs on a
// copy, which becomes the result.
Entry inPlace(ExportInfo info, Change change)
{
    Invoke invoke = [change](HGLOBAL dib, const Values &v, const CallContext &c) {
        return onCopy(dib, [&](HGLOBAL copy) { return change(copy, v, c); });
    };
    return {info, std::move(invoke), std::move(change)};
}

ExportInfo info(const char *name, const char *caption, bool rectangle, ResultKind result)
{
    return {name, caption, rectangle, result, parametersOf(name)};
}

std::vector<Entry> makeTable()
{
    const ResultKind N = ResultKind::NewDib, P = ResultKind::InPlace;
    std::vector<Entry> table = {
        {info("OilPainting", "Oil Painting Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return OilPainting(d, v.i(0), RECT, CB); }},
        {info("Blur", "Blurring Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Blur(d, v.i(0), RECT, CB); }},
        {info("Engrave", "Engraving Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Engrave(d, v.i(0), RECT, CB); }},
        {info("Bled", "Bleeding Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Bled(d, v.i(0), RECT, CB); }},
        {info("Edge", "Finding Edges ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Edge(d, v.i(0), RECT, CB); }},
        {info("Better", "Sharpen Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Better(d, v.i(0), RECT, CB); }},
        {info("PixelFix", "Despeckling Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return PixelFix(d, v.i(0), RECT, CB); }},
        {info("PinchHole", "Pinching Hole ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return PinchHole(d, v.d(0), RECT, CB); }},
        {info("Whirl", "Whirling Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Whirl(d, v.d(0), RECT, CB); }},
        {info("Wave", "Waving Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Wave(d, v.d(0), v.i(1), v.d(2), v.s(3), v.s(4), RECT, CB);
         }},
        {info("Noise", "Noisifying Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Noise(d, v.s(0), v.s(1), v.i(2), v.i(3), v.i(4), RECT, CB);
         }},
        {info("Enhance", "Enhancing Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Enhance(d, v.i(0), v.i(1), v.i(2), v.i(3), v.i(4), RECT, CB);
         }},
        {info("Motion", "Motion Blurring Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Motion(d, v.i(0), v.i(1), v.s(2), RECT, CB); }},
        {info("GrayArea", "Applying Gray Area ", true, N),
         [](HGLOBAL d, const Values &, const CallContext &c) { return GrayArea(d, RECT, CB); }},
        {info("AutoContrast", "Applying Auto Contrast ", true, N),
         [](HGLOBAL d, const Values &, const CallContext &c) { return AutoContrast(d, RECT, CB); }},
        {info("RecToPolar", "Polar Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return RecToPolar(d, v.i(0), v.i(1), v.i(2), v.i(3), RECT, CB);
         }},
        {info("Jiggle", "Jiggling Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Jiggle(d, v.i(0), v.i(1), v.s(2), RECT, CB); }},
        {info("Spray", "Spraying Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Spray(d, v.i(0), v.i(1), RECT, CB); }},
        {info("FadeDib", "Fading Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return FadeDib(d, v.i(0), v.i(1), v.i(2), v.i(3), RECT, CB);
         }},
        {info("ThresholdDib", "Applying Threshold ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ThresholdDib(d, v.i(0), v.s(1), RECT, CB); }},
        {info("Curl", "Applying Page Curl ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Curl(d, v.s(0), v.s(1), v.s(2), v.s(3), v.s(4), v.d(5), v.s(6), v.s(7), v.s(8), v.s(9), v.s(10),
                         v.s(11), v.s(12), v.b(13), v.b(14), v.b(15), v.b(16), v.b(17), v.b(18), RECT, CB);
         }},
        {info("Mosaic", "Applying Mosaic Effect ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Mosaic(d, v.i(0), v.i(1), v.i(2), v.i(3), v.i(4), v.i(5), v.s(6), v.s(7), v.b(8), v.b(9),
                           v.b(10), v.b(11), v.b(12), v.b(13), RECT, CB);
         }},
        inPlace(info("ilHueAndSaturation", "Applying Hue and Saturation ", true, P),
                [](HGLOBAL d, const Values &v, const CallContext &c) {
                    return ilHueAndSaturation(d, v.s(0), v.s(1), v.s(2), v.s(3), v.s(4), v.s(5), v.s(6), v.s(7), v.s(8),
                                              RECT, CB);
                }),
        {info("ExtrudeDib", "Extruding Image ", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ExtrudeDib(d, v.s(0), v.i(1), CB); }},
        {info("HToneImage", "Half Toning Image ", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return HToneImage(d, v.i(0), float(v.d(1)), v.i(2), CB);
         }},
        {info("TileDib", "Tiling Image ", false, N),
         [](HGLOBAL d, const Values &, const CallContext &c) { return TileDib(d, CB); }},
        {info("Warp", "Warp disolve Image ", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Warp(d, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), v.i(5), v.i(6), CB, nullptr);
         }},
        {info("MergeDib", "Merging Image ", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return MergeDib(d, c.overlay, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), CB);
         }},
        {info("DropDib", "Merging Image ", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return DropDib(d, c.overlay, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), CB);
         }},
        {info("ILRotate", "Rotating Image ", true, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return ILRotate(d, v.d(0), RECT, v.u(1), CB);
         }},
        inPlace(info("ILMirror", "Mirroring Image ", false, P),
                [](HGLOBAL d, const Values &v, const CallContext &c) { return ILMirror(d, v.i(0), v.i(1), CB); }),
        inPlace(info("ILInvert", "Inverting Image", false, P),
                [](HGLOBAL d, const Values &, const CallContext &c) { return ILInvert(d, CB); }),
        inPlace(info("ILBrightness", "Brighten Image ", false, P),
                [](HGLOBAL d, const Values &v, const CallContext &c) { return ILBrightness(d, v.i(0), CB); }),
        inPlace(info("ILGamma", "Gamma Correct Image ", false, P),
                [](HGLOBAL d, const Values &v, const CallContext &c) { return ILGamma(d, v.i(0), CB); }),
        {info("ScaleDib", "Resizing Image", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ScaleDib(d, v.i(0), v.i(1), CB); }},
        {info("ILReduceColors", "Reducing colors ", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ILReduceColors(d, v.i(0), v.i(1), CB); }},
        {info("ReduceDib", "Reducing colors ", false, N),
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ReduceDib(d, v.i(0), v.s(1), 0, 0, v.i(2), CB); }},
    };
    return table;
}

#undef RECT
#undef CB

const std::vector<Entry> &entries()
{
    static const std::vector<Entry> table = makeTable();
    return table;
}

} // namespace

const std::vector<ExportInfo> &exportTable()
{
    static const std::vector<ExportInfo> infos = [] {
        std::vector<ExportInfo> list;
        for (const Entry &entry : entries())
            list.push_back(entry.info);
        return list;
    }();
    return infos;
}

const ExportInfo *findExport(std::string_view name)
{
    for (const ExportInfo &info : exportTable())
        if (name == info.name)
            return &info;
    return nullptr;
}

std::vector<double> startValues(const ExportInfo &info)
{
    std::vector<double> values;
    for (const ParameterRow &row : info.parameters)
        values.push_back(row.start);
    return values;
}

std::vector<double> showValues(const ExportInfo &info)
{
    static const std::vector<std::pair<std::string_view, std::vector<double>>> shown = {
        {"OilPainting", {4}},
        {"Blur", {4}},
        {"Engrave", {3}},
        {"Bled", {160}},
        {"Edge", {10}},
        {"Enhance", {30, 40, 10, 10, 10}},
        {"Motion", {60, 10, 1}},
        {"Better", {6}},
        {"PixelFix", {60}},
        {"PinchHole", {-15}},
        {"Whirl", {200}},
        {"Spray", {6, 1}},
        {"ILBrightness", {60}},
        {"ILGamma", {20}},
        {"ILRotate", {30, 0xF0F0F0}},
        {"ilHueAndSaturation", {1, 1, 1, 1, 1, 1, 120, 40, 0}},
        {"FadeDib", {40, 240, 240, 240}},
        {"ScaleDib", {160, 120}},
        {"ILReduceColors", {16, 4}},
        {"ReduceDib", {4, 1, 0}},
    };
    for (const auto &[name, values] : shown)
        if (name == info.name)
            return values;
    return startValues(info);
}

bool changeInPlace(const ExportInfo &info, HGLOBAL dib, std::span<const double> values, const CallContext &context)
{
    if (values.size() != info.parameters.size())
        return false;
    for (const Entry &entry : entries())
        if (std::strcmp(entry.info.name, info.name) == 0)
            return entry.change && entry.change(dib, Values{values}, context) == 1;
    return false;
}

HGLOBAL applyEffect(const ExportInfo &info, HGLOBAL dib, std::span<const double> values, const CallContext &context)
{
    if (values.size() != info.parameters.size())
        return nullptr;
    for (const Entry &entry : entries())
        if (std::strcmp(entry.info.name, info.name) == 0)
            return entry.invoke(dib, Values{values}, context);
    return nullptr;
}

} // namespace isp
