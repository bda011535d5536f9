#include "net/Fetch.h"

#include <curl/curl.h>
#include <libssh2.h>

#include <QSocketNotifier>

#include <mutex>

namespace kelvane::net {

namespace {

constexpr char kUserAgent[] = "Kelvane/1.0";

CURLM* multiOf(void* p)
{
    return static_cast<CURLM*>(p);
}

CURL* easyOf(void* p)
{
    return static_cast<CURL*>(p);
}

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Only http and https are ever allowed. curl's global set-up also starts libssh2, which
        // would set up OpenSSL's every cipher and engine (about 1.5 MiB resident for nothing);
        // started first without its crypto, libssh2 only counts curl's start.
        libssh2_init(LIBSSH2_INIT_NO_CRYPTO);
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

// Proxies come from the environment as curl reads it, but never for a loopback host. curl honours
// "*" (no proxy at all) only as the whole list, so that stays as it is.
QByteArray noProxyList()
{
    QByteArray list = qgetenv("no_proxy");
    if (list.isEmpty())
        list = qgetenv("NO_PROXY");
    if (list.trimmed() == "*")
        return "*";
    if (!list.isEmpty())
        list += ',';
    return list + "localhost,127.0.0.1,::1";
}

} // namespace

Fetch::Fetch(QObject* parent) : QObject(parent)
{
    initCurlOnce();
    for (QTimer* t : {&m_curlTimer, &m_connectTimer, &m_silenceTimer, &m_deadlineTimer}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_curlTimer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        if (!m_headersIn)
            finish(Error::ConnectFailed, QStringLiteral("Connection timed out"));
    });
    connect(&m_silenceTimer, &QTimer::timeout, this,
            [this] { finish(Error::TimedOut, QStringLiteral("Connection timed out")); });
    connect(&m_deadlineTimer, &QTimer::timeout, this,
            [this] { finish(Error::TimedOut, QStringLiteral("Operation timed out")); });
}

Fetch::~Fetch()
{
    stopTransfer();
}

void Fetch::start(const QUrl& url, const Limits& limits, const QList<QByteArray>& requestHeaders,
                  const QString& userName, const QString& password)
{
    stopTransfer();
    m_limits = limits;
    m_finished = m_headersIn = m_throttled = m_tooLarge = m_insecure = m_authAnswered = false;
    m_lengthReached = false;
    m_hasCredentials = !userName.isEmpty() || !password.isEmpty();
    m_received = 0;
    m_statedLength = -1;
    m_buffer.clear();
    m_readPos = 0;
    m_statusLine.clear();
    m_status = 0;
    m_headers.clear();
    m_location.clear();
    m_error = Error::None;
    m_errorString.clear();
    m_owesHeaders = m_owesData = m_owesFinished = false;

    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https") {
        m_finished = true;
        m_error = Error::BadProtocol;
        m_errorString = QStringLiteral("Protocol \"%1\" is unknown").arg(url.scheme());
        m_owesFinished = true;
        QMetaObject::invokeMethod(this, &Fetch::emitPending, Qt::QueuedConnection);
        return;
    }

    CURLM* multi = curl_multi_init();
    CURL* easy = curl_easy_init();
    m_multi = multi;
    m_easy = easy;
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Fetch::onSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Fetch::onTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);

    const QByteArray u = url.toEncoded();
    curl_easy_setopt(easy, CURLOPT_URL, u.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, long(kMaxRedirects));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Large reads: each turn of the event loop then moves a good part of a fast body.
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, long(kReadBytes));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    const QByteArray noProxy = noProxyList();
    curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.constData());
    if (limits.connectTimeoutMs > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(limits.connectTimeoutMs));
    if (!limits.caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, limits.caFile.constData());
    if (limits.ignoreStatedLength)
        curl_easy_setopt(easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    if (!userName.isEmpty() || !password.isEmpty()) {
        // Offered when the server asks, to that server only.
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, long(CURLAUTH_ANY));
        curl_easy_setopt(easy, CURLOPT_USERNAME, userName.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, password.toUtf8().constData());
    }
    curl_slist* list = nullptr;
    for (const QByteArray& h : requestHeaders)
        list = curl_slist_append(list, h.constData());
    m_headerList = list;
    if (list != nullptr)
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);
    // SHOUTcast 1 servers answer "ICY 200 OK": an HTTP/1.0 answer by another name.
    static curl_slist* const icyAlias = curl_slist_append(nullptr, "ICY 200 OK");
    curl_easy_setopt(easy, CURLOPT_HTTP200ALIASES, icyAlias);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Fetch::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Fetch::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);

    if (limits.connectTimeoutMs > 0)
        m_connectTimer.start(limits.connectTimeoutMs);
    if (limits.deadlineMs > 0)
        m_deadlineTimer.start(limits.deadlineMs);
    curl_multi_add_handle(multi, easy); // asks for a timer: the transfer starts from the loop
}

