#include "engine/RecordingName.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

const QDateTime kStart(QDate(2026, 12, 10), QTime(4, 30, 5));

struct NameCase
{
    const char* what;
    QString station;
    QString part; // the station's part of the file name
};

} // namespace

TEST(RecordingName, StationPartIsCleanAndFitsInBytes)
{
    const QString chinese = QString(78, QChar(0x4e2d));             // 78 characters of 3 bytes each
    const QString family = QString::fromUtf8("👨‍👩‍👧"); // one character of 18 bytes
    const QString smile = QString::fromUtf8("😀");                   // a surrogate pair
    // Each name leaves 255 - 24 = 231 bytes for the station (" 2026-12-10 04-30-05.mp3").
    const QList<NameCase> cases = {
        {"78 Chinese characters lose one", chinese, chinese.left(77)},
        {"an emoji across the cut goes whole", QString(226, u'a') + family, QString(226, u'a')},
        {"a surrogate pair across the cut", QString(229, u'a') + smile, QString(229, u'a')},
        {"an emoji that fits stays", QString(227, u'a') + smile, QString(227, u'a') + smile},
        {"separators and controls", QStringLiteral("a/b\\c\nd:e"), QStringLiteral("a_b_c_d_e")},
        {"no leading dot", QStringLiteral(" ..hidden."), QStringLiteral("hidden")},
        {"a lone surrogate", QString(QChar(0xd800)) + u'x', QStringLiteral("_x")},
        {"empty", QString(), QStringLiteral("Kelvane")},
        {"only dots", QStringLiteral("..."), QStringLiteral("Kelvane")},
    };
    for (const NameCase& c : cases) {
        const QString name = recordingFileName(c.station, kStart, QStringLiteral("mp3"));
        EXPECT_LE(name.toUtf8().size(), kMaxFileNameBytes) << c.what;
        EXPECT_EQ(name, c.part + QStringLiteral(" 2026-12-10 04-30-05.mp3")) << c.what;
    }
    // A copy's number takes its room from the station too.
    const QString third = recordingFileName(chinese, kStart, QStringLiteral("mp3"), 3);
    EXPECT_LE(third.toUtf8().size(), kMaxFileNameBytes);
    EXPECT_TRUE(third.endsWith(QStringLiteral("04-30-05 (3).mp3")));
}

TEST(RecordingName, NeverOverwritesAnEarlierRecording)
{
    QTemporaryDir dir;
    const QString station = QString(78, QChar(0x4e2d));
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        const QString path = createRecordingFile(dir.path(), station, kStart, QStringLiteral("ts"));
        ASSERT_TRUE(QFile::exists(path));
        names << QFileInfo(path).fileName();
    }
    EXPECT_EQ(names[0], recordingFileName(station, kStart, QStringLiteral("ts")));
    EXPECT_TRUE(names[1].endsWith(QStringLiteral(" (2).ts")));
    EXPECT_TRUE(names[2].endsWith(QStringLiteral(" (3).ts")));

    QString error;
    EXPECT_TRUE(createRecordingFile(QStringLiteral("/dev/null/none"), station, kStart,
                                    QStringLiteral("ts"), &error)
                    .isEmpty());
    EXPECT_EQ(error, QStringLiteral("文件夹不存在"));
}

TEST(RecordingName, ExtensionFollowsTheFormat)
{
    const QList<std::pair<QString, QString>> cases = {
        {"mp3", "mp3"},           {"aac", "aac"},
        {"ogg", "ogg"},           {"hls", "ts"},
        {"mpegts", "ts"},         {"mov,mp4,m4a,3gp,3g2,mj2", "mka"},
        {"matroska,webm", "mka"},
    };
    for (const auto& [format, extension] : cases)
        EXPECT_EQ(recordingExtension(format), extension) << format.toStdString();
    EXPECT_EQ(recordingExtension(QStringLiteral("mov,mp4"), true), QStringLiteral("mkv"));
}
