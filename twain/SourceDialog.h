#pragma once
// The source's own window, shown when the application enables it with
// ShowUI: the device's main settings, "Scan" and "Cancel".  Scan asks the
// application for a transfer, Cancel (or closing the window) asks it to
// close the source.
#include "DeviceCapabilities.h"
#include "twain.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace dsm {

class SourceDialog : public QDialog {
public:
    SourceDialog(QWidget *parent, DeviceCapabilities &capabilities, const QString &deviceName,
                 std::function<void(TW_UINT16)> notify);

protected:
    void reject() override;

private:
    void scan();

    DeviceCapabilities &capabilities_;
    std::function<void(TW_UINT16)> notify_;
    QComboBox *mode_;
    QSpinBox *resolution_;
    QCheckBox *feeder_ = nullptr;
};

} // namespace dsm
