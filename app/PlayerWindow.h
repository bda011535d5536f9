#pragma once

#include "app/Services.h"
#include "platform/Forms.h"

#include <QListWidget>
#include <QPixmap>

#include <array>
#include <functional>
#include <stdexcept>

namespace kelvane {

class ClickLabel;
class FileDownloader;
class QuandleXPTaskBar;

// A handler step that could not be done; reported with the generic message where the handler
// carries it.
struct StepFailed : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// What the radio and TV windows share: borderless with picture A, the close marks, the About
// label, the generic error message and keyboard play on the lists.
class PlayerWindow : public Form
{
    Q_OBJECT
public:
    PlayerWindow(const QString& name, FormRegistry& forms, const AppServices& services,
                 QSize clientSize);

    const AppServices& services() const { return m_services; }

protected:
    // Runs a handler's steps; any failure ends them with the generic message.
    void guarded(const std::function<void()>& steps);
    // Runs a handler's steps; a failure ends them silently.
    static void silent(const std::function<void()>& steps);

    // The two "X" marks at the given lefts (twips), calling onClick with the element index.
    std::array<ClickLabel*, 2> makeCloseMarks(int left0, int left1,
                                              const std::function<void(int)>& onClick);
    // A station list box at its design rectangle; a double click or Enter runs onPlay.
    QListWidget* makeList(const QString& name, const QRect& twips, const QColor& textColour,
                          const std::function<void()>& onPlay);
    // The docking bar: keeps the window at the top edge of the work area and slides it into
    // view under the pointer. It takes over the window's frame flags.
    QuandleXPTaskBar* makeDockingBar(int left, int top);

    // The window's download control, placed at its design position (twips), never shown.
    FileDownloader* makeDownloader(int left, int top);
    // Fetches a list file into the program folder under the name its address ends in. An address
    // that names no plain file fails through onError without touching the folder. Returns false
    // when the window was destroyed while the transfer waited.
    bool downloadList(FileDownloader& downloader, const QString& url,
                      const std::function<void(const QString&)>& onError);

    // The selected position of a list box, -1 when nothing is selected.
    static int selectedPosition(const QListWidget* list);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppServices m_services;
    QPixmap m_picture;
    QHash<QObject*, std::function<void()>> m_enterPlays;
};

} // namespace kelvane
