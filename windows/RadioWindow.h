#pragma once

#include "listbox/StationListBox.h"
#include "player/MediaPlayer.h"
#include "windows/ListUpdateFlow.h"
#include "windows/PlayerWindow.h"

#include <QLineEdit>

#include <array>
#include <memory>

namespace kelvane {

class ClickLabel;
class FileDownloader;
class HotArea;
class QuandleXPTaskBar;
class SkinButton;
class StationActions;

// The radio window: the radio list, the compact player, stop, About, the switch to TV and the
// two close marks.
class RadioWindow final : public PlayerWindow
{
    Q_OBJECT
public:
    RadioWindow(FormRegistry& forms, const AppServices& services);

    // Controls, by their design names.
    MediaPlayer* wmpr = nullptr;      // the compact radio player
    StationListBox* rLista = nullptr; // the radio station list
    ClickLabel* Label1 = nullptr;     // "关于": opens the About window
    SkinButton* bbStop = nullptr;
    SkinButton* bbUpdate = nullptr;
    QLineEdit* Text = nullptr;
    std::array<ClickLabel*, 2> Label2{}; // the "X" close marks, one per top corner
    QWidget* Gg1 = nullptr;              // the ad banner
    HotArea* Image1 = nullptr;           // the picture's switch-to-TV corner
    kelvane::FileDownloader* FileDownloader = nullptr;
    QuandleXPTaskBar* QuandleXPTaskBar1 = nullptr; // the docking bar

    // The address sequence: rURLs[i] belongs to the station rLista lists at i.
    StationAddresses rURLs{rLista};

    // The design's event handlers, named control_Event: <list>_DblClick runs on a double click
    // or Enter on the list; FileDownloader_DowloadComplete (the design's spelling) when a list
    // file has arrived.
    void rLista_DblClick();
    void bbStop_Click();
    void Image1_Click();
    void Label1_Click();
    void Label2_Click(int index);
    void bbUpdate_Click();
    void FileDownloader_DownloadErrors(const QString& strError);
    void FileDownloader_DowloadComplete();

    void playNeighbour(int delta) override;
    // Plays a station that is not in the list (from the directory or the history) in the
    // compact player; it goes to the history and is announced as any other.
    void playAddress(const QString& name, const QString& url);
    // Ctrl+F: the station directory, its search field ready.
    void openDirectory();

    // The radio list's own stations and favourites; none without a station store.
    StationActions* stationActions() const { return m_stationActions; }

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void PlayRadioStation();
    std::unique_ptr<ListUpdateFlow> m_listUpdate;
    StationActions* m_stationActions = nullptr;
};

} // namespace kelvane
