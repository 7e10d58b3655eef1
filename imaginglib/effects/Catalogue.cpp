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

struct Entry {
    ExportInfo info;
    Invoke invoke;
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

constexpr double kFace = 240; // the dialog's button-face grey

std::vector<Entry> makeTable()
{
    const ResultKind N = ResultKind::NewDib, P = ResultKind::InPlace;
    std::vector<Entry> table = {
        {{"OilPainting", "Oil Painting Image ", true, N, {{"strength", 0, 50, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return OilPainting(d, v.i(0), RECT, CB); }},
        {{"Blur", "Blurring Image ", true, N, {{"strength", 1, 100, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Blur(d, v.i(0), RECT, CB); }},
        {{"Engrave", "Engraving Image ", true, N, {{"strength", 1, 10, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Engrave(d, v.i(0), RECT, CB); }},
        {{"Bled", "Bleeding Image ", true, N, {{"amount", -255, 255, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Bled(d, v.i(0), RECT, CB); }},
        {{"Edge", "Finding Edges ", true, N, {{"strength", 1, 100, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Edge(d, v.i(0), RECT, CB); }},
        {{"Better", "Sharpen Image ", true, N, {{"amount", -9, 9, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Better(d, v.i(0), RECT, CB); }},
        {{"PixelFix", "Despeckling Image ", true, N, {{"strength", 0, 100, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return PixelFix(d, v.i(0), RECT, CB); }},
        {{"PinchHole", "Pinching Hole ", true, N, {{"amount", -20, 0, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return PinchHole(d, v.d(0), RECT, CB); }},
        {{"Whirl", "Whirling Image ", true, N, {{"amount", 0, 3000, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Whirl(d, v.d(0), RECT, CB); }},
        {{"Wave", "Waving Image ", true, N,
          {{"amplitude", 0, 2000, 50}, {"waveLength", 0, 200, 20}, {"phase", 1, 3600, 1}, {"smooth", 0, 1, 1},
           {"reflection", 0, 1, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Wave(d, v.d(0), v.i(1), v.d(2), v.s(3), v.s(4), RECT, CB);
         }},
        {{"Noise", "Noisifying Image ", true, N,
          {{"gaussian", 0, 1, 1}, {"byIntensity", 0, 1, 0}, {"red", 0, 255, 20}, {"green", 0, 255, 20},
           {"blue", 0, 255, 20}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Noise(d, v.s(0), v.s(1), v.i(2), v.i(3), v.i(4), RECT, CB);
         }},
        {{"Enhance", "Enhancing Image ", true, N,
          {{"brightness", -255, 255, 0}, {"contrast", -255, 255, 0}, {"blueGamma", 1, 255, 10},
           {"greenGamma", 1, 255, 10}, {"redGamma", 1, 255, 10}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Enhance(d, v.i(0), v.i(1), v.i(2), v.i(3), v.i(4), RECT, CB);
         }},
        {{"Motion", "Motion Blurring Image ", true, N,
          {{"value", 1, 500, 10}, {"angle", 1, 360, 10}, {"kind", 1, 3, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Motion(d, v.i(0), v.i(1), v.s(2), RECT, CB); }},
        {{"GrayArea", "Applying Gray Area ", true, N, {}},
         [](HGLOBAL d, const Values &, const CallContext &c) { return GrayArea(d, RECT, CB); }},
        {{"AutoContrast", "Applying Auto Contrast ", true, N, {}},
         [](HGLOBAL d, const Values &, const CallContext &c) { return AutoContrast(d, RECT, CB); }},
        {{"RecToPolar", "Polar Image ", true, N,
          {{"value", 0, 500, 1}, {"angle", 0, 360, 1}, {"inverse", -1, 0, 0}, {"backward", -1, 0, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return RecToPolar(d, v.i(0), v.i(1), v.i(2), v.i(3), RECT, CB);
         }},
        {{"Jiggle", "Jiggling Image ", true, N, {{"period", 1, 100, 1}, {"amplitude", 1, 360, 10}, {"triangle", 0, 1, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Jiggle(d, v.i(0), v.i(1), v.s(2), RECT, CB); }},
        {{"Spray", "Spraying Image ", true, N, {{"value", 0, 100, 0}, {"randomness", 1, 360, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return Spray(d, v.i(0), v.i(1), RECT, CB); }},
        {{"FadeDib", "Fading Image ", true, N,
          {{"size", 1, 1000, 1}, {"red", 0, 255, kFace}, {"green", 0, 255, kFace}, {"blue", 0, 255, kFace}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return FadeDib(d, v.i(0), v.i(1), v.i(2), v.i(3), RECT, CB);
         }},
        {{"ThresholdDib", "Applying Threshold ", true, N, {{"threshold", 0, 255, 120}, {"antiAliasing", 0, 1, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ThresholdDib(d, v.i(0), v.s(1), RECT, CB); }},
        {{"Curl", "Applying Page Curl ", true, N,
          {{"faceBackground", 0, 1, 1}, {"faceForeground", 0, 1, 0}, {"keepImage", 0, 1, 0},
           {"shadowBackground", 0, 1, 0}, {"shadowForeground", 0, 1, 1}, {"shadowTransparency", 0, 1, 1},
           {"shadowUnder", 0, 1, 1}, {"bottomLeft", 0, 1, 0}, {"bottomRight", 0, 1, 0}, {"topLeft", 0, 1, 1},
           {"topRight", 0, 1, 0}, {"verticalFold", 0, 1, 0}, {"horizontalFold", 0, 1, 1},
           {"foreRed", 0, 255, kFace}, {"foreGreen", 0, 255, kFace}, {"foreBlue", 0, 255, kFace},
           {"backRed", 0, 255, kFace}, {"backGreen", 0, 255, kFace}, {"backBlue", 0, 255, kFace}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Curl(d, v.s(0), v.s(1), v.s(2), v.s(3), v.s(4), v.d(5), v.s(6), v.s(7), v.s(8), v.s(9), v.s(10),
                         v.s(11), v.s(12), v.b(13), v.b(14), v.b(15), v.b(16), v.b(17), v.b(18), RECT, CB);
         }},
        {{"Mosaic", "Applying Mosaic Effect ", true, N,
          {{"size", 1, 1000, 150}, {"height", 1, 1000, 30}, {"spacing", 0, 100, 10}, {"light", -360, 360, 40},
           {"randomness", 0, 5, 1}, {"antiAliasing", 0, 1, 1}, {"polygons", 0, 1, 0}, {"smooth", 0, 1, 1},
           {"backBlue", 0, 255, kFace}, {"backGreen", 0, 255, kFace}, {"backRed", 0, 255, kFace},
           {"foreBlue", 0, 255, kFace}, {"foreGreen", 0, 255, kFace}, {"foreRed", 0, 255, kFace}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Mosaic(d, v.i(0), v.i(1), v.i(2), v.i(3), v.i(4), v.i(5), v.s(6), v.s(7), v.b(8), v.b(9),
                           v.b(10), v.b(11), v.b(12), v.b(13), RECT, CB);
         }},
        {{"ilHueAndSaturation", "Applying Hue and Saturation ", true, P,
          {{"red", 0, 1, 1}, {"green", 0, 1, 1}, {"blue", 0, 1, 1}, {"yellow", 0, 1, 1}, {"magenta", 0, 1, 1},
           {"cyan", 0, 1, 1}, {"hue", -180, 180, 0}, {"saturation", -100, 100, 0}, {"brightness", -100, 100, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return onCopy(d, [&](HGLOBAL copy) {
                 return ilHueAndSaturation(copy, v.s(0), v.s(1), v.s(2), v.s(3), v.s(4), v.s(5), v.s(6), v.s(7),
                                           v.s(8), RECT, CB);
             });
         }},
        {{"ExtrudeDib", "Extruding Image ", false, N, {{"levels", 0, 1, 1}, {"size", 1, 50, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ExtrudeDib(d, v.s(0), v.i(1), CB); }},
        {{"HToneImage", "Half Toning Image ", false, N,
          {{"cellSize", 1, 100, 4}, {"angle", 0, 180, 45}, {"dotShape", 0, 5, 5}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return HToneImage(d, v.i(0), float(v.d(1)), v.i(2), CB);
         }},
        {{"TileDib", "Tiling Image ", false, N, {}},
         [](HGLOBAL d, const Values &, const CallContext &c) { return TileDib(d, CB); }},
        {{"Warp", "Warp disolve Image ", false, N,
          {{"fromHue", 0, 1, 1}, {"fromSaturation", 0, 1, 1}, {"convolve", 0, 1, 1}, {"scale", 1, 200, 20},
           {"vectorRotation", 0, 360, 90}, {"steps", 1, 200, 4}, {"displacement", 1, 200, 10}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return Warp(d, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), v.i(5), v.i(6), CB, nullptr);
         }},
        {{"MergeDib", "Merging Image ", false, N,
          {{"red", -1, 255, 0}, {"green", -1, 255, 0}, {"blue", -1, 255, 0}, {"top", -100000, 100000, 0},
           {"left", -100000, 100000, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return MergeDib(d, c.overlay, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), CB);
         }},
        {{"DropDib", "Merging Image ", false, N,
          {{"red", -1, 255, -1}, {"green", -1, 255, -1}, {"blue", -1, 255, -1}, {"top", -100000, 100000, 0},
           {"left", -100000, 100000, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return DropDib(d, c.overlay, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), CB);
         }},
        {{"ILRotate", "Rotating Image ", true, N, {{"angle", -180, 180, 0}, {"background", 0, 0xFFFFFF, 0xF0F0F0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return ILRotate(d, v.d(0), RECT, v.u(1), CB);
         }},
        {{"ILMirror", "Mirroring Image ", false, P, {{"vertical", 0, 1, 0}, {"horizontal", 0, 1, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return onCopy(d, [&](HGLOBAL copy) { return ILMirror(copy, v.i(0), v.i(1), CB); });
         }},
        {{"ILInvert", "Inverting Image", false, P, {}},
         [](HGLOBAL d, const Values &, const CallContext &c) {
             return onCopy(d, [&](HGLOBAL copy) { return ILInvert(copy, CB); });
         }},
        {{"ILBrightness", "Brighten Image ", false, P, {{"amount", -255, 255, 0}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return onCopy(d, [&](HGLOBAL copy) { return ILBrightness(copy, v.i(0), CB); });
         }},
        {{"ILGamma", "Gamma Correct Image ", false, P, {{"gamma", 10, 50, 10}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) {
             return onCopy(d, [&](HGLOBAL copy) { return ILGamma(copy, v.i(0), CB); });
         }},
        {{"ScaleDib", "Resizing Image", false, N, {{"width", 1, 99999, 100}, {"height", 1, 99999, 100}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ScaleDib(d, v.i(0), v.i(1), CB); }},
        {{"ILReduceColors", "Reducing colors ", false, N, {{"colours", 1, 255, 255}, {"dither", 0, 8, 1}}},
         [](HGLOBAL d, const Values &v, const CallContext &c) { return ILReduceColors(d, v.i(0), v.i(1), CB); }},
        {{"ReduceDib", "Reducing colors ", false, N, {{"bits", 1, 32, 8}, {"dither", 0, 1, 0}, {"colours", 0, 256, 0}}},
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
    for (const Parameter &parameter : info.parameters)
        values.push_back(parameter.start);
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
