#include "downloader/Inet.h"

#include <QAuthenticator>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QUrl>

namespace kelvane::downloader {

namespace {

// How much of the body Qt may hold before it stops reading the socket: keeps memory flat
// whatever the size of the body.
constexpr qint64 kReadBufferBytes = 256 * 1024;

// Inet's own error for an Execute while a request runs (the platform component's number).
constexpr int kStillExecutingCode = 35764;

// The system's proxies (environment or desktop settings), but never for a loopback host.
class SystemProxyFactory final : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        const QString host = query.peerHostName();
        const QHostAddress address(host);
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
            (!address.isNull() && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

bool isFollowedRedirect(int status)
{
    switch (status) {
    case 301:
    case 302:
    case 303:
    case 305:
    case 307:
    case 308:
        return true;
    default:
        return false;
    }
}

bool isConnectionFailure(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyConnectionClosedError:
        return true;
    default:
        return false;
    }
}

} // namespace

Inet::Inet(QObject* parent) : QObject(parent)
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setTimerType(Qt::PreciseTimer);
    m_inactivityTimer.setSingleShot(true);
    m_inactivityTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_connectTimer, &QTimer::timeout, this, &Inet::onConnectTimeout);
    connect(&m_inactivityTimer, &QTimer::timeout, this, &Inet::onInactivityTimeout);
}

Inet::~Inet()
{
    // A wait still running on the stack below us must end; it sees that we are gone.
    if (m_loop)
        m_loop->quit();
    dropReply();
}

