#pragma once
// The splash window shown while the program starts.
#include <QWidget>

class TSleeper;

class TLogo : public QWidget {
    Q_OBJECT
public:
    explicit TLogo(QWidget *parent = nullptr);
    QWidget *Client;
    TSleeper *Sleeper;
};