void Fetch::abort()
{
    stopTransfer();
    if (!m_finished) {
        m_finished = true;
        m_error = Error::Other;
        m_errorString = QStringLiteral("Operation canceled");
    }
    m_owesHeaders = m_owesData = m_owesFinished = false;
}

void Fetch::stopTransfer()
{
    m_curlTimer.stop();
    m_connectTimer.stop();
    m_silenceTimer.stop();
    m_deadlineTimer.stop();
    for (const Watch& w : std::as_const(m_watches)) {
        for (QSocketNotifier* n : {w.read, w.write}) {
            if (n != nullptr) {
                n->setEnabled(false);
                n->deleteLater(); // possibly inside its own signal
            }
        }
    }
    m_watches.clear();
    if (m_easy != nullptr) {
        curl_multi_remove_handle(multiOf(m_multi), easyOf(m_easy));
        curl_easy_cleanup(easyOf(m_easy));
        m_easy = nullptr;
    }
    if (m_multi != nullptr) {
        curl_multi_cleanup(multiOf(m_multi));
        m_multi = nullptr;
    }
    if (m_headerList != nullptr) {
        curl_slist_free_all(static_cast<curl_slist*>(m_headerList));
        m_headerList = nullptr;
    }
}

int Fetch::onSocket(void*, int fd, int what, void* selfPtr, void*)
{
    auto* self = static_cast<Fetch*>(selfPtr);
    Watch& w = self->m_watches[fd];
    // Notifiers are kept (disabled) until the transfer ends: a second notifier on the same socket
    // is not reliably served.
    auto ensure = [self, fd](QSocketNotifier*& n, QSocketNotifier::Type type) {
        if (n != nullptr)
            return;
        n = new QSocketNotifier(fd, type, self);
        n->setEnabled(false);
        const int events = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
        QObject::connect(n, &QSocketNotifier::activated, self,
                         [self, fd, events] { self->act(fd, events); });
    };
    w.wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    w.wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    if (w.wantRead)
        ensure(w.read, QSocketNotifier::Read);
    if (w.wantWrite)
        ensure(w.write, QSocketNotifier::Write);
    self->applyWatch(w);
    return 0;
}

void Fetch::applyWatch(Watch& w)
{
    if (w.read != nullptr)
        w.read->setEnabled(w.wantRead && !m_throttled);
    if (w.write != nullptr)
        w.write->setEnabled(w.wantWrite && !m_throttled);
}

int Fetch::onTimer(void*, long timeoutMs, void* selfPtr)
{
    auto* self = static_cast<Fetch*>(selfPtr);
    if (timeoutMs < 0)
        self->m_curlTimer.stop();
    else
        self->m_curlTimer.start(int(timeoutMs)); // 0: as soon as the loop runs
    return 0;
}

void Fetch::act(int fd, int events)
{
    if (m_multi == nullptr || m_throttled)
        return; // throttled: curl is not driven at all, so it reads nothing
    QPointer<Fetch> guard(this);
    int running = 0;
    curl_multi_socket_action(multiOf(m_multi), fd, events, &running);
    int left = 0;
    while (m_multi != nullptr) {
        CURLMsg* msg = curl_multi_info_read(multiOf(m_multi), &left);
        if (msg == nullptr)
            break;
        if (msg->msg == CURLMSG_DONE) {
            finishFromCurl(msg->data.result);
            break;
        }
    }
    if (guard)
        emitPending();
}