void Inet::Execute(const QString& url, const QString& operation, const QByteArray& data,
                   const QString& requestHeaders)
{
    if (m_running && !m_finished)
        throw TransferError{kStillExecutingCode, QStringLiteral("Still executing last request")};
    Cancel();
    if (!url.isEmpty())
        m_url = url;

    m_manager = std::make_unique<QNetworkAccessManager>();
    m_manager->setProxyFactory(new SystemProxyFactory);
    connect(m_manager.get(), &QNetworkAccessManager::authenticationRequired, this,
            [this](QNetworkReply*, QAuthenticator* authenticator) {
                // Offered once: a second request for credentials means they were refused, and
                // the answer (401) goes to the caller.
                if (m_offeredCredentials || (m_userName.isEmpty() && m_password.isEmpty()))
                    return;
                m_offeredCredentials = true;
                authenticator->setUser(m_userName);
                authenticator->setPassword(m_password);
            });

    QNetworkRequest request{QUrl(m_url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    // The body as the server holds it: Content-Length then counts the bytes handed out.
    request.setRawHeader("Accept-Encoding", "identity");
    const QStringList lines = requestHeaders.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            request.setRawHeader(line.left(colon).trimmed().toLatin1(),
                                 line.mid(colon + 1).trimmed().toLatin1());
    }

    const QByteArray verb = operation.isEmpty() ? QByteArray("GET") : operation.toLatin1();
    QNetworkReply* reply =
        verb == "GET" ? m_manager->get(request) : m_manager->sendCustomRequest(request, verb, data);
    reply->setReadBufferSize(kReadBufferBytes);
    m_reply = reply;
    m_running = true;
    connect(reply, &QNetworkReply::metaDataChanged, this, &Inet::onMetaDataChanged);
    connect(reply, &QNetworkReply::readyRead, this, &Inet::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &Inet::onFinished);
    connect(reply, &QNetworkReply::redirected, this, &Inet::wake);
    if (m_connectTimeoutMs > 0)
        m_connectTimer.start(m_connectTimeoutMs);
}

bool Inet::StillExecuting() const
{
    return m_running && !m_headersIn && !m_finished;
}

void Inet::Wait(QEventLoop::ProcessEventsFlags flags)
{
    if (!m_running || m_interrupted || m_finished)
        return;
    QPointer<Inet> self(this);
    QEventLoop loop;
    QEventLoop* const outer = m_loop;
    m_loop = &loop;
    loop.exec(flags);
    if (!self)
        return;
    m_loop = outer;
}

void Inet::wake()
{
    if (m_loop)
        m_loop->quit();
}

void Inet::Interrupt()
{
    m_interrupted = true;
    wake();
}

QString Inet::GetHeader() const
{
    if (m_error == QNetworkReply::TooManyRedirectsError ||
        m_error == QNetworkReply::InsecureRedirectError)
        throw TransferError{int(m_error), m_errorString};
    if (m_headersIn || !m_finished)
        return m_headerText;
    // Over without an answer: an empty answer shows as an empty header; a connection that could
    // not be made is the caller's to ask about (ConnectionFailed); anything else is a failure.
    if (m_error == QNetworkReply::NoError || m_error == QNetworkReply::RemoteHostClosedError ||
        ConnectionFailed())
        return {};
    throw TransferError{int(m_error), m_errorString};
}

QString Inet::GetHeader(const QString& name) const
{
    const QByteArray key = name.toLatin1();
    for (const auto& [header, value] : m_headers) {
        if (header.compare(key, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value);
    }
    return {};
}

QByteArray Inet::GetChunk(int size)
{
    if (!m_running || size <= 0)
        return {};
    while (available() < size && !m_finished && !m_interrupted) {
        QPointer<Inet> self(this);
        if (m_inactivityTimeoutMs > 0)
            m_inactivityTimer.start(m_inactivityTimeoutMs);
        Wait(QEventLoop::ExcludeUserInputEvents);
        if (!self)
            return {};
    }
    if (m_inactivityTimer.isActive())
        m_inactivityTimer.stop();

    QByteArray out;
    if (!m_rest.isEmpty()) {
        out = m_rest.left(size);
        m_rest.remove(0, out.size());
    }
    if (out.size() < size && m_reply && m_reply->isOpen()) {
        if (out.isEmpty())
            out = m_reply->read(size);
        else
            out += m_reply->read(size - out.size());
    }
    return out;
}

void Inet::Cancel()
{
    dropReply();
    m_connectTimer.stop();
    m_inactivityTimer.stop();
    m_running = false;
    m_headersIn = false;
    m_finished = false;
    m_interrupted = false;
    m_offeredCredentials = false;
    m_abort = Abort::None;
    m_error = QNetworkReply::NoError;
    m_errorString.clear();
    m_headerText.clear();
    m_headers.clear();
    m_rest.clear();
}

bool Inet::ConnectionFailed() const
{
    if (m_headersIn || !m_finished)
        return false;
    return m_abort == Abort::ConnectTimeout || isConnectionFailure(m_error);
}

bool Inet::AtEnd() const
{
    return m_finished && available() == 0;
}

bool Inet::EndedCleanly() const
{
    return m_finished && m_abort == Abort::None && m_error == QNetworkReply::NoError;
}

void Inet::onMetaDataChanged()
{
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An answer that Qt is about to follow is not the answer: wait for the next one. When Qt
    // does not follow it after all (too many, insecure), the reply finishes.
    if (isFollowedRedirect(status) && m_reply->hasRawHeader("Location"))
        return;
    onReadyRead();
}

void Inet::onReadyRead()
{
    if (!m_reply)
        return;
    if (!m_headersIn) {
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid()) {
            const bool http2 = m_reply->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
            const QByteArray reason =
                m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
            // Qt hides the raw header: rebuild it as the wire showed it. Qt does not tell
            // HTTP/1.0 from HTTP/1.1; both show as HTTP/1.1.
            QString text = (http2 ? QStringLiteral("HTTP/2.0 ") : QStringLiteral("HTTP/1.1 ")) +
                           QString::number(status.toInt());
            if (!reason.isEmpty())
                text += QLatin1Char(' ') + QString::fromLatin1(reason);
            text += QStringLiteral("\r\n");
            m_headers = m_reply->rawHeaderPairs();
            for (const auto& [name, value] : std::as_const(m_headers))
                text += QString::fromLatin1(name) + QStringLiteral(": ") +
                        QString::fromLatin1(value) + QStringLiteral("\r\n");
            m_headerText = text;
            m_headersIn = true;
            m_connectTimer.stop();
        }
    }
    wake();
}

void Inet::onFinished()
{
    if (!m_reply)
        return;
    if (!m_finished) {
        m_error = m_reply->error();
        if (m_error != QNetworkReply::NoError)
            m_errorString = m_reply->errorString();
    }
    // The headers of an answer that ended the reply at once (an error status, a redirect that
    // was not followed) are the answer's too.
    if (!m_headersIn && m_abort != Abort::ConnectTimeout)
        onReadyRead();
    m_finished = true;
    m_connectTimer.stop();
    wake();
}

void Inet::onConnectTimeout()
{
    if (!m_reply || m_headersIn || m_finished)
        return;
    m_abort = Abort::ConnectTimeout;
    m_error = QNetworkReply::TimeoutError;
    m_errorString = QStringLiteral("Connection timed out");
    m_finished = true;
    m_reply->abort();
    wake();
}

void Inet::onInactivityTimeout()
{
    if (!m_reply || m_finished)
        return;
    // The body ends here, short and not cleanly: keep what arrived, drop the rest.
    m_abort = Abort::Inactivity;
    m_error = QNetworkReply::TimeoutError;
    m_errorString = QStringLiteral("Connection timed out");
    m_rest += m_reply->readAll();
    m_finished = true;
    m_reply->abort();
    wake();
}

void Inet::dropReply()
{
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        delete reply;
    }
    m_reply = nullptr;
    m_manager.reset();
}

qint64 Inet::available() const
{
    return m_rest.size() + (m_reply ? m_reply->bytesAvailable() : 0);
}

} // namespace kelvane::downloader
