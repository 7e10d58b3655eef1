#pragma once
// The main window: the sheet preview with the picture placed on it, the
// layout bars and buttons, the print and scan controls, the corrections
// column, the menus and the settings kept in the registry.
//
// One class over several files, one per concern.  Each concern's file builds,
// lays out and connects its own controls and menu items, says in which
// layout modes they are hidden, and creates the windows it works with:
//   Main.cpp             start-up, menus, settings, help, tips and about box
//   MainControls.cpp     how controls are made, and the layout modes' table
//   MainSheet.cpp        the sheet and the placement of the picture
//   MainOrientation.cpp  the landscape sheet and the turns of the picture
//   MainPrinting.cpp     printing, duplication and poster modes, the copy button
//   MainSources.cpp      the clipboard, undo and the refresh after a change
//   MainFiles.cpp        image files and their page files
//   MainScan.cpp         the scanner
//   MainCorrections.cpp  the corrections column and the image editor
// The controls are private: tests and the automation channel find them by
// their object names, and the window's state by its properties.
#include "Composition.h"
#include "CopyOptions.h"
#include "Exception.h"
#include "ScanFailure.h"
#include "Printer.h"
#include "SheetGeometry.h"
#include "TMMImageList.h"
#include "globalmem.h"

#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QScrollBar;
class QPainter;
class TAboutBox;
class TAeroDlg;
class TBasicFilterDialogs;
class TEditeur;
class TJPEG;
class TMMBitmapButton;
class TMMBitmapCheckBox;
class TNewFor;
class TOpenDial;
class TPGImage;
class TPicture;
class TPredefine;
class TPrinterSetup;
class TSpinEdit;
class TStretchHandle;
class TTipsDialog;
class TcsTwainDialog;
class TcsTwainScan;
namespace imaging {
class TPMultiImage;
}
namespace platform {
class SettingsTable;
}

class TForm1 : public QMainWindow {
    Q_OBJECT
    Q_PROPERTY(int NaturalWidth MEMBER NaturalWidth)
    Q_PROPERTY(int NaturalHeight MEMBER NaturalHeight)
    Q_PROPERTY(int PosterWidth MEMBER PosterWidth)
    Q_PROPERTY(int PosterHeight MEMBER PosterHeight)
    Q_PROPERTY(bool PosterKeepProportions MEMBER PosterKeepProportions)
    Q_PROPERTY(bool TipAtStart MEMBER TipAtStart)
    Q_PROPERTY(bool PreviewInOpenDialog MEMBER PreviewInOpenDialog)
    Q_PROPERTY(QString ImageFolder MEMBER ImageFolder)
    Q_PROPERTY(bool OrientationLock MEMBER OrientationLock)
    Q_PROPERTY(bool ContinueToPrint MEMBER ContinueToPrint)
    Q_PROPERTY(QString RegistryKey MEMBER RegistryKey)
    Q_PROPERTY(QString HelpFile MEMBER HelpFile)
    // The status line: what the last command did.
    Q_PROPERTY(QString Status READ status)
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    QString status() const;

    // The sheet as last drawn, on the preview's present size.
    platform::SheetGeometry sheet() const;
    int SheetWidth() const;  // W
    int SheetHeight() const; // H
    int X0() const;
    int Y0() const;
    int X1() const;
    int Y1() const;
    int PW() const;
    int PH() const;
    int PicW() const;
    int PicH() const;

    static constexpr int FormatCount = 11;
    struct PredefinedFormat {
        const char *name;
        int widthMm;
        int heightMm;
        bool toOrigin;
    };
    static const PredefinedFormat Formats[FormatCount];

public slots:
    // Start-up, settings and menus (Main.cpp).
    void FormShow();
    void FormActivate();
    void FormClose();
    void Quitter1Click();
    void Aide1Click();
    void Apropos1Click();
    void Dummeauteur1Click();
    void Trucsetastuces1Click();
    void SiteWeb1Click();

    // The sheet and the placement of the picture (MainSheet.cpp).
    void ClearSheet();
    void DrawSheet();
    void PlaceNewImage();
    void UpdateDuplicateOffer();
    int MmToPixelsX(int mm) const;
    int MmToPixelsY(int mm) const;
    int PixelsToMmX(int px) const;
    int PixelsToMmY(int px) const;
    void UpdateBarMaxima();
    void UpdatePositionBars();
    void UpdateZoomBar();
    void ApplyZoom();
    void KeepProportions();
    void SetFormatSize(int widthMm, int heightMm);

    void ImageClick();
    void PageClick();
    void SHMouseUp();
    void SHKeyDown();
    void ZoomScroll();
    void HautScroll();
    void GaucheScroll();
    void LargImScroll();
    void HautImScroll();
    void ZoomChange();
    void HautChange();
    void GaucheChange();
    void LargImChange();
    void HautImChange();
    void OrigBtnClick();
    void FillBtnClick();
    void centrerhClick();
    void centrervClick();
    void centrerpClick();
    void conserverClick(bool checking);
    void ComboFormatsChange(int index);

