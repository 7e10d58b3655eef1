// What every export shares: refusing bad handles, depths and values,
// keeping to its rectangle, reporting whole percents, stopping on request,
// leaving its input alone, and giving the same picture every time whatever
// the number of threads.
#include "Catalogue.h"
#include "TestDibs.h"

#include <omp.h>

#include <cmath>
#include <set>
#include <string>

using namespace fxtest;

namespace {

constexpr int kWidth = 48, kHeight = 32;

// The exports that take pictures of every depth.
const std::set<std::string> kAnyDepth = {"ILRotate", "ILMirror", "ILInvert", "ILBrightness", "ILGamma",
                                         "ScaleDib", "ILReduceColors", "ReduceDib", "MergeDib", "DropDib"};

std::string nameOf(const testing::TestParamInfo<const isp::ExportInfo *> &info) { return info.param->name; }

std::vector<const isp::ExportInfo *> allExports()
{
    std::vector<const isp::ExportInfo *> list;
    for (const isp::ExportInfo &info : isp::exportTable())
        list.push_back(&info);
    return list;
}

std::vector<const isp::ExportInfo *> rectangleExports()
{
    std::vector<const isp::ExportInfo *> list;
    for (const isp::ExportInfo &info : isp::exportTable())
        if (info.rectangle)
            list.push_back(&info);
    return list;
}

class EveryExport : public testing::TestWithParam<const isp::ExportInfo *> {
protected:
    GlobalBlock run(HGLOBAL dib, isp::CallContext context = {})
    {
        context.overlay = overlay_.get();
        return GlobalBlock(isp::applyEffect(*GetParam(), dib, isp::showValues(*GetParam()), context));
    }
    GlobalBlock overlay_ = makeDib(20, 12, [](int x, int) { return x < 10 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
};

using RectangleExport = EveryExport;

struct Recorder {
    std::vector<int> percents;
    int stopAt = -1; // the call that answers 0
    static std::int16_t callback(std::int16_t percent, void *user)
    {
        auto *self = static_cast<Recorder *>(user);
        self->percents.push_back(percent);
        return int(self->percents.size()) - 1 == self->stopAt ? 0 : 1;
    }
};

} // namespace

TEST_P(EveryExport, RefusesMissingAndDamagedDibs)
{
    EXPECT_EQ(run(nullptr), nullptr);
    GlobalBlock scrap(GlobalAlloc(GHND, 12));
    EXPECT_EQ(run(scrap.get()), nullptr);
    // a header that claims more rows than the block holds
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    {
        GlobalLockGuard lock(dib.get());
        lock.as<BITMAPINFOHEADER>()->biHeight = 5000;
    }
    EXPECT_EQ(run(dib.get()), nullptr);
}

TEST_P(EveryExport, LeavesItsInputAlone)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    const std::vector<BYTE> before = View(dib.get()).pixelBytes();
    GlobalBlock result = run(dib.get());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(View(dib.get()).pixelBytes(), before);
    EXPECT_FALSE(sameDib(result.get(), dib.get())) << "no visible change";
}

TEST_P(EveryExport, TakesThirtyTwoBitsAsTheyAre)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo, 32);
    GlobalBlock result = run(dib.get());
    ASSERT_NE(result, nullptr);
    const std::string name = GetParam()->name;
    EXPECT_EQ(View(result.get()).bits(), name == "ILReduceColors" || name == "ReduceDib" ? 4 : 32);
}

TEST_P(EveryExport, RefusesColourTablesUnlessItTakesEveryDepth)
{
    GlobalBlock dib = makeIndexedDib(kWidth, kHeight, 8, {{0, 0, 0}, {255, 255, 255}, {200, 30, 30}},
                                     [](int x, int y) { return (x + y) % 3; });
    GlobalBlock result = run(dib.get());
    EXPECT_EQ(result != nullptr, kAnyDepth.count(GetParam()->name) == 1);
}

TEST_P(EveryExport, ReportsWholePercentsUpToAHundred)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    Recorder recorder;
    GlobalBlock result = run(dib.get(), {0, 0, 0, 0, nullptr, &recorder, Recorder::callback});
    ASSERT_NE(result, nullptr);
    ASSERT_GE(recorder.percents.size(), 2u);
    EXPECT_EQ(recorder.percents.front(), 0);
    EXPECT_EQ(recorder.percents.back(), 100);
    for (std::size_t i = 1; i < recorder.percents.size(); ++i)
        EXPECT_GT(recorder.percents[i], recorder.percents[i - 1]);
}

TEST_P(EveryExport, StopsWhenTheCallbackSaysSo)
{
    for (int stopAt : {0, 1}) {
        GlobalBlock dib = makeDib(kWidth, kHeight, photo);
        Recorder recorder;
        recorder.stopAt = stopAt;
        EXPECT_EQ(run(dib.get(), {0, 0, 0, 0, nullptr, &recorder, Recorder::callback}), nullptr) << stopAt;
        EXPECT_EQ(int(recorder.percents.size()), stopAt + 1) << "asked again after a stop";
    }
}

