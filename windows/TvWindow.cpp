#include "windows/TvWindow.h"

#include "button/SkinButton.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "downloader/FileDownloader.h"
#include "platform/MessageBox.h"
#include "windows/Controls.h"
#include "windows/LayoutBuilder.h"
#include "windows/RememberedState.h"
#include "windows/StationActions.h"
#include "windows/VideoWindow.h"

namespace kelvane {

namespace {
const QString kTvListKey = QStringLiteral("tvstacionet");
const QString kAdultListKey = QStringLiteral("tvadult");
} // namespace

TvWindow::TvWindow(FormRegistry& forms, const AppServices& services)
    : PlayerWindow(QStringLiteral("frmMainTV"), forms, services)
{
    LayoutBuilder ui(this, layout(), services);
    tLista = ui.list(QStringLiteral("tLista"));
    playOnActivate(tLista, [this] { tLista_DblClick(); });
    Label1 = ui.label(QStringLiteral("Label1"));
    Label1->setCursor(Qt::PointingHandCursor);
    connect(Label1, &ClickLabel::Click, this, &TvWindow::Label1_Click);
    bbUpdate = ui.button(QStringLiteral("bbUpdate"));
    connect(bbUpdate, &SkinButton::Click, this, &TvWindow::bbUpdate_Click);
    Text = ui.textBox(QStringLiteral("Text")); // below the client area: never seen
    sAdult = ui.button(QStringLiteral("sAdult"));
    connect(sAdult, &SkinButton::Click, this, &TvWindow::sAdult_Click);
    hAdult = ui.button(QStringLiteral("hAdult")); // same place, hidden at start
    connect(hAdult, &SkinButton::Click, this, &TvWindow::hAdult_Click);
    for (int i = 0; i < 2; ++i) {
        Label2[i] = ui.label(QStringLiteral("Label2"), i);
        Label2[i]->setCursor(Qt::PointingHandCursor);
        connect(Label2[i], &ClickLabel::Click, this, [this, i] { Label2_Click(i); });
    }
    aLista = ui.list(QStringLiteral("aLista")); // same place as tLista, hidden at start
    playOnActivate(aLista, [this] { aLista_DblClick(); });
    Text1 = ui.textBox(QStringLiteral("Text1"));
    if (services.stations != nullptr) {
        m_tvActions = new StationActions(*this, *tLista, ListKind::Tv, services);
        m_secondActions = new StationActions(*this, *aLista, ListKind::Tv2, services);
    }
    Gg1 = ui.banner(QStringLiteral("Gg1"));
    Image1 = ui.image(QStringLiteral("Image1"));
    connect(Image1, &HotArea::Click, this, &TvWindow::Image1_Click);
    FileDownloader = ui.downloader(QStringLiteral("FileDownloader"));
    connect(FileDownloader, &kelvane::FileDownloader::DownloadErrors, this,
            &TvWindow::FileDownloader_DownloadErrors);
    connect(FileDownloader, &kelvane::FileDownloader::DowloadComplete, this,
            &TvWindow::FileDownloader_DowloadComplete);
    m_listUpdate = std::make_unique<ListUpdateFlow>(
        *this, services,
        ListUpdateFlow::Parts{bbUpdate,
                              FileDownloader,
                              {Text, Text1},
                              QStringLiteral("Cancel"),
                              QStringLiteral("下载完毕: 请重新启动程序！"),
                              tLista},
        [this](const QString& error) { FileDownloader_DownloadErrors(error); });
    offerHistory(nullptr);
    ui.applyTabOrder();
    // Last: it places the finished window at its docking position.
    QuandleXPTaskBar1 = ui.dockingBar(QStringLiteral("QuandleXPTaskBar1"));
}

void TvWindow::Form_Load()
{
    const QString folder = services().programFolder;
    const auto tv = loadStationList(programFilePath(folder, kTvListFile), kTvSeparator);
    const auto second = loadStationList(programFilePath(folder, kAdultListFile), kTvSeparator);
    if (m_tvActions != nullptr) {
        m_tvActions->load(tv);
        m_secondActions->load(second);
    } else {
        tLista->fillList(tv);
        aLista->fillList(second);
    }
    if (RememberedState* remembered = services().remembered) {
        remembered->selectLastStation(kTvListKey, *tLista);
        remembered->selectLastStation(kAdultListKey, *aLista);
    }
}

void TvWindow::playIn(StationListBox* list)
{
    auto* video = dynamic_cast<VideoWindow*>(forms().show(QStringLiteral("frmTV")));
    if (video == nullptr)
        throw StepFailed("video window did not load");
    playSelected(video->wmpt, list, list == aLista ? kAdultListKey : kTvListKey);
    m_lastList = list;
    // Enabling a running reveal timer keeps its count: a second station chosen while the window
    // waits is revealed when the first would have been.
    video->Timer1.setEnabled(true);
}

void TvWindow::playNeighbour(int delta)
{
    StationListBox* list = m_lastList == aLista ? aLista : tLista;
    if (delta != 0 || list->selectedPosition() < 0) {
        if (!list->selectNeighbour(delta))
            return;
    }
    guarded([this, list] { playIn(list); });
}

void TvWindow::PlayTvStation()
{
    guarded([this] { playIn(tLista); });
}

void TvWindow::PlayAdultStation()
{
    guarded([this] { playIn(aLista); });
}

void TvWindow::tLista_DblClick()
{
    PlayTvStation(); // it reports its own failure
}

void TvWindow::aLista_DblClick()
{
    PlayAdultStation();
}

void TvWindow::sAdult_Click()
{
    guarded([this] {
        hAdult->setVisible(true);
        sAdult->setVisible(false);
        tLista->setVisible(false);
        aLista->setVisible(true);
    });
}

void TvWindow::hAdult_Click()
{
    guarded([this] {
        sAdult->setVisible(true);
        hAdult->setVisible(false);
        aLista->setVisible(false);
        tLista->setVisible(true);
    });
}

void TvWindow::Image1_Click()
{
    guarded([this] {
        auto* radio = qobject_cast<PlayerWindow*>(forms().show(QStringLiteral("frmMain")));
        if (radio == nullptr)
            throw StepFailed("radio window did not load");
        radio->showInView();
        Unload();
    });
}

// The About and close labels of this window show no message: an unexpected failure there
// leaves the window as it was.
void TvWindow::Label1_Click()
{
    silent([this] { forms().show(QStringLiteral("frmAbout")); });
}

void TvWindow::Label2_Click(int)
{
    silent([this] { Unload(); });
}

} // namespace kelvane

namespace kelvane {

void TvWindow::Form_Unload()
{
    // A running list download ends with the window; the video window goes on.
    FileDownloader->Cancel();
}

// An unexpected failure here shows the generic message, as in the radio window: a listener
// should not be left with a button that silently did nothing.
void TvWindow::bbUpdate_Click()
{
    guarded([this] { m_listUpdate->click(); });
}

void TvWindow::FileDownloader_DownloadErrors(const QString& strError)
{
    m_listUpdate->failed(strError);
}

void TvWindow::FileDownloader_DowloadComplete()
{
    m_listUpdate->completed();
}

} // namespace kelvane