    // Print composition: the normal sheet, duplication and poster (MainPrinting.cpp).
    void ResetPosterSize();
    void PrintBtnClick();
    void PrintSheet();
    void PrintPoster();
    void DupliquerClick(bool switchingOn);
    void PosterClick(bool switchingOn);
    void CheckBox1Click(bool switchingOn);
    void FormatBtnClick();
    void Imprimerlestraitsdecoupe1Click();
    void DrawDuplicatedSheet();
    void DrawPosterSheet();
    void GoBtnClick();
    void ConfigBtnClick();

    // Orientation and turns (MainOrientation.cpp).
    void RotateQuarter(int n);
    void RetourneBtnClick();
    void PaysBtnClick(bool switchingOn);
    // A picture that has just arrived: its natural size, its place on the
    // sheet and, for a landscape printer, its quarter turn.
    void PlaceArrivedPicture();

    // The clipboard and undo (MainSources.cpp).
    void Edition1Click();
    void Copier1Click();
    void Coller1Click();
    void TakeUndoSnapshot();
    // Undo gives `picture` back.
    void TakeUndoSnapshot(const QImage &picture);
    void UndoBtnClick();
    // Redraws the tiles or the poster sketch after the picture changed.
    void RefreshModeView();

    // Image files and their page files (MainFiles.cpp).
    void Ouvrir1Click();
    void Enregistrersous1Click();
    void SaveImageAs(const QString &fileName);
    // Opens a picture, or the picture of a page file, as "Ouvrir" would.
    void OpenFile(const QString &file);

    // The corrections column (MainCorrections.cpp).
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void FXBtnClick();
    void ComboBox1Click(int index);
    void EditBtnClick();

    // The scanner (MainScan.cpp).
    void UserInterfaceMnuClick();
    void TwainDialMnuClick();
    void ScanSelectClick();
    void ScanImageClick();
    void csTwainScanNewImage();
    void csTwainScanDibReady(const QImage &bitmap);
    void csTwainScanMemoryReady(HGLOBAL dib);

    // The copy's own options (MainCopy.cpp).
    void CopieMnuClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // ---- the layout modes (MainControls.cpp) ----
    enum class Mode { Duplication, Poster };
    // What a mode changes while it is on: the controls it hides (shown again
    // when it goes off), those it shows only while on, and the copy button's
    // hint and picture.
    struct ModeLayout {
        std::vector<QWidget *> hidden;
        std::vector<QWidget *> shown;
        QString goHint;
        int goPicture = 0;
    };
    ModeLayout &layoutOf(Mode mode);
    void hideDuring(std::initializer_list<QWidget *> controls, std::initializer_list<Mode> modes);
    void showOnlyDuring(std::initializer_list<QWidget *> controls, Mode mode);
    void applyMode(Mode mode, bool on);

