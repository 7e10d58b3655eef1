#include "TShellModel.h"

#include <QApplication>
#include <QDir>
#include <QPalette>

TShellModel::TShellModel(QObject *parent) : QFileSystemModel(parent) {}

bool TShellModel::canList(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QVariant TShellModel::data(const QModelIndex &index, int role) const
{
    if (index.column() == 0 && (role == Qt::ForegroundRole || role == Qt::ToolTipRole) && isDir(index)
        && !canList(filePath(index))) {
        if (role == Qt::ToolTipRole)
            return QStringLiteral("Dossier illisible");
        return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    }
    return QFileSystemModel::data(index, role);
}
