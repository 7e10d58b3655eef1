#include "SelectSourceDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace dsm {

SelectSourceDialog::SelectSourceDialog(QWidget *parent, SaneLibrary &sane, const std::string &preselected)
    : QDialog(parent), sane_(sane), preselected_(preselected)
{
    setObjectName(QStringLiteral("SelectSourceDialog"));
    setWindowTitle(QStringLiteral("Sélection de la source"));
    status_ = new QLabel(QStringLiteral("Recherche des scanners…"), this);
    status_->setObjectName(QStringLiteral("status"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("sources"));
    buttons_ = new QDialogButtonBox(this);
    select_ = buttons_->addButton(QStringLiteral("Sélectionner"), QDialogButtonBox::AcceptRole);
    select_->setEnabled(false);
    buttons_->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(list_);
    layout->addWidget(buttons_);
    resize(360, 240);

    // Probing can take seconds; the dialog stays live meanwhile.
    probe_ = std::thread([this] {
        sane_.devices();
        QMetaObject::invokeMethod(this, [this] { showDevices(); }, Qt::QueuedConnection);
    });
}

SelectSourceDialog::~SelectSourceDialog()
{
    probe_.join();
}

void SelectSourceDialog::showDevices()
{
    const std::vector<SaneDeviceInfo> &devices = sane_.devices();
    status_->setText(devices.empty() ? QStringLiteral("Aucun scanner trouvé.")
                                     : QStringLiteral("Scanners disponibles :"));
    for (const SaneDeviceInfo &device : devices) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 %2 (%3)").arg(QString::fromStdString(device.vendor),
                                            QString::fromStdString(device.model),
                                            QString::fromStdString(device.name)),
            list_);
        if (device.name == preselected_ || list_->count() == 1)
            list_->setCurrentItem(item);
    }
    select_->setEnabled(!devices.empty());
}

std::optional<SaneDeviceInfo> SelectSourceDialog::chosen() const
{
    const int row = list_->currentRow();
    if (result() != QDialog::Accepted || row < 0)
        return std::nullopt;
    // The list was filled on the dialog's thread once probing had finished.
    return sane_.devices().at(size_t(row));
}

} // namespace dsm
