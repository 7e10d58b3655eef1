// The settings window itself: its frame, the page control, the OK and cancel
// buttons, the look and the optional parts, and how it opens and closes.
#include "csTwainDialogForm_d40.h"

#include "ErrorBoundary.h"
#include "Resources.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr QSize ClientSize(285, 422);

// The page selector drawn as raised buttons, the chosen one pressed in.
const QString ButtonTabs = QStringLiteral(
    "QTabBar::tab { border: 2px outset palette(mid); border-radius: 3px; background: palette(button);"
    " padding: 3px 8px; margin: 2px; }"
    "QTabBar::tab:selected { border-style: inset; background: palette(midlight); }");
// The same buttons flat, only the chosen one framed.
const QString FlatButtonTabs = QStringLiteral(
    "QTabBar::tab { border: 1px solid transparent; border-radius: 3px; background: transparent;"
    " padding: 3px 8px; margin: 2px; }"
    "QTabBar::tab:selected { border-color: palette(mid); background: palette(midlight); }");

} // namespace

TTwainDialogForm::TTwainDialogForm(QWidget *owner, TcsTwainScan *twain) : QDialog(owner), twain_(twain)
{
    resources::initialise();
    trackEnds_ = TMMImageList(QPixmap(resources::trackBarEnds),
                              QSize(resources::trackBarEndCell, resources::trackBarEndCell));
    setObjectName(QStringLiteral("TwainDialogForm"));
    setWindowTitle(QStringLiteral("Acquisition"));
    setFixedSize(ClientSize);
    // The window is laid out in pixels for a small dialog font: three pages' tabs fit across.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    if (owner) {
        // Centred on the owner, halves dropped.
        const QRect frame = owner->frameGeometry();
        move(frame.left() + frame.width() / 2 - width() / 2, frame.top() + frame.height() / 2 - height() / 2);
    }

    PageControl = place<QTabWidget>(this, "PageControl", QRect(4, 4, 277, 378));
    createPreferences();
    createScanTest();
    createDiagnostic();

    pnlButtons = place<QWidget>(this, "pnlButtons", QRect(0, 386, ClientSize.width(), ClientSize.height() - 386));
    btnOk = place<QPushButton>(pnlButtons, "btnOk", QRect(118, 6, 75, 25), QStringLiteral("&Ok"));
    btnOk->setDefault(true);
    btnCancel = place<QPushButton>(pnlButtons, "btnCancel", QRect(202, 6, 75, 25), QStringLiteral("&Annuler"));
    platform::connectGuarded(btnOk, &QPushButton::clicked, this, [this] { done(Accepted); });
    platform::connectGuarded(btnCancel, &QPushButton::clicked, this, [this] { done(Rejected); });
}

QWidget *TTwainDialogForm::addPage(const char *name, const QString &caption)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    PageControl->addTab(page, caption);
    return page;
}

void TTwainDialogForm::SetStyle(TTabStyle style)
{
    PageControl->setDocumentMode(style == tsFlatButtons);
    PageControl->tabBar()->setStyleSheet(style == tsButtons ? ButtonTabs
                                         : style == tsFlatButtons ? FlatButtonTabs
                                                                  : QString());
}

void TTwainDialogForm::SetOptions(TTwainDialogOptions options)
{
    const bool reduction = options.testFlag(toBitDepthReduction);
    lblBitDepthReduction->setVisible(reduction);
    cmbBitDepthReduction->setVisible(reduction);
    const bool threshold = options.testFlag(toThreshold);
    for (QWidget *part : {static_cast<QWidget *>(trbThreshold), static_cast<QWidget *>(lblThreshold),
                          static_cast<QWidget *>(imgMinThreshold), static_cast<QWidget *>(imgMaxThreshold)})
        part->setVisible(threshold);
    PageControl->setTabVisible(PageControl->indexOf(tshScanTest), options.testFlag(toScanTest));
    PageControl->setTabVisible(PageControl->indexOf(tshDiagnostic), options.testFlag(toDiagnostic));
}

void TTwainDialogForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TTwainDialogForm::done(int result)
{
    if (trialRunning_)
        return;
    FormClose(result);
    QDialog::done(result);
}
