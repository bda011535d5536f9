#pragma once

class QWidget;

namespace kelvane {

class MediaPlayer;
struct AppServices;

// Recording for a player window: Ctrl+R and the compact bar's menu start or stop writing the
// stream as received to the user's music folder, "Kelvane/<station> <date time>.<format>".
// A folder that takes no file, or a write that fails, says so; playback goes on.
void attachRecording(MediaPlayer& player, const AppServices& services, QWidget& window);
// Shows the recordings' folder in the file manager ("打开录音文件夹"), making it first.
bool openRecordingFolder(const AppServices& services);
void toggleRecording(MediaPlayer& player, const AppServices& services, QWidget& window);

} // namespace kelvane
