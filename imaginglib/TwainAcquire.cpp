// Scanning through the TWAIN source manager libtwain_32.so: one page from
// the default source (aquiredibimage) and the manager's own choice of a
// source (selectsource).  Sources talk to their application through its Qt
// event loop, so acquiring runs a nested loop that offers every event to the
// source before it is delivered, until the page has come or the user closed
// the source's dialog.
#include "crde2000.h"

#include "Convert.h"
#include "DibHandles.h"
#include "ErrorTable.h"
#include "twainidentity.h"
#include "twainmsg.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include <dlfcn.h>

#include <string>

using namespace imaginglib;

namespace {

const char *const ManagerFile = "libtwain_32.so";

// The manager beside this library first (the program's library folder), then the system's.
void *loadManager()
{
    Dl_info self{};
    if (dladdr(reinterpret_cast<void *>(&loadManager), &self) && self.dli_fname) {
        std::string path = self.dli_fname;
        path.erase(path.find_last_of('/') + 1);
        if (void *module = dlopen((path + ManagerFile).c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
    }
    return dlopen(ManagerFile, RTLD_NOW | RTLD_LOCAL);
}

// One session with the source manager, walked back down to "not loaded"
// from wherever it stopped when it ends.
class TwainSession {
public:
    explicit TwainSession(void *window) : window_(window) {}
    TwainSession(const TwainSession &) = delete;
    TwainSession &operator=(const TwainSession &) = delete;
    ~TwainSession()
    {
        if (enabled_) {
            TW_USERINTERFACE ui{0, 0, window_};
            callSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        }
        if (sourceOpen_)
            callManager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
        if (managerOpen_)
            callManager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &window_);
        if (module_)
            dlclose(module_);
    }

    bool openManager()
    {
        module_ = loadManager();
        if (module_)
            entry_ = reinterpret_cast<DSMENTRYPROC>(dlsym(module_, "DSM_Entry"));
        managerOpen_ = entry_ && callManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window_) == TWRC_SUCCESS;
        return managerOpen_;
    }

    // The default source, which the user's last choice made.
    TW_UINT16 defaultSource() { return callManager(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &source_); }
    TW_UINT16 chooseSource() { return callManager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &source_); }

    bool openSource()
    {
        sourceOpen_ = callManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_) == TWRC_SUCCESS;
        return sourceOpen_;
    }

    bool enableSource(bool showUserInterface)
    {
        TW_USERINTERFACE ui{TW_BOOL(showUserInterface ? 1 : 0), 0, window_};
        enabled_ = callSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS;
        return enabled_;
    }

    // Offers one event; the source's answer, MSG_NULL when the event is not the source's.
    TW_UINT16 offer(QObject *receiver, QEvent *event, bool &claimed)
    {
        TwainWindowMessage message{receiver, event};
        TW_EVENT twainEvent{&message, MSG_NULL};
        claimed = callSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &twainEvent) == TWRC_DSEVENT;
        return claimed ? twainEvent.TWMessage : TW_UINT16(MSG_NULL);
    }

    // The first page by native transfer; the pages after it are dropped.
    HGLOBAL transferPage()
    {
        TW_HANDLE page = nullptr;
        const bool done = callSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &page) == TWRC_XFERDONE;
        TW_PENDINGXFERS pending{};
        callSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        if (pending.Count != 0)
            callSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
        if (!done && page) {
            GlobalFree(page);
            page = nullptr;
        }
        return static_cast<HGLOBAL>(page);
    }

private:
    TW_UINT16 callManager(TW_UINT32 group, TW_UINT16 data, TW_UINT16 message, TW_MEMREF what)
    {
        return entry_(&identity_, nullptr, group, data, message, what);
    }
    TW_UINT16 callSource(TW_UINT32 group, TW_UINT16 data, TW_UINT16 message, TW_MEMREF what)
    {
        return entry_(&identity_, &source_, group, data, message, what);
    }

    void *window_;
    void *module_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    TW_IDENTITY identity_ = twainIdentity("1.0", "Quillon", "Imaging", "CRDE2000");
    TW_IDENTITY source_{};
    bool managerOpen_ = false;
    bool sourceOpen_ = false;
    bool enabled_ = false;
};

// Offers every event of the application to the source until it hands over
// a page or asks to be closed.
class SourceEventFilter : public QObject {
public:
    explicit SourceEventFilter(TwainSession &session) : session_(session)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~SourceEventFilter() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool finished() const { return finished_; }
    // The source offered a page but the transfer failed (paper jam, cover open...).
    bool transferFailed() const { return transferFailed_; }
    HGLOBAL takePage()
    {
        HGLOBAL page = page_;
        page_ = nullptr;
        return page;
    }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        // Events delivered while the source works (its progress window) are not offered again.
        if (busy_ || finished_)
            return false;
        busy_ = true;
        bool claimed = false;
        switch (session_.offer(receiver, event, claimed)) {
        case MSG_NULL: break;
        case MSG_XFERREADY:
            page_ = session_.transferPage();
            transferFailed_ = page_ == nullptr;
            finished_ = true;
            break;
        default: finished_ = true; // MSG_CLOSEDSREQ: the user closed the source's dialog
        }
        busy_ = false;
        return claimed;
    }

private:
    TwainSession &session_;
    HGLOBAL page_ = nullptr;
    bool busy_ = false;
    bool finished_ = false;
    bool transferFailed_ = false;
};

} // namespace

extern "C" {

ILSTATUS aquiredibimage(void *window, int32_t bits, int32_t dither, int16_t, HGLOBAL *dib, HPALETTE, void *,
                        ILPROGRESSPROC, int16_t option)
{
    return guarded([&]() -> ILSTATUS {
        if (!dib || (bits != 0 && bits != 1 && bits != 4 && bits != 8 && bits != 24))
            return IL_ERR_BAD_PARAMETER;
        *dib = nullptr;
        if (!QCoreApplication::instance())
            return IL_ERR_NO_SOURCE_MANAGER;
        TwainSession session(window);
        if (!session.openManager())
            return IL_ERR_NO_SOURCE_MANAGER;
        if (session.defaultSource() != TWRC_SUCCESS || !session.openSource()
            || !session.enableSource((option & IL_ACQUIRE_NO_UI) == 0))
            return IL_ERR_SCAN_FAILED;
        SourceEventFilter filter(session);
        while (!filter.finished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        GlobalBlock page(filter.takePage());
        if (!page)
            return filter.transferFailed() ? IL_ERR_SCAN_FAILED : IL_ERR_STOPPED;
        codecs::Image image = imageFromHandle(page.get());
        if (bits != 0 && bits != image.bits())
            image = codecs::convertDepth(image, bits, dither != 0);
        *dib = handleFromImage(std::move(image));
        return 1;
    });
}

ILSTATUS selectsource(void *window, int16_t)
{
    return guarded([&]() -> ILSTATUS {
        TwainSession session(window);
        if (!session.openManager())
            return IL_ERR_NO_SOURCE_MANAGER;
        session.defaultSource(); // preselects the current choice
        switch (session.chooseSource()) {
        case TWRC_SUCCESS: return 1;
        case TWRC_CANCEL: return IL_ERR_STOPPED;
        default: return IL_ERR_SCAN_FAILED;
        }
    });
}

} // extern "C"
