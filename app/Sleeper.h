#pragma once
// A pause that keeps the window messages flowing: Sleep() returns after one
// Interval, having processed events all along.
#include <QObject>

class QTimer;

class TSleeper : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Interval READ interval WRITE setInterval)
public:
    explicit TSleeper(QObject *parent = nullptr);

    int interval() const;
    void setInterval(int milliseconds);
    void Sleep();

private:
    QTimer *timer_;
    bool done_ = false;
};
