#include "windows/PlaylistImport.h"

#include "platform/MessageBox.h"
#include "windows/StationDialogs.h"

#include <QFileInfo>
#include <QUrl>
#include <QWidget>

namespace kelvane {

namespace {
const QString kTitle = QStringLiteral("导入播放列表");
}

std::optional<Stations> serverStations(const QString& programFolder, ListKind kind)
{
    switch (kind) {
    case ListKind::Radio:
        return loadStationList(programFilePath(programFolder, kRadioListFile), kRadioSeparator);
    case ListKind::Tv:
        return loadStationList(programFilePath(programFolder, kTvListFile), kTvSeparator);
    case ListKind::Tv2:
        return loadStationList(programFilePath(programFolder, kAdultListFile), kTvSeparator);
    }
    return std::nullopt;
}

PlaylistImport::PlaylistImport(const QStringList& sources, QWidget* parent,
                               const AppServices& services, QObject* owner)
    : QObject(owner), m_sources(sources), m_parent(parent), m_services(services)
{
    connect(&m_download, &PlaylistDownload::finished, this, &PlaylistImport::downloaded);
}

void PlaylistImport::start()
{
    next();
}

void PlaylistImport::next()
{
    ++m_at;
    if (m_at < m_sources.size())
        m_download.start(m_sources.at(m_at), m_bounds);
    else
        conclude();
}

void PlaylistImport::downloaded(const QByteArray& bytes, const QString& error)
{
    const QString source = m_sources.at(m_at);
    const QString shownName =
        PlaylistDownload::isAddress(source)
            ? source
            : QFileInfo(QUrl(source).isLocalFile() ? QUrl(source).toLocalFile() : source)
                  .fileName();
    const QString prefix = m_sources.size() > 1 ? shownName + QStringLiteral("：") : QString();
    if (!error.isEmpty()) {
        m_errors.append(prefix + error);
    } else {
        PlaylistRead read = readPlaylist(bytes, source);
        if (!read.error.isEmpty())
            m_errors.append(prefix + read.error + QStringLiteral("，未导入任何电台。"));
        else
            m_reads.append(std::move(read));
    }
    next();
}

void PlaylistImport::conclude()
{
    if (m_reads.isEmpty() || m_services.stations == nullptr) {
        tell(m_errors.join(u'\n'), true);
        return;
    }
    const std::optional<StationDialogs::Target> target =
        m_services.dialogs != nullptr ? m_services.dialogs->importTarget(m_parent)
                                      : std::optional(StationDialogs::Target::Radio);
    if (!target) {
        Q_EMIT finished(QString());
        deleteLater();
        return;
    }
    const ListKind kind = *target == StationDialogs::Target::Tv ? ListKind::Tv : ListKind::Radio;
    const std::optional<Stations> server = serverStations(m_services.programFolder, kind);
    QSet<QString> urls;
    if (server)
        urls = QSet<QString>(server->urls.cbegin(), server->urls.cend());
    const int serverCount = server ? static_cast<int>(server->names.size()) : 0;
    ImportCount total;
    for (const PlaylistRead& read : std::as_const(m_reads)) {
        const ImportCount count = m_services.stations->addOwn(kind, read, urls, serverCount);
        if (total.accepted.isEmpty())
            total.accepted = count.accepted; // shared with the store's list, not copied
        else
            total.accepted += count.accepted;
        total.notNetwork += count.notNetwork;
        total.duplicate += count.duplicate;
        total.overCap += count.overCap;
        total.cap = count.cap;
    }
    // Nothing of the playlists is held while the report box waits.
    m_reads.clear();
    QString report = importReport(total);
    total = {};
    if (!m_errors.isEmpty())
        report += u'\n' + m_errors.join(u'\n');
    tell(report, false);
}

void PlaylistImport::tell(const QString& text, bool failed)
{
    // Shown before finishing: a test's box recorder answers at once, a real box waits.
    if (m_services.messageBox != nullptr && !text.isEmpty())
        m_services.messageBox->show(m_parent, text, kTitle,
                                    failed ? MessageBox::Icon::Warning
                                           : MessageBox::Icon::Information);
    Q_EMIT finished(text);
    deleteLater();
}

} // namespace kelvane
