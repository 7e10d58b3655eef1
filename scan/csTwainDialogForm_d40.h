#pragma once
// The scanner settings window that TcsTwainDialog shows.  Its pages:
// "Préférences" (the settings themselves), "Test scanner" (a trial scan shown
// in the window, dragged about with the mouse) and "Diagnostic" (the chosen
// source's identity and what it reports of its capabilities).  One header;
// each page's controls and handlers live in a file of their own
// (csTwainDialogForm_d40_Preferences.cpp, _ScanTest.cpp, _Diagnostic.cpp).
#include "ScannerSettings.h"
#include "TMMImageList.h"
#include "csTwainDialog.h"

#include <QDialog>
#include <QPointer>

#include <optional>
#include <utility>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QTabWidget;
class TPicture;

class TTwainDialogForm : public QDialog {
    Q_OBJECT
public:
    // Centred on the owner.  The controls are set from the scanner component at each showing.
    TTwainDialogForm(QWidget *owner, TcsTwainScan *twain);

    void SetStyle(TTabStyle style);
    void SetOptions(TTwainDialogOptions options);

    // A trial scan scans at this resolution at most: it is a glance at the
    // settings, and stays quick and small whatever resolution is chosen.
    static constexpr int32_t TrialResolution = 75;

    QTabWidget *PageControl;
    QWidget *tshPreferences, *tshScanTest, *tshDiagnostic;

    // "Préférences"
    QGroupBox *grbImage;
    QLabel *lblPixelType, *lblFrameSize, *lblBitDepthReduction;
    QComboBox *cmbPixelType, *cmbFrameSize, *cmbBitDepthReduction;
    QCheckBox *chbAutoBrightness, *chbInverted, *chbFeeder;
    // Tags 1 to 6, in this order.
    QSlider *trbResolution, *trbBrightness, *trbContrast, *trbHighlight, *trbShadow, *trbThreshold;
    QLabel *lblResulution, *lblBrightness, *lblContrast, *lblHighlight, *lblShadow, *lblThreshold;
    QLabel *imgMinThreshold, *imgMaxThreshold;

    // "Test scanner"
    QScrollArea *scbViewer;
    TPicture *imgViewer;
    QPushButton *btnSelctSource, *btnAcquire;

    // "Diagnostic"
    QGroupBox *grbProduct, *grbProtocol, *grbCapabilities;
    QLineEdit *edtManufacturer, *edtProductFamily, *edtProductName, *edtProtocolMajor, *edtProtocolMinor;
    QScrollArea *scbCapabilities;
    QPushButton *btnSelctSource1, *btnGetCapabilities;

    QWidget *pnlButtons;
    QPushButton *btnOk, *btnCancel;

    void FormShow();
    void trbChange(QSlider *Sender);
    void btnSelctSourceClick();
    void btnGetCapabilitiesClick();
    void btnAcquireClick();
    // Positions in scbViewer's coordinates.
    void scbViewerMouseDown(QPoint position);
    void scbViewerMouseMove(QPoint position);
    void scbViewerMouseUp();
    void FormClose(int result);

    // Every way of closing passes here: OK, cancel, Escape, the title bar.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A control of the window, made with its arguments, named and placed.
    template <typename Control, typename... Arguments>
    static Control *place(QWidget *parent, const char *name, QRect geometry, Arguments &&...arguments)
    {
        auto *control = new Control(std::forward<Arguments>(arguments)..., parent);
        control->setObjectName(QString::fromLatin1(name));
        control->setGeometry(geometry);
        return control;
    }
    // A page of the page control.
    QWidget *addPage(const char *name, const QString &caption);

    struct TrackBar {
        QSlider *bar;
        QLabel *label;
        QLabel *lower;
        QLabel *upper;
    };

    void createPreferences();
    void createScanTest();
    void createDiagnostic();
    TrackBar addTrackBar(QWidget *parent, int tag, int top, int minimum, int maximum, int tick);
    void writeTrackLabel(int tag);
    // The controls into the scanner component, through its setters.
    void applyControls();
    // Fills the identity fields when the identity names a source.
    void showIdentity(const TW_IDENTITY &identity);
    void viewerNewImage(QObject *Sender);
    void viewerDibReady(QObject *Sender, const QImage &hDib);

    QPointer<TcsTwainScan> twain_;
    // What the scanner component held when the window showed; put back unless closed with OK.
    std::optional<scan::ScannerSettings> snapshot_;
    TMMImageList trackEnds_;
    QSlider *trackBars_[6]{};
    QLabel *trackLabels_[6]{};
    // The trial scan runs a session of its own with a nested event loop: the
    // window stays alive meanwhile but is not closed under it.
    bool trialRunning_ = false;
    bool dragging_ = false;
    QPoint dragStart_;
    int dragLeft_ = 0;
    int dragTop_ = 0;
};
