#pragma once

#include "listbox/StationListBox.h"
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

// The TV window: the TV list and, behind "显示媒体链接", the second list; a double click plays
// the station in the video window.
class TvWindow final : public PlayerWindow
{
    Q_OBJECT
public:
    TvWindow(FormRegistry& forms, const AppServices& services);

    StationListBox* tLista = nullptr; // the TV station list
    ClickLabel* Label1 = nullptr;     // "关于": opens the About window
    SkinButton* bbUpdate = nullptr;
    QLineEdit* Text = nullptr;
    SkinButton* sAdult = nullptr;        // shows the second list
    SkinButton* hAdult = nullptr;        // back to the TV list
    std::array<ClickLabel*, 2> Label2{}; // the "X" close marks
    StationListBox* aLista = nullptr;    // the second list
    QLineEdit* Text1 = nullptr;          // the second list's address (never seen)
    QWidget* Gg1 = nullptr;              // the ad banner
    HotArea* Image1 = nullptr;           // the picture's switch-to-radio corner
    kelvane::FileDownloader* FileDownloader = nullptr;
    QuandleXPTaskBar* QuandleXPTaskBar1 = nullptr; // the docking bar

    StationAddresses tURLs{tLista}; // the address sequences of the two lists
    StationAddresses aURLs{aLista};

    // The design's event handlers, named control_Event: <list>_DblClick runs on a double click
    // or Enter on the list; FileDownloader_DowloadComplete (the design's spelling) when a list
    // file has arrived.
    void tLista_DblClick();
    void aLista_DblClick();
    void sAdult_Click();
    void hAdult_Click();
    void Image1_Click();
    void Label1_Click();
    void Label2_Click(int index);
    void bbUpdate_Click();
    void FileDownloader_DownloadErrors(const QString& strError);
    void FileDownloader_DowloadComplete();

    void playNeighbour(int delta) override;

    // The lists' own stations and favourites; none without a station store.
    StationActions* tvActions() const { return m_tvActions; }
    StationActions* secondActions() const { return m_secondActions; }

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void PlayTvStation();
    void PlayAdultStation();
    void playIn(StationListBox* list);

    StationListBox* m_lastList = nullptr; // the list that played last
    std::unique_ptr<ListUpdateFlow> m_listUpdate;
    StationActions* m_tvActions = nullptr;
    StationActions* m_secondActions = nullptr;
};

} // namespace kelvane
