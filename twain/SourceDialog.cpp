#include "SourceDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace dsm {

SourceDialog::SourceDialog(QWidget *parent, DeviceCapabilities &capabilities, const QString &deviceName,
                           std::function<void(TW_UINT16)> notify)
    : QDialog(parent), capabilities_(capabilities), notify_(std::move(notify))
{
    setObjectName(QStringLiteral("SourceDialog"));
    setWindowTitle(deviceName);
    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("mode"));
    mode_->addItem(QStringLiteral("Noir et blanc"), TWPT_BW);
    mode_->addItem(QStringLiteral("Niveaux de gris"), TWPT_GRAY);
    mode_->addItem(QStringLiteral("Couleur"), TWPT_RGB);
    mode_->setCurrentIndex(mode_->findData(capabilities_.pixelType()));
    resolution_ = new QSpinBox(this);
    resolution_->setObjectName(QStringLiteral("resolution"));
    resolution_->setRange(10, 1200);
    resolution_->setSuffix(QStringLiteral(" dpi"));
    resolution_->setValue(int(std::lround(capabilities_.resolution())));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Mode :"), mode_);
    form->addRow(QStringLiteral("Résolution :"), resolution_);
    if (capabilities_.hasFeeder()) {
        feeder_ = new QCheckBox(QStringLiteral("Chargeur de documents"), this);
        feeder_->setObjectName(QStringLiteral("feeder"));
        feeder_->setChecked(capabilities_.feederActive());
        form->addRow(feeder_);
    }
    auto *scanButton = new QPushButton(QStringLiteral("Scan"), this);
    scanButton->setObjectName(QStringLiteral("scanButton"));
    scanButton->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(scanButton, &QPushButton::clicked, this, [this] { scan(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { reject(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(scanButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void SourceDialog::scan()
{
    // What the device cannot take stays as it was; the scan goes on with its own values.
    capabilities_.setPixelType(TW_UINT16(mode_->currentData().toInt()));
    capabilities_.setResolution(resolution_->value());
    if (feeder_)
        capabilities_.setFeeder(feeder_->isChecked());
    notify_(MSG_XFERREADY);
}

void SourceDialog::reject()
{
    QDialog::reject();
    notify_(MSG_CLOSEDSREQ);
}

} // namespace dsm
