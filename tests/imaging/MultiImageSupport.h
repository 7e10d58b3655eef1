#pragma once
// Shared by the tests of TPMultiImage: the real imaging libraries bound,
// message boxes recorded, a scratch folder, and the picture as a codec image.
#include "DllSP96.h"
#include "MessageBox.h"
#include "TMultiP.h"

#include "Codec.h"
#include "TestImages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace multiimage {

inline codecs::Image imageOf(const imaging::Bitmap &bitmap)
{
    const GlobalBlock dib(imaging::BitmapToDib(bitmap));
    GlobalLockGuard lock(dib.get());
    return codecs::Image::fromPackedDib(lock.data(), GlobalSize(dib.get()));
}

inline imaging::Bitmap bitmapOf(const codecs::Image &image)
{
    const GlobalBlock dib(GlobalAlloc(GHND, image.packed().size()));
    std::memcpy(GlobalLockGuard(dib.get()).data(), image.packed().data(), image.packed().size());
    imaging::Bitmap bitmap;
    imaging::DibToBitmap(dib.get(), bitmap);
    return bitmap;
}

// Runs the event loop until `done` or two seconds.
template <typename Done> bool waitUntil(Done done, int milliseconds = 2000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class Libraries : public testing::Test {
protected:
    void SetUp() override
    {
        imaging::ISP2000().setDllName(QStringLiteral("ISP2000.DLL"));
        imaging::CRDE2000().setDllName(QStringLiteral("CRDE2000.DLL"));
        imaging::LastImagingError = {};
    }
    void TearDown() override { imaging::ReleaseImagingLibraries(); }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString write(const QString &name, const codecs::Image &image, codecs::Format format,
                  const codecs::WriteOptions &options = {}) const
    {
        codecs::writeFile(path(name).toStdString(), format, image, options);
        return path(name);
    }

    platform::MessageRecorder messages;
    platform::ScopedMessageService scope{&messages};
    QTemporaryDir dir;
};

} // namespace multiimage
