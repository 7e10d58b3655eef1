#pragma once
// TcsTwainScan drives a scanner through the TWAIN source manager
// "TWAIN_32.DLL": one Acquire is one whole session, from loading the manager
// to unloading it, walked one TWAIN state at a time; each page arrives by
// native transfer and is handed out through the events.  The scanner
// settings are negotiated as capabilities before the source is enabled and
// kept in the registry between runs.
#include "MessageBox.h"
#include "globalmem.h"
#include "twain.h"

#include <QImage>
#include <QMetaMethod>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <utility>

namespace platform {
class Module;
}

enum TcsPixelType { pxBW, pxGray, pxRGB, pxPalette };
enum TcsBitDepth { bd1Bit, bd4Bit, bd8Bit, bd24Bit };
enum TcsBitDepthReduction { brThreshold, brHalftones, brCustom, brDiffusion };
enum TcsFrameSize { fsCustom, fsDetected, fsA4, fsA5, fsB5, fsLegal, fsLetter };
enum TcsRootKeyType { THKEY_CURRENT_USER, THKEY_LOCAL_MACHINE };

// One bit per capability that the last negotiation set successfully.
using TcsCapSet = uint32_t;
constexpr TcsCapSet TcsCapBit(int bit) { return TcsCapSet(1) << bit; }

// Where a session stopped.  The component's clean-up clears its record of
// failures; this is what stays of them for the caller.
enum class TcsSessionStage {
    NotStarted,         // refused at once: no live parent window
    ManagerNotLoaded,
    ManagerNotOpened,
    SourceNotOpened,
    NegotiationRefused, // an OnNegotiate or OnEnableSource handler chose not to enable the source
    EnablingRefused,
    Cancelled,          // by the user: the source's own window or its progress window
    TransferFailed,
    Completed,          // the source delivered what it had, which may be nothing
};

// How the last Acquire ended.
struct TcsSessionEnd {
    TcsSessionStage stage = TcsSessionStage::NotStarted;
    // What the manager or the source gave as the condition of the failure that stopped it; TWCC_SUCCESS when none.
    TW_UINT16 condition = TWCC_SUCCESS;
    // Pages delivered, also before a failure or a cancel.
    int pages = 0;
    // The source opened, or the one the manager could not open as far as it said.
    TW_IDENTITY source{};

    // The source opened was the demonstration scanner that stands in when no scanner is connected.
    bool demonstration() const;
};

class TcsTwainScan : public QObject {
    Q_OBJECT
public:
    static constexpr int AppIdentitySize = 156;

    explicit TcsTwainScan(QWidget *owner = nullptr);
    ~TcsTwainScan() override;

    // ---- session ----
    bool SelectSource();
    bool Acquire();
    bool LoadSourceManager();
    bool OpenSourceManager();
    bool OpenSource();
    bool EnableSource();
    bool DisableSource();
    bool CloseSource();
    bool CloseSourceManager();
    bool UnloadSourceManager();
    // Loads and opens the manager and opens its default source (states 1 to 4),
    // showing why when a step fails, as the capability list of the settings
    // dialog needs it; the caller closes whatever was opened.
    bool OpenSession();
    void ShowError(const QString &text);
    // Where the component's message boxes go; null for the program's own.
    // scan::ScopedScannerMessages holds them for a caller that tells the user itself.
    platform::MessageService *MessageService() const { return messages_; }
    void SetMessageService(platform::MessageService *service) { messages_ = service; }
    void ShowTwainError(const QString &text);
    void ClearError() { ErrorKind_ = 0; }
    // The message built by ShowTwainError.
    QString TwainErrorText(const QString &text) const;

    // Offers one event to the enabled source; true when the source claimed it.
    bool ProcessSourceEvent(QObject *receiver, QEvent *event);

    // Completes the DIB's header in place and makes a bitmap of it; a null image when the DIB is unusable.
    static QImage DibToBitmap(HGLOBAL dib);
    // Complements the palette (4 and 8 bits) or the pixels (other depths) in place.
    static void InvertDib(HGLOBAL dib);

