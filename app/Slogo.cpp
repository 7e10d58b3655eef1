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
    setFixedSize(300, 267);
    setStyleSheet(QStringLiteral("TLogo { border: 1px solid black; }"));
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QPixmap(resources::splash));
    picture->setGeometry(0, 0, 300, 267);
    Sleeper = new TSleeper(this);
    Sleeper->setInterval(1000);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}
