#include "Sopend.h"

TOpenDial::TOpenDial(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TOpenDial"));
    setWindowTitle(QStringLiteral("Choix d'une image"));
}
