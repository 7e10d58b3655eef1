// The effects dialog's window: tool bar, menus, pages, preview and status
// bar; opening, the change of page, and closing.
#include "ilfilter.h"

#include "DllSP96Frame.h"
#include "ErrorBoundary.h"
#include "Folders.h"
#include "ILPImage.h"
#include "ILRubberBand.h"
#include "MessageBox.h"
#include "Rounding.h"
#include "ilfilterPageKit.h"

#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

namespace imaging {
namespace {

constexpr int kClientWidth = 632, kClientHeight = 434;
constexpr int kToolBarHeight = 30;
constexpr int kStatusHeight = 20;
constexpr int kPagesWidth = 340;
constexpr int kSelectionRowHeight = 24;
constexpr int kMargin = 5;

// The dialog ShowEffects runs: the form behind the seam.
class TEffectFormPort : public TEffectsDialogPort {
public:
    explicit TEffectFormPort(QWidget &owner) : form_(&owner) {}
    QDialog &window() override { return form_; }
    // The component's hourglass has ended before the dialog shows: nothing to restore.
    void prepare(const QCursor &, const TEffectsTransition &transition, GlobalBlock workingDib) override
    {
        form_.prepare(transition, std::move(workingDib));
    }
    TEffectsTransition transition() const override { return form_.transition(); }
    HGLOBAL workingDib() const override { return form_.workingDib(); }

private:
    TEffectForm form_;
};

} // namespace

void RegisterEffectForm()
{
    SetEffectsDialogFactory([](QWidget &owner) { return std::make_unique<TEffectFormPort>(owner); });
}

const QString TEffectForm::SettingsFileName = QStringLiteral("IFiltSet.Ini");

TEffectForm::TEffectForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("EffectForm"));
    setWindowTitle(QStringLiteral("Filtres et effets"));
    setFixedSize(kClientWidth, kClientHeight);

    Menu = new QMenuBar(this);
    Menu->setObjectName(QStringLiteral("EffectMenu"));
    IlPages = new QTabWidget(this);
    IlPages->setObjectName(QStringLiteral("IlPages"));
    IlPages->setUsesScrollButtons(true);
    pages_ = MakeEffectPages(*this);
    for (TEffectPage *page : pages_) {
        IlPages->addTab(page, page->caption());
        platform::connectGuarded(page, &TEffectPage::valuesChanged, this, [this, page] {
            if (page == activePage())
                scheduleAutoPreview();
        });
        platform::connectGuarded(page, &TEffectPage::offerChanged, this, [this, page] {
            if (page == activePage())
                updateActions();
        });
        if (auto *transitions = qobject_cast<TTransitionsPage *>(page))
            transitionsPage_ = transitions;
    }
    makeMenus();

    const int top = Menu->sizeHint().height();
    Menu->setGeometry(0, 0, kClientWidth, top);
    makeToolBar();
    const int pagesTop = top + kToolBarHeight;
    const int statusTop = kClientHeight - kStatusHeight;
    IlPages->setGeometry(kClientWidth - kPagesWidth, pagesTop, kPagesWidth, statusTop - pagesTop);

    PreviewPanel = new QWidget(this);
    PreviewPanel->setObjectName(QStringLiteral("PreviewPanel"));
    PreviewImage = new TILPImage(PreviewPanel);
    PreviewImage->setObjectName(QStringLiteral("PreviewImage"));
    RubberBand = new TILRubberBand(*PreviewImage);
    RubberBand->setObjectName(QStringLiteral("RubberBand"));
    RubberBand->OnChange = [this](int l, int t, int r, int b) { bandChanged(l, t, r, b); };
    PreviewImage->OnMouseDown = [this](Qt::MouseButton button, QPoint point) { previewMouseDown(button, point); };
    PreviewImage->OnMouseMove = [this](Qt::MouseButtons buttons, QPoint point) {
        RubberBand->mouseMove(point, buttons.testFlag(Qt::LeftButton));
    };
    PreviewImage->OnMouseUp = [this](Qt::MouseButton, QPoint) { RubberBand->mouseUp(); };
    PreviewImage->OnPaint = [this](QPainter &painter) { RubberBand->paint(painter); };

    // the selection as edits under the preview: left, top, right, bottom
    auto *selectionRow = new QWidget(this);
    selectionRow->setObjectName(QStringLiteral("SelectionRow"));
    selectionRow->setGeometry(kMargin, statusTop - kSelectionRowHeight, kClientWidth - kPagesWidth - 2 * kMargin, kSelectionRowHeight);
    auto *row = new QHBoxLayout(selectionRow);
    row->setContentsMargins(0, 0, 0, 0);
    const char *labels[4] = {"G:", "H:", "D:", "B:"};
    const char *names[4] = {"CropLeftEdit", "CropTopEdit", "CropRightEdit", "CropBottomEdit"};
    for (int i = 0; i < 4; ++i) {
        row->addWidget(new QLabel(QString::fromLatin1(labels[i]), selectionRow));
        CropEdits[i] = new QLineEdit(selectionRow);
        CropEdits[i]->setObjectName(QString::fromLatin1(names[i]));
        CropEdits[i]->setReadOnly(true);
        row->addWidget(CropEdits[i]);
    }
    makeStatusBar();

    autoPreview_.setSingleShot(true);
    autoPreview_.setInterval(0);
    platform::connectGuarded(&autoPreview_, &QTimer::timeout, this, [this] { runEffect(false); });
    platform::connectGuarded(IlPages, &QTabWidget::currentChanged, this, [this] { IlPagesChange(); });

    placePreview();
    formValues_ = presentValues();
    IlPagesChange();
}

