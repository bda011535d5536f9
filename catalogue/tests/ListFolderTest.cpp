#include "catalogue/ListFolder.h"
#include "catalogue/StationList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

class ListFolderTest : public ::testing::Test
{
protected:
    QTemporaryDir root;
    QString program = root.filePath("usr/bin");
    QString bundled = root.filePath("usr/share/kelvane");
    QString data = root.filePath("home/.local/share/Kelvane");

    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(program) && QDir().mkpath(bundled));
        for (const QString& name : {kRadioListFile, kTvListFile, kAdultListFile})
            write(bundled + '/' + name, "bundled " + name.toLatin1());
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(ListFolderTest, AWritableProgramFolderKeepsItsListsBesideIt)
{
    const ListFolder chosen = chooseListFolder(program, true, bundled, data);
    EXPECT_EQ(chosen.folder, program);
    EXPECT_TRUE(chosen.seeded.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(data));
}

TEST_F(ListFolderTest, AnInstalledProgramSeedsTheDataFolderOnceAndNeverOverwritesAnUpdate)
{
    ListFolder chosen = chooseListFolder(program, false, bundled, data);
    EXPECT_EQ(chosen.folder, data);
    EXPECT_EQ(chosen.seeded, QStringList({kRadioListFile, kTvListFile, kAdultListFile}));
    EXPECT_EQ(read(data + '/' + kRadioListFile), "bundled " + kRadioListFile.toLatin1());
    EXPECT_TRUE(QFile::permissions(data + '/' + kTvListFile) & QFile::WriteOwner);

    // The user updated one list and lost another: only the lost one comes back.
    write(data + '/' + kRadioListFile, "updated");
    QFile::remove(data + '/' + kAdultListFile);
    chosen = chooseListFolder(program, false, bundled, data);
    EXPECT_EQ(chosen.seeded, QStringList({kAdultListFile}));
    EXPECT_EQ(read(data + '/' + kRadioListFile), "updated");
    EXPECT_TRUE(QDir(data).entryList({"*.seed"}, QDir::Files).isEmpty());
}

TEST_F(ListFolderTest, WithoutADataFolderTheInstalledListsAreRead)
{
    ASSERT_TRUE(QDir().mkpath(root.filePath("home")));
    write(root.filePath("home/.local"), "a file where a folder should be");
    const ListFolder chosen = chooseListFolder(program, false, bundled, data);
    EXPECT_EQ(chosen.folder, bundled);
    EXPECT_TRUE(chosen.seeded.isEmpty());
}
