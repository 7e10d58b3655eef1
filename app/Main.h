#pragma once
// The main window: the sheet preview with the picture placed on it, the
// layout bars and buttons, the print and scan controls, the corrections
// column, the menus and the settings kept in the registry.
//
// One class over several files, one per concern:
//   Main.cpp          start-up, settings, menus and help
//   MainControls.cpp  the controls, menus and handler connections
//   MainSheet.cpp     the sheet and the placement of the picture
//   MainPrinting.cpp  printing, duplication and poster modes, the copy button
//   MainOrientation.cpp  the landscape sheet and the turns of the picture
//   MainSources.cpp   the clipboard, undo and the refresh after a change
//   MainFiles.cpp     image files and their page files
//   MainScan.cpp      the scanner
//   MainCorrections.cpp  the corrections column
#include "Composition.h"
#include "Printer.h"
#include "SheetGeometry.h"
#include "TMMImageList.h"
#include "globalmem.h"

#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QScrollBar;
class QPainter;
class TMMBitmapButton;
class TNewFor;
class TMMBitmapCheckBox;
class TBasicFilterDialogs;
class TEditeur;
class TJPEG;
class TOpenDial;
class TPGImage;
class TPredefine;
class TcsTwainDialog;
class TcsTwainScan;
namespace imaging {
class TPMultiImage;
}
class TPicture;
class TSpinEdit;
class TStretchHandle;
class TTipsDialog;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Window state the other windows and the picture's sources read and write.
    bool OrientationLock = false;
    bool TipAtStart = true;
    platform::Orientation SavedOrientation = platform::Orientation::Portrait;
    bool ContinueToPrint = false;
    bool PreviewInOpenDialog = true;
    int PosterWidth = 0;  // screen pixels at the window's resolution
    int PosterHeight = 0;
    QString ExeFolder;
    int NaturalWidth = 0; // the picture as it was acquired, before any quarter turn
    int NaturalHeight = 0;
    bool PosterKeepProportions = true;
    QString ImageFolder;
    QString RegistryKey;
    QString HelpFile;

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

    // Components, named as the rest of the program knows them.
    QFrame *Panel1;
    TPicture *Page;
    TPicture *Image;
    TPicture *Image1;
    TPicture *Image2;
    TPicture *UndoImg;
    TStretchHandle *SH;
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
        *UserInterfaceMnu, *TwainDialMnu, *Aide1, *Apropos1, *Dummeauteur1, *Trucsetastuces1, *SiteWeb1;
    TTipsDialog *TipsDialog;
    TNewFor *NewFor = nullptr;         // the poster format dialog, created after this window
    TPredefine *Predefine = nullptr;   // the scanner presets, created after this window
    TOpenDial *OpenDial = nullptr;     // the open-image dialog, created after this window
    TJPEG *JPEG = nullptr;             // the JPEG options, created after this window
    TEditeur *Editeur = nullptr;       // the image editor, created after this window
    TcsTwainScan *csTwainScan;
    TcsTwainDialog *csTwainDialog;
    // The hidden work components of the corrections and of the files.
    imaging::TPMultiImage *Tampon;
    TPGImage *PGTampon;
    TBasicFilterDialogs *BasicFilters;

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
    void UserInterfaceMnuClick();
    void Edition1Click();

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
    void Copier1Click();
    void Coller1Click();
    void TakeUndoSnapshot();
    void UndoBtnClick();
    // Redraws the tiles or the poster sketch after the picture changed.
    void RefreshModeView();

    // Image files and their page files (MainFiles.cpp).
    void Ouvrir1Click();
    void Enregistrersous1Click();
    void SaveImageAs(const QString &fileName);

    // The corrections column (MainCorrections.cpp).
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void FXBtnClick();
    void ComboBox1Click(int index);
    void EditBtnClick();
    // The editor the corrections column opens, with its airbrush dialog:
    // it hands its picture back here.
    void setEditor(TEditeur *editor);

    // The scanner (MainScan.cpp).
    void TwainDialMnuClick();
    void ScanSelectClick();
    void ScanImageClick();
    void csTwainScanNewImage();
    void csTwainScanDibReady(const QImage &bitmap);
    void csTwainScanMemoryReady(HGLOBAL dib);

public:
    void DrawImageAt(QPainter &canvas, int x, int y, long double sx, long double sy);
    void DrawTiles(QPainter &canvas, int x, int y, long double sx, long double sy);
    void DrawPosterImage(QPainter &canvas, QPointF origin, long double kx, long double ky);
    static void DrawBitmapAsDib(const QImage &bitmap, QPainter &canvas, int x, int y, int width, int height);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What a layout mode changes while it is on: the controls it hides (shown
    // again when it goes off), those it shows only while on, and the copy
    // button's hint and picture.
    struct ModeLayout {
        std::vector<QWidget *> hidden;
        std::vector<QWidget *> shown;
        QString goHint;
        int goPicture = 0;
    };

    // MainControls.cpp
    void buildMenus();
    void buildControls();
    void buildModeLayouts();
    void connectHandlers();
    void onUserScroll(QScrollBar *bar, void (TForm1::*handler)());
    void pressedPicture(TMMBitmapButton *button, int normal, int pressed);

    // Main.cpp
    void FormCreate();
    void readSettings();
    void showHelpContents();
    int helpContextOf(const QAction *item) const;

    // MainSheet.cpp
    platform::SheetGeometry currentPaper() const;

    // MainOrientation.cpp
    void turnPicture(int degreesClockwise);

    // MainScan.cpp
    void buildScanner();

    // MainFiles.cpp
    void buildFileComponents();
    bool readPageFile(const QString &pageFile);
    void writePageFile(const QString &pageFile) const;

    // MainCorrections.cpp
    void buildWorkComponents();
    // Runs one of the imaging library's corrections on the whole picture through Tampon.
    void correctThroughTampon(const std::function<void()> &correction);

    // MainPrinting.cpp
    void applyMode(const ModeLayout &mode, bool on);
    composition::Poster poster() const;
    int PPI() const;

    // The copy button in the normal layout.
    static const QString CopyHint;
    static constexpr int CopyPicture = 17;

    TMMImageList images_;
    platform::SheetGeometry sheet_; // the ratios of the last DrawSheet
    ModeLayout duplicationLayout_, posterLayout_;
    QImage scannedPicture_; // the last page the scanner delivered in this session
    bool shown_ = false;
    bool activated_ = false;
    bool closed_ = false;
};
