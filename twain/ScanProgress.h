#pragma once
// The source's progress while a page is read, when the application asks
// for indicators: the program's progress window ("Annuler" stops the scan),
// counting rows.
#include "ProgressWindow.h"

#include <functional>

class QWidget;

namespace dsm {

class ScanProgress {
public:
    // lines <= 0: the height is not known, the window only shows that it works.
    ScanProgress(QWidget *parent, int lines, std::function<void()> cancel);

    void rowDone();

private:
    platform::ProgressWindow window_;
    platform::ProgressStep step_;
    std::function<void()> cancel_;
    bool cancelled_ = false;
};

} // namespace dsm
