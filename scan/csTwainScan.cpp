#include "csTwainScan.h"

#include "MessageBox.h"
#include "Module.h"
#include "TwainDib.h"
#include "ScopeExit.h"
#include "twainidentity.h"
#include "twainmsg.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstring>

namespace {

// The component's texts.
const QString LoadManagerFailed = QStringLiteral("Unable to load Source Manager ");
const QString ManagerLibrary = QStringLiteral("TWAIN_32.DLL");
const QString OpenManagerFailed = QStringLiteral("Unable to open Source Manager.");
const QString OpenSourceFailed = QStringLiteral("Unable to open default Data Source.");
const QString EnableSourceFailed = QStringLiteral("Failed to enable Data Source.");
// Line feed, then carriage return.
const QString Break = QStringLiteral("\n\r");

const char *const KindTexts[] = {"[aucune information disponible]", "", "DAT_CAPABILITY/MSG_GET failed",
                                 "DAT_CAPABILITY/MSG_SET failed", "Erreur Source Manager", "Erreur DataSource"};

const char *const ReturnCodeNames[] = {"TWRC_SUCCESS",   "TWRC_FAILURE",    "TWRC_CHECKSTATUS", "TWRC_CANCEL",
                                       "TWRC_DSEVENT",   "TWRC_NOTDSEVENT", "TWRC_XFERDONE",    "TWRC_ENDOFLIST"};

const char *const ConditionCodeNames[] = {
    "TWCC_SUCCESS",
    "TWCC_BUMMER (Failure due to unknown causes)",
    "TWCC_LOWMEMORY",
    "TWCC_NODS (No Data Source)",
    "TWCC_MAXCONNECTIONS (DS is connected to max possible apps)",
    "TWCC_OPERATIONERROR (DS or DSM reported error, app shouldn't)",
    "TWCC_BADCAP (Unknown capability)",
    "7 (undefined)",
    "8 (undefined)",
    "TWCC_BADPROTOCOL (Unrecognized triplet)",
    "TWCC_BADVALUE (Data parameter out of range)",
    "TWCC_SEQERROR (Triplet out of sequence)",
    "TWCC_BADDEST (Unknown dest. App/Src in DSM_Entry)"};

template <size_t N> QString nameOf(const char *const (&names)[N], unsigned code)
{
    // Codes beyond the table are shown by number, like the table's own gaps.
    return code < N ? QString::fromLatin1(names[code]) : QStringLiteral("%1 (undefined)").arg(code);
}

// The entry point of the loaded manager: one per process.
DSMENTRYPROC DsmEntry = nullptr;

struct SourceManagerOverride {
    bool active = false;
    DSMENTRYPROC entry = nullptr;
};
SourceManagerOverride Override;

// Marks a session as running for the lifetime of the guard.
class SessionGuard {
public:
    explicit SessionGuard(bool &running) : running_(running) { running_ = true; }
    ~SessionGuard() { running_ = false; }
    SessionGuard(const SessionGuard &) = delete;
    SessionGuard &operator=(const SessionGuard &) = delete;
private:
    bool &running_;
};

} // namespace

bool TcsSessionEnd::demonstration() const
{
    return stage > TcsSessionStage::SourceNotOpened && isDemonstrationSource(source);
}

TcsScopedSourceManager::TcsScopedSourceManager(DSMENTRYPROC entry)
{
    Override = {true, entry};
}

TcsScopedSourceManager::~TcsScopedSourceManager()
{
    Override = {};
}

