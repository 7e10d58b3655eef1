#include "sabout.h"

#include "HelpViewer.h"
#include "Resources.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {
const QString HelpFileName = QStringLiteral("QUILLON.HLP");
constexpr int HelpContext = 1;
} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("A propos"));
    setFixedSize(298, 196);
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 282, 145);
    auto *icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(QPixmap(resources::icon));
    icon->setGeometry(8, 8, 64, 64);
    auto label = [panel](const char *name, const QString &text, int x, int y, int w) {
        auto *l = new QLabel(text, panel);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(x, y, w, 18);
        return l;
    };
    QLabel *product = label("ProductName", QApplication::applicationName(), 88, 12, 186);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    label("Version", QStringLiteral("Version 4.0 - 32 bits"), 88, 34, 186);
    label("Date", QStringLiteral("13/08/2002"), 88, 56, 186);
    label("Copyright", QStringLiteral("© 2002 Vardo. Tous droits réservés."), 8, 92, 266);
    label("Comments", QStringLiteral(" pour Windows"), 8, 114, 266);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    ok->setGeometry(111, 162, 75, 25);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { HelpViewer::showContext(HelpFileName, HelpContext, this); });
}
