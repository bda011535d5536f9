#pragma once

#include "chrome/StoredLayout.h"
#include "platform/Forms.h"
#include "windows/Services.h"

#include <QPixmap>

#include <functional>
#include <stdexcept>

namespace kelvane {

class MediaPlayer;
class StationListBox;

// A handler step that could not be done; reported with the generic message where the handler
// carries it.
struct StepFailed : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// What the radio and TV windows share: borderless with picture A, the close marks, the About
// label, the generic error message and playing from their station lists.
class PlayerWindow : public Form
{
    Q_OBJECT
public:
    // Takes the window's settings from its stored layout.
    PlayerWindow(const QString& name, FormRegistry& forms, const AppServices& services);

    const AppServices& services() const { return m_services; }
    const WindowLayout& layout() const { return m_layout; }

    // Puts the docked window in view at once, as the pointer would have; it docks again when the
    // pointer is not over it. With a hold it waits for the pointer's visit, at most holdMs.
    void showInView(int holdMs = 0);
    // Kept in view whatever the pointer does ("固定显示"), or docked as usual.
    void setKeepInView(bool on);
    // Plays the station delta rows from the selected one in the list that played last, round
    // the ends; 0 plays the selected one (the first when none is).
    virtual void playNeighbour(int delta) { Q_UNUSED(delta); }

Q_SIGNALS:
    // A station from one of this window's lists now plays in that player.
    void stationStarted(kelvane::MediaPlayer* player);

protected:
    // Runs a handler's steps; any failure ends them with the generic message.
    void guarded(const std::function<void()>& steps);
    // Runs a handler's steps; a failure ends them silently.
    static void silent(const std::function<void()>& steps);

    // A station chosen in the list (a double click or Enter) runs onPlay.
    void playOnActivate(StationListBox* list, const std::function<void()>& onPlay);

    // Plays the list's selected station in the player, by its own address (whatever the list
    // shows while filtered); with nothing selected the player is closed and StepFailed thrown.
    void playSelected(MediaPlayer* player, StationListBox* list, const QString& listKey);

    // A station started from a list: remembered for the next run, added to the history and
    // announced.
    void reportPlayed(MediaPlayer* player, const StationListBox* list, const QString& listKey);
    // Adds a started station to the stations played last (listKey names its list).
    void addToHistory(const QString& name, const QString& url, const QString& listKey);
    // Ctrl+H, and "最近播放" in the player's compact bar when it has one, open the history window.
    void offerHistory(MediaPlayer* player);
    // The player now plays that station of the list: a failure marks it grey with the reason,
    // until it plays. One player at a time, whichever of the window's lists it came from.
    void followStation(MediaPlayer* player, StationListBox* list, int station);
    // The compact bar's desktop entries: keep in view and song notices follow the shared
    // toggles both ways.
    void offerDesktopEntries(MediaPlayer& player);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppServices m_services;
    const WindowLayout& m_layout;
    QPixmap m_picture;
    QMetaObject::Connection m_followed; // the player whose failure marks a station
    QMetaObject::Connection m_remember; // the station remembered once it has played
};

} // namespace kelvane
