#include "spredefine.h"

TPredefine::TPredefine(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TPredefine"));
    setWindowTitle(QStringLiteral("Réglages prédéfinis du scanner"));
}
