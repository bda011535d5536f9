#include "stations/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using kelvane::saveAtomically;

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(SafeFile, WritesReplacesKeepsModeAndLeavesNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("我的电台.m3u8"));
    ASSERT_TRUE(saveAtomically(path, "one"));
    EXPECT_EQ(readFile(path), "one");
    ::chmod(QFile::encodeName(path).constData(), 0600);
    ASSERT_TRUE(saveAtomically(path, "two"));
    EXPECT_EQ(readFile(path), "two");
    struct stat st
    {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(SafeFile, FailureSaysWhyAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(saveAtomically(dir.filePath(QStringLiteral("gone/x.m3u8")), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    const QString path = dir.filePath(QStringLiteral("x.m3u8"));
    ASSERT_TRUE(saveAtomically(path, "old"));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
    if (::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0)
        GTEST_SKIP() << "running as root: a read-only folder is still writable";
    EXPECT_FALSE(saveAtomically(path, "new", &error));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(readFile(path), "old");
}

// Version n of the saved file: a header naming n and its length, then that many bytes.
QByteArray version(int n)
{
    const int length = int((quint32(n) * 2654435761u) % (512 * 1024));
    return QByteArray("v ") + QByteArray::number(n) + ' ' + QByteArray::number(length) + '\n' +
           QByteArray(length, char('a' + n % 26));
}

// The version a file holds, or -1 when it is not exactly one whole version.
int versionOf(const QByteArray& bytes)
{
    const qsizetype eol = bytes.indexOf('\n');
    const QList<QByteArray> head = bytes.left(eol).split(' ');
    if (eol < 0 || head.size() != 3 || head[0] != "v")
        return -1;
    const int n = head[1].toInt();
    return version(n) == bytes ? n : -1;
}

// The child: saves versions 1, 2, 3... and prints each number once it is saved, until killed.
TEST(SafeFileChild, SavesUntilKilled)
{
    const QString path = qEnvironmentVariable("KELVANE_SAVE_CHILD");
    if (path.isEmpty())
        GTEST_SKIP() << "only run by SafeFile.KillAtRandomPointsLeavesOldOrNew";
    for (int n = 1; n < 1000000; ++n) {
        ASSERT_TRUE(saveAtomically(path, version(n)));
        std::printf("saved %d\n", n);
        std::fflush(stdout);
    }
}

TEST(SafeFile, KillAtRandomPointsLeavesOldOrNew)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("收藏.m3u8"));
    for (int round = 0; round < 12; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KELVANE_SAVE_CHILD"), path);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=SafeFileChild.*")});
        ASSERT_TRUE(child.waitForStarted(10000));
        // Killed after a random number of saves, while it is somewhere in the next one.
        const int saves = QRandomGenerator::global()->bounded(1, 30);
        QByteArray out;
        const auto lastSaved = [&out] {
            const qsizetype at = out.lastIndexOf("saved ");
            return at < 0 ? 0 : out.mid(at + 6, out.indexOf('\n', at) - at - 6).toInt();
        };
        while (lastSaved() < saves) {
            ASSERT_TRUE(child.waitForReadyRead(30000)) << "round " << round;
            out += child.readAll();
        }
        child.kill();
        ASSERT_TRUE(child.waitForFinished(10000));
        out += child.readAll();
        const int last = lastSaved();
        const int held = versionOf(readFile(path));
        EXPECT_TRUE(held == last || held == last + 1)
            << "round " << round << ": file holds " << held << ", last saved " << last;
    }
}

} // namespace
