#pragma once
// One open data source: a SANE device walked through the source's states
// 4 (open) to 7 (transferring).  With ShowUI off, enabling it scans at once:
// MSG_XFERREADY reaches the application through its next MSG_PROCESSEVENT.
#include "DeviceCapabilities.h"
#include "SaneDevice.h"
#include "twain.h"

#include <QPointer>

#include <memory>

class QDialog;
class QObject;
class QWidget;

namespace dsm {

class DataSource {
public:
    DataSource(std::unique_ptr<SaneDevice> device, const TW_IDENTITY &identity);
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    TW_UINT16 entry(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    const TW_IDENTITY &identity() const { return identity_; }
    int state() const { return state_; }

private:
    TW_UINT16 answer(Reply reply);
    TW_UINT16 fail(TW_UINT16 condition) { return answer(Reply::failure(condition)); }
    TW_UINT16 capability(TW_UINT16 msg, TW_CAPABILITY *capability);
    TW_UINT16 imageLayout(TW_UINT16 msg, TW_IMAGELAYOUT *layout);
    TW_UINT16 userInterface(TW_UINT16 msg, TW_USERINTERFACE *ui);
    TW_UINT16 processEvent(TW_EVENT *event);
    TW_UINT16 nativeTransfer(TW_HANDLE *handle);
    TW_UINT16 pendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS *pending);
    TW_UINT16 status(TW_STATUS *status);
    void notify(TW_UINT16 message);
    void closeDialog();
    SANE_Status startPage();

    std::unique_ptr<SaneDevice> device_;
    DeviceCapabilities capabilities_;
    TW_IDENTITY identity_;
    int state_ = 4;
    TW_UINT16 condition_ = TWCC_SUCCESS;
    std::unique_ptr<QObject> notifier_;
    QPointer<QDialog> dialog_;
    // The application's window, parent of what the source shows.
    QPointer<QWidget> parent_;
    bool pageStarted_ = false;
    double pageResolution_ = 0; // dots per inch of the page being scanned
    bool transferFailed_ = false;
    // A failure met while feeding the next page, told at its transfer.
    SANE_Status deferred_ = SANE_STATUS_GOOD;
};

} // namespace dsm
