// The effects dialog as a whole: run by the picture component, preview and
// application, stop, the selection band, settings, and the special pages.
#include "EffectFormSupport.h"

#include "ClipboardDib.h"
#include "DllSP96Frame.h"
#include "ILPImage.h"
#include "ILRubberBand.h"
#include "IniFile.h"
#include "Module.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>

using namespace effectform;
using namespace imaging;

namespace {

codecs::Image grey(int width, int height, std::uint8_t level)
{
    codecs::Image image(width, height, 24);
    for (int y = 0; y < height; ++y)
        std::memset(image.row(y), level, image.rowBytes());
    return image;
}

// ---- run by the picture component -------------------------------------------

TEST_F(EffectFormTest, ShowEffectsRunsTheDialogAndTakesBackTheWorkingPicture)
{
    RegisterEffectForm();
    TPMultiImage image;
    image.ImageReadRes = lColorTrue;
    image.FXDelay = 30;
    image.setPicture(multiimage::bitmapOf(testimages::pattern(24, 20, 10)));
    const QImage before = image.Picture().image().copy();
    bool accept = true;
    platform::ScopedModalRunner runner([&](QDialog &dialog) {
        auto &effects = static_cast<TEffectForm &>(dialog);
        effects.show();
        EXPECT_EQ(effects.transition().Delay, 30);
        effects.showPage(QStringLiteral("Inversion"));
        effects.ApplyBtn->click();
        multiimage::waitUntil([&] { return !effects.running(); });
        child<QRadioButton>(effects, "FXV")->setChecked(true);
        (accept ? effects.exBtn : effects.CloseNadNotSaveBtn)->click();
        return dialog.result();
    });
    accept = false;
    image.ShowEffects();
    EXPECT_EQ(image.Picture().image(), before); // cancelled: nothing taken back
    EXPECT_EQ(image.FXMethod, FXNone);
    accept = true;
    image.ShowEffects();
    EXPECT_EQ(image.FXMethod, FXVertical);
    EXPECT_EQ(image.Picture().image().pixelColor(3, 4).red(), 255 - before.pixelColor(3, 4).red());
    EXPECT_TRUE(messages.texts().isEmpty());
    SetEffectsDialogFactory({});
}

TEST_F(EffectFormTest, RetourAfterAPreviewAsksAndKeepsOnlyWhatWasApplied)
{
    const codecs::Image picture = testimages::pattern(24, 40, 30);
    TEffectForm &dialog = open(picture);
    const std::vector<std::uint8_t> original = bytesOf(dialog.workingDib());
    dialog.showPage(QStringLiteral("Flou"));
    dialog.PreviewBtn->click();
    ASSERT_TRUE(settle());
    EXPECT_FALSE(dialog.nothingPending());
    EXPECT_TRUE(dialog.ReloadimageBtn->isEnabled());
    messages.queueAnswer(platform::MessageAnswer::No);
    dialog.exBtn->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(messages.texts(), QStringList{QStringLiteral("There is still an action pending. Are you sure you want to exit ?")});
    messages.queueAnswer(platform::MessageAnswer::Yes);
    dialog.exBtn->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(bytesOf(dialog.workingDib()), original); // a preview is never kept
}

// ---- preview and application ------------------------------------------------

TEST_F(EffectFormTest, PreviewFollowsTheControlsAndAnnulerUndoesIt)
{
    TEffectForm &dialog = open(testimages::pattern(24, 90, 60));
    const QSize preview = dialog.PreviewImage->size();
    EXPECT_NEAR(double(preview.width()) / preview.height(), 1.5, 0.02); // the picture's proportions
    const std::vector<std::uint8_t> backup = bytesOf(dialog.previewDib());
    dialog.showPage(QStringLiteral("Flou"));
    EXPECT_EQ(records(), 0); // opening and changing page previews nothing
    slowSteps() = 20;
    child<QSlider>(dialog, "BlurBar")->setValue(3);
    child<QSlider>(dialog, "BlurBar")->setValue(4);
    ASSERT_TRUE(multiimage::waitUntil([&] { return records() > 0; }));
    ASSERT_TRUE(settle());
    // the latest values, on the reduced copy
    EXPECT_STREQ(last().name, "Blur");
    EXPECT_EQ(last().values[0], 4);
    EXPECT_EQ(last().width, preview.width());
    EXPECT_NE(bytesOf(dialog.previewDib()), backup);
    EXPECT_EQ(dialog.PreviewImage->progress(), -1);
    EXPECT_FALSE(dialog.StopProcessBtn->isEnabled());
    // a change while one runs: the older is stopped and never shown
    child<QSlider>(dialog, "BlurBar")->setValue(5);
    ASSERT_TRUE(multiimage::waitUntil([&] { return dialog.running(); }));
    child<QSlider>(dialog, "BlurBar")->setValue(6);
    ASSERT_TRUE(settle());
    EXPECT_EQ(last().values[0], 6);

    dialog.ReloadimageBtn->click();
    EXPECT_EQ(bytesOf(dialog.previewDib()), backup);
    EXPECT_FALSE(dialog.ReloadimageBtn->isEnabled());
    EXPECT_TRUE(dialog.nothingPending());
}

TEST_F(EffectFormTest, StopMidApplyLeavesThePictureAsItWas)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    const std::vector<std::uint8_t> before = bytesOf(dialog.workingDib());
    const std::vector<std::uint8_t> previewBefore = bytesOf(dialog.previewDib());
    dialog.showPage(QStringLiteral("Inversion"));
    slowSteps() = 400;
    dialog.ApplyBtn->click();
    // the window answers and shows progress while the effect runs
    ASSERT_TRUE(multiimage::waitUntil([&] { return dialog.ilProgress->value() > 5; }, 5000));
    EXPECT_TRUE(dialog.StopProcessBtn->isEnabled());
    EXPECT_FALSE(dialog.ApplyBtn->isEnabled());
    EXPECT_FALSE(dialog.IlPages->isEnabled());
    EXPECT_EQ(dialog.statusText(1), QStringLiteral("Inverting Image"));
    dialog.StopProcessBtn->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(bytesOf(dialog.workingDib()), before);
    EXPECT_EQ(bytesOf(dialog.previewDib()), previewBefore);
    EXPECT_TRUE(dialog.ApplyBtn->isEnabled());
    EXPECT_TRUE(dialog.IlPages->isEnabled());
    EXPECT_FALSE(dialog.StopProcessBtn->isEnabled());
    EXPECT_EQ(dialog.ilProgress->value(), 0);
    EXPECT_TRUE(dialog.statusText(1).isEmpty());

