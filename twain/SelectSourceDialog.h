#pragma once
// The source manager's choice of a scanner: the SANE devices in a list,
// probed in the background while the dialog says it is searching.
#include "SaneDevice.h"

#include <QDialog>

#include <optional>
#include <thread>

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace dsm {

class SelectSourceDialog : public QDialog {
public:
    SelectSourceDialog(QWidget *parent, SaneLibrary &sane, const std::string &preselected);
    ~SelectSourceDialog() override;

    // The device chosen, after the dialog was accepted.
    std::optional<SaneDeviceInfo> chosen() const;

private:
    void showDevices();

    SaneLibrary &sane_;
    std::string preselected_;
    std::thread probe_;
    QLabel *status_;
    QListWidget *list_;
    QDialogButtonBox *buttons_;
    QPushButton *select_;
};

} // namespace dsm
