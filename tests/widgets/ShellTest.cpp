// The shell folder tree and file list over the file system.
#include "TShellFileList.h"
#include "TShellFolderTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

template <typename Done> bool waitUntil(Done done, int milliseconds = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

QStringList listed(const TShellFileList &list)
{
    QStringList names;
    for (int row = 0; row < list.count(); ++row)
        names << list.model()->index(row, 0, list.rootIndex()).data().toString();
    return names;
}

} // namespace

TEST(ShellFolderTree, SelectsFoldersByPathAndFallsBackHome)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("a/b"));
    TShellFolderTree tree;
    std::vector<QString> changes;
    QObject::connect(&tree, &TShellFolderTree::folderChanged, [&](const QString &folder) { changes.push_back(folder); });
    tree.setSelection(dir.filePath(QStringLiteral("a/b")));
    EXPECT_EQ(tree.Selection(), dir.filePath(QStringLiteral("a/b")));
    ASSERT_TRUE(waitUntil([&] { return tree.currentIndex().isValid(); }));
    EXPECT_EQ(changes.back(), dir.filePath(QStringLiteral("a/b")));
    tree.setSelection(dir.filePath(QStringLiteral("gone")));
    EXPECT_EQ(tree.Selection(), QDir::homePath());
    EXPECT_EQ(tree.property("Selection").toString(), QDir::homePath());
}

TEST(ShellFileList, ShowsMatchingFilesOfTheTreesFolderSortedByName)
{
    QTemporaryDir dir;
    for (const char *name : {"b.PNG", "a.bmp", "c.txt", ".hidden.bmp", "d.jpg"})
        touch(dir.filePath(QLatin1String(name)));
    QDir(dir.path()).mkdir(QStringLiteral("folder.bmp"));
    TShellFolderTree tree;
    TShellFileList list;
    list.setMask(QStringLiteral("*.bmp;*.png;*.jpg"));
    list.setFolderTree(&tree);
    tree.setSelection(dir.path());
    ASSERT_TRUE(waitUntil([&] { return list.count() == 3; }));
    // the model sorts on its worker thread
    ASSERT_TRUE(waitUntil([&] { return listed(list) == QStringList({"a.bmp", "b.PNG", "d.jpg"}); }))
        << listed(list).join(QLatin1Char(' ')).toStdString();

    std::vector<QString> selected, activated;
    QObject::connect(&list, &TShellFileList::fileSelected, [&](const QString &path) { selected.push_back(path); });
    QObject::connect(&list, &TShellFileList::fileActivated, [&](const QString &path) { activated.push_back(path); });
    ASSERT_TRUE(list.selectFile(dir.filePath(QStringLiteral("b.PNG"))));
    EXPECT_EQ(selected, std::vector<QString>{dir.filePath(QStringLiteral("b.PNG"))});
    EXPECT_EQ(list.SelectedFile(), dir.filePath(QStringLiteral("b.PNG")));
    EXPECT_FALSE(list.selectFile(dir.filePath(QStringLiteral("c.txt"))));
    // moving with the keys reports each item
    list.show();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(&list, &down);
    EXPECT_EQ(selected.back(), dir.filePath(QStringLiteral("d.jpg")));
    const QRect item = list.visualRect(list.currentIndex());
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
        QMouseEvent click(type, item.center(), list.viewport()->mapToGlobal(item.center()), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &click);
    }
    EXPECT_EQ(activated, std::vector<QString>{dir.filePath(QStringLiteral("d.jpg"))});
}

TEST(ShellFileList, ListsAFolderOfTenThousandFiles)
{
    QTemporaryDir dir;
    for (int i = 0; i < 10000; ++i)
        touch(dir.filePath(QStringLiteral("p%1.jpg").arg(i, 5, 10, QLatin1Char('0'))));
    TShellFileList list;
    list.setMask(QStringLiteral("*.jpg"));
    list.resize(193, 233);
    list.show();
    list.setFolder(dir.path());
    ASSERT_TRUE(waitUntil([&] { return list.count() == 10000; }, 30000)) << list.count();
    EXPECT_TRUE(list.selectFile(dir.filePath(QStringLiteral("p09999.jpg"))));
}

TEST(ShellFileList, UnreadableFoldersShowAsSuch)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "every folder is readable to root";
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QDir(dir.path()).mkdir(QStringLiteral("locked"));
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    TShellFileList list;
    list.resize(193, 233);
    list.setFolder(locked);
    const QImage shot = list.grab().toImage();
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    bool text = false;
    for (int x = 0; x < shot.width() && !text; ++x)
        text = shot.pixelColor(x, shot.height() / 2) != shot.pixelColor(0, shot.height() / 2);
    EXPECT_TRUE(text);
}