    const TW_IDENTITY &AppIdentity() const { return AppIdentity_; }
    void SetAppIdentity(const TW_IDENTITY &identity) { AppIdentity_ = identity; }
    // The identity as the raw 156-byte TW_IDENTITY record, for keeping it with
    // the component's other stored properties; a block of another size is refused.
    QByteArray AppIdentityData() const;
    bool SetAppIdentityData(const QByteArray &data);
    const TW_IDENTITY &SourceIdentity() const { return SourceIdentity_; }
    // A name of an identity, up to its end or its NUL, in UTF-8 as our source manager writes it.
    static QString IdentityText(const TW_STR32 &text);
    // The source the next session opens, by its device name; empty for the
    // source manager's default.
    const QString &SourceName() const { return SourceName_; }
    void SetSourceName(const QString &name) { SourceName_ = name; }
    int SessionState() const { return SessionState_; }
    QWidget *ParentWindow() const { return ParentWindow_.data(); }
    void SetParentWindow(QWidget *window) { ParentWindow_ = window; }
    uint8_t ErrorKind() const { return ErrorKind_; }
    uint16_t ErrorReturnCode() const { return ErrorReturnCode_; }
    uint16_t ErrorConditionCode() const { return ErrorConditionCode_; }
    int16_t ImageCount() const { return ImageCount_; }
    TcsCapSet NegotiatedCaps() const { return NegotiatedCaps_; }
    // Kept until the next Acquire begins; a second Acquire refused while one runs leaves it alone.
    const TcsSessionEnd &SessionEnd() const { return SessionEnd_; }

    // ---- settings ----
    bool UserInterface() const { return UserInterface_; }
    void SetUserInterface(bool value) { UserInterface_ = value; }
    bool Indicators() const { return Indicators_; }
    void SetIndicators(bool value) { Indicators_ = value; }
    bool AutoBrightness() const { return AutoBrightness_; }
    void SetAutoBrightness(bool value) { AutoBrightness_ = value; }
    bool Inverted() const { return Inverted_; }
    void SetInverted(bool value) { Inverted_ = value; }
    bool FeederEnabled() const { return FeederEnabled_; }
    void SetFeederEnabled(bool value) { FeederEnabled_ = value; }
    // Both faces of every sheet, where the feeder can turn them; one face otherwise.
    bool DuplexEnabled() const { return DuplexEnabled_; }
    void SetDuplexEnabled(bool value) { DuplexEnabled_ = value; }
    TcsPixelType PixelType() const { return PixelType_; }
    void SetPixelType(TcsPixelType value);
    TcsBitDepth BitDepth() const { return BitDepth_; }
    void SetBitDepth(TcsBitDepth value);
    TcsBitDepthReduction BitDepthReduction() const { return BitDepthReduction_; }
    void SetBitDepthReduction(TcsBitDepthReduction value) { BitDepthReduction_ = value; }
    int32_t Resolution() const { return Resolution_; }
    void SetResolution(int32_t value);
    TcsFrameSize FrameSize() const { return FrameSize_; }
    void SetFrameSize(TcsFrameSize value) { FrameSize_ = value; }
    uint8_t Brightness() const { return Brightness_; }
    void SetBrightness(uint8_t value);
    uint8_t Contrast() const { return Contrast_; }
    void SetContrast(uint8_t value);
    uint8_t Highlight() const { return Highlight_; }
    void SetHighlight(uint8_t value);
    uint8_t Shadow() const { return Shadow_; }
    void SetShadow(uint8_t value);
    uint8_t Threshold() const { return Threshold_; }
    void SetThreshold(uint8_t value) { Threshold_ = value; }
    TcsRootKeyType RegRootKey() const { return RegRootKey_; }
    void SetRegRootKey(TcsRootKeyType value) { RegRootKey_ = value; }
    const QString &RegCompany() const { return RegCompany_; }
    void SetRegCompany(const QString &value) { RegCompany_ = value; }
    bool FeederLoaded() const { return FeederLoaded_; }
    const TW_FRAME &FrameOf(TcsFrameSize size) const { return FrameTable_[size]; }

    // ---- negotiation and capabilities ----
    bool Negotiate();
    bool SetCapability(TW_UINT16 capability, TW_UINT16 itemType, TW_UINT32 item);
    bool SetScaledCapability(TW_UINT16 capability, uint8_t setting, int divisor);
    bool SetImageLayout();
    bool GetCapabilityRange(TW_UINT16 capability, double &min, double &max, double &step);
    bool GetCapabilityCurrent(TW_UINT16 capability, TW_UINT16 itemType, void *destination);
    QString GetCapabilityText(TW_UINT16 capability);
    static TW_FIX32 FloatToFix32(double value);
    static double Fix32ToFloat(TW_FIX32 value);