    // applied to the end it changes the picture, and may be applied again
    slowSteps() = 0;
    apply();
    EXPECT_NE(bytesOf(dialog.workingDib()), before);
    apply();
    EXPECT_EQ(bytesOf(dialog.workingDib()), before);
}

// A failure inside the library while it works on the worker is shown by
// the window, once; the picture stays and the dialog goes on.
TEST_F(EffectFormTest, AFailureInsideTheLibraryIsShownAndChangesNothing)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    const std::vector<std::uint8_t> before = bytesOf(dialog.workingDib());
    dialog.showPage(QStringLiteral("Gravure"));
    failing() = 1;
    apply();
    ASSERT_TRUE(multiimage::waitUntil([&] { return !messages.texts().isEmpty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.texts(), QStringList{ImagingExceptionMessage});
    EXPECT_EQ(bytesOf(dialog.workingDib()), before);
    EXPECT_TRUE(dialog.ApplyBtn->isEnabled());
    failing() = 0;
    apply();
    EXPECT_NE(bytesOf(dialog.workingDib()), before);
}

// Records every box and, while the first error box is open, runs what its
// user does under it (the box's own event loop goes on meanwhile).
class ActingUnderTheErrorBox : public platform::MessageRecorder {
public:
    std::function<void()> underTheBox;
    platform::MessageAnswer show(const platform::MessageRequest &request) override
    {
        const platform::MessageAnswer answer = MessageRecorder::show(request);
        if (request.kind == platform::MessageKind::Error && underTheBox)
            std::exchange(underTheBox, {})();
        return answer;
    }
};

// A preview whose work raises is shown in a box; a preview started and a
// page changed while that box is open find the window as the runs left it:
// the running preview is known as running, and a change of page waits for
// it before the window calls the library itself.
TEST_F(EffectFormTest, APreviewThatRaisesLeavesTheWindowSettledUnderItsErrorBox)
{
    ActingUnderTheErrorBox boxes;
    const platform::ScopedMessageService scoped(&boxes);
    TEffectForm &dialog = open(testimages::pattern(8, 40, 30));
    dialog.showPage(QStringLiteral("Nombre de couleurs"));
    ASSERT_TRUE(settle());
    // raising to millions of colours needs the file library, which is gone now
    CRDE2000().setDllName(QStringLiteral("MISSING.DLL"));
    bool runningUnderTheBox = false;
    boxes.underTheBox = [&] {
        CRDE2000().setDllName(QStringLiteral("CRDE2000.DLL"));
        slowSteps() = 400;
        dialog.showPage(QStringLiteral("Inversion"));
        dialog.PreviewBtn->click();
        runningUnderTheBox = multiimage::waitUntil([&] { return dialog.ilProgress->value() > 0; }, 5000);
    };
    child<QCheckBox>(dialog, "cr16Millions")->click();
    ASSERT_TRUE(multiimage::waitUntil([&] { return !boxes.texts().isEmpty(); }, 5000));
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("Can't load MISSING.DLL")));
    ASSERT_TRUE(runningUnderTheBox);
    // the box has closed: the preview started under it still runs, and says so
    EXPECT_TRUE(dialog.running());
    EXPECT_TRUE(dialog.StopProcessBtn->isEnabled());
    // a new page waits for it before the window works with the library
    dialog.showPage(QStringLiteral("Gamma"));
    EXPECT_FALSE(dialog.running());
    EXPECT_FALSE(dialog.StopProcessBtn->isEnabled());
    EXPECT_EQ(boxes.texts().size(), 1);

    slowSteps() = 0;
    const int before = records();
    dialog.PreviewBtn->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(records(), before + 1);
    EXPECT_EQ(std::string(last().name), "ILGamma");
}

