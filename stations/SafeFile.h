#pragma once

#include <QByteArray>
#include <QString>

namespace kelvane {

// Writes bytes to path so that a kill or a power cut at any moment leaves either the old file or
// the new one, never a mix: a temporary file in the same folder, written and fsynced, renamed over
// the path, then the folder fsynced so the rename itself is on disk. The file keeps the old
// file's permissions (0644 when new). False, with a Chinese reason in error, when any step fails;
// the old file is then untouched and the temporary file is gone.
bool saveAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace kelvane

namespace kelvane {

// Keeps a damaged file beside it under a new name (path.损坏-<date-time>[-n]) so that nothing
// overwrites it. The new path, or empty when the rename failed.
QString setAside(const QString& path);

// Removes the temporary files saveAtomically left beside path when a save was killed. Call it
// before any save of path can be running.
void removeLeftoverTemporaries(const QString& path);

} // namespace kelvane