// Offers every event of the nested loop to the source before it is delivered.
class TcsTwainScan::MessageLoopFilter : public QObject {
public:
    explicit MessageLoopFilter(TcsTwainScan &scan) : scan_(scan) { QCoreApplication::instance()->installEventFilter(this); }
    bool finished() const { return quit_ || scan_.pendingException_ != nullptr; }
    bool quitting() const { return quit_; }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (event->type() == QEvent::Quit)
            quit_ = true;
        // Events delivered while the source's own message is handled go their usual way.
        if (busy_ || finished() || scan_.SessionState_ <= 4)
            return false;
        busy_ = true;
        bool claimed = true;
        try {
            claimed = scan_.ProcessSourceEvent(receiver, event);
        } catch (...) {
            // Nothing may be thrown through the event loop: raised again after the session.
            scan_.pendingException_ = std::current_exception();
        }
        busy_ = false;
        return claimed;
    }

private:
    TcsTwainScan &scan_;
    bool busy_ = false;
    bool quit_ = false;
};

TcsTwainScan::TcsTwainScan(QWidget *owner) : QObject(owner), ParentWindow_(owner)
{
    AppIdentity_ = twainIdentity("Version 1.0", "Manufacturer", "Product Family", "Product Name");

    // Frames in centimetres: A4, A5, B5, Legal, Letter.
    const double frames[][2] = {{20.9, 29.6}, {14.8, 20.9}, {17.5, 24.9}, {21.6, 35.6}, {21.6, 27.9}};
    for (int size = fsA4; size <= fsLetter; ++size) {
        FrameTable_[size].Right = FloatToFix32(frames[size - fsA4][0]);
        FrameTable_[size].Bottom = FloatToFix32(frames[size - fsA4][1]);
    }
}

TcsTwainScan::~TcsTwainScan()
{
    SaveSettings();
}

QByteArray TcsTwainScan::AppIdentityData() const
{
    return QByteArray(reinterpret_cast<const char *>(&AppIdentity_), AppIdentitySize);
}

bool TcsTwainScan::SetAppIdentityData(const QByteArray &data)
{
    if (data.size() != AppIdentitySize)
        return false;
    std::memcpy(&AppIdentity_, data.constData(), AppIdentitySize);
    return true;
}

// ---- calls and failures ----

void TcsTwainScan::RecordFailure(uint8_t kind, TW_UINT16 returnCode)
{
    if (ErrorKind_ != 0)
        return;
    ErrorKind_ = kind;
    ErrorReturnCode_ = returnCode;
    ErrorConditionCode_ = QueryConditionCode();
}

TW_UINT16 TcsTwainScan::QueryConditionCode()
{
    if (SessionState_ < 3 || DsmEntry == nullptr)
        return TWCC_SEQERROR;
    TW_STATUS status{};
    TW_IDENTITY *destination = SessionState_ >= 4 ? &SourceIdentity_ : nullptr;
    if (TW_UINT16(DsmEntry(&AppIdentity_, destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status)) != TWRC_SUCCESS)
        return TWCC_BUMMER;
    return status.ConditionCode;
}

TW_UINT16 TcsTwainScan::CallManager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (DsmEntry == nullptr)
        return TWRC_FAILURE;
    const TW_UINT16 code = TW_UINT16(DsmEntry(&AppIdentity_, nullptr, DG_CONTROL, dat, msg, data));
    if (code != TWRC_SUCCESS)
        RecordFailure(4, code);
    return code;
}

TW_UINT16 TcsTwainScan::CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (DsmEntry == nullptr)
        return TWRC_FAILURE;
    const TW_UINT16 code = TW_UINT16(DsmEntry(&AppIdentity_, &SourceIdentity_, dg, dat, msg, data));
    if (code != TWRC_SUCCESS) {
        uint8_t kind = 5;
        if (msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT || msg == MSG_GETFIRST
            || msg == MSG_GETNEXT)
            kind = 2;
        else if (msg == MSG_SET)
            kind = 3;
        RecordFailure(kind, code);
    }
    return code;
}

void TcsTwainScan::ShowError(const QString &text)
{
    if (messages_)
        messages_->show({platform::MessageKind::Error, platform::MessageButtons::Ok, {}, text});
    else
        platform::showError(text);
}

