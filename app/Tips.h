#pragma once
// The tips of the day, in order.
#include <QStringList>

QStringList tipTexts();
