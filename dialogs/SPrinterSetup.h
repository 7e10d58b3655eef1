#pragma once
// "Configuration de l'impression": the printer (any CUPS queue, or the PDF
// printer with the folder where it numbers its files), the paper and the
// orientation.  Shown over the program's printer; what is confirmed becomes
// the printer's.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TPrinterSetup : public QDialog {
    Q_OBJECT
public:
    explicit TPrinterSetup(QWidget *parent = nullptr);

    // Shows the dialog over the printer's present state and, when the user
    // confirms, makes the choice the printer's; the dialog's result.
    int Execute();

    QComboBox *cmbPrinter;
    QLineEdit *edtFolder;
    QPushButton *btnFolder;
    QComboBox *cmbPaper;
    QRadioButton *rbPortrait, *rbLandscape;
    QPushButton *OKBtn, *CancelBtn;

public slots:
    void cmbPrinterChange();
    void btnFolderClick();

private:
    void fillPapers(const QString &preferredKey);
    void apply();

    QLabel *folderLabel_;
};
