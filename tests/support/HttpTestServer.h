#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

namespace kelvane::test {

// A loopback HTTP server for tests. Each path answers with a crafted reply, sent byte for byte:
// pieces with delays (drips), then a close or silence. Handlers can take over a connection for
// anything more (endless streams). Requests are recorded.
class HttpTestServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target;                     // path and query as sent
        QByteArray raw;                        // request line and headers
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };

    struct Step
    {
        QByteArray bytes;
        int delayMs = 0; // waited before these bytes are sent
    };

    struct Reply
    {
        enum class End
        {
            Close,
            Hold
        };
        QList<Step> steps;
        End end = End::Close;
        int closeDelayMs = 0;

        Reply& then(QByteArray bytes, int delayMs = 0)
        {
            steps.append({std::move(bytes), delayMs});
            return *this;
        }
        Reply& hold()
        {
            end = End::Hold;
            return *this;
        }
    };

    using Handler = std::function<void(QTcpSocket* socket, const Request& request)>;

    explicit HttpTestServer(QObject* parent = nullptr);
    ~HttpTestServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString& path) const;

    void setReply(const QByteArray& path, Reply reply);
    void setHandler(const QByteArray& path, Handler handler);

    // A complete answer: status line, headers (each "Name: value"), blank line, body.
    static QByteArray response(int status, const QByteArray& reason,
                               const QList<QByteArray>& headers, const QByteArray& body = {});
    // 200 with Content-Length and the body.
    static Reply ok(const QByteArray& body,
                    const QByteArray& contentType = "application/octet-stream");

    const QList<Request>& requests() const { return m_requests; }
    int connectionCount() const { return m_connections; }

    // Stops accepting and drops every open connection.
    void closeAll();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void play(QTcpSocket* socket, std::shared_ptr<Reply> reply, int index);

    QTcpServer m_server;
    QHash<QByteArray, Reply> m_replies;
    QHash<QByteArray, Handler> m_handlers;
    QList<Request> m_requests;
    QList<QPointer<QTcpSocket>> m_sockets;
    int m_connections = 0;
};

// Streams bytes over a taken-over connection at a steady rate, looping its source, with ICY
// metadata blocks when metaInt > 0. Stops (closing the connection) after dropAfter bytes when set.
class IcyStreamer : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QByteArray source;          // looped audio bytes
        int bytesPerSecond = 16000; // 128 kbit/s
        int burstBytes = 64000;     // sent at once at the start, like a real server's buffer
        int metaInt = 0;            // ICY metadata interval; 0 = none
        QByteArray title;           // StreamTitle, raw bytes
        qint64 dropAfter = -1;      // close the connection after this many audio bytes
        QByteArray contentType = "audio/mpeg";
    };

    static void start(QTcpSocket* socket, const HttpTestServer::Request& request, Options options);
    // Serves every request for path as a live stream; the newest connection's socket goes to
    // *last (it becomes null when the listener hangs up and the socket is gone).
    static void serve(HttpTestServer& server, const QByteArray& path, const Options& options,
                      QPointer<QTcpSocket>* last = nullptr);
    // The same with every option at its default: the source at 128 kbit/s, no metadata.
    static void serve(HttpTestServer& server, const QByteArray& path, const QByteArray& source,
                      QPointer<QTcpSocket>* last = nullptr);

private:
    IcyStreamer(QTcpSocket* socket, Options options, bool wantsMeta);
    void pump();
    QByteArray nextAudio(qint64 count);

    QPointer<QTcpSocket> m_socket;
    Options m_options;
    bool m_meta;
    qint64 m_sent = 0;
    qint64 m_sourcePos = 0;
    qint64 m_untilMeta = 0;
    qint64 m_startMs = 0;
    QTimer* m_timer = nullptr;
};

} // namespace kelvane::test
