#include "catalogue/StationList.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kelvane;

namespace {

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

class StationFileTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static std::optional<Stations> load(const QString& path,
                                        const QString& separator = kRadioSeparator)
    {
        return loadStationList(path, separator);
    }

    QTemporaryDir dir;
};

} // namespace

TEST(StationListParse, NamesAndAddressesTrimmedOfSpacesInFileOrder)
{
    const Stations s = parseStationList("A ==> x1\r\nB==>x2", kRadioSeparator);
    EXPECT_EQ(s.names, (QStringList{"A", "B"}));
    EXPECT_EQ(s.urls, (QStringList{"x1", "x2"}));
}

TEST(StationListParse, BlankLinesAndLinesStartingWithSeparatorAddNothing)
{
    const Stations s =
        parseStationList("A ==> x1\r\n\r\n   \r\n==>x3\r\nB==>x2\r\n", kRadioSeparator);
    EXPECT_EQ(s.names, (QStringList{"A", "B"}));
    EXPECT_EQ(s.urls, (QStringList{"x1", "x2"}));
}

TEST(StationListParse, NameEmptinessIsTestedBeforeTrimming)
{
    const Stations s = parseStationList("   ==> x4", kRadioSeparator);
    EXPECT_EQ(s.names, QStringList{""});
    EXPECT_EQ(s.urls, QStringList{"x4"});
}

TEST(StationListParse, LineWithoutSeparatorIsANameWithEmptyAddress)
{
    const Stations s = parseStationList("  C  \r\nE ||> x7", kRadioSeparator);
    EXPECT_EQ(s.names, (QStringList{"C", "E ||> x7"}));
    EXPECT_EQ(s.urls, (QStringList{"", ""}));
}

TEST(StationListParse, SecondSeparatorEndsTheAddress)
{
    const Stations s = parseStationList("D==>x5==>x6", kRadioSeparator);
    EXPECT_EQ(s.urls, QStringList{"x5"});
    const Stations tv = parseStationList("E ||> x7", kTvSeparator);
    EXPECT_EQ(tv.names, QStringList{"E"});
    EXPECT_EQ(tv.urls, QStringList{"x7"});
}

TEST(StationListParse, OnlySpacesAreTrimmed)
{
    const Stations s = parseStationList("\tA\t==>\tx1 \t", kRadioSeparator);
    EXPECT_EQ(s.names, QStringList{"\tA\t"});
    EXPECT_EQ(s.urls, QStringList{"\tx1 \t"});
    // A line of tabs is not blank: it is a station named by its tabs.
    EXPECT_EQ(parseStationList("\t\t", kRadioSeparator).names, QStringList{"\t\t"});
}

TEST(StationListParse, CrLfLoneCrAndLoneLfAllEndLines)
{
    const Stations s = parseStationList("A==>1\r\nB==>2\rC==>3\nD==>4\n\rE==>5", kRadioSeparator);
    EXPECT_EQ(s.names, (QStringList{"A", "B", "C", "D", "E"}));
    EXPECT_EQ(s.urls, (QStringList{"1", "2", "3", "4", "5"}));
}

TEST(StationListParse, SeparatorIsMatchedExactly)
{
    const Stations s = parseStationList("A = => x\r\nB=>x\r\nC===>y", kRadioSeparator);
    EXPECT_EQ(s.names, (QStringList{"A = => x", "B=>x", "C="}));
    EXPECT_EQ(s.urls, (QStringList{"", "", "y"}));
}

TEST(StationListParse, GbkNamesDecodeAndBrokenBytesBecomeReplacementCharacters)
{
    const QString name = QStringLiteral("中国之声 ｜ 经济之声");
    QByteArray bytes = gbk(name + " ==> http://a/1\r\n");
    bytes += "\x81\r\n"; // a lead byte with no trail byte: must not eat the line end
    bytes += gbk(QStringLiteral("音乐 ==> http://a/2"));
    const Stations s = parseStationList(bytes, kRadioSeparator);
    ASSERT_EQ(s.names.size(), 3);
    EXPECT_EQ(s.names[0], name);
    EXPECT_EQ(s.names[1], QString(QChar::ReplacementCharacter));
    EXPECT_EQ(s.names[2], QStringLiteral("音乐"));
    EXPECT_EQ(s.urls[2], "http://a/2");
}

