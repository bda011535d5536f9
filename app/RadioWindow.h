#pragma once

#include "app/MediaPlayer.h"
#include "app/Services.h"
#include "platform/Forms.h"

#include <QLineEdit>
#include <QListWidget>

#include <array>
#include <functional>

namespace kelvane {

class ClickLabel;
class SkinButton;
class HotArea;

// The radio window: the radio list, the compact player, stop, About, the switch to TV and the
// two close marks.
class RadioWindow final : public Form
{
    Q_OBJECT
public:
    RadioWindow(FormRegistry& forms, const AppServices& services);

    // Controls, by their design names.
    MediaPlayer* wmpr = nullptr;
    QListWidget* rLista = nullptr;
    ClickLabel* Label1 = nullptr;
    SkinButton* bbStop = nullptr;
    SkinButton* bbUpdate = nullptr;
    QLineEdit* Text = nullptr;
    std::array<ClickLabel*, 2> Label2{};
    QWidget* Gg1 = nullptr; // the ad banner
    HotArea* Image1 = nullptr;

    // The address sequence: rURLs[i] belongs to rLista item i.
    QStringList rURLs;

    void rLista_DblClick();
    void bbStop_Click();
    void Image1_Click();
    void Label1_Click();
    void Label2_Click(int index);

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlayRadioStation();
    // Runs a handler's steps; any failure ends them with the generic message.
    void guarded(const std::function<void()>& steps);

    AppServices m_services;
    QPixmap m_picture;
};

} // namespace kelvane
