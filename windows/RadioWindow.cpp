#include "windows/RadioWindow.h"

#include "button/SkinButton.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "downloader/FileDownloader.h"
#include "platform/MessageBox.h"
#include "windows/Controls.h"
#include "windows/LayoutBuilder.h"
#include "windows/Recording.h"
#include "windows/RememberedState.h"
#include "windows/StationActions.h"

#include <QAction>
#include <QShortcut>

namespace kelvane {

namespace {
const QString kRadioListKey = QStringLiteral("fmstacionet");
}

RadioWindow::RadioWindow(FormRegistry& forms, const AppServices& services)
    : PlayerWindow(QStringLiteral("frmMain"), forms, services)
{
    // Made in stored order, which is also the stacking order: the list covers the lower part of
    // the player, and every station row stays visible.
    LayoutBuilder ui(this, layout(), services);
    wmpr = ui.player(QStringLiteral("wmpr"));
    if (services.remembered != nullptr)
        services.remembered->keepVolumeOf(*wmpr);
    attachRecording(*wmpr, services, *this);
    offerHistory(wmpr);
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, &RadioWindow::openDirectory);
    offerDesktopEntries(*wmpr);
    rLista = ui.list(QStringLiteral("rLista"));
    playOnActivate(rLista, [this] { rLista_DblClick(); });
    if (services.stations != nullptr) {
        m_stationActions = new StationActions(*this, *rLista, ListKind::Radio, services);
        // Finding new stations belongs where the stations are; the key stays the window's.
        auto* directory = new QAction(QStringLiteral("电台目录…\tCtrl+F"), m_stationActions);
        connect(directory, &QAction::triggered, this, &RadioWindow::openDirectory);
        m_stationActions->addMenuAction(directory);
    }
    Label1 = ui.label(QStringLiteral("Label1"));
    Label1->setCursor(Qt::PointingHandCursor);
    connect(Label1, &ClickLabel::Click, this, &RadioWindow::Label1_Click);
    bbStop = ui.button(QStringLiteral("bbStop"));
    connect(bbStop, &SkinButton::Click, this, &RadioWindow::bbStop_Click);
    bbUpdate = ui.button(QStringLiteral("bbUpdate"));
    connect(bbUpdate, &SkinButton::Click, this, &RadioWindow::bbUpdate_Click);
    Text = ui.textBox(QStringLiteral("Text")); // below the client area: never seen
    for (int i = 0; i < 2; ++i) {
        Label2[i] = ui.label(QStringLiteral("Label2"), i);
        Label2[i]->setCursor(Qt::PointingHandCursor);
        connect(Label2[i], &ClickLabel::Click, this, [this, i] { Label2_Click(i); });
    }
    Gg1 = ui.banner(QStringLiteral("Gg1"));
    Image1 = ui.image(QStringLiteral("Image1"));
    connect(Image1, &HotArea::Click, this, &RadioWindow::Image1_Click);
    FileDownloader = ui.downloader(QStringLiteral("FileDownloader"));
    connect(FileDownloader, &kelvane::FileDownloader::DownloadErrors, this,
            &RadioWindow::FileDownloader_DownloadErrors);
    connect(FileDownloader, &kelvane::FileDownloader::DowloadComplete, this,
            &RadioWindow::FileDownloader_DowloadComplete);
    m_listUpdate = std::make_unique<ListUpdateFlow>(
        *this, services,
        ListUpdateFlow::Parts{bbUpdate,
                              FileDownloader,
                              {Text},
                              QStringLiteral("取消"),
                              QStringLiteral("下载完毕！"),
                              rLista},
        [this](const QString& error) { FileDownloader_DownloadErrors(error); });
    ui.applyTabOrder();
    // The compact bar's controls follow the list: Tab from the list reaches the volume.
    QWidget* previous = rLista;
    for (QWidget* stop : wmpr->tabStops()) {
        QWidget::setTabOrder(previous, stop);
        previous = stop;
    }
    // Last: it places the finished window at its docking position.
    QuandleXPTaskBar1 = ui.dockingBar(QStringLiteral("QuandleXPTaskBar1"));
}

void RadioWindow::Form_Load()
{
    const QString path = programFilePath(services().programFolder, kRadioListFile);
    if (m_stationActions != nullptr)
        m_stationActions->load(loadStationList(path, kRadioSeparator));
    else
        rLista->fillList(loadStationList(path, kRadioSeparator));
    if (services().remembered != nullptr)
        services().remembered->selectLastStation(kRadioListKey, *rLista);
}

void RadioWindow::Form_Unload()
{
    // The player and a running list download end with the window.
    FileDownloader->Cancel();
    wmpr->shutdown();
}

void RadioWindow::PlayRadioStation()
{
    guarded([this] { playSelected(wmpr, rLista, kRadioListKey); });
}

void RadioWindow::playNeighbour(int delta)
{
    if (delta == 0 && rLista->selectedPosition() >= 0)
        PlayRadioStation();
    else if (rLista->selectNeighbour(delta))
        PlayRadioStation();
}

void RadioWindow::playAddress(const QString& name, const QString& url)
{
    guarded([this, &name, &url] {
        wmpr->close();
        wmpr->setStationName(name);
        wmpr->setURL(url);
        // Whatever failure follows is not a list row's.
        followStation(wmpr, nullptr, -1);
        addToHistory(name, url, kRadioListKey);
        Q_EMIT stationStarted(wmpr);
    });
}

void RadioWindow::openDirectory()
{
    silent([this] {
        if (forms().isRegistered(QStringLiteral("frmDirectory")))
            forms().show(QStringLiteral("frmDirectory"));
    });
}

void RadioWindow::rLista_DblClick()
{
    PlayRadioStation(); // it reports its own failure
}

void RadioWindow::bbStop_Click()
{
    guarded([this] { wmpr->close(); });
}

void RadioWindow::Image1_Click()
{
    guarded([this] {
        if (!forms().isRegistered(QStringLiteral("frmMainTV")))
            return; // no TV window in this build
        auto* tv = qobject_cast<PlayerWindow*>(forms().show(QStringLiteral("frmMainTV")));
        if (tv == nullptr)
            throw StepFailed("TV window did not load");
        // The pointer rests where the corner was: the new window opens in view under it.
        tv->showInView();
        Unload();
    });
}

void RadioWindow::Label1_Click()
{
    guarded([this] {
        if (forms().show(QStringLiteral("frmAbout")) == nullptr)
            throw StepFailed("About window did not load");
    });
}

void RadioWindow::Label2_Click(int)
{
    guarded([this] { Unload(); });
}

} // namespace kelvane

namespace kelvane {

void RadioWindow::bbUpdate_Click()
{
    guarded([this] { m_listUpdate->click(); });
}

void RadioWindow::FileDownloader_DownloadErrors(const QString& strError)
{
    m_listUpdate->failed(strError);
}

void RadioWindow::FileDownloader_DowloadComplete()
{
    m_listUpdate->completed();
}

} // namespace kelvane
