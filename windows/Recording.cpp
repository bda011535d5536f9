#include "windows/Recording.h"

#include "catalogue/ListFolder.h"
#include "platform/MessageBox.h"
#include "player/MediaPlayer.h"
#include "windows/Services.h"

#include <QDateTime>
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

// A station's name as a file name: no folder separators, no leading dot.
QString fileNameOf(QString name)
{
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            c = u'_';
    }
    name = name.trimmed();
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("Kelvane") : name.left(120);
}

} // namespace

void attachRecording(MediaPlayer& player, const AppServices& services, QWidget& window)
{
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
    const QString name =
        QStringLiteral("%1 %2.%3")
            .arg(fileNameOf(player.stationName()),
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")),
                 player.recordingExtension());
    if (!player.startRecording(QDir(folder).filePath(name)))
        tell(services, window, QStringLiteral("没有正在播放的电台，无法录音。"));
}

} // namespace kelvane
