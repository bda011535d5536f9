#pragma once

#include "adbanner/AdFeed.h"

#include <QWidget>

#include <array>

class QLabel;

namespace kelvane {

class Shell;
class Timer;

// The advertising strip at the bottom of the player windows: two link labels, a ticker that
// cycles through every link, and the "更多软件" link. Its links come from the ad feed, read while
// the control is created (the creating window waits for it, at most a few seconds), or from a
// built-in table when the feed yields nothing. Clicks open the links through the shell.
//
// The host only places it; the control offers nothing else. Its parts are named children
// ("Label1", "Label2_0", "Label2_1", "Label3", "Picture1", "Timer1").
class Gg : public QWidget
{
    Q_OBJECT
public:
    // Design size in pixels (6540 × 480 twips).
    static constexpr QSize kDesignSize{436, 32};

    // The feed address built into the program (KELVANE_AD_FEED_URL at configure time).
    static QString defaultFeedUrl();
    // The built-in links, used when the feed yields no title for its first row.
    static const LinkTable& fixedLinks();
    // The page behind "更多软件".
    static QString moreSoftwareUrl();

    // `shell` opens the links and must outlive the control.
    explicit Gg(Shell& shell, const QString& feedUrl = defaultFeedUrl(), QWidget* parent = nullptr,
                const FeedLimits& limits = {});
    ~Gg() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void UserControl_Initialize(const QString& feedUrl, const FeedLimits& limits);
    void Label1_Click();
    void Label2_Click(int index);
    void Label3_Click();
    void Label1_MouseMove();
    void Label2_MouseMove(int index);
    void Picture1_MouseMove();
    void UserControl_MouseMove();
    void Timer1_Timer();

    void openLink(const QString& link);
    QString titleOf(int row, bool* exists = nullptr) const;
    QString linkOf(int row) const;
    int lastRow() const { return static_cast<int>(m_links.size()) - 1; }
    void click(QObject* part);

    Shell& m_shell;
    QLabel* Label1 = nullptr;
    std::array<QLabel*, 2> Label2{};
    QLabel* Label3 = nullptr;
    QWidget* Picture1 = nullptr;
    Timer* Timer1 = nullptr;

    LinkTable m_links;
    qint16 m_rowCounter = 0;
    qint16 m_tickerIndex = 0;
    QString m_currentLink;
    QObject* m_pressed = nullptr; // the part a left click started on
};

} // namespace kelvane
