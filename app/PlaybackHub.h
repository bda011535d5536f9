#pragma once

#include "mpris/Mpris.h"

#include <QObject>
#include <QPointer>

namespace kelvane {

class FormRegistry;
class MediaPlayer;
class PlayerWindow;

// The program as one player to the desktop: whichever player, radio or video, played last, and
// the window whose list it came from. Windows report each station they start.
class PlaybackHub final : public QObject, public MprisHost
{
    Q_OBJECT
public:
    explicit PlaybackHub(FormRegistry& forms, QObject* parent = nullptr);

    void played(MediaPlayer* player, PlayerWindow* window);
    MediaPlayer* player() const;

    void raise() override;
    void quit() override;
    // 0 plays the selected station of that list; with nothing played yet, the radio list's.
    void step(int delta) override;

Q_SIGNALS:
    void playerChanged(kelvane::MediaPlayer* player);

private:
    PlayerWindow* window() const;

    FormRegistry& m_forms;
    QPointer<MediaPlayer> m_player;
    QPointer<PlayerWindow> m_window;
};

} // namespace kelvane
