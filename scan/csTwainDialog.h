#pragma once
// TcsTwainDialog lets the user set a TcsTwainScan's settings without the
// scanner driver's own window: Execute builds the settings window
// (TTwainDialogForm), shows it modally over the component's owner and
// destroys it again.  OK leaves the settings in the scanner component, any
// other end puts back what it held.
#include <QFlags>
#include <QObject>
#include <QPointer>

class QWidget;
class TcsTwainScan;

// The optional parts of the window.
enum TTwainDialogOption {
    toBitDepthReduction = 0x1, // the reduction method of black-and-white scans
    toThreshold = 0x2,         // the threshold bar
    toDiagnostic = 0x4,        // the page with the source's identity and capabilities
    toScanTest = 0x8,          // the trial scan page
};
Q_DECLARE_FLAGS(TTwainDialogOptions, TTwainDialogOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TTwainDialogOptions)

// How the page selector looks.
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

class TcsTwainDialog : public QObject {
    Q_OBJECT
public:
    // The owner is the window the settings window centres on.
    explicit TcsTwainDialog(QWidget *owner = nullptr);

    // The scanner component edited; cleared by itself when that component is destroyed.
    TcsTwainScan *Twain() const { return Twain_.data(); }
    void SetTwain(TcsTwainScan *twain) { Twain_ = twain; }
    TTwainDialogOptions Options() const { return Options_; }
    void SetOptions(TTwainDialogOptions options) { Options_ = options; }
    TTabStyle Style() const { return Style_; }
    void SetStyle(TTabStyle style) { Style_ = style; }

    // Shows the window modally; true when it was closed with OK.  False at once without a scanner component.
    bool Execute();

private:
    QPointer<TcsTwainScan> Twain_;
    TTwainDialogOptions Options_ = toBitDepthReduction | toThreshold | toDiagnostic | toScanTest;
    TTabStyle Style_ = tsTabs;
};
