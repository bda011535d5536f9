#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace kelvane {

class MediaPlayer;
class StationListBox;

// What the program remembers between runs, in the user's config folder: the volume, mute and
// the last station played from each list. A missing, unreadable or damaged file gives the
// defaults; the file is replaced whole when written, never left half written.
class RememberedState
{
public:
    // The given file, or the program's file in the user's config folder when empty.
    explicit RememberedState(const QString& filePath = QString());
    ~RememberedState();

    int volume(int fallback) const;
    bool muted() const;
    // The station's name as listed; empty when none was played from that list.
    QString lastStation(const QString& list) const;

    // Nothing was remembered when the program started: the user's first start.
    bool isFirstStart() const { return m_firstStart; }
    // "固定显示" and "歌曲通知", both off until turned on.
    bool keepInView() const;
    bool songNotices() const;
    void setKeepInView(bool on);
    void setSongNotices(bool on);
    // The first start's notice was given: the next start is not a first one.
    void setToldWhereDocked();

    void setVolume(int volume);
    void setMuted(bool muted);
    // The station by its name as listed and its address (which tells apart stations of one name).
    void setLastStation(const QString& list, const QString& name, const QString& url = {});
    // The player starts at the remembered volume and mute, and every change is remembered.
    void keepVolumeOf(MediaPlayer& player);
    // Selects the list's remembered station and scrolls it into view, without playing it.
    // Wherever it stands now: starred stations move.
    void selectLastStation(const QString& list, StationListBox& box) const;

    // Writes what changed now (it is written from the event loop anyway).
    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_firstStart = false;
};

} // namespace kelvane
