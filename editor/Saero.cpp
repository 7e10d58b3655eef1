#include "Saero.h"

TAeroDlg::TAeroDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAeroDlg"));
    setWindowTitle(QStringLiteral("Aérographe"));
}
