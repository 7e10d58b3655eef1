#include "DataSource.h"

#include "twainidentity.h"

#include "DibBuilder.h"
#include "SaneStatus.h"
#include "ScanProgress.h"
#include "SourceDialog.h"
#include "twainmsg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <chrono>
#include <thread>

namespace dsm {

namespace {

int notificationType()
{
    static const int type = QEvent::registerEventType();
    return type;
}

// What the source posts to itself to reach the application's loop.
class Notification : public QEvent {
public:
    explicit Notification(TW_UINT16 message) : QEvent(Type(notificationType())), message_(message) {}
    TW_UINT16 message() const { return message_; }
private:
    TW_UINT16 message_;
};

} // namespace

DataSource::DataSource(std::unique_ptr<SaneDevice> device, const TW_IDENTITY &identity)
    : device_(std::move(device)), capabilities_(*device_), identity_(identity), notifier_(std::make_unique<QObject>())
{
    if (isDemonstrationSource(identity))
        capabilities_.glassOnly();
}

DataSource::~DataSource()
{
    closeDialog();
}

TW_UINT16 DataSource::answer(Reply reply)
{
    condition_ = reply.condition;
    return reply.code;
}

TW_UINT16 DataSource::entry(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (dat == DAT_STATUS && msg == MSG_GET && data)
        return status(static_cast<TW_STATUS *>(data));
    if (data == nullptr)
        return fail(TWCC_BADVALUE);
    if (dg == DG_CONTROL) {
        switch (dat) {
        case DAT_CAPABILITY: return capability(msg, static_cast<TW_CAPABILITY *>(data));
        case DAT_USERINTERFACE: return userInterface(msg, static_cast<TW_USERINTERFACE *>(data));
        case DAT_EVENT:
            if (msg == MSG_PROCESSEVENT)
                return processEvent(static_cast<TW_EVENT *>(data));
            break;
        case DAT_PENDINGXFERS: return pendingTransfers(msg, static_cast<TW_PENDINGXFERS *>(data));
        default: break;
        }
    } else if (dg == DG_IMAGE) {
        if (dat == DAT_IMAGELAYOUT)
            return imageLayout(msg, static_cast<TW_IMAGELAYOUT *>(data));
        if (dat == DAT_IMAGENATIVEXFER && msg == MSG_GET)
            return nativeTransfer(static_cast<TW_HANDLE *>(data));
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::status(TW_STATUS *status)
{
    // Reading the condition clears it.
    status->ConditionCode = condition_;
    status->Reserved = 0;
    condition_ = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::capability(TW_UINT16 msg, TW_CAPABILITY *capability)
{
    switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT: return answer(capabilities_.get(msg, capability));
    case MSG_SET:
        // Capabilities are negotiated while the source is open, not enabled.
        if (state_ != 4)
            return fail(TWCC_SEQERROR);
        return answer(capabilities_.set(*capability));
    default: return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::imageLayout(TW_UINT16 msg, TW_IMAGELAYOUT *layout)
{
    if (msg == MSG_GET || msg == MSG_GETCURRENT)
        return answer(capabilities_.getLayout(layout));
    if (msg != MSG_SET)
        return fail(TWCC_BADPROTOCOL);
    if (state_ != 4)
        return fail(TWCC_SEQERROR);
    return answer(capabilities_.setLayout(*layout));
}

TW_UINT16 DataSource::userInterface(TW_UINT16 msg, TW_USERINTERFACE *ui)
{
    if (msg == MSG_ENABLEDS) {
        if (state_ != 4)
            return fail(TWCC_SEQERROR);
        state_ = 5;
        parent_ = static_cast<QWidget *>(ui->hParent);
        pageStarted_ = false;
        transferFailed_ = false;
        deferred_ = SANE_STATUS_GOOD;
        if (ui->ShowUI) {
            auto *dialog = new SourceDialog(static_cast<QWidget *>(ui->hParent), capabilities_,
                                            QString::fromUtf8(identity_.ProductName),
                                            [this](TW_UINT16 message) { notify(message); });
            dialog_ = dialog;
            dialog->show();
        } else {
            notify(MSG_XFERREADY);
        }
        return answer(Reply::success());
    }
    if (msg == MSG_DISABLEDS) {
        if (state_ != 5)
            return fail(TWCC_SEQERROR);
        closeDialog();
        QCoreApplication::removePostedEvents(notifier_.get());
        device_->cancel();
        state_ = 4;
        return answer(Reply::success());
    }
    return fail(TWCC_BADPROTOCOL);
}

void DataSource::closeDialog()
{
    delete dialog_.data();
}

void DataSource::notify(TW_UINT16 message)
{
    QCoreApplication::postEvent(notifier_.get(), new Notification(message));
}

TW_UINT16 DataSource::processEvent(TW_EVENT *event)
{
    event->TWMessage = MSG_NULL;
    const auto *message = static_cast<const TwainWindowMessage *>(event->pEvent);
    if (state_ < 5 || message == nullptr || message->receiver != notifier_.get() || message->event == nullptr
        || message->event->type() != notificationType())
        return TWRC_NOTDSEVENT;
    event->TWMessage = static_cast<const Notification *>(message->event)->message();
    if (event->TWMessage == MSG_XFERREADY) {
        // A second "Scan" while a transfer is under way asks for nothing.
        if (state_ != 5)
            event->TWMessage = MSG_NULL;
        else
            state_ = 6;
    }
    return TWRC_DSEVENT;
}

SANE_Status DataSource::startPage()
{
    // A device answers no option while it scans: the page's resolution is
    // read before it starts.
    pageResolution_ = capabilities_.resolution();
    return device_->start();
}

TW_UINT16 DataSource::nativeTransfer(TW_HANDLE *handle)
{
    *handle = nullptr;
    if (state_ != 6)
        return fail(TWCC_SEQERROR);
    SANE_Status status = deferred_;
    deferred_ = SANE_STATUS_GOOD;
    if (status == SANE_STATUS_GOOD && !pageStarted_)
        status = startPage();
    pageStarted_ = false;
    SANE_Parameters parameters{};
    if (status == SANE_STATUS_GOOD)
        status = device_->parameters(&parameters);
    std::unique_ptr<DibWriter> writer;
    std::vector<unsigned char> data;
    DibResult built = DibResult::Done;
    std::unique_ptr<ScanProgress> progress;
    if (status == SANE_STATUS_GOOD && capabilities_.indicators())
        progress = std::make_unique<ScanProgress>(parent_.data(), parameters.lines, [this] { device_->cancel(); });
    auto advance = [&progress] {
        if (progress)
            progress->rowDone();
    };
    if (status == SANE_STATUS_GOOD && parameters.lines > 0) {
        // The height is known: rows go straight into the DIB.
        built = DibWriter::create(parameters, parameters.lines, pageResolution_, &writer);
        if (built == DibResult::Done)
            status = device_->readRows(parameters, [&](const unsigned char *row) {
                writer->addRow(row);
                advance();
            });
    } else if (status == SANE_STATUS_GOOD) {
        const size_t rowBytes = size_t(parameters.bytes_per_line);
        status = device_->readRows(parameters, [&](const unsigned char *row) {
            data.insert(data.end(), row, row + rowBytes);
            advance();
        });
    }
    progress.reset();
    HGLOBAL dib = nullptr;
    Reply reply = replyFor(status);
    if (status == SANE_STATUS_GOOD && built == DibResult::Done) {
        if (writer)
            dib = writer->release();
        else
            built = buildDib(parameters, data, pageResolution_, &dib);
    }
    if (status == SANE_STATUS_GOOD && (built != DibResult::Done || dib == nullptr))
        reply = Reply::failure(built == DibResult::NoMemory ? TWCC_LOWMEMORY : TWCC_OPERATIONERROR);
    if (dib == nullptr) {
        // No further page after a failure: the device stops here.  A backend
        // may still be starting the thread that feeds it, which must not be
        // cancelled in the middle of an allocation (SANE's test backend hangs
        // then): give it a moment first.  Only failures pay for it.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        device_->cancel();
        transferFailed_ = true;
        state_ = reply.code == TWRC_CANCEL ? 7 : 6;
        return answer(reply);
    }
    state_ = 7;
    *handle = dib;
    condition_ = TWCC_SUCCESS;
    return TWRC_XFERDONE;
}

TW_UINT16 DataSource::pendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS *pending)
{
    pending->EOJ = 0;
    if (msg == MSG_GET) {
        if (state_ < 4)
            return fail(TWCC_SEQERROR);
        pending->Count = state_ >= 6 ? 0xFFFF : 0;
        return TWRC_SUCCESS;
    }
    if (msg == MSG_RESET) {
        if (state_ != 6)
            return fail(TWCC_SEQERROR);
        device_->cancel();
        pageStarted_ = false;
        deferred_ = SANE_STATUS_GOOD;
        pending->Count = 0;
        state_ = 5;
        return TWRC_SUCCESS;
    }
    if (msg != MSG_ENDXFER)
        return fail(TWCC_BADPROTOCOL);
    if (state_ != 6 && state_ != 7)
        return fail(TWCC_SEQERROR);
    pending->Count = 0;
    if (!transferFailed_ && capabilities_.feederActive()) {
        // Feed the next sheet now: only the feeder knows whether there is one.
        const SANE_Status status = startPage();
        if (status == SANE_STATUS_GOOD)
            pageStarted_ = true;
        else if (status != SANE_STATUS_NO_DOCS)
            deferred_ = status;
        if (status != SANE_STATUS_NO_DOCS)
            pending->Count = 0xFFFF; // -1: more to come, how many is unknown
    }
    if (pending->Count == 0) {
        device_->cancel();
        transferFailed_ = false;
        state_ = 5;
    } else {
        state_ = 6;
    }
    return TWRC_SUCCESS;
}

} // namespace dsm
