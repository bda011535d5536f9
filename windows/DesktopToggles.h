#pragma once

#include <QObject>

namespace kelvane {

class RememberedState;

// The listener's desktop choices that the compact bar's menu and the tray share: "固定显示"
// (the player windows stay in view) and "歌曲通知" (a notice for each new song). Both are off
// until turned on, and remembered between runs when there is somewhere to remember them.
class DesktopToggles : public QObject
{
    Q_OBJECT
public:
    explicit DesktopToggles(RememberedState* remembered = nullptr, QObject* parent = nullptr);

    bool keepInView() const { return m_keepInView; }
    bool songNotices() const { return m_songNotices; }
    void setKeepInView(bool on);
    void setSongNotices(bool on);

Q_SIGNALS:
    void keepInViewChanged(bool on);
    void songNoticesChanged(bool on);

private:
    RememberedState* m_remembered = nullptr;
    bool m_keepInView = false;
    bool m_songNotices = false;
};

} // namespace kelvane
