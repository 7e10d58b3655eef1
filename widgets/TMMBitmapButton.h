#pragma once
// A push button that shows picture N of an image strip.
#include <QPushButton>

class TMMImageList;

class TMMBitmapButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int imageIndex READ imageIndex WRITE setImageIndex)
public:
    explicit TMMBitmapButton(QWidget *parent = nullptr);

    void setImages(const TMMImageList *images);
    int imageIndex() const { return index_; }
    void setImageIndex(int index);

signals:
    void mouseDown();
    void mouseUp();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Return and Enter press a focused button, as the space bar does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refresh();
    const TMMImageList *images_ = nullptr;
    int index_ = -1;
};
