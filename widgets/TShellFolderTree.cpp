#include "TShellFolderTree.h"

#include "TShellModel.h"

#include <QDir>
#include <QHeaderView>

TShellFolderTree::TShellFolderTree(QWidget *parent) : QTreeView(parent), model_(new TShellModel(this))
{
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QDir::rootPath());
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setIconSize(QSize(16, 16));
    setSortingEnabled(false);
    model_->sort(0, Qt::AscendingOrder);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { currentFolderChanged(current); });
}

void TShellFolderTree::setSelection(const QString &folder)
{
    const QString chosen = QFileInfo(folder).isDir() ? QDir(folder).absolutePath() : QDir::homePath();
    const QModelIndex index = model_->index(chosen);
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index);
    }
    // the model may not know a folder yet: the path is the selection all the same
    if (selection_ != chosen) {
        selection_ = chosen;
        emit folderChanged(selection_);
    }
}

void TShellFolderTree::currentFolderChanged(const QModelIndex &current)
{
    if (!current.isValid())
        return;
    const QString folder = model_->filePath(current);
    if (folder == selection_)
        return;
    selection_ = folder;
    emit folderChanged(selection_);
}