TEST(StationListParse, TvSeparatorInsideGbkTextIsFoundOnlyAsText)
{
    // 0x7C ('|') is a valid GBK trail byte; the separator must be matched on decoded text.
    const QByteArray lookalike = QByteArray("\x81\x7C\x81\x7C>", 5);
    const Stations s = parseStationList(QByteArray(lookalike + " ||> u"), kTvSeparator);
    ASSERT_EQ(s.names.size(), 1);
    EXPECT_EQ(s.urls[0], "u");
    EXPECT_FALSE(s.names[0].isEmpty());
}

TEST(StationListParse, StopsAtTheListBoxLimit)
{
    QByteArray bytes;
    for (int i = 0; i < kMaxStations + 10; ++i)
        bytes += "S" + QByteArray::number(i) + "==>u" + QByteArray::number(i) + "\r\n";
    const Stations s = parseStationList(bytes, kRadioSeparator);
    EXPECT_EQ(s.names.size(), kMaxStations);
    EXPECT_EQ(s.urls.size(), kMaxStations);
    EXPECT_EQ(s.names.constLast(), "S32766");
}

TEST_F(StationFileTest, GivesTheFilesStationsInFileOrder)
{
    const auto s = load(write("fmstacionet.dat", gbk(QStringLiteral("央广 ==> x1\r\nB==>x2"))));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->names, (QStringList{QStringLiteral("央广"), "B"}));
    EXPECT_EQ(s->urls, (QStringList{"x1", "x2"}));
}

TEST_F(StationFileTest, MissingFileGivesNothing)
{
    EXPECT_FALSE(load(dir.filePath("tvstacionet.dat"), kTvSeparator));
}

TEST_F(StationFileTest, UnreadableFileGivesAnEmptyListWithoutWaiting)
{
    const QString path = write("fmstacionet.dat", "A==>x1\r\n");
    QFile::setPermissions(path, QFileDevice::Permissions());
    const auto s = load(path);
    if (QFile(path).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->names.isEmpty());
    EXPECT_TRUE(s->urls.isEmpty());
}

TEST_F(StationFileTest, APipeInPlaceOfTheFileIsNotWaitedOn)
{
    const QString path = dir.filePath("fmstacionet.dat");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const auto s = load(path); // opening a pipe with no writer would block here
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->names.isEmpty());
    EXPECT_TRUE(s->urls.isEmpty());
}

TEST_F(StationFileTest, AFolderInPlaceOfTheFileCountsAsMissing)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("fmstacionet.dat"));
    EXPECT_FALSE(load(dir.filePath("fmstacionet.dat")));
}

TEST_F(StationFileTest, ReloadingReadsTheFileAgainFromScratch)
{
    const QString path = write("fmstacionet.dat", "A==>1\r\nB==>2\r\n");
    load(path);
    write("fmstacionet.dat", "C==>3\r\n");
    const auto s = load(path);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->names, QStringList{"C"});
    EXPECT_EQ(s->urls, QStringList{"3"});
}

TEST_F(StationFileTest, AHugeFileGivesItsFirstStationsOnly)
{
    // 40000 stations, then a sparse gigabyte without a line end: the load stops at the list
    // box's limit and never reads the rest.
    QByteArray head;
    for (int i = 0; i < 40000; ++i)
        head += "S" + QByteArray::number(i) + "==>u\r\n";
    head += QByteArray(StationListParser::kMaxLineBytes * 3, 'n') + "==>long\r\n";
    const QString path = write(QStringLiteral("huge.dat"), head);
    ASSERT_TRUE(QFile::resize(path, qint64(1) << 30));
    const auto loaded = load(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->names.size(), kMaxStations);
    EXPECT_EQ(loaded->urls.size(), kMaxStations);
    EXPECT_EQ(loaded->names.constLast(), "S32766");

    // A line far longer than any station keeps its beginning.
    const QByteArray longLine =
        QByteArray(StationListParser::kMaxLineBytes * 2, 'n') + "==>u\r\nB==>v";
    const Stations s = parseStationList(longLine, kRadioSeparator);
    ASSERT_EQ(s.names.size(), 2);
    EXPECT_EQ(s.names[0].size(), StationListParser::kMaxLineBytes);
    EXPECT_EQ(s.urls[0], "");
    EXPECT_EQ(s.names[1], "B");
}
