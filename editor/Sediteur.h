#pragma once
// The image editor window.  Created once at start and shown modally again and again.
#include <QDialog>

class TEditeur : public QDialog {
    Q_OBJECT
public:
    explicit TEditeur(QWidget *parent = nullptr);
};
