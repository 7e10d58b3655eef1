#pragma once
// A progress window for the imaging library's long calls: it shows the
// operation's caption and percentage as a component relays them, appears
// only for calls that last, and its "Arrêter" button asks the library to
// stop.  The calls run on the GUI thread: the window keeps itself painted.
#include "TMultiP.h"

#include <QObject>

class QProgressDialog;

namespace imaging {

class TImagingProgress : public QObject {
    Q_OBJECT
public:
    explicit TImagingProgress(QWidget *parent);

    // For a component's OnProgress.
    TILMesProgress handler();
    void progress(int percent, const QString &caption, bool &cancel);
    QProgressDialog *window() const { return window_; }

private:
    QProgressDialog *window_;
};

} // namespace imaging
