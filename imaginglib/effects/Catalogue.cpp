#include "Catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

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
    // The value as the export's parameter type T takes it.
    template <typename T> T as(std::size_t n) const
    {
        if constexpr (std::is_same_v<T, std::int32_t>)
            return i(n);
        else if constexpr (std::is_same_v<T, std::int16_t>)
            return s(n);
        else if constexpr (std::is_same_v<T, std::uint8_t>)
            return b(n);
        else if constexpr (std::is_same_v<T, std::uint32_t>)
            return u(n);
        else if constexpr (std::is_same_v<T, float>)
            return float(d(n));
        else
            return d(n);
    }
};

using Invoke = std::function<HGLOBAL(HGLOBAL, const Values &, const CallContext &)>;
// An export that changes its DIB: 1 when done.
using Change = std::function<std::int32_t(HGLOBAL, const Values &, const CallContext &)>;

struct Entry {
    ExportInfo info;
    Invoke invoke;
    Change change = {}; // for the exports that change their DIB
};

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

// An export's name as a template argument, so that its row is read while compiling.
template <std::size_t N> struct Name {
    char text[N];
    constexpr Name(const char (&name)[N]) { std::copy_n(name, N, text); }
};

// The entry of an export as its row describes it: fn(dib, values...,
// [left, top, right, bottom,] userData, progress).  Its declaration in
// isp2000.h must agree with the row, or this does not compile.
template <Name name, typename R, typename... P> Entry standard(R (*fn)(HGLOBAL, P...))
{
    constexpr const ExportRow &row = exportRow(name.text);
    static_assert(Declaration<R(HGLOBAL, P...)>::agreesWith(row), "the export's declaration differs from its row");
    constexpr bool rectangle = row.rectangle;
    constexpr std::size_t count = sizeof...(P) - (rectangle ? 6 : 2);
    using Parameters = std::tuple<P...>;
    const auto call = [fn](HGLOBAL d, const Values &v, const CallContext &c) {
        return [&]<std::size_t... I>(std::index_sequence<I...>) {
            if constexpr (rectangle)
                return fn(d, v.as<std::tuple_element_t<I, Parameters>>(I)..., c.left, c.top, c.right, c.bottom, c.userData,
                          c.progress);
            else
                return fn(d, v.as<std::tuple_element_t<I, Parameters>>(I)..., c.userData, c.progress);
        }(std::make_index_sequence<count>());
    };
    const ExportInfo info{row.name, row.caption, row.rectangle, row.result, parametersOf(row.name)};
    if constexpr (row.result == ResultKind::NewDib) {
        return {info, call};
    } else {
        const Change change = call;
        return {info, [change](HGLOBAL d, const Values &v, const CallContext &c) {
                    return onCopy(d, [&](HGLOBAL copy) { return change(copy, v, c); });
                },
                change};
    }
}

// An export whose arguments do not follow the common order; its row still
// gives its caption and what it returns.
template <Name name> Entry special(Invoke invoke)
{
    constexpr const ExportRow &row = exportRow(name.text);
    static_assert(row.result == ResultKind::NewDib);
    return {{row.name, row.caption, row.rectangle, row.result, parametersOf(row.name)}, std::move(invoke)};
}

std::vector<Entry> makeTable()
{
    return {
        standard<"OilPainting">(&OilPainting),
        standard<"Blur">(&Blur),
        standard<"Engrave">(&Engrave),
        standard<"Bled">(&Bled),
        standard<"Edge">(&Edge),
        standard<"Better">(&Better),
        standard<"PixelFix">(&PixelFix),
        standard<"PinchHole">(&PinchHole),
        standard<"Whirl">(&Whirl),
        standard<"Wave">(&Wave),
        standard<"Noise">(&Noise),
        standard<"Enhance">(&Enhance),
        standard<"Motion">(&Motion),
        standard<"GrayArea">(&GrayArea),
        standard<"AutoContrast">(&AutoContrast),
        standard<"RecToPolar">(&RecToPolar),
        standard<"Jiggle">(&Jiggle),
        standard<"Spray">(&Spray),
        standard<"FadeDib">(&FadeDib),
        standard<"ThresholdDib">(&ThresholdDib),
        standard<"Curl">(&Curl),
        standard<"Mosaic">(&Mosaic),
        standard<"ilHueAndSaturation">(&ilHueAndSaturation),
        standard<"ExtrudeDib">(&ExtrudeDib),
        standard<"HToneImage">(&HToneImage),
        standard<"TileDib">(&TileDib),
        // the steps of a warp are not shown here
        special<"Warp">([](HGLOBAL d, const Values &v, const CallContext &c) {
            return Warp(d, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), v.i(5), v.i(6), c.userData, c.progress, nullptr);
        }),
        special<"MergeDib">([](HGLOBAL d, const Values &v, const CallContext &c) {
            return MergeDib(d, c.overlay, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), c.userData, c.progress);
        }),
        special<"DropDib">([](HGLOBAL d, const Values &v, const CallContext &c) {
            return DropDib(d, c.overlay, v.s(0), v.s(1), v.s(2), v.i(3), v.i(4), c.userData, c.progress);
        }),
        // the rectangle comes between the angle and the background
        special<"ILRotate">([](HGLOBAL d, const Values &v, const CallContext &c) {
            return ILRotate(d, v.d(0), c.left, c.top, c.right, c.bottom, v.u(1), c.userData, c.progress);
        }),
        standard<"ILMirror">(&ILMirror),
        standard<"ILInvert">(&ILInvert),
        standard<"ILBrightness">(&ILBrightness),
        standard<"ILGamma">(&ILGamma),
        standard<"ScaleDib">(&ScaleDib),
        standard<"ILReduceColors">(&ILReduceColors),
        special<"ReduceDib">([](HGLOBAL d, const Values &v, const CallContext &c) {
            return ReduceDib(d, v.i(0), v.s(1), 0, 0, v.i(2), c.userData, c.progress);
        }),
    };
}

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
