#include "directory/DirectoryClient.h"

#include "net/Fetch.h"

#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>

namespace kelvane {

const QString DirectoryClient::kUnreachable = QStringLiteral("无法连接电台目录");
const QString DirectoryClient::kUnrecognised = QStringLiteral("电台目录返回了无法识别的内容");

QUrl directoryBaseUrl()
{
    // Kept for tests of the whole program: the build's address is fixed, as the list server's.
    const QString override = qEnvironmentVariable("KELVANE_DIRECTORY_URL");
    QUrl url(override.isEmpty() ? QStringLiteral(KELVANE_DIRECTORY_URL) : override,
             QUrl::StrictMode);
    if (!url.path().endsWith(u'/'))
        url.setPath(url.path() + u'/');
    return url;
}

struct DirectoryClient::Answer
{
    net::Fetch::Error error = net::Fetch::Error::None;
    int status = 0;
    QByteArray body;
    bool ok() const { return error == net::Fetch::Error::None && status >= 200 && status < 300; }
};

DirectoryClient::DirectoryClient(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options))
{
    if (!m_options.base.path().endsWith(u'/'))
        m_options.base.setPath(m_options.base.path() + u'/');
}

DirectoryClient::~DirectoryClient() = default;

void DirectoryClient::get(std::unique_ptr<net::Fetch>& slot, const QUrl& url, int deadlineMs,
                          Done done)
{
    if (slot) {
        slot->abort();
        slot.release()->deleteLater(); // it may be the one whose signal is running
    }
    net::Limits limits;
    limits.maxBytes = m_options.maxBytes;
    limits.connectTimeoutMs = deadlineMs;
    limits.deadlineMs = deadlineMs;
    limits.silenceMs = 0;
    slot = std::make_unique<net::Fetch>();
    net::Fetch* fetch = slot.get();
    auto body = std::make_shared<QByteArray>();
    // The stated length, within the cap, is taken at once: no copies while the body grows.
    connect(fetch, &net::Fetch::headersReceived, this, [this, fetch, body] {
        const qint64 stated = fetch->header("Content-Length").toLongLong();
        if (stated > 0)
            body->reserve(std::min(stated, m_options.maxBytes));
    });
    connect(fetch, &net::Fetch::readyRead, this, [fetch, body] { *body += fetch->readAll(); });
    connect(fetch, &net::Fetch::finished, this, [this, &slot, fetch, body, done] {
        *body += fetch->readAll();
        Answer answer{fetch->error(), fetch->status(), std::move(*body)};
        if (slot.get() == fetch)
            slot.release()->deleteLater();
        done(answer);
    });
    static const QByteArray userAgent = "User-Agent: Kelvane/" KELVANE_VERSION;
    // The plain body keeps the cap honest: nothing is inflated behind its back.
    fetch->start(url, limits, {userAgent, "Accept: application/json", "Accept-Encoding: identity"});
}

void DirectoryClient::search(const DirectoryQuery& query)
{
    cancel();
    m_query = query;
    m_searching = true;
    m_sawUnrecognised = false;
    m_lastProblem.clear();
    if (m_serversKnown) {
        attempt(0);
        return;
    }
    get(m_searchFetch, m_options.base.resolved(QUrl(QStringLiteral("json/servers"))),
        m_options.deadlineMs, [this](const Answer& answer) { discovered(answer); });
}

void DirectoryClient::cancel()
{
    if (m_searchFetch) {
        m_searchFetch->abort();
        m_searchFetch.release()->deleteLater();
    }
    m_searching = false;
}

void DirectoryClient::discovered(const Answer& answer)
{
    // Without a usable list the base itself answers, this time; the next search asks again.
    const std::optional<QStringList> names = answer.ok() ? parseServers(answer.body) : std::nullopt;
    if (names && !names->isEmpty()) {
        for (const QString& name : *names) {
            QUrl url = m_options.base;
            url.setHost(name);
            url.setPath(QStringLiteral("/"));
            url.setUserInfo(QString());
            url.setQuery(QString());
            url.setFragment(QString());
            m_servers.append(url);
        }
        if (m_options.shuffleServers)
            std::shuffle(m_servers.begin(), m_servers.end(), *QRandomGenerator::global());
        m_serversKnown = true;
    }
    attempt(0);
}

QList<QUrl> DirectoryClient::candidates() const
{
    // The server that answered last goes first; the base address is the last resort. A few
    // servers are enough: each failure may take the whole deadline.
    QList<QUrl> list = m_servers;
    if (const qsizetype at = list.indexOf(m_server); at > 0)
        std::rotate(list.begin(), list.begin() + at, list.end());
    list = list.mid(0, kMaxServersTried);
    if (!list.contains(m_options.base))
        list.append(m_options.base);
    return list;
}

QUrl DirectoryClient::searchUrl(const QUrl& server) const
{
    QUrl url = server.resolved(QUrl(QStringLiteral("json/stations/search")));
    const auto value = [](const QString& text) { return QUrl::toPercentEncoding(text); };
    // Percent-encoded by hand: a '+' or '&' in a name must stay part of the name.
    const QByteArray query = "name=" + value(m_query.name) + "&tag=" + value(m_query.tag) +
                             "&countrycode=" + value(m_query.countryCode) +
                             "&limit=" + QByteArray::number(DirectoryQuery::kPageSize) +
                             "&offset=" + QByteArray::number(std::max(0, m_query.offset)) +
                             "&hidebroken=true&order=clickcount&reverse=true";
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

void DirectoryClient::attempt(int index)
{
    const QList<QUrl> list = candidates();
    if (index >= list.size()) {
        m_searching = false;
        Q_EMIT failed(m_sawUnrecognised ? kUnrecognised : kUnreachable + m_lastProblem);
        return;
    }
    const QUrl server = list.at(index);
    get(m_searchFetch, searchUrl(server), m_options.deadlineMs,
        [this, index, server](const Answer& answer) {
            if (answer.error == net::Fetch::Error::TooLarge) {
                m_sawUnrecognised = true;
            } else if (!answer.ok()) {
                if (answer.status != 0)
                    m_lastProblem = QStringLiteral(" (HTTP %1)").arg(answer.status);
            } else if (std::optional<QList<DirectoryStation>> stations =
                           parseStations(answer.body, DirectoryQuery::kPageSize)) {
                m_server = server;
                m_searching = false;
                Q_EMIT found(m_query, *stations);
                return;
            } else {
                m_sawUnrecognised = true;
            }
            attempt(index + 1);
        });
}

void DirectoryClient::click(const DirectoryStation& station)
{
    if (m_clickFetch) {
        m_clickFetch->abort();
        m_clickFetch.release()->deleteLater();
    }
    const bool usable = !station.uuid.isEmpty() &&
                        std::all_of(station.uuid.cbegin(), station.uuid.cend(),
                                    [](QChar c) { return c.isLetterOrNumber() || c == u'-'; });
    if (!usable) {
        QTimer::singleShot(0, this,
                           [this, station] { Q_EMIT resolved(station, station.playAddress()); });
        return;
    }
    const QUrl server = m_server.isEmpty() ? m_options.base : m_server;
    const QUrl url = server.resolved(QUrl(
        QStringLiteral("json/url/") + QString::fromLatin1(QUrl::toPercentEncoding(station.uuid))));
    get(m_clickFetch, url, m_options.clickDeadlineMs, [this, station](const Answer& answer) {
        const QString address = answer.ok() ? parseClickAnswer(answer.body) : QString();
        Q_EMIT resolved(station, address.isEmpty() ? station.playAddress() : address);
    });
}

} // namespace kelvane