TEST_F(EffectFormTest, ClosingDuringAnApplicationDropsIt)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    const std::vector<std::uint8_t> before = bytesOf(dialog.workingDib());
    dialog.showPage(QStringLiteral("Inversion"));
    slowSteps() = 400;
    dialog.ApplyBtn->click();
    ASSERT_TRUE(dialog.running());
    dialog.reject();
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(bytesOf(dialog.workingDib()), before);
}

// ---- the selection -----------------------------------------------------------

void drag(QWidget &widget, QPoint from, QPoint to)
{
    QMouseEvent press(QEvent::MouseButtonPress, from, widget.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent move(QEvent::MouseMove, to, widget.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, widget.mapToGlobal(to), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

TEST_F(EffectFormTest, TheSelectionBandConfinesTheEffect)
{
    bind(true);
    ASSERT_TRUE(platform::Module::load(QStringLiteral("ISP2000.DLL"))) << "the effects library does not load";
    const int width = 80, height = 60;
    TEffectForm &dialog = open(grey(width, height, 90));
    dialog.showPage(QStringLiteral("Seuil")); // 90 is below the threshold: black
    TILPImage &preview = *dialog.PreviewImage;
    const QSize shown = preview.size();
    // the top left corner dragged to the middle: the bottom right quarter is selected
    drag(preview, QPoint(1, 1), QPoint(shown.width() / 2, shown.height() / 2));
    ASSERT_TRUE(settle());
    const TSides selection = dialog.selection();
    EXPECT_NEAR(selection.left, width / 2, 1);
    EXPECT_NEAR(selection.top, height / 2, 1);
    EXPECT_EQ(selection.right, width);
    EXPECT_EQ(selection.bottom, height);
    EXPECT_EQ(dialog.CropEdits[0]->text(), QString::number(selection.left));
    apply();
    const codecs::Image result = imageOf(dialog.workingDib());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= selection.left && y >= selection.top;
            ASSERT_EQ(int(result.row(y)[3 * x]), inside ? 0 : 90) << x << "," << y;
        }
    // "Sél. tout"
    dialog.ResetRubberbandBtn->click();
    EXPECT_EQ(dialog.selection(), (TSides{0, 0, width, height}));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(EffectFormTest, PagesWithoutTheSelectionHideItAndWorkOnTheWholePicture)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    dialog.showPage(QStringLiteral("Flou"));
    drag(*dialog.PreviewImage, QPoint(1, 1), QPoint(dialog.PreviewImage->width() / 2, dialog.PreviewImage->height() / 2));
    ASSERT_TRUE(settle());
    apply();
    EXPECT_EQ(last().rect[0], dialog.selection().left);
    EXPECT_GT(last().rect[0], 0);
    dialog.showPage(QStringLiteral("Vitesse"));
    EXPECT_FALSE(dialog.RubberBand->isVisible());
    EXPECT_FALSE(dialog.HSRubberband->isEnabled());
    apply();
    EXPECT_STREQ(last().name, "Motion");
    EXPECT_EQ((std::vector<int>(last().rect, last().rect + 4)), (std::vector<int>{0, 0, 40, 30}));
    // hiding the band on a page that uses it
    dialog.showPage(QStringLiteral("Flou"));
    EXPECT_TRUE(dialog.RubberBand->isVisible());
    dialog.HSRubberband->click();
    EXPECT_FALSE(dialog.RubberBand->isVisible());
    EXPECT_EQ(dialog.HSRubberband->text(), QStringLiteral("Montrer sélection"));
    EXPECT_FALSE(dialog.CropEdits[0]->isVisibleTo(&dialog));
}

// ---- the real library, end to end --------------------------------------------

TEST_F(EffectFormTest, RealEffectsChangeThePictureAsTheySay)
{
    bind(true);
    ASSERT_TRUE(platform::Module::load(QStringLiteral("ISP2000.DLL"))) << "the effects library does not load";
    const codecs::Image picture = testimages::pattern(24, 30, 20);
    struct Case {
        const char *page;
        std::function<void(TEffectForm &)> set;
        std::function<std::uint8_t(const codecs::Image &, int x, int y, int k)> expected;
    };
    const Case cases[] = {
        {"Inversion", {}, [](const codecs::Image &p, int x, int y, int k) { return std::uint8_t(255 - p.row(y)[3 * x + k]); }},
        {"Plus clair", [](TEffectForm &f) { child<QSlider>(f, "BrightBar")->setValue(40); },
         [](const codecs::Image &p, int x, int y, int k) { return std::uint8_t(std::min(255, p.row(y)[3 * x + k] + 40)); }},
        {"Miroir", {}, // horizontal at start
         [](const codecs::Image &p, int x, int y, int k) { return p.row(y)[3 * (p.width() - 1 - x) + k]; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.page);
        TEffectForm &dialog = open(picture);
        dialog.showPage(QString::fromUtf8(c.page));
        if (c.set)
            c.set(dialog);
        apply();
        const codecs::Image result = imageOf(dialog.workingDib());
        ASSERT_EQ(result.width(), picture.width());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(result.row(y)[3 * x + k], c.expected(picture, x, y, k)) << x << "," << y;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

// A 300-dpi A4 page: the application shows its progress and stops, the
// picture as it was.
TEST_F(EffectFormTest, AnA4ApplicationOfTheRealLibraryStops)
{
    bind(true);
    ASSERT_TRUE(platform::Module::load(QStringLiteral("ISP2000.DLL"))) << "the effects library does not load";
    TEffectForm &dialog = open(testimages::pattern(24, 2480, 3508));
    const std::vector<std::uint8_t> before = bytesOf(dialog.workingDib());
    dialog.showPage(QStringLiteral("Peinture"));
    child<QSlider>(dialog, "opValueBar")->setValue(30);
    ASSERT_TRUE(settle());
    dialog.ApplyBtn->click();
    ASSERT_TRUE(multiimage::waitUntil([&] { return dialog.ilProgress->value() > 0 || !dialog.running(); }, 60000));
    ASSERT_TRUE(dialog.running()) << "finished before it could be stopped";
    dialog.StopProcessBtn->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(bytesOf(dialog.workingDib()), before);
    EXPECT_TRUE(messages.texts().isEmpty());
}

// ---- settings -----------------------------------------------------------------

TEST_F(EffectFormTest, SettingsAreWrittenAtClosingAndReadAtOpening)
{
    platform::ScopedModalRunner colourDialog([](QDialog &d) {
        static_cast<QColorDialog &>(d).setCurrentColor(QColor(1, 2, 3));
        static_cast<QColorDialog &>(d).accept();
        return int(QDialog::Accepted);
    });
    {
        TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
        child<QSlider>(dialog, "BleedBar")->setValue(-50);
        child<QSlider>(dialog, "rtValueBar")->setValue(-455);
        child<QCheckBox>(dialog, "VBox")->click();
        child<QRadioButton>(dialog, "R3")->click();
        child<QRadioButton>(dialog, "a3blue")->click();
        child<QSlider>(dialog, "hsHueBar")->setValue(100);
        child<QAbstractButton>(dialog, "msForeColorBtn")->click();
        dialog.showPage(QStringLiteral("Gravure"));
        drag(*dialog.PreviewImage, QPoint(1, 1), QPoint(dialog.PreviewImage->width() / 2, dialog.PreviewImage->height() / 2));
        ASSERT_TRUE(settle());
        form.reset();
    }
    const QString file = platform::windowsFolder() + TEffectForm::SettingsFileName;
    const platform::IniFile ini(file);
    EXPECT_EQ(ini.readString(QStringLiteral("FL_EDIT"), QStringLiteral("BleedEdit"), {}), QStringLiteral("-50"));
    EXPECT_EQ(ini.readString(QStringLiteral("DEF_FL_EDIT"), QStringLiteral("BleedEdit"), {}), QStringLiteral("0"));
    EXPECT_EQ(ini.readString(QStringLiteral("FL_CHECK"), QStringLiteral("VBox"), {}), QStringLiteral("1"));
    EXPECT_EQ(ini.readString(QStringLiteral("FL_COLOR"), QStringLiteral("ForeGroundColor"), {}),
              QString::number(1 | 2 << 8 | 3 << 16));
    EXPECT_EQ(ini.readString(QStringLiteral("ActivePage"), QStringLiteral("Page"), {}), QStringLiteral("Gravure"));
    EXPECT_TRUE(ini.valueExists(QStringLiteral("FL_POS"), QStringLiteral("WIDTH")));
    EXPECT_TRUE(ini.readString(QStringLiteral("CustomColors"), QStringLiteral("0"), {}).startsWith(QStringLiteral("ColorA=")));

    records() = 0;
    TEffectForm &again = open(testimages::pattern(24, 40, 30));
    QCoreApplication::processEvents();
    EXPECT_EQ(child<QSlider>(again, "BleedBar")->value(), -50);
    EXPECT_EQ(child<QLineEdit>(again, "rtValueEdit")->text(), QStringLiteral("-45.50"));
    EXPECT_TRUE(child<QCheckBox>(again, "VBox")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(again, "R3")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(again, "a3blue")->isChecked());
    EXPECT_EQ(child<QSlider>(again, "hsHueBar")->value(), 100); // after its range followed the colour choice
    EXPECT_EQ(again.activePage()->caption(), QStringLiteral("Gravure"));
    EXPECT_NEAR(again.selection().left, 20, 1);
    EXPECT_EQ(again.selection().right, 40);
    EXPECT_FALSE(again.running());
    EXPECT_EQ(records(), 0); // what the settings set is not previewed
    EXPECT_TRUE(messages.texts().isEmpty());

    // "Paramètres par défaut" goes back to the form's values
    again.DefaultsItem->trigger();
    EXPECT_EQ(child<QSlider>(again, "BleedBar")->value(), 0);
    EXPECT_FALSE(child<QCheckBox>(again, "VBox")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(again, "R1")->isChecked());

    // not saved on exit: the file goes
    again.SaveOnExitItem->trigger();
    form.reset();
    EXPECT_FALSE(QFile::exists(file));
}

// Without settings the colour dialog starts with the dialog's own custom
// colours, whatever it held before; entries left alone keep their text.
TEST_F(EffectFormTest, CustomColoursStartAsTheFormsAndKeepTheirText)
{
    QColorDialog::setCustomColor(0, Qt::red); // from an earlier use of the colour dialog
    open(testimages::pattern(24, 40, 30));
    EXPECT_EQ(QColorDialog::customColor(0), QColor(0x14, 0x14, 0x14));
    EXPECT_EQ(QColorDialog::customColor(1), QColor(Qt::white));
    EXPECT_EQ(QColorDialog::customColor(15), QColor(0xF0, 0xF0, 0xF0));
    QColorDialog::setCustomColor(14, QColor(1, 2, 3));
    form.reset();
    const platform::IniFile ini(platform::windowsFolder() + TEffectForm::SettingsFileName);
    const std::pair<int, const char *> entries[] = {
        {0, "ColorA=141414"}, {1, "ColorB=FFFFFF"}, {14, "ColorO=030201"}, {15, "ColorP=FFF0F0F0"}};
    for (const auto &[index, text] : entries)
        EXPECT_EQ(ini.readString(QStringLiteral("CustomColors"), QString::number(index), {}), QString::fromLatin1(text));
    // and they come back from the file
    QColorDialog::setCustomColor(14, Qt::red);
    open(testimages::pattern(24, 40, 30));
    EXPECT_EQ(QColorDialog::customColor(14), QColor(1, 2, 3));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(EffectFormTest, UnusableSettingsFallBackToTheFormsValuesAndSaySo)
{
    const QString file = platform::windowsFolder() + TEffectForm::SettingsFileName;
    {
        platform::IniFile ini(file);
        ini.writeString(QStringLiteral("FL_EDIT"), QStringLiteral("BleedEdit"), QStringLiteral("abc"));
        ini.writeString(QStringLiteral("FL_EDIT"), QStringLiteral("EdgeEdit"), QStringLiteral("500"));
        ini.writeString(QStringLiteral("FL_EDIT"), QStringLiteral("BlurEdit"), QStringLiteral("9"));
        ini.writeString(QStringLiteral("FL_CHECK"), QStringLiteral("VBox"), QStringLiteral("yes"));
        ini.writeString(QStringLiteral("FL_RADIO"), QStringLiteral("R4"), QStringLiteral("1"));
        ini.writeString(QStringLiteral("FL_COLOR"), QStringLiteral("MaskColor"), QStringLiteral("-5"));
        ini.writeString(QStringLiteral("FL_RUBBERBAND"), QStringLiteral("CropX"), QStringLiteral("a"));
        ini.writeString(QStringLiteral("CustomColors"), QStringLiteral("3"), QStringLiteral("Colour?"));
        ini.writeString(QStringLiteral("ActivePage"), QStringLiteral("Page"), QStringLiteral("Nulle part"));
    }
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    ASSERT_EQ(messages.texts().size(), 1);
    const QString text = messages.texts().first();
    for (const char *name : {"BleedEdit", "EdgeEdit", "VBox", "MaskColor", "FL_RUBBERBAND", "CustomColors/3"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(text.contains(QStringLiteral("BlurEdit")));
    EXPECT_EQ(child<QSlider>(dialog, "BleedBar")->value(), 0);
    EXPECT_EQ(child<QSlider>(dialog, "EdgeBar")->value(), 1);
    EXPECT_EQ(child<QSlider>(dialog, "BlurBar")->value(), 9); // the usable ones are kept
    EXPECT_TRUE(child<QRadioButton>(dialog, "R4")->isChecked());
    EXPECT_EQ(dialog.selection(), (TSides{0, 0, 40, 30}));
    EXPECT_EQ(dialog.activePage(), dialog.page(QStringLiteral("Contraste auto"))); // an unknown page: the first
}

TEST_F(EffectFormTest, AStoredSelectionLargerThanThePictureIsClippedOnApplication)
{
    {
        platform::IniFile ini(platform::windowsFolder() + TEffectForm::SettingsFileName);
        ini.writeString(QStringLiteral("FL_RUBBERBAND"), QStringLiteral("CropX"), QStringLiteral("10"));
        ini.writeString(QStringLiteral("FL_RUBBERBAND"), QStringLiteral("CropY"), QStringLiteral("5"));
        ini.writeString(QStringLiteral("FL_RUBBERBAND"), QStringLiteral("CropWidth"), QStringLiteral("500"));
        ini.writeString(QStringLiteral("FL_RUBBERBAND"), QStringLiteral("CropHeight"), QStringLiteral("400"));
    }
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    EXPECT_EQ(dialog.selection(), (TSides{10, 5, 500, 400}));
    dialog.showPage(QStringLiteral("Flou"));
    apply();
    EXPECT_EQ((std::vector<int>(last().rect, last().rect + 4)), (std::vector<int>{10, 5, 40, 30}));
    EXPECT_TRUE(messages.texts().isEmpty());
}

// ---- special pages ------------------------------------------------------------

TEST_F(EffectFormTest, TheTransitionsPagePlaysThroughTheSurface)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30), {FXDiagonal, 20, 5});
    EXPECT_TRUE(child<QRadioButton>(dialog, "FXD")->isChecked());
    EXPECT_EQ(records(), 0); // set from what was handed in, not played
    dialog.TransitionsItem->trigger();
    EXPECT_EQ(dialog.activePage()->caption(), QStringLiteral("Transitions"));
    child<QSlider>(dialog, "trDelayBar")->setValue(7);
    child<QSlider>(dialog, "trThickbar")->setValue(3);
    child<QRadioButton>(dialog, "FXV")->click();
    ASSERT_EQ(records(), 1);
    EXPECT_STREQ(last().name, "FXSkipVerticalDib");
    EXPECT_EQ(last().values[0], 3);
    EXPECT_EQ(last().values[1], 7);
    EXPECT_EQ(last().values[2], dialog.PreviewPanel->width());
    EXPECT_EQ(last().width, dialog.PreviewImage->width()); // the preview is played
    EXPECT_TRUE(dialog.PreviewImage->isVisible());
    child<QRadioButton>(dialog, "FXR")->click();
    EXPECT_STREQ(last().name, "FXSkipRectanglesDib");
    child<QRadioButton>(dialog, "FXN")->click();
    EXPECT_EQ(records(), 2); // none plays nothing
    const TEffectsTransition chosen = dialog.transition();
    EXPECT_EQ(chosen.Method, FXNone);
    EXPECT_EQ(chosen.Delay, 7);
    EXPECT_EQ(chosen.Thickness, 3);
    EXPECT_FALSE(dialog.ApplyBtn->isEnabled());
}

TEST_F(EffectFormTest, ThePastePageDropsItsPictureIntoTheSelection)
{
    const GlobalBlock pasted = dibOf(testimages::pattern(24, 10, 8));
    PutDibOnClipboard(pasted.get());
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    dialog.showPage(QStringLiteral("Bouchage"));
    EXPECT_FALSE(dialog.PreviewBtn->isEnabled());
    EXPECT_FALSE(dialog.ApplyBtn->isEnabled()); // nothing to paste yet
    EXPECT_TRUE(dialog.PreviewImage->overlayShown());
    QAbstractButton *clipboard = child<QAbstractButton>(dialog, "ClipboardBtn");
    ASSERT_TRUE(clipboard->isEnabled());
    clipboard->click();
    EXPECT_TRUE(dialog.ApplyBtn->isEnabled());
    drag(*dialog.PreviewImage, QPoint(1, 1), QPoint(dialog.PreviewImage->width() / 2, dialog.PreviewImage->height() / 2));
    const TSides where = dialog.selection();
    EXPECT_EQ(records(), 0); // placing the picture previews nothing
    apply();
    EXPECT_STREQ(last().name, "DropDib");
    const std::vector<double> values(last().values, last().values + last().count);
    EXPECT_EQ(values, (std::vector<double>{-1, -1, -1, double(where.top), double(where.left),
                                           double(where.right - where.left), double(where.bottom - where.top)}));
    dialog.showPage(QStringLiteral("Flou"));
    EXPECT_FALSE(dialog.PreviewImage->overlayShown());
}

TEST_F(EffectFormTest, TheColourCountPageCanGoBackToMillionsOfColours)
{
    bind(true);
    ASSERT_TRUE(platform::Module::load(QStringLiteral("ISP2000.DLL"))) << "the effects library does not load";
    TEffectForm &dialog = open(testimages::pattern(4, 30, 20));
    dialog.showPage(QStringLiteral("Nombre de couleurs"));
    EXPECT_EQ(child<QLabel>(dialog, "crColorCount")->text(), QStringLiteral("Cette image comporte 16 couleurs"));
    QCheckBox *millions = child<QCheckBox>(dialog, "cr16Millions");
    ASSERT_TRUE(millions->isEnabled());
    millions->click();
    EXPECT_FALSE(child<QSlider>(dialog, "crColorsBar")->isEnabled());
    ASSERT_TRUE(settle());
    apply();
    EXPECT_EQ(sizeOf(dialog.workingDib()).bits, 24);
    EXPECT_EQ(child<QLabel>(dialog, "crColorCount")->text(), QStringLiteral("Cette image comporte des millions de couleurs"));
    EXPECT_FALSE(millions->isEnabled());
    EXPECT_FALSE(millions->isChecked());
}

TEST_F(EffectFormTest, ThePalettePageEditsTheWorkingPicturesColourTable)
{
    const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("quillon-effects-test.ILP"));
    QFile::remove(path);
    TEffectForm &dialog = open(testimages::pattern(8, 32, 16));
    dialog.showPage(QStringLiteral("Palette de couleurs"));
    EXPECT_EQ(dialog.PreviewImage->dib(), dialog.workingDib()); // the picture itself
    EXPECT_FALSE(child<QLabel>(dialog, "palNoPalette")->isVisibleTo(&dialog));
    QWidget *grid = child<QWidget>(dialog, "pbPalette");
    const int cell = grid->width() / 16;
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(2 * cell + 1, cell + 1), QPoint(), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(grid, &press);
    EXPECT_EQ(child<QLabel>(dialog, "palIndexLabel")->text(), QStringLiteral("Indice couleur: (18)"));
    child<QSlider>(dialog, "trbRed")->setValue(7);
    ILTDib view;
    view.OwnsMemory = false;
    {
        GlobalLockGuard lock(dialog.workingDib());
        view.Attach(lock.as<BITMAPINFOHEADER>());
        EXPECT_EQ(qRed(view.Palette()[18]), 7);
    }

    // saved, then loaded back over a grey palette
    platform::ScopedModalRunner files([&](QDialog &d) {
        auto &files = static_cast<QFileDialog &>(d);
        files.selectFile(path);
        static_cast<QDialog &>(files).accept();
        return int(QDialog::Accepted);
    });
    QComboBox *actions = child<QComboBox>(dialog, "PalCombo");
    actions->setCurrentIndex(3);
    child<QAbstractButton>(dialog, "PalOpt")->click();
    ASSERT_EQ(QFileInfo(path).size(), 1047);
    actions->setCurrentIndex(0);
    child<QAbstractButton>(dialog, "PalOpt")->click();
    actions->setCurrentIndex(2);
    child<QAbstractButton>(dialog, "PalOpt")->click();
    {
        GlobalLockGuard lock(dialog.workingDib());
        ILTDib again;
        again.OwnsMemory = false;
        again.Attach(lock.as<BITMAPINFOHEADER>());
        EXPECT_EQ(qRed(again.Palette()[18]), 7);
    }
    // leaving the page shows the reduced copy again, made from the edited picture
    dialog.showPage(QStringLiteral("Flou"));
    EXPECT_EQ(dialog.PreviewImage->dib(), dialog.previewDib());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
    QFile::remove(path);
}

TEST_F(EffectFormTest, ThePalettePageNeedsAPalette)
{
    TEffectForm &dialog = open(testimages::pattern(24, 32, 16));
    dialog.showPage(QStringLiteral("Palette de couleurs"));
    EXPECT_TRUE(child<QLabel>(dialog, "palNoPalette")->isVisibleTo(&dialog));
    EXPECT_FALSE(child<QWidget>(dialog, "pbPalette")->isEnabled());
    EXPECT_FALSE(child<QWidget>(dialog, "PalOpt")->isEnabled());
    EXPECT_FALSE(dialog.ApplyBtn->isEnabled());
}

TEST_F(EffectFormTest, TheBorderPageOffersNothingWithoutAShape)
{
    TEffectForm &dialog = open(testimages::pattern(24, 40, 30));
    dialog.showPage(QStringLiteral("Bordure"));
    EXPECT_FALSE(dialog.ApplyBtn->isEnabled());
    EXPECT_FALSE(dialog.PreviewBtn->isEnabled());
    child<QSlider>(dialog, "brVectorsBar")->setValue(5);
    child<QComboBox>(dialog, "brShapeCombo")->setCurrentIndex(12); // "Etoile"
    EXPECT_EQ(child<QSlider>(dialog, "brVectorsBar")->value(), 10);
    EXPECT_EQ(child<QSlider>(dialog, "brAngleBar")->value(), 90);
    EXPECT_FALSE(child<QSlider>(dialog, "brAngleBar")->isVisibleTo(&dialog)); // for "Polygone" only
    EXPECT_TRUE(dialog.ApplyBtn->isEnabled());
    ASSERT_TRUE(settle());
    EXPECT_STREQ(last().name, "MergeDib"); // previewed on the reduced copy
    EXPECT_EQ(last().values[5], dialog.PreviewImage->width());
}

} // namespace