TEST_P(EveryExport, GivesTheSamePictureWhateverTheThreads)
{
    GlobalBlock dib = makeDib(120, 90, photo);
    const int threads = omp_get_max_threads();
    omp_set_num_threads(1);
    GlobalBlock alone = run(dib.get());
    omp_set_num_threads(std::max(threads, 3));
    GlobalBlock shared = run(dib.get());
    GlobalBlock again = run(dib.get());
    omp_set_num_threads(threads);
    ASSERT_NE(alone, nullptr);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(View(alone.get()).pixelBytes(), View(shared.get()).pixelBytes());
    EXPECT_EQ(View(shared.get()).pixelBytes(), View(again.get()).pixelBytes());
}

INSTANTIATE_TEST_SUITE_P(Exports, EveryExport, testing::ValuesIn(allExports()), nameOf);

TEST_P(RectangleExport, ChangesOnlyItsRectangle)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    const Box rect{10, 6, 34, 24};
    GlobalBlock result = run(dib.get(), {rect.left, rect.top, rect.right, rect.bottom, nullptr, nullptr, nullptr});
    ASSERT_NE(result, nullptr);
    View in(dib.get()), out(result.get());
    ASSERT_EQ(out.width(), kWidth);
    bool changedInside = false;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (rect.contains(x, y))
                changedInside |= !(in.at(x, y) == out.at(x, y));
            else
                ASSERT_EQ(in.at(x, y), out.at(x, y)) << x << "," << y;
        }
    EXPECT_TRUE(changedInside);
}

TEST_P(RectangleExport, RefusesAnEmptyRectangle)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    EXPECT_EQ(run(dib.get(), {30, 0, 10, 0}), nullptr);
    EXPECT_EQ(run(dib.get(), {kWidth, 0, 0, 0}), nullptr);
    EXPECT_EQ(run(dib.get(), {100, 100, 200, 200}), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Exports, RectangleExport, testing::ValuesIn(rectangleExports()), nameOf);

TEST(Rectangle, RightOrBottomZeroMeansTheWholeWidthOrHeight)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    struct Case {
        int left, top, right, bottom;
        Box grey;
    };
    const Case cases[] = {
        {0, 0, 0, 0, {0, 0, kWidth, kHeight}},
        {5, 3, 0, 0, {5, 3, kWidth, kHeight}},
        {0, 0, 20, 0, {0, 0, 20, kHeight}},
        {0, 0, 0, 10, {0, 0, kWidth, 10}},
        {-8, -8, 500, 500, {0, 0, kWidth, kHeight}}, // clipped to the picture
    };
    for (const Case &c : cases) {
        GlobalBlock result(GrayArea(dib.get(), c.left, c.top, c.right, c.bottom, nullptr, nullptr));
        ASSERT_NE(result, nullptr);
        View in(dib.get()), out(result.get());
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const Rgb o = out.at(x, y);
                if (c.grey.contains(x, y))
                    ASSERT_EQ(o, (Rgb{grey(in.at(x, y)), grey(in.at(x, y)), grey(in.at(x, y))}));
                else
                    ASSERT_EQ(o, in.at(x, y));
            }
    }
}

TEST(Values, OutOfRangeAreRefused)
{
    struct Case {
        const char *name;
        std::vector<double> values;
    };
    const Case cases[] = {
        {"Blur", {0}},
        {"Blur", {101}},
        {"Bled", {256}},
        {"Edge", {0}},
        {"Better", {10}},
        {"PixelFix", {-1}},
        {"OilPainting", {-1}},
        {"ThresholdDib", {256, 0}},
        {"Motion", {10, 10, 4}},
        {"FadeDib", {0, 0, 0, 0}},
        {"FadeDib", {5, 256, 0, 0}},
        {"Spray", {5, 0}},
        {"HToneImage", {4, 45, 6}},
        {"HToneImage", {0, 45, 1}},
        {"Enhance", {0, 0, 0, 10, 10}},
        {"Warp", {1, 1, 1, 20, 90, 0, 10}},
        {"Mosaic", {150, 30, 10, 40, 6, 1, 0, 1, 0, 0, 0, 0, 0, 0}},
        {"ScaleDib", {0, 10}},
        {"ScaleDib", {10, -3}},
        {"ilHueAndSaturation", {1, 1, 1, 1, 1, 1, 0, 101, 0}},
        {"Curl", {1, 0, 0, 0, 1, 1.5, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0}},
        {"Jiggle", {0, 10, 0}},
        {"ExtrudeDib", {1, 0}},
        {"MergeDib", {-2, 0, 0, 0, 0}},
        {"Blur", {1e300}},
        {"Edge", {std::nan("")}},
        {"Noise", {0, 0, -1e12, 0, 0}},
    };
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    GlobalBlock overlay = makeDib(8, 8, photo);
    for (const Case &c : cases) {
        const isp::ExportInfo *info = isp::findExport(c.name);
        ASSERT_NE(info, nullptr) << c.name;
        isp::CallContext context;
        context.overlay = overlay.get();
        EXPECT_EQ(isp::applyEffect(*info, dib.get(), c.values, context), nullptr) << c.name;
    }
}

