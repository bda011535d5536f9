#include "net/NetworkWatch.h"

#include <QDBusConnection>
#include <QNetworkInformation>

namespace kelvane::net {

NetworkWatch::NetworkWatch(QObject* parent) : NetworkEvents(parent)
{
    connect(this, &NetworkEvents::reachabilityWanted, this, &NetworkWatch::followReachability);

    // Connecting by name also catches a logind that starts later.
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        m_watchesSleep = bus.connect(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
            this, SLOT(onPrepareForSleep(bool)));
    }
}

void NetworkWatch::followReachability()
{
    // Asked at every try while a station waits: a machine with no backend is asked once.
    if (m_askedForReachability)
        return;
    m_askedForReachability = true;
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        QNetworkInformation* info = QNetworkInformation::instance();
        m_watchesNetwork = true;
        m_online = info->reachability() == QNetworkInformation::Reachability::Online;
        connect(info, &QNetworkInformation::reachabilityChanged, this,
                [this](QNetworkInformation::Reachability reachability) {
                    const bool online = reachability == QNetworkInformation::Reachability::Online;
                    const bool back = online && !m_online;
                    m_online = online;
                    if (back)
                        Q_EMIT networkBack();
                });
    }
}

void NetworkWatch::onPrepareForSleep(bool start)
{
    if (!start)
        Q_EMIT wokeUp();
}

} // namespace kelvane::net
