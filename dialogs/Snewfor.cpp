#include "Snewfor.h"

TNewFor::TNewFor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TNewFor"));
    setWindowTitle(QStringLiteral("Format du poster"));
}
