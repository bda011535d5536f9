#include "player/tests/Icecast.h"

#include "tests/support/TestUtil.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <pwd.h>
#include <unistd.h>

namespace kelvane::test {

namespace {

constexpr char kSourcePassword[] = "kelvane-source";
constexpr char kAdminPassword[] = "kelvane-admin";

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

Icecast::Icecast()
{
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_source.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

Icecast::~Icecast()
{
    stopSource();
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished(5000);
    }
}

QString Icecast::mountUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(m_port);
}

bool Icecast::start()
{
    // The port is free when asked but may be taken before icecast2 binds it (another process's
    // connection): a server that exits at once is started again on another port.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOnce())
            return true;
        if (m_server.state() != QProcess::NotRunning)
            return false; // running but not answering: another port would not help
    }
    return false;
}

bool Icecast::startOnce()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    m_port = freePort();
    const QString dir = m_dir.path();
    const QByteArray config =
        QStringLiteral(R"(<icecast>
  <limits><clients>50</clients><sources>4</sources><source-timeout>10</source-timeout>
    <burst-size>65536</burst-size></limits>
  <authentication><source-password>%1</source-password><admin-user>admin</admin-user>
    <admin-password>%2</admin-password></authentication>
  <hostname>127.0.0.1</hostname>
  <listen-socket><port>%3</port><bind-address>127.0.0.1</bind-address></listen-socket>
  <paths><basedir>%4</basedir><logdir>%4</logdir><pidfile>%4/icecast.pid</pidfile>
    <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot>
  </paths>
  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>
    <loglevel>2</loglevel></logging>
  <security><chroot>0</chroot></security>
</icecast>
)")
            .arg(QLatin1String(kSourcePassword), QLatin1String(kAdminPassword))
            .arg(m_port)
            .arg(dir)
            .toUtf8();
    QFile file(dir + QStringLiteral("/icecast.xml"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        m_error = QStringLiteral("cannot write the configuration");
        return false;
    }
    file.close();
    QString program = QStringLiteral("icecast2");
    QStringList args = {QStringLiteral("-c"), file.fileName()};
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam("icecast2");
        if (user == nullptr) {
            m_error = QStringLiteral("no icecast2 user (is icecast2 installed?)");
            return false;
        }
        for (const QString& path : {dir, file.fileName()}) {
            if (::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0) {
                m_error = QStringLiteral("cannot hand %1 to icecast2").arg(path);
                return false;
            }
        }
        args = QStringList{"--reuid=icecast2", "--regid=" + QString::number(user->pw_gid),
                           "--init-groups", program} +
               args;
        program = QStringLiteral("setpriv");
    }
    m_server.start(program, args);
    if (!m_server.waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start %1").arg(program);
        return false;
    }
    // Ready once it answers on its port.
    const bool up = waitUntil(
        [&] {
            if (m_server.state() == QProcess::NotRunning)
                return true;
            return request("GET /status-json.xsl HTTP/1.0\r\n\r\n").startsWith("HTTP/1.0 200");
        },
        10000);
    if (!up || m_server.state() == QProcess::NotRunning) {
        QFile log(dir + QStringLiteral("/error.log"));
        m_error =
            QStringLiteral("icecast2 did not come up on port %1: %2")
                .arg(m_port)
                .arg(log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll().right(400))
                                                   : QStringLiteral("no log"));
        return false;
    }
    return true;
}

bool Icecast::startSource()
{
    m_source.start(QStringLiteral("ffmpeg"),
                   {"-hide_banner", "-loglevel", "error", "-nostdin", "-re", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=44100", "-c:a", "libmp3lame", "-b:a", "128k",
                    "-content_type", "audio/mpeg", "-f", "mp3",
                    QStringLiteral("icecast://source:%1@127.0.0.1:%2/live.mp3")
                        .arg(QLatin1String(kSourcePassword))
                        .arg(m_port)});
    if (!m_source.waitForStarted(5000))
        return false;
    // The mount exists once the source is connected.
    return waitUntil(
               [&] {
                   return m_source.state() == QProcess::NotRunning ||
                          request("GET /live.mp3 HTTP/1.0\r\n\r\n").startsWith("HTTP/1.0 200");
               },
               10000) &&
           m_source.state() != QProcess::NotRunning;
}

void Icecast::stopSource()
{
    if (m_source.state() == QProcess::NotRunning)
        return;
    m_source.kill();
    m_source.waitForFinished(5000);
    // Gone once the server has dropped the mount: a start right after must not find the old one.
    waitUntil(
        [&] {
            return m_server.state() == QProcess::NotRunning ||
                   !request("GET /live.mp3 HTTP/1.0\r\n\r\n").startsWith("HTTP/1.0 200");
        },
        10000);
}

bool Icecast::setTitle(const QString& title)
{
    const QByteArray song = QUrl::toPercentEncoding(title);
    const QByteArray auth = QByteArray("admin:") + kAdminPassword;
    return request("GET /admin/metadata?mount=/live.mp3&mode=updinfo&charset=UTF-8&song=" + song +
                       " HTTP/1.0\r\nAuthorization: Basic " + auth.toBase64() + "\r\n\r\n",
                   true)
        .contains("<return>1</return>");
}

QByteArray Icecast::request(const QByteArray& head, bool wholeBody) const
{
    // Short blocking exchanges with a bound: the server is local and answers at once.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_port);
    if (!socket.waitForConnected(1000))
        return {};
    socket.write(head);
    QByteArray answer;
    while (socket.waitForReadyRead(2000)) {
        answer += socket.readAll();
        if (!wholeBody && answer.contains("\r\n\r\n"))
            break; // the status line is all we wanted; a mount would stream forever
        if (answer.size() > 65536)
            break;
    }
    return answer;
}

} // namespace kelvane::test
