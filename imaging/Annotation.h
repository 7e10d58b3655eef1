#pragma once
// The annotation layer of a TPMultiImage, kept by the file library
// (CRDE2000.DLL): this class binds its exports, gives it the component's
// window as a surface and relays its callbacks to the component's events.
// A missing export raises ErrorInvalid; a failing one records its status in
// LastImagingError and answers false.
#include "ilsurface.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <exception>

namespace imaging {

class TPMultiImage;

class AnnotationLayer {
public:
    // InitAnnotation with the settings file "il_anno.ini" of the Windows folder.
    explicit AnnotationLayer(TPMultiImage &owner);
    // DestroyAnnotation.
    ~AnnotationLayer();
    AnnotationLayer(const AnnotationLayer &) = delete;
    AnnotationLayer &operator=(const AnnotationLayer &) = delete;

    bool clear();
    // Draws the annotations onto the window's pixels (32 bits per pixel).
    bool draw(QImage &window, QPoint origin, double zoom, QPoint offset);
    // A mouse message (512 move, 513/514 left down/up, 516/517 right down/up)
    // at a window point; the index of the annotation under a press, else -1.
    int mouse(int message, QPoint point);
    bool menu(int command);
    bool rubberBandOff();
    bool load(int page, const QString &file);
    bool save(int page, const QString &file);

    static QString missingExportMessage(const char *exportName);

    // What the library's callbacks get: an error an event handler raises is
    // kept here and raised again once the export has returned.
    struct Relay {
        TPMultiImage *owner;
        std::exception_ptr error;
    };

private:
    void *bind(const char *exportName) const;
    template <typename Fn> Fn function(const char *exportName) const { return reinterpret_cast<Fn>(bind(exportName)); }
    bool succeeded(int status);
    void raiseRelayed();

    TPMultiImage &owner_;
    ILSurface window_{};
    Relay relay_;
};

} // namespace imaging
