#include "windows/LayoutBuilder.h"

#include "adbanner/Gg.h"
#include "adbanner/HandCursor.h"
#include "button/SkinButton.h"
#include "catalogue/ListServer.h"
#include "chrome/QuandleXPTaskBar.h"
#include "downloader/FileDownloader.h"
#include "engine/PlayerEngine.h"
#include "listbox/StationListBox.h"
#include "platform/OleColor.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "player/MediaPlayer.h"
#include "windows/Artwork.h"
#include "windows/Controls.h"

#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

namespace kelvane {

namespace {

void setTextColour(QWidget* widget, QPalette::ColorRole role, const ControlLayout& control)
{
    if (!control.foreColor)
        return;
    QPalette palette = widget->palette();
    palette.setColor(role, oleToQColor(*control.foreColor));
    widget->setPalette(palette);
}

} // namespace

const WindowLayout& windowLayout(const QString& windowName)
{
    return storedLayout(windowName, kListBaseUrl);
}

LayoutBuilder::LayoutBuilder(QWidget* window, const WindowLayout& layout,
                             const AppServices& services)
    : m_window(window), m_layout(layout), m_services(services)
{}

void LayoutBuilder::applyWindowSettings()
{
    m_window->setWindowTitle(m_layout.caption);
    m_window->setWindowIcon(applicationIcon());
    m_window->setFont(defaultFont());
    if (m_layout.frame == u"fixedToolWindow") {
        // A small fixed window with a title bar and a close button.
        m_window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint |
                                 (m_layout.showInTaskbar ? Qt::Widget : Qt::Tool));
    } else {
        m_window->setWindowFlags((m_layout.showInTaskbar ? Qt::Window : Qt::Tool) |
                                 Qt::FramelessWindowHint);
    }
    m_window->setFixedSize(twipsToPixelsRounded(m_layout.clientTwips.width()),
                           twipsToPixelsRounded(m_layout.clientTwips.height()));
    if (m_layout.startPosition == u"centreScreen")
        centreOnScreen(m_window);
}

void LayoutBuilder::place(QWidget* widget, const ControlLayout& control)
{
    widget->setObjectName(control.index < 0
                              ? control.name
                              : QStringLiteral("%1_%2").arg(control.name).arg(control.index));
    if (!control.twips.isEmpty())
        placeTwips(widget, control.twips.x(), control.twips.y(), control.twips.width(),
                   control.twips.height());
    if (control.font) {
        const StoredFont& f = *control.font;
        QFont font = designFont(f.face, f.size, f.weight >= 600);
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        font.setStrikeOut(f.strikethrough);
        widget->setFont(font);
    }
    if (!control.visible)
        widget->setVisible(false);
    if (control.tab >= 0)
        m_tabs.append({control.tab, widget});
}

MediaPlayer* LayoutBuilder::player(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    const QJsonObject& s = c.settings;
    MediaPlayerSettings settings;
    settings.uiMode = s.value(u"uiMode").toString(QStringLiteral("full"));
    settings.autoStart = s.value(u"autoStart").toBool(true);
    settings.volume = s.value(u"volume").toInt(50);
    settings.enableContextMenu = s.value(u"enableContextMenu").toBool(true);
    settings.stretchToFit = s.value(u"stretchToFit").toBool(false);
    settings.extraOptions = m_services.playerOptions;
    auto* player = new MediaPlayer(settings, m_window);
    // A station waiting out an outage tries again the moment the desktop says it may work.
    player->engine()->followNetwork(m_services.network);
    if (s.value(u"mute").toBool(false))
        player->setMuted(true);
    place(player, c);
    return player;
}

StationListBox* LayoutBuilder::list(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    auto* list = new StationListBox(m_window);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    setTextColour(list, QPalette::Text, c);
    place(list, c);
    return list;
}

ClickLabel* LayoutBuilder::label(const QString& name, int element)
{
    const ControlLayout& c = m_layout.control(name, element);
    auto* label = new ClickLabel(c.caption, m_window);
    label->setTransparent(c.transparent);
    setTextColour(label, QPalette::WindowText, c);
    place(label, c);
    return label;
}

QLineEdit* LayoutBuilder::textBox(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    auto* box = new QLineEdit(c.text, m_window);
    place(box, c);
    return box;
}

HotArea* LayoutBuilder::image(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    auto* area = new HotArea(m_window);
    if (c.pointer == u"hand")
        area->setCursor(handCursor());
    place(area, c);
    return area;
}

SkinButton* LayoutBuilder::button(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    auto* button = new SkinButton(*m_services.shell, m_window);
    place(button, c);
    button->setUserMode(true);
    button->UserControl_ReadProperties(c.bag);
    return button;
}

QWidget* LayoutBuilder::banner(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    auto* banner = new Gg(
        *m_services.shell,
        m_services.adFeedUrl.isEmpty() ? Gg::defaultFeedUrl() : m_services.adFeedUrl, m_window);
    place(banner, c);
    return banner;
}

FileDownloader* LayoutBuilder::downloader(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    auto* downloader = new FileDownloader(m_window);
    place(downloader, c);
    // Only its place is stored; its size is its own.
    downloader->move(twipsToPixelsRounded(c.twips.x()), twipsToPixelsRounded(c.twips.y()));
    return downloader;
}

QuandleXPTaskBar* LayoutBuilder::dockingBar(const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    auto* bar = new QuandleXPTaskBar(m_window);
    place(bar, c);
    bar->move(twipsToPixelsRounded(c.twips.x()), twipsToPixelsRounded(c.twips.y()));
    bar->UserControl_ReadProperties(c.bag);
    return bar;
}

void LayoutBuilder::timer(Timer& timer, const QString& name)
{
    const ControlLayout& c = m_layout.control(name);
    timer.setObjectName(name);
    timer.setEnabled(false);
    timer.setInterval(c.interval);
    timer.setEnabled(c.enabled);
}

void LayoutBuilder::applyTabOrder()
{
    std::stable_sort(m_tabs.begin(), m_tabs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 1; i < m_tabs.size(); ++i)
        QWidget::setTabOrder(m_tabs[i - 1].second, m_tabs[i].second);
}

} // namespace kelvane
