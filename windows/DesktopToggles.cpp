#include "windows/DesktopToggles.h"

#include "windows/RememberedState.h"

namespace kelvane {

DesktopToggles::DesktopToggles(RememberedState* remembered, QObject* parent)
    : QObject(parent), m_remembered(remembered),
      m_keepInView(remembered != nullptr && remembered->keepInView()),
      m_songNotices(remembered != nullptr && remembered->songNotices())
{}

void DesktopToggles::setKeepInView(bool on)
{
    if (on == m_keepInView)
        return;
    m_keepInView = on;
    if (m_remembered != nullptr)
        m_remembered->setKeepInView(on);
    Q_EMIT keepInViewChanged(on);
}

void DesktopToggles::setSongNotices(bool on)
{
    if (on == m_songNotices)
        return;
    m_songNotices = on;
    if (m_remembered != nullptr)
        m_remembered->setSongNotices(on);
    Q_EMIT songNoticesChanged(on);
}

} // namespace kelvane