TEffectForm::~TEffectForm()
{
    runner_.wait();
    // only settings that were read can be written back: a dialog that never
    // opened must not put its start values over the user's
    if (!settingsLoaded_)
        return;
    platform::guarded([this] {
        if (SaveOnExitItem->isChecked())
            SaveSettings();
        else
            QFile::remove(settingsFile());
    });
}

void TEffectForm::makeToolBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setGeometry(0, Menu->geometry().bottom() + 1, kClientWidth, kToolBarHeight);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(1);
    auto button = [&](const char *name, const QString &caption, const QString &hint, void (TEffectForm::*handler)()) {
        auto *tool = new QToolButton(bar);
        tool->setObjectName(QString::fromLatin1(name));
        tool->setText(caption);
        tool->setAutoRaise(true);
        setHint(tool, hint);
        row->addWidget(tool);
        platform::connectGuarded(tool, &QToolButton::clicked, this, handler);
        return tool;
    };
    HSRubberband = button("HSRubberband", QStringLiteral("Cacher sélection"),
                          QStringLiteral("Cache ou montre le rectangle de sélection"), &TEffectForm::HSRubberbandClick);
    HSRubberband->setCheckable(true);
    ResetRubberbandBtn = button("ResetRubberbandBtn", QStringLiteral("Sél. tout"), QStringLiteral("Sélectionne l'image entière"),
                                &TEffectForm::ResetRubberbandBtnClick);
    ReloadimageBtn = button("ReloadimageBtn", QStringLiteral("Annuler"), QStringLiteral("Recharge l'image originale"),
                            &TEffectForm::ReloadimageBtnClick);
    ReloadimageBtn->setEnabled(false);
    PreviewBtn = button("PreviewBtn", QStringLiteral("Aperçu"), QStringLiteral("Prévisualisation de l'effet"),
                        &TEffectForm::PreviewBtnClick);
    ApplyBtn = button("ApplyBtn", QStringLiteral("Appliquer"), QStringLiteral("Applique l'effet à l'image"), &TEffectForm::ApplyBtnClick);
    StopProcessBtn = button("StopProcessBtn", QStringLiteral("Stop"), QStringLiteral("Arrête le processus en cours"),
                            &TEffectForm::StopProcessBtnClick);
    StopProcessBtn->setEnabled(false);
    exBtn = button("exBtn", QStringLiteral("Retour"), QStringLiteral("Fermer et appliquer les effets"), &TEffectForm::exBtnClick);
    CloseNadNotSaveBtn = button("CloseNadNotSaveBtn", QString(), QStringLiteral("Fermer sans appliquer les effets"),
                                &TEffectForm::CloseNadNotSaveBtnClick);
    CloseNadNotSaveBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    row->addStretch(1);
}

