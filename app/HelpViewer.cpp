#include "HelpViewer.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Aide"));
    resize(560, 480);
    auto *layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_);
}

QString HelpViewer::pageFor(const QString &helpFile)
{
    const QString base = QFileInfo(QString(helpFile).replace(QLatin1Char('\\'), QLatin1Char('/'))).completeBaseName().toLower();
    return QStringLiteral("qrc:/help/%1.html").arg(base == QLatin1String("quillon") ? QStringLiteral("index") : base);
}

void HelpViewer::showContents(const QString &helpFile, QWidget *parent)
{
    showPage(QUrl(pageFor(helpFile)), parent);
}

void HelpViewer::showContext(const QString &helpFile, int context, QWidget *parent)
{
    QUrl page(pageFor(helpFile));
    page.setFragment(QStringLiteral("context-%1").arg(context));
    showPage(page, parent);
}

void HelpViewer::showPage(const QUrl &page, QWidget *parent)
{
    HelpViewer *viewer = parent->findChild<HelpViewer *>(QString(), Qt::FindDirectChildrenOnly);
    if (!viewer)
        viewer = new HelpViewer(parent);
    viewer->browser_->setSource(page);
    viewer->show();
    viewer->raise();
}
