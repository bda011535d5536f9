#include "app/PlaybackHub.h"

#include "player/MediaPlayer.h"
#include "windows/PlayerWindow.h"

namespace kelvane {

namespace {
constexpr int kRaiseHoldMs = 5000;
}

PlaybackHub::PlaybackHub(FormRegistry& forms, QObject* parent) : QObject(parent), m_forms(forms) {}

void PlaybackHub::played(MediaPlayer* player, PlayerWindow* window)
{
    m_window = window;
    if (player == m_player)
        return;
    m_player = player;
    Q_EMIT playerChanged(player);
}

MediaPlayer* PlaybackHub::player() const
{
    return m_player;
}

PlayerWindow* PlaybackHub::window() const
{
    if (m_window)
        return m_window;
    // The window that played was switched away: whichever player window is open now.
    for (const QString& name : {QStringLiteral("frmMain"), QStringLiteral("frmMainTV")}) {
        if (auto* w = qobject_cast<PlayerWindow*>(m_forms.find(name)))
            return w;
    }
    return nullptr;
}

void PlaybackHub::raise()
{
    if (PlayerWindow* w = window()) {
        // Called from elsewhere on the desktop: it waits a while for the pointer to come.
        w->showInView(kRaiseHoldMs);
        w->raise();
        w->activateWindow();
    }
}

void PlaybackHub::quit()
{
    m_forms.unloadAll();
}

void PlaybackHub::step(int delta)
{
    if (PlayerWindow* w = window())
        w->playNeighbour(delta);
}

} // namespace kelvane