size_t Fetch::onHeader(char* data, size_t size, size_t count, void* selfPtr)
{
    auto* self = static_cast<Fetch*>(selfPtr);
    const size_t total = size * count;
    self->headerLine(QByteArray(data, qsizetype(total)));
    return self->m_insecure ? 0 : total;
}

void Fetch::headerLine(const QByteArray& raw)
{
    const QByteArray line = raw.trimmed();
    if (raw.startsWith("HTTP/") || raw.startsWith("ICY ")) { // a new answer (after a redirect)
        m_statusLine = line;
        m_headers.clear();
        m_location.clear();
        const QList<QByteArray> parts = line.split(' ');
        m_status = parts.size() > 1 ? parts[1].toInt() : 0;
        return;
    }
    if (!line.isEmpty()) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            m_headers.append({name, value});
            if (name.compare("Location", Qt::CaseInsensitive) == 0)
                m_location = value;
        }
        return;
    }
    // The end of one answer's headers.
    if (m_status >= 100 && m_status < 200)
        return; // interim
    if (m_status >= 300 && m_status < 400 && m_status != 304 && !m_location.isEmpty()) {
        char* current = nullptr;
        curl_easy_getinfo(easyOf(m_easy), CURLINFO_EFFECTIVE_URL, &current);
        const QUrl base(QString::fromUtf8(current != nullptr ? current : ""));
        const QUrl target = base.resolved(QUrl::fromEncoded(m_location));
        if (base.scheme().compare(u"https", Qt::CaseInsensitive) == 0 &&
            target.scheme().compare(u"http", Qt::CaseInsensitive) == 0)
            m_insecure = true; // refused: the transfer ends with a write error
        return;                // curl follows it (or says there were too many)
    }
    if ((m_status == 401 || m_status == 407) && m_hasCredentials && !m_authAnswered &&
        !header(m_status == 401 ? "WWW-Authenticate" : "Proxy-Authenticate").isEmpty()) {
        m_authAnswered = true; // curl asks again with the credentials
        return;
    }
    answerIn();
}

void Fetch::answerIn()
{
    m_headersIn = true;
    m_owesHeaders = true;
    m_connectTimer.stop();
    // Usable: decimal digits first (what follows them is ignored, as the download control does).
    const QByteArray length = header("Content-Length");
    bool ok = !length.isEmpty() && length[0] >= '0' && length[0] <= '9';
    qsizetype digits = 0;
    while (ok && digits < length.size() && length[digits] >= '0' && length[digits] <= '9')
        ++digits;
    m_statedLength = ok ? length.left(digits).toLongLong(&ok) : -1;
    if (!ok)
        m_statedLength = -1;
    if (m_limits.silenceMs > 0)
        m_silenceTimer.start(m_limits.silenceMs);
}

size_t Fetch::onBody(char* data, size_t size, size_t count, void* selfPtr)
{
    return static_cast<Fetch*>(selfPtr)->body(data, size * count);
}

size_t Fetch::body(const char* data, size_t size)
{
    const qint64 cap = m_statedLength < 0 && m_limits.maxUnsizedBytes >= 0
                           ? m_limits.maxUnsizedBytes
                           : m_limits.maxBytes;
    if (cap >= 0 && m_received + qint64(size) > cap) {
        m_tooLarge = true;
        return 0; // ends the transfer with a write error, told apart by m_tooLarge
    }
    if (m_readPos > 0 && m_readPos >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_readPos);
        m_readPos = 0;
    }
    // Bytes past a usable stated length are not the body's.
    const bool last = m_limits.ignoreStatedLength && m_statedLength >= 0 &&
                      m_received + qint64(size) >= m_statedLength;
    const size_t taken = last ? size_t(m_statedLength - m_received) : size;
    m_buffer.append(data, qsizetype(taken));
    m_received += qint64(taken);
    m_owesData = true;
    if (last) {
        m_lengthReached = true;
        return 0; // ends the transfer here, told apart by m_lengthReached
    }
    if (bytesAvailable() >= kBufferBytes && !m_throttled) {
        // Our reader is behind: stop reading the socket until it catches up.
        m_throttled = true;
        m_silenceTimer.stop(); // it is not the server that is slow now
        for (Watch& w : m_watches)
            applyWatch(w);
    }
    if (m_limits.silenceMs > 0)
        m_silenceTimer.start(m_limits.silenceMs);
    return size;
}

