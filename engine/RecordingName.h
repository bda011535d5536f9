#pragma once

#include <QDateTime>
#include <QString>

namespace kelvane {

// File names are limited to this many bytes by Linux's file systems (and most others).
inline constexpr int kMaxFileNameBytes = 255;

// The station's name as the first part of a file name: no folder separators, control
// characters or characters other systems refuse (<>:"|?*), no leading dot, at most maxBytes in
// UTF-8 and cut only between whole characters (an emoji or a letter with its marks stays whole);
// "Kelvane" when nothing is left.
QString recordingStationPart(const QString& stationName, int maxBytes);

// "<station> <yyyy-MM-dd HH-mm-ss>.<extension>", with " (copy)" before the extension from the
// second copy on; the whole name fits in kMaxFileNameBytes.
QString recordingFileName(const QString& stationName, const QDateTime& start,
                          const QString& extension, int copy = 1);

// Creates the recording's file in folder under the first free name of recordingFileName (never
// one that exists, even when two recordings start within one second) and returns its path; empty,
// with the reason in *error, when no file could be created there.
QString createRecordingFile(const QString& folder, const QString& stationName,
                            const QDateTime& start, const QString& extension,
                            QString* error = nullptr);

// The extension a recording of that stream gets, from the stream's format name as mpv reports it
// ("mp3", "aac", "ogg", "hls", "mpegts", "mov,mp4,m4a,...").
QString recordingExtension(const QString& formatName, bool hasVideo = false);

// Why a file could not be created or written, for the listener, from errno.
QString fileErrorText(int errnoValue);

} // namespace kelvane