TEST(InPlace, AStoppedChangeLeavesTheDibAsItWas)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    const std::vector<BYTE> before = View(dib.get()).pixelBytes();
    Recorder invert, hue;
    invert.stopAt = hue.stopAt = 1;
    EXPECT_EQ(ILInvert(dib.get(), &invert, Recorder::callback), 0);
    EXPECT_EQ(ilHueAndSaturation(dib.get(), 1, 1, 1, 1, 1, 1, 90, 0, 0, 0, 0, 0, 0, &hue, Recorder::callback), 0);
    EXPECT_EQ(View(dib.get()).pixelBytes(), before);
    EXPECT_EQ(ILInvert(dib.get(), nullptr, nullptr), 1);
    EXPECT_NE(View(dib.get()).pixelBytes(), before);
}

TEST_P(EveryExport, ChangesTheCallersOwnDibOnlyWhenItWorksInPlace)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, photo);
    const std::vector<BYTE> before = View(dib.get()).pixelBytes();
    GlobalBlock copied = run(dib.get());
    const bool changed = isp::changeInPlace(*GetParam(), dib.get(), isp::showValues(*GetParam()));
    EXPECT_EQ(changed, GetParam()->result == isp::ResultKind::InPlace);
    if (changed)
        EXPECT_EQ(View(dib.get()).pixelBytes(), View(copied.get()).pixelBytes());
    else
        EXPECT_EQ(View(dib.get()).pixelBytes(), before);
}

TEST(Catalogue, NamesEveryEffectExportOnce)
{
    std::set<std::string> names;
    std::size_t rows = 0;
    for (const isp::ExportInfo &info : isp::exportTable()) {
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
        for (const isp::ParameterRow &p : info.parameters) {
            EXPECT_STREQ(p.exportName, info.name);
            // the dialog offers what the export takes, and starts inside what it offers
            EXPECT_TRUE(p.offeredMin <= p.start && p.start <= p.offeredMax) << info.name << " " << p.name;
            EXPECT_TRUE((p.acceptedMin <= p.offeredMin && p.offeredMax <= p.acceptedMax) || p.outside == isp::Outside::Held)
                << info.name << " " << p.name;
        }
        rows += info.parameters.size();
    }
    EXPECT_EQ(names.size(), 37u);
    EXPECT_EQ(names.size(), std::size(isp::kExportRows)); // every row has its entry
    EXPECT_EQ(rows, std::size(isp::kParameterRows)); // no row of an export the table lacks
    EXPECT_EQ(isp::findExport("NoSuchEffect"), nullptr);
}

// Each export's own check is its rows: both ends of an accepted range are
// taken and a step beyond either is refused, or held at the end.
TEST(Catalogue, EveryExportTakesItsAcceptedRangeAndNoMore)
{
    GlobalBlock dib = makeDib(12, 9, photo);
    GlobalBlock overlay = makeDib(8, 8, photo);
    isp::CallContext context;
    context.overlay = overlay.get();
    const auto beyond = [](double end, double direction) {
        return std::abs(end) < 1e6 ? end + direction : end * 2; // the largest reals become infinite
    };
    for (const isp::ExportInfo &info : isp::exportTable())
        for (std::size_t i = 0; i < info.parameters.size(); ++i) {
            const isp::ParameterRow &row = info.parameters[i];
            if (row.outside == isp::Outside::Flag || row.outside == isp::Outside::Typed)
                continue;
            std::vector<double> values = isp::startValues(info);
            const auto run = [&](double value) {
                values[i] = value;
                return GlobalBlock(isp::applyEffect(info, dib.get(), values, context));
            };
            const std::string what = std::string(info.name) + " " + row.name;
            for (const double end : {row.acceptedMin, row.acceptedMax}) {
                const GlobalBlock atEnd = run(end);
                ASSERT_NE(atEnd, nullptr) << what << " at " << end;
                const GlobalBlock outside = run(beyond(end, end == row.acceptedMin ? -1 : 1));
                if (row.outside == isp::Outside::Refused) {
                    EXPECT_EQ(outside, nullptr) << what << " beyond " << end;
                } else {
                    ASSERT_NE(outside, nullptr) << what << " beyond " << end;
                    EXPECT_EQ(View(outside.get()).pixelBytes(), View(atEnd.get()).pixelBytes()) << what << " beyond " << end;
                }
            }
        }
}