QString TcsTwainScan::TwainErrorText(const QString &text) const
{
    const QString kind = QString::fromLatin1(ErrorKind_ < std::size(KindTexts) ? KindTexts[ErrorKind_] : "");
    if (ErrorKind_ < 2 || ErrorKind_ > 5)
        return text + Break + kind;
    return text + Break + kind + Break + QStringLiteral("RC:  ") + nameOf(ReturnCodeNames, ErrorReturnCode_) + Break
        + QStringLiteral("CC:  ") + nameOf(ConditionCodeNames, ErrorConditionCode_);
}

void TcsTwainScan::ShowTwainError(const QString &text)
{
    ShowError(TwainErrorText(text));
}

// ---- the steps ----

bool TcsTwainScan::LoadSourceManager()
{
    if (Override.active) {
        DsmEntry = Override.entry;
    } else {
        library_ = platform::Module::load(ManagerLibrary);
        DsmEntry = library_ ? library_->function<DSMENTRYPROC>("DSM_Entry") : nullptr;
        if (DsmEntry == nullptr)
            library_.reset();
    }
    if (DsmEntry != nullptr)
        SessionState_ = 2;
    return SessionState_ > 1;
}

bool TcsTwainScan::OpenSourceManager()
{
    QWidget *parent = ParentWindow_.data();
    if (CallManager(DAT_PARENT, MSG_OPENDSM, &parent) == TWRC_SUCCESS)
        SessionState_ = 3;
    return SessionState_ > 2;
}

bool TcsTwainScan::OpenSource()
{
    if (SessionState_ != 3)
        return SessionState_ == 4;
    // An empty product name opens the manager's default source.  Nothing of
    // an earlier source stays: what comes back names this one, also when the
    // manager cannot open it.
    SourceIdentity_ = TW_IDENTITY{};
    setTwainText(SourceIdentity_.ProductName, SourceName_.toStdString());
    if (CallManager(DAT_IDENTITY, MSG_OPENDS, &SourceIdentity_) == TWRC_SUCCESS)
        SessionState_ = 4;
    return SessionState_ == 4;
}

bool TcsTwainScan::EnableSource()
{
    if (SessionState_ != 4)
        return SessionState_ == 5;
    ImageCount_ = 0;
    userInterface_.ShowUI = UserInterface_ ? 0xFFFF : 0;
    userInterface_.ModalUI = 0;
    userInterface_.hParent = ParentWindow_.data();
    if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &userInterface_) != TWRC_FAILURE)
        SessionState_ = 5;
    return SessionState_ == 5;
}

bool TcsTwainScan::DisableSource()
{
    if (SessionState_ == 5 && CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &userInterface_) == TWRC_SUCCESS)
        SessionState_ = 4;
    return SessionState_ < 5;
}

bool TcsTwainScan::CloseSource()
{
    if (SessionState_ == 5)
        DisableSource();
    if (SessionState_ == 4 && CallManager(DAT_IDENTITY, MSG_CLOSEDS, &SourceIdentity_) == TWRC_SUCCESS)
        SessionState_ = 3;
    return SessionState_ < 4;
}

bool TcsTwainScan::CloseSourceManager()
{
    if (SessionState_ >= 4)
        CloseSource();
    if (SessionState_ == 3) {
        QWidget *parent = ParentWindow_.data();
        if (CallManager(DAT_PARENT, MSG_CLOSEDSM, &parent) == TWRC_SUCCESS)
            SessionState_ = 2;
    }
    return SessionState_ < 3;
}

bool TcsTwainScan::UnloadSourceManager()
{
    if (SessionState_ == 2) {
        library_.reset();
        DsmEntry = nullptr;
        SessionState_ = 1;
    }
    return SessionState_ == 1;
}

// ---- the two operations ----

