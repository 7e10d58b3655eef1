#include "SPrinterSetup.h"

#include "Modal.h"
#include "Printer.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename Widget, typename... Args> Widget *named(const char *name, Args &&...args)
{
    auto *widget = new Widget(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TPrinterSetup::TPrinterSetup(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TPrinterSetup"));
    setWindowTitle(QStringLiteral("Configuration de l'impression"));

    auto *printerBox = new QGroupBox(QStringLiteral("Imprimante"));
    auto *printerForm = new QFormLayout(printerBox);
    cmbPrinter = named<QComboBox>("cmbPrinter");
    printerForm->addRow(QStringLiteral("&Nom :"), cmbPrinter);
    edtFolder = named<QLineEdit>("edtFolder");
    btnFolder = named<QPushButton>("btnFolder", QStringLiteral("&Parcourir..."));
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(edtFolder, 1);
    folderRow->addWidget(btnFolder);
    folderLabel_ = new QLabel(QStringLiteral("&Dossier :"));
    folderLabel_->setBuddy(edtFolder);
    printerForm->addRow(folderLabel_, folderRow);

    auto *paperBox = new QGroupBox(QStringLiteral("Papier"));
    auto *paperForm = new QFormLayout(paperBox);
    cmbPaper = named<QComboBox>("cmbPaper");
    paperForm->addRow(QStringLiteral("&Taille :"), cmbPaper);

    auto *orientationBox = new QGroupBox(QStringLiteral("Orientation"));
    auto *orientationRow = new QHBoxLayout(orientationBox);
    rbPortrait = named<QRadioButton>("rbPortrait", QStringLiteral("P&ortrait"));
    rbLandscape = named<QRadioButton>("rbLandscape", QStringLiteral("P&aysage"));
    orientationRow->addWidget(rbPortrait);
    orientationRow->addWidget(rbLandscape);
    orientationRow->addStretch();

    auto *buttons = new QDialogButtonBox;
    OKBtn = named<QPushButton>("OKBtn", QStringLiteral("OK"));
    OKBtn->setDefault(true);
    CancelBtn = named<QPushButton>("CancelBtn", QStringLiteral("Annuler"));
    buttons->addButton(OKBtn, QDialogButtonBox::AcceptRole);
    buttons->addButton(CancelBtn, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(printerBox);
    layout->addWidget(paperBox);
    layout->addWidget(orientationBox);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    connect(cmbPrinter, &QComboBox::currentIndexChanged, this, &TPrinterSetup::cmbPrinterChange);
    connect(btnFolder, &QPushButton::clicked, this, &TPrinterSetup::btnFolderClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int TPrinterSetup::Execute()
{
    const platform::Printer &printer = platform::Printer::instance();
    {
        const QSignalBlocker quiet(cmbPrinter);
        cmbPrinter->clear();
        cmbPrinter->addItems(printer.printers());
        cmbPrinter->setCurrentText(printer.currentName());
    }
    edtFolder->setText(printer.pdfFolder());
    cmbPrinterChange();
    fillPapers(printer.paper().key());
    (printer.orientation() == platform::Orientation::Landscape ? rbLandscape : rbPortrait)->setChecked(true);
    const int result = platform::execModal(*this);
    if (result == QDialog::Accepted)
        apply();
    return result;
}

void TPrinterSetup::cmbPrinterChange()
{
    const bool pdf = cmbPrinter->currentText() == platform::Printer::PdfPrinterName;
    folderLabel_->setVisible(pdf);
    edtFolder->setVisible(pdf);
    btnFolder->setVisible(pdf);
    // The papers are the chosen printer's; the one chosen stays when it has it.
    fillPapers(cmbPaper->currentData().toString());
}

void TPrinterSetup::fillPapers(const QString &preferredKey)
{
    cmbPaper->clear();
    for (const QPageSize &paper : platform::Printer::papersOf(cmbPrinter->currentText()))
        cmbPaper->addItem(paper.name(), paper.key());
    const int preferred = cmbPaper->findData(preferredKey);
    cmbPaper->setCurrentIndex(std::max(0, preferred));
}

void TPrinterSetup::btnFolderClick()
{
    QFileDialog dialog(this, QStringLiteral("Dossier des fichiers PDF"), edtFolder->text());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (platform::execModal(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        edtFolder->setText(dialog.selectedFiles().first());
}

void TPrinterSetup::apply()
{
    platform::Printer &printer = platform::Printer::instance();
    const QString paperKey = cmbPaper->currentData().toString();
    printer.select(cmbPrinter->currentText());
    if (printer.currentName() == platform::Printer::PdfPrinterName)
        printer.setPdfFolder(edtFolder->text());
    for (const QPageSize &paper : printer.papers())
        if (paper.key() == paperKey)
            printer.setPaper(paper);
    printer.setOrientation(rbLandscape->isChecked() ? platform::Orientation::Landscape : platform::Orientation::Portrait);
}
