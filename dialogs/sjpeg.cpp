#include "sjpeg.h"

TJPEG::TJPEG(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TJPEG"));
    setWindowTitle(QStringLiteral("Options d'enregistrement JPEG"));
}
