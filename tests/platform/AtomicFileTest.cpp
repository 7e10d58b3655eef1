// Files written whole or not at all, against a full disk, a read-only disk,
// special files and symbolic links.
#include "AtomicFile.h"
#include "AtomicFileDevice.h"
#include "SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QByteArray contents(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

void writeWhole(const QString &file, const QByteArray &bytes)
{
    platform::AtomicFile out(QFile::encodeName(file).toStdString());
    // In pieces, as the codecs write.
    for (qsizetype at = 0; at < bytes.size(); at += 4096)
        out.write(bytes.constData() + at, std::size_t(std::min<qsizetype>(4096, bytes.size() - at)));
    out.commit();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
}

} // namespace

TEST(AtomicFile, ReplacesTheFileWholeKeepingItsPermissions)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("page.bin"));
    writeWhole(file, "old");
    ::chmod(QFile::encodeName(file).constData(), 0640);
    writeWhole(file, QByteArray(100000, 'n'));
    EXPECT_EQ(contents(file), QByteArray(100000, 'n'));
    EXPECT_EQ(QFileInfo(file).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
    {
        platform::AtomicFile dropped(QFile::encodeName(file).toStdString());
        dropped.write("x", 1);
    }
    EXPECT_EQ(contents(file), QByteArray(100000, 'n'));
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("page.bin")});
}

TEST(AtomicFile, AFullDiskOrAReadOnlyOneKeepsTheOldFileAndLeavesNoOther)
{
    SmallDisk disk(256);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    const QString file = disk.file(QStringLiteral("old.pdf"));
    writeWhole(file, QByteArray(100 * 1024, 'o'));
    try {
        writeWhole(file, QByteArray(400 * 1024, 'n')); // more than the disk has left
        ADD_FAILURE() << "a full disk was not reported";
    } catch (const platform::WriteError &error) {
        EXPECT_EQ(error.file(), QFile::encodeName(file).toStdString());
        EXPECT_NE(std::string(error.what()).find("le disque est plein"), std::string::npos) << error.what();
    }
    EXPECT_EQ(contents(file), QByteArray(100 * 1024, 'o'));
    EXPECT_EQ(entries(disk.path()), QStringList{QStringLiteral("old.pdf")});

    ASSERT_TRUE(disk.makeReadOnly());
    EXPECT_THROW(writeWhole(file, "n"), platform::WriteError);
    EXPECT_EQ(contents(file), QByteArray(100 * 1024, 'o'));
}

// A name that is not a regular file is refused, never replaced; a symbolic
// link is followed and stays a link.
TEST(AtomicFile, SpecialFilesAreRefusedAndLinksFollowed)
{
    QTemporaryDir folder;
    const QString device = folder.filePath(QStringLiteral("device.png")), pipe = folder.filePath(QStringLiteral("pipe.png")),
                  sub = folder.filePath(QStringLiteral("folder.png"));
    const bool root = ::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0666), 0);
    ASSERT_TRUE(QDir().mkdir(sub));
    for (const QString &special : root ? QStringList{device, pipe, sub} : QStringList{pipe, sub}) {
        EXPECT_THROW(writeWhole(special, "data"), platform::WriteError) << special.toStdString();
        EXPECT_FALSE(QFileInfo(special).isFile()) << special.toStdString();
    }
    if (root) {
        struct stat node;
        ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &node), 0);
        EXPECT_TRUE(S_ISCHR(node.st_mode));
    }

    const QString target = folder.filePath(QStringLiteral("real.png")), link = folder.filePath(QStringLiteral("link.png"));
    writeWhole(target, "old");
    ASSERT_TRUE(QFile::link(QStringLiteral("real.png"), link)); // relative, as users make them
    writeWhole(link, "new");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(target), QByteArray("new"));
}

TEST(AtomicFile, TheDeviceReportsAFailedWriteAtItsCommit)
{
    SmallDisk disk(64);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small disk needs root";
    {
        platform::AtomicFileDevice file(disk.file(QStringLiteral("big.pdf")));
        const QByteArray chunk(16 * 1024, 'x');
        for (int i = 0; i < 10; ++i)
            file.write(chunk); // Qt's writers go on after a failed write
        EXPECT_THROW(file.commit(), platform::WriteError);
    }
    EXPECT_TRUE(entries(disk.path()).isEmpty());
}
