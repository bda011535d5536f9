#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <utility>

class QSocketNotifier;

namespace kelvane::net {

// The bounds of one fetch, given by each use.
struct Limits
{
    qint64 maxBytes = -1;         // body cap whatever the stated length; -1 none
    qint64 maxUnsizedBytes = -1;  // body cap when no usable Content-Length was stated; -1 none
    int connectTimeoutMs = 15000; // from the start until the final answer's headers are in
    int silenceMs = 30000;        // no body byte for this long ends the body, short; 0 none
    int deadlineMs = 0;           // the whole fetch; 0 none
    // The body runs to the connection's end whatever Content-Length says (an unusable one,
    // negative or not a number, is then no error); the caller judges the length itself.
    bool ignoreStatedLength = false;
    // Certificates to trust instead of the system's (tests with a server of their own).
    QByteArray caFile;
};

// One bounded HTTP(S) GET over libcurl, driven by the Qt event loop through curl's multi socket
// interface (socket notifiers and one timer: no thread, no polling). At most 5 redirects, http
// and https only, never from https to http; proxies from the environment, never for loopback.
// Body bytes wait in a bounded buffer: when the reader falls behind, the socket is left unread
// (TCP then holds the server back) until the buffer drains.
class Fetch : public QObject
{
    Q_OBJECT
public:
    enum class Error
    {
        None,
        ConnectFailed, // no connection: refused, unknown host, no answer in time, TLS
        TimedOut,      // the body fell silent, or the deadline passed
        Cut,           // the body ended before its length or its last chunk
        TooLarge,      // past the cap
        TooManyRedirects,
        InsecureRedirect, // https to http
        BadProtocol,      // not http or https, also as a redirect target
        NoAnswer,         // the server closed without a word
        Other
    };
    static constexpr int kMaxRedirects = 5;
    static constexpr qint64 kBufferBytes = 1024 * 1024;
    // curl reads up to 100 times this in one go while the socket has data: the buffer can run
    // past kBufferBytes by that much before the socket is left alone.
    static constexpr qint64 kReadBytes = 32 * 1024;

    explicit Fetch(QObject* parent = nullptr);
    ~Fetch() override;

    // Starts the request and returns at once. Request headers are "Name: value" lines.
    void start(const QUrl& url, const Limits& limits, const QList<QByteArray>& requestHeaders = {},
               const QString& userName = {}, const QString& password = {});
    // Ends the transfer at once; no signal follows.
    void abort();

    bool isFinished() const { return m_finished; }
    bool headersIn() const { return m_headersIn; }
    // The final answer's status line and headers ("Name: value"), CR LF after each.
    QByteArray headerText() const;
    QByteArray statusLine() const { return m_statusLine; }
    int status() const { return m_status; }
    // The first header of that name (any case), or empty.
    QByteArray header(const QByteArray& name) const;

    qint64 bytesAvailable() const { return m_buffer.size() - m_readPos; }
    QByteArray read(qint64 max);
    QByteArray readAll() { return read(bytesAvailable()); }

    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }

Q_SIGNALS:
    void headersReceived();
    void readyRead();
    void finished();

private:
    static int onSocket(void* easy, int fd, int what, void* self, void* socketData);
    static int onTimer(void* multi, long timeoutMs, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);

    void act(int fd, int events);
    void headerLine(const QByteArray& line);
    void answerIn();
    size_t body(const char* data, size_t size);
    void finish(Error error, const QString& text);
    void finishFromCurl(int code);
    void stopTransfer();
    void emitPending();

    struct Watch
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
        bool wantRead = false; // what curl last asked for
        bool wantWrite = false;
    };
    void applyWatch(Watch& watch);

    void* m_multi = nullptr; // CURLM
    void* m_easy = nullptr;  // CURL
    void* m_headerList = nullptr;
    QHash<int, Watch> m_watches;
    QTimer m_curlTimer;
    QTimer m_connectTimer;
    QTimer m_silenceTimer;
    QTimer m_deadlineTimer;
    Limits m_limits;

    bool m_finished = false;
    bool m_headersIn = false;
    bool m_throttled = false; // the buffer is full: the socket is left unread until it drains
    bool m_tooLarge = false;
    bool m_lengthReached = false; // with ignoreStatedLength: the stated bytes are all in
    bool m_insecure = false;
    bool m_hasCredentials = false;
    bool m_authAnswered = false; // curl has been asked for credentials once
    qint64 m_received = 0;
    qint64 m_statedLength = -1;
    QByteArray m_buffer;
    qint64 m_readPos = 0;
    QByteArray m_statusLine;
    int m_status = 0;
    QList<std::pair<QByteArray, QByteArray>> m_headers;
    QByteArray m_location;
    Error m_error = Error::None;
    QString m_errorString;
    // Signals owed once curl has returned (never emitted from inside its callbacks).
    bool m_owesHeaders = false;
    bool m_owesData = false;
    bool m_owesFinished = false;
};

} // namespace kelvane::net
