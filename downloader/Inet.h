#pragma once

#include "downloader/TransferRules.h"

#include <QByteArray>
#include <QEventLoop>
#include <QObject>
#include <QString>

#include <memory>

namespace kelvane::net {
class Fetch;
}

namespace kelvane::downloader {

// The Internet Transfer component that the download control drives, over the program's libcurl
// fetch: one HTTP request at a time, started by Execute and read through StillExecuting,
// GetHeader and GetChunk.
//
// Waiting never spins: the waits run a local QEventLoop that sleeps until the transfer moves
// (headers, data, end), a time-out fires or interrupt() is called, and handles user input all the
// while, so a click on cancel or close takes effect whatever the server does. Every wait is
// bounded: the connect time-out runs from Execute until the answer's headers are in (a
// connection that cannot be made or a server that never answers), the inactivity time-out runs
// while body bytes do not come (the body then ends short, not cleanly). A body without a usable
// length stops at kMaxUnsizedBytes.
//
// Redirects are followed (at most 5, never from https to http); proxies come from the
// environment (never for loopback hosts); credentials are offered when the server asks.
class Inet : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultConnectTimeoutMs = 15000;
    static constexpr int kDefaultInactivityTimeoutMs = 30000;
    static constexpr int kMaxRedirects = 5;
    // A 32767-station list is about 2 MB: far more is not a list (a radio stream, say).
    static constexpr qint64 kMaxUnsizedBytes = 16 * 1024 * 1024;

    explicit Inet(QObject* parent = nullptr);
    ~Inet() override;

    QString URL() const { return m_url; }
    void setURL(const QString& url) { m_url = url; }
    QString UserName() const { return m_userName; }
    void setUserName(const QString& userName) { m_userName = userName; }
    QString Password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }

    int connectTimeoutMs() const { return m_connectTimeoutMs; }
    void setConnectTimeoutMs(int ms) { m_connectTimeoutMs = ms; }
    int inactivityTimeoutMs() const { return m_inactivityTimeoutMs; }
    void setInactivityTimeoutMs(int ms) { m_inactivityTimeoutMs = ms; }

    // Starts the request and returns at once. An empty url means the URL property; the request
    // headers are "Name: value" lines, each ended by CR LF. Throws TransferError while an
    // earlier request still runs.
    void Execute(const QString& url = {}, const QString& operation = QStringLiteral("GET"),
                 const QByteArray& data = {}, const QString& requestHeaders = {});
    // True while the request is under way: until the final answer's headers (or a failure) are in.
    bool StillExecuting() const;
    // Sleeps in a local event loop (processing events as flags allow) until the request moves,
    // a time-out fires or interrupt() is called. Returns at once after interrupt().
    void Wait(QEventLoop::ProcessEventsFlags flags);

    // The whole answer header as the wire showed it: the status line, then each header, CR LF
    // after each; empty when no answer came. Throws TransferError for a failure that left no
    // answer to show and is not a connection failure (too many redirects, an insecure redirect,
    // a protocol failure).
    QString GetHeader() const;
    // The value of one header of the answer; empty when it is absent.
    QString GetHeader(const QString& name) const;
    // The next piece of the body: exactly size bytes unless the body has ended (a short piece
    // comes only at the end; an empty one once it is exhausted) or interrupt() was called.
    QByteArray GetChunk(int size);
    // Ends whatever the request still does and makes the component ready for the next one.
    void Cancel();

    // Ends the current wait at once; later waits return at once until the next Execute.
    void interrupt();

    // The request failed before an answer came because no connection could be had: refused,
    // unknown host, no answer within the connect time-out, a TLS failure.
    bool connectionFailed() const;
    // The body has been read to its end: the reply is over and nothing is left to read.
    bool atEnd() const;
    // The body ended as its framing says (length, last chunk or close), not by an error or the
    // inactivity time-out.
    bool endedCleanly() const;
    // The body was stopped at kMaxUnsizedBytes.
    bool tooLarge() const;

private:
    void wake();
    qint64 available() const;

    QString m_url;
    QString m_userName;
    QString m_password;
    int m_connectTimeoutMs = kDefaultConnectTimeoutMs;
    int m_inactivityTimeoutMs = kDefaultInactivityTimeoutMs;

    std::unique_ptr<net::Fetch> m_fetch;
    QEventLoop* m_loop = nullptr;
    bool m_interrupted = false;
};

} // namespace kelvane::downloader
