#include "Saero.h"

#include "ErrorBoundary.h"
#include "Named.h"
#include "Raster.h"
#include "TPicture.h"
#include "Thdtm2.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>

using platform::connectGuarded;

namespace {

QScrollBar *bar(const QString &name, QWidget *parent, int minimum, int position)
{
    auto *scrollBar = named<QScrollBar>(name, parent, Qt::Horizontal);
    scrollBar->setRange(minimum, 100);
    scrollBar->setValue(position);
    return scrollBar;
}

} // namespace

TAeroDlg::TAeroDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAeroDlg"));
    setWindowTitle(QStringLiteral("Pistolet à peinture"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(400, 175);

    Bevel1 = named<QFrame>(QStringLiteral("Bevel1"), this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 257, 161);
    Image1 = new TPicture(QStringLiteral("Image1"), this);
    Image1->setGeometry(12, 12, 249, 153);
    QImage preview(249, 153, QImage::Format_RGB32);
    preview.fill(Qt::white);
    Image1->setPicture(preview);

    Label1 = named<QLabel>(QStringLiteral("Label1"), this, QStringLiteral("Taille"));
    Label1->setGeometry(276, 10, 116, 16);
    ScrollBar1 = bar(QStringLiteral("ScrollBar1"), this, 1, 1);
    ScrollBar1->setGeometry(276, 28, 116, 17);
    Label2 = named<QLabel>(QStringLiteral("Label2"), this, QStringLiteral("Vitesse"));
    Label2->setGeometry(276, 56, 116, 16);
    ScrollBar2 = bar(QStringLiteral("ScrollBar2"), this, 0, 0);
    ScrollBar2->setGeometry(276, 74, 116, 17);
    OKBtn = named<QPushButton>(QStringLiteral("OKBtn"), this, QStringLiteral("OK"));
    OKBtn->setGeometry(276, 110, 116, 25);
    OKBtn->setDefault(true);
    CancelBtn = named<QPushButton>(QStringLiteral("CancelBtn"), this, QStringLiteral("Annuler"));
    CancelBtn->setGeometry(276, 142, 116, 25);

    Timer = new TThreadedTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setEnabled(false);
    Timer->setInterval(1);
    Timer->setThreadPriority(QThread::HighestPriority);
    Timer->setOnTimer([this](TThreadedTimer *) { TimerTimer(); });

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connectGuarded(ScrollBar1, &QScrollBar::valueChanged, this, [this] { ScrollBar1Change(); });
    connectGuarded(ScrollBar2, &QScrollBar::valueChanged, this, [this] { ScrollBar2Change(); });
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { emit helpRequested(HelpContext); });

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TAeroDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    platform::guarded([this] { FormShow(); });
}

void TAeroDlg::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        platform::guarded([this] { FormActivate(); });
}

void TAeroDlg::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TAeroDlg::FormShow()
{
    clearPreview();
    Timer->setInterval(std::uint16_t(speedInterval()));
}

void TAeroDlg::FormActivate()
{
    QCoreApplication::processEvents();
    Timer->setEnabled(true);
}

void TAeroDlg::FormClose()
{
    Timer->setEnabled(false);
}

void TAeroDlg::TimerTimer()
{
    QImage &preview = Image1->picture();
    const QPoint centre(preview.width() / 2, preview.height() / 2);
    const QPoint dot = spray_.dot(centre, ScrollBar1->value());
    if (!preview.valid(dot))
        return;
    preview.setPixel(dot, qRgb(0, 0, 0));
    Image1->update(QRect(dot, QSize(1, 1)));
}

void TAeroDlg::ScrollBar1Change()
{
    clearPreview();
}

void TAeroDlg::ScrollBar2Change()
{
    clearPreview();
    Timer->setInterval(std::uint16_t(speedInterval()));
}

void TAeroDlg::clearPreview()
{
    QImage &preview = Image1->picture();
    // white inside the default black pen
    editor::paintFigure(preview, {}, editor::Figure::rectangle({0, 0}, {preview.width(), preview.height()}),
                        editor::Pen(), editor::Brush(), preview.rect());
    Image1->update();
}

int TAeroDlg::speedInterval() const
{
    return 101 - ScrollBar2->value();
}
