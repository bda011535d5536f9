#pragma once

#include "directory/DirectoryStation.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

namespace kelvane {

namespace net {
class Fetch;
}

// The directory's base address: the build's (KELVANE_DIRECTORY_URL), unless the environment
// variable of the same name gives another one (tests point the whole program at a stand-in).
QUrl directoryBaseUrl();

struct DirectoryQuery
{
    static constexpr int kPageSize = 100;
    QString name;
    QString tag;
    QString countryCode; // two letters, empty for every country
    int offset = 0;      // stations already shown: the next page starts here
};

// The open station directory over its JSON API: finds its servers once (/json/servers at the base
// address, each named server reached with the base's scheme and port), searches one of them and
// falls back to the next and finally to the base itself when one fails. Every request is bounded
// (4 MiB, 10 s); a new search replaces the running one. Signals carry the outcome; nothing blocks.
class DirectoryClient : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QUrl base;
        qint64 maxBytes = 4 * 1024 * 1024;
        int deadlineMs = 10000;
        // The click call only counts the play and may refresh the address: a slow one must not
        // keep the listener waiting long, the listed address plays instead.
        int clickDeadlineMs = 3000;
        bool shuffleServers = true; // spreads listeners over the mirrors, as the directory asks
    };

    static constexpr int kMaxServersTried = 3; // in one search, before the base address
    static const QString kUnreachable;         // "无法连接电台目录"
    static const QString kUnrecognised;        // "电台目录返回了无法识别的内容"

    explicit DirectoryClient(Options options, QObject* parent = nullptr);
    ~DirectoryClient() override;

    // Starts a search; one still running is dropped without a signal.
    void search(const DirectoryQuery& query);
    void cancel();
    bool isSearching() const { return m_searching; }

    // Counts a play with the directory and finds the address to play; answers with resolved(),
    // always (with the listed address when the call fails). A new click replaces a running one.
    void click(const DirectoryStation& station);

    // The servers found, as addresses; empty until the discovery answered.
    QList<QUrl> servers() const { return m_servers; }
    // The address that answered the last search.
    QUrl server() const { return m_server; }

Q_SIGNALS:
    void found(const kelvane::DirectoryQuery& query,
               const QList<kelvane::DirectoryStation>& stations);
    void failed(const QString& message);
    void resolved(const kelvane::DirectoryStation& station, const QString& address);

private:
    struct Answer;
    using Done = std::function<void(const Answer&)>;
    void get(std::unique_ptr<net::Fetch>& slot, const QUrl& url, int deadlineMs, Done done);
    void discovered(const Answer& answer);
    void attempt(int index);
    QList<QUrl> candidates() const;
    QUrl searchUrl(const QUrl& server) const;

    Options m_options;
    QList<QUrl> m_servers;
    bool m_serversKnown = false;
    QUrl m_server;
    DirectoryQuery m_query;
    bool m_searching = false;
    bool m_sawUnrecognised = false;
    QString m_lastProblem;
    std::unique_ptr<net::Fetch> m_searchFetch;
    std::unique_ptr<net::Fetch> m_clickFetch;
};

} // namespace kelvane
