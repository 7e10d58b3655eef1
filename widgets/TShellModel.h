#pragma once
// The file system as the shell controls show it: Qt's file-system model
// (folders are read lazily, on a worker thread), with folders the user
// cannot open greyed and saying so.
#include <QFileSystemModel>

class TShellModel : public QFileSystemModel {
    Q_OBJECT
public:
    explicit TShellModel(QObject *parent = nullptr);
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // A folder whose list of files can be read.
    static bool canList(const QString &folder);
};