bool TcsTwainScan::SelectSource()
{
    if (sessionRunning_)
        return false;
    ClearError();
    if (!ParentWindow_)
        return false;
    SessionGuard running(sessionRunning_);
    platform::ScopeExit closing([this] {
        CloseSourceManager();
        UnloadSourceManager();
        ClearError();
    });
    if (!StartSourceManager(QStringLiteral("(")))
        return false;
    // The default goes in first so that the manager's dialog preselects it.
    TW_IDENTITY identity{};
    CallManager(DAT_IDENTITY, MSG_GETDEFAULT, &identity);
    if (CallManager(DAT_IDENTITY, MSG_USERSELECT, &identity) != TWRC_SUCCESS)
        return false;
    SourceIdentity_ = identity;
    return true;
}

bool TcsTwainScan::StartSourceManager(const QString &beforeLibrary)
{
    // The two operations word the load failure apart only by what stands before the library's name.
    if (!LoadSourceManager()) {
        ShowError(LoadManagerFailed + beforeLibrary + ManagerLibrary + QStringLiteral(")"));
        return false;
    }
    if (!OpenSourceManager()) {
        ShowError(OpenManagerFailed);
        return false;
    }
    return true;
}

bool TcsTwainScan::OpenSession()
{
    ClearError();
    if (!StartSourceManager(QStringLiteral("(")))
        return false;
    if (!OpenSource()) {
        ShowTwainError(OpenSourceFailed);
        return false;
    }
    return true;
}

void TcsTwainScan::CleanUpSession()
{
    // A session stopped in the middle of a transfer gives its pages back first.
    if (SessionState_ > 5)
        AbortTransfers();
    DisableSource();
    CloseSource();
    CloseSourceManager();
    UnloadSourceManager();
    ClearError();
}

bool TcsTwainScan::Acquire()
{
    // The nested loop lets the application run on; a second session from there would tear this one down.
    if (sessionRunning_)
        return false;
    ClearError();
    SessionEnd_ = TcsSessionEnd{};
    if (!ParentWindow_)
        return false;
    SessionGuard running(sessionRunning_);
    bool result = false;
    pendingException_ = nullptr;
    stopping_.reset();
    bool enabled = false;
    {
        // Written once the session is closed, whichever way it ends.
        platform::ScopeExit recording([this, &enabled] {
            SessionEnd_.stage = stopping_ ? stopping_->first : TcsSessionStage::Completed;
            SessionEnd_.condition = stopping_ ? stopping_->second : TW_UINT16(TWCC_SUCCESS);
            SessionEnd_.pages = enabled ? ImageCount_ : 0;
        });
        platform::ScopeExit cleanUp([this] { CleanUpSession(); });
        if (!StartSourceManager(QStringLiteral(" ("))) {
            const bool loaded = SessionState_ > 1;
            StopSession(loaded ? TcsSessionStage::ManagerNotOpened : TcsSessionStage::ManagerNotLoaded,
                        loaded ? ErrorConditionCode_ : TW_UINT16(TWCC_SUCCESS));
            return false;
        }
        const bool opened = OpenSource();
        SessionEnd_.source = SourceIdentity_;
        if (!opened) {
            StopSession(TcsSessionStage::SourceNotOpened, ErrorConditionCode_);
            ShowTwainError(OpenSourceFailed);
            return false;
        }
        if (!Negotiate()) {
            StopSession(TcsSessionStage::NegotiationRefused);
            return false;
        }
        bool bEnable = true;
        try {
            if (IsAssigned(&TcsTwainScan::OnEnableSource))
                emit OnEnableSource(this, bEnable, NegotiatedCaps_);
        } catch (...) {
            pendingException_ = std::current_exception();
        }
        const bool firstFailure = ErrorKind_ == 0;
        if (!bEnable) {
            StopSession(TcsSessionStage::NegotiationRefused);
        } else if (!EnableSource()) {
            ShowTwainError(EnableSourceFailed);
            StopSession(TcsSessionStage::EnablingRefused, FailedCallCondition(firstFailure));
        } else {
            enabled = true;
            RunMessageLoop();
            result = true;
        }
    }
    if (pendingException_)
        std::rethrow_exception(std::exchange(pendingException_, nullptr));
    return result;
}

