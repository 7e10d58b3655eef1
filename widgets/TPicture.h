#pragma once
// A picture control: shows its bitmap at its own size or stretched to its
// bounds, and reports a click (press and release over it).
#include <QImage>
#include <QWidget>

class TPicture : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int pictureWidth READ pictureWidth)
    Q_PROPERTY(int pictureHeight READ pictureHeight)
public:
    explicit TPicture(const QString &name, QWidget *parent = nullptr, bool stretch = false);

    QImage &picture() { return picture_; }
    const QImage &picture() const { return picture_; }
    void setPicture(const QImage &picture);
    // Counts the pictures assigned, so that a drawing that takes a while can
    // tell whether its target was given another picture meanwhile.
    quint64 pictureGeneration() const { return generation_; }
    int pictureWidth() const { return picture_.width(); }
    int pictureHeight() const { return picture_.height(); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage picture_;
    quint64 generation_ = 0;
    bool stretch_;
    bool pressed_ = false;
};
