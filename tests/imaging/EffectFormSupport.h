#pragma once
// Shared by the effects dialog's tests: the recording stand-in for the
// effect library (or the real one), a fresh settings file, recorded message
// boxes, pictures as DIBs, and the dialog opened on one.
#include "Folders.h"
#include "ILDibCls.h"
#include "Modal.h"
#include "MultiImageSupport.h"
#include "ilfilter.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

#include <cstring>
#include <string>
#include <vector>

namespace effectform {

// What libfxrecord.so keeps of each call (FxRecorder.cpp).
struct FxRecord {
    char name[32];
    std::int32_t width, height, bits;
    std::int32_t hasRect;
    std::int32_t rect[4];
    std::int32_t count;
    double values[24];
    void *userData;
};

inline GlobalBlock dibOf(const codecs::Image &image)
{
    GlobalBlock dib(GlobalAlloc(GHND, image.packed().size()));
    std::memcpy(GlobalLockGuard(dib.get()).data(), image.packed().data(), image.packed().size());
    return dib;
}

inline codecs::Image imageOf(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    return codecs::Image::fromPackedDib(lock.data(), GlobalSize(dib));
}

inline std::vector<std::uint8_t> bytesOf(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    const auto *data = static_cast<const std::uint8_t *>(lock.data());
    return std::vector<std::uint8_t>(data, data + GlobalSize(dib));
}

template <typename T> T *child(QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class EffectFormTest : public testing::Test {
protected:
    // The recording stand-in unless `realLibrary`; the real file library always.
    void bind(bool realLibrary)
    {
        imaging::ISP2000().setDllName(realLibrary ? QStringLiteral("ISP2000.DLL") : QStringLiteral("FXRECORD.DLL"));
        imaging::CRDE2000().setDllName(QStringLiteral("CRDE2000.DLL"));
    }
    void SetUp() override
    {
        bind(false);
        imaging::LastImagingError = {};
        QFile::remove(platform::windowsFolder() + imaging::TEffectForm::SettingsFileName);
        records() = 0;
        slowSteps() = 0;
        failing() = 0;
    }
    void TearDown() override
    {
        form.reset();
        imaging::ReleaseImagingLibraries();
    }

    std::int32_t &records() { return *static_cast<std::int32_t *>(imaging::ISP2000().symbol("fxRecordCount")); }
    std::int32_t &slowSteps() { return *static_cast<std::int32_t *>(imaging::ISP2000().symbol("fxSlowSteps")); }
    std::int32_t &failing() { return *static_cast<std::int32_t *>(imaging::ISP2000().symbol("fxFailing")); }
    const FxRecord &last()
    {
        const auto *all = static_cast<const FxRecord *>(imaging::ISP2000().symbol("fxRecords"));
        return all[(records() - 1) % 64];
    }

    // A new dialog on the picture, shown.
    imaging::TEffectForm &open(GlobalBlock picture, imaging::TEffectsTransition transition = {})
    {
        form = std::make_unique<imaging::TEffectForm>();
        form->prepare(transition, std::move(picture));
        form->show();
        return *form;
    }
    imaging::TEffectForm &open(const codecs::Image &image, imaging::TEffectsTransition transition = {})
    {
        return open(dibOf(image), transition);
    }

    // Runs until no effect is running.
    bool settle() { return multiimage::waitUntil([&] { return !form->running(); }, 20000); }
    void apply()
    {
        form->ApplyBtn->click();
        ASSERT_TRUE(settle());
    }

    platform::MessageRecorder messages;
    platform::ScopedMessageService scope{&messages};
    std::unique_ptr<imaging::TEffectForm> form;
};

} // namespace effectform
