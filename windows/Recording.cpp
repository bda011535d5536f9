#include "windows/Recording.h"

#include "catalogue/ListFolder.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "player/MediaPlayer.h"
#include "windows/Services.h"

#include <QDir>
#include <QKeySequence>
#include <QShortcut>
#include <QStandardPaths>
#include <QWidget>

namespace kelvane {

namespace {

const QString kTitle = QStringLiteral("录音");

void tell(const AppServices& services, QWidget& window, const QString& text)
{
    if (services.messageBox != nullptr)
        services.messageBox->show(&window, text, kTitle, MessageBox::Icon::Warning);
}

QString recordFolder(const AppServices& services)
{
    if (!services.recordFolder.isEmpty())
        return services.recordFolder;
    return QStandardPaths::writableLocation(QStandardPaths::MusicLocation) +
           QStringLiteral("/Kelvane");
}

} // namespace

bool openRecordingFolder(const AppServices& services)
{
    // Made first: before the first recording the folder does not exist yet.
    const QString folder = recordFolder(services);
    if (!QDir().mkpath(folder) || services.shell == nullptr)
        return false;
    return services.shell->openFolder(folder);
}

void attachRecording(MediaPlayer& player, const AppServices& services, QWidget& window)
{
    QObject::connect(&player, &MediaPlayer::openRecordingsRequested, &player,
                     [services] { openRecordingFolder(services); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), &window);
    QObject::connect(shortcut, &QShortcut::activated, &player,
                     [&player, services, &window] { toggleRecording(player, services, window); });
    QObject::connect(&player, &MediaPlayer::recordRequested, &player,
                     [&player, services, &window] { toggleRecording(player, services, window); });
    QObject::connect(
        &player, &MediaPlayer::recordingFailed, &player,
        [services, &window](const QString& path, const QString& why) {
            tell(services, window,
                 QStringLiteral("录音已停止：无法写入文件（%1）。\n%2\n播放继续。").arg(why, path));
        });
}

void toggleRecording(MediaPlayer& player, const AppServices& services, QWidget& window)
{
    if (player.isRecording()) {
        player.stopRecording();
        return;
    }
    const auto state = player.state();
    if (state != MediaPlayer::State::Playing && state != MediaPlayer::State::Paused) {
        tell(services, window, QStringLiteral("没有正在播放的电台，无法录音。"));
        return;
    }
    const QString folder = recordFolder(services);
    if (!QDir().mkpath(folder) || !isWritableFolder(folder)) {
        tell(services, window,
             QStringLiteral("无法录音：文件夹不能写入。\n%1\n播放继续。").arg(folder));
        return;
    }
    QString why;
    if (player.startRecording(folder, &why).isEmpty()) {
        tell(services, window,
             why.isEmpty() || why == QStringLiteral("没有正在播放的电台")
                 ? QStringLiteral("没有正在播放的电台，无法录音。")
                 : QStringLiteral("无法录音：%1\n%2\n播放继续。").arg(why, folder));
    }
}

} // namespace kelvane
