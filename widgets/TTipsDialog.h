#pragma once
// Tips of the day: a random tip first, "next" walks through them in order.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

class TTipsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TTipsDialog(QWidget *parent = nullptr);

    void setTips(const QStringList &tips) { tips_ = tips; }
    const QStringList &tips() const { return tips_; }
    bool showAtStartup() const;
    void setShowAtStartup(bool show);
    int currentTip() const { return current_; }

    // Shows the dialog modally when the show-at-start option is on and there
    // are tips; returns whether it was shown.
    bool Execute();

public slots:
    void nextTip();

private:
    void showTip(int index);

    QStringList tips_;
    int current_ = -1;
    QLabel *tipText_;
    QCheckBox *showCheck_;
};
