#pragma once
// The help window: shows the contents page of a help file.  The program's
// help files are HTML pages compiled into the program.
#include <QDialog>

class QTextBrowser;

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *parent = nullptr);

    // Opens (or raises) the window on the contents of the named help file.
    static void showContents(const QString &helpFile, QWidget *parent);
    // Opens it on the topic of a help context number (F1).
    static void showContext(const QString &helpFile, int context, QWidget *parent);
    // The page shown for a help file name, by its base name.
    static QString pageFor(const QString &helpFile);

private:
    static void showPage(const QUrl &page, QWidget *parent);
    QTextBrowser *browser_;
};
