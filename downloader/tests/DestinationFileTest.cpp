// The temporary file beside the destination, and the free-space query.
#include "downloader/DestinationFile.h"

#include "downloader/tests/DownloaderTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kelvane::downloader;
using namespace kelvane::test;

namespace {
QStringList entries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

TEST(DestinationFileTest, WritesBesideTheDestinationAndReplacesItOnCommit)
{
    QTemporaryDir dir;
    const QString dest = dir.filePath(QStringLiteral("list.dat"));
    ASSERT_TRUE(writeFile(dest, "old content that is longer than the new one"));
    DestinationFile file;
    file.open(dest);
    EXPECT_TRUE(file.temporaryPath().startsWith(dir.path() + QStringLiteral("/.list.dat.")));
    file.write("new");
    EXPECT_EQ(readFile(dest), QByteArray("old content that is longer than the new one"));
    file.commit();
    EXPECT_EQ(readFile(dest), QByteArray("new"));
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("list.dat")});
}

TEST(DestinationFileTest, RemovesTemporariesOfKilledTransfersButNotOfLiveOnes)
{
    QTemporaryDir dir;
    const QString dest = dir.filePath(QStringLiteral("list.dat"));
    // Left by a transfer that was killed; and names that only look alike.
    const QStringList others = {QStringLiteral(".list.dat.abc.part"),
                                QStringLiteral(".other.dat.abcdefgh.part"),
                                QStringLiteral("list.dat.abcdefgh.part")};
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral(".list.dat.k1ll3d00.part")), "half"));
    for (const QString& name : others)
        ASSERT_TRUE(writeFile(dir.filePath(name), "x"));
    DestinationFile live; // a transfer still running in another window
    live.open(dest);
    DestinationFile next;
    next.open(dest);
    QStringList expected = others;
    expected << QFileInfo(live.temporaryPath()).fileName()
             << QFileInfo(next.temporaryPath()).fileName();
    expected.sort();
    QStringList found = entries(dir);
    found.sort();
    EXPECT_EQ(found, expected);
}

TEST(DestinationFileTest, DiscardLeavesTheDestinationAsItWas)
{
    QTemporaryDir dir;
    const QString dest = dir.filePath(QStringLiteral("list.dat"));
    ASSERT_TRUE(writeFile(dest, "old"));
    {
        DestinationFile file;
        file.open(dest);
        file.write(patternBody(200000));
    } // going away without a commit
    EXPECT_EQ(readFile(dest), QByteArray("old"));
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("list.dat")});
}

TEST(DestinationFileTest, KeepsThePermissionsOfTheFileItReplaces)
{
    QTemporaryDir dir;
    const QString dest = dir.filePath(QStringLiteral("list.dat"));
    ASSERT_TRUE(writeFile(dest, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(dest).constData(), 0640), 0);
    DestinationFile file;
    file.open(dest);
    file.write("new");
    file.commit();
    struct stat st
    {};
    ASSERT_EQ(::stat(QFile::encodeName(dest).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(DestinationFileTest, ReplacingASymbolicLinkReplacesItsTarget)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("real.dat"));
    const QString link = dir.filePath(QStringLiteral("list.dat"));
    ASSERT_TRUE(writeFile(target, "old"));
    ASSERT_TRUE(QFile::link(target, link));
    DestinationFile file;
    file.open(link);
    file.write("new");
    file.commit();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target), QByteArray("new"));
}

TEST(DestinationFileTest, FailuresCarryErrnoAndItsDescription)
{
    QTemporaryDir dir;
    DestinationFile file;
    try {
        file.open(dir.filePath(QStringLiteral("missing/list.dat")));
        FAIL() << "opened";
    } catch (const TransferError& error) {
        EXPECT_EQ(error.code, ENOENT);
        EXPECT_EQ(error.description, QStringLiteral("No such file or directory"));
    }
    try {
        file.open(dir.path());
        FAIL() << "opened a directory";
    } catch (const TransferError& error) {
        EXPECT_EQ(error.code, EISDIR);
        EXPECT_EQ(error.description, QStringLiteral("Is a directory"));
    }
    EXPECT_TRUE(entries(dir).isEmpty());
}

TEST(DestinationFileTest, FreeSpaceIsAskedOfTheNearestExistingFolder)
{
    QTemporaryDir dir;
    const double here = freeBytesFor(dir.path());
    EXPECT_GT(here, 0.0);
    const double below = freeBytesFor(dir.filePath(QStringLiteral("not/yet/there/")));
    EXPECT_GT(below, 0.0);
    EXPECT_NEAR(below, here, 64.0 * 1024 * 1024); // the same file system
    EXPECT_EQ(freeBytesFor(QStringLiteral("relative/and/missing")), 0.0);
}
