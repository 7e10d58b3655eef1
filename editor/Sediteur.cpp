#include "Sediteur.h"

TEditeur::TEditeur(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TEditeur"));
    setWindowTitle(QStringLiteral("Edition de l'image"));
    resize(640, 480);
}