void TEffectForm::makeMenus()
{
    QMenu *effects = Menu->addMenu(QStringLiteral("&Effets"));
    ApplyItem = effects->addAction(QStringLiteral("Appliquer"));
    PreviewItem = effects->addAction(QStringLiteral("Prévisu"));
    effects->addSeparator();
    DefaultsItem = effects->addAction(QStringLiteral("Paramètres par défaut"));
    SaveOnExitItem = effects->addAction(QStringLiteral("Enregistrer les réglages en quittant"));
    SaveOnExitItem->setCheckable(true);
    SaveOnExitItem->setChecked(true);
    effects->addSeparator();
    QuitItem = effects->addAction(QStringLiteral("Quitter"));
    platform::connectGuarded(ApplyItem, &QAction::triggered, this, [this] { runEffect(true); });
    platform::connectGuarded(PreviewItem, &QAction::triggered, this, [this] { runEffect(false); });
    platform::connectGuarded(DefaultsItem, &QAction::triggered, this, [this] { DefaultsItemClick(); });
    platform::connectGuarded(QuitItem, &QAction::triggered, this, [this] { exBtnClick(); });

    QMenu *menus[3] = {Menu->addMenu(QStringLiteral("&Image")), Menu->addMenu(QStringLiteral("&Déformation")),
                       Menu->addMenu(QStringLiteral("&Correction"))};
    auto *group = new QActionGroup(this);
    for (TEffectPage *page : pages_) {
        if (page->menu() == TEffectMenu::Transitions)
            continue;
        QAction *item = menus[int(page->menu())]->addAction(page->caption());
        item->setCheckable(true);
        group->addAction(item);
        pageItems_.push_back(item);
        platform::connectGuarded(item, &QAction::triggered, this, [this, page] { showPage(page->caption()); });
    }
    TransitionsItem = Menu->addAction(QStringLiteral("&Transitions"));
    platform::connectGuarded(TransitionsItem, &QAction::triggered, this, [this] { showPage(QStringLiteral("Transitions")); });
}

void TEffectForm::makeStatusBar()
{
    ilStatus = new QFrame(this);
    ilStatus->setObjectName(QStringLiteral("ilStatus"));
    ilStatus->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    const QString texts[3] = {QStringLiteral("Etat :"), QString(), QStringLiteral("Progression")};
    const int widths[3] = {45, 300, 50};
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        statusPanels_[i] = new QLabel(texts[i], ilStatus);
        statusPanels_[i]->setObjectName(QStringLiteral("ilStatusPanel%1").arg(i));
        statusPanels_[i]->setFrameShape(QFrame::Panel);
        statusPanels_[i]->setFrameShadow(QFrame::Sunken);
        // at least the text in this font
        const int width = std::max(widths[i], statusPanels_[i]->sizeHint().width());
        statusPanels_[i]->setGeometry(left, 0, width, kStatusHeight);
        left += width + 2;
    }
    // over the status bar, up to 15 pixels from its right end
    ilProgress = new QProgressBar(this);
    ilProgress->setObjectName(QStringLiteral("ilProgress"));
    ilProgress->setRange(0, 100);
    ilProgress->setValue(0);
    ilProgress->setTextVisible(false);
    ilProgress->setGeometry(left + 4, kClientHeight - kStatusHeight + 2, kClientWidth - 15 - left - 4, kStatusHeight - 4);
    setHint(ilProgress, QStringLiteral("Etat du traitement de l'image"));
}

void TEffectForm::prepare(const TEffectsTransition &transition, GlobalBlock workingDib)
{
    handedTransition_ = transition;
    WorkingDib = std::move(workingDib);
}

TEffectsTransition TEffectForm::transition() const
{
    return transitionsPage_->transition();
}

QString TEffectForm::settingsFile() const
{
    return platform::windowsFolder() + SettingsFileName;
}

TEffectPage *TEffectForm::page(const QString &caption) const
{
    for (TEffectPage *page : pages_)
        if (page->caption() == caption)
            return page;
    return nullptr;
}

TEffectPage *TEffectForm::activePage() const
{
    return static_cast<TEffectPage *>(IlPages->currentWidget());
}

void TEffectForm::showPage(const QString &caption)
{
    if (TEffectPage *wanted = page(caption))
        IlPages->setCurrentWidget(wanted);
}

QString TEffectForm::statusText(int panel) const
{
    return statusPanels_[panel]->text();
}

QColor TEffectForm::windowColour() const
{
    return palette().color(QPalette::Window);
}

void TEffectForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!opened_)
        platform::guarded([this] { FormShow(); });
}

