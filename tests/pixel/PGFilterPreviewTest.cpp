// The colour dialogs' live preview: the reduced copy, one computation per
// quiet period, stale results dropped, a raising filter survived.
#include "PixelUiTestSupport.h"

#include "PGFilterDialogForm.h"
#include "PGFilterDialogs.h"
#include "PGFilterPreview.h"
#include "PGImage.h"

#include <QSlider>

#include <atomic>

namespace {

// Writes Mark into the red channel, so the preview tells which computation it shows.
class MarkFilter : public TPGColorFilter {
public:
    MarkFilter(int mark, const std::atomic<bool> *gate, bool raising) : mark_(mark), gate_(gate), raising_(raising) {}
    TRGB FilterColor(TRGB color) override
    {
        while (gate_ && !gate_->load())
            QThread::msleep(1);
        if (raising_)
            throw EPGSaturationHue(Text(msgSaturationHue));
        return MakeRGB(mark_, GreenOf(color), BlueOf(color));
    }

private:
    int mark_;
    const std::atomic<bool> *gate_;
    bool raising_;
};

struct Preview : testing::Test {
    TPGImage display;
    TPixelGraphic source;
    int calls = 0;       // filters made, one per computation
    int mark = 0;        // what the next filter writes
    bool raising = false;
    std::atomic<bool> gate{true};
    int shown = 0;       // images handed to the display

    Preview()
    {
        display.resize(140, 140);
        display.OnPixelGraphicChange = [this](TPGImage *) { ++shown; };
        fillSample(source, 300, 200);
    }
    TFilterPreview::TFilterFactory factory()
    {
        return [this] {
            ++calls;
            return std::make_unique<MarkFilter>(mark, gate ? nullptr : &gate, raising);
        };
    }
    int shownMark() const { return RedOf(display.CurrentPixelGraphic()->GetPixel(3, 2)); }
};

} // namespace

TEST(PreviewSize, FitsTheControlKeepingTheAspect)
{
    const std::tuple<QSize, QSize> cases[] = {
        {QSize(100, 50), QSize(100, 50)},  // fits: unscaled
        {QSize(1000, 500), QSize(138, 69)},
        {QSize(500, 1000), QSize(69, 138)},
        {QSize(2480, 3508), QSize(98, 138)}, // A4 at 300 dpi
        {QSize(138, 139), QSize(137, 138)},
        {QSize(0, 0), QSize(0, 0)},
        {QSize(10, 0), QSize(0, 0)},
    };
    for (auto [source, expected] : cases)
        EXPECT_EQ(TFilterPreview::PreviewSize(source, QSize(138, 138)), expected) << source.width() << "x" << source.height();
}

TEST_F(Preview, ChangesWithinTheQuietPeriodMakeOneComputationForTheLastValues)
{
    TFilterPreview preview(display, source, factory());
    EXPECT_EQ(preview.PreviewImage().Width(), 138); // 300 x 200 in the 138 x 138 client area
    EXPECT_EQ(preview.PreviewImage().Height(), 92);
    ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
    EXPECT_EQ(calls, 1); // the first picture, once the reduced copy is ready
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(display.CurrentPixelGraphic()->Width(), 138);
    EXPECT_EQ(shownMark(), 0);
    // Moves without the event loop running are all within one quiet period.
    for (mark = 1; mark <= 5; ++mark)
        preview.Changed();
    mark = 5;
    ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(shownMark(), 5);
}

TEST_F(Preview, ARunningComputationMadeStaleIsDroppedNotShown)
{
    TFilterPreview preview(display, source, factory());
    ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
    const int shownBefore = shown;
    gate = false; // the next computation waits in its filter
    mark = 1;
    preview.Changed();
    ASSERT_TRUE(waitUntil([&] { return calls == 2; }));
    mark = 2;
    preview.Changed(); // while computation 1 still runs
    gate = true;
    ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(shown, shownBefore + 1); // only the last one reached the display
    EXPECT_EQ(shownMark(), 2);
}

TEST_F(Preview, AFilterThatRaisesLeavesThePreviousPicture)
{
    const ScopedLanguage french(pglFrench);
    TFilterPreview preview(display, source, factory());
    ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
    const TPixelGraphic *before = display.CurrentPixelGraphic();
    raising = true;
    preview.Changed();
    ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(display.CurrentPixelGraphic(), before);
    EXPECT_EQ(shownMark(), 0);
    // The preview goes on with the next change.
    raising = false;
    mark = 7;
    preview.Changed();
    ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
    EXPECT_EQ(shownMark(), 7);
}

TEST_F(Preview, StoppedWhileCopyingTheSource)
{
    TPixelGraphic page;
    page.SetFormat(2480, 3508, pg24Bit);
    {
        TFilterPreview preview(display, page, factory());
        EXPECT_TRUE(preview.Busy());
    } // the copy is asked to stop and waited for
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(display.CurrentPixelGraphic(), nullptr);
}

// The RGB dialog previews its picture and follows its sliders.
TEST(PreviewDialog, ShowsTheFilteredReducedCopyAndFollowsTheSlider)
{
    TRGBFilterDialog dialog;
    TPixelGraphic picture;
    fillSample(picture, 276, 100);
    bool followed = false;
    const ModalAnswer ok(QDialog::Accepted, [&](QDialog &window) {
        auto &form = dynamic_cast<TFilterDialogForm &>(window);
        TFilterPreview &preview = *form.Preview();
        TPGImage &control = *form.PreviewControl();
        ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
        const QSize client = control.contentsRect().size();
        const QSize reduced = TFilterPreview::PreviewSize(QSize(276, 100), client);
        const TPixelGraphic *shown = control.CurrentPixelGraphic();
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(QSize(shown->Width(), shown->Height()), reduced);
        EXPECT_EQ(shown->GetPixel(0, 0), preview.PreviewImage().GetPixel(0, 0)); // identity at first
        EXPECT_GT(RedOf(shown->GetPixel(reduced.width() - 1, 0)), 200);
        form.findChild<QSlider *>(QStringLiteral("TrackBar1"))->setValue(-100);
        ASSERT_TRUE(waitUntil([&] { return !preview.Busy(); }));
        shown = control.CurrentPixelGraphic();
        for (int x = 0; x < shown->Width(); ++x)
            ASSERT_EQ(RedOf(shown->GetPixel(x, 0)), 0);
        EXPECT_EQ(GreenOf(shown->GetPixel(5, 5)), GreenOf(preview.PreviewImage().GetPixel(5, 5)));
        followed = true;
    });
    ASSERT_TRUE(dialog.Execute(picture));
    EXPECT_TRUE(followed);
    EXPECT_EQ(dialog.Red(), -100);
}