QByteArray Fetch::read(qint64 max)
{
    const qint64 n = std::min(max, bytesAvailable());
    if (n <= 0)
        return {};
    QByteArray out = m_buffer.mid(m_readPos, n);
    m_readPos += n;
    if (m_readPos == m_buffer.size()) {
        m_buffer.clear();
        m_readPos = 0;
    }
    if (m_throttled && m_easy != nullptr && bytesAvailable() < kBufferBytes / 2) {
        m_throttled = false;
        for (Watch& w : m_watches)
            applyWatch(w);
        if (m_limits.silenceMs > 0)
            m_silenceTimer.start(m_limits.silenceMs);
        // Whatever curl wanted meanwhile (a timer) is done from the loop.
        QMetaObject::invokeMethod(
            this, [this] { act(CURL_SOCKET_TIMEOUT, 0); }, Qt::QueuedConnection);
    }
    return out;
}

QByteArray Fetch::header(const QByteArray& name) const
{
    for (const auto& [key, value] : m_headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QByteArray Fetch::headerText() const
{
    if (!m_headersIn)
        return {};
    QByteArray text = m_statusLine + "\r\n";
    for (const auto& [key, value] : m_headers)
        text += key + ": " + value + "\r\n";
    return text;
}

void Fetch::finishFromCurl(int code)
{
    // The last answer curl saw is the answer, when curl went no further (a challenge it could not
    // meet, a redirect it would not follow).
    if (!m_headersIn && m_status >= 200 &&
        (code == CURLE_OK || code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR))
        answerIn();
    // Our own stops first: curl reports a write callback's refusal during a resumed transfer
    // under other codes too.
    if (m_lengthReached) {
        finish(Error::None, {});
        return;
    }
    if (m_tooLarge) {
        finish(Error::TooLarge, QStringLiteral("The answer is larger than allowed"));
        return;
    }
    if (m_insecure) {
        finish(Error::InsecureRedirect, QStringLiteral("Insecure redirect"));
        return;
    }
    switch (code) {
    case CURLE_OK:
        finish(Error::None, {});
        return;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_HTTP2_STREAM:
        finish(m_headersIn ? Error::Cut : Error::NoAnswer,
               QStringLiteral("The connection with the server was reset"));
        return;
    case CURLE_GOT_NOTHING:
        finish(Error::NoAnswer, QStringLiteral("The server closed the connection"));
        return;
    case CURLE_TOO_MANY_REDIRECTS:
        finish(Error::TooManyRedirects, QStringLiteral("Too many redirects"));
        return;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
        if (m_status == 0) // not HTTP at all: as good as no answer
            finish(Error::NoAnswer, QStringLiteral("The server's answer is not HTTP"));
        else
            finish(Error::BadProtocol, QStringLiteral("Unsupported protocol"));
        return;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_OPERATION_TIMEDOUT:
        finish(m_headersIn ? Error::TimedOut : Error::ConnectFailed,
               QString::fromUtf8(curl_easy_strerror(CURLcode(code))));
        return;
    default:
        finish(m_headersIn ? Error::Cut : Error::Other,
               QString::fromUtf8(curl_easy_strerror(CURLcode(code))));
        return;
    }
}

void Fetch::finish(Error error, const QString& text)
{
    if (m_finished)
        return;
    stopTransfer();
    m_finished = true;
    m_error = error;
    m_errorString = text;
    m_owesFinished = true;
    // A timer's end comes from the loop, not from inside curl: tell at once.
    QMetaObject::invokeMethod(this, &Fetch::emitPending, Qt::QueuedConnection);
}

void Fetch::emitPending()
{
    QPointer<Fetch> guard(this);
    if (m_owesHeaders) {
        m_owesHeaders = false;
        Q_EMIT headersReceived();
        if (!guard)
            return;
    }
    if (m_owesData) {
        m_owesData = false;
        Q_EMIT readyRead();
        if (!guard)
            return;
    }
    if (m_owesFinished) {
        m_owesFinished = false;
        Q_EMIT finished();
    }
}

} // namespace kelvane::net
