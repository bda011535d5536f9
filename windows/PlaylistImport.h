#pragma once

#include "stations/Playlist.h"
#include "stations/StationStore.h"
#include "windows/PlaylistDownload.h"
#include "windows/Services.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

namespace kelvane {

// The list file a list's server stations come from, read as a window's load reads it.
std::optional<Stations> serverStations(const QString& programFolder, ListKind kind);

// Imports playlists (files or http(s) addresses) into the listener's own stations: each is
// downloaded with bounds and read; when any holds stations, the listener chooses the list
// (收音机 or 电视) and is told what was imported and what was skipped, and why; a download that
// failed or is not a playlist imports nothing and says why. It deletes itself when done.
class PlaylistImport : public QObject
{
    Q_OBJECT
public:
    // parent: where the questions and the report appear (may go meanwhile); owner: what it dies
    // with (nullptr: the program).
    PlaylistImport(const QStringList& sources, QWidget* parent, const AppServices& services,
                   QObject* owner = nullptr);
    void start();
    // The download's bounds (tests shorten them).
    void setBounds(const PlaylistDownload::Bounds& bounds) { m_bounds = bounds; }

Q_SIGNALS:
    // The report shown (empty when the listener cancelled), just before it deletes itself.
    void finished(const QString& report);

private:
    void next();
    void downloaded(const QByteArray& bytes, const QString& error);
    void conclude();
    void tell(const QString& text, bool failed);

    QStringList m_sources;
    int m_at = -1;
    QList<PlaylistRead> m_reads;
    QStringList m_errors;
    QPointer<QWidget> m_parent;
    AppServices m_services;
    PlaylistDownload m_download;
    PlaylistDownload::Bounds m_bounds;
};

} // namespace kelvane
