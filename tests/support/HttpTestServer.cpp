#include "tests/support/HttpTestServer.h"

#include <QDateTime>
#include <QTimer>

namespace kelvane::test {

HttpTestServer::HttpTestServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpTestServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

HttpTestServer::~HttpTestServer()
{
    closeAll();
}

QString HttpTestServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void HttpTestServer::setReply(const QByteArray& path, Reply reply)
{
    m_replies.insert(path, std::move(reply));
}

void HttpTestServer::setHandler(const QByteArray& path, Handler handler)
{
    m_handlers.insert(path, std::move(handler));
}

QByteArray HttpTestServer::response(int status, const QByteArray& reason,
                                    const QList<QByteArray>& headers, const QByteArray& body)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    for (const QByteArray& h : headers)
        out += h + "\r\n";
    out += "\r\n";
    out += body;
    return out;
}

HttpTestServer::Reply HttpTestServer::ok(const QByteArray& body, const QByteArray& contentType)
{
    Reply reply;
    reply.then(response(200, "OK",
                        {"Content-Type: " + contentType,
                         "Content-Length: " + QByteArray::number(body.size()), "Connection: close"},
                        body));
    return reply;
}

void HttpTestServer::closeAll()
{
    m_server.close();
    for (const auto& socket : std::as_const(m_sockets)) {
        if (socket) {
            socket->abort();
            socket->deleteLater();
        }
    }
    m_sockets.clear();
}

void HttpTestServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        m_sockets.append(socket);
        socket->setProperty("kv_buffer", QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void HttpTestServer::onReadyRead(QTcpSocket* socket)
{
    if (socket->property("kv_answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property("kv_buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("kv_buffer", buffer);
        return;
    }
    socket->setProperty("kv_answered", true);

    Request request;
    request.raw = buffer.left(end + 2);
    const QList<QByteArray> lines = request.raw.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(),
                                   line.mid(colon + 1).trimmed());
    }
    m_requests.append(request);

    QByteArray path = request.target;
    if (const qsizetype q = path.indexOf('?'); q >= 0)
        path.truncate(q);

    if (auto h = m_handlers.constFind(path); h != m_handlers.cend()) {
        (*h)(socket, request);
        return;
    }
    auto reply = std::make_shared<Reply>(m_replies.value(
        path,
        Reply().then(response(404, "Not Found", {"Content-Length: 0", "Connection: close"}))));
    play(socket, std::move(reply), 0);
}

void HttpTestServer::play(QTcpSocket* socket, std::shared_ptr<Reply> reply, int index)
{
    QPointer<QTcpSocket> guard(socket);
    if (index >= reply->steps.size()) {
        if (reply->end == Reply::End::Close) {
            QTimer::singleShot(reply->closeDelayMs, this, [guard] {
                if (guard)
                    guard->disconnectFromHost();
            });
        }
        return;
    }
    const Step& step = reply->steps[index];
    auto send = [this, guard, reply, index] {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        guard->write(reply->steps[index].bytes);
        guard->flush();
        play(guard, reply, index + 1);
    };
    if (step.delayMs > 0)
        QTimer::singleShot(step.delayMs, this, send);
    else
        send();
}

void IcyStreamer::serve(HttpTestServer& server, const QByteArray& path, const Options& options,
                        QPointer<QTcpSocket>* last)
{
    server.setHandler(path, [options, last](QTcpSocket* socket, const HttpTestServer::Request& r) {
        if (last != nullptr)
            *last = socket;
        start(socket, r, options);
    });
}

void IcyStreamer::serve(HttpTestServer& server, const QByteArray& path, const QByteArray& source,
                        QPointer<QTcpSocket>* last)
{
    Options options;
    options.source = source;
    serve(server, path, options, last);
}

void IcyStreamer::start(QTcpSocket* socket, const HttpTestServer::Request& request, Options options)
{
    const bool wantsMeta = options.metaInt > 0 && request.header("icy-metadata") == "1";
    QByteArray head = "HTTP/1.0 200 OK\r\nContent-Type: " + options.contentType +
                      "\r\nicy-name: Kelvane test radio\r\n";
    if (wantsMeta)
        head += "icy-metaint: " + QByteArray::number(options.metaInt) + "\r\n";
    head += "\r\n";
    socket->write(head);
    new IcyStreamer(socket, std::move(options), wantsMeta);
}

IcyStreamer::IcyStreamer(QTcpSocket* socket, Options options, bool wantsMeta)
    : QObject(socket), m_socket(socket), m_options(std::move(options)), m_meta(wantsMeta)
{
    m_untilMeta = m_options.metaInt;
    m_startMs = QDateTime::currentMSecsSinceEpoch();
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &IcyStreamer::pump);
    m_timer->start(50);
    pump();
}

QByteArray IcyStreamer::nextAudio(qint64 count)
{
    QByteArray out;
    while (out.size() < count && !m_options.source.isEmpty()) {
        const qint64 take =
            std::min<qint64>(count - out.size(), m_options.source.size() - m_sourcePos);
        out += m_options.source.mid(m_sourcePos, take);
        m_sourcePos = (m_sourcePos + take) % m_options.source.size();
    }
    return out;
}

void IcyStreamer::pump()
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    // Don't flood a reader that has stopped reading.
    if (m_socket->bytesToWrite() > 256 * 1024)
        return;
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - m_startMs;
    qint64 due = m_options.burstBytes + elapsed * m_options.bytesPerSecond / 1000 - m_sent;
    if (m_options.dropAfter >= 0)
        due = std::min(due, m_options.dropAfter - m_sent);
    while (due > 0) {
        qint64 piece = due;
        if (m_meta)
            piece = std::min(piece, m_untilMeta);
        m_socket->write(nextAudio(piece));
        m_sent += piece;
        due -= piece;
        if (m_meta) {
            m_untilMeta -= piece;
            if (m_untilMeta == 0) {
                QByteArray meta = "StreamTitle='" + m_options.title + "';";
                const int blocks = static_cast<int>((meta.size() + 15) / 16);
                meta.resize(blocks * 16, '\0');
                m_socket->write(QByteArray(1, static_cast<char>(blocks)) + meta);
                m_untilMeta = m_options.metaInt;
            }
        }
    }
    m_socket->flush();
    if (m_options.dropAfter >= 0 && m_sent >= m_options.dropAfter) {
        m_timer->stop();
        m_socket->disconnectFromHost();
    }
}

} // namespace kelvane::test
