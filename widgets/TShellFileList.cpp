#include "TShellFileList.h"

#include "TShellFolderTree.h"
#include "TShellModel.h"

#include <QDir>
#include <QPainter>

TShellFileList::TShellFileList(QWidget *parent) : QListView(parent), model_(new TShellModel(this))
{
    model_->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    model_->setNameFilterDisables(false);
    setModel(model_);
    setViewMode(QListView::ListMode);
    setIconSize(QSize(16, 16));
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    model_->sort(0, Qt::AscendingOrder);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
        if (current.isValid())
            emit fileSelected(model_->filePath(current));
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit fileActivated(model_->filePath(index));
    });
}

void TShellFileList::setFolderTree(TShellFolderTree *tree)
{
    connect(tree, &TShellFolderTree::folderChanged, this, &TShellFileList::setFolder);
    if (!tree->Selection().isEmpty())
        setFolder(tree->Selection());
}

void TShellFileList::setFolder(const QString &folder)
{
    folder_ = folder;
    setRootIndex(model_->setRootPath(folder));
    viewport()->update();
}

void TShellFileList::setMask(const QString &mask)
{
    mask_ = mask;
    model_->setNameFilters(mask.split(QLatin1Char(';'), Qt::SkipEmptyParts));
}

QString TShellFileList::SelectedFile() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? model_->filePath(current) : QString();
}

bool TShellFileList::selectFile(const QString &path)
{
    const QModelIndex index = model_->index(path);
    if (!index.isValid() || index.parent() != rootIndex())
        return false;
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

int TShellFileList::count() const
{
    return model_->rowCount(rootIndex());
}

void TShellFileList::paintEvent(QPaintEvent *event)
{
    QListView::paintEvent(event);
    if (folder_.isEmpty() || TShellModel::canList(folder_))
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect(), Qt::AlignCenter, QStringLiteral("Dossier illisible"));
}
