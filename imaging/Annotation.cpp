#include "Annotation.h"

#include "DllSP96.h"
#include "DllSP96Frame.h"
#include "Folders.h"
#include "TMultiP.h"

#include <QFile>
#include <QPainter>
#include <exception>
#include <utility>

namespace imaging {
namespace {

using InitFn = std::int16_t (*)(void *, ILSurface *, void *, const char *, void (*)(void *, std::int32_t),
                                void (*)(void *, std::int32_t, ILSurface *, std::int32_t, std::int32_t, std::int32_t,
                                         std::int32_t),
                                void (*)(void *, std::int32_t, ILSurface *, std::int32_t, std::int32_t, std::int32_t,
                                         std::int32_t),
                                void (*)(void *, std::int32_t, std::int32_t *), void (*)(void *, std::int32_t));
using ComponentFn = std::int16_t (*)(void *);
using DrawFn = std::int16_t (*)(void *, std::int32_t, std::int32_t, double, std::int32_t, std::int32_t);
using MouseFn = std::int32_t (*)(void *, std::int32_t, std::int32_t, std::int32_t);
using MenuFn = std::int16_t (*)(void *, std::int32_t);
using FileFn = std::int16_t (*)(void *, std::int32_t, const char *);

// Runs an event handler inside a callback of the library, which no error may cross.
template <typename Body> void relay(void *userData, Body &&body) noexcept
{
    auto &r = *static_cast<AnnotationLayer::Relay *>(userData);
    try {
        body(*r.owner);
    } catch (...) {
        if (!r.error)
            r.error = std::current_exception();
    }
}

void onDone(void *userData, std::int32_t index)
{
    relay(userData, [index](TPMultiImage &owner) {
        if (owner.OnAnnoDone)
            owner.OnAnnoDone(&owner, index);
    });
}

void customDraw(const TAnnoDrawEvent &event, TPMultiImage &owner, std::int32_t index, ILSurface *surface,
                QRect area)
{
    if (!event)
        return;
    QImage window(surface->bits, surface->width, surface->height, surface->stride, QImage::Format_RGB32);
    QPainter canvas(&window);
    event(&owner, index, canvas, area);
}

void onCustomDraw(void *userData, std::int32_t index, ILSurface *surface, std::int32_t left, std::int32_t top,
                  std::int32_t right, std::int32_t bottom)
{
    relay(userData, [&](TPMultiImage &owner) {
        customDraw(owner.OnCustomAnnotationDraw, owner, index, surface, QRect(left, top, right - left, bottom - top));
    });
}

void onCustomHardDraw(void *userData, std::int32_t index, ILSurface *surface, std::int32_t left, std::int32_t top,
                      std::int32_t right, std::int32_t bottom)
{
    relay(userData, [&](TPMultiImage &owner) {
        customDraw(owner.OnCustomAnnotationHardDraw, owner, index, surface, QRect(left, top, right - left, bottom - top));
    });
}

void onBeforeDraw(void *userData, std::int32_t index, std::int32_t *canDraw)
{
    relay(userData, [&](TPMultiImage &owner) {
        bool can = *canDraw != 0;
        if (owner.OnBeforeAnnotationDraw)
            owner.OnBeforeAnnotationDraw(&owner, index, can);
        *canDraw = can ? 1 : 0;
    });
}

void onAfterDraw(void *userData, std::int32_t index)
{
    relay(userData, [index](TPMultiImage &owner) {
        if (owner.OnAfterAnnotationDraw)
            owner.OnAfterAnnotationDraw(&owner, index);
    });
}

// The layer asks for its window to be drawn again.
void onFlush(void *user, std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    static_cast<TPMultiImage *>(user)->update();
}

} // namespace

QString AnnotationLayer::missingExportMessage(const char *exportName)
{
    return QStringLiteral("Error. Could not get a procaddress for ") + QLatin1String(exportName)
        + QStringLiteral(". This could be") + QLatin1Char(' ')
        + QStringLiteral("related to a dll name or version missmatch of ") + CRDE2000().dllName();
}

void *AnnotationLayer::bind(const char *exportName) const
{
    void *address = CRDE2000().symbol(exportName);
    if (!address)
        throw ErrorInvalid(missingExportMessage(exportName));
    return address;
}

void AnnotationLayer::raiseRelayed()
{
    if (std::exception_ptr error = std::exchange(relay_.error, nullptr))
        std::rethrow_exception(error);
}

bool AnnotationLayer::succeeded(int status)
{
    raiseRelayed();
    if (status >= 1)
        return true;
    recordFailure(status);
    return false;
}

AnnotationLayer::AnnotationLayer(TPMultiImage &owner) : owner_(owner), relay_{&owner, nullptr}
{
    window_.flush = &onFlush;
    window_.user = &owner_;
    const auto init = function<InitFn>("InitAnnotation");
    const QByteArray settings = QFile::encodeName(platform::windowsFolder() + QStringLiteral("il_anno.ini"));
    const int status = init(&owner_, &window_, &relay_, settings.constData(), &onDone, &onCustomDraw,
                            &onCustomHardDraw, &onBeforeDraw, &onAfterDraw);
    if (status < 1) {
        recordFailure(status);
        throw ErrorInvalid(LastImagingError.Text);
    }
}

AnnotationLayer::~AnnotationLayer()
{
    // the library may have been released at program end: then the layer is gone with it
    if (CRDE2000().isLoaded()) {
        if (const auto destroy = reinterpret_cast<ComponentFn>(CRDE2000().symbol("DestroyAnnotation")))
            destroy(&owner_);
    }
}

bool AnnotationLayer::clear()
{
    return succeeded(function<ComponentFn>("ClearAnnotation")(&owner_));
}

bool AnnotationLayer::draw(QImage &window, QPoint origin, double zoom, QPoint offset)
{
    const auto drawExport = function<DrawFn>("DrawAnnotation");
    window_.bits = window.bits();
    window_.width = window.width();
    window_.height = window.height();
    window_.stride = std::int32_t(window.bytesPerLine());
    const int status = drawExport(&owner_, origin.x(), origin.y(), zoom, offset.x(), offset.y());
    // the layer draws only while the program paints
    window_.bits = nullptr;
    return succeeded(status);
}

int AnnotationLayer::mouse(int message, QPoint point)
{
    const auto monitor = function<MouseFn>("MouseMon");
    const std::int32_t packed = std::int32_t(std::uint32_t(std::uint16_t(point.x())) | std::uint32_t(std::uint16_t(point.y())) << 16);
    const int hit = monitor(&owner_, message, 0, packed);
    raiseRelayed();
    return hit;
}

bool AnnotationLayer::menu(int command)
{
    return succeeded(function<MenuFn>("MenuMsg")(&owner_, command));
}

bool AnnotationLayer::rubberBandOff()
{
    return succeeded(function<ComponentFn>("RubberBandOFF")(&owner_));
}

bool AnnotationLayer::load(int page, const QString &file)
{
    const QByteArray path = QFile::encodeName(file);
    return succeeded(function<FileFn>("LoadAnnotation")(&owner_, page, path.constData()));
}

bool AnnotationLayer::save(int page, const QString &file)
{
    const QByteArray path = QFile::encodeName(file);
    return succeeded(function<FileFn>("SaveAnnotation")(&owner_, page, path.constData()));
}

} // namespace imaging
