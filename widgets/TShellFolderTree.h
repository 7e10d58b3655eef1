#pragma once
// A shell folder tree: the folders of the file system (hidden ones left
// out), one of them selected, readable and settable as a path.
#include <QString>
#include <QTreeView>

class TShellModel;

class TShellFolderTree : public QTreeView {
    Q_OBJECT
    Q_PROPERTY(QString Selection READ Selection WRITE setSelection)
public:
    explicit TShellFolderTree(QWidget *parent = nullptr);

    QString Selection() const { return selection_; }
    // A folder that does not exist selects the user's home folder instead.
    void setSelection(const QString &folder);

signals:
    void folderChanged(const QString &folder);

private:
    void currentFolderChanged(const QModelIndex &current);

    TShellModel *model_;
    QString selection_;
};
