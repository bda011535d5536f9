#pragma once

#include <QByteArray>
#include <QString>

namespace kelvane::test {

// Media made by ffmpeg for the tests, once per test process, in a temporary folder.
// Returns the file's bytes; fails the calling test when ffmpeg is missing or fails.
QByteArray generatedMp3(int seconds = 6, int bitrateKbps = 128);
// A VBR MP3 without a length header, quiet first and loud later: players estimate its duration
// from the first frames, about twice too long.
QByteArray generatedVbrMp3(int seconds = 8);
// A short video (MPEG-TS, H.264-free: mpeg2video + mp2 audio) for the video window.
QByteArray generatedVideoTs(int seconds = 4);
// Writes bytes to a file in the process's temporary folder and returns its path.
QString writeTempFile(const QString& name, const QByteArray& bytes);

} // namespace kelvane::test
