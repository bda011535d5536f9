#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace kelvane {

// Desktop notifications. Passed in, so tests use a bus of their own or a recorder.
class Notifications
{
public:
    virtual ~Notifications() = default;
    // Shows a notice. With replace it takes the place of the last one shown with replace (a new
    // song replaces the old one rather than stacking).
    virtual void notify(const QString& summary, const QString& body, bool replace) = 0;
};

// org.freedesktop.Notifications on the given bus. Calls never wait: the desktop's answer (the
// notice's id, for the next replace) arrives on the event loop. Without a notification server
// nothing is shown and nothing fails.
class DBusNotifications final : public QObject, public Notifications
{
    Q_OBJECT
public:
    DBusNotifications(const QDBusConnection& bus, const QString& appId, QObject* parent = nullptr);
    void notify(const QString& summary, const QString& body, bool replace) override;

private:
    QDBusConnection m_bus;
    QString m_appId;
    uint m_replaceId = 0;
};

} // namespace kelvane
