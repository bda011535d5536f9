#pragma once

#include "app/Services.h"
#include "platform/Forms.h"
#include "platform/Timer.h"
#include "player/MediaPlayer.h"

namespace kelvane {

// The video window: picture B with its "connecting" notice, and the player without controls,
// hidden until the reveal timer fires 15 seconds after a station was chosen.
class VideoWindow final : public Form
{
    Q_OBJECT
public:
    VideoWindow(FormRegistry& forms, const AppServices& services);

    MediaPlayer* wmpt = nullptr;
    QWidget* Gg1 = nullptr;
    Timer Timer1; // the reveal, set from the stored layout

    void Timer1_Timer();

protected:
    void Form_Unload() override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace kelvane
