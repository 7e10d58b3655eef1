#pragma once
// The effects dialog "Filtres et effets": 39 pages of effects, each previewed
// on a reduced copy of the picture as its values change and applied to the
// whole picture as often as wanted.  ShowEffects of TPMultiImage runs it
// through the seam of EffectsDialog.h; RegisterEffectForm makes it the one
// that runs.
//
// The effects run on a worker (TEffectRunner): the window keeps answering,
// a preview made stale by a newer change is dropped, and a stopped
// application leaves the picture as it was.
//
// One class over several files: ilfilter.cpp (the window, opening, pages,
// closing), ilfilterRun.cpp (preview, application, progress, selection),
// ilfilterSettings.cpp (the settings file "IFiltSet.Ini").
#include "EffectRunner.h"
#include "EffectsDialog.h"
#include "WaitCursor.h"
#include "ilfilterPage.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMap>
#include <QTimer>

#include <array>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QTabWidget;
class QToolButton;

namespace platform {
class IniFile;
}

namespace imaging {

class TILPImage;
class TILRubberBand;

// Makes TEffectForm the dialog ShowEffects runs (once, at program start).
void RegisterEffectForm();

class TEffectForm : public QDialog, private TEffectHost {
    Q_OBJECT
public:
    explicit TEffectForm(QWidget *owner = nullptr);
    ~TEffectForm() override;

    // From ShowEffects, before showing.
    void prepare(const TEffectsTransition &transition, GlobalBlock workingDib);
    // After the modal loop.
    HGLOBAL workingDib() const override { return WorkingDib.get(); }
    TEffectsTransition transition() const;

    static const QString SettingsFileName;
    QString settingsFile() const;

    // The window's parts, named as the automation channel finds them.
    QMenuBar *Menu;
    QToolButton *HSRubberband, *ResetRubberbandBtn, *ReloadimageBtn, *PreviewBtn, *ApplyBtn, *StopProcessBtn, *exBtn,
        *CloseNadNotSaveBtn;
    QAction *ApplyItem, *PreviewItem, *DefaultsItem, *SaveOnExitItem, *QuitItem, *TransitionsItem;
    QTabWidget *IlPages;
    QWidget *PreviewPanel;
    TILPImage *PreviewImage;
    TILRubberBand *RubberBand;
    QLineEdit *CropEdits[4]; // "G:", "H:", "D:", "B:"
    QWidget *ilStatus;
    QProgressBar *ilProgress;

    // The pages, by caption; the active one.
    TEffectPage *page(const QString &caption) const;
    TEffectPage *activePage() const;
    Q_INVOKABLE void showPage(const QString &caption);
    QString statusText(int panel) const;
    HGLOBAL previewDib() const override { return PreviewDib.get(); }
    // The selection in pixels of the working picture.
    TSides selection() const { return {CropX, CropY, CropWidth, CropHeight}; }
    // An effect runs, or a preview is about to.
    bool running() const { return runner_.busy() || autoPreview_.isActive(); }
    // The effect that runs is an application.
    bool applying() const { return runner_.busy() && runKind_ == Run::Application; }
    bool nothingPending() const { return NothingPending; }

    // Handlers.
    void HSRubberbandClick();
    void ResetRubberbandBtnClick();
    void ReloadimageBtnClick();
    void PreviewBtnClick();
    void ApplyBtnClick();
    void StopProcessBtnClick();
    void exBtnClick();
    void CloseNadNotSaveBtnClick();
    void DefaultsItemClick();
    void IlPagesChange();

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

public slots:
    void done(int result) override;

private:
    enum class Run { None, Preview, Application };
    struct ControlValues {
        QMap<QString, QString> edits;
        QMap<QString, bool> checks, radios;
        QColor colours[TEffectColours::SlotCount];
    };

    // TEffectHost
    TEffectColours &colours() override { return colours_; }
    QColor windowColour() const override;
    TILPImage &previewControl() override { return *PreviewImage; }
    QWidget &previewPanel() override { return *PreviewPanel; }
    void takeLibrary() override;
    void workingPictureEdited(bool pixelsChanged) override;
    TLibraryCallbacks progressCallbacks() override;

    // ilfilter.cpp
    void makeToolBar();
    void makeMenus();
    void makeStatusBar();
    void FormShow();
    void placePreview();
    void showPreviewDib();
    void updateActions();
    void showSelection();

    // ilfilterRun.cpp
    void runEffect(bool application);
    void scheduleAutoPreview();
    bool rebuildPreview();
    void runFinished(Run run, TEffectOutcome outcome, bool stopped);
    void showProgress(int percent, const QString &caption);
    void bandChanged(int left, int top, int right, int bottom);
    void selectionToBand();
    void selectionValuesShown(const TSides &band);
    TSides imageRectangle(bool clipped) const;
    TSides previewRectangle(bool clipped) const;
    void previewMouseDown(Qt::MouseButton button, QPoint point);
    void disableForApplication();
    void enableAfterRun();

    // ilfilterSettings.cpp
    ControlValues presentValues() const;
    void LoadSettings();
    void SaveSettings();
    void reportUnusable(const QStringList &names) const;
    void writeDefaultsIfMissing();
    QStringList readControls(const platform::IniFile &ini, const QString &prefix);

    TEffectColours colours_;
    std::vector<TEffectPage *> pages_;
    TTransitionsPage *transitionsPage_ = nullptr;
    std::vector<QAction *> pageItems_;
    QLabel *statusPanels_[3];

    GlobalBlock WorkingDib;
    GlobalBlock PreviewDib;
    GlobalBlock PreviewBackup;
    QSize imageSize_{1, 1};
    int CropX = 0, CropY = 0, CropWidth = 1, CropHeight = 1;
    bool NothingPending = true;
    bool CloseWithResult = false;
    bool opened_ = false;
    bool settingsLoaded_ = false;
    bool paletteEdited_ = false;
    TEffectsTransition handedTransition_;
    int shownPage_ = -1;
    ControlValues formValues_;
    // The colour dialog's custom colours as the settings gave them (LoadSettings).
    static constexpr int kCustomColourCount = 16;
    std::array<uint32_t, kCustomColourCount> customColourEntries_{};

    // What the newest run does; the runner alone says whether one runs.
    Run runKind_ = Run::None;
    std::optional<platform::WaitCursor> hourglass_;
    std::vector<std::pair<QWidget *, bool>> disabled_;
    QElapsedTimer runClock_;
    QTimer autoPreview_;
    TEffectRunner runner_; // last: stopped and waited for before the pictures go
};

} // namespace imaging
