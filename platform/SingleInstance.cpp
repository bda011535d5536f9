#include "platform/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

namespace kelvane {

namespace {

constexpr int kCallTimeoutMs = 5000;

// The object served on the bus; its scriptable slots are the interface.
class InstanceObject : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.kelvane.Kelvane.Instance")
public:
    explicit InstanceObject(SingleInstance* owner) : QObject(owner), m_owner(owner) {}

public Q_SLOTS:
    Q_SCRIPTABLE void Open(const QStringList& files)
    {
        // Answered first: the caller is not kept waiting on what opening the files asks.
        QMetaObject::invokeMethod(
            m_owner, [o = m_owner, files] { Q_EMIT o->openRequested(files); },
            Qt::QueuedConnection);
    }
    Q_SCRIPTABLE void Activate()
    {
        QMetaObject::invokeMethod(
            m_owner, [o = m_owner] { Q_EMIT o->activateRequested(); }, Qt::QueuedConnection);
    }

private:
    SingleInstance* m_owner;
};

} // namespace

SingleInstance::SingleInstance(const QDBusConnection& bus, const QString& appId, QObject* parent)
    : QObject(parent), m_bus(bus), m_appId(appId)
{}

SingleInstance::~SingleInstance()
{
    if (m_owns) {
        m_bus.unregisterObject(kPath);
        m_bus.unregisterService(m_appId);
    }
}

SingleInstance::Start SingleInstance::start(const QStringList& files)
{
    if (!m_bus.isConnected())
        return Start::First;
    QDBusConnectionInterface* daemon = m_bus.interface();
    // Asked without queueing: a name held by a live process is refused at once.
    const auto reply = daemon->registerService(m_appId, QDBusConnectionInterface::DontQueueService,
                                               QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_owns = m_bus.registerObject(kPath, new InstanceObject(this),
                                      QDBusConnection::ExportScriptableSlots);
        return Start::First;
    }
    QDBusMessage call =
        files.isEmpty()
            ? QDBusMessage::createMethodCall(m_appId, kPath, kInterface, QStringLiteral("Activate"))
            : QDBusMessage::createMethodCall(m_appId, kPath, kInterface, QStringLiteral("Open"));
    if (!files.isEmpty())
        call << files;
    const QDBusMessage answer = m_bus.call(call, QDBus::BlockWithGui, kCallTimeoutMs);
    return answer.type() == QDBusMessage::ReplyMessage ? Start::HandedOver : Start::First;
}

QStringList SingleInstance::filesFromArguments(const QStringList& arguments)
{
    QStringList files;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        const QString scheme = url.scheme().toLower();
        if (scheme == u"http" || scheme == u"https")
            files.append(argument);
        else if (scheme == u"file")
            files.append(QFileInfo(url.toLocalFile()).absoluteFilePath());
        else
            files.append(QFileInfo(argument).absoluteFilePath());
    }
    return files;
}

} // namespace kelvane

#include "SingleInstance.moc"