void TEffectForm::FormShow()
{
    opened_ = true;
    const DibSize size = sizeOf(WorkingDib.get());
    imageSize_ = size.width > 0 && size.height > 0 ? QSize(size.width, size.height) : QSize(1, 1);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    placePreview();
    if (WorkingDib && !rebuildPreview()) {
        // a picture the library cannot scale is a picture it cannot work on
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    CropX = CropY = 0;
    CropWidth = imageSize_.width();
    CropHeight = imageSize_.height();
    LoadSettings();
    settingsLoaded_ = true;
    selectionToBand();
    transitionsPage_->setTransition(handedTransition_);
    IlPagesChange();
    autoPreview_.stop(); // what the settings set is no change of the user's
}

// The panel takes the picture's proportions within the space left of the
// pages, between the tool bar and the selection edits.
void TEffectForm::placePreview()
{
    const int top = Menu->geometry().bottom() + 1 + kToolBarHeight + kMargin;
    const QSize space(kClientWidth - kPagesWidth - 2 * kMargin, kClientHeight - kStatusHeight - kSelectionRowHeight - kMargin - top);
    const int pictureWidth = imageSize_.width(), pictureHeight = imageSize_.height();
    int width = pictureWidth;
    int height = pictureHeight;
    while (width > 1 && (width > space.width() || height > space.height())) {
        --width;
        height = platform::roundInt(static_cast<long double>(width) * pictureHeight / pictureWidth);
    }
    height = std::clamp(height, 1, space.height());
    PreviewPanel->setGeometry(kMargin, top, width, height);
    PreviewImage->setGeometry(0, 0, width, height);
}

void TEffectForm::showPreviewDib()
{
    PreviewImage->setDib(activePage()->showsWorkingPicture() ? WorkingDib.get() : PreviewDib.get());
}

void TEffectForm::IlPagesChange()
{
    TEffectPage *page = activePage();
    const int index = IlPages->currentIndex();
    if (index != shownPage_) {
        takeLibrary();
        if (shownPage_ >= 0) {
            TEffectPage *previous = pages_[std::size_t(shownPage_)];
            previous->left();
            if (previous->showsWorkingPicture() && paletteEdited_) {
                paletteEdited_ = false;
                rebuildPreview();
            }
        }
        shownPage_ = index;
        page->entered();
    }
    showPreviewDib();
    for (TEffectPage *each : pages_)
        each->pictureChanged();
    PreviewImage->setOverlayShown(page->pastes());
    for (QAction *item : pageItems_)
        item->setChecked(item->text() == page->caption());
    updateActions();
    showSelection();
    update();
}

void TEffectForm::updateActions()
{
    if (applying())
        return;
    TEffectPage *page = activePage();
    const bool picture = PreviewDib != nullptr;
    PreviewBtn->setEnabled(picture && page->offersPreview());
    PreviewItem->setEnabled(PreviewBtn->isEnabled());
    ApplyBtn->setEnabled(picture && page->offersApply());
    ApplyItem->setEnabled(ApplyBtn->isEnabled());
    exBtn->setEnabled(picture);
    HSRubberband->setEnabled(page->usesSelection());
}

void TEffectForm::showSelection()
{
    const bool shown = activePage()->usesSelection() && !HSRubberband->isChecked() && !applying();
    RubberBand->setVisible(shown);
    CropEdits[0]->parentWidget()->setVisible(shown); // the row of the four edits
    HSRubberband->setText(HSRubberband->isChecked() ? QStringLiteral("Montrer sélection") : QStringLiteral("Cacher sélection"));
}

void TEffectForm::HSRubberbandClick()
{
    showSelection();
}

void TEffectForm::exBtnClick()
{
    if (!NothingPending
        && platform::showMessage({platform::MessageKind::Information, platform::MessageButtons::YesNo, windowTitle(),
                                  QStringLiteral("There is still an action pending. Are you sure you want to exit ?")})
               != platform::MessageAnswer::Yes)
        return;
    CloseWithResult = true;
    done(Accepted);
}

void TEffectForm::CloseNadNotSaveBtnClick()
{
    done(Rejected);
}

void TEffectForm::done(int)
{
    // an application still running is dropped: the picture stays as it was
    takeLibrary();
    PreviewBackup.reset();
    QDialog::done(CloseWithResult ? Accepted : Rejected);
}

bool TEffectForm::event(QEvent *event)
{
    // every hint goes to the status bar's text panel
    if (event->type() == QEvent::StatusTip) {
        statusPanels_[1]->setText(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

} // namespace imaging
