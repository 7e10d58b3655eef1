#pragma once
// Applying a filter to a whole picture held by an image control: computed
// into a second image under a progress window whose button stops the work,
// and put in place only when complete, so that a stopped or failing filter
// leaves the picture as it was.
#include "PGPixelGraphic.h"
#include "ProgressWindow.h"

#include <QString>

class QWidget;
class TPGFilter;
class TPGImage;

// Shows the progress of Graphic's long operations in the program's progress
// window while it lives; its button makes the next progress report ask the
// operation to stop.
class TPGProgressWindow {
public:
    TPGProgressWindow(TPixelGraphic &Graphic, const QString &Caption, QWidget *Parent);
    ~TPGProgressWindow();
    TPGProgressWindow(const TPGProgressWindow &) = delete;
    TPGProgressWindow &operator=(const TPGProgressWindow &) = delete;

    bool Stopped() const { return window_.stopped(); }

private:
    TPixelGraphic &graphic_;
    platform::ProgressWindow window_;
};

// Holder's image becomes Filter(Holder's image).  False when there is no
// image or the user stopped the work.  A filter's error propagates (its
// message in the library's language).  Unless it returns true, Holder's image
// is untouched.
bool ApplyFilterWithProgress(TPGImage &Holder, TPGFilter &Filter, const QString &Caption, QWidget *Parent);
