#include "Slogo.h"

#include "Resources.h"
#include "Sleeper.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TLogo::TLogo(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TLogo"));
    setWindowTitle(QStringLiteral("Quillon"));
    // A single black border of one pixel around a client area of 298 x 265;
    // the 300 x 267 picture is centred in it, so the client shows all but its
    // outermost pixels.
    setFixedSize(300, 267);
    QPalette border = palette();
    border.setColor(QPalette::Window, Qt::black);
    setPalette(border);
    setAutoFillBackground(true);
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    Client->setGeometry(1, 1, 298, 265);
    auto *picture = new QLabel(Client);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QPixmap(resources::splash));
    picture->setGeometry(-1, -1, 300, 267);
    Sleeper = new TSleeper(this);
    Sleeper->setInterval(1000);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}
