#include "downloader/Inet.h"

#include "net/Fetch.h"

#include <QPointer>
#include <QUrl>

namespace kelvane::downloader {

namespace {

// Inet's own error for an Execute while a request runs (the platform component's number).
constexpr int kStillExecutingCode = 35764;

// Numbers of the component's own failures, as TransferError codes.
int codeOf(net::Fetch::Error error)
{
    return 35700 + int(error);
}

} // namespace

Inet::Inet(QObject* parent) : QObject(parent) {}

Inet::~Inet()
{
    // A wait still running on the stack below us must end; it sees that we are gone.
    if (m_loop)
        m_loop->quit();
}

void Inet::Execute(const QString& url, const QString& operation, const QByteArray& data,
                   const QString& requestHeaders)
{
    Q_UNUSED(operation); // the control only ever GETs
    Q_UNUSED(data);
    if (m_fetch && !m_fetch->isFinished())
        throw TransferError{kStillExecutingCode, QStringLiteral("Still executing last request")};
    Cancel();
    if (!url.isEmpty())
        m_url = url;

    // The body as the server holds it: Content-Length then counts the bytes handed out.
    // The control judges the stated length itself (an unusable one means "to the end"); the
    // server then ends the body by closing.
    QList<QByteArray> headers = {"Accept-Encoding: identity", "Connection: close"};
    const QStringList lines = requestHeaders.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            headers.append(line.left(colon).trimmed().toLatin1() + ": " +
                           line.mid(colon + 1).trimmed().toLatin1());
    }
    net::Limits limits;
    limits.connectTimeoutMs = m_connectTimeoutMs;
    limits.silenceMs = m_inactivityTimeoutMs;
    limits.maxUnsizedBytes = kMaxUnsizedBytes;
    limits.ignoreStatedLength = true;
    m_fetch = std::make_unique<net::Fetch>();
    connect(m_fetch.get(), &net::Fetch::headersReceived, this, &Inet::wake);
    connect(m_fetch.get(), &net::Fetch::readyRead, this, &Inet::wake);
    connect(m_fetch.get(), &net::Fetch::finished, this, &Inet::wake);
    m_fetch->start(QUrl(m_url), limits, headers, m_userName, m_password);
}

bool Inet::StillExecuting() const
{
    return m_fetch && !m_fetch->headersIn() && !m_fetch->isFinished();
}

void Inet::Wait(QEventLoop::ProcessEventsFlags flags)
{
    if (!m_fetch || m_interrupted || m_fetch->isFinished())
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

void Inet::interrupt()
{
    m_interrupted = true;
    wake();
}

QString Inet::GetHeader() const
{
    if (!m_fetch)
        return {};
    using Error = net::Fetch::Error;
    const Error error = m_fetch->error();
    if (m_fetch->headersIn() || !m_fetch->isFinished())
        return QString::fromLatin1(m_fetch->headerText());
    // Over without an answer: an empty answer shows as an empty header; a connection that could
    // not be made is the caller's to ask about (ConnectionFailed); anything else is a failure.
    if (error == Error::None || error == Error::NoAnswer || connectionFailed())
        return {};
    throw TransferError{codeOf(error), m_fetch->errorString()};
}

QString Inet::GetHeader(const QString& name) const
{
    return m_fetch ? QString::fromLatin1(m_fetch->header(name.toLatin1())) : QString();
}

QByteArray Inet::GetChunk(int size)
{
    if (!m_fetch || size <= 0)
        return {};
    while (available() < size && !m_fetch->isFinished() && !m_interrupted) {
        QPointer<Inet> self(this);
        Wait(QEventLoop::AllEvents);
        if (!self || !m_fetch)
            return {};
    }
    return m_fetch->read(size);
}

void Inet::Cancel()
{
    if (m_fetch) {
        m_fetch->abort();
        m_fetch.reset();
    }
    m_interrupted = false;
}

bool Inet::connectionFailed() const
{
    return m_fetch && m_fetch->isFinished() && !m_fetch->headersIn() &&
           m_fetch->error() == net::Fetch::Error::ConnectFailed;
}

bool Inet::atEnd() const
{
    return m_fetch && m_fetch->isFinished() && available() == 0;
}

bool Inet::endedCleanly() const
{
    return m_fetch && m_fetch->isFinished() && m_fetch->error() == net::Fetch::Error::None;
}

bool Inet::tooLarge() const
{
    return m_fetch && m_fetch->error() == net::Fetch::Error::TooLarge;
}

qint64 Inet::available() const
{
    return m_fetch ? m_fetch->bytesAvailable() : 0;
}

} // namespace kelvane::downloader