void TcsTwainScan::StopSession(TcsSessionStage stage, TW_UINT16 condition)
{
    if (!stopping_)
        stopping_.emplace(stage, condition);
}

TW_UINT16 TcsTwainScan::FailedCallCondition(bool firstFailure)
{
    // The first failure holds the record: the manager or the source still has this one's condition to tell.
    return firstFailure ? ErrorConditionCode_ : QueryConditionCode();
}

// ---- message loop and transfers ----

void TcsTwainScan::RunMessageLoop()
{
    MessageLoopFilter filter(*this);
    while (SessionState_ > 4 && !filter.finished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The application quitting under the session stops it as the user would.
    if (filter.quitting())
        StopSession(TcsSessionStage::Cancelled);
}

bool TcsTwainScan::ProcessSourceEvent(QObject *receiver, QEvent *event)
{
    TwainWindowMessage message{receiver, event};
    TW_EVENT twainEvent{&message, MSG_NULL};
    if (CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &twainEvent) == TWRC_NOTDSEVENT)
        return false;
    switch (twainEvent.TWMessage) {
    case MSG_NULL: break;
    case MSG_XFERREADY:
        SessionState_ = 6;
        TransferImages();
        break;
    default:
        // MSG_CLOSEDSREQ, MSG_CLOSEDSOK and anything else end the session;
        // closing the source's window before any page came is a cancel.
        if (twainEvent.TWMessage == MSG_CLOSEDSREQ && ImageCount_ == 0)
            StopSession(TcsSessionStage::Cancelled);
        DisableSource();
        break;
    }
    return true;
}

void TcsTwainScan::DeliverImage(HGLOBAL dib)
{
    // The DIB is ours: freed and counted whatever the handlers do.
    GlobalBlock owner(dib);
    platform::ScopeExit counting([this] { ++ImageCount_; });
    if (Inverted_)
        InvertDib(dib);
    if (IsAssigned(&TcsTwainScan::OnDibReady))
        emit OnDibReady(this, DibToBitmap(dib));
    if (IsAssigned(&TcsTwainScan::OnMemoryReady))
        emit OnMemoryReady(this, dib);
}

void TcsTwainScan::TransferImages()
{
    bool more = true;
    while (more) {
        TW_HANDLE handle = nullptr;
        if (IsAssigned(&TcsTwainScan::OnNewImage))
            emit OnNewImage(this);
        SessionState_ = 7;
        const bool firstFailure = ErrorKind_ == 0;
        const TW_UINT16 code = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        if (code == TWRC_XFERDONE && handle != nullptr) {
            DeliverImage(handle);
            more = EndTransfer();
        } else if (code == TWRC_CANCEL) {
            // The source may still have pages to give; the session counts as cancelled all the same.
            GlobalRelease(handle);
            StopSession(TcsSessionStage::Cancelled);
            more = EndTransfer();
        } else {
            // A handle that came with a failure is freed too rather than lost; a
            // transfer "done" without a picture counts as failed.
            GlobalRelease(handle);
            StopSession(TcsSessionStage::TransferFailed, FailedCallCondition(firstFailure));
            SessionState_ = 6;
            AbortTransfers();
            more = false;
        }
    }
}

bool TcsTwainScan::EndTransfer()
{
    TW_PENDINGXFERS pending{};
    if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS)
        return false;
    if (pending.Count != 0) {
        SessionState_ = 6;
        return true;
    }
    SessionState_ = 5;
    DisableSource();
    return false;
}

void TcsTwainScan::AbortTransfers()
{
    TW_PENDINGXFERS pending{};
    CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    SessionState_ = 5;
    DisableSource();
}

QImage TcsTwainScan::DibToBitmap(HGLOBAL dib)
{
    return scan::dibToImage(dib);
}

void TcsTwainScan::InvertDib(HGLOBAL dib)
{
    scan::invertDib(dib);
}