    // ---- persistence ----
    // Called by the owner once it has finished loading: reads the settings from the registry.
    void Loaded();
    QString RegistryKeyPath() const;
    void LoadSettings();
    void SaveSettings();

signals:
    void OnNegotiate(QObject *Sender, bool &bEnable, bool &bSetCurrent);
    void OnSetFrame(QObject *Sender, TW_FRAME &aFrame);
    void OnEnableSource(QObject *Sender, bool &bEnable, TcsCapSet CapSet);
    void OnNewImage(QObject *Sender);
    // The handler keeps the bitmap as long as it likes.
    void OnDibReady(QObject *Sender, const QImage &hDib);
    // hMem is a packed DIB, valid only during the call.
    void OnMemoryReady(QObject *Sender, HGLOBAL hMem);

private:
    class MessageLoopFilter;
    struct StoredSetting;
    // The settings kept in the registry, one row per value, read and written alike.
    static std::span<const StoredSetting> storedSettings();

    TW_UINT16 CallManager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    void RecordFailure(uint8_t kind, TW_UINT16 returnCode);
    TW_UINT16 QueryConditionCode();
    void RunMessageLoop();
    void TransferImages();
    void DeliverImage(HGLOBAL dib);
    bool EndTransfer();
    void AbortTransfers();
    // Notes why the session is stopping early; the first reason is the one kept.
    void StopSession(TcsSessionStage stage, TW_UINT16 condition = TWCC_SUCCESS);
    // The condition of the call that just failed: its own, also when an earlier failure holds the record.
    TW_UINT16 FailedCallCondition(bool firstFailure);
    bool StartSourceManager(const QString &beforeLibrary);
    void CleanUpSession();
    bool CheckCapabilityState();
    template <typename Signal> bool IsAssigned(Signal signal) const
    {
        return isSignalConnected(QMetaMethod::fromSignal(signal));
    }

    TW_IDENTITY AppIdentity_{};
    TW_IDENTITY SourceIdentity_{};
    QString SourceName_;
    int SessionState_ = 1;
    QPointer<QWidget> ParentWindow_;
    std::unique_ptr<platform::Module> library_;
    TW_USERINTERFACE userInterface_{};
    uint8_t ErrorKind_ = 0;
    uint16_t ErrorReturnCode_ = 0;
    uint16_t ErrorConditionCode_ = 0;
    int16_t ImageCount_ = 0;
    TcsCapSet NegotiatedCaps_ = 0;
    TcsSessionEnd SessionEnd_;
    platform::MessageService *messages_ = nullptr;
    std::optional<std::pair<TcsSessionStage, TW_UINT16>> stopping_;
    // An exception raised by a handler inside the message loop, raised again once the session is closed.
    std::exception_ptr pendingException_;
    // Set while Acquire or SelectSource runs: a handler that starts another session gets false.
    bool sessionRunning_ = false;

    bool UserInterface_ = false;
    bool Indicators_ = true;
    bool AutoBrightness_ = true;
    bool Inverted_ = false;
    bool FeederEnabled_ = true;
    bool DuplexEnabled_ = false;
    TcsPixelType PixelType_ = pxGray;
    TcsBitDepth BitDepth_ = bd8Bit;
    TcsBitDepthReduction BitDepthReduction_ = brThreshold;
    int32_t Resolution_ = 100;
    TcsFrameSize FrameSize_ = fsA4;
    uint8_t Brightness_ = 125;
    uint8_t Contrast_ = 125;
    uint8_t Highlight_ = 255;
    uint8_t Shadow_ = 0;
    uint8_t Threshold_ = 128;
    TcsRootKeyType RegRootKey_ = THKEY_CURRENT_USER;
    QString RegCompany_;
    bool AutoFeed_ = true;
    bool AutoBorderDetection_ = true;
    bool FeederLoaded_ = false;
    TW_FRAME FrameTable_[fsLetter + 1]{};
};

// While alive, the component takes this entry point instead of loading
// TWAIN_32.DLL; a null entry point stands for a missing library.  For tests.
class TcsScopedSourceManager {
public:
    explicit TcsScopedSourceManager(DSMENTRYPROC entry);
    ~TcsScopedSourceManager();
    TcsScopedSourceManager(const TcsScopedSourceManager &) = delete;
    TcsScopedSourceManager &operator=(const TcsScopedSourceManager &) = delete;
};
