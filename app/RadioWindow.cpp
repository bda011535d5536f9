#include "app/RadioWindow.h"

#include "adbanner/HandCursor.h"
#include "app/Ui.h"
#include "button/SkinButton.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "downloader/FileDownloader.h"
#include "platform/MessageBox.h"

namespace kelvane {

RadioWindow::RadioWindow(FormRegistry& forms, const AppServices& services)
    : PlayerWindow(QStringLiteral("frmMain"), forms, services, QSize(351, 312))
{
    MediaPlayerSettings playerSettings;
    playerSettings.uiMode = QStringLiteral("mini");
    playerSettings.extraOptions = services.playerOptions;
    wmpr = new MediaPlayer(playerSettings, this);
    wmpr->setObjectName(QStringLiteral("wmpr"));
    placeTwips(wmpr, 1080, 1320, 4080, 915);

    // Created after the player so it stacks above it: the list covers the player's lower part
    // and every station row stays visible.
    rLista = makeList(QStringLiteral("rLista"), QRect(1080, 1560, 4095, 1680), QColor(255, 128, 0),
                      [this] { rLista_DblClick(); });

    Label1 = new ClickLabel(QStringLiteral("关于"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTransparent(true);
    Label1->setCursor(Qt::PointingHandCursor);
    QPalette aboutPalette = Label1->palette();
    aboutPalette.setColor(QPalette::WindowText, QColor(192, 64, 0));
    Label1->setPalette(aboutPalette);
    placeTwips(Label1, 4200, 840, 975, 255);
    connect(Label1, &ClickLabel::Click, this, &RadioWindow::Label1_Click);

    bbStop = makeButton(services, this, QStringLiteral("bbStop"), QStringLiteral("停止"), 4440,
                        3240, 615, 300);
    connect(bbStop, &SkinButton::Click, this, &RadioWindow::bbStop_Click);

    bbUpdate = makeButton(services, this, QStringLiteral("bbUpdate"), QStringLiteral("检查更新"), 0,
                          840, 1575, 300);
    connect(bbUpdate, &SkinButton::Click, this, &RadioWindow::bbUpdate_Click);

    // Below the client area: never seen, but it holds the list's address.
    Text = new QLineEdit(QStringLiteral(KELVANE_LIST_BASE_URL "fmstacionet.dat"), this);
    Text->setObjectName(QStringLiteral("Text"));
    placeTwips(Text, 360, 4920, 3495, 285);

    Label2 = makeCloseMarks(5116, 10, [this](int index) { Label2_Click(index); });

    Gg1 = makeBanner(services, this);
    placeTwips(Gg1, 0, 4200, 5295, 495);

    Image1 = new HotArea(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setCursor(handCursor());
    placeTwips(Image1, 3960, 3600, 1335, 615);
    connect(Image1, &HotArea::Click, this, &RadioWindow::Image1_Click);

    FileDownloader = makeDownloader(3960, 4560);
    connect(FileDownloader, &kelvane::FileDownloader::DownloadErrors, this,
            &RadioWindow::FileDownloader_DownloadErrors);
    connect(FileDownloader, &kelvane::FileDownloader::DowloadComplete, this,
            &RadioWindow::FileDownloader_DowloadComplete);

    setTabOrder(wmpr, rLista);
    setTabOrder(rLista, bbStop);
    setTabOrder(bbStop, bbUpdate);
    setTabOrder(bbUpdate, Text);
    // Last: it places the finished window at its docking position.
    QuandleXPTaskBar1 = makeDockingBar(3600, 120);
}

void RadioWindow::Form_Load()
{
    LoadStationList(ProgramFilePath(services().programFolder, kRadioListFile), kRadioSeparator,
                    *rLista, rURLs);
}

void RadioWindow::Form_Unload()
{
    // The player and a running list download end with the window.
    FileDownloader->Cancel();
    wmpr->shutdown();
}

void RadioWindow::PlayRadioStation()
{
    guarded([this] {
        wmpr->close();
        const int index = selectedPosition(rLista);
        if (index < 0 || index >= rURLs.size())
            throw StepFailed("no station selected");
        wmpr->setURL(rURLs.at(index));
    });
}

void RadioWindow::rLista_DblClick()
{
    guarded([this] { PlayRadioStation(); });
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
        if (forms().show(QStringLiteral("frmMainTV")) == nullptr)
            throw StepFailed("TV window did not load");
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
    guarded([this] {
        // While a transfer runs, a click only cancels it, whatever the caption reads.
        if (bbUpdate->Caption() == u"下载" && !FileDownloader->isTransferring()) {
            if (TrimSpaces(Text->text()).isEmpty())
                return;
            Text->setEnabled(false);
            bbUpdate->setCaption(QStringLiteral("取消"));
            downloadList(*FileDownloader, Text->text(),
                         [this](const QString& error) { FileDownloader_DownloadErrors(error); });
        } else {
            FileDownloader->Cancel();
            Text->setEnabled(true);
            bbUpdate->setCaption(QStringLiteral("下载"));
        }
    });
}

void RadioWindow::FileDownloader_DownloadErrors(const QString& strError)
{
    if (services().messageBox != nullptr)
        services().messageBox->show(this, strError, QStringLiteral("错误"),
                                    MessageBox::Icon::Error);
    Text->setEnabled(true);
    bbUpdate->setCaption(QStringLiteral("下载"));
    FileDownloader->Cancel();
}

void RadioWindow::FileDownloader_DowloadComplete()
{
    if (services().messageBox != nullptr)
        services().messageBox->show(this, QStringLiteral("下载完毕！"), QStringLiteral("成功"),
                                    MessageBox::Icon::Information);
    Text->setEnabled(true);
    bbUpdate->setCaption(QStringLiteral("检查更新"));
    // Repainted, not re-read: the new stations appear when the window is next loaded.
    rLista->viewport()->update();
}

} // namespace kelvane
