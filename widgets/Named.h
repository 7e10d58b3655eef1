#pragma once
// A control made with its object name, which the tests and the automation
// channel find it by: named<QLabel>("Label1", parent, text) is
// new QLabel(text, parent) named "Label1".
#include <QString>
#include <QWidget>
#include <utility>

template <typename T, typename... Args> T *named(const QString &name, QWidget *parent, Args &&...args)
{
    T *widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(name);
    return widget;
}
