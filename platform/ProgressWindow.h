#pragma once
// The program's one progress window, for work that runs on the GUI thread.
// It lives exactly as long as the work: made when the work starts, closed
// when it ends, whether it succeeds, fails or is stopped (the destructor
// closes it; nothing else can leave it open).  It shows only once the work
// has lasted about half a second, is redrawn at most every few tens of
// milliseconds (each time it lets the window paint and its button be
// pressed), shows what the work reports as given, and its button asks the
// work to stop.
#include "Progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace platform {

enum class StopButton {
    Arreter, // "Arrêter": stops a computation, reading or writing
    Annuler, // "Annuler": cancels a scan
};

struct ProgressLook {
    QString title = QStringLiteral("Traitement en cours");
    StopButton button = StopButton::Arreter;
    QString objectName = QStringLiteral("ProgressWindow"); // for tests and the automation channel
};

class ProgressWindow {
public:
    static constexpr int ShowAfterMilliseconds = 500;
    static constexpr int UpdateMilliseconds = 30;

    // Modal to `parent`'s window, or to the whole program without one.
    explicit ProgressWindow(QWidget *parent, ProgressLook look = {});
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow &) = delete;
    ProgressWindow &operator=(const ProgressWindow &) = delete;

    // One step of the work; false once the button has been pressed.
    bool report(const ProgressStep &step);
    // report() as a Progress to hand to the work; valid while this window lives.
    Progress progress();
    bool stopped() const { return stopped_; }

private:
    void open();

    QPointer<QWidget> parent_;
    ProgressLook look_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceUpdate_;
    QPointer<QProgressDialog> dialog_;
    bool stopped_ = false;
};

} // namespace platform
