#include "platform/Notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace kelvane {

namespace {
constexpr int kShownMs = 8000;
}

DBusNotifications::DBusNotifications(const QDBusConnection& bus, const QString& appId,
                                     QObject* parent)
    : QObject(parent), m_bus(bus), m_appId(appId)
{}

void DBusNotifications::notify(const QString& summary, const QString& body, bool replace)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), m_appId}};
    call << QStringLiteral("Kelvane") << uint(replace ? m_replaceId : 0) << m_appId << summary
         << body << QStringList() << hints << kShownMs;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, replace](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                if (replace && reply.isValid())
                    m_replaceId = reply.value();
                w->deleteLater();
            });
}

} // namespace kelvane
