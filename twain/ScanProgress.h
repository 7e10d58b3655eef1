#pragma once
// The source's progress window while a page is read, when the application
// asks for indicators: rows read so far, and a button that stops the scan.
#include <QPointer>

#include <functional>

class QProgressDialog;
class QWidget;

namespace dsm {

class ScanProgress {
public:
    // lines <= 0: the height is not known, the window only shows that it works.
    ScanProgress(QWidget *parent, int lines, std::function<void()> cancel);
    ~ScanProgress();
    ScanProgress(const ScanProgress &) = delete;
    ScanProgress &operator=(const ScanProgress &) = delete;

    void rowDone();

private:
    QPointer<QProgressDialog> dialog_;
    std::function<void()> cancel_;
    int rows_ = 0;
    bool cancelled_ = false;
};

} // namespace dsm