    // ---- how controls are made (MainControls.cpp) ----
    TMMBitmapButton *makeButton(QWidget *parent, const QString &name, int image, const QString &hint,
                                const QString &caption = {});
    TMMBitmapCheckBox *makeCheckBox(QWidget *parent, const QString &name, const QString &caption,
                                    const QString &hint = {});
    QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption);
    static QAction *makeMenuItem(QMenu *menu, const QString &name, const QString &caption);
    static void place(QWidget *control, int x, int y, int width, int height, const QString &hint = {});
    // A layout button shows its pressed picture while the mouse holds it.
    static void pressedPicture(TMMBitmapButton *button, int normal, int pressed);
    // A user's scroll moves the bar first, then runs its scroll handler.
    void onUserScroll(QScrollBar *bar, void (TForm1::*handler)());

    // ---- each concern builds its own part of the window ----
    void buildFrame(); // Main.cpp: the client area, its background and the four menus
    void buildSheet();
    void buildPrinting();
    void buildOrientation();
    void buildSources();
    void buildFiles();
    void buildScanning();
    void buildCorrections();
    void buildCopyOptions();
    void finishMenus(); // Main.cpp: the items of the window's own, the tips and the about box
    void setTabOrder();  // Main.cpp: the keyboard's way through the controls of every concern

    // Main.cpp
    void FormCreate();
    // A line in the status bar: what the last command did.
    void say(const QString &status);
    platform::SettingsTable settingsTable();
    void showHelpContents();
    int helpContextOf(const QAction *item) const;

    // MainSheet.cpp
    platform::SheetGeometry currentPaper() const;

    // MainOrientation.cpp
    void turnPicture(int degreesClockwise);
    // A picture turned clockwise by the imaging library, as the picture on the sheet is.
    static QImage turned(const QImage &picture, int degreesClockwise);

    // MainFiles.cpp
    struct PageLayout;
    platform::SettingsTable pageFileRows(PageLayout &layout) const;
    void openPicture(const QString &file);
    // Where the open and save dialogs start.
    QString startingFolder() const;
    bool readPageFile(const QString &pageFile);
    void writePageFile(const QString &pageFile) const;

    // MainScan.cpp
    // Pages a scan gave: the first on the sheet as a new picture, the others kept for printing.
    void takeScannedPages(std::vector<QImage> pages);
    // One session of the scanner, its messages held until it ends; why it failed, or none.
    std::optional<scan::ScanFailure> scanSession();
    // The error that stops a copy: "La copie est arrêtée : REASON. Rien n'a été imprimé."
    static platform::Exception copyStopped(const QString &reason);

    // MainCopy.cpp
    // The scanned originals as the copy's options make them: cleaned, an
    // identity card's back scanned after the user turned it, gathered on
    // sheets.  Empty when the user gave up the card's back.
    std::vector<QImage> preparedPages(std::vector<QImage> originals);

    // MainCorrections.cpp
    // Runs one of the imaging library's corrections on the whole picture through Tampon.
    void correctThroughTampon(const std::function<void()> &correction);

    // MainPrinting.cpp
    composition::Poster poster() const;
    // The sheets a print makes: the picture as it lies on the sheet, then
    // each further page the feeder gave, turned and placed like it.
    std::vector<composition::Sheet> sheetsToPrint() const;
    // Tells in the status line where a job went.
    void reportPrinted(const platform::PrintedTo &to);
    int PPI() const;
    void setCopyButton(const QString &hint, int picture);

    // The corrections column, undo included.
    static constexpr int ColumnWidth = 140;
    // The row of placement buttons on the positions panel, which the half turn closes.
    static constexpr int PlacementRowTop = 222;

    // The copy button in the normal layout.
    static const QString CopyHint;
    static constexpr int CopyPicture = 17;

    // ---- state ----
    bool OrientationLock = false;
    bool TipAtStart = true;
    platform::Orientation SavedOrientation = platform::Orientation::Portrait;
    bool ContinueToPrint = false;
    bool PreviewInOpenDialog = true;
    int PosterWidth = 0; // screen pixels at the window's resolution
    int PosterHeight = 0;
    QString ExeFolder;
    int NaturalWidth = 0; // the picture as it was acquired, before any quarter turn
    int NaturalHeight = 0;
    bool PosterKeepProportions = true;
    QString ImageFolder;
    QString RegistryKey;
    QString HelpFile;

    TMMImageList images_;
    platform::SheetGeometry sheet_; // the ratios of the last DrawSheet
    ModeLayout duplicationLayout_, posterLayout_;
    std::vector<QImage> scannedPages_; // the pages the scanner delivered in this session
    bool demonstrationTold_ = false;   // the demonstration scanner is announced once a run
    // The pages a feeder gave after the first, as they came: printed after
    // the picture on the sheet until another picture arrives.
    std::vector<QImage> morePages_;
    int quarterTurns_ = 0; // clockwise quarter turns of the picture since it arrived
    CopyOptions copyOptions_; // kept in section "Copie"
    // The printer the user chose in the printer setup, kept for the next run.
    struct RememberedPrinter {
        QString name;
        QString paper; // a paper's key, "A4"
        QString pdfFolder;
    } rememberedPrinter_;
    void restorePrinter();
    bool shown_ = false;
    bool activated_ = false;
    bool closed_ = false;

    // ---- controls (named as the rest of the program knows them) ----
    QWidget *Client;
    QFrame *Panel1;
    TPicture *Page;
    TPicture *Image;
    TPicture *Image1;
    TPicture *Image2;
    TPicture *UndoImg;
    // Detached handles have no parent: the window owns them.
    std::unique_ptr<TStretchHandle> SH;
    QScrollBar *Zoom, *Haut, *Gauche, *LargIm, *HautIm;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11,
        *Label12, *ZoomLabel;
    QComboBox *ComboFormats;
    QComboBox *ComboBox1;
    TMMBitmapCheckBox *conserver, *PaysBtn, *Dupliquer, *Poster, *CheckBox1;
    TMMBitmapButton *OrigBtn, *FillBtn, *centrerh, *centrerv, *centrerp, *RetourneBtn;
    TMMBitmapButton *FormatBtn, *PrintBtn, *ConfigBtn, *GoBtn, *ScanSelect, *ScanImage;
    TMMBitmapButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *FXBtn, *EditBtn, *UndoBtn;
    TSpinEdit *SpinEdit;
    QFrame *Panel2, *Panel3;
    QMenu *Fichier1, *Edition1, *Options1, *Aide;
    QAction *Ouvrir1, *Enregistrersous1, *Quitter1, *Copier1, *Coller1, *Imprimerlestraitsdecoupe1,
        *UserInterfaceMnu, *TwainDialMnu, *CopieMnu, *Aide1, *Apropos1, *Dummeauteur1, *Trucsetastuces1, *SiteWeb1;

    // ---- the windows and components this window works with, made with it ----
    TTipsDialog *TipsDialog;
    TAboutBox *AboutBox;
    TNewFor *NewFor;
    TPrinterSetup *PrinterSetupDialog;
    TCopyOptionsDialog *CopyOptionsDialog;
    TPredefine *Predefine;
    TOpenDial *OpenDial;
    TJPEG *JPEG;
    TEditeur *Editeur;
    TAeroDlg *AeroDlg;
    TcsTwainScan *csTwainScan;
    TcsTwainDialog *csTwainDialog;
    imaging::TPMultiImage *Tampon;
    TPGImage *PGTampon;
    TBasicFilterDialogs *BasicFilters;
};
