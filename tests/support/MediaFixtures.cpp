#include "tests/support/MediaFixtures.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvane::test {

namespace {

QTemporaryDir& tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

QByteArray runFfmpeg(const QString& key, const QStringList& args)
{
    static QHash<QString, QByteArray> cache;
    if (auto it = cache.constFind(key); it != cache.cend())
        return *it;
    const QString out = tempDir().filePath(key);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args + QStringList{out});
    const bool finished = ffmpeg.waitForFinished(60000);
    EXPECT_TRUE(finished && ffmpeg.exitCode() == 0)
        << "ffmpeg failed: " << ffmpeg.readAllStandardError().toStdString();
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    cache.insert(key, bytes);
    return bytes;
}

} // namespace

QByteArray generatedMp3(int seconds, int bitrateKbps)
{
    return runFfmpeg(
        QStringLiteral("tone-%1s-%2k.mp3").arg(seconds).arg(bitrateKbps),
        {"-f", "lavfi", "-i",
         QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds), "-ac",
         "2", "-c:a", "libmp3lame", "-b:a", QStringLiteral("%1k").arg(bitrateKbps)});
}

QByteArray generatedVbrMp3(int seconds)
{
    return runFfmpeg(QStringLiteral("vbr-%1s.mp3").arg(seconds),
                     {"-f", "lavfi", "-i",
                      QStringLiteral("aevalsrc='if(lt(t,%1),0.01*sin(2*PI*440*t),random(0)-0.5)'"
                                     ":s=44100:d=%2")
                          .arg(seconds * 3 / 8)
                          .arg(seconds),
                      "-ac", "2", "-c:a", "libmp3lame", "-q:a", "4", "-write_xing", "0"});
}

QByteArray generatedVideoTs(int seconds)
{
    return runFfmpeg(QStringLiteral("bars-%1s.ts").arg(seconds),
                     {"-f", "lavfi", "-i",
                      QStringLiteral("testsrc=size=320x240:rate=25:duration=%1").arg(seconds), "-f",
                      "lavfi", "-i", QStringLiteral("sine=frequency=660:duration=%1").arg(seconds),
                      "-c:v", "mpeg2video", "-q:v", "5", "-c:a", "mp2", "-b:a", "128k", "-f",
                      "mpegts"});
}

QString writeTempFile(const QString& name, const QByteArray& bytes)
{
    const QString path = tempDir().filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

} // namespace kelvane::test
